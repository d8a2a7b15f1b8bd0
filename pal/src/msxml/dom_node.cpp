// The node side of the DOM: navigation, appending and removing children, attributes and serialisation.
#include <libxml/xmlsave.h>

#include <type_traits>

#include "msxml/dom.h"
#include "pal/host.h"

namespace pal::msxml {

HRESULT DomError(HRESULT hr, const char16_t* description)
{
    CComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(__uuidof(IXMLDOMNode));
        create->SetSource(const_cast<LPOLESTR>(u"msxml6.dll"));
        create->SetDescription(const_cast<LPOLESTR>(description));
        CComQIPtr<IErrorInfo> info(static_cast<IUnknown*>(create));
        SetErrorInfo(0, info);
    }
    return hr;
}

std::string Utf8(BSTR s)
{
    return s ? pal::ToUtf8(std::u16string_view(s, SysStringLen(s))) : std::string();
}

BSTR AllocBstr(const xmlChar* utf8)
{
    std::u16string wide = pal::ToWide(utf8 ? reinterpret_cast<const char*>(utf8) : "");
    return SysAllocStringLen(wide.data(), UINT(wide.size()));
}

namespace {

bool IsValidName(const std::string& name)
{
    return !name.empty() && xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

// MSXML writes no declaration unless the document holds one, no indentation, and a line break after
// every top-level node of a document.
std::string Serialise(xmlNodePtr node)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    if (!buffer)
        return {};
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
    std::string text;
    if (save) {
        if (node->type == XML_DOCUMENT_NODE) {
            for (xmlNodePtr child = node->children; child; child = child->next) {
                xmlSaveTree(save, child);
                xmlSaveFlush(save);
                text.append(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
                text += "\r\n";
                xmlBufferEmpty(buffer);
            }
        } else {
            xmlSaveTree(save, node);
            xmlSaveFlush(save);
            text.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
        }
        xmlSaveClose(save);
    }
    xmlBufferFree(buffer);
    return text;
}

// The libxml2 node behind an interface pointer of this layer, or null for a foreign object.
IPalXmlNode* OwnNode(IUnknown* unknown, CComPtr<IPalXmlNode>& holder)
{
    if (!unknown || FAILED(unknown->QueryInterface(__uuidof(IPalXmlNode), reinterpret_cast<void**>(&holder))))
        return nullptr;
    return holder;
}

} // namespace

template <class Base>
HRESULT NodeImpl<Base>::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    bool isBase = riid == __uuidof(Base) &&
                  (!std::is_same_v<Base, IXMLDOMElement> || LibxmlNode()->type == XML_ELEMENT_NODE);
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IXMLDOMNode) || isBase)
        *ppv = static_cast<Base*>(this);
    else if (riid == __uuidof(IPalXmlNode))
        *ppv = static_cast<IPalXmlNode*>(this);
    else if (riid == __uuidof(ISupportErrorInfo))
        *ppv = static_cast<ISupportErrorInfo*>(this);
    else
        return E_NOINTERFACE;
    this->AddRef();
    return S_OK;
}

template <class Base>
HRESULT NodeImpl<Base>::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo)
        return E_INVALIDARG;
    *pctinfo = 0;
    return S_OK;
}

template <class Base>
HRESULT NodeImpl<Base>::InterfaceSupportsErrorInfo(REFIID riid)
{
    return riid == __uuidof(IXMLDOMNode) || riid == __uuidof(Base) ? S_OK : S_FALSE;
}

template <class Base>
HRESULT NodeImpl<Base>::WrapRelative(xmlNodePtr node, IXMLDOMNode** out)
{
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    if (!node)
        return S_FALSE;
    return OwnerDomDocument()->Wrap(node, __uuidof(IXMLDOMNode), reinterpret_cast<void**>(out));
}

