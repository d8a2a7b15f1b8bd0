// Text conversions of the store: charsets to UTF-16, header blocks, and the body conversions Outlook makes
// (plain text shown as HTML, HTML and RTF reduced to text, compressed RTF expanded).
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/store/Message.h"
#include "pal/host.h"
#include "pal/html_text.h"

namespace store {

namespace {

bool IsValidUtf8(const std::string& s)
{
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = s[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= n + (extra == 0 ? 1 : 0))
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += size_t(extra) + 1;
    }
    return true;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

// iconv to UTF-16LE; a byte that cannot be converted becomes U+FFFD and is skipped.
bool Convert(const std::string& bytes, const std::string& charset, std::u16string& out)
{
    iconv_t cd = iconv_open("UTF-16LE", charset.c_str());
    if (cd == iconv_t(-1))
        return false;
    out.clear();
    std::string buffer(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (true) {
        char* dst = buffer.data();
        size_t dstLeft = buffer.size();
        size_t r = iconv(cd, inLeft ? &in : nullptr, &inLeft, &dst, &dstLeft);
        size_t produced = buffer.size() - dstLeft;
        for (size_t k = 0; k + 1 < produced; k += 2)
            out += char16_t(static_cast<unsigned char>(buffer[k]) | (static_cast<unsigned char>(buffer[k + 1]) << 8));
        if (r != size_t(-1) || inLeft == 0)
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a sequence cut at the end): replace one byte and go on.
        out += u'\uFFFD';
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return true;
}

} // namespace

std::u16string Widen(const std::string& utf8) { return pal::ToWide(utf8); }

std::u16string DecodeCharset(const std::string& bytes, const std::string& charsetIn)
{
    std::string charset = Lower(charsetIn);
    std::u16string out;
    if (charset.empty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii" || charset == "ascii") {
        if (IsValidUtf8(bytes))
            return Widen(bytes);
        charset = "windows-1252";
    }
    // Windows code page names as mail writes them.
    if (charset.rfind("cp", 0) == 0 && charset.size() > 2 && charset[2] >= '0' && charset[2] <= '9')
        charset = "CP" + charset.substr(2);
    // Latin-1 labels mean Windows-1252, as in every mail reader.
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "iso_8859-1")
        charset = "windows-1252";
    if (Convert(bytes, charset, out))
        return out;
    Convert(bytes, IsValidUtf8(bytes) ? "UTF-8" : "WINDOWS-1252", out);
    return out;
}

std::u16string CodePageToUtf16(const std::string& bytes, unsigned codePage)
{
    switch (codePage) {
    case 0: return DecodeCharset(bytes, "windows-1252");
    case 65001: return DecodeCharset(bytes, "utf-8");
    case 20127: return DecodeCharset(bytes, "us-ascii");
    case 28591: return DecodeCharset(bytes, "iso-8859-1");
    case 50220: case 50221: case 50222: return DecodeCharset(bytes, "iso-2022-jp");
    case 51932: return DecodeCharset(bytes, "euc-jp");
    case 20866: return DecodeCharset(bytes, "koi8-r");
    case 65000: return DecodeCharset(bytes, "utf-7");
    default: return DecodeCharset(bytes, "CP" + std::to_string(codePage));
    }
}

std::u16string HeaderBlock(const std::string& raw)
{
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        size_t eol = raw.find('\n', i);
        size_t end = eol == std::string::npos ? raw.size() : eol;
        size_t lineEnd = end > i && raw[end - 1] == '\r' ? end - 1 : end;
        if (lineEnd == i)
            break; // the blank line that ends the header
        out.append(raw, i, lineEnd - i);
        out += "\r\n";
        i = eol == std::string::npos ? raw.size() : eol + 1;
    }
    return DecodeCharset(out, "utf-8");
}

namespace {

void AppendEscaped(std::u16string& out, const std::u16string& text, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        switch (text[i]) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        default: out += text[i];
        }
    }
}

bool StartsWithNoCase(const std::u16string& s, size_t at, const char16_t* prefix)
{
    for (size_t k = 0; prefix[k]; ++k) {
        if (at + k >= s.size())
            return false;
        char16_t c = s[at + k];
        if (c >= 'A' && c <= 'Z')
            c = char16_t(c - 'A' + 'a');
        if (c != prefix[k])
            return false;
    }
    return true;
}

