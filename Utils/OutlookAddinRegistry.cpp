// Single values under the add-in's registry key; see OutlookAddinRegistry.h.
#include "Utils/OutlookAddinRegistry.h"

#include <atlbase.h>

#include <cstring>

#include "__Utilities/ErrorInfo.h"

namespace {

const WCHAR* const ADDIN_KEY = W("Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect");
const WCHAR* const ADDIN_FRIENDLY_NAME = W("Vantora Add-In");

// A Win32 failure, logged with its code under the public operation.
void LogWin32(LSTATUS retValue, const char* operation, int line) noexcept
{
    CErrorInfo(HRESULT_FROM_WIN32(DWORD(retValue)), false, operation, __FILE__, line);
}

} // namespace

COutlookAddinRegistry::COutlookAddinRegistry() : COfficeAddinRegistry(ADDIN_KEY, ADDIN_FRIENDLY_NAME) {}

bool COutlookAddinRegistry::ReadValue(HKEY hRoot, const WCHAR* pName, DWORD type, DWORD altType,
                                      std::vector<BYTE>& value, const char* operation)
{
    value.clear();
    const WCHAR* keyPath = m_localMachineKey.c_str();
    if (!VTR_VERIFY_UNDER(operation, keyPath && *keyPath, E_UNEXPECTED) ||
        !VTR_VERIFY_UNDER(operation, pName && *pName, E_INVALIDARG))
        return false;

    CRegKey hKey;
    LSTATUS retValue = hKey.Open(hRoot, keyPath, KEY_ALL_ACCESS);
    if (retValue == ERROR_FILE_NOT_FOUND)
        return false;
    if (retValue != ERROR_SUCCESS) {
        LogWin32(retValue, operation, __LINE__);
        return false;
    }

    DWORD valueType = REG_NONE;
    DWORD buffSize = 0;
    retValue = RegQueryValueExW(hKey, pName, nullptr, &valueType, nullptr, &buffSize);
    if (retValue == ERROR_FILE_NOT_FOUND)
        return false;
    if (retValue != ERROR_SUCCESS && retValue != ERROR_MORE_DATA) {
        LogWin32(retValue, operation, __LINE__);
        return false;
    }
    if (!VTR_VERIFY_UNDER(operation, (valueType == type) || (valueType == altType), E_UNEXPECTED))
        return false;

    value.resize(buffSize);
    DWORD secondType = REG_NONE;
    retValue = RegQueryValueExW(hKey, pName, nullptr, &secondType, value.data(), &buffSize);
    if (!VTR_VERIFY_UNDER(operation, (retValue == ERROR_SUCCESS) && (buffSize == value.size()), E_UNEXPECTED) ||
        !VTR_VERIFY_UNDER(operation, secondType == valueType, E_UNEXPECTED)) {
        value.clear();
        return false;
    }
    return true;
}

bool COutlookAddinRegistry::WriteValue(HKEY hRoot, const WCHAR* pName, DWORD type, const BYTE* pData, DWORD size,
                                       const char* operation)
{
    const WCHAR* keyPath = m_localMachineKey.c_str();
    if (!VTR_VERIFY_UNDER(operation, keyPath && *keyPath, E_UNEXPECTED) ||
        !VTR_VERIFY_UNDER(operation, pName && *pName, E_INVALIDARG))
        return false;

    // The write closes the key itself to see the result.
    CRegKey hKey;
    LSTATUS retValue = hKey.Create(hRoot, keyPath, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS);
    if (retValue != ERROR_SUCCESS) {
        LogWin32(retValue, operation, __LINE__);
        return false;
    }
    retValue = RegSetValueExW(hKey, pName, 0, type, pData, size);
    if (retValue != ERROR_SUCCESS) {
        LogWin32(retValue, operation, __LINE__);
        return false;
    }
    retValue = hKey.Close();
    if (retValue != ERROR_SUCCESS) {
        LogWin32(retValue, operation, __LINE__);
        return false;
    }
    return true;
}

bool COutlookAddinRegistry::ReadString(HKEY hRoot, const WCHAR* pName, WString& text)
{
    std::vector<BYTE> value;
    if (!ReadValue(hRoot, pName, REG_SZ, REG_EXPAND_SZ, value, VTR_FUNCTION))
        return false;
    size_t length = value.size() / sizeof(WCHAR);
    text.resize(length);
    if (length)
        memcpy(text.data(), value.data(), length * sizeof(WCHAR));
    if (!text.empty() && text.back() == 0)
        text.pop_back();
    return true;
}

bool COutlookAddinRegistry::WriteString(HKEY hRoot, const WCHAR* pName, const WCHAR* pText)
{
    const char* operation = VTR_FUNCTION;
    if (!VTR_VERIFY_UNDER(operation, pText, E_INVALIDARG))
        return false;
    return WriteValue(hRoot, pName, REG_SZ, reinterpret_cast<const BYTE*>(pText),
                      DWORD((wcslen(pText) + 1) * sizeof(WCHAR)), operation);
}

bool COutlookAddinRegistry::ReadDWORD(const WCHAR* pName, DWORD& value)
{
    const char* operation = VTR_FUNCTION;
    std::vector<BYTE> bytes;
    if (!ReadValue(HKEY_CURRENT_USER, pName, REG_DWORD, REG_DWORD, bytes, operation) ||
        !VTR_VERIFY_UNDER(operation, bytes.size() == sizeof(DWORD), E_UNEXPECTED))
        return false;
    memcpy(&value, bytes.data(), sizeof(DWORD));
    return true;
}

bool COutlookAddinRegistry::WriteDWORD(const WCHAR* pName, DWORD value)
{
    return WriteValue(HKEY_CURRENT_USER, pName, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value),
                      VTR_FUNCTION);
}

bool COutlookAddinRegistry::ReadQWORD(const WCHAR* pName, ULONGLONG& value)
{
    const char* operation = VTR_FUNCTION;
    std::vector<BYTE> bytes;
    if (!ReadValue(HKEY_CURRENT_USER, pName, REG_QWORD, REG_QWORD, bytes, operation) ||
        !VTR_VERIFY_UNDER(operation, bytes.size() == sizeof(ULONGLONG), E_UNEXPECTED))
        return false;
    memcpy(&value, bytes.data(), sizeof(ULONGLONG));
    return true;
}

bool COutlookAddinRegistry::WriteQWORD(const WCHAR* pName, ULONGLONG value)
{
    return WriteValue(HKEY_CURRENT_USER, pName, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value),
                      VTR_FUNCTION);
}

bool COutlookAddinRegistry::ReadBinary(const WCHAR* pName, std::vector<BYTE>& value)
{
    return ReadValue(HKEY_CURRENT_USER, pName, REG_BINARY, REG_BINARY, value, VTR_FUNCTION);
}

bool COutlookAddinRegistry::WriteBinary(const WCHAR* pName, const std::vector<BYTE>& value)
{
    return WriteValue(HKEY_CURRENT_USER, pName, REG_BINARY, value.data(), DWORD(value.size()), VTR_FUNCTION);
}
