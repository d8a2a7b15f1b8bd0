// The geo-location manager: start-up from the settings, order, selection, keys and the queue ticks.
#include "ProviderTestUtil.h"

#include "Utils/SettingsManager.h"
#include "geo/GeoLocationManager.h"
#include "geo/GeoLocationProviders.h"
#include "__Utilities/ErrorLog.h"

#include <set>

using testing_support::MakeAddress;

namespace {

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder.clear();
        s.selectedProviders.clear();
        s.providerKeys.clear();
        manager().CleanUpOnClose();
    }
    void TearDown() override { manager().CleanUpOnClose(); }

    static CGeoLocationManager& manager() { return CGeoLocationManager::Instance(); }

    template <class List> static std::vector<int> Ids(const List& providers)
    {
        std::vector<int> ids;
        for (const auto& p : providers)
            ids.push_back(p->GetProviderId());
        return ids;
    }

    template <class List> static std::vector<std::string> Names(const List& providers)
    {
        std::vector<std::string> names;
        for (const auto& p : providers)
            names.push_back(pal::ToUtf8(p->GetProviderName().c_str()));
        return names;
    }
};

TEST_F(ManagerTest, DefaultsSelectTheProvidersUsableWithoutKeys)
{
    manager().InitOnStartup();
    ASSERT_EQ(manager().GetProviders().size(), 11u);
    EXPECT_EQ(Names(manager().GetSelectedProviders()),
              (std::vector<std::string>{"tools.keycdn.com", "ipapi.co", "db-ip.com", "location.ipfire.org"}));
    std::set<int> ids;
    for (int id : Ids(manager().GetProviders()))
        ids.insert(id);
    EXPECT_EQ(ids.size(), 11u) << "provider identifiers must be distinct for the settings";
}

TEST_F(ManagerTest, AnOrderSavedBeforeTheOfflineProviderIsIgnored)
{
    manager().InitOnStartup();
    std::vector<int> defaults = Ids(manager().GetProviders());
    manager().CleanUpOnClose();
    // Ten entries, as saved when there were ten providers: fewer than there are now.
    CSettingsManager::Instance().providersOrder.assign(defaults.rbegin() + 1, defaults.rend());
    manager().InitOnStartup();
    EXPECT_EQ(Ids(manager().GetProviders()), defaults);
    std::string log = pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str);
    EXPECT_EQ(log.find("order.size()"), std::string::npos) << "ignored, not refused";
}

TEST_F(ManagerTest, ASecondStartUpReplacesTheProviders)
{
    manager().InitOnStartup();
    std::vector<int> ids = Ids(manager().GetProviders());
    std::vector<std::string> selected = Names(manager().GetSelectedProviders());
    manager().InitOnStartup();
    EXPECT_EQ(Ids(manager().GetProviders()), ids);
    EXPECT_EQ(Names(manager().GetSelectedProviders()), selected);
    // Distinct identifiers again, so a saved order still applies.
    std::vector<int> reversed(ids.rbegin(), ids.rend());
    manager().SetOrder(reversed);
    EXPECT_EQ(Ids(manager().GetProviders()), reversed);
}

TEST_F(ManagerTest, SavedOrderSelectionAndKeysAreApplied)
{
    manager().InitOnStartup();
    std::vector<int> defaults = Ids(manager().GetProviders());
    manager().CleanUpOnClose();

    CSettingsManager& s = CSettingsManager::Instance();
    s.providersOrder.assign(defaults.rbegin(), defaults.rend());
    s.selectedProviders = {defaults[5], defaults[0]};
    s.providerKeys = {{defaults[5], CComBSTR(W("stackkey"))}, {12345, CComBSTR(W("nobody"))}};
    manager().InitOnStartup();
    EXPECT_EQ(Ids(manager().GetProviders()), s.providersOrder);
    EXPECT_EQ(Ids(manager().GetSelectedProviders()), s.selectedProviders);
    EXPECT_TRUE(manager().GetSelectedProviders()[0]->HasKey());
}

TEST_F(ManagerTest, MalformedOrdersAreRefused)
{
    manager().InitOnStartup();
    std::vector<int> defaults = Ids(manager().GetProviders());
    std::vector<int> shorter(defaults.begin(), defaults.end() - 1);
    manager().SetOrder(shorter);
    EXPECT_EQ(Ids(manager().GetProviders()), defaults);
    std::vector<int> repeated = defaults;
    repeated[1] = repeated[0];
    manager().SetOrder(repeated);
    EXPECT_EQ(Ids(manager().GetProviders()), defaults);
    // Unknown identifiers keep the remaining providers in their order after the matched ones.
    std::vector<int> partly = {defaults[9], 1, 2, 3, 4, 5, 6, 7, 8, 9, defaults[3]};
    manager().SetOrder(partly);
    std::vector<int> expected = {defaults[9], defaults[3], defaults[0], defaults[1], defaults[2], defaults[4],
                                 defaults[5], defaults[6], defaults[7], defaults[8], defaults[10]};
    EXPECT_EQ(Ids(manager().GetProviders()), expected);
    std::string log = pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str);
    EXPECT_NE(log.find("orderedList.size() == m_geoLocationProviders.size()"), std::string::npos);
}

