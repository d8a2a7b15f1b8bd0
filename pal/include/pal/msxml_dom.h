// Vantora platform layer: MSXML DOM document declarations. The interfaces keep MSXML's method order and
// ids; the layer implements the document, element and node calls that build and serialise a document
// (createElement, setAttribute, appendChild, navigation, the xml property). The rest return E_NOTIMPL.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "pal/variant.h"

typedef enum tagDOMNodeType {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_ENTITY_REFERENCE = 5,
    NODE_ENTITY = 6,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
    NODE_DOCUMENT_TYPE = 10,
    NODE_DOCUMENT_FRAGMENT = 11,
    NODE_NOTATION = 12,
} DOMNodeType;

struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;
struct IXMLDOMDocument;
struct IXMLDOMDocumentType;
struct IXMLDOMImplementation;
struct IXMLDOMDocumentFragment;
struct IXMLDOMText;
struct IXMLDOMComment;
struct IXMLDOMCDATASection;
struct IXMLDOMProcessingInstruction;
struct IXMLDOMAttribute;
struct IXMLDOMEntityReference;
struct IXMLDOMParseError;

DECLARE_INTERFACE_IID(IXMLDOMNode, IDispatch, "2933BF80-7B36-11D2-B20E-00C04F983E60")
{
    virtual HRESULT get_nodeName(BSTR* name) = 0;
    virtual HRESULT get_nodeValue(VARIANT* value) = 0;
    virtual HRESULT put_nodeValue(VARIANT value) = 0;
    virtual HRESULT get_nodeType(DOMNodeType* type) = 0;
    virtual HRESULT get_parentNode(IXMLDOMNode** parent) = 0;
    virtual HRESULT get_childNodes(IXMLDOMNodeList** childList) = 0;
    virtual HRESULT get_firstChild(IXMLDOMNode** firstChild) = 0;
    virtual HRESULT get_lastChild(IXMLDOMNode** lastChild) = 0;
    virtual HRESULT get_previousSibling(IXMLDOMNode** previousSibling) = 0;
    virtual HRESULT get_nextSibling(IXMLDOMNode** nextSibling) = 0;
    virtual HRESULT get_attributes(IXMLDOMNamedNodeMap** attributeMap) = 0;
    virtual HRESULT insertBefore(IXMLDOMNode* newChild, VARIANT refChild, IXMLDOMNode** outNewChild) = 0;
    virtual HRESULT replaceChild(IXMLDOMNode* newChild, IXMLDOMNode* oldChild, IXMLDOMNode** outOldChild) = 0;
    virtual HRESULT removeChild(IXMLDOMNode* childNode, IXMLDOMNode** oldChild) = 0;
    virtual HRESULT appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) = 0;
    virtual HRESULT hasChildNodes(VARIANT_BOOL* hasChild) = 0;
    virtual HRESULT get_ownerDocument(IXMLDOMDocument** XMLDOMDocument) = 0;
    virtual HRESULT cloneNode(VARIANT_BOOL deep, IXMLDOMNode** cloneRoot) = 0;
    virtual HRESULT get_nodeTypeString(BSTR* nodeType) = 0;
    virtual HRESULT get_text(BSTR* text) = 0;
    virtual HRESULT put_text(BSTR text) = 0;
    virtual HRESULT get_specified(VARIANT_BOOL* isSpecified) = 0;
    virtual HRESULT get_definition(IXMLDOMNode** definitionNode) = 0;
    virtual HRESULT get_nodeTypedValue(VARIANT* typedValue) = 0;
    virtual HRESULT put_nodeTypedValue(VARIANT typedValue) = 0;
    virtual HRESULT get_dataType(VARIANT* dataTypeName) = 0;
    virtual HRESULT put_dataType(BSTR dataTypeName) = 0;
    virtual HRESULT get_xml(BSTR* xmlString) = 0;
    virtual HRESULT transformNode(IXMLDOMNode* stylesheet, BSTR* xmlString) = 0;
    virtual HRESULT selectNodes(BSTR queryString, IXMLDOMNodeList** resultList) = 0;
    virtual HRESULT selectSingleNode(BSTR queryString, IXMLDOMNode** resultNode) = 0;
    virtual HRESULT get_parsed(VARIANT_BOOL* isParsed) = 0;
    virtual HRESULT get_namespaceURI(BSTR* namespaceURI) = 0;
    virtual HRESULT get_prefix(BSTR* prefixString) = 0;
    virtual HRESULT get_baseName(BSTR* nameString) = 0;
    virtual HRESULT transformNodeToObject(IXMLDOMNode* stylesheet, VARIANT outputObject) = 0;
};

