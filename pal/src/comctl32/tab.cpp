// The tab control: labelled tabs with item data and a current selection. Page controls that the dialog
// puts onto the tab control talk to the dialog through it: their commands and notifications go on to the
// tab control's parent.
#include "user32/window.h"

namespace pal::win {

namespace {

class Tab : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        int count = int(m_items.size());
        switch (msg) {
        case TCM_INSERTITEMW: {
            const auto* item = reinterpret_cast<const TCITEMW*>(lParam);
            if (!item || LONG(wParam) < 0) {
                result = -1;
                return true;
            }
            int at = std::min(int(wParam), count);
            Item it;
            if ((item->mask & TCIF_TEXT) && item->pszText)
                it.text = item->pszText;
            if (item->mask & TCIF_PARAM)
                it.param = item->lParam;
            m_items.insert(m_items.begin() + at, it);
            if (m_current == -1)
                m_current = 0;
            else if (m_current >= at && count > 0)
                ++m_current;
            result = at;
            return true;
        }
        case TCM_GETITEMCOUNT:
            result = count;
            return true;
        case TCM_GETITEMW: {
            auto* item = reinterpret_cast<TCITEMW*>(lParam);
            if (!item || LONG(wParam) < 0 || int(wParam) >= count) {
                result = FALSE;
                return true;
            }
            if (item->mask & TCIF_TEXT)
                CopyOut(m_items[wParam].text, item->pszText, item->cchTextMax);
            if (item->mask & TCIF_PARAM)
                item->lParam = m_items[wParam].param;
            result = TRUE;
            return true;
        }
        case TCM_SETITEMW: {
            const auto* item = reinterpret_cast<const TCITEMW*>(lParam);
            if (!item || LONG(wParam) < 0 || int(wParam) >= count) {
                result = FALSE;
                return true;
            }
            if ((item->mask & TCIF_TEXT) && item->pszText)
                m_items[wParam].text = item->pszText;
            if (item->mask & TCIF_PARAM)
                m_items[wParam].param = item->lParam;
            result = TRUE;
            return true;
        }
        case TCM_DELETEITEM:
            if (LONG(wParam) < 0 || int(wParam) >= count) {
                result = FALSE;
                return true;
            }
            m_items.erase(m_items.begin() + long(wParam));
            if (m_current == int(wParam))
                m_current = -1;
            else if (m_current > int(wParam))
                --m_current;
            result = TRUE;
            return true;
        case TCM_DELETEALLITEMS:
            m_items.clear();
            m_current = -1;
            result = TRUE;
            return true;
        case TCM_GETCURSEL:
        case TCM_GETCURFOCUS:
            result = m_current;
            return true;
        case TCM_SETCURSEL:
        case TCM_SETCURFOCUS: // no notifications when the program sets it
            result = m_current;
            if (LONG(wParam) >= 0 && int(wParam) < count)
                m_current = int(wParam);
            else
                result = -1;
            return true;
        case TCM_ADJUSTRECT: {
            auto* r = reinterpret_cast<RECT*>(lParam);
            if (r) {
                int header = HeaderHeight();
                int sign = wParam ? -1 : 1; // TRUE: the window for a display area
                r->left += sign * 4;
                r->right -= sign * 4;
                r->top += sign * (header + 2);
                r->bottom -= sign * 4;
            }
            result = 0;
            return true;
        }
        case TCM_GETITEMRECT: {
            auto* r = reinterpret_cast<RECT*>(lParam);
            if (!r || LONG(wParam) < 0 || int(wParam) >= count) {
                result = FALSE;
                return true;
            }
            int x = 2;
            for (int i = 0; i < int(wParam); ++i)
                x += TabWidth(i);
            *r = RECT{x, 2, x + TabWidth(int(wParam)), 2 + HeaderHeight()};
            result = TRUE;
            return true;
        }
        case WM_COMMAND:
        case WM_NOTIFY:
            result = SendMessageW(w.parent, msg, wParam, lParam);
            return true;
        default:
            return false;
        }
    }

    void Describe(const Window&, ControlView& v) const override
    {
        for (size_t i = 0; i < m_items.size(); ++i) {
            v.items.push_back(m_items[i].text);
            v.itemSelected.push_back(int(i) == m_current);
        }
        v.current = m_current;
    }

    bool Choose(Window& w, int index)
    {
        if (index < 0 || index >= int(m_items.size()))
            return false;
        if (index == m_current)
            return true;
        HWND h = w.handle;
        NMHDR header{};
        header.code = TCN_SELCHANGING;
        if (NotifyParent(w, header)) // the parent refuses to leave the page
            return false;
        Window* again = Find(h);
        if (!again)
            return false;
        m_current = index;
        header = NMHDR{};
        header.code = TCN_SELCHANGE;
        NotifyParent(*again, header);
        return true;
    }

private:
    struct Item {
        std::u16string text;
        LPARAM param = 0;
    };

    static int HeaderHeight() { return LineHeight() + 6; }
    int TabWidth(int i) const { return TextWidth(m_items[size_t(i)].text) + 12; }

    std::vector<Item> m_items;
    int m_current = -1;
};

} // namespace

std::unique_ptr<ClassProc> MakeTab() { return std::make_unique<Tab>(); }

bool ChooseTabItem(Window& w, int index)
{
    auto* tab = dynamic_cast<Tab*>(w.proc.get());
    return tab && tab->Choose(w, index);
}

} // namespace pal::win
