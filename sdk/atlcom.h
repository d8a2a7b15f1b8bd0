// Our subset of ATL's COM support, with ATL's own shapes, written against the Windows API so that it
// compiles over the Windows SDK and over the platform layer alike: the registrar for .rgs scripts, type
// library registration, object roots and interface maps, the class factory, the object map, the in-process
// server module behind the Dll* exports, dispatch through the type library (IDispatchImpl) and event sinks
// of dispatch interfaces (IDispEventSimpleImpl). Only what Vantora uses.
#pragma once

#include <cstddef>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <ocidl.h>

#include "atlbase.h"


namespace ATL {

// Runs registration scripts. %NAME% in a script stands for the replacement added under NAME.
class CRegObject {
public:
    HRESULT AddReplacement(LPCOLESTR key, LPCOLESTR item);
    HRESULT ClearReplacements();
    HRESULT StringRegister(LPCOLESTR script);
    HRESULT StringUnregister(LPCOLESTR script);
    // A script held as a resource of the module (type "REGISTRY" when szType is null).
    HRESULT ResourceRegister(HINSTANCE hInst, UINT nID, LPCOLESTR szType = nullptr);
    HRESULT ResourceUnregister(HINSTANCE hInst, UINT nID, LPCOLESTR szType = nullptr);

private:
    using String = std::basic_string<OLECHAR>;
    HRESULT Expand(LPCOLESTR script, String& out) const;
    HRESULT Run(LPCOLESTR script, bool doRegister);
    HRESULT ResourceRun(HINSTANCE hInst, UINT nID, LPCOLESTR szType, bool doRegister);

    std::vector<std::pair<String, String>> m_replacements;
};

} // namespace ATL

#include "statreg.h"

namespace ATL {

// Loads the type library held as TYPELIB resource lpszIndex ("\\2"; null for 1) of the module; gives its
// path as the system names it (the module's path, with the index when there is one).
inline HRESULT AtlLoadTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex, BSTR* pbstrPath, ITypeLib** ppTypeLib)
{
    if (!pbstrPath || !ppTypeLib)
        return E_POINTER;
    *pbstrPath = nullptr;
    *ppTypeLib = nullptr;
    WCHAR module[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(hInstTypeLib, module, DWORD(std::size(module)));
    if (n == 0 || n >= std::size(module))
        return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : DWORD(ERROR_INSUFFICIENT_BUFFER));
    CComBSTR path(int(n), module);
    if (lpszIndex && *lpszIndex)
        path.Append(lpszIndex);
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, ppTypeLib);
    if (SUCCEEDED(hr))
        *pbstrPath = path.Detach();
    return hr;
}

// Under per-user registration, oleaut32's per-user form of a registration function. Those forms came with
// later systems: found at run time, as ATL finds them; null when absent or when registering per machine.
template <class Fn> Fn _AtlPerUserTypeLibFunction(const char* name)
{
    HMODULE oleaut = _AtlRegisterPerUser ? GetModuleHandleW(OLESTR("OLEAUT32.DLL")) : nullptr;
    return oleaut ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(oleaut, name))) : nullptr;
}

// Registers the module's type library: TypeLib\{LIBID}\<version> and Interface\{IID} of its automation
// interfaces, in the user's classes under per-user registration.
inline HRESULT AtlRegisterTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex)
{
    CComBSTR path;
    CComPtr<ITypeLib> typeLib;
    HRESULT hr = AtlLoadTypeLib(hInstTypeLib, lpszIndex, &path, &typeLib);
    if (FAILED(hr))
        return hr;
    // The help folder is the module's own.
    std::basic_string<OLECHAR> helpDir(path.m_str, path.Length());
    if (lpszIndex && *lpszIndex)
        helpDir.erase(helpDir.size() - wcslen(lpszIndex));
    size_t slash = helpDir.find_last_of(OLESTR('\\'));
    helpDir.erase(slash == helpDir.npos ? 0 : slash);
    typedef HRESULT(STDAPICALLTYPE * RegisterFn)(ITypeLib*, OLECHAR*, OLECHAR*);
    RegisterFn forUser = _AtlPerUserTypeLibFunction<RegisterFn>("RegisterTypeLibForUser");
    return forUser ? forUser(typeLib, path, &helpDir[0]) : RegisterTypeLib(typeLib, path, &helpDir[0]);
}

