// The message store's model: one message file read once into MAPI properties, attachments and the few
// values of the object model that are derived rather than stored. The readers (MimeMessage, MsgFile,
// TnefReader) fill it; the COM objects (MapiMessage, MailItem) only present it.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "__Utilities/WString.h"

namespace store {

// Bounds on what one file may make us do, as mail scanners set them; what lies beyond is left out and
// noted in the message's warnings.
struct Limits {
    static constexpr int kMaxDepth = 32;             // nested multiparts and attached messages
    static constexpr size_t kMaxParts = 4096;        // MIME parts walked per file
    static constexpr size_t kMaxAttachments = 1024;  // attachment rows per message
    static constexpr size_t kMaxFileSize = 256u << 20; // bytes read of one file
    static constexpr size_t kMaxProperty = 128u << 20; // bytes of one stored property
};

// One property value. Strings are held as UTF-16 whatever the file stored; PT_STRING8 requests convert.
struct PropValue {
    ULONG tag = PR_NULL;
    LONG number = 0;
    long long wide = 0; // PT_I8, PT_SYSTIME
    WString text;
    std::string bytes;
};

// The name of a named property: its property set and a number or a string. Names of the internet
// header set compare ignoring ASCII case, as header names do.
struct PropName {
    GUID set{};
    bool isString = false;
    LONG number = 0;
    WString text;

    static PropName Number(const GUID& set, LONG number);
    static PropName String(const GUID& set, WString text);
    bool operator<(const PropName& other) const;
};

// A store's numbering of named properties. As in a real store, the ids (0x8000 to 0xFFFE) are given in
// the order names are first seen, so that one name has different ids in different stores.
class NameMap {
public:
    static constexpr ULONG kFirstId = 0x8000;
    static constexpr ULONG kLastId = 0xFFFE;

    // The name's id; an unknown name gets the next id when create is set, else (or when the range is full) 0.
    ULONG IdOf(const PropName& name, bool create);
    std::optional<PropName> NameOf(ULONG id) const;
    // Every mapped name with its id, in id order.
    std::vector<std::pair<ULONG, PropName>> All() const;

private:
    mutable std::mutex m_lock;
    std::map<PropName, ULONG> m_ids;
    std::vector<PropName> m_names; // by id - kFirstId
};

// The names of the store that messages without one of their own are filed in.
std::shared_ptr<NameMap> DefaultStoreNames();

class PropSet {
public:
    void SetLong(ULONG tag, LONG value);
    void SetBool(ULONG tag, bool value);
    void SetText(ULONG tag, WString value);
    void SetBinary(ULONG tag, std::string value);
    void Set(PropValue value) { m_values[PROP_ID(value.tag)] = std::move(value); }
    void Remove(ULONG tag) { m_values.erase(PROP_ID(tag)); }
    // The value with the tag's id, when its stored type fits the tag's (any string type for a string,
    // any type for PT_UNSPECIFIED).
    const PropValue* Find(ULONG tag) const;
    const std::map<ULONG, PropValue>& All() const { return m_values; }

    // Named properties are kept by name: their ids belong to the store the message is read from.
    void SetNamedText(const PropName& name, WString value);
    void SetNamedLong(const PropName& name, LONG value);
    // A value as it stands, of whatever type its tag gives (a snapshot's).
    void SetNamed(const PropName& name, PropValue value) { m_named[name] = std::move(value); }
    // The value of the name, when its stored type fits the type asked for (as Find).
    const PropValue* FindNamed(const PropName& name, ULONG type) const;
    const std::map<PropName, PropValue>& Named() const { return m_named; }

private:
    std::map<ULONG, PropValue> m_values; // by property id
    std::map<PropName, PropValue> m_named; // tags carry the type only
};

struct Message;

struct Attachment {
    PropSet props;                       // PR_ATTACH_METHOD, names, MIME tag, size...
    std::shared_ptr<const std::string> data; // the decoded bytes of a file attachment
    std::shared_ptr<Message> embedded;   // the message of an ATTACH_EMBEDDED_MSG
};

struct Message {
    PropSet props;
    std::vector<Attachment> attachments;
    // The object model's view (filled by Finish).
    WString messageClass;
    WString subject;
    WString body;
    WString html;
    WString senderName;
    WString senderType;
    WString senderAddress;
    WString entryId;
    std::optional<WString> headers;
    std::string rtfCompressed;
    int bodyFormat = 1;
    int nativeFormat = 0;          // 1 text, 2 HTML, 3 RTF: the format the body was stored in
    WString nativeContentType; // the body part's content type, for MIME messages
    std::vector<std::string> warnings; // what was left out or could not be read
    // The names of the store the message is filed in; null for the default store. Attached messages
    // are in their owner's store.
    std::shared_ptr<NameMap> storeNames;

    bool IsMail() const;
};

// Completes a read message: derives the missing body, the body format, the sender type and the entry id
// (from the file's identity and the message's place in it), and writes the MAPI properties that mirror
// the object model.
void Finish(Message& message, const std::string& identity);

// Reads a message file (.msg by its compound-file signature, RFC 5322 otherwise). Null with the reason in
// error when nothing can be read.
std::shared_ptr<Message> LoadMessageFile(const std::string& path, std::string& error);
std::shared_ptr<Message> LoadMessageBytes(const std::string& bytes, const std::string& identity, std::string& error);

std::shared_ptr<Message> ParseMime(const std::string& bytes, const std::string& identity, std::string& error);
std::shared_ptr<Message> ParseMsg(const std::string& bytes, const std::string& identity, std::string& error);
// Decodes a TNEF stream into the message: its attachments are appended, its RTF body becomes the
// message's. False (with a warning) when the stream cannot be decoded.
bool ApplyTnef(Message& message, const std::string& tnef, int depth, const std::string& identity);

// Text helpers shared by the readers.
WString PlainTextToHtml(const WString& text);
WString HtmlToPlainText(const WString& html);
WString RtfToPlainText(const std::string& rtf);
// The HTML that an RTF body marked \fromhtml wraps.
WString RtfToHtml(const std::string& rtf);
std::string DecompressRtf(const std::string& compressed);
// Bytes in a charset (MIME name or Windows code page "cp1252"); unknown charsets fall back to UTF-8 when
// the bytes are valid UTF-8, else to Windows-1252.
WString DecodeCharset(const std::string& bytes, const std::string& charset);
WString CodePageToUtf16(const std::string& bytes, unsigned codePage);
// Every line ending made CR LF; the trailing empty line that ends a header block removed.
WString HeaderBlock(const std::string& raw);
WString Widen(const std::string& utf8);

} // namespace store
