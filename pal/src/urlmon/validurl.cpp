// IsValidURL. The rule, as urlmon applies it to the texts Vantora asks about ("http://" and a host):
//  - a scheme: a letter followed by at least one more letter, digit, "+", "-" or ".", then ":" (a single
//    letter before ":" is a drive letter, not a scheme);
//  - then at least one character, none of them a control character, a space, or one of " < > ^ ` { | }
//    (characters beyond ASCII are allowed: host names and paths may be internationalised);
//  - when "//" follows the scheme, the authority up to the next "/", "?" or "#" must not be empty.
#include "urlmon.h"

namespace {

bool IsAsciiLetter(WCHAR c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsSchemeChar(WCHAR c)
{
    return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

bool IsUrlChar(WCHAR c)
{
    if (c <= 0x20 || c == 0x7F)
        return false;
    switch (c) {
    case u'"': case u'<': case u'>': case u'^': case u'`': case u'{': case u'|': case u'}':
        return false;
    default:
        return true;
    }
}

} // namespace

STDAPI IsValidURL(LPBC pBC, LPCWSTR szURL, DWORD dwReserved)
{
    if (pBC || dwReserved || !szURL)
        return E_INVALIDARG;

    const WCHAR* p = szURL;
    if (!IsAsciiLetter(*p))
        return S_FALSE;
    ++p;
    while (IsSchemeChar(*p))
        ++p;
    if (*p != u':' || p - szURL < 2)
        return S_FALSE;
    ++p;
    if (!*p)
        return S_FALSE;
    for (const WCHAR* q = p; *q; ++q)
        if (!IsUrlChar(*q))
            return S_FALSE;
    if (p[0] == u'/' && p[1] == u'/') {
        WCHAR c = p[2];
        if (!c || c == u'/' || c == u'?' || c == u'#')
            return S_FALSE;
    }
    return S_OK;
}
