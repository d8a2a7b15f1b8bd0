// The parser behind CreateUri: a URI text split into canonical components, as urlmon reports them.
#pragma once

#include <string>

#include "urlmon.h"

namespace pal::uri {

// URL_SCHEME numbers, as IUri reports them for Uri_PROPERTY_SCHEME.
enum Scheme : DWORD {
    SCHEME_UNKNOWN = 0, SCHEME_FTP = 1, SCHEME_HTTP = 2, SCHEME_GOPHER = 3, SCHEME_MAILTO = 4, SCHEME_NEWS = 5,
    SCHEME_NNTP = 6, SCHEME_TELNET = 7, SCHEME_WAIS = 8, SCHEME_FILE = 9, SCHEME_MK = 10, SCHEME_HTTPS = 11,
    SCHEME_SHELL = 12, SCHEME_SNEWS = 13, SCHEME_LOCAL = 14, SCHEME_JAVASCRIPT = 15, SCHEME_VBSCRIPT = 16,
    SCHEME_ABOUT = 17, SCHEME_RES = 18, SCHEME_WILDCARD = 23
};

// One component: absent, or present (possibly empty).
struct Part {
    bool present = false;
    std::u16string text;
    void Set(std::u16string value) { present = true; text = std::move(value); }
};

struct Components {
    std::u16string raw;      // the text after pre-processing
    std::u16string scheme;   // lower case
    Scheme schemeId = SCHEME_UNKNOWN;
    bool hasAuthority = false; // "//" followed the scheme
    bool dosPath = false;      // a file: URI in DOS-path form
    bool absolute = true;      // false for the opaque form of a hierarchical scheme ("http:x")
    Part userInfo, host, path, query, fragment;
    DWORD hostType = Uri_HOST_UNKNOWN;
    bool hasPort = false;
    bool explicitPort = false;
    DWORD port = 0;
};

// S_OK, or E_INVALIDARG for a text the flags do not make a URI (E_NOTIMPL for unsupported flags).
HRESULT Parse(const WCHAR* text, DWORD flags, Components& out);

// The derived string properties (absolute and display forms, authority, domain, extension...).
Part Property(const Components& c, Uri_PROPERTY prop);

} // namespace pal::uri
