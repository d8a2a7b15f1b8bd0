// Vantora platform layer: declares only what Vantora uses of the process status API (module enumeration).
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define LIST_MODULES_DEFAULT 0x0
#define LIST_MODULES_32BIT 0x01
#define LIST_MODULES_64BIT 0x02
#define LIST_MODULES_ALL 0x03

extern "C" {
BOOL EnumProcessModules(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded);
BOOL EnumProcessModulesEx(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded, DWORD dwFilterFlag);
}

#pragma GCC visibility pop
