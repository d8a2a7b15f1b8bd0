// UrlUnescapeW and UrlCompareW, with the rules shlwapi applies.
//
// Choices where the documented behaviour is silent: a short buffer reports the size needed counting the
// terminating NUL (so a caller can allocate exactly that), and a buffer that holds the text but not its NUL
// is short. URL_UNESCAPE_HIGH_ANSI_ONLY is accepted and, like on systems that do not describe it, ignored.
// UrlCompareW orders by UTF-16 code unit and drops at most one trailing "/" from each side.
#include "common/text.h"
#include "shlwapi.h"

#include <string>

namespace {

// The byte of the escape at p, or -1 when p does not start a "%XY" escape.
int EscapedByte(const WCHAR* p)
{
    if (p[0] != u'%')
        return -1;
    int hi = pal::HexDigitValue(p[1]);
    if (hi < 0)
        return -1;
    int lo = pal::HexDigitValue(p[2]);
    return lo < 0 ? -1 : hi * 16 + lo;
}

// Decodes bytes as UTF-8; each maximal broken piece becomes one U+FFFD.
void AppendUtf8(const std::string& bytes, std::u16string& out)
{
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        int need = b < 0x80 ? 0 : (b >= 0xC2 && b <= 0xDF) ? 1 : (b >= 0xE0 && b <= 0xEF) ? 2
                 : (b >= 0xF0 && b <= 0xF4) ? 3 : -1;
        if (need < 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        char32_t cp = need == 0 ? b : need == 1 ? (b & 0x1F) : need == 2 ? (b & 0x0F) : (b & 0x07);
        size_t j = i + 1;
        bool broken = false;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= bytes.size()) {
                broken = true;
                break;
            }
            unsigned char c = static_cast<unsigned char>(bytes[j]);
            // The second byte's range excludes overlong forms, surrogates and values above U+10FFFF.
            unsigned char lo = 0x80, hi = 0xBF;
            if (k == 0) {
                if (b == 0xE0) lo = 0xA0;
                if (b == 0xED) hi = 0x9F;
                if (b == 0xF0) lo = 0x90;
                if (b == 0xF4) hi = 0x8F;
            }
            if (c < lo || c > hi) {
                broken = true;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (broken) {
            out += u'\uFFFD';
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i = j;
    }
}

std::u16string Unescape(const WCHAR* url, DWORD flags)
{
    std::u16string out;
    const WCHAR* p = url;
    for (; *p; ) {
        if ((flags & URL_DONT_UNESCAPE_EXTRA_INFO) && (*p == u'?' || *p == u'#'))
            break;
        if (EscapedByte(p) < 0) {
            out += *p++;
            continue;
        }
        if (!(flags & URL_UNESCAPE_AS_UTF8)) {
            out += static_cast<char16_t>(EscapedByte(p));
            p += 3;
            continue;
        }
        std::string bytes;
        for (int b; (b = EscapedByte(p)) >= 0; p += 3)
            bytes += static_cast<char>(b);
        AppendUtf8(bytes, out);
    }
    out += p;
    return out;
}

size_t TrimmedLength(const WCHAR* s, BOOL ignoreSlash)
{
    size_t n = std::char_traits<char16_t>::length(s);
    if (ignoreSlash && n && s[n - 1] == u'/')
        --n;
    return n;
}

} // namespace

STDAPI UrlUnescapeW(LPWSTR pszUrl, LPWSTR pszUnescaped, LPDWORD pcchUnescaped, DWORD dwFlags)
{
    const bool inPlace = (dwFlags & URL_UNESCAPE_INPLACE) != 0;
    if (!pszUrl || (!inPlace && (!pszUnescaped || !pcchUnescaped)))
        return E_INVALIDARG;
    std::u16string out = Unescape(pszUrl, dwFlags);
    if (inPlace) {
        // Every escape is three characters and gives at most one (two for four UTF-8 bytes): the result
        // always fits where the input was.
        out.copy(pszUrl, out.size());
        pszUrl[out.size()] = 0;
        return S_OK;
    }
    if (*pcchUnescaped < out.size() + 1) {
        *pcchUnescaped = static_cast<DWORD>(out.size() + 1);
        return E_POINTER;
    }
    out.copy(pszUnescaped, out.size());
    pszUnescaped[out.size()] = 0;
    *pcchUnescaped = static_cast<DWORD>(out.size());
    return S_OK;
}

extern "C" int UrlCompareW(LPCWSTR psz1, LPCWSTR psz2, BOOL fIgnoreSlash)
{
    if (!psz1 || !psz2)
        return psz1 == psz2 ? 0 : (psz1 ? 1 : -1);
    size_t n1 = TrimmedLength(psz1, fIgnoreSlash), n2 = TrimmedLength(psz2, fIgnoreSlash);
    int c = std::char_traits<char16_t>::compare(psz1, psz2, n1 < n2 ? n1 : n2);
    if (c)
        return c < 0 ? -1 : 1;
    return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}
