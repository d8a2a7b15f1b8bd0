// The MSXML DOM document: creation by ProgID, building a tree, and the xml property as MSXML writes it (no
// declaration, no indentation, a line break after each top-level node).
#include <gtest/gtest.h>

#include <windows.h>
#include <atlbase.h>
#include <msxml6.h>

#include "pal/host.h"
#include "support/Wine.h"

namespace {

CComPtr<IXMLDOMDocument> NewDocument()
{
    CComPtr<IXMLDOMDocument> document;
    EXPECT_EQ(S_OK, document.CoCreateInstance(W("msxml.domdocument")));
    return document;
}

CComPtr<IXMLDOMElement> NewElement(IXMLDOMDocument* document, const WCHAR* name)
{
    CComPtr<IXMLDOMElement> element;
    EXPECT_EQ(S_OK, document->createElement(CComBSTR(name), &element));
    return element;
}

std::string Xml(IXMLDOMNode* node)
{
    CComBSTR xml;
    EXPECT_EQ(S_OK, node->get_xml(&xml));
    return testing_support::WithoutWineIndentation(
        pal::ToUtf8(std::basic_string_view<WCHAR>(xml.m_str ? xml.m_str : W(""), xml.Length())));
}

HRESULT SetAttr(IXMLDOMElement* element, const WCHAR* name, const VARIANT& value)
{
    return element->setAttribute(CComBSTR(name), value);
}

} // namespace

TEST(DomDocument, CreatedByItsProgIdsInAnyCase)
{
    for (const WCHAR* progId : {W("msxml.domdocument"), W("Msxml.DOMDocument"), W("Microsoft.XMLDOM"),
                                W("Msxml2.DOMDocument.6.0")}) {
        CComPtr<IXMLDOMDocument> document;
        EXPECT_EQ(S_OK, document.CoCreateInstance(progId)) << pal::ToUtf8(progId);
        EXPECT_TRUE(document != nullptr);
    }
    CLSID clsid;
    EXPECT_EQ(S_OK, CLSIDFromProgID(W("MSXML.DOMDOCUMENT"), &clsid));
    // The version-independent class, as the system registers it (mingw-w64 has no CLSID_DOMDocument to link).
    const CLSID domDocument = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
    EXPECT_TRUE(clsid == domDocument);
    CComPtr<IXMLDOMElement> wrongInterface;
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLDOMElement),
                                              reinterpret_cast<void**>(&wrongInterface)));
}

TEST(DomDocument, SerialisesTheTreeAsMsxmlDoes)
{
    CComPtr<IXMLDOMDocument> document = NewDocument();
    EXPECT_EQ("", Xml(document));

    CComPtr<IXMLDOMElement> root = NewElement(document, W("customUI"));
    EXPECT_EQ(S_OK, SetAttr(root, W("xmlns"), CComVariant(W("http://schemas.microsoft.com/office/2006/01/customui"))));
    EXPECT_EQ(S_OK, SetAttr(root, W("onLoad"), CComVariant(W("OnLoadCB"))));
    CComPtr<IXMLDOMElement> ribbon = NewElement(document, W("ribbon"));
    CComPtr<IXMLDOMElement> tabs = NewElement(document, W("tabs"));
    CComPtr<IXMLDOMNode> appended;
    EXPECT_EQ(S_OK, ribbon->appendChild(tabs, &appended));
    EXPECT_TRUE(appended.IsEqualObject(tabs));
    EXPECT_EQ(S_OK, root->appendChild(ribbon, nullptr));
    EXPECT_EQ(S_OK, document->appendChild(root, nullptr));

    EXPECT_EQ("<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" onLoad=\"OnLoadCB\">"
              "<ribbon><tabs/></ribbon></customUI>\r\n",
              Xml(document));
    // An element alone has no trailing line break.
    EXPECT_EQ("<ribbon><tabs/></ribbon>", Xml(ribbon));
}

