// Saving without losing data: a copy that fails part-way keeps the file the user agreed to replace and says
// why; the name offered is a safe file name; an attached e-mail is refused before the dialog; and rows that
// carry no file do not make the list rebuild (and so lose the scroll position) on every call.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "AttachmentTestUtil.h"
#include "FakeAttachments.h"
#include "host/ui/ConsoleUserInterface.h"

using namespace attach_test;
using fake_attach::FakeAttachment;
using fake_attach::FakeMessage;

namespace {

std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + i / 251) & 0xFF);
    return bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The person answering the dialogs, for lists on the store and on fake messages alike.
class SaveHost {
public:
    SaveHost()
    {
        m_out = std::tmpfile();
        ui = std::make_unique<host::ConsoleUserInterface>(m_out);
        m_previous = pal::SetUserInterfaceHost(ui.get());
    }
    ~SaveHost()
    {
        pal::SetUserInterfaceHost(m_previous);
        std::fclose(m_out);
    }
    std::string LastBoxText() const
    {
        return ui->MessageBoxes().empty() ? std::string() : U8(ui->MessageBoxes().back().text);
    }
    std::unique_ptr<host::ConsoleUserInterface> ui;

private:
    FILE* m_out = nullptr;
    pal::UserInterfaceHost* m_previous = nullptr;
};

// Files larger than the limit cannot be written, as on a disk that fills up.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_handler = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_handler;
};

class SafeSave : public AttachmentsOnStore {
protected:
    void SetUp() override
    {
        AttachmentsOnStore::SetUp();
        m_folder = testing_support::Prefix() + "/safe";
        std::filesystem::create_directories(m_folder);
    }
    SaveHost host;
    std::string m_folder;
};

// A list over a fake message, with its own folder to save into.
class FakeSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = testing_support::Prefix() + "/fake";
        std::filesystem::create_directories(m_folder);
    }
    std::vector<std::u16string> OfferedNames() const
    {
        std::vector<std::u16string> names;
        for (const pal::SaveFileRequest& r : host.ui->SaveRequests())
            names.push_back(r.fileName);
        return names;
    }
    fake_mapi::AllocatorScope scope;
    FakeMessage message;
    SaveHost host;
    std::string m_folder;
};

const char kOldContent[] = "the user's file, 26 bytes.";

} // namespace

TEST_F(SafeSave, AWriteThatFailsPartWayKeepsTheFileItWasToReplace)
{
    const std::string attachment = Pattern(200000);
    SelectBytes(BuildMessage("big", {{"big.bin", attachment}}));
    const std::string target = m_folder + "/kept.bin";
    testing_support::WriteFile(target, kOldContent);
    ASSERT_EQ(testing_support::ReadFile(target).size(), 26u);

    host.ui->SaveNextAs(target);
    {
        FileSizeLimit limit(65536);
        EXPECT_FALSE(attachments.SaveAttachment(0));
    }
    EXPECT_TRUE(testing_support::ReadFile(target) == kOldContent) << testing_support::ReadFile(target).size() << " bytes";
    EXPECT_EQ(FolderEntries(m_folder), std::vector<std::string>{"kept.bin"}) << "a piece was left behind";
    // The user is told, with the file and the system's reason.
    ASSERT_EQ(host.ui->MessageBoxes().size(), 1u);
    EXPECT_EQ(host.ui->MessageBoxes()[0].type & MB_ICONMASK, UINT(MB_ICONERROR));
    EXPECT_NE(host.LastBoxText().find("could not be saved"), std::string::npos) << host.LastBoxText();
    EXPECT_NE(host.LastBoxText().find("kept.bin"), std::string::npos) << host.LastBoxText();
    EXPECT_NE(host.LastBoxText().find("The file size exceeds the limit allowed and cannot be saved."), std::string::npos)
        << host.LastBoxText();

    // Once the disk has room, the same choice replaces the file with the whole attachment.
    host.ui->SaveNextAs(target);
    EXPECT_TRUE(attachments.SaveAttachment(0));
    EXPECT_TRUE(testing_support::ReadFile(target) == attachment);
    EXPECT_EQ(FolderEntries(m_folder), std::vector<std::string>{"kept.bin"});
    EXPECT_EQ(host.ui->MessageBoxes().size(), 1u);
}

