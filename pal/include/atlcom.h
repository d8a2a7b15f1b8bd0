// Vantora platform layer: declares only what Vantora uses of ATL's COM support: the registrar for .rgs
// scripts, per-user registration, type library registration, the object map, the class factory and the
// in-process server module behind DllGetClassObject, DllCanUnloadNow and (Un)RegisterServer.
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "atlbase.h"
#include "windows.h"

#ifndef TYPE_E_CANTLOADLIBRARY
#define TYPE_E_CANTLOADLIBRARY _HRESULT_TYPEDEF_(0x80029C4AL)
#endif

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
    HRESULT Expand(LPCOLESTR script, std::u16string& out) const;
    HRESULT Run(LPCOLESTR script, bool doRegister);
    HRESULT ResourceRun(HINSTANCE hInst, UINT nID, LPCOLESTR szType, bool doRegister);

    std::vector<std::pair<std::u16string, std::u16string>> m_replacements;
};

// Registers the type library held as TYPELIB resource lpszIndex ("\\2"; null for 1) of the module:
// HKCR\TypeLib\{LIBID}\<version> and HKCR\Interface\{IID} of its automation interfaces.
HRESULT AtlRegisterTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex);
HRESULT AtlUnRegisterTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex);

// Per-user registration: classes go to HKCU\Software\Classes instead of the machine's classes. The
// switch belongs to the module that includes this header, like every ATL module's own.
inline bool _AtlRegisterPerUser = false;
inline HRESULT AtlSetPerUserRegistration(bool bEnable)
{
    _AtlRegisterPerUser = bEnable;
    return S_OK;
}
inline HRESULT AtlGetPerUserRegistration(bool* pbEnabled)
{
    if (!pbEnabled)
        return E_POINTER;
    *pbEnabled = _AtlRegisterPerUser;
    return S_OK;
}

// While alive, and when per-user registration is on, HKEY_CLASSES_ROOT means the user's classes.
class CAtlPerUserClassesScope {
public:
    CAtlPerUserClassesScope()
    {
        if (!_AtlRegisterPerUser)
            return;
        HKEY classes = nullptr;
        m_status = RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                   &classes, nullptr);
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

// Creates an object of a class and hands out the interface riid (pv is the aggregating outer, unused).
typedef HRESULT _ATL_CREATORFUNC(void* pv, REFIID riid, LPVOID* ppv);

struct _ATL_OBJMAP_ENTRY {
    CLSID clsid;
    UINT registryResourceId; // its REGISTRY script, 0 for none
    _ATL_CREATORFUNC* pfnCreateInstance; // null: registered, but no object can be made
};

// The module's object map (one per module: it lives in the module that includes this header).
inline std::vector<_ATL_OBJMAP_ENTRY>& AtlObjectMap()
{
    static std::vector<_ATL_OBJMAP_ENTRY> map;
    return map;
}

// Adds a class to the map, or completes its entry (a resource id or creator of 0 keeps the one it has).
inline bool AtlRegisterObject(REFCLSID clsid, UINT registryResourceId, _ATL_CREATORFUNC* creator)
{
    for (_ATL_OBJMAP_ENTRY& e : AtlObjectMap()) {
        if (e.clsid == clsid) {
            if (registryResourceId)
                e.registryResourceId = registryResourceId;
            if (creator)
                e.pfnCreateInstance = creator;
            return true;
        }
    }
    AtlObjectMap().push_back({clsid, registryResourceId, creator});
    return true;
}

#define DECLARE_REGISTRY_RESOURCEID(x) \
    static UINT GetRegistryResourceId() { return (x); }
// The class provides GetRegistryResourceId() and a static CreateInstance(void*, REFIID, void**).
#define OBJECT_ENTRY_AUTO(clsid, class)                                                                 \
    [[maybe_unused]] static const bool vtr_objmap_##class =                                             \
        ::ATL::AtlRegisterObject(clsid, class::GetRegistryResourceId(), &class::CreateInstance);

// The lock count of a server module: objects, class factories and LockServer hold it.
class CAtlModuleLock {
public:
    LONG Lock() noexcept { return ++m_nLockCnt; }
    LONG Unlock() noexcept { return --m_nLockCnt; }
    LONG GetLockCount() const noexcept { return m_nLockCnt; }

private:
    std::atomic<LONG> m_nLockCnt{0};
};

class CComClassFactory final : public IClassFactory {
public:
    CComClassFactory(_ATL_CREATORFUNC* creator, CAtlModuleLock& module) : m_creator(creator), m_module(module)
    {
        m_module.Lock(); // a factory in a client's hands keeps the module loaded
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return m_creator(nullptr, riid, ppvObject);
    }
    HRESULT LockServer(BOOL fLock) override
    {
        if (fLock)
            m_module.Lock();
        else
            m_module.Unlock();
        return S_OK;
    }

private:
    ~CComClassFactory() { m_module.Unlock(); }

