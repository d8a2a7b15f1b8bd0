// The CRT's wide string functions for UTF-16 text.
#include <cerrno>
#include <climits>

#include "pal/unicode.h"
#include "msvcrt/format.h"
#include "windows.h"

size_t wcslen(const WCHAR* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

static size_t wcsnlen(const WCHAR* s, size_t max)
{
    size_t n = 0;
    while (n < max && s[n])
        ++n;
    return n;
}

int wcscmp(const WCHAR* a, const WCHAR* b)
{
    while (*a && *a == *b)
        ++a, ++b;
    return int(*a) - int(*b);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i] || !a[i])
            return int(a[i]) - int(b[i]);
    }
    return 0;
}

// Case folds by the one locale-free upcase table of the layer, so that names the registry calls equal
// compare equal here too.
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n)
{
    return pal::CompareNoCase(std::u16string_view(a, wcsnlen(a, n)), std::u16string_view(b, wcsnlen(b, n)));
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) { return _wcsnicmp(a, b, SIZE_MAX); }

const WCHAR* wcschr(const WCHAR* s, WCHAR c)
{
    for (;; ++s) {
        if (*s == c)
            return s;
        if (!*s)
            return nullptr;
    }
}
WCHAR* wcschr(WCHAR* s, WCHAR c) { return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c)); }

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c)
{
    const WCHAR* last = nullptr;
    for (;; ++s) {
        if (*s == c)
            last = s;
        if (!*s)
            return last;
    }
}
WCHAR* wcsrchr(WCHAR* s, WCHAR c) { return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c)); }

const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub)
{
    if (!*sub)
        return s;
    for (; *s; ++s) {
        size_t i = 0;
        while (sub[i] && s[i] == sub[i])
            ++i;
        if (!sub[i])
            return s;
    }
    return nullptr;
}
WCHAR* wcsstr(WCHAR* s, const WCHAR* sub) { return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(s), sub)); }

int iswspace(WCHAR c) { return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x2028 || c == 0x3000; }
int iswdigit(WCHAR c) { return c >= '0' && c <= '9'; }
int iswxdigit(WCHAR c) { return iswdigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int iswcntrl(WCHAR c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }


int wcscat_s(WCHAR* dest, size_t destSize, const WCHAR* src)
{
    if (!dest || destSize == 0)
        return EINVAL;
    size_t used = wcsnlen(dest, destSize);
    if (!src || used == destSize) {
        dest[0] = 0;
        return EINVAL;
    }
    size_t n = wcslen(src);
    if (used + n >= destSize) {
        dest[0] = 0;
        return ERANGE;
    }
    for (size_t i = 0; i <= n; ++i)
        dest[used + i] = src[i];
    return 0;
}
