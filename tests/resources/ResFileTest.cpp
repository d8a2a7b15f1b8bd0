// The layer's reader of .res files: what windres writes, hand-made records of every form, and files that
// are cut short, misaligned or lie about their sizes, which are refused or lose only the bad record, each
// with a line that says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kernel32/resfile.h"
#include "support/ResourceScript.h"
#include "support/TestPrefix.h"

namespace {

using pal::resources::Entry;

std::string Le(uint32_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += char((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Ordinal(WORD id) { return Le(0xFFFF, 2) + Le(id, 2); }

std::string Name(const std::u16string& name)
{
    std::string s;
    for (char16_t c : name)
        s += Le(c, 2);
    return s + Le(0, 2);
}

// One record as rc.exe and windres write it: header, data, padding to a DWORD.
std::string Record(const std::string& type, const std::string& name, WORD language, const std::string& data)
{
    std::string fields = type + name;
    fields.resize((fields.size() + 3) & ~size_t(3), '\0');
    fields += Le(0, 4) + Le(0x1030, 2) + Le(language, 2) + Le(0, 4) + Le(0, 4);
    std::string r = Le(uint32_t(data.size()), 4) + Le(uint32_t(8 + fields.size()), 4) + fields + data;
    r.resize((r.size() + 3) & ~size_t(3), '\0');
    return r;
}

const std::string kLeading = Record(Ordinal(0), Ordinal(0), 0, "");

struct Read {
    std::vector<uint32_t> buffer; // the bytes read, which the entries point into
    bool ok = false;
    std::vector<Entry> entries;
    std::vector<std::string> problems;
    bool inside = true; // every entry's data lies within the bytes read

    std::string Bytes(size_t i) const
    {
        return std::string(reinterpret_cast<const char*>(entries.at(i).data), entries.at(i).size);
    }
    std::string Problems() const
    {
        std::string all;
        for (const std::string& p : problems)
            all += p + "\n";
        return all;
    }
};

// Read from a copy on a DWORD boundary (as a module's section is), or `offset` bytes past one.
Read ReadRes(const std::string& bytes, size_t offset = 0)
{
    Read r;
    r.buffer.assign(bytes.size() / 4 + 2, 0);
    BYTE* at = reinterpret_cast<BYTE*>(r.buffer.data()) + offset;
    std::copy(bytes.begin(), bytes.end(), at);
    r.ok = pal::resources::ReadResFile(at, bytes.size(), r.entries, r.problems);
    for (const Entry& e : r.entries)
        r.inside = r.inside && e.data >= at && e.size <= bytes.size() && size_t(e.data - at) <= bytes.size() - e.size;
    return r;
}

TEST(ResFile, ReadsTheRecordsOfEveryForm)
{
    std::string file = kLeading + Record(Ordinal(6), Ordinal(7), 0x0409, "abcd") +
                       Record(Name(u"registry"), Ordinal(101), 0x0409, "HKCR { }\n") +
                       Record(Name(u"Typ"), Name(u"nAme\u00e9"), 0x0407, std::string("\0\1\2", 3)) +
                       Record(Ordinal(10), Name(u"x"), 0, "");
    Read r = ReadRes(file);
    ASSERT_TRUE(r.ok) << r.Problems();
    EXPECT_TRUE(r.problems.empty()) << r.Problems();
    ASSERT_EQ(r.entries.size(), 4u);
    EXPECT_FALSE(r.entries[0].typeIsName);
    EXPECT_EQ(r.entries[0].typeId, 6);
    EXPECT_EQ(r.entries[0].nameId, 7);
    EXPECT_EQ(r.entries[0].language, 0x0409);
    EXPECT_EQ(r.Bytes(0), "abcd");
    EXPECT_EQ(r.entries[1].typeName, u"REGISTRY") << "names compare without case";
    EXPECT_EQ(r.entries[1].size, 9u);
    EXPECT_EQ(r.entries[2].name, u"NAME\u00c9");
    EXPECT_EQ(r.entries[2].language, 0x0407);
    EXPECT_EQ(r.Bytes(2), std::string("\0\1\2", 3));
    EXPECT_EQ(r.entries[3].size, 0u);

    // The last record's padding may be missing.
    std::string unpadded = kLeading + Record(Ordinal(10), Ordinal(1), 0, "abc");
    unpadded.pop_back();
    r = ReadRes(unpadded);
    ASSERT_TRUE(r.ok) << r.Problems();
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].size, 3u);
}

TEST(ResFile, ReadsWhatWindresWrites)
{
    std::string dir = testing_support::Prefix() + "/windres";
    testing_support::WriteFile(dir + "/data.txt", "odd");
    testing_support::WriteFile(dir + "/app.rc", "LANGUAGE 7, 1\n"
                                                "STRINGTABLE BEGIN 1 \"eins\" 17 \"siebzehn\" END\n"
                                                "Hello Greeting \"data.txt\"\n"
                                                "5 RCDATA BEGIN \"x\" END\n");
    testing_support::ResourceScript script;
    std::string messages;
    ASSERT_TRUE(script.Compile(dir, "app.rc", messages)) << messages;
    Read r = ReadRes(script.Image());
    ASSERT_TRUE(r.ok) << r.Problems();
    EXPECT_TRUE(r.problems.empty()) << r.Problems();
    ASSERT_EQ(r.entries.size(), 4u); // two string blocks, the named resource, the data
    for (const Entry& e : r.entries)
        EXPECT_EQ(e.language, 0x0407);
    auto named = std::find_if(r.entries.begin(), r.entries.end(), [](const Entry& e) { return e.typeIsName; });
    ASSERT_NE(named, r.entries.end());
    EXPECT_EQ(named->typeName, u"GREETING");
    EXPECT_EQ(named->name, u"HELLO");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(named->data), named->size), "odd");