// Removes what AtlRegisterTypeLib wrote; a library that is not registered is nothing to remove.
inline HRESULT AtlUnRegisterTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex)
{
    CComBSTR path;
    CComPtr<ITypeLib> typeLib;
    HRESULT hr = AtlLoadTypeLib(hInstTypeLib, lpszIndex, &path, &typeLib);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = typeLib->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    WCHAR libid[40] = {};
    StringFromGUID2(attr->guid, libid, 40);
    auto hex = [](unsigned v) {
        std::basic_string<OLECHAR> text;
        do
            text.insert(text.begin(), OLECHAR(OLESTR("0123456789abcdef")[v % 16]));
        while (v /= 16);
        return text;
    };
    std::basic_string<OLECHAR> key = std::basic_string<OLECHAR>(OLESTR("TypeLib\\")) + libid + OLESTR("\\") +
                                     hex(attr->wMajorVerNum) + OLESTR(".") + hex(attr->wMinorVerNum);
    HKEY versionKey = nullptr;
    LSTATUS found = RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &versionKey);
    if (found == ERROR_SUCCESS) {
        RegCloseKey(versionKey);
        typedef HRESULT(STDAPICALLTYPE * UnregisterFn)(REFGUID, WORD, WORD, LCID, SYSKIND);
        UnregisterFn forUser = _AtlPerUserTypeLibFunction<UnregisterFn>("UnRegisterTypeLibForUser");
        UnregisterFn unregister = forUser ? forUser : &UnRegisterTypeLib;
        hr = unregister(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    }
    typeLib->ReleaseTLibAttr(attr);
    return hr;
}

// While alive, and when per-user registration is on, HKEY_CLASSES_ROOT means the user's classes.
class CAtlPerUserClassesScope {
public:
    CAtlPerUserClassesScope()
    {
        if (!_AtlRegisterPerUser)
            return;
        HKEY classes = nullptr;
        m_status = RegCreateKeyExW(HKEY_CURRENT_USER, OLESTR("Software\\Classes"), 0, nullptr, 0, KEY_ALL_ACCESS,
                                   nullptr, &classes, nullptr);
        if (m_status == ERROR_SUCCESS) {
            m_status = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes);
            m_overridden = m_status == ERROR_SUCCESS;
            RegCloseKey(classes);
        }
    }
    ~CAtlPerUserClassesScope()
    {
        if (m_overridden)
            RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    CAtlPerUserClassesScope(const CAtlPerUserClassesScope&) = delete;
    CAtlPerUserClassesScope& operator=(const CAtlPerUserClassesScope&) = delete;
    HRESULT Status() const { return m_status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(DWORD(m_status)); }

private:
    LSTATUS m_status = ERROR_SUCCESS;
    bool m_overridden = false;
};

// ---- object roots and interface maps ----

typedef HRESULT(WINAPI _ATL_CREATORFUNC)(void* pv, REFIID riid, LPVOID* ppv);
typedef HRESULT(WINAPI _ATL_CREATORARGFUNC)(void* pv, REFIID riid, LPVOID* ppv, DWORD_PTR dw);

// One row of an interface map: the interface and the offset of its base in the class (null piid ends it).
struct _ATL_INTMAP_ENTRY {
    const IID* piid;
    DWORD_PTR dw;
    _ATL_CREATORARGFUNC* pFunc;
};
#define _ATL_SIMPLEMAPENTRY ((::ATL::_ATL_CREATORARGFUNC*)1)

