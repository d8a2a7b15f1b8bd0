// The layer's own text helpers: case mapping of single units and the lossless UTF-8 form of UTF-16 text.
#pragma once

#include <string>
#include <string_view>

namespace pal {

// Value of a hexadecimal digit, or -1.
inline int HexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Simple (one unit to one unit) case mapping of a single UTF-16 code unit, the same in every locale, as
// the system's upcase table maps it: Unicode's simple uppercase and lowercase mappings (UnicodeData.txt
// fields 12 and 13, Unicode 14.0) of the characters of the Basic Multilingual Plane whose mapping is in
// that plane too. Surrogates and every other unit map to themselves.
char16_t UpcaseUnit(char16_t c);
char16_t DowncaseUnit(char16_t c);

// Appends the UTF-8 bytes of one code point (any value below 0x110000, surrogates included).
inline void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The code point at s[i], advancing i past it; a lone surrogate is itself.
inline char32_t NextCodePoint(std::u16string_view s, size_t& i)
{
    char32_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
        return 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    return c;
}

// The code point at s[i] as strict UTF-8 can hold it: a lone surrogate becomes U+FFFD.
inline char32_t NextScalarValue(std::u16string_view s, size_t& i)
{
    char32_t c = NextCodePoint(s, i);
    return c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c;
}

// True when s[i] is a surrogate that is not half of a pair (such a unit has no UTF-8 form).
bool IsLoneSurrogate(std::u16string_view s, size_t i);

// UTF-8 in which a lone surrogate is written as the three bytes its code point would take (a form
// beyond UTF-8 that holds any UTF-16 text), and the way back; FromWtf8 reads other bad bytes as ToWide.
std::string ToWtf8(std::u16string_view s);
std::u16string FromWtf8(std::string_view s);

} // namespace pal
