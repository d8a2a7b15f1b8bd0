// Snapshots: every corpus message comes back from its snapshot whole (the model field by field, and what
// vantora mapi prints), the documented layout is what is written, and damaged or hostile snapshots are
// refused whole, without allocating what their lengths claim.
#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include <zlib.h>

#include "StoreTestUtil.h"
#include "__Utilities/WString.h"
#include "host/store/Snapshot.h"
#include "host/store/StoreTags.h"
#include "support/Command.h"
#include "support/TestPrefix.h"

// The largest single allocation while a reader runs: a hostile length must not turn into one.
namespace {
std::atomic<bool> g_watching{false};
std::atomic<size_t> g_largest{0};
} // namespace

// Not inlined, so that the compiler does not take the malloc and free inside for a mismatched pair.
__attribute__((noinline)) void* operator new(size_t size)
{
    if (g_watching.load(std::memory_order_relaxed)) {
        size_t seen = g_largest.load(std::memory_order_relaxed);
        while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { std::free(p); }
// Every other form too: the sanitizers pair their own new with their own delete, so a form left to them
// (the layer allocates with nothrow new) would be freed here by a mismatched free.
__attribute__((noinline)) void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
__attribute__((noinline)) void* operator new[](size_t size) { return operator new(size); }
__attribute__((noinline)) void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
__attribute__((noinline)) void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p, size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using store::Message;
using store::PropSet;
using store::PropValue;

// A field added to the model must be written into snapshots (Snapshot.cpp, the README's layout, perhaps a
// new version) and compared below; these sizes make that impossible to forget.
static_assert(sizeof(store::PropValue) == 80, "PropValue changed: update snapshots and Same()");
static_assert(sizeof(store::PropName) == 56, "PropName changed: update snapshots and Same()");
static_assert(sizeof(store::Attachment) == 128, "Attachment changed: update snapshots and Same()");
static_assert(sizeof(store::Message) == 528, "Message changed: update snapshots and Same()");

std::string Hex(const std::string& bytes)
{
    std::string out;
    char buf[4];
    for (unsigned char c : bytes.substr(0, 64)) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out + (bytes.size() > 64 ? "..." : "");
}

std::string Differs(const std::string& where, const std::string& what) { return where + ": " + what; }

std::string Same(const PropValue& a, const PropValue& b, const std::string& where)
{
    if (a.tag != b.tag)
        return Differs(where, "tag " + std::to_string(a.tag) + " / " + std::to_string(b.tag));
    if (a.number != b.number || a.wide != b.wide)
        return Differs(where, "number");
    if (a.text != b.text)
        return Differs(where, "text \"" + store_test::U8(a.text) + "\" / \"" + store_test::U8(b.text) + "\"");
    if (a.bytes != b.bytes)
        return Differs(where, "bytes " + Hex(a.bytes) + " / " + Hex(b.bytes));
    return "";
}

std::string Same(const PropSet& a, const PropSet& b, const std::string& where)
{
    if (a.All().size() != b.All().size())
        return Differs(where, std::to_string(a.All().size()) + " / " + std::to_string(b.All().size()) + " properties");
    for (auto i = a.All().begin(), j = b.All().begin(); i != a.All().end(); ++i, ++j) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08X", unsigned(i->second.tag));
        if (i->first != j->first)
            return Differs(where, std::string("property ") + tag + " missing");
        if (std::string d = Same(i->second, j->second, where + " " + tag); !d.empty())
            return d;
    }
    if (a.Named().size() != b.Named().size())
        return Differs(where, "named property count");
    for (auto i = a.Named().begin(), j = b.Named().begin(); i != a.Named().end(); ++i, ++j) {
        const store::PropName &x = i->first, &y = j->first;
        std::string name = where + " named " + (x.isString ? store_test::U8(x.text) : std::to_string(x.number));
        // The set's comparison ignores case in some names: the names must be the very same.
        if (std::memcmp(&x.set, &y.set, sizeof(GUID)) != 0 || x.isString != y.isString || x.number != y.number ||
            x.text != y.text)
            return Differs(name, "name");
        if (std::string d = Same(i->second, j->second, name); !d.empty())
            return d;
    }
    return "";
}

std::string Same(const Message& a, const Message& b, const std::string& where = "message")
{
    const std::pair<const char*, std::pair<const WString*, const WString*>> texts[] = {
        {"messageClass", {&a.messageClass, &b.messageClass}}, {"subject", {&a.subject, &b.subject}},
        {"body", {&a.body, &b.body}}, {"html", {&a.html, &b.html}}, {"senderName", {&a.senderName, &b.senderName}},
        {"senderType", {&a.senderType, &b.senderType}}, {"senderAddress", {&a.senderAddress, &b.senderAddress}},
        {"entryId", {&a.entryId, &b.entryId}}, {"nativeContentType", {&a.nativeContentType, &b.nativeContentType}}};
    for (const auto& [name, pair] : texts)
        if (*pair.first != *pair.second)
            return Differs(where, name);
    if (a.headers != b.headers)
        return Differs(where, "headers");
    if (a.rtfCompressed != b.rtfCompressed || a.bodyFormat != b.bodyFormat || a.nativeFormat != b.nativeFormat)
        return Differs(where, "RTF body or formats");
    if (a.warnings != b.warnings)
        return Differs(where, "warnings");
    if (std::string d = Same(a.props, b.props, where); !d.empty())
        return d;
    if (a.attachments.size() != b.attachments.size())
        return Differs(where, "attachment count");
    for (size_t i = 0; i < a.attachments.size(); ++i) {
        const store::Attachment &x = a.attachments[i], &y = b.attachments[i];
        std::string at = where + " attachment " + std::to_string(i);
        if (std::string d = Same(x.props, y.props, at); !d.empty())
            return d;
        if (bool(x.data) != bool(y.data) || (x.data && *x.data != *y.data))
            return Differs(at, "data");
        if (bool(x.embedded) != bool(y.embedded))
            return Differs(at, "attached message");
        if (x.embedded)
            if (std::string d = Same(*x.embedded, *y.embedded, at + " message"); !d.empty())
                return d;
    }
    return "";
}

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> files;
    for (const std::string folder : {"eml", "msg"}) {
        DIR* dir = opendir(store_test::Corpus(folder).c_str());
        EXPECT_TRUE(dir);
        if (!dir)
            continue;
        while (dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name.size() > 4 && (name.substr(name.size() - 4) == ".eml" || name.substr(name.size() - 4) == ".msg"))
                files.push_back(store_test::Corpus(folder + "/" + name));
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::shared_ptr<Message> Read(const std::string& bytes, std::string& error)
{
    error.clear();
    return store::ReadSnapshot(bytes, error);
}

// Bytes in the documented layout, written independently of the store's writer.
class Layout {
public:
    Layout& U8(unsigned v) { return Le(v, 1); }
    Layout& U32(uint32_t v) { return Le(v, 4); }
    Layout& Bytes(const std::string& b)
    {
        U32(uint32_t(b.size()));
        m_body += b;
        return *this;
    }
    Layout& Text(const std::string& ascii)
    {
        U32(uint32_t(ascii.size() * 2));
        for (char c : ascii)
            m_body += std::string{c, '\0'};
        return *this;
    }
    Layout& Raw(const std::string& raw)
    {
        m_body += raw;
        return *this;
    }
    // Class, subject, body, html, sender name, type, address and entry id; no header; no RTF; formats;
    // no content type; no warnings.
    Layout& MessageHead(const std::string& cls = "IPM.Note", int bodyFormat = 1, int nativeFormat = 1,
                        uint32_t warnings = 0)
    {
        Text(cls);
        for (int i = 0; i < 7; ++i)
            Text("");
        return U8(0).Bytes("").U32(uint32_t(bodyFormat)).U32(uint32_t(nativeFormat)).Text("").U32(warnings);
    }
    Layout& EmptyProps() { return U32(0).U32(0); }
    std::string Seal(uint32_t version = 1) const
    {
        std::string out = "\x89VSNAP\r\n";
        for (int i = 0; i < 4; ++i)
            out += char((version >> (8 * i)) & 0xFF);
        uint64_t length = m_body.size();
        for (int i = 0; i < 8; ++i)
            out += char((length >> (8 * i)) & 0xFF);
        out += m_body;
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(out.data()), uInt(out.size())));
        for (int i = 0; i < 4; ++i)
            out += char((crc >> (8 * i)) & 0xFF);
        return out;
    }

private:
    Layout& Le(uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            m_body += char((v >> (8 * i)) & 0xFF);
        return *this;
    }
    std::string m_body;
};

