// The registrar: runs .rgs scripts against the registry. A script names root keys (HKCR, HKCU, HKLM) and
// below them keys with optional default values, "val" values and the flags NoRemove, ForceRemove and
// Delete; %NAME% stands for a replacement text added by the caller (%MODULE%: the module's path).
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "atlcom.h"
#include "pal/host.h"

namespace ATL {

namespace {

struct ValueSpec {
    bool present = false;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

struct Node {
    enum Kind { KeyNode, ValNode } kind = KeyNode;
    std::u16string name;
    bool noRemove = false, forceRemove = false, deleteKey = false;
    ValueSpec value;
    std::vector<Node> children;
};

struct RootSpec {
    HKEY root;
    std::vector<Node> keys;
};

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

int CompareNoCase(const std::u16string& a, const char16_t* b) { return _wcsicmp(a.c_str(), b); }

class ScriptParser {
public:
    explicit ScriptParser(const std::u16string& text) : m_s(text) {}

    bool Parse(std::vector<RootSpec>& roots)
    {
        for (;;) {
            Skip();
            if (m_pos >= m_s.size())
                return true;
            std::u16string name;
            if (!Token(name))
                return false;
            RootSpec spec{RootFor(name), {}};
            if (!spec.root)
                return false;
            Skip();
            if (!Expect(u'{') || !Body(spec.keys, false))
                return false;
            roots.push_back(std::move(spec));
        }
    }

private:
    static HKEY RootFor(const std::u16string& n)
    {
        if (!CompareNoCase(n, u"HKCR") || !CompareNoCase(n, u"HKEY_CLASSES_ROOT"))
            return HKEY_CLASSES_ROOT;
        if (!CompareNoCase(n, u"HKCU") || !CompareNoCase(n, u"HKEY_CURRENT_USER"))
            return HKEY_CURRENT_USER;
        if (!CompareNoCase(n, u"HKLM") || !CompareNoCase(n, u"HKEY_LOCAL_MACHINE"))
            return HKEY_LOCAL_MACHINE;
        return nullptr;
    }

    void Skip()
    {
        while (m_pos < m_s.size() && IsSpace(m_s[m_pos]))
            ++m_pos;
    }

    bool IsBlockBrace() const
    {
        return m_pos < m_s.size() && (m_s[m_pos] == u'{' || m_s[m_pos] == u'}') &&
               (m_pos + 1 >= m_s.size() || IsSpace(m_s[m_pos + 1]) || m_s[m_pos + 1] == u'{' ||
                m_s[m_pos + 1] == u'}');
    }

    bool Expect(char16_t c)
    {
        Skip();
        if (m_pos < m_s.size() && m_s[m_pos] == c && (c == u'=' || IsBlockBrace())) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool Peek(char16_t c)
    {
        Skip();
        return m_pos < m_s.size() && m_s[m_pos] == c;
    }

    // A bare word, or a text in single quotes where '' stands for one quote.
    bool Token(std::u16string& out)
    {
        Skip();
        out.clear();
        if (m_pos >= m_s.size())
            return false;
        if (m_s[m_pos] == u'\'') {
            for (++m_pos; m_pos < m_s.size(); ++m_pos) {
                if (m_s[m_pos] == u'\'') {
                    if (m_pos + 1 < m_s.size() && m_s[m_pos + 1] == u'\'') {
                        out += u'\'';
                        ++m_pos;
                        continue;
                    }
                    ++m_pos;
                    return true;
                }
                out += m_s[m_pos];
            }
            return false;
        }
        // A name in braces ({CLSID}) is a word; a brace followed by a space opens or closes a block.
        if (IsBlockBrace())
            return false;
        bool braced = m_s[m_pos] == u'{';
        while (m_pos < m_s.size() && !IsSpace(m_s[m_pos]) && m_s[m_pos] != u'=' && m_s[m_pos] != u'\'' &&
               (braced || (m_s[m_pos] != u'{' && m_s[m_pos] != u'}')))
            out += m_s[m_pos++];
        return !out.empty();
    }

    bool Value(ValueSpec& v)
    {
        std::u16string type, text;
        if (!Token(type) || !Token(text))
            return false;
        v.present = true;
        if (!CompareNoCase(type, u"s") || !CompareNoCase(type, u"e") || !CompareNoCase(type, u"m")) {
            v.type = !CompareNoCase(type, u"s") ? REG_SZ : !CompareNoCase(type, u"e") ? REG_EXPAND_SZ : REG_MULTI_SZ;
            if (v.type == REG_MULTI_SZ) // items are separated by \0 in the script text
                for (size_t at; (at = text.find(u"\\0")) != std::u16string::npos;)
                    text.replace(at, 2, 1, u'\0');
            text.push_back(u'\0');
            if (v.type == REG_MULTI_SZ)
                text.push_back(u'\0');
            v.data.assign(reinterpret_cast<const BYTE*>(text.data()),
                          reinterpret_cast<const BYTE*>(text.data() + text.size()));
            return true;
        }
        if (!CompareNoCase(type, u"d")) {
            std::string n = pal::ToUtf8(text);
            char* end = nullptr;
            unsigned long long d = std::strtoull(n.c_str(), &end, 0);
            if (n.empty() || *end || d > 0xFFFFFFFFull)
                return false;
            DWORD dw = DWORD(d);
            v.type = REG_DWORD;
            v.data.assign(reinterpret_cast<BYTE*>(&dw), reinterpret_cast<BYTE*>(&dw) + 4);
            return true;
        }
        if (!CompareNoCase(type, u"b")) {
            if (text.size() % 2)
                return false;
            v.type = REG_BINARY;
            for (size_t i = 0; i < text.size(); i += 2) {
                std::string pair = pal::ToUtf8(text.substr(i, 2));
                if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
                    !std::isxdigit(static_cast<unsigned char>(pair[1])))
                    return false;
                v.data.push_back(BYTE(std::stoi(pair, nullptr, 16)));
            }
            return true;
        }
        return false;
    }