inline HRESULT WINAPI AtlInternalQueryInterface(void* pThis, const _ATL_INTMAP_ENTRY* pEntries, REFIID iid,
                                                void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (!pThis || !pEntries)
        return E_INVALIDARG;
    // IUnknown is the first interface of the map.
    if (InlineIsEqualGUID(iid, IID_IUnknown)) {
        IUnknown* unk = reinterpret_cast<IUnknown*>(reinterpret_cast<DWORD_PTR>(pThis) + pEntries->dw);
        unk->AddRef();
        *ppvObject = unk;
        return S_OK;
    }
    for (; pEntries->pFunc; ++pEntries) {
        if (pEntries->pFunc == _ATL_SIMPLEMAPENTRY && InlineIsEqualGUID(iid, *pEntries->piid)) {
            IUnknown* unk = reinterpret_cast<IUnknown*>(reinterpret_cast<DWORD_PTR>(pThis) + pEntries->dw);
            unk->AddRef();
            *ppvObject = unk;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// The reference count of an object, in the threading model of its class.
template <class ThreadModel> class CComObjectRootEx {
public:
    typedef ThreadModel _ThreadModel;

    ULONG InternalAddRef() noexcept { return ThreadModel::Increment(&m_dwRef); }
    ULONG InternalRelease() noexcept { return ThreadModel::Decrement(&m_dwRef); }
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}
    static HRESULT WINAPI InternalQueryInterface(void* pThis, const _ATL_INTMAP_ENTRY* pEntries, REFIID iid,
                                                 void** ppvObject)
    {
        return AtlInternalQueryInterface(pThis, pEntries, iid, ppvObject);
    }

protected:
    LONG m_dwRef = 0;
};

// The offset of base class `base` inside `derived` (the this-adjustment of a cast).
#define offsetofclass(base, derived) \
    (reinterpret_cast<DWORD_PTR>(static_cast<base*>(reinterpret_cast<derived*>(8))) - 8)

#define BEGIN_COM_MAP(x)                                                                              \
public:                                                                                               \
    typedef x _ComMapClass;                                                                           \
    HRESULT _InternalQueryInterface(REFIID iid, void** ppvObject)                                     \
    {                                                                                                 \
        return this->InternalQueryInterface(this, _GetEntries(), iid, ppvObject);                     \
    }                                                                                                 \
    static const ::ATL::_ATL_INTMAP_ENTRY* WINAPI _GetEntries()                                       \
    {                                                                                                 \
        static const ::ATL::_ATL_INTMAP_ENTRY _entries[] = {
#define COM_INTERFACE_ENTRY(x) {&__uuidof(x), offsetofclass(x, _ComMapClass), _ATL_SIMPLEMAPENTRY},
#define COM_INTERFACE_ENTRY2(x, x2) \
    {&__uuidof(x), reinterpret_cast<DWORD_PTR>(static_cast<x*>(static_cast<x2*>(reinterpret_cast<_ComMapClass*>(8)))) - 8, _ATL_SIMPLEMAPENTRY},
#define COM_INTERFACE_ENTRY_IID(iid, x) {&(iid), offsetofclass(x, _ComMapClass), _ATL_SIMPLEMAPENTRY},
#define END_COM_MAP()                                                                                 \
            {nullptr, 0, nullptr}};                                                                   \
        return _entries;                                                                              \
    }                                                                                                 \
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;                                                     \
    virtual ULONG STDMETHODCALLTYPE Release() = 0;                                                    \
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) = 0;

// The final class of an object: its IUnknown, its life and its hold on the module.
template <class Base> class CComObject : public Base {
public:
    CComObject(void* = nullptr) { _pAtlModule->Lock(); }
    virtual ~CComObject()
    {
        this->m_dwRef = -(0x7FFFFFFF / 2); // a stray reference taken while releasing does not destroy twice
        this->FinalRelease();
        _pAtlModule->Unlock();
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return this->InternalAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG l = this->InternalRelease();
        if (l == 0)
            delete this;
        return l;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppvObject) override
    {
        return this->_InternalQueryInterface(iid, ppvObject);
    }

    // A new object with no reference yet, its FinalConstruct done.
    static HRESULT WINAPI CreateInstance(CComObject<Base>** pp)
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        // As ATL's ATLTRY: a constructor that throws makes no object, and nothing escapes to the caller.
        CComObject<Base>* p = nullptr;
        try {
            p = new CComObject<Base>();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        p->InternalAddRef();
        HRESULT hr = p->FinalConstruct();
        p->InternalRelease();
        if (FAILED(hr)) {
            delete p;
            return hr;
        }
        *pp = p;
        return S_OK;
    }
};

// Makes an object of T1 and hands out riid.
template <class T1> class CComCreator {
public:
    static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, LPVOID* ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pv)
            return CLASS_E_NOAGGREGATION;
        T1* p = nullptr;
        HRESULT hr = T1::CreateInstance(&p);
        if (FAILED(hr))
            return hr;
        p->AddRef();
        hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
};

// A creator for classes that cannot be made.
class CComFailCreator {
public:
    static HRESULT WINAPI CreateInstance(void*, REFIID, LPVOID* ppv)
    {
        if (ppv)
            *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
};

// The class factory of a creatable class; a factory in a client's hands keeps the module loaded.
class CComClassFactory : public IClassFactory, public CComObjectRootEx<CComSingleThreadModel> {
public:
    BEGIN_COM_MAP(CComClassFactory)
        COM_INTERFACE_ENTRY(IClassFactory)
    END_COM_MAP()

