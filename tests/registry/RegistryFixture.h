// Shared set-up of the registry tests: an empty registry per test, and small typed helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pal/host.h"
#include "support/TestPrefix.h"
#include "windows.h"

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pal::SetPrefixPath(testing_support::Prefix());
        std::filesystem::remove_all(RegistryDir());
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    void TearDown() override
    {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        pal::SetPrefixPath(testing_support::Prefix());
    }

    static std::string RegistryDir() { return testing_support::Prefix() + "/registry"; }
    static std::string UserFile() { return RegistryDir() + "/HKCU.reg"; }
    static std::string MachineFile() { return RegistryDir() + "/HKLM.reg"; }

    static HKEY Create(HKEY root, const char16_t* path)
    {
        HKEY h = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
        return h;
    }
    static LSTATUS SetString(HKEY h, const char16_t* name, const std::u16string& text)
    {
        return RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              DWORD((text.size() + 1) * 2));
    }
    static LSTATUS SetDword(HKEY h, const char16_t* name, DWORD v)
    {
        return RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
    }
    // The raw bytes and type of a value, or the error.
    static LSTATUS Query(HKEY h, const char16_t* name, DWORD& type, std::vector<BYTE>& data)
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
    static std::u16string GetString(HKEY h, const char16_t* name)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (Query(h, name, type, data) != ERROR_SUCCESS || type != REG_SZ || data.size() < 2)
            return u"<missing>";
        return std::u16string(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2 - 1);
    }
    static std::vector<std::u16string> SubkeyNames(HKEY h)
    {
        std::vector<std::u16string> names;
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
