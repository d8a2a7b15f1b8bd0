// The predefined control classes of user32: buttons (push buttons, check boxes, group boxes), statics
// (text, icons, pictures), single- and multi-line edits, list boxes and a minimal combo box.
#include <algorithm>

#include "user32/window.h"

namespace pal::win {

namespace {

class Button : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        switch (msg) {
        case BM_GETCHECK:
            result = m_check;
            return true;
        case BM_SETCHECK:
            m_check = int(wParam);
            result = 0;
            return true;
        case BM_GETSTATE:
            result = m_check;
            return true;
        case BM_CLICK: {
            DWORD type = w.style & BS_TYPEMASK;
            if (type == BS_AUTOCHECKBOX)
                m_check = m_check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            else if (type == BS_AUTO3STATE)
                m_check = (m_check + 1) % 3;
            else if (type == BS_AUTORADIOBUTTON)
                m_check = BST_CHECKED;
            CommandToParent(w, BN_CLICKED);
            result = 0;
            return true;
        }
        default:
            return false;
        }
    }
    void Describe(const Window&, ControlView& v) const override { v.checked = m_check; }

private:
    int m_check = BST_UNCHECKED;
};

class Static : public ClassProc {
public:
    bool Handle(Window&, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case STM_SETICON:
            result = reinterpret_cast<LRESULT>(m_image);
            m_image = reinterpret_cast<HANDLE>(wParam);
            return true;
        case STM_GETICON:
            result = reinterpret_cast<LRESULT>(m_image);
            return true;
        case STM_SETIMAGE:
            result = reinterpret_cast<LRESULT>(m_image);
            m_image = reinterpret_cast<HANDLE>(lParam);
            return true;
        case STM_GETIMAGE:
            result = reinterpret_cast<LRESULT>(m_image);
            return true;
        default:
            return false;
        }
    }

private:
    HANDLE m_image = nullptr;
};

class Edit : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case WM_SETTEXT:
            w.text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
            m_selStart = m_selEnd = 0;
            result = TRUE;
            return true;
        case EM_LIMITTEXT:
            m_limit = wParam ? LONG(std::min<WPARAM>(wParam, 0x7FFFFFFE)) : 0x7FFFFFFE;
            result = 0;
            return true;
        case EM_GETLIMITTEXT:
            result = m_limit;
            return true;
        case EM_SETSEL: {
            LONG n = LONG(w.text.size());
            LONG a = LONG(wParam), b = LONG(lParam);
            if (a == -1) {
                m_selStart = m_selEnd;
            } else {
                if (b < 0 || b > n)
                    b = n;
                a = std::clamp<LONG>(a, 0, n);
                m_selStart = std::min(a, b);
                m_selEnd = std::max(a, b);
            }
            result = 0;
            return true;
        }
        case EM_GETSEL:
            if (wParam)
                *reinterpret_cast<DWORD*>(wParam) = DWORD(m_selStart);
            if (lParam)
                *reinterpret_cast<DWORD*>(lParam) = DWORD(m_selEnd);
            result = MAKELONG(WORD(m_selStart), WORD(m_selEnd));
            return true;
        case EM_REPLACESEL: {
            std::u16string add = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
            w.text.replace(size_t(m_selStart), size_t(m_selEnd - m_selStart), add);
            m_selStart = m_selEnd = m_selStart + LONG(add.size());
            result = 0;
            return true;
        }
        case EM_SETREADONLY:
            w.style = wParam ? (w.style | ES_READONLY) : (w.style & ~DWORD(ES_READONLY));
            result = TRUE;
            return true;
        case WM_SETFOCUS:
            CommandToParent(w, EN_SETFOCUS);
            result = 0;
            return true;
        case WM_KILLFOCUS:
            CommandToParent(w, EN_KILLFOCUS);
            result = 0;
            return true;
        default:
            return false;
        }
    }

    LONG Limit() const { return m_limit; }

private:
    LONG m_limit = 30000;
    LONG m_selStart = 0, m_selEnd = 0;
};

// Items compare as the list box's sort does: without regard to case.
int CompareNoCase(const std::u16string& a, const std::u16string& b)
{
    std::u16string la = Lower(a), lb = Lower(b);
    return la < lb ? -1 : la > lb ? 1 : 0;
}

