// The detail texts: attachment blocks over corpus files analysed as the add-in analyses attachments,
// ranges applied to a rich edit control across CR LF pairs, header field names, and split queries.
#include "InfoDlgTestUtil.h"

#include <shlwapi.h>

#include "dialogs/DialogTestUtil.h"
#include "dialogs/InfoDlgHelper.h"

using namespace infodlg_test;

namespace {

class Details : public CInfoDlgHelper {
public:
    std::string Text() const { return U8(m_text); }
    std::vector<std::string> Ranges(const std::function<bool(const FormatRange&)>& match) const
    {
        std::vector<std::string> out;
        for (const FormatRange& r : m_formatRanges)
            if (match(r))
                out.push_back(U8(m_text.substr(size_t(r.start), size_t(r.end - r.start))));
        return out;
    }
    void Append(const WString& text) { m_text += text; }
};

bool Has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

TEST(AttachmentDetails, ProgramsShowSystemModeAndRisk)
{
    Details dll;
    dll.InitAttachment(AnalyseCorpusFile("exe/nsis-System-amd64.dll", u"System.dll"), true);
    std::string text = dll.Text();
    EXPECT_EQ(0u, text.find("File Name :\tSystem.dll\nDetected Type :\t")) << text;
    EXPECT_NE(text.find("\nRequired OS :\tWindows\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nProgram Mode :\t64-bit\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(".NET assembly"), std::string::npos);
    EXPECT_TRUE(Has(dll.Ranges([](const FormatRange& r) { return r.bold && r.color == 0; }), "System.dll"));
    // Labels are dark blue and not bold.
    std::vector<std::string> labels = dll.Ranges([](const FormatRange& r) { return r.color == CLR_LABEL && !r.bold; });
    EXPECT_TRUE(Has(labels, "Program Mode :\t"));

    Details dotNet;
    dotNet.InitAttachment(AnalyseCorpusFile("exe/dotnet-hello-x64.exe", u"hello.exe"), false);
    EXPECT_EQ(0u, dotNet.Text().find("Detected Type :\t")) << "no file name line when not full";
    EXPECT_NE(dotNet.Text().find("\nProperty :\t.NET assembly"), std::string::npos) << dotNet.Text();
    EXPECT_TRUE(Has(dotNet.Ranges([](const FormatRange& r) { return r.bold && r.color == CLR_ERROR; }),
                    "Potentially dangerous"));
}

TEST(AttachmentDetails, SignatureAndBytesLinesMarkTheRelevantBytes)
{
    AttachmentInfo png = AnalyseCorpusFile("image/rose.png", u"Picture.PNG");
    Details d;
    d.InitAttachment(png, false);
    std::string text = d.Text();
    const AdditionalInfo& info = png.additionalInfo;
    ASSERT_GT(info.readBytes, 8u);
    size_t sig = text.find("File Signature :\t0x89 0x50 0x4E 0x47 ");
    ASSERT_NE(sig, std::string::npos) << text;
    size_t bytes = text.find("\nFile Bytes :\t", sig);
    ASSERT_NE(bytes, std::string::npos);
    EXPECT_EQ(5u * info.readBytes, bytes - (sig + 17));
    EXPECT_EQ(".PNG....", text.substr(bytes + 14, 8)) << "control characters as dots";
    std::vector<std::string> bold = d.Ranges([](const FormatRange& r) { return r.bold && r.color == 0; });
    ASSERT_GE(bold.size(), 2u);
    EXPECT_EQ(0u, bold[0].find("0x89 0x50 0x4E 0x47")) << bold[0];
    EXPECT_NE(' ', bold[0].back()) << "one range per run of relevant bytes, without the trailing space";
    EXPECT_NE(text.find("Image Width :\t"), std::string::npos);
    EXPECT_EQ(text.find("Displayed Name"), std::string::npos) << "same name but for letter case";
}

TEST(AttachmentDetails, HtmlPreviewOnlyWhenRecognisedByFewBytes)
{
    Details plain;
    plain.InitAttachment(AnalyseCorpusFile("text/plain.html", u"page.html"), true);
    size_t rule = plain.Text().find("\n\n" + std::string(55, '-') + "\n\n");
    ASSERT_NE(rule, std::string::npos) << plain.Text();
    EXPECT_NE(plain.Text().find("<", rule), std::string::npos);

    Details wide;
    wide.InitAttachment(AnalyseCorpusFile("text/utf16le-bom.html", u"wide.html"), true);
    EXPECT_EQ(wide.Text().find(std::string(55, '-')), std::string::npos) << wide.Text();

    Details notFull;
    notFull.InitAttachment(AnalyseCorpusFile("text/plain.html", u"page.html"), false);
    EXPECT_EQ(notFull.Text().find(std::string(55, '-')), std::string::npos);
}

TEST(AttachmentDetails, ByteCountsThatDisagreeAreHandled)
{
    AttachmentInfo info = AnalyseCorpusFile("text/plain.html", u"page.html");
    info.additionalInfo.readBytes = 0;
    Details none;
    none.InitAttachment(info, true);
    EXPECT_EQ(none.Text().find("File Signature"), std::string::npos);
    EXPECT_EQ(none.Text().find("File Bytes"), std::string::npos);

    // More bytes claimed than kept: logged, and the kept ones are shown.
    info.additionalInfo.fileBytes.resize(4);
    info.additionalInfo.readBytes = 30;
    Details claimed;
    claimed.InitAttachment(info, true);
    EXPECT_NE(LogText().find("\"attachInfo.additionalInfo.readBytes <= attachInfo.additionalInfo.fileBytes.size()\""),
              std::string::npos);
    std::string text = claimed.Text();
    size_t sig = text.find("File Signature :\t");
    ASSERT_NE(sig, std::string::npos);
    EXPECT_EQ("0x3C 0x21 0x44 0x4F \n", text.substr(sig + 17, 21)) << text;

    // A preview turns written escapes into their bytes and NULs into spaces.
    AttachmentInfo escaped;
    escaped.longFileName = escaped.displayName = W("x.html");
    escaped.typeName = CFileSignature::GetKindName(FK_HTML);
    std::string bytes = std::string("<p>\\x41\\x4a\\xZZ end of the page") + '\0' + "!";
    escaped.additionalInfo.fileBytes.assign(bytes.begin(), bytes.end());
    escaped.additionalInfo.readBytes = ULONG(bytes.size());
    Details preview;
    preview.InitAttachment(escaped, true);
    EXPECT_NE(preview.Text().find("\n\n<p>AJ\\xZZ end of the page !"), std::string::npos) << preview.Text();
}

class FormatInControl : public dialogs_test::DialogTest {};

TEST_F(FormatInControl, RangesCountCrLfAsOneCharacter)
{
    ASSERT_TRUE(Open(IDD_INFODLG));
    HWND edit = Item(IDC_RICHEDIT);
    Details d;
    d.Append(W("line one\r\nline two\nline three\r\nend"));
    d.AddColorRange(10, 14, CLR_HOST, true);   // "line" of line two
    d.AddColorRange(24, 29, CLR_ERROR, false); // "three"
    d.AddBoldRange(31, 34);                    // "end"
    SetWindowTextW(edit, d.ControlText().c_str());
    d.FormatContent(edit);
    pal::ControlView v = *dialogs_test::FindView(pal::ViewDialog(m_dialog).controls, IDC_RICHEDIT);
    EXPECT_EQ((std::vector<std::string>{"line", "end"}), RunTexts(v, Bold));
    EXPECT_EQ((std::vector<std::string>{"three"}), RunTexts(v, Colour(CLR_ERROR)));
    CHARRANGE caret{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(0, caret.cpMin);
    EXPECT_EQ(0, caret.cpMax);

    Details empty;
    EXPECT_THROW(empty.FormatContent(edit), CErrorInfo);
    EXPECT_THROW(d.FormatContent(nullptr), CErrorInfo);
    EXPECT_NE(LogText().find("\"hRichEdiCtrl\" > 0"), std::string::npos);
}

} // namespace

namespace {

TEST(AttachmentDetails, AssociationLinesOnlyWhenTheSystemKnowsTheExtension)
{
    AttachmentInfo page = AnalyseCorpusFile("text/plain.html", u"page.html");
    Details known;
    known.InitAttachment(page, false);
    LPWSTR type = nullptr;
    PERCEIVED perceived{};
    PERCEIVEDFLAG flags = 0;
    ASSERT_EQ(S_OK, AssocGetPerceivedType(W(".HTML"), &perceived, &flags, &type));
    EXPECT_NE(known.Text().find("\nGeneral Type :\t" + U8(std::u16string(type)) + "\n"), std::string::npos)
        << known.Text();
    CoTaskMemFree(type);

    page.longFileName = page.displayName = W("page.zzqq");
    page.extension = W("ZZQQ");
    Details unknown;
    unknown.InitAttachment(page, false);
    for (const char* label : {"General Type", "Registered Type", "Application Name", "Command Line"})
        EXPECT_EQ(unknown.Text().find(label), std::string::npos) << label;
}

} // namespace
