// Link addresses through the URL services: a link record is made or refused with a logged error, never
// more; unescaping never lengthens a text; the address comparison is reflexive and symmetric.
// The first byte chooses what the rest is given to; the rest is the text.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Utils/LinkInfo.h"
#include "__Utilities/ErrorInfo.h"

#include <shlwapi.h>
#include <urlmon.h>

namespace {

size_t Length(const _bstr_t& b) { return b.length(); }

void Link(const std::u16string& address, const std::u16string& text)
{
    try {
        LinkInfo link(address.c_str(), text.empty() ? nullptr : text.c_str());
        FUZZ_ASSERT(Length(link.linkURL) > 0 && Length(link.linkURL) <= address.size());
        FUZZ_ASSERT(Length(link.protocol) > 0);
        FUZZ_ASSERT(link.linkText.length() == 0 || link.linkText.length() == text.size());
    } catch (const CErrorInfo&) {
    }
}

void Unescape(const std::u16string& s)
{
    std::u16string copy = s;
    std::vector<WCHAR> out(s.size() + 1);
    DWORD size = DWORD(out.size());
    FUZZ_ASSERT(UrlUnescapeW(copy.data(), out.data(), &size, 0) == S_OK && size <= s.size());
    for (DWORD flags : {DWORD(URL_UNESCAPE_AS_UTF8), DWORD(URL_DONT_UNESCAPE_EXTRA_INFO)}) {
        copy = s;
        FUZZ_ASSERT(UrlUnescapeW(copy.data(), nullptr, nullptr, flags | URL_UNESCAPE_INPLACE) == S_OK);
        FUZZ_ASSERT(std::char_traits<char16_t>::length(copy.c_str()) <= s.size());
    }
    try {
        FUZZ_ASSERT(Length(unEscapeURL_manual(s.c_str())) <= s.size());
        if (!s.empty())
            FUZZ_ASSERT(Length(unEscapeURL(s.c_str())) <= s.size());
    } catch (const CErrorInfo&) {
    }
}

void Compare(const std::u16string& s)
{
    size_t half = s.size() / 2;
    std::u16string x = s.substr(0, half), y = s.substr(half);
    FUZZ_ASSERT(areURLsSame(x.c_str(), x.c_str()));
    FUZZ_ASSERT(areURLsSame(x.c_str(), y.c_str()) == areURLsSame(y.c_str(), x.c_str()));
    int xy = UrlCompareW(x.c_str(), y.c_str(), TRUE), yx = UrlCompareW(y.c_str(), x.c_str(), TRUE);
    FUZZ_ASSERT((xy < 0) == (yx > 0) && (xy == 0) == (yx == 0));
}

void Parse(const std::u16string& s, DWORD flags)
{
    IUri* uri = nullptr;
    if (FAILED(CreateUri(s.c_str(), flags, 0, &uri)))
        return;
    for (int prop = Uri_PROPERTY_STRING_START; prop <= Uri_PROPERTY_STRING_LAST; ++prop) {
        BSTR value = nullptr;
        HRESULT hr = uri->GetPropertyBSTR(Uri_PROPERTY(prop), &value, 0);
        FUZZ_ASSERT((hr == S_OK || hr == S_FALSE) && value);
        SysFreeString(value);
    }
    uri->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::u16string text = fuzz::CString(fuzz::Text(data + 1, size - 1));
    if (text.empty())
        return 0;
    switch (mode % 5) {
    case 0: Link(text, std::u16string()); break;
    case 1: Link(text.substr(0, text.size() / 2), text.substr(text.size() / 2)); break;
    case 2: Unescape(text); break;
    case 3: Compare(text); break;
    default: Parse(text, (mode & 0x80) ? 0 : 0x89A0); break;
    }
    fuzz::TrimErrorLog();
    return 0;
}