TEST_F(ManagerTest, SelectionAndKeys)
{
    manager().InitOnStartup();
    std::vector<int> ids = Ids(manager().GetProviders());
    std::vector<int> before = Ids(manager().GetSelectedProviders());
    manager().SetSelected({});
    manager().SetSelected({ids[0], 999});
    EXPECT_EQ(Ids(manager().GetSelectedProviders()), before);
    manager().SetSelected({ids[4], ids[4]}); // duplicates stay in
    EXPECT_EQ(Ids(manager().GetSelectedProviders()), (std::vector<int>{ids[4], ids[4]}));

    manager().SetKeys({{ids[3], CComBSTR(W("geo"))}, {ids[2], CComBSTR(W(""))}});
    EXPECT_TRUE(manager().GetProviders()[3]->HasKey());
    EXPECT_TRUE(manager().GetProviders()[2]->HasKey()); // DB-IP falls back to its built-in key
    manager().SetKeys({{ids[3], CComBSTR()}});
    EXPECT_FALSE(manager().GetProviders()[3]->HasKey());
}

TEST_F(ManagerTest, SelectedProviderForARecordSkipsThoseThatCannotLocateIt)
{
    manager().InitOnStartup();
    std::vector<int> ids = Ids(manager().GetProviders());
    manager().SetSelected({ids[0], ids[1], ids[4]}); // KeyCDN, ipapi (no host names), IPInfoDB
    IPInfo host = MakeAddress("mail.example.com");
    EXPECT_EQ(manager().GetSelProvider(1, host), manager().GetProviders()[4].get());
    EXPECT_EQ(manager().GetSelProvider(2, host), nullptr);
    EXPECT_EQ(manager().GetSelProvider(3, host), nullptr); // out of range: logged, null
    // IPInfoDB counts although it has no key, while the header code would skip it.
    EXPECT_FALSE(manager().GetProviders()[4]->HasKey());
    EXPECT_EQ(manager().GetSelProvider(2, MakeAddress("8.8.8.8")), manager().GetProviders()[4].get());
}

TEST_F(ManagerTest, OutstandingRequestsBlockReselectionAndTicksReleaseQueues)
{
    testing_support::ServiceTwin twin(GeoService::KeyCDN, {
        {"/geo.json?host=8.8.8.8", testing_support::ServiceTwin::Json(R"({"status":"success","city":"A"})")},
        {"/geo.json?host=8.8.4.4", testing_support::ServiceTwin::Json(R"({"status":"success","city":"B"})")},
    });
    manager().InitOnStartup();
    std::vector<int> ids = Ids(manager().GetProviders());
    CIPRequest* keycdn = manager().GetProviders()[0].get();
    IPLocationInfo* first = keycdn->GetLocationInfo(MakeAddress("8.8.8.8"));
    IPLocationInfo* second = keycdn->GetLocationInfo(MakeAddress("8.8.4.4"));
    EXPECT_TRUE(manager().InProgress());
    manager().SetSelected({ids[1]});
    EXPECT_EQ(manager().GetSelectedProviders().size(), 4u); // refused while requests are outstanding
    EXPECT_EQ(second->status, RS_PENDING);
    pal::AdvanceClock(600);
    manager().ProcessPendingRequests();
    EXPECT_NE(second->status, RS_PENDING);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !manager().InProgress(); }));
    EXPECT_EQ(first->status, RS_DONE);
    EXPECT_EQ(second->status, RS_DONE);
    manager().SetSelected({ids[1]});
    EXPECT_EQ(Ids(manager().GetSelectedProviders()), std::vector<int>{ids[1]});

    // A new message drops what is queued.
    manager().SetSelected({ids[0]});
    IPLocationInfo* third = keycdn->GetLocationInfo(MakeAddress("1.2.3.4"));
    IPLocationInfo* fourth = keycdn->GetLocationInfo(MakeAddress("1.2.3.5"));
    manager().ClearPendingRequests();
    EXPECT_EQ(fourth->status, RS_NONE);
    (void)third;
}

} // namespace
