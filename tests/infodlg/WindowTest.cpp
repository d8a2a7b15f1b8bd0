// The dialogs as windows: resizing within the minimum size, saved rectangles per caption, the About box's
// version, links and log, and texts and values that are too large or malformed.
#include "InfoDlgTestUtil.h"

#include <string>

#include "dialogs/AboutDlg.h"
#include "dialogs/AttachDlg.h"
#include "dialogs/InfoDlg.h"
#include "support/TestPrefix.h"

using namespace infodlg_test;

namespace {

class InfoWindows : public ::testing::Test {
protected:
    // Runs a text dialog; the host's act sees it first.
    void Run(UINT captionId, const WString& text = W("some text"))
    {
        CInfoDlg dlg(captionId);
        dlg.SetPlainText(text);
        dlg.DoModal(nullptr);
    }
    static WString Wide(const std::u16string& s) { return WString(s.begin(), s.end()); }
    DialogHost host;
};

TEST_F(InfoWindows, ResizingMovesTheButtonsAndStopsAtTheMinimumSize)
{
    RECT before{}, client{}, text{}, close{}, after{}, textAfter{}, closeAfter{};
    pal::DialogView small;
    host.act = [&](HWND h) {
        pal::DialogView v = pal::ViewDialog(h);
        before = v.rect;
        client = v.client;
        text = FindView(v.controls, IDC_RICHEDIT)->rect;
        close = FindView(v.controls, IDOK)->rect;
        ASSERT_TRUE(pal::ResizeDialog(h, (before.right - before.left) + 100, (before.bottom - before.top) + 60));
        v = pal::ViewDialog(h);
        after = v.rect;
        textAfter = FindView(v.controls, IDC_RICHEDIT)->rect;
        closeAfter = FindView(v.controls, IDOK)->rect;
        ASSERT_TRUE(pal::ResizeDialog(h, 100, 100));
        small = pal::ViewDialog(h);
    };
    Run(IDS_TITLE_MSG_BODY);
    EXPECT_EQ(before.right - before.left + 100, after.right - after.left);
    EXPECT_EQ(text.right - text.left + 100, textAfter.right - textAfter.left);
    EXPECT_EQ(text.bottom - text.top + 60, textAfter.bottom - textAfter.top);
    EXPECT_EQ(close.left + 100, closeAfter.left);
    EXPECT_EQ(close.top + 60, closeAfter.top);
    EXPECT_EQ(close.right - close.left, closeAfter.right - closeAfter.left);
    EXPECT_EQ(400, small.rect.right - small.rect.left);
    EXPECT_EQ(250, small.rect.bottom - small.rect.top);
    // The text keeps its margins at the smallest size as well.
    const pal::ControlView* smallText = FindView(small.controls, IDC_RICHEDIT);
    const pal::ControlView* smallClose = FindView(small.controls, IDOK);
    EXPECT_EQ(small.client.right - smallClose->rect.right, client.right - close.right);
    EXPECT_EQ(small.client.bottom - smallClose->rect.bottom, client.bottom - close.bottom);
    EXPECT_LT(smallText->rect.bottom, smallClose->rect.top);
}

TEST_F(InfoWindows, EachCaptionRestoresItsOwnRectangle)
{
    const RECT moved{30, 40, 530, 440};
    host.act = [&](HWND h) {
        SetWindowPos(h, nullptr, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top,
                     SWP_NOZORDER);
    };
    Run(IDS_TITLE_MSG_HEADER);
    ULONGLONG value = 0;
    ASSERT_TRUE(SavedRect(IDS_TITLE_MSG_HEADER, value));
    EXPECT_EQ(0x001E0028021201B8ull, value) << "left, top, right, bottom from the most significant";

    std::vector<RECT> opened;
    host.act = [&](HWND h) { opened.push_back(WindowRect(h)); };
    Run(IDS_TITLE_MSG_HEADER);
    Run(IDS_TITLE_MSG_BODY);
    std::vector<AttachmentInfo> none;
    CAttachDlg attachments(none);
    attachments.DoModal(nullptr);
    ASSERT_EQ(3u, opened.size());
    EXPECT_TRUE(SameRect(moved, opened[0]));
    EXPECT_FALSE(SameRect(moved, opened[1])) << "501 has a rectangle of its own";
    EXPECT_FALSE(SameRect(moved, opened[2])) << "so has 503";
    ASSERT_TRUE(SavedRect(IDS_TITLE_ATTACHMENTS, value));
    EXPECT_NE(0u, value);
    EXPECT_FALSE(SavedRect(IDS_TITLE_LINKS, value));

    // The attachments dialog comes back where it was left, too.
    const RECT left{60, 70, 560, 470};
    host.act = [&](HWND h) {
        SetWindowPos(h, nullptr, left.left, left.top, left.right - left.left, left.bottom - left.top, SWP_NOZORDER);
    };
    attachments.DoModal(nullptr);
    RECT again{};
    host.act = [&](HWND h) { again = WindowRect(h); };
    attachments.DoModal(nullptr);
    EXPECT_TRUE(SameRect(left, again));
}

TEST_F(InfoWindows, ARectangleOffEveryScreenOrZeroIsIgnored)
{
    COutlookAddinRegistry registry;
    RECT shown{};
    host.act = [&](HWND h) { shown = WindowRect(h); };
    Run(IDS_TITLE_LINKS);
    const RECT initial = shown;

    RECT off{-3000, -2000, -2500, -1600}; // left of and above every screen
    ASSERT_TRUE(registry.WriteQWORD(W("504"), CInfoDlgHelper::PackWindowRect(off)));
    host.act = [&](HWND h) {
        shown = WindowRect(h);
        pal::PressButton(h, IDCANCEL); // Escape saves as well
    };
    Run(IDS_TITLE_LINKS);
    EXPECT_TRUE(SameRect(initial, shown));
    EXPECT_NE(LogText().find("MONITOR_DEFAULTTONULL"), std::string::npos);

    ASSERT_TRUE(registry.WriteQWORD(W("504"), 0));
    Run(IDS_TITLE_LINKS);
    EXPECT_TRUE(SameRect(initial, shown));

    // Partly left of the primary screen is still on it: restored with its negative left edge.
    RECT partly{-100, 20, 400, 320};
    ASSERT_TRUE(registry.WriteQWORD(W("504"), CInfoDlgHelper::PackWindowRect(partly)));
    Run(IDS_TITLE_LINKS);
    EXPECT_TRUE(SameRect(partly, shown));
}

TEST(SavedRectangle, FieldsAreSigned16BitNumbers)
{
    RECT r{-1, -32768, 32767, 5};
    RECT back = CInfoDlgHelper::UnpackWindowRect(CInfoDlgHelper::PackWindowRect(r));
    EXPECT_TRUE(SameRect(r, back));
    RECT far{-70000, 0, 70000, 10};
    back = CInfoDlgHelper::UnpackWindowRect(CInfoDlgHelper::PackWindowRect(far));
    EXPECT_EQ(-32768, back.left);
    EXPECT_EQ(32767, back.right);
    EXPECT_EQ(0xFFFF000000000000ull, CInfoDlgHelper::PackWindowRect(RECT{-1, 0, 0, 0}));
}

TEST_F(InfoWindows, TheErrorLogDialogShowsTheLogAndAnEmptyLogShowsNothing)
{
    CErrorLog::Instance().Write(W("first entry"), "Test::Run", "tests/infodlg/WindowTest.cpp", 1);
    std::u16string shown;
    host.act = [&](HWND h) { shown = FindView(pal::ViewDialog(h).controls, IDC_RICHEDIT)->text; };
    {
        CInfoDlg dlg(IDS_TITLE_ERROR_LOG);
        EXPECT_EQ(CInfoDlg::FT_NONE, dlg.GetFormatType());
        dlg.DoModal(nullptr);
    }
    EXPECT_NE(U8(shown).find("ERROR - first entry"), std::string::npos);
    EXPECT_EQ(U8(Wide(shown)).size(), U8(shown).size());
}

TEST(ErrorLogDialog, AnEmptyLogIsLoggedAndLeavesTheTextEmpty)
{
    ASSERT_EQ(0u, CErrorLog::Instance().ReadAll().Length()) << "nothing logged yet in this process";
    CInfoDlg dlg(IDS_TITLE_ERROR_LOG);
    EXPECT_TRUE(dlg.GetText().empty());
    EXPECT_NE(LogText().find("wcslen(\"errorLog\") > 0"), std::string::npos);
}

TEST_F(InfoWindows, AboutShowsTheShortVersionTheBannerAndItsLinks)
{
    setenv("VANTORA_HOMEPAGE_IPINFODB", "https://ipinfodb.example/", 1);
    CErrorLog::Instance().Write(W("an entry to view"), "Test::Run", "tests/infodlg/WindowTest.cpp", 2);
    pal::DialogView about;
    int step = 0;
    host.act = [&](HWND h) {
        pal::DialogView v = pal::ViewDialog(h);
        if (v.templateId == IDD_INFODLG) {
            host.seen.back() = v; // the log as shown
            return;
        }
        about = v;
        if (step++ == 0) {
            EXPECT_TRUE(pal::ClickLink(pal::FindControl(h, IDC_LINK_IPINFODB)));
            EXPECT_TRUE(pal::ClickLink(pal::FindControl(h, IDC_LINK_KEYCDN)));
            EXPECT_TRUE(pal::PressButton(h, IDC_VIEW_LOG));
            EXPECT_TRUE(IsWindow(h)) << "the About box stays open";
            pal::PressButton(h, IDC_EMAIL_SUPPORT);
        } else {
            pal::PressButton(h, IDC_EMAIL_DETAILS);
        }
    };
    CAboutDlg dlg;
    EXPECT_EQ(IDC_EMAIL_SUPPORT, dlg.DoModal(nullptr));
    EXPECT_EQ(IDC_EMAIL_DETAILS, dlg.DoModal(nullptr));
    unsetenv("VANTORA_HOMEPAGE_IPINFODB");

    WString version = CAboutDlg::ShortenVersion(CAboutDlg::GetProductVersion());
    ASSERT_FALSE(version.empty());
    EXPECT_EQ("Version: " + U8(version), U8(FindView(about.controls, IDC_VERSION)->text));
    EXPECT_EQ(IDB_BANNER, FindView(about.controls, IDC_BANNER)->imageId);
    // Centred on the screen.
    int width = about.rect.right - about.rect.left;
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - width) / 2, about.rect.left);

    ASSERT_EQ(2u, host.opened.size());
    EXPECT_EQ(u"https://ipinfodb.example/", host.opened[0].file);
    EXPECT_EQ(u"https://tools.keycdn.com/geo", host.opened[1].file);
    EXPECT_EQ(u"open", host.opened[1].verb);

    // The log, modal over the About box, shown by the nested run.
    ASSERT_EQ(3u, host.seen.size());
    EXPECT_EQ(IDD_INFODLG, host.seen[1].templateId);
    EXPECT_EQ(u"Error Log", host.seen[1].caption);
    EXPECT_NE(U8(FindView(host.seen[1].controls, IDC_RICHEDIT)->text).find("an entry to view"), std::string::npos);
}

