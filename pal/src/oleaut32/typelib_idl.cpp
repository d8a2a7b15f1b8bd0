// Reads what registration and invocation need from IDL text: attribute blocks ([uuid(...), version(1.0),
// ...]), the library, interface and dispinterface declarations they precede, and the methods of those
// interfaces with their ids, kinds and parameter types.
#include <cctype>
#include <cstdlib>
#include <map>

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


bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Splits at `sep` outside brackets, parentheses and string literals.
std::vector<std::string> SplitTop(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            size_t end = s.find('"', i + 1);
            i = end == std::string::npos ? s.size() - 1 : end;
        } else if (c == '[' || c == '(' || c == '{') {
            ++depth;
        } else if (c == ']' || c == ')' || c == '}') {
            --depth;
        } else if (c == sep && depth == 0) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

// Takes a leading [attribute block] off `s`; empty when there is none.
std::string TakeAttributes(std::string& s)
{
    s = Trim(s);
    if (s.empty() || s[0] != '[')
        return {};
    int depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            size_t end = s.find('"', i + 1);
            i = end == std::string::npos ? s.size() - 1 : end;
        } else if (s[i] == '[') {
            ++depth;
        } else if (s[i] == ']' && --depth == 0) {
            std::string block = s.substr(1, i - 1);
            s = Trim(s.substr(i + 1));
            return block;
        }
    }
    std::string block = s.substr(1);
    s.clear();
    return block;
}

// A type as written ("IDispatch*", "unsigned long", "BSTR *") before its names are resolved.
struct TypeText {
    std::string base;
    int pointers = 0;
};

TypeText ReadType(const std::string& text)
{
    TypeText t;
    std::string words;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == '*') {
            ++t.pointers;
            ++pos;
            continue;
        }
        std::string w = Word(text, pos);
        if (w.empty()) {
            if (pos < text.size())
                ++pos;
            continue;
        }
        if (w != "const")
            words += (words.empty() ? "" : " ") + w;
    }
    t.base = words;
    return t;
}

VARTYPE ValueType(const std::string& name)
{
    static const std::map<std::string, VARTYPE> types = {
        {"long", VT_I4}, {"LONG", VT_I4}, {"int", VT_INT}, {"INT", VT_INT}, {"short", VT_I2}, {"SHORT", VT_I2},
        {"unsigned long", VT_UI4}, {"ULONG", VT_UI4}, {"DWORD", VT_UI4}, {"unsigned int", VT_UINT},
        {"UINT", VT_UINT}, {"unsigned short", VT_UI2}, {"USHORT", VT_UI2}, {"char", VT_I1}, {"CHAR", VT_I1},
        {"unsigned char", VT_UI1}, {"BYTE", VT_UI1}, {"byte", VT_UI1}, {"float", VT_R4}, {"double", VT_R8},
        {"DATE", VT_DATE}, {"CY", VT_CY}, {"CURRENCY", VT_CY}, {"hyper", VT_I8}, {"__int64", VT_I8},
        {"LONGLONG", VT_I8}, {"BSTR", VT_BSTR}, {"VARIANT_BOOL", VT_BOOL}, {"VARIANT", VT_VARIANT},
        {"SCODE", VT_ERROR}, {"HRESULT", VT_HRESULT}, {"void", VT_VOID}};
    auto it = types.find(name);
    return it == types.end() ? VARTYPE(VT_EMPTY) : it->second;
}

// Interfaces named by a pointer: dispatch interfaces travel as VT_DISPATCH, the others as VT_UNKNOWN.
VARTYPE Resolve(const TypeText& t, const std::map<std::string, bool>& dispatchByName)
{
    int pointers = t.pointers;
    VARTYPE vt = ValueType(t.base);
    if (vt == VT_EMPTY) {
        bool dispatch = t.base == "IDispatch" || t.base == "IPictureDisp" || t.base == "IFontDisp";
        auto own = dispatchByName.find(t.base);
        if (own != dispatchByName.end())
            dispatch = own->second;
        else if (!dispatch && t.base != "IUnknown")
            return kVtIllegal;
        if (pointers-- < 1)
            return kVtIllegal;
        vt = dispatch ? VT_DISPATCH : VT_UNKNOWN;
    }
    if (vt == VT_VOID || pointers > 1)
        return pointers == 0 ? vt : kVtIllegal;
    return pointers == 1 ? VARTYPE(vt | VT_BYREF) : vt;
}

struct PendingFunction {
    IdlFunction fn;
    TypeText result;
    std::vector<TypeText> params;
};

