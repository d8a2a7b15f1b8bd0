// Every corpus message's header servers, located by the offline provider alone: each displayed address
// ends done with the country the database text gives it, through the message loop. Every host name is
// mapped to loopback (and every connection to a closed loopback port), so nothing leaves the machine.
#include "ModelTestUtil.h"

#include <cstdlib>
#include <filesystem>

#include "email/EmailData.h"
#include "geo/CountryDataUtil.h"
#include "geo/GeoLocationProviders.h"
#include "support/HttpTestUtil.h"
#include "support/ProviderSettings.h"

using namespace model_test;

namespace {

class OfflineHeaderLocations : public NoProviders {
protected:
    void SetUp() override
    {
        NoProviders::SetUp();
        setenv("VANTORA_GEOIP_DB", testing_support::CompiledDatabase().c_str(), 1);
        setenv("VANTORA_CONNECT_TO", "127.0.0.1:9", 1);
        ASSERT_EQ(1u, testing_support::SelectProvidersInSettings(
                          [](CIPRequest& p) { return dynamic_cast<CIpFireLocation*>(&p) != nullptr; }));
        CGeoLocationManager& manager = CGeoLocationManager::Instance();
        manager.InitOnStartup();
        ASSERT_EQ(manager.GetSelectedProviders().size(), 1u);
    }
    void TearDown() override
    {
        NoProviders::TearDown();
        CSettingsManager::Instance().providersOrder.clear();
        CSettingsManager::Instance().selectedProviders.clear();
        unsetenv("VANTORA_GEOIP_DB");
        unsetenv("VANTORA_CONNECT_TO");
    }
    void SetUpApplication()
    {
        store::RegisterMapiModule();
        app.Attach(store::NewApplication(u"16.0.0.0"));
    }
    CComPtr<Outlook::_Application> app;
};

std::string Expected(const testing_support::TextRanges& text, const IPInfo& IP)
{
    if (IP.addressType & IP_TYPE_V4)
        return text.Find(uint32_t(IP.ipv4.GetPart(0)) << 24 | uint32_t(IP.ipv4.GetPart(1)) << 16 |
                         uint32_t(IP.ipv4.GetPart(2)) << 8 | IP.ipv4.GetPart(3));
    return text.Find(testing_support::V6FromBytes(IP.ipv6.GetAddress().u.Byte));
}

} // namespace

TEST_F(OfflineHeaderLocations, EveryCorpusHeaderServerGetsItsCountry)
{
    const auto& text = testing_support::TextRanges::Get();
    SetUpApplication();
    CEmailData data;
    size_t messages = 0, located = 0, named = 0, links = 0, refused = 0;
    for (const char* folder : {"eml", "msg"}) {
        for (const auto& entry : std::filesystem::directory_iterator(Corpus(folder))) {
            std::string ext = entry.path().extension().string();
            if (ext != ".eml" && ext != ".msg")
                continue;
            std::string relative = std::string(folder) + "/" + entry.path().filename().string();
            std::string error;
            auto message = store::LoadMessageFile(entry.path().string(), error);
            ASSERT_TRUE(message) << relative << ": " << error;
            CComPtr<IDispatch> item;
            item.Attach(store::NewItem(message, app));
            CComQIPtr<Outlook::_MailItem> mail(item);
            if (!mail)
                continue; // appointments and other items that are not mail
            data.SetEmailItem(mail);
            ASSERT_TRUE(data.IsEmailItemSet()) << relative;
            CEmailIPLocation& header = data.GetEmailIPLocation();
            ASSERT_TRUE(testing_support::PumpUntil([&] { return header.AreRequestsComplete(); })) << relative;
            ++messages;
            CEmailLinks& bodyLinks = data.GetEmailLinks();
            ASSERT_TRUE(testing_support::PumpUntil([&] {
                bodyLinks.UpdateRequests();
                return bodyLinks.AreRequestsComplete();
            })) << relative;
            for (const IPInfo4Links& server : bodyLinks.GetLinkServers())
                for (const LinkInfo& link : server.links) {
                    ASSERT_NE(link.pDataInfo, nullptr) << relative;
                    EXPECT_EQ(link.pDataInfo->status, RS_FAILED) << relative;
                    // Host names resolve to loopback and are refused; address literals are sent, to the
                    // mapped loopback port, where nothing listens.
                    refused += Str(link.pDataInfo->errorText).find("Not fetched") != std::string::npos;
                    ++links;
                }
            for (const IPInfo& IP : header.GetIPLocationNoReserved()) {
                ASSERT_EQ(IP.locationInfo.size(), 1u) << relative;
                const IPLocationInfo* info = IP.locationInfo[0];
                ASSERT_NE(info, nullptr) << relative;
                EXPECT_EQ(info->status, RS_DONE) << relative;
                std::string code = Expected(text, IP);
                EXPECT_EQ(Str(info->countryCode), code) << relative << " " << Str(IP.ToString());
                ++located;
                named += !code.empty();
                // The row's text names the country the record holds.
                if (!code.empty()) {
                    EXPECT_NE(Str(IP.ToString()), "") << relative;
                }
            }
        }
    }
    EXPECT_GT(messages, 100u);
    EXPECT_GT(located, 100u);
    EXPECT_GT(named, located / 2) << "the database places most public relays";
    EXPECT_GT(links, 100u);
    EXPECT_GT(refused, links / 2);
    EXPECT_EQ(LogText().find("CIpFireLocation"), std::string::npos);
}
