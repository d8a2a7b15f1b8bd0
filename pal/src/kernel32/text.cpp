// Code page conversions (UTF-8, and Windows-1252 as the ANSI code page) and case mapping (the layer's
// one locale-free table, pal/unicode.h).
#include <cstring>
#include <string>

#include "pal/host.h"
#include "common/text.h"
#include "pal/unicode.h"
#include "windows.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes without a character (kept as the C1 control).
const char16_t k1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t From1252(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && k1252[b - 0x80])
        return k1252[b - 0x80];
    return b;
}

int To1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (k1252[i] == c)
            return 0x80 + i;
    if (c >= 0x80 && c <= 0x9F && !k1252[c - 0x80])
        return c;
    return -1;
}

bool IsAnsi(UINT cp) { return cp == CP_ACP || cp == CP_1252; }

} // namespace

extern "C" int MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR src, int cbSrc, LPWSTR dest, int cchDest)
{
    if (!src || cbSrc == 0 || cchDest < 0 || (!IsAnsi(CodePage) && CodePage != CP_UTF8)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cbSrc < 0 ? std::strlen(src) + 1 : size_t(cbSrc);
    std::u16string w;
    if (IsAnsi(CodePage)) {
        w.reserve(n);
        for (size_t i = 0; i < n; ++i)
            w.push_back(From1252(static_cast<unsigned char>(src[i])));
    } else {
        w = pal::ToWide(std::string_view(src, n));
    }
    if (cchDest == 0)
        return int(w.size());
    if (w.size() > size_t(cchDest)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, w.data(), w.size() * sizeof(WCHAR));
    return int(w.size());
}

extern "C" int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR src, int cchSrc, LPSTR dest, int cbDest,
                                   LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (!src || cchSrc == 0 || cbDest < 0 || (!IsAnsi(CodePage) && CodePage != CP_UTF8)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cchSrc < 0 ? wcslen(src) + 1 : size_t(cchSrc);
    std::string s;
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = FALSE;
    if (IsAnsi(CodePage)) {
        for (size_t i = 0; i < n; ++i) {
            int b = To1252(src[i]);
            if (b < 0) {
                b = lpDefaultChar ? static_cast<unsigned char>(*lpDefaultChar) : '?';
                if (lpUsedDefaultChar)
                    *lpUsedDefaultChar = TRUE;
            }
            s.push_back(char(b));
        }
    } else {
        s = pal::ToUtf8(std::u16string_view(src, n));
    }
    if (cbDest == 0)
        return int(s.size());
    if (s.size() > size_t(cbDest)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, s.data(), s.size());
    return int(s.size());
}

WCHAR towlower(WCHAR c) { return pal::DowncaseUnit(c); }

WCHAR towupper(WCHAR c) { return pal::UpcaseUnit(c); }

extern "C" DWORD CharLowerBuffW(LPWSTR lpsz, DWORD cchLength)
{
    if (!lpsz)
        return 0;
    for (DWORD i = 0; i < cchLength; ++i)
        lpsz[i] = towlower(lpsz[i]);
    return cchLength;
}

extern "C" DWORD CharUpperBuffW(LPWSTR lpsz, DWORD cchLength)
{
    if (!lpsz)
        return 0;
    for (DWORD i = 0; i < cchLength; ++i)
        lpsz[i] = towupper(lpsz[i]);
    return cchLength;
}

