// The registry tree and its text form: the export format of the Windows registry editor
// ("Windows Registry Editor Version 5.00", [ROOT\path] sections, "name"=value lines).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "advapi32/regtree.h"
#include "pal/host.h"
#include "common/text.h"
#include "pal/unicode.h"

namespace pal::reg {

char16_t FoldCase(char16_t c) { return pal::UpcaseUnit(c); }

int CompareNames(std::u16string_view a, std::u16string_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

Key* Key::Find(const std::u16string& child) const
{
    auto it = subkeys.find(child);
    return it == subkeys.end() ? nullptr : it->second.get();
}

Key* Key::Walk(const std::vector<std::u16string>& path) const
{
    const Key* k = this;
    for (const std::u16string& part : path) {
        k = k->Find(part);
        if (!k)
            return nullptr;
    }
    return const_cast<Key*>(k);
}

Key& Key::Ensure(const std::u16string& child, bool* created)
{
    auto it = subkeys.find(child);
    if (it != subkeys.end()) {
        if (created)
            *created = false;
        return *it->second;
    }
    auto k = std::make_unique<Key>();
    k->name = child;
    Key& ref = *k;
    subkeys.emplace(child, std::move(k));
    if (created)
        *created = true;
    return ref;
}

Value* Key::FindValue(std::u16string_view valueName)
{
    for (Value& v : values)
        if (CompareNames(v.name, valueName) == 0)
            return &v;
    return nullptr;
}

const Value* Key::FindValue(std::u16string_view valueName) const
{
    return const_cast<Key*>(this)->FindValue(valueName);
}

bool Key::SetValue(std::u16string_view valueName, DWORD type, const BYTE* data, size_t size)
{
    Value* v = FindValue(valueName);
    if (!v) {
        values.push_back(Value{std::u16string(valueName), type, {}});
        v = &values.back();
    } else if (v->type == type && v->data.size() == size && std::equal(data, data + size, v->data.begin())) {
        return false;
    }
    v->type = type;
    v->data.assign(data, data + size);
    return true;
}

namespace {

std::unique_ptr<Key> CloneKey(const Key& k)
{
    auto copy = std::make_unique<Key>();
    copy->name = k.name;
    copy->values = k.values;
    for (const auto& [n, child] : k.subkeys)
        copy->subkeys.emplace_hint(copy->subkeys.end(), n, CloneKey(*child));
    return copy;
}

} // namespace

std::shared_ptr<Key> Key::Clone() const { return CloneKey(*this); }

bool Key::DeleteValue(std::u16string_view valueName)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (CompareNames(it->name, valueName) == 0) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";

// Text as UTF-8 with the escapes of esc, except lone surrogates, which UTF-8 cannot hold: each is written
// as loneEscape followed by its four hexadecimal digits.
template <class Escape> std::string EscapeText(std::u16string_view s, const char* loneEscape, Escape esc)
{
    std::string out;
    size_t start = 0;
    auto flush = [&](size_t end) {
        for (char c : ToUtf8(s.substr(start, end - start)))
            esc(out, c);
    };
    for (size_t i = 0; i < s.size(); ++i) {
        if (!pal::IsLoneSurrogate(s, i))
            continue;
        flush(i);
        char buf[8];
        std::snprintf(buf, sizeof(buf), "%04x", unsigned(s[i]));
        out += loneEscape;
        out += buf;
        start = i + 1;
    }
    flush(s.size());
    return out;
}

// Quoted text: backslash, quote and line breaks are escaped, as the registry editor of Wine does, and a
// lone surrogate is \uXXXX (an escape older files never hold: they had no \u).
std::string Quote(std::u16string_view s)
{
    return "\"" + EscapeText(s, "\\u", [](std::string& out, char c) {
               switch (c) {
               case '\\': out += "\\\\"; break;
               case '"': out += "\\\""; break;
               case '\n': out += "\\n"; break;
               case '\r': out += "\\r"; break;
               default: out += c;
               }
           }) + "\"";
}

// A key name in a section header, where a backslash separates names: a lone surrogate is written as
// \\uXXXX, since two backslashes in a row (an empty name) never occur otherwise.
std::string SectionName(std::u16string_view s)
{
    return EscapeText(s, "\\\\u", [](std::string& out, char c) { out += c; });
}

// Four hexadecimal digits at s[pos], as one UTF-16 unit.
bool HexUnit(std::string_view s, size_t pos, char16_t& unit)
{
    if (pos + 4 > s.size())
        return false;
    unsigned v = 0;
    for (size_t i = pos; i < pos + 4; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (!std::isxdigit(c))
            return false;
        v = v * 16 + unsigned(std::isdigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    unit = char16_t(v);
    return true;
}

// A REG_SZ is written as text only when the text form gives back exactly the same bytes.
bool IsPlainString(const Value& v)
{
    if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0)
        return false;
    size_t n = v.data.size() / 2;
    std::u16string s(n, u'\0');
    std::memcpy(s.data(), v.data.data(), v.data.size());
    if (s[n - 1] != 0)
        return false;
    for (size_t i = 0; i + 1 < n; ++i)
        if (s[i] == 0)
            return false;
    return true;
}

void AppendHex(std::string& line, std::string& out, const std::vector<BYTE>& data)
{
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof(buf), "%02x", data[i]);
        line += buf;
        if (i + 1 < data.size()) {
            line += ',';
            if (line.size() > 76) {
                out += line + "\\\n";
                line = "  ";
            }
        }
    }
}

std::string FormatValue(const Value& v)
{
    std::string line = v.name.empty() ? "@" : Quote(v.name);
    line += '=';
    if (IsPlainString(v)) {
        std::u16string s(v.data.size() / 2 - 1, u'\0');
        std::memcpy(s.data(), v.data.data(), s.size() * 2);
        return line + Quote(s) + "\n";
    }
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d;
        std::memcpy(&d, v.data.data(), 4);
        char buf[16];
        std::snprintf(buf, sizeof(buf), "dword:%08x", unsigned(d));
        return line + buf + "\n";
    }
    if (v.type == REG_BINARY) {
        line += "hex:";
    } else {
        char buf[24];
        std::snprintf(buf, sizeof(buf), "hex(%x):", unsigned(v.type));
        line += buf;
    }
    std::string out;
    AppendHex(line, out, v.data);
    return out + line + "\n";
}