    // The keys and values up to the closing brace.
    bool Body(std::vector<Node>& out, bool allowValues)
    {
        for (;;) {
            if (Expect(u'}'))
                return true;
            Node node;
            std::u16string word;
            if (!Token(word))
                return false;
            for (;;) {
                if (!CompareNoCase(word, u"NoRemove"))
                    node.noRemove = true;
                else if (!CompareNoCase(word, u"ForceRemove"))
                    node.forceRemove = true;
                else if (!CompareNoCase(word, u"Delete"))
                    node.deleteKey = true;
                else
                    break;
                if (!Token(word))
                    return false;
            }
            if (!CompareNoCase(word, u"val") && !Peek(u'=') && !Peek(u'{')) {
                if (!allowValues || node.noRemove || node.forceRemove || node.deleteKey)
                    return false;
                node.kind = Node::ValNode;
                if (!Token(node.name) || !Expect(u'=') || !Value(node.value))
                    return false;
                out.push_back(std::move(node));
                continue;
            }
            node.name = word;
            if (node.name.find(u'\\') != std::u16string::npos)
                return false;
            if (Expect(u'=') && !Value(node.value))
                return false;
            if (Expect(u'{') && !Body(node.children, true))
                return false;
            out.push_back(std::move(node));
        }
    }

    const std::u16string& m_s;
    size_t m_pos = 0;
};

HRESULT FromStatus(LSTATUS s) { return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s); }

HRESULT RegisterNodes(HKEY parent, const std::vector<Node>& nodes);

HRESULT RegisterNode(HKEY parent, const Node& node)
{
    if (node.kind == Node::ValNode)
        return FromStatus(RegSetValueExW(parent, node.name.c_str(), 0, node.value.type, node.value.data.data(),
                                         DWORD(node.value.data.size())));
    if (node.deleteKey || node.forceRemove) {
        LSTATUS s = RegDeleteTreeW(parent, node.name.c_str());
        if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND)
            return FromStatus(s);
        if (node.deleteKey)
            return S_OK;
    }
    HKEY key = nullptr;
    LSTATUS s = RegCreateKeyExW(parent, node.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (s != ERROR_SUCCESS)
        return FromStatus(s);
    HRESULT hr = S_OK;
    if (node.value.present)
        hr = FromStatus(RegSetValueExW(key, nullptr, 0, node.value.type, node.value.data.data(),
                                       DWORD(node.value.data.size())));
    if (SUCCEEDED(hr))
        hr = RegisterNodes(key, node.children);
    RegCloseKey(key);
    return hr;
}

HRESULT RegisterNodes(HKEY parent, const std::vector<Node>& nodes)
{
    for (const Node& n : nodes) {
        HRESULT hr = RegisterNode(parent, n);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

// Removes what registration wrote; keys marked NoRemove stay, and a key that still has subkeys of
// someone else's stays too. Keys already gone are not an error.
HRESULT UnregisterNodes(HKEY parent, const std::vector<Node>& nodes)
{
    for (const Node& node : nodes) {
        if (node.kind == Node::ValNode) {
            LSTATUS s = RegDeleteValueW(parent, node.name.c_str());
            if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND)
                return FromStatus(s);
            continue;
        }
        if (node.deleteKey)
            continue;
        if (node.forceRemove && !node.noRemove) {
            LSTATUS s = RegDeleteTreeW(parent, node.name.c_str());
            if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND)
                return FromStatus(s);
            continue;
        }
        HKEY key = nullptr;
        LSTATUS s = RegOpenKeyExW(parent, node.name.c_str(), 0, KEY_ALL_ACCESS, &key);
        if (s == ERROR_FILE_NOT_FOUND)
            continue;
        if (s != ERROR_SUCCESS)
            return FromStatus(s);
        HRESULT hr = UnregisterNodes(key, node.children);
        DWORD subkeys = 0;
        if (SUCCEEDED(hr))
            s = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr);
        RegCloseKey(key);
        if (FAILED(hr))
            return hr;
        if (s != ERROR_SUCCESS)
            return FromStatus(s);
        if (!node.noRemove && subkeys == 0) {
            s = RegDeleteKeyW(parent, node.name.c_str());
            if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND)
                return FromStatus(s);
        }
    }
    return S_OK;
}

