// Shared set-up of the registry tests: an empty registry per test, and small typed helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

#ifndef _WIN32
#include <filesystem>
#include <cstdlib>
#endif

class RegistryTest : public ::testing::Test {
public:
    // The keys the tests create under the machine's root (on Windows the test programme empties only
    // HKEY_CURRENT_USER for each test).
    static constexpr const WCHAR* kMachineKeys[] = {W("Software\\Vantora Shared"),
                                                    W("Software\\Classes\\Vantora.Thing"),
                                                    W("Software\\Classes\\Vantora.NewClass")};

    void SetUp() override
    {
#ifndef _WIN32
        pal::SetPrefixPath(testing_support::Prefix());
        std::filesystem::remove_all(RegistryDir());
#endif
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    void TearDown() override
    {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
#ifdef _WIN32
        for (const WCHAR* key : kMachineKeys) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
        }
#else
        pal::SetPrefixPath(testing_support::Prefix());
#endif
    }

#ifndef _WIN32
    static std::string RegistryDir() { return testing_support::Prefix() + "/registry"; }
    static std::string UserFile() { return RegistryDir() + "/HKCU.reg"; }
    static std::string MachineFile() { return RegistryDir() + "/HKLM.reg"; }
#endif

    // An environment variable for the expansion of REG_EXPAND_SZ values.
    static void SetVariable(const char* name, const char* value)
    {
#ifdef _WIN32
        SetEnvironmentVariableW(pal::ToWide(name).c_str(), pal::ToWide(value).c_str());
#else
        setenv(name, value, 1);
#endif
    }

    static HKEY Create(HKEY root, const WCHAR* path)
    {
        HKEY h = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
        return h;
    }
    static LSTATUS SetString(HKEY h, const WCHAR* name, const WString& text)
    {
        return RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              DWORD((text.size() + 1) * 2));
    }
    static LSTATUS SetDword(HKEY h, const WCHAR* name, DWORD v)
    {
        return RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
    }
    // The raw bytes and type of a value, or the error.
    static LSTATUS Query(HKEY h, const WCHAR* name, DWORD& type, std::vector<BYTE>& data)
    {
        DWORD size = 0;
        LSTATUS s = RegQueryValueExW(h, name, nullptr, &type, nullptr, &size);
        if (s != ERROR_SUCCESS)
            return s;
        data.assign(size, 0);
        s = RegQueryValueExW(h, name, nullptr, &type, data.data(), &size);
        data.resize(size);
        return s;
    }
    static WString GetString(HKEY h, const WCHAR* name)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (Query(h, name, type, data) != ERROR_SUCCESS || type != REG_SZ || data.size() < 2)
            return W("<missing>");
        return WString(reinterpret_cast<const WCHAR*>(data.data()), data.size() / 2 - 1);
    }
    static std::vector<WString> SubkeyNames(HKEY h)
    {
        std::vector<WString> names;
        for (DWORD i = 0;; ++i) {
            WCHAR name[256];
            DWORD cch = 256;
            LSTATUS s = RegEnumKeyExW(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
            if (s != ERROR_SUCCESS) {
                EXPECT_EQ(ERROR_NO_MORE_ITEMS, s);
                break;
            }
            names.emplace_back(name, cch);
        }
        return names;
    }
};
