// The mapping of real RFC 5322 messages: header bytes, body choice and charsets, attachment rows and their
// names, attached messages, inline parts and winmail.dat.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "StoreTestUtil.h"
#include "host/store/StoreTags.h"

using namespace store_test;

namespace {

std::vector<std::string> CorpusFiles(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> files;
    DIR* dir = opendir(Corpus(folder).c_str());
    if (!dir)
        return files;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            files.push_back(Corpus(folder + "/" + name));
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The header block as it stands in the file, line ends made CR LF.
std::string ExpectedHeader(const std::string& raw)
{
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        size_t eol = raw.find('\n', i);
        size_t end = eol == std::string::npos ? raw.size() : eol;
        std::string line = raw.substr(i, end - i);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            break;
        out += line + "\r\n";
        i = end + 1;
    }
    return out;
}

const store::Attachment* FindByName(const store::Message& m, const std::string& name)
{
    for (const auto& a : m.attachments)
        if (Text(a.props, PR_ATTACH_LONG_FILENAME_W) == name)
            return &a;
    return nullptr;
}

} // namespace

TEST(StoreMimeCorpus, EveryMessageLoadsWithItsHeaderAsReceived)
{
    auto files = CorpusFiles("eml", ".eml");
    ASSERT_GE(files.size(), 140u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        auto m = Load(file);
        ASSERT_TRUE(m);
        EXPECT_TRUE(m->IsMail());
        if (!m->headers)
            continue;
        std::string header = U8(*m->headers);
        std::string raw = ReadFile(file);
        // Header bytes that are valid UTF-8 come back unchanged but for the line ends.
        std::string expected = ExpectedHeader(raw);
        if (pal::ToUtf8(pal::ToWide(expected)) == expected) {
            EXPECT_EQ(header, expected);
        }
        for (size_t at = header.find('\n'); at != std::string::npos; at = header.find('\n', at + 1))
            ASSERT_TRUE(at > 0 && header[at - 1] == '\r') << "bare line feed at " << at;
        EXPECT_EQ(header.find("\r\n\r\n"), std::string::npos);
        EXPECT_EQ(m->props.Find(PR_TRANSPORT_MESSAGE_HEADERS_W) != nullptr, true);
    }
}

