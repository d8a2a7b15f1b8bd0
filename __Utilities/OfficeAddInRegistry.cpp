// Registration of the Office add-in key under HKEY_LOCAL_MACHINE.
#include "__Utilities/OfficeAddInRegistry.h"

#include <atlbase.h>

#include "__Utilities/ErrorInfo.h"

namespace {

LSTATUS SetString(HKEY hKey, const WCHAR* pName, const WString& text)
{
    return RegSetValueExW(hKey, pName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD((text.size() + 1) * sizeof(WCHAR)));
}

LSTATUS SetDword(HKEY hKey, const WCHAR* pName, DWORD value)
{
    return RegSetValueExW(hKey, pName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

} // namespace

COfficeAddinRegistry::COfficeAddinRegistry(const WCHAR* keyPath, const WCHAR* friendlyName)
    : m_localMachineKey(keyPath ? keyPath : W("")), m_friendlyName(friendlyName ? friendlyName : W(""))
{
}

COfficeAddinRegistry::~COfficeAddinRegistry() = default;

HRESULT COfficeAddinRegistry::Register()
{
    HRESULT hr = S_OK;
    try {
        CRegKey hKey;
        LSTATUS retValue =
            hKey.Create(HKEY_LOCAL_MACHINE, m_localMachineKey.c_str(), nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS);
        if (retValue != ERROR_SUCCESS) {
            SetLastError(DWORD(retValue));
            throw CErrorInfo::FromLastError(VTR_HERE);
        }
        // 3: load at start-up, and loaded.
        retValue = SetDword(hKey, W("LoadBehavior"), 3);
        VTR_VERIFY(retValue == ERROR_SUCCESS, HRESULT_FROM_WIN32(DWORD(retValue)));
        retValue = SetDword(hKey, W("CommandLineSafe"), 0);
        VTR_VERIFY(retValue == ERROR_SUCCESS, HRESULT_FROM_WIN32(DWORD(retValue)));
        retValue = SetString(hKey, W("FriendlyName"), m_friendlyName);
        VTR_VERIFY(retValue == ERROR_SUCCESS, HRESULT_FROM_WIN32(DWORD(retValue)));
        retValue = SetString(hKey, W("Description"), m_friendlyName);
        VTR_VERIFY(retValue == ERROR_SUCCESS, HRESULT_FROM_WIN32(DWORD(retValue)));
        retValue = hKey.Close();
        VTR_VERIFY(retValue == ERROR_SUCCESS, HRESULT_FROM_WIN32(DWORD(retValue)));
    }
    VTR_CATCH_ALL(hr)
    return FAILED(hr) ? E_FAIL : S_OK;
}

HRESULT COfficeAddinRegistry::Unregister()
{
    HRESULT hr = S_OK;
    try {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, m_localMachineKey.c_str());
    }
    VTR_CATCH_ALL(hr)
    return FAILED(hr) ? E_FAIL : S_OK;
}

// Depth first: every subkey goes before its parent. A key that is already gone is not an error.
void COfficeAddinRegistry::DeleteKeyTree(HKEY hParent, const WCHAR* pName)
{
    CRegKey hKey;
    LSTATUS retValue = hKey.Open(hParent, pName, KEY_ALL_ACCESS);
    if (retValue == ERROR_FILE_NOT_FOUND)
        return;
    VTR_CHECK_QUOTED(retValue == ERROR_SUCCESS, E_UNEXPECTED);
    for (;;) {
        WCHAR subKey[256];
        DWORD cchSubKey = 256;
        retValue = RegEnumKeyExW(hKey, 0, subKey, &cchSubKey, nullptr, nullptr, nullptr, nullptr);
        if (retValue == ERROR_NO_MORE_ITEMS)
            break;
        VTR_CHECK_QUOTED(retValue == ERROR_SUCCESS, E_UNEXPECTED);
        DeleteKeyTree(hKey, subKey);
    }
    hKey.Close();
    retValue = RegDeleteKeyW(hParent, pName);
    VTR_CHECK_QUOTED(retValue == ERROR_SUCCESS, E_UNEXPECTED);
}
