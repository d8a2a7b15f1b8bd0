// Scripted dialogs over the module's own templates: the actions reach the dialog procedure as a
// person's would, a refused action stops the script and is reported, nested dialogs take the next
// script, message boxes get the given answers, and each dialog is rendered as JSON and PNG.
#include <cairo.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/JsonReader.h"
#include "dialogs/DialogTestUtil.h"
#include "host/dialogs/DialogDriver.h"
#include "support/TestPrefix.h"

namespace {

using namespace dialogs_test;

std::vector<host::DialogAction> Script(const std::string& text)
{
    std::vector<host::DialogAction> actions;
    std::string error;
    EXPECT_TRUE(host::ParseDialogScript(text, actions, error)) << error;
    return actions;
}

std::string Id(int id) { return std::to_string(id); }

// Captures what a FILE receives.
struct Capture {
    Capture() : file(std::tmpfile()) {}
    ~Capture() { std::fclose(file); }
    std::string Text()
    {
        std::fflush(file);
        std::rewind(file);
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
            out.append(buf, n);
        return out;
    }
    FILE* file;
};

class DriverTest : public DialogTest {
protected:
    void Install(std::vector<std::string> scripts, bool json = true, std::vector<int> answers = {})
    {
        host::DialogDriverOptions options;
        for (const std::string& s : scripts)
            options.scripts.push_back(Script(s));
        options.answers = std::move(answers);
        options.json = json;
        options.out = m_out.file;
        options.errors = m_errors.file;
        options.pngPrefix = testing_support::Prefix() + "/dialog";
        m_driver = std::make_unique<host::DialogDriver>(nullptr, options);
        m_previous = pal::SetUserInterfaceHost(m_driver.get());
    }
    void TearDown() override
    {
        pal::SetUserInterfaceHost(m_previous);
        DialogTest::TearDown();
    }
    INT_PTR RunModal(int templateId)
    {
        return DialogBoxParamW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(templateId), nullptr,
                               &Recorder::Proc, 0);
    }
    std::string Png(int n) { return testing_support::Prefix() + "/dialog-" + std::to_string(n) + ".png"; }

    Capture m_out, m_errors;
    std::unique_ptr<host::DialogDriver> m_driver;
    pal::UserInterfaceHost* m_previous = nullptr;
};

// The options page's controls as its procedure fills them in.
void FillTabs(HWND h)
{
    HWND tab = GetDlgItem(h, IDC_TAB);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    for (const WCHAR* label : {u"Providers", u"Setup", u"Flag Countries", u"Flag Links", u"Flag Servers"}) {
        item.pszText = const_cast<LPWSTR>(label);
        SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&item));
    }
}

