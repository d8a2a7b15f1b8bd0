// Real bodies: the HTML of the corpus messages, read through the host's message store, written into a
// document as the add-in writes it.
#include "HtmlTestUtil.h"

#include <filesystem>
#include <regex>

#include "host/store/Message.h"

using namespace html_test;

namespace {

std::shared_ptr<store::Message> LoadCorpus(const std::string& name)
{
    std::string error;
    auto m = store::LoadMessageFile(std::string(VANTORA_CORPUS_DIR) + "/eml/" + name, error);
    EXPECT_TRUE(m) << error;
    return m;
}

// An independent count: anchors with an href attribute and image-map areas, by a plain pattern over the source.
size_t AnchorsWithHref(const WString& html)
{
    std::string text = pal::ToUtf8(html);
    static const std::regex anchor("<a\\s[^>]*href\\s*=|<area[\\s>]", std::regex::icase);
    return size_t(std::distance(std::sregex_iterator(text.begin(), text.end(), anchor), std::sregex_iterator()));
}

TEST(HtmlCorpus, NewsletterWithSeventyAnchors)
{
    auto message = LoadCorpus("mail-error_emails-content_transfer_encoding_with_8bits.eml");
    ASSERT_TRUE(message);
    ASSERT_FALSE(message->html.empty());
    CComPtr<IHTMLDocument2> doc = Load(message->html);
    std::vector<std::string> hrefs = Hrefs(doc);
    EXPECT_EQ(AnchorsWithHref(message->html), hrefs.size());
    ASSERT_GE(hrefs.size(), 70u);
    // The image map's area comes first, its address in canonical form.
    EXPECT_EQ("http://www.provantage.com/", hrefs[0]);
    EXPECT_EQ("http://www.provantage.com/scripts/go.dll/e13011_RD/e13011", hrefs[1]);
    EXPECT_EQ("http://www.provantage.com/unsubscribe.htm", hrefs[2]);
    CComPtr<IHTMLElementCollection> links = Links(doc);
    EXPECT_EQ("AREA", TagName(Item(links, 0)));
    CComPtr<IHTMLElement> unsubscribe = Item(links, 2);
    EXPECT_EQ("_top", Attribute(unsubscribe, W("target"), 2));
}

TEST(HtmlCorpus, EveryHtmlBodyGivesAbsoluteAddressesAndText)
{
    size_t bodies = 0, links = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VANTORA_CORPUS_DIR) + "/eml")) {
        if (entry.path().extension() != ".eml")
            continue;
        std::string error;
        auto message = store::LoadMessageFile(entry.path().string(), error);
        if (!message || message->html.empty())
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++bodies;
        CComPtr<IHTMLDocument2> doc = Load(message->html);
        CComPtr<IHTMLElementCollection> collection = Links(doc);
        LONG n = Length(collection);
        EXPECT_EQ(AnchorsWithHref(message->html) > 0, n > 0);
        for (LONG i = 0; i < n; ++i) {
            CComPtr<IHTMLElement> element = Item(collection, i);
            ASSERT_TRUE(element);
            std::string href = Attribute(element, W("href"), 4);
            // Expanded against about:blank at worst, never left relative.
            EXPECT_NE(std::string::npos, href.find(':')) << href;
            BSTR text = nullptr;
            EXPECT_EQ(S_OK, element->get_innerText(&text));
            SysFreeString(text);
            ++links;
        }
    }
    EXPECT_GT(bodies, 20u);
    EXPECT_GT(links, 150u);
}

} // namespace