// Resource scripts are UTF-16 with a byte order mark, or 8-bit text (taken as UTF-8).
std::u16string DecodeScript(const BYTE* p, DWORD size)
{
    if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        std::u16string w((size - 2) / 2, u'\0');
        std::memcpy(w.data(), p + 2, w.size() * 2);
        return w;
    }
    std::string_view s(reinterpret_cast<const char*>(p), size);
    if (s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
    std::u16string w = pal::ToWide(s);
    w.erase(std::find(w.begin(), w.end(), u'\0'), w.end());
    return w;
}

} // namespace

HRESULT CRegObject::AddReplacement(LPCOLESTR key, LPCOLESTR item)
{
    if (!key || !item)
        return E_INVALIDARG;
    for (auto& [k, v] : m_replacements) {
        if (!_wcsicmp(k.c_str(), key)) {
            v = item;
            return S_OK;
        }
    }
    m_replacements.emplace_back(key, item);
    return S_OK;
}

HRESULT CRegObject::ClearReplacements()
{
    m_replacements.clear();
    return S_OK;
}

HRESULT CRegObject::Expand(LPCOLESTR script, String& out) const
{
    out.clear();
    for (const WCHAR* p = script; *p; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        const WCHAR* end = p + 1;
        while (*end && *end != u'%')
            ++end;
        if (!*end)
            return DISP_E_EXCEPTION;
        std::u16string name(p + 1, end);
        if (name.empty()) {
            out += u'%'; // %% is a percent sign
        } else {
            const std::u16string* value = nullptr;
            for (const auto& [k, v] : m_replacements)
                if (!_wcsicmp(k.c_str(), name.c_str()))
                    value = &v;
            if (!value)
                return DISP_E_EXCEPTION;
            // The replacement lands inside quoted script text, where a quote is doubled.
            for (char16_t c : *value) {
                out += c;
                if (c == u'\'')
                    out += c;
            }
        }
        p = end;
    }
    return S_OK;
}

HRESULT CRegObject::Run(LPCOLESTR script, bool doRegister)
{
    if (!script)
        return E_INVALIDARG;
    std::u16string text;
    HRESULT hr = Expand(script, text);
    if (FAILED(hr))
        return hr;
    std::vector<RootSpec> roots;
    if (!ScriptParser(text).Parse(roots))
        return DISP_E_EXCEPTION;
    for (const RootSpec& root : roots) {
        hr = doRegister ? RegisterNodes(root.root, root.keys) : UnregisterNodes(root.root, root.keys);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CRegObject::StringRegister(LPCOLESTR script) { return Run(script, true); }
HRESULT CRegObject::StringUnregister(LPCOLESTR script) { return Run(script, false); }

HRESULT CRegObject::ResourceRun(HINSTANCE hInst, UINT nID, LPCOLESTR szType, bool doRegister)
{
    HRSRC res = FindResourceW(hInst, MAKEINTRESOURCEW(nID), szType ? szType : u"REGISTRY");
    if (!res)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    HGLOBAL data = LoadResource(hInst, res);
    const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    std::u16string script = DecodeScript(bytes, SizeofResource(hInst, res));
    return Run(script.c_str(), doRegister);
}

HRESULT CRegObject::ResourceRegister(HINSTANCE hInst, UINT nID, LPCOLESTR szType)
{
    return ResourceRun(hInst, nID, szType, true);
}

HRESULT CRegObject::ResourceUnregister(HINSTANCE hInst, UINT nID, LPCOLESTR szType)
{
    return ResourceRun(hInst, nID, szType, false);
}

} // namespace ATL
