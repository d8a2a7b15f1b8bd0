// The module's dialog templates as the dialog manager builds them: every control with its class, id,
// text and style, laid out within the dialog in pixels of the template font's dialog units.
#include "DialogTestUtil.h"

namespace {

using namespace dialogs_test;

std::u16string Lower(std::u16string s)
{
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return s;
}

struct Expected {
    int id;
    const char16_t* className;
    const char16_t* text;
};

void ExpectControls(HWND dialog, const std::vector<Expected>& expected)
{
    pal::DialogView view = pal::ViewDialog(dialog);
    for (const Expected& e : expected) {
        const pal::ControlView* c = FindView(view.controls, e.id);
        ASSERT_NE(c, nullptr) << "control " << e.id;
        EXPECT_EQ(Lower(c->className), Lower(e.className)) << e.id;
        if (e.text) {
            EXPECT_EQ(c->text, e.text) << e.id;
        }
        // Every control lies inside the client area.
        EXPECT_GE(c->rect.left, 0) << e.id;
        EXPECT_GE(c->rect.top, 0) << e.id;
        EXPECT_LE(c->rect.right, view.client.right) << e.id;
        EXPECT_LE(c->rect.bottom, view.client.bottom) << e.id;
    }
}

TEST_F(DialogTest, InfoDialogHasItsTextMapAndClose)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    ExpectControls(m_dialog, {{IDC_RICHEDIT, u"RICHEDIT50W", u""}, {IDC_MAP, u"Button", u"Map"},
                              {IDOK, u"Button", u"Close"}});
    DWORD edit = DWORD(GetWindowLongPtrW(Item(IDC_RICHEDIT), GWL_STYLE));
    EXPECT_EQ(edit & (ES_MULTILINE | ES_READONLY | WS_VSCROLL), DWORD(ES_MULTILINE | ES_READONLY | WS_VSCROLL));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MAP)));
    EXPECT_EQ(GetWindowLongPtrW(Item(IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(GetWindowLongPtrW(m_dialog, GWL_STYLE) & WS_THICKFRAME) << "resizable";
}

TEST_F(DialogTest, AboutDialogHasBannerVersionLinksAndButtons)
{
    ASSERT_NE(Open(IDD_ABOUTDLG), nullptr);
    WCHAR caption[64];
    GetWindowTextW(m_dialog, caption, 64);
    EXPECT_EQ(std::u16string(caption), u"About Vantora");
    ExpectControls(m_dialog, {{IDC_VIEW_LOG, u"Button", u"View Log..."},
                              {IDC_EMAIL_SUPPORT, u"Button", u"E-mail Support..."},
                              {IDC_EMAIL_DETAILS, u"Button", u"E-mail Details..."},
                              {IDOK, u"Button", u"Close"},
                              {IDC_VERSION, u"Static", u"Version: "},
                              {IDC_LINK_IPINFODB, u"SysLink", nullptr},
                              {IDC_LINK_KEYCDN, u"SysLink", nullptr},
                              {IDC_BANNER, u"Static", nullptr}});
    pal::DialogView view = pal::ViewDialog(m_dialog);
    const pal::ControlView* banner = FindView(view.controls, IDC_BANNER);
    EXPECT_EQ(banner->imageId, IDB_BANNER) << "the banner names its bitmap by number";
    EXPECT_EQ(banner->style & SS_TYPEMASK, DWORD(SS_BITMAP));
}

TEST_F(DialogTest, OptionsDialogHasEveryPageControl)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    ExpectControls(m_dialog,
                   {{IDOK, u"Button", u"OK"}, {IDCANCEL, u"Button", u"Cancel"}, {IDC_TAB, u"SysTabControl32", nullptr},
                    {IDC_PENDING_ICON, u"Static", nullptr}, {IDC_PENDING_TEXT, u"Static", u"There are pending requests."},
                    {IDLC_PROVIDERS, u"SysListView32", nullptr}, {IDC_GROUP_RIBBON, u"Button", u"Show Ribbon Groups"},
                    {IDC_SHOW_CONTENT, u"Button", u"Content"}, {IDC_SHOW_IP_LOCATION, u"Button", u"IP / Location"},
                    {IDC_SHOW_ATTACHMENTS, u"Button", u"Attachments"}, {IDC_SHOW_LINKS, u"Button", u"Links"},
                    {IDE_PROVIDER_KEY, u"Edit", nullptr}, {IDC_FLAG_EMAILS, u"Button", u"Warn if e-mails from:"},
                    {IDC_FLAG_LINKS, u"Button", u"Warn if links from:"},
                    {IDC_READ_AS_TEXT, u"Button", u"Read in plain text if e-mails from:"},
                    {IDLB_COUNTRIES, u"ListBox", nullptr}, {IDCB_FOLDERS, u"ComboBox", nullptr},
                    {IDC_FLAG_SERVERS, u"Button", u"Warn if links from:"}, {IDE_SERVERS, u"RICHEDIT50W", nullptr},
                    {IDC_GROUP_CONNECTION, u"Button", u"Connection Options"},
                    {IDC_TIMEOUT_LABEL, u"Static", u"Reply Timeout (sec)"}, {IDE_REPLY_TIMEOUT, u"Edit", nullptr},
                    {IDUD_REPLY_TIMEOUT, u"msctls_updown32", nullptr}, {IDC_RETRY_LABEL, u"Static", u"Retry Count"},
                    {IDE_RETRY_COUNT, u"Edit", nullptr}, {IDUD_RETRY_COUNT, u"msctls_updown32", nullptr}});
    DWORD list = DWORD(GetWindowLongPtrW(Item(IDLB_COUNTRIES), GWL_STYLE));
    EXPECT_EQ(list & (LBS_SORT | LBS_MULTIPLESEL), DWORD(LBS_SORT | LBS_MULTIPLESEL));
    EXPECT_FALSE(IsWindowVisible(Item(IDE_PROVIDER_KEY))) << "NOT WS_VISIBLE takes the default away";
    EXPECT_FALSE(IsWindowEnabled(Item(IDE_PROVIDER_KEY)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_READ_AS_TEXT)));
    EXPECT_FALSE(IsWindowVisible(Item(IDCB_FOLDERS)));
    EXPECT_EQ(GetWindowLongPtrW(Item(IDC_SHOW_LINKS), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_NE(SendMessageW(Item(IDC_PENDING_ICON), STM_GETICON, 0, 0), 0) << "the icon came from the resources";
    // The up-down controls took the edits before them as buddies.
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(Item(IDUD_RETRY_COUNT), UDM_GETBUDDY, 0, 0)), Item(IDE_RETRY_COUNT));
}

