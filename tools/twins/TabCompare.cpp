// Walks the two outputs side by side. Controls are matched by id (a control on one side only is one
// difference), pages by page number and group, other windows by window name, other arrays by an "id" their
// elements all have or else by position. "waitSeconds" is timing and never compared; "file" fields are
// compared by their last component, since the Wine side names Windows paths.
#include "TabCompare.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace tabcompare {

namespace {

const char* kAbsent = "(absent)";

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += '\\', out += char(c);
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else
            out += char(c);
    }
    return out + "\"";
}

void Compact(const JsonValue& v, std::string& out)
{
    switch (v.kind) {
    case JsonValue::Null: out += "null"; break;
    case JsonValue::Bool: out += v.boolean ? "true" : "false"; break;
    case JsonValue::Number: out += v.text; break;
    case JsonValue::String: out += Quoted(v.text); break;
    case JsonValue::Array:
        out += "[";
        for (size_t i = 0; i < v.items.size() && out.size() < 400; ++i)
            Compact(v.items[i], out += i ? ", " : "");
        out += "]";
        break;
    case JsonValue::Object:
        out += "{";
        for (size_t i = 0; i < v.items.size() && out.size() < 400; ++i) {
            out += (i ? ", " : "") + Quoted(v.keys[i]) + ": ";
            Compact(v.items[i], out);
        }
        out += "}";
        break;
    }
}

// A value as the report shows it; a control by kind, id and label, not its whole subtree.
std::string Shown(const JsonValue& v)
{
    const JsonValue* kind = v.Find("kind");
    const JsonValue* id = v.Find("id");
    if (kind && id && kind->kind == JsonValue::String && id->kind == JsonValue::String) {
        std::string text = kind->text + " " + id->text;
        if (const JsonValue* label = v.Find("label"); label && label->kind == JsonValue::String)
            text += " " + Quoted(label->text);
        return text;
    }
    std::string out;
    Compact(v, out);
    if (out.size() > 200)
        out = out.substr(0, 200) + "...";
    return out;
}

