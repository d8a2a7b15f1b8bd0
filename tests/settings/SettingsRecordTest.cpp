// The settings record: checked setters, read once on first access, and write/read round trips.
#include "SettingsTestUtil.h"

#include <random>

namespace {

using namespace settings_test;
typedef std::basic_string<WCHAR> WideString;

TEST(SettingsRecord, SettersRejectValuesOutOfRange)
{
    Settings settings;
    EXPECT_EQ(ThrownCode([&] { settings.SetMaxRetryCount(0); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { settings.SetMaxRetryCount(11); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { settings.SetServerReplyTimeout(-1); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { settings.SetRibbonDisplayTabs(0x10); }), E_INVALIDARG);
    EXPECT_EQ(settings.maxRetryCount, 3);
    EXPECT_EQ(settings.serverReplyTimeout, 7);
    EXPECT_EQ(settings.displayTabs, 15u);

    settings.SetMaxRetryCount(1);
    settings.SetMaxRetryCount(10);
    settings.SetServerReplyTimeout(0);
    settings.SetRibbonDisplayTabs(0);
    EXPECT_EQ(settings.maxRetryCount, 10);
    EXPECT_EQ(settings.serverReplyTimeout, 0);
    EXPECT_EQ(settings.displayTabs, 0u);

    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - (newValue >= g_retryCountMin) && (newValue <= g_retryCountMax)"), std::string::npos);
    EXPECT_NE(log.find("CSettingsManager::SetMaxRetryCount"), std::string::npos);
    EXPECT_NE(log.find("ERROR - newValue >= 0"), std::string::npos);
    EXPECT_NE(log.find("CSettingsManager::SetServerReplyTimeout"), std::string::npos);
    EXPECT_NE(log.find("ERROR - (newValue & ~ALL_FLAGS) == 0"), std::string::npos);
    EXPECT_NE(log.find("CSettingsManager::SetRibbonDisplayTabs"), std::string::npos);
}

TEST(SettingsRecord, TheInstanceReadsTheRegistryOnce)
{
    PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x06, 0x00, 0x00, 0x01});
    CSettingsManager& settings = CSettingsManager::Instance();
    EXPECT_EQ(settings.maxRetryCount, 6);
    // Later changes in the registry are not read again; changes in memory stay.
    settings.SetMaxRetryCount(2);
    PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x08, 0x00, 0x00, 0x01});
    EXPECT_EQ(&CSettingsManager::Instance(), &settings);
    EXPECT_EQ(CSettingsManager::Instance().maxRetryCount, 2);
}

TEST(SettingsRecord, AFailedFirstReadIsThrownAndTriedAgain)
{
    PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x04, 0x00, 0x00, 0x01});
    PutRaw(W("xsProvidersOrder"), REG_BINARY, {0x01, 0x01, 0x00});
    EXPECT_EQ(ThrownCode([] { CSettingsManager::Instance(); }), E_OUTOFMEMORY);

    PutRaw(W("xsProvidersOrder"), REG_BINARY, {0x01, 0x01, 0x00, 0x00, 0x00});
    PutRaw(W("xsMaxRetryCount"), REG_DWORD, {0x05, 0x00, 0x00, 0x01});
    CSettingsManager& settings = CSettingsManager::Instance();
    EXPECT_EQ(settings.maxRetryCount, 5);
    EXPECT_EQ(settings.providersOrder, std::vector<int>({1}));
}

// A random record that the formats can hold: server names without the ", " separator, keys without NUL.
class RecordGenerator {
public:
    explicit RecordGenerator(unsigned seed) : m_random(seed) {}

    void Fill(CSettingsManager& s)
    {
        s.SetMaxRetryCount(Number(g_retryCountMin, g_retryCountMax));
        s.SetServerReplyTimeout(Number(0, 2) == 0 ? Number(0, 0xFFFFFF) : Number(0, 120));
        s.SetRibbonDisplayTabs(DWORD(Number(0, 15)));
        s.flagEmails = Number(0, 1);
        s.emailCountries = Countries();
        s.flagLinks = Number(0, 1);
        s.linkCountries = Countries();
        s.flagServers = Number(0, 1);
        s.servers.clear();
        int serverCount = Number(0, 3) == 0 ? Number(50, 300) : Number(0, 5);
        for (int i = 0; i < serverCount; ++i)
            s.servers.push_back(Text(1, 40, true));
        s.providersOrder = Identifiers();
        s.selectedProviders = Identifiers();
        s.providerKeys.clear();
        int keyCount = Number(0, 10);
        for (int i = 0; i < keyCount; ++i) {
            WideString key = Number(0, 5) == 0 ? WideString() : Text(1, 64, false);
            s.providerKeys[int(m_random())] = CComBSTR(int(key.size()), key.c_str());
        }
    }

private:
    int Number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    std::vector<int> Countries()
    {
        std::vector<int> keys(Number(0, 8));
        for (int& key : keys)
            key = Number('A', 'Z') | (Number('A', 'Z') << 16);
        return keys;
    }