TEST_F(InfoWindows, CloseAndEscapeEndTheAboutBoxWithTheirIds)
{
    CAboutDlg dlg;
    EXPECT_EQ(IDOK, dlg.DoModal(nullptr));
    host.act = [](HWND h) { pal::PressButton(h, IDCANCEL); };
    EXPECT_EQ(IDCANCEL, dlg.DoModal(nullptr));
}

TEST(AboutVersion, ShortenedToMajorMinorAndASingleDigitThird)
{
    EXPECT_EQ(u"2.1.5", std::u16string(CAboutDlg::ShortenVersion(W("2.1.5.0")).c_str()));
    EXPECT_EQ(u"2.1", std::u16string(CAboutDlg::ShortenVersion(W("2.1.12.0")).c_str()));
    EXPECT_EQ(u"2.1", std::u16string(CAboutDlg::ShortenVersion(W("2.1.0.7")).c_str()));
    EXPECT_EQ(u"", std::u16string(CAboutDlg::ShortenVersion(W("2.1")).c_str()));
    EXPECT_EQ(u"2.1", std::u16string(CAboutDlg::ShortenVersion(W("2.1.5")).c_str())) << "no fourth component";
}

// Bad input: the dialogs stay whole and show what they were given.
TEST_F(InfoWindows, AFiftyMegabyteLogOpens)
{
    std::string entry = "ERROR - a long repeated entry of the error log written by a test\n";
    std::string big;
    while (big.size() < 50u * 1024 * 1024)
        big += entry;
    CErrorLog::Instance().Write(W("the log's first entry"), "Test::Run", "tests/infodlg/WindowTest.cpp", 3);
    std::string path = pal::ToUnixPath(CErrorLog::Instance().GetPath());
    ASSERT_FALSE(path.empty());
    testing_support::WriteFile(path, big);
    size_t shownLength = 0;
    host.act = [&](HWND h) {
        shownLength = size_t(SendMessageW(pal::FindControl(h, IDC_RICHEDIT), WM_GETTEXTLENGTH, 0, 0));
    };
    // The log shows its newest entries, up to the log's bound, and the dialog shows all of them.
    CInfoDlg dlg(IDS_TITLE_ERROR_LOG);
    size_t length = dlg.GetText().size();
    EXPECT_LE(length, size_t(CErrorLog::kMaxSize));
    EXPECT_GE(length, size_t(CErrorLog::kMaxSize) - entry.size());
    EXPECT_NE(WString::npos, dlg.GetText().find(W("ERROR - a long repeated entry")));
    dlg.DoModal(nullptr);
    EXPECT_GE(shownLength, length);
}

