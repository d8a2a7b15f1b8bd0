// Clicks on the tab through OnActionCB, as Outlook reports them: paging, the provider shown in a row,
// saving an attachment, the web map of a location and the help file, with and without a message.
#include "ConnectTestUtil.h"

#include <filesystem>
#include <fstream>

#include "geo/ProviderTestUtil.h"
#include "host/ui/ConsoleUserInterface.h"
#include "support/TestPrefix.h"

using namespace connect_test;
using testing_support::ServiceTwin;

namespace {

const char* const kAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><city>Mountain View</city><region>California</region>"
    "<country>US</country><country_name>United States</country_name><latitude>37.42301</latitude>"
    "<longitude>-122.083</longitude></root>";

class CommandTest : public ConnectTest {
protected:
    CommandTest() : ui(output())
    {
        ui.RecordOpens(true);
        pal::SetUserInterfaceHost(&ui);
    }
    ~CommandTest() override
    {
        pal::SetUserInterfaceHost(nullptr);
        std::fclose(m_out);
    }
    FILE* output()
    {
        m_out = std::tmpfile();
        return m_out;
    }
    HRESULT Press(int id)
    {
        Control control(id);
        return connect->OnActionCB(&control);
    }

    FILE* m_out = nullptr;
    host::ConsoleUserInterface ui;
};

TEST_F(CommandTest, HelpWithoutItsFileWarnsAndNeedsNoMessage)
{
    Start();
    ASSERT_FALSE(connect->GetEmailData().IsEmailItemSet());
    EXPECT_EQ(S_OK, Press(ID_HELP));
    ASSERT_EQ(1u, ui.OpenRequests().size());
    std::string opened = Str(ui.OpenRequests()[0].file.c_str());
    EXPECT_EQ("Help.pdf", opened.substr(opened.size() - 8));
    ASSERT_EQ(1u, ui.MessageBoxes().size());
    EXPECT_EQ("The help file \"Help.pdf\" was not found!", Str(ui.MessageBoxes()[0].text.c_str()));
    EXPECT_EQ(UINT(MB_OK | MB_ICONWARNING), ui.MessageBoxes()[0].type);
    EXPECT_TRUE(ui.MessageBoxes()[0].caption.empty());
}

TEST_F(CommandTest, CommandsOnTheMessageNeedOne)
{
    Start();
    for (int id : {ID_IP_MAIN[0], ID_IP_SCROLL_DOWN, ID_ATTACHMENT[0], ID_LINK_ITEM_FIRST[0], ID_MSG_HEADER})
        EXPECT_EQ(E_UNEXPECTED, Press(id)) << id;
    EXPECT_TRUE(ui.OpenRequests().empty());
    Control none(4242);
    EXPECT_EQ(E_UNEXPECTED, connect->OnActionCB(&none));
    EXPECT_EQ(E_INVALIDARG, connect->OnActionCB(nullptr));
}

TEST_F(CommandTest, TheMainButtonOpensTheWebMapOfTheChosenLocation)
{
    unsetenv("VANTORA_CONNECT_TO");
    setenv("VANTORA_ENDPOINT_MAP", "https://maps.example/", 1);
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/141.154.95.22/xml/", ServiceTwin::Json(kAnswer)},
                                           {"/212.17.35.15/xml/", ServiceTwin::Json(kAnswer)},
                                           {"/62.122.4.47/xml/", ServiceTwin::Json(kAnswer)}});
    SelectProviders({"ipapi.co", "location.ipfire.org"});
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(S_OK, Press(ID_IP_MAIN[0]));
    ASSERT_EQ(1u, ui.OpenRequests().size());
    EXPECT_EQ("https://maps.example/?mlat=37.423&mlon=-122.083&zoom=15#map=15/37.423/-122.083",
              Str(ui.OpenRequests()[0].file.c_str()));
    EXPECT_EQ(u"open", ui.OpenRequests()[0].verb);

    // The second provider's record, the country database's, has no coordinates: no map.
    EXPECT_EQ(S_OK, Press(ID_IP_ITEM_FIRST[0] + 1));
    EXPECT_EQ(1, connect->GetEmailData().GetEmailIPLocation().GetMenuChoice(0));
    EXPECT_NE(ToolTip(ID_IP_MAIN[0]), "United States") << "the row shows the chosen record";
    EXPECT_EQ(S_OK, Press(ID_IP_MAIN[0]));
    EXPECT_EQ(1u, ui.OpenRequests().size());
    // Items past the row's records are refused and the choice stays.
    EXPECT_EQ(E_INVALIDARG, Press(ID_IP_ITEM_FIRST[0] + 3));
    EXPECT_EQ(1, connect->GetEmailData().GetEmailIPLocation().GetMenuChoice(0));
    unsetenv("VANTORA_ENDPOINT_MAP");
}

TEST_F(CommandTest, AnAttachmentRowSavesItsFile)
{
    Start();
    Select("eml/mail-attachment_emails-attachment_pdf.eml");
    ASSERT_TRUE(Settle());
    std::string target = testing_support::Prefix() + "/saved.pdf";
    ui.SaveNextAs(target);
    EXPECT_EQ(S_OK, Press(ID_ATTACHMENT[0]));
    ASSERT_TRUE(std::filesystem::exists(target));
    std::ifstream in(target, std::ios::binary);
    char magic[5] = {};
    in.read(magic, 4);
    EXPECT_EQ("%PDF", std::string(magic));
    // Cancelled: nothing more is written.
    EXPECT_EQ(S_OK, Press(ID_ATTACHMENT[0]));
    EXPECT_EQ(2u, ui.SaveRequests().size());
}

} // namespace