template <class Base>
HRESULT NodeImpl<Base>::get_nodeName(BSTR* name)
{
    if (!name)
        return E_INVALIDARG;
    xmlNodePtr node = LibxmlNode();
    *name = node->type == XML_DOCUMENT_NODE ? SysAllocString(u"#document") : AllocBstr(node->name);
    return *name ? S_OK : E_OUTOFMEMORY;
}

template <class Base>
HRESULT NodeImpl<Base>::get_nodeType(DOMNodeType* type)
{
    if (!type)
        return E_INVALIDARG;
    switch (LibxmlNode()->type) {
    case XML_ELEMENT_NODE: *type = NODE_ELEMENT; break;
    case XML_TEXT_NODE: *type = NODE_TEXT; break;
    case XML_CDATA_SECTION_NODE: *type = NODE_CDATA_SECTION; break;
    case XML_PI_NODE: *type = NODE_PROCESSING_INSTRUCTION; break;
    case XML_COMMENT_NODE: *type = NODE_COMMENT; break;
    case XML_DOCUMENT_NODE: *type = NODE_DOCUMENT; break;
    default: *type = NODE_INVALID; break;
    }
    return S_OK;
}

template <class Base>
HRESULT NodeImpl<Base>::get_parentNode(IXMLDOMNode** parent)
{
    return WrapRelative(LibxmlNode()->parent, parent);
}

template <class Base>
HRESULT NodeImpl<Base>::get_firstChild(IXMLDOMNode** child)
{
    return WrapRelative(LibxmlNode()->children, child);
}

template <class Base>
HRESULT NodeImpl<Base>::get_lastChild(IXMLDOMNode** child)
{
    return WrapRelative(LibxmlNode()->last, child);
}

template <class Base>
HRESULT NodeImpl<Base>::get_previousSibling(IXMLDOMNode** sibling)
{
    return WrapRelative(LibxmlNode()->type == XML_DOCUMENT_NODE ? nullptr : LibxmlNode()->prev, sibling);
}

template <class Base>
HRESULT NodeImpl<Base>::get_nextSibling(IXMLDOMNode** sibling)
{
    return WrapRelative(LibxmlNode()->type == XML_DOCUMENT_NODE ? nullptr : LibxmlNode()->next, sibling);
}

template <class Base>
HRESULT NodeImpl<Base>::hasChildNodes(VARIANT_BOOL* hasChild)
{
    if (!hasChild)
        return E_INVALIDARG;
    *hasChild = LibxmlNode()->children ? VARIANT_TRUE : VARIANT_FALSE;
    return *hasChild ? S_OK : S_FALSE;
}

template <class Base>
HRESULT NodeImpl<Base>::get_ownerDocument(IXMLDOMDocument** document)
{
    if (!document)
        return E_INVALIDARG;
    *document = nullptr;
    if (LibxmlNode()->type == XML_DOCUMENT_NODE)
        return S_FALSE;
    return OwnerDomDocument()->QueryInterface(__uuidof(IXMLDOMDocument), reinterpret_cast<void**>(document));
}

template <class Base>
HRESULT NodeImpl<Base>::appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild)
{
    if (outNewChild)
        *outNewChild = nullptr;
    CComPtr<IPalXmlNode> holder;
    IPalXmlNode* own = OwnNode(newChild, holder);
    if (!own)
        return E_INVALIDARG;
    // Moving nodes between documents would need an import; nothing here does that.
    if (own->OwnerDomDocument() != OwnerDomDocument())
        return DomError(E_INVALIDARG, u"The node belongs to another document.");
    xmlNodePtr parent = LibxmlNode();
    xmlNodePtr child = own->LibxmlNode();
    if (child->type == XML_DOCUMENT_NODE)
        return DomError(E_FAIL, u"This operation cannot be performed with a Node of type DOCUMENT.");
    if (parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_NODE)
        return DomError(E_FAIL, u"This operation cannot be performed with a Node of this type.");
    for (xmlNodePtr up = parent; up; up = up->parent)
        if (up == child)
            return DomError(E_FAIL, u"Inserting a Node or its ancestor under itself is not allowed.");
    if (parent->type == XML_DOCUMENT_NODE && child->type == XML_ELEMENT_NODE) {
        xmlNodePtr root = xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent));
        if (root && root != child)
            return DomError(E_FAIL, u"Only one top level element is allowed in an XML document.");
    }
    xmlUnlinkNode(child);
    xmlAddChild(parent, child);
    if (outNewChild)
        return newChild->QueryInterface(__uuidof(IXMLDOMNode), reinterpret_cast<void**>(outNewChild));
    return S_OK;
}

