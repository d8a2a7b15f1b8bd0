// Crafted archives and programs whose sizes and offsets lie: the probes must answer as for a short read,
// allocate no more than the file holds, and do work in proportion to its size.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"

#include <cstring>

using namespace sigtest;

namespace {

void Put16(std::string& s, size_t at, unsigned v) { s[at] = char(v & 0xFF); s[at + 1] = char((v >> 8) & 0xFF); }
void Put32(std::string& s, size_t at, unsigned v) { Put16(s, at, v & 0xFFFF); Put16(s, at + 2, v >> 16); }

// A cabinet of `files` files and `blocks` empty data blocks per folder, every file in the folder given by
// folderOf and starting at an offset no block holds. `folders` folders all share the same chain of blocks.
std::string CraftCabinet(unsigned folders, unsigned files, unsigned blocks)
{
    const size_t folderStart = 36, fileStart = folderStart + 8 * size_t(folders);
    const size_t dataStart = fileStart + 18 * size_t(files);
    std::string cab(dataStart + 8 * size_t(blocks), '\0');
    std::memcpy(cab.data(), "MSCF", 4);
    Put32(cab, 8, unsigned(cab.size()));
    Put32(cab, 16, unsigned(fileStart));
    cab[24] = 3, cab[25] = 1;
    Put16(cab, 26, folders);
    Put16(cab, 28, files);
    for (unsigned f = 0; f < folders; ++f) {
        Put32(cab, folderStart + 8 * f, unsigned(dataStart));
        Put16(cab, folderStart + 8 * f + 4, blocks);
    }
    for (unsigned i = 0; i < files; ++i) {
        size_t at = fileStart + 18 * size_t(i);
        Put32(cab, at, 10);
        Put32(cab, at + 4, 1000);  // beyond every (empty) block
        Put16(cab, at + 8, i % folders);
        cab[at + 16] = 'f';
    }
    return cab;
}

std::vector<AttachmentInfo> ListCab(CRecordingStream& stream, FileKind& kind)
{
    std::vector<AttachmentInfo> files;
    kind = CFileSignature::GetCabInfo(&stream, files);
    return files;
}

} // namespace

TEST(Hostile, LyingSizesAllocateNoMoreThanTheFileHolds)
{
    for (const char* p : {"hostile/zip-cd-size-lie.zip", "hostile/cab-span-backwards.cab",
                          "hostile/cab-span-past-end.cab", "hostile/pe-offset-huge.exe",
                          "hostile/pe-header-past-end.exe"}) {
        std::string bytes = testing_support::ReadFile(testing_support::DataPath("files/" + std::string(p)));
        CRecordingStream stream(bytes);
        Analysis a = AnalyseStream(&stream, p);
        EXPECT_LE(stream.largestRead, std::max<ULONG>(ULONG(bytes.size()), READ_LENGTH)) << p;
        EXPECT_TRUE(a.contained.empty()) << p;
        EXPECT_LT(a.record.additionalInfo.fileBytes.size(), bytes.size() + 1000) << p;
    }
}

TEST(Hostile, ManyFilesOverManyEmptyBlocksWalkEachBlockOnce)
{
    // Walking every block again for each file would take 20000 x 20000 reads.
    std::string cab = CraftCabinet(1, 20000, 20000);
    CRecordingStream stream(cab);
    FileKind kind;
    std::vector<AttachmentInfo> files = ListCab(stream, kind);
    EXPECT_EQ(kind, FK_CAB);
    EXPECT_EQ(files.size(), 20000u);
    EXPECT_LT(stream.reads, 25000u);
}

TEST(Hostile, FoldersSharingOneChainAreBoundedByTheFileSize)
{
    // 8000 folders over one chain of 8000 blocks: the walk stops once it has read more block headers
    // than the file can hold, keeping the files listed so far.
    std::string cab = CraftCabinet(8000, 8000, 8000);
    CRecordingStream stream(cab);
    FileKind kind;
    std::vector<AttachmentInfo> files = ListCab(stream, kind);
    EXPECT_EQ(kind, FK_UNKNOWN);
    EXPECT_FALSE(files.empty());
    EXPECT_LT(stream.reads, 2 * cab.size() / 8);
}

TEST(Hostile, WellFormedCraftedCabinetGivesTheSameListing)
{
    // One stored block holding three files, found by the index as by a walk from the first block.
    std::string cab = CraftCabinet(1, 3, 2);
    const size_t dataStart = 36 + 8 + 18 * 3;
    Put16(cab, dataStart + 4, 0);  // first block: empty
    std::string payload = "MZ" + std::string(62, '\0') + "%PDF-1.4";
    cab.resize(dataStart + 16);
    Put16(cab, dataStart + 8 + 4, unsigned(payload.size()));
    Put16(cab, dataStart + 8 + 6, unsigned(payload.size()));
    cab += payload;
    Put32(cab, 36 + 8 + 4, 0);           // file 0 at 0: the MS-DOS header
    Put32(cab, 36 + 8 + 18 + 4, 64);     // file 1 at 64: the PDF
    Put32(cab, 36 + 8 + 36 + 4, 5000);   // file 2 beyond the data
    CRecordingStream stream(cab);
    FileKind kind;
    std::vector<AttachmentInfo> files = ListCab(stream, kind);
    EXPECT_EQ(kind, FK_CAB);
    EXPECT_EQ(Names(files), (std::vector<std::string>{"f:EXE", "f:PDF", "f:???"}));
    EXPECT_EQ(int(files[0].additionalInfo.platform), 1);
}

TEST(Hostile, CorpusAndFixturesNeverReadMoreThanTheirSize)
{
    // Every analysis of the fixtures asks for at most READ_LENGTH bytes, or the header a program needs.
    for (const char* p : {"archive/mszip-program.cab", "archive/program.zip", "hostile/lzx.cab",
                          "hostile/zip-truncated.zip", "exe/rva-huge.exe"}) {
        std::string bytes = testing_support::ReadFile(testing_support::DataPath("files/" + std::string(p)));
        CRecordingStream stream(bytes);
        AnalyseStream(&stream, p);
        EXPECT_LE(stream.largestRead, std::max<ULONG>(ULONG(bytes.size()), READ_LENGTH)) << p;
        EXPECT_LT(stream.reads, 200u) << p;
    }
}
