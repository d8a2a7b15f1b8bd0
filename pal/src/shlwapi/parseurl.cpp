// ParseURLW: where the scheme of a URL ends and which known scheme it is. Nothing after the ":" is checked.
//
// Choices where the documented behaviour is silent: a null URL or structure, or a cbSize other than the
// structure's size, gives E_INVALIDARG without touching the structure.
#include "shlwapi.h"
#include "windows.h"

namespace {

struct KnownScheme {
    const char16_t* name;
    URL_SCHEME scheme;
};

constexpr KnownScheme kSchemes[] = {
    {u"ftp", URL_SCHEME_FTP},
    {u"http", URL_SCHEME_HTTP},
    {u"gopher", URL_SCHEME_GOPHER},
    {u"mailto", URL_SCHEME_MAILTO},
    {u"news", URL_SCHEME_NEWS},
    {u"nntp", URL_SCHEME_NNTP},
    {u"telnet", URL_SCHEME_TELNET},
    {u"wais", URL_SCHEME_WAIS},
    {u"file", URL_SCHEME_FILE},
    {u"mk", URL_SCHEME_MK},
    {u"https", URL_SCHEME_HTTPS},
    {u"shell", URL_SCHEME_SHELL},
    {u"snews", URL_SCHEME_SNEWS},
    {u"local", URL_SCHEME_LOCAL},
    {u"javascript", URL_SCHEME_JAVASCRIPT},
    {u"vbscript", URL_SCHEME_VBSCRIPT},
    {u"about", URL_SCHEME_ABOUT},
    {u"res", URL_SCHEME_RES},
    {u"ms-shell-rooted", URL_SCHEME_MSSHELLROOTED},
    {u"ms-shell-idlist", URL_SCHEME_MSSHELLIDLIST},
    {u"hcp", URL_SCHEME_MSHELP},
    {u"ms-shell-device", URL_SCHEME_MSSHELLDEVICE},
    {u"search-ms", URL_SCHEME_SEARCH_MS},
    {u"search", URL_SCHEME_SEARCH},
    {u"knownfolder", URL_SCHEME_KNOWNFOLDER},
};

bool IsSchemeChar(WCHAR c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+' ||
           c == u'-' || c == u'.';
}

WCHAR Lower(WCHAR c) { return c >= u'A' && c <= u'Z' ? WCHAR(c - u'A' + u'a') : c; }

URL_SCHEME SchemeOf(const WCHAR* name, size_t length)
{
    for (const KnownScheme& known : kSchemes) {
        size_t i = 0;
        while (i < length && known.name[i] && Lower(name[i]) == known.name[i])
            ++i;
        if (i == length && !known.name[i])
            return known.scheme;
    }
    return URL_SCHEME_UNKNOWN;
}

} // namespace

STDAPI ParseURLW(LPCWSTR pcszURL, PARSEDURLW* ppu)
{
    if (!pcszURL || !ppu || ppu->cbSize != sizeof(PARSEDURLW))
        return E_INVALIDARG;
    size_t length = 0;
    while (IsSchemeChar(pcszURL[length]))
        ++length;
    // One character before the colon would be a drive letter, not a scheme.
    if (pcszURL[length] != u':' || length < 2) {
        ppu->pszProtocol = nullptr;
        return URL_E_INVALID_SYNTAX;
    }
    ppu->pszProtocol = pcszURL;
    ppu->cchProtocol = UINT(length);
    ppu->nScheme = UINT(SchemeOf(pcszURL, length));
    const WCHAR* suffix = pcszURL + length + 1;
    if (ppu->nScheme == URL_SCHEME_FILE && suffix[0] == u'/' && suffix[1] == u'/')
        suffix += 2;
    ppu->pszSuffix = suffix;
    ppu->cchSuffix = UINT(wcslen(suffix));
    return S_OK;
}
