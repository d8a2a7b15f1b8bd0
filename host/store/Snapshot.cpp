// Message snapshots (format in README.md, "Snapshots"). Built by both hosts, so only standard C++, the
// model's types and zlib: the Windows host has no message readers and no platform layer.
#include "host/store/Snapshot.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "__Utilities/WString.h"

namespace store {

namespace {

const char kMagic[8] = {'\x89', 'V', 'S', 'N', 'A', 'P', '\r', '\n'};
constexpr size_t kHeaderSize = 20; // magic, version, body length
constexpr size_t kTrailerSize = 4; // CRC-32

uint32_t Crc(const char* data, size_t size)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes 32-bit lengths: long inputs go in pieces.
    while (size > 0) {
        uInt piece = uInt(size < (1u << 30) ? size : (1u << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), piece);
        data += piece;
        size -= piece;
    }
    return uint32_t(crc);
}

class Writer {
public:
    std::string out;

    void Unsigned(uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out += char((value >> (8 * i)) & 0xFF);
    }
    void U8(unsigned value) { Unsigned(value, 1); }
    void U32(uint32_t value) { Unsigned(value, 4); }
    void I32(int32_t value) { Unsigned(uint32_t(value), 4); }
    void I64(int64_t value) { Unsigned(uint64_t(value), 8); }
    void Bool(bool value) { U8(value ? 1 : 0); }
    void Bytes(const std::string& bytes)
    {
        U32(uint32_t(bytes.size()));
        out += bytes;
    }
    void Text(const WString& text)
    {
        U32(uint32_t(text.size() * 2));
        for (WCHAR c : text)
            Unsigned(c, 2);
    }

    void Guid(const GUID& g)
    {
        U32(uint32_t(g.Data1));
        Unsigned(g.Data2, 2);
        Unsigned(g.Data3, 2);
        for (unsigned char b : g.Data4)
            U8(b);
    }
    void Value(const PropValue& v)
    {
        U32(uint32_t(v.tag));
        I32(int32_t(v.number));
        I64(v.wide);
        Text(v.text);
        Bytes(v.bytes);
    }
    void Props(const PropSet& props)
    {
        U32(uint32_t(props.All().size()));
        for (const auto& [id, value] : props.All())
            Value(value);
        U32(uint32_t(props.Named().size()));
        for (const auto& [name, value] : props.Named()) {
            Guid(name.set);
            Bool(name.isString);
            I32(int32_t(name.number));
            Text(name.text);
            Value(value);
        }
    }
    void Message(const store::Message& m)
    {
        for (const WString* s : {&m.messageClass, &m.subject, &m.body, &m.html, &m.senderName, &m.senderType,
                                        &m.senderAddress, &m.entryId})
            Text(*s);
        Bool(m.headers.has_value());
        if (m.headers)
            Text(*m.headers);
        Bytes(m.rtfCompressed);
        I32(m.bodyFormat);
        I32(m.nativeFormat);
        Text(m.nativeContentType);
        U32(uint32_t(m.warnings.size()));
        for (const std::string& w : m.warnings)
            Bytes(w);
        Props(m.props);
        U32(uint32_t(m.attachments.size()));
        for (const Attachment& a : m.attachments) {
            Props(a.props);
            Bool(a.data != nullptr);
            if (a.data)
                Bytes(*a.data);
            Bool(a.embedded != nullptr);
            if (a.embedded)
                Message(*a.embedded);
        }
    }
};

// What makes a snapshot unreadable; the reader stops at the first and keeps nothing.
struct Refused {
    std::string why;
};

// Reads the body of a snapshot. Every length and count is checked against what remains before anything
// is allocated for it, so a hostile length costs nothing.
class Reader {
public:
    Reader(const std::string& bytes, size_t begin, size_t end) : m_bytes(bytes), m_at(begin), m_end(end) {}

    bool AtEnd() const { return m_at == m_end; }

    [[noreturn]] void Refuse(const std::string& why) const
    {
        throw Refused{why + " at byte " + std::to_string(m_at)};
    }

