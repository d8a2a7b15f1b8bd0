// Dialogs from DLGTEMPLATEEX resources: the dialog window with its font and dialog base units, its
// controls, WM_INITDIALOG, and the modal run, which pumps a nested round of the layer's loop (timers and
// transfers go on) until EndDialog. The host is told once a modal dialog is initialised.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

#include "pal/dialogs.h"
#include "pal/host.h"
#include "pal/loop.h"
#include "user32/uihost.h"
#include "user32/window.h"

namespace pal::win {

namespace {

// MulDiv's rounding: half away from zero.
LONG Scale(LONG v, int base, int units)
{
    long long n = (long long)v * base;
    return LONG(n >= 0 ? (n + units / 2) / units : -((-n + units / 2) / units));
}

void ToPixels(RECT& r, int baseX, int baseY)
{
    r.left = Scale(r.left, baseX, 4);
    r.right = Scale(r.right, baseX, 4);
    r.top = Scale(r.top, baseY, 8);
    r.bottom = Scale(r.bottom, baseY, 8);
}

struct Reader {
    const BYTE* p;
    const BYTE* end;
    bool ok = true;

    WORD Word()
    {
        if (end - p < 2) {
            ok = false;
            return 0;
        }
        WORD v = WORD(p[0] | (p[1] << 8));
        p += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD lo = Word();
        return lo | (DWORD(Word()) << 16);
    }
    BYTE Byte()
    {
        if (p >= end) {
            ok = false;
            return 0;
        }
        return *p++;
    }
    std::u16string Text()
    {
        std::u16string s;
        for (WORD c; ok && (c = Word()) != 0;)
            s += char16_t(c);
        return s;
    }
    // A name or an ordinal (0xFFFF then the number).
    std::u16string NameOrOrdinal(WORD& ordinal)
    {
        ordinal = 0;
        if (end - p >= 2 && p[0] == 0xFF && p[1] == 0xFF) {
            Word();
            ordinal = Word();
            return {};
        }
        return Text();
    }
    void Align(const BYTE* base)
    {
        while ((p - base) % 4 && p < end)
            ++p;
    }
};

struct FontKey {
    std::u16string face;
    int points, weight, italic;
    bool operator<(const FontKey& o) const
    {
        return std::tie(face, points, weight, italic) < std::tie(o.face, o.points, o.weight, o.italic);
    }
};

struct DialogFont {
    HFONT font = nullptr;
    int baseX = 0, baseY = 0;
};

// The shell's dialog faces are drawn with the face the layer uses for the interface font.
std::u16string SystemFace(const std::u16string& face)
{
    std::u16string lower = Lower(face);
    if (lower == u"ms shell dlg" || lower == u"ms shell dlg 2" || lower == u"ms sans serif")
        return u"Segoe UI";
    return face;
}

HDC MeasuringDC()
{
    static HDC dc = CreateCompatibleDC(nullptr);
    return dc;
}

SIZE Measure(HFONT font, const std::u16string& text)
{
    HDC dc = MeasuringDC();
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    std::u16string t = text.empty() ? u" " : text;
    DrawTextW(dc, t.c_str(), int(t.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    return SIZE{text.empty() ? 0 : r.right - r.left, r.bottom - r.top};
}

// Fonts live as long as the process, like the dialog manager's cached dialog fonts.
const DialogFont& FontFor(const FontKey& key)
{
    static std::map<FontKey, DialogFont> fonts;
    auto it = fonts.find(key);
    if (it != fonts.end())
        return it->second;
    LOGFONTW lf{};
    lf.lfHeight = -((key.points * 96 + 36) / 72);
    lf.lfWeight = key.weight;
    lf.lfItalic = BYTE(key.italic);
    lf.lfCharSet = DEFAULT_CHARSET;
    std::u16string face = SystemFace(key.face).substr(0, LF_FACESIZE - 1);
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    DialogFont f;
    f.font = CreateFontIndirectW(&lf);
    // The average width of the Latin letters and the cell height, as the dialog manager takes them.
    SIZE s = Measure(f.font, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    f.baseX = std::max<int>(1, (s.cx / 26 + 1) / 2);
    f.baseY = std::max<int>(1, s.cy);
    return fonts.emplace(key, f).first->second;
}

const DialogFont& DefaultFont() { return FontFor(FontKey{u"MS Shell Dlg", 8, 400, 0}); }

std::u16string OrdinalClass(WORD ordinal)
{
    switch (ordinal) {
    case 0x80: return u"Button";
    case 0x81: return u"Edit";
    case 0x82: return u"Static";
    case 0x83: return u"ListBox";
    case 0x84: return u"ScrollBar";
    case 0x85: return u"ComboBox";
    default: return u"Static";
    }
}

RECT Units(int x, int y, int cx, int cy, int baseX, int baseY)
{
    RECT r{x, y, x + cx, y + cy};
    ToPixels(r, baseX, baseY);
    return r;
}

std::vector<HWND> g_modal; // innermost last

HWND FirstTabStop(HWND dialog)
{
    Window* d = Find(dialog);
    if (!d)
        return nullptr;
    for (HWND c : d->children)
        if (Window* w = Find(c); w && (w->style & WS_TABSTOP) && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED))
            return c;
    return nullptr;
}

HWND CreateFromTemplate(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param, bool modal)
{
    HRSRC found = FindResourceW(instance, name, RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    Reader r{data, data + SizeofResource(instance, found)};
    if (r.Word() != 1 || r.Word() != 0xFFFF) { // the module's script has extended templates (DIALOGEX) only
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    r.Dword(); // help id
    DWORD exStyle = r.Dword(), style = r.Dword();
    WORD count = r.Word();
    int16_t x = int16_t(r.Word()), y = int16_t(r.Word()), cx = int16_t(r.Word()), cy = int16_t(r.Word());
    WORD ordinal;
    r.NameOrOrdinal(ordinal); // menu
    r.NameOrOrdinal(ordinal); // class
    std::u16string caption = r.Text();
    FontKey key{u"MS Shell Dlg", 8, 400, 0};
    if (style & DS_SETFONT) {
        key.points = r.Word();
        key.weight = r.Word();
        key.italic = r.Byte();
        r.Byte(); // character set
        key.face = r.Text();
        if (key.weight == 0)
            key.weight = FW_NORMAL;
    }
    if (!r.ok) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const DialogFont& font = FontFor(key);

    // The template gives the client area; the window adds its frame.
    RECT client = Units(x, y, cx, cy, font.baseX, font.baseY);
    Window probe;
    probe.style = style & ~DWORD(WS_CHILD);
    probe.rect = RECT{0, 0, 1000, 1000};
    RECT inset = ClientInWindow(probe);
    LONG width = (client.right - client.left) + inset.left + (1000 - inset.right);
    LONG height = (client.bottom - client.top) + inset.top + (1000 - inset.bottom);
    POINT at{client.left, client.top};
    if (style & DS_CENTER) {
        at = POINT{(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - 40 - height) / 2};
    } else if (parent && Find(parent)) {
        POINT o = ClientOrigin(parent);
        at.x += o.x;
        at.y += o.y;
    }
    DWORD visible = style & WS_VISIBLE;
    HWND h = Create(u"#32770", caption, style & ~DWORD(WS_VISIBLE | WS_CHILD), exStyle,
                    RECT{at.x, at.y, at.x + width, at.y + height}, parent, 0);
    Window* d = Find(h);
    d->isDialog = true;
    d->baseX = font.baseX;
    d->baseY = font.baseY;
    d->templateId = IS_INTRESOURCE(name) ? int(reinterpret_cast<ULONG_PTR>(name)) : 0;
    d->dlgProc = proc;
    if (style & DS_SETFONT) {
        d->font = font.font;
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), 0);
    }

    for (WORD i = 0; i < count && Find(h); ++i) {
        r.Align(data);
        r.Dword(); // help id
        DWORD cExStyle = r.Dword(), cStyle = r.Dword();
        int16_t ix = int16_t(r.Word()), iy = int16_t(r.Word()), icx = int16_t(r.Word()), icy = int16_t(r.Word());
        DWORD id = r.Dword();
        WORD classOrdinal, textOrdinal;
        std::u16string cls = r.NameOrOrdinal(classOrdinal);
        if (classOrdinal)
            cls = OrdinalClass(classOrdinal);
        std::u16string text = r.NameOrOrdinal(textOrdinal);
        WORD extra = r.Word();
        r.p += std::min<ptrdiff_t>(extra, r.end - r.p);
        if (!r.ok)
            break;
        HWND c = Create(cls, text, cStyle | WS_CHILD, cExStyle, Units(ix, iy, icx, icy, font.baseX, font.baseY),
                        h, int(int16_t(WORD(id))) == -1 ? -1 : int(id));
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), 0);
        if (textOrdinal) {
            Window* control = Find(c);
            DWORD type = control->style & SS_TYPEMASK;
            if (ClassIs(*control, u"Static") && type == SS_ICON) {
                HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(textOrdinal), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
                SendMessageW(c, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
                if (icon && !(control->style & SS_REALSIZECONTROL)) { // the control takes the icon's size
                    control->rect.right = control->rect.left + GetSystemMetrics(SM_CXICON);
                    control->rect.bottom = control->rect.top + GetSystemMetrics(SM_CYICON);
                }
            }
            control->imageId = textOrdinal;
        }
    }
    if (!Find(h))
        return nullptr;
    if (!r.ok) {
        DestroyWindow(h);
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HWND first = FirstTabStop(h);
    if (modal)
        g_modal.push_back(h);
    if (SendMessageW(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && Find(h) && first && Find(first))
        SetFocus(first);
    if (Window* w = Find(h); w && !w->ended && (visible || modal))
        w->style |= WS_VISIBLE;
    return h;
}

} // namespace

HWND ActiveDialog() { return g_modal.empty() ? nullptr : g_modal.back(); }

int TextWidth(const std::u16string& text) { return Measure(DefaultFont().font, text).cx; }

int LineHeight() { return DefaultFont().baseY; }

} // namespace pal::win

using namespace pal::win;

extern "C" {

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    return CreateFromTemplate(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam, false);
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    HWND h = CreateFromTemplate(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam, true);
    if (!h)
        return -1;
    bool ownerWasEnabled = hWndParent && IsWindow(hWndParent) && IsWindowEnabled(hWndParent);
    if (ownerWasEnabled)
        EnableWindow(hWndParent, FALSE);
    auto running = [h] {
        Window* w = Find(h);
        return w && !w->ended;
    };
    if (running()) {
        if (pal::UserInterfaceHost* host = pal::detail::CurrentUserInterfaceHost()) {
            host->ModalDialogShown(h);
        } else {
            pal::PressButton(h, IDCANCEL);
            // Nobody is there to close it otherwise: a dialog that ignores Cancel still ends.
            if (running()) {
                std::fprintf(stderr, "dialog %d: Cancel did not close it; ended without a host\n",
                             Find(h)->templateId);
                EndDialog(h, IDCANCEL);
            }
        }
    }
    while (running())
        pal::PumpUntil([&] { return !running(); }, 60000);
    INT_PTR result = -1;
    if (Window* w = Find(h)) {
        result = w->endResult;
        DestroyWindow(h);
    }
    g_modal.erase(std::remove(g_modal.begin(), g_modal.end(), h), g_modal.end());
    if (ownerWasEnabled && IsWindow(hWndParent))
        EnableWindow(hWndParent, TRUE);
    return result;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    Window* w = Find(hDlg);
    if (!w || !w->isDialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->ended = true;
    w->endResult = nResult;
    w->style &= ~DWORD(WS_VISIBLE);
    return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    Window* w = Find(hDlg);
    if (!w || !w->isDialog || !lpRect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    ToPixels(*lpRect, w->baseX, w->baseY);
    return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) { return picce ? TRUE : FALSE; }

} // extern "C"
