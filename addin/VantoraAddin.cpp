// The exports of the add-in module, as the system's server registration tool and Office call them.
#include "addin/AddinModule.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/OfficeAddInRegistry.h"

namespace {

const WCHAR kAddinKey[] = W("Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect");
const WCHAR kFriendlyName[] = W("Vantora Add-In");

} // namespace

// Used to determine whether the module can be unloaded: no object, factory or server lock is left.
STDAPI DllCanUnloadNow()
{
    return _AtlModule.DllCanUnloadNow();
}

// Returns a class factory to create an object of the requested type.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    HRESULT hr = S_OK;
    try {
        hr = _AtlModule.DllGetClassObject(rclsid, riid, ppv);
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

// Adds the add-in key, the class and the type library to the registry. The add-in key's result is not
// reported: the class registration decides.
STDAPI DllRegisterServer()
{
    HRESULT hr = S_OK;
    try {
        COfficeAddinRegistry(kAddinKey, kFriendlyName).Register();
        hr = _AtlModule.DllRegisterServer();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

// Removes what DllRegisterServer added.
STDAPI DllUnregisterServer()
{
    HRESULT hr = S_OK;
    try {
        COfficeAddinRegistry(kAddinKey, kFriendlyName).Unregister();
        hr = _AtlModule.DllUnregisterServer();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

// Installs or uninstalls; the command line "user" (any case) registers the classes for the current user.
STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine)
{
    HRESULT hr = E_FAIL;
    try {
        static const WCHAR szUserSwitch[] = W("user");
        // The terminating character is compared too, so "userx" is not the switch. Each call decides
        // anew, so an earlier per-user call of this process does not carry over.
        bool perUser = pszCmdLine && _wcsnicmp(pszCmdLine, szUserSwitch, sizeof(szUserSwitch) / sizeof(WCHAR)) == 0;
        ATL::AtlSetPerUserRegistration(perUser);
        if (bInstall) {
            hr = DllRegisterServer();
            if (FAILED(hr))
                DllUnregisterServer();
        } else {
            hr = DllUnregisterServer();
        }
    }
    VTR_CATCH_ALL(hr)
    return hr;
}
