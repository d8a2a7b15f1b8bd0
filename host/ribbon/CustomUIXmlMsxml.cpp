// The customUI document read with MSXML 6, as Office reads it: no DTD, no external resources.
#include "host/ribbon/CustomUIXml.h"

#include <windows.h>
#include <msxml6.h>

#include <atlbase.h>

#include "host/text/Utf.h"

namespace ribbon {

namespace {

std::string Text(BSTR s) { return host::Utf8(s ? WStringView(s, SysStringLen(s)) : WStringView()); }

void Copy(IXMLDOMNode* node, XmlElement& out)
{
    CComBSTR name;
    if (SUCCEEDED(node->get_baseName(&name)))
        out.name = Text(name);
    CComPtr<IXMLDOMNamedNodeMap> attributes;
    long count = 0;
    if (SUCCEEDED(node->get_attributes(&attributes)) && attributes && SUCCEEDED(attributes->get_length(&count)))
        for (long i = 0; i < count; ++i) {
            CComPtr<IXMLDOMNode> a;
            CComBSTR qualified, local, aValue;
            if (FAILED(attributes->get_item(i, &a)) || !a || FAILED(a->get_nodeName(&qualified)) ||
                FAILED(a->get_baseName(&local)) || FAILED(a->get_text(&aValue)))
                continue;
            // Namespace declarations are not attributes to libxml2 either.
            std::string q = Text(qualified);
            if (q == "xmlns" || q.rfind("xmlns:", 0) == 0)
                continue;
            out.attributes.emplace_back(Text(local), Text(aValue));
        }
    CComPtr<IXMLDOMNode> child;
    node->get_firstChild(&child);
    while (child) {
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT) {
            out.children.emplace_back();
            Copy(child, out.children.back());
        }
        CComPtr<IXMLDOMNode> next;
        child->get_nextSibling(&next);
        child = next;
    }
}

} // namespace

bool ReadXmlDocument(const std::string& xml, XmlElement& root, std::string& error)
{
    root = XmlElement();
    CComPtr<IXMLDOMDocument2> doc;
    HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLDOMDocument2),
                                  reinterpret_cast<void**>(&doc));
    if (FAILED(hr) || !doc) {
        error = "MSXML 6 cannot be created to read the customUI document";
        return false;
    }
    doc->put_async(VARIANT_FALSE);
    doc->put_resolveExternals(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    doc->setProperty(CComBSTR(L"ProhibitDTD"), CComVariant(true));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    CComBSTR text(host::Wide(xml).c_str());
    hr = doc->loadXML(text, &loaded);
    if (FAILED(hr) || loaded != VARIANT_TRUE) {
        error = "the customUI document is not well-formed XML";
        CComPtr<IXMLDOMParseError> parseError;
        CComBSTR reason;
        if (SUCCEEDED(doc->get_parseError(&parseError)) && parseError && SUCCEEDED(parseError->get_reason(&reason)) &&
            reason.Length()) {
            std::string why = Text(reason);
            while (!why.empty() && (why.back() == '\n' || why.back() == '\r'))
                why.pop_back();
            error += ": " + why;
        }
        return false;
    }
    CComPtr<IXMLDOMElement> top;
    if (SUCCEEDED(doc->get_documentElement(&top)) && top)
        Copy(top, root);
    return true;
}

} // namespace ribbon
