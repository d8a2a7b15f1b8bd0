// The CRT's wide string functions for UTF-16 text.
#include <cerrno>
#include <climits>

#include "pal/unicode.h"
#include "windows.h"

size_t wcslen(const WCHAR* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

size_t wcsnlen(const WCHAR* s, size_t max)
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

size_t wcsspn(const WCHAR* s, const WCHAR* accept)
{
    size_t n = 0;
    while (s[n] && wcschr(accept, s[n]))
        ++n;
    return n;
}

size_t wcscspn(const WCHAR* s, const WCHAR* reject)
{
    size_t n = 0;
    while (s[n] && !wcschr(reject, s[n]))
        ++n;
    return n;
}

int iswspace(WCHAR c) { return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x2028 || c == 0x3000; }
int iswdigit(WCHAR c) { return c >= '0' && c <= '9'; }
int iswxdigit(WCHAR c) { return iswdigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int iswalpha(WCHAR c) { return towlower(c) != towupper(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int iswalnum(WCHAR c) { return iswalpha(c) || iswdigit(c); }
int iswcntrl(WCHAR c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

static unsigned long long ParseUnsigned(const WCHAR* s, WCHAR** end, int base, bool* negative, bool* overflow)
{
    const WCHAR* p = s;
    while (iswspace(*p))
        ++p;
    *negative = false;
    if (*p == '+' || *p == '-')
        *negative = *p++ == '-';
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && iswxdigit(p[2])) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == '0' ? 8 : 10;
    }
    unsigned long long v = 0;
    const WCHAR* digits = p;
    *overflow = false;
    for (;; ++p) {
        int d = iswdigit(*p) ? *p - '0' : (*p >= 'a' && *p <= 'z') ? *p - 'a' + 10
                                        : (*p >= 'A' && *p <= 'Z') ? *p - 'A' + 10 : 99;
        if (d >= base)
            break;
        if (v > (ULLONG_MAX - unsigned(d)) / unsigned(base))
            *overflow = true;
        else
            v = v * unsigned(base) + unsigned(d);
    }
    if (end)
        *end = const_cast<WCHAR*>(p == digits ? s : p);
    return v;
}

long wcstol(const WCHAR* s, WCHAR** end, int base)
{
    bool neg, over;
    unsigned long long v = ParseUnsigned(s, end, base, &neg, &over);
    // long is 32 bits on Windows
    if (over || v > (neg ? 2147483648ull : 2147483647ull)) {
        errno = ERANGE;
        return neg ? INT_MIN : INT_MAX;
    }
    return neg ? -(long)v : (long)v;
}

unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base)
{
    bool neg, over;
    unsigned long long v = ParseUnsigned(s, end, base, &neg, &over);
    if (over || v > UINT_MAX) {
        errno = ERANGE;
        return UINT_MAX;
    }
    return neg ? (unsigned long)(uint32_t)(-(long long)v) : (unsigned long)v;
}

int _wtoi(const WCHAR* s) { return int(wcstol(s, nullptr, 10)); }

int wcsncpy_s(WCHAR* dest, size_t destSize, const WCHAR* src, size_t count)
{
    if (!dest || destSize == 0)
        return EINVAL;
    if (!src) {
        dest[0] = 0;
        return EINVAL;
    }
    size_t n = wcsnlen(src, count == _TRUNCATE ? destSize : count);
    if (n >= destSize) {
        if (count == _TRUNCATE) {
            for (size_t i = 0; i + 1 < destSize; ++i)
                dest[i] = src[i];
            dest[destSize - 1] = 0;
            return STRUNCATE;
        }
        dest[0] = 0;
        return ERANGE;
    }
    for (size_t i = 0; i < n; ++i)
        dest[i] = src[i];
    dest[n] = 0;
    return 0;
}

int wcscpy_s(WCHAR* dest, size_t destSize, const WCHAR* src)
{
    if (!dest || destSize == 0)
        return EINVAL;
    if (!src) {
        dest[0] = 0;
        return EINVAL;
    }
    size_t n = wcslen(src);
    if (n >= destSize) {
        dest[0] = 0;
        return ERANGE;
    }
    for (size_t i = 0; i <= n; ++i)
        dest[i] = src[i];
    return 0;
}

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
