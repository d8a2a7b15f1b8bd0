// Helpers of the settings tests: the error log as text, thrown codes, raw registry values.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Utils/OutlookAddinRegistry.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "pal/host.h"
#include "support/TestUtil.h"

namespace settings_test {

inline const WCHAR* const ADDIN_KEY = W("Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect");

using testing_support::LogHas;
using testing_support::LogText;
using testing_support::ThrownCode;

// A record of its own, independent of the process-wide instance.
class Settings : public CSettingsManager {
public:
    Settings() = default;
};

// Writes a value of any type straight through the registry calls, as another program might have.
inline void PutRaw(const WCHAR* name, DWORD type, const std::vector<BYTE>& data)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ADDIN_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), DWORD(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

inline std::vector<BYTE> Binary(const WCHAR* name)
{
    std::vector<BYTE> data;
    COutlookAddinRegistry registry;
    EXPECT_TRUE(registry.ReadBinary(name, data)) << pal::ToUtf8(name);
    return data;
}

} // namespace settings_test
