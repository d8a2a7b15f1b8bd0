// The rich edit control: a CR LF pair is one character in every position, formats apply to the selected
// range only, URLs are found when detection is on, and very large texts are taken whole.
#include "DialogTestUtil.h"

namespace {

using namespace dialogs_test;

class RichEditTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_NE(Open(IDD_INFODLG), nullptr);
        m_edit = Item(IDC_RICHEDIT);
        ASSERT_NE(m_edit, nullptr);
    }
    void SetText(const char16_t* text) { SendMessageW(m_edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    std::u16string Selected()
    {
        CHARRANGE r{};
        SendMessageW(m_edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
        std::u16string buffer(size_t(r.cpMax - r.cpMin) + 1, u'\0');
        TEXTRANGEW range{r, buffer.data()};
        LRESULT n = SendMessageW(m_edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
        buffer.resize(size_t(n));
        return buffer;
    }
    void Select(LONG a, LONG b)
    {
        CHARRANGE r{a, b};
        SendMessageW(m_edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    }
    void Format(DWORD mask, DWORD effects, COLORREF color = 0)
    {
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = mask;
        cf.dwEffects = effects;
        cf.crTextColor = color;
        EXPECT_NE(SendMessageW(m_edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)), 0);
    }
    std::vector<pal::CharRun> Runs()
    {
        pal::DialogView view = pal::ViewDialog(m_dialog);
        return FindView(view.controls, IDC_RICHEDIT)->runs;
    }
    LONG Length(DWORD flags)
    {
        GETTEXTLENGTHEX how{flags, 1200};
        return LONG(SendMessageW(m_edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
    }

    HWND m_edit = nullptr;
};

TEST_F(RichEditTest, CrLfCountsAsOneCharacter)
{
    SetText(u"a\r\nb\ncd");
    EXPECT_EQ(Length(GTL_NUMCHARS | GTL_PRECISE), 6);
    EXPECT_EQ(Length(GTL_USECRLF | GTL_NUMCHARS), 8);
    EXPECT_EQ(GetWindowTextLengthW(m_edit), 8);
    WCHAR back[16];
    EXPECT_EQ(GetWindowTextW(m_edit, back, 16), 8);
    EXPECT_EQ(std::u16string(back), u"a\r\nb\r\ncd") << "breaks come back as CR LF";

    Select(2, 3); // the character after the first break
    EXPECT_EQ(Selected(), u"b");
    Select(1, 2);
    EXPECT_EQ(Selected(), u"\r");
    Select(0, -1);
    EXPECT_EQ(Selected(), u"a\rb\rcd");
    Select(5, 100);
    EXPECT_EQ(Selected(), u"d") << "clamped to the end";
    Select(4, 2);
    EXPECT_EQ(Selected(), u"b\r") << "a backwards range is the same range";

    SETTEXTEX how{ST_SELECTION, 1200};
    Select(1, 2);
    SendMessageW(m_edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(u"\r\n\r\n"));
    EXPECT_EQ(Length(GTL_NUMCHARS), 7);
}

TEST_F(RichEditTest, FormatsApplyToTheSelectionOnly)
{
    SetText(u"Label :\tvalue\r\nNext :\tred");
    Select(0, 8);
    Format(CFM_BOLD | CFM_COLOR, CFE_BOLD, RGB(0, 64, 128));
    Select(21, 24); // "red", after the break counted once
    Format(CFM_COLOR | CFM_ITALIC, CFE_ITALIC, RGB(255, 0, 0));
    Select(21, 22);
    Format(CFM_COLOR, CFE_AUTOCOLOR); // back to the automatic colour, italic stays
    Select(0, 0);
    Format(CFM_BOLD, CFE_BOLD); // an empty selection formats nothing

    std::vector<pal::CharRun> runs = Runs();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].start, 0);
    EXPECT_EQ(runs[0].end, 8);
    EXPECT_TRUE(runs[0].bold);
    EXPECT_FALSE(runs[0].autoColor);
    EXPECT_EQ(runs[0].color, RGB(0, 64, 128));
    EXPECT_EQ(runs[1].start, 8);
    EXPECT_EQ(runs[1].end, 21);
    EXPECT_FALSE(runs[1].bold);
    EXPECT_TRUE(runs[1].autoColor);
    EXPECT_EQ(runs[2].start, 21);
    EXPECT_EQ(runs[2].end, 22);
    EXPECT_TRUE(runs[2].italic);
    EXPECT_TRUE(runs[2].autoColor);
    EXPECT_EQ(runs[3].start, 22);
    EXPECT_EQ(runs[3].end, 24);
    EXPECT_EQ(runs[3].color, RGB(255, 0, 0));

    // The selection's format reads back; a new text forgets the ranges.
    Select(0, 3);
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    SendMessageW(m_edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
    EXPECT_FALSE(cf.dwEffects & CFE_AUTOCOLOR);
    EXPECT_EQ(cf.crTextColor, RGB(0, 64, 128));
    SetText(u"plain");
    EXPECT_EQ(Runs().size(), 1u);
    EXPECT_FALSE(Runs()[0].bold);
}

TEST_F(RichEditTest, DetectedUrlsAreLinks)
{
    SendMessageW(m_edit, EM_AUTOURLDETECT, AURL_ENABLEURL, 0);
    SetText(u"See https://example.com/a?b=1, or www.example.org.\r\nmailto:x@y.z notaurl:http://q");
    std::vector<std::pair<LONG, LONG>> links;
    for (const pal::CharRun& r : Runs())
        if (r.link)
            links.emplace_back(r.start, r.end);
    // "https://example.com/a?b=1" at 4, "www.example.org" at 34, "mailto:x@y.z" after the break at 51.
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0], std::make_pair(LONG(4), LONG(29)));
    EXPECT_EQ(links[1], std::make_pair(LONG(34), LONG(49)));
    EXPECT_EQ(links[2], std::make_pair(LONG(51), LONG(63)));
}

TEST_F(RichEditTest, EventMaskBackgroundAndFocusNotifications)
{
    EXPECT_EQ(SendMessageW(m_edit, EM_SETEVENTMASK, 0, ENM_CHANGE), 0);
    EXPECT_EQ(SendMessageW(m_edit, EM_GETEVENTMASK, 0, 0), ENM_CHANGE);
    SendMessageW(m_edit, EM_SETBKGNDCOLOR, 0, RGB(1, 2, 3));
    pal::DialogView view = pal::ViewDialog(m_dialog);
    EXPECT_EQ(FindView(view.controls, IDC_RICHEDIT)->background, RGB(1, 2, 3));
    EXPECT_FALSE(FindView(view.controls, IDC_RICHEDIT)->autoBackground);

    // Read-only: a person cannot type; the program can still set the text.
    EXPECT_FALSE(pal::TypeText(m_edit, u"typed"));
    SendMessageW(m_edit, EM_SETREADONLY, FALSE, 0);
    EXPECT_TRUE(pal::TypeText(m_edit, u"typed"));
    SetFocus(Item(IDOK));
    EXPECT_EQ(m_recorder.Commands(IDC_RICHEDIT), (std::vector<WORD>{EN_SETFOCUS, EN_CHANGE, EN_KILLFOCUS}));
}

// Fifty megabytes with a break every 80 characters, taken and measured in linear time.
TEST_F(RichEditTest, HugeTextIsTakenWhole)
{
    const size_t size = 50u << 20;
    std::u16string text;
    text.reserve(size);
    while (text.size() + 82 <= size)
        text.append(80, u'x').append(u"\r\n");
    LONG breaks = LONG(text.size() / 82);
    SendMessageW(m_edit, EM_AUTOURLDETECT, AURL_ENABLEURL, 0);
    SetText(text.c_str());
    EXPECT_EQ(Length(GTL_NUMCHARS), LONG(text.size()) - breaks);
    Select(0, -1);
    Format(CFM_BOLD, CFE_BOLD);
    Select(81, 82);
    EXPECT_EQ(Selected(), u"x") << "the first character of the second line";
    EXPECT_EQ(GetWindowTextLengthW(m_edit), int(text.size()));
}

} // namespace
