// A strict reader of the JSON grammar: the tests of the host's JSON ask whether the whole text is one
// value, and tab_compare (tools/twins) reads the host's JSON into a tree. Header only, no dependencies.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

// Appends the UTF-8 bytes of one code point; a lone surrogate is kept as its own three bytes, so that two
// different texts never read the same.
inline void AppendUtf8(uint32_t c, std::string& out)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;               // a string's value (UTF-8), or a number as written
    std::vector<JsonValue> items;   // an array's elements, or an object's values
    std::vector<std::string> keys;  // an object's keys, one per value, in document order

    // An object's first value under key, or null.
    const JsonValue* Find(const std::string& key) const
    {
        if (kind == Object)
            for (size_t i = 0; i < keys.size(); ++i)
                if (keys[i] == key)
                    return &items[i];
        return nullptr;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : m_s(s) {}
    // The whole text is one value.
    bool Document() { return Parse(nullptr); }
    // The same, reading it into out.
    bool Document(JsonValue& out) { return Parse(&out); }
    // Where and why the text is not JSON ("line 3, column 7: ...").
    const std::string& Error() const { return m_error; }

    // Nesting deeper than this is refused rather than recursed into.
    static constexpr int kMaxDepth = 512;

private:
    bool Parse(JsonValue* out)
    {
        m_i = 0;
        m_error.clear();
        if (!Value(out, 0))
            return false;
        Space();
        return m_i == m_s.size() || Fail("text after the value");
    }

    bool Fail(const char* what)
    {
        if (m_error.empty()) {
            size_t line = 1, column = 1;
            for (size_t k = 0; k < m_i && k < m_s.size(); ++k, ++column)
                if (m_s[k] == '\n')
                    ++line, column = 0;
            m_error = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
        }
        return false;
    }
    void Space()
    {
        while (m_i < m_s.size() && std::strchr(" \t\r\n", m_s[m_i]) && m_s[m_i])
            ++m_i;
    }
    bool Eat(char c) { return Space(), m_i < m_s.size() && m_s[m_i] == c ? (++m_i, true) : false; }
    bool Word(const char* w)
    {
        size_t n = std::strlen(w);
        return m_s.compare(m_i, n, w) == 0 ? (m_i += n, true) : false;
    }
    static int Hex(char c)
    {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    }
    bool Hex4(uint32_t& unit)
    {
        unit = 0;
        for (int k = 0; k < 4; ++k, ++m_i) {
            int h = m_i < m_s.size() ? Hex(m_s[m_i]) : -1;
            if (h < 0)
                return Fail("bad \\u escape");
            unit = unit * 16 + uint32_t(h);
        }
        return true;
    }
    bool String(std::string* out)
    {
        if (!Eat('"'))
            return Fail("expected a string");
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            unsigned char c = static_cast<unsigned char>(m_s[m_i++]);
            if (c < 0x20)
                return --m_i, Fail("control character in a string");
            if (c != '\\') {
                if (out)
                    *out += char(c);
                continue;
            }
            if (m_i >= m_s.size() || !m_s[m_i] || !std::strchr("\"\\/bfnrtu", m_s[m_i]))
                return Fail("bad escape");
            char e = m_s[m_i++];
            static const char plain[] = "\"\\/bfnrt";
            static const char meant[] = "\"\\/\b\f\n\r\t";
            if (e != 'u') {
                if (out)
                    *out += meant[std::strchr(plain, e) - plain];
                continue;
            }
            uint32_t unit;
            if (!Hex4(unit))
                return false;
            if (unit >= 0xD800 && unit < 0xDC00 && m_s.compare(m_i, 2, "\\u") == 0) {
                size_t back = m_i;
                m_i += 2;
                uint32_t low;
                if (!Hex4(low))
                    return false;
                if (low >= 0xDC00 && low < 0xE000)
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                else
                    m_i = back; // not a pair: both stay lone units
            }
            if (out)
                AppendUtf8(unit, *out);
        }
        return Eat('"') || Fail("unterminated string");
    }
    bool Digits()
    {
        size_t start = m_i;
        while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9')
            ++m_i;
        return m_i > start;
    }
    bool Number(JsonValue* out)
    {
        size_t start = m_i;
        if (m_i < m_s.size() && m_s[m_i] == '-')
            ++m_i;
        if (m_i < m_s.size() && m_s[m_i] == '0')
            ++m_i;
        else if (!Digits())
            return Fail("expected a value");
        if (m_i < m_s.size() && m_s[m_i] == '.' && (++m_i, !Digits()))
            return Fail("bad number");
        if (m_i < m_s.size() && (m_s[m_i] == 'e' || m_s[m_i] == 'E')) {
            ++m_i;
            if (m_i < m_s.size() && (m_s[m_i] == '+' || m_s[m_i] == '-'))
                ++m_i;
            if (!Digits())
                return Fail("bad number");
        }
        if (out) {
            out->kind = JsonValue::Number;
            out->text = m_s.substr(start, m_i - start);
            out->number = std::strtod(out->text.c_str(), nullptr);
        }
        return true;
    }
    bool Value(JsonValue* out, int depth)
    {
        Space();
        if (m_i >= m_s.size())
            return Fail("expected a value");
        if (depth >= kMaxDepth)
            return Fail("nested too deeply");
        char c = m_s[m_i];
        if (c == '{') {
            ++m_i;
            if (out)
                out->kind = JsonValue::Object;
            if (Eat('}'))
                return true;
            do {
                Space();
                std::string key;
                JsonValue value;
                if (!String(out ? &key : nullptr))
                    return false;
                if (!Eat(':'))
                    return Fail("expected ':'");
                if (!Value(out ? &value : nullptr, depth + 1))
                    return false;
                if (out) {
                    out->keys.push_back(std::move(key));
                    out->items.push_back(std::move(value));
                }
            } while (Eat(','));
            return Eat('}') || Fail("expected ',' or '}'");
        }
        if (c == '[') {
            ++m_i;
            if (out)
                out->kind = JsonValue::Array;
            if (Eat(']'))
                return true;
            do {
                JsonValue value;
                if (!Value(out ? &value : nullptr, depth + 1))
                    return false;
                if (out)
                    out->items.push_back(std::move(value));
            } while (Eat(','));
            return Eat(']') || Fail("expected ',' or ']'");
        }
        if (c == '"') {
            if (out)
                out->kind = JsonValue::String;
            return String(out ? &out->text : nullptr);
        }
        for (const char* word : {"true", "false", "null"})
            if (Word(word)) {
                if (out) {
                    out->kind = *word == 'n' ? JsonValue::Null : JsonValue::Bool;
                    out->boolean = *word == 't';
                }
                return true;
            }
        return Number(out);
    }

    const std::string& m_s;
    size_t m_i = 0;
    std::string m_error;
};

} // namespace testing_support
