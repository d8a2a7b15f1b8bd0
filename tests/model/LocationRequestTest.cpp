// Header addresses with real location requests: the selected providers are the real provider classes
// pointed at loopback twins, so the texts of done, failed, quota and pending requests and the time-out
// sweep's aborts and resends go through the request core and the loop.
#include "ModelTestUtil.h"

#include <ctime>

#include "geo/ProviderTestUtil.h"

using namespace model_test;
using testing_support::HttpReply;
using testing_support::PumpUntil;
using testing_support::ServiceTwin;

namespace {

const char* const g_ipApiAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><ip>8.8.8.8</ip><city>Mountain View</city>"
    "<region>California</region><country>US</country><country_name>United States</country_name>"
    "<postal>94043</postal><latitude>37.42301</latitude><longitude>-122.083</longitude></root>";

HttpReply Status(int status)
{
    HttpReply r;
    r.status = status;
    return r;
}

HttpReply Hang()
{
    HttpReply r;
    r.hang = true;
    return r;
}

class HeaderLocations : public NoProviders {
protected:
    // Starts the providers (after the twins, which set their endpoints) and selects them by name.
    void Select(const std::vector<std::string>& names)
    {
        CGeoLocationManager& manager = CGeoLocationManager::Instance();
        manager.InitOnStartup();
        std::vector<int> ids;
        for (const std::string& name : names)
            for (const auto& provider : manager.GetProviders())
                if (pal::ToUtf8(provider->GetProviderName().c_str()) == name)
                    ids.push_back(provider->GetProviderId());
        ASSERT_EQ(ids.size(), names.size());
        manager.SetSelected(ids);
    }
    void Set(const std::u16string& header) { location.SetEmailHeader(header.c_str()); }
    // The records belong to the providers: the addresses let go of them before the providers go, as the
    // add-in must on shut-down. Called while the twins still answer.
    void Finish()
    {
        location.Clear();
        CGeoLocationManager::Instance().CleanUpOnClose();
    }
    void TearDown() override
    {
        location.Clear();
        NoProviders::TearDown();
    }
    const IPInfo& Shown(size_t i) { return location.GetIPLocationNoReserved().at(i); }

    CEmailIPLocation location;
};

} // namespace

TEST_F(HeaderLocations, TextsOfDoneFailedQuotaPendingAndRequestingRecords)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/8.8.8.8/xml/", ServiceTwin::Json(g_ipApiAnswer)},
                                           {"/1.1.1.1/xml/", Status(404)},
                                           {"/9.9.9.9/xml/", Status(429)},
                                           {"/7.7.7.7/xml/", Hang()}});
    ServiceTwin keyCdn(GeoService::KeyCDN, {});
    Select({"ipapi.co", "tools.keycdn.com"});
    Set(u"Received: from a ([7.7.7.7]) by b with c\r\n"
        u"Received: from a ([9.9.9.9]) by b with c\r\n"
        u"Received: from a ([1.1.1.1]) by b with c\r\n"
        u"Received: from a ([192.168.1.1]) by b with c\r\n"
        u"X-Originating-IP: [8.8.8.8]\r\n");
    ASSERT_EQ(Addresses(location.GetIPLocationNoReserved()),
              (std::vector<std::string>{"8.8.8.8/0", "1.1.1.1/1", "9.9.9.9/1", "7.7.7.7/1"}));
    for (const IPInfo& info : location.GetIPLocationNoReserved())
        ASSERT_EQ(info.locationInfo.size(), 2u) << "one request per selected provider, in selection order";
    EXPECT_TRUE(location.GetIPLocationAll()[1].locationInfo.empty()) << "a private address is never located";
    EXPECT_FALSE(location.AreRequestsComplete());

    ASSERT_TRUE(PumpUntil([&] {
        return Shown(0).locationInfo[0]->status == RS_DONE && Shown(1).locationInfo[0]->status == RS_FAILED &&
               Shown(2).locationInfo[0]->status == RS_QUOTA_EXCEEDED;
    }));
    EXPECT_EQ(Str(Shown(0).ToString()), "United States");
    EXPECT_EQ(Str(Shown(0).ToLongString(0)),
              "Country : \tUnited States\nState : \t\tCalifornia\nCity : \t\tMountain View\n"
              "Zip Code : \t94043\nLatitude : \t37.423\nLongitude : \t-122.083");
    EXPECT_EQ(Str(Shown(1).ToString()), "Failed");
    EXPECT_EQ(Str(Shown(1).ToLongString(0)), "Failed: 404 Not Found");
    EXPECT_EQ(Str(Shown(2).ToString()), "Quota Exceeded");
    // The hanging request is sent; whether its connection is up yet is the loop's business.
    std::string hanging = Str(Shown(3).ToString());
    EXPECT_TRUE(hanging == "Requesting..." || hanging == "Retrieving...") << hanging;
    // The rate-limited provider sent its first request at once and queues the others.
    EXPECT_EQ(Str(Shown(3).ToLongString(1)), "Pending...");
    EXPECT_EQ(Str(Shown(3).ToLongString(2)), "");
    EXPECT_NE(LogText().find("(idx >= 0) && (idx < (int) locationInfo.size())"), std::string::npos);
    EXPECT_FALSE(location.AreRequestsComplete());

    // The same addresses again: the answers are reused, nothing is sent.
    size_t calls = ipApi.Server().CallCount();
    location.Clear();
    Set(u"X-Originating-IP: [8.8.8.8]\r\n");
    EXPECT_EQ(Str(Shown(0).ToString()), "United States");
    EXPECT_EQ(ipApi.Server().CallCount(), calls);
    Finish();
}

