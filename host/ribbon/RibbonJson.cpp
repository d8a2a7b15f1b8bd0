// The ribbon as JSON: every control with everything its callbacks returned, hidden ones included
// (a hidden control was not asked further, so its other values are the document's).
#include <cstdio>

#include "host/ribbon/RibbonRender.h"
#include "host/text/Json.h"

namespace ribbon {

namespace {

std::string Str(const std::string& text) { return host::JsonString(text); }

std::string Opt(const std::optional<std::string>& s) { return s ? Str(*s) : "null"; }
std::string Opt(const std::optional<int>& n) { return n ? std::to_string(*n) : "null"; }
std::string Bool(bool b) { return b ? "true" : "false"; }

std::string Image(const std::optional<Picture>& p)
{
    return p ? "{\"width\": " + std::to_string(p->width) + ", \"height\": " + std::to_string(p->height) + "}" : "null";
}

void ControlJson(std::string& out, const Control& c, const std::string& pad)
{
    std::string in = pad + "  ";
    out += "{\n";
    out += in + "\"kind\": " + Str(c.kind) + ",\n";
    out += in + "\"id\": " + Str(c.id) + ",\n";
    long n = c.Number();
    out += in + "\"number\": " + (n >= 0 ? std::to_string(n) : "null") + ",\n";
    out += in + "\"label\": " + Opt(c.label) + ",\n";
    out += in + "\"screentip\": " + Opt(c.screentip) + ",\n";
    out += in + "\"supertip\": " + Opt(c.supertip) + ",\n";
    out += in + "\"visible\": " + Bool(c.visible) + ",\n";
    out += in + "\"enabled\": " + Bool(c.enabled) + ",\n";
    out += in + "\"image\": " + Image(c.image) + ",\n";
    if (!c.Attribute("getItemCount").empty()) {
        out += in + "\"itemCount\": " + Opt(c.itemCount) + ",\n";
        out += in + "\"itemWidth\": " + Opt(c.itemWidth) + ",\n";
        out += in + "\"itemHeight\": " + Opt(c.itemHeight) + ",\n";
        out += in + "\"items\": [";
        for (size_t i = 0; i < c.items.size(); ++i) {
            const GalleryItem& item = c.items[i];
            out += std::string(i ? "," : "") + "\n" + in + "  {\"index\": " + std::to_string(i) +
                   ", \"label\": " + Opt(item.label) + ", \"screentip\": " + Opt(item.screentip) +
                   ", \"supertip\": " + Opt(item.supertip) + ", \"image\": " + Image(item.image) + "}";
        }
        out += std::string(c.items.empty() ? "" : "\n" + in) + "],\n";
    }
    out += in + "\"errors\": [";
    for (size_t i = 0; i < c.errors.size(); ++i)
        out += (i ? ", " : "") + Str(c.errors[i]);
    out += "],\n";
    out += in + "\"children\": [";
    for (size_t i = 0; i < c.children.size(); ++i) {
        out += std::string(i ? "," : "") + "\n" + in + "  ";
        ControlJson(out, c.children[i], in + "  ");
    }
    out += std::string(c.children.empty() ? "" : "\n" + in) + "]\n";
    out += pad + "}";
}

} // namespace

std::string RenderJson(const std::vector<ShownMessage>& messages, const std::vector<std::string>& extra)
{
    std::string out = "[";
    for (size_t m = 0; m < messages.size(); ++m) {
        const ShownMessage& shown = messages[m];
        out += std::string(m ? "," : "") + "\n  {\n";
        out += "    \"file\": " + Str(shown.file) + ",\n";
        out += "    \"complete\": " + Bool(shown.complete) + ",\n";
        char wait[32];
        std::snprintf(wait, sizeof(wait), "%g", shown.waitSeconds);
        out += "    \"waitSeconds\": " + std::string(wait) + ",\n";
        out += "    \"window\": " + Str(shown.window) + ",\n";
        out += "    \"tabs\": [";
        for (size_t i = 0; i < shown.ribbon.tabs.size(); ++i) {
            out += std::string(i ? "," : "") + "\n      ";
            ControlJson(out, shown.ribbon.tabs[i], "      ");
        }
        out += std::string(shown.ribbon.tabs.empty() ? "" : "\n    ") + "],\n";
        out += "    \"pages\": [";
        for (size_t i = 0; i < shown.pages.size(); ++i) {
            out += std::string(i ? "," : "") + "\n      {\"page\": " + std::to_string(shown.pages[i].page) +
                   ", \"group\": ";
            ControlJson(out, shown.pages[i].group, "        ");
            out += "}";
        }
        out += std::string(shown.pages.empty() ? "" : "\n    ") + "],\n";
        // The other open windows' tabs as they stand, while a Read window is open.
        out += "    \"otherWindows\": [";
        for (size_t w = 0; w < shown.otherWindows.size(); ++w) {
            const WindowTab& other = shown.otherWindows[w];
            out += std::string(w ? "," : "") + "\n      {\"window\": " + Str(other.window) +
                   ", \"file\": " + Str(other.file) + ", \"tabs\": [";
            for (size_t i = 0; i < other.ribbon.tabs.size(); ++i) {
                out += std::string(i ? "," : "") + "\n        ";
                ControlJson(out, other.ribbon.tabs[i], "        ");
            }
            out += std::string(other.ribbon.tabs.empty() ? "" : "\n      ") + "]}";
        }
        out += std::string(shown.otherWindows.empty() ? "" : "\n    ") + "]";
        if (m < extra.size() && !extra[m].empty())
            out += ",\n" + extra[m];
        out += "\n  }";
    }
    out += messages.empty() ? "]\n" : "\n]\n";
    return out;
}

} // namespace ribbon
