// RFC 5322 / MIME messages, parsed with GMime 3, mapped to the store's model as Outlook maps them: the
// header block as received, the first text and HTML parts that are not attachments as the bodies, every
// other leaf part as an attachment row in file order, attached messages as embedded messages, and a
// winmail.dat part decoded into the message itself.
// The Windows-named headers first: GMime's GLib then keeps their TRUE and FALSE.
#include "host/store/Message.h"
#include "host/store/StoreTags.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace store {

namespace {

template <class T> struct GObjectRef {
    T* p = nullptr;
    explicit GObjectRef(T* object) : p(object) {}
    ~GObjectRef()
    {
        if (p)
            g_object_unref(p);
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
};

void InitGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string Utf8(const char* s) { return s ? std::string(s) : std::string(); }

// The decoded bytes of a leaf part (transfer encoding undone; broken encodings decode as far as they go).
std::string PartBytes(GMimePart* part)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content)
        return {};
    GObjectRef<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, stream.p);
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.p));
    return array ? std::string(reinterpret_cast<const char*>(array->data), array->len) : std::string();
}

std::string MimeType(GMimeObject* object)
{
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (!type)
        return "text/plain";
    return Lower(Utf8(g_mime_content_type_get_media_type(type)) + "/" + Utf8(g_mime_content_type_get_media_subtype(type)));
}

std::string Charset(GMimeObject* object)
{
    GMimeContentType* type = g_mime_object_get_content_type(object);
    return type ? Utf8(g_mime_content_type_get_parameter(type, "charset")) : std::string();
}

bool IsAttachmentDisposition(GMimeObject* object)
{
    const char* d = g_mime_object_get_disposition(object);
    return d && g_ascii_strcasecmp(d, "attachment") == 0;
}

// The extension Outlook gives an unnamed part of this type.
std::string ExtensionOf(const std::string& mimeType)
{
    static const struct {
        const char* type;
        const char* ext;
    } table[] = {{"text/plain", ".txt"}, {"text/html", ".htm"}, {"text/calendar", ".ics"}, {"text/xml", ".xml"},
                 {"text/csv", ".csv"}, {"text/rtf", ".rtf"}, {"application/rtf", ".rtf"},
                 {"text/rfc822-headers", ".txt"}, {"message/delivery-status", ".txt"},
                 {"message/disposition-notification", ".txt"}, {"image/jpeg", ".jpg"}, {"image/jpg", ".jpg"},
                 {"image/pjpeg", ".jpg"}, {"image/png", ".png"}, {"image/gif", ".gif"}, {"image/bmp", ".bmp"},
                 {"image/tiff", ".tif"}, {"image/svg+xml", ".svg"}, {"application/pdf", ".pdf"},
                 {"application/zip", ".zip"}, {"application/x-zip-compressed", ".zip"},
                 {"application/msword", ".doc"}, {"application/vnd.ms-excel", ".xls"},
                 {"application/pkcs7-signature", ".p7s"}, {"application/x-pkcs7-signature", ".p7s"},
                 {"application/pkcs7-mime", ".p7m"}, {"application/x-pkcs7-mime", ".p7m"},
                 {"application/pgp-signature", ".asc"}, {"audio/mpeg", ".mp3"}, {"audio/wav", ".wav"},
                 {"video/mp4", ".mp4"}, {"application/ms-tnef", ".dat"},
                 {"application/postscript", ".ps"}, {"audio/basic", ".au"}, {"text/vcard", ".vcf"},
                 {"text/x-vcard", ".vcf"}, {"application/gzip", ".gz"}, {"application/x-gzip", ".gz"}};
    for (const auto& e : table)
        if (mimeType == e.type)
            return e.ext;
    return ".bin";
}

class MimeMapper {
public:
    MimeMapper(const std::string& raw, size_t& partCount, Message* root = nullptr)
        : m_raw(raw), m_parts(partCount), m_root(root)
    {
    }

