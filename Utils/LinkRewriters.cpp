// Taking the rewrites of mail gateways off link addresses. Every decoder refuses rather than guesses: an
// address it cannot decode whole stays the rewriter's, and is fetched and shown as such.
#include "Utils/LinkRewriters.h"

#include <algorithm>
#include <initializer_list>
#include <string>

namespace {

// Rewrites inside rewrites are rare beyond two; the bound only stops a hostile chain.
constexpr int kMaxDepth = 8;
// Longer than any address the system's URL functions take, shorter than a body-sized fake.
constexpr size_t kMaxTarget = 8192;


bool StartsWithNoCase(WStringView s, WStringView prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(s[i]) != AsciiLower(prefix[i]))
            return false;
    return true;
}

bool EndsWith(WStringView s, WStringView suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The pieces of a web address a rewriter is known by.
struct Address {
    WString host;     // lower case, without user information and port
    WStringView rest; // from the first "/" after the host (the path, query and fragment), or empty
    WStringView path; // rest up to "?" or "#"
    WStringView query; // after "?", up to "#"
};

bool ParseAddress(WStringView url, Address& a)
{
    size_t after;
    if (StartsWithNoCase(url, W("https://")))
        after = 8;
    else if (StartsWithNoCase(url, W("http://")))
        after = 7;
    else
        return false;
    size_t end = url.find_first_of(W("/?#"), after);
    if (end == WStringView::npos)
        end = url.size();
    WStringView authority = url.substr(after, end - after);
    if (size_t at = authority.rfind(W('@')); at != WStringView::npos)
        authority.remove_prefix(at + 1);
    if (size_t colon = authority.find(W(':')); colon != WStringView::npos)
        authority = authority.substr(0, colon);
    a.host = AsciiLowerCase(authority);
    a.rest = url.substr(end);
    size_t pathEnd = a.rest.find_first_of(W("?#"));
    a.path = a.rest.substr(0, pathEnd == WStringView::npos ? a.rest.size() : pathEnd);
    a.query = WStringView();
    if (pathEnd != WStringView::npos && a.rest[pathEnd] == W('?')) {
        WStringView q = a.rest.substr(pathEnd + 1);
        a.query = q.substr(0, std::min(q.find(W('#')), q.size()));
    }
    return !a.host.empty();
}

// The raw value of a query parameter, named with its "=" ("url="); a body's text may still have "&amp;"
// between them.
bool QueryValue(WStringView query, WStringView nameIs, WStringView& value)
{
    size_t from = 0;
    while (from <= query.size()) {
        size_t amp = query.find(W('&'), from);
        WStringView field = query.substr(from, amp == WStringView::npos ? WStringView::npos : amp - from);
        if (StartsWithNoCase(field, W("amp;")))
            field.remove_prefix(4);
        if (StartsWithNoCase(field, nameIs)) {
            value = field.substr(nameIs.size());
            return true;
        }
        if (amp == WStringView::npos)
            break;
        from = amp + 1;
    }
    return false;
}

std::string ToUtf8(WStringView s)
{
    if (s.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// False for bytes that are not UTF-8: such a target is not an address anybody wrote. (Without a flag the
// system turns a bad sequence into U+FFFD, which is then found where the bytes had none.)
bool FromUtf8(const std::string& s, WString& out)
{
    out.clear();
    if (s.empty())
        return true;
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(size_t(n));
    if (MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n) != n)
        return false;
    return out.find(WCHAR(0xFFFD)) == WString::npos || s.find("\xEF\xBF\xBD") != std::string::npos;
}

// Percent escapes decoded as UTF-8; an escape that is not one stays as written.
bool PercentDecode(WStringView s, WString& out)
{
    std::string bytes = ToUtf8(s), decoded;
    decoded.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        int hi = -1, lo = -1;
        if (bytes[i] == '%' && i + 2 < bytes.size()) {
            hi = HexDigitValue(WCHAR(static_cast<unsigned char>(bytes[i + 1])));
            lo = HexDigitValue(WCHAR(static_cast<unsigned char>(bytes[i + 2])));
        }
        if (hi >= 0 && lo >= 0) {
            decoded += char(hi * 16 + lo);
            i += 2;
        } else {
            decoded += bytes[i];
        }
    }
    return FromUtf8(decoded, out);
}

// The few entities URL Defense's v1 and v2 forms leave in a target.
WString HtmlUnescape(const WString& s)
{
    static const struct {
        const WCHAR* entity;
        WCHAR c;
    } kEntities[] = {{W("&amp;"), W('&')}, {W("&lt;"), W('<')}, {W("&gt;"), W('>')}, {W("&quot;"), W('"')},
                     {W("&#39;"), W('\'')}, {W("&#x27;"), W('\'')}};
    WString out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        bool replaced = false;
        if (s[i] == W('&'))
            for (const auto& e : kEntities) {
                size_t n = wcslen(e.entity);
                if (s.compare(i, n, e.entity) == 0) {
                    out += e.c;
                    i += n;
                    replaced = true;
                    break;
                }
            }
        if (!replaced)
            out += s[i++];
    }
    return out;
}

