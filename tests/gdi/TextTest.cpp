// DrawTextW measuring and drawing: sizes that follow the text and the formats, colours and background
// modes in a DIB section, and scripts that need shaping and fallback faces.
#include <gtest/gtest.h>

#include <string>

#include "GdiTestUtil.h"
#include "pal/gdi.h"

using gdi_test::Canvas;
using gdi_test::UiFont;

namespace {

const UINT kMeasure = DT_CALCRECT | DT_NOPREFIX | DT_VCENTER;

class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_live = pal::LiveGdiObjects();
        m_screen = GetDC(nullptr);
        m_font = UiFont(8);
        ASSERT_NE(m_screen, nullptr);
        ASSERT_NE(m_font, nullptr);
        m_previous = SelectObject(m_screen, m_font);
    }
    void TearDown() override
    {
        SelectObject(m_screen, m_previous);
        EXPECT_EQ(ReleaseDC(nullptr, m_screen), 1);
        EXPECT_TRUE(DeleteObject(m_font));
        EXPECT_EQ(pal::LiveGdiObjects(), m_live);
    }

    RECT Measure(const std::u16string& text, UINT format = kMeasure, LONG width = 0)
    {
        RECT rc{10, 20, 10 + width, 20};
        int height = DrawTextW(m_screen, text.c_str(), -1, &rc, format);
        EXPECT_EQ(height, rc.bottom - rc.top) << "for " << text.size() << " units";
        return rc;
    }
    static LONG Width(const RECT& rc) { return rc.right - rc.left; }

    size_t m_live = 0;
    HDC m_screen = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_previous = nullptr;
};

TEST_F(TextTest, MeasuredSizeFollowsTextAndFont)
{
    RECT test = Measure(u"Test");
    // 8 points at 96 dots per inch is an 11-pixel em; the line is the face's ascent plus descent.
    EXPECT_GE(test.bottom - test.top, 13);
    EXPECT_LE(test.bottom - test.top, 17);
    EXPECT_GT(Width(test), 15);
    EXPECT_LT(Width(test), 35);
    EXPECT_EQ(test.left, 10);
    EXPECT_EQ(test.top, 20);

    LONG previous = 0;
    for (const char16_t* text : {u"a", u"ab", u"abc", u"abc def", u"abc def ghi jkl"}) {
        LONG w = Width(Measure(text));
        EXPECT_GT(w, previous) << "text of " << std::u16string(text).size();
        previous = w;
    }
    // The larger bold interface font measures wider and taller.
    HFONT bold = UiFont(9, FW_BOLD);
    SelectObject(m_screen, bold);
    RECT big = Measure(u"Test");
    SelectObject(m_screen, m_font);
    DeleteObject(bold);
    EXPECT_GT(Width(big), Width(test));
    EXPECT_GT(big.bottom - big.top, test.bottom - test.top);

    // A positive height is the cell: a cell as tall as the measured line gives the same line.
    LOGFONTW cell{};
    cell.lfHeight = test.bottom - test.top;
    HFONT cellFont = CreateFontIndirectW(&cell);
    SelectObject(m_screen, cellFont);
    RECT byCell = Measure(u"Test");
    SelectObject(m_screen, m_font);
    DeleteObject(cellFont);
    EXPECT_NEAR(byCell.bottom - byCell.top, test.bottom - test.top, 1);
}

TEST_F(TextTest, LinesBreakPrefixesAndEllipsis)
{
    RECT one = Measure(u"first line");
    LONG line = one.bottom - one.top;
    // Without DT_SINGLELINE a line break starts a new line; with it the text stays on one.
    RECT two = Measure(u"first line\r\nsecond");
    EXPECT_EQ(two.bottom - two.top, 2 * line);
    EXPECT_EQ(Width(two), Width(one));
    EXPECT_EQ(Measure(u"first line\r\nsecond", kMeasure | DT_SINGLELINE).bottom - 20, line);

    // Word breaking keeps within the width and grows downwards.
    std::u16string words = u"several short words that will not fit on one line";
    RECT wrapped = Measure(words, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX, 80);
    EXPECT_LE(Width(wrapped), 80);
    EXPECT_GE(wrapped.bottom - wrapped.top, 3 * line);

    // The ellipsis shortens a line to the width; a text that fits is left as it is.
    LONG full = Width(Measure(words, kMeasure | DT_SINGLELINE));
    RECT cut = Measure(words, kMeasure | DT_SINGLELINE | DT_END_ELLIPSIS, 100);
    EXPECT_LE(Width(cut), 100);
    EXPECT_GT(Width(cut), 20);
    EXPECT_EQ(Width(Measure(u"short", kMeasure | DT_SINGLELINE | DT_END_ELLIPSIS, 100)), Width(Measure(u"short")));
    EXPECT_GT(full, 100);

    // '&' marks the next character unless DT_NOPREFIX; "&&" is one ampersand.
    EXPECT_EQ(Width(Measure(u"&File", DT_CALCRECT)), Width(Measure(u"File")));
    EXPECT_EQ(Width(Measure(u"A&&B", DT_CALCRECT)), Width(Measure(u"A&B")));
    EXPECT_GT(Width(Measure(u"&File")), Width(Measure(u"File")));

    // An empty text measures nothing; a count limits the text.
    RECT empty{5, 5, 50, 50};
    EXPECT_EQ(DrawTextW(m_screen, u"", -1, &empty, kMeasure), 0);
    EXPECT_EQ(empty.right, 5);
    RECT counted{0, 0, 0, 0};
    DrawTextW(m_screen, u"Test and more", 4, &counted, kMeasure);
    EXPECT_EQ(Width(counted), Width(Measure(u"Test")));
}

