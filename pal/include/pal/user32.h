// Vantora platform layer: declares only what Vantora uses of user32's thread timers and thread messages.
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

#pragma GCC visibility pop
