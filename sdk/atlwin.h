// ATL's window classes as the add-in's dialogs use them: CWindow, a thin wrapper of a window handle,
// and CDialogImpl, a dialog from a template of the module's resources whose messages go through the
// class's message map. Both builds share this header (the Windows SDK ships no ATL).
#pragma once

#include <map>

#include "atlbase.h"
#include <commctrl.h>

namespace ATL {

class CWindow {
public:
    HWND m_hWnd;

    CWindow(HWND hWnd = nullptr) noexcept : m_hWnd(hWnd) {}
    CWindow& operator=(HWND hWnd) noexcept
    {
        m_hWnd = hWnd;
        return *this;
    }
    operator HWND() const noexcept { return m_hWnd; }

    void Attach(HWND hWndNew) noexcept { m_hWnd = hWndNew; }
    HWND Detach() noexcept
    {
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        return h;
    }

    BOOL IsWindow() const noexcept { return ::IsWindow(m_hWnd); }
    BOOL DestroyWindow() noexcept
    {
        if (!::DestroyWindow(m_hWnd))
            return FALSE;
        m_hWnd = nullptr;
        return TRUE;
    }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) noexcept
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) noexcept
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    BOOL SetWindowText(LPCWSTR lpszString) noexcept { return ::SetWindowTextW(m_hWnd, lpszString); }
    int GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const noexcept
    {
        return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount);
    }
    int GetWindowTextLength() const noexcept { return ::GetWindowTextLengthW(m_hWnd); }

    HWND GetDlgItem(int nID) const noexcept { return ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const noexcept { return ::GetDlgCtrlID(m_hWnd); }
    BOOL SetDlgItemText(int nID, LPCWSTR lpszString) noexcept { return ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
    UINT GetDlgItemText(int nID, LPWSTR lpStr, int nMaxCount) const noexcept
    {
        return ::GetDlgItemTextW(m_hWnd, nID, lpStr, nMaxCount);
    }
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) noexcept
    {
        return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
    }
    BOOL CheckDlgButton(int nIDButton, UINT nCheck) noexcept { return ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
    UINT IsDlgButtonChecked(int nIDButton) const noexcept { return ::IsDlgButtonChecked(m_hWnd, nIDButton); }

    BOOL ShowWindow(int nCmdShow) noexcept { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) noexcept { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowVisible() const noexcept { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const noexcept { return ::IsWindowEnabled(m_hWnd); }
    HWND SetFocus() noexcept { return ::SetFocus(m_hWnd); }
    static HWND GetFocus() noexcept { return ::GetFocus(); }

    HWND GetParent() const noexcept { return ::GetParent(m_hWnd); }
    HWND SetParent(HWND hWndNewParent) noexcept { return ::SetParent(m_hWnd, hWndNewParent); }

    BOOL GetWindowRect(LPRECT lpRect) const noexcept { return ::GetWindowRect(m_hWnd, lpRect); }
    BOOL GetClientRect(LPRECT lpRect) const noexcept { return ::GetClientRect(m_hWnd, lpRect); }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) noexcept
    {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
    }
    BOOL SetWindowPos(HWND hWndInsertAfter, LPCRECT lpRect, UINT nFlags) noexcept
    {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                              lpRect->bottom - lpRect->top, nFlags);
    }
    BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) noexcept
    {
        return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    BOOL MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) noexcept
    {
        return ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                            lpRect->bottom - lpRect->top, bRepaint);
    }
    BOOL ScreenToClient(LPPOINT lpPoint) const noexcept { return ::ScreenToClient(m_hWnd, lpPoint); }
    BOOL ScreenToClient(LPRECT lpRect) const noexcept
    {
        ::SetLastError(0); // a zero offset returns 0 too
        return ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2) != 0 || ::GetLastError() == 0;
    }
    BOOL ClientToScreen(LPPOINT lpPoint) const noexcept { return ::ClientToScreen(m_hWnd, lpPoint); }
    BOOL ClientToScreen(LPRECT lpRect) const noexcept
    {
        ::SetLastError(0);
        return ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2) != 0 || ::GetLastError() == 0;
    }
    BOOL MapDialogRect(LPRECT lpRect) const noexcept { return ::MapDialogRect(m_hWnd, lpRect); }

    LONG_PTR GetWindowLongPtr(int nIndex) const noexcept { return ::GetWindowLongPtrW(m_hWnd, nIndex); }
    LONG_PTR SetWindowLongPtr(int nIndex, LONG_PTR dwNewLong) noexcept
    {
        return ::SetWindowLongPtrW(m_hWnd, nIndex, dwNewLong);
    }
    DWORD GetStyle() const noexcept { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const noexcept { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }

    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) noexcept
    {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) noexcept { return ::KillTimer(m_hWnd, nIDEvent); }
    BOOL Invalidate(BOOL bErase = TRUE) noexcept { return ::InvalidateRect(m_hWnd, nullptr, bErase); }

    // Centres the window on its owner, or on the work area of its monitor without one.
    BOOL CenterWindow(HWND hWndCenter = nullptr) noexcept
    {
        RECT rcDlg;
        if (!::GetWindowRect(m_hWnd, &rcDlg))
            return FALSE;
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        if (!::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi))
            return FALSE;
        RECT rcCenter = mi.rcWork;
        if (hWndCenter && ::IsWindowVisible(hWndCenter))
            ::GetWindowRect(hWndCenter, &rcCenter);
        int width = rcDlg.right - rcDlg.left, height = rcDlg.bottom - rcDlg.top;
        int left = (rcCenter.left + rcCenter.right) / 2 - width / 2;
        int top = (rcCenter.top + rcCenter.bottom) / 2 - height / 2;
        // Kept inside the work area.
        if (left + width > mi.rcWork.right)
            left = mi.rcWork.right - width;
        if (left < mi.rcWork.left)
            left = mi.rcWork.left;
        if (top + height > mi.rcWork.bottom)
            top = mi.rcWork.bottom - height;
        if (top < mi.rcWork.top)
            top = mi.rcWork.top;
        return ::SetWindowPos(m_hWnd, nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

// The message map: ProcessWindowMessage answers whether the class handled the message, and its result.
#define BEGIN_MSG_MAP(theClass)                                                                               \
public:                                                                                                       \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,          \
                              DWORD dwMsgMapID = 0)                                                           \
    {                                                                                                         \
        BOOL bHandled = TRUE;                                                                                 \
        (void)hWnd;                                                                                           \
        (void)uMsg;                                                                                           \
        (void)wParam;                                                                                         \
        (void)lParam;                                                                                         \
        (void)lResult;                                                                                        \
        (void)bHandled;                                                                                       \
        switch (dwMsgMapID) {                                                                                 \
        case 0:

#define MESSAGE_HANDLER(msg, func)                                                                            \
    if (uMsg == (msg)) {                                                                                      \
        bHandled = TRUE;                                                                                      \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                       \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)                                                        \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {                                                            \
        bHandled = TRUE;                                                                                      \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                       \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define COMMAND_HANDLER(id, code, func)                                                                       \
    if (uMsg == WM_COMMAND && (id) == LOWORD(wParam) && (code) == HIWORD(wParam)) {                           \
        bHandled = TRUE;                                                                                      \
        lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);                               \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define COMMAND_ID_HANDLER(id, func)                                                                          \
    if (uMsg == WM_COMMAND && (id) == LOWORD(wParam)) {                                                       \
        bHandled = TRUE;                                                                                      \
        lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);                               \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define COMMAND_CODE_HANDLER(code, func)                                                                      \
    if (uMsg == WM_COMMAND && (code) == HIWORD(wParam)) {                                                     \
        bHandled = TRUE;                                                                                      \
        lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);                               \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define NOTIFY_HANDLER(id, cd, func)                                                                          \
    if (uMsg == WM_NOTIFY && (UINT_PTR)(id) == ((LPNMHDR)lParam)->idFrom && (cd) == ((LPNMHDR)lParam)->code) { \
        bHandled = TRUE;                                                                                      \
        lResult = func((int)wParam, (LPNMHDR)lParam, bHandled);                                               \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define NOTIFY_ID_HANDLER(id, func)                                                                           \
    if (uMsg == WM_NOTIFY && (UINT_PTR)(id) == ((LPNMHDR)lParam)->idFrom) {                                   \
        bHandled = TRUE;                                                                                      \
        lResult = func((int)wParam, (LPNMHDR)lParam, bHandled);                                               \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define NOTIFY_CODE_HANDLER(cd, func)                                                                         \
    if (uMsg == WM_NOTIFY && (cd) == ((LPNMHDR)lParam)->code) {                                               \
        bHandled = TRUE;                                                                                      \
        lResult = func((int)wParam, (LPNMHDR)lParam, bHandled);                                               \
        if (bHandled)                                                                                         \
            return TRUE;                                                                                      \
    }

#define CHAIN_MSG_MAP(theChainClass)                                                                          \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                             \
        return TRUE;

#define END_MSG_MAP()                                                                                         \
    break;                                                                                                    \
    default:                                                                                                  \
        break;                                                                                                \
        }                                                                                                     \
        return FALSE;                                                                                         \
    }

// The dialog behind a handle, for the dialog procedure; set when the dialog's first message arrives.
class CDialogImplBase : public CWindow {
public:
    virtual ~CDialogImplBase() = default;
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                      DWORD dwMsgMapID = 0) = 0;
    virtual void OnFinalMessage(HWND) {}

    static INT_PTR CALLBACK StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        CDialogImplBase* pThis = Creating();
        Creating() = nullptr;
        if (!pThis)
            return FALSE;
        pThis->m_hWnd = hWnd;
        Dialogs()[hWnd] = pThis;
        ::SetWindowLongPtrW(hWnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DialogProc));
        return DialogProc(hWnd, uMsg, wParam, lParam);
    }

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        auto it = Dialogs().find(hWnd);
        if (it == Dialogs().end())
            return FALSE;
        CDialogImplBase* pThis = it->second;
        LRESULT lRes = 0;
        BOOL handled = pThis->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lRes, 0);
        if (uMsg == WM_NCDESTROY) {
            Dialogs().erase(hWnd);
            pThis->m_hWnd = nullptr;
            pThis->OnFinalMessage(hWnd);
            return FALSE;
        }
        if (!handled)
            return FALSE;
        // These messages return their result directly; the others through DWLP_MSGRESULT.
        switch (uMsg) {
        case WM_INITDIALOG:
        case WM_CTLCOLORSTATIC:
            return INT_PTR(lRes);
        default:
            ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lRes);
            return TRUE;
        }
    }

