// Our subset of ATL's COM support, with ATL's own shapes, written against the Windows API so that it
// compiles over the Windows SDK and over the platform layer alike: the registrar for .rgs scripts, type
// library registration, object roots and interface maps, the class factory, the object map and the
// in-process server module behind the Dll* exports. Only what Vantora uses.
#pragma once

#include <cstddef>
#include <iterator>
#include <new>
#include <string>
#include <utility>
#include <vector>

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
        auto* p = new (std::nothrow) CComObject<Base>();
        if (!p)
            return E_OUTOFMEMORY;
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
