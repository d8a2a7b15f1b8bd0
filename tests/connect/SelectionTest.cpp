// Selections reaching the tab: the text format buttons, the sender, the IP, attachment and link rows and
// their scroll states, items that are not mail, the same message again, and several messages at once.
#include "ConnectTestUtil.h"

using namespace connect_test;

namespace {

class SelectionTest : public ConnectTest {
protected:
    void SetUp() override { Start(); }
};

TEST_F(SelectionTest, PlainMessageShowsItsFormatSenderAndServers)
{
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Visible(ID_RIBBON_TAB));
    EXPECT_TRUE(Enabled(ID_MSG_TEXT));
    EXPECT_FALSE(Enabled(ID_MSG_HTML));
    EXPECT_FALSE(Enabled(ID_MSG_RTF));
    EXPECT_TRUE(Enabled(ID_MSG_HEADER));
    EXPECT_FALSE(Enabled(ID_PLAIN_TEXT));
    EXPECT_EQ(0u, Label(ID_SENDER_NAME).find("   "));
    EXPECT_NE(std::string::npos, Label(ID_SENDER_ADDRESS).find('@'));

    // Three public servers fill the three rows; the reserved 127.0.0.1 is not shown.
    const IPInfoList& ips = connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved();
    ASSERT_EQ(3u, ips.size());
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(Str(ips[size_t(r)].Address()->ToString(false).m_str), Label(ID_IP_LABEL[r]));
        EXPECT_TRUE(Enabled(ID_IP_LABEL[r]));
        EXPECT_TRUE(Visible(ID_IP_MAIN[r]));
        // The offline provider answered: the main button shows a done record.
        EXPECT_EQ(IDI_LOCATION_DONE, Image(ID_IP_MAIN[r])) << r;
        EXPECT_FALSE(ToolTip(ID_IP_MAIN[r]).empty());
        EXPECT_TRUE(Visible(ID_IP_ITEM_FIRST[r]));
        EXPECT_FALSE(Visible(ID_IP_ITEM_FIRST[r] + 1)) << "one provider, one item";
    }
    EXPECT_FALSE(Enabled(ID_IP_SCROLL_UP));
    EXPECT_FALSE(Enabled(ID_IP_SCROLL_DOWN));
    EXPECT_TRUE(Enabled(ID_IP_LAUNCHER));
    EXPECT_FALSE(Visible(ID_RIBBON_ATTACHMENTS_GROUP));
    EXPECT_TRUE(Visible(ID_RIBBON_CONTENT_GROUP));
    EXPECT_EQ(IDI_STATUS_OK, Image(ID_STATUS));
    EXPECT_EQ("", SuperTip(ID_STATUS));
}

TEST_F(SelectionTest, FourServersPageWithTheScrollButtons)
{
    Select("eml/sa-nice-base64.eml");
    ASSERT_TRUE(Settle());
    CEmailIPLocation& ipLocation = connect->GetEmailData().GetEmailIPLocation();
    ASSERT_EQ(4u, ipLocation.GetIPLocationNoReserved().size());
    EXPECT_FALSE(Enabled(ID_IP_SCROLL_UP));
    EXPECT_TRUE(Enabled(ID_IP_SCROLL_DOWN));
    // With four labels of different widths, spaces line the split buttons up.
    std::string first = Label(ID_IP_LABEL[0]);
    EXPECT_EQ(Str(ipLocation.GetIPLocationNoReserved()[0].Address()->ToString(false).m_str),
              first.substr(0, first.find(' ')));

    Control down(ID_IP_SCROLL_DOWN);
    EXPECT_EQ(S_OK, connect->OnActionCB(&down));
    EXPECT_EQ(1, ipLocation.GetTopRow());
    EXPECT_TRUE(Enabled(ID_IP_SCROLL_UP));
    EXPECT_FALSE(Enabled(ID_IP_SCROLL_DOWN));
    std::string last = Label(ID_IP_LABEL[2]);
    EXPECT_EQ(Str(ipLocation.GetIPLocationNoReserved()[3].Address()->ToString(false).m_str),
              last.substr(0, last.find(' ')));
    // Past the end the top row stays; past the start is refused.
    EXPECT_EQ(S_OK, connect->OnActionCB(&down));
    EXPECT_EQ(1, ipLocation.GetTopRow());
    Control up(ID_IP_SCROLL_UP);
    EXPECT_EQ(S_OK, connect->OnActionCB(&up));
    EXPECT_EQ(E_UNEXPECTED, connect->OnActionCB(&up));
    EXPECT_EQ(0, ipLocation.GetTopRow());
}

TEST_F(SelectionTest, AttachmentRowsShowTypesAndTips)
{
    Select("eml/mail-attachment_emails-attachment_pdf.eml");
    ASSERT_TRUE(Settle());
    ASSERT_TRUE(Visible(ID_RIBBON_ATTACHMENTS_GROUP));
    const auto& list = connect->GetEmailData().GetEmailAttachments().GetAttachmentsExMapi();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(Str(list[0].displayName.c_str()), Label(ID_ATTACHMENT[0]));
    EXPECT_EQ("PDF", Label(ID_ATTACHMENT_TYPE[0]));
    EXPECT_TRUE(Enabled(ID_ATTACHMENT[0]));
    EXPECT_EQ(list.size() > 1, Enabled(ID_ATTACHMENT[1]));
    EXPECT_TRUE(Enabled(ID_ATTACHMENT_LAUNCHER));
}

