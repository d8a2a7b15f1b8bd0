// The HTML document engine as the link extraction uses it: write, close, the links collection, getAttribute
// with its flags and innerText, on small documents whose answers the engine's documented behaviour gives.
#include "html/HtmlTestUtil.h"

using namespace html_test;
using ::testing::ElementsAre;

namespace {

TEST(HtmlDocument, CreatedInProcessWithItsInterfaces)
{
    CComPtr<IHTMLDocument2> doc = NewDocument();
    ASSERT_TRUE(doc);
    CComPtr<IHTMLDocument> base;
    EXPECT_EQ(S_OK, doc->QueryInterface(IID_IHTMLDocument, reinterpret_cast<void**>(&base)));
    CComPtr<IDispatch> disp;
    EXPECT_EQ(S_OK, doc->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)));
    CComPtr<IHTMLElement> notDocument;
    EXPECT_EQ(E_NOINTERFACE, doc->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&notDocument)));
    // What the engine does not provide says so rather than crashing.
    CComPtr<IHTMLElement> body;
    EXPECT_EQ(E_NOTIMPL, doc->get_body(&body));
    CLSID byName{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"htmlfile", &byName));
    EXPECT_TRUE(byName == CLSID_HTMLDocument);
}

TEST(HtmlDocument, WritesAppendUntilCloseAndAWriteAfterCloseStartsOver)
{
    CComPtr<IHTMLDocument2> doc = NewDocument();
    ASSERT_TRUE(doc);
    EXPECT_EQ(S_OK, doc->write(nullptr));
    EXPECT_EQ(S_OK, Write(doc, u"<html><head><title>t</title></head><body><a hr"));
    EXPECT_EQ(S_OK, Write(doc, u"ef=\"http://one.example/\">one</a>"));
    EXPECT_EQ(S_OK, Write(doc, u"</body></html>"));
    EXPECT_EQ(S_OK, doc->close());
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://one.example/"));

    EXPECT_EQ(S_OK, Write(doc, u"<a href=\"http://two.example/\">two</a>"));
    EXPECT_EQ(S_OK, doc->close());
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://two.example/"));
}

TEST(HtmlDocument, ArraysOfOtherShapesOrValues)
{
    CComPtr<IHTMLDocument2> doc = NewDocument();
    ASSERT_TRUE(doc);
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 1);
    EXPECT_EQ(E_INVALIDARG, doc->write(strings));
    SafeArrayDestroy(strings);
    // Several variants are written one after the other; a number is written as its text.
    SAFEARRAY* parts = SafeArrayCreateVector(VT_VARIANT, 0, 3);
    VARIANT* items = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(parts, reinterpret_cast<void**>(&items)));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocString(u"<a href=\"http://h.example/");
    items[1].vt = VT_I4;
    items[1].lVal = 42;
    items[2].vt = VT_BSTR;
    items[2].bstrVal = SysAllocString(u"\">x</a>");
    SafeArrayUnaccessData(parts);
    EXPECT_EQ(S_OK, doc->write(parts));
    SafeArrayDestroy(parts);
    EXPECT_EQ(S_OK, doc->close());
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://h.example/42"));
}

TEST(HtmlLinks, AnchorsWithHrefAndAreasInDocumentOrder)
{
    CComPtr<IHTMLDocument2> doc = Load(
        u"<html><head><link id=\"linkid\" rel=\"stylesheet\" href=\"http://style.example/s.css\"></head><body>"
        u"<a id=\"a\" href=\"http://test\" name=\"x\">link</a><a name=\"top\">no href</a>"
        u"<map><area id=\"area\" href=\"http://area.example/\"><area shape=\"rect\"></map>"
        u"<A HREF=\"http://last.example/\">last</A></body></html>");
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(4, Length(links));
    EXPECT_EQ("A", TagName(Item(links, 0)));
    EXPECT_EQ("AREA", TagName(Item(links, 1)));
    EXPECT_EQ("AREA", TagName(Item(links, 2)));
    EXPECT_EQ("<null>", Attribute(Item(links, 2), u"href", 4));
    EXPECT_EQ("http://last.example/", Attribute(Item(links, 3), u"href", 4));

    // Past the end there is no element; a negative index is refused.
    VARIANT index, empty;
    VariantInit(&empty);
    index.vt = VT_I4;
    index.lVal = 4;
    IDispatch* disp = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(S_OK, links->item(index, empty, &disp));
    EXPECT_EQ(nullptr, disp);
    index.lVal = -1;
    EXPECT_EQ(E_INVALIDARG, links->item(index, empty, &disp));
    // By id.
    VARIANT name;
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(u"area");
    CComPtr<IDispatch> byId;
    EXPECT_EQ(S_OK, links->item(name, empty, &byId));
    VariantClear(&name);
    CComPtr<IHTMLElement> area;
    ASSERT_TRUE(byId);
    ASSERT_EQ(S_OK, byId->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&area)));
    EXPECT_EQ("AREA", TagName(area));
}

TEST(HtmlLinks, OnlyMarkupThatBecomesElements)
{
    // noscript content is not parsed (scripting is on); a conditional comment for IE is mark-up, one for
    // another reader is a comment; a down-level-revealed block is ordinary mark-up.
    CComPtr<IHTMLDocument2> doc = Load(
        u"<div>test</div><noscript><a href=\"http://noscript.example/\">A</a></noscript>"
        u"<!--[if IE]><a href=\"http://ie.example/\">ie</a><![endif]-->"
        u"<!--[if gte mso 9]><a href=\"http://mso.example/\">mso</a><![endif]-->"
        u"<!--[if !mso]><!--><a href=\"http://notmso.example/\">not mso</a><!--<![endif]-->"
        u"<!-- <a href=\"http://comment.example/\">c</a> -->"
        u"<script>document.write('<a href=\"http://script.example/\">s</a>')</script>"
        u"<svg><a href=\"http://svg.example/\">svg</a></svg>");
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://ie.example/", "http://notmso.example/"));
}