TEST(DomDocument, AttributesKeepTheirOrderAndTakeAnyVariant)
{
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> gallery = NewElement(document, W("gallery"));
    EXPECT_EQ(S_OK, SetAttr(gallery, W("id"), CComVariant(W("first"))));
    EXPECT_EQ(S_OK, SetAttr(gallery, W("columns"), CComVariant(1, VT_INT)));
    EXPECT_EQ(S_OK, SetAttr(gallery, W("offset"), CComVariant(-7)));
    // Setting an attribute again changes its value where it stands.
    EXPECT_EQ(S_OK, SetAttr(gallery, W("id"), CComVariant(W("second"))));
    EXPECT_EQ("<gallery id=\"second\" columns=\"1\" offset=\"-7\"/>", Xml(gallery));

    CComVariant value;
    EXPECT_EQ(S_OK, gallery->getAttribute(CComBSTR(W("columns")), &value));
    ASSERT_EQ(VT_BSTR, value.vt);
    EXPECT_EQ("1", pal::ToUtf8(value.bstrVal));
    CComVariant missing;
    EXPECT_EQ(S_FALSE, gallery->getAttribute(CComBSTR(W("rows")), &missing));
    EXPECT_EQ(VT_NULL, missing.vt);

    EXPECT_EQ(S_OK, gallery->removeAttribute(CComBSTR(W("columns"))));
    EXPECT_EQ("<gallery id=\"second\" offset=\"-7\"/>", Xml(gallery));
}

TEST(DomDocument, EscapesMarkupAndKeepsUnicodeText)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its xml property writes the characters beyond ASCII as character references "
                        "(&#xFC;), as libxml2 does without an encoding; the text Windows gives is UTF-16, which holds "
                        "them as they are";
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> button = NewElement(document, W("button"));
    EXPECT_EQ(S_OK, SetAttr(button, W("label"), CComVariant(W("R&D <\"Zürich\"> \u20AC"))));
    EXPECT_EQ("<button label=\"R&amp;D &lt;&quot;Z\xC3\xBCrich&quot;&gt; \xE2\x82\xAC\"/>", Xml(button));
}

TEST(DomDocument, RejectsAnEmptyName)
{
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> element;
    EXPECT_EQ(E_FAIL, document->createElement(CComBSTR(W("")), &element));
    EXPECT_TRUE(element == nullptr);
#ifndef _WIN32
    // The layer takes a null name as the empty one; Windows' answer is not observed (Wine's is E_INVALIDARG).
    EXPECT_EQ(E_FAIL, document->createElement(nullptr, &element));
#endif
}

TEST(DomDocument, ChecksNamesAndSaysWhy)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its createElement and setAttribute take any text as a name (it writes <ok 1st=\"x\" "
                        "=\"x\"/>); Windows checks the name and fails with E_FAIL and an error description";
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> element;
    EXPECT_EQ(E_FAIL, document->createElement(CComBSTR(W("two words")), &element));
    EXPECT_TRUE(element == nullptr);
    CComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    ASSERT_TRUE(info != nullptr);
    CComBSTR description;
    info->GetDescription(&description);
    EXPECT_GT(description.Length(), 0u);

    element = NewElement(document, W("ok"));
    EXPECT_EQ(E_FAIL, SetAttr(element, W("1st"), CComVariant(W("x"))));
    EXPECT_EQ(E_FAIL, SetAttr(element, W(""), CComVariant(W("x"))));
    EXPECT_EQ("<ok/>", Xml(element));
}

TEST(DomDocument, RefusesBrokenHierarchies)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its appendChild makes an element the child of its own child (and faults later); "
                        "Windows refuses such a hierarchy with E_FAIL";
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> parent = NewElement(document, W("parent"));
    CComPtr<IXMLDOMElement> child = NewElement(document, W("child"));
    EXPECT_EQ(S_OK, parent->appendChild(child, nullptr));
    EXPECT_EQ(E_FAIL, child->appendChild(parent, nullptr));
    EXPECT_EQ(E_FAIL, parent->appendChild(parent, nullptr));
    EXPECT_EQ(E_INVALIDARG, parent->appendChild(nullptr, nullptr));
    EXPECT_EQ(E_FAIL, parent->appendChild(document, nullptr));

    EXPECT_EQ(S_OK, document->appendChild(parent, nullptr));
    CComPtr<IXMLDOMElement> second = NewElement(document, W("second"));
    EXPECT_EQ(E_FAIL, document->appendChild(second, nullptr));
    // Appending the root again is allowed and changes nothing.
    EXPECT_EQ(S_OK, document->appendChild(parent, nullptr));
    EXPECT_EQ("<parent><child/></parent>\r\n", Xml(document));

    // A node of another document would need importing first.
    CComPtr<IXMLDOMDocument> other = NewDocument();
    CComPtr<IXMLDOMElement> foreign = NewElement(other, W("foreign"));
    EXPECT_EQ(E_INVALIDARG, parent->appendChild(foreign, nullptr));
}

