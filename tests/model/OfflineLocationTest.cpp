// Every corpus message's header servers, located by the offline provider alone: each displayed address
// ends done with the country the database text gives it, through the message loop, with nothing sent.
#include "ModelTestUtil.h"

#include <cstdlib>
#include <filesystem>

#include "email/EmailData.h"
#include "geo/CountryDataUtil.h"
#include "geo/GeoLocationProviders.h"
#include "support/HttpTestUtil.h"

using namespace model_test;

namespace {

class OfflineHeaderLocations : public NoProviders {
protected:
    void SetUp() override
    {
        NoProviders::SetUp();
        setenv("VANTORA_GEOIP_DB", testing_support::CompiledDatabase().c_str(), 1);
        CGeoLocationManager& manager = CGeoLocationManager::Instance();
        manager.InitOnStartup();
        std::vector<int> order;
        int offline = 0;
        for (const auto& p : manager.GetProviders()) {
            order.push_back(p->GetProviderId());
            if (dynamic_cast<CIpFireLocation*>(p.get()))
                offline = p->GetProviderId();
        }
        manager.CleanUpOnClose();
        ASSERT_NE(offline, 0);
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder = order;
        s.selectedProviders = {offline};
        manager.InitOnStartup();
        ASSERT_EQ(manager.GetSelectedProviders().size(), 1u);
    }
    void TearDown() override
    {
        NoProviders::TearDown();
        CSettingsManager::Instance().providersOrder.clear();
        CSettingsManager::Instance().selectedProviders.clear();
        unsetenv("VANTORA_GEOIP_DB");
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
    size_t messages = 0, located = 0, named = 0;
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
    EXPECT_EQ(LogText().find("CIpFireLocation"), std::string::npos);
}
