// Typed access to single values under the add-in's own registry key: the settings and the saved window
// placements. Every operation opens the key, does one value and closes the key again; none throws: a
// value that is absent or cannot be read or written is false, and only real errors are logged.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "__Utilities/OfficeAddInRegistry.h"
#include "__Utilities/WString.h"

class COutlookAddinRegistry : public COfficeAddinRegistry {
public:
    COutlookAddinRegistry();
    ~COutlookAddinRegistry() override = default;

    // REG_SZ or REG_EXPAND_SZ under the given root, without its terminating NUL.
    bool ReadString(HKEY hRoot, const WCHAR* pName, WString& text);
    bool WriteString(HKEY hRoot, const WCHAR* pName, const WCHAR* pText);

    // Under HKEY_CURRENT_USER.
    bool ReadDWORD(const WCHAR* pName, DWORD& value);
    bool WriteDWORD(const WCHAR* pName, DWORD value);
    bool ReadQWORD(const WCHAR* pName, ULONGLONG& value);
    bool WriteQWORD(const WCHAR* pName, ULONGLONG value);
    bool ReadBinary(const WCHAR* pName, std::vector<BYTE>& value);
    bool WriteBinary(const WCHAR* pName, const std::vector<BYTE>& value);

private:
    // operation: the public operation, the name its errors are logged under.
    bool ReadValue(HKEY hRoot, const WCHAR* pName, DWORD type, DWORD altType, std::vector<BYTE>& value,
                   const char* operation);
    bool WriteValue(HKEY hRoot, const WCHAR* pName, DWORD type, const BYTE* pData, DWORD size,
                    const char* operation);
};
