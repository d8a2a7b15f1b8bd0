// Reads what registration needs from IDL text: attribute blocks ([uuid(...), version(1.0), ...]) and the
// library, interface and dispinterface declarations they precede. Method bodies are skipped.
#include <cctype>
#include <cstdlib>

#include "oleaut32/typelib_idl.h"
#include "pal/host.h"

namespace pal::typelib {

namespace {

// The text without comments; string literals are kept as they are.
std::string StripComments(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            size_t end = i + 1;
            while (end < s.size() && s[end] != '"' && s[end] != '\n')
                end += s[end] == '\\' ? 2 : 1;
            out.append(s, i, std::min(end + 1, s.size()) - i);
            i = end;
        } else if (s.compare(i, 2, "//") == 0) {
            i = s.find('\n', i);
            if (i == std::string::npos)
                break;
            out += '\n';
        } else if (s.compare(i, 2, "/*") == 0) {
            i = s.find("*/", i + 2);
            if (i == std::string::npos)
                break;
            ++i;
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return out;
}

struct Attributes {
    bool hasUuid = false;
    GUID uuid{};
    bool automation = false;
    bool hasVersion = false;
    WORD major = 0, minor = 0;
    LCID lcid = 0;
    std::string helpString;
};

// The argument of name(...) inside an attribute block, or false when absent.
bool Argument(const std::string& block, const std::string& name, std::string& value)
{
    for (size_t at = block.find(name); at != std::string::npos; at = block.find(name, at + 1)) {
        bool startsWord = at == 0 || !(std::isalnum(static_cast<unsigned char>(block[at - 1])) || block[at - 1] == '_');
        size_t open = block.find_first_not_of(" \t\r\n", at + name.size());
        if (!startsWord || open == std::string::npos || block[open] != '(')
            continue;
        size_t close = block.find(')', open);
        if (close == std::string::npos)
            return false;
        value = block.substr(open + 1, close - open - 1);
        size_t a = value.find_first_not_of(" \t\r\n"), b = value.find_last_not_of(" \t\r\n");
        value = a == std::string::npos ? std::string() : value.substr(a, b - a + 1);
        return true;
    }
    return false;
}

bool HasWord(const std::string& block, const std::string& word)
{
    for (size_t at = block.find(word); at != std::string::npos; at = block.find(word, at + 1)) {
        auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        if ((at == 0 || !isName(block[at - 1])) && (at + word.size() >= block.size() || !isName(block[at + word.size()])))
            return true;
    }
    return false;
}

bool ReadAttributes(const std::string& block, Attributes& a)
{
    std::string v;
    if (Argument(block, "uuid", v)) {
        if (!v.empty() && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        std::u16string braced = u"{" + ToWide(v) + u"}";
        if (v.size() != 36 || FAILED(CLSIDFromString(braced.c_str(), &a.uuid)))
            return false;
        a.hasUuid = true;
    }
    if (Argument(block, "version", v)) {
        char* end = nullptr;
        unsigned long major = std::strtoul(v.c_str(), &end, 10), minor = 0;
        if (*end == '.')
            minor = std::strtoul(end + 1, &end, 10);
        if (*end || major > 0xFFFF || minor > 0xFFFF)
            return false;
        a.hasVersion = true;
        a.major = WORD(major);
        a.minor = WORD(minor);
    }
    if (Argument(block, "lcid", v))
        a.lcid = LCID(std::strtoul(v.c_str(), nullptr, 0));
    if (Argument(block, "helpstring", v) && v.size() >= 2 && v.front() == '"' && v.back() == '"')
        a.helpString = v.substr(1, v.size() - 2);
    a.automation = HasWord(block, "dual") || HasWord(block, "oleautomation");
    return true;
}

std::string Word(const std::string& s, size_t& pos)
{
    pos = s.find_first_not_of(" \t\r\n", pos);
    if (pos == std::string::npos)
        return {};
    size_t start = pos;
    while (pos < s.size() && (std::isalnum(static_cast<unsigned char>(s[pos])) || s[pos] == '_'))
        ++pos;
    return s.substr(start, pos - start);
}

} // namespace

bool ParseIdl(const std::string& input, IdlLibrary& lib)
{
    std::string s = StripComments(input);
    bool haveLibrary = false;
    for (size_t pos = s.find('['); pos != std::string::npos; pos = s.find('[', pos)) {
        // The attribute block, up to its matching bracket.
        int depth = 0;
        size_t end = pos;
        for (; end < s.size(); ++end) {
            if (s[end] == '"') {
                end = s.find('"', end + 1);
                if (end == std::string::npos)
                    return false;
            } else if (s[end] == '[') {
                ++depth;
            } else if (s[end] == ']' && --depth == 0) {
                break;
            }
        }
        if (end >= s.size())
            return false;
        std::string block = s.substr(pos + 1, end - pos - 1);
        pos = end + 1;
        Attributes a;
        if (!ReadAttributes(block, a))
            return false;
        size_t at = pos;
        std::string kind = Word(s, at);
        std::string name = Word(s, at);
        if (!a.hasUuid || name.empty())
            continue;
        if (kind == "library") {
            lib.name = ToWide(name);
            lib.helpString = ToWide(a.helpString);
            lib.libid = a.uuid;
            lib.major = a.hasVersion ? a.major : 0;
            lib.minor = a.hasVersion ? a.minor : 0;
            lib.lcid = a.lcid;
            haveLibrary = true;
        } else if (kind == "interface" || kind == "dispinterface") {
            IdlInterface itf{ToWide(name), a.uuid, a.automation || kind == "dispinterface"};
            size_t colon = s.find_first_not_of(" \t\r\n", at);
            if (colon != std::string::npos && s[colon] == ':') {
                size_t b = colon + 1;
                if (Word(s, b) == "IDispatch")
                    itf.automation = true;
            }
            lib.interfaces.push_back(itf);
        }
    }
    return haveLibrary;
}

} // namespace pal::typelib
