// Modal runs: the nested loop keeps timers going, EndDialog's code is the result, the host hears of
// every modal dialog once it is initialised, and the ATL dialog class routes messages to its map.
#include <atlwin.h>

#include "DialogTestUtil.h"

namespace {

using namespace dialogs_test;

class ModalHost : public pal::UserInterfaceHost {
public:
    bool SaveFileDialog(const pal::SaveFileRequest&, std::u16string&) override { return false; }
    int ShowMessageBox(const pal::MessageBoxRequest&) override { return IDOK; }
    void ModalDialogShown(HWND dialog) override
    {
        shown.push_back(dialog);
        activeWhenShown = GetActiveWindow();
        visibleWhenShown = IsWindowVisible(dialog);
        if (act)
            act(dialog);
    }
    std::vector<HWND> shown;
    HWND activeWhenShown = nullptr;
    BOOL visibleWhenShown = FALSE;
    std::function<void(HWND)> act;
};

struct HostScope {
    explicit HostScope(pal::UserInterfaceHost* h) : previous(pal::SetUserInterfaceHost(h)) {}
    ~HostScope() { pal::SetUserInterfaceHost(previous); }
    pal::UserInterfaceHost* previous;
};

INT_PTR RunModal(int templateId, LPARAM param = 0)
{
    return DialogBoxParamW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(templateId), nullptr,
                           &Recorder::Proc, param);
}

TEST_F(DialogTest, ModalRunEndsWithEndDialogsCodeWhileItsTimerTicks)
{
    ModalHost host; // looks, does nothing: the dialog ends itself
    HostScope scope(&host);
    int ticks = 0;
    LPARAM seenParam = 0;
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            seenParam = lParam;
            EXPECT_EQ(SetTimer(h, 7, 10, nullptr), UINT_PTR(7));
            return TRUE;
        }
        if (msg == WM_TIMER && wParam == 7 && ++ticks == 3)
            EndDialog(h, 42);
        return FALSE;
    };
    EXPECT_EQ(RunModal(IDD_ABOUTDLG, 0x1234), 42);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(seenParam, 0x1234);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.activeWhenShown, host.shown[0]) << "the modal dialog is the active window";
    EXPECT_TRUE(host.visibleWhenShown);
    EXPECT_FALSE(IsWindow(host.shown[0])) << "destroyed when the run ends";
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(pal::ActiveTimerCount(), 0u) << "the window's timer died with it";
    // WM_SETFONT comes before WM_INITDIALOG, WM_DESTROY last but one.
    ASSERT_GE(m_recorder.messages.size(), 3u);
    EXPECT_EQ(m_recorder.messages[0].msg, UINT(WM_SETFONT));
    EXPECT_EQ(m_recorder.messages[1].msg, UINT(WM_INITDIALOG));
    EXPECT_EQ(m_recorder.messages.back().msg, UINT(WM_NCDESTROY));
}

TEST_F(DialogTest, WithoutAHostTheDialogIsCancelled)
{
    HostScope scope(nullptr);
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
            EndDialog(h, IDCANCEL);
        return FALSE;
    };
    EXPECT_EQ(RunModal(IDD_OPTNSDLG), IDCANCEL);
    EXPECT_EQ(m_recorder.Commands(IDCANCEL), std::vector<WORD>{BN_CLICKED});
}

TEST_F(DialogTest, WithoutAHostADialogIgnoringCancelStillEnds)
{
    HostScope scope(nullptr);
    EXPECT_EQ(RunModal(IDD_INFODLG), IDCANCEL);
    EXPECT_EQ(m_recorder.Commands(IDCANCEL), std::vector<WORD>{BN_CLICKED}) << "Escape, as it has no Cancel button";
}

TEST_F(DialogTest, HostPressesButtonsAndClosesThroughTheirMessages)
{
    ModalHost host;
    host.act = [](HWND dialog) {
        EXPECT_TRUE(pal::PressButton(dialog, IDC_SHOW_LINKS)); // an automatic check box toggles
        EXPECT_FALSE(pal::PressButton(dialog, IDE_PROVIDER_KEY)) << "not a button";
        EXPECT_FALSE(pal::PressButton(dialog, IDC_READ_AS_TEXT)) << "hidden";
        EXPECT_TRUE(pal::CloseDialog(dialog));
    };
    HostScope scope(&host);
    UINT checkedAtEnd = 99;
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            checkedAtEnd = IsDlgButtonChecked(h, IDC_SHOW_LINKS);
            EndDialog(h, 5);
        }
        return FALSE;
    };
    EXPECT_EQ(RunModal(IDD_OPTNSDLG), 5);
    EXPECT_EQ(checkedAtEnd, UINT(BST_CHECKED));
    EXPECT_EQ(m_recorder.Commands(IDC_SHOW_LINKS), std::vector<WORD>{BN_CLICKED});
}

