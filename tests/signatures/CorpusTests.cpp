// Every kind of the signature table recognised from real files: the labelled samples of the shared corpus
// and the fixtures of tests/make_fixtures_signatures.sh, each analysed as an attachment of that name.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"

using namespace sigtest;

namespace {

struct Sample {
    const char* path;      // "corpus:" or "data:" then the path under files/
    const char* asName;    // the attachment's name, when not the file's own
    const char* typeName;
};

std::string Resolve(const std::string& path)
{
    if (path.rfind("corpus:", 0) == 0)
        return testing_support::CorpusPath("files/" + path.substr(7));
    return testing_support::DataPath("files/" + path.substr(5));
}

const Sample kSamples[] = {
    {"corpus:image/rose.jpg", nullptr, "JPG"},
    {"data:image/dqt-first.jpg", nullptr, "JPG"},
    {"corpus:real/spamscope-mail_test_2.6.jpg", nullptr, "JPG"},
    {"corpus:image/rose.png", nullptr, "PNG"},
    {"corpus:image/rose.gif", nullptr, "GIF"},
    {"corpus:image/pixel-1x1-87a.gif", nullptr, "GIF"},
    {"corpus:image/rose-le.tif", nullptr, "TIFF"},
    {"corpus:image/rose-be.tif", nullptr, "TIFF"},
    {"corpus:image/rose-v3.bmp", nullptr, "BMP"},
    {"corpus:image/multi.ico", nullptr, "ICO"},
    {"corpus:image/synthetic-cr2-header.cr2", nullptr, "CR2"},
    {"corpus:image/synthetic-cr2-header.cr2", "raw.tif", "TIFF"},  // the implied kind picks between the rows
    {"corpus:audio/tone.wav", nullptr, "WAV"},
    {"data:audio/tone-id3v2.mp3", nullptr, "MP3"},
    {"data:audio/tone-frames.mp3", nullptr, "MP3"},
    {"corpus:audio/tone.flac", nullptr, "FLAC"},
    {"corpus:audio/tone.aiff", nullptr, "AIFF"},
    {"corpus:video/clip.mov", nullptr, "MOV"},
    {"corpus:video/clip.mp4", nullptr, "MP4"},
    {"corpus:audio/tone.m4a", nullptr, "MOV"},  // no implied kind: the first of the shared rows
    {"corpus:video/clip.mpg", nullptr, "MPG"},
    {"corpus:video/clip.mpg", "clip.mpeg", "MPEG"},
    {"corpus:video/clip.wmv", "clip.asf", "ASF"},
    {"corpus:audio/tone.wma", nullptr, "WMA"},
    {"corpus:video/clip.wmv", nullptr, "WMV"},
    {"corpus:video/clip.avi", nullptr, "AVI"},
    {"corpus:video/clip.flv", nullptr, "FLV"},
    {"corpus:doc/libreoffice.pdf", nullptr, "PDF"},
    {"corpus:doc/synthetic-dwg-header.dwg", nullptr, "DWG"},
    {"data:doc/drawing-crlf.dxf", nullptr, "DXF"},
    {"corpus:archive/rar4-unrarjs.rar", nullptr, "RAR"},
    {"corpus:archive/rar5-spamassassin.rar", nullptr, "RAR"},
    {"corpus:archive/deflate.zip", nullptr, "ZIP"},
    {"corpus:archive/mszip.cab", nullptr, "CAB"},
    {"corpus:doc/word97.doc", nullptr, "DOC"},
    {"corpus:doc/excel97.xls", nullptr, "XLS"},
    {"corpus:doc/powerpoint97.ppt", nullptr, "PPT"},
    {"corpus:doc/excel97.xls", "report.bin", "DOC"},  // compound documents of unknown name: the first row
    {"corpus:doc/word.docx", nullptr, "DOCX"},
    {"corpus:doc/excel.xlsx", nullptr, "XLSX"},
    {"corpus:doc/powerpoint.pptx", nullptr, "PPTX"},
    {"data:office/minimal.docx", nullptr, "DOCX"},
    {"data:office/docx-named.zip", nullptr, "DOCX"},
    {"data:office/xlsx-named.docx", nullptr, "XLSX"},
    {"data:office/minimal.pptx", nullptr, "PPTX"},
    {"corpus:doc/writer.odt", nullptr, "ZIP"},
    {"corpus:real/sa-spam-olevbmacro-renamedmacro.2.jpg", nullptr, "XLSX"},
    {"corpus:text/debian-doc.html", nullptr, "HTML"},
    {"corpus:text/plain.html", nullptr, "HTML"},
    {"corpus:text/fontconfig.xml", nullptr, "XML"},
    {"corpus:text/utf8-bom.html", nullptr, "HTML"},
    {"corpus:text/utf16le-bom.html", nullptr, "HTML"},
    {"corpus:text/utf16be-bom.html", nullptr, "HTML"},
    {"corpus:text/utf16le-bom.xml", nullptr, "XML"},
    {"corpus:text/utf8-bom.svg", nullptr, "XML"},
    {"corpus:exe/nsis-stub-x86.exe", nullptr, "EXE"},
    {"corpus:exe/nsis-System-amd64.dll", nullptr, "DLL"},
    {"data:exe/dos-program.exe", nullptr, "EXE"},
    {"data:exe/font-ne.fon", nullptr, "DLL"},
    {"data:exe/ne-program.exe", nullptr, "EXE"},
    // Not in the table, or not what the name says.
    {"corpus:exe/nsis-uninst.bin", nullptr, "ICO"},
    {"corpus:audio/tone-id3.mp3", nullptr, "???"},  // MPEG-2.5 frames (FF E3)
    {"corpus:doc/drawing-ascii.dxf", nullptr, "???"},  // LF line ends
    {"corpus:video/clip.webm", nullptr, "???"},
    {"corpus:archive/sample.7z", nullptr, "???"},
    {"corpus:text/utf16le-nobom.html", nullptr, "???"},
    {"corpus:text/plain.txt", nullptr, "???"},
    {"corpus:exe/truncated-mz-64bytes.exe", nullptr, "???"},
    {"corpus:exe/mz-2bytes.exe", nullptr, "???"},
    {"corpus:misc/random-4k.bin", nullptr, "???"},
};

} // namespace

