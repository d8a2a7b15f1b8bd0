// Vantora platform layer: declares only what Vantora uses of user32's drawing: the screen's device
// context, text drawing, rectangle filling and icons from resources. Timers are in pal/user32.h.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"
#include "pal/sysmetrics.h"
#include "pal/user32.h"
#include "wingdi.h"

// DrawTextW formats.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

// LoadImageW.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x00000000
#define LR_DEFAULTSIZE 0x00000040

typedef struct _ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
} ICONINFO, *PICONINFO;

extern "C" {
// The screen's device context (hWnd null): 96 dots per inch, no visible surface to draw on.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
// Text laid out with real shaping and font fallback; the formats above, as documented for Windows.
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
// IMAGE_ICON only: the group's image closest to cx by cy (bit depth next), scaled to that size.
HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad);
// The bitmaps are new copies the caller deletes: a 32-bit colour bitmap and a monochrome mask.
BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo);
BOOL DestroyIcon(HICON hIcon);
}

#pragma GCC visibility pop
