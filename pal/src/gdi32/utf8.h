// Strict UTF-8 for Pango, which refuses anything else: a lone surrogate becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace pal::gdi {

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

// The code point at s[i], advancing i past it.
inline char32_t NextCodePoint(std::u16string_view s, size_t& i)
{
    char16_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i++] - 0xDC00);
    if (c >= 0xD800 && c <= 0xDFFF)
        return 0xFFFD;
    return c;
}

inline std::string ToUtf8(std::u16string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size();)
        AppendUtf8(out, NextCodePoint(s, i));
    return out;
}

} // namespace pal::gdi
