// Windows of the headless desktop: the handle table and the calls every window answers (text, position,
// visibility, enabled state, focus, window longs, parents). Handles of destroyed windows are never reused,
// so a late message to one fails with ERROR_INVALID_WINDOW_HANDLE instead of reaching a stranger.
#include "user32/window.h"

#include <algorithm>
#include <cstring>

#include "pal/loop.h"

namespace pal::win {

namespace {

struct Desktop {
    std::map<HWND, std::unique_ptr<Window>> windows;
    uintptr_t next = 0x10010;
    HWND focus = nullptr;
};

Desktop& TheDesktop()
{
    static Desktop* d = new Desktop; // windows destroyed during process exit still look themselves up
    return *d;
}

Window* Checked(HWND h)
{
    Window* w = Find(h);
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

bool IsTopLevel(const Window& w) { return !(w.style & WS_CHILD) || !w.parent; }

void SendSize(Window& w)
{
    RECT client;
    ::GetClientRect(w.handle, &client);
    SendMessageW(w.handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

} // namespace

Window* Find(HWND h)
{
    auto& windows = TheDesktop().windows;
    auto it = windows.find(h);
    return it == windows.end() ? nullptr : it->second.get();
}

bool ClassIs(const Window& w, const char16_t* name) { return Lower(w.className) == Lower(name); }

std::u16string Lower(std::u16string s)
{
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return s;
}

HWND Create(const std::u16string& className, const std::u16string& text, DWORD style, DWORD exStyle,
            const RECT& rect, HWND parent, int id)
{
    Desktop& d = TheDesktop();
    auto w = std::make_unique<Window>();
    w->handle = reinterpret_cast<HWND>(d.next);
    d.next += 4;
    w->className = RegisteredClassName(className);
    w->text = text;
    w->style = style;
    w->exStyle = exStyle;
    w->rect = rect;
    w->id = id;
    if (style & WS_CHILD)
        w->parent = parent;
    else
        w->owner = parent;
    w->proc = MakeClassProc(className);
    HWND h = w->handle;
    d.windows[h] = std::move(w);
    if (Window* p = Find(parent); p && (style & WS_CHILD))
        p->children.push_back(h);
    Window& created = *Find(h);
    if (created.proc) {
        LRESULT ignored;
        created.proc->Handle(created, WM_CREATE, 0, 0, ignored);
    }
    return h;
}

RECT ClientInWindow(const Window& w)
{
    int border = 0, caption = 0;
    if (IsTopLevel(w)) {
        border = (w.style & WS_THICKFRAME) ? 8 : (w.style & (WS_DLGFRAME | WS_BORDER)) ? 3 : 0;
        caption = (w.style & WS_CAPTION) == WS_CAPTION ? 23 : 0;
    } else if (w.exStyle & WS_EX_CLIENTEDGE) {
        border = 2;
    } else if (w.style & WS_BORDER) {
        border = 1;
    }
    LONG width = w.rect.right - w.rect.left, height = w.rect.bottom - w.rect.top;
    RECT r{border, border + caption, std::max<LONG>(border, width - border),
           std::max<LONG>(border + caption, height - border)};
    return r;
}

POINT ClientOrigin(HWND h)
{
    POINT p{0, 0};
    for (Window* w = Find(h); w; w = Find(w->parent)) {
        RECT client = ClientInWindow(*w);
        p.x += w->rect.left + client.left;
        p.y += w->rect.top + client.top;
        if (IsTopLevel(*w))
            break;
    }
    return p;
}

LRESULT NotifyParent(Window& w, NMHDR& header)
{
    header.hwndFrom = w.handle;
    header.idFrom = UINT_PTR(w.id);
    return SendMessageW(w.parent, WM_NOTIFY, WPARAM(w.id), reinterpret_cast<LPARAM>(&header));
}

void CommandToParent(Window& w, WORD code)
{
    SendMessageW(w.parent, WM_COMMAND, MAKEWPARAM(w.id, code), reinterpret_cast<LPARAM>(w.handle));
}

int CopyOut(const std::u16string& text, LPWSTR buffer, int max)
{
    if (!buffer || max <= 0)
        return 0;
    size_t n = std::min(text.size(), size_t(max - 1));
    std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
    buffer[n] = 0;
    return int(n);
}

} // namespace pal::win

using namespace pal::win;

extern "C" {

BOOL IsWindow(HWND hWnd) { return Find(hWnd) != nullptr; }

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Checked(hWnd);
    if (!w)
        return 0;
    HWND h = w->handle;
    if (w->isDialog && w->dlgProc) {
        w->msgResult = 0;
        INT_PTR handled = w->dlgProc(h, Msg, wParam, lParam);
        w = Find(h);
        if (!w)
            return 0;
        if (handled)
            return Msg == WM_INITDIALOG ? handled : w->msgResult;
    }
    LRESULT result = 0;
    if (w->proc && w->proc->Handle(*w, Msg, wParam, lParam, result))
        return result;
    switch (Msg) {
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
        return TRUE;
    case WM_GETTEXT:
        return CopyOut(w->text, reinterpret_cast<LPWSTR>(lParam), int(wParam));
    case WM_GETTEXTLENGTH:
        return LRESULT(w->text.size());
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w->font);
    case WM_CONTEXTMENU: // a child that does not take it passes it up, as DefWindowProc does
        if ((w->style & WS_CHILD) && w->parent)
            return SendMessageW(w->parent, Msg, wParam, lParam);
        return 0;
    case WM_CLOSE:
        if (w->isDialog) // as the dialog manager does: Close is Cancel
            SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(h, IDCANCEL)));
        else
            DestroyWindow(h);
        return 0;
    default:
        return 0;
    }
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd && !Checked(hWnd))
        return FALSE;
    pal::PostToLoop([=] {
        if (Find(hWnd))
            SendMessageW(hWnd, Msg, wParam, lParam);
    });
    return TRUE;
}

