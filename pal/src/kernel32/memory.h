// Allocators the layer's own objects use: the local heap, which buffers the system allocates for its
// callers come from (freed with LocalFree), and growing global blocks (memory streams).
#pragma once

#include "windows.h"

extern "C" HGLOBAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
extern "C" HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
extern "C" LPVOID CoTaskMemAlloc(SIZE_T cb);
