// A dialog as JSON; see DialogJson.h.
#include "host/dialogs/DialogJson.h"

#include <cstdio>

#include "host/text/Json.h"
#include "pal/host.h"

namespace host {

namespace {

std::string Str(const std::u16string& s) { return JsonString(pal::ToUtf8(s)); }
std::string Bool(bool b) { return b ? "true" : "false"; }
std::string Num(long n) { return std::to_string(n); }

std::string Rect(const RECT& r)
{
    return "{\"x\": " + Num(r.left) + ", \"y\": " + Num(r.top) + ", \"width\": " + Num(r.right - r.left) +
           ", \"height\": " + Num(r.bottom - r.top) + "}";
}

std::string Lower(const std::u16string& s)
{
    std::string out = pal::ToUtf8(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

void Control(const pal::ControlView& c, const std::string& pad, std::string& out)
{
    std::string in = pad + "  ";
    std::string cls = Lower(c.className);
    out += "{\"class\": " + Str(c.className) + ", \"id\": " + Num(c.id) + ", \"rect\": " + Rect(c.rect) +
           ",\n" + in + "\"text\": " + Str(c.text) + ", \"visible\": " + Bool(c.visible) +
           ", \"enabled\": " + Bool(c.enabled) + ", \"focused\": " + Bool(c.focused);
    DWORD type = c.style & 0xF;
    if (cls == "button" && type != BS_GROUPBOX && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
        out += ", \"checked\": " + std::string(c.checked == BST_INDETERMINATE ? "\"mixed\"" : Bool(c.checked == BST_CHECKED));
    if (cls == "button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
        out += ", \"default\": " + Bool(type == BS_DEFPUSHBUTTON);
    if (c.imageId)
        out += ", \"image\": " + Num(c.imageId);
    if (cls == "systabcontrol32") {
        out += ",\n" + in + "\"tabs\": [";
        for (size_t i = 0; i < c.items.size(); ++i)
            out += (i ? ", " : "") + Str(c.items[i]);
        out += "], \"current\": " + Num(c.current);
    } else if (cls == "listbox" || cls == "combobox") {
        out += ",\n" + in + "\"items\": [";
        for (size_t i = 0; i < c.items.size(); ++i)
            out += std::string(i ? ", " : "") + "{\"text\": " + Str(c.items[i]) + ", \"selected\": " +
                   Bool(i < c.itemSelected.size() && c.itemSelected[i]) + "}";
        out += "], \"current\": " + Num(c.current);
    } else if (cls == "syslistview32") {
        out += ",\n" + in + "\"columns\": [";
        for (size_t i = 0; i < c.columns.size(); ++i)
            out += (i ? ", " : "") + Str(c.columns[i]);
        out += "],\n" + in + "\"rows\": [";
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const pal::ListViewRow& row = c.rows[r];
            out += std::string(r ? "," : "") + "\n" + in + "  {\"checked\": " + Bool(row.checked) +
                   ", \"selected\": " + Bool(row.selected) + ", \"cells\": [";
            for (size_t i = 0; i < row.cells.size(); ++i)
                out += (i ? ", " : "") + Str(row.cells[i]);
            out += "]}";
        }
        out += std::string(c.rows.empty() ? "" : "\n" + in) + "]";
    } else if (cls == "msctls_updown32") {
        out += ", \"position\": " + Num(c.upDownPos) + ", \"min\": " + Num(c.upDownMin) + ", \"max\": " +
               Num(c.upDownMax);
    } else if (cls == "richedit50w" || cls == "richedit20w") {
        out += ",\n" + in + "\"background\": " + (c.autoBackground ? "\"auto\"" : JsonString(ColorText(c.background)));
        out += ", \"runs\": [";
        for (size_t i = 0; i < c.runs.size(); ++i) {
            const pal::CharRun& run = c.runs[i];
            out += std::string(i ? "," : "") + "\n" + in + "  {\"start\": " + Num(run.start) + ", \"end\": " +
                   Num(run.end) + ", \"bold\": " + Bool(run.bold) + ", \"italic\": " + Bool(run.italic) +
                   ", \"underline\": " + Bool(run.underline) + ", \"color\": " +
                   (run.autoColor ? "\"auto\"" : JsonString(ColorText(run.color))) + ", \"link\": " + Bool(run.link) + "}";
        }
        out += std::string(c.runs.empty() ? "" : "\n" + in) + "]";
    }
    if (!c.children.empty()) {
        out += ",\n" + in + "\"children\": [";
        for (size_t i = 0; i < c.children.size(); ++i) {
            out += std::string(i ? "," : "") + "\n" + in + "  ";
            Control(c.children[i], in + "  ", out);
        }
        out += "\n" + in + "]";
    }
    out += "}";
}

} // namespace

std::string ColorText(COLORREF color)
{
    char buf[8];
    std::snprintf(buf, sizeof(buf), "#%02x%02x%02x", unsigned(GetRValue(color)), unsigned(GetGValue(color)),
                  unsigned(GetBValue(color)));
    return buf;
}

std::string DialogJson(const pal::DialogView& view, const std::string& pad)
{
    std::string in = pad + "  ";
    std::string out = "{\n" + in + "\"templateId\": " + Num(view.templateId) + ",\n" + in + "\"caption\": " +
                      Str(view.caption) + ",\n" + in + "\"rect\": " + Rect(view.rect) + ",\n" + in +
                      "\"client\": " + Rect(view.client) + ",\n" + in + "\"visible\": " + Bool(view.visible) + ",\n" +
                      in + "\"controls\": [";
    for (size_t i = 0; i < view.controls.size(); ++i) {
        out += std::string(i ? "," : "") + "\n" + in + "  ";
        Control(view.controls[i], in + "  ", out);
    }
    out += std::string(view.controls.empty() ? "" : "\n" + in) + "]\n" + pad + "}";
    return out;
}

} // namespace host
