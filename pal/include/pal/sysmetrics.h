// Vantora platform layer: the system metrics Vantora asks for.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_SERVERR2 89

extern "C" int GetSystemMetrics(int nIndex);

#pragma GCC visibility pop
