// MSXML's DOM document over libxml2: the document object, the node objects that wrap libxml2 nodes, and
// the private interface that turns an interface pointer handed back to the layer into its libxml2 node.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <unordered_set>

#include "msxml6.h"
#include "atlbase.h"
#include "common/ComObject.h"

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
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    // IXMLDOMNode
    HRESULT get_nodeName(BSTR* name) override;
    HRESULT get_nodeValue(VARIANT*) override { return E_NOTIMPL; }
    HRESULT put_nodeValue(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_nodeType(DOMNodeType* type) override;
    HRESULT get_parentNode(IXMLDOMNode** parent) override;
    HRESULT get_childNodes(IXMLDOMNodeList**) override { return E_NOTIMPL; }
    HRESULT get_firstChild(IXMLDOMNode** firstChild) override;
    HRESULT get_lastChild(IXMLDOMNode** lastChild) override;
    HRESULT get_previousSibling(IXMLDOMNode** previousSibling) override;
    HRESULT get_nextSibling(IXMLDOMNode** nextSibling) override;
    HRESULT get_attributes(IXMLDOMNamedNodeMap**) override { return E_NOTIMPL; }
    HRESULT insertBefore(IXMLDOMNode*, VARIANT, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT replaceChild(IXMLDOMNode*, IXMLDOMNode*, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT removeChild(IXMLDOMNode* childNode, IXMLDOMNode** oldChild) override;
    HRESULT appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) override;
    HRESULT hasChildNodes(VARIANT_BOOL* hasChild) override;
    HRESULT get_ownerDocument(IXMLDOMDocument** document) override;
    HRESULT cloneNode(VARIANT_BOOL, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT get_nodeTypeString(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_text(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_text(BSTR) override { return E_NOTIMPL; }
    HRESULT get_specified(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT get_definition(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT get_nodeTypedValue(VARIANT*) override { return E_NOTIMPL; }
    HRESULT put_nodeTypedValue(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_dataType(VARIANT*) override { return E_NOTIMPL; }
    HRESULT put_dataType(BSTR) override { return E_NOTIMPL; }
    HRESULT get_xml(BSTR* xmlString) override;
    HRESULT transformNode(IXMLDOMNode*, BSTR*) override { return E_NOTIMPL; }
    HRESULT selectNodes(BSTR, IXMLDOMNodeList**) override { return E_NOTIMPL; }
    HRESULT selectSingleNode(BSTR, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT get_parsed(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT get_namespaceURI(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_prefix(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_baseName(BSTR*) override { return E_NOTIMPL; }
    HRESULT transformNodeToObject(IXMLDOMNode*, VARIANT) override { return E_NOTIMPL; }

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
    HRESULT get_doctype(IXMLDOMDocumentType**) override { return E_NOTIMPL; }
    HRESULT get_implementation(IXMLDOMImplementation**) override { return E_NOTIMPL; }
    HRESULT get_documentElement(IXMLDOMElement** element) override;
    HRESULT putref_documentElement(IXMLDOMElement* element) override;
    HRESULT createElement(BSTR tagName, IXMLDOMElement** element) override;
    HRESULT createDocumentFragment(IXMLDOMDocumentFragment**) override { return E_NOTIMPL; }
    HRESULT createTextNode(BSTR, IXMLDOMText**) override { return E_NOTIMPL; }
    HRESULT createComment(BSTR, IXMLDOMComment**) override { return E_NOTIMPL; }
    HRESULT createCDATASection(BSTR, IXMLDOMCDATASection**) override { return E_NOTIMPL; }
    HRESULT createProcessingInstruction(BSTR, BSTR, IXMLDOMProcessingInstruction**) override { return E_NOTIMPL; }
    HRESULT createAttribute(BSTR, IXMLDOMAttribute**) override { return E_NOTIMPL; }
    HRESULT createEntityReference(BSTR, IXMLDOMEntityReference**) override { return E_NOTIMPL; }
    HRESULT getElementsByTagName(BSTR, IXMLDOMNodeList**) override { return E_NOTIMPL; }
    HRESULT createNode(VARIANT, BSTR, BSTR, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT nodeFromID(BSTR, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT load(VARIANT, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT get_readyState(LONG* value) override;
    HRESULT get_parseError(IXMLDOMParseError**) override { return E_NOTIMPL; }
    HRESULT get_url(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_async(VARIANT_BOOL* isAsync) override;
    HRESULT put_async(VARIANT_BOOL isAsync) override;
    HRESULT abort() override { return E_NOTIMPL; }
    HRESULT loadXML(BSTR, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT save(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_validateOnParse(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_validateOnParse(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT get_resolveExternals(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_resolveExternals(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT get_preserveWhiteSpace(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_preserveWhiteSpace(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT put_onreadystatechange(VARIANT) override { return E_NOTIMPL; }
    HRESULT put_ondataavailable(VARIANT) override { return E_NOTIMPL; }
    HRESULT put_ontransformnode(VARIANT) override { return E_NOTIMPL; }

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
    HRESULT getAttributeNode(BSTR, IXMLDOMAttribute**) override { return E_NOTIMPL; }
    HRESULT setAttributeNode(IXMLDOMAttribute*, IXMLDOMAttribute**) override { return E_NOTIMPL; }
    HRESULT removeAttributeNode(IXMLDOMAttribute*, IXMLDOMAttribute**) override { return E_NOTIMPL; }
    HRESULT getElementsByTagName(BSTR, IXMLDOMNodeList**) override { return E_NOTIMPL; }
    HRESULT normalize() override { return E_NOTIMPL; }

private:
    ~DomNode() override;

    CComPtr<DomDocument> m_document;
    xmlNodePtr m_node;
};

} // namespace pal::msxml
