// The rich edit control (RICHEDIT50W): a RichText document with a selection, the event mask, the text
// limit, automatic URL detection and the background colour. Positions count a paragraph break as one
// character; WM_GETTEXT and WM_GETTEXTLENGTH hand breaks out as CR LF, as the control does.
#include <algorithm>
#include <cstring>

#include "riched20/richtext.h"
#include "user32/window.h"

namespace pal::win {

namespace {

using riched::Format;
using riched::RichText;

class RichEdit : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case WM_SETTEXT:
            SetAll(lParam ? std::u16string_view(reinterpret_cast<LPCWSTR>(lParam)) : std::u16string_view());
            result = TRUE;
            return true;
        case WM_GETTEXT: {
            std::u16string text = m_doc.WithCrLf(0, m_doc.Length());
            result = CopyOut(text, reinterpret_cast<LPWSTR>(lParam), int(std::min<WPARAM>(wParam, 0x7FFFFFFF)));
            return true;
        }
        case WM_GETTEXTLENGTH:
            result = m_doc.Length() + m_doc.Breaks();
            return true;
        case EM_SETTEXTEX: {
            const auto* how = reinterpret_cast<const SETTEXTEX*>(wParam);
            std::u16string text = Incoming(how ? how->codepage : 1200, lParam);
            if (how && (how->flags & ST_SELECTION)) {
                m_doc.Replace(m_selMin, m_selMax, text, m_doc.At(m_selMin));
                m_selMin = m_selMax = m_selMin + LONG(text.size()) - LONG(CountCrLf(text));
                if (m_autoUrl)
                    m_doc.DetectUrls();
            } else {
                SetAll(text);
            }
            Changed(w);
            result = 1;
            return true;
        }
        case EM_REPLACESEL: {
            std::u16string text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
            LONG before = m_doc.Length();
            m_doc.Replace(m_selMin, m_selMax, text, m_doc.At(m_selMin));
            m_selMin = m_selMax = m_selMin + (m_doc.Length() - before) + (m_selMax - m_selMin);
            if (m_autoUrl)
                m_doc.DetectUrls();
            Changed(w);
            result = 0;
            return true;
        }
        case EM_GETTEXTLENGTHEX: {
            const auto* how = reinterpret_cast<const GETTEXTLENGTHEX*>(wParam);
            if (!how) {
                result = E_INVALIDARG;
                return true;
            }
            LONG chars = m_doc.Length() + ((how->flags & GTL_USECRLF) ? m_doc.Breaks() : 0);
            result = (how->flags & GTL_NUMBYTES) && how->codepage == 1200 ? chars * 2 : chars;
            return true;
        }
        case EM_GETTEXTEX: {
            const auto* how = reinterpret_cast<const GETTEXTEX*>(wParam);
            if (!how || !lParam || how->cb < sizeof(WCHAR)) {
                result = 0;
                return true;
            }
            LONG a = (how->flags & GT_SELECTION) ? m_selMin : 0, b = (how->flags & GT_SELECTION) ? m_selMax : m_doc.Length();
            std::u16string text = (how->flags & GT_USECRLF) ? m_doc.WithCrLf(a, b) : m_doc.Text().substr(size_t(a), size_t(b - a));
            result = CopyOut(text, reinterpret_cast<LPWSTR>(lParam), int(std::min<DWORD>(how->cb / sizeof(WCHAR), 0x7FFFFFFF)));
            return true;
        }
        case EM_GETTEXTRANGE: {
            auto* range = reinterpret_cast<TEXTRANGEW*>(lParam);
            if (!range || !range->lpstrText) {
                result = 0;
                return true;
            }
            LONG a = std::clamp<LONG>(range->chrg.cpMin, 0, m_doc.Length());
            LONG b = range->chrg.cpMax < 0 ? m_doc.Length() : std::clamp<LONG>(range->chrg.cpMax, a, m_doc.Length());
            std::u16string text = m_doc.Text().substr(size_t(a), size_t(b - a));
            std::memcpy(range->lpstrText, text.data(), text.size() * sizeof(WCHAR));
            range->lpstrText[text.size()] = 0;
            result = LRESULT(text.size());
            return true;
        }
        case EM_EXSETSEL: {
            const auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
            if (range)
                Select(range->cpMin, range->cpMax);
            result = m_selMax;
            return true;
        }
        case EM_SETSEL:
            Select(LONG(wParam), LONG(lParam));
            result = 0;
            return true;
        case EM_EXGETSEL:
            if (auto* range = reinterpret_cast<CHARRANGE*>(lParam))
                *range = CHARRANGE{m_selMin, m_selMax};
            result = 0;
            return true;
        case EM_GETSEL:
            if (wParam)
                *reinterpret_cast<DWORD*>(wParam) = DWORD(m_selMin);
            if (lParam)
                *reinterpret_cast<DWORD*>(lParam) = DWORD(m_selMax);
            result = m_selMin > 0xFFFF || m_selMax > 0xFFFF ? -1 : MAKELONG(WORD(m_selMin), WORD(m_selMax));
            return true;
        case EM_SETCHARFORMAT: {
            const auto* cf = reinterpret_cast<const CHARFORMATW*>(lParam);
            if (!cf || cf->cbSize < sizeof(CHARFORMATW)) {
                result = 0;
                return true;
            }
            Format f = riched::FromCharFormat(cf->dwMask, cf->dwEffects, cf->crTextColor, Format{});
            if (wParam & SCF_ALL) {
                m_doc.Apply(0, m_doc.Length(), cf->dwMask, f);
            } else if (wParam & SCF_SELECTION) {
                m_doc.Apply(m_selMin, m_selMax, cf->dwMask, f); // an empty selection only sets the typing format
            } else {
                m_default = riched::FromCharFormat(cf->dwMask, cf->dwEffects, cf->crTextColor, m_default);
                m_doc.Apply(0, m_doc.Length(), cf->dwMask, f);
            }
            result = 1;
            return true;
        }
        case EM_GETCHARFORMAT: {
            auto* cf = reinterpret_cast<CHARFORMATW*>(lParam);
            if (!cf || cf->cbSize < sizeof(CHARFORMATW)) {
                result = 0;
                return true;
            }
            Format f = (wParam & SCF_SELECTION) ? m_doc.At(m_selMin) : m_default;
            cf->dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_LINK | CFM_COLOR | CFM_FACE | CFM_SIZE;
            cf->dwEffects = (f.bold ? CFE_BOLD : 0) | (f.italic ? CFE_ITALIC : 0) | (f.underline ? CFE_UNDERLINE : 0) |
                            (f.link ? CFE_LINK : 0) | (f.autoColor ? CFE_AUTOCOLOR : 0);
            cf->crTextColor = f.autoColor ? 0 : f.color;
            cf->yHeight = 160; // 8 points in twips, the dialog font's size
            cf->yOffset = 0;
            cf->bCharSet = DEFAULT_CHARSET;
            cf->bPitchAndFamily = 0;
            std::u16string face = u"MS Shell Dlg";
            std::memset(cf->szFaceName, 0, sizeof cf->szFaceName);
            std::copy(face.begin(), face.end(), cf->szFaceName);
            result = cf->dwMask;
            return true;
        }
        case EM_AUTOURLDETECT:
            m_autoUrl = (wParam & AURL_ENABLEURL) != 0;
            if (m_autoUrl)
                m_doc.DetectUrls();
            result = 0;
            return true;
        case EM_SETBKGNDCOLOR:
            result = m_background;
            m_autoBackground = wParam != 0;
            m_background = COLORREF(lParam);
            return true;
        case EM_SETEVENTMASK:
            result = m_eventMask;
            m_eventMask = DWORD(lParam);
            return true;
        case EM_GETEVENTMASK:
            result = m_eventMask;
            return true;
        case EM_EXLIMITTEXT:
            m_limit = lParam ? LONG(lParam) : 64000;
            result = 0;
            return true;
        case EM_LIMITTEXT:
            m_limit = wParam ? LONG(wParam) : 64000;
            result = 0;
            return true;
        case EM_GETLIMITTEXT:
            result = m_limit;
            return true;
        case EM_SETREADONLY:
            w.style = wParam ? (w.style | ES_READONLY) : (w.style & ~DWORD(ES_READONLY));
            result = TRUE;
            return true;
        case EM_GETLINECOUNT:
            result = m_doc.Breaks() + 1;
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            CommandToParent(w, msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
            result = 0;
            return true;
        default:
            return false;
        }
    }