TEST(DomDocument, AppendingMovesANodeAndRemovingDetachesIt)
{
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> a = NewElement(document, W("a"));
    CComPtr<IXMLDOMElement> b = NewElement(document, W("b"));
    CComPtr<IXMLDOMElement> c = NewElement(document, W("c"));
    EXPECT_EQ(S_OK, a->appendChild(c, nullptr));
    EXPECT_EQ(S_OK, b->appendChild(c, nullptr));
    EXPECT_EQ("<a/>", Xml(a));
    EXPECT_EQ("<b><c/></b>", Xml(b));

    CComPtr<IXMLDOMNode> removed;
    EXPECT_EQ(E_INVALIDARG, a->removeChild(c, &removed));
    EXPECT_EQ(S_OK, b->removeChild(c, &removed));
    EXPECT_TRUE(removed.IsEqualObject(c));
    EXPECT_EQ("<b/>", Xml(b));
    CComPtr<IXMLDOMNode> parent;
    EXPECT_EQ(S_FALSE, c->get_parentNode(&parent));
    EXPECT_TRUE(parent == nullptr);
    // The detached and never attached nodes are freed with the document (the sanitizer build checks).
}

TEST(DomDocument, NavigatesAndKeepsOneObjectPerNode)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its DOM gives a new object, with an IUnknown of its own, each time a node is reached; "
                        "Windows' MSXML keeps one object per node, which callers compare";
    CComPtr<IXMLDOMDocument> document = NewDocument();
    CComPtr<IXMLDOMElement> root = NewElement(document, W("root"));
    CComPtr<IXMLDOMElement> first = NewElement(document, W("first"));
    CComPtr<IXMLDOMElement> last = NewElement(document, W("last"));
    root->appendChild(first, nullptr);
    root->appendChild(last, nullptr);

    CComPtr<IXMLDOMElement> none;
    EXPECT_EQ(S_FALSE, document->get_documentElement(&none));
    EXPECT_EQ(S_OK, document->putref_documentElement(root));
    CComPtr<IXMLDOMElement> documentElement;
    EXPECT_EQ(S_OK, document->get_documentElement(&documentElement));
    EXPECT_TRUE(documentElement.p == root.p);

    CComPtr<IXMLDOMNode> node;
    EXPECT_EQ(S_OK, root->get_firstChild(&node));
    EXPECT_TRUE(node.IsEqualObject(first));
    CComPtr<IXMLDOMNode> next;
    EXPECT_EQ(S_OK, node->get_nextSibling(&next));
    EXPECT_TRUE(next.IsEqualObject(last));
    CComPtr<IXMLDOMNode> end;
    EXPECT_EQ(S_FALSE, next->get_nextSibling(&end));
    CComPtr<IXMLDOMNode> up;
    EXPECT_EQ(S_OK, next->get_parentNode(&up));
    EXPECT_TRUE(up.IsEqualObject(root));
    CComPtr<IXMLDOMNode> top;
    EXPECT_EQ(S_OK, root->get_parentNode(&top));
    EXPECT_TRUE(top.IsEqualObject(document));

    CComPtr<IXMLDOMDocument> owner;
    EXPECT_EQ(S_OK, last->get_ownerDocument(&owner));
    EXPECT_TRUE(owner.p == document.p);

    CComBSTR name;
    EXPECT_EQ(S_OK, document->get_nodeName(&name));
    EXPECT_EQ("#document", pal::ToUtf8(name.m_str));
    DOMNodeType type = NODE_INVALID;
    EXPECT_EQ(S_OK, root->get_nodeType(&type));
    EXPECT_EQ(NODE_ELEMENT, type);
    VARIANT_BOOL has = VARIANT_FALSE;
    EXPECT_EQ(S_OK, root->hasChildNodes(&has));
    EXPECT_EQ(VARIANT_TRUE, has);
    EXPECT_EQ(S_FALSE, first->hasChildNodes(&has));

    // Replacing the document element detaches the old one.
    CComPtr<IXMLDOMElement> replacement = NewElement(document, W("replacement"));
    EXPECT_EQ(S_OK, document->putref_documentElement(replacement));
    EXPECT_EQ("<replacement/>\r\n", Xml(document));
    EXPECT_EQ("<root><first/><last/></root>", Xml(root));
}

TEST(DomDocument, NodesKeepTheirDocumentAlive)
{
    CComPtr<IXMLDOMElement> element;
    {
        CComPtr<IXMLDOMDocument> document = NewDocument();
        element = NewElement(document, W("survivor"));
        CComPtr<IXMLDOMElement> child = NewElement(document, W("child"));
        element->appendChild(child, nullptr);
    }
    EXPECT_EQ("<survivor><child/></survivor>", Xml(element));
    CComPtr<IXMLDOMDocument> owner;
    EXPECT_EQ(S_OK, element->get_ownerDocument(&owner));
    EXPECT_TRUE(owner != nullptr);
}
