// The attachment list over real messages of the host's store: attached e-mails with their own attachments
// after them, archive contents as contained entries, the types found from content, the mismatch flag and
// the attachment numbers the save command relies on.
#include <regex>
#include <set>

#include "AttachmentTestUtil.h"

using namespace attach_test;

using AttachmentList = AttachmentsOnStore;

TEST_F(AttachmentList, AttachedMessagesAreFollowedByTheirOwnAttachmentsAtEveryDepth)
{
    // An attached e-mail that holds a PDF and a ZIP (with a program inside) lists the e-mail, then its
    // files and the archive's file, all contained.
    std::string inner = BuildMessage("Quarterly figures", {{"a.pdf", CorpusFile("files/doc/libreoffice.pdf")},
                                                           {"b.zip", CorpusFile("files/archive/deflate.zip")}});
    const auto& list = SelectBytes(BuildMessage("outer", {{"", inner, "", true}}));
    std::vector<std::string> rows = Rows();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_TRUE(std::regex_match(rows[0], std::regex("Quarterly~[A-Z]{2}\\|Quarterly figures\\|MSG\\|0"))) << rows[0];
    EXPECT_EQ(rows[1], kBullet + "a.pdf|a.pdf|PDF|-1");
    EXPECT_EQ(rows[2], kBullet + "b.zip|b.zip|ZIP|-1");
    // deflate.zip holds readme.txt, rose.png and lib32.dll (whose program header lies beyond what a ZIP
    // entry's first bytes show).
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[3], kBullet + "readme.txt|readme.txt|???|-1");
    EXPECT_EQ(rows[4], kBullet + "rose.png|rose.png|PNG|-1");
    EXPECT_EQ(rows[5], kBullet + "lib32.dll|lib32.dll|???|-1");
    EXPECT_EQ(list[0].extension, u"");

    // Three deep in an Outlook file: the attached e-mail, what it holds (an e-mail and a picture), then
    // the outer message's own picture.
    SelectFile("msg/msgInMsgInMsg.msg");
    rows = Rows();
    ASSERT_EQ(rows.size(), 4u) << ::testing::PrintToString(rows);
    EXPECT_TRUE(std::regex_match(rows[0], std::regex("I have at~[A-Z]{2}\\|I have attachments!\\|MSG\\|0"))) << rows[0];
    EXPECT_TRUE(std::regex_match(rows[1], std::regex(kBullet + "Micros~[A-Z]{2}\\|Microsoft Outlook .*\\|MSG\\|-1")))
        << rows[1];
    EXPECT_EQ(rows[2], kBullet + "green.png|green.png|PNG|-1");
    EXPECT_EQ(rows[3], "blue.png|blue.png|PNG|1");
}

TEST_F(AttachmentList, RealNestedMessagesFromTheCorpus)
{
    // Two attached e-mails in one message, each listed before what it holds.
    SelectFile("eml/sa-nice-mime8.eml");
    std::vector<std::string> rows = Rows();
    int messages = 0;
    for (const std::string& row : rows)
        messages += row.find("|MSG|") != std::string::npos;
    EXPECT_GE(messages, 2) << ::testing::PrintToString(rows);

    // A forwarded message with a PDF of its own.
    SelectFile("eml/mail-attachment_emails-attachment_message_rfc822.eml");
    rows = Rows();
    ASSERT_EQ(rows.size(), 2u) << ::testing::PrintToString(rows);
    EXPECT_NE(rows[0].find("|MSG|0"), std::string::npos);
    EXPECT_EQ(rows[1], kBullet + "broken.pdf|broken.pdf|PDF|-1");
}

TEST_F(AttachmentList, ArchiveContentsAreContainedEntries)
{
    // A real mailed ZIP whose sizes are only in its data descriptors.
    SelectFile("eml/sa-nice-handler_archive_zip.eml");
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 3u) << ::testing::PrintToString(rows);
    EXPECT_NE(rows[0].find("|ZIP|0"), std::string::npos);
    EXPECT_EQ(rows[1].substr(0, kBullet.size()), kBullet);
    EXPECT_NE(rows[1].find("inner.js|"), std::string::npos);
    EXPECT_NE(rows[2].find("inner.html|"), std::string::npos);
    EXPECT_NE(rows[2].find("|-1"), std::string::npos);

    // A cabinet named .cab is listed; the same cabinet named .dat is recognised but not opened.
    SelectBytes(BuildMessage("cab", {{"setup.cab", CorpusFile("files/archive/mszip.cab")},
                                     {"data.dat", CorpusFile("files/archive/mszip.cab")}}));
    rows = Rows();
    ASSERT_EQ(rows.size(), 5u) << ::testing::PrintToString(rows);
    EXPECT_EQ(rows[0], "setup.cab|setup.cab|CAB|0");
    EXPECT_EQ(rows[1], kBullet + "readme.txt|readme.txt|???|-1");
    EXPECT_EQ(rows[2], kBullet + "rose.png|rose.png|PNG|-1");
    EXPECT_EQ(rows[3], kBullet + "lib32.dll|lib32.dll|DLL|-1");
    EXPECT_EQ(rows[4], "data.dat|data.dat|CAB|1");
}

