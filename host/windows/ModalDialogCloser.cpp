#include "host/windows/ModalDialogCloser.h"

#include <vector>

namespace {

ModalDialogCloser* g_closer = nullptr;

BOOL CALLBACK CollectDialog(HWND window, LPARAM list)
{
    WCHAR name[16] = {};
    // "#32770" is the class of every dialog box and message box.
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && lstrcmpW(name, L"#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

ModalDialogCloser::ModalDialogCloser(unsigned afterMs) : m_afterMs(afterMs)
{
    g_closer = this;
    m_timer = SetTimer(nullptr, 0, 100, &ModalDialogCloser::Tick);
}

ModalDialogCloser::~ModalDialogCloser()
{
    if (m_timer)
        KillTimer(nullptr, m_timer);
    g_closer = nullptr;
}

void CALLBACK ModalDialogCloser::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_closer)
        g_closer->Look();
}

void ModalDialogCloser::Look()
{
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    ULONGLONG now = GetTickCount64();
    std::map<HWND, ULONGLONG> seen;
    for (HWND dialog : dialogs) {
        auto it = m_seen.find(dialog);
        ULONGLONG since = it == m_seen.end() ? now : it->second;
        seen[dialog] = since;
        // A dialog under a nested one is disabled until that one closes.
        if (now - since >= m_afterMs && IsWindowEnabled(dialog))
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    m_seen.swap(seen);
}
