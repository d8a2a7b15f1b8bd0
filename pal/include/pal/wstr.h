// Vantora platform layer: the wide C string functions Vantora uses, as overloads for UTF-16 WCHAR text.
#pragma once

#pragma GCC visibility push(default)

#include <cstdarg>
#include <cstddef>
// The C++ library takes its wide functions into std:: before these overloads exist, so they stay apart.
#include <cwchar>
#include <cwctype>
#include <string>

#include "pal/types.h"

size_t wcslen(const WCHAR* s);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub);
WCHAR* wcsstr(WCHAR* s, const WCHAR* sub);
int iswspace(WCHAR c);
int iswxdigit(WCHAR c);
int iswcntrl(WCHAR c);
WCHAR towlower(WCHAR c);
WCHAR towupper(WCHAR c);
int wcscat_s(WCHAR* dest, size_t destSize, const WCHAR* src);
template <size_t N> int wcscat_s(WCHAR (&dest)[N], const WCHAR* src) { return wcscat_s(dest, N, src); }

int swprintf_s(WCHAR* buffer, size_t sizeOfBuffer, const WCHAR* format, ...);
int vswprintf_s(WCHAR* buffer, size_t sizeOfBuffer, const WCHAR* format, va_list args);
template <size_t N> int swprintf_s(WCHAR (&buffer)[N], const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    int r = vswprintf_s(buffer, N, format, args);
    va_end(args);
    return r;
}

// Splits a path into drive, folder, name and extension (with its dot); a null part with size 0 is not wanted.
// Answers 0, EINVAL for bad arguments, or ERANGE when a part does not fit (every wanted part is then empty).
int _wsplitpath_s(const WCHAR* path, WCHAR* drive, size_t driveNumberOfElements, WCHAR* dir,
                  size_t dirNumberOfElements, WCHAR* fname, size_t nameNumberOfElements, WCHAR* ext,
                  size_t extNumberOfElements);

#define _TRUNCATE ((size_t)-1)
#define STRUNCATE 80

#pragma GCC visibility pop