// base64url with or without padding; false for anything else.
bool Base64UrlDecode(WStringView s, std::string& out)
{
    out.clear();
    unsigned buffer = 0;
    int bits = 0;
    for (WCHAR c : s) {
        int v;
        if (c >= W('A') && c <= W('Z'))
            v = c - W('A');
        else if (c >= W('a') && c <= W('z'))
            v = c - W('a') + 26;
        else if (c >= W('0') && c <= W('9'))
            v = c - W('0') + 52;
        else if (c == W('-'))
            v = 62;
        else if (c == W('_'))
            v = 63;
        else if (c == W('='))
            break;
        else
            return false;
        buffer = (buffer << 6) | unsigned(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((buffer >> bits) & 0xFF);
        }
    }
    return true;
}

// URL Defense v3: "https://urldefense.com/v3/__TARGET__;BYTES!!..." where each "*" of the target stands for
// the next character of BYTES (base64url of UTF-8) and "**" followed by a letter for a run of them, the
// letter giving its length (A for 2, B for 3, ... "_" for 65).
bool DecodeUrlDefenseV3(WStringView rest, WString& target)
{
    if (!StartsWithNoCase(rest, W("/v3/__")))
        return false;
    WStringView tail = rest.substr(6);
    size_t end = tail.find(W("__;"));
    if (end == WStringView::npos)
        return false;
    WStringView encoded = tail.substr(end + 3);
    encoded = encoded.substr(0, std::min(encoded.find(W('!')), encoded.size()));
    std::string bytes;
    WString replacements;
    WString url;
    if (!Base64UrlDecode(encoded, bytes) || !FromUtf8(bytes, replacements) || !PercentDecode(tail.substr(0, end), url))
        return false;
    static const WCHAR kRunLetters[] = W("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
    size_t next = 0;
    target.clear();
    for (size_t i = 0; i < url.size(); ++i) {
        if (url[i] != W('*')) {
            target += url[i];
            continue;
        }
        size_t count = 1;
        if (i + 2 < url.size() && url[i + 1] == W('*')) {
            const WCHAR* letter = wcschr(kRunLetters, url[i + 2]);
            if (!letter || !*letter)
                return false;
            count = size_t(letter - kRunLetters) + 2;
            i += 2;
        }
        if (next + count > replacements.size())
            return false;
        target.append(replacements, next, count);
        next += count;
    }
    return true;
}

// What one rewrite carries: the rewriter's name is set when the address is one of its rewrites (then
// decoded tells whether its target could be read).
struct Layer {
    const WCHAR* name = nullptr;
    bool decoded = false;
    WString target;
};

Layer TakeOff(WStringView url)
{
    Layer layer;
    Address a;
    if (!ParseAddress(url, a))
        return layer;
    WStringView value;
    auto fromParameter = [&](const WCHAR* name, std::initializer_list<const WCHAR*> parameters) {
        layer.name = name;
        for (const WCHAR* p : parameters)
            if (QueryValue(a.query, p, value)) {
                layer.decoded = PercentDecode(value, layer.target);
                return;
            }
    };
    if (a.host == W("safelinks.protection.outlook.com") || EndsWith(a.host, W(".safelinks.protection.outlook.com"))) {
        fromParameter(W("Safe Links"), {W("url=")});
    } else if (a.host == W("urldefense.proofpoint.com") || a.host == W("urldefense.com")) {
        layer.name = W("URL Defense");
        WString path = AsciiLowerCase(a.path);
        if (path == W("/v1/url") && QueryValue(a.query, W("u="), value)) {
            WString decoded;
            layer.decoded = PercentDecode(value, decoded);
            layer.target = HtmlUnescape(decoded);
        } else if (path == W("/v2/url") && QueryValue(a.query, W("u="), value)) {
            WString special(value), decoded;
            for (WCHAR& c : special)
                c = c == W('-') ? W('%') : c == W('_') ? W('/') : c;
            layer.decoded = PercentDecode(special, decoded);
            layer.target = HtmlUnescape(decoded);
        } else {
            layer.decoded = DecodeUrlDefenseV3(a.rest, layer.target);
        }
    } else if (StartsWithNoCase(a.host, W("protect-")) && EndsWith(a.host, W(".mimecast.com"))) {
        // Most of its rewrites carry only a token and the domain: those are not decodable.
        fromParameter(W("Mimecast"), {W("url="), W("u=")});
    } else if (a.host == W("linkprotect.cudasvc.com")) {
        if (AsciiLowerCase(a.path) == W("/url"))
            fromParameter(W("Barracuda"), {W("a=")});
        else
            layer.name = W("Barracuda");
    } else if (a.host == W("secure-web.cisco.com")) {
        // "/TOKEN/" and then the target, percent-encoded.
        layer.name = W("Cisco Secure Email");
        size_t slash = a.rest.size() > 1 ? a.rest.find(W('/'), 1) : WStringView::npos;
        if (slash != WStringView::npos)
            layer.decoded = PercentDecode(a.rest.substr(slash + 1), layer.target);
    } else if ((a.host == W("www.google.com") || a.host == W("google.com")) && a.path == W("/url")) {
        fromParameter(W("Google"), {W("q="), W("url=")});
    }
    return layer;
}

// A target is taken only when it is a whole web or FTP address: no white space or control characters, a host.
bool IsTakenTarget(const WString& target)
{
    if (target.empty() || target.size() > kMaxTarget)
        return false;
    for (WCHAR c : target)
        if (c <= W(' ') || c == 127)
            return false;
    size_t after;
    if (StartsWithNoCase(target, W("https://")))
        after = 8;
    else if (StartsWithNoCase(target, W("http://")))
        after = 7;
    else if (StartsWithNoCase(target, W("ftp://")))
        after = 6;
    else
        return false;
    return after < target.size() && target.find_first_of(W("/?#"), after) != after;
}

} // namespace

bool UnwrapRewrittenLink(const WCHAR* url, RewrittenLink& out)
{
    out = RewrittenLink();
    if (!url)
        return false;
    WString current = url;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        Layer layer = TakeOff(current);
        if (!layer.name || !layer.decoded || !IsTakenTarget(layer.target) || layer.target == current)
            break;
        out.rewriters.emplace_back(layer.name);
        current = std::move(layer.target);
    }
    if (out.rewriters.empty())
        return false;
    out.target = std::move(current);
    return true;
}

WString RewriterNames(const std::vector<WString>& rewriters)
{
    WString names;
    for (const WString& name : rewriters) {
        if (!names.empty())
            names += W(", ");
        names += name;
    }
    return names;
}
