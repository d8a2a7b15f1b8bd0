// The HTML document engine as the link extraction uses it: write, close, the links collection, getAttribute
// with its flags and innerText, on small documents whose answers the engine's documented behaviour gives.
#include "HtmlTestUtil.h"
#include "support/TestPrefix.h"

using namespace html_test;
using ::testing::ElementsAre;

namespace {

using HtmlDocument = HtmlEngineTest;
using HtmlLinks = HtmlEngineTest;
using HtmlAttributes = HtmlEngineTest;
using HtmlInnerText = HtmlEngineTest;

TEST_F(HtmlDocument, CreatedInProcessWithItsInterfaces)
{
    CComPtr<IHTMLDocument2> doc = NewDocument();
    ASSERT_TRUE(doc);
    CComPtr<IHTMLDocument> base;
    EXPECT_EQ(S_OK, doc->QueryInterface(IID_IHTMLDocument, reinterpret_cast<void**>(&base)));
    CComPtr<IDispatch> disp;
    EXPECT_EQ(S_OK, doc->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)));
    CComPtr<IHTMLElement> notDocument;
    EXPECT_EQ(E_NOINTERFACE, doc->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&notDocument)));
#ifndef _WIN32
    // What the layer's engine does not provide says so rather than crashing.
    CComPtr<IHTMLElement> body;
    EXPECT_EQ(E_NOTIMPL, doc->get_body(&body));
    testing_support::AcceptReachedStubs();
#endif
    CLSID byName{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(W("htmlfile"), &byName));
    EXPECT_TRUE(byName == __uuidof(HTMLDocument));
}

TEST_F(HtmlDocument, WritesAppendUntilCloseAndAWriteAfterCloseStartsOver)
{
    CComPtr<IHTMLDocument2> doc = NewDocument();
    ASSERT_TRUE(doc);
    EXPECT_EQ(S_OK, doc->write(nullptr));
    EXPECT_EQ(S_OK, Write(doc, W("<html><head><title>t</title></head><body><a hr")));
    EXPECT_EQ(S_OK, Write(doc, W("ef=\"http://one.example/\">one</a>")));
    EXPECT_EQ(S_OK, Write(doc, W("</body></html>")));
    EXPECT_EQ(S_OK, doc->close());
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://one.example/"));

    EXPECT_EQ(S_OK, Write(doc, W("<a href=\"http://two.example/\">two</a>")));
    EXPECT_EQ(S_OK, doc->close());
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://two.example/"));
}

TEST_F(HtmlDocument, ArraysOfOtherShapesOrValues)
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
    items[0].bstrVal = SysAllocString(W("<a href=\"http://h.example/"));
    items[1].vt = VT_I4;
    items[1].lVal = 42;
    items[2].vt = VT_BSTR;
    items[2].bstrVal = SysAllocString(W("\">x</a>"));
    SafeArrayUnaccessData(parts);
    EXPECT_EQ(S_OK, doc->write(parts));
    SafeArrayDestroy(parts);
    EXPECT_EQ(S_OK, doc->close());
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://h.example/42"));
}

TEST_F(HtmlLinks, AnchorsWithHrefAndAreasInDocumentOrder)
{
    CComPtr<IHTMLDocument2> doc = Load(
        W("<html><head><link id=\"linkid\" rel=\"stylesheet\" href=\"http://style.example/s.css\"></head><body>")
        W("<a id=\"a\" href=\"http://test\" name=\"x\">link</a><a name=\"top\">no href</a>")
        W("<map><area id=\"area\" href=\"http://area.example/\"><area shape=\"rect\"></map>")
        W("<A HREF=\"http://last.example/\">last</A></body></html>"));
    CComPtr<IHTMLElementCollection> links = Links(doc);
    ASSERT_EQ(4, Length(links));
    EXPECT_EQ("A", TagName(Item(links, 0)));
    EXPECT_EQ("AREA", TagName(Item(links, 1)));
    EXPECT_EQ("AREA", TagName(Item(links, 2)));
    EXPECT_EQ("<null>", Attribute(Item(links, 2), W("href"), 4));
    EXPECT_EQ("http://last.example/", Attribute(Item(links, 3), W("href"), 4));

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
    name.bstrVal = SysAllocString(W("area"));
    CComPtr<IDispatch> byId;
    EXPECT_EQ(S_OK, links->item(name, empty, &byId));
    VariantClear(&name);
    CComPtr<IHTMLElement> area;
    ASSERT_TRUE(byId);
    ASSERT_EQ(S_OK, byId->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&area)));
    EXPECT_EQ("AREA", TagName(area));
}

TEST_F(HtmlLinks, OnlyMarkupThatBecomesElements)
{
    // noscript content is not parsed (scripting is on); a conditional comment for IE is mark-up, one for
    // another reader is a comment; a down-level-revealed block is ordinary mark-up.
    CComPtr<IHTMLDocument2> doc = Load(
        W("<div>test</div><noscript><a href=\"http://noscript.example/\">A</a></noscript>")
        W("<!--[if IE]><a href=\"http://ie.example/\">ie</a><![endif]-->")
        W("<!--[if gte mso 9]><a href=\"http://mso.example/\">mso</a><![endif]-->")
        W("<!--[if !mso]><!--><a href=\"http://notmso.example/\">not mso</a><!--<![endif]-->")
        W("<!-- <a href=\"http://comment.example/\">c</a> -->")
        W("<script>document.write('<a href=\"http://script.example/\">s</a>')</script>")
        W("<svg><a href=\"http://svg.example/\">svg</a></svg>"));
    EXPECT_THAT(Hrefs(doc), ElementsAre("http://ie.example/", "http://notmso.example/"));
}