// A small message with something in every part of the layout.
std::shared_ptr<Message> SmallMessage()
{
    std::string error;
    auto m = store::LoadMessageFile(store_test::Corpus("eml/mail-attachment_emails-attachment_message_rfc822.eml"), error);
    EXPECT_TRUE(m) << error;
    return m;
}

} // namespace

TEST(StoreSnapshot, EveryCorpusMessageComesBackWhole)
{
    std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), 150u);
    size_t attached = 0, named = 0, rtf = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::string error;
        auto original = store::LoadMessageFile(file, error);
        ASSERT_TRUE(original) << error;
        std::string bytes = store::WriteSnapshot(*original);
        ASSERT_TRUE(store::IsSnapshot(bytes));
        auto copy = Read(bytes, error);
        ASSERT_TRUE(copy) << error;
        EXPECT_EQ(Same(*original, *copy), "");
        EXPECT_FALSE(copy->storeNames);
        // Written again, the copy gives the same bytes: nothing was lost on the way in.
        EXPECT_TRUE(store::WriteSnapshot(*copy) == bytes);
        for (const auto& a : original->attachments)
            attached += a.embedded != nullptr;
        named += !original->props.Named().empty();
        rtf += !original->rtfCompressed.empty();
    }
    // The corpus reaches attached messages, named properties and RTF bodies.
    EXPECT_GT(attached, 5u);
    EXPECT_GT(named, 50u);
    EXPECT_GT(rtf, 5u);
}

