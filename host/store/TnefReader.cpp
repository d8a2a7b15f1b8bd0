// winmail.dat as Outlook reads it: the TNEF stream's attachments become the message's own attachments and
// its RTF body the message's RTF body; the winmail.dat part itself is not listed.
#include "host/store/Message.h"
#include "host/store/StoreTags.h"
#include "host/store/TnefDecode.h"

namespace store {

namespace {

std::u16string Text(const TnefText& t, unsigned codePage)
{
    if (t.unicode) {
        std::u16string out(t.bytes.size() / 2, u'\0');
        for (size_t k = 0; k < out.size(); ++k)
            out[k] = char16_t(uint8_t(t.bytes[2 * k]) | uint8_t(t.bytes[2 * k + 1]) << 8);
        while (!out.empty() && out.back() == u'\0')
            out.pop_back();
        return out;
    }
    std::string bytes = t.bytes;
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();
    return CodePageToUtf16(bytes, codePage);
}

void AddParts(Message& m, const TnefContent& content, const std::string& identity);

std::shared_ptr<Message> EmbeddedMessage(const TnefContent& content, const std::string& identity)
{
    auto sub = std::make_shared<Message>();
    sub->subject = Text(content.subject, content.codePage);
    sub->body = Text(content.body, content.codePage);
    if (!content.html.empty())
        sub->html = CodePageToUtf16(content.html, content.codePage ? content.codePage : 65001);
    sub->rtfCompressed = content.rtfCompressed;
    AddParts(*sub, content, identity);
    Finish(*sub, identity);
    return sub;
}

void AddParts(Message& m, const TnefContent& content, const std::string& identity)
{
    for (const TnefPart& part : content.parts) {
        if (m.attachments.size() >= Limits::kMaxAttachments) {
            m.warnings.push_back("more than " + std::to_string(Limits::kMaxAttachments) + " attachments: the rest is left out");
            return;
        }
        Attachment a;
        PropSet& p = a.props;
        std::u16string name = Text(part.name, content.codePage);
        if (part.embedded) {
            a.embedded = EmbeddedMessage(*part.embedded, identity + "/tnef" + std::to_string(m.attachments.size()));
            p.SetLong(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG);
            p.SetText(PR_DISPLAY_NAME_W, a.embedded->subject);
            p.SetLong(PR_ATTACH_SIZE, 0);
        } else {
            p.SetLong(PR_ATTACH_METHOD, part.method == LONG(ATTACH_OLE) ? ATTACH_OLE : ATTACH_BY_VALUE);
            p.SetText(PR_ATTACH_LONG_FILENAME_W, name);
            p.SetText(PR_DISPLAY_NAME_W, name);
            size_t dot = name.find_last_of(u'.');
            if (dot != std::u16string::npos)
                p.SetText(PR_ATTACH_EXTENSION_W, name.substr(dot));
            p.SetLong(PR_ATTACH_SIZE, LONG(std::min<size_t>(part.data.size(), 0x7FFFFFFF)));
            a.data = std::make_shared<const std::string>(part.data);
        }
        if (!part.mimeTag.bytes.empty())
            p.SetText(PR_ATTACH_MIME_TAG_W, Text(part.mimeTag, content.codePage));
        if (!part.contentId.bytes.empty())
            p.SetText(PR_ATTACH_CONTENT_ID_W, Text(part.contentId, content.codePage));
        if (part.hidden)
            p.SetBool(PR_ATTACHMENT_HIDDEN, true);
        p.SetLong(PR_RENDERING_POSITION, -1);
        m.attachments.push_back(std::move(a));
    }
}

} // namespace

bool ApplyTnef(Message& m, const std::string& tnef, int depth, const std::string& identity)
{
    TnefContent content;
    std::string error;
    if (depth > Limits::kMaxDepth || !DecodeTnef(tnef, content, 0, error)) {
        m.warnings.push_back(error.empty() ? "winmail.dat nested too deep" : "winmail.dat: " + error);
        return false;
    }
    if (!content.rtfCompressed.empty() && m.rtfCompressed.empty())
        m.rtfCompressed = content.rtfCompressed;
    if (m.html.empty() && !content.html.empty())
        m.html = CodePageToUtf16(content.html, content.codePage ? content.codePage : 65001);
    AddParts(m, content, identity + "/tnef");
    return true;
}

} // namespace store
