// Vantora platform layer: the wide C string functions Vantora uses, as overloads for UTF-16 WCHAR text.
#pragma once

#include <cstdarg>
#include <cstddef>
// The C++ library takes its wide functions into std:: before these overloads exist, so they stay apart.
#include <cwchar>
#include <cwctype>
#include <string>

#include "pal/types.h"

size_t wcslen(const WCHAR* s);
size_t wcsnlen(const WCHAR* s, size_t max);
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
size_t wcsspn(const WCHAR* s, const WCHAR* accept);
size_t wcscspn(const WCHAR* s, const WCHAR* reject);
long wcstol(const WCHAR* s, WCHAR** end, int base);
unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base);
int _wtoi(const WCHAR* s);
int iswspace(WCHAR c);
int iswdigit(WCHAR c);
int iswxdigit(WCHAR c);
int iswalpha(WCHAR c);
int iswalnum(WCHAR c);
int iswcntrl(WCHAR c);
WCHAR towlower(WCHAR c);
WCHAR towupper(WCHAR c);
// Secure-CRT copies: always terminate, and fail (returning an errno value, emptying dest) when the text does not fit.
int wcscpy_s(WCHAR* dest, size_t destSize, const WCHAR* src);
int wcsncpy_s(WCHAR* dest, size_t destSize, const WCHAR* src, size_t count);
int wcscat_s(WCHAR* dest, size_t destSize, const WCHAR* src);
template <size_t N> int wcscpy_s(WCHAR (&dest)[N], const WCHAR* src) { return wcscpy_s(dest, N, src); }
template <size_t N> int wcscat_s(WCHAR (&dest)[N], const WCHAR* src) { return wcscat_s(dest, N, src); }

// printf-style formatting into UTF-16, with the Windows meaning of the conversions:
// %s is wide text, %S narrow (UTF-8) text, %c a WCHAR, %hs/%ls force narrow/wide; l, ll, h, I64, z sizes.
int _vsnwprintf_s(WCHAR* buffer, size_t sizeOfBuffer, size_t count, const WCHAR* format, va_list args);
int _snwprintf_s(WCHAR* buffer, size_t sizeOfBuffer, size_t count, const WCHAR* format, ...);
int swprintf_s(WCHAR* buffer, size_t sizeOfBuffer, const WCHAR* format, ...);
int vswprintf_s(WCHAR* buffer, size_t sizeOfBuffer, const WCHAR* format, va_list args);
int _vscwprintf(const WCHAR* format, va_list args);
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
