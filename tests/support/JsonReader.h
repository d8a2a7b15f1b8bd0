// A strict reader of the JSON grammar for the tests of the host's JSON: true when the whole text is one
// value.
#pragma once

#include <cctype>
#include <cstring>
#include <string>

namespace testing_support {

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : m_s(s) {}
    bool Document() { return Value() && (Space(), m_i == m_s.size()); }

private:
    void Space()
    {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i])))
            ++m_i;
    }
    bool Eat(char c) { return Space(), m_i < m_s.size() && m_s[m_i] == c ? (++m_i, true) : false; }
    bool Word(const char* w)
    {
        size_t n = std::strlen(w);
        return m_s.compare(m_i, n, w) == 0 ? (m_i += n, true) : false;
    }
    bool String()
    {
        if (!Eat('"'))
            return false;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            unsigned char c = static_cast<unsigned char>(m_s[m_i++]);
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (m_i >= m_s.size() || !std::strchr("\"\\/bfnrtu", m_s[m_i]))
                    return false;
                if (m_s[m_i++] == 'u')
                    for (int k = 0; k < 4; ++k)
                        if (m_i >= m_s.size() || !std::isxdigit(static_cast<unsigned char>(m_s[m_i++])))
                            return false;
            }
        }
        return Eat('"');
    }
    bool Number()
    {
        size_t start = m_i;
        if (m_i < m_s.size() && m_s[m_i] == '-')
            ++m_i;
        while (m_i < m_s.size() && (std::isdigit(static_cast<unsigned char>(m_s[m_i])) || std::strchr(".eE+-", m_s[m_i])))
            ++m_i;
        return m_i > start;
    }
    bool Value()
    {
        Space();
        if (m_i >= m_s.size())
            return false;
        char c = m_s[m_i];
        if (c == '{') {
            ++m_i;
            if (Eat('}'))
                return true;
            do {
                Space();
                if (!String() || !Eat(':') || !Value())
                    return false;
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++m_i;
            if (Eat(']'))
                return true;
            do {
                if (!Value())
                    return false;
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"')
            return String();
        return Word("true") || Word("false") || Word("null") || Number();
    }
    const std::string& m_s;
    size_t m_i = 0;
};

} // namespace testing_support
