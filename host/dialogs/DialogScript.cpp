// Parsing of the dialog scripts and their actions; see DialogScript.h.
#include "host/dialogs/DialogScript.h"

#include <cctype>

#include "pal/host.h"

namespace host {

namespace {

// Splits at the unescaped ';' and resolves the escapes.
bool Split(const std::string& script, std::vector<std::string>& parts, std::string& error)
{
    std::string current;
    for (size_t i = 0; i < script.size(); ++i) {
        char c = script[i];
        if (c == ';') {
            parts.push_back(current);
            current.clear();
        } else if (c == '\\') {
            if (i + 1 == script.size()) {
                error = "a backslash ends the script (write \\\\ for a backslash)";
                return false;
            }
            char next = script[++i];
            if (next == ';' || next == '\\')
                current += next;
            else if (next == 'n')
                current += "\r\n";
            else {
                error = std::string("unknown escape \\") + next + " (\\; \\\\ and \\n are known)";
                return false;
            }
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return true;
}

std::string Trim(const std::string& s, bool end = true)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (end && b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

bool Number(const std::string& text, int max, int& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > max)
        return false;
    value = int(v);
    return true;
}

// The fields of the arguments, split at ':' (at most count fields; the last takes the rest).
std::vector<std::string> Fields(const std::string& args, size_t count)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (out.size() + 1 < count) {
        size_t colon = args.find(':', at);
        if (colon == std::string::npos)
            break;
        out.push_back(args.substr(at, colon - at));
        at = colon + 1;
    }
    out.push_back(args.substr(at));
    return out;
}

constexpr int kMaxId = 0xFFFF, kMaxIndex = 1000000, kMaxSize = 20000;

bool ParseAction(const std::string& raw, DialogAction& a, std::string& error)
{
    std::string action = Trim(raw, false);
    size_t eq = action.find('=');
    std::string verb = Trim(action.substr(0, eq));
    bool hasArgs = eq != std::string::npos;
    // The text of type keeps its spaces; the other actions do not care.
    std::string args = hasArgs ? action.substr(eq + 1) : std::string();
    if (verb != "type")
        args = Trim(args);
    a.written = verb == "type" ? action : Trim(action);
    auto bad = [&](const std::string& why) {
        error = "\"" + a.written + "\": " + why;
        return false;
    };
    struct Named {
        const char* name;
        DialogAction::Verb verb;
        size_t fields; // 0: no argument
    };
    static const Named kVerbs[] = {
        {"click", DialogAction::Verb::Click, 1}, {"check", DialogAction::Verb::Check, 1},
        {"tab", DialogAction::Verb::Tab, 2},     {"type", DialogAction::Verb::Type, 2},
        {"focus", DialogAction::Verb::Focus, 1}, {"select", DialogAction::Verb::Select, 2},
        {"row", DialogAction::Verb::Row, 3},     {"cell", DialogAction::Verb::Cell, 4},
        {"link", DialogAction::Verb::Link, 1},   {"resize", DialogAction::Verb::Resize, 1},
        {"close", DialogAction::Verb::Close, 0}, {"show", DialogAction::Verb::Show, 0},
        {"menu", DialogAction::Verb::Menu, 1},   {"rclick", DialogAction::Verb::RightClick, 1},
    };
    const Named* named = nullptr;
    for (const Named& n : kVerbs)
        if (verb == n.name)
            named = &n;
    if (!named)
        return bad("unknown action");
    a.verb = named->verb;
    if (named->fields == 0)
        return hasArgs ? bad("takes no value") : true;
    if (!hasArgs || args.empty())
        return bad("needs a value");
    if (a.verb == DialogAction::Verb::Resize) {
        size_t x = args.find('x');
        if (x == std::string::npos || !Number(args.substr(0, x), kMaxSize, a.width) ||
            !Number(args.substr(x + 1), kMaxSize, a.height))
            return bad("needs WIDTHxHEIGHT in pixels");
        return true;
    }
    std::vector<std::string> f = Fields(args, named->fields);
    if (f.size() != named->fields)
        return bad("needs " + std::to_string(named->fields) + " values separated by ':'");
    if (!Number(f[0], kMaxId, a.id))
        return bad(std::string(a.verb == DialogAction::Verb::Menu ? "bad command" : "bad control id") + " \"" +
                   f[0] + "\"");
    switch (a.verb) {
    case DialogAction::Verb::Tab:
        if (!Number(f[1], kMaxIndex, a.index))
            return bad("bad tab index \"" + f[1] + "\"");
        break;
    case DialogAction::Verb::Type:
        a.text = pal::ToWide(f[1]);
        break;
    case DialogAction::Verb::Select: {
        std::string list = Trim(f[1]);
        size_t at = 0;
        while (!list.empty() && at <= list.size()) {
            size_t comma = list.find(',', at);
            std::string item = Trim(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
            int n = 0;
            if (!Number(item, kMaxIndex, n))
                return bad("bad item \"" + item + "\"");
            a.items.push_back(n);
            if (comma == std::string::npos)
                break;
            at = comma + 1;
        }
        break;
    }
    case DialogAction::Verb::Row:
        if (!Number(f[1], kMaxIndex, a.index))
            return bad("bad row \"" + f[1] + "\"");
        if (f[2] != "on" && f[2] != "off")
            return bad("needs on or off");
        a.on = f[2] == "on";
        break;
    case DialogAction::Verb::Cell:
        if (!Number(f[1], kMaxIndex, a.index))
            return bad("bad row \"" + f[1] + "\"");
        if (!Number(f[2], kMaxIndex, a.column))
            return bad("bad column \"" + f[2] + "\"");
        if (f[3] == "left")
            a.click = pal::ClickKind::Left;
        else if (f[3] == "right")
            a.click = pal::ClickKind::Right;
        else if (f[3] == "double")
            a.click = pal::ClickKind::Double;
        else
            return bad("needs left, right or double");
        break;
    default:
        break;
    }
    return true;
}

const pal::ControlView* Find(const std::vector<pal::ControlView>& controls, int id)
{
    for (const pal::ControlView& c : controls) {
        if (c.id == id)
            return &c;
        if (const pal::ControlView* inner = Find(c.children, id))
            return inner;
    }
    return nullptr;
}

bool IsCheckBox(const pal::ControlView& c)
{
    DWORD type = c.style & 0xF;
    return pal::ToUtf8(c.className) == "Button" &&
           (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE);
}

} // namespace

bool ParseDialogScript(const std::string& script, std::vector<DialogAction>& actions, std::string& error)
{
    actions.clear();
    std::vector<std::string> parts;
    if (!Split(script, parts, error))
        return false;
    for (const std::string& part : parts) {
        if (Trim(part).empty())
            continue;
        DialogAction a;
        if (!ParseAction(part, a, error)) {
            actions.clear();
            return false;
        }
        actions.push_back(std::move(a));
    }
    return true;
}

bool TakeDialogAction(HWND dialog, const DialogAction& a)
{
    using Verb = DialogAction::Verb;
    HWND control = pal::FindControl(dialog, a.id);
    switch (a.verb) {
    case Verb::Click:
        return pal::PressButton(dialog, a.id);
    case Verb::Check: {
        pal::DialogView view = pal::ViewDialog(dialog);
        const pal::ControlView* c = Find(view.controls, a.id);
        return c && IsCheckBox(*c) && pal::PressButton(dialog, a.id);
    }
    case Verb::Tab:
        return control && pal::ChooseTab(control, a.index);
    case Verb::Type:
        return control && pal::TypeText(control, a.text);
    case Verb::Focus:
        return control && pal::FocusControl(control);
    case Verb::Select:
        return control && pal::SelectListItems(control, a.items);
    case Verb::Row:
        return control && pal::CheckListViewRow(control, a.index, a.on);
    case Verb::Cell:
        return control && pal::ClickListViewCell(control, a.index, a.column, a.click);
    case Verb::Link:
        return control && pal::ClickLink(control);
    case Verb::RightClick:
        return control && pal::RightClick(control);
    case Verb::Resize:
        return pal::ResizeDialog(dialog, a.width, a.height);
    case Verb::Close:
        return pal::CloseDialog(dialog);
    case Verb::Show:
        return true;
    case Verb::Menu:
        // The driver chooses from the menu the action before opened; on its own it does nothing.
        return false;
    }
    return false;
}

} // namespace host
