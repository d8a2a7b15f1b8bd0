// The customUI document read with libxml2, without network access or entity expansion: it comes from the
// add-in.
#include "host/ribbon/CustomUIXml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace ribbon {

namespace {

void Copy(const xmlNode* node, XmlElement& out)
{
    out.name = reinterpret_cast<const char*>(node->name);
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
        out.attributes.emplace_back(reinterpret_cast<const char*>(a->name),
                                    value ? reinterpret_cast<const char*>(value) : "");
        xmlFree(value);
    }
    for (const xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE) {
            out.children.emplace_back();
            Copy(child, out.children.back());
        }
}

} // namespace

bool ReadXmlDocument(const std::string& xml, XmlElement& root, std::string& error)
{
    root = XmlElement();
    xmlDocPtr doc = xmlReadMemory(xml.data(), int(xml.size()), "customUI.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        const xmlError* e = xmlGetLastError();
        error = "the customUI document is not well-formed XML";
        if (e && e->message) {
            error += std::string(": ") + e->message;
            while (!error.empty() && error.back() == '\n')
                error.pop_back();
        }
        return false;
    }
    if (const xmlNode* top = xmlDocGetRootElement(doc))
        Copy(top, root);
    xmlFreeDoc(doc);
    return true;
}

} // namespace ribbon
