// The console's answers to the add-in's save dialog and message boxes, reached through the layer's
// GetSaveFileNameW and MessageBoxW as the add-in calls them, and vantora's options that set them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <commdlg.h>
#include <windows.h>

#include <cstdio>

#include "host/ui/ConsoleUserInterface.h"
#include "support/TestPrefix.h"

namespace {

class ConsoleUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_out = std::tmpfile();
        ASSERT_TRUE(m_out);
        ui = std::make_unique<host::ConsoleUserInterface>(m_out);
        pal::SetUserInterfaceHost(ui.get());
    }
    void TearDown() override
    {
        pal::SetUserInterfaceHost(nullptr);
        std::fclose(m_out);
    }
    std::string Printed()
    {
        std::fflush(m_out);
        std::rewind(m_out);
        std::string text;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), m_out)) > 0)
            text.append(buf, n);
        return text;
    }
    // The dialog as the add-in fills it, with a buffer of the given size.
    BOOL Ask(const WCHAR* initial, std::u16string& result, DWORD size = MAX_PATH)
    {
        std::u16string buffer(size, u'\0');
        std::char_traits<WCHAR>::copy(buffer.data(), initial, std::char_traits<WCHAR>::length(initial));
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.lpstrFilter = u"Text (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = size;
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
        BOOL ok = GetSaveFileNameW(&ofn);
        result = buffer.c_str();
        offset = ofn.nFileOffset;
        extension = ofn.nFileExtension;
        return ok;
    }

    std::unique_ptr<host::ConsoleUserInterface> ui;
    WORD offset = 0;
    WORD extension = 0;

private:
    FILE* m_out = nullptr;
};

} // namespace

TEST_F(ConsoleUi, AnswersOneSaveDialogWithTheGivenPathThenCancels)
{
    std::u16string result;
    ui->SaveNextAs("/tmp/out/report.final.pdf");
    ASSERT_TRUE(Ask(u"report.pdf", result));
    // The add-in gets the path as the real dialog gives it: a Windows path with its name's offsets.
    EXPECT_EQ(result, u"Z:\\tmp\\out\\report.final.pdf");
    EXPECT_EQ(offset, 11);
    EXPECT_EQ(extension, 24);
    EXPECT_EQ(CommDlgExtendedError(), 0u);

    EXPECT_FALSE(Ask(u"again.pdf", result));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(result, u"again.pdf");

    ASSERT_EQ(ui->SaveRequests().size(), 2u);
    const pal::SaveFileRequest& first = ui->SaveRequests()[0];
    EXPECT_EQ(first.fileName, u"report.pdf");
    ASSERT_EQ(first.filters.size(), 2u);
    EXPECT_EQ(first.filters[1].first, u"All Files (*.*)");
    EXPECT_EQ(first.filters[1].second, u"*.*");
    EXPECT_EQ(first.flags, DWORD(OFN_EXPLORER | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(Printed(), "[save] \"report.pdf\" as /tmp/out/report.final.pdf\n[save] \"again.pdf\": cancelled\n");
}

TEST_F(ConsoleUi, DialogErrorsAreReportedNotWritten)
{
    std::u16string result;
    // A path that does not fit the caller's buffer: the required size, and the buffer otherwise untouched.
    ui->SaveNextAs("/a/rather/long/path.txt");
    EXPECT_FALSE(Ask(u"x", result, 8));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
    EXPECT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0], WCHAR(std::u16string(u"Z:\\a\\rather\\long\\path.txt").size() + 1));

    // A wrong structure size.
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = 12;
    EXPECT_FALSE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
    EXPECT_EQ(ui->SaveRequests().size(), 1u);

    // Without a host the dialog is a cancel.
    pal::SetUserInterfaceHost(nullptr);
    ui->SaveNextAs("/tmp/never");
    EXPECT_FALSE(Ask(u"y", result));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(ConsoleUi, MessageBoxesArePrintedWithTheirIcon)
{
    EXPECT_EQ(MessageBoxW(GetActiveWindow(), u"two\nlines", nullptr, MB_ICONWARNING), IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, u"gone", u"Vantora", MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, u"sure?", nullptr, MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, u"fyi", nullptr, MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, u"plain", nullptr, MB_OK), IDOK);
    EXPECT_EQ(Printed(), "[warning] two\nlines\n[error] Vantora: gone\n[question] sure?\n[information] fyi\n[message] plain\n");
    ASSERT_EQ(ui->MessageBoxes().size(), 5u);
    EXPECT_EQ(ui->MessageBoxes()[0].caption, u"");
    EXPECT_EQ(ui->MessageBoxes()[1].caption, u"Vantora");
}

TEST(VantoraOptions, SaveOptionsComeBeforeTheCommand)
{
    auto run = [](const std::string& args) {
        std::string cmd = "VANTORA_PREFIX='" + testing_support::Prefix() + "' '" VANTORA_BIN_DIR "/vantora' " + args +
                          " >/dev/null 2>&1";
        int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string file = "'" + testing_support::CorpusPath("eml/mail-plain_emails-basic_email.eml") + "'";
    EXPECT_EQ(run("--save-as /tmp/x.pdf mapi " + file), 0);
    EXPECT_EQ(run("--cancel-save mapi " + file), 0);
    EXPECT_EQ(run("--save-as"), 2);
    EXPECT_EQ(run("--cancel-save"), 2);
}
