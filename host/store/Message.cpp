// The model's property set, the completion of a read message and the loading of a message file.
#include "host/store/Message.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/store/Snapshot.h"
#include "host/store/StoreTags.h"
#include "pal/host.h"

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

void PropSet::SetText(ULONG tag, std::u16string value)
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

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

int CompareGuids(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)); }

} // namespace

const PropValue* PropSet::Find(ULONG tag) const
{
    auto it = m_values.find(PROP_ID(tag));
    if (it == m_values.end())
        return nullptr;
    return TypeFits(PROP_TYPE(tag), PROP_TYPE(it->second.tag)) ? &it->second : nullptr;
}

void PropSet::SetNamedText(const PropName& name, std::u16string value)
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

PropName PropName::String(const GUID& set, std::u16string text)
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
                                        [](char16_t a, char16_t b) { return Lower(a) < Lower(b); });
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
    std::u16string lower;
    for (char16_t c : messageClass)
        lower += (c >= 'A' && c <= 'Z') ? char16_t(c - 'A' + 'a') : c;
    return lower == u"ipm.note" || lower.rfind(u"ipm.note.", 0) == 0;
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

std::u16string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::u16string out;
    for (unsigned char c : bytes) {
        out += char16_t(digits[c >> 4]);
        out += char16_t(digits[c & 15]);
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
        m.messageClass = u"IPM.Note";
    std::string rtf = m.rtfCompressed.empty() ? std::string() : DecompressRtf(m.rtfCompressed);
    RtfKind rtfKind = KindOfRtf(rtf);
    // An RTF body that wraps HTML is the HTML body, as Outlook shows it.
    if (m.html.empty() && rtfKind == RtfKind::Html)
        m.html = RtfToHtml(rtf);
    bool hadHtml = !m.html.empty();
    if (m.body.empty() && !m.html.empty())
        m.body = HtmlToPlainText(m.html);
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
        m.senderType = u"SMTP";

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
        p.SetBinary(PR_HTML, pal::ToUtf8(m.html));
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
        p.SetNamedText(PropName::String(PS_INTERNET_HEADERS_GUID, u"Content-Type"), m.nativeContentType);
    p.SetLong(PR_MESSAGE_FLAGS, m.attachments.empty() ? MSGFLAG_READ : MSGFLAG_READ | MSGFLAG_HASATTACH);
}

std::shared_ptr<Message> LoadMessageBytes(const std::string& bytes, const std::string& identity, std::string& error)
{
    // A snapshot is a message already read: it keeps the entry id it was written with.
    if (IsSnapshot(bytes))
        return ReadSnapshot(bytes, error);
    static const char kCompoundFile[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kCompoundFile, 8) == 0)
        return ParseMsg(bytes, identity, error);
    return ParseMime(bytes, identity, error);
}

std::shared_ptr<Message> LoadMessageFile(const std::string& path, std::string& error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st{};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        error = path + ": not a regular file";
        return nullptr;
    }
    if (size_t(st.st_size) > Limits::kMaxFileSize) {
        std::fclose(f);
        error = path + ": larger than " + std::to_string(Limits::kMaxFileSize >> 20) + " MB";
        return nullptr;
    }
    std::string bytes(size_t(st.st_size), '\0');
    size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    char resolved[PATH_MAX];
    std::string identity = realpath(path.c_str(), resolved) ? resolved : path;
    std::string why;
    auto message = LoadMessageBytes(bytes, identity, why);
    if (!message)
        error = path + ": " + why;
    return message;
}

} // namespace store