    void Describe(const Window&, ControlView& v) const override
    {
        v.runs = m_doc.Runs();
        v.background = m_background;
        v.autoBackground = m_autoBackground;
        v.text = m_doc.WithCrLf(0, m_doc.Length());
    }

private:
    static size_t CountCrLf(const std::u16string& s)
    {
        size_t n = 0;
        for (size_t i = 0; i + 1 < s.size(); ++i)
            if (s[i] == u'\r' && s[i + 1] == u'\n')
                ++n;
        return n;
    }

    static std::u16string Incoming(UINT codepage, LPARAM lParam)
    {
        if (!lParam)
            return {};
        if (codepage == 1200)
            return reinterpret_cast<LPCWSTR>(lParam);
        // Other code pages: bytes below 0x80 are the same in all of them.
        std::u16string out;
        for (const char* c = reinterpret_cast<const char*>(lParam); *c; ++c)
            out += char16_t(static_cast<unsigned char>(*c));
        return out;
    }

    void SetAll(std::u16string_view text)
    {
        m_doc.SetText(text, m_default);
        m_selMin = m_selMax = 0;
        if (m_autoUrl)
            m_doc.DetectUrls();
    }

    void Select(LONG a, LONG b)
    {
        LONG n = m_doc.Length();
        if (a == -1) { // no selection: the caret stays where the selection ended
            m_selMin = m_selMax;
            return;
        }
        if (b < 0 || b > n)
            b = n;
        a = std::clamp<LONG>(a, 0, n);
        m_selMin = std::min(a, b);
        m_selMax = std::max(a, b);
    }

    void Changed(Window& w)
    {
        if (m_eventMask & ENM_CHANGE)
            CommandToParent(w, EN_CHANGE);
    }

    RichText m_doc;
    Format m_default;
    LONG m_selMin = 0, m_selMax = 0;
    DWORD m_eventMask = 0;
    LONG m_limit = 32767;
    bool m_autoUrl = false;
    bool m_autoBackground = true;
    COLORREF m_background = 0;
};

} // namespace

std::unique_ptr<ClassProc> MakeRichEdit() { return std::make_unique<RichEdit>(); }

} // namespace pal::win