TEST_F(TextTest, DrawsColoursAndBackgroundModes)
{
    Canvas canvas(120, 40);
    ASSERT_TRUE(canvas.ok());
    const uint32_t white = 0xFFFFFFFF;
    canvas.Fill(RGB(255, 255, 255));
    EXPECT_EQ(canvas.CountNot(white), 0);
    SelectObject(canvas.dc(), m_font);

    // Red text, transparent background: only red-ish pixels are drawn, inside the rectangle.
    SetTextColor(canvas.dc(), RGB(255, 0, 0));
    EXPECT_EQ(SetBkMode(canvas.dc(), TRANSPARENT), OPAQUE);
    RECT rc{0, 0, 60, 40};
    int offset = DrawTextW(canvas.dc(), u"Hello", -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    EXPECT_GT(offset, 20); // the bottom of a centred line
    int red = canvas.Count([](uint32_t p) { return (p & 0xFF) < 0x80 && ((p >> 16) & 0xFF) > 0xC0; });
    EXPECT_GT(red, 20);
    EXPECT_EQ(canvas.Count([](uint32_t p) { return ((p >> 16) & 0xFF) < ((p >> 8) & 0xFF); }), 0) << "no green";
    for (LONG y = 0; y < 40; ++y)
        for (LONG x = 60; x < 120; ++x)
            ASSERT_EQ(canvas.At(x, y), white) << "clipped at " << x << "," << y;
    for (LONG x = 0; x < 60; ++x) // vertically centred: the top rows stay clear
        EXPECT_EQ(canvas.At(x, 0), white);

    // The default opaque mode paints the background colour (white) behind the text on black.
    canvas.Fill(RGB(0, 0, 0));
    SetBkMode(canvas.dc(), OPAQUE);
    SetTextColor(canvas.dc(), RGB(0, 0, 255));
    RECT top{0, 0, 120, 40};
    DrawTextW(canvas.dc(), u"Box", -1, &top, DT_NOPREFIX);
    EXPECT_GT(canvas.Count([](uint32_t p) { return p == 0xFFFFFFFF; }), 50);
    EXPECT_GT(canvas.Count([](uint32_t p) { return (p & 0xFF) > 0xC0 && ((p >> 16) & 0xFF) < 0x40; }), 10);
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
}

TEST_F(TextTest, ScriptsNeedingFallbackDraw)
{
    struct Sample {
        const char* name;
        std::u16string text;
    };
    const Sample samples[] = {
        {"CJK", u"\u4E2D\u6587\u540D\u5B57 \u65E5\u672C\u8A9E"},
        {"Arabic", u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645"},
        {"emoji", u"\U0001F600\U0001F4E7"},
        {"Hangul", u"\uD55C\uAD6D\uC5B4"},
    };
    for (const Sample& s : samples) {
        Canvas canvas(200, 30);
        ASSERT_TRUE(canvas.ok());
        SelectObject(canvas.dc(), m_font);
        SetBkMode(canvas.dc(), TRANSPARENT);
        RECT rc{0, 0, 200, 30};
        EXPECT_GT(DrawTextW(canvas.dc(), s.text.c_str(), -1, &rc, DT_NOPREFIX | DT_SINGLELINE), 0) << s.name;
        EXPECT_GT(canvas.CountNot(0), 15) << s.name << " drew nothing";
        EXPECT_GT(Width(Measure(s.text)), 10) << s.name;
        SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
    }
    // A lone surrogate is drawn as a replacement character, not refused.
    EXPECT_GT(Width(Measure(std::u16string(u"a") + char16_t(0xD800) + u"b")), Width(Measure(u"ab")));
}

TEST_F(TextTest, BadArgumentsFail)
{
    RECT rc{0, 0, 10, 10};
    EXPECT_EQ(DrawTextW(nullptr, u"x", -1, &rc, kMeasure), 0);
    EXPECT_EQ(DrawTextW(reinterpret_cast<HDC>(m_font), u"x", -1, &rc, kMeasure), 0);
    EXPECT_EQ(DrawTextW(reinterpret_cast<HDC>(uintptr_t(0xDEAD0001)), u"x", -1, &rc, kMeasure), 0);
    EXPECT_EQ(DrawTextW(m_screen, u"x", -1, nullptr, kMeasure), 0);
    EXPECT_EQ(DrawTextW(m_screen, nullptr, 3, &rc, kMeasure), 0);
    EXPECT_EQ(FillRect(m_screen, &rc, reinterpret_cast<HBRUSH>(m_font)), 0);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(m_screen, 7), 0);
    EXPECT_EQ(GetDeviceCaps(m_screen, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(m_screen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
}

} // namespace