protected:
    // The one thread creates one dialog at a time: the dialog being created takes its first message.
    static CDialogImplBase*& Creating()
    {
        static CDialogImplBase* creating = nullptr;
        return creating;
    }
    static std::map<HWND, CDialogImplBase*>& Dialogs()
    {
        static std::map<HWND, CDialogImplBase*> dialogs;
        return dialogs;
    }
};

template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplBase {
public:
    INT_PTR DoModal(HWND hWndParent = ::GetActiveWindow(), LPARAM dwInitParam = 0)
    {
        Creating() = this;
        INT_PTR result = ::DialogBoxParamW(_AtlBaseModule.GetResourceInstance(),
                                           MAKEINTRESOURCEW(static_cast<T*>(this)->IDD), hWndParent,
                                           &CDialogImplBase::StartDialogProc, dwInitParam);
        Creating() = nullptr;
        return result;
    }

    HWND Create(HWND hWndParent, LPARAM dwInitParam = 0)
    {
        Creating() = this;
        HWND hWnd = ::CreateDialogParamW(_AtlBaseModule.GetResourceInstance(),
                                         MAKEINTRESOURCEW(static_cast<T*>(this)->IDD), hWndParent,
                                         &CDialogImplBase::StartDialogProc, dwInitParam);
        Creating() = nullptr;
        return hWnd;
    }

    BOOL EndDialog(int nRetCode) { return ::EndDialog(m_hWnd, nRetCode); }
};

} // namespace ATL
