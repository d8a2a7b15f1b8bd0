// The detail dialogs over real messages: the controller selects a corpus message, the dialogs are built
// from its records and run modally, and the test's host looks at them and acts as a person would.
#include "InfoDlgTestUtil.h"

#include "connect/ConnectTestUtil.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "dialogs/InfoDlg.h"
#include "geo/ProviderTestUtil.h"
#include "support/TestPrefix.h"

using namespace infodlg_test;
using testing_support::ServiceTwin;

namespace {

const char* const kAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><city>Mountain View</city><region>California</region>"
    "<country>US</country><country_name>United States</country_name><latitude>37.42301</latitude>"
    "<longitude>-122.083</longitude></root>";

class InfoDialogs : public connect_test::ConnectTest {
protected:
    CEmailData& Data() { return connect->GetEmailData(); }
    std::string FileText(const std::u16string& windowsPath)
    {
        return testing_support::ReadFile(pal::ToUnixPath(windowsPath.c_str()));
    }
    DialogHost host;
};

TEST_F(InfoDialogs, LocationsShowEachAddressWithItsProvidersAndDrawTheirMap)
{
    unsetenv("VANTORA_CONNECT_TO");
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/141.154.95.22/xml/", ServiceTwin::Json(kAnswer)},
                                           {"/212.17.35.15/xml/", ServiceTwin::Json(kAnswer)},
                                           {"/62.122.4.47/xml/", ServiceTwin::Json(kAnswer)}});
    SelectProviders({"ipapi.co", "location.ipfire.org"});
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    const IPInfoList& list = Data().GetEmailIPLocation().GetIPLocationAll();
    ASSERT_FALSE(list.empty());

    std::string page;
    std::string mapFile;
    {
        CInfoDlg dlg(IDS_TITLE_IP_LOCATION);
        dlg.AddIPLocations(list);
        host.act = [&](HWND h) {
            ASSERT_TRUE(pal::PressButton(h, IDC_MAP));
            ASSERT_EQ(1u, host.opened.size());
            page = FileText(host.opened[0].file);
            mapFile = pal::ToUnixPath(host.opened[0].file.c_str());
        };
        EXPECT_EQ(IDOK, dlg.DoModal(nullptr));

        ASSERT_EQ(1u, host.seen.size());
        const pal::DialogView& view = host.seen[0];
        EXPECT_EQ(u"Message IP Location", view.caption);
        const pal::ControlView* map = FindView(view.controls, IDC_MAP);
        ASSERT_TRUE(map);
        EXPECT_TRUE(map->enabled && map->visible);
        const pal::ControlView* text = FindView(view.controls, IDC_RICHEDIT);
        ASSERT_TRUE(text);
        EXPECT_TRUE(text->focused);
        std::vector<std::string> bold = RunTexts(*text, Bold);
        for (const char* address : {"141.154.95.22", "212.17.35.15", "62.122.4.47"})
            EXPECT_NE(std::find(bold.begin(), bold.end(), address), bold.end()) << address;
        // The location lines' labels are dark blue, up to their colons.
        std::vector<std::string> labels = RunTexts(*text, Colour(CLR_LABEL));
        EXPECT_NE(std::find(labels.begin(), labels.end(), "City "), labels.end()) << ::testing::PrintToString(labels);
        EXPECT_NE(U8(text->text).find("Mountain View"), std::string::npos);

        // The first provider's coordinates make layer 0; the country database gives none.
        ASSERT_EQ(1u, dlg.GetCoordinates().size());
        EXPECT_NE(dlg.GetCoordinates()[0].find("-122.083"), std::string::npos);
        EXPECT_EQ(u"open", host.opened[0].verb);
        std::string name = std::filesystem::path(mapFile).filename().string();
        EXPECT_TRUE(std::regex_match(name, std::regex("Map[a-z]{6}\\.html"))) << name;
        EXPECT_NE(page.find("true"), std::string::npos) << "header addresses draw their route";
        EXPECT_NE(page.find(dlg.GetCoordinates()[0]), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(mapFile)) << "kept while the dialog object lives";
    }
    EXPECT_FALSE(std::filesystem::exists(mapFile)) << "deleted with the dialog";
}