TEST_F(SelectionTest, HtmlMessageShowsItsLinkServers)
{
    Select("eml/mail-error_emails-content_transfer_encoding_with_8bits.eml");
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Enabled(ID_MSG_HTML));
    EXPECT_TRUE(Enabled(ID_PLAIN_TEXT));
    ASSERT_TRUE(Visible(ID_RIBBON_LINKS_GROUP));
    const IPInfo4LinksList& servers = connect->GetEmailData().GetEmailLinks().GetLinkServers();
    ASSERT_GE(servers.size(), 3u);
    std::string label = Label(ID_LINK_GALLERY[0]);
    EXPECT_EQ("www.provantage.com", label.substr(0, label.find(' ')));
    // Every target was fetched from the loopback server: the gallery shows all links finished.
    EXPECT_EQ(IDI_LINKS_DONE, Image(ID_LINK_GALLERY[0]));
    EXPECT_EQ(servers.size() > 3, Enabled(ID_LINK_SCROLL_DOWN));
    EXPECT_GT(linkServer.CallCount(), 0u);
}

TEST_F(SelectionTest, ItemsThatAreNotMailHideTheTab)
{
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    ASSERT_TRUE(Visible(ID_RIBBON_TAB));
    Select("msg/Appointment sample EST.msg");
    EXPECT_FALSE(Visible(ID_RIBBON_TAB));
    // The last message's data stays.
    EXPECT_TRUE(connect->GetEmailData().IsEmailItemSet());
    store::SetSelection(app, {});
    connect->FolderSelectionChange();
    EXPECT_FALSE(Visible(ID_RIBBON_TAB));
}

TEST_F(SelectionTest, TheSameMessageAgainIsNotReadAgain)
{
    auto message = Load("eml/sa-nice-001.eml");
    Select({message});
    ASSERT_TRUE(Settle());
    ribbonUI.invalidated.clear();
    Select({message});
    // Only the tab is shown again; no row changes.
    EXPECT_EQ(1u, ribbonUI.Total());
    EXPECT_EQ(1, ribbonUI.invalidated[Str(Tag(ID_RIBBON_TAB).c_str())]);
    EXPECT_EQ(0u, CConnect::GetTimerId());
}

TEST_F(SelectionTest, SeveralMessagesDisableTheRowsAndReleaseTheMessage)
{
    auto first = Load("eml/sa-nice-001.eml");
    auto second = Load("eml/sa-nice-002.eml");
    Select({first});
    ASSERT_TRUE(Settle());
    Select({first, second});
    for (int id : {1066, 1067, 1068, 1069, 1070, 1076, 1002, 1006, 1023, 1028, 1038, 1064})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(connect->GetEmailData().IsEmailItemSet());
    // The first alone again is read in full.
    ribbonUI.invalidated.clear();
    Select({first});
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Enabled(ID_MSG_TEXT));
    EXPECT_TRUE(Enabled(ID_STATUS));
    EXPECT_GT(ribbonUI.Total(), 0u);
}

TEST_F(SelectionTest, DisplayTabsFollowTheSettings)
{
    CSettingsManager::Instance().displayTabs = 0;
    Select("eml/mail-attachment_emails-attachment_pdf.eml");
    ASSERT_TRUE(Settle());
    connect->DisplayTabs();
    EXPECT_TRUE(Visible(ID_RIBBON_TEXT_GROUP));
    EXPECT_TRUE(Visible(ID_RIBBON_PREFERENCES_GROUP));
    EXPECT_TRUE(Visible(ID_RIBBON_HELP_GROUP));
    for (int id : {ID_RIBBON_CONTENT_GROUP, ID_RIBBON_IP_LOCATION_GROUP, ID_RIBBON_ATTACHMENTS_GROUP, ID_RIBBON_LINKS_GROUP})
        EXPECT_FALSE(Visible(id)) << id;
    CSettingsManager::Instance().displayTabs = CSettingsManager::ALL_FLAGS;
    connect->DisplayTabs();
    EXPECT_TRUE(Visible(ID_RIBBON_ATTACHMENTS_GROUP));
    EXPECT_TRUE(Visible(ID_RIBBON_CONTENT_GROUP));
}

TEST_F(SelectionTest, CorpusMessagesNeverBreakThePipeline)
{
    // Every message of a sample of the corpus selected in turn: each is shown, none is left half-done.
    for (const char* file : {"eml/mimekit-issue358.eml", "eml/mimekit-netscape-12.eml", "eml/sa-nice-mime8.eml",
                             "msg/msgInMsgInMsg.msg", "msg/htmlLink.msg", "eml/mail-multi_charset-japanese_attachment_long_name.eml",
                             "eml/mimekit-stack-overflow.eml", "msg/Hello +CJK.msg"}) {
        Select(file);
        ASSERT_TRUE(Settle()) << file;
        EXPECT_TRUE(Visible(ID_RIBBON_TAB)) << file;
        EXPECT_TRUE(connect->GetEmailData().IsEmailItemSet()) << file;
    }
}

} // namespace