TEST_F(AttachmentList, WinmailDatContentsBecomeTheMessagesOwnAttachments)
{
    store_test::TnefWriter tnef;
    tnef.AddFile("budget.xls", CorpusFile("files/doc/excel97.xls"));
    tnef.AddFile("notes.txt", "plain notes\r\n");
    SelectBytes(BuildMessage("tnef", {{"winmail.dat", tnef.Bytes(), "application/ms-tnef"}}));
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 2u) << ::testing::PrintToString(rows);
    EXPECT_EQ(rows[0].substr(0, rows[0].find_last_of('|')), "budget.xls|budget.xls|XLS");
    EXPECT_EQ(rows[1].substr(0, rows[1].find_last_of('|')), "notes.txt|notes.txt|???");
    EXPECT_NE(attachments.GetAttachmentIndices()[0], -1);
    EXPECT_NE(attachments.GetAttachmentIndices()[1], -1);
}

TEST_F(AttachmentList, TypeMismatchFollowsTheContentNotTheName)
{
    // photo.jpg is a program; page.htm is text nothing recognises; report.pdf is what it says; the .xlsm
    // macro workbook renamed to .jpg in the corpus is an Excel workbook.
    const auto& list = SelectBytes(BuildMessage(
        "mismatch", {{"photo.jpg", CorpusFile("files/exe/nsis-stub-x86.exe")},
                     {"page.htm", "just some words, no markup at all\r\n"},
                     {"report.pdf", CorpusFile("files/doc/libreoffice.pdf")},
                     {"lib.dll", CorpusFile("files/exe/nsis-System-x86.dll")}}));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].typeName, u"EXE");
    EXPECT_EQ(list[0].extension, u"JPG");
    EXPECT_TRUE(list[0].additionalInfo.typeMismatch);
    EXPECT_EQ(list[1].typeName, u"???");
    EXPECT_FALSE(list[1].additionalInfo.typeMismatch);
    EXPECT_EQ(list[2].typeName, u"PDF");
    EXPECT_FALSE(list[2].additionalInfo.typeMismatch);
    // The name agrees with the type even though no extension implies a library.
    EXPECT_EQ(list[3].typeName, u"DLL");
    EXPECT_FALSE(list[3].additionalInfo.typeMismatch);

    const auto& renamed = SelectFile("eml/sa-spam-olevbmacro-renamedmacro.eml");
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed[0].extension, u"JPG");
    EXPECT_EQ(renamed[0].typeName, u"XLSX");
    EXPECT_TRUE(renamed[0].additionalInfo.typeMismatch);
}

TEST_F(AttachmentList, BuiltOncePerSelection)
{
    SelectFile("eml/spamscope-mail_test_7.eml");
    std::vector<std::string> first = Rows();
    ASSERT_GT(first.size(), 3u);
    attachments.SetTopRow(1);
    // A second call neither rebuilds (display names would be drawn again) nor moves the rows.
    EXPECT_EQ(Rows(), first);
    EXPECT_EQ(attachments.GetTopRow(), 1);

    // A message without attachments gives an empty list, also when asked again.
    EXPECT_TRUE(SelectFile("eml/mail-plain_emails-basic_email.eml").empty());
    EXPECT_TRUE(attachments.GetAttachmentsExMapi().empty());
    EXPECT_EQ(attachments.GetTopRow(), 0);

    // Clear forgets the message: asking without one is an error, not an empty list.
    attachments.Clear();
    EXPECT_THROW(attachments.GetAttachmentsExMapi(), CErrorInfo);
}

TEST_F(AttachmentList, SetEmailItemRejectsAMissingItem)
{
    EXPECT_THROW(attachments.SetEmailItem(nullptr), CErrorInfo);
    EXPECT_NE(LogText().find("\"pMailItem\""), std::string::npos);
}

TEST_F(AttachmentList, OddNamesAndSubjectsFromRealMessages)
{
    // An attached message without a subject has no display name; a file name of 300 characters and one
    // without extension get short names; the long forms stay intact.
    std::string longName(296, 'x');
    longName += ".pdf";
    std::string noSubject = "From: a@example.org\r\nContent-Type: text/plain\r\n\r\nno subject here\r\n";
    const auto& list = SelectBytes(BuildMessage(
        "odd", {{"", noSubject, "", true},
                {longName, CorpusFile("files/doc/libreoffice.pdf")},
                {"README_FOR_EVERYONE", "text\r\n"}}));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].typeName, u"MSG");
    EXPECT_EQ(list[0].longFileName, u"");
    EXPECT_EQ(list[0].displayName, u"");
    EXPECT_EQ(U8(list[1].longFileName), longName);
    EXPECT_EQ(U8(list[1].displayName), "xxxxxxxxxxxx.pdf");
    EXPECT_EQ(list[1].typeName, u"PDF");
    EXPECT_TRUE(std::regex_match(U8(list[2].displayName), std::regex("README_FO~[A-Z]{2}"))) << U8(list[2].displayName);
    EXPECT_EQ(list[2].extension, u"");
}

TEST_F(AttachmentList, ShortNamesStayUniqueAcrossAttachedMessages)
{
    // Two attached e-mails with the same six long names: the list of each attached e-mail must not start
    // the random letters over, or the second e-mail's entries repeat the first one's.
    std::vector<Part> files;
    for (int i = 0; i < 6; ++i)
        files.push_back({"Quarterly report " + std::to_string(i) + ".xlsx", "figures\r\n"});
    std::string inner = BuildMessage("inner", files);
    const auto& list = SelectBytes(BuildMessage("outer", {{"", inner, "", true}, {"", inner, "", true}}));
    ASSERT_EQ(list.size(), 14u);
    std::set<std::string> seen;
    for (const AttachmentInfo& info : list) {
        if (info.displayName.find(u'~') != WString::npos) {
            EXPECT_TRUE(seen.insert(U8(info.displayName)).second) << U8(info.displayName);
        }
    }
    EXPECT_EQ(seen.size(), 12u);
}