TEST_F(DriverTest, TypesTicksChangesTabResizesAndClosesWithOk)
{
    Install({"type=" + Id(IDE_REPLY_TIMEOUT) + ":45;check=" + Id(IDC_SHOW_LINKS) + ";tab=" + Id(IDC_TAB) +
                 ":2;show;click=1",
             "resize=700x480;click=1"});
    std::u16string typed;
    UINT ticked = 99;
    int tabAtOk = -1;
    RECT sizeAtOk{};
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            FillTabs(h);
            return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            WCHAR buf[32] = {};
            GetDlgItemTextW(h, IDE_REPLY_TIMEOUT, buf, 32);
            typed = buf;
            ticked = IsDlgButtonChecked(h, IDC_SHOW_LINKS);
            if (HWND tab = GetDlgItem(h, IDC_TAB))
                tabAtOk = int(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
            GetWindowRect(h, &sizeAtOk);
            EndDialog(h, IDOK);
        }
        return FALSE;
    };
    EXPECT_EQ(RunModal(IDD_OPTNSDLG), IDOK);
    EXPECT_EQ(typed, u"45");
    EXPECT_EQ(ticked, UINT(BST_CHECKED));
    EXPECT_EQ(tabAtOk, 2);
    EXPECT_EQ(m_recorder.Commands(IDE_REPLY_TIMEOUT).empty(), false) << "EN_CHANGE";
    std::vector<UINT> tabCodes = m_recorder.NotifyCodes(IDC_TAB);
    EXPECT_NE(std::find(tabCodes.begin(), tabCodes.end(), UINT(TCN_SELCHANGE)), tabCodes.end());
    EXPECT_TRUE(m_recorder.Commands(IDCANCEL).empty()) << "closed by its own OK, not cancelled";
    // The details dialog has a sizing frame.
    bool sized = false;
    auto previous = m_recorder.answer;
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        sized |= msg == WM_SIZE;
        return previous(h, msg, wParam, lParam);
    };
    EXPECT_EQ(RunModal(IDD_INFODLG), IDOK);
    EXPECT_TRUE(sized);
    EXPECT_EQ(sizeAtOk.right - sizeAtOk.left, 700);
    EXPECT_EQ(sizeAtOk.bottom - sizeAtOk.top, 480);
    EXPECT_TRUE(m_driver->Succeeded()) << m_errors.Text();
    EXPECT_EQ(m_errors.Text(), "");

    std::string json = "{" + m_driver->TakeJson("") + "}";
    EXPECT_TRUE(testing_support::JsonReader(json).Document()) << json;
    // Shown, then on "show" with the typed text and the new tab; closed by the script, so no third.
    size_t shown = json.find("\"when\": \"shown\""), show = json.find("\"when\": \"show\"");
    ASSERT_NE(shown, std::string::npos);
    ASSERT_NE(show, std::string::npos);
    EXPECT_EQ(json.find("after its actions"), std::string::npos);
    EXPECT_NE(json.find("\"text\": \"45\"", show), std::string::npos);
    EXPECT_NE(json.find("\"templateId\": 200"), std::string::npos);
    EXPECT_NE(json.find("\"current\": 2", show), std::string::npos);
    EXPECT_NE(json.find("\"templateId\": 202"), std::string::npos);

    // The picture as it stood just before OK closed it: the resized window.
    cairo_surface_t* png = cairo_image_surface_create_from_png(Png(2).c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS) << Png(2);
    EXPECT_EQ(cairo_image_surface_get_width(png), 700);
    EXPECT_EQ(cairo_image_surface_get_height(png), 480);
    cairo_surface_destroy(png);
}

TEST_F(DriverTest, ARefusedActionIsReportedAndEndsTheScriptThenTheDialogIsCancelled)
{
    Install({"check=" + Id(IDC_SHOW_LINKS) + ";type=" + Id(IDE_PROVIDER_KEY) + ":secret;click=1",
             "click=" + Id(IDC_MAP)});
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            EndDialog(h, LOWORD(wParam));
        return FALSE;
    };
    EXPECT_EQ(RunModal(IDD_OPTNSDLG), IDCANCEL) << "the hidden field cannot be typed into";
    EXPECT_EQ(m_recorder.Commands(IDC_SHOW_LINKS).size(), 1u) << "the action before it was taken";
    EXPECT_TRUE(m_recorder.Commands(IDOK).empty()) << "the actions after it were not";
    m_recorder.messages.clear();
    EXPECT_EQ(RunModal(IDD_INFODLG), IDCANCEL) << "a disabled button";
    EXPECT_TRUE(m_recorder.Commands(IDC_MAP).empty());
    EXPECT_EQ(m_errors.Text(), "dialog 1: cannot type=" + Id(IDE_PROVIDER_KEY) + ":secret\ndialog 2: cannot click=" +
                                   Id(IDC_MAP) + "\n");
    EXPECT_FALSE(m_driver->Succeeded());
    std::string json = "{" + m_driver->TakeJson("") + "}";
    EXPECT_TRUE(testing_support::JsonReader(json).Document()) << json;
    EXPECT_NE(json.find("\"refused\": \"type=" + Id(IDE_PROVIDER_KEY) + ":secret\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"when\": \"after its actions\""), std::string::npos) << "still open after the refusal";
}

