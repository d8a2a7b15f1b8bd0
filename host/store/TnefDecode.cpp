// Decoding of TNEF streams with libytnef. Only this file sees libytnef's headers.
#include "host/store/TnefDecode.h"

// libytnef's headers declare C functions without saying so.
extern "C" {
#include <ytnef.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace store {

namespace {

constexpr int kMaxTnefDepth = 8;
constexpr unsigned kRtfCompressed = 0x1009, kBodyHtml = 0x1013, kAttachDataObj = 0x3701, kAttachMethod = 0x3705,
                   kAttachLongFilename = 0x3707, kAttachFilename = 0x3704, kAttachMimeTag = 0x370E,
                   kAttachContentId = 0x3712, kAttachHidden = 0x7FFE, kSubject = 0x0037;

// libytnef reports what it refuses on standard output, where a command's own output goes: while it
// parses, standard output points to /dev/null.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            dup2(null, STDOUT_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (m_saved >= 0) {
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved = -1;
};

bool Usable(variableLength* v) { return v && v != MAPI_UNDEFINED && v->data && v->size > 0; }

std::string Bytes(variableLength* v) { return Usable(v) ? std::string(reinterpret_cast<char*>(v->data), size_t(v->size)) : std::string(); }

// A text property in either width, Unicode preferred.
TnefText FindText(MAPIProps* props, unsigned id)
{
    TnefText t;
    variableLength* v = MAPIFindProperty(props, PROP_TAG(PT_UNICODE, id));
    if (Usable(v)) {
        t.bytes = Bytes(v);
        t.unicode = true;
        return t;
    }
    t.bytes = Bytes(MAPIFindProperty(props, PROP_TAG(PT_STRING8, id)));
    return t;
}

long FindLong(MAPIProps* props, unsigned id, long fallback)
{
    variableLength* v = MAPIFindProperty(props, PROP_TAG(PT_LONG, id));
    if (!Usable(v) || v->size < 4)
        return fallback;
    return long(v->data[0] | v->data[1] << 8 | v->data[2] << 16 | unsigned(v->data[3]) << 24);
}

} // namespace

bool DecodeTnef(const std::string& bytes, TnefContent& out, int depth, std::string& error)
{
    if (depth > kMaxTnefDepth) {
        error = "TNEF streams nested too deep";
        return false;
    }
    std::vector<BYTE> copy(bytes.begin(), bytes.end());
    if (copy.size() < 6) {
        error = "TNEF stream too short";
        return false;
    }
    TNEFStruct tnef;
    TNEFInitialize(&tnef);
    tnef.Debug = 0;
    int status;
    {
        QuietStdout quiet;
        status = TNEFParseMemory(copy.data(), long(copy.size()), &tnef);
    }
    if (status < 0) {
        TNEFFree(&tnef);
        error = "TNEF stream cannot be decoded (libytnef status " + std::to_string(status) + ")";
        return false;
    }
    if (tnef.CodePage.data && tnef.CodePage.size >= 4)
        out.codePage = tnef.CodePage.data[0] | tnef.CodePage.data[1] << 8 | tnef.CodePage.data[2] << 16 |
                       unsigned(tnef.CodePage.data[3]) << 24;
    out.subject = FindText(&tnef.MapiProperties, kSubject);
    if (out.subject.bytes.empty() && tnef.subject.data && tnef.subject.size > 0)
        out.subject.bytes.assign(reinterpret_cast<char*>(tnef.subject.data), strnlen(reinterpret_cast<char*>(tnef.subject.data), size_t(tnef.subject.size)));
    if (tnef.body.data && tnef.body.size > 0)
        out.body.bytes.assign(reinterpret_cast<char*>(tnef.body.data), strnlen(reinterpret_cast<char*>(tnef.body.data), size_t(tnef.body.size)));
    out.rtfCompressed = Bytes(MAPIFindProperty(&tnef.MapiProperties, PROP_TAG(PT_BINARY, kRtfCompressed)));
    out.html = Bytes(MAPIFindProperty(&tnef.MapiProperties, PROP_TAG(PT_BINARY, kBodyHtml)));
    for (Attachment* a = tnef.starting_attach.next; a; a = a->next) {
        TnefPart part;
        MAPIProps* props = &a->MAPI;
        part.method = FindLong(props, kAttachMethod, 1);
        part.name = FindText(props, kAttachLongFilename);
        if (part.name.bytes.empty())
            part.name = FindText(props, kAttachFilename);
        if (part.name.bytes.empty() && a->Title.data && a->Title.size > 0)
            part.name.bytes.assign(reinterpret_cast<char*>(a->Title.data), strnlen(reinterpret_cast<char*>(a->Title.data), size_t(a->Title.size)));
        part.mimeTag = FindText(props, kAttachMimeTag);
        part.contentId = FindText(props, kAttachContentId);
        part.hidden = FindLong(props, kAttachHidden, 0) != 0;
        variableLength* object = MAPIFindProperty(props, PROP_TAG(PT_OBJECT, kAttachDataObj));
        if (part.method == 5 && Usable(object) && object->size > 16) {
            // An attached message: the interface id, then a TNEF stream of its own.
            auto inner = std::make_shared<TnefContent>();
            std::string why;
            if (DecodeTnef(std::string(reinterpret_cast<char*>(object->data) + 16, size_t(object->size) - 16), *inner, depth + 1, why))
                part.embedded = inner;
        }
        if (!part.embedded) {
            if (a->FileData.data && a->FileData.size > 0)
                part.data = Bytes(&a->FileData);
            else
                part.data = Bytes(MAPIFindProperty(props, PROP_TAG(PT_BINARY, kAttachDataObj)));
            if (part.method == 5)
                part.method = 1;
        }
        out.parts.push_back(std::move(part));
    }
    TNEFFree(&tnef);
    if (out.parts.empty() && out.rtfCompressed.empty() && out.html.empty() && out.body.bytes.empty()) {
        error = "TNEF stream holds nothing that can be read";
        return false;
    }
    return true;
}

} // namespace store
