// The model's property set and the completion of a read message.
#include "host/store/Message.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/store/StoreTags.h"
#include "host/text/Utf.h"

namespace store {

void PropSet::SetLong(ULONG tag, LONG value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_LONG);
    v.number = value;
    Set(std::move(v));
}

void PropSet::SetBool(ULONG tag, bool value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_BOOLEAN);
    v.number = value ? 1 : 0;
    Set(std::move(v));
}

void PropSet::SetText(ULONG tag, WString value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_UNICODE);
    v.text = std::move(value);
    Set(std::move(v));
}

void PropSet::SetBinary(ULONG tag, std::string value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_BINARY);
    v.bytes = std::move(value);
    Set(std::move(v));
}

namespace {

bool IsString(ULONG type) { return type == PT_UNICODE || type == PT_STRING8; }

// Whether a stored value of type have answers a request for type want.
bool TypeFits(ULONG want, ULONG have)
{
    return want == PT_UNSPECIFIED || want == have || (IsString(want) && IsString(have)) ||
           (want == PT_OBJECT && have == PT_BINARY);
}

WCHAR Lower(WCHAR c) { return c >= W('A') && c <= W('Z') ? WCHAR(c - W('A') + W('a')) : c; }

int CompareGuids(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)); }

} // namespace

const PropValue* PropSet::Find(ULONG tag) const
{
    auto it = m_values.find(PROP_ID(tag));
    if (it == m_values.end())
        return nullptr;
    return TypeFits(PROP_TYPE(tag), PROP_TYPE(it->second.tag)) ? &it->second : nullptr;
}

void PropSet::SetNamedText(const PropName& name, WString value)
{
    PropValue v;
    v.tag = PROP_TAG(PT_UNICODE, 0);
    v.text = std::move(value);
    m_named[name] = std::move(v);
}

void PropSet::SetNamedLong(const PropName& name, LONG value)
{
    PropValue v;
    v.tag = PROP_TAG(PT_LONG, 0);
    v.number = value;
    m_named[name] = std::move(v);
}

const PropValue* PropSet::FindNamed(const PropName& name, ULONG type) const
{
    auto it = m_named.find(name);
    if (it == m_named.end())
        return nullptr;
    return TypeFits(type, PROP_TYPE(it->second.tag)) ? &it->second : nullptr;
}

PropName PropName::Number(const GUID& set, LONG number)
{
    PropName n;
    n.set = set;
    n.number = number;
    return n;
}

PropName PropName::String(const GUID& set, WString text)
{
    PropName n;
    n.set = set;
    n.isString = true;
    n.text = std::move(text);
    return n;
}

bool PropName::operator<(const PropName& other) const
{
    if (int c = CompareGuids(set, other.set))
        return c < 0;
    if (isString != other.isString)
        return !isString;
    if (!isString)
        return number < other.number;
    if (set != PS_INTERNET_HEADERS_GUID)
        return text < other.text;
    return std::lexicographical_compare(text.begin(), text.end(), other.text.begin(), other.text.end(),
                                        [](WCHAR a, WCHAR b) { return Lower(a) < Lower(b); });
}

ULONG NameMap::IdOf(const PropName& name, bool create)
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_ids.find(name);
    if (it != m_ids.end())
        return it->second;
    if (!create || m_names.size() > kLastId - kFirstId)
        return 0;
    ULONG id = kFirstId + ULONG(m_names.size());
    m_names.push_back(name);
    m_ids.emplace(name, id);
    return id;
}

std::optional<PropName> NameMap::NameOf(ULONG id) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (id < kFirstId || id - kFirstId >= m_names.size())
        return std::nullopt;
    return m_names[id - kFirstId];
}

std::vector<std::pair<ULONG, PropName>> NameMap::All() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<std::pair<ULONG, PropName>> all;
    all.reserve(m_names.size());
    for (size_t i = 0; i < m_names.size(); ++i)
        all.emplace_back(kFirstId + ULONG(i), m_names[i]);
    return all;
}

std::shared_ptr<NameMap> DefaultStoreNames()
{
    static const std::shared_ptr<NameMap> names = std::make_shared<NameMap>();
    return names;
}

bool Message::IsMail() const
{
    // Only IPM.Note and its subclasses are mail items; reports, meetings, contacts and notes are not.
    WString lower;
    for (WCHAR c : messageClass)
        lower += (c >= 'A' && c <= 'Z') ? WCHAR(c - 'A' + 'a') : c;
    return lower == W("ipm.note") || lower.rfind(W("ipm.note."), 0) == 0;
}