    // The module's own, as the build compiled it.
    std::string module = testing_support::ReadFile(VANTORA_MODULE_RES);
    ASSERT_FALSE(module.empty()) << VANTORA_MODULE_RES;
    r = ReadRes(module);
    ASSERT_TRUE(r.ok) << r.Problems();
    EXPECT_TRUE(r.problems.empty()) << r.Problems();
    EXPECT_GT(r.entries.size(), 100u);
}

TEST(ResFile, FilesThatLoseTheirFramingAreRefused)
{
    std::string good = Record(Ordinal(10), Ordinal(1), 0, "abcd");
    auto withSizes = [&](uint32_t dataSize, uint32_t headerSize) {
        return kLeading + Le(dataSize, 4) + Le(headerSize, 4) + good.substr(8);
    };
    struct Case {
        const char* what;
        std::string bytes;
        const char* words;
    };
    const Case cases[] = {
        {"empty", "", "not a .res file"},
        {"a 16-bit .res or other bytes", std::string(64, '\xFF'), "not a .res file"},
        {"the leading record cut short", kLeading.substr(0, 20), "not a .res file"},
        {"a header cut short", kLeading + good.substr(0, 6), "cut short, 6 bytes"},
        {"a header too small", withSizes(4, 16), "a header of 16 bytes"},
        {"a header of no whole DWORDs", withSizes(4, 34), "a header of 34 bytes"},
        {"a header past the end", withSizes(0, 0x1000), "past the end"},
        {"data past the end", withSizes(5, 32), "data of 5 bytes, past the end"},
        {"data far past the end", withSizes(0xFFFFFFFF, 32), "past the end"},
        {"a header of 4 GB", withSizes(0, 0xFFFFFFFC), "past the end"},
        {"a good record, then one cut short", kLeading + good + good.substr(0, 30), "record 2 at offset 0x44"},
    };
    for (const Case& c : cases) {
        Read r = ReadRes(c.bytes);
        EXPECT_FALSE(r.ok) << c.what;
        ASSERT_EQ(r.problems.size(), 1u) << c.what << "\n" << r.Problems();
        EXPECT_NE(r.problems[0].find(c.words), std::string::npos) << c.what << ": " << r.problems[0];
    }
    Read misaligned = ReadRes(kLeading + good, 2);
    EXPECT_FALSE(misaligned.ok);
    EXPECT_NE(misaligned.Problems().find("DWORD boundary"), std::string::npos) << misaligned.Problems();
}

TEST(ResFile, AnUnreadableRecordIsLeftOutAndTheRestRead)
{
    // A name that runs to the end of its header, framed by sizes that are true.
    std::string unterminated = Le(2, 4) + Le(40, 4) + Ordinal(10) + Le('A', 2) + Le('B', 2) + std::string(24, 'C') +
                               "zz" + std::string(2, '\0');
    // Type and name that leave no room for the fields after them.
    std::string crowded = Le(0, 4) + Le(32, 4) + Ordinal(10) + Name(u"AB");
    crowded.resize(32, '\0');
    std::string file = kLeading + Record(Ordinal(10), Ordinal(1), 0x0409, "one") + unterminated + crowded +
                       Record(Ordinal(10), Ordinal(1), 0x0409, "again") + Record(Ordinal(10), Ordinal(1), 0x0407, "de");
    Read r = ReadRes(file);
    ASSERT_TRUE(r.ok) << r.Problems();
    ASSERT_EQ(r.entries.size(), 2u) << r.Problems();
    EXPECT_EQ(r.Bytes(0), "one");
    EXPECT_EQ(r.entries[1].language, 0x0407);
    ASSERT_EQ(r.problems.size(), 3u) << r.Problems();
    EXPECT_NE(r.problems[0].find("record 2 at offset 0x44: its type and name do not fit in its header of 40 bytes"),
              std::string::npos) << r.problems[0];
    EXPECT_NE(r.problems[1].find("record 3"), std::string::npos) << r.problems[1];
    EXPECT_NE(r.problems[2].find("a second resource of type 10, name 1 and language 0x0409; left out"),
              std::string::npos) << r.problems[2];
}

// Every prefix of a real file is refused or read with its data inside the prefix: nothing is read past it.
TEST(ResFile, EveryCutOfARealFileStaysInside)
{
    std::string dir = testing_support::Prefix() + "/cuts";
    testing_support::WriteFile(dir + "/app.rc", "STRINGTABLE BEGIN 1 \"one\" 2 \"two\" END\n"
                                                "Named TYPE BEGIN \"data\" END\n"
                                                "7 RCDATA BEGIN 1, 2, 3 END\n");
    testing_support::ResourceScript script;
    std::string messages;
    ASSERT_TRUE(script.Compile(dir, "app.rc", messages)) << messages;
    const std::string& whole = script.Image();
    size_t complete = 0;
    for (size_t n = 0; n <= whole.size(); ++n) {
        Read r = ReadRes(whole.substr(0, n));
        EXPECT_TRUE(r.inside) << n;
        EXPECT_EQ(r.ok, r.problems.empty()) << n << "\n" << r.Problems();
        if (r.ok && r.entries.size() == 3)
            ++complete;
    }
    // The whole file, and the file short of some of its last padding.
    EXPECT_GE(complete, 1u);
    EXPECT_LE(complete, 4u);
}

} // namespace
