// The registrar of our ATL subset (ATL keeps its own in statreg.h): runs .rgs scripts against the
// registry. A script names root keys (HKCR, HKCU, HKLM) and below them keys with optional default values,
// "val" values and the flags NoRemove, ForceRemove and Delete; %NAME% stands for a replacement text added by
// the caller (%MODULE%: the module's path). Included by atlcom.h.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace ATL {

namespace _AtlRegistrar {

using String = std::basic_string<OLECHAR>;

inline int HexDigit(OLECHAR c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A DWORD as C writes it: decimal, 0x hexadecimal or 0 octal, nothing after it, at most 0xFFFFFFFF.
inline bool ParseDword(const String& text, DWORD& out)
{
    size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    } else if (text.size() > 1 && text[0] == '0') {
        base = 8;
        i = 1;
    }
    if (i >= text.size())
        return false;
    unsigned long long value = 0;
    for (; i < text.size(); ++i) {
        int d = HexDigit(text[i]);
        if (d < 0 || unsigned(d) >= base)
            return false;
        value = value * base + unsigned(d);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    out = DWORD(value);
    return true;
}


struct ValueSpec {
    bool present = false;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

struct Node {
    enum Kind { KeyNode, ValNode } kind = KeyNode;
    String name;
    bool noRemove = false, forceRemove = false, deleteKey = false;
    ValueSpec value;
    std::vector<Node> children;
};

struct RootSpec {
    HKEY root;
    std::vector<Node> keys;
};

inline bool IsSpace(OLECHAR c)
{
    return c == OLESTR(' ') || c == OLESTR('\t') || c == OLESTR('\r') || c == OLESTR('\n');
}

inline int CompareNoCase(const String& a, const OLECHAR* b) { return _wcsicmp(a.c_str(), b); }

class ScriptParser {
public:
    explicit ScriptParser(const String& text) : m_s(text) {}

    bool Parse(std::vector<RootSpec>& roots)
    {
        for (;;) {
            Skip();
            if (m_pos >= m_s.size())
                return true;
            String name;
            if (!Token(name))
                return false;
            RootSpec spec{RootFor(name), {}};
            if (!spec.root)
                return false;
            Skip();
            if (!Expect(OLESTR('{')) || !Body(spec.keys, false))
                return false;
            roots.push_back(std::move(spec));
        }
    }

private:
    static HKEY RootFor(const String& n)
    {
        if (!CompareNoCase(n, OLESTR("HKCR")) || !CompareNoCase(n, OLESTR("HKEY_CLASSES_ROOT")))
            return HKEY_CLASSES_ROOT;
        if (!CompareNoCase(n, OLESTR("HKCU")) || !CompareNoCase(n, OLESTR("HKEY_CURRENT_USER")))
            return HKEY_CURRENT_USER;
        if (!CompareNoCase(n, OLESTR("HKLM")) || !CompareNoCase(n, OLESTR("HKEY_LOCAL_MACHINE")))
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
        return m_pos < m_s.size() && (m_s[m_pos] == OLESTR('{') || m_s[m_pos] == OLESTR('}')) &&
               (m_pos + 1 >= m_s.size() || IsSpace(m_s[m_pos + 1]) || m_s[m_pos + 1] == OLESTR('{') ||
                m_s[m_pos + 1] == OLESTR('}'));
    }

    bool Expect(OLECHAR c)
    {
        Skip();
        if (m_pos < m_s.size() && m_s[m_pos] == c && (c == OLESTR('=') || IsBlockBrace())) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool Peek(OLECHAR c)
    {
        Skip();
        return m_pos < m_s.size() && m_s[m_pos] == c;
    }

    // A bare word, or a text in single quotes where '' stands for one quote.
    bool Token(String& out)
    {
        Skip();
        out.clear();
        if (m_pos >= m_s.size())
            return false;
        if (m_s[m_pos] == OLESTR('\'')) {
            for (++m_pos; m_pos < m_s.size(); ++m_pos) {
                if (m_s[m_pos] == OLESTR('\'')) {
                    if (m_pos + 1 < m_s.size() && m_s[m_pos + 1] == OLESTR('\'')) {
                        out += OLESTR('\'');
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
        bool braced = m_s[m_pos] == OLESTR('{');
        while (m_pos < m_s.size() && !IsSpace(m_s[m_pos]) && m_s[m_pos] != OLESTR('=') && m_s[m_pos] != OLESTR('\'') &&
               (braced || (m_s[m_pos] != OLESTR('{') && m_s[m_pos] != OLESTR('}'))))
            out += m_s[m_pos++];
        return !out.empty();
    }

    bool Value(ValueSpec& v)
    {
        String type, text;
        if (!Token(type) || !Token(text))
            return false;
        v.present = true;
        if (!CompareNoCase(type, OLESTR("s")) || !CompareNoCase(type, OLESTR("e")) || !CompareNoCase(type, OLESTR("m"))) {
            v.type = !CompareNoCase(type, OLESTR("s")) ? REG_SZ : !CompareNoCase(type, OLESTR("e")) ? REG_EXPAND_SZ : REG_MULTI_SZ;
            if (v.type == REG_MULTI_SZ) // items are separated by \0 in the script text
                for (size_t at; (at = text.find(OLESTR("\\0"))) != String::npos;)
                    text.replace(at, 2, 1, OLESTR('\0'));
            text.push_back(OLESTR('\0'));
            if (v.type == REG_MULTI_SZ)
                text.push_back(OLESTR('\0'));
            v.data.assign(reinterpret_cast<const BYTE*>(text.data()),
                          reinterpret_cast<const BYTE*>(text.data() + text.size()));
            return true;
        }
        if (!CompareNoCase(type, OLESTR("d"))) {
            DWORD dw = 0;
            if (!ParseDword(text, dw))
                return false;
            v.type = REG_DWORD;
            v.data.assign(reinterpret_cast<BYTE*>(&dw), reinterpret_cast<BYTE*>(&dw) + 4);
            return true;
        }
        if (!CompareNoCase(type, OLESTR("b"))) {
            if (text.size() % 2)
                return false;
            v.type = REG_BINARY;
            for (size_t i = 0; i < text.size(); i += 2) {
                int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
                if (high < 0 || low < 0)
                    return false;
                v.data.push_back(BYTE(high * 16 + low));
            }
            return true;
        }
        return false;
    }

    // The keys and values up to the closing brace.
    bool Body(std::vector<Node>& out, bool allowValues)
    {
        for (;;) {
            if (Expect(OLESTR('}')))
                return true;
            Node node;
            String word;
            if (!Token(word))
                return false;
            for (;;) {
                if (!CompareNoCase(word, OLESTR("NoRemove")))
                    node.noRemove = true;
                else if (!CompareNoCase(word, OLESTR("ForceRemove")))
                    node.forceRemove = true;
                else if (!CompareNoCase(word, OLESTR("Delete")))
                    node.deleteKey = true;
                else
                    break;
                if (!Token(word))
                    return false;
            }
            if (!CompareNoCase(word, OLESTR("val")) && !Peek(OLESTR('=')) && !Peek(OLESTR('{'))) {
                if (!allowValues || node.noRemove || node.forceRemove || node.deleteKey)
                    return false;
                node.kind = Node::ValNode;
                if (!Token(node.name) || !Expect(OLESTR('=')) || !Value(node.value))
                    return false;
                out.push_back(std::move(node));
                continue;
            }
            node.name = word;
            if (node.name.find(OLESTR('\\')) != String::npos)
                return false;
            if (Expect(OLESTR('=')) && !Value(node.value))
                return false;
            if (Expect(OLESTR('{')) && !Body(node.children, true))
                return false;
            out.push_back(std::move(node));
        }
    }

    const String& m_s;
    size_t m_pos = 0;
};

inline HRESULT FromStatus(LSTATUS s) { return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s); }

inline HRESULT RegisterNodes(HKEY parent, const std::vector<Node>& nodes);

inline HRESULT RegisterNode(HKEY parent, const Node& node)
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

inline HRESULT RegisterNodes(HKEY parent, const std::vector<Node>& nodes)
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
inline HRESULT UnregisterNodes(HKEY parent, const std::vector<Node>& nodes)
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
inline String DecodeScript(const BYTE* p, DWORD size)
{
    if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        String w((size - 2) / 2, OLESTR('\0'));
        if (!w.empty())
            memcpy(&w[0], p + 2, w.size() * sizeof(OLECHAR));
        return w;
    }
    const char* text = reinterpret_cast<const char*>(p);
    if (size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        text += 3;
        size -= 3;
    }
    String w;
    int n = size ? MultiByteToWideChar(CP_UTF8, 0, text, int(size), nullptr, 0) : 0;
    if (n > 0) {
        w.resize(size_t(n));
        MultiByteToWideChar(CP_UTF8, 0, text, int(size), &w[0], n);
    }
    w.erase(std::find(w.begin(), w.end(), OLESTR('\0')), w.end());
    return w;
}

} // namespace _AtlRegistrar

inline HRESULT CRegObject::AddReplacement(LPCOLESTR key, LPCOLESTR item)
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

inline HRESULT CRegObject::ClearReplacements()
{
    m_replacements.clear();
    return S_OK;
}

inline HRESULT CRegObject::Expand(LPCOLESTR script, String& out) const
{
    out.clear();
    for (const WCHAR* p = script; *p; ++p) {
        if (*p != OLESTR('%')) {
            out += *p;
            continue;
        }
        const WCHAR* end = p + 1;
        while (*end && *end != OLESTR('%'))
            ++end;
        if (!*end)
            return DISP_E_EXCEPTION;
        String name(p + 1, end);
        if (name.empty()) {
            out += OLESTR('%'); // %% is a percent sign
        } else {
            const String* value = nullptr;
            for (const auto& [k, v] : m_replacements)
                if (!_wcsicmp(k.c_str(), name.c_str()))
                    value = &v;
            if (!value)
                return DISP_E_EXCEPTION;
            // The replacement lands inside quoted script text, where a quote is doubled.
            for (OLECHAR c : *value) {
                out += c;
                if (c == OLESTR('\''))
                    out += c;
            }
        }
        p = end;
    }
    return S_OK;
}

inline HRESULT CRegObject::Run(LPCOLESTR script, bool doRegister)
{
    if (!script)
        return E_INVALIDARG;
    String text;
    HRESULT hr = Expand(script, text);
    if (FAILED(hr))
        return hr;
    std::vector<_AtlRegistrar::RootSpec> roots;
    if (!_AtlRegistrar::ScriptParser(text).Parse(roots))
        return DISP_E_EXCEPTION;
    for (const _AtlRegistrar::RootSpec& root : roots) {
        hr = doRegister ? _AtlRegistrar::RegisterNodes(root.root, root.keys) : _AtlRegistrar::UnregisterNodes(root.root, root.keys);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

inline HRESULT CRegObject::StringRegister(LPCOLESTR script) { return Run(script, true); }
inline HRESULT CRegObject::StringUnregister(LPCOLESTR script) { return Run(script, false); }

inline HRESULT CRegObject::ResourceRun(HINSTANCE hInst, UINT nID, LPCOLESTR szType, bool doRegister)
{
    HRSRC res = FindResourceW(hInst, MAKEINTRESOURCEW(nID), szType ? szType : OLESTR("REGISTRY"));
    if (!res)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    HGLOBAL data = LoadResource(hInst, res);
    const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    String script = _AtlRegistrar::DecodeScript(bytes, SizeofResource(hInst, res));
    return Run(script.c_str(), doRegister);
}

inline HRESULT CRegObject::ResourceRegister(HINSTANCE hInst, UINT nID, LPCOLESTR szType)
{
    return ResourceRun(hInst, nID, szType, true);
}

inline HRESULT CRegObject::ResourceUnregister(HINSTANCE hInst, UINT nID, LPCOLESTR szType)
{
    return ResourceRun(hInst, nID, szType, false);
}

} // namespace ATL
