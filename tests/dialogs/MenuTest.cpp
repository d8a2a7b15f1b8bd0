// Popup menus: the host sees the items as built and chooses one; a disabled item or a separator cannot be
// chosen; the choice is returned or posted to the owner. A right click on a control reaches the dialog as
// WM_CONTEXTMENU, also from a control moved onto a tab control.
#include "DialogTestUtil.h"

namespace {

using namespace dialogs_test;

class MenuHost : public pal::UserInterfaceHost {
public:
    bool SaveFileDialog(const pal::SaveFileRequest&, std::u16string&) override { return false; }
    int ShowMessageBox(const pal::MessageBoxRequest&) override { return IDOK; }
    UINT PopupMenuShown(const pal::PopupMenuRequest& request) override
    {
        shown.push_back(request);
        return choice;
    }
    std::vector<pal::PopupMenuRequest> shown;
    UINT choice = 0;
};

struct HostScope {
    explicit HostScope(pal::UserInterfaceHost* h) : previous(pal::SetUserInterfaceHost(h)) {}
    ~HostScope() { pal::SetUserInterfaceHost(previous); }
    pal::UserInterfaceHost* previous;
};

HMENU ThreeItems()
{
    HMENU menu = CreatePopupMenu();
    EXPECT_TRUE(AppendMenuW(menu, MF_STRING, 11, u"One"));
    EXPECT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuW(menu, MF_STRING | MF_GRAYED, 12, u"Two"));
    EXPECT_TRUE(AppendMenuW(menu, MF_STRING, 13, u"Three"));
    return menu;
}

TEST_F(DialogTest, PopupMenuShowsItsItemsAndReturnsTheChoice)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    MenuHost host;
    HostScope scope(&host);
    HMENU menu = ThreeItems();
    EXPECT_EQ(GetMenuItemCount(menu), 4);

    host.choice = 13;
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 40, 50, 0, m_dialog, nullptr), 13);
    ASSERT_EQ(host.shown.size(), 1u);
    const pal::PopupMenuRequest& r = host.shown[0];
    EXPECT_EQ(r.owner, m_dialog);
    EXPECT_EQ(r.x, 40);
    EXPECT_EQ(r.y, 50);
    ASSERT_EQ(r.items.size(), 4u);
    EXPECT_EQ(r.items[0].text, u"One");
    EXPECT_EQ(r.items[0].id, 11u);
    EXPECT_TRUE(r.items[0].enabled);
    EXPECT_TRUE(r.items[1].separator);
    EXPECT_FALSE(r.items[2].enabled);

    // Enabling changes what the next showing offers; the previous state comes back.
    EXPECT_EQ(EnableMenuItem(menu, 12, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(menu, 11, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(menu, 99, MF_BYCOMMAND | MF_GRAYED), -1);
    host.choice = 12;
    EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_dialog, nullptr), 12);

    // A disabled item, a separator's id or an unknown id are a dismissal.
    for (UINT choice : {11u, 0u, 77u}) {
        host.choice = choice;
        EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, m_dialog, nullptr), 0) << choice;
    }
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(DestroyMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_FALSE(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, m_dialog, nullptr));
    EXPECT_EQ(host.shown.size(), 5u) << "a destroyed menu is not shown";
}

TEST_F(DialogTest, PopupMenuWithoutReturnCommandPostsTheChoiceToTheOwner)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    MenuHost host;
    HostScope scope(&host);
    HMENU menu = ThreeItems();
    host.choice = 11;
    EXPECT_TRUE(TrackPopupMenu(menu, TPM_LEFTALIGN, 0, 0, 0, m_dialog, nullptr));
    EXPECT_TRUE(m_recorder.Commands(11).empty()) << "posted, not sent";
    pal::PumpFor(0);
    EXPECT_EQ(m_recorder.Commands(11), std::vector<WORD>{0});
    host.choice = 12; // disabled: nothing is posted
    EXPECT_TRUE(TrackPopupMenu(menu, TPM_LEFTALIGN, 0, 0, 0, m_dialog, nullptr));
    pal::PumpFor(0);
    EXPECT_TRUE(m_recorder.Commands(12).empty());
    EXPECT_FALSE(TrackPopupMenu(menu, TPM_LEFTALIGN, 0, 0, 0, reinterpret_cast<HWND>(0x7), nullptr))
        << "the owner must be a window";
    DestroyMenu(menu);
}

TEST_F(DialogTest, WithoutAHostAMenuIsDismissed)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    HostScope scope(nullptr);
    HMENU menu = ThreeItems();
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, m_dialog, nullptr), 0);
    DestroyMenu(menu);
}

TEST_F(DialogTest, RightClickSendsContextMenuUpToTheDialog)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    HWND list = Item(IDLB_COUNTRIES), tab = Item(IDC_TAB);
    RECT r;
    GetWindowRect(list, &r);
    LPARAM expected = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    LPARAM seenAt = 0;
    WPARAM seenFrom = 0;
    m_recorder.answer = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (msg == WM_CONTEXTMENU) {
            seenFrom = wParam;
            seenAt = lParam;
        }
        return FALSE;
    };
    ASSERT_TRUE(pal::RightClick(list));
    EXPECT_EQ(seenFrom, reinterpret_cast<WPARAM>(list));
    EXPECT_EQ(seenAt, expected);
    EXPECT_EQ(GetFocus(), list);

    // Moved onto the tab control, as the options dialog does: the tab control passes it on.
    seenFrom = 0;
    SetParent(list, tab);
    ASSERT_TRUE(pal::RightClick(list));
    EXPECT_EQ(seenFrom, reinterpret_cast<WPARAM>(list));

    ShowWindow(list, SW_HIDE);
    EXPECT_FALSE(pal::RightClick(list)) << "a hidden control cannot be clicked";
}

} // namespace
