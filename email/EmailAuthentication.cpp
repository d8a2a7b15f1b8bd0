// Reading the receiving server's authentication verdicts out of a transport header (RFC 8601 and the
// forms Microsoft writes, which leave out the authserv-id).
#include "email/EmailAuthentication.h"

#include <initializer_list>
#include <vector>

#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

namespace {

bool IsSpace(WCHAR c) { return c == W(' ') || c == W('\t') || c == W('\r') || c == W('\n'); }

bool SameNoCase(WStringView a, WStringView b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

struct Field {
    WString name; // lower case
    WString value; // unfolded
};

// The header's fields in order, top first, each unfolded onto one line.
std::vector<Field> Fields(const WCHAR* header)
{
    std::vector<Field> fields;
    if (!header)
        return fields;
    WStringView text(header);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(W('\n'), at);
        if (end == WStringView::npos)
            end = text.size();
        WStringView line = text.substr(at, end - at);
        if (!line.empty() && line.back() == W('\r'))
            line.remove_suffix(1);
        at = end + 1;
        if (line.empty())
            break; // the end of the header
        if (IsSpace(line[0])) {
            size_t text = line.find_first_not_of(W(" \t"));
            if (!fields.empty() && text != WStringView::npos)
                fields.back().value.append(W(" ")).append(line.substr(text));
            continue;
        }
        size_t colon = line.find(W(':'));
        if (colon == WStringView::npos || colon == 0)
            continue;
        WStringView name = line.substr(0, colon);
        while (!name.empty() && IsSpace(name.back()))
            name.remove_suffix(1);
        fields.push_back({AsciiLowerCase(name), WString(line.substr(colon + 1))});
    }
    return fields;
}

// One result of a field: what lies between semicolons, without its comments (kept apart) and quotes.
struct Piece {
    std::vector<WString> words;
    WString comments;
};

std::vector<Piece> Pieces(const WString& value)
{
    std::vector<Piece> pieces(1);
    WString word;
    int depth = 0;
    bool quoted = false;
    auto endWord = [&] {
        if (!word.empty())
            pieces.back().words.push_back(std::move(word));
        word.clear();
    };
    for (size_t i = 0; i < value.size(); ++i) {
        WCHAR c = value[i];
        if (quoted) {
            if (c == W('\\') && i + 1 < value.size())
                word += value[++i];
            else if (c == W('"'))
                quoted = false;
            else
                word += c;
        } else if (depth > 0) {
            if (c == W('\\') && i + 1 < value.size())
                pieces.back().comments += value[++i];
            else if (c == W('('))
                ++depth;
            else if (c == W(')'))
                --depth;
            else
                pieces.back().comments += c;
            if (depth == 0)
                pieces.back().comments += W(' ');
        } else if (c == W('(')) {
            endWord();
            depth = 1;
        } else if (c == W('"')) {
            quoted = true;
        } else if (c == W(';')) {
            endWord();
            pieces.emplace_back();
        } else if (IsSpace(c)) {
            endWord();
        } else {
            word += c;
        }
    }
    endWord();
    return pieces;
}

// "name=value" split at the first "=" ("dkim/1=pass": the method without its version).
bool NameValue(const WString& word, WString& name, WString& value)
{
    size_t eq = word.find(W('='));
    if (eq == WString::npos || eq == 0)
        return false;
    name = AsciiLowerCase(WStringView(word).substr(0, eq));
    if (size_t slash = name.find(W('/')); slash != WString::npos)
        name.resize(slash);
    value = word.substr(eq + 1);
    return true;
}

WString Property(const Piece& piece, WStringView name)
{
    WString n, v;
    for (size_t i = 1; i < piece.words.size(); ++i)
        if (NameValue(piece.words[i], n, v) && n == name)
            return v;
    return WString();
}

// "p=REJECT" in a comment, as Google writes the published policy.
WString PolicyInComment(const WString& comments)
{
    WString lower = AsciiLowerCase(comments);
    for (size_t at = lower.find(W("p=")); at != WString::npos; at = lower.find(W("p="), at + 2)) {
        if (at > 0 && !IsSpace(lower[at - 1]) && lower[at - 1] != W('('))
            continue;
        size_t end = at + 2;
        while (end < lower.size() && !IsSpace(lower[end]) && lower[end] != W(')'))
            ++end;
        if (end > at + 2)
            return lower.substr(at + 2, end - at - 2);
    }
    return WString();
}

WString DomainOfAddress(const WString& address)
{
    size_t at = address.rfind(W('@'));
    return AsciiLowerCase(at == WString::npos ? WStringView(address) : WStringView(address).substr(at + 1));
}

// The organisation a host name belongs to, roughly: its last two labels. Empty for an address literal.
WString Organisation(WStringView host)
{
    while (!host.empty() && (host.back() == W('.') || host.back() == W(']')))
        host.remove_suffix(1);
    if (host.empty() || host[0] == W('[') || host.find(W(':')) != WStringView::npos ||
        host.find_first_not_of(W("0123456789.")) == WStringView::npos)
        return WString();
    size_t last = host.rfind(W('.'));
    if (last == WStringView::npos)
        return WString();
    size_t before = last == 0 ? WStringView::npos : host.rfind(W('.'), last - 1);
    return AsciiLowerCase(before == WStringView::npos ? host : host.substr(before + 1));
}

// The host after "by" in a Received field.
WString ReceivedBy(const WString& value)
{
    std::vector<Piece> pieces = Pieces(value);
    for (const Piece& piece : pieces)
        for (size_t i = 0; i + 1 < piece.words.size(); ++i)
            if (SameNoCase(piece.words[i], W("by")))
                return piece.words[i + 1];
    return WString();
}

struct Candidate {
    std::vector<Piece> results;
    WString authservId;
};

// An (ARC-)Authentication-Results field's authserv-id and results.
Candidate ReadField(const Field& field)
{
    Candidate c;
    std::vector<Piece> pieces = Pieces(field.value);
    size_t first = 0;
    WString n, v;
    // ARC's instance tag comes first.
    if (field.name == W("arc-authentication-results") && !pieces.empty() && !pieces[0].words.empty() &&
        NameValue(pieces[0].words[0], n, v) && n == W("i"))
        first = 1;
    if (first < pieces.size() && !pieces[first].words.empty() && !NameValue(pieces[first].words[0], n, v)) {
        c.authservId = AsciiLowerCase(pieces[first].words[0]);
        ++first;
    }
    for (size_t i = first; i < pieces.size(); ++i)
        if (!pieces[i].words.empty())
            c.results.push_back(pieces[i]);
    return c;
}

void TakeResults(const Candidate& c, AuthenticationVerdicts& v)
{
    WString method, result;
    for (const Piece& piece : c.results) {
        if (!NameValue(piece.words[0], method, result))
            continue;
        result = AsciiLowerCase(result);
        if (method == W("spf") && v.spf.empty()) {
            v.spf = result;
            WString from = Property(piece, W("smtp.mailfrom"));
            if (from.empty())
                from = Property(piece, W("smtp.mail")); // the older name
            if (from.empty())
                from = Property(piece, W("smtp.helo"));
            v.spfDomain = from.empty() ? WString() : DomainOfAddress(from);
        } else if (method == W("dkim") && (v.dkim.empty() || (v.dkim != W("pass") && result == W("pass")))) {
            v.dkim = result;
            WString domain = Property(piece, W("header.d"));
            if (domain.empty())
                domain = DomainOfAddress(Property(piece, W("header.i")));
            v.dkimDomain = AsciiLowerCase(domain) == W("none") ? WString() : AsciiLowerCase(domain);
        } else if (method == W("dmarc") && v.dmarc.empty()) {
            v.dmarc = result;
            v.dmarcPolicy = AsciiLowerCase(Property(piece, W("action")));
            if (v.dmarcPolicy.empty())
                v.dmarcPolicy = AsciiLowerCase(Property(piece, W("header.policy")));
            if (v.dmarcPolicy.empty())
                v.dmarcPolicy = PolicyInComment(piece.comments);
            v.dmarcFrom = AsciiLowerCase(Property(piece, W("header.from")));
        } else if (method == W("compauth") && v.compauth.empty()) {
            v.compauth = result;
            v.compauthReason = Property(piece, W("reason"));
        }
    }
}

} // namespace