    void SetVoid(void* pv) noexcept { m_pfnCreateInstance = reinterpret_cast<_ATL_CREATORFUNC*>(pv); }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return m_pfnCreateInstance ? m_pfnCreateInstance(nullptr, riid, ppvObject) : E_UNEXPECTED;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override
    {
        if (fLock)
            _pAtlModule->Lock();
        else
            _pAtlModule->Unlock();
        return S_OK;
    }

private:
    _ATL_CREATORFUNC* m_pfnCreateInstance = nullptr;
};

// Makes the class factory of a class; pv is the creator of the class's objects.
template <class Factory> class CComFactoryCreator {
public:
    static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, LPVOID* ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        CComObject<Factory>* p = nullptr;
        HRESULT hr = CComObject<Factory>::CreateInstance(&p);
        if (FAILED(hr))
            return hr;
        p->SetVoid(pv);
        p->AddRef();
        hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
};

#define DECLARE_CLASSFACTORY() typedef ::ATL::CComFactoryCreator<::ATL::CComClassFactory> _ClassFactoryCreatorClass;
#define DECLARE_NOT_AGGREGATABLE(x) typedef ::ATL::CComCreator<::ATL::CComObject<x>> _CreatorClass;
#define DECLARE_PROTECT_FINAL_CONSTRUCT()
#define DECLARE_REGISTRY_RESOURCEID(x)                                                                \
    static HRESULT WINAPI UpdateRegistry(BOOL bRegister)                                              \
    {                                                                                                 \
        return ::ATL::_pAtlModule->UpdateRegistryFromResource((x), bRegister);                        \
    }

#define DECLARE_NO_REGISTRY() \
    static HRESULT WINAPI UpdateRegistry(BOOL) { return S_OK; }

// The class-level parts of a creatable class: its factory, its creator and its id.
template <class T, const CLSID* pclsid = &CLSID_NULL> class CComCoClass {
public:
    DECLARE_CLASSFACTORY()
    DECLARE_NOT_AGGREGATABLE(T)
    static const CLSID& WINAPI GetObjectCLSID() { return *pclsid; }
};

// ---- dispatch through the type library ----

// The type description of one interface, loaded on first use, as ATL loads it: the registered library
// (LoadRegTypeLib) of the given id and version; or, when both version numbers are 0xFFFF and the id is
// the module's own, the library held in the module (AtlLoadTypeLib), registered or not.
struct CComTypeInfoHolder {
    const GUID* m_pguid;
    const GUID* m_plibid;
    WORD m_wMajor;
    WORD m_wMinor;
    ITypeInfo* m_pInfo;

    // Holders are static members of the dispatch classes: the description goes with the module.
    ~CComTypeInfoHolder()
    {
        if (m_pInfo)
            m_pInfo->Release();
        m_pInfo = nullptr;
    }

    HRESULT GetTI(LCID lcid)
    {
        if (m_pInfo)
            return S_OK;
        ITypeLib* typeLib = nullptr;
        HRESULT hr;
        if (InlineIsEqualGUID(CAtlModule::m_libid, *m_plibid) && m_wMajor == 0xFFFF && m_wMinor == 0xFFFF) {
            BSTR path = nullptr;
            hr = AtlLoadTypeLib(_AtlBaseModule.GetModuleInstance(), nullptr, &path, &typeLib);
            SysFreeString(path);
        } else {
            hr = LoadRegTypeLib(*m_plibid, m_wMajor, m_wMinor, lcid, &typeLib);
        }
        if (SUCCEEDED(hr)) {
            hr = typeLib->GetTypeInfoOfGuid(*m_pguid, &m_pInfo);
            typeLib->Release();
        }
        return hr;
    }
    HRESULT GetTI(LCID lcid, ITypeInfo** ppInfo)
    {
        if (!ppInfo)
            return E_POINTER;
        HRESULT hr = GetTI(lcid);
        *ppInfo = m_pInfo;
        if (m_pInfo)
            m_pInfo->AddRef();
        return hr;
    }
    HRESULT GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo)
    {
        if (!pptinfo)
            return E_POINTER;
        *pptinfo = nullptr;
        if (itinfo != 0)
            return DISP_E_BADINDEX;
        return GetTI(lcid, pptinfo);
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgdispid)
    {
        HRESULT hr = GetTI(lcid);
        return m_pInfo ? m_pInfo->GetIDsOfNames(rgszNames, cNames, rgdispid) : hr;
    }
    HRESULT Invoke(IDispatch* p, DISPID dispidMember, REFIID, LCID lcid, WORD wFlags, DISPPARAMS* pdispparams,
                   VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr)
    {
        HRESULT hr = GetTI(lcid);
        return m_pInfo ? m_pInfo->Invoke(p, dispidMember, wFlags, pdispparams, pvarResult, pexcepinfo, puArgErr) : hr;
    }
};

// IDispatch of a dual interface T, answered by T's type description: callers name members, the description
// converts their arguments and calls T's methods.
template <class T, const IID* piid = &__uuidof(T), const GUID* plibid = &CAtlModule::m_libid, WORD wMajor = 1,
          WORD wMinor = 0, class tihclass = CComTypeInfoHolder>