std::string LastComponent(const std::string& path)
{
    size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool SameScalar(const JsonValue& a, const JsonValue& b)
{
    switch (a.kind) {
    case JsonValue::Null: return true;
    case JsonValue::Bool: return a.boolean == b.boolean;
    case JsonValue::Number: return a.number == b.number || a.text == b.text;
    case JsonValue::String: return a.text == b.text;
    default: return false;
    }
}

// An array's elements under their keys, in order; false when the keys are not usable (then by position).
using Keyed = std::vector<std::pair<std::string, const JsonValue*>>;

class Walker {
public:
    explicit Walker(Comparison& out) : m_out(out) {}

    void Differ(const std::string& path, const std::string& onLinux, const std::string& onWine)
    {
        m_out.differences.push_back({path, onLinux, onWine});
    }

    void Field(const std::string& path, const JsonValue& a, const JsonValue& b)
    {
        if (a.kind != b.kind) {
            ++m_out.fields;
            Differ(path, Shown(a), Shown(b));
            return;
        }
        if (a.kind == JsonValue::Object) {
            Object(path, a, b, [this](const std::string& key, const std::string& p, const JsonValue* x,
                                      const JsonValue* y) { Member(key, p, x, y); });
            return;
        }
        if (a.kind == JsonValue::Array) {
            Array(path, a, b, [this](const std::string& p, const JsonValue& x, const JsonValue& y) { Field(p, x, y); });
            return;
        }
        ++m_out.fields;
        if (SameScalar(a, b))
            return;
        Difference d{path, Shown(a), Shown(b)};
        if (a.kind == JsonValue::Number && (EndsWith(path, ".image.width") || EndsWith(path, ".image.height"))) {
            d.imageSize = true;
            d.linuxPixels = a.number;
            d.winePixels = b.number;
        }
        m_out.differences.push_back(d);
    }

    // One side may lack the member; the default is to compare it as a plain field.
    void Member(const std::string& key, const std::string& path, const JsonValue* a, const JsonValue* b)
    {
        if (!a || !b) {
            ++m_out.fields;
            Differ(path, a ? Shown(*a) : kAbsent, b ? Shown(*b) : kAbsent);
            return;
        }
        (void)key;
        Field(path, *a, *b);
    }

    template <class Fn> void Object(const std::string& path, const JsonValue& a, const JsonValue& b, Fn member)
    {
        std::vector<std::string> keys = a.keys;
        for (const std::string& k : b.keys)
            if (!a.Find(k))
                keys.push_back(k);
        std::set<std::string> seen;
        for (const std::string& k : keys)
            if (seen.insert(k).second)
                member(k, path + "." + k, a.Find(k), b.Find(k));
    }

    // Elements matched by key; a one-sided element is one difference.
    template <class Fn>
    void Matched(const std::string& path, const std::string& sep, const Keyed& a, const Keyed& b, Fn both)
    {
        std::map<std::string, const JsonValue*> inB(b.begin(), b.end());
        std::set<std::string> inA;
        for (const auto& [key, value] : a) {
            inA.insert(key);
            auto other = inB.find(key);
            if (other == inB.end()) {
                ++m_out.fields;
                Differ(path + sep + key, Shown(*value), kAbsent);
            } else {
                both(path + sep + key, *value, *other->second);
            }
        }
        for (const auto& [key, value] : b)
            if (!inA.count(key)) {
                ++m_out.fields;
                Differ(path + sep + key, kAbsent, Shown(*value));
            }
    }

    template <class Fn> void Array(const std::string& path, const JsonValue& a, const JsonValue& b, Fn both)
    {
        Keyed ka, kb;
        if (!ById(a, ka) || !ById(b, kb)) {
            ka = ByPosition(a);
            kb = ByPosition(b);
        }
        Matched(path, "/", ka, kb, both);
    }

    // Controls (the tabs, a control's children): keyed by id; a missing, empty or repeated id by
    // kind and ordinal ("dialogBoxLauncher#1").
    void Controls(const std::string& path, const std::string& sep, const JsonValue* a, const JsonValue* b)
    {
        if (!a || !b || a->kind != JsonValue::Array || b->kind != JsonValue::Array) {
            Member("", path + (sep == "/" ? ".children" : "tabs"), a, b);
            return;
        }
        Matched(path, sep, ControlKeys(*a), ControlKeys(*b),
                [this](const std::string& p, const JsonValue& x, const JsonValue& y) { Control(p, x, y); });
    }

    void Control(const std::string& path, const JsonValue& a, const JsonValue& b)
    {
        if (a.kind != JsonValue::Object || b.kind != JsonValue::Object) {
            Field(path, a, b);
            return;
        }
        Object(path, a, b, [&](const std::string& key, const std::string& p, const JsonValue* x, const JsonValue* y) {
            if (key == "children")
                Controls(path, "/", x, y);
            else
                Member(key, p, x, y);
        });
    }

    void Pages(const std::string& path, const JsonValue* a, const JsonValue* b)
    {
        Keyed ka, kb;
        if (!a || !b || !PageKeys(*a, ka) || !PageKeys(*b, kb)) {
            Member("pages", path, a, b);
            return;
        }
        Matched(path, "/", ka, kb, [this](const std::string& p, const JsonValue& x, const JsonValue& y) {
            Control(p, *x.Find("group"), *y.Find("group"));
        });
    }

    void Windows(const std::string& path, const JsonValue* a, const JsonValue* b)
    {
        Keyed ka, kb;
        if (!a || !b || !WindowKeys(*a, ka) || !WindowKeys(*b, kb)) {
            Member("otherWindows", path, a, b);
            return;
        }
        Matched(path, "/", ka, kb, [this](const std::string& p, const JsonValue& x, const JsonValue& y) {
            Object(p, x, y, [&](const std::string& key, const std::string& fp, const JsonValue* u, const JsonValue* v) {
                if (key == "window")
                    return; // the key itself
                if (key == "file")
                    FileName(fp, u, v);
                else if (key == "tabs")
                    Controls(p, "/", u, v);
                else
                    Member(key, fp, u, v);
            });
        });
    }

    void FileName(const std::string& path, const JsonValue* a, const JsonValue* b)
    {
        if (a && b && a->kind == JsonValue::String && b->kind == JsonValue::String) {
            ++m_out.fields;
            if (LastComponent(a->text) != LastComponent(b->text))
                Differ(path, Quoted(LastComponent(a->text)), Quoted(LastComponent(b->text)));
            return;
        }
        Member("file", path, a, b);
    }

    void Message(const std::string& label, const JsonValue& a, const JsonValue& b)
    {
        if (a.kind != JsonValue::Object || b.kind != JsonValue::Object) {
            Field(label, a, b);
            return;
        }
        Object(label, a, b, [&](const std::string& key, const std::string&, const JsonValue* x, const JsonValue* y) {
            std::string path = label + ": " + key;
            if (key == "waitSeconds")
                return;
            if (key == "file")
                FileName(path, x, y);
            else if (key == "tabs")
                Controls(label + ": ", "", x, y);
            else if (key == "pages")
                Pages(path, x, y);
            else if (key == "otherWindows")
                Windows(path, x, y);
            else
                Member(key, path, x, y);
        });
    }

private:
    static Keyed ByPosition(const JsonValue& v)
    {
        Keyed keyed;
        for (size_t i = 0; i < v.items.size(); ++i)
            keyed.emplace_back(std::to_string(i), &v.items[i]);
        return keyed;
    }

    static bool Unique(const Keyed& keyed)
    {
        std::set<std::string> keys;
        for (const auto& entry : keyed)
            if (!keys.insert(entry.first).second)
                return false;
        return true;
    }

    static bool ById(const JsonValue& v, Keyed& keyed)
    {
        if (v.items.empty())
            return true;
        for (const JsonValue& item : v.items) {
            const JsonValue* id = item.Find("id");
            if (!id || (id->kind != JsonValue::String && id->kind != JsonValue::Number) ||
                (id->kind == JsonValue::String && id->text.empty()))
                return false;
            keyed.emplace_back(id->text, &item);
        }
        return Unique(keyed);
    }

    static Keyed ControlKeys(const JsonValue& v)
    {
        std::map<std::string, int> count;
        for (const JsonValue& item : v.items)
            if (const JsonValue* id = item.Find("id"); id && id->kind == JsonValue::String && !id->text.empty())
                ++count[id->text];
        // Counted within their kind, so that a control missing before them does not renumber them.
        std::map<std::string, int> ordinal;
        Keyed keyed;
        for (const JsonValue& item : v.items) {
            const JsonValue* id = item.Find("id");
            if (id && id->kind == JsonValue::String && count[id->text] == 1) {
                keyed.emplace_back(id->text, &item);
                continue;
            }
            const JsonValue* kind = item.Find("kind");
            std::string name = kind && kind->kind == JsonValue::String ? kind->text : "control";
            keyed.emplace_back(name + "#" + std::to_string(++ordinal[name]), &item);
        }
        return keyed;
    }

    static bool PageKeys(const JsonValue& v, Keyed& keyed)
    {
        if (v.kind != JsonValue::Array)
            return false;
        for (const JsonValue& item : v.items) {
            const JsonValue* page = item.Find("page");
            const JsonValue* group = item.Find("group");
            const JsonValue* id = group ? group->Find("id") : nullptr;
            if (!page || page->kind != JsonValue::Number || !id || id->kind != JsonValue::String ||
                group->kind != JsonValue::Object)
                return false;
            keyed.emplace_back(page->text + "/" + id->text, &item);
        }
        return Unique(keyed);
    }

    static bool WindowKeys(const JsonValue& v, Keyed& keyed)
    {
        if (v.kind != JsonValue::Array)
            return false;
        for (const JsonValue& item : v.items) {
            const JsonValue* window = item.Find("window");
            if (!window || window->kind != JsonValue::String || item.kind != JsonValue::Object)
                return false;
            keyed.emplace_back(window->text, &item);
        }
        return Unique(keyed);
    }

    Comparison& m_out;
};

// The message's name in paths: its file's last component, numbered when the run shows it again.
std::vector<std::string> Labels(const JsonValue& a, const JsonValue& b)
{
    std::vector<std::string> labels;
    std::map<std::string, int> seen;
    size_t n = std::max(a.items.size(), b.items.size());
    for (size_t i = 0; i < n; ++i) {
        const JsonValue& message = i < a.items.size() ? a.items[i] : b.items[i];
        const JsonValue* file = message.Find("file");
        std::string label = file && file->kind == JsonValue::String ? LastComponent(file->text) : "";
        if (label.empty())
            label = "message " + std::to_string(i + 1);
        int repeat = ++seen[label];
        labels.push_back(repeat > 1 ? label + "#" + std::to_string(repeat) : label);
    }
    return labels;
}

} // namespace

