// Saving an attachment: the save dialog is answered through the host's console interface, which records
// what was asked; the file written must hold exactly the attachment's decoded bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "AttachmentTestUtil.h"
#include "host/ui/ConsoleUserInterface.h"

using namespace attach_test;

namespace {

class SaveAttachment : public AttachmentsOnStore {
protected:
    void SetUp() override
    {
        AttachmentsOnStore::SetUp();
        m_out = std::tmpfile();
        ASSERT_TRUE(m_out);
        ui = std::make_unique<host::ConsoleUserInterface>(m_out);
        m_previous = pal::SetUserInterfaceHost(ui.get());
        m_folder = testing_support::Prefix() + "/saved";
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override
    {
        pal::SetUserInterfaceHost(m_previous);
        std::fclose(m_out);
        AttachmentsOnStore::TearDown();
    }

    // What the console printed.
    std::string Printed()
    {
        std::fflush(m_out);
        std::rewind(m_out);
        std::string text;
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), m_out)) > 0)
            text.append(buf, n);
        return text;
    }
    // The decoded bytes of the message's own attachment number.
    std::string Decoded(LONG number) { return *m_message->attachments.at(size_t(number)).data; }

    std::unique_ptr<host::ConsoleUserInterface> ui;
    std::string m_folder;

private:
    FILE* m_out = nullptr;
    pal::UserInterfaceHost* m_previous = nullptr;
};

} // namespace

TEST_F(SaveAttachment, WritesTheExactBytesOfRealAttachments)
{
    // A 1 MB PDF and two JPEG logos of a real newsletter.
    const auto& list = SelectFile("eml/spamscope-mail_test_2.eml");
    ASSERT_EQ(list.size(), 3u);
    for (size_t i = 0; i < list.size(); ++i) {
        std::string path = m_folder + "/file" + std::to_string(i);
        ui->SaveNextAs(path);
        ASSERT_TRUE(attachments.SaveAttachment(i)) << i;
        std::string written = testing_support::ReadFile(path);
        EXPECT_EQ(written.size(), Decoded(attachments.GetAttachmentIndices()[i]).size()) << i;
        EXPECT_TRUE(written == Decoded(attachments.GetAttachmentIndices()[i])) << i;
    }
    EXPECT_GT(Decoded(attachments.GetAttachmentIndices()[2]).size(), 100000u);

    // What the dialog was asked: the long file name, one filter for all files, the fixed flags.
    ASSERT_EQ(ui->SaveRequests().size(), 3u);
    const pal::SaveFileRequest& asked = ui->SaveRequests()[0];
    EXPECT_EQ(asked.fileName, list[0].longFileName);
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].first, u"All Files (*.*)");
    EXPECT_EQ(asked.filters[0].second, u"*.*");
    EXPECT_EQ(asked.flags, DWORD(0x00A80006));
    EXPECT_EQ(asked.owner, nullptr);
    EXPECT_NE(Printed().find("[save] \"" + U8(list[0].longFileName) + "\" as " + m_folder + "/file0"), std::string::npos);
}

TEST_F(SaveAttachment, BlockBoundariesAndEmptyFiles)
{
    // Sizes at and around the copy's block size: the copy stops after the first short read.
    std::string exact(8192, '\0'), over(4097, '\0');
    for (size_t i = 0; i < exact.size(); ++i)
        exact[i] = char(i * 7 + 3);
    for (size_t i = 0; i < over.size(); ++i)
        over[i] = char(i * 13 + 1);
    SelectBytes(BuildMessage("blocks", {{"exact.bin", exact}, {"over.bin", over}, {"empty.bin", ""}}));
    ASSERT_EQ(attachments.GetAttachmentsExMapi().size(), 3u);
    const std::string expected[] = {exact, over, ""};
    for (size_t i = 0; i < 3; ++i) {
        std::string path = m_folder + "/block" + std::to_string(i);
        ui->SaveNextAs(path);
        ASSERT_TRUE(attachments.SaveAttachment(i));
        ASSERT_TRUE(std::filesystem::exists(path));
        EXPECT_TRUE(testing_support::ReadFile(path) == expected[i]) << i;
    }
}