TEST(StoreSnapshot, TheDocumentedLayoutIsWhatIsWrittenAndRead)
{
    // The model's defaults: eight empty texts, no header, no RTF, body format 1, native format 0...
    Layout empty;
    empty.MessageHead("", 1, 0).EmptyProps().U32(0);
    EXPECT_EQ(Hex(store::WriteSnapshot(Message())), Hex(empty.Seal()));

    // A hand-written one, with a named property, an attachment with data and an attached message.
    Layout l;
    l.MessageHead("IPM.Note.X", 2, 3);
    l.U32(1).U32(0x0037001F).U32(7).Raw(std::string(8, '\x01')).Text("Hi").Bytes(""); // PR_SUBJECT_W
    l.U32(1).U32(0x00020386).Raw(std::string("\0\0\0\0\xC0\0\0\0\0\0\0\x46", 12)).U8(1).U32(0).Text("Content-Type");
    l.U32(0x0000001F).U32(0).Raw(std::string(8, '\0')).Text("text/plain").Bytes("");
    l.U32(1).EmptyProps().U8(1).Bytes("abc").U8(1).MessageHead("IPM.Note").EmptyProps().U32(0);
    std::string error;
    auto m = Read(l.Seal(), error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(store_test::U8(m->messageClass), "IPM.Note.X");
    EXPECT_EQ(m->bodyFormat, 2);
    EXPECT_EQ(m->nativeFormat, 3);
    EXPECT_EQ(store_test::Text(m->props, PR_SUBJECT_W), "Hi");
    EXPECT_EQ(store_test::Number(m->props, PR_SUBJECT_W), 7);
    EXPECT_EQ(m->props.Find(PR_SUBJECT_W)->wide, 0x0101010101010101LL);
    auto type = m->props.FindNamed(store::PropName::String(PS_INTERNET_HEADERS_GUID, u"content-type"), PT_UNICODE);
    ASSERT_TRUE(type);
    EXPECT_EQ(store_test::U8(type->text), "text/plain");
    ASSERT_EQ(m->attachments.size(), 1u);
    ASSERT_TRUE(m->attachments[0].data);
    EXPECT_EQ(*m->attachments[0].data, "abc");
    ASSERT_TRUE(m->attachments[0].embedded);
    EXPECT_EQ(store_test::U8(m->attachments[0].embedded->messageClass), "IPM.Note");
}

TEST(StoreSnapshot, EveryTruncationAndEveryFlippedByteIsRefused)
{
    auto m = SmallMessage();
    ASSERT_TRUE(m);
    std::string bytes = store::WriteSnapshot(*m);
    ASSERT_LT(bytes.size(), 20000u);
    std::string error;
    for (size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(Read(bytes.substr(0, n), error)) << n;
        EXPECT_FALSE(error.empty()) << n;
    }
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_FALSE(Read(bytes + '\0', error));
    EXPECT_NE(error.find("after its checksum"), std::string::npos) << error;
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::string damaged = bytes;
        damaged[i] = char(damaged[i] ^ (1 << (i % 8)));
        EXPECT_FALSE(Read(damaged, error)) << i;
        EXPECT_FALSE(error.empty()) << i;
    }
    std::string body = bytes;
    body[bytes.size() / 2] ^= 0x20;
    EXPECT_FALSE(Read(body, error));
    EXPECT_EQ(error, "snapshot damaged: checksum mismatch");
    EXPECT_TRUE(Read(bytes, error)) << error;
}