    std::vector<int> Identifiers()
    {
        std::vector<int> ids(Number(0, 10));
        for (int& id : ids)
            id = Number(0, 3) == 0 ? int(m_random()) : Number(300, 2000);
        return ids;
    }

    // ASCII, Latin, CJK and surrogate pairs; for server names no ", " and no leading or trailing ' ' or ','.
    WideString Text(int minLength, int maxLength, bool serverName)
    {
        static const WCHAR pool[] = W("abcXYZ019.-_:, \u00e9\u00df\u4e2d\u6587\u0416\uffff\u0100\u00ff");
        WideString text;
        int length = Number(minLength, maxLength);
        while (int(text.size()) < length) {
            if (Number(0, 9) == 0) {
                text += W("\U0001F510");
                continue;
            }
            WCHAR c = pool[Number(0, int(sizeof(pool) / sizeof(WCHAR)) - 2)];
            if (serverName && (c == ' ' || c == ','))
                continue;
            text.push_back(c);
        }
        return text;
    }

    std::mt19937 m_random;
};

void ExpectSameRecord(const CSettingsManager& a, const CSettingsManager& b, unsigned seed)
{
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    EXPECT_EQ(a.maxRetryCount, b.maxRetryCount);
    EXPECT_EQ(a.serverReplyTimeout, b.serverReplyTimeout);
    EXPECT_EQ(a.displayTabs, b.displayTabs);
    EXPECT_EQ(a.flagEmails, b.flagEmails);
    EXPECT_EQ(a.emailCountries, b.emailCountries);
    EXPECT_EQ(a.flagLinks, b.flagLinks);
    EXPECT_EQ(a.linkCountries, b.linkCountries);
    EXPECT_EQ(a.flagServers, b.flagServers);
    EXPECT_EQ(a.servers, b.servers);
    EXPECT_EQ(a.providersOrder, b.providersOrder);
    EXPECT_EQ(a.selectedProviders, b.selectedProviders);
    ASSERT_EQ(a.providerKeys.size(), b.providerKeys.size());
    for (auto i = a.providerKeys.begin(), j = b.providerKeys.begin(); i != a.providerKeys.end(); ++i, ++j) {
        EXPECT_EQ(i->first, j->first);
        EXPECT_EQ(WideString(i->second.m_str ? i->second.m_str : W(""), i->second.Length()),
                  WideString(j->second.m_str ? j->second.m_str : W(""), j->second.Length()));
    }
}

TEST(SettingsRecord, WritingAndReadingBackReproducesEveryPersistedField)
{
    for (unsigned seed = 1; seed <= 100; ++seed) {
        Settings written;
        RecordGenerator(seed).Fill(written);
        written.WriteSettings();

        Settings read;
        read.ReadSettings();
        ExpectSameRecord(written, read, seed);
        if (HasFatalFailure() || HasNonfatalFailure())
            break;
    }
    EXPECT_EQ(LogText(), "");
}

TEST(SettingsRecord, EmptyListsOverwriteFullOnes)
{
    Settings full;
    RecordGenerator(7).Fill(full);
    full.emailCountries = {1};
    full.servers = {W("a")};
    full.providerKeys[1] = W("k");
    full.WriteSettings();

    Settings empty;
    empty.WriteSettings();
    Settings read;
    read.ReadSettings();
    ExpectSameRecord(empty, read, 0);
}

TEST(SettingsRecord, FolderNamesAreNotPersisted)
{
    Settings written;
    written.emailsFolder = W("Inbox\\Flagged");
    written.WriteSettings();
    Settings read;
    read.ReadSettings();
    EXPECT_TRUE(read.emailsFolder.empty());
    std::vector<BYTE> unused;
    COutlookAddinRegistry registry;
    EXPECT_FALSE(registry.ReadBinary(W("xsEmailsMoveToFolder"), unused));
}

} // namespace
