// The offline provider through the real manager and selection, with corpus header addresses: records
// complete from the message loop and carry the database's country; a missing or damaged database fails
// every request with one log entry.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CountryDataUtil.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorLog.h"
#include "geo/CountryTable.h"
#include "geo/GeoLocationManager.h"
#include "geo/GeoLocationProviders.h"
#include "support/GeoTestUtil.h"
#include "pal/loop.h"
#include "support/HttpTestUtil.h"
#include "support/TestUtil.h"

using testing_support::MakeAddress;
using testing_support::Utf8;

namespace {

class OfflineProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VANTORA_GEOIP_DB", testing_support::CompiledDatabase().c_str(), 1);
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder.clear();
        s.selectedProviders.clear();
        s.providerKeys.clear();
        manager().InitOnStartup();
    }
    void TearDown() override
    {
        manager().CleanUpOnClose();
        unsetenv("VANTORA_GEOIP_DB");
    }
    static CGeoLocationManager& manager() { return CGeoLocationManager::Instance(); }

    // The providers the header code would ask for a record, in order.
    static std::vector<CIPRequest*> Asked(const IPInfo& IP)
    {
        std::vector<CIPRequest*> asked;
        for (CIPRequest* p : manager().GetSelectedProviders())
            if (p->IsLocationInfoSupported(IP) && (!p->IsKeyUsed() || p->HasKey()))
                asked.push_back(p);
        return asked;
    }
    static CIPRequest* Offline()
    {
        for (const auto& p : manager().GetProviders())
            if (dynamic_cast<CIpFireLocation*>(p.get()))
                return p.get();
        return nullptr;
    }
    static std::string CountryName(const std::string& code)
    {
        for (const CountryEntry& row : g_countryTable)
            if (pal::ToUtf8(row.code) == code)
                return pal::ToUtf8(row.name);
        return "";
    }
    static std::string LogText() { return testing_support::LogText(); }
    static size_t Count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
            ++n;
        return n;
    }
};

TEST_F(OfflineProviderTest, CorpusAddressesGetTheDatabasesCountryThroughTheLoop)
{
    CIPRequest* offline = Offline();
    ASSERT_NE(offline, nullptr);
    EXPECT_EQ(pal::ToUtf8(offline->GetProviderName().c_str()), "location.ipfire.org");
    const auto& text = testing_support::TextRanges::Get();
    std::vector<std::pair<std::string, IPLocationInfo*>> records;
    std::vector<std::string> addresses(testing_support::CorpusAddresses::Get().v4.begin(),
                                       testing_support::CorpusAddresses::Get().v4.end());
    addresses.insert(addresses.end(), testing_support::CorpusAddresses::Get().v6.begin(),
                     testing_support::CorpusAddresses::Get().v6.end());
    for (const std::string& address : addresses) {
        IPInfo IP = MakeAddress(address);
        std::vector<CIPRequest*> asked = Asked(IP);
        ASSERT_NE(std::find(asked.begin(), asked.end(), offline), asked.end()) << address;
        IPLocationInfo* info = offline->GetLocationInfo(IP);
        bool reserved = (IP.addressType & IP_TYPE_V4) ? IP.ipv4.IsReserved() : IP.ipv6.IsReserved();
        if (reserved) {
            EXPECT_EQ(info, nullptr) << address;
            continue;
        }
        ASSERT_NE(info, nullptr) << address;
        EXPECT_EQ(info->status, RS_REQUESTING) << "completed inside the call: " << address;
        records.emplace_back(address, info);
    }
    ASSERT_GT(records.size(), 50u);
    EXPECT_TRUE(manager().InProgress());
    ASSERT_TRUE(testing_support::PumpUntil([] { return !manager().InProgress(); }));
    size_t named = 0;
    for (const auto& [address, info] : records) {
        IPInfo IP = MakeAddress(address);
        std::string expected;
        if (IP.addressType & IP_TYPE_V4)
            expected = text.Find(uint32_t(IP.ipv4.GetPart(0)) << 24 | uint32_t(IP.ipv4.GetPart(1)) << 16 |
                                 uint32_t(IP.ipv4.GetPart(2)) << 8 | IP.ipv4.GetPart(3));
        else
            expected = text.Find(testing_support::V6FromBytes(IP.ipv6.GetAddress().u.Byte));
        EXPECT_EQ(info->status, RS_DONE) << address;
        EXPECT_EQ(pal::ToUtf8(info->countryCode), expected) << address;
        EXPECT_EQ(Utf8(info->countryName), CountryName(expected)) << address;
        named += info->countryName.Length() > 0;
        EXPECT_EQ(info->startTime, 0) << address;
        EXPECT_EQ(info->attempts, 1) << address;
    }
    EXPECT_GT(named, 50u);
    // Done records are kept: asking again neither queues nor changes them.
    IPLocationInfo* again = offline->GetLocationInfo(MakeAddress(records[0].first));
    EXPECT_EQ(again, records[0].second);
    EXPECT_EQ(again->status, RS_DONE);
    EXPECT_EQ(again->attempts, 1);
    EXPECT_EQ(offline->GetLocationInfo(MakeAddress("mail.example.com")), nullptr); // no name lookups
    std::string log = LogText();
    EXPECT_EQ(log.find("CountryDatabase"), std::string::npos) << log;
    EXPECT_EQ(log.find("CIpFireLocation"), std::string::npos) << log;
}