    uint64_t Unsigned(int bytes, const char* what)
    {
        if (m_end - m_at < size_t(bytes))
            Refuse(std::string("truncated ") + what);
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= uint64_t(static_cast<unsigned char>(m_bytes[m_at + size_t(i)])) << (8 * i);
        m_at += size_t(bytes);
        return value;
    }
    uint32_t U32(const char* what) { return uint32_t(Unsigned(4, what)); }
    int32_t I32(const char* what) { return int32_t(U32(what)); }
    int64_t I64(const char* what) { return int64_t(Unsigned(8, what)); }
    bool Bool(const char* what)
    {
        uint64_t b = Unsigned(1, what);
        if (b > 1)
            Refuse(std::string(what) + " is neither 0 nor 1");
        return b == 1;
    }
    // A count of records of at least minSize bytes each.
    size_t Count(const char* what, size_t minSize, size_t limit)
    {
        uint32_t n = U32(what);
        if (n > limit)
            Refuse(std::string(what) + " " + std::to_string(n) + " beyond the limit of " + std::to_string(limit));
        if (n > (m_end - m_at) / minSize)
            Refuse(std::string(what) + " " + std::to_string(n) + " beyond what remains");
        return n;
    }
    size_t Length(const char* what, size_t limit)
    {
        uint32_t n = U32(what);
        if (n > limit)
            Refuse(std::string(what) + " of " + std::to_string(n) + " bytes beyond the limit of " +
                   std::to_string(limit));
        if (n > m_end - m_at)
            Refuse(std::string(what) + " of " + std::to_string(n) + " bytes beyond what remains");
        return n;
    }
    std::string Bytes(const char* what, size_t limit = Limits::kMaxProperty)
    {
        size_t n = Length(what, limit);
        std::string out = m_bytes.substr(m_at, n);
        m_at += n;
        return out;
    }
    WString Text(const char* what)
    {
        size_t n = Length(what, Limits::kMaxProperty);
        if (n % 2)
            Refuse(std::string(what) + " of an odd number of bytes (" + std::to_string(n) + ") is not UTF-16");
        WString out(n / 2, W('\0'));
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + m_at);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = WCHAR(p[2 * i] | (p[2 * i + 1] << 8));
        m_at += n;
        return out;
    }

    GUID Guid()
    {
        GUID g{};
        g.Data1 = decltype(g.Data1)(U32("property set"));
        g.Data2 = decltype(g.Data2)(Unsigned(2, "property set"));
        g.Data3 = decltype(g.Data3)(Unsigned(2, "property set"));
        for (auto& b : g.Data4)
            b = static_cast<unsigned char>(Unsigned(1, "property set"));
        return g;
    }
    PropValue Value()
    {
        PropValue v;
        v.tag = ULONG(U32("property tag"));
        v.number = LONG(I32("property number"));
        v.wide = I64("property value");
        v.text = Text("property text");
        v.bytes = Bytes("property bytes");
        return v;
    }
    void Props(PropSet& props)
    {
        // Smallest records: a value is tag, number, wide and two empty lengths; a name adds its set,
        // kind, number and an empty text.
        constexpr size_t kValueSize = 4 + 4 + 8 + 4 + 4;
        constexpr size_t kNameSize = 16 + 1 + 4 + 4;
        size_t count = Count("property count", kValueSize, SIZE_MAX);
        ULONG last = 0;
        for (size_t i = 0; i < count; ++i) {
            PropValue v = Value();
            // Written in id order, so any other order (or a repeated id) is damage.
            if (i > 0 && PROP_ID(v.tag) <= last)
                Refuse("property ids out of order");
            last = PROP_ID(v.tag);
            props.Set(std::move(v));
        }
        size_t named = Count("named property count", kNameSize + kValueSize, SIZE_MAX);
        PropName previous;
        for (size_t i = 0; i < named; ++i) {
            PropName name;
            name.set = Guid();
            name.isString = Bool("name kind");
            name.number = LONG(I32("name number"));
            name.text = Text("name text");
            // In the set's order too: so one message has one snapshot, and a repeated name is damage.
            if (i > 0 && !(previous < name))
                Refuse("named properties out of order");
            props.SetNamed(name, Value());
            previous = std::move(name);
        }
    }
    std::shared_ptr<store::Message> Message(int depth)
    {
        auto m = std::make_shared<store::Message>();
        for (WString* s : {&m->messageClass, &m->subject, &m->body, &m->html, &m->senderName, &m->senderType,
                                  &m->senderAddress, &m->entryId})
            *s = Text("message text");
        if (Bool("header presence"))
            m->headers = Text("header");
        m->rtfCompressed = Bytes("RTF body");
        m->bodyFormat = I32("body format");
        if (m->bodyFormat < 1 || m->bodyFormat > 3)
            Refuse("body format " + std::to_string(m->bodyFormat) + " unknown");
        m->nativeFormat = I32("native format");
        if (m->nativeFormat < 0 || m->nativeFormat > 3)
            Refuse("native format " + std::to_string(m->nativeFormat) + " unknown");
        m->nativeContentType = Text("content type");
        size_t warnings = Count("warning count", 4, SIZE_MAX);
        for (size_t i = 0; i < warnings; ++i)
            m->warnings.push_back(Bytes("warning"));
        Props(m->props);
        // An attachment is at least two empty property sets and two absent flags.
        size_t attachments = Count("attachment count", 4 + 4 + 1 + 1, Limits::kMaxAttachments);
        m->attachments.resize(attachments);
        for (Attachment& a : m->attachments) {
            Props(a.props);
            if (Bool("data presence"))
                a.data = std::make_shared<const std::string>(Bytes("attachment data", Limits::kMaxFileSize));
            if (Bool("attached message presence")) {
                if (depth >= Limits::kMaxDepth)
                    Refuse("attached messages nested deeper than " + std::to_string(Limits::kMaxDepth));
                a.embedded = Message(depth + 1);
            }
        }
        return m;
    }

private:
    const std::string& m_bytes;
    size_t m_at;
    size_t m_end;
};

} // namespace