TEST_F(InfoWindows, AHugeHeaderGetsOneBoldNamePerField)
{
    WString header;
    for (int i = 0; i < 10000; ++i) {
        header += W("X-Field-") + CInfoDlgHelper::Decimal(i) + W(": value with: a colon\r\n");
        if (i % 10 == 0)
            header += W("\tfolded: continuation\r\n");
    }
    while (header.size() < 1024 * 1024)
        header += W("X-Padding: ") + WString(200, W('p')) + W("\r\n");
    pal::ControlView text;
    host.act = [&](HWND h) { text = *FindView(pal::ViewDialog(h).controls, IDC_RICHEDIT); };
    CInfoDlg dlg(IDS_TITLE_MSG_HEADER);
    dlg.SetText(header);
    dlg.DoModal(nullptr);
    std::vector<std::string> bold = RunTexts(text, Bold);
    size_t expected = 0;
    for (size_t p = 0; p < header.size(); p = header.find(W('\n'), p) + 1)
        expected += header[p] != W('\t');
    EXPECT_EQ(expected, bold.size());
    EXPECT_EQ("X-Field-0:", bold[0]);
    EXPECT_EQ("X-Field-9999:", bold[9999]);
}

TEST_F(InfoWindows, NulsAndLoneSurrogatesAreShownInPlace)
{
    WString body = W("before");
    body += WCHAR(0);
    body += W("after ");
    body += WCHAR(0xD800);
    body += W(" lone ");
    body += WCHAR(0xDC00);
    body += W(" end");
    std::u16string shown;
    host.act = [&](HWND h) { shown = FindView(pal::ViewDialog(h).controls, IDC_RICHEDIT)->text; };
    Run(IDS_TITLE_MSG_BODY, body);
    std::u16string expected(body.begin(), body.end());
    expected[6] = u' ';
    EXPECT_EQ(expected, shown);

    // Header ranges stay on their characters after a NUL and a lone surrogate.
    WString header = W("A: 1");
    header += WCHAR(0);
    header += WCHAR(0xD800);
    header += W("\r\nB: 2");
    pal::ControlView text;
    host.act = [&](HWND h) { text = *FindView(pal::ViewDialog(h).controls, IDC_RICHEDIT); };
    CInfoDlg dlg(IDS_TITLE_MSG_HEADER);
    dlg.SetText(header);
    dlg.DoModal(nullptr);
    EXPECT_EQ((std::vector<std::string>{"A:", "B:"}), RunTexts(text, Bold));
}

} // namespace
