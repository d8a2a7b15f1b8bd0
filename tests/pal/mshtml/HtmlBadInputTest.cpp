// Hostile and broken bodies: each gives a document with the links a browser would find, and never a crash,
// a hang or a runaway in memory (the sizes here are those a hostile message can reach).
#include "HtmlTestUtil.h"

using namespace html_test;
using ::testing::ElementsAre;

namespace {

WString Repeat(WStringView piece, size_t times)
{
    WString out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(HtmlBadInput, UnterminatedTagsAndAttributes)
{
    EXPECT_THAT(Hrefs(Load(W("<a href=\"http://open.example/\">never closed"))), ElementsAre("http://open.example/"));
    // A quote never closed swallows the rest: there is no element.
    EXPECT_THAT(Hrefs(Load(W("<a href=\"http://h.example/ <b>x</b>"))), ElementsAre());
    EXPECT_THAT(Hrefs(Load(W("<a href=http://bare.example/x>y</a><a href"))), ElementsAre("http://bare.example/x"));
    // An anchor inside an anchor closes the first one.
    CComPtr<IHTMLDocument2> doc = Load(W("<a href=\"1\">one<a href=\"2\">two</a>"));
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(2, Length(links));
    EXPECT_EQ("one", InnerText(Item(links, 0)));
    EXPECT_EQ("two", InnerText(Item(links, 1)));
}

TEST(HtmlBadInput, NulCharactersAndLoneSurrogates)
{
    WString body = W("<a href=\"http://h.example/a");
    body += W('\0');
    body += W("b\">x");
    body += WCHAR(0xD800); // high half alone
    body += W("y");
    body += WCHAR(0xDC00); // low half alone
    body += W("</a><a href=\"http://h.example/\xD83D\xDE00\">\xDBFF");
    CComPtr<IHTMLDocument2> doc = Load(body);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(2, Length(links));
    EXPECT_EQ("http://h.example/a\xEF\xBF\xBD" "b", Attribute(Item(links, 0), W("href"), 2));
    EXPECT_EQ("x\xEF\xBF\xBDy\xEF\xBF\xBD", InnerText(Item(links, 0)));
    EXPECT_EQ("http://h.example/\xF0\x9F\x98\x80", Attribute(Item(links, 1), W("href"), 2));
}

TEST(HtmlBadInput, DeepNestingAndManyAnchors)
{
    // Tables 1,000 deep, then a link; and elements nested 10,000 deep.
    WString tables = Repeat(W("<table><tr><td>"), 1000) + W("<a href=\"http://deep.example/\">deep</a>");
    EXPECT_THAT(Hrefs(Load(tables)), ElementsAre("http://deep.example/"));
    WString divs = Repeat(W("<div><span>"), 5000) + W("<a href=\"http://deeper.example/\">x</a>");
    EXPECT_THAT(Hrefs(Load(divs)), ElementsAre("http://deeper.example/"));

    CComPtr<IHTMLDocument2> doc = Load(Repeat(W("<a href=\"http://h.example/p\">link text</a> "), 100000));
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(100000, Length(links));
    CComPtr<IHTMLElement> last = Item(links, 99999);
    EXPECT_EQ("http://h.example/p", Attribute(last, W("href"), 4));
    EXPECT_EQ("link text", InnerText(last));
}

TEST(HtmlBadInput, NestingThatWouldKeepTheParserBusyForHoursStillGivesItsLinks)
{
    // Each list item opens inside the last: tree building is quadratic in the depth, so the document is
    // read again as links and text only.
    WString body;
    for (int i = 0; i < 400; ++i)
        body += Repeat(W("<ul><li>"), 1000) + W("<a href=\"http://h.example/") + pal::ToWide(std::to_string(i)) +
                W("\">item <b>") + pal::ToWide(std::to_string(i)) + W("</b></a><!-- <a href=\"x\"> -->");
    CComPtr<IHTMLDocument2> doc = Load(body);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(400, Length(links));
    EXPECT_EQ("http://h.example/399", Attribute(Item(links, 399), W("href"), 4));
    EXPECT_EQ("item 399", InnerText(Item(links, 399)));
}

TEST(HtmlBadInput, LargeBodyWithLongAddresses)
{
    // About 20 MB of text around anchors with 10,000-character addresses.
    WString address = W("http://h.example/") + WString(10000, W('x'));
    WString filler(1 << 20, W('y'));
    WString body;
    for (int i = 0; i < 10; ++i)
        body += W("<p>") + filler + W("</p><a href=\"") + address + W("\">") + filler + W("</a>");
    CComPtr<IHTMLDocument2> doc = Load(body);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(10, Length(links));
    EXPECT_EQ(pal::ToUtf8(address), Attribute(Item(links, 9), W("href"), 4));
    EXPECT_EQ(size_t(1 << 20), InnerText(Item(links, 9)).size());
}

TEST(HtmlBadInput, ConditionalCommentsThatDoNotEnd)
{
    // Unterminated or malformed conditions leave the text to the parser, which sees comments.
    EXPECT_THAT(Hrefs(Load(W("<!--[if IE]><a href=\"http://x.example/\">x</a>"))), ElementsAre());
    EXPECT_THAT(Hrefs(Load(W("<!--[if (IE]><a href=\"http://x.example/\">x</a><![endif]-->"))), ElementsAre());
    EXPECT_THAT(Hrefs(Load(W("<!--[if ") + Repeat(W("!"), 10000) + W("IE]><a href=\"1\">x</a><![endif]-->"))),
                ElementsAre());
    EXPECT_THAT(Hrefs(Load(W("<!--[if lt IE 9]><a href=\"http://old.example/\">x</a><![endif]-->")
                           W("<!--[if gte IE 9]><a href=\"http://new.example/\">x</a><![endif]-->"))),
                ElementsAre("http://old.example/"));
}

} // namespace
