// Preprocessor and tokenizer of the resource compiler. Files ending in .h or .c contribute only their
// directives, as with rc.exe, so a C header of ids can be shared between the code and the script.
#include "Lexer.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace vrc {

namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\f\v");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\f\v");
    return s.substr(b, e - b + 1);
}

bool HeaderOnly(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".h" || ext == ".hh" || ext == ".hpp" || ext == ".c";
}

// Blanks out comments (keeping line breaks, so line numbers stay) without touching string literals.
std::string StripComments(const std::string& in, const std::string& path)
{
    std::string out;
    out.reserve(in.size());
    bool inString = false;
    int stringLine = 0, line = 1;
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '\n') {
            if (inString)
                throw CompileError({path, stringLine}, "unterminated string");
            ++line;
            out += c;
            continue;
        }
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < in.size() && in[i + 1] != '\n')
                out += in[++i];
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            stringLine = line;
            out += c;
        } else if (c == '/' && i + 1 < in.size() && in[i + 1] == '/') {
            while (i + 1 < in.size() && in[i + 1] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < in.size() && in[i + 1] == '*') {
            int startLine = line;
            i += 2;
            while (i < in.size() && !(in[i] == '*' && i + 1 < in.size() && in[i + 1] == '/')) {
                if (in[i] == '\n') {
                    ++line;
                    out += '\n';
                }
                ++i;
            }
            if (i >= in.size())
                throw CompileError({path, startLine}, "unterminated comment");
            ++i;
            out += ' ';
        } else {
            out += c;
        }
    }
    if (inString)
        throw CompileError({path, stringLine}, "unterminated string");
    return out;
}

void AppendUtf8(const std::string& s, size_t& i, std::u16string& out)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    int extra = 0;
    if (c >= 0xF0 && c < 0xF8) { cp = c & 0x07; extra = 3; }
    else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
    else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
    if (c >= 0x80 && c < 0xC0)
        extra = 0; // a stray continuation byte stands for itself
    for (int k = 0; k < extra; ++k) {
        if (i + 1 >= s.size() || (static_cast<unsigned char>(s[i + 1]) & 0xC0) != 0x80) {
            cp = c;
            extra = 0;
            break;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(s[++i]) & 0x3F);
    }
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        out += char16_t(cp);
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The body of a string literal after its opening quote; leaves i after the closing quote.
std::u16string ReadString(const std::string& s, size_t& i, bool wide, const Location& where)
{
    std::u16string out;
    for (;;) {
        if (i >= s.size())
            throw CompileError(where, "unterminated string");
        char c = s[i];
        if (c == '"') {
            if (i + 1 < s.size() && s[i + 1] == '"') { // "" stands for one quote
                out += u'"';
                i += 2;
                continue;
            }
            ++i;
            return out;
        }
        if (c != '\\') {
            AppendUtf8(s, i, out);
            ++i;
            continue;
        }
        if (++i >= s.size())
            throw CompileError(where, "unterminated string");
        char e = s[i++];
        switch (e) {
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case 'a': out += u'\a'; break;
        case 'b': out += u'\b'; break;
        case '\\': out += u'\\'; break;
        case '"': out += u'"'; break;
        case '\'': out += u'\''; break;
        case 'x':
        case 'X': {
            int maxDigits = wide ? 4 : 2, n = 0;
            uint32_t v = 0;
            while (n < maxDigits && i < s.size() && HexValue(s[i]) >= 0) {
                v = v * 16 + uint32_t(HexValue(s[i++]));
                ++n;
            }
            if (n == 0)
                throw CompileError(where, "\\x used with no following hex digits");
            out += char16_t(v);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                uint32_t v = uint32_t(e - '0');
                for (int n = 1; n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n)
                    v = v * 8 + uint32_t(s[i++] - '0');
                out += char16_t(wide ? v : (v & 0xFF));
            } else { // an unknown escape keeps its backslash, as rc.exe does
                out += u'\\';
                --i;
            }
        }
    }
}

} // namespace

