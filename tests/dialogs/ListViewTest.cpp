// The provider list: check boxes as state images, item data, the parent's veto of a state change, and
// the clicks a person makes on its cells.
#include "DialogTestUtil.h"

namespace {

using namespace dialogs_test;

class ListViewTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
        m_list = Item(IDLC_PROVIDERS);
        SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        const WCHAR* titles[] = {u"", u"Provider", u"Key"};
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.pszText = const_cast<LPWSTR>(titles[c]);
            col.cx = 60;
            ASSERT_EQ(SendMessageW(m_list, LVM_INSERTCOLUMNW, WPARAM(c), reinterpret_cast<LPARAM>(&col)), c);
        }
        for (int r = 0; r < 3; ++r) {
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = r;
            item.lParam = LPARAM(0x80000000u | unsigned(r + 10));
            ASSERT_EQ(SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), r);
            std::u16string name = u"provider " + std::u16string(1, char16_t(u'A' + r));
            item.iSubItem = 1;
            item.pszText = name.data();
            SendMessageW(m_list, LVM_SETITEMTEXTW, WPARAM(r), reinterpret_cast<LPARAM>(&item));
        }
    }
    bool SetCheck(int row, bool checked)
    {
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        return SendMessageW(m_list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool Checked(int row)
    {
        return (SendMessageW(m_list, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK) >> 12) - 1 == 1;
    }

    HWND m_list = nullptr;
};

TEST_F(ListViewTest, RowsKeepTextItemDataAndCheckState)
{
    EXPECT_EQ(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0), 3);
    LVITEMW item{};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.iItem = 2;
    item.stateMask = LVIS_STATEIMAGEMASK;
    ASSERT_TRUE(SendMessageW(m_list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.lParam, LPARAM(0x8000000Cu));
    EXPECT_EQ(item.state, UINT(INDEXTOSTATEIMAGEMASK(1))) << "a check box starts cleared";

    WCHAR text[8];
    item = LVITEMW{};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = 8;
    EXPECT_EQ(SendMessageW(m_list, LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item)), 7);
    EXPECT_EQ(std::u16string(text), u"provide") << "cut to the buffer";

    EXPECT_TRUE(SetCheck(1, true));
    EXPECT_TRUE(Checked(1));
    EXPECT_FALSE(Checked(0));
    pal::DialogView view = pal::ViewDialog(m_dialog);
    const pal::ControlView* list = FindView(view.controls, IDLC_PROVIDERS);
    ASSERT_EQ(list->rows.size(), 3u);
    EXPECT_TRUE(list->rows[1].checked);
    EXPECT_EQ(list->rows[1].cells[1], u"provider B");
    EXPECT_EQ(list->columns[2], u"Key");
    // Changing and changed, once each; setting the same state again says nothing.
    EXPECT_EQ(m_recorder.NotifyCodes(IDLC_PROVIDERS), (std::vector<UINT>{LVN_ITEMCHANGING, LVN_ITEMCHANGED}));
    EXPECT_TRUE(SetCheck(1, true));
    EXPECT_EQ(m_recorder.NotifyCodes(IDLC_PROVIDERS).size(), 2u);
}

TEST_F(ListViewTest, ParentRefusesAStateChange)
{
    // At most one checked row: the parent refuses a second check, as the options dialog limits them.
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
        if (msg != WM_NOTIFY || nm->hdr.code != LVN_ITEMCHANGING || !(nm->uChanged & LVIF_STATE))
            return FALSE;
        bool checking = (nm->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) &&
                        (nm->uOldState & LVIS_STATEIMAGEMASK) != INDEXTOSTATEIMAGEMASK(2);
        int checked = 0;
        for (int i = 0; i < 3; ++i)
            checked += Checked(i);
        SetWindowLongPtrW(h, DWLP_MSGRESULT, checking && checked >= 1);
        return TRUE;
    };
    EXPECT_TRUE(pal::CheckListViewRow(m_list, 0, true));
    EXPECT_FALSE(pal::CheckListViewRow(m_list, 2, true));
    EXPECT_FALSE(Checked(2));
    EXPECT_FALSE(SetCheck(2, true)) << "the program's change is refused too";
    EXPECT_TRUE(Checked(0));
    EXPECT_EQ(m_recorder.NotifyCodes(IDLC_PROVIDERS),
              (std::vector<UINT>{LVN_ITEMCHANGING, LVN_ITEMCHANGED, LVN_ITEMCHANGING, LVN_ITEMCHANGING}));
}

TEST_F(ListViewTest, ClicksSelectTheRowAndReportTheCell)
{
    std::vector<NMITEMACTIVATE> clicks;
    m_recorder.answer = [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        auto* nm = reinterpret_cast<NMITEMACTIVATE*>(lParam);
        if (msg == WM_NOTIFY && (nm->hdr.code == NM_DBLCLK || nm->hdr.code == NM_RCLICK))
            clicks.push_back(*nm);
        return FALSE;
    };
    EXPECT_TRUE(pal::ClickListViewCell(m_list, 1, 2, pal::ClickKind::Double));
    EXPECT_TRUE(pal::ClickListViewCell(m_list, 2, 0, pal::ClickKind::Right));
    EXPECT_FALSE(pal::ClickListViewCell(m_list, 3, 0, pal::ClickKind::Left)) << "no such row";
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].iItem, 1);
    EXPECT_EQ(clicks[0].iSubItem, 2);
    EXPECT_EQ(clicks[0].hdr.hwndFrom, m_list);
    // The click point lies in the reported cell.
    LVHITTESTINFO hit{};
    hit.pt = clicks[0].ptAction;
    EXPECT_EQ(SendMessageW(m_list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.iSubItem, 2);
    RECT cell{LVIR_BOUNDS, 2, 0, 0};
    ASSERT_TRUE(SendMessageW(m_list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell)));
    EXPECT_EQ(cell.left, 120);
    EXPECT_EQ(cell.right, 180);
    // The last click moved the selection to row 2, alone.
    EXPECT_EQ(SendMessageW(m_list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 2);
    EXPECT_EQ(SendMessageW(m_list, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
    EXPECT_EQ(GetFocus(), m_list);
}

} // namespace
