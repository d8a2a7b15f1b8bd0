// Vantora platform layer: declares only what Vantora uses of the shell's execute API.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define SW_HIDE 0
#define SW_SHOWNORMAL 1

// Results of 32 or less are errors.
#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

// "open" (or no verb) hands a file or an address to the desktop's default application; the host may
// take the request instead (pal::UserInterfaceHost::OpenDocument). The result is above 32 on success.
extern "C" HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                                   LPCWSTR lpDirectory, INT nShowCmd);

#pragma GCC visibility pop
