// The typed store of single values under the add-in's key.
#include "SettingsTestUtil.h"

namespace {

using namespace settings_test;

TEST(RegistryStore, EverythingIsAbsentBeforeTheKeyExistsAndNothingIsLogged)
{
    COutlookAddinRegistry registry;
    std::basic_string<WCHAR> text = W("unchanged");
    DWORD dword = 7;
    ULONGLONG qword = 9;
    std::vector<BYTE> bytes{1, 2};
    EXPECT_FALSE(registry.ReadString(HKEY_CURRENT_USER, W("FriendlyName"), text));
    EXPECT_FALSE(registry.ReadDWORD(W("xsMaxRetryCount"), dword));
    EXPECT_FALSE(registry.ReadQWORD(W("503"), qword));
    EXPECT_FALSE(registry.ReadBinary(W("xsProvidersOrder"), bytes));
    EXPECT_EQ(dword, 7u);
    EXPECT_EQ(qword, 9u);
    EXPECT_EQ(LogText(), "");
}

TEST(RegistryStore, WritingCreatesTheKeyAndEveryTypeReadsBack)
{
    COutlookAddinRegistry registry;
    ASSERT_TRUE(registry.WriteDWORD(W("xsMaxRetryCount"), 0x01000003));
    ASSERT_TRUE(registry.WriteQWORD(W("503"), 0x0010002003000400ULL));
    ASSERT_TRUE(registry.WriteString(HKEY_CURRENT_USER, W("Name"), W("Z\u00fcrich \U0001F600")));
    std::vector<BYTE> blob(1000);
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = BYTE(i * 7);
    ASSERT_TRUE(registry.WriteBinary(W("blob"), blob));
    ASSERT_TRUE(registry.WriteBinary(W("empty"), {}));

    DWORD dword = 0;
    ULONGLONG qword = 0;
    std::basic_string<WCHAR> text;
    std::vector<BYTE> bytes{9};
    EXPECT_TRUE(registry.ReadDWORD(W("xsMaxRetryCount"), dword));
    EXPECT_EQ(dword, 0x01000003u);
    EXPECT_TRUE(registry.ReadQWORD(W("503"), qword));
    EXPECT_EQ(qword, 0x0010002003000400ULL);
    EXPECT_TRUE(registry.ReadString(HKEY_CURRENT_USER, W("Name"), text));
    EXPECT_EQ(text, W("Z\u00fcrich \U0001F600"));
    EXPECT_TRUE(registry.ReadBinary(W("blob"), bytes));
    EXPECT_EQ(bytes, blob);
    EXPECT_TRUE(registry.ReadBinary(W("empty"), bytes));
    EXPECT_TRUE(bytes.empty());

    // Overwriting replaces; a value the key lacks is absent without an error.
    ASSERT_TRUE(registry.WriteDWORD(W("xsMaxRetryCount"), 5));
    EXPECT_TRUE(registry.ReadDWORD(W("xsMaxRetryCount"), dword));
    EXPECT_EQ(dword, 5u);
    EXPECT_FALSE(registry.ReadDWORD(W("xsReplyTimeout"), dword));
    EXPECT_EQ(LogText(), "");
}

TEST(RegistryStore, StringsAreStoredWithTheirTerminatorAndReadWithout)
{
    COutlookAddinRegistry registry;
    ASSERT_TRUE(registry.WriteString(HKEY_CURRENT_USER, W("Name"), W("ab")));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, ADDIN_KEY, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key, W("Name"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, 6u);

    std::basic_string<WCHAR> text;
    PutRaw(W("OneNul"), REG_SZ, {0, 0});
    EXPECT_TRUE(registry.ReadString(HKEY_CURRENT_USER, W("OneNul"), text));
    EXPECT_EQ(text, W(""));
    PutRaw(W("Expand"), REG_EXPAND_SZ, {'%', 0, 'X', 0, '%', 0, 0, 0});
    EXPECT_TRUE(registry.ReadString(HKEY_CURRENT_USER, W("Expand"), text));
    EXPECT_EQ(text, W("%X%"));
    PutRaw(W("Unterminated"), REG_SZ, {'o', 0, 'k', 0});
    EXPECT_TRUE(registry.ReadString(HKEY_CURRENT_USER, W("Unterminated"), text));
    EXPECT_EQ(text, W("ok"));
    EXPECT_EQ(LogText(), "");
}

TEST(RegistryStore, StringsGoUnderTheRootTheyAreGiven)
{
    COutlookAddinRegistry registry;
    ASSERT_TRUE(registry.WriteString(HKEY_LOCAL_MACHINE, W("Description"), W("machine")));
    std::basic_string<WCHAR> text;
    EXPECT_FALSE(registry.ReadString(HKEY_CURRENT_USER, W("Description"), text));
    EXPECT_TRUE(registry.ReadString(HKEY_LOCAL_MACHINE, W("Description"), text));
    EXPECT_EQ(text, W("machine"));
}

TEST(RegistryStore, AValueOfAnotherTypeIsLoggedAndReadsAsAbsent)
{
    COutlookAddinRegistry registry;
    PutRaw(W("xsMaxRetryCount"), REG_BINARY, {3, 0, 0, 1});
    DWORD dword = 42;
    EXPECT_FALSE(registry.ReadDWORD(W("xsMaxRetryCount"), dword));
    EXPECT_EQ(dword, 42u);
    EXPECT_TRUE(LogHas("COutlookAddinRegistry::ReadDWORD")) << LogText();

    ASSERT_TRUE(registry.WriteDWORD(W("dword"), 1));
    std::vector<BYTE> bytes;
    ULONGLONG qword = 0;
    std::basic_string<WCHAR> text;
    EXPECT_FALSE(registry.ReadBinary(W("dword"), bytes));
    EXPECT_FALSE(registry.ReadQWORD(W("dword"), qword));
    EXPECT_FALSE(registry.ReadString(HKEY_CURRENT_USER, W("dword"), text));
    std::string log = LogText();
    EXPECT_NE(log.find("COutlookAddinRegistry::ReadBinary"), std::string::npos) << log;
    EXPECT_NE(log.find("COutlookAddinRegistry::ReadQWORD"), std::string::npos) << log;
    EXPECT_NE(log.find("COutlookAddinRegistry::ReadString"), std::string::npos) << log;
}

TEST(RegistryStore, AnEmptyValueNameIsAnArgumentError)
{
    COutlookAddinRegistry registry;
    DWORD dword = 0;
    EXPECT_FALSE(registry.WriteDWORD(W(""), 1));
    EXPECT_FALSE(registry.ReadDWORD(nullptr, dword));
    EXPECT_FALSE(registry.WriteString(HKEY_CURRENT_USER, W("Name"), nullptr));
    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - pName && *pName"), std::string::npos) << log;
    EXPECT_NE(log.find("COutlookAddinRegistry::WriteDWORD"), std::string::npos) << log;
    EXPECT_NE(log.find("COutlookAddinRegistry::ReadDWORD"), std::string::npos) << log;
}

} // namespace
