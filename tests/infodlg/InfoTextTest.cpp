// The info dialog's texts without the dialog: header field names in a rich edit control, split queries,
// and how builders of different kinds append to one text.
#include "InfoDlgTestUtil.h"

#include "dialogs/DialogTestUtil.h"
#include "dialogs/InfoDlg.h"

using namespace infodlg_test;

namespace {

class HeaderInControl : public dialogs_test::DialogTest {};

TEST_F(HeaderInControl, HeaderFieldNamesAreBoldButNotInFoldedLines)
{
    ASSERT_TRUE(Open(IDD_INFODLG));
    HWND edit = Item(IDC_RICHEDIT);
    auto boldNames = [&](const WString& header) {
        CInfoDlg dlg(IDS_TITLE_MSG_HEADER);
        dlg.SetText(header);
        SetWindowTextW(edit, dlg.ControlText().c_str());
        CHARFORMATW plain{};
        plain.cbSize = sizeof(plain);
        plain.dwMask = CFM_BOLD;
        SendMessageW(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&plain));
        dlg.FormatMsgHeader(edit);
        return RunTexts(*dialogs_test::FindView(pal::ViewDialog(m_dialog).controls, IDC_RICHEDIT), Bold);
    };
    EXPECT_EQ((std::vector<std::string>{"Received:", "Subject:", "X-Empty:"}),
              boldNames(W("Received: from a.example (a.example [192.0.2.1])\r\n\tby b.example: with SMTP\r\n"
                          " id 42: folded\r\nSubject: Re: a: b\r\nX-Empty:\r\n")));
    EXPECT_TRUE(boldNames(W("no colon here\r\nnor here\r\n")).empty());
    EXPECT_EQ((std::vector<std::string>{"From:"}), boldNames(W("From: x\nplain line\n\tcont: y")));
    CInfoDlg empty(IDS_TITLE_MSG_HEADER);
    EXPECT_THROW(empty.FormatMsgHeader(edit), CErrorInfo);
}

TEST(LinkText, QueryParametersStandOnLinesOfTheirOwn)
{
    CInfoDlg dlg(IDS_TITLE_LINKS);
    EXPECT_EQ("a=1\n\t\t&b=2\n\t\t&c=3", U8(dlg.AddSplitQuery(W("a=1&b=2&c=3"))));
    EXPECT_EQ("&a=1\n\t\t&b", U8(dlg.AddSplitQuery(W("&a=1&b"))));
    EXPECT_EQ("", U8(dlg.AddSplitQuery(nullptr)));
    EXPECT_NE(LogText().find("\"pQuery\""), std::string::npos);
}

TEST(InfoBuilders, TheFirstBuilderSetsTheKindAndLaterOnesAppend)
{
    CInfoDlg dlg(IDS_TITLE_MSG_BODY);
    dlg.SetPlainText(W("body"));
    std::vector<AttachmentInfo> one{AnalyseCorpusFile("text/plain.html", u"page.html")};
    dlg.AddAttachments(one);
    EXPECT_EQ(CInfoDlg::FT_NONE, dlg.GetFormatType());
    EXPECT_EQ(0u, U8(dlg.GetText()).find("body\nDetected Type :\t")) << "not full: the kind is not attachments";

    CInfoDlg attachments(IDS_TITLE_ATTACHMENTS);
    one.push_back(one[0]);
    attachments.AddAttachments(one);
    EXPECT_EQ(CInfoDlg::FT_ATTACHMENTS, attachments.GetFormatType());
    std::string text = U8(attachments.GetText());
    EXPECT_EQ(0u, text.find("File Name :\tpage.html"));
    EXPECT_NE(text.find("\n\nFile Name :\tpage.html"), std::string::npos) << "records separated by a line";
}

} // namespace