TEST_F(DialogTest, AttachmentsDialogHasTabTextAndClose)
{
    ASSERT_NE(Open(IDD_ATTACHDLG), nullptr);
    ExpectControls(m_dialog, {{IDC_TAB, u"SysTabControl32", nullptr}, {IDC_RICHEDIT, u"RICHEDIT50W", nullptr},
                              {IDOK, u"Button", u"Close"}});
}

// Dialog units: x in quarters and y in eighths of the template font's average character size.
TEST_F(DialogTest, DialogUnitsFollowTheTemplateFont)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    RECT units{4, 8, 8, 16};
    ASSERT_TRUE(MapDialogRect(m_dialog, &units));
    int baseX = units.left, baseY = units.top;
    EXPECT_EQ(units.right, 2 * baseX);
    EXPECT_EQ(units.bottom, 2 * baseY);
    // An 8-point interface font: a few pixels wide, about twice as high.
    EXPECT_GE(baseX, 5);
    EXPECT_LE(baseX, 8);
    EXPECT_GE(baseY, 11);
    EXPECT_LE(baseY, 18);

    // The client area is the template's 327 x 202 units; "Close" sits at 270, 181 and is 50 x 14.
    RECT client;
    GetClientRect(m_dialog, &client);
    RECT size{0, 0, 327, 202};
    MapDialogRect(m_dialog, &size);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    RECT close{270, 181, 270 + 50, 181 + 14};
    MapDialogRect(m_dialog, &close);
    RECT actual;
    GetWindowRect(Item(IDOK), &actual);
    POINT corners[2] = {{actual.left, actual.top}, {actual.right, actual.bottom}};
    ScreenToClient(m_dialog, &corners[0]);
    ScreenToClient(m_dialog, &corners[1]);
    EXPECT_EQ(corners[0].x, close.left);
    EXPECT_EQ(corners[0].y, close.top);
    EXPECT_EQ(corners[1].x, close.right);
    EXPECT_EQ(corners[1].y, close.bottom);
}

TEST_F(DialogTest, MissingTemplateFailsWithoutAWindow)
{
    EXPECT_EQ(Open(999), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(DialogBoxParamW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(999), nullptr, &Recorder::Proc, 0),
              -1);
    EXPECT_TRUE(m_recorder.messages.empty());
}

} // namespace