TEST(HtmlAttributes, FlagsAndBaseResolution)
{
    struct Case {
        const char16_t* markup;
        const char* asWritten; // flag 2
        const char* expanded;  // flag 4
    } cases[] = {
        {u"<a href=\"http://test\">", "http://test", "http://test/"},
        {u"<a href=\"http://test1:8080/\">", "http://test1:8080/", "http://test1:8080/"},
        {u"<base href=\"http://h.example/dir/\"><a href=\"page.html\">", "page.html", "http://h.example/dir/page.html"},
        {u"<base href=\"http://h.example/dir/sub/\"><a href=\"../up.html\">", "../up.html", "http://h.example/dir/up.html"},
        {u"<base href=\"http://h.example/p\"><a href=\"?q=1&amp;r=2\">", "?q=1&r=2", "http://h.example/p?q=1&r=2"},
        {u"<base href=\"http://winehq.org/test?query\"><a href=\"testing\">", "testing", "http://winehq.org/testing"},
        {u"<base href=\"http://winehq.org/dir/test?querystring\"><a href=\"#hash\">", "#hash",
         "http://winehq.org/dir/test?querystring#hash"},
        {u"<base href=\"https://winehq.org/a/\"><a href=\"//winehq.com/#hash\">", "//winehq.com/#hash",
         "https://winehq.com/#hash"},
        {u"<a href=\"#top\">", "#top", "about:blank#top"},
        {u"<a href=\"page.html\">", "page.html", "about:page.html"},
        {u"<a href=\"  http://h.example/x \">", "  http://h.example/x ", "http://h.example/x"},
        {u"<a href=\"http://h.example/a\tb\nc\">", "http://h.example/a\tb\nc", "http://h.example/abc"},
        {u"<base href=\"http://h.example/\"><a href=\"mailto:a@b.example\">", "mailto:a@b.example", "mailto:a@b.example"},
        // The first base counts.
        {u"<base href=\"http://first.example/\"><base href=\"http://second.example/\"><a href=\"x\">", "x",
         "http://first.example/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(pal::ToUtf8(c.markup));
        CComPtr<IHTMLDocument2> doc = Load(std::u16string(c.markup) + u"text</a>");
        CComPtr<IHTMLElementCollection> links = Links(doc);
        ASSERT_EQ(1, Length(links));
        CComPtr<IHTMLElement> a = Item(links, 0);
        EXPECT_EQ(c.asWritten, Attribute(a, u"href", 2));
        EXPECT_EQ(c.expanded, Attribute(a, u"href", 4));
        // A written document is in quirks mode, where flag 0 expands an address too.
        EXPECT_EQ(c.expanded, Attribute(a, u"href", 0));
    }
}

TEST(HtmlAttributes, NamesIgnoreCaseUnlessAskedAndMissingIsNull)
{
    CComPtr<IHTMLDocument2> doc = Load(u"<a HREF=\"http://h.example/\" Title=\"T &lt;1&gt;\" id=\"i\">x</a>");
    CComPtr<IHTMLElement> a = Item(Links(doc), 0);
    ASSERT_TRUE(a);
    EXPECT_EQ("http://h.example/", Attribute(a, u"hRef", 4));
    EXPECT_EQ("T <1>", Attribute(a, u"TITLE", 0));
    EXPECT_EQ("<null>", Attribute(a, u"Title", 1));
    EXPECT_EQ("T <1>", Attribute(a, u"title", 1));
    EXPECT_EQ("<null>", Attribute(a, u"notAnAttribute", 0));
    VARIANT v;
    EXPECT_EQ(E_POINTER, a->getAttribute(nullptr, 0, nullptr));
    EXPECT_EQ(E_INVALIDARG, a->getAttribute(nullptr, 0, &v));
    BSTR id = nullptr;
    EXPECT_EQ(S_OK, a->get_id(&id));
    EXPECT_EQ(u"i", std::u16string(id ? id : u""));
    SysFreeString(id);
}

TEST(HtmlInnerText, RenderedTextOfEachLink)
{
    CComPtr<IHTMLDocument2> doc = Load(
        u"<a href=\"1\">test \na<font size=\"2\">bc\t123<br /> it's\r\n  \t</font>text<br /></a>"
        u"<a href=\"2\"><b>bold</b> text</a>"
        u"<a href=\"3\">  spaced   out  </a>"
        u"<a href=\"4\"><img src=\"x.png\"></a>"
        u"<a href=\"5\">a<script>var hidden;</script><style>p{}</style>b</a>"
        u"<a href=\"6\">caf\u00e9 \U0001F377</a>"
        u"<table><tr><td><a href=\"7\">in a cell</a></td></tr></table>");
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(7, Length(links));
    EXPECT_EQ("test abc 123\r\nit's text", InnerText(Item(links, 0)));
    EXPECT_EQ("bold text", InnerText(Item(links, 1)));
    EXPECT_EQ("spaced out", InnerText(Item(links, 2)));
    BSTR none = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, Item(links, 3)->get_innerText(&none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ("ab", InnerText(Item(links, 4)));
    EXPECT_EQ("caf\xC3\xA9 \xF0\x9F\x8D\xB7", InnerText(Item(links, 5)));
    EXPECT_EQ("in a cell", InnerText(Item(links, 6)));
}

} // namespace
