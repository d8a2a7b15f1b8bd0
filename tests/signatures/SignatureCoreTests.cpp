// The recognition core: the two-pass table lookup, kinds and extensions, the danger verdict, SetData.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"
#include "support/Wine.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "support/TestUtil.h"

using namespace sigtest;

namespace {

const BYTE kCompound[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
const BYTE kZipLocal[] = {0x50, 0x4B, 0x03, 0x04, 0x14, 0x00};

using testing_support::LogText;

} // namespace

TEST(SignatureLookup, ImpliedKindChoosesAmongRowsThatShareBytes)
{
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kCompound, sizeof(kCompound), FK_XLS).kind, FK_XLS);
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kCompound, sizeof(kCompound), FK_PPT).kind, FK_PPT);
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kCompound, sizeof(kCompound), FK_PDF).kind, FK_DOC);
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kCompound, sizeof(kCompound), FK_UNKNOWN).kind, FK_DOC);
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kZipLocal, sizeof(kZipLocal), FK_UNKNOWN).kind, FK_DOCX);
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kZipLocal, sizeof(kZipLocal), FK_ZIP).kind, FK_ZIP);
    // Rows longer than the header are skipped: 50 4B 03 needs a fourth byte.
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kZipLocal, 3, FK_ZIP).kind, FK_UNKNOWN);
    // Masked bytes match anything: JFIF with any segment length.
    const BYTE jfif[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x12, 0x34, 'J', 'F', 'I', 'F', 0x00, 0x01};
    const FileSignatureEntry& row = CFileSignature::GetExtensionInfo(jfif, sizeof(jfif), FK_UNKNOWN);
    EXPECT_EQ(row.kind, FK_JPG);
    EXPECT_EQ(row.count, 12u);
}

TEST(SignatureLookup, BadArgumentsAreLoggedAndGiveRowZero)
{
    EXPECT_EQ(CFileSignature::GetExtensionInfo(nullptr, 4, FK_UNKNOWN).kind, FK_UNKNOWN);
    EXPECT_EQ(CFileSignature::GetExtensionInfo(kZipLocal, 0, FK_UNKNOWN).kind, FK_UNKNOWN);
    std::string log = LogText();
    EXPECT_NE(log.find("\"pHeader\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"count > 0\""), std::string::npos) << log;
}

TEST(SignatureLookup, MarkRelevantBytesCopiesTheMaskAndGrows)
{
    AdditionalInfo info;
    FileSignatureEntry distant{FK_JPG, 18, 4, {1, 2, 3, 4}, {1, 0, 1, 1}};
    CFileSignature::MarkRelevantBytes(info, distant);
    ASSERT_EQ(info.relevantBytes.size(), 22u);
    EXPECT_EQ(std::vector<BYTE>(info.relevantBytes.begin() + 17, info.relevantBytes.end()),
              (std::vector<BYTE>{0, 1, 0, 1, 1}));
    info.fileBytes.resize(40);
    info.Init();
    EXPECT_EQ(info.relevantBytes, std::vector<BYTE>(SIGNATURE_LENGTH, 0));  // no mark of the earlier analysis
    EXPECT_EQ(info.fileBytes.size(), READ_LENGTH);
}

TEST(Kinds, NamesAndImpliedKinds)
{
    EXPECT_EQ(CFileSignature::GetExtensionType(W("jpeg")), FK_JPG);
    EXPECT_EQ(CFileSignature::GetExtensionType(W(".Tif")), FK_TIFF);
    EXPECT_EQ(CFileSignature::GetExtensionType(W("HTM")), FK_HTML);
    EXPECT_EQ(CFileSignature::GetExtensionType(W("EXE")), FK_UNKNOWN);
    EXPECT_EQ(CFileSignature::GetExtensionType(W("")), FK_UNKNOWN);
    EXPECT_EQ(CFileSignature::GetExtensionType(nullptr), FK_UNKNOWN);
    EXPECT_STREQ(pal::ToUtf8(CFileSignature::GetKindName(FK_DLL_16)).c_str(), "DLL");
    EXPECT_STREQ(pal::ToUtf8(CFileSignature::GetKindName(FK_EXE_DOS)).c_str(), "EXE");
    EXPECT_STREQ(pal::ToUtf8(CFileSignature::GetKindName(FK_MSG)).c_str(), "MSG");
    EXPECT_STREQ(pal::ToUtf8(CFileSignature::GetKindName(0)).c_str(), "???");
    EXPECT_STREQ(pal::ToUtf8(CFileSignature::GetKindName(43)).c_str(), "???");
}

