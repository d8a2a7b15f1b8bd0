// Answer body to UTF-16: ASCII runs eight bytes at a time, the rest sequence by sequence.
#include "msxml/xmlhttp_text.h"

#include <cstdint>
#include <cstring>

namespace pal::http {

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes without a character (kept as the C1 control).
const char16_t k1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::u16string Decode1252(std::string_view body)
{
    std::u16string out(body.size(), u'\0');
    for (size_t i = 0; i < body.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(body[i]);
        out[i] = b >= 0x80 && b <= 0x9F && k1252[b - 0x80] ? k1252[b - 0x80] : char16_t(b);
    }
    return out;
}

std::u16string DecodeUtf8(std::string_view body)
{
    // No sequence gives more UTF-16 units than it has bytes.
    std::u16string out(body.size(), u'\0');
    char16_t* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(body.data());
    const unsigned char* end = p + body.size();
    while (p < end) {
        while (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            for (int k = 0; k < 8; ++k)
                o[k] = p[k];
            o += 8;
            p += 8;
        }
        if (p == end)
            break;
        unsigned c = *p;
        if (c < 0x80) {
            *o++ = char16_t(c);
            ++p;
            continue;
        }
        size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        char32_t cp = 0xFFFD;
        if (len > 1 && size_t(end - p) >= len) {
            char32_t v = c & (0x7Fu >> len);
            bool ok = true;
            for (size_t k = 1; ok && k < len; ++k) {
                ok = (p[k] & 0xC0) == 0x80;
                v = (v << 6) | (p[k] & 0x3F);
            }
            static const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && v >= minimum[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
                cp = v;
            else
                len = 1;
        } else {
            len = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *o++ = char16_t(0xD800 + (cp >> 10));
            *o++ = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            *o++ = char16_t(cp);
        }
        p += len;
    }
    out.resize(size_t(o - out.data()));
    return out;
}

} // namespace

std::u16string DecodeBody(std::string_view body, std::string_view charset)
{
    if (body.size() >= 3 && std::memcmp(body.data(), "\xEF\xBB\xBF", 3) == 0)
        return DecodeUtf8(body.substr(3));
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "windows-1252" || charset == "us-ascii")
        return Decode1252(body);
    return DecodeUtf8(body);
}

} // namespace pal::http
