// The console's text of a dialog: what a person would see of it, hidden controls left out.
#include "DialogTestUtil.h"
#include "host/dialogs/DialogText.h"

namespace {

using namespace dialogs_test;

TEST_F(DialogTest, ConsoleTextShowsWhatIsVisible)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    SetWindowTextW(m_dialog, u"Options");
    CheckDlgButton(m_dialog, IDC_SHOW_LINKS, BST_CHECKED);
    HWND tab = Item(IDC_TAB);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    for (const WCHAR* label : {u"Providers", u"Setup"}) {
        item.pszText = const_cast<LPWSTR>(label);
        SendMessageW(tab, TCM_INSERTITEMW, 9, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(Item(IDE_SERVERS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"a.example\r\nb.example"));
    std::string text = host::DialogText(pal::ViewDialog(m_dialog));
    EXPECT_EQ(text.rfind("== Options ==\n", 0), 0u) << text;
    EXPECT_NE(text.find("[x] Links"), std::string::npos) << text;
    EXPECT_NE(text.find("[ ] Content"), std::string::npos) << text;
    EXPECT_NE(text.find("tabs: *Providers* Setup"), std::string::npos) << text;
    EXPECT_NE(text.find("| a.example\n"), std::string::npos) << text;
    EXPECT_NE(text.find("<Cancel>"), std::string::npos) << text;
    EXPECT_EQ(text.find("Read in plain text"), std::string::npos) << "hidden";
}

} // namespace