TEST(Kinds, FileExtension)
{
    EXPECT_EQ(Utf8(CFileSignature::GetFileExtension(W("report.final.pdf"))), "PDF");
    EXPECT_EQ(Utf8(CFileSignature::GetFileExtension(W("archive.tar.gz"))), "GZ");
    EXPECT_EQ(Utf8(CFileSignature::GetFileExtension(W("README"))), "");
    EXPECT_EQ(Utf8(CFileSignature::GetFileExtension(W("v1.2/README"))), "");
    EXPECT_EQ(Utf8(CFileSignature::GetFileExtension(W("word/_rels/document.xml.rels"))), "RELS");
    EXPECT_EQ(Utf8(CFileSignature::GetFileExtension(W("C:\\Temp\\photo.jpeg"))), "JPEG");
    // An extension too long for the split is taken from the last dot all the same (and logged).
    WString longName = W("x.") + WString(300, W('a'));
    EXPECT_EQ(CFileSignature::GetFileExtension(longName.c_str()).size(), 300u);
    EXPECT_THROW(CFileSignature::GetFileExtension(W("")), CErrorInfo);
    EXPECT_THROW(CFileSignature::GetFileExtension(nullptr), CErrorInfo);
}

TEST(Danger, ExtensionLists)
{
    EXPECT_TRUE(CFileSignature::IsScriptExt(W(".vbs")));
    EXPECT_TRUE(CFileSignature::IsScriptExt(W("WSF")));
    EXPECT_FALSE(CFileSignature::IsScriptExt(W("PS1")));
    EXPECT_FALSE(CFileSignature::IsScriptExt(nullptr));
    EXPECT_TRUE(CFileSignature::IsDangerousExt(W("lnk")));
    EXPECT_TRUE(CFileSignature::IsDangerousExt(W(".SCR")));
    EXPECT_FALSE(CFileSignature::IsDangerousExt(W("")));
    EXPECT_FALSE(CFileSignature::IsDangerousExt(W("PDF")));
}

TEST(Danger, TablesMatchNamesAsTheCaseInsensitiveCompareDoes)
{
    // Neither a prefix nor a longer name is the entry.
    EXPECT_EQ(CFileSignature::GetExtensionType(W("JPE")), FK_UNKNOWN);
    EXPECT_EQ(CFileSignature::GetExtensionType(W("jpegs")), FK_UNKNOWN);
    EXPECT_FALSE(CFileSignature::IsScriptExt(W("J")));
    EXPECT_FALSE(CFileSignature::IsDangerousExt(W("..scr")));
    // Units outside ASCII fold as the system's compare folds them: some upper-case to an ASCII letter.
    for (const WCHAR* name : {W("\u017Fcr"), W("\u0131ns"), W("scr\u00E9"), W("\uFF33CR")}) {
        bool same = _wcsicmp(W("SCR"), name) == 0 || _wcsicmp(W("INS"), name) == 0;
        EXPECT_EQ(same, CFileSignature::IsDangerousExt(name)) << pal::ToUtf8(name);
    }
    EXPECT_EQ(_wcsicmp(W("TIF"), W("t\u0131f")) == 0 ? FK_TIFF : FK_UNKNOWN,
              CFileSignature::GetExtensionType(W("t\u0131f")));
}