std::vector<Token> Tokenize(const std::string& s, const Location& where)
{
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token t;
        t.where = where;
        if ((c == 'L' || c == 'l') && i + 1 < s.size() && s[i + 1] == '"') {
            t.kind = TokenKind::String;
            t.wide = true;
            i += 2;
            t.value = ReadString(s, i, true, where);
        } else if (c == '"') {
            t.kind = TokenKind::String;
            ++i;
            t.value = ReadString(s, i, false, where);
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t b = i;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
                ++i;
            t.kind = TokenKind::Identifier;
            t.text = s.substr(b, i - b);
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t b = i;
            uint64_t v = 0;
            if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
                i += 2;
                size_t digits = i;
                while (i < s.size() && HexValue(s[i]) >= 0)
                    v = ((v << 4) | uint64_t(HexValue(s[i++]))) & 0xFFFFFFFFull;
                if (i == digits)
                    throw CompileError(where, "malformed number '" + s.substr(b, i - b) + "'");
            } else {
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
                    v = (v * 10 + uint64_t(s[i++] - '0')) & 0xFFFFFFFFull;
            }
            while (i < s.size() && std::strchr("uUlL", s[i])) {
                if (s[i] == 'l' || s[i] == 'L')
                    t.isLong = true;
                ++i;
            }
            if (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
                throw CompileError(where, "malformed number '" + s.substr(b, i - b + 1) + "'");
            t.kind = TokenKind::Number;
            t.number = uint32_t(v);
            t.text = s.substr(b, i - b);
        } else {
            static const char* const twoChar[] = {"<<", ">>", "&&", "||", "==", "!=", "<=", ">="};
            t.kind = TokenKind::Punct;
            t.text = std::string(1, c);
            for (const char* p : twoChar)
                if (s.compare(i, 2, p) == 0)
                    t.text = p;
            i += t.text.size();
        }
        out.push_back(std::move(t));
    }
    return out;
}

Lexer::Lexer(std::vector<std::string> includeDirs, std::map<std::string, Macro> predefined)
    : m_includeDirs(std::move(includeDirs)), m_macros(std::move(predefined))
{
}

std::pair<std::string, Macro> Lexer::ParseDefine(const std::string& definition)
{
    size_t eq = definition.find('=');
    std::string name = Trim(definition.substr(0, eq));
    Macro m;
    m.body = Tokenize(eq == std::string::npos ? "1" : definition.substr(eq + 1), {"<command line>", 0});
    return {name, m};
}

bool ReadWholeFile(const std::string& path, std::string& content)
{
    try {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec))
            return false;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return false;
        // The stream's buffer throws on a read error whatever the stream's exception mask says.
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad())
            return false;
        content = std::move(data);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string Lexer::Resolve(const std::string& name, const std::string& fromFile) const
{
    std::string n = name;
    for (char& c : n)
        if (c == '\\')
            c = '/';
    std::error_code ec;
    if (fs::path(n).is_absolute())
        return fs::is_regular_file(n, ec) ? n : std::string();
    std::vector<std::string> dirs;
    if (!fromFile.empty())
        dirs.push_back(fs::path(fromFile).parent_path().string());
    dirs.insert(dirs.end(), m_includeDirs.begin(), m_includeDirs.end());
    for (const std::string& d : dirs) {
        fs::path p = fs::path(d.empty() ? "." : d) / n;
        if (fs::is_regular_file(p, ec))
            return fs::absolute(p).lexically_normal().string();
    }
    return {};
}

void Lexer::Run(const std::string& path)
{
    ReadFile(path, {"<command line>", 0}, 0);
    if (!m_conditionals.empty())
        throw CompileError(m_conditionals.back().where, "#if without matching #endif");
}

bool Lexer::Active() const
{
    for (const Conditional& c : m_conditionals)
        if (!c.active)
            return false;
    return true;
}

void Lexer::ReadFile(const std::string& path, const Location& includedFrom, int depth)
{
    if (depth > 32)
        throw CompileError(includedFrom, "#include nested too deeply");
    std::string text;
    if (!ReadWholeFile(path, text))
        throw CompileError(includedFrom, "cannot read file '" + path + "'");
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    m_files.insert((ec ? fs::path(path) : absolute).lexically_normal().string());
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    text = StripComments(text, path);
    size_t conditionalDepth = m_conditionals.size();
    bool headerOnly = HeaderOnly(path);

    std::istringstream lines(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(lines, line)) {
        ++lineNo;
        Location where{path, lineNo};
        std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed[0] == '#') {
            while (!trimmed.empty() && trimmed.back() == '\\' && std::getline(lines, line)) {
                ++lineNo;
                trimmed.pop_back();
                trimmed += " " + Trim(line);
            }
            Directive(trimmed.substr(1), where, path, depth);
            continue;
        }
        if (headerOnly || trimmed.empty() || !Active())
            continue;
        Emit(Tokenize(trimmed, where));
    }
    if (m_conditionals.size() > conditionalDepth)
        throw CompileError(m_conditionals.back().where, "#if without matching #endif");
}

