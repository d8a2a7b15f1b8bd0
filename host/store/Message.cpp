// The model's property set, the completion of a read message and the loading of a message file.
#include "host/store/Message.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

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

const PropValue* PropSet::Find(ULONG tag) const
{
    auto it = m_values.find(PROP_ID(tag));
    if (it == m_values.end())
        return nullptr;
    ULONG want = PROP_TYPE(tag), have = PROP_TYPE(it->second.tag);
    auto isString = [](ULONG t) { return t == PT_UNICODE || t == PT_STRING8; };
    if (want == PT_UNSPECIFIED || want == have || (isString(want) && isString(have)) ||
        (want == PT_OBJECT && have == PT_BINARY))
        return &it->second;
    return nullptr;
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
    p.SetLong(PR_NATIVE_BODY_FORMAT, m.nativeFormat);
    if (!m.nativeContentType.empty())
        p.SetText(PR_NATIVE_CONTENT_TYPE_W, m.nativeContentType);
    p.SetLong(PR_MESSAGE_FLAGS, m.attachments.empty() ? MSGFLAG_READ : MSGFLAG_READ | MSGFLAG_HASATTACH);
}

std::shared_ptr<Message> LoadMessageBytes(const std::string& bytes, const std::string& identity, std::string& error)
{
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