void FormatKey(const Key& k, const std::string& path, bool isRoot, std::string& out)
{
    if (!isRoot || !k.values.empty()) {
        out += "\n[" + path + "]\n";
        for (const Value& v : k.values)
            out += FormatValue(v);
    }
    for (const auto& [name, child] : k.subkeys)
        FormatKey(*child, path + "\\" + SectionName(child->name), false, out);
}

struct Parser {
    const std::u16string& rootName;
    Key& root;
    std::string& error;
    // Text of a UTF-8 file reads as it always did; text converted from UTF-16 keeps lone surrogates.
    std::u16string (*decode)(std::string_view);
    int lineNo = 0;
    Key* current = nullptr;

    bool Fail(const std::string& why)
    {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    }

    // Reads a quoted text starting at s[pos] == '"'; leaves pos after the closing quote.
    bool Unquote(const std::string& s, size_t& pos, std::u16string& out)
    {
        std::string raw;
        out.clear();
        for (++pos; pos < s.size(); ++pos) {
            char c = s[pos];
            if (c == '"') {
                ++pos;
                out += decode(raw);
                return true;
            }
            if (c == '\\') {
                if (++pos >= s.size())
                    break;
                char16_t unit;
                switch (s[pos]) {
                case '\\': raw += '\\'; break;
                case '"': raw += '"'; break;
                case 'n': raw += '\n'; break;
                case 'r': raw += '\r'; break;
                case 'u':
                    if (!HexUnit(s, pos + 1, unit))
                        return Fail("bad \\u escape");
                    out += decode(raw);
                    raw.clear();
                    out += unit;
                    pos += 4;
                    break;
                default: return Fail(std::string("unknown escape \\") + s[pos]);
                }
            } else {
                raw += c;
            }
        }
        return Fail("unterminated quoted text");
    }

    // The names of a section's path: separated by one backslash; two backslashes and uXXXX are one unit.
    void SplitSection(std::string_view path, std::vector<std::u16string>& parts)
    {
        std::u16string part;
        std::string raw;
        for (size_t i = 0; i <= path.size(); ++i) {
            char16_t unit;
            if (i < path.size() && path[i] != '\\') {
                raw += path[i];
            } else if (i + 2 < path.size() && path[i + 1] == '\\' && path[i + 2] == 'u' && HexUnit(path, i + 3, unit)) {
                part += decode(raw);
                raw.clear();
                part += unit;
                i += 6;
            } else {
                part += decode(raw);
                raw.clear();
                parts.push_back(std::move(part));
                part.clear();
            }
        }
    }

    bool Section(const std::string& line)
    {
        size_t close = line.rfind(']');
        if (close == std::string::npos)
            return Fail("section without ']'");
        for (size_t i = close + 1; i < line.size(); ++i)
            if (line[i] != ' ' && line[i] != '\t')
                return Fail("text after ']'");
        bool remove = line.size() > 1 && line[1] == '-';
        std::vector<std::u16string> parts;
        SplitSection(std::string_view(line).substr(remove ? 2 : 1, close - (remove ? 2 : 1)), parts);
        if (CompareNames(parts[0], rootName) != 0)
            return Fail("section outside " + ToUtf8(rootName));
        for (size_t i = 1; i < parts.size(); ++i)
            if (parts[i].empty())
                return Fail("empty key name in section");
        parts.erase(parts.begin());
        if (remove) {
            current = nullptr;
            if (parts.empty())
                return Fail("the root cannot be removed");
            std::u16string last = parts.back();
            parts.pop_back();
            if (Key* parent = root.Walk(parts))
                parent->subkeys.erase(last);
            return true;
        }
        current = &root;
        for (const std::u16string& p : parts)
            current = &current->Ensure(p);
        return true;
    }