// The length of a web address starting at i, or 0.
size_t LinkLength(const std::u16string& s, size_t i)
{
    static const char16_t* const schemes[] = {u"http://", u"https://", u"ftp://", u"mailto:", u"www."};
    if (i > 0 && (std::isalnum(s[i - 1] < 128 ? int(s[i - 1]) : 'a') || s[i - 1] == '.' || s[i - 1] == '/'))
        return 0;
    bool found = false;
    for (const char16_t* scheme : schemes)
        found = found || StartsWithNoCase(s, i, scheme);
    if (!found)
        return 0;
    size_t j = i;
    while (j < s.size() && s[j] > u' ' && s[j] != u'<' && s[j] != u'>' && s[j] != u'"')
        ++j;
    // Trailing punctuation belongs to the sentence.
    while (j > i && (s[j - 1] == u'.' || s[j - 1] == u',' || s[j - 1] == u')' || s[j - 1] == u';' ||
                     s[j - 1] == u'!' || s[j - 1] == u'?' || s[j - 1] == u':'))
        --j;
    return j - i;
}

} // namespace

std::u16string PlainTextToHtml(const std::u16string& text)
{
    // What Outlook's conversion of a plain-text body looks like: one paragraph, a break per line, web
    // addresses as anchors.
    std::u16string out = u"<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\r\n"
                         u"</HEAD>\r\n<BODY>\r\n<!-- Converted from text/plain format -->\r\n\r\n<P><FONT SIZE=2>";
    size_t i = 0, run = 0;
    while (i < text.size()) {
        if (size_t n = LinkLength(text, i)) {
            AppendEscaped(out, text, run, i);
            std::u16string target = text.substr(i, n);
            if (StartsWithNoCase(target, 0, u"www."))
                target = u"http://" + target;
            out += u"<A HREF=\"";
            AppendEscaped(out, target, 0, target.size());
            out += u"\">";
            AppendEscaped(out, text, i, i + n);
            out += u"</A>";
            i += n;
            run = i;
            continue;
        }
        if (text[i] == u'\n' || text[i] == u'\r') {
            AppendEscaped(out, text, run, i);
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += u"<BR>\r\n";
            run = i + 1;
        }
        ++i;
    }
    AppendEscaped(out, text, run, text.size());
    out += u"</FONT>\r\n</P>\r\n\r\n</BODY>\r\n</HTML>";
    return out;
}

// Outlook's Body of an HTML-only message: the document's text as the layer's HTML document renders it, without
// the white space it ends with.
std::u16string HtmlToPlainText(const std::u16string& html)
{
    std::u16string out = pal::HtmlDocumentText(html);
    while (!out.empty() && (out.back() == u' ' || out.back() == u'\n' || out.back() == u'\r'))
        out.pop_back();
    return out;
}

std::string DecompressRtf(const std::string& compressed)
{
    static const char kDictionary[] =
        "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript "
        "\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
        "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
    static_assert(sizeof(kDictionary) - 1 == 207, "the preset dictionary of compressed RTF is 207 bytes");
    if (compressed.size() < 16)
        return {};
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(compressed[at])) | uint32_t(uint8_t(compressed[at + 1])) << 8 |
               uint32_t(uint8_t(compressed[at + 2])) << 16 | uint32_t(uint8_t(compressed[at + 3])) << 24;
    };
    uint32_t rawSize = u32(4), type = u32(8);
    size_t end = std::min<size_t>(compressed.size(), size_t(u32(0)) + 4);
    if (type == 0x414C454D) // "MELA": stored uncompressed
        return compressed.substr(16, std::min<size_t>(rawSize, compressed.size() - 16));
    if (type != 0x75465A4C) // "LZFu"
        return {};
    // The stated size is a hint only: the output is bounded by what the input can expand to.
    size_t cap = std::min<size_t>(rawSize, Limits::kMaxProperty);
    char dict[4096];
    std::memset(dict, 0, sizeof(dict));
    std::memcpy(dict, kDictionary, 207);
    unsigned write = 207;
    std::string out;
    out.reserve(std::min<size_t>(cap, compressed.size() * 8));
    size_t in = 16;
    while (in < end && out.size() < cap) {
        uint8_t control = uint8_t(compressed[in++]);
        for (int bit = 0; bit < 8 && in < end && out.size() < cap; ++bit) {
            if (control & (1 << bit)) {
                if (in + 1 >= end)
                    return out;
                unsigned ref = (unsigned(uint8_t(compressed[in])) << 8) | uint8_t(compressed[in + 1]);
                in += 2;
                unsigned offset = ref >> 4, length = (ref & 15) + 2;
                if (offset == write)
                    return out; // the end marker
                for (unsigned k = 0; k < length && out.size() < cap; ++k) {
                    char c = dict[(offset + k) % 4096];
                    out += c;
                    dict[write] = c;
                    write = (write + 1) % 4096;
                }
            } else {
                char c = compressed[in++];
                out += c;
                dict[write] = c;
                write = (write + 1) % 4096;
            }
        }
    }
    return out;
}

