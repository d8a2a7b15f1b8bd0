// The up-down control and the link control, as far as dialogs use them: an up-down control's range,
// position and base, kept in its buddy edit's text; a link control's text with its <a> markup, whose
// click reaches the parent as NM_CLICK.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "user32/window.h"

namespace pal::win {

namespace {

class UpDown : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case WM_CREATE:
            if (w.style & UDS_AUTOBUDDY) // the control created just before, as the template orders them
                if (Window* p = Find(w.parent); p && p->children.size() >= 2)
                    m_buddy = p->children[p->children.size() - 2];
            return false;
        case UDM_SETBUDDY:
            result = reinterpret_cast<LRESULT>(m_buddy);
            m_buddy = reinterpret_cast<HWND>(wParam);
            return true;
        case UDM_GETBUDDY:
            result = reinterpret_cast<LRESULT>(m_buddy);
            return true;
        case UDM_SETRANGE32:
            m_min = int(wParam);
            m_max = int(lParam);
            result = 0;
            return true;
        case UDM_GETRANGE32:
            if (wParam)
                *reinterpret_cast<int*>(wParam) = m_min;
            if (lParam)
                *reinterpret_cast<int*>(lParam) = m_max;
            result = 0;
            return true;
        case UDM_SETBASE:
            result = m_base;
            if (wParam == 10 || wParam == 16)
                m_base = int(wParam);
            else
                result = 0;
            return true;
        case UDM_GETBASE:
            result = m_base;
            return true;
        case UDM_SETPOS32: {
            result = m_pos;
            m_pos = std::clamp(int(lParam), std::min(m_min, m_max), std::max(m_min, m_max));
            if ((w.style & UDS_SETBUDDYINT) && Find(m_buddy)) {
                std::string digits = m_base == 16 ? "0x" : "";
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, m_base == 16 ? "%X" : "%d", m_pos);
                digits += buffer;
                std::u16string text(digits.begin(), digits.end());
                SetWindowTextW(m_buddy, text.c_str());
            }
            return true;
        }
        case UDM_GETPOS32: {
            bool error = false;
            if ((w.style & UDS_SETBUDDYINT) && Find(m_buddy)) {
                // The buddy's text is the position when it is a number within the range.
                WCHAR text[64] = {};
                GetWindowTextW(m_buddy, text, 64);
                std::string narrow;
                for (const WCHAR* c = text; *c; ++c)
                    narrow += *c < 0x80 ? char(*c) : '?';
                char* end = nullptr;
                long v = std::strtol(narrow.c_str(), &end, m_base);
                if (narrow.empty() || (end && *end) || v < std::min(m_min, m_max) || v > std::max(m_min, m_max))
                    error = true;
                else
                    m_pos = int(v);
            }
            if (lParam)
                *reinterpret_cast<BOOL*>(lParam) = error ? TRUE : FALSE;
            result = m_pos;
            return true;
        }
        default:
            return false;
        }
    }

    void Describe(const Window&, ControlView& v) const override
    {
        v.upDownPos = m_pos;
        v.upDownMin = m_min;
        v.upDownMax = m_max;
    }

private:
    HWND m_buddy = nullptr;
    int m_min = 100, m_max = 0; // the control's own default range runs backwards
    int m_pos = 0;
    int m_base = 10;
};

class Link : public ClassProc {
public:
    bool Handle(Window&, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }

    static bool Click(Window& w)
    {
        // The first link: its href, or its text when it has none.
        const std::u16string& t = w.text;
        size_t open = t.find(u"<a");
        if (open == std::u16string::npos)
            return false;
        size_t close = t.find(u'>', open);
        size_t end = t.find(u"</a>", close);
        if (close == std::u16string::npos || end == std::u16string::npos)
            return false;
        std::u16string attributes = t.substr(open + 2, close - open - 2);
        std::u16string url = t.substr(close + 1, end - close - 1);
        size_t href = attributes.find(u"href=\"");
        if (href != std::u16string::npos) {
            size_t quote = attributes.find(u'"', href + 6);
            url = attributes.substr(href + 6, quote == std::u16string::npos ? std::u16string::npos : quote - href - 6);
        }
        NMLINK nm{};
        nm.hdr.code = NM_CLICK;
        nm.item.iLink = 0;
        CopyOut(url, nm.item.szUrl, L_MAX_URL_LENGTH);
        NotifyParent(w, nm.hdr);
        return true;
    }
};

} // namespace

std::unique_ptr<ClassProc> MakeUpDown() { return std::make_unique<UpDown>(); }
std::unique_ptr<ClassProc> MakeLink() { return std::make_unique<Link>(); }

bool ClickLinkItem(Window& w) { return ClassIs(w, u"SysLink") && Link::Click(w); }

} // namespace pal::win
