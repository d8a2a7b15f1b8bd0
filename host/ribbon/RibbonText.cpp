// The ribbon as text: the tab, then each group with its controls in document order, one aligned row per
// control (kind, number, label, state, image size) and its tips below it. Hidden groups and controls take
// one short line; what is inside them is not shown, as the ribbon does not show it.
#include <algorithm>
#include <cstdio>

#include "host/ribbon/RibbonRender.h"

namespace ribbon {

namespace {

size_t Width(const std::string& s)
{
    // Code points, which is what a terminal mostly shows for the add-in's texts.
    return size_t(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& s, size_t width)
{
    size_t w = Width(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string Quoted(const std::optional<std::string>& s) { return s && !s->empty() ? "\"" + *s + "\"" : "-"; }

std::string IdText(const Control& c)
{
    long n = c.Number();
    return n >= 0 ? std::to_string(n) : c.id;
}

std::string Size(const Picture& p) { return std::to_string(p.width) + "x" + std::to_string(p.height); }

// Tabs expanded to stops of eight from the start of the text, as a tip window lines them up.
std::string ExpandTabs(const std::string& line)
{
    std::string out;
    size_t column = 0;
    for (char c : line) {
        if (c == '\t') {
            size_t n = 8 - column % 8;
            out.append(n, ' ');
            column += n;
        } else {
            out += c;
            column += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }
    }
    return out;
}

// Containers show no label or state of their own.
bool IsContainer(const Control& c)
{
    return c.kind == "separator" || c.kind == "menu" || c.kind == "dialogBoxLauncher" || c.kind == "box" ||
           c.kind == "buttonGroup";
}

// A tip whose later lines line up under its first.
void Tip(std::string& out, const std::string& indent, const char* name, const std::optional<std::string>& text)
{
    if (!text || text->empty())
        return;
    std::string head = indent + name + ": ";
    std::string pad(Width(head), ' ');
    size_t start = 0;
    bool first = true;
    while (start <= text->size()) {
        size_t eol = text->find('\n', start);
        std::string line = text->substr(start, eol == std::string::npos ? std::string::npos : eol - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out += (first ? head : pad) + ExpandTabs(line) + "\n";
        first = false;
        if (eol == std::string::npos)
            break;
        start = eol + 1;
    }
}

struct Columns {
    size_t kind = 0, id = 0, label = 0;
};

void Measure(const std::vector<Control>& controls, size_t depth, Columns& cols)
{
    for (const Control& c : controls) {
        cols.kind = std::max(cols.kind, depth * 2 + c.kind.size());
        if (!IsContainer(c))
            cols.id = std::max(cols.id, IdText(c).size());
        if (c.visible) {
            if (!IsContainer(c))
                cols.label = std::max(cols.label, std::min<size_t>(Width(Quoted(c.label)), 40));
            Measure(c.children, depth + 1, cols);
        }
    }
}

void Row(std::string& out, const Control& c, const std::string& base, size_t depth, const Columns& cols)
{
    std::string indent = base + std::string(depth * 2, ' ');
    std::string head = indent + Pad(c.kind, cols.kind - depth * 2) + "  " + Pad(IdText(c), cols.id);
    if (!c.visible) {
        out += head + "  hidden\n";
        return;
    }
    std::string line = head;
    if (!IsContainer(c)) {
        line += "  " + Pad(Quoted(c.label), cols.label) + "  " + (c.enabled ? "enabled " : "disabled");
        if (c.image)
            line += "  image " + Size(*c.image);
        else if (!c.Attribute("getImage").empty())
            line += "  no image";
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    out += line + "\n";
    std::string detail = indent + "    ";
    Tip(out, detail, "screen tip", c.screentip);
    Tip(out, detail, "super tip", c.supertip);
    if (c.itemCount) {
        std::string items = detail + "items: " + std::to_string(*c.itemCount);
        if (c.itemWidth || c.itemHeight)
            items += ", each " + std::to_string(c.itemWidth.value_or(0)) + "x" + std::to_string(c.itemHeight.value_or(0));
        out += items + "\n";
        for (size_t i = 0; i < c.items.size(); ++i) {
            const GalleryItem& item = c.items[i];
            std::string itemIndent = detail + "  ";
            std::string itemLine = itemIndent + "item " + std::to_string(i + 1) + ":";
            if (item.label && !item.label->empty())
                itemLine += " \"" + *item.label + "\"";
            if (item.image)
                itemLine += " picture " + Size(*item.image);
            out += itemLine + "\n";
            Tip(out, itemIndent + "  ", "screen tip", item.screentip);
            Tip(out, itemIndent + "  ", "super tip", item.supertip);
        }
    }
    for (const std::string& e : c.errors)
        out += detail + "failed: " + e + "\n";
    for (const Control& child : c.children)
        Row(out, child, base, depth + 1, cols);
}

// A group's title line and its rows; suffix follows the title (a page number).
void Group(std::string& out, const Control& group, const std::string& suffix)
{
    std::string title = "    " + (group.label && !group.label->empty() ? *group.label : "(no label)") + " [" +
                        IdText(group) + "]" + suffix;
    if (!group.visible) {
        out += title + ": hidden\n";
        return;
    }
    out += title + "\n";
    for (const std::string& e : group.errors)
        out += "      failed: " + e + "\n";
    Columns cols;
    Measure(group.children, 0, cols);
    for (const Control& c : group.children)
        Row(out, c, "      ", 0, cols);
}

void TabsText(std::string& out, const Ribbon& ribbon)
{
    if (ribbon.tabs.empty())
        out += "  no tab\n";
    for (const Control& tab : ribbon.tabs) {
        if (!tab.visible) {
            out += "  tab hidden\n";
            continue;
        }
        out += "  tab " + Quoted(tab.label) + (tab.id.empty() ? "" : " (" + IdText(tab) + ")") + "\n";
        for (const std::string& e : tab.errors)
            out += "    failed: " + e + "\n";
        for (const Control& group : tab.children) {
            if (group.kind != "group") {
                Columns cols;
                Measure({group}, 0, cols);
                Row(out, group, "    ", 0, cols);
                continue;
            }
            Group(out, group, "");
        }
    }
}

std::string WindowName(const std::string& window)
{
    return window.rfind("read ", 0) == 0 ? "Read window " + window.substr(5) : "the Explorer";
}

} // namespace

std::string RenderText(const ShownMessage& shown)
{
    std::string out = shown.file + (shown.window == "explorer" ? "" : " in " + WindowName(shown.window)) + "\n";
    TabsText(out, shown.ribbon);
    for (const GroupPage& page : shown.pages)
        Group(out, page.group, ", page " + std::to_string(page.page));
    if (!shown.complete) {
        char buf[64];
        std::snprintf(buf, sizeof(buf), "%g", shown.waitSeconds);
        out += std::string("  requests still outstanding after ") + buf + " s\n";
    }
    for (const WindowTab& other : shown.otherWindows) {
        out += "  meanwhile " + WindowName(other.window) + " shows " + other.file + "\n";
        TabsText(out, other.ribbon);
    }
    return out;
}

} // namespace ribbon