TEST_F(SafeSave, TargetsThatCannotBeReplacedAreReportedAndLeftAsTheyWere)
{
    SelectFile("eml/sa-spam-extracttext-gtube_pdf.eml");
    // A folder where the file should go.
    const std::string folder = m_folder + "/a folder";
    std::filesystem::create_directories(folder + "/inside");
    host.ui->SaveNextAs(folder);
    EXPECT_FALSE(attachments.SaveAttachment(0));
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/inside"));
    EXPECT_EQ(FolderEntries(m_folder), std::vector<std::string>{"a folder"});
    ASSERT_EQ(host.ui->MessageBoxes().size(), 1u);
    EXPECT_NE(host.LastBoxText().find("Access is denied."), std::string::npos) << host.LastBoxText();

    // A folder that does not exist.
    host.ui->SaveNextAs(m_folder + "/missing/file.pdf");
    EXPECT_FALSE(attachments.SaveAttachment(0));
    ASSERT_EQ(host.ui->MessageBoxes().size(), 2u);
    EXPECT_NE(host.LastBoxText().find("The system cannot find the path specified."), std::string::npos)
        << host.LastBoxText();
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/missing"));

    // A folder no file can be created in (the kernel's own, for a user whom permissions do not stop).
    std::string readOnly = m_folder + "/readonly";
    std::filesystem::create_directories(readOnly);
    chmod(readOnly.c_str(), 0555);
    if (geteuid() == 0)
        readOnly = "/sys";
    host.ui->SaveNextAs(readOnly + "/file.pdf");
    EXPECT_FALSE(attachments.SaveAttachment(0));
    EXPECT_EQ(host.ui->MessageBoxes().size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(readOnly + "/file.pdf"));
    chmod((m_folder + "/readonly").c_str(), 0755);
}

TEST_F(SafeSave, AnAttachedEmailIsRefusedBeforeTheDialog)
{
    std::string inner = BuildMessage("Quarterly figures", {{"a.pdf", CorpusFile("files/doc/libreoffice.pdf")}});
    const auto& list = SelectBytes(BuildMessage("outer", {{"", inner, "", true}, {"b.txt", "plain text"}}));
    ASSERT_EQ(list.size(), 3u);
    ASSERT_EQ(list[0].typeName, u"MSG");
    host.ui->SaveNextAs(m_folder + "/never.msg");
    EXPECT_FALSE(attachments.SaveAttachment(0));
    EXPECT_TRUE(host.ui->SaveRequests().empty()) << "the dialog opened for something it cannot save";
    ASSERT_EQ(host.ui->MessageBoxes().size(), 1u);
    EXPECT_EQ(host.LastBoxText(),
              "The selected attachment is an attached e-mail\nand it cannot be saved from here.\n"
              "Open it and save it from its own window.");
    EXPECT_EQ(host.ui->MessageBoxes()[0].type & MB_ICONMASK, UINT(MB_ICONWARNING));
    EXPECT_TRUE(FolderEntries(m_folder).empty());

    // The file beside it still saves.
    host.ui->SaveNextAs(m_folder + "/b.txt");
    EXPECT_TRUE(attachments.SaveAttachment(2));
    EXPECT_EQ(testing_support::ReadFile(m_folder + "/b.txt"), "plain text");
}

TEST_F(FakeSave, AStreamThatFailsPartWayKeepsTheFileItWasToReplace)
{
    const std::string bytes = Pattern(200000);
    message.attachments = {FakeAttachment{ATTACH_BY_VALUE, u"report.pdf", bytes, true, 65536}};
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    ASSERT_EQ(list.GetAttachmentsExMapi().size(), 1u);
    const std::string target = m_folder + "/report.pdf";
    testing_support::WriteFile(target, kOldContent);

    host.ui->SaveNextAs(target);
    EXPECT_FALSE(list.SaveAttachment(0));
    EXPECT_TRUE(testing_support::ReadFile(target) == kOldContent) << testing_support::ReadFile(target).size() << " bytes";
    EXPECT_EQ(FolderEntries(m_folder), std::vector<std::string>{"report.pdf"});
    ASSERT_EQ(host.ui->MessageBoxes().size(), 1u);
    EXPECT_NE(host.LastBoxText().find("A disk error occurred during a read operation."), std::string::npos)
        << host.LastBoxText();

    // A new file is not created either.
    host.ui->SaveNextAs(m_folder + "/new.pdf");
    EXPECT_FALSE(list.SaveAttachment(0));
    EXPECT_EQ(FolderEntries(m_folder), std::vector<std::string>{"report.pdf"});
    EXPECT_EQ(host.ui->MessageBoxes().size(), 2u);
}