    std::atomic<ULONG> m_refs{0};
    _ATL_CREATORFUNC* m_creator;
    CAtlModuleLock& m_module;
};

// An in-process server: its own registration script (the AppID), the object map's scripts and creators,
// and its type library.
class CAtlDllModule : public CAtlModuleLock {
public:
    CAtlDllModule(UINT appRegistryId, const WCHAR* appId) : m_appRegistryId(appRegistryId), m_appId(appId) {}

    HINSTANCE GetModuleInstance() const noexcept { return _AtlBaseModule.GetModuleInstance(); }

    HRESULT DllCanUnloadNow() noexcept { return GetLockCount() == 0 ? S_OK : S_FALSE; }

    HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        for (const _ATL_OBJMAP_ENTRY& e : AtlObjectMap()) {
            if (e.clsid != rclsid)
                continue;
            if (!e.pfnCreateInstance)
                break;
            auto* factory = new CComClassFactory(e.pfnCreateInstance, *this);
            factory->AddRef();
            HRESULT hr = factory->QueryInterface(riid, ppv);
            factory->Release();
            return hr;
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    }

    // Runs a REGISTRY script of the module with %MODULE% (its path) and %APPID%.
    HRESULT UpdateRegistryFromResource(UINT nResID, BOOL bRegister)
    {
        WCHAR path[1024];
        DWORD n = GetModuleFileNameW(GetModuleInstance(), path, 1024);
        if (n == 0 || n >= 1024)
            return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : DWORD(ERROR_INSUFFICIENT_BUFFER));
        CRegObject ro;
        ro.AddReplacement(u"MODULE", path);
        if (m_appId)
            ro.AddReplacement(u"APPID", m_appId);
        return bRegister ? ro.ResourceRegister(GetModuleInstance(), nResID)
                         : ro.ResourceUnregister(GetModuleInstance(), nResID);
    }

    HRESULT DllRegisterServer(BOOL bRegTypeLib = TRUE)
    {
        CAtlPerUserClassesScope scope;
        HRESULT hr = scope.Status();
        if (SUCCEEDED(hr) && m_appRegistryId)
            hr = UpdateRegistryFromResource(m_appRegistryId, TRUE);
        for (const _ATL_OBJMAP_ENTRY& e : AtlObjectMap())
            if (SUCCEEDED(hr) && e.registryResourceId)
                hr = UpdateRegistryFromResource(e.registryResourceId, TRUE);
        if (SUCCEEDED(hr) && bRegTypeLib)
            hr = AtlRegisterTypeLib(GetModuleInstance(), nullptr);
        return hr;
    }

    // Removes everything, going on past failures; returns the first one.
    HRESULT DllUnregisterServer(BOOL bUnRegTypeLib = TRUE)
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
            note(AtlUnRegisterTypeLib(GetModuleInstance(), nullptr));
        for (const _ATL_OBJMAP_ENTRY& e : AtlObjectMap())
            if (e.registryResourceId)
                note(UpdateRegistryFromResource(e.registryResourceId, FALSE));
        if (m_appRegistryId)
            note(UpdateRegistryFromResource(m_appRegistryId, FALSE));
        return hr;
    }

private:
    UINT m_appRegistryId;
    const WCHAR* m_appId;
};

} // namespace ATL
