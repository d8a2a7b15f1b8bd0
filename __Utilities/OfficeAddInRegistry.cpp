// Registration of the Office add-in key under HKEY_LOCAL_MACHINE.
#include "__Utilities/OfficeAddInRegistry.h"

#include "__Utilities/ErrorInfo.h"

namespace {

// Closes the key on every way out.
class CRegKeyHolder {
public:
    ~CRegKeyHolder()
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
    }
    HKEY* operator&() noexcept { return &m_hKey; }
    operator HKEY() const noexcept { return m_hKey; }
    LSTATUS Close() noexcept
    {
        HKEY hKey = m_hKey;
        m_hKey = nullptr;
        return hKey ? RegCloseKey(hKey) : ERROR_SUCCESS;
    }

private:
    HKEY m_hKey = nullptr;
};

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
        CRegKeyHolder hKey;
        LSTATUS retValue = RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_localMachineKey.c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
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
    CRegKeyHolder hKey;
    LSTATUS retValue = RegOpenKeyExW(hParent, pName, 0, KEY_ALL_ACCESS, &hKey);
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