TEST_F(HtmlAttributes, FlagsAndBaseResolution)
{
    struct Case {
        const WCHAR* markup;
        const char* asWritten; // flag 2
        const char* expanded;  // flag 4
    } cases[] = {
        {W("<a href=\"http://test\">"), "http://test", "http://test/"},
        {W("<a href=\"http://test1:8080/\">"), "http://test1:8080/", "http://test1:8080/"},
        {W("<base href=\"http://h.example/dir/\"><a href=\"page.html\">"), "page.html", "http://h.example/dir/page.html"},
        {W("<base href=\"http://h.example/dir/sub/\"><a href=\"../up.html\">"), "../up.html", "http://h.example/dir/up.html"},
        {W("<base href=\"http://h.example/p\"><a href=\"?q=1&amp;r=2\">"), "?q=1&r=2", "http://h.example/p?q=1&r=2"},
        {W("<base href=\"http://winehq.org/test?query\"><a href=\"testing\">"), "testing", "http://winehq.org/testing"},
        {W("<base href=\"http://winehq.org/dir/test?querystring\"><a href=\"#hash\">"), "#hash",
         "http://winehq.org/dir/test?querystring#hash"},
        {W("<base href=\"https://winehq.org/a/\"><a href=\"//winehq.com/#hash\">"), "//winehq.com/#hash",
         "https://winehq.com/#hash"},
        {W("<a href=\"#top\">"), "#top", "about:blank#top"},
        {W("<a href=\"page.html\">"), "page.html", "about:page.html"},
        {W("<a href=\"  http://h.example/x \">"), "  http://h.example/x ", "http://h.example/x"},
        {W("<a href=\"http://h.example/a\tb\nc\">"), "http://h.example/a\tb\nc", "http://h.example/abc"},
        {W("<base href=\"http://h.example/\"><a href=\"mailto:a@b.example\">"), "mailto:a@b.example", "mailto:a@b.example"},
        // An address the URL parser takes but cannot give an absolute form of stays as resolved.
        {W("<a href=\"http:void(0)' title=t>z\">"), "http:void(0)' title=t>z", "http:void(0)' title=t>z"},
        // The first base counts.
        {W("<base href=\"http://first.example/\"><base href=\"http://second.example/\"><a href=\"x\">"), "x",
         "http://first.example/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(pal::ToUtf8(c.markup));
        CComPtr<IHTMLDocument2> doc = Load(WString(c.markup) + W("text</a>"));
        CComPtr<IHTMLElementCollection> links = Links(doc);
        ASSERT_EQ(1, Length(links));
        CComPtr<IHTMLElement> a = Item(links, 0);
        EXPECT_EQ(c.asWritten, Attribute(a, W("href"), 2));
        EXPECT_EQ(c.expanded, Attribute(a, W("href"), 4));
        // A written document is in quirks mode, where flag 0 expands an address too.
        EXPECT_EQ(c.expanded, Attribute(a, W("href"), 0));
    }
}

TEST_F(HtmlAttributes, NamesIgnoreCaseUnlessAskedAndMissingIsNull)
{
    CComPtr<IHTMLDocument2> doc = Load(W("<a HREF=\"http://h.example/\" Title=\"T &lt;1&gt;\" id=\"i\">x</a>"));
    CComPtr<IHTMLElement> a = Item(Links(doc), 0);
    ASSERT_TRUE(a);
    EXPECT_EQ("http://h.example/", Attribute(a, W("hRef"), 4));
    EXPECT_EQ("T <1>", Attribute(a, W("TITLE"), 0));
    EXPECT_EQ("<null>", Attribute(a, W("Title"), 1));
    EXPECT_EQ("T <1>", Attribute(a, W("title"), 1));
    EXPECT_EQ("<null>", Attribute(a, W("notAnAttribute"), 0));
    VARIANT v;
    EXPECT_EQ(E_POINTER, a->getAttribute(nullptr, 0, nullptr));
    EXPECT_EQ(E_INVALIDARG, a->getAttribute(nullptr, 0, &v));
    BSTR id = nullptr;
    EXPECT_EQ(S_OK, a->get_id(&id));
    EXPECT_EQ(W("i"), WString(id ? id : W("")));
    SysFreeString(id);
}

TEST_F(HtmlInnerText, RenderedTextOfEachLink)
{
    CComPtr<IHTMLDocument2> doc = Load(
        W("<a href=\"1\">test \na<font size=\"2\">bc\t123<br /> it's\r\n  \t</font>text<br /></a>")
        W("<a href=\"2\"><b>bold</b> text</a>")
        W("<a href=\"3\">  spaced   out  </a>")
        W("<a href=\"4\"><img src=\"x.png\"></a>")
        W("<a href=\"5\">a<script>var hidden;</script><style>p{}</style>b</a>")
        W("<a href=\"6\">caf\u00e9 \U0001F377</a>")
        W("<table><tr><td><a href=\"7\">in a cell</a></td></tr></table>"));
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
