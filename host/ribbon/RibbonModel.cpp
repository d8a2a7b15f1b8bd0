// Reading the add-in's customUI document with libxml2. The document comes from the add-in, so it is read
// without network access or entity expansion; elements other than controls (qat, contextualTabs,
// backstage) are ignored.
#include "host/ribbon/RibbonModel.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cstring>

namespace ribbon {

namespace {

std::string Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

void ReadControl(const xmlNode* node, Control& control)
{
    control.kind = Name(node);
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
        control.attributes[reinterpret_cast<const char*>(a->name)] = value ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
    }
    control.id = control.Attribute("id");
    if (control.id.empty())
        control.id = control.Attribute("idMso");
    // Static values; the get* callbacks replace them.
    auto text = [&](const char* name) -> std::optional<std::string> {
        auto it = control.attributes.find(name);
        return it == control.attributes.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    control.label = text("label");
    control.screentip = text("screentip");
    control.supertip = text("supertip");
    control.visible = control.Attribute("visible") != "false";
    control.enabled = control.Attribute("enabled") != "false";
    for (const xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE) {
            control.children.emplace_back();
            ReadControl(child, control.children.back());
        }
}

const xmlNode* Child(const xmlNode* node, const char* name)
{
    for (const xmlNode* child = node ? node->children : nullptr; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && Name(child) == name)
            return child;
    return nullptr;
}

Control* Find(std::vector<Control>& controls, const std::string& id)
{
    for (Control& c : controls) {
        if (c.id == id)
            return &c;
        if (Control* found = Find(c.children, id))
            return found;
    }
    return nullptr;
}

bool FindPath(std::vector<Control>& controls, const std::string& id, std::vector<Control*>& path)
{
    for (Control& c : controls) {
        path.push_back(&c);
        if (c.id == id || FindPath(c.children, id, path))
            return true;
        path.pop_back();
    }
    return false;
}

} // namespace

std::string Control::Attribute(const std::string& name) const
{
    auto it = attributes.find(name);
    return it == attributes.end() ? std::string() : it->second;
}

long Control::Number() const
{
    size_t start = id.size();
    while (start > 0 && std::isdigit(static_cast<unsigned char>(id[start - 1])))
        --start;
    // Only the tag form ("..._1066", or digits alone) is a number; "Office_Menu1" is a name.
    if (start == id.size() || id.size() - start > 9 || (start > 0 && id[start - 1] != '_'))
        return -1;
    return std::stol(id.substr(start));
}

bool ParseCustomUI(const std::string& xml, Ribbon& ribbon, std::string& error)
{
    ribbon = Ribbon();
    if (xml.empty()) {
        error = "the add-in returned no customUI document";
        return false;
    }
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
    const xmlNode* root = xmlDocGetRootElement(doc);
    if (!root || Name(root) != "customUI") {
        xmlFreeDoc(doc);
        error = "the document's root element is not customUI";
        return false;
    }
    if (xmlChar* onLoad = xmlGetProp(root, reinterpret_cast<const xmlChar*>("onLoad"))) {
        ribbon.onLoad = reinterpret_cast<const char*>(onLoad);
        xmlFree(onLoad);
    }
    const xmlNode* tabs = Child(Child(root, "ribbon"), "tabs");
    for (const xmlNode* tab = tabs ? tabs->children : nullptr; tab; tab = tab->next)
        if (tab->type == XML_ELEMENT_NODE && Name(tab) == "tab") {
            ribbon.tabs.emplace_back();
            ReadControl(tab, ribbon.tabs.back());
        }
    xmlFreeDoc(doc);
    return true;
}

Control* FindControl(Ribbon& ribbon, const std::string& id)
{
    return id.empty() ? nullptr : Find(ribbon.tabs, id);
}

std::vector<Control*> FindPath(Ribbon& ribbon, const std::string& id)
{
    std::vector<Control*> path;
    if (!id.empty())
        FindPath(ribbon.tabs, id, path);
    return path;
}

} // namespace ribbon
