// vantora mapi [--json] FILE...: what Outlook gives the add-in for each message file, read through the same
// interfaces the add-in calls: the item's class and object-model properties, the transport header, the
// body formats and lengths, and the attachment table, attached messages opened recursively. A file that
// cannot be read is reported on stderr and the others go on; the exit status is then 1.
#include <atlbase.h>
#include <mapix.h>
#include <outlook.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Commands.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "host/store/MapiMessage.h"
#include "host/store/StoreTags.h"
#include "pal/host.h"

namespace host {

namespace {

std::string Str(BSTR s) { return s ? pal::ToUtf8(s) : std::string(); }

std::string Prop(IMAPIProp* prop, ULONG tag, bool* present = nullptr)
{
    ULONG count = 0;
    LPSPropValue values = nullptr;
    SizedSPropTagArray(1, tags) = {1, {tag}};
    HRESULT hr = prop->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &values);
    std::string result;
    bool found = SUCCEEDED(hr) && count == 1 && values && values[0].ulPropTag == tag;
    if (found) {
        switch (PROP_TYPE(tag)) {
        case PT_UNICODE: result = pal::ToUtf8(values[0].Value.lpszW); break;
        case PT_LONG: result = std::to_string(values[0].Value.l); break;
        case PT_BOOLEAN: result = values[0].Value.b ? "true" : "false"; break;
        default: break;
        }
    }
    store::MapiFreeBuffer(values);
    if (present)
        *present = found;
    return result;
}

std::string Indent(int level) { return std::string(size_t(level) * 2, ' '); }

void DescribeTable(IMessage* message, bool json, int level, std::string& out);

// The message's own properties as MAPI gives them (used for attached messages, which have no item).
void DescribeMapi(IMessage* message, bool json, int level, std::string& out)
{
    bool hasHeader = false, hasBody = false, hasHtml = false;
    std::string header = Prop(message, PR_TRANSPORT_MESSAGE_HEADERS_W, &hasHeader);
    std::string subject = Prop(message, PR_SUBJECT_W);
    std::string cls = Prop(message, PR_MESSAGE_CLASS_W);
    std::u16string body = pal::ToWide(Prop(message, PR_BODY_W, &hasBody));
    ULONG count = 0;
    LPSPropValue html = nullptr;
    SizedSPropTagArray(1, htmlTag) = {1, {PR_HTML}};
    message->GetProps(reinterpret_cast<LPSPropTagArray>(&htmlTag), 0, &count, &html);
    size_t htmlBytes = html && html[0].ulPropTag == PR_HTML ? html[0].Value.bin.cb : 0;
    hasHtml = html && html[0].ulPropTag == PR_HTML;
    store::MapiFreeBuffer(html);
    std::string pad = Indent(level);
    if (json) {
        out += pad + "\"messageClass\": " + JsonString(cls) + ",\n";
        out += pad + "\"subject\": " + JsonString(subject) + ",\n";
        out += pad + "\"header\": " + (hasHeader ? JsonString(header) : "null") + ",\n";
        out += pad + "\"bodyLength\": " + std::to_string(hasBody ? body.size() : 0) + ",\n";
        out += pad + "\"htmlBytes\": " + std::to_string(htmlBytes) + ",\n";
    } else {
        out += pad + "class: " + cls + "\n" + pad + "subject: " + subject + "\n";
        out += pad + "header: " + (hasHeader ? std::to_string(header.size()) + " bytes" : "none") + "\n";
        out += pad + "body: " + std::to_string(hasBody ? body.size() : 0) + " characters, HTML: " +
               (hasHtml ? std::to_string(htmlBytes) + " bytes" : "none") + "\n";
    }
    DescribeTable(message, json, level, out);
}

void DescribeTable(IMessage* message, bool json, int level, std::string& out)
{
    std::string pad = Indent(level);
    CComPtr<IMAPITable> table;
    ULONG rows = 0;
    if (FAILED(message->GetAttachmentTable(MAPI_UNICODE, &table)) || FAILED(table->GetRowCount(0, &rows))) {
        out += json ? pad + "\"attachments\": []\n" : pad + "attachments: (table not available)\n";
        return;
    }
    out += json ? pad + "\"attachments\": [" : pad + "attachments: " + std::to_string(rows) + "\n";
    for (ULONG r = 0; r < rows; ++r) {
        LPSRowSet set = nullptr;
        if (FAILED(table->QueryRows(1, 0, &set)) || !set || set->cRows != 1) {
            store::MapiFreeBuffer(set);
            break;
        }
        LONG number = -1, method = 0, size = 0;
        std::string name, mime, cid;
        bool hidden = false;
        for (ULONG k = 0; k < set->aRow[0].cValues; ++k) {
            const SPropValue& v = set->aRow[0].lpProps[k];
            switch (v.ulPropTag) {
            case PR_ATTACH_NUM: number = v.Value.l; break;
            case PR_ATTACH_METHOD: method = v.Value.l; break;
            case PR_ATTACH_SIZE: size = v.Value.l; break;
            case PR_ATTACH_LONG_FILENAME_W: name = pal::ToUtf8(v.Value.lpszW); break;
            case PR_ATTACH_MIME_TAG_W: mime = pal::ToUtf8(v.Value.lpszW); break;
            case PR_ATTACH_CONTENT_ID_W: cid = pal::ToUtf8(v.Value.lpszW); break;
            case PR_ATTACHMENT_HIDDEN: hidden = v.Value.b != 0; break;
            default: break;
            }
        }
        store::MapiFreeBuffer(set->aRow[0].lpProps);
        store::MapiFreeBuffer(set);
        CComPtr<IMessage> embedded;
        if (method == LONG(ATTACH_EMBEDDED_MSG)) {
            CComPtr<IAttach> attach;
            CComPtr<IUnknown> object;
            if (SUCCEEDED(message->OpenAttach(ULONG(number), nullptr, 0, &attach)) &&
                SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &object)))
                object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&embedded));
        }
        if (json) {
            std::string in = Indent(level + 2);
            out += std::string(r ? "," : "") + "\n" + Indent(level + 1) + "{\n";
            out += in + "\"number\": " + std::to_string(number) + ",\n";
            out += in + "\"method\": " + std::to_string(method) + ",\n";
            out += in + "\"fileName\": " + JsonString(name) + ",\n";
            out += in + "\"size\": " + std::to_string(size) + ",\n";
            out += in + "\"mimeTag\": " + JsonString(mime) + ",\n";
            out += in + "\"contentId\": " + JsonString(cid) + ",\n";
            out += in + "\"hidden\": " + (hidden ? "true" : "false");
            if (embedded) {
                out += ",\n" + in + "\"message\": {\n";
                DescribeMapi(embedded, true, level + 3, out);
                out += in + "}";
            }
            out += "\n" + Indent(level + 1) + "}";
        } else {
            const char* kind = method == LONG(ATTACH_EMBEDDED_MSG) ? "message" : method == LONG(ATTACH_OLE) ? "ole" : "file";
            out += pad + "  #" + std::to_string(number) + " " + kind + " \"" + name + "\" " + std::to_string(size) +
                   " bytes " + mime + (cid.empty() ? "" : " cid:" + cid) + (hidden ? " hidden" : "") + "\n";
            if (embedded)
                DescribeMapi(embedded, false, level + 2, out);
        }
    }
    out += json ? (rows ? "\n" + pad + "]\n" : "]\n") : "";
}

