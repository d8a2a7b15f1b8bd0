// The body conversions Outlook makes (plain text shown as HTML, RTF reduced to text or to the HTML it wraps,
// compressed RTF expanded): plain C++, in both builds of the host.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/store/Message.h"

namespace store {

namespace {

void AppendEscaped(WString& out, const WString& text, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        switch (text[i]) {
        case W('&'): out += W("&amp;"); break;
        case W('<'): out += W("&lt;"); break;
        case W('>'): out += W("&gt;"); break;
        case W('"'): out += W("&quot;"); break;
        default: out += text[i];
        }
    }
}

bool StartsWithNoCase(const WString& s, size_t at, const WCHAR* prefix)
{
    for (size_t k = 0; prefix[k]; ++k) {
        if (at + k >= s.size())
            return false;
        WCHAR c = s[at + k];
        if (c >= 'A' && c <= 'Z')
            c = WCHAR(c - 'A' + 'a');
        if (c != prefix[k])
            return false;
    }
    return true;
}

// The length of a web address starting at i, or 0.
size_t LinkLength(const WString& s, size_t i)
{
    static const WCHAR* const schemes[] = {W("http://"), W("https://"), W("ftp://"), W("mailto:"), W("www.")};
    if (i > 0 && (std::isalnum(s[i - 1] < 128 ? int(s[i - 1]) : 'a') || s[i - 1] == '.' || s[i - 1] == '/'))
        return 0;
    bool found = false;
    for (const WCHAR* scheme : schemes)
        found = found || StartsWithNoCase(s, i, scheme);
    if (!found)
        return 0;
    size_t j = i;
    while (j < s.size() && s[j] > W(' ') && s[j] != W('<') && s[j] != W('>') && s[j] != W('"'))
        ++j;
    // Trailing punctuation belongs to the sentence.
    while (j > i && (s[j - 1] == W('.') || s[j - 1] == W(',') || s[j - 1] == W(')') || s[j - 1] == W(';') ||
                     s[j - 1] == W('!') || s[j - 1] == W('?') || s[j - 1] == W(':')))
        --j;
    return j - i;
}

} // namespace

WString PlainTextToHtml(const WString& text)
{
    // What Outlook's conversion of a plain-text body looks like: one paragraph, a break per line, web
    // addresses as anchors.
    WString out = W("<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\r\n")
                         W("</HEAD>\r\n<BODY>\r\n<!-- Converted from text/plain format -->\r\n\r\n<P><FONT SIZE=2>");
    size_t i = 0, run = 0;
    while (i < text.size()) {
        if (size_t n = LinkLength(text, i)) {
            AppendEscaped(out, text, run, i);
            WString target = text.substr(i, n);
            if (StartsWithNoCase(target, 0, W("www.")))
                target = W("http://") + target;
            out += W("<A HREF=\"");
            AppendEscaped(out, target, 0, target.size());
            out += W("\">");
            AppendEscaped(out, text, i, i + n);
            out += W("</A>");
            i += n;
            run = i;
            continue;
        }
        if (text[i] == u'\n' || text[i] == u'\r') {
            AppendEscaped(out, text, run, i);
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += W("<BR>\r\n");
            run = i + 1;
        }
        ++i;
    }
    AppendEscaped(out, text, run, text.size());
    out += W("</FONT>\r\n</P>\r\n\r\n</BODY>\r\n</HTML>");
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
WString ReadRtf(const std::string& rtf, bool html)
{
    struct Group {
        bool skip = false;
        bool htmlTag = false;
        bool suppressed = false; // inside \htmlrtf
    };
    std::string bytes;
    WString out;
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
                    out += WCHAR(param < 0 ? param + 65536 : param);
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

WString RtfToPlainText(const std::string& rtf)
{
    WString out = ReadRtf(rtf, false);
    while (!out.empty() && (out.back() == u'\n' || out.back() == u'\r' || out.back() == W(' ')))
        out.pop_back();
    return out;
}

WString RtfToHtml(const std::string& rtf) { return ReadRtf(rtf, true); }

} // namespace store
