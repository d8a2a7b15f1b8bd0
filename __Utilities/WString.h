// The add-in's wide string: UTF-16 text in WCHARs (std::wstring with the Windows SDK).
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

using WString = std::basic_string<WCHAR>;
using WStringView = std::basic_string_view<WCHAR>;

// The value of a hexadecimal digit of either case, or -1.
inline int HexDigitValue(WCHAR c)
{
    if (c >= W('0') && c <= W('9'))
        return c - W('0');
    if (c >= W('a') && c <= W('f'))
        return c - W('a') + 10;
    if (c >= W('A') && c <= W('F'))
        return c - W('A') + 10;
    return -1;
}

// ASCII letters in lower case, as protocol names and host names compare; other characters as they are.
inline WCHAR AsciiLower(WCHAR c) { return c >= W('A') && c <= W('Z') ? WCHAR(c - W('A') + W('a')) : c; }

inline WString AsciiLowerCase(WStringView s)
{
    WString out(s);
    for (WCHAR& c : out)
        c = AsciiLower(c);
    return out;
}
