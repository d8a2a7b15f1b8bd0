// The DOM document object ("Msxml.DOMDocument"): owns the libxml2 document and every node created in it,
// hands out one object per live node, and is registered with the layer's class table at load time.
#include <new>
#include <vector>

#include "msxml/dom.h"
#include "pal/host.h"

namespace pal::msxml {

DomDocument::DomDocument() : m_doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")))
{
    if (!m_doc)
        return;
    // Without an encoding libxml2 would write non-ASCII text as character references; the xml property
    // is Unicode text, as MSXML's is.
    m_doc->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
    m_doc->_private = this;
}

DomDocument::~DomDocument()
{
    // Find the detached subtrees first: freeing one may free other recorded nodes inside it.
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr node : m_detached)
        if (!node->parent)
            roots.push_back(node);
    for (xmlNodePtr node : roots)
        xmlFreeNode(node);
    xmlFreeDoc(m_doc);
}

HRESULT DomDocument::Wrap(xmlNodePtr node, REFIID riid, void** ppv)
{
    if (node == reinterpret_cast<xmlNodePtr>(m_doc))
        return QueryInterface(riid, ppv);
    if (node->_private)
        return static_cast<DomNode*>(node->_private)->QueryInterface(riid, ppv);
    DomNode* wrapper = new (std::nothrow) DomNode(this, node);
    if (!wrapper)
        return E_OUTOFMEMORY;
    HRESULT hr = wrapper->QueryInterface(riid, ppv);
    wrapper->Release();
    return hr;
}

HRESULT DomDocument::get_documentElement(IXMLDOMElement** element)
{
    if (!element)
        return E_INVALIDARG;
    *element = nullptr;
    xmlNodePtr root = xmlDocGetRootElement(m_doc);
    return root ? Wrap(root, __uuidof(IXMLDOMElement), reinterpret_cast<void**>(element)) : S_FALSE;
}

HRESULT DomDocument::putref_documentElement(IXMLDOMElement* element)
{
    CComPtr<IPalXmlNode> own;
    if (!element || FAILED(element->QueryInterface(__uuidof(IPalXmlNode), reinterpret_cast<void**>(&own))))
        return E_INVALIDARG;
    if (own->OwnerDomDocument() != this)
        return DomError(E_INVALIDARG, u"The node belongs to another document.");
    xmlNodePtr node = own->LibxmlNode();
    xmlNodePtr old = xmlDocGetRootElement(m_doc);
    if (old == node)
        return S_OK;
    xmlUnlinkNode(node);
    old = xmlDocSetRootElement(m_doc, node);
    if (old)
        Adopt(old);
    return S_OK;
}

HRESULT DomDocument::createElement(BSTR tagName, IXMLDOMElement** element)
{
    if (!element)
        return E_INVALIDARG;
    *element = nullptr;
    std::string name = Utf8(tagName);
    if (name.empty() || xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) != 0)
        return DomError(E_FAIL, u"The element name is not a valid XML name.");
    xmlNodePtr node = xmlNewDocNode(m_doc, nullptr, reinterpret_cast<const xmlChar*>(name.c_str()), nullptr);
    if (!node)
        return E_OUTOFMEMORY;
    Adopt(node);
    return Wrap(node, __uuidof(IXMLDOMElement), reinterpret_cast<void**>(element));
}

HRESULT DomDocument::get_readyState(LONG* value)
{
    if (!value)
        return E_INVALIDARG;
    *value = 4; // READYSTATE_COMPLETE: a built document has nothing left to load.
    return S_OK;
}

HRESULT DomDocument::get_async(VARIANT_BOOL* isAsync)
{
    if (!isAsync)
        return E_INVALIDARG;
    *isAsync = m_async ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT DomDocument::put_async(VARIANT_BOOL isAsync)
{
    m_async = isAsync != VARIANT_FALSE;
    return S_OK;
}

namespace {

HRESULT CreateDocument(REFIID riid, void** ppv)
{
    DomDocument* document = new (std::nothrow) DomDocument();
    if (!document)
        return E_OUTOFMEMORY;
    HRESULT hr = document->LibxmlNode() ? document->QueryInterface(riid, ppv) : E_OUTOFMEMORY;
    document->Release();
    return hr;
}

struct Registration {
    Registration()
    {
        xmlInitParser();
        pal::RegisterBuiltinClass(CLSID_DOMDocument, u"Msxml.DOMDocument", CreateDocument);
        pal::RegisterBuiltinClass(CLSID_DOMDocument, u"Microsoft.XMLDOM", CreateDocument);
        pal::RegisterBuiltinClass(CLSID_DOMDocument60, u"Msxml2.DOMDocument.6.0", CreateDocument);
    }
} g_registration;

} // namespace

} // namespace pal::msxml
