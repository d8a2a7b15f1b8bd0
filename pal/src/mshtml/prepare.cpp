// The text handed to the parser: UTF-16 to UTF-8, and Internet Explorer's conditional comments.
//
// A down-level-hidden conditional comment, "<!--[if IE]>...<![endif]-->", is mark-up to Internet Explorer
// when its condition holds and nothing at all otherwise; to an HTML5 parser it is one comment. The
// condition is read as the engine a written document runs in reads it: the feature "IE" is present with
// the version of the document mode a document without a DOCTYPE gets (5, quirks); every other feature
// ("mso", "vml"...) is absent. The down-level-revealed form ("<!--[if !mso]><!-->") is already ordinary
// mark-up between two comments and is left alone.
#include <cctype>
#include <cstdlib>
#include <string>

#include "common/text.h"
#include "mshtml/parsed.h"

namespace mshtml {

namespace {

constexpr double kDocumentModeVersion = 5;

// Strict UTF-8 without NUL characters, which the parser would take for the end of its input.
std::string ToParserUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (size_t i = 0; i < s.size();) {
        char32_t c = pal::NextScalarValue(s, i);
        pal::AppendUtf8(out, c == 0 ? 0xFFFD : c);
    }
    return out;
}

// A recursive-descent reader of conditions: or of ands of (negated, grouped or compared) features.
class Condition {
public:
    explicit Condition(std::string_view text) : m_s(text) {}

    bool Evaluate()
    {
        bool value = Or();
        Skip();
        return m_ok && m_pos == m_s.size() && value;
    }

private:
    void Skip()
    {
        while (m_pos < m_s.size() && (m_s[m_pos] == ' ' || m_s[m_pos] == '\t' || m_s[m_pos] == '\r' ||
                                      m_s[m_pos] == '\n'))
            ++m_pos;
    }
    bool Accept(char c)
    {
        Skip();
        if (m_pos < m_s.size() && m_s[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    std::string Word()
    {
        Skip();
        size_t start = m_pos;
        while (m_pos < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[m_pos])) || m_s[m_pos] == '.'))
            ++m_pos;
        std::string w(m_s.substr(start, m_pos - start));
        for (char& c : w)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return w;
    }
    bool Or()
    {
        bool value = And();
        while (m_ok && Accept('|'))
            value = And() || value;
        return value;
    }
    bool And()
    {
        bool value = Unary();
        while (m_ok && Accept('&'))
            value = Unary() && value;
        return value;
    }
    bool Unary()
    {
        if (++m_depth > 64) { // conditions are short; a deep one is not a condition
            m_ok = false;
            return false;
        }
        bool value;
        if (Accept('!')) {
            value = !Unary();
        } else if (Accept('(')) {
            value = Or();
            if (!Accept(')'))
                m_ok = false;
        } else {
            value = Comparison();
        }
        --m_depth;
        return value;
    }
    bool Comparison()
    {
        std::string word = Word();
        std::string op;
        if (word == "lt" || word == "lte" || word == "gt" || word == "gte") {
            op = word;
            word = Word();
        }
        if (word.empty()) {
            m_ok = false;
            return false;
        }
        size_t save = m_pos;
        std::string version = Word();
        bool hasVersion = !version.empty() && std::isdigit(static_cast<unsigned char>(version[0]));
        if (!hasVersion)
            m_pos = save;
        if (word != "ie")
            return false;
        if (!hasVersion)
            return op.empty();
        double wanted = std::strtod(version.c_str(), nullptr);
        // "IE 5" matches every 5.x; a version with a fraction is compared exactly.
        double have = version.find('.') == std::string::npos ? double(int(kDocumentModeVersion)) : kDocumentModeVersion;
        if (op.empty()) return have == wanted;
        if (op == "lt") return have < wanted;
        if (op == "lte") return have <= wanted;
        if (op == "gt") return have > wanted;
        return have >= wanted;
    }