DECLARE_INTERFACE_IID(IXMLDOMElement, IXMLDOMNode, "2933BF86-7B36-11D2-B20E-00C04F983E60")
{
    virtual HRESULT get_tagName(BSTR* tagName) = 0;
    virtual HRESULT getAttribute(BSTR name, VARIANT* value) = 0;
    virtual HRESULT setAttribute(BSTR name, VARIANT value) = 0;
    virtual HRESULT removeAttribute(BSTR name) = 0;
    virtual HRESULT getAttributeNode(BSTR name, IXMLDOMAttribute** attributeNode) = 0;
    virtual HRESULT setAttributeNode(IXMLDOMAttribute* DOMAttribute, IXMLDOMAttribute** attributeNode) = 0;
    virtual HRESULT removeAttributeNode(IXMLDOMAttribute* DOMAttribute, IXMLDOMAttribute** attributeNode) = 0;
    virtual HRESULT getElementsByTagName(BSTR tagName, IXMLDOMNodeList** resultList) = 0;
    virtual HRESULT normalize() = 0;
};

DECLARE_INTERFACE_IID(IXMLDOMDocument, IXMLDOMNode, "2933BF81-7B36-11D2-B20E-00C04F983E60")
{
    virtual HRESULT get_doctype(IXMLDOMDocumentType** documentType) = 0;
    virtual HRESULT get_implementation(IXMLDOMImplementation** impl) = 0;
    virtual HRESULT get_documentElement(IXMLDOMElement** DOMElement) = 0;
    virtual HRESULT putref_documentElement(IXMLDOMElement* DOMElement) = 0;
    virtual HRESULT createElement(BSTR tagName, IXMLDOMElement** element) = 0;
    virtual HRESULT createDocumentFragment(IXMLDOMDocumentFragment** docFrag) = 0;
    virtual HRESULT createTextNode(BSTR data, IXMLDOMText** text) = 0;
    virtual HRESULT createComment(BSTR data, IXMLDOMComment** comment) = 0;
    virtual HRESULT createCDATASection(BSTR data, IXMLDOMCDATASection** cdata) = 0;
    virtual HRESULT createProcessingInstruction(BSTR target, BSTR data, IXMLDOMProcessingInstruction** pi) = 0;
    virtual HRESULT createAttribute(BSTR name, IXMLDOMAttribute** attribute) = 0;
    virtual HRESULT createEntityReference(BSTR name, IXMLDOMEntityReference** entityRef) = 0;
    virtual HRESULT getElementsByTagName(BSTR tagName, IXMLDOMNodeList** resultList) = 0;
    virtual HRESULT createNode(VARIANT Type, BSTR name, BSTR namespaceURI, IXMLDOMNode** node) = 0;
    virtual HRESULT nodeFromID(BSTR idString, IXMLDOMNode** node) = 0;
    virtual HRESULT load(VARIANT xmlSource, VARIANT_BOOL* isSuccessful) = 0;
    virtual HRESULT get_readyState(LONG* value) = 0;
    virtual HRESULT get_parseError(IXMLDOMParseError** errorObj) = 0;
    virtual HRESULT get_url(BSTR* urlString) = 0;
    virtual HRESULT get_async(VARIANT_BOOL* isAsync) = 0;
    virtual HRESULT put_async(VARIANT_BOOL isAsync) = 0;
    virtual HRESULT abort() = 0;
    virtual HRESULT loadXML(BSTR bstrXML, VARIANT_BOOL* isSuccessful) = 0;
    virtual HRESULT save(VARIANT destination) = 0;
    virtual HRESULT get_validateOnParse(VARIANT_BOOL* isValidating) = 0;
    virtual HRESULT put_validateOnParse(VARIANT_BOOL isValidating) = 0;
    virtual HRESULT get_resolveExternals(VARIANT_BOOL* isResolving) = 0;
    virtual HRESULT put_resolveExternals(VARIANT_BOOL isResolving) = 0;
    virtual HRESULT get_preserveWhiteSpace(VARIANT_BOOL* isPreserving) = 0;
    virtual HRESULT put_preserveWhiteSpace(VARIANT_BOOL isPreserving) = 0;
    virtual HRESULT put_onreadystatechange(VARIANT readystatechangeSink) = 0;
    virtual HRESULT put_ondataavailable(VARIANT ondataavailableSink) = 0;
    virtual HRESULT put_ontransformnode(VARIANT ontransformnodeSink) = 0;
};

// The DOM document classes: "Msxml.DOMDocument" / "Microsoft.XMLDOM" (version independent) and
// "Msxml2.DOMDocument.6.0".
struct DOMDocument;
DEFINE_UUIDOF(DOMDocument, "2933BF90-7B36-11D2-B20E-00C04F983E60");
struct DOMDocument60;
DEFINE_UUIDOF(DOMDocument60, "88D96A05-F192-11D4-A65F-0040963251E5");
#define CLSID_DOMDocument __uuidof(DOMDocument)
#define CLSID_DOMDocument60 __uuidof(DOMDocument60)
#define IID_IXMLDOMNode __uuidof(IXMLDOMNode)
#define IID_IXMLDOMElement __uuidof(IXMLDOMElement)
#define IID_IXMLDOMDocument __uuidof(IXMLDOMDocument)

#pragma GCC visibility pop