TEST_F(HeaderLocations, TheSweepAbortsAndResendsWithinTheRetryLimit)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/7.7.7.7/xml/", Hang()}});
    Select({"ipapi.co"});
    CSettingsManager::Instance().maxRetryCount = 3;
    Set(u"Received: from a ([7.7.7.7]) by b with c\r\n");
    IPLocationInfo* pRecord = Shown(0).locationInfo.at(0);
    auto sends = [&] { return ipApi.Server().CallCount(); };
    ASSERT_TRUE(PumpUntil([&] { return sends() == 1; }));

    // Not yet timed out: left alone.
    location.UpdateRequests();
    EXPECT_EQ(pRecord->attempts, 1);
    EXPECT_TRUE(pRecord->IsOutstanding());

    for (size_t send = 2; send <= 4; ++send) {
        pRecord->startTime = time(nullptr) - 100;
        location.UpdateRequests();
        EXPECT_EQ(Shown(0).locationInfo[0], pRecord) << "the provider's record is put back in its slot";
        ASSERT_TRUE(PumpUntil([&] { return sends() == send; })) << send;
        EXPECT_FALSE(location.AreRequestsComplete());
    }
    // The fourth send timed out: the retries are used up and the record stays aborted.
    pRecord->startTime = time(nullptr) - 100;
    location.UpdateRequests();
    EXPECT_EQ(pRecord->status, RS_ABORTED);
    EXPECT_EQ(Str(Shown(0).ToString()), "Aborted");
    EXPECT_TRUE(location.AreRequestsComplete());
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(sends(), 4u);
    Finish();
}

TEST_F(HeaderLocations, ProvidersThatLackAKeyOrHostNamesAreSkipped)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/8.8.8.8/xml/", ServiceTwin::Json(g_ipApiAnswer)}});
    // IPGeolocation needs a key and has none: the header code does not ask it.
    Select({"ipgeolocation.io", "ipapi.co"});
    Set(u"X-Originating-IP: [8.8.8.8]\r\n");
    ASSERT_EQ(Shown(0).locationInfo.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return Shown(0).locationInfo[0]->status == RS_DONE; }));
    EXPECT_TRUE(location.AreRequestsComplete());
    Finish();
}

TEST_F(HeaderLocations, AddressesClearedAfterTheProvidersWereDeleted)
{
    // Shut-down deletes the providers, and with them their records, while the message data still lists
    // addresses that refer to them; clearing the data afterwards must not touch the records.
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/8.8.8.8/xml/", ServiceTwin::Json(g_ipApiAnswer)}});
    Select({"ipapi.co"});
    Set(u"X-Originating-IP: [8.8.8.8]\r\n");
    ASSERT_TRUE(PumpUntil([&] { return Shown(0).locationInfo[0]->status == RS_DONE; }));
    CGeoLocationManager::Instance().CleanUpOnClose();
    location.Clear();
    EXPECT_TRUE(location.GetIPLocationAll().empty());
}