class IDispatchImpl : public T {
public:
    typedef tihclass _tihclass;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) override
    {
        return _tih.GetTypeInfo(itinfo, lcid, pptinfo);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgdispid) override
    {
        return _tih.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgdispid);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispidMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pdispparams, VARIANT* pvarResult, EXCEPINFO* pexcepinfo,
                                     UINT* puArgErr) override
    {
        return _tih.Invoke(static_cast<IDispatch*>(this), dispidMember, riid, lcid, wFlags, pdispparams, pvarResult,
                           pexcepinfo, puArgErr);
    }

protected:
    static inline _tihclass _tih = {piid, plibid, wMajor, wMinor, nullptr};
    static HRESULT GetTI(LCID lcid, ITypeInfo** ppInfo) { return _tih.GetTI(lcid, ppInfo); }
};

// ---- connection points and event sinks of dispatch interfaces ----

// Connects the sink pUnk to the source pUnkCP's connection point for iid.
inline HRESULT AtlAdvise(IUnknown* pUnkCP, IUnknown* pUnk, const IID& iid, LPDWORD pdw)
{
    if (!pUnkCP || !pdw)
        return E_INVALIDARG;
    CComPtr<IConnectionPointContainer> container;
    HRESULT hr = pUnkCP->QueryInterface(__uuidof(IConnectionPointContainer), reinterpret_cast<void**>(&container));
    if (FAILED(hr))
        return hr;
    CComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(iid, &point);
    return SUCCEEDED(hr) ? point->Advise(pUnk, pdw) : hr;
}

inline HRESULT AtlUnadvise(IUnknown* pUnkCP, const IID& iid, DWORD dw)
{
    if (!pUnkCP)
        return E_INVALIDARG;
    CComPtr<IConnectionPointContainer> container;
    HRESULT hr = pUnkCP->QueryInterface(__uuidof(IConnectionPointContainer), reinterpret_cast<void**>(&container));
    if (FAILED(hr))
        return hr;
    CComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(iid, &point);
    return SUCCEEDED(hr) ? point->Unadvise(dw) : hr;
}

#define _ATL_MAX_VARTYPES 8

// How an event handler is called: its convention, result type and parameter types in order.
struct _ATL_FUNC_INFO {
    CALLCONV cc;
    VARTYPE vtReturn;
    SHORT nParams;
    VARTYPE pVarTypes[_ATL_MAX_VARTYPES];
};

// One row of a sink map: the sink (its id and dispinterface), the event's dispatch id and the handler.
template <class T> struct _ATL_EVENT_ENTRY {
    UINT nControlID;
    const IID* piid;
    int nOffset;
    DISPID dispid;
    void (STDMETHODCALLTYPE T::*pfn)();
    _ATL_FUNC_INFO* pInfo;
};

// A sink of a dispatch interface. _LocDEQueryInterface stands for QueryInterface, so that the class's own
// QueryInterface is not taken over by its sinks. Sources hold m_sink, an IDispatch of its own whose calls
// are the sink's: the sink itself is no IUnknown (ATL hands out `this` cast to one, which is undefined in C++).
class _IDispEvent {
public:
    _IDispEvent() noexcept : m_sink(this) {}
    _IDispEvent(const _IDispEvent&) = delete;
    _IDispEvent& operator=(const _IDispEvent&) = delete;

    virtual HRESULT STDMETHODCALLTYPE _LocDEQueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                                    DISPID* rgdispid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispidMember, REFIID riid, LCID lcid, WORD wFlags,
                                             DISPPARAMS* pdispparams, VARIANT* pvarResult, EXCEPINFO* pexcepinfo,
                                             UINT* puArgErr) = 0;

    GUID m_libid{};
    IID m_iid{};
    unsigned short m_wMajorVerNum = 0;
    unsigned short m_wMinorVerNum = 0;
    DWORD m_dwEventCookie = 0xFEFEFEFE;

    HRESULT DispEventAdvise(IUnknown* pUnk, const IID* piid)
    {
        if (m_dwEventCookie != 0xFEFEFEFE)
            return E_UNEXPECTED; // already connected
        return AtlAdvise(pUnk, &m_sink, *piid, &m_dwEventCookie);
    }
    HRESULT DispEventUnadvise(IUnknown* pUnk, const IID* piid)
    {
        HRESULT hr = AtlUnadvise(pUnk, *piid, m_dwEventCookie);
        m_dwEventCookie = 0xFEFEFEFE;
        return hr;
    }