TEST_F(SaveAttachment, ContainedEntriesAndHiddenRowsAreRefused)
{
    // A file inside a ZIP cannot be opened by number: the container message, with the warning icon.
    SelectFile("eml/sa-nice-handler_archive_zip.eml");
    ASSERT_EQ(attachments.GetAttachmentIndices()[1], -1);
    ui->SaveNextAs(m_folder + "/never");
    EXPECT_FALSE(attachments.SaveAttachment(1));
    EXPECT_TRUE(ui->SaveRequests().empty());
    ASSERT_EQ(ui->MessageBoxes().size(), 1u);
    const pal::MessageBoxRequest& box = ui->MessageBoxes()[0];
    EXPECT_EQ(U8(box.text), "The selected file is part of a container\nand at current it cannot be saved.");
    EXPECT_EQ(box.caption, u"");
    EXPECT_EQ(box.type & MB_ICONMASK, UINT(MB_ICONWARNING));
    EXPECT_NE(Printed().find("[warning] The selected file is part of a container\n"), std::string::npos);

    // Only the three rows shown can be saved; so can nothing past the end.
    SelectFile("eml/spamscope-mail_test_7.eml");
    ASSERT_GT(attachments.GetAttachmentsExMapi().size(), 4u);
    EXPECT_FALSE(attachments.SaveAttachment(3));
    EXPECT_FALSE(attachments.SaveAttachment(1000));
    EXPECT_TRUE(ui->SaveRequests().empty());
    attachments.SetTopRow(2);
    EXPECT_FALSE(attachments.SaveAttachment(1));
    EXPECT_TRUE(ui->SaveRequests().empty());
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/never"));
    ui->CancelNextSave();
    EXPECT_TRUE(attachments.SaveAttachment(4));
    EXPECT_EQ(ui->SaveRequests().size(), 1u);
}

TEST_F(SaveAttachment, CancellingWritesNothing)
{
    const auto& list = SelectFile("eml/sa-spam-extracttext-gtube_pdf.eml");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(attachments.SaveAttachment(0));
    ASSERT_EQ(ui->SaveRequests().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
    EXPECT_NE(Printed().find("\": cancelled"), std::string::npos);

    // With no host to ask, the dialog is cancelled too.
    pal::UserInterfaceHost* mine = pal::SetUserInterfaceHost(nullptr);
    EXPECT_TRUE(attachments.SaveAttachment(0));
    pal::SetUserInterfaceHost(mine);
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

TEST_F(SaveAttachment, LongNamesAreShortenedForTheDialogsBuffer)
{
    std::string longName(296, 'n');
    longName += ".pdf";
    SelectBytes(BuildMessage("long", {{longName, CorpusFile("files/doc/libreoffice.pdf")}}));
    ui->SaveNextAs(m_folder + "/short.pdf");
    ASSERT_TRUE(attachments.SaveAttachment(0));
    ASSERT_EQ(ui->SaveRequests().size(), 1u);
    // Shortened in the middle: the extension stays, and the folder still fits.
    const std::string offered = U8(ui->SaveRequests()[0].fileName);
    EXPECT_EQ(offered.size(), CEmailAttachments::SAFE_NAME_LENGTH);
    EXPECT_EQ(offered.substr(offered.size() - 6), "nn.pdf");
    EXPECT_NE(offered.find("n~n"), std::string::npos) << offered;
    EXPECT_TRUE(testing_support::ReadFile(m_folder + "/short.pdf") == Decoded(0));
}

TEST_F(SaveAttachment, UnwritableTargetsAreLoggedAndLoseNothing)
{
    const auto& list = SelectFile("eml/sa-spam-extracttext-gtube_pdf.eml");
    ASSERT_EQ(list.size(), 1u);
    // A folder that does not exist.
    ui->SaveNextAs(m_folder + "/missing/folder/file.pdf");
    EXPECT_FALSE(attachments.SaveAttachment(0));
    EXPECT_NE(LogText().find("CEmailAttachments::Save"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/missing"));

    // A read-only folder (the kernel's own for a user whom permissions do not stop).
    std::string readOnly = m_folder + "/readonly";
    std::filesystem::create_directories(readOnly);
    chmod(readOnly.c_str(), 0555);
    if (geteuid() == 0)
        readOnly = "/sys";
    ui->SaveNextAs(readOnly + "/file.pdf");
    EXPECT_FALSE(attachments.SaveAttachment(0));
    EXPECT_FALSE(std::filesystem::exists(readOnly + "/file.pdf"));
    chmod((m_folder + "/readonly").c_str(), 0755);

    // The list is intact and the next save goes through.
    ui->SaveNextAs(m_folder + "/file.pdf");
    EXPECT_TRUE(attachments.SaveAttachment(0));
    EXPECT_TRUE(testing_support::ReadFile(m_folder + "/file.pdf") == Decoded(0));
}