bool Describe(const std::string& path, Outlook::_Application* app, bool json, std::string& out, std::string& error)
{
    std::shared_ptr<store::Message> message = store::LoadMessageFile(path, error);
    if (!message)
        return false;
    CComPtr<IDispatch> item;
    item.Attach(store::NewItem(message, app));
    CComPtr<Outlook::_MailItem> mail;
    item->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail));
    std::string pad = Indent(1);
    if (json) {
        out += "{\n" + pad + "\"file\": " + JsonString(path) + ",\n" + pad + "\"mailItem\": " + (mail ? "true" : "false") + ",\n";
        out += pad + "\"warnings\": [";
        for (size_t i = 0; i < message->warnings.size(); ++i)
            out += (i ? ", " : "") + JsonString(message->warnings[i]);
        out += "],\n";
    } else
        out += path + "\n" + pad + "mail item: " + (mail ? "yes" : "no (not IPM.Note)") + "\n";
    if (mail) {
        CComBSTR entry, name, type, address;
        Outlook::OlBodyFormat format = Outlook::olFormatUnspecified;
        CComBSTR body, html;
        mail->get_EntryID(&entry);
        mail->get_SenderName(&name);
        mail->get_SenderEmailType(&type);
        mail->get_SenderEmailAddress(&address);
        mail->get_BodyFormat(&format);
        mail->get_Body(&body);
        mail->get_HTMLBody(&html);
        CComPtr<IUnknown> unknown;
        CComPtr<IMessage> mapi;
        mail->get_MAPIOBJECT(&unknown);
        if (unknown)
            unknown->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&mapi));
        std::string native = mapi ? std::to_string(store::NativeBodyFormatOf(mapi)) : std::string();
        std::string nativeType = mapi ? pal::ToUtf8(store::ContentTypeOf(mapi)) : std::string();
        if (json) {
            out += pad + "\"entryId\": " + JsonString(Str(entry)) + ",\n";
            out += pad + "\"senderName\": " + JsonString(Str(name)) + ",\n";
            out += pad + "\"senderEmailType\": " + JsonString(Str(type)) + ",\n";
            out += pad + "\"senderEmailAddress\": " + JsonString(Str(address)) + ",\n";
            out += pad + "\"bodyFormat\": " + std::to_string(int(format)) + ",\n";
            out += pad + "\"nativeFormat\": " + (native.empty() ? "0" : native) + ",\n";
            out += pad + "\"nativeContentType\": " + JsonString(nativeType) + ",\n";
            out += pad + "\"htmlBodyLength\": " + std::to_string(html.Length()) + ",\n";
        } else {
            out += pad + "EntryID: " + Str(entry) + "\n";
            out += pad + "sender: " + Str(name) + " <" + Str(address) + "> (" + Str(type) + ")\n";
            out += pad + "BodyFormat: " + std::to_string(int(format)) + ", native format: " + (native.empty() ? "0" : native) +
                   (nativeType.empty() ? "" : " (" + nativeType + ")") + "\n";
            out += pad + "Body: " + std::to_string(body.Length()) + " characters, HTMLBody: " + std::to_string(html.Length()) +
                   " characters\n";
        }
        if (mapi)
            DescribeMapi(mapi, json, 1, out);
    } else {
        CComPtr<IMessage> mapi;
        mapi.Attach(store::NewMapiMessage(message));
        DescribeMapi(mapi, json, 1, out);
    }
    if (json) {
        out += "}";
    } else {
        for (const std::string& w : message->warnings)
            out += pad + "warning: " + w + "\n";
        if (message->headers) {
            out += pad + "header text:\n";
            std::string header = pal::ToUtf8(*message->headers);
            size_t start = 0;
            while (start < header.size()) {
                size_t eol = header.find("\r\n", start);
                if (eol == std::string::npos)
                    eol = header.size();
                out += pad + "| " + header.substr(start, eol - start) + "\n";
                start = eol + 2;
            }
        }
    }
    return true;
}

} // namespace

int MapiCommand(const Args& args)
{
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else
            files.push_back(a);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: vantora mapi [--json] FILE...\n");
        return 2;
    }
    store::RegisterMapiModule();
    const char* version = std::getenv("VANTORA_OUTLOOK_VERSION");
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication(version && *version ? pal::ToWide(version) : u"16.0.0.0"));
    int status = 0;
    bool first = true;
    if (json)
        std::fputs("[", stdout);
    for (const std::string& path : files) {
        std::string out, error;
        if (!Describe(path, app, json, out, error)) {
            std::fprintf(stderr, "vantora mapi: %s\n", error.c_str());
            status = 1;
            continue;
        }
        if (json) {
            std::fputs(first ? "\n" : ",\n", stdout);
            std::fputs(out.c_str(), stdout);
        } else {
            std::fputs(out.c_str(), stdout);
        }
        first = false;
    }
    if (json)
        std::fputs("\n]\n", stdout);
    return status;
}

} // namespace host
