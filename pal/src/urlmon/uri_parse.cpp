// CreateUri's parser: pre-processing, scheme, authority (user info, host, port), path, query and fragment,
// canonicalised the way urlmon does it for known schemes and left alone for unknown ones.
//
// Choices where urlmon's observed behaviour is silent: an empty host ("http:///x") is present and empty, of
// unknown type; an empty port ("http://h:/") means the default port;
// a known scheme's host is always percent-encoded where it holds characters a host cannot carry; a stray "%"
// in a hierarchical path is kept as it is; in a DOS-path file: URI every escape is decoded except those of
// characters a path cannot hold ("%", "/", "\", "<", ">", "\"", "?", "#", control characters).
#include "urlmon/uri_parse.h"
#include "common/text.h"

#include "ip2string.h"

#include <cstdint>
#include <cstdio>
#include "common/stub.h"

namespace pal::uri {
namespace {

using Str = std::u16string;

struct KnownScheme {
    const char16_t* name;
    Scheme id;
    DWORD defaultPort;
    bool hierarchical; // the opaque form ("http:x") has no absolute URI
};

const KnownScheme kSchemes[] = {
    {u"ftp", SCHEME_FTP, 21, true},          {u"http", SCHEME_HTTP, 80, true},
    {u"gopher", SCHEME_GOPHER, 70, true},    {u"mailto", SCHEME_MAILTO, 0, false},
    {u"news", SCHEME_NEWS, 0, false},        {u"nntp", SCHEME_NNTP, 119, true},
    {u"telnet", SCHEME_TELNET, 23, true},    {u"wais", SCHEME_WAIS, 210, true},
    {u"file", SCHEME_FILE, 0, true},         {u"mk", SCHEME_MK, 0, false},
    {u"https", SCHEME_HTTPS, 443, true},     {u"shell", SCHEME_SHELL, 0, false},
    {u"snews", SCHEME_SNEWS, 0, false},      {u"local", SCHEME_LOCAL, 0, false},
    {u"javascript", SCHEME_JAVASCRIPT, 0, false}, {u"vbscript", SCHEME_VBSCRIPT, 0, false},
    {u"about", SCHEME_ABOUT, 0, false},      {u"res", SCHEME_RES, 0, true},
};

const KnownScheme* FindScheme(Scheme id)
{
    for (const KnownScheme& s : kSchemes)
        if (s.id == id)
            return &s;
    return nullptr;
}

bool IsAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
bool IsSchemeChar(char16_t c) { return IsAlpha(c) || IsDigit(c) || c == u'+' || c == u'-' || c == u'.'; }
bool IsUnreserved(int c) { return IsAlpha(char16_t(c)) || IsDigit(char16_t(c)) || c == '-' || c == '.' || c == '_' || c == '~'; }

// Characters RFC 3986 forbids in a URI, which urlmon percent-encodes unless told not to.
bool IsForbidden(char16_t c)
{
    return c < 0x20 || c == 0x7F || c == u' ' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

// What a host name cannot carry as it is.
bool IsForbiddenInHost(char16_t c)
{
    return IsForbidden(c) || c == u'^' || c == u'`' || c == u'{' || c == u'}';
}

// The byte escaped at s[i] ("%XY"), or -1.
int EscapeAt(const Str& s, size_t i)
{
    if (s[i] != u'%' || i + 2 >= s.size())
        return -1;
    int hi = pal::HexDigitValue(s[i + 1]), lo = pal::HexDigitValue(s[i + 2]);
    return (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
}

void AppendEscape(Str& out, unsigned c, bool lowerHex)
{
    const char* digits = lowerHex ? "0123456789abcdef" : "0123456789ABCDEF";
    out += u'%';
    out += char16_t(digits[(c >> 4) & 15]);
    out += char16_t(digits[c & 15]);
}

// Known schemes' user info, path, query and fragment: escapes of unreserved characters are decoded, other
// escapes kept, forbidden characters encoded (upper-case hex) when encode is set. A stray "%" fails when
// strict, else stays.
bool CanonText(const Str& in, bool encode, bool strict, Str& out)
{
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        if (c == u'%') {
            int b = EscapeAt(in, i);
            if (b < 0) {
                if (strict)
                    return false;
                out += c;
            } else if (IsUnreserved(b)) {
                out += char16_t(b);
                i += 2;
            } else {
                out.append(in, i, 3);
                i += 2;
            }
        } else if (encode && IsForbidden(c)) {
            AppendEscape(out, c, false);
        } else {
            out += c;
        }
    }
    return true;
}

// RFC 3986 dot-segment removal; ".." above the root is dropped.
Str RemoveDotSegments(const Str& path)
{
    Str in = path, out;
    while (!in.empty()) {
        if (in.rfind(u"../", 0) == 0) in.erase(0, 3);
        else if (in.rfind(u"./", 0) == 0) in.erase(0, 2);
        else if (in.rfind(u"/./", 0) == 0) in.erase(0, 2);
        else if (in == u"/.") in = u"/";
        else if (in.rfind(u"/../", 0) == 0 || in == u"/..") {
            in = in.size() == 3 ? Str(u"/") : in.substr(3);
            size_t cut = out.rfind(u'/');
            out.erase(cut == Str::npos ? 0 : cut);
        } else if (in == u"." || in == u"..") in.clear();
        else {
            size_t next = in.find(u'/', in[0] == u'/' ? 1 : 0);
            out += in.substr(0, next);
            in.erase(0, next == Str::npos ? in.size() : next);
        }
    }
    return out;
}

// inet_addr's decimal forms: 1 to 4 parts, the last filling the remaining bytes.
bool ParseIpv4(const Str& host, Str& canonical)
{
    if (host.empty() || host.size() > 40)
        return false;
    uint64_t parts[4];
    int count = 0;
    size_t i = 0;
    while (true) {
        if (count == 4 || i >= host.size() || !IsDigit(host[i]))
            return false;
        uint64_t v = 0;
        while (i < host.size() && IsDigit(host[i])) {
            v = v * 10 + (host[i++] - u'0');
            if (v > 0xFFFFFFFFull)
                return false;
        }
        parts[count++] = v;
        if (i == host.size())
            break;
        if (host[i++] != u'.')
            return false;
    }
    uint32_t addr = 0;
    for (int k = 0; k < count - 1; ++k) {
        if (parts[k] > 255)
            return false;
        addr |= uint32_t(parts[k]) << (24 - 8 * k);
    }
    uint64_t lastMax = count == 1 ? 0xFFFFFFFFull : (1ull << (8 * (5 - count))) - 1;
    if (parts[count - 1] > lastMax)
        return false;
    addr |= uint32_t(parts[count - 1]);
    std::string text = std::to_string(addr >> 24) + "." + std::to_string((addr >> 16) & 255) + "." +
                       std::to_string((addr >> 8) & 255) + "." + std::to_string(addr & 255);
    canonical.assign(text.begin(), text.end());
    return true;
}

// An IPv6 literal in urlmon's canonical form: lower-case hex, no leading zeros, the longest run of two or
// more zero groups as "::"; an embedded IPv4 part written as such stays dotted for ::a.b.c.d and
// ::5efe:a.b.c.d.
bool ParseIpv6(const Str& literal, Str& canonical)
{
    IN6_ADDR addr{};
    PCWSTR end = nullptr;
    if (literal.empty() || RtlIpv6StringToAddressW(literal.c_str(), &end, &addr) != STATUS_SUCCESS || *end)
        return false;
    unsigned g[8];
    for (int k = 0; k < 8; ++k)
        g[k] = (unsigned(addr.u.Byte[2 * k]) << 8) | addr.u.Byte[2 * k + 1];
    bool zeroHead = !g[0] && !g[1] && !g[2] && !g[3] && !g[4];
    bool dotted = literal.find(u'.') != Str::npos && zeroHead && (g[5] == 0 || g[5] == 0x5efe);
    int groups = dotted ? 6 : 8;
    int bestStart = -1, bestLen = 1;
    for (int k = 0; k < groups;) {
        int len = 0;
        while (k + len < groups && g[k + len] == 0)
            ++len;
        if (len > bestLen) {
            bestStart = k;
            bestLen = len;
        }
        k += len ? len : 1;
    }
    std::string text;
    for (int k = 0; k < groups; ++k) {
        if (k == bestStart) {
            text += "::";
            k += bestLen - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':')
            text += ':';
        char buf[8];
        std::snprintf(buf, sizeof buf, "%x", g[k]);
        text += buf;
    }
    if (dotted) {
        if (!text.empty() && text.back() != ':')
            text += ':';
        text += std::to_string(addr.u.Byte[12]) + "." + std::to_string(addr.u.Byte[13]) + "." +
                std::to_string(addr.u.Byte[14]) + "." + std::to_string(addr.u.Byte[15]);
    }
    canonical.assign(text.begin(), text.end());
    return true;
}

// "v" hex digits "." and then unreserved, sub-delimiter or ":" characters.
bool IsIpvFuture(const Str& literal)
{
    if (literal.size() < 4 || Lower(literal[0]) != u'v' || pal::HexDigitValue(literal[1]) < 0)
        return false;
    size_t i = 1;
    while (i < literal.size() && pal::HexDigitValue(literal[i]) >= 0)
        ++i;
    if (i + 1 >= literal.size() || literal[i] != u'.')
        return false;
    for (++i; i < literal.size(); ++i) {
        char16_t c = literal[i];
        if (!IsUnreserved(c) && Str(u"!$&'()*+,;=:").find(c) == Str::npos)
            return false;
    }
    return true;
}

// Digits only, up to 65535; an empty text is no port.
bool ParsePort(const Str& text, DWORD& port, bool& given)
{
    given = !text.empty();
    DWORD v = 0;
    for (char16_t c : text) {
        if (!IsDigit(c))
            return false;
        v = v * 10 + (c - u'0');
        if (v > 65535)
            return false;
    }
    port = v;
    return true;
}

// A known scheme's registered host name: escapes checked, unreserved ones decoded, the rest lower-cased.
bool CanonRegName(const Str& in, Str& out)
{
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        if (c == u'%') {
            int b = EscapeAt(in, i);
            if (b < 0)
                return false;
            if (IsUnreserved(b))
                out += Lower(char16_t(b));
            else
                AppendEscape(out, unsigned(b), true);
            i += 2;
        } else if (IsForbiddenInHost(c)) {
            AppendEscape(out, c, true);
        } else {
            out += Lower(c);
        }
    }
    return true;
}

DWORD NameType(const Str& host)
{
    if (host.empty())
        return Uri_HOST_UNKNOWN;
    for (char16_t c : host)
        if (c > 0x7F)
            return Uri_HOST_IDN;
    return Uri_HOST_DNS;
}

HRESULT ParseHost(const Str& hostPort, bool known, Components& c)
{
    Str host, portText;
    bool hasPortText = false;
    if (!hostPort.empty() && hostPort[0] == u'[') {
        size_t close = hostPort.find(u']');
        Str literal = close == Str::npos ? Str() : hostPort.substr(1, close - 1);
        Str after = close == Str::npos ? Str() : hostPort.substr(close + 1);
        Str canonical;
        bool afterOk = after.empty() || after[0] == u':';
        if (close != Str::npos && afterOk && ParseIpv6(literal, canonical)) {
            c.host.Set(known ? canonical : literal);
            c.hostType = Uri_HOST_IPV6;
        } else if (close != Str::npos && afterOk && IsIpvFuture(literal)) {
            c.host.Set(hostPort.substr(0, close + 1));
        } else if (known) {
            return E_INVALIDARG;
        } else {
            c.host.Set(hostPort);
            return S_OK;
        }
        hasPortText = !after.empty();
        portText = hasPortText ? after.substr(1) : Str();
    } else {
        size_t colon = hostPort.find(u':');
        host = hostPort.substr(0, colon);
        if (colon != Str::npos) {
            hasPortText = true;
            portText = hostPort.substr(colon + 1);
        }
        Str canonical;
        if (known) {
            if (!CanonRegName(host, canonical))
                return E_INVALIDARG;
        } else {
            canonical = host;
        }
        Str v4;
        if (ParseIpv4(canonical, v4)) {
            c.host.Set(known ? v4 : canonical);
            c.hostType = Uri_HOST_IPV4;
        } else {
            c.host.Set(canonical);
            c.hostType = NameType(canonical);
        }
    }
    if (hasPortText) {
        DWORD port = 0;
        bool given = false;
        if (ParsePort(portText, port, given)) {
            if (given) {
                c.hasPort = c.explicitPort = true;
                c.port = port;
            }
        } else if (known) {
            return E_INVALIDARG;
        } else {
            // An unknown scheme's bad port is part of its host.
            c.host.Set(hostPort);
            c.hostType = Uri_HOST_UNKNOWN;
        }
    }
    return S_OK;
}

// Splits "path?query#fragment"; the path ends at the first "?" or "#" (a file: path only at "?": there
// "#" is part of the path unless a query came first).
void SplitTail(const Str& tail, bool hashInPath, Str& path, Str& query, Str& fragment, bool& hasQuery,
               bool& hasFragment)
{
    size_t q = hashInPath ? tail.find(u'?') : tail.find_first_of(u"?#");
    path = tail.substr(0, q);
    hasQuery = hasFragment = false;
    if (q == Str::npos)
        return;
    Str rest = tail.substr(q);
    if (rest[0] == u'?') {
        size_t h = rest.find(u'#');
        query = rest.substr(0, h);
        hasQuery = true;
        if (h == Str::npos)
            return;
        rest = rest.substr(h);
    }
    fragment = rest;
    hasFragment = true;
}

HRESULT SetExtraInfo(Components& c, const Str& query, bool hasQuery, const Str& fragment, bool hasFragment,
                     bool known, DWORD flags)
{
    const bool decode = known && !(flags & Uri_CREATE_NO_DECODE_EXTRA_INFO);
    const bool encode = !(flags & Uri_CREATE_NO_ENCODE_FORBIDDEN_CHARACTERS);
    Str out;
    if (hasQuery) {
        if (decode && !CanonText(query, encode, true, out))
            return E_INVALIDARG;
        c.query.Set(decode ? out : query);
    }
    if (hasFragment) {
        if (decode && !CanonText(fragment, encode, true, out))
            return E_INVALIDARG;
        c.fragment.Set(decode ? out : fragment);
    }
    return S_OK;
}

bool IsDrive(const Str& s, size_t i)
{
    return i + 1 < s.size() && IsAlpha(s[i]) && (s[i + 1] == u':' || s[i + 1] == u'|');
}

HRESULT ParseFile(const Str& rest, DWORD flags, Components& c)
{
    const bool dos = (flags & Uri_CREATE_FILE_USE_DOS_PATH) != 0;
    bool slashes = rest.size() >= 2 && (rest[0] == u'/' || rest[0] == u'\\') && (rest[1] == u'/' || rest[1] == u'\\');
    Str path, query, fragment;
    bool hasQuery = false, hasFragment = false;
    if (!slashes) {
        // Opaque: no absolute form, the rest is the path.
        c.absolute = false;
        SplitTail(rest, true, path, query, fragment, hasQuery, hasFragment);
        c.path.Set(path);
        return SetExtraInfo(c, query, hasQuery, fragment, hasFragment, true, flags | Uri_CREATE_NO_DECODE_EXTRA_INFO);
    }
    c.hasAuthority = true;
    Str after = rest.substr(2);
    bool driveDirect = IsDrive(after, 0);
    Str host;
    if (!after.empty() && after[0] != u'/' && after[0] != u'\\' && !driveDirect) {
        size_t end = after.find_first_of(u"/\\?#");
        host = after.substr(0, end);
        after = end == Str::npos ? Str() : after.substr(end);
    }
    SplitTail(after, true, path, query, fragment, hasQuery, hasFragment);
    Str lowered;
    for (char16_t ch : host)
        lowered += Lower(ch);
    if (!host.empty() && lowered != u"localhost") {
        Str canon;
        if (!CanonRegName(host, canon))
            return E_INVALIDARG;
        c.host.Set(canon);
        c.hostType = NameType(canon);
    }
    // The drive, with or without a slash before it; "c|" is "c:".
    size_t drive = IsDrive(path, 0) ? 0 : (!path.empty() && (path[0] == u'/' || path[0] == u'\\') && IsDrive(path, 1)) ? 1 : Str::npos;
    if (drive != Str::npos)
        path[drive + 1] = u':';
    Str out;
    if (dos) {
        if (drive == 1)
            path.erase(0, 1);
        for (size_t i = 0; i < path.size(); ++i) {
            char16_t ch = path[i];
            int b = ch == u'%' ? EscapeAt(path, i) : -1;
            if (ch == u'<' || ch == u'>' || ch == u'"')
                return E_INVALIDARG;
            if (b >= 0 && (b < 0x20 || b == 0x7F || Str(u"%/\\<>\"?#").find(char16_t(b)) != Str::npos)) {
                out.append(path, i, 3);
                i += 2;
            } else if (b >= 0) {
                out += char16_t(b);
                i += 2;
            } else {
                out += ch == u'/' ? u'\\' : ch;
            }
        }
        if (c.host.present && (out.empty() || out[0] != u'\\'))
            out.insert(out.begin(), u'\\');
        c.dosPath = true;
    } else {
        for (char16_t& ch : path)
            if (ch == u'\\')
                ch = u'/';
        if (!path.empty() && path[0] != u'/')
            path.insert(path.begin(), u'/');
        for (size_t i = 0; i < path.size(); ++i) {
            char16_t ch = path[i];
            int b = ch == u'%' ? EscapeAt(path, i) : -1;
            if (ch == u'%' && (driveDirect || b < 0)) {
                out += u"%25";
            } else if (b >= 0 && IsUnreserved(b)) {
                out += char16_t(b);
                i += 2;
            } else if (IsForbidden(ch)) {
                AppendEscape(out, ch, false);
            } else {
                out += ch;
            }
        }
        out = RemoveDotSegments(out);
        if (out.empty())
            out = u"/";
    }
    c.path.Set(out);
    return SetExtraInfo(c, query, hasQuery, fragment, hasFragment, true, flags | Uri_CREATE_NO_DECODE_EXTRA_INFO);
}

HRESULT ParseHierarchical(const Str& rest, DWORD flags, Components& c)
{
    const bool known = c.schemeId != SCHEME_UNKNOWN;
    const bool encode = !(flags & Uri_CREATE_NO_ENCODE_FORBIDDEN_CHARACTERS);
    c.hasAuthority = true;
    size_t end = 2;
    while (end < rest.size()) {
        char16_t ch = rest[end];
        if (ch == u'/' || ch == u'?' || ch == u'#' || (ch == u'\\' && known && c.schemeId != SCHEME_RES))
            break;
        ++end;
    }
    Str authority = rest.substr(2, end - 2);
    size_t at = authority.rfind(u'@');
    if (at != Str::npos) {
        Str info = authority.substr(0, at), canon;
        if (known && !CanonText(info, encode, true, canon))
            return E_INVALIDARG;
        c.userInfo.Set(known ? canon : info);
        authority.erase(0, at + 1);
    }
    if (c.schemeId == SCHEME_RES) {
        if (authority.find_first_of(u"<>\"") != Str::npos)
            return E_INVALIDARG;
        c.host.Set(authority);
        c.hostType = NameType(authority);
    } else if (HRESULT hr = ParseHost(authority, known, c); FAILED(hr)) {
        return hr;
    }
    Str path, query, fragment;
    bool hasQuery, hasFragment;
    SplitTail(rest.substr(end), false, path, query, fragment, hasQuery, hasFragment);
    if (known) {
        for (char16_t& ch : path)
            if (ch == u'\\')
                ch = u'/';
        Str canon;
        bool encodePath = encode && c.schemeId != SCHEME_RES;
        if (!CanonText(path, encodePath, c.schemeId == SCHEME_RES, canon))
            return E_INVALIDARG;
        path = canon;
    }
    path = RemoveDotSegments(path);
    if (path.empty())
        path = u"/";
    c.path.Set(path);
    return SetExtraInfo(c, query, hasQuery, fragment, hasFragment, known, flags);
}

HRESULT ParseOpaque(const Str& rest, DWORD flags, Components& c)
{
    const bool known = c.schemeId != SCHEME_UNKNOWN;
    const KnownScheme* scheme = FindScheme(c.schemeId);
    c.absolute = !(scheme && scheme->hierarchical);
    // Script schemes keep "?" and "#" as part of their code.
    if (c.schemeId == SCHEME_JAVASCRIPT || c.schemeId == SCHEME_VBSCRIPT) {
        c.path.Set(rest);
        return S_OK;
    }
    Str path, query, fragment;
    bool hasQuery, hasFragment;
    SplitTail(rest, false, path, query, fragment, hasQuery, hasFragment);
    if (known) {
        Str canon;
        if (!CanonText(path, !(flags & Uri_CREATE_NO_ENCODE_FORBIDDEN_CHARACTERS), true, canon))
            return E_INVALIDARG;
        path = canon;
    }
    c.path.Set(path);
    return SetExtraInfo(c, query, hasQuery, fragment, hasFragment, known, flags);
}

HRESULT ParseWildcard(const Str& rest, Components& c)
{
    Str body = rest.rfind(u"//", 0) == 0 ? rest.substr(2) : rest;
    Str path, query, fragment;
    bool hasQuery, hasFragment;
    size_t slash = body.find_first_of(u"/?#");
    c.host.Set(body.substr(0, slash));
    c.hostType = NameType(c.host.text);
    SplitTail(slash == Str::npos ? Str() : body.substr(slash), false, path, query, fragment, hasQuery, hasFragment);
    c.path.Set(path);
    if (hasQuery)
        c.query.Set(query);
    if (hasFragment)
        c.fragment.Set(fragment);
    return S_OK;
}

HRESULT CheckFlags(DWORD flags)
{
    const DWORD pairs[][2] = {
        {Uri_CREATE_DECODE_EXTRA_INFO, Uri_CREATE_NO_DECODE_EXTRA_INFO},
        {Uri_CREATE_CANONICALIZE, Uri_CREATE_NO_CANONICALIZE},
        {Uri_CREATE_CRACK_UNKNOWN_SCHEMES, Uri_CREATE_NO_CRACK_UNKNOWN_SCHEMES},
        {Uri_CREATE_PRE_PROCESS_HTML_URI, Uri_CREATE_NO_PRE_PROCESS_HTML_URI},
        {Uri_CREATE_IE_SETTINGS, Uri_CREATE_NO_IE_SETTINGS},
    };
    for (const auto& pair : pairs)
        if ((flags & pair[0]) && (flags & pair[1]))
            return E_INVALIDARG;
    const DWORD unsupported = Uri_CREATE_ALLOW_RELATIVE | Uri_CREATE_ALLOW_IMPLICIT_WILDCARD_SCHEME |
                              Uri_CREATE_ALLOW_IMPLICIT_FILE_SCHEME | Uri_CREATE_NOFRAG | Uri_CREATE_NO_CANONICALIZE |
                              Uri_CREATE_NO_CRACK_UNKNOWN_SCHEMES | Uri_CREATE_IE_SETTINGS;
    const DWORD known = 0xFFFF;
    if ((flags & unsupported) || (flags & ~known))
        return PAL_STUB();
    return S_OK;
}

Str PreProcess(const WCHAR* text, bool clean, bool& ok)
{
    Str s;
    for (const WCHAR* p = text; *p; ++p)
        if (!clean || (*p != u'\t' && *p != u'\r' && *p != u'\n'))
            s += *p;
    ok = true;
    if (!clean) {
        ok = s.empty() || s[0] > 0x20;
        return s;
    }
    size_t first = 0, last = s.size();
    while (first < last && s[first] <= 0x20)
        ++first;
    while (last > first && s[last - 1] <= 0x20)
        --last;
    return s.substr(first, last - first);
}

} // namespace

HRESULT Parse(const WCHAR* text, DWORD flags, Components& c)
{
    if (HRESULT hr = CheckFlags(flags); FAILED(hr))
        return hr;
    bool ok = false;
    c.raw = PreProcess(text, !(flags & Uri_CREATE_NO_PRE_PROCESS_HTML_URI), ok);
    if (!ok || c.raw.empty())
        return E_INVALIDARG;
    const Str& s = c.raw;
    size_t i = 0;
    if (s[0] == u'*') {
        i = 1;
    } else {
        while (i < s.size() && IsSchemeChar(s[i]))
            ++i;
        // One letter before ":" is a drive, not a scheme.
        if (i < 2)
            return E_INVALIDARG;
    }
    if (i >= s.size() || s[i] != u':')
        return E_INVALIDARG;
    for (size_t k = 0; k < i; ++k)
        c.scheme += Lower(s[k]);
    Str rest = s.substr(i + 1);
    if (c.scheme == u"*") {
        c.schemeId = SCHEME_WILDCARD;
        return ParseWildcard(rest, c);
    }
    for (const KnownScheme& known : kSchemes)
        if (c.scheme == known.name) {
            c.schemeId = known.id;
            if (known.defaultPort) {
                c.hasPort = true;
                c.port = known.defaultPort;
            }
        }
    if (c.schemeId == SCHEME_FILE)
        return ParseFile(rest, flags, c);
    const bool known = c.schemeId != SCHEME_UNKNOWN && c.schemeId != SCHEME_JAVASCRIPT &&
                       c.schemeId != SCHEME_VBSCRIPT;
    auto isSlash = [&](size_t k) { return k < rest.size() && (rest[k] == u'/' || (known && rest[k] == u'\\')); };
    if (isSlash(0) && isSlash(1))
        return ParseHierarchical(rest, flags, c);
    return ParseOpaque(rest, flags, c);
}

namespace {

Str HostForm(const Components& c)
{
    return c.hostType == Uri_HOST_IPV6 ? u"[" + c.host.text + u"]" : c.host.text;
}

Str PortForm(const Components& c)
{
    const KnownScheme* scheme = FindScheme(c.schemeId);
    if (!c.explicitPort || (scheme && scheme->defaultPort == c.port))
        return Str();
    std::string digits = std::to_string(c.port);
    return u":" + Str(digits.begin(), digits.end());
}

Str UserInfoForm(const Components& c)
{
    if (!c.userInfo.present)
        return Str();
    // Known schemes drop an empty user info ("http://@host", "http://:@host").
    if (c.schemeId != SCHEME_UNKNOWN && (c.userInfo.text.empty() || c.userInfo.text == u":"))
        return Str();
    return c.userInfo.text + u"@";
}

Str Tail(const Components& c)
{
    return c.path.text + c.query.text + c.fragment.text;
}

Str Build(const Components& c, bool withUserInfo)
{
    if (c.schemeId == SCHEME_WILDCARD)
        return u"*:" + c.host.text + Tail(c);
    if (c.dosPath)
        return u"file://" + (c.host.present ? u"\\\\" + c.host.text : Str()) + Tail(c);
    if (!c.hasAuthority)
        return c.scheme + u":" + Tail(c);
    return c.scheme + u"://" + (withUserInfo ? UserInfoForm(c) : Str()) + HostForm(c) + PortForm(c) + Tail(c);
}

Part Make(bool present, Str text)
{
    Part p;
    if (present)
        p.Set(std::move(text));
    return p;
}

} // namespace

Part Property(const Components& c, Uri_PROPERTY prop)
{
    switch (prop) {
    case Uri_PROPERTY_ABSOLUTE_URI: return Make(c.absolute, Build(c, true));
    case Uri_PROPERTY_DISPLAY_URI: return Make(true, Build(c, false));
    case Uri_PROPERTY_AUTHORITY:
        return Make(c.hasAuthority && c.host.present, UserInfoForm(c) + HostForm(c) + PortForm(c));
    case Uri_PROPERTY_DOMAIN: {
        if (!c.host.present || (c.hostType != Uri_HOST_DNS && c.hostType != Uri_HOST_IDN))
            return Part();
        size_t last = c.host.text.rfind(u'.');
        if (last == Str::npos || last == 0)
            return Part();
        size_t before = c.host.text.rfind(u'.', last - 1);
        return Make(true, before == Str::npos ? c.host.text : c.host.text.substr(before + 1));
    }
    case Uri_PROPERTY_EXTENSION: {
        if (!c.path.present)
            return Part();
        size_t segment = c.path.text.find_last_of(u"/\\");
        size_t dot = c.path.text.rfind(u'.');
        if (dot == Str::npos || (segment != Str::npos && dot < segment))
            return Part();
        return Make(true, c.path.text.substr(dot));
    }
    case Uri_PROPERTY_FRAGMENT: return c.fragment;
    case Uri_PROPERTY_HOST: return c.host;
    case Uri_PROPERTY_PASSWORD: {
        size_t colon = c.userInfo.text.find(u':');
        return Make(c.userInfo.present && colon != Str::npos, c.userInfo.text.substr(colon == Str::npos ? 0 : colon + 1));
    }
    case Uri_PROPERTY_PATH: return c.path;
    case Uri_PROPERTY_PATH_AND_QUERY: return Make(c.path.present || c.query.present, c.path.text + c.query.text);
    case Uri_PROPERTY_QUERY: return c.query;
    case Uri_PROPERTY_RAW_URI: return Make(true, c.raw);
    case Uri_PROPERTY_SCHEME_NAME: return Make(true, c.scheme);
    case Uri_PROPERTY_USER_INFO: return c.userInfo;
    case Uri_PROPERTY_USER_NAME: {
        size_t colon = c.userInfo.text.find(u':');
        return Make(c.userInfo.present && colon != 0, c.userInfo.text.substr(0, colon));
    }
    default: return Part();
    }
}

} // namespace pal::uri
