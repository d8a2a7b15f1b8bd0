// Hostile and broken bodies: each gives a document with the links a browser would find, and never a crash,
// a hang or a runaway in memory (the sizes here are those a hostile message can reach).
#include "html/HtmlTestUtil.h"

using namespace html_test;
using ::testing::ElementsAre;

namespace {

std::u16string Repeat(std::u16string_view piece, size_t times)
{
    std::u16string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(HtmlBadInput, UnterminatedTagsAndAttributes)
{
    EXPECT_THAT(Hrefs(Load(u"<a href=\"http://open.example/\">never closed")), ElementsAre("http://open.example/"));
    // A quote never closed swallows the rest: there is no element.
    EXPECT_THAT(Hrefs(Load(u"<a href=\"http://h.example/ <b>x</b>")), ElementsAre());
    EXPECT_THAT(Hrefs(Load(u"<a href=http://bare.example/x>y</a><a href")), ElementsAre("http://bare.example/x"));
    // An anchor inside an anchor closes the first one.
    CComPtr<IHTMLDocument2> doc = Load(u"<a href=\"1\">one<a href=\"2\">two</a>");
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(2, Length(links));
    EXPECT_EQ("one", InnerText(Item(links, 0)));
    EXPECT_EQ("two", InnerText(Item(links, 1)));
}

TEST(HtmlBadInput, NulCharactersAndLoneSurrogates)
{
    std::u16string body = u"<a href=\"http://h.example/a";
    body += u'\0';
    body += u"b\">x";
    body += char16_t(0xD800); // high half alone
    body += u"y";
    body += char16_t(0xDC00); // low half alone
    body += u"</a><a href=\"http://h.example/\xD83D\xDE00\">\xDBFF";
    CComPtr<IHTMLDocument2> doc = Load(body);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(2, Length(links));
    EXPECT_EQ("http://h.example/a\xEF\xBF\xBD" "b", Attribute(Item(links, 0), u"href", 2));
    EXPECT_EQ("x\xEF\xBF\xBDy\xEF\xBF\xBD", InnerText(Item(links, 0)));
    EXPECT_EQ("http://h.example/\xF0\x9F\x98\x80", Attribute(Item(links, 1), u"href", 2));
}

TEST(HtmlBadInput, DeepNestingAndManyAnchors)
{
    // Tables 1,000 deep, then a link; and elements nested 10,000 deep.
    std::u16string tables = Repeat(u"<table><tr><td>", 1000) + u"<a href=\"http://deep.example/\">deep</a>";
    EXPECT_THAT(Hrefs(Load(tables)), ElementsAre("http://deep.example/"));
    std::u16string divs = Repeat(u"<div><span>", 5000) + u"<a href=\"http://deeper.example/\">x</a>";
    EXPECT_THAT(Hrefs(Load(divs)), ElementsAre("http://deeper.example/"));

    CComPtr<IHTMLDocument2> doc = Load(Repeat(u"<a href=\"http://h.example/p\">link text</a> ", 100000));
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(100000, Length(links));
    CComPtr<IHTMLElement> last = Item(links, 99999);
    EXPECT_EQ("http://h.example/p", Attribute(last, u"href", 4));
    EXPECT_EQ("link text", InnerText(last));
}

TEST(HtmlBadInput, NestingThatWouldKeepTheParserBusyForHoursStillGivesItsLinks)
{
    // Each list item opens inside the last: tree building is quadratic in the depth, so the document is
    // read again as links and text only.
    std::u16string body;
    for (int i = 0; i < 400; ++i)
        body += Repeat(u"<ul><li>", 1000) + u"<a href=\"http://h.example/" + pal::ToWide(std::to_string(i)) +
                u"\">item <b>" + pal::ToWide(std::to_string(i)) + u"</b></a><!-- <a href=\"x\"> -->";
    CComPtr<IHTMLDocument2> doc = Load(body);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(400, Length(links));
    EXPECT_EQ("http://h.example/399", Attribute(Item(links, 399), u"href", 4));
    EXPECT_EQ("item 399", InnerText(Item(links, 399)));
}

TEST(HtmlBadInput, LargeBodyWithLongAddresses)
{
    // About 20 MB of text around anchors with 10,000-character addresses.
    std::u16string address = u"http://h.example/" + std::u16string(10000, u'x');
    std::u16string filler(1 << 20, u'y');
    std::u16string body;
    for (int i = 0; i < 10; ++i)
        body += u"<p>" + filler + u"</p><a href=\"" + address + u"\">" + filler + u"</a>";
    CComPtr<IHTMLDocument2> doc = Load(body);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(10, Length(links));
    EXPECT_EQ(pal::ToUtf8(address), Attribute(Item(links, 9), u"href", 4));
    EXPECT_EQ(size_t(1 << 20), InnerText(Item(links, 9)).size());
}

TEST(HtmlBadInput, ConditionalCommentsThatDoNotEnd)
{
    // Unterminated or malformed conditions leave the text to the parser, which sees comments.
    EXPECT_THAT(Hrefs(Load(u"<!--[if IE]><a href=\"http://x.example/\">x</a>")), ElementsAre());
    EXPECT_THAT(Hrefs(Load(u"<!--[if (IE]><a href=\"http://x.example/\">x</a><![endif]-->")), ElementsAre());
    EXPECT_THAT(Hrefs(Load(u"<!--[if " + Repeat(u"!", 10000) + u"IE]><a href=\"1\">x</a><![endif]-->")),
                ElementsAre());
    EXPECT_THAT(Hrefs(Load(u"<!--[if lt IE 9]><a href=\"http://old.example/\">x</a><![endif]-->"
                           u"<!--[if gte IE 9]><a href=\"http://new.example/\">x</a><![endif]-->")),
                ElementsAre("http://old.example/"));
}

} // namespace