TEST_F(InfoDialogs, WithoutCoordinatesTheMapWritesNothing)
{
    Start(); // the country database alone: countries, no coordinates
    Select("eml/sa-nice-base64.eml");
    ASSERT_TRUE(Settle());
    CInfoDlg dlg(IDS_TITLE_IP_LOCATION);
    dlg.AddIPLocations(Data().GetEmailIPLocation().GetIPLocationAll());
    EXPECT_TRUE(dlg.GetCoordinates().empty());
    host.act = [&](HWND h) { EXPECT_TRUE(pal::PressButton(h, IDC_MAP)); };
    dlg.DoModal(nullptr);
    EXPECT_TRUE(host.opened.empty());
    EXPECT_TRUE(dlg.GetTempFiles().empty());
    EXPECT_NE(LogText().find("\"!m_coordinates.empty()\""), std::string::npos);

    // A page asked of a stream that is not open writes nothing either.
    std::ofstream closed;
    dlg.GetHTML(closed, true);
    EXPECT_NE(LogText().find("\"output.is_open()\""), std::string::npos);
}

TEST_F(InfoDialogs, TheHeaderShowsItsFieldNamesBoldAndTheMapIsHidden)
{
    Start();
    Select("eml/sa-nice-base64.eml");
    ASSERT_TRUE(Settle());
    BSTR header = Data().GetEmailMessage().GetHeader(); // the message's own cached copy
    ASSERT_GT(SysStringLen(header), 0u);
    CInfoDlg dlg(IDS_TITLE_MSG_HEADER);
    dlg.SetText(WString(header, SysStringLen(header)));
    EXPECT_EQ(IDOK, dlg.DoModal(nullptr));

    ASSERT_EQ(1u, host.seen.size());
    EXPECT_EQ(u"Message Header", host.seen[0].caption);
    const pal::ControlView* map = FindView(host.seen[0].controls, IDC_MAP);
    EXPECT_FALSE(map->visible || map->enabled);
    const pal::ControlView* text = FindView(host.seen[0].controls, IDC_RICHEDIT);
    std::vector<std::string> bold = RunTexts(*text, Bold);
    ASSERT_FALSE(bold.empty());
    EXPECT_NE(std::find(bold.begin(), bold.end(), "Return-Path:"), bold.end()) << ::testing::PrintToString(bold);
    EXPECT_NE(std::find(bold.begin(), bold.end(), "Subject:"), bold.end());
    EXPECT_NE(std::find(bold.begin(), bold.end(), "Received:"), bold.end());
    for (const std::string& name : bold)
        EXPECT_TRUE(name.back() == ':' && name.find_first_of(" \t\r\n") == std::string::npos) << name;
}

TEST_F(InfoDialogs, LinksShowTheirPartsUnderTheirServersInBlue)
{
    Start();
    Select("msg/htmlLink.msg");
    ASSERT_TRUE(Settle());
    const IPInfo4LinksList& servers = Data().GetEmailLinks().GetLinkServers();
    ASSERT_FALSE(servers.empty());
    CInfoDlg dlg(IDS_TITLE_LINKS);
    dlg.AddLinks(servers);
    dlg.DoModal(nullptr);
    ASSERT_EQ(1u, host.seen.size());
    const pal::ControlView* text = FindView(host.seen[0].controls, IDC_RICHEDIT);
    std::string shown = U8(text->text);
    EXPECT_NE(shown.find("Original URL :\t"), std::string::npos) << shown;
    // Host names are blue and bold.
    std::vector<std::string> hosts = RunTexts(*text, [](const pal::CharRun& r) {
        return r.bold && !r.autoColor && r.color == CLR_HOST;
    });
    ASSERT_EQ(servers.size(), hosts.size()) << shown;
    EXPECT_EQ(U8(WString(servers[0].ToString(false))), hosts[0]);
    const pal::ControlView* map = FindView(host.seen[0].controls, IDC_MAP);
    EXPECT_TRUE(map->visible && map->enabled);
}

} // namespace
