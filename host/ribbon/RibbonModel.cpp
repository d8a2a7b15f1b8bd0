// The ribbon model over the add-in's customUI document; elements other than controls (qat, contextualTabs,
// backstage) are ignored.
#include "host/ribbon/RibbonModel.h"

#include "host/ribbon/CustomUIXml.h"

#include <cctype>
#include <cstring>

namespace ribbon {

namespace {

void ReadControl(const XmlElement& element, Control& control)
{
    control.kind = element.name;
    for (const auto& [name, value] : element.attributes)
        control.attributes[name] = value;
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
    for (const XmlElement& child : element.children) {
        control.children.emplace_back();
        ReadControl(child, control.children.back());
    }
}

const XmlElement* Child(const XmlElement* element, const char* name)
{
    if (element)
        for (const XmlElement& child : element->children)
            if (child.name == name)
                return &child;
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
    XmlElement root;
    if (!ReadXmlDocument(xml, root, error))
        return false;
    if (root.name != "customUI") {
        error = "the document's root element is not customUI";
        return false;
    }
    for (const auto& [name, value] : root.attributes)
        if (name == "onLoad")
            ribbon.onLoad = value;
    if (const XmlElement* tabs = Child(Child(&root, "ribbon"), "tabs"))
        for (const XmlElement& tab : tabs->children)
            if (tab.name == "tab") {
                ribbon.tabs.emplace_back();
                ReadControl(tab, ribbon.tabs.back());
            }
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