TEST(StoreSnapshot, OtherVersionsAndOtherFilesAreRefused)
{
    Layout l;
    l.MessageHead().EmptyProps().U32(0);
    std::string error;
    EXPECT_TRUE(Read(l.Seal(1), error)) << error;
    EXPECT_FALSE(Read(l.Seal(2), error));
    EXPECT_EQ(error, "snapshot version 2 is not supported (this program reads version 1)");
    EXPECT_FALSE(Read(l.Seal(0), error));

    EXPECT_FALSE(Read("From: a@example.com\r\n\r\nhi", error));
    EXPECT_EQ(error, "not a message snapshot");
    EXPECT_FALSE(store::IsSnapshot("\x89VSNAP\r"));
    EXPECT_TRUE(store::IsSnapshot("\x89VSNAP\r\n"));
    // The loader takes a snapshot by its magic, damaged or not: it never falls back to reading it as MIME.
    auto loaded = store::LoadMessageBytes(l.Seal(2), "x", error);
    EXPECT_FALSE(loaded);
    EXPECT_NE(error.find("version 2"), std::string::npos) << error;
}

TEST(StoreSnapshot, HostileLengthsWithAGoodChecksumAreRefusedWithoutAllocatingThem)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    };
    auto head = [] { return Layout().MessageHead(); };
    std::vector<Case> cases = {
        {"class 100 MB long", Layout().U32(100u << 20).Seal(), "beyond what remains"},
        {"class 4 GB long", Layout().U32(0xFFFFFFFF).Seal(), "beyond the limit"},
        {"odd text length", Layout().U32(3).Raw("abc").Seal(), "not UTF-16"},
        {"4 billion properties", head().U32(0xFFFFFFFF).Seal(), "beyond what remains"},
        {"4 billion warnings", Layout().MessageHead("IPM.Note", 1, 1, 0xFFFFFFFF).Seal(), "beyond what remains"},
        {"1025 attachments", head().EmptyProps().U32(1025).Raw(std::string(1025 * 10, '\0')).Seal(), "beyond the limit"},
        {"attachment data 100 MB long", head().EmptyProps().U32(1).EmptyProps().U8(1).U32(100u << 20).Seal(),
         "beyond what remains"},
        {"header flag 2", Layout().Text("IPM.Note").Raw(std::string(28, '\0')).U8(2).Seal(), "neither 0 nor 1"},
        {"body format 9", Layout().MessageHead("IPM.Note", 9, 1).EmptyProps().U32(0).Seal(), "body format 9"},
        {"native format -1", Layout().MessageHead("IPM.Note", 1, -1).EmptyProps().U32(0).Seal(), "native format -1"},
        {"repeated property id",
         head().U32(2).U32(0x0037001F).Raw(std::string(12, '\0')).Text("a").Bytes("").U32(0x0037001F)
             .Raw(std::string(12, '\0')).Text("b").Bytes("").Seal(), "out of order"},
        {"bytes after the message", head().EmptyProps().U32(0).U8(0).Seal(), "bytes after the message"},
        {"body length beyond the file", [] {
             std::string s = Layout().MessageHead().EmptyProps().U32(0).Seal();
             s[12] = '\x7F';
             return s;
         }(), "truncated"},
    };
    for (const Case& c : cases) {
        std::string error;
        g_largest = 0;
        g_watching = true;
        auto m = Read(c.bytes, error);
        g_watching = false;
        EXPECT_FALSE(m) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
        EXPECT_LT(g_largest.load(), 64u * 1024) << c.name;
    }
}

TEST(StoreSnapshot, AttachedMessagesDeeperThanTheLimitAreRefused)
{
    auto chain = [](int depth) {
        auto top = std::make_shared<Message>();
        Message* at = top.get();
        for (int i = 0; i < depth; ++i) {
            at->attachments.emplace_back();
            at->attachments.back().embedded = std::make_shared<Message>();
            at = at->attachments.back().embedded.get();
        }
        return top;
    };
    std::string error;
    auto deepest = Read(store::WriteSnapshot(*chain(store::Limits::kMaxDepth)), error);
    EXPECT_TRUE(deepest) << error;
    EXPECT_FALSE(Read(store::WriteSnapshot(*chain(store::Limits::kMaxDepth + 1)), error));
    EXPECT_NE(error.find("nested deeper than 32"), std::string::npos) << error;
    EXPECT_FALSE(Read(store::WriteSnapshot(*chain(5000)), error));
}

