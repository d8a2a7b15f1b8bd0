// PathFileExistsW: whether a file or folder exists at a Windows path, which the layer maps as Wine does.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "pal/host.h"
#include "shlwapi.h"

extern "C" BOOL PathFileExistsW(LPCWSTR pszPath)
{
    if (!pszPath || !*pszPath)
        return FALSE;
    struct stat info;
    return stat(pal::ToUnixPath(pszPath).c_str(), &info) == 0 ? TRUE : FALSE;
}

// The file URL of a path: "file://" and the Linux path the Windows path maps to, with every byte that a
// URL path cannot hold raw (space, "#", "%", "?", quotes, brackets, controls, non-ASCII as UTF-8) escaped.
// A text that is a URL already is copied as it is, with S_FALSE.
STDAPI UrlCreateFromPathW(LPCWSTR pszPath, LPWSTR pszUrl, LPDWORD pcchUrl, DWORD)
{
    if (!pszPath || !pszUrl || !pcchUrl)
        return E_INVALIDARG;
    std::u16string_view path(pszPath);
    HRESULT hr = S_OK;
    std::u16string url;
    size_t colon = path.find(u':');
    if (colon != std::u16string_view::npos && colon > 1) {
        url = path;
        hr = S_FALSE;
    } else {
        static const char kHex[] = "0123456789ABCDEF";
        std::string unix = pal::ToUnixPath(pszPath);
        std::string escaped = "file://";
        if (unix.empty() || unix[0] != '/')
            escaped += '/';
        for (unsigned char c : unix) {
            bool raw = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("-._~/!$&'()*+,;=:@", c) != nullptr;
            if (raw && c != 0) {
                escaped += char(c);
            } else {
                escaped += '%';
                escaped += kHex[c >> 4];
                escaped += kHex[c & 15];
            }
        }
        url = pal::ToWide(escaped);
    }
    if (*pcchUrl <= url.size()) {
        *pcchUrl = DWORD(url.size() + 1);
        return E_POINTER;
    }
    std::copy(url.begin(), url.end(), pszUrl);
    pszUrl[url.size()] = 0;
    *pcchUrl = DWORD(url.size());
    return hr;
}
