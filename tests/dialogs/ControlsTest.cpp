// Tab control, list box, edit and the window calls the dialogs lay themselves out with.
#include "DialogTestUtil.h"

namespace {

using namespace dialogs_test;

TEST_F(DialogTest, TabChangeAsksThenTells)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    HWND tab = Item(IDC_TAB);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    for (const WCHAR* label : {u"Providers", u"Setup", u"Flag Countries"}) {
        item.pszText = const_cast<LPWSTR>(label);
        SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&item));
    }
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0) << "the first tab is selected";
    EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 2, 0), 0);
    EXPECT_TRUE(m_recorder.NotifyCodes(IDC_TAB).empty()) << "setting it in code tells nobody";
    EXPECT_TRUE(pal::ChooseTab(tab, 1));
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(m_recorder.NotifyCodes(IDC_TAB), (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_FALSE(pal::ChooseTab(tab, 3));

    // A page control put on the tab control still talks to the dialog.
    HWND check = Item(IDC_SHOW_CONTENT);
    SetParent(check, tab);
    EXPECT_EQ(GetDlgItem(m_dialog, IDC_SHOW_CONTENT), nullptr) << "no longer a child of the dialog";
    EXPECT_TRUE(pal::PressButton(m_dialog, IDC_SHOW_CONTENT));
    EXPECT_EQ(m_recorder.Commands(IDC_SHOW_CONTENT), std::vector<WORD>{BN_CLICKED});
    // Its display area lies inside it, below the tabs.
    RECT area;
    GetClientRect(tab, &area);
    RECT inner = area;
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inner));
    EXPECT_GT(inner.top, area.top + 10);
    EXPECT_GT(inner.left, area.left);
    EXPECT_LT(inner.right, area.right);
    SendMessageW(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&inner));
    EXPECT_EQ(inner.top, area.top);
    EXPECT_EQ(inner.right, area.right);
}

TEST_F(DialogTest, SortedListBoxWithMultipleSelection)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    HWND list = Item(IDLB_COUNTRIES);
    for (const WCHAR* name : {u"Norway", u"austria", u"Zambia", u"Belgium", u"Austria"}) {
        LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        ASSERT_GE(at, 0);
        SendMessageW(list, LB_SETITEMDATA, WPARAM(at), LPARAM(name[0]));
    }
    std::vector<std::u16string> order;
    for (int i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        WCHAR text[32];
        EXPECT_GT(SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text)), 0);
        order.push_back(text);
    }
    // Case does not count; among equals the earlier stays first.
    EXPECT_EQ(order, (std::vector<std::u16string>{u"austria", u"Austria", u"Belgium", u"Norway", u"Zambia"}));
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 3, 0), LPARAM(u'N'));

    EXPECT_EQ(SendMessageW(list, LB_SETSEL, TRUE, 1), 0);
    EXPECT_EQ(SendMessageW(list, LB_SETSEL, TRUE, 3), 0);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 2);
    EXPECT_TRUE(SendMessageW(list, LB_GETSEL, 3, 0));
    EXPECT_FALSE(SendMessageW(list, LB_GETSEL, 2, 0));
    EXPECT_EQ(SendMessageW(list, LB_SETSEL, TRUE, 9), LB_ERR);
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 1, 0), LB_ERR) << "not for a multiple-selection list";
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 0);

    // A person's selection replaces the list's and tells the dialog.
    EXPECT_TRUE(pal::SelectListItems(list, {0, 4}));
    int items[5] = {};
    EXPECT_EQ(SendMessageW(list, LB_GETSELITEMS, 5, reinterpret_cast<LPARAM>(items)), 2);
    EXPECT_EQ(items[1], 4);
    EXPECT_EQ(m_recorder.Commands(IDLB_COUNTRIES), std::vector<WORD>{LBN_SELCHANGE});
}

