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

// What kind of content an extension (".txt") names, from the MIME database. *ppszType (optional) gets the
// kind's name ("text", "image", "audio", "video", "compressed", "document", "application"), allocated with
// CoTaskMemAlloc. An extension of no known kind gives HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION) with
// PERCEIVED_TYPE_UNSPECIFIED; a null or empty one E_INVALIDARG.
typedef enum tagPERCEIVED {
    PERCEIVED_TYPE_FIRST = -3,
    PERCEIVED_TYPE_CUSTOM = -3,
    PERCEIVED_TYPE_UNSPECIFIED = -2,
    PERCEIVED_TYPE_FOLDER = -1,
    PERCEIVED_TYPE_UNKNOWN = 0,
    PERCEIVED_TYPE_TEXT = 1,
    PERCEIVED_TYPE_IMAGE = 2,
    PERCEIVED_TYPE_AUDIO = 3,
    PERCEIVED_TYPE_VIDEO = 4,
    PERCEIVED_TYPE_COMPRESSED = 5,
    PERCEIVED_TYPE_DOCUMENT = 6,
    PERCEIVED_TYPE_SYSTEM = 7,
    PERCEIVED_TYPE_APPLICATION = 8,
    PERCEIVED_TYPE_GAMEMEDIA = 9,
    PERCEIVED_TYPE_CONTACTS = 10,
    PERCEIVED_TYPE_LAST = 10
} PERCEIVED;
#define PERCEIVEDFLAG_UNDEFINED 0x0000
#define PERCEIVEDFLAG_SOFTCODED 0x0001
#define PERCEIVEDFLAG_HARDCODED 0x0002
#define PERCEIVEDFLAG_NATIVESUPPORT 0x0004
#define PERCEIVEDFLAG_GDIPLUS 0x0010
#define PERCEIVEDFLAG_WMSDK 0x0020
#define PERCEIVEDFLAG_ZIPFOLDER 0x0040
typedef DWORD PERCEIVEDFLAG;
STDAPI AssocGetPerceivedType(LPCWSTR pszExt, PERCEIVED* ptype, PERCEIVEDFLAG* pflag, LPWSTR* ppszType);

// A string of an extension's association: the MIME type's description, the default application's name
// or its command line (the file as "%1"). *pcchOut is the buffer's size in and the characters written
// with the NUL out; a null pszOut gives S_FALSE with the size needed; a short buffer gives E_POINTER with
// the size needed, the answer cut to fit unless ASSOCF_NOTRUNCATE. An extension without the association
// gives HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION).
typedef DWORD ASSOCF;
#define ASSOCF_NONE 0x00000000
#define ASSOCF_INIT_NOREMAPCLSID 0x00000001
#define ASSOCF_INIT_BYEXENAME 0x00000002
#define ASSOCF_INIT_DEFAULTTOSTAR 0x00000004
#define ASSOCF_INIT_DEFAULTTOFOLDER 0x00000008
#define ASSOCF_NOUSERSETTINGS 0x00000010
#define ASSOCF_NOTRUNCATE 0x00000020
#define ASSOCF_VERIFY 0x00000040
#define ASSOCF_REMAPRUNDLL 0x00000080
#define ASSOCF_NOFIXUPS 0x00000100
#define ASSOCF_IGNOREBASECLASS 0x00000200
#define ASSOCF_INIT_IGNOREUNKNOWN 0x00000400
typedef enum {
    ASSOCSTR_COMMAND = 1,
    ASSOCSTR_EXECUTABLE,
    ASSOCSTR_FRIENDLYDOCNAME,
    ASSOCSTR_FRIENDLYAPPNAME,
    ASSOCSTR_NOOPEN,
    ASSOCSTR_SHELLNEWVALUE,
    ASSOCSTR_DDECOMMAND,
    ASSOCSTR_DDEIFEXEC,
    ASSOCSTR_DDEAPPLICATION,
    ASSOCSTR_DDETOPIC,
    ASSOCSTR_INFOTIP,
    ASSOCSTR_QUICKTIP,
    ASSOCSTR_TILEINFO,
    ASSOCSTR_CONTENTTYPE,
    ASSOCSTR_DEFAULTICON,
    ASSOCSTR_SHELLEXTENSION,
    ASSOCSTR_MAX
} ASSOCSTR;
STDAPI AssocQueryStringW(ASSOCF flags, ASSOCSTR str, LPCWSTR pszAssoc, LPCWSTR pszExtra, LPWSTR pszOut,
                         DWORD* pcchOut);

// URLs. UrlUnescapeW replaces each "%XY" (two hexadecimal digits) by the character with that code: one
// UTF-16 unit per escape, or, with URL_UNESCAPE_AS_UTF8, runs of escapes read as UTF-8. Into a buffer,
// *pcchUnescaped is its size in and the characters written (without the NUL) out; a short buffer gives
// E_POINTER with the size needed (NUL included). In place, pcchUnescaped may be null and is not changed.
#define URL_UNESCAPE_AS_UTF8 0x00040000
#define URL_UNESCAPE_INPLACE 0x00100000
#define URL_UNESCAPE_HIGH_ANSI_ONLY 0x00400000
#define URL_DONT_UNESCAPE_EXTRA_INFO 0x02000000
STDAPI UrlUnescapeW(LPWSTR pszUrl, LPWSTR pszUnescaped, LPDWORD pcchUnescaped, DWORD dwFlags);
#define UrlUnescapeInPlace(pszUrl, dwFlags) UrlUnescapeW(pszUrl, NULL, NULL, (dwFlags) | URL_UNESCAPE_INPLACE)

// Whether a file or folder exists at the path.
extern "C" BOOL PathFileExistsW(LPCWSTR pszPath);

// The "file:" URL of a path, escaped so that any path name survives as one URL. *pcchUrl is the buffer's
// size in and the length written (without the NUL) out; a short buffer gives E_POINTER with the size needed.
#define URL_ESCAPE_AS_UTF8 0x00040000
STDAPI UrlCreateFromPathW(LPCWSTR pszPath, LPWSTR pszUrl, LPDWORD pcchUrl, DWORD dwFlags);

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
