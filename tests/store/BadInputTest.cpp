// Hostile and broken input: every case gives a message with what could be read, or an error that names
// the reason, within the store's limits.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "StoreTestUtil.h"
#include "host/store/StoreTags.h"

using namespace store_test;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Header(const std::string& type) { return "From: x@example.com\nSubject: bad\nMIME-Version: 1.0\nContent-Type: " + type + "\n\n"; }

size_t CountAll(const store::Message& m, int depth = 0)
{
    size_t n = m.attachments.size();
    for (const auto& a : m.attachments)
        if (a.embedded && depth < 200)
            n += CountAll(*a.embedded, depth + 1);
    return n;
}

} // namespace

TEST(StoreBadMime, BrokenStructureAndEncodingsKeepWhatCanBeRead)
{
    // Truncated in the middle of a base64 attachment: the part keeps the bytes up to the cut.
    std::string full = ReadFile(Corpus("eml/mail-attachment_emails-attachment_pdf.eml"));
    auto cut = Parse(full.substr(0, full.size() * 2 / 3));
    ASSERT_TRUE(cut);
    EXPECT_FALSE(cut->attachments.empty());

    // No closing boundary, a repeated boundary, broken base64 and quoted-printable, an unknown charset.
    std::string mail = Header("multipart/mixed; boundary=\"q\"") +
                       "--q\nContent-Type: text/plain; charset=x-no-such-charset\nContent-Transfer-Encoding: quoted-printable\n\n"
                       "caf=E9 =ZZ broken=\n--q\n--q\nContent-Type: application/pdf; name=a.pdf\nContent-Transfer-Encoding: base64\n\n"
                       "JVBER i0x%%%LjQ=\n===\n";
    auto m = Parse(mail);
    ASSERT_TRUE(m);
    EXPECT_EQ(U8(m->body).substr(0, 4), "caf\xC3");
    EXPECT_TRUE(std::any_of(m->attachments.begin(), m->attachments.end(),
                            [](const store::Attachment& a) { return Text(a.props, PR_ATTACH_LONG_FILENAME_W) == "a.pdf"; }));

    // Headers without the blank line that ends them: all header, no body.
    auto headersOnly = Parse("From: a@example.com\nSubject: no blank line\nX-Last: 1");
    ASSERT_TRUE(headersOnly);
    EXPECT_EQ(U8(*headersOnly->headers), "From: a@example.com\r\nSubject: no blank line\r\nX-Last: 1\r\n");
    EXPECT_EQ(U8(headersOnly->subject), "no blank line");

    // Empty and one-byte files still give an item.
    EXPECT_TRUE(Parse(""));
    EXPECT_TRUE(Parse("x"));
}

TEST(StoreBadMime, TenThousandPartsAreCutAtTheLimit)
{
    std::string mail = Header("multipart/mixed; boundary=\"p\"");
    for (int i = 0; i < 10000; ++i)
        mail += "--p\nContent-Type: application/octet-stream; name=f" + std::to_string(i) + ".bin\n\nx\n";
    mail += "--p--\n";
    auto m = Parse(mail);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->attachments.size(), store::Limits::kMaxAttachments);
    EXPECT_FALSE(m->warnings.empty());
    EXPECT_EQ(Number(m->attachments.back().props, PR_ATTACH_NUM), LONG(store::Limits::kMaxAttachments - 1));
}

