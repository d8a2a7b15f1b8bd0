// MSXML's DOM document over libxml2: the document object, the node objects that wrap libxml2 nodes, and
// the private interface that turns an interface pointer handed back to the layer into its libxml2 node.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <unordered_set>

#include "msxml6.h"
#include "atlbase.h"
#include "pal/com_object.h"
#include "common/stub.h"

namespace pal::msxml {
class DomDocument;
}

// Answered only by this layer's node objects.
DECLARE_INTERFACE_IID(IPalXmlNode, IUnknown, "6B1D64D0-3A4C-4E5F-9C1B-2F0E8A7D5C31")
{
    virtual xmlNodePtr LibxmlNode() = 0;
    virtual pal::msxml::DomDocument* OwnerDomDocument() = 0;
};

namespace pal::msxml {

// Sets the thread's error description, as MSXML does for its failures, and returns the code.
HRESULT DomError(HRESULT hr, const char16_t* description);

std::string Utf8(BSTR s);
BSTR AllocBstr(const xmlChar* utf8);

// The IXMLDOMNode part, shared by the document and the node objects.
template <class Base>
class NodeImpl : public pal::ComObject<Base, IPalXmlNode, ISupportErrorInfo> {
public:
    // IUnknown: IXMLDOMElement is answered only by element nodes.
    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    // IPalXmlNode, given by the document and the node classes.
    xmlNodePtr LibxmlNode() override = 0;
    DomDocument* OwnerDomDocument() override = 0;

