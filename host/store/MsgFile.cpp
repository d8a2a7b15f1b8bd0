// Outlook .msg files: compound files read with libgsf. The property stream of each storage lists the
// fixed-size values and the sizes of the variable ones, which live in their own "__substg1.0_" streams;
// attachments are "__attach_version1.0_#" storages, and an attached message is the storage of its
// PR_ATTACH_DATA_OBJ. 8-bit strings are in the message's code page. Named properties (ids from 0x8000)
// are numbered per file and are left out.
// The Windows-named headers first: libgsf's GLib then keeps their TRUE and FALSE.
#include "host/store/Message.h"
#include "host/store/StoreTags.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace store {

namespace {

template <class T> struct Ref {
    T* p = nullptr;
    explicit Ref(T* object = nullptr) : p(object) {}
    ~Ref()
    {
        if (p)
            g_object_unref(p);
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
};

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// A stream's bytes, at most the given bound (a stream's size as the file states it is not trusted).
bool ReadAll(GsfInput* input, size_t bound, std::string& out)
{
    gsf_off_t size = gsf_input_size(input);
    if (size < 0)
        return false;
    size_t n = std::min<size_t>(size_t(size), bound);
    out.assign(n, '\0');
    size_t done = 0;
    while (done < n) {
        size_t chunk = std::min<size_t>(n - done, 1 << 16);
        if (!gsf_input_read(input, chunk, reinterpret_cast<guint8*>(out.data() + done))) {
            out.resize(done);
            return false;
        }
        done += chunk;
    }
    return true;
}

std::string Hex8(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%08X", v);
    return buf;
}

#define PR_MESSAGE_LOCALE_ID PROP_TAG(PT_LONG, 0x3FF1)

// The Windows ANSI code page of a locale (its primary language), as a non-Unicode store writes.
unsigned AnsiCodePageOf(uint32_t lcid)
{
    switch (lcid & 0x3FF) {
    case 0x11: return 932;                                              // Japanese
    case 0x04: return (lcid == 0x0404 || lcid == 0x0C04 || lcid == 0x1404) ? 950 : 936; // Chinese
    case 0x12: return 949;                                              // Korean
    case 0x1E: return 874;                                              // Thai
    case 0x2A: return 1258;                                             // Vietnamese
    case 0x19: case 0x02: case 0x22: case 0x23: case 0x2F: case 0x3F: return 1251; // Cyrillic
    case 0x05: case 0x15: case 0x0E: case 0x1B: case 0x24: case 0x18: case 0x1C: return 1250; // Central European
    case 0x08: return 1253;                                             // Greek
    case 0x1F: return 1254;                                             // Turkish
    case 0x0D: return 1255;                                             // Hebrew
    case 0x01: case 0x29: case 0x20: return 1256;                       // Arabic script
    case 0x25: case 0x26: case 0x27: return 1257;                       // Baltic
    default: return 1252;
    }
}

class MsgReader {
public:
    MsgReader(Message& root) : m_root(root) {}

    // Reads the properties of a storage: headerSize is 32 for the top message, 24 for an attached
    // message and 8 for an attachment.
    // Returns the code page of the storage's 8-bit strings (the given one unless it names its own).
    unsigned ReadProps(GsfInfile* storage, size_t headerSize, PropSet& props, unsigned codePage)
    {
        Ref<GsfInput> stream(gsf_infile_child_by_name(storage, "__properties_version1.0"));
        std::string bytes;
        if (!stream.p || !ReadAll(stream.p, Limits::kMaxProperty, bytes) || bytes.size() < headerSize) {
            Warn("a property stream is missing or truncated");
            return codePage;
        }
        // Variable-size values first need the code page, which is itself a property.
        std::vector<std::pair<uint32_t, const uint8_t*>> entries;
        for (size_t at = headerSize; at + 16 <= bytes.size(); at += 16) {
            auto* e = reinterpret_cast<const uint8_t*>(bytes.data() + at);
            uint32_t tag = U32(e);
            if ((tag >> 16) >= 0x8000 || (tag & MV_FLAG))
                continue;
            entries.push_back({tag, e + 8});
        }
        // 8-bit strings are in the store's code page: stated, or the ANSI code page of the message's locale.
        for (auto& [tag, value] : entries)
            if (tag == PR_MESSAGE_LOCALE_ID && codePage == 0)
                codePage = AnsiCodePageOf(U32(value));
        for (auto& [tag, value] : entries)
            if (tag == PR_MESSAGE_CODEPAGE)
                codePage = U32(value);
        for (auto& [tag, value] : entries)
            ReadValue(storage, tag, value, props, codePage);
        return codePage;
    }

    void ReadValue(GsfInfile* storage, uint32_t tag, const uint8_t* value, PropSet& props, unsigned codePage)
    {
        PropValue v;
        v.tag = tag;
        switch (PROP_TYPE(tag)) {
        case PT_SHORT: v.number = int16_t(value[0] | value[1] << 8); v.tag = CHANGE_PROP_TYPE(tag, PT_LONG); break;
        case PT_LONG: case PT_ERROR: v.number = LONG(U32(value)); break;
        case PT_BOOLEAN: v.number = value[0] ? 1 : 0; break;
        case PT_I8: case PT_SYSTIME: case PT_CURRENCY: case PT_DOUBLE: case PT_APPTIME:
            v.wide = (long long) (uint64_t(U32(value)) | uint64_t(U32(value + 4)) << 32);
            break;
        case PT_STRING8: case PT_UNICODE: case PT_BINARY: {
            Ref<GsfInput> stream(gsf_infile_child_by_name(storage, ("__substg1.0_" + Hex8(tag)).c_str()));
            std::string bytes;
            if (!stream.p || (GSF_IS_INFILE(stream.p) && gsf_infile_num_children(GSF_INFILE(stream.p)) >= 0))
                return;
            if (!ReadAll(stream.p, Limits::kMaxProperty, bytes))
                Warn("the stream of property " + Hex8(tag) + " is truncated");
            if (PROP_TYPE(tag) == PT_BINARY) {
                v.bytes = std::move(bytes);
            } else if (PROP_TYPE(tag) == PT_UNICODE) {
                std::u16string text(bytes.size() / 2, u'\0');
                for (size_t k = 0; k < text.size(); ++k)
                    text[k] = char16_t(uint8_t(bytes[2 * k]) | uint8_t(bytes[2 * k + 1]) << 8);
                while (!text.empty() && text.back() == u'\0')
                    text.pop_back();
                v.text = std::move(text);
            } else {
                while (!bytes.empty() && bytes.back() == '\0')
                    bytes.pop_back();
                v.text = CodePageToUtf16(bytes, codePage);
                v.tag = CHANGE_PROP_TYPE(tag, PT_UNICODE);
            }
            break;
        }
        case PT_OBJECT:
            return; // the object's storage is read by its owner
        default:
            return;
        }
        props.Set(std::move(v));
    }

    void ReadMessage(GsfInfile* storage, Message& m, size_t headerSize, int depth)
    {
        unsigned outer = m_codePage;
        m_codePage = ReadProps(storage, headerSize, m.props, m_codePage);
        auto text = [&](ULONG tag) {
            const PropValue* v = m.props.Find(tag);
            return v ? v->text : std::u16string();
        };
        m.messageClass = text(PR_MESSAGE_CLASS_W);
        m.subject = text(PR_SUBJECT_W);
        m.body = text(PR_BODY_W);
        m.senderName = text(PR_SENDER_NAME_W);
        m.senderType = text(PR_SENDER_ADDRTYPE_W);
        m.senderAddress = text(PR_SENDER_EMAIL_ADDRESS_W);
        if (const PropValue* h = m.props.Find(PR_TRANSPORT_MESSAGE_HEADERS_W))
            m.headers = h->text;
        if (const PropValue* html = m.props.Find(PR_HTML)) {
            const PropValue* cp = m.props.Find(PR_INTERNET_CPID);
            m.html = PROP_TYPE(html->tag) == PT_BINARY ? CodePageToUtf16(html->bytes, cp ? unsigned(cp->number) : 65001)
                                                       : html->text;
        }
        if (const PropValue* rtf = m.props.Find(PR_RTF_COMPRESSED))
            m.rtfCompressed = rtf->bytes;
        if (const PropValue* info = m.props.Find(PR_NATIVE_BODY_INFO))
            m.nativeFormat = info->number == 1 ? 1 : info->number == 2 ? 3 : info->number == 3 ? 2 : 0;
        ReadAttachments(storage, m, depth);
        m_codePage = outer;
    }

    void ReadAttachments(GsfInfile* storage, Message& m, int depth)
    {
        std::vector<std::string> names;
        int n = gsf_infile_num_children(storage);
        for (int i = 0; i < n; ++i) {
            const char* name = gsf_infile_name_by_index(storage, i);
            if (name && std::strncmp(name, "__attach_version1.0_#", 21) == 0)
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            if (m.attachments.size() >= Limits::kMaxAttachments) {
                Warn("more than " + std::to_string(Limits::kMaxAttachments) + " attachments: the rest is left out");
                break;
            }
            Ref<GsfInput> child(gsf_infile_child_by_name(storage, name.c_str()));
            if (!child.p || !GSF_IS_INFILE(child.p))
                continue;
            GsfInfile* folder = GSF_INFILE(child.p);
            Attachment a;
            ReadProps(folder, 8, a.props, m_codePage);
            const PropValue* method = a.props.Find(PR_ATTACH_METHOD);
            LONG kind = method ? method->number : LONG(ATTACH_BY_VALUE);
            if (const PropValue* bin = a.props.Find(PR_ATTACH_DATA_BIN)) {
                a.data = std::make_shared<const std::string>(bin->bytes);
                a.props.Remove(PR_ATTACH_DATA_BIN); // opened as a stream, not listed with the values
            }
            if (kind == LONG(ATTACH_EMBEDDED_MSG)) {
                Ref<GsfInput> object(gsf_infile_child_by_name(folder, "__substg1.0_3701000D"));
                auto sub = std::make_shared<Message>();
                if (depth >= Limits::kMaxDepth)
                    Warn("attached messages nested deeper than " + std::to_string(Limits::kMaxDepth) + " are left out");
                else if (object.p && GSF_IS_INFILE(object.p))
                    ReadMessage(GSF_INFILE(object.p), *sub, 24, depth + 1);
                Finish(*sub, m_identity + "/" + name);
                a.embedded = std::move(sub);
                if (!a.props.Find(PR_DISPLAY_NAME_W))
                    a.props.SetText(PR_DISPLAY_NAME_W, a.embedded->subject);
            }
            a.props.SetLong(PR_ATTACH_NUM, LONG(m.attachments.size()));
            if (!a.props.Find(PR_ATTACH_SIZE))
                a.props.SetLong(PR_ATTACH_SIZE, a.data ? LONG(std::min<size_t>(a.data->size(), 0x7FFFFFFF)) : 0);
            m.attachments.push_back(std::move(a));
        }
    }

    void Warn(const std::string& what)
    {
        if (std::find(m_root.warnings.begin(), m_root.warnings.end(), what) == m_root.warnings.end())
            m_root.warnings.push_back(what);
    }

    std::string m_identity;
    unsigned m_codePage = 0;

private:
    Message& m_root;
};

// The offset of the root storage's directory entry in a compound file, 0 when the header does not say.
size_t RootEntryOffset(const std::string& bytes)
{
    static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (bytes.size() < 512 || std::memcmp(bytes.data(), kSignature, 8) != 0)
        return 0;
    auto* header = reinterpret_cast<const uint8_t*>(bytes.data());
    unsigned shift = unsigned(header[0x1E]) | unsigned(header[0x1F]) << 8;
    uint32_t first = U32(header + 0x30);
    if (shift < 9 || shift > 20 || first >= 0xFFFFFFFA)
        return 0;
    // The header takes the place of sector -1.
    uint64_t at = (uint64_t(first) + 1) << shift;
    return at + 128 <= bytes.size() ? size_t(at) : 0;
}

} // namespace

std::shared_ptr<Message> ParseMsg(const std::string& bytes, const std::string& identity, std::string& error)
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    // The root storage has no siblings. libgsf reads the ones a file gives it anyway, into entries that
    // belong to no storage and are never freed: they are cut from a copy, which reads the same otherwise.
    const std::string* source = &bytes;
    std::string patched;
    bool rootSiblings = false;
    if (size_t root = RootEntryOffset(bytes)) {
        auto* entry = reinterpret_cast<const uint8_t*>(bytes.data() + root);
        if (U32(entry + 0x44) != 0xFFFFFFFF || U32(entry + 0x48) != 0xFFFFFFFF) {
            patched = bytes;
            std::memset(patched.data() + root + 0x44, 0xFF, 8);
            source = &patched;
            rootSiblings = true;
        }
    }
    Ref<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8*>(source->data()), gsf_off_t(source->size()), FALSE));
    GError* gerror = nullptr;
    Ref<GsfInfile> root(gsf_infile_msole_new(input.p, &gerror));
    if (!root.p) {
        error = std::string("not a readable compound file") + (gerror && gerror->message ? ": " + std::string(gerror->message) : "");
        if (gerror)
            g_error_free(gerror);
        return nullptr;
    }
    auto message = std::make_shared<Message>();
    MsgReader reader(*message);
    reader.m_identity = identity;
    if (rootSiblings)
        reader.Warn("the root storage has siblings: they are left out");
    reader.ReadMessage(root.p, *message, 32, 0);
    if (message->props.All().empty()) {
        error = "a compound file without message properties";
        return nullptr;
    }
    Finish(*message, identity);
    return message;
}

} // namespace store
