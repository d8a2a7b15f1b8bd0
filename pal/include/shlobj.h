// Vantora platform layer: declares only what Vantora uses of the shell folder API.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_PERSONAL 0x0005
#define CSIDL_FLAG_CREATE 0x8000

// Special folders live under the prefix: CSIDL_APPDATA is <prefix>/AppData/Roaming.
extern "C" BOOL SHGetSpecialFolderPathW(HWND hwnd, LPWSTR pszPath, int csidl, BOOL fCreate);

#pragma GCC visibility pop
