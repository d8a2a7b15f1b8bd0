// Vantora platform layer: declares only what Vantora uses of the shell light-weight utility API.
#pragma once

#pragma GCC visibility push(default)

#include "objidl.h"
#include "pal/types.h"

// Streams: a read-write copy of a memory block, and a stream over a file.
extern "C" IStream* SHCreateMemStream(const BYTE* pInit, UINT cbInit);
STDAPI SHCreateStreamOnFileEx(LPCWSTR pszFile, DWORD grfMode, DWORD dwAttributes, BOOL fCreate,
                              IStream* pstmTemplate, IStream** ppstm);

// File associations. An extension such as ".exe" that the shell never runs without a warning.
extern "C" BOOL AssocIsDangerous(LPCWSTR pszAssoc);

// URLs. UrlUnescapeW replaces each "%XY" (two hexadecimal digits) by the character with that code: one
// UTF-16 unit per escape, or, with URL_UNESCAPE_AS_UTF8, runs of escapes read as UTF-8. Into a buffer,
// *pcchUnescaped is its size in and the characters written (without the NUL) out; a short buffer gives
// E_POINTER with the size needed (NUL included). In place, pcchUnescaped may be null and is not changed.
#define URL_UNESCAPE_AS_UTF8 0x00040000
#define URL_UNESCAPE_INPLACE 0x00100000
#define URL_UNESCAPE_HIGH_ANSI_ONLY 0x00400000
#define URL_DONT_UNESCAPE_EXTRA_INFO 0x02000000
STDAPI UrlUnescapeW(LPWSTR pszUrl, LPWSTR pszUnescaped, LPDWORD pcchUnescaped, DWORD dwFlags);
#define UrlUnescapeInPlaceW(pszUrl, dwFlags) UrlUnescapeW(pszUrl, NULL, NULL, (dwFlags) | URL_UNESCAPE_INPLACE)

// Whether a file or folder exists at the path.
extern "C" BOOL PathFileExistsW(LPCWSTR pszPath);

// Compares two URLs as written, letter case included; with fIgnoreSlash one trailing "/" on either is ignored.
extern "C" int UrlCompareW(LPCWSTR psz1, LPCWSTR psz2, BOOL fIgnoreSlash);

// Splits a URL at its scheme: the scheme (letters, digits, "+", "-", ".", at least two characters) and what
// follows the ":" (for file: also past a leading "//"), with the URL_SCHEME of a known scheme name.
// A text without such a scheme gives URL_E_INVALID_SYNTAX (declared by intshcut.h on Windows).
typedef enum {
    URL_SCHEME_INVALID = -1,
    URL_SCHEME_UNKNOWN = 0,
    URL_SCHEME_FTP,
    URL_SCHEME_HTTP,
    URL_SCHEME_GOPHER,
    URL_SCHEME_MAILTO,
    URL_SCHEME_NEWS,
    URL_SCHEME_NNTP,
    URL_SCHEME_TELNET,
    URL_SCHEME_WAIS,
    URL_SCHEME_FILE,
    URL_SCHEME_MK,
    URL_SCHEME_HTTPS,
    URL_SCHEME_SHELL,
    URL_SCHEME_SNEWS,
    URL_SCHEME_LOCAL,
    URL_SCHEME_JAVASCRIPT,
    URL_SCHEME_VBSCRIPT,
    URL_SCHEME_ABOUT,
    URL_SCHEME_RES,
    URL_SCHEME_MSSHELLROOTED,
    URL_SCHEME_MSSHELLIDLIST,
    URL_SCHEME_MSHELP,
    URL_SCHEME_MSSHELLDEVICE,
    URL_SCHEME_WILDCARD,
    URL_SCHEME_SEARCH_MS,
    URL_SCHEME_SEARCH,
    URL_SCHEME_KNOWNFOLDER,
    URL_SCHEME_MAXVALUE
} URL_SCHEME;

typedef struct tagPARSEDURLW {
    DWORD cbSize;
    LPCWSTR pszProtocol;
    UINT cchProtocol;
    LPCWSTR pszSuffix;
    UINT cchSuffix;
    UINT nScheme;
} PARSEDURLW, *PPARSEDURLW;

#ifndef URL_E_INVALID_SYNTAX
#define URL_E_INVALID_SYNTAX _HRESULT_TYPEDEF_(0x80041001L)
#endif
STDAPI ParseURLW(LPCWSTR pcszURL, PARSEDURLW* ppu);

#pragma GCC visibility pop