    std::string_view m_s;
    size_t m_pos = 0;
    int m_depth = 0;
    bool m_ok = true;
};

// Opens the conditional comments whose condition holds and drops those whose condition fails.
std::string OpenConditionalComments(std::string text)
{
    static constexpr std::string_view kOpen = "<!--[if";
    static constexpr std::string_view kEnd = "<![endif]-->";
    size_t at = text.find(kOpen);
    if (at == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (at != std::string::npos) {
        size_t close = text.find("]>", at + kOpen.size());
        if (close == std::string::npos)
            break;
        size_t content = close + 2;
        if (text.compare(content, 5, "<!-->") == 0) { // down-level-revealed: already mark-up
            at = text.find(kOpen, content);
            continue;
        }
        size_t end = text.find(kEnd, content);
        if (end == std::string::npos)
            break;
        std::string_view condition(text.data() + at + kOpen.size(), close - at - kOpen.size());
        out.append(text, pos, at - pos);
        if (Condition(condition).Evaluate())
            out.append(text, content, end - content);
        pos = end + kEnd.size();
        at = text.find(kOpen, pos);
    }
    out.append(text, pos, std::string::npos);
    return out;
}

} // namespace

std::string PrepareForParser(std::u16string_view html)
{
    return OpenConditionalComments(ToParserUtf8(html));
}

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Where the tag that starts at "<" ends (after its ">"), skipping quoted attribute values; npos if never.
size_t TagEnd(const std::string& s, size_t at)
{
    char quote = 0;
    for (size_t i = at + 1; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            // A quote starts a value only after "=" (with spaces between); elsewhere it is part of a name.
            size_t k = i;
            while (k > at && (s[k - 1] == ' ' || s[k - 1] == '\t' || s[k - 1] == '\n' || s[k - 1] == '\r'))
                --k;
            if (k > at && s[k - 1] == '=')
                quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string::npos;
}

// Position after "</name...>" from at, ignoring case; npos if there is none.
size_t AfterEndTag(const std::string& s, size_t at, const std::string& name)
{
    for (size_t i = s.find("</", at); i != std::string::npos; i = s.find("</", i + 2)) {
        if (s.size() - i - 2 < name.size() || Lower(std::string_view(s).substr(i + 2, name.size())) != name)
            continue;
        size_t end = s.find('>', i);
        return end == std::string::npos ? end : end + 1;
    }
    return std::string::npos;
}

bool IsRawText(const std::string& name)
{
    for (const char* raw : {"script", "style", "noscript", "textarea", "title", "xmp", "iframe", "noembed",
                            "noframes", "template", "plaintext"})
        if (name == raw)
            return true;
    return false;
}

} // namespace

std::string FlattenForParser(const std::string& s)
{
    std::string out;
    out.reserve(s.size() / 2);
    size_t i = 0;
    while (i < s.size()) {
        size_t lt = s.find('<', i);
        out.append(s, i, lt == std::string::npos ? std::string::npos : lt - i);
        if (lt == std::string::npos)
            break;
        i = lt;
        if (s.compare(i, 4, "<!--") == 0) {
            size_t end = s.find("-->", i + 4);
            if (end == std::string::npos)
                break;
            i = end + 3;
            continue;
        }
        size_t k = i + 1;
        bool endTag = k < s.size() && s[k] == '/';
        if (endTag)
            ++k;
        size_t nameStart = k;
        while (k < s.size() && IsNameChar(s[k]))
            ++k;
        if (k == nameStart && !(k < s.size() && (s[k] == '!' || s[k] == '?'))) {
            out += "&lt;";
            ++i;
            continue;
        }
        size_t end = TagEnd(s, i);
        if (end == std::string::npos)
            break;
        std::string name = Lower(std::string_view(s).substr(nameStart, k - nameStart));
        if (!endTag && IsRawText(name)) {
            end = name == "plaintext" ? std::string::npos : AfterEndTag(s, end, name);
            if (end == std::string::npos)
                break;
        } else if (name == "a" || name == "area" || name == "base" || name == "br") {
            out.append(s, i, end - i);
        }
        i = end;
    }
    return out;
}

} // namespace mshtml