TEST_F(DriverTest, ADialogIgnoringCancelIsStillEnded)
{
    Install({}, false);
    EXPECT_EQ(RunModal(IDD_INFODLG), IDCANCEL); // the recorder ignores every command
    EXPECT_NE(m_errors.Text().find("dialog 1: Cancel did not close it"), std::string::npos);
    std::string text = m_out.Text();
    EXPECT_EQ(text.rfind("[dialog 1, shown]\n== Details ==\n", 0), 0u) << text;
    EXPECT_EQ(text.find("after its actions"), std::string::npos) << "no actions: rendered once";
}

// The about box's View Log opens the info dialog inside the about box's modal run.
INT_PTR CALLBACK InfoProc(HWND h, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        SetDlgItemTextW(h, IDC_RICHEDIT, u"The error log");
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        EndDialog(h, LOWORD(wParam) == IDOK ? 11 : 12);
    return FALSE;
}

TEST_F(DriverTest, NestedDialogsTakeTheNextScriptAsTheyOpen)
{
    Install({"click=" + Id(IDC_VIEW_LOG) + ";click=1", "show;click=1", "close"});
    std::vector<INT_PTR> nestedResults;
    m_recorder.answer = [&](HWND h, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_VIEW_LOG)
            nestedResults.push_back(DialogBoxParamW(_AtlBaseModule.GetResourceInstance(),
                                                    MAKEINTRESOURCEW(IDD_INFODLG), h, &InfoProc, 0));
        if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            EndDialog(h, LOWORD(wParam));
        return FALSE;
    };
    EXPECT_EQ(RunModal(IDD_ABOUTDLG), IDOK);
    EXPECT_EQ(nestedResults, std::vector<INT_PTR>{11}) << "the nested dialog took the second script";
    EXPECT_EQ(RunModal(IDD_ABOUTDLG), IDCANCEL) << "a later dialog takes the third";
    EXPECT_EQ(m_driver->DialogCount(), 3);
    std::string json = "{" + m_driver->TakeJson("") + "}";
    EXPECT_TRUE(testing_support::JsonReader(json).Document()) << json;
    size_t first = json.find("{\"dialog\": 1, \"templateId\": 201"), second = json.find("{\"dialog\": 2, \"templateId\": 200");
    ASSERT_NE(first, std::string::npos) << json;
    ASSERT_NE(second, std::string::npos) << json;
    EXPECT_NE(json.find("The error log", second), std::string::npos);
    EXPECT_EQ(json.find("\"refused\": \""), std::string::npos) << json;
    for (int n : {1, 2, 3})
        EXPECT_EQ(access(Png(n).c_str(), R_OK), 0) << Png(n);
    EXPECT_EQ(m_driver->TakeJson(""), "\"dialogs\": [],\n\"messageBoxes\": []") << "taken once";
}

TEST_F(DriverTest, MessageBoxesTakeTheAnswersInTurnOnlyWhenTheBoxHasThatButton)
{
    Install({}, true, {IDNO, IDNO});
    EXPECT_EQ(MessageBoxW(nullptr, u"Reorder?", u"Vantora", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, u"Saved", nullptr, MB_OK), IDOK) << "an OK box has no No";
    EXPECT_EQ(MessageBoxW(nullptr, u"Again?", u"Vantora", MB_YESNO), IDYES) << "no answer left: the first button";
    EXPECT_EQ(m_errors.Text(), "message box 2: cannot answer IDNO (no such button); answered IDOK\n");
    EXPECT_FALSE(m_driver->Succeeded());
    std::string json = "{" + m_driver->TakeJson("") + "}";
    EXPECT_TRUE(testing_support::JsonReader(json).Document()) << json;
    EXPECT_NE(json.find("{\"text\": \"Reorder?\", \"caption\": \"Vantora\", \"icon\": \"question\", \"answer\": \"IDNO\"}"),
              std::string::npos)
        << json;
    EXPECT_EQ(host::DialogDriver::ButtonByName("idyes"), IDYES);
    EXPECT_EQ(host::DialogDriver::ButtonByName("7"), IDNO);
    EXPECT_EQ(host::DialogDriver::ButtonByName("8"), 0);
    EXPECT_EQ(host::DialogDriver::ButtonByName("maybe"), 0);
}

} // namespace