namespace {

// FNV-1a, twice with different seeds: sixteen bytes that depend on the whole identity.
std::string IdentityHash(const std::string& identity)
{
    std::string out;
    for (unsigned long long seed : {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull}) {
        unsigned long long h = seed;
        for (unsigned char c : identity) {
            h ^= c;
            h *= 0x100000001b3ull;
        }
        for (int i = 0; i < 8; ++i)
            out += char((h >> (8 * i)) & 0xFF);
    }
    return out;
}

WString Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    WString out;
    for (unsigned char c : bytes) {
        out += WCHAR(digits[c >> 4]);
        out += WCHAR(digits[c & 15]);
    }
    return out;
}

enum class RtfKind { None, Text, Html, Rich };

RtfKind KindOfRtf(const std::string& rtf)
{
    if (rtf.empty())
        return RtfKind::None;
    // Outlook marks an RTF body that only wraps a text or HTML body.
    std::string head = rtf.substr(0, 512);
    if (head.find("\\fromhtml") != std::string::npos)
        return RtfKind::Html;
    if (head.find("\\fromtext") != std::string::npos)
        return RtfKind::Text;
    return RtfKind::Rich;
}

} // namespace

void Finish(Message& m, const std::string& identity)
{
    if (m.messageClass.empty())
        m.messageClass = W("IPM.Note");
    std::string rtf = m.rtfCompressed.empty() ? std::string() : DecompressRtf(m.rtfCompressed);
    RtfKind rtfKind = KindOfRtf(rtf);
    // An RTF body that wraps HTML is the HTML body, as Outlook shows it.
    if (m.html.empty() && rtfKind == RtfKind::Html)
        m.html = RtfToHtml(rtf);
    bool hadHtml = !m.html.empty();
#ifndef _WIN32
    // The Windows host finishes only what the add-in composes, which has a text body: messages come
    // finished in their snapshots.
    if (m.body.empty() && !m.html.empty())
        m.body = HtmlToPlainText(m.html);
#endif
    if (m.body.empty() && !rtf.empty())
        m.body = RtfToPlainText(rtf);
    if (m.html.empty() && !m.body.empty())
        m.html = PlainTextToHtml(m.body);
    m.bodyFormat = hadHtml || rtfKind == RtfKind::Html ? 2 : rtfKind == RtfKind::Rich ? 3 : 1;
    if (m.nativeFormat == 0)
        m.nativeFormat = m.bodyFormat;
    if (m.senderName.empty())
        m.senderName = m.senderAddress;
    if (m.senderType.empty() && !m.senderAddress.empty())
        m.senderType = W("SMTP");

    // An Outlook entry id: four flag bytes, the store's provider id, then what names this message.
    std::string entry(4, '\0');
    entry += std::string("\x56\x54\x52\x53\x54\x4F\x52\x45\x00\x01\x02\x03\x04\x05\x06\x07", 16);
    entry += IdentityHash(identity);
    m.entryId = Hex(entry);

    PropSet& p = m.props;
    p.SetText(PR_MESSAGE_CLASS_W, m.messageClass);
    p.SetBinary(PR_ENTRYID, entry);
    if (!p.Find(PR_SUBJECT_W))
        p.SetText(PR_SUBJECT_W, m.subject);
    if (!p.Find(PR_BODY_W) && !m.body.empty())
        p.SetText(PR_BODY_W, m.body);
    if (!p.Find(PR_HTML) && hadHtml) {
        p.SetBinary(PR_HTML, host::Utf8(m.html));
        p.SetLong(PR_INTERNET_CPID, 65001);
    }
    if (!m.rtfCompressed.empty() && !p.Find(PR_RTF_COMPRESSED))
        p.SetBinary(PR_RTF_COMPRESSED, m.rtfCompressed);
    if (!m.senderName.empty())
        p.SetText(PR_SENDER_NAME_W, m.senderName);
    if (!m.senderType.empty())
        p.SetText(PR_SENDER_ADDRTYPE_W, m.senderType);
    if (!m.senderAddress.empty())
        p.SetText(PR_SENDER_EMAIL_ADDRESS_W, m.senderAddress);
    if (m.headers)
        p.SetText(PR_TRANSPORT_MESSAGE_HEADERS_W, *m.headers);
    // The stored native body when it names a format, else the one the bodies give, as a store works it out.
    p.SetLong(PR_NATIVE_BODY_INFO, m.nativeFormat == 1   ? NATIVE_BODY_PLAIN
                                   : m.nativeFormat == 2 ? NATIVE_BODY_HTML
                                   : m.nativeFormat == 3 ? NATIVE_BODY_RTF
                                                         : NATIVE_BODY_UNDEFINED);
    if (!m.nativeContentType.empty())
        p.SetNamedText(PropName::String(PS_INTERNET_HEADERS_GUID, W("Content-Type")), m.nativeContentType);
    p.SetLong(PR_MESSAGE_FLAGS, m.attachments.empty() ? MSGFLAG_READ : MSGFLAG_READ | MSGFLAG_HASATTACH);
}

} // namespace store