TEST(StoreBadMime, NestingAHundredDeepStopsAtTheDepthLimit)
{
    std::string multiparts;
    for (int i = 0; i < 100; ++i)
        multiparts += "--d" + std::to_string(i) + "\nContent-Type: multipart/mixed; boundary=\"d" + std::to_string(i + 1) + "\"\n\n";
    multiparts += "--d100\nContent-Type: image/png; name=deep.png\n\nPNG\n";
    auto m = Parse(Header("multipart/mixed; boundary=\"d0\"") + multiparts);
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->attachments.empty());
    EXPECT_FALSE(m->warnings.empty());

    std::string messages = "From: leaf@example.com\nSubject: leaf\n\nleaf body\n";
    for (int i = 0; i < 100; ++i)
        messages = Header("multipart/mixed; boundary=\"m" + std::to_string(i) + "\"") + "--m" + std::to_string(i) +
                   "\nContent-Type: message/rfc822\n\n" + messages + "\n--m" + std::to_string(i) + "--\n";
    auto nested = Parse(messages);
    ASSERT_TRUE(nested);
    size_t levels = 0;
    for (const store::Message* at = nested.get(); at && !at->attachments.empty() && at->attachments[0].embedded;
         at = at->attachments[0].embedded.get())
        ++levels;
    EXPECT_GT(levels, 4u);
    EXPECT_LE(levels, size_t(store::Limits::kMaxDepth));
}

TEST(StoreBadMime, FiftyMegabyteAttachmentIsReadWhole)
{
    std::string data(50u << 20, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char((i * 7) & 0xFF);
    auto m = Parse(Header("multipart/mixed; boundary=\"z\"") + "--z\nContent-Type: application/zip; name=big.zip\n"
                   "Content-Transfer-Encoding: base64\n\n" + Base64(data) + "--z--\n");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->attachments.size(), 1u);
    EXPECT_EQ(m->attachments[0].data->size(), data.size());
    EXPECT_TRUE(*m->attachments[0].data == data);
}

TEST(StoreBadMime, TnefThatLiesAboutItsLengths)
{
    TnefWriter tnef;
    tnef.AddFile("a.txt", "abc");
    std::string bytes = tnef.Bytes();
    // Make the file's length field claim far more than the stream holds.
    size_t data = bytes.find("abc");
    ASSERT_NE(data, std::string::npos);
    for (int i = 1; i <= 4; ++i)
        bytes[data - i] = char(0x7F);
    for (const std::string& stream : {bytes, bytes.substr(0, bytes.size() / 2), std::string("\x78\x9f\x3e\x22", 4)}) {
        std::string mail = Header("multipart/mixed; boundary=\"t\"") + "--t\nContent-Type: application/ms-tnef\n"
                           "Content-Transfer-Encoding: base64\n\n" + Base64(stream) + "--t--\n";
        auto m = Parse(mail);
        ASSERT_TRUE(m);
        EXPECT_LE(m->attachments.size(), 2u);
    }
}

TEST(StoreBadMsg, TruncatedAndCorruptedCompoundFiles)
{
    std::string good = ReadFile(Corpus("msg/msgInMsg.msg"));
    ASSERT_GT(good.size(), 4096u);
    std::string error;
    // Truncated: what can be read, or an error.
    for (size_t size : {size_t(512), size_t(2048), good.size() / 2, good.size() - 100}) {
        error.clear();
        auto m = store::LoadMessageBytes(good.substr(0, size), "cut", error);
        EXPECT_TRUE(m || !error.empty()) << size;
    }
    // A cyclic chain: the directory's first sector points to itself in the allocation table.
    std::string cyclic = good;
    auto u32 = [&](const std::string& s, size_t at) {
        return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
               uint32_t(uint8_t(s[at + 3])) << 24;
    };
    auto put = [&](std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
    };
    uint32_t dirStart = u32(good, 0x30), fatSector = u32(good, 0x4C);
    size_t fatOffset = (size_t(fatSector) + 1) * 512;
    put(cyclic, fatOffset + 4 * dirStart, dirStart);
    error.clear();
    auto c = store::LoadMessageBytes(cyclic, "cyclic", error);
    EXPECT_TRUE(c || !error.empty());
    // Every stream's size field lying: all sizes set huge.
    std::string lying = good;
    std::u16string props = u"__properties_version1.0";
    std::string needle(reinterpret_cast<const char*>(props.data()), props.size() * 2);
    for (size_t at = lying.find(needle); at != std::string::npos; at = lying.find(needle, at + 1))
        put(lying, at + 0x78, 0x7FFFFFF0);
    error.clear();
    auto l = store::LoadMessageBytes(lying, "lying", error);
    EXPECT_TRUE(l || !error.empty());
}