// One "[attributes] type Name([in] type a, ...)" member; false when the statement is no method.
bool ReadMethod(std::string statement, PendingFunction& out)
{
    std::string attributes = TakeAttributes(statement);
    size_t open = statement.find('('), close = statement.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    std::string head = Trim(statement.substr(0, open));
    size_t nameStart = head.size();
    while (nameStart > 0 && IsNameChar(head[nameStart - 1]))
        --nameStart;
    if (nameStart == head.size())
        return false;
    out.fn.name = ToWide(head.substr(nameStart));
    out.result = ReadType(head.substr(0, nameStart));
    std::string v;
    if (Argument(attributes, "id", v)) {
        char* end = nullptr;
        long id = std::strtol(v.c_str(), &end, 0);
        if (end != v.c_str() && !*end)
            out.fn.id = DISPID(id);
    }
    out.fn.kind = HasWord(attributes, "propget")      ? INVOKE_PROPERTYGET
                  : HasWord(attributes, "propputref") ? INVOKE_PROPERTYPUTREF
                  : HasWord(attributes, "propput")    ? INVOKE_PROPERTYPUT
                                                      : INVOKE_FUNC;
    std::string list = Trim(statement.substr(open + 1, close - open - 1));
    if (list.empty() || list == "void")
        return true;
    for (std::string param : SplitTop(list, ',')) {
        std::string flags = TakeAttributes(param);
        IdlParam p;
        p.in = HasWord(flags, "in");
        p.out = HasWord(flags, "out");
        p.retval = HasWord(flags, "retval");
        p.optional = HasWord(flags, "optional");
        size_t end = param.find('[') == std::string::npos ? param.size() : param.find('[');
        std::string decl = Trim(param.substr(0, end));
        size_t nameAt = decl.size();
        while (nameAt > 0 && IsNameChar(decl[nameAt - 1]))
            --nameAt;
        p.name = ToWide(decl.substr(nameAt));
        out.fn.params.push_back(p);
        out.params.push_back(ReadType(decl.substr(0, nameAt)));
    }
    return true;
}

// The members of an interface body; dispinterface properties (no parameter list) are not methods.
std::vector<PendingFunction> ReadBody(const std::string& body)
{
    std::vector<PendingFunction> functions;
    for (std::string statement : SplitTop(body, ';')) {
        for (const char* label : {"properties:", "methods:"}) {
            size_t at = statement.find(label);
            if (at != std::string::npos && Trim(statement.substr(0, at)).empty())
                statement = statement.substr(at + std::char_traits<char>::length(label));
        }
        PendingFunction f;
        if (ReadMethod(statement, f))
            functions.push_back(std::move(f));
    }
    return functions;
}

// The position after the brace that closes the one at `open`, or npos.
size_t MatchingBrace(const std::string& s, size_t open)
{
    int depth = 0;
    for (size_t i = open; i < s.size(); ++i) {
        if (s[i] == '"') {
            i = s.find('"', i + 1);
            if (i == std::string::npos)
                return i;
        } else if (s[i] == '{') {
            ++depth;
        } else if (s[i] == '}' && --depth == 0) {
            return i + 1;
        }
    }
    return std::string::npos;
}

// Types, table slots and default ids, once every interface of the text is known.
void Resolve(IdlLibrary& lib, std::vector<std::vector<PendingFunction>>& pending)
{
    std::map<std::string, bool> dispatchByName;
    for (const IdlInterface& itf : lib.interfaces)
        dispatchByName[ToUtf8(itf.name)] = itf.dual || itf.dispinterface || itf.base == u"IDispatch";
    std::map<std::u16string, UINT> slots = {{u"IUnknown", 3}, {u"IDispatch", 7}};
    for (size_t i = 0; i < lib.interfaces.size(); ++i) {
        IdlInterface& itf = lib.interfaces[i];
        UINT first = 0;
        auto base = slots.find(itf.base);
        if (itf.dispinterface)
            first = 7;
        else if (base != slots.end())
            first = base->second;
        else
            itf.baseKnown = false;
        for (size_t n = 0; n < pending[i].size(); ++n) {
            PendingFunction& p = pending[i][n];
            p.fn.vtableIndex = first + UINT(n);
            if (p.fn.id == DISPID_UNKNOWN)
                p.fn.id = DISPID(0x60020000 + n); // what the system assigns to members without an id
            p.fn.result = Resolve(p.result, dispatchByName);
            for (size_t k = 0; k < p.params.size(); ++k)
                p.fn.params[k].vt = Resolve(p.params[k], dispatchByName);
            itf.functions.push_back(std::move(p.fn));
        }
        slots[itf.name] = first + UINT(pending[i].size());
    }
}

} // namespace

bool ParseIdl(const std::string& input, IdlLibrary& lib)
{
    std::string s = StripComments(input);
    bool haveLibrary = false;
    std::vector<std::vector<PendingFunction>> pending;
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
            IdlInterface itf;
            itf.name = ToWide(name);
            itf.iid = a.uuid;
            itf.dispinterface = kind == "dispinterface";
            itf.dual = HasWord(block, "dual");
            itf.automation = a.automation || itf.dispinterface;
            size_t colon = s.find_first_not_of(" \t\r\n", at);
            if (colon != std::string::npos && s[colon] == ':') {
                at = colon + 1;
                itf.base = ToWide(Word(s, at));
                if (itf.base == u"IDispatch")
                    itf.automation = true;
            }
            std::vector<PendingFunction> functions;
            size_t open = s.find_first_not_of(" \t\r\n", at);
            if (open != std::string::npos && s[open] == '{') {
                size_t close = MatchingBrace(s, open);
                if (close == std::string::npos)
                    return false;
                functions = ReadBody(s.substr(open + 1, close - open - 2));
                pos = close;
            }
            lib.interfaces.push_back(itf);
            pending.push_back(std::move(functions));
        }
    }
    Resolve(lib, pending);
    return haveLibrary;
}

} // namespace pal::typelib