    bool HexBytes(const std::string& s, std::vector<BYTE>& out)
    {
        size_t i = 0;
        auto skip = [&] {
            while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
                ++i;
        };
        skip();
        while (i < s.size()) {
            if (i + 1 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i])) ||
                !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
                return Fail("bad hexadecimal byte");
            out.push_back(BYTE(std::stoi(s.substr(i, 2), nullptr, 16)));
            i += 2;
            skip();
            if (i < s.size()) {
                if (s[i] != ',')
                    return Fail("expected ',' between bytes");
                ++i;
                skip();
                if (i >= s.size())
                    return Fail("trailing ','");
            }
        }
        return true;
    }

    bool ValueLine(const std::string& line)
    {
        if (!current)
            return Fail("value outside a section");
        size_t pos = 0;
        std::u16string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, name)) {
            return false;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return Fail("expected '=' after the value name");
        ++pos;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        std::string data = line.substr(pos);
        while (!data.empty() && (data.back() == ' ' || data.back() == '\t'))
            data.pop_back();
        if (data == "-") {
            current->DeleteValue(name);
            return true;
        }
        if (!data.empty() && data[0] == '"') {
            size_t p = 0;
            std::u16string text;
            if (!Unquote(data, p, text))
                return false;
            if (p != data.size())
                return Fail("text after the closing quote");
            text.push_back(u'\0');
            current->SetValue(name, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), text.size() * 2);
            return true;
        }
        if (data.rfind("dword:", 0) == 0) {
            std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8)
                return Fail("bad dword");
            for (char c : digits)
                if (!std::isxdigit(static_cast<unsigned char>(c)))
                    return Fail("bad dword");
            DWORD d = DWORD(std::stoul(digits, nullptr, 16));
            current->SetValue(name, REG_DWORD, reinterpret_cast<const BYTE*>(&d), 4);
            return true;
        }
        DWORD type = REG_BINARY;
        std::string bytes;
        if (data.rfind("hex:", 0) == 0) {
            bytes = data.substr(4);
        } else if (data.rfind("hex(", 0) == 0) {
            size_t close = data.find("):", 4);
            if (close == std::string::npos || close == 4 || close > 12)
                return Fail("bad hex(type)");
            for (size_t i = 4; i < close; ++i)
                if (!std::isxdigit(static_cast<unsigned char>(data[i])))
                    return Fail("bad hex(type)");
            type = DWORD(std::stoul(data.substr(4, close - 4), nullptr, 16));
            bytes = data.substr(close + 2);
        } else {
            return Fail("unknown value data");
        }
        std::vector<BYTE> raw;
        if (!HexBytes(bytes, raw))
            return false;
        current->SetValue(name, type, raw.data(), raw.size());
        return true;
    }
};

// UTF-16 text, as the registry editor writes it, in the lossless UTF-8 form (lone surrogates kept).
std::string Utf16LeToWtf8(const std::string& text)
{
    std::u16string w((text.size() - 2) / 2, u'\0');
    std::memcpy(w.data(), text.data() + 2, w.size() * 2);
    return pal::ToWtf8(w);
}

std::u16string DecodeUtf8(std::string_view s) { return ToWide(s); }

} // namespace

bool ParseRegText(const std::string& input, const std::u16string& rootName, Key& root, std::string& error)
{
    std::string text = input;
    std::u16string (*decode)(std::string_view) = DecodeUtf8;
    if (text.size() >= 2 && BYTE(text[0]) == 0xFF && BYTE(text[1]) == 0xFE) {
        text = Utf16LeToWtf8(text);
        decode = pal::FromWtf8;
    } else if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }

    Parser p{rootName, root, error, decode};
    bool sawHeader = false;
    size_t pos = 0;
    std::string pending; // a hexadecimal value continued over several lines
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        ++p.lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!pending.empty()) {
            size_t first = line.find_first_not_of(" \t");
            line = pending + (first == std::string::npos ? "" : line.substr(first));
            pending.clear();
        }
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        line.erase(0, first);
        if (!sawHeader) {
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
                line.pop_back();
            if (line != kHeader)
                return p.Fail("missing \"" + std::string(kHeader) + "\" header");
            sawHeader = true;
            continue;
        }
        if (line[0] == ';')
            continue;
        if (line.back() == '\\' && line[0] != '[') {
            line.pop_back();
            pending = line;
            if (pos >= text.size())
                return p.Fail("continued line at end of file");
            continue;
        }
        bool ok = line[0] == '[' ? p.Section(line) : (line[0] == '"' || line[0] == '@') ? p.ValueLine(line)
                                                                                        : p.Fail("unexpected text");
        if (!ok)
            return false;
    }
    if (!sawHeader && !text.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos)
        return p.Fail("missing header");
    return true;
}

std::string FormatRegText(const Key& root, const std::u16string& rootName)
{
    std::string out = std::string(kHeader) + "\n";
    FormatKey(root, ToUtf8(rootName), true, out);
    return out;
}

} // namespace pal::reg
