// The registry formats of the settings: byte layouts pinned against literal bytes, and malformed values.
#include "SettingsTestUtil.h"

namespace {

using namespace settings_test;
typedef std::vector<BYTE> Bytes;

DWORD StoredDWORD(const WCHAR* name)
{
    DWORD value = 0;
    COutlookAddinRegistry registry;
    EXPECT_TRUE(registry.ReadDWORD(name, value));
    return value;
}

TEST(SettingsFormat, DefaultsAndTheirStoredBytes)
{
    Settings settings;
    EXPECT_EQ(settings.maxRetryCount, 3);
    EXPECT_EQ(settings.serverReplyTimeout, 7);
    EXPECT_EQ(settings.displayTabs, 15u);
    EXPECT_FALSE(settings.flagEmails || settings.flagLinks || settings.flagServers);

    settings.WriteSettings();
    EXPECT_EQ(StoredDWORD(W("xsMaxRetryCount")), 0x01000003u);
    EXPECT_EQ(StoredDWORD(W("xsReplyTimeout")), 0x01000007u);
    EXPECT_EQ(StoredDWORD(W("xsDisplayTabs")), 0x0100000Fu);
    EXPECT_EQ(Binary(W("xsProvidersOrder")), Bytes({0x01}));
    EXPECT_EQ(Binary(W("xsSelectedProvidersOrder")), Bytes({0x01}));
    EXPECT_EQ(Binary(W("xsProviderKeys")), Bytes({0x01, 0, 0, 0, 0}));
    EXPECT_EQ(Binary(W("xsBlockEmailsList")), Bytes({0x01, 0x00}));
    EXPECT_EQ(Binary(W("xsBlockLinksList")), Bytes({0x01, 0x00}));
    EXPECT_EQ(Binary(W("xsBlockServersList")), Bytes({0x01, 0x00}));
    EXPECT_EQ(LogText(), "");
}

TEST(SettingsFormat, ByteLayoutsOfAllFiveFormats)
{
    Settings settings;
    settings.SetMaxRetryCount(10);
    settings.serverReplyTimeout = 0x12345678; // only the low 24 bits are kept
    settings.SetRibbonDisplayTabs(CSettingsManager::DISPLAY_CONTENT | CSettingsManager::DISPLAY_LINKS);
    settings.providersOrder = {0x0102, -1};
    settings.selectedProviders = {7};
    settings.providerKeys[0x0300] = W("A\u00e9\u4e2d");
    settings.providerKeys[0x0100] = W("");
    settings.flagEmails = true;
    settings.emailCountries = {'D' | ('E' << 16), 'F' | ('R' << 16)};
    settings.linkCountries = {'U' | ('S' << 16)};
    settings.flagServers = true;
    settings.servers = {W("mx.example.org"), W(""), W("10.0.0.1")};
    settings.WriteSettings();

    EXPECT_EQ(StoredDWORD(W("xsMaxRetryCount")), 0x0100000Au);
    EXPECT_EQ(StoredDWORD(W("xsReplyTimeout")), 0x01345678u);
    EXPECT_EQ(StoredDWORD(W("xsDisplayTabs")), 0x01000009u);
    EXPECT_EQ(Binary(W("xsProvidersOrder")), Bytes({0x01, 0x02, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Binary(W("xsSelectedProvidersOrder")), Bytes({0x01, 0x07, 0x00, 0x00, 0x00}));
    // Ascending identifiers; "A" (0x0041) is stored as 0x00 0x41; 0x00E9 as low (0xE9 & 0xAA) | (0x00 & 0x55)
    // = 0xA8, high (0x00 & 0xAA) | (0xE9 & 0x55) = 0x41; 0x4E2D as low 0x28 | 0x44, high 0x0A | 0x05.
    EXPECT_EQ(Binary(W("xsProviderKeys")), Bytes({0x01, 0x02, 0x00, 0x00, 0x00,
                                                  0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                  0x00, 0x03, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                  0x00, 0x41, 0xA8, 0x41, 0x6C, 0x0F}));
    EXPECT_EQ(Binary(W("xsBlockEmailsList")),
              Bytes({0x01, 0x01, 'D', 0x00, 'E', 0x00, 'F', 0x00, 'R', 0x00}));
    EXPECT_EQ(Binary(W("xsBlockLinksList")), Bytes({0x01, 0x00, 'U', 0x00, 'S', 0x00}));
    Bytes servers{0x01, 0x01};
    for (char c : std::string("mx.example.org, 10.0.0.1")) {
        servers.push_back(BYTE(c));
        servers.push_back(0);
    }
    EXPECT_EQ(Binary(W("xsBlockServersList")), servers);
}

TEST(SettingsFormat, ReadsLiteralValues)
{
    PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x05, 0x00, 0x00, 0x01});
    PutRaw(W("xsReplyTimeout"), REG_DWORD, {0x00, 0x00, 0x00, 0x01});
    PutRaw(W("xsProvidersOrder"), REG_BINARY, {0x01, 0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00});
    PutRaw(W("xsSelectedProvidersOrder"), REG_BINARY, {0x01});
    PutRaw(W("xsProviderKeys"), REG_BINARY,
           {0x01, 0x02, 0x00, 0x00, 0x00,
            0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x41,
            0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    PutRaw(W("xsBlockEmailsList"), REG_BINARY, {0x01, 0x07, 'C', 0x00, 'H', 0x00});
    PutRaw(W("xsBlockServersList"), REG_BINARY, {0x01, 0x02, 'a', 0, ',', 0, ' ', 0, 'b', 0, ',', 0, ' ', 0, 'c', 0});

    Settings settings;
    settings.ReadSettings();
    EXPECT_EQ(settings.maxRetryCount, 5);
    EXPECT_EQ(settings.serverReplyTimeout, 0);
    EXPECT_EQ(settings.displayTabs, 15u);
    EXPECT_EQ(settings.providersOrder, std::vector<int>({0x10, 0x20}));
    EXPECT_TRUE(settings.selectedProviders.empty());
    ASSERT_EQ(settings.providerKeys.size(), 2u);
    EXPECT_TRUE(settings.providerKeys[5] == W("A"));
    EXPECT_TRUE(settings.providerKeys[6] == W(""));
    EXPECT_TRUE(settings.flagEmails);
    EXPECT_EQ(settings.emailCountries, std::vector<int>({'C' | ('H' << 16)}));
    EXPECT_TRUE(settings.flagServers);
    EXPECT_EQ(settings.servers, std::vector<std::basic_string<WCHAR>>({W("a"), W("b"), W("c")}));
    EXPECT_EQ(LogText(), "");
}

TEST(SettingsFormat, ServerTextSplitting)
{
    struct Case {
        Bytes text;
        std::vector<std::basic_string<WCHAR>> servers;
    };
    auto wide = [](const std::string& s) {
        Bytes b{0x01, 0x00};
        for (char c : s) {
            b.push_back(BYTE(c));
            b.push_back(0);
        }
        return b;
    };
    const Case cases[] = {
        {wide(""), {}},
        {wide(", a"), {W(", a")}},
        {wide("a, , b"), {W("a"), W(", b")}},
        {wide("a, b, "), {W("a"), W("b")}},
        {wide("a,b"), {W("a,b")}},
    };
    for (const Case& c : cases) {
        PutRaw(W("xsBlockServersList"), REG_BINARY, c.text);
        Settings settings;
        settings.servers = {W("stale")};
        settings.ReadSettings();
        EXPECT_EQ(settings.servers, c.servers) << pal::ToUtf8(settings.servers.empty() ? W("") : settings.servers[0]);
        EXPECT_FALSE(settings.flagServers);
    }
}

TEST(SettingsFormat, WrongVersionsAreLoggedAndIgnored)
{
    PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x05, 0x00, 0x00, 0x00});
    PutRaw(W("xsDisplayTabs"), REG_DWORD, {0x01, 0x00, 0x00, 0x02});
    PutRaw(W("xsProvidersOrder"), REG_BINARY, {0x02, 0x10, 0x00, 0x00, 0x00});
    PutRaw(W("xsProviderKeys"), REG_BINARY, {0x00, 0x00, 0x00, 0x00, 0x00});
    PutRaw(W("xsBlockLinksList"), REG_BINARY, {0x02, 0x01});
    PutRaw(W("xsBlockServersList"), REG_BINARY, {0x00, 0x01, 'a', 0x00});

    Settings settings;
    settings.providerKeys[1] = W("old");
    settings.providersOrder = {3};
    settings.ReadSettings();
    EXPECT_EQ(settings.maxRetryCount, 3);
    EXPECT_EQ(settings.displayTabs, 15u);
    EXPECT_EQ(settings.providersOrder, std::vector<int>({3}));
    EXPECT_TRUE(settings.providerKeys.empty());
    EXPECT_FALSE(settings.flagLinks);
    EXPECT_FALSE(settings.flagServers);
    EXPECT_TRUE(settings.servers.empty());
    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - (value >> 24) == versionInfo"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR - *pData == versionInfo"), std::string::npos) << log;
}