AuthenticationVerdicts ReadAuthenticationVerdicts(const WCHAR* header)
{
    AuthenticationVerdicts v;
    std::vector<Field> fields = Fields(header);
    // Below the lowest Received field lies what the sender wrote.
    size_t lowestReceived = fields.size();
    WString receiver;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == W("received")) {
            if (lowestReceived == fields.size())
                receiver = Organisation(ReceivedBy(fields[i].value));
            lowestReceived = i;
        }
    if (lowestReceived == fields.size())
        return v;

    std::vector<Candidate> candidates;
    const Field* receivedSpf = nullptr;
    for (size_t i = 0; i < lowestReceived; ++i) {
        const Field& f = fields[i];
        if (f.name == W("authentication-results") || f.name == W("arc-authentication-results"))
            candidates.push_back(ReadField(f));
        else if (f.name == W("received-spf") && !receivedSpf)
            receivedSpf = &f;
    }
    const Candidate* chosen = nullptr;
    if (!receiver.empty())
        for (const Candidate& c : candidates)
            if (!c.authservId.empty() && (Organisation(c.authservId) == receiver || c.authservId == receiver)) {
                chosen = &c;
                break;
            }
    if (!chosen && !candidates.empty())
        chosen = &candidates.front();
    if (chosen) {
        v.found = true;
        v.authservId = chosen->authservId;
        TakeResults(*chosen, v);
    }
    if (v.spf.empty() && receivedSpf) {
        std::vector<Piece> pieces = Pieces(receivedSpf->value);
        if (!pieces.empty() && !pieces[0].words.empty()) {
            v.found = true;
            v.spf = AsciiLowerCase(pieces[0].words[0]);
        }
    }
    return v;
}

