// The store's text conversions: compressed RTF, plain text shown as HTML, HTML and RTF reduced to text,
// charsets and header blocks.
#include "StoreTestUtil.h"

using namespace store;
using store_test::U8;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += char(v);
    return s;
}

} // namespace

TEST(StoreRtf, DecompressesTheDocumentedExampleAndStopsAtItsEnd)
{
    // The worked example of the compressed RTF format: a back reference into the preset dictionary and
    // the end marker.
    std::string compressed = Bytes({0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1, 0xc5,
                                    0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42,
                                    0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62, 0x77, 0x05, 0xb0,
                                    0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0});
    EXPECT_EQ(DecompressRtf(compressed), "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
    // A stated raw size far beyond what the input holds does not make the output grow past the input's end.
    std::string lying = compressed;
    lying[4] = lying[5] = lying[6] = char(0xFF);
    lying[7] = 0x7F;
    lying.resize(lying.size() - 3); // no end marker
    EXPECT_LT(DecompressRtf(lying).size(), 200u);
    EXPECT_EQ(DecompressRtf("short"), "");
}

TEST(StoreRtf, TextOfRtfSkipsDestinationsAndDecodesEscapes)
{
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\generator Riched20;}Caf\\'e9 ok\\par "
                      "line two \\u8364?\\tab x}";
    EXPECT_EQ(U8(RtfToPlainText(rtf)), "Caf\xC3\xA9 ok\r\nline two \xE2\x82\xAC\tx");
}

TEST(StoreBodies, PlainTextBecomesOutlooksHtmlWithAnchors)
{
    std::u16string html = PlainTextToHtml(u"See http://example.com/a?b=1&c=2.\nand www.test.org <now>");
    std::string s = U8(html);
    EXPECT_NE(s.find("<A HREF=\"http://example.com/a?b=1&amp;c=2\">http://example.com/a?b=1&amp;c=2</A>."), std::string::npos) << s;
    EXPECT_NE(s.find("<A HREF=\"http://www.test.org\">www.test.org</A> &lt;now&gt;"), std::string::npos) << s;
    EXPECT_NE(s.find("<BR>\r\n"), std::string::npos);
    EXPECT_NE(s.find("<!-- Converted from text/plain format -->"), std::string::npos);
    // An address glued to a word is not an address.
    EXPECT_EQ(U8(PlainTextToHtml(u"xhttp://a.b")).find("<A "), std::string::npos);
}

TEST(StoreBodies, HtmlBecomesItsText)
{
    std::u16string text = HtmlToPlainText(u"<html><head><title>T</title><style>p{}</style></head><body>"
                                          u"<p>Hello&nbsp;&amp; <b>world</b></p><!-- x --><div>a&#233;&#x20AC;</div>"
                                          u"<script>var x;</script>end</body></html>");
    EXPECT_EQ(U8(text), "Hello\xC2\xA0& world\r\na\xC3\xA9\xE2\x82\xAC\r\nend");
    // Every named entity of HTML, not a short list of them.
    EXPECT_EQ(U8(HtmlToPlainText(u"<p>&aacute;</p>")), "\xC3\xA1");
    EXPECT_EQ(U8(HtmlToPlainText(u"<p>&amp;</p>")), "&");
    EXPECT_EQ(U8(HtmlToPlainText(u"&hearts;&zzentity;")), "\xE2\x99\xA5&zzentity;");
    // The old entities that need no semicolon are read as browsers read them.
    EXPECT_EQ(U8(HtmlToPlainText(u"&notanentity;")), "\xC2\xAC" "anentity;");
    // Cells apart by a space, rows and list items on lines of their own, an unclosed paragraph ended by the
    // next, and no empty lines between blocks that follow each other.
    EXPECT_EQ(U8(HtmlToPlainText(u"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"
                                 u"<ul><li>one<li>two</ul><p>x<p>y<div><div>z</div></div>")),
              "a b\r\nc\r\none\r\ntwo\r\nx\r\ny\r\nz");
    // A line break is kept even between blocks; white space at the end is dropped.
    EXPECT_EQ(U8(HtmlToPlainText(u"a<br>b<br><br>c <br> \n")), "a\r\nb\r\n\r\nc");
    // A lone surrogate or a NUL cannot reach the text as it is.
    EXPECT_EQ(U8(HtmlToPlainText(std::u16string(u"a\xD800" u"b") + u'\0' + u"c")), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c");
    EXPECT_TRUE(HtmlToPlainText(u"<script>x</script><!-- y -->").empty());
}

TEST(StoreCharsets, KnownUnknownAndBrokenCharsets)
{
    EXPECT_EQ(U8(DecodeCharset("\xE9t\xE9", "iso-8859-1")), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(U8(DecodeCharset("\x80", "iso-8859-1")), "\xE2\x82\xAC"); // read as Windows-1252
    EXPECT_EQ(U8(DecodeCharset("\x93\xfa\x96\x7b", "shift_jis")), "\xE6\x97\xA5\xE6\x9C\xAC");
    // An unknown charset: UTF-8 when the bytes are UTF-8, else Windows-1252.
    EXPECT_EQ(U8(DecodeCharset("\xC3\xA9", "x-unknown-charset")), "\xC3\xA9");
    EXPECT_EQ(U8(DecodeCharset("\xE9", "x-unknown-charset")), "\xC3\xA9");
    // Invalid sequences are replaced, never dropped with what follows.
    EXPECT_EQ(U8(DecodeCharset("a\xFF" "b", "utf-16le")).empty(), false);
    EXPECT_EQ(U8(DecodeCharset("a\x1b$Bb", "iso-2022-jp")).substr(0, 1), "a");
    EXPECT_EQ(U8(CodePageToUtf16("\x82\xa0", 932)), "\xE3\x81\x82");
}

TEST(StoreHeaders, HeaderBlockEndsLinesWithCrLfAndDropsTheBlankLine)
{
    EXPECT_EQ(U8(HeaderBlock("A: 1\n folded\r\nB: 2\n\nbody\n")), "A: 1\r\n folded\r\nB: 2\r\n");
    EXPECT_EQ(U8(HeaderBlock("A: 1\nB: 2")), "A: 1\r\nB: 2\r\n"); // no blank line, no final line end
    EXPECT_EQ(U8(HeaderBlock("\r\nbody")), "");
}
