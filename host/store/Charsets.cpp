// Charsets to UTF-16 (iconv), header blocks and the text of HTML bodies (the layer's HTML document): what the message readers
// of the Linux store need.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

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

// Outlook's Body of an HTML-only message: the document's text as the layer's HTML document renders it, without
// the white space it ends with.
std::u16string HtmlToPlainText(const std::u16string& html)
{
    std::u16string out = pal::HtmlDocumentText(html);
    while (!out.empty() && (out.back() == u' ' || out.back() == u'\n' || out.back() == u'\r'))
        out.pop_back();
    return out;
}

} // namespace store