TEST_F(DialogTest, MessagesToADestroyedWindowFail)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    HWND edit = Item(IDC_RICHEDIT);
    ASSERT_TRUE(DestroyWindow(m_dialog));
    EXPECT_FALSE(IsWindow(m_dialog));
    EXPECT_FALSE(IsWindow(edit)) << "children go with their dialog";
    SetLastError(0);
    EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(SetWindowTextW(m_dialog, u"x"));
    EXPECT_FALSE(PostMessageW(m_dialog, WM_CLOSE, 0, 0));
    EXPECT_FALSE(DestroyWindow(m_dialog));
    size_t seen = m_recorder.messages.size();
    pal::PumpFor(0);
    EXPECT_EQ(m_recorder.messages.size(), seen);
}

TEST_F(DialogTest, PostedMessageArrivesFromTheLoopUnlessTheWindowIsGone)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    ASSERT_TRUE(PostMessageW(m_dialog, WM_USER + 5, 1, 2));
    ASSERT_TRUE(PostMessageW(m_dialog, WM_USER + 6, 1, 2));
    auto count = [&](UINT msg) {
        return std::count_if(m_recorder.messages.begin(), m_recorder.messages.end(),
                             [&](const Received& r) { return r.msg == msg; });
    };
    EXPECT_EQ(count(WM_USER + 5), 0) << "not before the loop runs";
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_USER + 5)
            DestroyWindow(h);
        return FALSE;
    };
    pal::PumpFor(0);
    EXPECT_EQ(count(WM_USER + 5), 1);
    EXPECT_EQ(count(WM_USER + 6), 0);
}

// An ATL dialog class: its map sees WM_INITDIALOG, commands and notifications with ATL's signatures.
class CTestDlg : public CDialogImpl<CTestDlg> {
public:
    enum { IDD = IDD_ATTACHDLG };

    BEGIN_MSG_MAP(CTestDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        NOTIFY_HANDLER(IDC_TAB, TCN_SELCHANGE, OnTabChanged)
        NOTIFY_ID_HANDLER(IDC_TAB, OnAnyTabNotification)
        COMMAND_HANDLER(IDC_RICHEDIT, EN_KILLFOCUS, OnTextLoseFocus)
        COMMAND_ID_HANDLER(IDOK, OnClose)
        COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&)
    {
        initParam = lParam;
        CWindow tab = GetDlgItem(IDC_TAB);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        for (const WCHAR* label : {u"one.txt", u"  \u2022 two.txt"}) {
            item.pszText = const_cast<LPWSTR>(label);
            tab.SendMessage(TCM_INSERTITEMW, tab.SendMessage(TCM_GETITEMCOUNT), reinterpret_cast<LPARAM>(&item));
        }
        CWindow(GetDlgItem(IDC_RICHEDIT)).SetFocus();
        CenterWindow();
        return FALSE; // the focus is set
    }
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        bHandled = FALSE; // left to the default handling
        return 0;
    }
    LRESULT OnTabChanged(int idCtrl, LPNMHDR pnmh, BOOL&)
    {
        changedTo = int(::SendMessageW(pnmh->hwndFrom, TCM_GETCURSEL, 0, 0));
        EXPECT_EQ(idCtrl, IDC_TAB);
        return 0;
    }
    LRESULT OnAnyTabNotification(int, LPNMHDR pnmh, BOOL&)
    {
        otherCodes.push_back(pnmh->code);
        return pnmh->code == TCN_SELCHANGING && refuseChange;
    }
    LRESULT OnTextLoseFocus(WORD, WORD, HWND, BOOL&)
    {
        ++lostFocus;
        return 0;
    }
    LRESULT OnClose(WORD, WORD wID, HWND, BOOL&)
    {
        EndDialog(wID);
        return 0;
    }

    LPARAM initParam = 0;
    int changedTo = -1;
    int lostFocus = 0;
    bool refuseChange = false;
    std::vector<UINT> otherCodes;
};

TEST(AtlDialog, MessageMapRoutesInitCommandsAndNotifications)
{
    CTestDlg dlg;
    ModalHost host;
    host.act = [&](HWND h) {
        EXPECT_EQ(dlg.m_hWnd, h);
        HWND tab = pal::FindControl(h, IDC_TAB);
        dlg.refuseChange = true;
        EXPECT_FALSE(pal::ChooseTab(tab, 1)) << "refused by TCN_SELCHANGING's result";
        EXPECT_EQ(dlg.changedTo, -1);
        dlg.refuseChange = false;
        EXPECT_TRUE(pal::ChooseTab(tab, 1));
        EXPECT_EQ(dlg.changedTo, 1);
        // The centred dialog lies in the middle of the work area.
        RECT r;
        GetWindowRect(h, &r);
        EXPECT_NEAR((r.left + r.right) / 2, 960, 1);
        EXPECT_NEAR((r.top + r.bottom) / 2, 520, 1);
        EXPECT_TRUE(pal::FocusControl(pal::FindControl(h, IDOK)));
        EXPECT_EQ(dlg.lostFocus, 1);
        EXPECT_TRUE(pal::PressButton(h, IDOK));
    };
    HostScope scope(&host);
    EXPECT_EQ(dlg.DoModal(nullptr, 77), IDOK);
    EXPECT_EQ(dlg.initParam, 77);
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "detached at the final message";
    // TCN_SELCHANGING twice (refused, then allowed) reached the id handler; TCN_SELCHANGE the code handler.
    EXPECT_EQ(dlg.otherCodes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGING}));
}

} // namespace