BOOL DestroyWindow(HWND hWnd)
{
    Window* w = Checked(hWnd);
    if (!w)
        return FALSE;
    Desktop& d = TheDesktop();
    SendMessageW(hWnd, WM_DESTROY, 0, 0);
    // Owned top-level windows go first, then the children, deepest last.
    std::vector<HWND> owned;
    for (auto& [h, other] : d.windows)
        if (other->owner == hWnd)
            owned.push_back(h);
    for (HWND h : owned)
        DestroyWindow(h);
    if ((w = Find(hWnd))) {
        std::vector<HWND> children = w->children;
        for (HWND c : children)
            DestroyWindow(c);
    }
    SendMessageW(hWnd, WM_NCDESTROY, 0, 0);
    if (!(w = Find(hWnd)))
        return TRUE;
    if (Window* p = Find(w->parent))
        p->children.erase(std::remove(p->children.begin(), p->children.end(), hWnd), p->children.end());
    if (d.focus == hWnd)
        d.focus = nullptr;
    pal::KillWindowTimers(hWnd);
    std::unique_ptr<Window> gone = std::move(d.windows[hWnd]);
    d.windows.erase(hWnd);
    return TRUE;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    Window* w = Checked(hDlg);
    if (!w)
        return nullptr;
    for (HWND c : w->children)
        if (Window* child = Find(c); child && child->id == nIDDlgItem)
            return c;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    Window* w = Checked(hWnd);
    return w ? w->id : 0;
}

