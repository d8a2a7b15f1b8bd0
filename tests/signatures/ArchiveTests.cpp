// ZIP and cabinet listings: the contained files with their recognised types, Office documents told apart
// from plain archives, and the archives that are not listed.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"
#include "support/Wine.h"

using namespace sigtest;

namespace {

Analysis Data(const std::string& p) { return AnalyseFile(testing_support::DataPath("files/" + p)); }

} // namespace

TEST(Zip, ListsFilesRecognisedByTheTableAlone)
{
    Analysis a = Data("archive/program.zip");
    EXPECT_EQ(a.kind, FK_ZIP);
    // A program inside a ZIP is not probed: it shows "???" and is judged by its name.
    EXPECT_EQ(Names(a.contained), (std::vector<std::string>{"setup.exe:???", "readme.txt:???", "pixel.png:PNG"}));
    EXPECT_EQ(Utf8(a.contained[0].extension), "EXE");
    EXPECT_EQ(a.contained[2].additionalInfo.readBytes > 20, true);  // inflated first bytes
    EXPECT_EQ(a.contained[2].additionalInfo.relevantBytes[15], 1);
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine's AssocIsDangerous is a stub that calls nothing dangerous";
    EXPECT_TRUE(CFileSignature::IsPotentiallyDangerous(a.contained[0]));
}

TEST(Zip, StoredAndRealArchives)
{
    Analysis stored = AnalyseFile(testing_support::CorpusPath("files/archive/stored.zip"));
    EXPECT_EQ(stored.contained.size(), 2u);
    Analysis nested = AnalyseFile(testing_support::CorpusPath("files/archive/zip-in-zip.zip"));
    EXPECT_EQ(Names(nested.contained)[0], "inner.zip:ZIP");
    Analysis descriptor = AnalyseFile(testing_support::CorpusPath("files/archive/zip-datadesc-spamassassin.zip"));
    EXPECT_EQ(descriptor.contained.size(), 2u);
}

TEST(Zip, AStoredEntryEndsWhereTheDirectorySaysItDoes)
{
    // The folder entry holds no bytes; what follows it is the next entry's local header, which must not
    // make the folder look like an Office document.
    Analysis a = AnalyseFile(testing_support::CorpusPath("files/real/mikel-mail-test.zip"));
    EXPECT_EQ(Names(a.contained),
              (std::vector<std::string>{"test.pdf:PDF", "__MACOSX/:???", "__MACOSX/._test.pdf:???"}));
    EXPECT_EQ(a.contained[1].additionalInfo.readBytes, 0u);
}

TEST(Zip, OfficeDocumentsAreNotListed)
{
    Analysis docx = Data("office/docx-named.zip");
    EXPECT_EQ(docx.kind, FK_DOCX);
    EXPECT_TRUE(docx.contained.empty());
    Analysis odt = AnalyseFile(testing_support::CorpusPath("files/doc/writer.odt"));
    EXPECT_EQ(odt.kind, FK_ZIP);
    EXPECT_FALSE(odt.contained.empty());
}

TEST(Zip, EntriesThatAreSkippedOrKeptWithoutBytes)
{
    EXPECT_TRUE(AnalyseFile(testing_support::CorpusPath("files/archive/encrypted-zipcrypto.zip")).contained.empty());
    Analysis bzip2 = Data("archive/bzip2.zip");
    ASSERT_EQ(bzip2.contained.size(), 1u);
    EXPECT_EQ(Utf8(bzip2.contained[0].typeName), "???");
    EXPECT_EQ(bzip2.contained[0].additionalInfo.readBytes, 0u);
}

TEST(Zip, EndRecordOutOfReachGivesZipWithoutFiles)
{
    for (const char* p : {"archive/long-comment.zip", "archive/straddle.zip", "hostile/zip-cd-count-lie.zip",
                          "hostile/zip-truncated.zip"}) {
        Analysis a = Data(p);
        EXPECT_EQ(a.kind, FK_ZIP) << p;
        EXPECT_TRUE(a.contained.empty()) << p;
    }
}

TEST(Zip, ZipNamedCabIsHandledAsZip)
{
    Analysis a = Data("archive/zip-named.cab");
    EXPECT_EQ(a.kind, FK_ZIP);
    EXPECT_EQ(a.contained.size(), 3u);
}

TEST(Cab, MszipAndStoredCabinetsWithPrograms)
{
    Analysis mszip = Data("archive/mszip-program.cab");
    EXPECT_EQ(mszip.kind, FK_CAB);
    EXPECT_EQ(Names(mszip.contained), (std::vector<std::string>{"setup.exe:EXE", "readme.txt:???"}));
    EXPECT_EQ(int(mszip.contained[0].additionalInfo.programMode), 3);
    EXPECT_EQ(mszip.contained[1].additionalInfo.fileBytes[0], 'P');  // its start in the middle of a block
    Analysis stored = Data("archive/stored-program.cab");
    EXPECT_EQ(Names(stored.contained), (std::vector<std::string>{"readme.txt:???", "setup.exe:EXE"}));
    EXPECT_EQ(int(stored.contained[1].additionalInfo.platform), 2);
    Analysis real = AnalyseFile(testing_support::CorpusPath("files/archive/mszip.cab"));
    EXPECT_EQ(Names(real.contained), (std::vector<std::string>{"readme.txt:???", "rose.png:PNG", "lib32.dll:DLL"}));
}

TEST(Cab, RunAfterExtract)
{
    Analysis a = Data("archive/run-after-extract.cab");
    ASSERT_EQ(a.contained.size(), 2u);
    EXPECT_TRUE(a.contained[0].additionalInfo.runOnExtract);
    EXPECT_FALSE(a.contained[1].additionalInfo.runOnExtract);
}

TEST(Cab, CabinetsThatAreNotListed)
{
    Analysis dat = Data("archive/cab-named.dat");
    EXPECT_EQ(dat.kind, FK_CAB);
    EXPECT_TRUE(dat.contained.empty());
    for (const char* p : {"hostile/split-previous.cab", "hostile/split-index.cab", "hostile/cab-truncated.cab",
                          "hostile/cab-folders-before-start.cab"}) {
        Analysis a = Data(p);
        EXPECT_EQ(a.kind, FK_CAB) << p;
        EXPECT_TRUE(a.contained.empty()) << p;
    }
}

TEST(Cab, LzxFolderListsFilesWithoutBytes)
{
    Analysis a = Data("hostile/lzx.cab");
    EXPECT_EQ(Names(a.contained), (std::vector<std::string>{"setup.exe:???", "readme.txt:???"}));
    EXPECT_EQ(a.contained[0].additionalInfo.readBytes, 0u);
}

TEST(Zip, NamesAreReadInTheAnsiCodePage)
{
    // "readme.txt" becomes "r\xE9adme.txt" in both the local header and the directory: Windows-1252 é.
    std::string zip = testing_support::ReadFile(testing_support::DataPath("files/archive/program.zip"));
    for (size_t at = zip.find("readme.txt"); at != std::string::npos; at = zip.find("readme.txt", at + 1))
        zip[at + 1] = char(0xE9);
    Analysis a = AnalyseBytes(zip, "x.zip");
    ASSERT_EQ(a.contained.size(), 3u);
    EXPECT_EQ(Utf8(a.contained[1].longFileName), "r\xC3\xA9" "adme.txt");
    EXPECT_EQ(Utf8(a.contained[1].extension), "TXT");
}