void Lexer::Directive(const std::string& line, const Location& where, const std::string& path, int depth)
{
    std::string body = Trim(line);
    size_t n = 0;
    while (n < body.size() && (std::isalnum(static_cast<unsigned char>(body[n])) || body[n] == '_'))
        ++n;
    std::string name = body.substr(0, n);
    std::string rest = Trim(body.substr(n));

    if (name == "ifdef" || name == "ifndef") {
        bool defined = m_macros.count(rest) != 0;
        bool take = (name == "ifdef") == defined;
        m_conditionals.push_back({take, take, false, where});
        return;
    }
    if (name == "if") {
        bool take = Active() && EvaluateCondition(rest, where);
        m_conditionals.push_back({take, take, false, where});
        return;
    }
    if (name == "elif" || name == "else") {
        if (m_conditionals.empty())
            throw CompileError(where, "#" + name + " without #if");
        Conditional& c = m_conditionals.back();
        if (c.seenElse)
            throw CompileError(where, "#" + name + " after #else");
        bool outerActive = true;
        for (size_t k = 0; k + 1 < m_conditionals.size(); ++k)
            outerActive = outerActive && m_conditionals[k].active;
        c.active = false;
        if (!c.anyTaken && outerActive)
            c.active = name == "else" ? true : EvaluateCondition(rest, where);
        c.anyTaken = c.anyTaken || c.active;
        c.seenElse = name == "else";
        return;
    }
    if (name == "endif") {
        if (m_conditionals.empty())
            throw CompileError(where, "#endif without #if");
        m_conditionals.pop_back();
        return;
    }
    if (!Active() || name.empty())
        return;

    if (name == "include") {
        if (rest.size() < 2 || !((rest.front() == '"' && rest.back() == '"') ||
                                 (rest.front() == '<' && rest.back() == '>')))
            throw CompileError(where, "malformed #include");
        std::string file = rest.substr(1, rest.size() - 2);
        std::string resolved = Resolve(file, path);
        // A C header may pull in the compiler's own headers (<cstddef>...), which hold nothing for
        // resources; only the script's own includes must be found.
        if (resolved.empty() && rest.front() == '<' && HeaderOnly(path))
            return;
        if (resolved.empty())
            throw CompileError(where, "cannot open include file '" + file + "'");
        ReadFile(resolved, where, depth + 1);
    } else if (name == "define") {
        size_t e = 0;
        while (e < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[e])) || rest[e] == '_'))
            ++e;
        if (e == 0 || std::isdigit(static_cast<unsigned char>(rest[0])))
            throw CompileError(where, "#define without a macro name");
        Macro m;
        std::string macroName = rest.substr(0, e);
        std::string value = rest.substr(e);
        if (!value.empty() && value[0] == '(') { // function-like: kept only so #ifdef sees it
            m.functionLike = true;
            size_t close = value.find(')');
            value = close == std::string::npos ? std::string() : value.substr(close + 1);
        }
        m.body = Tokenize(value, where);
        m_macros[macroName] = std::move(m);
    } else if (name == "undef") {
        m_macros.erase(rest);
    } else if (name == "error") {
        throw CompileError(where, "#error " + rest);
    } else if (name == "pragma" || name == "line") {
        // code_page and friends: the input is read as UTF-8 throughout.
    } else {
        throw CompileError(where, "unknown preprocessor directive '#" + name + "'");
    }
}

bool Lexer::EvaluateCondition(const std::string& text, const Location& where)
{
    std::vector<Token> raw = Tokenize(text, where), resolved;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i].kind == TokenKind::Identifier && raw[i].text == "defined") {
            bool paren = i + 1 < raw.size() && raw[i + 1].text == "(";
            size_t nameAt = i + (paren ? 2 : 1);
            if (nameAt >= raw.size() || raw[nameAt].kind != TokenKind::Identifier ||
                (paren && (nameAt + 1 >= raw.size() || raw[nameAt + 1].text != ")")))
                throw CompileError(where, "malformed 'defined'");
            Token t;
            t.kind = TokenKind::Number;
            t.number = m_macros.count(raw[nameAt].text) ? 1 : 0;
            t.where = where;
            resolved.push_back(t);
            i = nameAt + (paren ? 1 : 0);
            continue;
        }
        std::set<std::string> active;
        Expand(raw[i], active, resolved);
    }
    for (Token& t : resolved)
        if (t.kind == TokenKind::Identifier) { // unknown names count as 0
            t.kind = TokenKind::Number;
            t.number = 0;
        }
    if (resolved.empty())
        throw CompileError(where, "#if with no expression");
    size_t pos = 0;
    uint32_t v = ExpressionReader(resolved, pos).Parse();
    if (pos != resolved.size())
        throw CompileError(where, "unexpected '" + resolved[pos].text + "' in #if");
    return v != 0;
}