class ListBox : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        bool multiple = (w.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
        int count = int(m_items.size());
        auto valid = [&](WPARAM i) { return LONG(i) >= 0 && LONG(i) < count; };
        switch (msg) {
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            Item item{lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"", 0, false};
            size_t at;
            if (msg == LB_ADDSTRING && (w.style & LBS_SORT)) {
                // After the equal items, as the list box keeps insertion order among equals.
                at = size_t(std::upper_bound(m_items.begin(), m_items.end(), item,
                                             [](const Item& a, const Item& b) {
                                                 return CompareNoCase(a.text, b.text) < 0;
                                             }) - m_items.begin());
            } else if (msg == LB_ADDSTRING || LONG(wParam) == -1) {
                at = m_items.size();
            } else if (LONG(wParam) >= 0 && LONG(wParam) <= count) {
                at = size_t(wParam);
            } else {
                result = LB_ERR;
                return true;
            }
            m_items.insert(m_items.begin() + long(at), item);
            if (m_current >= int(at))
                ++m_current;
            result = LRESULT(at);
            return true;
        }
        case LB_DELETESTRING:
            if (!valid(wParam)) {
                result = LB_ERR;
                return true;
            }
            m_items.erase(m_items.begin() + long(wParam));
            if (m_current == int(wParam))
                m_current = -1;
            else if (m_current > int(wParam))
                --m_current;
            result = LRESULT(m_items.size());
            return true;
        case LB_RESETCONTENT:
            m_items.clear();
            m_current = -1;
            m_top = 0;
            result = 0;
            return true;
        case LB_GETCOUNT:
            result = count;
            return true;
        case LB_GETTEXT:
            if (!valid(wParam)) {
                result = LB_ERR;
                return true;
            }
            result = CopyOut(m_items[wParam].text, reinterpret_cast<LPWSTR>(lParam), 0x7FFFFFFF);
            return true;
        case LB_GETTEXTLEN:
            result = valid(wParam) ? LRESULT(m_items[wParam].text.size()) : LB_ERR;
            return true;
        case LB_SETITEMDATA:
            if (!valid(wParam)) {
                result = LB_ERR;
                return true;
            }
            m_items[wParam].data = lParam;
            result = TRUE;
            return true;
        case LB_GETITEMDATA:
            result = valid(wParam) ? m_items[wParam].data : LB_ERR;
            return true;
        case LB_SETSEL: // multiple selection only; index -1 is every item
            if (!multiple || (LONG(lParam) != -1 && !valid(WPARAM(lParam)))) {
                result = LB_ERR;
                return true;
            }
            for (int i = 0; i < count; ++i)
                if (LONG(lParam) == -1 || i == int(lParam))
                    m_items[size_t(i)].selected = wParam != 0;
            result = 0;
            return true;
        case LB_GETSEL:
            result = valid(wParam) ? (multiple ? m_items[wParam].selected : int(wParam) == m_current) : LB_ERR;
            return true;
        case LB_GETSELCOUNT:
            result = multiple ? LRESULT(std::count_if(m_items.begin(), m_items.end(),
                                                      [](const Item& i) { return i.selected; }))
                              : LB_ERR;
            return true;
        case LB_GETSELITEMS: {
            if (!multiple) {
                result = LB_ERR;
                return true;
            }
            int* out = reinterpret_cast<int*>(lParam);
            int n = 0;
            for (int i = 0; i < count && n < int(wParam); ++i)
                if (m_items[size_t(i)].selected)
                    out[n++] = i;
            result = n;
            return true;
        }
        case LB_SETCURSEL:
            if (multiple) {
                result = LB_ERR;
                return true;
            }
            m_current = valid(wParam) ? int(wParam) : -1;
            result = m_current == -1 && LONG(wParam) != -1 ? LB_ERR : m_current;
            return true;
        case LB_GETCURSEL:
            result = m_current;
            return true;
        case LB_SETTOPINDEX:
            if (count > 0 && !valid(wParam)) {
                result = LB_ERR;
                return true;
            }
            m_top = int(wParam);
            result = 0;
            return true;
        case LB_GETTOPINDEX:
            result = m_top;
            return true;
        case LB_FINDSTRINGEXACT: {
            std::u16string wanted = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
            int start = LONG(wParam) < 0 || LONG(wParam) >= count ? -1 : int(wParam);
            result = LB_ERR;
            for (int k = 1; k <= count; ++k) {
                int i = (start + k) % count;
                if (CompareNoCase(m_items[size_t(i)].text, wanted) == 0) {
                    result = i;
                    break;
                }
            }
            return true;
        }
        default:
            return false;
        }
    }

    void Describe(const Window& w, ControlView& v) const override
    {
        bool multiple = (w.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
        for (size_t i = 0; i < m_items.size(); ++i) {
            v.items.push_back(m_items[i].text);
            v.itemSelected.push_back(multiple ? m_items[i].selected : int(i) == m_current);
        }
        v.current = m_current;
    }

    // The host's selection: exactly these items.
    bool Select(Window& w, const std::vector<int>& indexes)
    {
        bool multiple = (w.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
        for (int i : indexes)
            if (i < 0 || i >= int(m_items.size()))
                return false;
        if (!multiple && indexes.size() > 1)
            return false;
        for (auto& item : m_items)
            item.selected = false;
        for (int i : indexes)
            m_items[size_t(i)].selected = true;
        m_current = indexes.empty() ? -1 : indexes.back();
        if (w.style & LBS_NOTIFY)
            CommandToParent(w, LBN_SELCHANGE);
        return true;
    }

private:
    struct Item {
        std::u16string text;
        LPARAM data;
        bool selected;
    };
    std::vector<Item> m_items;
    int m_current = -1;
    int m_top = 0;
};

class ComboBox : public ClassProc {
public:
    bool Handle(Window&, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case CB_ADDSTRING:
            m_items.push_back(lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
            result = LRESULT(m_items.size() - 1);
            return true;
        case CB_GETCOUNT:
            result = LRESULT(m_items.size());
            return true;
        case CB_RESETCONTENT:
            m_items.clear();
            m_current = -1;
            result = 0;
            return true;
        case CB_SETCURSEL:
            m_current = LONG(wParam) >= 0 && wParam < m_items.size() ? int(wParam) : -1;
            result = m_current == -1 ? CB_ERR : m_current;
            return true;
        case CB_GETCURSEL:
            result = m_current;
            return true;
        case CB_GETLBTEXT:
            result = LONG(wParam) >= 0 && wParam < m_items.size()
                         ? CopyOut(m_items[wParam], reinterpret_cast<LPWSTR>(lParam), 0x7FFFFFFF)
                         : CB_ERR;
            return true;
        default:
            return false;
        }
    }
    void Describe(const Window&, ControlView& v) const override
    {
        v.items = m_items;
        v.current = m_current;
    }

private:
    std::vector<std::u16string> m_items;
    int m_current = -1;
};

} // namespace