TEST(SettingsFormat, ShortFlagListsAndTwoByteServerListsAreEmpty)
{
    PutRaw(W("xsBlockEmailsList"), REG_BINARY, {0x01});
    PutRaw(W("xsBlockServersList"), REG_BINARY, {0x01, 0x01});
    Settings settings;
    settings.emailCountries = {1};
    settings.ReadSettings();
    EXPECT_EQ(settings.emailCountries, std::vector<int>({1}));
    EXPECT_TRUE(settings.flagServers);
    EXPECT_TRUE(settings.servers.empty());
    EXPECT_EQ(LogText(), "");
}

// Each malformed value below ends the reading with the given code; the earlier values keep what they read.
TEST(SettingsFormat, MalformedSizesEndTheRead)
{
    struct Case {
        const WCHAR* name;
        Bytes data;
        HRESULT code;
        const char* logged;
    };
    const Case cases[] = {
        {W("xsProvidersOrder"), {0x01, 1, 0, 0, 0, 2}, E_OUTOFMEMORY, "entryCount * sizeof(int) == buffer.size() - 1"},
        {W("xsSelectedProvidersOrder"), {0x01, 1, 0}, E_OUTOFMEMORY, "entryCount * sizeof(int) == buffer.size() - 1"},
        {W("xsBlockEmailsList"), {0x01, 0x01, 1, 0, 0}, E_OUTOFMEMORY, "entryCount * sizeof(int) == buffer.size() - 2"},
        {W("xsProviderKeys"), {0x01, 1, 0, 0}, E_FAIL, "buffer.size() >= sizeof(int) + 1"},
        {W("xsProviderKeys"), {0x01, 1, 0, 0, 0, 5, 0, 0, 0}, E_FAIL, "ERROR - buffer.size() - offset"},
        {W("xsProviderKeys"), {0x01, 1, 0, 0, 0, 5, 0, 0, 0, 2, 0, 0, 0, 0x00, 0x41}, E_FAIL, "ERROR - keyLength <="},
        {W("xsBlockServersList"), {0x01}, E_FAIL, "buffer.size() >= 2"},
    };
    for (const Case& c : cases) {
        PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x09, 0x00, 0x00, 0x01});
        PutRaw(c.name, REG_BINARY, c.data);
        Settings settings;
        EXPECT_EQ(ThrownCode([&] { settings.ReadSettings(); }), c.code) << pal::ToUtf8(c.name);
        EXPECT_EQ(settings.maxRetryCount, 9);
        EXPECT_TRUE(LogHas(c.logged)) << c.logged << "\n" << LogText();
        // Put the value right for the next case.
        COutlookAddinRegistry registry;
        Bytes valid = c.name == std::basic_string<WCHAR>(W("xsProviderKeys")) ? Bytes{0x01, 0, 0, 0, 0} : Bytes{0x01, 0x00};
        if (c.name == std::basic_string<WCHAR>(W("xsProvidersOrder")) || c.name == std::basic_string<WCHAR>(W("xsSelectedProvidersOrder")))
            valid = Bytes{0x01};
        ASSERT_TRUE(registry.WriteBinary(c.name, valid));
    }
}

