// Link addresses: storing, unescaping, parsing into components through the system's URI parser, and
// comparing.
#include "Utils/LinkInfo.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/WString.h"

#include <shlwapi.h>
#include <urlmon.h>

#include <vector>

namespace {

// The system's maximum URL length (INTERNET_MAX_URL_LENGTH).
constexpr DWORD kMaxUrlLength = 2084;

// The URI flags of link addresses: DOS paths for file: links, query and fragment as written, forbidden
// characters left alone, HTML white space cleaned.
constexpr DWORD kUriFlags = Uri_CREATE_FILE_USE_DOS_PATH | Uri_CREATE_NO_DECODE_EXTRA_INFO | Uri_CREATE_CANONICALIZE |
                            Uri_CREATE_PRE_PROCESS_HTML_URI | Uri_CREATE_NO_ENCODE_FORBIDDEN_CHARACTERS;

const WCHAR* Text(const _bstr_t& s)
{
    const WCHAR* p = s;
    return p ? p : W("");
}

WString ReplaceAmpEntities(const WCHAR* url)
{
    WString out;
    for (const WCHAR* p = url; *p;) {
        if (*p == W('&') && _wcsnicmp(p, W("&amp;"), 5) == 0) {
            out += W('&');
            p += 5;
        } else {
            out += *p++;
        }
    }
    return out;
}

// What follows the host: after "://", or after one leading "/" when there is no scheme.
const WCHAR* AfterScheme(const WCHAR* url)
{
    const WCHAR* sep = wcsstr(url, W("://"));
    if (sep)
        return sep + 3;
    return *url == W('/') ? url + 1 : url;
}

} // namespace

LinkInfo::LinkInfo(const WCHAR* pURL, const WCHAR* pText)
{
    SetURL(pURL);
    if (pText && *pText && UrlCompareW(pURL, pText, TRUE) != 0 && linkURL.length() &&
        UrlCompareW(Text(linkURL), pText, TRUE) != 0)
        linkText = pText;
}

void LinkInfo::SetURL(const WCHAR* pURL)
{
    VTR_CHECK(pURL && *pURL, E_INVALIDARG);
    WString url = ReplaceAmpEntities(pURL);
    VTR_CHECK(!url.empty(), E_UNEXPECTED);
    linkURL = url.c_str();
    unescapedURL = unEscapeURL(url.c_str());
    ParseFields(Text(unescapedURL));
}

void LinkInfo::ParseFields(const WCHAR* pURL)
{
    VTR_CHECK(pURL && *pURL, E_INVALIDARG);
    CComPtr<IUri> spUri;
    VTR_CHECK_HR(CreateUri(pURL, kUriFlags, 0, &spUri));

    struct Field {
        Uri_PROPERTY property;
        _bstr_t* target;
        bool decode;
        const WCHAR* skipWhen; // a value that is not stored
    };
    const Field fields[] = {
        {Uri_PROPERTY_HOST, &host, true, nullptr},
        {Uri_PROPERTY_PATH, &path, true, W("/")},
        {Uri_PROPERTY_EXTENSION, &extension, true, W(".")},
        {Uri_PROPERTY_QUERY, &query, true, nullptr},
        {Uri_PROPERTY_FRAGMENT, &fragment, true, nullptr},
        {Uri_PROPERTY_USER_INFO, &userInfo, false, nullptr},
        {Uri_PROPERTY_SCHEME_NAME, &protocol, false, nullptr},
    };
    for (const Field& field : fields) {
        BOOL has = FALSE;
        VTR_CHECK_HR(spUri->HasProperty(field.property, &has));
        if (!has)
            continue;
        CComBSTR value;
        VTR_CHECK_HR(spUri->GetPropertyBSTR(field.property, &value, 0));
        if (value.Length() == 0 || (field.skipWhen && wcscmp(value, field.skipWhen) == 0))
            continue;
        *field.target = field.decode ? unEscapeURL_manual(value) : _bstr_t(value.m_str);
    }
    port = 0;
    BOOL hasPort = FALSE;
    VTR_CHECK_HR(spUri->HasProperty(Uri_PROPERTY_PORT, &hasPort));
    if (hasPort)
        VTR_CHECK_HR(spUri->GetPropertyDWORD(Uri_PROPERTY_PORT, &port, 0));

    // An address the parser found nothing after the host in: what follows the first "/" behind the host.
    if (!path.length() && !query.length() && !fragment.length() && !extension.length()) {
        const WCHAR* slash = wcschr(AfterScheme(pURL), W('/'));
        if (slash && slash[1])
            path = unEscapeURL_manual(slash + 1);
    }
}

_bstr_t unEscapeURL(const WCHAR* url)
{
    try {
        VTR_CHECK(url && *url, E_INVALIDARG);
        if (!wcschr(url, W('%')))
            return _bstr_t(url);
        WString input(url);
        std::vector<WCHAR> buffer(kMaxUrlLength, 0);
        DWORD length = kMaxUrlLength;
        if (FAILED(UrlUnescapeW(input.data(), buffer.data(), &length, 0)))
            return _bstr_t(url);
        // A doubly encoded address ("%2541") is decoded once more from its first remaining "%".
        if (length) {
            WCHAR* percent = wcschr(buffer.data(), W('%'));
            if (percent && FAILED(UrlUnescapeW(percent, nullptr, nullptr, URL_UNESCAPE_INPLACE)))
                return _bstr_t(url);
        }
        return _bstr_t(buffer.data());
    }
    VTR_CATCH_RETHROW
}

_bstr_t unEscapeURL_manual(const WCHAR* text)
{
    try {
        if (!text || !wcschr(text, W('%')))
            return _bstr_t(text);
        WString out;
        for (const WCHAR* p = text; *p; ++p) {
            int hi = p[0] == W('%') ? HexDigitValue(p[1]) : -1;
            int lo = hi >= 0 ? HexDigitValue(p[2]) : -1;
            int code = lo >= 0 ? hi * 16 + lo : -1;
            // Control characters stay escaped: decoded they would break the texts that show the link.
            if (code >= 32) {
                out += static_cast<WCHAR>(code);
                p += 2;
            } else {
                out += *p;
            }
        }
        return out.empty() ? _bstr_t(text) : _bstr_t(out.c_str());
    }
    VTR_CATCH_RETHROW
}

bool areURLsSame(const WCHAR* x, const WCHAR* y)
{
    try {
        if (!x || !y)
            return false;
        const WCHAR* pTempX = AfterScheme(x);
        const WCHAR* pTempY = AfterScheme(y);
        if (!VTR_VERIFY(pTempX && pTempY, E_UNEXPECTED))
            return false;
        size_t lengthX = wcslen(pTempX), lengthY = wcslen(pTempY);
        if (lengthX == lengthY)
            return _wcsicmp(pTempX, pTempY) == 0;
        const WCHAR* longer = lengthX > lengthY ? pTempX : pTempY;
        const WCHAR* shorter = lengthX > lengthY ? pTempY : pTempX;
        size_t shortLength = lengthX > lengthY ? lengthY : lengthX;
        size_t longLength = lengthX > lengthY ? lengthX : lengthY;
        if (longLength - shortLength != 1 || longer[longLength - 1] != W('/'))
            return false;
        return _wcsnicmp(longer, shorter, shortLength) == 0;
    }
    VTR_CATCH_LOG
    return false;
}
