// Vantora platform layer: declares only what Vantora uses of user32's thread timers and thread messages, and
// of its message box, which the layer hands to the host program (pal/host.h).
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define WM_NULL 0x0000
#define WM_QUIT 0x0012
#define WM_TIMER 0x0113
#define WM_USER 0x0400

typedef void(CALLBACK* TIMERPROC)(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

extern "C" {
// A timer of the calling thread's loop. With no window, nIDEvent names an existing timer to replace, or is
// ignored and a new id is returned; the procedure is called from the loop with WM_TIMER.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);
}

#define MB_OK 0x00000000
#define MB_OKCANCEL 0x00000001
#define MB_YESNO 0x00000004
#define MB_ICONERROR 0x00000010
#define MB_ICONQUESTION 0x00000020
#define MB_ICONWARNING 0x00000030
#define MB_ICONINFORMATION 0x00000040
#define MB_ICONMASK 0x000000F0
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

extern "C" {
// The window that is active on the calling thread; null when it has none (the headless desktop's case
// until a dialog is shown).
HWND GetActiveWindow();
// Answered by the host; with no host the text goes to standard error and the answer is IDOK.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
}

#pragma GCC visibility pop