// A stored key length so large that length * 2 wraps a 32-bit size or runs a pointer past the blob must be
// refused as any other length that does not fit.
TEST(SettingsFormat, HugeKeyLengthsAreRefusedWithoutReadingPastTheBlob)
{
    const DWORD lengths[] = {3, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF, 0xFFFFFFFE};
    for (DWORD length : lengths) {
        Bytes blob{0x01, 1, 0, 0, 0, 5, 0, 0, 0};
        for (int shift = 0; shift < 32; shift += 8)
            blob.push_back(BYTE(length >> shift));
        blob.insert(blob.end(), {0x00, 0x41, 0x00, 0x42}); // two code units
        PutRaw(W("xsProviderKeys"), REG_BINARY, blob);
        Settings settings;
        EXPECT_EQ(ThrownCode([&] { settings.ReadSettings(); }), E_FAIL) << std::hex << length;
        EXPECT_TRUE(settings.providerKeys.empty());
    }

    // A huge entry count is refused at the first entry that is not there.
    PutRaw(W("xsProviderKeys"), REG_BINARY, {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0, 1, 0, 0, 0, 0x00, 0x41});
    Settings settings;
    EXPECT_EQ(ThrownCode([&] { settings.ReadSettings(); }), E_FAIL);
    EXPECT_TRUE(settings.providerKeys[5] == W("A"));
}

TEST(SettingsFormat, AKeyEndsAtItsFirstNul)
{
    PutRaw(W("xsProviderKeys"), REG_BINARY,
           {0x01, 1, 0, 0, 0, 9, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x41, 0x00, 0x00, 0x00, 0x42});
    Settings settings;
    settings.ReadSettings();
    EXPECT_TRUE(settings.providerKeys[9] == W("A"));
    EXPECT_EQ(settings.providerKeys[9].Length(), 1u);
}

TEST(SettingsFormat, ValuesOfAnotherTypeReadAsAbsent)
{
    PutRaw(W("xsMaxRetryCount"), REG_BINARY, {0x05, 0x00, 0x00, 0x01});
    PutRaw(W("xsProvidersOrder"), REG_DWORD, {0x01, 0x00, 0x00, 0x01});
    Settings settings;
    settings.ReadSettings();
    EXPECT_EQ(settings.maxRetryCount, 3);
    EXPECT_TRUE(settings.providersOrder.empty());
    EXPECT_TRUE(LogHas("COutlookAddinRegistry::ReadDWORD")) << LogText();
    EXPECT_TRUE(LogHas("COutlookAddinRegistry::ReadBinary")) << LogText();
}

} // namespace