namespace {

testing_support::CommandResult Vantora(const std::string& arguments)
{
    // Corpus messages name real hosts: nothing that reads them may reach beyond the machine.
    return testing_support::RunCommand("VANTORA_CONNECT_TO=127.0.0.1:9 " + std::string(VANTORA_BIN_DIR) + "/vantora " +
                                       arguments);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// vantora mapi --json without the lines that name the file.
std::string WithoutFileNames(const std::string& json)
{
    std::string out;
    size_t start = 0;
    while (start < json.size()) {
        size_t eol = json.find('\n', start);
        eol = eol == std::string::npos ? json.size() : eol + 1;
        if (json.compare(start, 11, "  \"file\": \"") != 0)
            out.append(json, start, eol - start);
        start = eol;
    }
    return out;
}

} // namespace

TEST(StoreSnapshotCommand, MapiSaysTheSameOfEverySnapshotAsOfItsMessage)
{
    std::string dir = testing_support::Prefix() + "/snapshots";
    std::string originals, snapshots;
    for (const std::string& file : CorpusFiles()) {
        originals += " " + Quoted(file);
        snapshots += " " + Quoted(dir + "/" + std::filesystem::path(file).filename().string() + ".vsnap");
    }
    auto written = Vantora("snapshot -o " + Quoted(dir) + originals + " 2>&1");
    ASSERT_EQ(written.status, 0) << testing_support::Tail(written.out);
    auto expected = Vantora("mapi --json" + originals + " 2>&1");
    auto actual = Vantora("mapi --json" + snapshots + " 2>&1");
    ASSERT_EQ(expected.status, 0);
    ASSERT_EQ(actual.status, 0) << testing_support::Tail(actual.out);
    std::string want = WithoutFileNames(expected.out), got = WithoutFileNames(actual.out);
    ASSERT_GT(want.size(), 10000u);
    if (want != got) {
        size_t at = std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin();
        size_t from = at > 300 ? at - 300 : 0;
        FAIL() << "first difference at " << at << ":\n" << want.substr(from, 600) << "\n---\n" << got.substr(from, 600);
    }
}

TEST(StoreSnapshotCommand, NamesStatusAndAnUnreadableFile)
{
    namespace fs = std::filesystem;
    std::string eml = store_test::Corpus("eml/mail-attachment_emails-attachment_message_rfc822.eml");
    std::string msg = store_test::Corpus("msg/test1.msg");
    std::string dir = testing_support::Prefix() + "/out/new";
    auto run = Vantora("snapshot -o " + Quoted(dir) + " /no/such/file.eml " + Quoted(eml) + " " + Quoted(msg) + " " +
                       Quoted(eml) + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("vantora snapshot: /no/such/file.eml: "), std::string::npos) << run.out;
    // The same name twice would overwrite the first snapshot: the second is refused.
    EXPECT_NE(run.out.find("is already the snapshot of"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(dir + "/test1.msg.vsnap\n"), std::string::npos) << run.out;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"mail-attachment_emails-attachment_message_rfc822.eml.vsnap",
                                               "test1.msg.vsnap"}));
    // Read back from another place, it is still the same message, with the same entry id.
    std::string moved = testing_support::Prefix() + "/moved.vsnap";
    fs::copy_file(dir + "/test1.msg.vsnap", moved);
    std::string error;
    auto original = store::LoadMessageFile(msg, error);
    auto snapshot = store::LoadMessageFile(moved, error);
    ASSERT_TRUE(original && snapshot) << error;
    EXPECT_EQ(Same(*original, *snapshot), "");

    // The current folder by default; no files is a usage error.
    std::string here = testing_support::Prefix() + "/here";
    fs::create_directories(here);
    EXPECT_EQ(testing_support::RunCommand("cd " + Quoted(here) + " && " + std::string(VANTORA_BIN_DIR) +
                                          "/vantora snapshot " + Quoted(msg)).status, 0);
    EXPECT_TRUE(fs::exists(here + "/test1.msg.vsnap"));
    EXPECT_EQ(Vantora("snapshot -o " + Quoted(here) + " 2>/dev/null").status, 2);
}
