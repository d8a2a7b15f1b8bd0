// The short names shown on the ribbon: short names kept, long ones cut to nine characters, a tilde and two
// random capitals, unique among the listed names; names of any length never overflow the split buffers.
#include <regex>
#include <set>

#include "AttachmentTestUtil.h"

using namespace attach_test;

namespace {

std::string Display(CEmailAttachments& list, const std::string& name)
{
    return U8(list.GetDisplayFileName(pal::ToWide(name).c_str()));
}

bool Matches(const std::string& text, const std::string& pattern) { return std::regex_match(text, std::regex(pattern)); }

AttachmentInfo Named(const std::string& name)
{
    AttachmentInfo info;
    info.longFileName = pal::ToWide(name);
    return info;
}

} // namespace

TEST(DisplayName, ShortNamesStayAndLongOnesGetTheTildeForm)
{
    CEmailAttachments list;
    EXPECT_EQ(Display(list, "report.xlsx"), "report.xlsx");
    EXPECT_EQ(Display(list, "notes.jpeg"), "notes.jpeg");
    EXPECT_EQ(Display(list, "archive.tar.gz"), "archive.tar.gz");
    EXPECT_EQ(Display(list, "abcdefghijkl"), "abcdefghijkl");
    std::string q = Display(list, "Quarterly report 2020.xlsx");
    EXPECT_TRUE(Matches(q, "Quarterly~[A-Z]{2}\\.xlsx")) << q;
    // A 13-character stem, and a six-character extension, are too long.
    EXPECT_TRUE(Matches(Display(list, "abcdefghijklm"), "abcdefghi~[A-Z]{2}"));
    EXPECT_TRUE(Matches(Display(list, "data.backup"), "data~[A-Z]{2}\\.back"));
    // Only the name counts, not the folder it came from.
    EXPECT_EQ(Display(list, "docs/sub/a.txt"), "a.txt");

    try {
        list.GetDisplayFileName(W(""));
        ADD_FAILURE() << "an empty name was accepted";
    } catch (const CErrorInfo& e) {
        EXPECT_EQ(e.GetCode(), E_INVALIDARG);
    }
    EXPECT_THROW(list.GetDisplayFileName(nullptr), CErrorInfo);
}

TEST(DisplayName, ContainedEntriesKeepTheirMarker)
{
    CEmailAttachments list;
    EXPECT_EQ(Display(list, kBullet + "c.exe"), kBullet + "c.exe");
    // The marker counts towards the twelve characters of the stem.
    EXPECT_EQ(Display(list, kBullet + "abcdefghi.txt"), kBullet + "abcdefghi.txt");
    EXPECT_TRUE(Matches(Display(list, kBullet + "abcdefghij.txt"), kBullet + "abcdef~[A-Z]{2}\\.txt"));
    EXPECT_EQ(Display(list, kBullet), kBullet);
}

TEST(DisplayName, NamesBeyondTheBuffersFallBackToTheirEnds)
{
    CEmailAttachments list;
    // 300 characters of name, with and without the marker, and an extension longer than its buffer: the
    // first twelve characters of the name and at most five of the extension.
    std::string name(300, 'a');
    EXPECT_EQ(Display(list, name + ".docx"), "aaaaaaaaaaaa.docx");
    EXPECT_EQ(Display(list, name), "aaaaaaaaaaaa");
    EXPECT_TRUE(Matches(Display(list, kBullet + name + ".pdf"), kBullet + "aaaaaa~[A-Z]{2}\\.pdf"));
    EXPECT_EQ(Display(list, "x." + name), "x.aaaaaaaaaa.aaaa");
    // At the buffer's limit: 259 characters fit (and are shortened as usual), 260 do not.
    EXPECT_TRUE(Matches(Display(list, std::string(259, 'b')), "bbbbbbbbb~[A-Z]{2}"));
    EXPECT_EQ(Display(list, std::string(260, 'b')), "bbbbbbbbbbbb");
    EXPECT_TRUE(Matches(Display(list, kBullet + std::string(256, 'b')), kBullet + "bbbbbb~[A-Z]{2}"));
    EXPECT_TRUE(Matches(Display(list, kBullet + std::string(257, 'b')), kBullet + "bbbbbb~[A-Z]{2}"));
    // The split's failure is logged.
    EXPECT_NE(LogText().find("\"splitResult == 0\""), std::string::npos);
}

TEST(DisplayName, ShortFormsAreUniqueAmongTheListedNames)
{
    // Sixty files whose names agree in their first nine characters and extension: the random letters
    // tell them apart (a repeat among the 676 forms is drawn again; without that, sixty draws repeat one
    // nearly always). The generator is seeded for a repeatable run.
    CEmailAttachments list;
    srand(1);
    std::vector<AttachmentInfo> files;
    for (int i = 0; i < 60; ++i)
        files.push_back(Named("Quarterly report part " + std::to_string(i) + ".xlsx"));
    list.AddSubAttachments(files);
    std::set<std::string> seen;
    for (const AttachmentInfo& info : list.GetAttachmentsInfo())
        EXPECT_TRUE(seen.insert(U8(info.displayName)).second) << U8(info.displayName);
}

TEST(DisplayName, ArchiveEntriesWithEmptyOrHugeNames)
{
    CEmailAttachments list;
    std::vector<AttachmentInfo> entries = {Named(""), Named(std::string(300, 'z')), Named("dir/inner.js")};
    list.AddSubAttachments(entries);
    const auto& records = list.GetAttachmentsInfo();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(U8(records[0].displayName), kBullet);
    EXPECT_TRUE(Matches(U8(records[1].displayName), kBullet + "zzzzzz~[A-Z]{2}"));
    EXPECT_EQ(records[1].longFileName.size(), 300u);
    EXPECT_EQ(U8(records[2].displayName), kBullet + "inner.js");
    EXPECT_EQ(list.GetAttachmentIndices(), std::vector<LONG>({-1, -1, -1}));
}
