// Vantora platform layer: GUIDs, __uuidof, IUnknown, IDispatch, IClassFactory and COM error information.
#pragma once

#pragma GCC visibility push(default)

#include <cstring>
#include <type_traits>

#include "pal/errors.h"
#include "pal/types.h"

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPGUID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)
#define InlineIsEqualGUID(a, b) IsEqualGUID(a, b)

namespace pal {

constexpr unsigned HexDigit(char c)
{
    return c >= '0' && c <= '9' ? unsigned(c - '0')
         : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
         : throw "bad hexadecimal digit in GUID";
}

constexpr unsigned long long HexField(const char* s, int from, int count)
{
    unsigned long long v = 0;
    for (int i = 0; i < count; ++i)
        v = v * 16 + HexDigit(s[from + i]);
    return v;
}

// Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" at compile time.
constexpr GUID GuidFromString(const char (&s)[37])
{
    GUID g{};
    if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        throw "malformed GUID";
    g.Data1 = DWORD(HexField(s, 0, 8));
    g.Data2 = WORD(HexField(s, 9, 4));
    g.Data3 = WORD(HexField(s, 14, 4));
    g.Data4[0] = BYTE(HexField(s, 19, 2));
    g.Data4[1] = BYTE(HexField(s, 21, 2));
    for (int i = 0; i < 6; ++i)
        g.Data4[2 + i] = BYTE(HexField(s, 24 + 2 * i, 2));
    return g;
}

// The one __uuidof mechanism: a trait specialised for every interface and class that has an id.
template <class T> struct uuid_of;

template <class T> struct uuid_of<const T> : uuid_of<T> {};

} // namespace pal

#define DEFINE_UUIDOF(type, text) \
    template <> struct pal::uuid_of<type> { static constexpr GUID value = ::pal::GuidFromString(text); }

#define __uuidof(type) (::pal::uuid_of<type>::value)

#define IID_PPV_ARGS(pp) \
    ::pal::uuid_of<std::remove_pointer_t<std::remove_reference_t<decltype(*(pp))>>>::value, \
        reinterpret_cast<void**>(pp)

#define DECLARE_INTERFACE_IID(type, base, text) struct type; DEFINE_UUIDOF(type, text); struct type : public base

// The SDK's spellings, as the MIDL- and widl-generated headers write them: an interface struct, and its id
// attached to the type for __uuidof.
#define MIDL_INTERFACE(x) struct
#define DECLSPEC_UUID(x)
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                              \
    template <> struct pal::uuid_of<type> {                                                          \
        static constexpr GUID value = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};                   \
    };

extern "C" const IID GUID_NULL;
#define CLSID_NULL GUID_NULL

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

    template <class Q> HRESULT QueryInterface(Q** pp) { return QueryInterface(__uuidof(Q), reinterpret_cast<void**>(pp)); }

protected:
    ~IUnknown() = default;
};
DEFINE_UUIDOF(IUnknown, "00000000-0000-0000-C000-000000000046");
typedef IUnknown* LPUNKNOWN;

typedef LONG DISPID;
typedef DISPID MEMBERID;
typedef WORD VARTYPE;
struct tagVARIANT;
typedef tagVARIANT VARIANT;
typedef VARIANT VARIANTARG;
struct ITypeInfo;
struct ITypeLib;

#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_NEUTRAL 0x0000

typedef struct tagDISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
} DISPPARAMS;

typedef struct tagEXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT (*pfnDeferredFillIn)(struct tagEXCEPINFO*);
    SCODE scode;
} EXCEPINFO;

DECLARE_INTERFACE_IID(IDispatch, IUnknown, "00020400-0000-0000-C000-000000000046")
{
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
};
typedef IDispatch* LPDISPATCH;

DECLARE_INTERFACE_IID(IClassFactory, IUnknown, "00000001-0000-0000-C000-000000000046")
{
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;
};

DECLARE_INTERFACE_IID(IErrorInfo, IUnknown, "1CF2B120-547D-101B-8E65-08002B2BD119")
{
    virtual HRESULT GetGUID(GUID* pGUID) = 0;
    virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
    virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
    virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;
};

DECLARE_INTERFACE_IID(ICreateErrorInfo, IUnknown, "22F03340-547D-101B-8E65-08002B2BD119")
{
    virtual HRESULT SetGUID(REFGUID rguid) = 0;
    virtual HRESULT SetSource(LPOLESTR szSource) = 0;
    virtual HRESULT SetDescription(LPOLESTR szDescription) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR szHelpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD dwHelpContext) = 0;
};

DECLARE_INTERFACE_IID(ISupportErrorInfo, IUnknown, "DF0B3D60-548F-101B-8E65-08002B2BD119")
{
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

#define IID_IUnknown __uuidof(IUnknown)
#define IID_IDispatch __uuidof(IDispatch)
#define IID_IClassFactory __uuidof(IClassFactory)
#define IID_IErrorInfo __uuidof(IErrorInfo)

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)
#define COINIT_APARTMENTTHREADED 0x2

extern "C" {
HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo);
void CoTaskMemFree(LPVOID pv);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
}

#pragma GCC visibility pop
