// CRegKey over the file-backed registry of a fresh prefix: keys held and handed over, typed values and
// their refusals, and deleting a tree of keys.
#include <gtest/gtest.h>

#include <atlbase.h>

#include <filesystem>
#include <string>

#include "pal/host.h"
#include "support/RegistryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

using testing_support::KeyExists;

const char16_t kBase[] = u"Software\\Vantora\\RegKeyTest";

class RegKey : public testing::Test {
protected:
    void SetUp() override { std::filesystem::remove_all(testing_support::Prefix() + "/registry"); }
};

TEST_F(RegKey, CreatesOpensAndHandsOverItsKey)
{
    CRegKey key;
    EXPECT_EQ(nullptr, static_cast<HKEY>(key));
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kBase, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    EXPECT_NE(nullptr, key.m_hKey);
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kBase, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);

    // A failed open keeps the key held before.
    HKEY before = key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, u"Software\\Vantora\\Missing", KEY_READ));
    EXPECT_EQ(before, key.m_hKey);

    // Copying moves the key, as ATL's copy does.
    CRegKey other(key);
    EXPECT_EQ(nullptr, key.m_hKey);
    EXPECT_EQ(before, other.m_hKey);
    EXPECT_EQ(ERROR_SUCCESS, other.SetDWORDValue(u"Count", 3));
    HKEY detached = other.Detach();
    EXPECT_EQ(nullptr, other.m_hKey);
    CRegKey attached;
    attached.Attach(detached);
    DWORD count = 0;
    EXPECT_EQ(ERROR_SUCCESS, attached.QueryDWORDValue(u"Count", count));
    EXPECT_EQ(3u, count);
    EXPECT_EQ(ERROR_SUCCESS, attached.Close());
    EXPECT_EQ(ERROR_SUCCESS, attached.Close());
    EXPECT_EQ(nullptr, attached.m_hKey);
}

TEST_F(RegKey, TypedValuesAreWrittenReadAndRefused)
{
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kBase));
    ASSERT_EQ(ERROR_SUCCESS, key.SetStringValue(u"Name", u"Provenance"));
    ASSERT_EQ(ERROR_SUCCESS, key.SetStringValue(u"Path", u"%APPDATA%\\Vantora", REG_EXPAND_SZ));
    ASSERT_EQ(ERROR_SUCCESS, key.SetDWORDValue(u"Level", 0xFFFFFFFF));
    EXPECT_EQ(ERROR_INVALID_DATA, key.SetStringValue(u"Bad", nullptr));
    EXPECT_EQ(ERROR_INVALID_DATA, key.SetStringValue(u"Bad", u"x", REG_DWORD));

    // The size query, then the read: lengths count the terminator.
    CRegKey reader;
    ASSERT_EQ(ERROR_SUCCESS, reader.Open(HKEY_CURRENT_USER, kBase, KEY_READ));
    ULONG chars = 0;
    ASSERT_EQ(ERROR_SUCCESS, reader.QueryStringValue(u"Name", nullptr, &chars));
    EXPECT_EQ(11u, chars);
    WCHAR text[32];
    chars = 32;
    ASSERT_EQ(ERROR_SUCCESS, reader.QueryStringValue(u"Name", text, &chars));
    EXPECT_EQ(u"Provenance", std::u16string(text));
    EXPECT_EQ(11u, chars);
    chars = 32;
    ASSERT_EQ(ERROR_SUCCESS, reader.QueryStringValue(u"Path", text, &chars));
    EXPECT_EQ(u"%APPDATA%\\Vantora", std::u16string(text)); // not expanded
    chars = 4;
    EXPECT_EQ(ERROR_MORE_DATA, reader.QueryStringValue(u"Name", text, &chars));
    EXPECT_EQ(0u, chars);
    chars = 32;
    EXPECT_EQ(ERROR_INVALID_DATA, reader.QueryStringValue(u"Level", text, &chars));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reader.QueryStringValue(u"Missing", text, &chars));

    DWORD level = 0;
    ASSERT_EQ(ERROR_SUCCESS, reader.QueryDWORDValue(u"Level", level));
    EXPECT_EQ(0xFFFFFFFFu, level);
    // Not a DWORD: too long for one, or of another type.
    level = 5;
    EXPECT_EQ(ERROR_MORE_DATA, reader.QueryDWORDValue(u"Name", level));
    ASSERT_EQ(ERROR_SUCCESS, key.SetStringValue(u"Short", u"1"));
    EXPECT_EQ(ERROR_INVALID_DATA, reader.QueryDWORDValue(u"Short", level));
    EXPECT_EQ(5u, level);

    // A string stored without its terminator is refused rather than read past.
    const WCHAR raw[] = {u'a', u'b'};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof(raw)));
    chars = 32;
    EXPECT_EQ(ERROR_INVALID_DATA, reader.QueryStringValue(u"Raw", text, &chars));

    EXPECT_EQ(ERROR_SUCCESS, key.DeleteValue(u"Name"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteValue(u"Name"));
    chars = 32;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reader.QueryStringValue(u"Name", text, &chars));
}

TEST_F(RegKey, RecurseDeleteKeyRemovesTheWholeTreeOnly)
{
    CRegKey root;
    ASSERT_EQ(ERROR_SUCCESS, root.Create(HKEY_CURRENT_USER, kBase));
    for (const char16_t* path : {u"Tree\\A\\A1", u"Tree\\A\\A2\\Deep", u"Tree\\B", u"Sibling"}) {
        CRegKey sub;
        ASSERT_EQ(ERROR_SUCCESS, sub.Create(root, path));
        ASSERT_EQ(ERROR_SUCCESS, sub.SetDWORDValue(u"Mark", 1));
    }
    EXPECT_EQ(ERROR_SUCCESS, root.RecurseDeleteKey(u"Tree"));
    std::u16string base(kBase);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\Tree"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + u"\\Sibling"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, root.RecurseDeleteKey(u"Tree"));

    // The deletion reached the registry's file: a new process would not see the tree.
    std::string stored = testing_support::ReadFile(testing_support::Prefix() + "/registry/HKCU.reg");
    EXPECT_EQ(std::string::npos, stored.find("Tree"));
    EXPECT_NE(std::string::npos, stored.find("Sibling"));
}

} // namespace
