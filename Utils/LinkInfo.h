// One link found in a message body: its address as written, its visible text, where it redirects, and its
// unescaped form and parsed components. Copied by value into the link lists: the strings are shared and
// the data request is referred to, not owned.
#pragma once

#include <windows.h>
#include <comdef.h>

struct DataInfo;

struct LinkInfo {
    LinkInfo() = default;
    // Sets the address; the text is kept only when it differs from the address.
    LinkInfo(const WCHAR* pURL, const WCHAR* pText);

    // Throws a CErrorInfo for an empty address or an address the system cannot parse.
    void SetURL(const WCHAR* pURL);
    void ParseFields(const WCHAR* pURL);

    _bstr_t linkURL;
    _bstr_t linkText;
    _bstr_t redirectURL;
    // A link a mail gateway rewrote is kept by its real target: the address as written, and who rewrote it.
    _bstr_t rewrittenURL;
    _bstr_t rewrittenBy;
    _bstr_t unescapedURL;
    _bstr_t protocol;
    _bstr_t host;
    _bstr_t path;
    _bstr_t extension;
    _bstr_t query;
    _bstr_t fragment;
    _bstr_t userInfo;
    DWORD port = 0;
    _bstr_t fileName;
    DataInfo* pDataInfo = nullptr;
};

// Percent-decoding through the system, twice for a doubly encoded address; the address unchanged on failure.
_bstr_t unEscapeURL(const WCHAR* url);
// Percent-decoding by hand that keeps escapes of control characters (codes 0 to 31) as written.
_bstr_t unEscapeURL_manual(const WCHAR* text);
// Addresses compared without their scheme, ignoring letter case and one trailing slash.
bool areURLsSame(const WCHAR* x, const WCHAR* y);
