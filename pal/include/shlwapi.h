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

// Compares two URLs as written, letter case included; with fIgnoreSlash one trailing "/" on either is ignored.
extern "C" int UrlCompareW(LPCWSTR psz1, LPCWSTR psz2, BOOL fIgnoreSlash);

#pragma GCC visibility pop