template <class Base>
HRESULT NodeImpl<Base>::removeChild(IXMLDOMNode* childNode, IXMLDOMNode** oldChild)
{
    if (oldChild)
        *oldChild = nullptr;
    CComPtr<IPalXmlNode> holder;
    IPalXmlNode* own = OwnNode(childNode, holder);
    if (!own)
        return E_INVALIDARG;
    xmlNodePtr child = own->LibxmlNode();
    if (child->parent != LibxmlNode())
        return DomError(E_INVALIDARG, u"The node passed in is not a child of this node.");
    xmlUnlinkNode(child);
    OwnerDomDocument()->Adopt(child);
    if (oldChild)
        return childNode->QueryInterface(__uuidof(IXMLDOMNode), reinterpret_cast<void**>(oldChild));
    return S_OK;
}

template <class Base>
HRESULT NodeImpl<Base>::get_xml(BSTR* xmlString)
{
    if (!xmlString)
        return E_INVALIDARG;
    std::string text = Serialise(LibxmlNode());
    *xmlString = AllocBstr(reinterpret_cast<const xmlChar*>(text.c_str()));
    return *xmlString ? S_OK : E_OUTOFMEMORY;
}

template class NodeImpl<IXMLDOMDocument>;
template class NodeImpl<IXMLDOMElement>;

DomNode::DomNode(DomDocument* document, xmlNodePtr node) : m_document(document), m_node(node)
{
    m_node->_private = this;
}

DomNode::~DomNode()
{
    m_node->_private = nullptr;
}

HRESULT DomNode::get_tagName(BSTR* tagName)
{
    return get_nodeName(tagName);
}

HRESULT DomNode::getAttribute(BSTR name, VARIANT* value)
{
    if (!value)
        return E_INVALIDARG;
    VariantInit(value);
    std::string key = Utf8(name);
    xmlChar* found = key.empty() ? nullptr : xmlGetNoNsProp(m_node, reinterpret_cast<const xmlChar*>(key.c_str()));
    if (!found) {
        value->vt = VT_NULL;
        return S_FALSE;
    }
    value->vt = VT_BSTR;
    value->bstrVal = AllocBstr(found);
    xmlFree(found);
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT DomNode::setAttribute(BSTR name, VARIANT value)
{
    std::string key = Utf8(name);
    if (!IsValidName(key))
        return DomError(E_FAIL, u"The attribute name is not a valid XML name.");
    CComVariant text;
    HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
    if (FAILED(hr))
        return hr;
    std::string content = Utf8(text.bstrVal);
    // A plain attribute: "xmlns" is written as it stands and declares the default namespace for the
    // children when the document is read back, which is how MSXML treats it on a namespace-less element.
    xmlAttrPtr attr = xmlSetProp(m_node, reinterpret_cast<const xmlChar*>(key.c_str()),
                                 reinterpret_cast<const xmlChar*>(content.c_str()));
    return attr ? S_OK : E_OUTOFMEMORY;
}

HRESULT DomNode::removeAttribute(BSTR name)
{
    std::string key = Utf8(name);
    xmlAttrPtr attr = key.empty() ? nullptr : xmlHasProp(m_node, reinterpret_cast<const xmlChar*>(key.c_str()));
    if (attr)
        xmlRemoveProp(attr);
    return S_OK;
}

} // namespace pal::msxml