namespace {

// Reads RTF for its text, or (html) for the HTML an RTF body wraps: the text of \*\htmltag groups and the
// text outside \htmlrtf regions. Destinations that hold no text are skipped; \'hh is in the document's
// \ansicpg code page; \uN is a code unit followed by one fallback character.
std::u16string ReadRtf(const std::string& rtf, bool html)
{
    struct Group {
        bool skip = false;
        bool htmlTag = false;
        bool suppressed = false; // inside \htmlrtf
    };
    std::string bytes;
    std::u16string out;
    unsigned codePage = 1252;
    auto flush = [&] {
        if (!bytes.empty())
            out += CodePageToUtf16(bytes, codePage);
        bytes.clear();
    };
    std::vector<Group> groups{Group{}};
    int fallback = 0;
    size_t i = 0, n = rtf.size();
    auto visible = [&] {
        const Group& g = groups.back();
        return !g.skip && (!html || g.htmlTag || !g.suppressed);
    };
    while (i < n) {
        char c = rtf[i];
        if (c == '{') {
            if (groups.size() > 512)
                break;
            groups.push_back(groups.back());
            ++i;
        } else if (c == '}') {
            if (groups.size() > 1)
                groups.pop_back();
            ++i;
        } else if (c == '\\' && i + 1 < n) {
            char d = rtf[i + 1];
            if (d == '\\' || d == '{' || d == '}') {
                if (visible())
                    bytes += d;
                i += 2;
            } else if (d == '\'' && i + 3 < n) {
                std::string hex = rtf.substr(i + 2, 2);
                if (visible() && fallback == 0)
                    bytes += char(std::strtol(hex.c_str(), nullptr, 16));
                fallback = fallback > 0 ? fallback - 1 : 0;
                i += 4;
            } else if (d == '*') {
                // An optional destination: kept only when it is the HTML an RTF body wraps.
                size_t j = i + 2;
                while (j < n && (rtf[j] == ' ' || rtf[j] == '\r' || rtf[j] == '\n'))
                    ++j;
                bool htmlTag = html && rtf.compare(j, 8, "\\htmltag") == 0;
                if (htmlTag)
                    groups.back().htmlTag = true;
                else
                    groups.back().skip = true;
                i += 2;
            } else if (std::isalpha(static_cast<unsigned char>(d))) {
                size_t j = i + 1;
                while (j < n && std::isalpha(static_cast<unsigned char>(rtf[j])))
                    ++j;
                std::string word = rtf.substr(i + 1, j - i - 1);
                size_t k = j;
                if (k < n && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k]))))
                    ++k;
                while (k < n && std::isdigit(static_cast<unsigned char>(rtf[k])))
                    ++k;
                bool hasParam = k > j;
                long param = hasParam ? std::strtol(rtf.substr(j, k - j).c_str(), nullptr, 10) : 0;
                if (k < n && rtf[k] == ' ')
                    ++k;
                i = k;
                if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
                    word == "pict" || word == "object" || word == "header" || word == "footer" ||
                    word == "mhtmltag" || (!html && word == "htmltag"))
                    groups.back().skip = true;
                if (word == "ansicpg" && hasParam && param > 0) {
                    flush();
                    codePage = unsigned(param);
                }
                if (word == "htmlrtf") {
                    groups.back().suppressed = !hasParam || param != 0;
                    continue;
                }
                if (!visible())
                    continue;
                if (word == "par" || word == "line") {
                    bytes += "\r\n";
                } else if (word == "tab") {
                    bytes += '\t';
                } else if (word == "u") {
                    flush();
                    out += char16_t(param < 0 ? param + 65536 : param);
                    fallback = 1;
                }
            } else {
                i += 2;
            }
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else {
            if (visible()) {
                if (fallback > 0)
                    --fallback;
                else
                    bytes += c;
            }
            ++i;
        }
    }
    flush();
    return out;
}

} // namespace

std::u16string RtfToPlainText(const std::string& rtf)
{
    std::u16string out = ReadRtf(rtf, false);
    while (!out.empty() && (out.back() == u'\n' || out.back() == u'\r' || out.back() == u' '))
        out.pop_back();
    return out;
}

std::u16string RtfToHtml(const std::string& rtf) { return ReadRtf(rtf, true); }

} // namespace store