HWND GetParent(HWND hWnd)
{
    Window* w = Checked(hWnd);
    if (!w)
        return nullptr;
    return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent)
{
    Window* w = Checked(hWndChild);
    Window* p = Find(hWndNewParent);
    if (!w || (hWndNewParent && !p))
        return nullptr;
    HWND old = w->parent;
    if (Window* oldParent = Find(old))
        oldParent->children.erase(std::remove(oldParent->children.begin(), oldParent->children.end(), hWndChild),
                                   oldParent->children.end());
    w->parent = hWndNewParent;
    if (p)
        p->children.push_back(hWndChild);
    return old;
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    if (!Checked(hWnd))
        return FALSE;
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (lpString && nMaxCount > 0)
        lpString[0] = 0;
    if (!Checked(hWnd))
        return 0;
    return int(SendMessageW(hWnd, WM_GETTEXT, WPARAM(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd)
{
    return Checked(hWnd) ? int(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0)
        lpString[0] = 0;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? UINT(GetWindowTextW(item, lpString, cchMax)) : 0;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    return item ? UINT(SendMessageW(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    Window* w = Checked(hWnd);
    if (!w)
        return FALSE;
    BOOL was = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    if (nCmdShow == SW_HIDE)
        w->style &= ~DWORD(WS_VISIBLE);
    else
        w->style |= WS_VISIBLE;
    return was;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    Window* w = Checked(hWnd);
    if (!w)
        return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
    if (bEnable)
        w->style &= ~DWORD(WS_DISABLED);
    else
        w->style |= WS_DISABLED;
    if (!bEnable && TheDesktop().focus == hWnd)
        SetFocus(nullptr);
    return wasDisabled;
}

BOOL IsWindowVisible(HWND hWnd)
{
    for (Window* w = Find(hWnd); w; w = Find(w->parent)) {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
        if (!(w->style & WS_CHILD))
            return TRUE;
    }
    return FALSE;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    Window* w = Find(hWnd);
    return w && !(w->style & WS_DISABLED);
}

HWND SetFocus(HWND hWnd)
{
    Desktop& d = TheDesktop();
    if (hWnd && !Checked(hWnd))
        return nullptr;
    HWND old = d.focus;
    if (old == hWnd)
        return old;
    d.focus = hWnd;
    if (old && Find(old))
        SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd && d.focus == hWnd && Find(hWnd))
        SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus() { return TheDesktop().focus; }

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    Window* w = Checked(hWnd);
    if (!w || !lpRect)
        return FALSE;
    POINT origin{0, 0};
    if (!IsTopLevel(*w))
        origin = ClientOrigin(w->parent);
    *lpRect = RECT{w->rect.left + origin.x, w->rect.top + origin.y, w->rect.right + origin.x,
                   w->rect.bottom + origin.y};
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    Window* w = Checked(hWnd);
    if (!w || !lpRect)
        return FALSE;
    RECT c = ClientInWindow(*w);
    *lpRect = RECT{0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags)
{
    Window* w = Checked(hWnd);
    if (!w)
        return FALSE;
    RECT r = w->rect;
    if (!(uFlags & SWP_NOMOVE)) {
        r.right += X - r.left;
        r.bottom += Y - r.top;
        r.left = X;
        r.top = Y;
    }
    bool sized = false;
    if (!(uFlags & SWP_NOSIZE)) {
        cx = std::max(cx, 0);
        cy = std::max(cy, 0);
        if (IsTopLevel(*w) && (w->style & WS_THICKFRAME)) {
            // A resizable window keeps the minimum tracking size its procedure asks for.
            MINMAXINFO info{};
            info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXSCREEN) + 16, GetSystemMetrics(SM_CYSCREEN) + 16};
            SendMessageW(hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            if (!(w = Find(hWnd)))
                return FALSE;
            cx = std::clamp<int>(cx, info.ptMinTrackSize.x, std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
            cy = std::clamp<int>(cy, info.ptMinTrackSize.y, std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
        }
        sized = cx != r.right - r.left || cy != r.bottom - r.top;
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    w->rect = r;
    if (uFlags & SWP_SHOWWINDOW)
        w->style |= WS_VISIBLE;
    if (uFlags & SWP_HIDEWINDOW)
        w->style &= ~DWORD(WS_VISIBLE);
    if (sized)
        SendSize(*w);
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL)
{
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    if (!Checked(hWnd) || !lpPoint)
        return FALSE;
    POINT o = ClientOrigin(hWnd);
    lpPoint->x -= o.x;
    lpPoint->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    if (!Checked(hWnd) || !lpPoint)
        return FALSE;
    POINT o = ClientOrigin(hWnd);
    lpPoint->x += o.x;
    lpPoint->y += o.y;
    return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    if ((hWndFrom && !Checked(hWndFrom)) || (hWndTo && !Checked(hWndTo)))
        return 0;
    POINT from = hWndFrom ? ClientOrigin(hWndFrom) : POINT{0, 0};
    POINT to = hWndTo ? ClientOrigin(hWndTo) : POINT{0, 0};
    LONG dx = from.x - to.x, dy = from.y - to.y;
    for (UINT i = 0; i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    SetLastError(0);
    WORD low = WORD(dx), high = WORD(dy);
    return MAKELONG(low, high);
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    Window* w = Checked(hWnd);
    if (!w)
        return 0;
    LONG_PTR old = 0;
    switch (nIndex) {
    case GWL_STYLE: old = LONG_PTR(w->style); w->style = DWORD(dwNewLong); break;
    case GWL_EXSTYLE: old = LONG_PTR(w->exStyle); w->exStyle = DWORD(dwNewLong); break;
    case GWLP_ID: old = w->id; w->id = int(dwNewLong); break;
    case GWLP_USERDATA: old = w->userData; w->userData = dwNewLong; break;
    default:
        if (w->isDialog && nIndex == DWLP_MSGRESULT) {
            old = w->msgResult;
            w->msgResult = dwNewLong;
        } else if (w->isDialog && nIndex == int(DWLP_USER)) {
            old = w->dlgUser;
            w->dlgUser = dwNewLong;
        } else if (w->isDialog && nIndex == int(DWLP_DLGPROC)) {
            old = reinterpret_cast<LONG_PTR>(w->dlgProc);
            w->dlgProc = reinterpret_cast<DLGPROC>(dwNewLong);
        } else {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    SetLastError(0);
    return old;
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex)
{
    Window* w = Checked(hWnd);
    if (!w)
        return 0;
    switch (nIndex) {
    case GWL_STYLE: return LONG_PTR(w->style);
    case GWL_EXSTYLE: return LONG_PTR(w->exStyle);
    case GWLP_ID: return w->id;
    case GWLP_USERDATA: return w->userData;
    default:
        if (w->isDialog && nIndex == DWLP_MSGRESULT)
            return w->msgResult;
        if (w->isDialog && nIndex == int(DWLP_USER))
            return w->dlgUser;
        if (w->isDialog && nIndex == int(DWLP_DLGPROC))
            return reinterpret_cast<LONG_PTR>(w->dlgProc);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}


BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL) { return hWnd == nullptr || Checked(hWnd) ? TRUE : FALSE; }

// One virtual screen: the primary monitor.
HMONITOR MonitorFromRect(LPCRECT lprc, DWORD dwFlags)
{
    static int primary;
    HMONITOR monitor = reinterpret_cast<HMONITOR>(&primary);
    if (!lprc)
        return dwFlags == MONITOR_DEFAULTTONULL ? nullptr : monitor;
    bool overlaps = lprc->left < GetSystemMetrics(SM_CXSCREEN) && lprc->right > 0 &&
                    lprc->top < GetSystemMetrics(SM_CYSCREEN) && lprc->bottom > 0;
    return overlaps || dwFlags != MONITOR_DEFAULTTONULL ? monitor : nullptr;
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD dwFlags)
{
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        return dwFlags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromRect(nullptr, MONITOR_DEFAULTTOPRIMARY);
    return MonitorFromRect(&r, dwFlags);
}

BOOL GetMonitorInfoW(HMONITOR hMonitor, LPMONITORINFO lpmi)
{
    if (!hMonitor || !lpmi || lpmi->cbSize < sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpmi->rcMonitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // A task bar of 40 pixels at the bottom, as on a default desktop.
    lpmi->rcWork = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 40};
    lpmi->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}

} // extern "C"