    std::shared_ptr<Message> Map(GMimeMessage* gm, int depth, bool topLevel)
    {
        auto m = std::make_shared<Message>();
        m_message = m.get();
        if (!m_root)
            m_root = m_message;
        ReadEnvelope(gm, topLevel);
        if (GMimeObject* body = g_mime_message_get_mime_part(gm)) {
            std::string type = MimeType(body);
            if (type == "multipart/signed")
                m->messageClass = u"IPM.Note.SMIME.MultipartSigned";
            else if (type == "application/pkcs7-mime" || type == "application/x-pkcs7-mime")
                m->messageClass = u"IPM.Note.SMIME";
            Walk(body, depth + 1);
        }
        if (m_textPart || m_htmlPart) {
            GMimeObject* native = m_htmlPart ? m_htmlPart : m_textPart;
            m->nativeFormat = m_htmlPart ? 2 : 1;
            std::string type = MimeType(native), charset = Charset(native);
            m->nativeContentType = Widen(charset.empty() ? type : type + "; charset=" + charset);
        }
        for (size_t i = 0; i < m->attachments.size(); ++i)
            m->attachments[i].props.SetLong(PR_ATTACH_NUM, LONG(i));
        return m;
    }

private:
    void ReadEnvelope(GMimeMessage* gm, bool topLevel)
    {
        Message& m = *m_message;
        m.subject = Widen(Utf8(g_mime_message_get_subject(gm)));
        if (InternetAddressList* from = g_mime_message_get_from(gm)) {
            InternetAddress* first = internet_address_list_length(from) > 0 ? internet_address_list_get_address(from, 0) : nullptr;
            if (first && INTERNET_ADDRESS_IS_GROUP(first)) {
                InternetAddressList* members = internet_address_group_get_members(INTERNET_ADDRESS_GROUP(first));
                first = members && internet_address_list_length(members) > 0 ? internet_address_list_get_address(members, 0) : nullptr;
            }
            if (first && INTERNET_ADDRESS_IS_MAILBOX(first)) {
                m.senderAddress = Widen(Utf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first))));
                m.senderName = Widen(Utf8(internet_address_get_name(first)));
            }
        }
        if (const char* id = g_mime_message_get_message_id(gm))
            m.props.SetText(PR_INTERNET_MESSAGE_ID_W, Widen(std::string("<") + id + ">"));
        GMimeHeaderList* list = g_mime_object_get_header_list(GMIME_OBJECT(gm));
        int count = list ? g_mime_header_list_get_count(list) : 0;
        if (count == 0)
            return;
        if (topLevel) {
            m.headers = HeaderBlock(m_raw);
            return;
        }
        // An attached message's own header block, as it stands in the file when it was not re-encoded.
        GMimeHeader* firstHeader = g_mime_header_list_get_header_at(list, 0);
        gint64 offset = g_mime_header_get_offset(firstHeader);
        const char* name = g_mime_header_get_name(firstHeader);
        size_t nameLength = name ? std::strlen(name) : 0;
        if (offset >= 0 && size_t(offset) + nameLength <= m_raw.size() && nameLength > 0 &&
            g_ascii_strncasecmp(m_raw.data() + offset, name, nameLength) == 0) {
            m.headers = HeaderBlock(m_raw.substr(size_t(offset)));
        } else {
            char* text = g_mime_object_get_headers(GMIME_OBJECT(gm), nullptr);
            m.headers = HeaderBlock(Utf8(text));
            g_free(text);
        }
    }

    // What was left out is noted once, on the message of the file.
    void Warn(const std::string& what)
    {
        if (std::find(m_root->warnings.begin(), m_root->warnings.end(), what) == m_root->warnings.end())
            m_root->warnings.push_back(what);
    }

    bool Count(int depth)
    {
        if (++m_parts > Limits::kMaxParts) {
            Warn("more than " + std::to_string(Limits::kMaxParts) + " MIME parts: the rest is left out");
            return false;
        }
        if (depth > Limits::kMaxDepth) {
            Warn("parts nested deeper than " + std::to_string(Limits::kMaxDepth) + " are left out");
            return false;
        }
        return true;
    }

    Attachment* NewAttachment()
    {
        if (m_message->attachments.size() >= Limits::kMaxAttachments) {
            Warn("more than " + std::to_string(Limits::kMaxAttachments) + " attachments: the rest is left out");
            return nullptr;
        }
        m_message->attachments.emplace_back();
        return &m_message->attachments.back();
    }

    void Walk(GMimeObject* object, int depth)
    {
        if (!Count(depth))
            return;
        if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart* multipart = GMIME_MULTIPART(object);
            int n = g_mime_multipart_get_count(multipart);
            for (int i = 0; i < n; ++i)
                Walk(g_mime_multipart_get_part(multipart, i), depth + 1);
            return;
        }
        if (GMIME_IS_MESSAGE_PART(object)) {
            AddEmbedded(GMIME_MESSAGE_PART(object), depth);
            return;
        }
        if (!GMIME_IS_PART(object))
            return;
        GMimePart* part = GMIME_PART(object);
        std::string type = MimeType(object);
        bool attachment = IsAttachmentDisposition(object);
        if (!attachment && type == "text/plain" && !m_textPart) {
            m_textPart = object;
            m_message->body = DecodeCharset(PartBytes(part), Charset(object));
            return;
        }
        if (!attachment && type == "text/html" && !m_htmlPart) {
            m_htmlPart = object;
            m_message->html = DecodeCharset(PartBytes(part), Charset(object));
            return;
        }
        std::string bytes = PartBytes(part);
        if (type == "application/ms-tnef" || type == "application/vnd.ms-tnef") {
            if (ApplyTnef(*m_message, bytes, depth, m_identity))
                return;
        }
        AddFile(object, type, std::move(bytes));
    }

    void AddFile(GMimeObject* object, const std::string& type, std::string bytes)
    {
        Attachment* a = NewAttachment();
        if (!a)
            return;
        std::string name = Utf8(g_mime_object_get_content_disposition_parameter(object, "filename"));
        if (name.empty())
            name = Utf8(g_mime_object_get_content_type_parameter(object, "name"));
        if (name.empty()) {
            char buf[16];
            std::snprintf(buf, sizeof(buf), "ATT%05d", ++m_unnamed);
            name = buf + ExtensionOf(type);
        }
        std::u16string wideName = Widen(name);
        PropSet& p = a->props;
        p.SetLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE);
        p.SetText(PR_ATTACH_LONG_FILENAME_W, wideName);
        p.SetText(PR_DISPLAY_NAME_W, wideName);
        size_t dot = wideName.find_last_of(u'.');
        if (dot != std::u16string::npos)
            p.SetText(PR_ATTACH_EXTENSION_W, wideName.substr(dot));
        p.SetText(PR_ATTACH_MIME_TAG_W, Widen(type));
        const char* cid = g_mime_object_get_content_id(object);
        if (cid && *cid) {
            p.SetText(PR_ATTACH_CONTENT_ID_W, Widen(cid));
            // An inline part that the HTML refers to by its id is hidden from the attachment list.
            if (!IsAttachmentDisposition(object))
                p.SetBool(PR_ATTACHMENT_HIDDEN, true);
        }
        if (const char* location = g_mime_part_get_content_location(GMIME_PART(object)))
            p.SetText(PR_ATTACH_CONTENT_LOCATION_W, Widen(location));
        p.SetLong(PR_ATTACH_SIZE, LONG(std::min<size_t>(bytes.size(), 0x7FFFFFFF)));
        p.SetLong(PR_RENDERING_POSITION, -1);
        a->data = std::make_shared<const std::string>(std::move(bytes));
    }

    void AddEmbedded(GMimeMessagePart* part, int depth)
    {
        Attachment* a = NewAttachment();
        if (!a)
            return;
        GMimeMessage* inner = g_mime_message_part_get_message(part);
        std::shared_ptr<Message> sub;
        std::string identity = m_identity + "/" + std::to_string(m_message->attachments.size() - 1);
        if (inner) {
            MimeMapper mapper(m_raw, m_parts, m_root);
            mapper.m_identity = identity;
            sub = mapper.Map(inner, depth + 1, false);
        } else {
            sub = std::make_shared<Message>();
        }
        Finish(*sub, identity);
        PropSet& p = a->props;
        p.SetLong(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG);
        p.SetText(PR_DISPLAY_NAME_W, sub->subject);
        p.SetText(PR_ATTACH_MIME_TAG_W, u"message/rfc822");
        GObjectRef<GMimeStream> stream(g_mime_stream_null_new());
        if (inner)
            g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.p);
        p.SetLong(PR_ATTACH_SIZE, LONG(std::min<gint64>(g_mime_stream_length(stream.p), 0x7FFFFFFF)));
        p.SetLong(PR_RENDERING_POSITION, -1);
        a->embedded = std::move(sub);
    }

