// The Office add-in key of the module: HKEY_LOCAL_MACHINE\<key path> with the values that make the Office
// application load the add-in at start-up. Written by DllRegisterServer, removed by DllUnregisterServer.
#pragma once

#include <windows.h>

#include <string>
#include "__Utilities/WString.h"

class COfficeAddinRegistry {
public:
    COfficeAddinRegistry(const WCHAR* keyPath, const WCHAR* friendlyName);
    virtual ~COfficeAddinRegistry();

    // LoadBehavior 3, CommandLineSafe 0, FriendlyName and Description; S_OK, or E_FAIL when it failed.
    HRESULT Register();
    // Removes the key with everything below it; S_OK, or E_FAIL when it failed.
    HRESULT Unregister();

protected:
    WString m_localMachineKey;
    WString m_friendlyName;

private:
    static void DeleteKeyTree(HKEY hParent, const WCHAR* pName);
};