TEST(Recognition, EveryKindFromRealFiles)
{
    for (const Sample& s : kSamples) {
        std::string path = Resolve(s.path);
        CComPtr<IStream> stream = FileStream(path);
        ASSERT_TRUE(stream) << path;
        std::string name = s.asName ? s.asName : path.substr(path.find_last_of('/') + 1);
        Analysis a = AnalyseStream(stream, name);
        EXPECT_EQ(a.typeName, s.typeName) << s.path << " as " << name;
    }
}

TEST(Recognition, ImageSizesAndTrackingFromRealFiles)
{
    struct Size { const char* path; LONG width, height; bool tracking; };
    const Size sizes[] = {
        {"corpus:image/logo.jpg", 120, 90, false},
        {"corpus:real/spamscope-mail_test_5.4.jpg", 580, 997, false},
        {"data:image/progressive.jpg", 70, 46, false},
        {"data:image/dqt-first.jpg", 70, 46, false},
        {"corpus:image/rose-1x1.jpg", 1, 1, true},
        {"data:image/pixel-1x1.jpg", 1, 1, true},
        {"data:image/pixel-1x2.jpg", 1, 2, false},
        {"corpus:image/pixel-1x1.png", 1, 1, true},
        {"data:image/pixel-1x2.png", 1, 2, false},
        {"corpus:image/pixel-1x1.gif", 1, 1, true},
        {"data:image/pixel-1x2.gif", 1, 2, false},
        {"corpus:real/spamscope-mail_test_10.5.bin", 1036, 352, false},
        {"corpus:image/pixel-1x1.bmp", 1, 1, true},
        {"data:image/pixel-1x2.bmp", 1, 2, false},
        {"corpus:image/rose-v5.bmp", 70, 46, false},
        {"data:image/topdown-1x1.bmp", 1, -1, false},
        {"corpus:real/mail-mime_emails-raw_email_with_nested_attachment.3.png", 165, 215, false},
    };
    for (const Size& s : sizes) {
        Analysis a = AnalyseFile(Resolve(s.path));
        EXPECT_EQ(a.record.additionalInfo.width, s.width) << s.path;
        EXPECT_EQ(a.record.additionalInfo.height, s.height) << s.path;
        EXPECT_EQ(bool(a.record.additionalInfo.isTracking), s.tracking) << s.path;
    }
}