protected:
    ~_IDispEvent() = default;

    class _Sink final : public IDispatch {
    public:
        explicit _Sink(_IDispEvent* owner) noexcept : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
        {
            return m_owner->_LocDEQueryInterface(riid, ppv);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return m_owner->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_owner->Release(); }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override { return m_owner->GetTypeInfoCount(pctinfo); }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) override
        {
            return m_owner->GetTypeInfo(itinfo, lcid, pptinfo);
        }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                                DISPID* rgdispid) override
        {
            return m_owner->GetIDsOfNames(riid, rgszNames, cNames, lcid, rgdispid);
        }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID dispidMember, REFIID riid, LCID lcid, WORD wFlags,
                                         DISPPARAMS* pdispparams, VARIANT* pvarResult, EXCEPINFO* pexcepinfo,
                                         UINT* puArgErr) override
        {
            return m_owner->Invoke(dispidMember, riid, lcid, wFlags, pdispparams, pvarResult, pexcepinfo, puArgErr);
        }

    private:
        _IDispEvent* m_owner;
    };
    _Sink m_sink;
};

// Tells the sinks of one class apart in its sink map.
template <UINT nID, const IID* piid> class _IDispEventLocator : public _IDispEvent {};

// A pointer to a member function as the compilers of both builds (GCC's x86-64 C++ ABI) hold it: the
// function's address, or 1 + its offset in the table when virtual, and the adjustment of `this`.
struct _AtlMemberFunction {
    ULONG_PTR ptr;
    LONG_PTR adj;
};

// The sink of dispatch interface *pdiid with id nID in T's sink map: the source's Invoke calls T's handler
// for the event's dispatch id through DispCallFunc, with the parameter types of its _ATL_FUNC_INFO.
template <UINT nID, class T, const IID* pdiid> class IDispEventSimpleImpl : public _IDispEventLocator<nID, pdiid> {
public:
    HRESULT STDMETHODCALLTYPE _LocDEQueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        if (InlineIsEqualGUID(riid, *pdiid) || InlineIsEqualGUID(riid, IID_IUnknown) ||
            InlineIsEqualGUID(riid, IID_IDispatch) || InlineIsEqualGUID(riid, this->m_iid)) {
            *ppvObject = static_cast<IDispatch*>(&this->m_sink);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    // A sink lives as long as its object: the object's own counting, when it has one, overrides these.
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // Events without a handler are ignored, as ATL ignores them.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispidMember, REFIID, LCID lcid, WORD, DISPPARAMS* pdispparams,
                                     VARIANT* pvarResult, EXCEPINFO*, UINT*) override
    {
        const _ATL_EVENT_ENTRY<T>* found = nullptr;
        for (const _ATL_EVENT_ENTRY<T>* e = T::_GetSinkMap(); e->piid; ++e)
            if (e->nControlID == nID && e->dispid == dispidMember && InlineIsEqualGUID(*e->piid, *pdiid)) {
                found = e;
                break;
            }
        if (!found)
            return S_OK;
        _ATL_FUNC_INFO info;
        _ATL_FUNC_INFO* pInfo = found->pInfo;
        if (!pInfo) {
            if (FAILED(GetFuncInfoFromId(*pdiid, dispidMember, lcid, info)))
                return S_OK;
            pInfo = &info;
        }
        return InvokeFromFuncInfo(found->pfn, *pInfo, pdispparams, pvarResult);
    }

    HRESULT InvokeFromFuncInfo(void (STDMETHODCALLTYPE T::*pEvent)(), _ATL_FUNC_INFO& info, DISPPARAMS* pdispparams,
                               VARIANT* pvarResult)
    {
        // A source that passes fewer arguments than the handler takes must not make it read past them.
        if (info.nParams < 0 || info.nParams > _ATL_MAX_VARTYPES ||
            (info.nParams > 0 && (!pdispparams || pdispparams->cArgs < UINT(info.nParams))))
            return DISP_E_BADPARAMCOUNT;
        static_assert(sizeof(pEvent) == sizeof(_AtlMemberFunction), "member function pointers of GCC's ABI");
        _AtlMemberFunction fn;
        std::memcpy(&fn, &pEvent, sizeof(fn));
        char* self = reinterpret_cast<char*>(static_cast<T*>(this)) + fn.adj;
        ULONG_PTR target = fn.ptr;
        if (target & 1)
            std::memcpy(&target, *reinterpret_cast<char**>(self) + target - 1, sizeof(target));
        // The handler is called as a function whose first argument is the object (a pointer); the event's
        // arguments follow in the handler's order, which is the reverse of rgvarg.
        VARIANTARG object;
        VariantInit(&object);
        object.vt = VT_BYREF | VT_UI1;
        object.byref = self;
        VARTYPE types[_ATL_MAX_VARTYPES + 1] = {VARTYPE(VT_BYREF | VT_UI1)};
        VARIANTARG* args[_ATL_MAX_VARTYPES + 1] = {&object};
        for (int i = 0; i < info.nParams; ++i) {
            types[i + 1] = info.pVarTypes[i];
            args[i + 1] = &pdispparams->rgvarg[info.nParams - i - 1];
        }
        CComVariant tmpResult;
        if (!pvarResult)
            pvarResult = &tmpResult;
        return DispCallFunc(nullptr, target, info.cc, info.vtReturn, UINT(info.nParams + 1), types, args, pvarResult);
    }

    // Handlers without an _ATL_FUNC_INFO would be described here; this sink needs one per entry.
    virtual HRESULT GetFuncInfoFromId(const IID&, DISPID, LCID, _ATL_FUNC_INFO&) { return E_NOTIMPL; }

    HRESULT DispEventAdvise(IUnknown* pUnk, const IID* piid) { return _IDispEvent::DispEventAdvise(pUnk, piid); }
    HRESULT DispEventUnadvise(IUnknown* pUnk, const IID* piid) { return _IDispEvent::DispEventUnadvise(pUnk, piid); }
    HRESULT DispEventAdvise(IUnknown* pUnk) { return _IDispEvent::DispEventAdvise(pUnk, pdiid); }
    HRESULT DispEventUnadvise(IUnknown* pUnk) { return _IDispEvent::DispEventUnadvise(pUnk, pdiid); }

protected:
    ~IDispEventSimpleImpl() = default;
};