void Lexer::Emit(const std::vector<Token>& raw)
{
    for (const Token& t : raw) {
        std::set<std::string> active;
        Expand(t, active, m_tokens);
    }
}

void Lexer::Expand(const Token& token, std::set<std::string>& active, std::vector<Token>& out)
{
    if (token.kind == TokenKind::Identifier) {
        auto it = m_macros.find(token.text);
        if (it != m_macros.end() && !it->second.functionLike && !active.count(token.text)) {
            active.insert(token.text);
            for (Token t : it->second.body) {
                t.where = token.where;
                Expand(t, active, out);
            }
            active.erase(token.text);
            return;
        }
    }
    out.push_back(token);
}

// ---- expressions ----

const Token& ExpressionReader::Peek() const
{
    static const Token end;
    return m_pos < m_tokens.size() ? m_tokens[m_pos] : end;
}

bool ExpressionReader::IsPunct(const char* p) const
{
    const Token& t = Peek();
    return t.kind == TokenKind::Punct && t.text == p;
}

uint32_t ExpressionReader::Parse() { return Binary(0); }

uint32_t ExpressionReader::Binary(int level)
{
    static const std::vector<std::vector<std::string>> levels = {
        {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="}, {"<<", ">>"}, {"+", "-"},
        {"*", "/", "%"}};
    if (level == int(levels.size()))
        return Unary();
    uint32_t left = Binary(level + 1);
    for (;;) {
        const Token& t = Peek();
        if (t.kind != TokenKind::Punct)
            return left;
        std::string op;
        for (const std::string& candidate : levels[size_t(level)])
            if (t.text == candidate)
                op = candidate;
        if (op.empty())
            return left;
        Location where = t.where;
        ++m_pos;
        uint32_t right = Binary(level + 1);
        if (op == "||") left = (left || right);
        else if (op == "&&") left = (left && right);
        else if (op == "|") left |= right;
        else if (op == "^") left ^= right;
        else if (op == "&") left &= right;
        else if (op == "==") left = left == right;
        else if (op == "!=") left = left != right;
        else if (op == "<") left = int32_t(left) < int32_t(right);
        else if (op == ">") left = int32_t(left) > int32_t(right);
        else if (op == "<=") left = int32_t(left) <= int32_t(right);
        else if (op == ">=") left = int32_t(left) >= int32_t(right);
        else if (op == "<<") left = right >= 32 ? 0 : left << right;
        else if (op == ">>") left = right >= 32 ? 0 : left >> right;
        else if (op == "+") left += right;
        else if (op == "-") left -= right;
        else if (op == "*") left *= right;
        else {
            if (right == 0)
                throw CompileError(where, "division by zero");
            left = op == "/" ? left / right : left % right;
        }
    }
}

uint32_t ExpressionReader::Unary()
{
    const Token& t = Peek();
    if (t.kind == TokenKind::Number) {
        ++m_pos;
        sawLong = sawLong || t.isLong;
        return t.number;
    }
    if (t.kind == TokenKind::Punct) {
        std::string op = t.text;
        Location where = t.where;
        if (op == "(") {
            ++m_pos;
            uint32_t v = Binary(0);
            if (!IsPunct(")"))
                throw CompileError(where, "missing ')'");
            ++m_pos;
            return v;
        }
        if (op == "-" || op == "+" || op == "~" || op == "!") {
            ++m_pos;
            uint32_t v = Unary();
            return op == "-" ? uint32_t(0) - v : op == "~" ? ~v : op == "!" ? uint32_t(!v) : v;
        }
    }
    if (t.kind == TokenKind::End) {
        const Token& last = m_tokens.empty() ? t : m_tokens.back();
        throw CompileError(last.where, "expression expected at end of input");
    }
    if (t.kind == TokenKind::Identifier)
        throw CompileError(t.where, "undefined symbol '" + t.text + "' in expression");
    throw CompileError(t.where, "expression expected");
}

} // namespace vrc
