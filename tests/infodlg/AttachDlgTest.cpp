// The attachments dialog over real messages: a tab per record, also for what attached e-mails and
// archives hold, each with the record's detail text.
#include "InfoDlgTestUtil.h"

#include "connect/ConnectTestUtil.h"

#include "dialogs/AttachDlg.h"

using namespace infodlg_test;

namespace {

class AttachDialog : public connect_test::ConnectTest {
protected:
    CEmailData& Data() { return connect->GetEmailData(); }
    DialogHost host;
};

TEST_F(AttachDialog, AttachmentTabsCoverAttachedMessagesAndArchives)
{
    Start();
    Select("msg/msgInMsgInMsg.msg");
    ASSERT_TRUE(Settle());
    std::vector<AttachmentInfo> list = Data().GetEmailAttachments().GetAttachmentsExMapi();
    Select("eml/sa-nice-handler_archive_zip.eml");
    ASSERT_TRUE(Settle());
    for (const AttachmentInfo& a : Data().GetEmailAttachments().GetAttachmentsExMapi())
        list.push_back(a);
    ASSERT_EQ(7u, list.size());

    std::vector<pal::DialogView> pages;
    host.act = [&](HWND h) {
        HWND tab = pal::FindControl(h, IDC_TAB);
        for (int i : {2, 5, 6}) {
            ASSERT_TRUE(pal::ChooseTab(tab, i));
            pages.push_back(pal::ViewDialog(h));
        }
    };
    CAttachDlg dlg(list);
    EXPECT_EQ(IDOK, dlg.DoModal(nullptr));
    ASSERT_EQ(1u, host.seen.size());
    EXPECT_EQ(u"Message Attachments", host.seen[0].caption);
    const pal::ControlView* tab = FindView(host.seen[0].controls, IDC_TAB);
    ASSERT_TRUE(tab);
    ASSERT_EQ(list.size(), tab->items.size());
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(std::u16string(list[i].displayName.begin(), list[i].displayName.end()), tab->items[i]);
    EXPECT_EQ(0, tab->current);
    // The text lies on the tab control, inside its display area.
    const pal::ControlView* text = FindView(tab->children, IDC_RICHEDIT);
    ASSERT_TRUE(text);
    EXPECT_NE(U8(text->text).find("File Name :\t" + U8(list[0].longFileName)), std::string::npos);
    EXPECT_GT(text->rect.top, 0);

    ASSERT_EQ(3u, pages.size());
    const pal::ControlView* green = FindView(pages[0].controls, IDC_RICHEDIT);
    EXPECT_NE(U8(green->text).find("File Name :\tgreen.png"), std::string::npos);
    EXPECT_NE(U8(green->text).find("Image Width :\t"), std::string::npos);
    const pal::ControlView* html = FindView(pages[2].controls, IDC_RICHEDIT);
    EXPECT_NE(U8(html->text).find("inner.html"), std::string::npos);
    std::vector<std::string> bold = RunTexts(*html, Bold);
    EXPECT_NE(std::find(bold.begin(), bold.end(), U8(list[6].longFileName)), bold.end());
}

TEST_F(AttachDialog, AnEmptyAttachmentListShowsNoTabsAndNoText)
{
    std::vector<AttachmentInfo> none;
    CAttachDlg dlg(none);
    dlg.DoModal(nullptr);
    ASSERT_EQ(1u, host.seen.size());
    const pal::ControlView* tab = FindView(host.seen[0].controls, IDC_TAB);
    EXPECT_TRUE(tab->items.empty());
    EXPECT_TRUE(FindView(host.seen[0].controls, IDC_RICHEDIT)->text.empty());
    EXPECT_NE(LogText().find("\"idx < (int) m_attachmentsInfo.size()\""), std::string::npos);
}

} // namespace