std::string WriteSnapshot(const Message& message)
{
    Writer w;
    w.out.assign(kMagic, sizeof kMagic);
    w.U32(kSnapshotVersion);
    w.Unsigned(0, 8); // the body's length, known once it is written
    w.Message(message);
    uint64_t length = w.out.size() - kHeaderSize;
    for (int i = 0; i < 8; ++i)
        w.out[12 + size_t(i)] = char((length >> (8 * i)) & 0xFF);
    w.U32(Crc(w.out.data(), w.out.size()));
    return std::move(w.out);
}

bool IsSnapshot(const std::string& bytes)
{
    return bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

std::shared_ptr<Message> ReadSnapshot(const std::string& bytes, std::string& error)
{
    if (!IsSnapshot(bytes)) {
        error = "not a message snapshot";
        return nullptr;
    }
    auto truncated = [&] {
        return "snapshot truncated: " + std::to_string(bytes.size()) + " bytes, fewer than its header and checksum";
    };
    try {
        if (bytes.size() < sizeof kMagic + 4)
            throw Refused{truncated()};
        Reader header(bytes, sizeof kMagic, bytes.size());
        uint32_t version = header.U32("version");
        if (version != kSnapshotVersion)
            throw Refused{"snapshot version " + std::to_string(version) + " is not supported (this program reads version " +
                          std::to_string(kSnapshotVersion) + ")"};
        if (bytes.size() < kHeaderSize + kTrailerSize)
            throw Refused{truncated()};
        uint64_t length = header.Unsigned(8, "length");
        size_t available = bytes.size() - kHeaderSize - kTrailerSize;
        if (length > available)
            throw Refused{"snapshot truncated: its body is " + std::to_string(length) + " bytes, " +
                          std::to_string(available) + " are there"};
        if (length < available)
            throw Refused{"snapshot has " + std::to_string(available - length) + " bytes after its checksum"};
        size_t end = kHeaderSize + size_t(length);
        Reader trailer(bytes, end, bytes.size());
        uint32_t stored = trailer.U32("checksum");
        if (stored != Crc(bytes.data(), end))
            throw Refused{"snapshot damaged: checksum mismatch"};
        Reader body(bytes, kHeaderSize, end);
        std::shared_ptr<Message> message = body.Message(0);
        if (!body.AtEnd())
            body.Refuse("bytes after the message");
        return message;
    } catch (const Refused& r) {
        error = r.why.rfind("snapshot", 0) == 0 ? r.why : "snapshot damaged: " + r.why;
    } catch (const std::bad_alloc&) {
        error = "snapshot too large for the memory there is";
    }
    return nullptr;
}

} // namespace store