bool DmarcFailed(const AuthenticationVerdicts& v) { return v.found && v.dmarc == W("fail"); }

bool SenderUnauthenticated(const AuthenticationVerdicts& v)
{
    return v.found && v.spf != W("pass") && v.dkim != W("pass");
}

namespace {

WString Resource(int id)
{
    CComBSTR text = CResourceManager::Instance().GetText(id);
    return text.m_str ? WString(text.m_str, text.Length()) : WString();
}

WString Result(const WString& result) { return result.empty() ? Resource(IDS_AUTH_ABSENT) : result; }

// "result (a, b)", the details that are known.
WString WithDetails(const WString& result, std::initializer_list<WString> details)
{
    WString text = Result(result), joined;
    for (const WString& d : details)
        if (!d.empty())
            joined += (joined.empty() ? W("") : W(", ")) + d;
    return joined.empty() ? text : text + W(" (") + joined + W(")");
}

WString DkimText(const AuthenticationVerdicts& v)
{
    return WithDetails(v.dkim, {v.dkimDomain.empty() ? WString() : W("d=") + v.dkimDomain});
}

} // namespace

WString DmarcText(const AuthenticationVerdicts& v)
{
    return WithDetails(v.dmarc, {v.dmarcPolicy.empty() ? WString() : Resource(IDS_AUTH_POLICY) + v.dmarcPolicy,
                                 v.dmarcFrom});
}

WString SpfAndDkimText(const AuthenticationVerdicts& v)
{
    return W("SPF ") + Result(v.spf) + W(", DKIM ") + Result(v.dkim);
}

WString VerdictLines(const AuthenticationVerdicts& v)
{
    if (!v.found)
        return WString();
    WString lines = Resource(IDS_AUTH_VERDICTS) +
                    (v.authservId.empty() ? Resource(IDS_AUTH_RECEIVING_SERVER) : v.authservId) + W(":\n");
    lines += W("SPF: ") + WithDetails(v.spf, {v.spfDomain}) + W("\n");
    lines += W("DKIM: ") + DkimText(v) + W("\n");
    lines += W("DMARC: ") + DmarcText(v) + W("\n");
    if (!v.compauth.empty())
        lines += Resource(IDS_AUTH_COMPAUTH) + W(": ") +
                 WithDetails(v.compauth, {v.compauthReason.empty() ? WString() : W("reason ") + v.compauthReason}) +
                 W("\n");
    return lines + W("\n");
}