bool CompareShows(const JsonValue& linuxRun, const JsonValue& wineRun, Comparison& out, std::string& error)
{
    for (const JsonValue* run : {&linuxRun, &wineRun})
        if (run->kind != JsonValue::Array) {
            error = std::string(run == &linuxRun ? "the Linux" : "the Wine") +
                    " output is not an array of messages (vantora show --json)";
            return false;
        }
    Walker walker(out);
    std::vector<std::string> labels = Labels(linuxRun, wineRun);
    for (size_t i = 0; i < labels.size(); ++i) {
        bool onLinux = i < linuxRun.items.size(), onWine = i < wineRun.items.size();
        if (onLinux && onWine) {
            ++out.messages;
            walker.Message(labels[i], linuxRun.items[i], wineRun.items[i]);
        } else {
            ++out.fields;
            const JsonValue& there = onLinux ? linuxRun.items[i] : wineRun.items[i];
            const JsonValue* file = there.Find("file");
            std::string shown = "message " + (file ? Shown(*file) : std::string("?"));
            walker.Differ(labels[i] + ": message", onLinux ? shown : kAbsent, onWine ? shown : kAbsent);
        }
    }
    return true;
}

Verdict ApplyRules(const Comparison& comparison, std::vector<Rule>& rules)
{
    Verdict verdict;
    for (const Difference& d : comparison.differences) {
        Rule* excusing = nullptr;
        for (Rule& rule : rules) {
            if (rule.tolerance && !(d.imageSize && std::fabs(d.linuxPixels - d.winePixels) <= double(rule.pixels)))
                continue;
            if (rule.maskExpression && GlobMatch(rule.pattern, d.path) &&
                std::regex_replace(d.onLinux, *rule.maskExpression, "") !=
                    std::regex_replace(d.onWine, *rule.maskExpression, ""))
                continue;
            if (GlobMatch(rule.pattern, d.path)) {
                excusing = &rule;
                break;
            }
        }
        if (excusing) {
            ++excusing->excused;
            ++verdict.listed;
        } else {
            verdict.unlisted.push_back(d);
        }
    }
    return verdict;
}

std::string Report(const Comparison& comparison, const Verdict& verdict, const std::vector<Rule>& rules)
{
    std::string out;
    for (const Difference& d : verdict.unlisted)
        out += d.path + "\n  linux: " + d.onLinux + "\n  wine:  " + d.onWine + "\n";
    out += "compared " + std::to_string(comparison.messages) + " messages, " + std::to_string(comparison.fields) +
           " fields: " + std::to_string(verdict.listed) + " listed differences, " +
           std::to_string(verdict.unlisted.size()) + " unlisted\n";
    for (const Rule& rule : rules) {
        std::string what = (rule.tolerance ? "tolerance " + std::to_string(rule.pixels) + " px " : std::string()) +
                           (rule.maskExpression ? "mask " + rule.mask + " " : std::string()) + rule.pattern;
        if (rule.excused)
            out += "line " + std::to_string(rule.line) + ": " + what + ": excused " + std::to_string(rule.excused) + "\n";
        else
            out += "line " + std::to_string(rule.line) + ": " + what + ": unused\n";
    }
    return out;
}

} // namespace tabcompare