std::unique_ptr<ClassProc> MakeButton() { return std::make_unique<Button>(); }
std::unique_ptr<ClassProc> MakeStatic() { return std::make_unique<Static>(); }
std::unique_ptr<ClassProc> MakeEdit() { return std::make_unique<Edit>(); }
std::unique_ptr<ClassProc> MakeListBox() { return std::make_unique<ListBox>(); }
std::unique_ptr<ClassProc> MakeComboBox() { return std::make_unique<ComboBox>(); }

bool SelectListBoxItems(Window& w, const std::vector<int>& indexes)
{
    auto* list = dynamic_cast<ListBox*>(w.proc.get());
    return list && list->Select(w, indexes);
}

namespace {

struct WindowClass {
    const char16_t* name; // as the system registers it
    std::unique_ptr<ClassProc> (*make)();
};

const WindowClass kClasses[] = {
    {u"Button", MakeButton},
    {u"Static", MakeStatic},
    {u"Edit", MakeEdit},
    {u"ListBox", MakeListBox},
    {u"ComboBox", MakeComboBox},
    {u"SysTabControl32", MakeTab},
    {u"SysListView32", MakeListView},
    {u"msctls_updown32", MakeUpDown},
    {u"SysLink", MakeLink},
    {u"RICHEDIT50W", MakeRichEdit},
    {u"RICHEDIT20W", MakeRichEdit},
};

const WindowClass* FindClass(const std::u16string& className)
{
    std::u16string wanted = Lower(className);
    for (const WindowClass& c : kClasses)
        if (Lower(c.name) == wanted)
            return &c;
    return nullptr;
}

} // namespace

std::unique_ptr<ClassProc> MakeClassProc(const std::u16string& className)
{
    const WindowClass* c = FindClass(className);
    return c ? c->make() : nullptr;
}

std::u16string RegisteredClassName(const std::u16string& className)
{
    const WindowClass* c = FindClass(className);
    return c ? std::u16string(c->name) : className;
}

} // namespace pal::win
