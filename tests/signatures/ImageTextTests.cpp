// The image size probes on malformed headers, and the text probe on marks, blanks and UTF-16.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"

using namespace sigtest;

namespace {

std::string Data(const std::string& p) { return testing_support::DataPath("files/" + p); }

} // namespace

TEST(Jpeg, FrameHeaderRightAfterTheStartIsRejected)
{
    std::string jpeg("\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x01\x00\x01", 11);
    jpeg += std::string(40, '\0');
    CComPtr<IStream> stream = MemoryStream(jpeg);
    AdditionalInfo info;
    info.readBytes = ULONG(jpeg.size());
    std::copy(jpeg.begin(), jpeg.end(), info.fileBytes.begin());
    CFileSignature::GetJpgInfo(stream, info);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
}

TEST(Jpeg, ShortHeaderIsReadFromTheStreamAndScanStopsAtMalformedSegments)
{
    // Only two bytes known: the scan reads the start again and walks the segments from byte 2.
    std::string jpeg = testing_support::ReadFile(Data("image/baseline.jpg"));
    CComPtr<IStream> stream = MemoryStream(jpeg);
    AdditionalInfo info;
    info.readBytes = 2;
    CFileSignature::GetJpgInfo(stream, info);
    EXPECT_EQ(info.width, 70);
    EXPECT_EQ(info.height, 46);

    // Scan data where a segment should be: logged, no size, and the kind of the analysis stays.
    std::string broken = jpeg.substr(0, 20) + std::string(200, '\x00');
    Analysis a = AnalyseBytes(broken, "x.jpg");
    EXPECT_EQ(a.kind, FK_JPG);
    EXPECT_EQ(a.record.additionalInfo.width, 0);
}

TEST(Images, SizesFromTheStreamWhenFewBytesWereRead)
{
    std::string gif = testing_support::ReadFile(Data("image/pixel-1x2.gif"));
    CComPtr<IStream> stream = MemoryStream(gif);
    AdditionalInfo info;
    info.readBytes = 6;
    CFileSignature::GetImageInfo<FK_GIF>(stream, info);
    EXPECT_EQ(info.width, 1);
    EXPECT_EQ(info.height, 2);

    // A truncated PNG: the reads come up short, the size stays 0.
    std::string png = testing_support::ReadFile(testing_support::CorpusPath("files/image/pixel-1x1.png")).substr(0, 18);
    Analysis a = AnalyseBytes(png, "x.png");
    EXPECT_EQ(a.kind, FK_PNG);
    EXPECT_EQ(a.record.additionalInfo.width, 0);
    EXPECT_FALSE(a.record.additionalInfo.isTracking);
}

TEST(Text, MarkBlanksAndUtf16)
{
    Analysis bom = AnalyseFile(Data("text/utf8-bom-blank.html"));
    EXPECT_EQ(bom.kind, FK_HTML);
    EXPECT_EQ(bom.record.additionalInfo.readBytes, ULONG(testing_support::ReadFile(Data("text/utf8-bom-blank.html")).size()));
    const std::vector<BYTE>& relevant = bom.record.additionalInfo.relevantBytes;
    EXPECT_EQ(relevant[3 + 4 + 4], 1);  // the mark, two line breaks and three blanks and a tab come first
    EXPECT_EQ(relevant[3 + 4 + 3], 0);

    Analysis be = AnalyseFile(Data("text/utf16be-bom.xml"));
    EXPECT_EQ(be.kind, FK_XML);
    EXPECT_EQ(be.record.additionalInfo.readBytes, 128u);
    EXPECT_EQ(be.record.additionalInfo.relevantBytes[2], 1);   // both bytes of "<"
    EXPECT_EQ(be.record.additionalInfo.relevantBytes[13], 1);  // ... to both bytes of the space
    EXPECT_EQ(be.record.additionalInfo.relevantBytes[14], 0);

    EXPECT_EQ(AnalyseFile(Data("text/utf16le-bom-blank.html")).kind, FK_HTML);
}

TEST(Text, NotRecognised)
{
    for (const char* p : {"text/utf16be-odd.xml", "text/late-signature.html", "text/utf32.html"})
        EXPECT_EQ(AnalyseFile(Data(p)).kind, FK_UNKNOWN) << p;
    // A lone surrogate cannot be converted.
    const char lone[] = "\xFE\xFF\xD8\x00\x00<\x00?\x00x\x00m\x00l\x00 ";
    std::string bad(lone, sizeof(lone) - 1);
    EXPECT_EQ(AnalyseBytes(bad, "x.xml").kind, FK_UNKNOWN);
    // Only blanks.
    EXPECT_EQ(AnalyseBytes(std::string(50, ' '), "x.htm").kind, FK_UNKNOWN);
}
