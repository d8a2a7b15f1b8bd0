// Vantora platform layer: declares only what Vantora uses of urlmon.h: the URL services.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"
#include "pal/errors.h"
#include "pal/com.h"

// Bind contexts are never passed by Vantora (the argument must be null); the type is only named.
struct IBindCtx;
typedef IBindCtx* LPBC;

// S_OK when the text is a URL: a scheme and then only characters a URL may hold; S_FALSE when it is not;
// E_INVALIDARG for a null text, a bind context or a non-zero dwReserved.
STDAPI IsValidURL(LPBC pBC, LPCWSTR szURL, DWORD dwReserved);

// Uniform resource identifiers: CreateUri parses a text into an IUri whose components are read by property.
typedef enum __MIDL_IUri_0001 {
    Uri_PROPERTY_ABSOLUTE_URI = 0,
    Uri_PROPERTY_STRING_START = Uri_PROPERTY_ABSOLUTE_URI,
    Uri_PROPERTY_AUTHORITY = 1,
    Uri_PROPERTY_DISPLAY_URI = 2,
    Uri_PROPERTY_DOMAIN = 3,
    Uri_PROPERTY_EXTENSION = 4,
    Uri_PROPERTY_FRAGMENT = 5,
    Uri_PROPERTY_HOST = 6,
    Uri_PROPERTY_PASSWORD = 7,
    Uri_PROPERTY_PATH = 8,
    Uri_PROPERTY_PATH_AND_QUERY = 9,
    Uri_PROPERTY_QUERY = 10,
    Uri_PROPERTY_RAW_URI = 11,
    Uri_PROPERTY_SCHEME_NAME = 12,
    Uri_PROPERTY_USER_INFO = 13,
    Uri_PROPERTY_USER_NAME = 14,
    Uri_PROPERTY_STRING_LAST = Uri_PROPERTY_USER_NAME,
    Uri_PROPERTY_HOST_TYPE = 15,
    Uri_PROPERTY_DWORD_START = Uri_PROPERTY_HOST_TYPE,
    Uri_PROPERTY_PORT = 16,
    Uri_PROPERTY_SCHEME = 17,
    Uri_PROPERTY_ZONE = 18,
    Uri_PROPERTY_DWORD_LAST = Uri_PROPERTY_ZONE
} Uri_PROPERTY;

typedef enum __MIDL_IUri_0002 {
    Uri_HOST_UNKNOWN = 0,
    Uri_HOST_DNS = 1,
    Uri_HOST_IPV4 = 2,
    Uri_HOST_IPV6 = 3,
    Uri_HOST_IDN = 4
} Uri_HOST_TYPE;

#define Uri_CREATE_ALLOW_RELATIVE 0x00000001
#define Uri_CREATE_ALLOW_IMPLICIT_WILDCARD_SCHEME 0x00000002
#define Uri_CREATE_ALLOW_IMPLICIT_FILE_SCHEME 0x00000004
#define Uri_CREATE_NOFRAG 0x00000008
#define Uri_CREATE_NO_CANONICALIZE 0x00000010
#define Uri_CREATE_CANONICALIZE 0x00000100
#define Uri_CREATE_FILE_USE_DOS_PATH 0x00000020
#define Uri_CREATE_DECODE_EXTRA_INFO 0x00000040
#define Uri_CREATE_NO_DECODE_EXTRA_INFO 0x00000080
#define Uri_CREATE_CRACK_UNKNOWN_SCHEMES 0x00000200
#define Uri_CREATE_NO_CRACK_UNKNOWN_SCHEMES 0x00000400
#define Uri_CREATE_PRE_PROCESS_HTML_URI 0x00000800
#define Uri_CREATE_NO_PRE_PROCESS_HTML_URI 0x00001000
#define Uri_CREATE_IE_SETTINGS 0x00002000
#define Uri_CREATE_NO_IE_SETTINGS 0x00004000
#define Uri_CREATE_NO_ENCODE_FORBIDDEN_CHARACTERS 0x00008000

DECLARE_INTERFACE_IID(IUri, IUnknown, "a39ee748-6a27-4817-a6f2-13914bef5890")
{
    virtual HRESULT GetPropertyBSTR(Uri_PROPERTY uriProp, BSTR* pbstrProperty, DWORD dwFlags) = 0;
    virtual HRESULT GetPropertyLength(Uri_PROPERTY uriProp, DWORD* pcchProperty, DWORD dwFlags) = 0;
    virtual HRESULT GetPropertyDWORD(Uri_PROPERTY uriProp, DWORD* pdwProperty, DWORD dwFlags) = 0;
    virtual HRESULT HasProperty(Uri_PROPERTY uriProp, BOOL* pfHasProperty) = 0;
    virtual HRESULT GetAbsoluteUri(BSTR* pbstrAbsoluteUri) = 0;
    virtual HRESULT GetAuthority(BSTR* pbstrAuthority) = 0;
    virtual HRESULT GetDisplayUri(BSTR* pbstrDisplayString) = 0;
    virtual HRESULT GetDomain(BSTR* pbstrDomain) = 0;
    virtual HRESULT GetExtension(BSTR* pbstrExtension) = 0;
    virtual HRESULT GetFragment(BSTR* pbstrFragment) = 0;
    virtual HRESULT GetHost(BSTR* pbstrHost) = 0;
    virtual HRESULT GetPassword(BSTR* pbstrPassword) = 0;
    virtual HRESULT GetPath(BSTR* pbstrPath) = 0;
    virtual HRESULT GetPathAndQuery(BSTR* pbstrPathAndQuery) = 0;
    virtual HRESULT GetQuery(BSTR* pbstrQuery) = 0;
    virtual HRESULT GetRawUri(BSTR* pbstrRawUri) = 0;
    virtual HRESULT GetSchemeName(BSTR* pbstrSchemeName) = 0;
    virtual HRESULT GetUserInfo(BSTR* pbstrUserInfo) = 0;
    virtual HRESULT GetUserName(BSTR* pbstrUserName) = 0;
    virtual HRESULT GetHostType(DWORD* pdwHostType) = 0;
    virtual HRESULT GetPort(DWORD* pdwPort) = 0;
    virtual HRESULT GetScheme(DWORD* pdwScheme) = 0;
    virtual HRESULT GetZone(DWORD* pdwZone) = 0;
    virtual HRESULT GetProperties(LPDWORD pdwFlags) = 0;
    virtual HRESULT IsEqual(IUri* pUri, BOOL* pfEqual) = 0;
};
#define IID_IUri __uuidof(IUri)

// Parses and canonicalises a URI. dwReserved must be 0. Of the creation flags, those that relax what is
// accepted (relative references, implicit schemes), NOFRAG, NO_CANONICALIZE, NO_CRACK_UNKNOWN_SCHEMES and
// IE_SETTINGS are not supported: E_NOTIMPL rather than a guess at their rules.
STDAPI CreateUri(LPCWSTR pwzURI, DWORD dwFlags, DWORD_PTR dwReserved, IUri** ppURI);

#pragma GCC visibility pop
