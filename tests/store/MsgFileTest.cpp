// Outlook .msg files from the corpus: every file loads; mail items and the items that are not mail; attached
// messages in messages; 8-bit stores with their code page; Exchange senders.
#include <dirent.h>

#include <algorithm>

#include "StoreTestUtil.h"
#include "host/store/StoreTags.h"

using namespace store_test;

TEST(StoreMsgCorpus, EveryFileLoadsAndOnlyNotesAreMail)
{
    DIR* dir = opendir(Corpus("msg").c_str());
    ASSERT_TRUE(dir);
    int files = 0, mail = 0;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() < 5 || name.substr(name.size() - 4) != ".msg")
            continue;
        SCOPED_TRACE(name);
        ++files;
        auto m = Load(Corpus("msg/" + name));
        ASSERT_TRUE(m);
        std::string cls = U8(m->messageClass);
        EXPECT_FALSE(cls.empty());
        EXPECT_EQ(m->IsMail(), cls.rfind("IPM.Note", 0) == 0);
        mail += m->IsMail() ? 1 : 0;
        for (const auto& a : m->attachments) {
            LONG method = Number(a.props, PR_ATTACH_METHOD);
            EXPECT_TRUE(method == LONG(ATTACH_BY_VALUE) || method == LONG(ATTACH_EMBEDDED_MSG) || method == LONG(ATTACH_OLE) ||
                        method == LONG(ATTACH_BY_REFERENCE))
                << method;
            if (method == LONG(ATTACH_EMBEDDED_MSG)) {
                EXPECT_TRUE(a.embedded);
            }
        }
    }
    closedir(dir);
    EXPECT_EQ(files, 43);
    EXPECT_GE(mail, 20);
    EXPECT_LT(mail, files);
}

TEST(StoreMsgFile, AttachedMessagesInAttachedMessages)
{
    auto m = Load(Corpus("msg/msgInMsgInMsg.msg"));
    ASSERT_TRUE(m);
    int depth = 0;
    const store::Message* at = m.get();
    while (at) {
        const store::Message* next = nullptr;
        for (const auto& a : at->attachments)
            if (a.embedded) {
                next = a.embedded.get();
                EXPECT_EQ(Text(a.props, PR_DISPLAY_NAME_W), U8(a.embedded->subject));
            }
        if (next)
            ++depth;
        at = next;
    }
    EXPECT_EQ(depth, 2);
}

TEST(StoreMsgFile, StringsOfANonUnicodeStoreUseItsCodePage)
{
    auto m = Load(Corpus("msg/nonUnicodeCP932.msg"));
    ASSERT_TRUE(m);
    bool japanese = false;
    for (char16_t c : m->subject + m->body)
        japanese = japanese || (c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF);
    EXPECT_TRUE(japanese) << U8(m->subject);
    EXPECT_EQ(m->subject.find(u'\uFFFD'), std::u16string::npos);
}

TEST(StoreMsgFile, BodiesFormatsAndSenders)
{
    auto html = Load(Corpus("msg/htmlLink.msg"));
    ASSERT_TRUE(html);
    EXPECT_EQ(html->bodyFormat, 2);
    EXPECT_NE(U8(html->html).find("href"), std::string::npos);

    // Received mail keeps its transport header; a draft or a sent item has none.
    auto received = Load(Corpus("msg/Attach sample eml received.msg"));
    ASSERT_TRUE(received);
    auto sent = Load(Corpus("msg/sent.msg"));
    ASSERT_TRUE(sent);
    EXPECT_FALSE(sent->headers);

    bool exchange = false;
    for (const char* f : {"msg/test1.msg", "msg/test2.msg", "msg/sent.msg", "msg/sent2.msg", "msg/Simple.msg", "msg/unicode1.msg"}) {
        auto m = Load(Corpus(f));
        ASSERT_TRUE(m);
        if (U8(m->senderType) == "EX") {
            exchange = true;
            EXPECT_EQ(U8(m->senderAddress).rfind("/O=", 0), 0u) << f << " " << U8(m->senderAddress);
        }
    }
    EXPECT_TRUE(exchange);
}

TEST(StoreMsgFile, FileAttachmentsHaveTheirBytesAndNumbers)
{
    auto m = Load(Corpus("msg/attachmentFiles.msg"));
    ASSERT_TRUE(m);
    ASSERT_FALSE(m->attachments.empty());
    for (size_t i = 0; i < m->attachments.size(); ++i) {
        const auto& a = m->attachments[i];
        EXPECT_EQ(Number(a.props, PR_ATTACH_NUM), LONG(i));
        if (Number(a.props, PR_ATTACH_METHOD) == LONG(ATTACH_BY_VALUE)) {
            ASSERT_TRUE(a.data);
            EXPECT_FALSE(a.data->empty());
            EXPECT_FALSE(Text(a.props, PR_ATTACH_LONG_FILENAME_W).empty());
            EXPECT_FALSE(a.props.Find(PR_ATTACH_DATA_BIN)); // opened as a stream, not a listed value
        }
    }
}