public:
    std::string m_identity;

private:
    const std::string& m_raw;
    size_t& m_parts;
    Message* m_root;
    Message* m_message = nullptr;
    GMimeObject* m_textPart = nullptr;
    GMimeObject* m_htmlPart = nullptr;
    int m_unnamed = 0;
};

} // namespace

// Never fails: what GMime cannot parse is read as text.
std::shared_ptr<Message> ParseMime(const std::string& bytes, const std::string& identity, std::string& /*error*/)
{
    InitGMime();
    GObjectRef<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
    GObjectRef<GMimeParser> parser(g_mime_parser_new_with_stream(stream.p));
    GMimeParserOptions* options = g_mime_parser_options_new();
    g_mime_parser_options_set_rfc2047_compliance_mode(options, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(options, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_address_compliance_mode(options, GMIME_RFC_COMPLIANCE_LOOSE);
    GObjectRef<GMimeMessage> gm(g_mime_parser_construct_message(parser.p, options));
    g_mime_parser_options_free(options);
    if (!gm.p) {
        // Not even a header GMime accepts (an SMTP envelope before the header, say): the text as it is,
        // as a mail reader shows a file it cannot parse.
        auto message = std::make_shared<Message>();
        size_t blank = bytes.find("\n\n"), crlf = bytes.find("\r\n\r\n");
        size_t end = std::min(blank == std::string::npos ? bytes.size() : blank + 2,
                              crlf == std::string::npos ? bytes.size() : crlf + 4);
        message->headers = HeaderBlock(bytes);
        message->body = DecodeCharset(bytes.substr(end), "utf-8");
        message->warnings.push_back("not a MIME message: read as text");
        Finish(*message, identity);
        return message;
    }
    size_t parts = 0;
    MimeMapper mapper(bytes, parts);
    mapper.m_identity = identity;
    auto message = mapper.Map(gm.p, 0, true);
    Finish(*message, identity);
    return message;
}

} // namespace store