// A handler as a sink map holds it, converted as ATL's cast converts it: a handler without arguments of a
// base class with its `this` adjustment, any other reinterpreted as it is.
template <class T, class F> void (STDMETHODCALLTYPE T::*_AtlSinkHandler(F fn))()
{
    typedef void (STDMETHODCALLTYPE T::*Handler)();
    if constexpr (std::is_convertible_v<F, Handler>) {
        return fn;
    } else {
        static_assert(sizeof(F) == sizeof(Handler), "a handler is a member function of the sink's class");
        Handler handler;
        std::memcpy(&handler, &fn, sizeof(handler));
        return handler;
    }
}

#define BEGIN_SINK_MAP(_class)                                                                        \
    typedef _class _GetSinkMapFinder;                                                                 \
    static const ::ATL::_ATL_EVENT_ENTRY<_class>* _GetSinkMap()                                       \
    {                                                                                                 \
        typedef _class _atl_event_classtype;                                                          \
        static const ::ATL::_ATL_EVENT_ENTRY<_class> map[] = {
#define SINK_ENTRY_INFO(id, iid, dispid, fn, info)                                                    \
    {id, &iid,                                                                                        \
     int(reinterpret_cast<INT_PTR>(static_cast<::ATL::_IDispEventLocator<id, &iid>*>(                 \
             reinterpret_cast<_atl_event_classtype*>(8)))) - 8,                                       \
     dispid, ::ATL::_AtlSinkHandler<_atl_event_classtype>(fn), info},
#define END_SINK_MAP()                                                                                \
    {0, nullptr, 0, 0, nullptr, nullptr}};                                                            \
    return map;                                                                                       \
    }

// ---- the object map ----

struct _ATL_OBJMAP_ENTRY {
    const CLSID* pclsid;
    HRESULT(WINAPI* pfnUpdateRegistry)(BOOL bRegister);
    _ATL_CREATORFUNC* pfnGetClassObject; // null: registered, but no object can be made
    _ATL_CREATORFUNC* pfnCreateInstance;
};

// The module's object map, filled before main by the OBJECT_ENTRY_AUTO lines of its classes.
inline std::vector<const _ATL_OBJMAP_ENTRY*>& _AtlObjectMap()
{
    static std::vector<const _ATL_OBJMAP_ENTRY*> map;
    return map;
}
inline bool _AtlAddObjectEntry(const _ATL_OBJMAP_ENTRY* entry)
{
    _AtlObjectMap().push_back(entry);
    return true;
}

#define OBJECT_ENTRY_AUTO(clsid, class)                                                                      \
    static const ::ATL::_ATL_OBJMAP_ENTRY __objMap_##class = {&(clsid), class::UpdateRegistry,                  \
        class::_ClassFactoryCreatorClass::CreateInstance, class::_CreatorClass::CreateInstance};                \
    [[maybe_unused]] static const bool __objMapAdded_##class = ::ATL::_AtlAddObjectEntry(&__objMap_##class);
