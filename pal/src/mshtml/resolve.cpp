// Expanding an URL attribute against the document's base, as the engine's href property does: the value is
// cleaned as an HTML attribute is (surrounding spaces and control characters trimmed, TAB, CR and LF
// removed), resolved by the rules of RFC 3986 against a hierarchical base or, against an opaque base such as
// about:blank, by putting the base's scheme in front (a fragment alone replaces the base's fragment), and put
// in the canonical form CreateUri gives (an address it rejects is returned as resolved).
#include <string>

#include "mshtml/parsed.h"
#include "urlmon.h"
#include "windows.h"

namespace mshtml {

namespace {

constexpr std::u16string_view kBlank = u"about:blank";

std::u16string Clean(std::u16string_view s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && s[begin] <= u' ')
        ++begin;
    while (end > begin && s[end - 1] <= u' ')
        --end;
    std::u16string out;
    out.reserve(end - begin);
    for (size_t i = begin; i < end; ++i)
        if (s[i] != u'\t' && s[i] != u'\r' && s[i] != u'\n')
            out += s[i];
    return out;
}

// Length of the scheme (without ":"), or 0 when the text does not start with one.
size_t SchemeLength(std::u16string_view s)
{
    auto alpha = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    if (s.empty() || !alpha(s[0]))
        return 0;
    size_t i = 1;
    while (i < s.size() && (alpha(s[i]) || (s[i] >= u'0' && s[i] <= u'9') || s[i] == u'+' || s[i] == u'-' ||
                            s[i] == u'.'))
        ++i;
    // One letter and a colon is a drive ("C:\..."), not a scheme.
    return i < s.size() && s[i] == u':' && i >= 2 ? i : 0;
}

struct Parts {
    std::u16string_view scheme, authority, path, query, fragment;
    bool hasAuthority = false, hasQuery = false, hasFragment = false;
};

Parts Split(std::u16string_view s, bool withScheme)
{
    Parts p;
    if (withScheme) {
        size_t n = SchemeLength(s);
        p.scheme = s.substr(0, n);
        s.remove_prefix(n + 1);
    }
    size_t hash = s.find(u'#');
    if (hash != std::u16string_view::npos) {
        p.hasFragment = true;
        p.fragment = s.substr(hash + 1);
        s = s.substr(0, hash);
    }
    size_t question = s.find(u'?');
    if (question != std::u16string_view::npos) {
        p.hasQuery = true;
        p.query = s.substr(question + 1);
        s = s.substr(0, question);
    }
    if (s.substr(0, 2) == u"//") {
        p.hasAuthority = true;
        s.remove_prefix(2);
        size_t slash = s.find(u'/');
        p.authority = s.substr(0, slash);
        s = slash == std::u16string_view::npos ? std::u16string_view() : s.substr(slash);
    }
    p.path = s;
    return p;
}

// RFC 3986 5.2.4.
std::u16string RemoveDotSegments(std::u16string_view in)
{
    std::u16string out;
    while (!in.empty()) {
        if (in.substr(0, 3) == u"../") in.remove_prefix(3);
        else if (in.substr(0, 2) == u"./") in.remove_prefix(2);
        else if (in.substr(0, 3) == u"/./") in.remove_prefix(2);
        else if (in == u"/.") in = u"/";
        else if (in.substr(0, 4) == u"/../" || in == u"/..") {
            in = in.size() == 3 ? u"/" : in.substr(3);
            size_t last = out.rfind(u'/');
            out.erase(last == std::u16string::npos ? 0 : last);
        } else if (in == u"." || in == u"..") {
            in = {};
        } else {
            size_t next = in.find(u'/', in[0] == u'/' ? 1 : 0);
            out.append(in.substr(0, next));
            in = next == std::u16string_view::npos ? std::u16string_view() : in.substr(next);
        }
    }
    return out;
}

std::u16string Compose(const Parts& p, const std::u16string& path, bool hasQuery, std::u16string_view query,
                       bool hasFragment, std::u16string_view fragment)
{
    std::u16string out(p.scheme);
    out += u':';
    if (p.hasAuthority) {
        out += u"//";
        out += p.authority;
    }
    out += path;
    if (hasQuery) {
        out += u'?';
        out += query;
    }
    if (hasFragment) {
        out += u'#';
        out += fragment;
    }
    return out;
}

std::u16string Combine(std::u16string_view base, std::u16string_view ref)
{
    if (SchemeLength(ref))
        return std::u16string(ref);
    Parts b = Split(base, true);
    bool hierarchical = b.hasAuthority || (!b.path.empty() && b.path[0] == u'/');
    if (!hierarchical || ref.empty() || ref[0] == u'#') {
        if (ref.empty() || ref[0] == u'#') {
            size_t hash = base.find(u'#');
            std::u16string out(base.substr(0, hash));
            out += ref;
            return out;
        }
        std::u16string out(b.scheme);
        out += u':';
        out += ref;
        return out;
    }
    // In a hierarchical address a backslash before the query is a slash, as the engine reads it.
    std::u16string fixed(ref);
    for (char16_t& c : fixed) {
        if (c == u'?' || c == u'#')
            break;
        if (c == u'\\')
            c = u'/';
    }
    Parts r = Split(fixed, false);
    if (r.hasAuthority) {
        Parts t = b;
        t.authority = r.authority;
        t.hasAuthority = true;
        return Compose(t, RemoveDotSegments(r.path), r.hasQuery, r.query, r.hasFragment, r.fragment);
    }
    if (r.path.empty())
        return Compose(b, std::u16string(b.path), r.hasQuery || b.hasQuery, r.hasQuery ? r.query : b.query,
                       r.hasFragment, r.fragment);
    std::u16string path;
    if (r.path[0] == u'/') {
        path = RemoveDotSegments(r.path);
    } else {
        std::u16string merged;
        if (b.hasAuthority && b.path.empty()) {
            merged = u"/";
        } else {
            size_t slash = b.path.rfind(u'/');
            merged = std::u16string(b.path.substr(0, slash == std::u16string_view::npos ? 0 : slash + 1));
        }
        merged += r.path;
        path = RemoveDotSegments(merged);
    }
    return Compose(b, path, r.hasQuery, r.query, r.hasFragment, r.fragment);
}

std::u16string Canonical(const std::u16string& address)
{
    IUri* uri = nullptr;
    if (FAILED(CreateUri(address.c_str(), 0, 0, &uri)) || !uri)
        return address;
    BSTR absolute = nullptr;
    std::u16string out = address;
    if (SUCCEEDED(uri->GetPropertyBSTR(Uri_PROPERTY_ABSOLUTE_URI, &absolute, 0)) && absolute)
        out.assign(absolute, SysStringLen(absolute));
    SysFreeString(absolute);
    uri->Release();
    return out;
}

} // namespace

std::u16string ResolveUrl(std::u16string_view base, std::u16string_view reference)
{
    std::u16string documentBase(kBlank);
    std::u16string cleanBase = Clean(base);
    if (!cleanBase.empty())
        documentBase = Combine(kBlank, cleanBase);
    return Canonical(Combine(documentBase, Clean(reference)));
}

} // namespace mshtml