TEST_F(FakeSave, TheOfferedNameIsASafeFileName)
{
    std::u16string longName = u"Invoice_2" + std::u16string(246, u'X') + u".exe.txt";
    ASSERT_EQ(longName.size(), 263u);
    message.attachments = {
        {ATTACH_BY_VALUE, u"..\\..\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\update.bat", "x"},
        {ATTACH_BY_VALUE, u"C:\\Windows\\System32\\drivers\\etc\\hosts", "x"},
        {ATTACH_BY_VALUE, u"CON.txt", "x"},
        {ATTACH_BY_VALUE, longName, "x"},
    };
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    ASSERT_EQ(list.GetAttachmentsExMapi().size(), 4u);
    for (size_t i = 0; i < 3; ++i)
        list.SaveAttachment(i);
    list.SetTopRow(1);
    list.SaveAttachment(3);
    std::vector<std::u16string> offered = OfferedNames();
    ASSERT_EQ(offered.size(), 4u);
    EXPECT_EQ(offered[0], u"update.bat");
    EXPECT_EQ(offered[1], u"hosts");
    EXPECT_EQ(offered[2], u"_CON.txt");
    EXPECT_EQ(offered[3].substr(0, 9), u"Invoice_2");
    EXPECT_EQ(offered[3].substr(offered[3].size() - 4), u".txt") << U8(offered[3]);
    EXPECT_LT(offered[3].size(), size_t(MAX_PATH) - 100) << "no room left for the folder";
    // The ribbon's names are the display names as before.
    EXPECT_EQ(list.GetAttachmentsInfo()[0].displayName, u"update.bat");
}

TEST(SafeFileName, NamesWindowsRefusesOrTreatsAsDevices)
{
    auto safe = [](const std::u16string& name) { return U8(CEmailAttachments::GetSafeFileName(name)); };
    // Only the last part of a path; either separator.
    EXPECT_EQ(safe(u"\\\\server\\share\\x.doc"), "x.doc");
    EXPECT_EQ(safe(u"../../etc/passwd"), "passwd");
    EXPECT_EQ(safe(u"C:boot.ini"), "boot.ini");
    EXPECT_EQ(safe(u"folder\\"), "");
    EXPECT_EQ(safe(u".."), "");
    // Characters no file name may hold.
    EXPECT_EQ(safe(u"a<b>c\"d|e?f*g.txt"), "a_b_c_d_e_f_g.txt");
    EXPECT_EQ(safe(u"tab\there\x01.txt"), "tab_here_.txt");
    EXPECT_EQ(safe(u"report.pdf:hidden"), "report.pdf_hidden");
    // Windows drops trailing dots and blanks, which would change the name saved.
    EXPECT_EQ(safe(u"notes.txt. . "), "notes.txt");
    // Device names, in any case and with any extension; names that only start like one are files.
    EXPECT_EQ(safe(u"con"), "_con");
    EXPECT_EQ(safe(u"NUL.tar.gz"), "_NUL.tar.gz");
    EXPECT_EQ(safe(u"Aux .txt"), "_Aux .txt");
    EXPECT_EQ(safe(u"prn.doc"), "_prn.doc");
    EXPECT_EQ(safe(u"COM1"), "_COM1");
    EXPECT_EQ(safe(u"lpt9.log"), "_lpt9.log");
    EXPECT_EQ(safe(u"COM\u00B9.txt"), "_COM\xC2\xB9.txt");
    EXPECT_EQ(safe(u"COM10.txt"), "COM10.txt");
    EXPECT_EQ(safe(u"CONSOLE.txt"), "CONSOLE.txt");
    EXPECT_EQ(safe(u"LPT.txt"), "LPT.txt");
    EXPECT_EQ(safe(u"report.xlsx"), "report.xlsx");
}