    // IDispatch: the layer's callers bind early.
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return PAL_STUB(); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return PAL_STUB(); }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return PAL_STUB(); }

    // IXMLDOMNode
    HRESULT get_nodeName(BSTR* name) override;
    HRESULT get_nodeValue(VARIANT*) override { return PAL_STUB(); }
    HRESULT put_nodeValue(VARIANT) override { return PAL_STUB(); }
    HRESULT get_nodeType(DOMNodeType* type) override;
    HRESULT get_parentNode(IXMLDOMNode** parent) override;
    HRESULT get_childNodes(IXMLDOMNodeList**) override { return PAL_STUB(); }
    HRESULT get_firstChild(IXMLDOMNode** firstChild) override;
    HRESULT get_lastChild(IXMLDOMNode** lastChild) override;
    HRESULT get_previousSibling(IXMLDOMNode** previousSibling) override;
    HRESULT get_nextSibling(IXMLDOMNode** nextSibling) override;
    HRESULT get_attributes(IXMLDOMNamedNodeMap**) override { return PAL_STUB(); }
    HRESULT insertBefore(IXMLDOMNode*, VARIANT, IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT replaceChild(IXMLDOMNode*, IXMLDOMNode*, IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT removeChild(IXMLDOMNode* childNode, IXMLDOMNode** oldChild) override;
    HRESULT appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) override;
    HRESULT hasChildNodes(VARIANT_BOOL* hasChild) override;
    HRESULT get_ownerDocument(IXMLDOMDocument** document) override;
    HRESULT cloneNode(VARIANT_BOOL, IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT get_nodeTypeString(BSTR*) override { return PAL_STUB(); }
    HRESULT get_text(BSTR*) override { return PAL_STUB(); }
    HRESULT put_text(BSTR) override { return PAL_STUB(); }
    HRESULT get_specified(VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT get_definition(IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT get_nodeTypedValue(VARIANT*) override { return PAL_STUB(); }
    HRESULT put_nodeTypedValue(VARIANT) override { return PAL_STUB(); }
    HRESULT get_dataType(VARIANT*) override { return PAL_STUB(); }
    HRESULT put_dataType(BSTR) override { return PAL_STUB(); }
    HRESULT get_xml(BSTR* xmlString) override;
    HRESULT transformNode(IXMLDOMNode*, BSTR*) override { return PAL_STUB(); }
    HRESULT selectNodes(BSTR, IXMLDOMNodeList**) override { return PAL_STUB(); }
    HRESULT selectSingleNode(BSTR, IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT get_parsed(VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT get_namespaceURI(BSTR*) override { return PAL_STUB(); }
    HRESULT get_prefix(BSTR*) override { return PAL_STUB(); }
    HRESULT get_baseName(BSTR*) override { return PAL_STUB(); }
    HRESULT transformNodeToObject(IXMLDOMNode*, VARIANT) override { return PAL_STUB(); }

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

protected:
    virtual ~NodeImpl() = default;
    HRESULT WrapRelative(xmlNodePtr node, IXMLDOMNode** out);
};

class DomDocument final : public NodeImpl<IXMLDOMDocument> {
public:
    DomDocument();

    xmlNodePtr LibxmlNode() override { return reinterpret_cast<xmlNodePtr>(m_doc); }
    DomDocument* OwnerDomDocument() override { return this; }

    // The object for a node of this document (the same object while one is alive).
    HRESULT Wrap(xmlNodePtr node, REFIID riid, void** ppv);
    // A node that left the tree (or never joined it) stays the document's to free.
    void Adopt(xmlNodePtr node) { m_detached.insert(node); }

    // IXMLDOMDocument
    HRESULT get_doctype(IXMLDOMDocumentType**) override { return PAL_STUB(); }
    HRESULT get_implementation(IXMLDOMImplementation**) override { return PAL_STUB(); }
    HRESULT get_documentElement(IXMLDOMElement** element) override;
    HRESULT putref_documentElement(IXMLDOMElement* element) override;
    HRESULT createElement(BSTR tagName, IXMLDOMElement** element) override;
    HRESULT createDocumentFragment(IXMLDOMDocumentFragment**) override { return PAL_STUB(); }
    HRESULT createTextNode(BSTR, IXMLDOMText**) override { return PAL_STUB(); }
    HRESULT createComment(BSTR, IXMLDOMComment**) override { return PAL_STUB(); }
    HRESULT createCDATASection(BSTR, IXMLDOMCDATASection**) override { return PAL_STUB(); }
    HRESULT createProcessingInstruction(BSTR, BSTR, IXMLDOMProcessingInstruction**) override { return PAL_STUB(); }
    HRESULT createAttribute(BSTR, IXMLDOMAttribute**) override { return PAL_STUB(); }
    HRESULT createEntityReference(BSTR, IXMLDOMEntityReference**) override { return PAL_STUB(); }
    HRESULT getElementsByTagName(BSTR, IXMLDOMNodeList**) override { return PAL_STUB(); }
    HRESULT createNode(VARIANT, BSTR, BSTR, IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT nodeFromID(BSTR, IXMLDOMNode**) override { return PAL_STUB(); }
    HRESULT load(VARIANT, VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT get_readyState(LONG* value) override;
    HRESULT get_parseError(IXMLDOMParseError**) override { return PAL_STUB(); }
    HRESULT get_url(BSTR*) override { return PAL_STUB(); }
    HRESULT get_async(VARIANT_BOOL* isAsync) override;
    HRESULT put_async(VARIANT_BOOL isAsync) override;
    HRESULT abort() override { return PAL_STUB(); }
    HRESULT loadXML(BSTR, VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT save(VARIANT) override { return PAL_STUB(); }
    HRESULT get_validateOnParse(VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT put_validateOnParse(VARIANT_BOOL) override { return PAL_STUB(); }
    HRESULT get_resolveExternals(VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT put_resolveExternals(VARIANT_BOOL) override { return PAL_STUB(); }
    HRESULT get_preserveWhiteSpace(VARIANT_BOOL*) override { return PAL_STUB(); }
    HRESULT put_preserveWhiteSpace(VARIANT_BOOL) override { return PAL_STUB(); }
    HRESULT put_onreadystatechange(VARIANT) override { return PAL_STUB(); }
    HRESULT put_ondataavailable(VARIANT) override { return PAL_STUB(); }
    HRESULT put_ontransformnode(VARIANT) override { return PAL_STUB(); }

private:
    ~DomDocument() override;

    xmlDocPtr m_doc;
    std::unordered_set<xmlNodePtr> m_detached;
    bool m_async = true;
};

// Every node of a document other than the document itself; IXMLDOMElement is answered for elements.
class DomNode final : public NodeImpl<IXMLDOMElement> {
public:
    DomNode(DomDocument* document, xmlNodePtr node);

    xmlNodePtr LibxmlNode() override { return m_node; }
    DomDocument* OwnerDomDocument() override { return m_document; }

    // IXMLDOMElement
    HRESULT get_tagName(BSTR* tagName) override;
    HRESULT getAttribute(BSTR name, VARIANT* value) override;
    HRESULT setAttribute(BSTR name, VARIANT value) override;
    HRESULT removeAttribute(BSTR name) override;
    HRESULT getAttributeNode(BSTR, IXMLDOMAttribute**) override { return PAL_STUB(); }
    HRESULT setAttributeNode(IXMLDOMAttribute*, IXMLDOMAttribute**) override { return PAL_STUB(); }
    HRESULT removeAttributeNode(IXMLDOMAttribute*, IXMLDOMAttribute**) override { return PAL_STUB(); }
    HRESULT getElementsByTagName(BSTR, IXMLDOMNodeList**) override { return PAL_STUB(); }
    HRESULT normalize() override { return PAL_STUB(); }

private:
    ~DomNode() override;

    CComPtr<DomDocument> m_document;
    xmlNodePtr m_node;
};

} // namespace pal::msxml