TEST(Danger, PotentiallyDangerousVerdict)
{
    auto verdict = [](const WCHAR* extension, const WCHAR* typeName) {
        AttachmentInfo info;
        info.extension = extension;
        info.typeName = typeName;
        return CFileSignature::IsPotentiallyDangerous(info);
    };
    EXPECT_TRUE(verdict(W("JPG"), W("???")));   // a picture's name on unknown content
    EXPECT_TRUE(verdict(W("JPG"), W("EXE")));   // ... or on a program
    EXPECT_FALSE(verdict(W("JPG"), W("JPG")));
    EXPECT_FALSE(verdict(W("JPG"), W("PNG")));  // another harmless kind
    EXPECT_FALSE(verdict(W("HTM"), W("???")));  // text may be anything
    EXPECT_TRUE(verdict(W("JS"), W("???")));    // scripts
    EXPECT_TRUE(verdict(W("URL"), W("???")));   // the add-in's own list
    EXPECT_FALSE(verdict(W("DAT"), W("DLL")));  // the shell does not list libraries
    EXPECT_FALSE(verdict(W("TXT"), W("???")));
    EXPECT_FALSE(verdict(W(""), W("")));
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine's AssocIsDangerous is a stub that calls nothing dangerous";
    EXPECT_TRUE(verdict(W("EXE"), W("EXE")));   // the shell's list
    EXPECT_TRUE(verdict(W("DAT"), W("EXE")));   // the content decides when the name does not
}

TEST(SetData, FillsAContainedFileFromMemory)
{
    AttachmentInfo record;
    record.extension = W("XLSX");
    record.additionalInfo.Init();
    CFileSignature::SetData(record, sizeof(kZipLocal), kZipLocal);
    EXPECT_EQ(Utf8(record.typeName), "XLSX");
    EXPECT_EQ(record.additionalInfo.readBytes, sizeof(kZipLocal));
    EXPECT_EQ(record.additionalInfo.fileBytes.size(), SIGNATURE_LENGTH);  // never below 20
    EXPECT_EQ(record.additionalInfo.relevantBytes[3], 1);

    std::string big(1500, 'A');
    CFileSignature::SetData(record, DWORD(big.size()), reinterpret_cast<const BYTE*>(big.data()));
    EXPECT_EQ(record.additionalInfo.readBytes, SIGNATURE_LENGTH);  // bounded by the list it fills
    EXPECT_EQ(Utf8(record.typeName), "???");
    EXPECT_THROW(CFileSignature::SetData(record, 4, nullptr), CErrorInfo);
    EXPECT_THROW(CFileSignature::SetData(record, 0, kZipLocal), CErrorInfo);
}

TEST(Analysis, EmptyAndNullStreams)
{
    Analysis a = AnalyseBytes("", "empty.jpg");
    EXPECT_EQ(a.kind, FK_UNKNOWN);
    EXPECT_EQ(a.record.additionalInfo.readBytes, 0u);
    AdditionalInfo info;
    std::vector<AttachmentInfo> files;
    EXPECT_EQ(CFileSignature::GetExtensionInfo(nullptr, FK_UNKNOWN, info, files), FK_UNKNOWN);
    EXPECT_NE(LogText().find("\"pStream\""), std::string::npos);
}

TEST(Analysis, ThreeBytesOfAZipGoToTheOtherProbes)
{
    Analysis a = AnalyseFile(testing_support::DataPath("files/hostile/pk3.bin"));
    EXPECT_EQ(a.kind, FK_UNKNOWN);
    EXPECT_EQ(a.record.additionalInfo.readBytes, 3u);
}

TEST(Analysis, FileBytesAndRelevanceOfARecognisedFile)
{
    Analysis a = AnalyseFile(testing_support::CorpusPath("files/doc/libreoffice.pdf"));
    const AdditionalInfo& info = a.record.additionalInfo;
    EXPECT_EQ(info.readBytes, READ_LENGTH);
    EXPECT_EQ(std::string(info.fileBytes.begin(), info.fileBytes.begin() + 4), "%PDF");
    EXPECT_EQ(std::vector<BYTE>(info.relevantBytes.begin(), info.relevantBytes.begin() + 6),
              (std::vector<BYTE>{1, 1, 1, 1, 0, 0}));
}