// A class that is registered but whose objects are not made through the module.
#define OBJECT_ENTRY_NON_CREATEABLE_EX_AUTO(clsid, class)                                                    \
    static const ::ATL::_ATL_OBJMAP_ENTRY __objMap_##class = {&(clsid), class::UpdateRegistry, nullptr,         \
                                                              nullptr};                                         \
    [[maybe_unused]] static const bool __objMapAdded_##class = ::ATL::_AtlAddObjectEntry(&__objMap_##class);

// ---- the module ----

#define DECLARE_LIBID(libid) \
    static void InitLibId() noexcept { ::ATL::CAtlModule::m_libid = (libid); }
#define DECLARE_REGISTRY_APPID_RESOURCEID(resid, appid)                                               \
    static LPCOLESTR WINAPI GetAppId() noexcept { return OLESTR(appid); }                             \
    static HRESULT WINAPI UpdateRegistryAppId(BOOL bRegister)                                         \
    {                                                                                                 \
        ::ATL::_ATL_REGMAP_ENTRY entries[] = {{OLESTR("APPID"), GetAppId()}, {nullptr, nullptr}};     \
        return ::ATL::_pAtlModule->UpdateRegistryFromResource((resid), bRegister, entries);           \
    }

template <class T> class CAtlModuleT : public CAtlModule {
public:
    CAtlModuleT() noexcept { T::InitLibId(); }

    HRESULT UpdateRegistryFromResource(UINT nResID, BOOL bRegister,
                                       const _ATL_REGMAP_ENTRY* pMapEntries = nullptr) override
    {
        WCHAR path[MAX_PATH * 4];
        DWORD n = GetModuleFileNameW(_AtlBaseModule.GetModuleInstance(), path, DWORD(std::size(path)));
        if (n == 0 || n >= std::size(path))
            return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : DWORD(ERROR_INSUFFICIENT_BUFFER));
        CRegObject ro;
        ro.AddReplacement(OLESTR("MODULE"), path);
        for (; pMapEntries && pMapEntries->szKey; ++pMapEntries)
            ro.AddReplacement(pMapEntries->szKey, pMapEntries->szData);
        return bRegister ? ro.ResourceRegister(_AtlBaseModule.GetModuleInstance(), nResID)
                         : ro.ResourceUnregister(_AtlBaseModule.GetModuleInstance(), nResID);
    }

    // The module's AppID script, every class of the object map, and the type library.
    HRESULT RegisterServer(BOOL bRegTypeLib = FALSE)
    {
        CAtlPerUserClassesScope scope;
        HRESULT hr = scope.Status();
        if (SUCCEEDED(hr))
            hr = T::UpdateRegistryAppId(TRUE);
        for (const _ATL_OBJMAP_ENTRY* e : _AtlObjectMap())
            if (SUCCEEDED(hr))
                hr = e->pfnUpdateRegistry(TRUE);
        if (SUCCEEDED(hr) && bRegTypeLib)
            hr = AtlRegisterTypeLib(_AtlBaseModule.GetModuleInstance(), nullptr);
        return hr;
    }

    // Removes everything, going on past failures; returns the first one.
    HRESULT UnregisterServer(BOOL bUnRegTypeLib = FALSE)
    {
        CAtlPerUserClassesScope scope;
        HRESULT hr = scope.Status();
        if (FAILED(hr))
            return hr;
        auto note = [&hr](HRESULT h) {
            if (SUCCEEDED(hr) && FAILED(h))
                hr = h;
        };
        if (bUnRegTypeLib)
            note(AtlUnRegisterTypeLib(_AtlBaseModule.GetModuleInstance(), nullptr));
        for (const _ATL_OBJMAP_ENTRY* e : _AtlObjectMap())
            note(e->pfnUpdateRegistry(FALSE));
        note(T::UpdateRegistryAppId(FALSE));
        return hr;
    }
};

// An in-process server: the Dll* exports delegate here.
template <class T> class CAtlDllModuleT : public CAtlModuleT<T> {
public:
    HRESULT DllCanUnloadNow() noexcept { return this->GetLockCount() == 0 ? S_OK : S_FALSE; }

    HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        for (const _ATL_OBJMAP_ENTRY* e : _AtlObjectMap()) {
            if (!InlineIsEqualGUID(*e->pclsid, rclsid))
                continue;
            if (!e->pfnGetClassObject)
                break;
            return e->pfnGetClassObject(reinterpret_cast<void*>(e->pfnCreateInstance), riid, ppv);
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    }

    HRESULT DllRegisterServer(BOOL bRegTypeLib = TRUE) { return this->RegisterServer(bRegTypeLib); }
    HRESULT DllUnregisterServer(BOOL bUnRegTypeLib = TRUE) { return this->UnregisterServer(bUnRegTypeLib); }
};

} // namespace ATL