TEST(SafeFileName, LongNamesAreShortenedInTheMiddle)
{
    std::u16string stem(300, u'a');
    stem.replace(0, 5, u"Start");
    stem.replace(stem.size() - 3, 3, u"End");
    std::u16string name = CEmailAttachments::GetSafeFileName(stem + u".docx");
    EXPECT_EQ(name.size(), CEmailAttachments::SAFE_NAME_LENGTH);
    EXPECT_EQ(name.substr(0, 5), u"Start");
    EXPECT_EQ(name.substr(name.size() - 8), u"End.docx");
    EXPECT_NE(name.find(u'~'), std::u16string::npos);
    // A name without an extension, and one whose "extension" is most of it, keep their ends.
    name = CEmailAttachments::GetSafeFileName(stem);
    EXPECT_EQ(name.size(), CEmailAttachments::SAFE_NAME_LENGTH);
    EXPECT_EQ(name.substr(name.size() - 3), u"End");
    name = CEmailAttachments::GetSafeFileName(u"a." + stem);
    EXPECT_EQ(name.size(), CEmailAttachments::SAFE_NAME_LENGTH);
    EXPECT_EQ(name.substr(name.size() - 3), u"End");
    // A character outside the basic plane is never cut in two.
    std::u16string wide;
    for (int i = 0; i < 200; ++i)
        wide += u"\U0001F4C4";
    name = CEmailAttachments::GetSafeFileName(wide + u".txt");
    EXPECT_LE(name.size(), CEmailAttachments::SAFE_NAME_LENGTH);
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] >= 0xD800 && name[i] < 0xDC00) {
            EXPECT_TRUE(i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] < 0xE000) << i;
        }
        if (name[i] >= 0xDC00 && name[i] < 0xE000) {
            EXPECT_TRUE(i > 0 && name[i - 1] >= 0xD800 && name[i - 1] < 0xDC00) << i;
        }
    }
    EXPECT_EQ(name.substr(name.size() - 4), u".txt");
    // Short enough names stay as they are.
    std::u16string fits(CEmailAttachments::SAFE_NAME_LENGTH - 4, u'b');
    EXPECT_EQ(CEmailAttachments::GetSafeFileName(fits + u".txt"), fits + u".txt");
}

TEST_F(FakeSave, RowsWithoutAFileDoNotRebuildTheList)
{
    // One OLE object and five documents with long names (whose short forms are drawn at random).
    message.attachments.push_back({ATTACH_OLE, u"", ""});
    for (int i = 1; i <= 5; ++i)
        message.attachments.push_back(
            {ATTACH_BY_VALUE, u"Quarterly document number " + std::u16string(1, char16_t(u'0' + i)) + u".txt", "text"});
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    std::vector<std::u16string> names;
    for (const AttachmentInfo& info : list.GetAttachmentsExMapi())
        names.push_back(info.displayName);
    ASSERT_EQ(names.size(), 5u);
    const int streams = message.StreamsOpened();
    EXPECT_EQ(streams, 5);

    // Scrolling to the last page, then the callbacks asking for the list again.
    list.SetTopRow(2);
    for (int call = 0; call < 3; ++call) {
        std::vector<std::u16string> again;
        for (const AttachmentInfo& info : list.GetAttachmentsExMapi())
            again.push_back(info.displayName);
        EXPECT_EQ(again, names) << "rebuilt with new short names";
    }
    EXPECT_EQ(list.GetTopRow(), 2);
    EXPECT_EQ(message.StreamsOpened(), streams) << "the attachments were analysed again";
    // So the documents of the last page can be saved.
    list.SaveAttachment(4);
    ASSERT_EQ(OfferedNames().size(), 1u);
    EXPECT_EQ(OfferedNames()[0], u"Quarterly document number 5.txt");

    // An attachment added while the message stays selected is listed.
    message.attachments.push_back({ATTACH_BY_VALUE, u"late.txt", "late"});
    EXPECT_EQ(list.GetAttachmentsExMapi().size(), 6u);
    EXPECT_EQ(list.GetAttachmentsExMapi().size(), 6u);
    EXPECT_EQ(message.StreamsOpened(), streams + 6);
}

TEST_F(FakeSave, RowsWithoutAnAttachmentAreLoggedOncePerList)
{
    message.attachments = {{NO_ATTACHMENT, u"", ""}, {ATTACH_BY_VALUE, u"a.txt", "a"}};
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    ASSERT_EQ(list.GetAttachmentsExMapi().size(), 1u);
    const int opened = message.openAttachCalls;
    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(list.GetAttachmentsExMapi().size(), 1u);
    EXPECT_EQ(message.openAttachCalls, opened);
    EXPECT_EQ(message.tablesOpened, 4) << "each call still compares the row count";
}
