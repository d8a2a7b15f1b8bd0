// How the Office application finds and starts an add-in: the add-in key under
// HKLM\Software\Microsoft\Office\Outlook\Addins names a ProgID, the ProgID (directly or through CurVer) a
// CLSID, the CLSID its in-process module; the module's class object creates the add-in.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows.h"

#include "__Utilities/WString.h"

namespace host {

extern const WCHAR kAddinsKey[];

// What the registry says about one add-in class; error is empty when the module was found.
struct AddinClass {
    std::string clsid, module, threadingModel;
    CLSID classId{};
    std::string error;
};
AddinClass FindAddinClass(const std::string& progId);

std::optional<WString> ReadRegString(HKEY root, const WString& path, const WCHAR* name);
std::optional<DWORD> ReadRegDword(HKEY root, const WString& path, const WCHAR* name);

// A loaded add-in module and its exports.
class AddinModule {
public:
    AddinModule() = default;
    AddinModule(const AddinModule&) = delete;
    AddinModule& operator=(const AddinModule&) = delete;
    ~AddinModule() { UnloadIfIdle(); }

    bool Load(const std::string& path, std::string& error);
    bool HasClassObject() const { return m_getClassObject != nullptr; }
    // The module's handle (its resources); null before Load.
    HMODULE Handle() const { return m_module; }
    HRESULT GetClassObject(REFCLSID clsid, IClassFactory** factory);
    // DllGetClassObject, then IClassFactory::CreateInstance(nullptr, IID_IUnknown).
    HRESULT CreateInstance(REFCLSID clsid, IUnknown** object);
    // DllCanUnloadNow; E_NOTIMPL when the module does not export it.
    HRESULT CanUnloadNow();
    // Unloads the module when it agrees (or has no DllCanUnloadNow), as the application does.
    void UnloadIfIdle();
    void Unload();

private:
    typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
    typedef HRESULT(STDAPICALLTYPE* CanUnloadNowFn)();
    HMODULE m_module = nullptr;
    GetClassObjectFn m_getClassObject = nullptr;
    CanUnloadNowFn m_canUnloadNow = nullptr;
};

} // namespace host