TEST_F(OfflineProviderTest, AnAddressTheDataDoesNotPlaceIsDoneWithoutACountry)
{
    // The first unknown ("??") range that holds routable addresses.
    std::string address;
    for (const auto& [first, range] : testing_support::TextRanges::Get().v4) {
        if (range.second != "??")
            continue;
        IPV4_address a;
        std::string text = std::to_string(first >> 24) + "." + std::to_string(first >> 16 & 255) + "." +
                           std::to_string(first >> 8 & 255) + "." + std::to_string(first & 255);
        if (a.Read(pal::ToWide(text).c_str()) && !a.IsReserved()) {
            address = text;
            break;
        }
    }
    ASSERT_FALSE(address.empty());
    IPLocationInfo* info = Offline()->GetLocationInfo(MakeAddress(address));
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return info->status != RS_REQUESTING; }));
    EXPECT_EQ(info->status, RS_DONE) << address;
    EXPECT_EQ(pal::ToUtf8(info->countryCode), "");
    EXPECT_EQ(Utf8(info->countryName), "");
}

TEST_F(OfflineProviderTest, AMissingOrDamagedDatabaseFailsEveryRequestAndIsLoggedOnce)
{
    struct Case {
        std::string file;
        std::string content; // empty: no file at all
        const char* errorText;
    };
    const std::string dir = testing_support::Prefix();
    std::string real = testing_support::ReadFile(testing_support::CompiledDatabase());
    ASSERT_GT(real.size(), 1000u);
    const Case cases[] = {
        {dir + "/missing.dat", "", "The country database \"GeoCountries.dat\" was not found beside the add-in"},
        {dir + "/truncated.dat", real.substr(0, real.size() / 2),
         "The country database \"GeoCountries.dat\" is damaged or of an unknown format"},
    };
    for (const Case& c : cases) {
        if (!c.content.empty())
            testing_support::WriteFile(c.file, c.content);
        setenv("VANTORA_GEOIP_DB", c.file.c_str(), 1);
        manager().InitOnStartup(); // a fresh provider loads the file again
        CErrorLog::Instance().Close();
        std::string before = LogText();
        IPLocationInfo* first = Offline()->GetLocationInfo(MakeAddress("8.8.8.8"));
        IPLocationInfo* second = Offline()->GetLocationInfo(MakeAddress("2001:4860:4860::8888"));
        ASSERT_TRUE(first && second);
        ASSERT_TRUE(testing_support::PumpUntil([] { return !manager().InProgress(); }));
        for (IPLocationInfo* info : {first, second}) {
            EXPECT_EQ(info->status, RS_FAILED) << c.file;
            EXPECT_EQ(Utf8(info->errorText), c.errorText);
            EXPECT_EQ(pal::ToUtf8(info->countryCode), "");
        }
        // A failed record is asked again within the retry limit, and fails again without a new entry.
        IPLocationInfo* retried = Offline()->GetLocationInfo(MakeAddress("8.8.8.8"));
        EXPECT_EQ(retried, first);
        ASSERT_TRUE(testing_support::PumpUntil([] { return !manager().InProgress(); }));
        EXPECT_EQ(first->status, RS_FAILED);
        EXPECT_EQ(first->attempts, 2);
        std::string log = LogText().substr(before.size());
        EXPECT_EQ(Count(log, "CCountryDatabase::Load"), 1u) << log;
    }
}

TEST_F(OfflineProviderTest, ARequestClearedBeforeTheLoopRunsIsNotFilled)
{
    IPLocationInfo* info = Offline()->GetLocationInfo(MakeAddress("8.8.8.8"));
    ASSERT_NE(info, nullptr);
    info->status = RS_NONE; // as a new message's clean-up leaves a record
    info->startTime = 0;
    testing_support::PumpUntil([] { return false; }, 100);
    EXPECT_EQ(info->status, RS_NONE);
    EXPECT_EQ(pal::ToUtf8(info->countryCode), "");
    // The next request completes it.
    EXPECT_EQ(Offline()->GetLocationInfo(MakeAddress("8.8.8.8")), info);
    ASSERT_TRUE(testing_support::PumpUntil([] { return !manager().InProgress(); }));
    EXPECT_EQ(info->status, RS_DONE);
    EXPECT_EQ(pal::ToUtf8(info->countryCode), "US");
    EXPECT_EQ(Utf8(info->countryName), "United States");
}

TEST_F(OfflineProviderTest, DestroyingTheProviderWithLookupsQueuedLeavesNoTimerBehind)
{
    size_t timers = pal::ActiveTimerCount();
    ASSERT_NE(Offline()->GetLocationInfo(MakeAddress("8.8.8.8")), nullptr);
    EXPECT_EQ(pal::ActiveTimerCount(), timers + 1);
    manager().CleanUpOnClose();
    EXPECT_EQ(pal::ActiveTimerCount(), timers);
    testing_support::PumpUntil([] { return false; }, 50);
}

} // namespace