TEST(StoreMimeBodies, FirstTextAndHtmlPartsThatAreNotAttachments)
{
    // Text and HTML alternatives: HTML format, both bodies as sent.
    auto m = Load(Corpus("eml/spamscope-mail_test_7.eml"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->bodyFormat, 2);
    EXPECT_EQ(m->nativeFormat, 2);
    EXPECT_EQ(U8(m->nativeContentType).rfind("text/html", 0), 0u);
    // Its further text/html parts are attachments named like Outlook names unnamed parts.
    size_t htm = 0;
    for (const auto& a : m->attachments)
        if (Text(a.props, PR_ATTACH_MIME_TAG_W) == "text/html")
            ++htm;
    EXPECT_GE(htm, 1u);

    // Only plain text: format 1, and the HTML body is the text as Outlook shows it.
    auto plain = Load(Corpus("eml/mail-plain_emails-basic_email.eml"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->bodyFormat, 1);
    EXPECT_EQ(plain->nativeFormat, 1);
    EXPECT_NE(U8(plain->html).find("<!-- Converted from text/plain format -->"), std::string::npos);
    EXPECT_FALSE(plain->props.Find(PR_HTML));

    // Only HTML: the text body is the HTML's text.
    auto html = Load(Corpus("eml/sa-spam-011.eml"));
    ASSERT_TRUE(html);
    EXPECT_EQ(html->bodyFormat, 2);
    EXPECT_FALSE(html->body.empty());
    std::string body = U8(html->body);
    for (const char* tag : {"<br", "<himum>", "<H1>", "</nothing>", "<!--"})
        EXPECT_EQ(body.find(tag), std::string::npos) << tag;
    // What HTML reads as text stays text, as a browser shows it.
    EXPECT_NE(body.find("OPPO<>RTUNITY"), std::string::npos) << body;
}

TEST(StoreMimeBodies, CharsetsAreDecoded)
{
    auto big5 = Load(Corpus("eml/sa-nice-cjk-big5-base64.1.eml"));
    ASSERT_TRUE(big5);
    bool cjk = false;
    for (char16_t c : big5->html)
        cjk = cjk || (c >= 0x4E00 && c <= 0x9FFF);
    EXPECT_TRUE(cjk);
    auto jis = Load(Corpus("eml/mail-multi_charset-japanese_iso_2022.eml"));
    ASSERT_TRUE(jis);
    bool kana = false;
    for (char16_t c : jis->body)
        kana = kana || (c >= 0x3040 && c <= 0x30FF);
    EXPECT_TRUE(kana);
    EXPECT_EQ(jis->body.find(u'\x1b'), std::u16string::npos);
    // A UTF-16 HTML body.
    auto utf16 = Load(Corpus("eml/sa-spam-utf16.eml"));
    ASSERT_TRUE(utf16);
    EXPECT_NE(U8(utf16->html).find("<"), std::string::npos);
    EXPECT_EQ(utf16->html.find(u'\0'), std::u16string::npos);
}

TEST(StoreMimeAttachments, FileNamesFromRfc2231Rfc2047OrOutlooksNumbering)
{
    auto encoded = Load(Corpus("eml/mail-attachment_emails-attachment_with_base64_encoded_name.eml"));
    ASSERT_TRUE(encoded);
    EXPECT_TRUE(FindByName(*encoded, "This is a test.pdf"));

    auto continued = Load(Corpus("eml/mail-multi_charset-japanese_attachment_long_name.eml"));
    ASSERT_TRUE(continued);
    ASSERT_EQ(continued->attachments.size(), 1u);
    std::string name = Text(continued->attachments[0].props, PR_ATTACH_LONG_FILENAME_W);
    EXPECT_EQ(name.substr(0, 3), "\xE3\x81\x8B");
    EXPECT_EQ(name.substr(name.size() - 4), ".txt");

    auto latin = Load(Corpus("eml/mail-attachment_emails-attachment_with_quoted_filename.eml"));
    ASSERT_TRUE(latin);
    EXPECT_TRUE(FindByName(*latin, "Eelanal\xC3\xBC\xC3\xBCsi p\xC3\xA4ring.jpg"));

    // Unnamed parts: "ATT", a five-digit running number and the type's extension.
    auto unnamed = Load(Corpus("eml/spamscope-mail_test_6.eml"));
    ASSERT_TRUE(unnamed);
    ASSERT_GE(unnamed->attachments.size(), 2u);
    EXPECT_EQ(Text(unnamed->attachments[0].props, PR_ATTACH_LONG_FILENAME_W), "ATT00001.png");
    EXPECT_EQ(Text(unnamed->attachments[1].props, PR_ATTACH_LONG_FILENAME_W), "ATT00002.png");
    for (size_t i = 0; i < unnamed->attachments.size(); ++i) {
        const auto& a = unnamed->attachments[i];
        EXPECT_EQ(Number(a.props, PR_ATTACH_NUM), LONG(i));
        EXPECT_EQ(Number(a.props, PR_ATTACH_METHOD), LONG(ATTACH_BY_VALUE));
        ASSERT_TRUE(a.data);
        EXPECT_EQ(Number(a.props, PR_ATTACH_SIZE), LONG(a.data->size()));
    }
}

TEST(StoreMimeAttachments, InlinePartsCarryTheirContentIdAndAreHidden)
{
    auto m = Load(Corpus("eml/mail-attachment_emails-attachment_message_rfc822_inline_image.eml"));
    ASSERT_TRUE(m);
    int inlineParts = 0;
    for (const auto& a : m->attachments) {
        if (Text(a.props, PR_ATTACH_CONTENT_ID_W).empty())
            continue;
        ++inlineParts;
        EXPECT_EQ(Text(a.props, PR_ATTACH_CONTENT_ID_W).find('<'), std::string::npos);
        EXPECT_EQ(Number(a.props, PR_ATTACHMENT_HIDDEN), 1);
    }
    EXPECT_EQ(inlineParts, 1);
}

TEST(StoreMimeAttachments, AttachedMessagesTwoAndThreeLevelsDeep)
{
    std::string inner = ReadFile(Corpus("eml/mail-attachment_emails-attachment_message_rfc822.eml"));
    std::string outer = "From: Outer <outer@example.com>\nSubject: outer\nMIME-Version: 1.0\n"
                        "Content-Type: multipart/mixed; boundary=\"b1\"\n\n--b1\nContent-Type: text/plain\n\nhello\n"
                        "--b1\nContent-Type: message/rfc822\n\n" + inner + "\n--b1--\n";
    auto m = Parse(outer);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->attachments.size(), 1u);
    const auto& level1 = m->attachments[0];
    EXPECT_EQ(Number(level1.props, PR_ATTACH_METHOD), LONG(ATTACH_EMBEDDED_MSG));
    ASSERT_TRUE(level1.embedded);
    // Its own header, taken from where it stands in the file.
    EXPECT_EQ(U8(*level1.embedded->headers), ExpectedHeader(inner));
    ASSERT_EQ(level1.embedded->attachments.size(), 1u);
    const store::Attachment* level2 = &level1.embedded->attachments[0];
    ASSERT_TRUE(level2->embedded);
    EXPECT_TRUE(level2->embedded->headers);
    EXPECT_EQ(U8(level2->embedded->subject), "Another PDF");
    ASSERT_EQ(level2->embedded->attachments.size(), 1u);
    EXPECT_EQ(Text(level2->embedded->attachments[0].props, PR_ATTACH_LONG_FILENAME_W), "broken.pdf");
    // The attached messages' bodies are their own, not the outer message's.
    EXPECT_EQ(U8(m->body), "hello");
    EXPECT_NE(level1.embedded->entryId, m->entryId);
    EXPECT_NE(level2->embedded->entryId, level1.embedded->entryId);

    // A real message with a message in a message, each with its own parts.
    auto mime8 = Load(Corpus("eml/sa-nice-mime8.eml"));
    ASSERT_TRUE(mime8);
    ASSERT_EQ(mime8->attachments.size(), 3u);
    const auto& second = mime8->attachments[2];
    ASSERT_TRUE(second.embedded);
    EXPECT_EQ(U8(second.embedded->subject), "A Multipart message");
    ASSERT_EQ(second.embedded->attachments.size(), 4u);
    const auto& third = second.embedded->attachments[3];
    ASSERT_TRUE(third.embedded);
    EXPECT_EQ(U8(third.embedded->subject), "Monster!");
    EXPECT_EQ(Text(third.embedded->attachments.at(0).props, PR_ATTACH_MIME_TAG_W), "audio/x-sun");
}

TEST(StoreMimeTnef, WinmailDatBecomesTheMessagesOwnAttachmentsAndRtfBody)
{
    TnefWriter tnef;
    std::string rtf = "{\\rtf1\\ansi hello rich}";
    std::string stored = TnefWriter::Dword(uint32_t(rtf.size() + 12)) + TnefWriter::Dword(uint32_t(rtf.size())) +
                         TnefWriter::Dword(0x414C454D) + TnefWriter::Dword(0) + rtf;
    tnef.SetRtf(stored);
    tnef.AddFile("report.pdf", "%PDF-1.4 tiny");
    tnef.AddFile("notes.txt", "some notes");
    std::string mail = "From: a@example.com\nSubject: tnef\nMIME-Version: 1.0\n"
                       "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: application/ms-tnef; name=\"winmail.dat\"\n"
                       "Content-Transfer-Encoding: base64\nContent-Disposition: attachment; filename=\"winmail.dat\"\n\n" +
                       Base64(tnef.Bytes()) + "--b--\n";
    auto m = Parse(mail);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->attachments.size(), 2u) << (m->warnings.empty() ? "" : m->warnings[0]);
    EXPECT_FALSE(FindByName(*m, "winmail.dat"));
    const auto* pdf = FindByName(*m, "report.pdf");
    ASSERT_TRUE(pdf);
    EXPECT_EQ(*pdf->data, "%PDF-1.4 tiny");
    EXPECT_EQ(Number(m->attachments[1].props, PR_ATTACH_NUM), 1);
    EXPECT_EQ(m->bodyFormat, 3);
    EXPECT_EQ(U8(m->body), "hello rich");

    // A stream that cannot be decoded stays the attachment it is.
    std::string broken = mail;
    std::string b64 = Base64(tnef.Bytes());
    broken.replace(broken.find(b64), b64.size(), Base64("\x78\x9f\x3e\x22garbage"));
    auto kept = Parse(broken);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(FindByName(*kept, "winmail.dat"));
}
