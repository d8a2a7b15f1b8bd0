#include "host/dialogs/DialogText.h"

#include "pal/host.h"

namespace host {

namespace {

std::string Lower(const std::u16string& s)
{
    std::string out = pal::ToUtf8(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// Long texts (a rich edit's content) are cut to their first lines.
std::string Excerpt(const std::u16string& text, const std::string& indent)
{
    std::string utf8 = pal::ToUtf8(text), out;
    size_t lines = 0, at = 0;
    while (at <= utf8.size() && lines < 12) {
        size_t end = utf8.find('\n', at);
        std::string line = utf8.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out += indent + "| " + line + "\n";
        ++lines;
        if (end == std::string::npos)
            return out;
        at = end + 1;
    }
    return out + indent + "| ...\n";
}

void Control(const pal::ControlView& c, const std::string& indent, std::string& out)
{
    if (!c.visible)
        return;
    std::string cls = Lower(c.className), line = indent;
    std::string text = pal::ToUtf8(c.text);
    DWORD type = c.style & 0xF;
    if (cls == "button" && type == BS_GROUPBOX)
        line += "[" + text + "]";
    else if (cls == "button" && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                                 type == BS_AUTO3STATE))
        line += std::string(c.checked == BST_CHECKED ? "[x] " : "[ ] ") + text;
    else if (cls == "button")
        line += "<" + text + ">";
    else if (cls == "systabcontrol32") {
        for (size_t i = 0; i < c.items.size(); ++i)
            line += (int(i) == c.current ? " *" : " ") + pal::ToUtf8(c.items[i]) + (int(i) == c.current ? "*" : "");
        line = indent + "tabs:" + line.substr(indent.size());
    } else if (cls == "listbox" || cls == "combobox") {
        size_t selected = 0;
        for (bool s : c.itemSelected)
            selected += s;
        line += cls + " of " + std::to_string(c.items.size()) + " items, " + std::to_string(selected) + " selected";
    } else if (cls == "syslistview32") {
        line += "list:";
        for (const std::u16string& col : c.columns)
            line += " | " + pal::ToUtf8(col);
    } else if (cls == "static" && c.imageId) {
        line += "(picture " + std::to_string(c.imageId) + ")";
    } else if (cls == "msctls_updown32") {
        return; // its buddy shows the number
    } else if (cls == "edit") {
        line += "[" + text + "]";
    } else if (cls == "richedit50w" || cls == "richedit20w") {
        out += indent + "text:\n" + Excerpt(c.text, indent);
        line.clear();
    } else {
        line += text;
    }
    if (!c.enabled && !line.empty())
        line += " (disabled)";
    if (!line.empty())
        out += line + "\n";
    for (const pal::ListViewRow& row : c.rows) {
        std::string r = indent + (row.checked ? "  [x]" : "  [ ]");
        for (const std::u16string& cell : row.cells)
            r += " | " + pal::ToUtf8(cell);
        out += r + "\n";
    }
    for (const pal::ControlView& child : c.children)
        Control(child, indent + "  ", out);
}

} // namespace

std::string DialogText(const pal::DialogView& view)
{
    std::string out = "== " + pal::ToUtf8(view.caption) + " ==\n";
    for (const pal::ControlView& c : view.controls)
        Control(c, "  ", out);
    return out;
}

} // namespace host
