// The customUI document as the host reads it, and the UTF-8 conversions the host's output goes through.
#include <gtest/gtest.h>

#include "host/ribbon/CustomUIXml.h"
#include "host/ribbon/RibbonModel.h"
#include "host/text/Utf.h"

namespace {

TEST(CustomUIXml, ElementsWithTheirAttributesButNotNamespaceDeclarationsOrText)
{
    ribbon::XmlElement root;
    std::string error;
    ASSERT_TRUE(ribbon::ReadXmlDocument(
        "<?xml version=\"1.0\"?>\n<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\" "
        "xmlns:x=\"urn:x\" onLoad=\"OnLoad\"><!-- c --><ribbon>text<tabs><tab id=\"t_1000\" label=\"A &amp; B\"/>"
        "</tabs></ribbon></customUI>",
        root, error))
        << error;
    EXPECT_EQ("customUI", root.name);
    ASSERT_EQ(1u, root.attributes.size());
    EXPECT_EQ("onLoad", root.attributes[0].first);
    ASSERT_EQ(1u, root.children.size());
    const ribbon::XmlElement& tab = root.children[0].children.at(0).children.at(0);
    EXPECT_EQ("tab", tab.name);
    ASSERT_EQ(2u, tab.attributes.size());
    EXPECT_EQ("A & B", tab.attributes[1].second);
}

TEST(CustomUIXml, BrokenDocumentsAreRefusedWithAReason)
{
    for (const char* xml : {"", "<customUI>", "<a></b>", "text only", "<a x='1' x='2'/>"}) {
        ribbon::XmlElement root;
        std::string error;
        EXPECT_FALSE(ribbon::ReadXmlDocument(xml, root, error)) << xml;
        EXPECT_EQ(0u, error.rfind("the customUI document is not well-formed XML", 0)) << error;
    }
    ribbon::Ribbon ribbon;
    std::string error;
    EXPECT_FALSE(ribbon::ParseCustomUI("<other/>", ribbon, error));
    EXPECT_EQ("the document's root element is not customUI", error);
}

// An external entity is neither fetched nor expanded: the document comes from the add-in.
TEST(CustomUIXml, NothingIsFetched)
{
    ribbon::Ribbon ribbon;
    std::string error;
    bool read = ribbon::ParseCustomUI(
        "<!DOCTYPE customUI [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
        "<customUI><ribbon><tabs><tab id=\"t\" label=\"&e;\"/></tabs></ribbon></customUI>",
        ribbon, error);
    if (read) {
        ASSERT_EQ(1u, ribbon.tabs.size());
        EXPECT_EQ(std::string::npos, ribbon.tabs[0].label.value_or("").find("root:")) << *ribbon.tabs[0].label;
    }
}

TEST(HostText, Utf8RoundTripsAndNullIsEmpty)
{
    const std::string text = "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x8D\xB7";
    WString wide = host::Wide(text);
    EXPECT_EQ(11u, wide.size()); // the wine glass is a surrogate pair
    EXPECT_EQ(text, host::Utf8(wide));
    EXPECT_EQ("", host::Utf8(static_cast<const WCHAR*>(nullptr)));
    EXPECT_EQ(WString(), host::Wide(""));
}

} // namespace
