// ATL's message map shapes, without a window: the entries in order, ATL's handler signatures, a handler
// that declines (bHandled = FALSE) letting later entries see the message, and chaining to a base map.
// Built for Windows too, against the system's headers.
#include <gtest/gtest.h>

#include <atlbase.h>
#include <atlwin.h>

#include <string>
#include <vector>

namespace {

class CBaseMap {
public:
    BEGIN_MSG_MAP(CBaseMap)
        MESSAGE_HANDLER(WM_USER + 1, OnBase)
    END_MSG_MAP()

    LRESULT OnBase(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        calls.push_back("base");
        return LRESULT(wParam) * 2;
    }
    std::vector<const char*> calls;
};

class CMapDlg : public CDialogImpl<CMapDlg>, public CBaseMap {
public:
    enum { IDD = 200 };

    BEGIN_MSG_MAP(CMapDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_HANDLER(221, EN_KILLFOCUS, OnEditLoseFocus)
        COMMAND_ID_HANDLER(IDOK, OnDeclined)
        COMMAND_ID_HANDLER(IDOK, OnOk)
        NOTIFY_HANDLER(220, LVN_ITEMCHANGING, OnItemChanging)
        NOTIFY_ID_HANDLER(214, OnTabNotify)
        CHAIN_MSG_MAP(CBaseMap)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT uMsg, WPARAM, LPARAM lParam, BOOL&)
    {
        EXPECT_EQ(uMsg, UINT(WM_INITDIALOG));
        calls.push_back("init");
        return lParam;
    }
    LRESULT OnEditLoseFocus(WORD wNotifyCode, WORD wID, HWND, BOOL&)
    {
        EXPECT_EQ(wNotifyCode, WORD(EN_KILLFOCUS));
        EXPECT_EQ(wID, 221);
        calls.push_back("edit");
        return 0;
    }
    LRESULT OnDeclined(WORD, WORD, HWND, BOOL& bHandled)
    {
        calls.push_back("declined");
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnOk(WORD, WORD wID, HWND, BOOL&)
    {
        calls.push_back("ok");
        return wID;
    }
    LRESULT OnItemChanging(int idCtrl, LPNMHDR pnmh, BOOL&)
    {
        EXPECT_EQ(idCtrl, 220);
        calls.push_back("changing");
        return pnmh->code == LVN_ITEMCHANGING;
    }
    LRESULT OnTabNotify(int, LPNMHDR, BOOL&)
    {
        calls.push_back("tab");
        return 0;
    }
};

TEST(MessageMap, EntriesRouteInOrderWithAtlSignatures)
{
    CMapDlg dlg;
    LRESULT result = 0;
    EXPECT_TRUE(dlg.ProcessWindowMessage(nullptr, WM_INITDIALOG, 0, 33, result));
    EXPECT_EQ(result, 33);

    EXPECT_TRUE(dlg.ProcessWindowMessage(nullptr, WM_COMMAND, MAKEWPARAM(221, EN_KILLFOCUS), 0, result));
    EXPECT_FALSE(dlg.ProcessWindowMessage(nullptr, WM_COMMAND, MAKEWPARAM(221, EN_CHANGE), 0, result))
        << "another notification of the same control";
    EXPECT_TRUE(dlg.ProcessWindowMessage(nullptr, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, result));
    EXPECT_EQ(result, IDOK);

    NMHDR header{};
    header.idFrom = 220;
    header.code = LVN_ITEMCHANGING;
    EXPECT_TRUE(dlg.ProcessWindowMessage(nullptr, WM_NOTIFY, 220, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_EQ(result, 1);
    header.code = LVN_ITEMCHANGED;
    EXPECT_FALSE(dlg.ProcessWindowMessage(nullptr, WM_NOTIFY, 220, reinterpret_cast<LPARAM>(&header), result));
    header.idFrom = 214;
    header.code = TCN_SELCHANGE;
    EXPECT_TRUE(dlg.ProcessWindowMessage(nullptr, WM_NOTIFY, 214, reinterpret_cast<LPARAM>(&header), result));

    EXPECT_TRUE(dlg.ProcessWindowMessage(nullptr, WM_USER + 1, 21, 0, result));
    EXPECT_EQ(result, 42) << "answered by the chained map";
    EXPECT_FALSE(dlg.ProcessWindowMessage(nullptr, WM_USER + 2, 0, 0, result));

    std::vector<std::string> calls(dlg.calls.begin(), dlg.calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{"init", "edit", "declined", "ok", "changing", "tab", "base"}));
}

} // namespace
