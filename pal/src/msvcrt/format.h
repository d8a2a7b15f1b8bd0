// The formatting core behind the layer's printf-style functions.
#pragma once

#include <cstdarg>

#include "windows.h"

// Number of units the formatted text takes, without the terminator; -1 for a bad format.
int _vscwprintf(const WCHAR* format, va_list args);

// The CRT's digit test, shared with the number readers.
int iswdigit(WCHAR c);