TEST_F(DialogTest, EditFocusLimitAndUpDown)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    HWND key = Item(IDE_PROVIDER_KEY);
    EXPECT_FALSE(pal::TypeText(key, u"secret")) << "hidden and disabled";
    EnableWindow(key, TRUE);
    ShowWindow(key, SW_SHOW);
    SendMessageW(key, EM_SETLIMITTEXT, 4, 0);
    EXPECT_TRUE(pal::TypeText(key, u"secret"));
    WCHAR text[16];
    GetWindowTextW(key, text, 16);
    EXPECT_EQ(std::u16string(text), u"secr") << "typing stops at the limit";
    EXPECT_TRUE(pal::FocusControl(Item(IDOK)));
    EXPECT_EQ(m_recorder.Commands(IDE_PROVIDER_KEY), (std::vector<WORD>{EN_SETFOCUS, EN_CHANGE, EN_KILLFOCUS}));
    // Hiding the edit with the focus leaves no stale focus when it is disabled.
    SetFocus(key);
    EnableWindow(key, FALSE);
    EXPECT_EQ(GetFocus(), nullptr);

    HWND updown = Item(IDUD_RETRY_COUNT);
    SendMessageW(updown, UDM_SETRANGE32, 1, 10);
    SendMessageW(updown, UDM_SETPOS32, 0, 12);
    GetWindowTextW(Item(IDE_RETRY_COUNT), text, 16);
    EXPECT_EQ(std::u16string(text), u"10") << "clamped and written into the buddy";
    BOOL error = TRUE;
    EXPECT_EQ(SendMessageW(updown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)), 10);
    EXPECT_FALSE(error);
    EXPECT_TRUE(pal::TypeText(Item(IDE_RETRY_COUNT), u"77"));
    SendMessageW(updown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error));
    EXPECT_TRUE(error) << "out of range";
    EXPECT_FALSE(pal::TypeText(Item(IDE_RETRY_COUNT), u"7a")) << "a number edit takes digits only";
}

TEST_F(DialogTest, LinkClickTellsTheAddress)
{
    ASSERT_NE(Open(IDD_ABOUTDLG), nullptr);
    std::u16string url;
    m_recorder.answer = [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        if (msg == WM_NOTIFY && reinterpret_cast<LPNMHDR>(lParam)->code == NM_CLICK)
            url = reinterpret_cast<NMLINK*>(lParam)->item.szUrl;
        return FALSE;
    };
    EXPECT_TRUE(pal::ClickLink(Item(IDC_LINK_KEYCDN)));
    EXPECT_EQ(url, u"tools.keycdn.com/geo") << "a link without href is its text";
    SetWindowTextW(Item(IDC_LINK_KEYCDN), u"see <a href=\"https://x.test/a\">here</a>");
    EXPECT_TRUE(pal::ClickLink(Item(IDC_LINK_KEYCDN)));
    EXPECT_EQ(url, u"https://x.test/a");
    EXPECT_EQ(m_recorder.NotifyCodes(IDC_LINK_KEYCDN), (std::vector<UINT>{NM_CLICK, NM_CLICK}));
    EXPECT_FALSE(pal::ClickLink(Item(IDC_VERSION))) << "not a link control";
}

TEST_F(DialogTest, WindowRectanglesRoundTrip)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    m_recorder.answer = [](HWND, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        if (msg == WM_GETMINMAXINFO)
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{400, 250};
        return FALSE;
    };
    ASSERT_TRUE(SetWindowPos(m_dialog, nullptr, 100, 50, 700, 500, SWP_NOZORDER));
    RECT r;
    GetWindowRect(m_dialog, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 550);
    // A control moved in client coordinates reads back in screen coordinates.
    HWND edit = Item(IDC_RICHEDIT);
    ASSERT_TRUE(MoveWindow(edit, 10, 20, 300, 200, TRUE));
    RECT e;
    GetWindowRect(edit, &e);
    POINT p{e.left, e.top};
    ScreenToClient(m_dialog, &p);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    ClientToScreen(m_dialog, &p);
    EXPECT_EQ(p.x, e.left);
    RECT c;
    GetClientRect(edit, &c);
    EXPECT_LE(c.right, 300);
    EXPECT_GE(c.right, 296) << "less its border";
    // Resizing goes through WM_GETMINMAXINFO and ends with WM_SIZE of the new client area.
    EXPECT_TRUE(pal::ResizeDialog(m_dialog, 200, 100));
    GetWindowRect(m_dialog, &r);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 250);
    GetClientRect(m_dialog, &c);
    auto last = std::find_if(m_recorder.messages.rbegin(), m_recorder.messages.rend(),
                             [](const Received& m) { return m.msg == WM_SIZE; });
    ASSERT_NE(last, m_recorder.messages.rend());
    // The rectangle off every screen has no monitor of its own.
    RECT off{-5000, -5000, -4000, -4000};
    EXPECT_EQ(MonitorFromRect(&off, MONITOR_DEFAULTTONULL), nullptr);
    HMONITOR primary = MonitorFromRect(&off, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(primary, &info));
    EXPECT_EQ(info.rcMonitor.right, 1920);
    EXPECT_EQ(info.rcMonitor.bottom, 1080);
    EXPECT_NE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL), nullptr);
    // Window longs: user data and the dialog's message result.
    EXPECT_EQ(SetWindowLongPtrW(m_dialog, GWLP_USERDATA, 99), 0);
    EXPECT_EQ(GetWindowLongPtrW(m_dialog, GWLP_USERDATA), 99);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_ID), IDC_RICHEDIT);
}

} // namespace
