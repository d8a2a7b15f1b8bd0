// The store as the add-in sees it: found through the Explorer's selection, read through _MailItem, the
// property accessor and MAPI, with MAPIFreeBuffer taken from the module "OLMAPI32.DLL" and the add-in's
// own buffer owners. Every reference is given back and every MAPI buffer released exactly once.
#include <atlbase.h>
#include <objidl.h>

#include "StoreTestUtil.h"
#include "addin/EmailUtil.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "host/store/MapiMessage.h"
#include "host/store/StoreTags.h"

using namespace store_test;

namespace {

LPMAPIFREEBUFFER FreeBufferFromModule()
{
    store::RegisterMapiModule();
    HMODULE module = GetModuleHandleW(W("OLMAPI32.DLL"));
    EXPECT_TRUE(module);
    return module ? reinterpret_cast<LPMAPIFREEBUFFER>(GetProcAddress(module, "MAPIFreeBuffer")) : nullptr;
}

ULONG RefCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

std::string Str(const CComBSTR& b) { return b.m_str ? pal::ToUtf8(b.m_str) : std::string(); }

// The first selected item as the add-in takes it: Explorer, Selection, Item(VT_INT 1), query for _MailItem.
HRESULT SelectedMail(Outlook::_Application* app, CComPtr<Outlook::_MailItem>& mail)
{
    CComPtr<Outlook::_Explorer> explorer;
    CComPtr<Outlook::Selection> selection;
    long count = 0;
    HRESULT hr = app->ActiveExplorer(&explorer);
    if (SUCCEEDED(hr))
        hr = explorer->get_Selection(&selection);
    if (SUCCEEDED(hr))
        hr = selection->get_Count(&count);
    if (FAILED(hr) || count < 1)
        return FAILED(hr) ? hr : S_FALSE;
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_INT;
    index.intVal = 1;
    CComPtr<IDispatch> item;
    hr = selection->Item(index, &item);
    if (FAILED(hr))
        return hr;
    return item->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail));
}

class StoreAddinView : public ::testing::Test {
protected:
    void SetUp() override
    {
        fnFreeBuffer = FreeBufferFromModule();
        ASSERT_TRUE(fnFreeBuffer);
        m_app.Attach(store::NewApplication());
        liveBefore = store::LiveMapiBuffers();
    }
    void TearDown() override
    {
        store::SetSelection(m_app, {});
        EXPECT_EQ(store::LiveMapiBuffers(), liveBefore) << "MAPI buffers left unreleased";
    }
    void Select(const std::shared_ptr<store::Message>& message)
    {
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(message, m_app));
        store::SetSelection(m_app, {item});
    }

    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
    CComPtr<Outlook::_Application> m_app;
    size_t liveBefore = 0;
};

} // namespace

TEST_F(StoreAddinView, ObjectModelHeaderAndNativeFormatOfAMail)
{
    Select(Load(Corpus("eml/mail-plain_emails-basic_email.eml")));
    CComPtr<Outlook::_MailItem> mail;
    ASSERT_EQ(SelectedMail(m_app, mail), S_OK);
    CComBSTR version, type, address, entry, entry2;
    CComPtr<Outlook::_Application> app;
    ASSERT_EQ(mail->get_Application(&app), S_OK);
    ASSERT_EQ(app->get_Version(&version), S_OK);
    EXPECT_EQ(Str(version), "16.0.0.0");
    mail->get_SenderEmailType(&type);
    mail->get_SenderEmailAddress(&address);
    EXPECT_EQ(Str(type), "SMTP");
    EXPECT_NE(Str(address).find('@'), std::string::npos);
    // The entry id is upper-case hexadecimal and the same for a second item over the same file.
    mail->get_EntryID(&entry);
    std::string id = Str(entry);
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
    auto again = Load(Corpus("eml/mail-plain_emails-basic_email.eml"));
    EXPECT_EQ(pal::ToUtf8(again->entryId), id);

    CComPtr<Outlook::_PropertyAccessor> accessor;
    ASSERT_EQ(mail->get_PropertyAccessor(&accessor), S_OK);
    CComBSTR schema(W("http://schemas.microsoft.com/mapi/proptag/0x007D001E"));
    VARIANT header;
    ASSERT_EQ(accessor->GetProperty(schema, &header), S_OK);
    ASSERT_EQ(header.vt, VT_BSTR);
    std::string text = pal::ToUtf8(header.bstrVal);
    VariantClear(&header);
    EXPECT_EQ(text.rfind("Received:", 0) == 0 || text.rfind("Return-Path:", 0) == 0 || !text.empty(), true);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find("\r\n\r\n"), std::string::npos);

    CComPtr<IUnknown> unknown;
    ASSERT_EQ(mail->get_MAPIOBJECT(&unknown), S_OK);
    CComPtr<IMAPIProp> prop;
    ASSERT_EQ(unknown->QueryInterface(IID_IMAPIProp, reinterpret_cast<void**>(&prop)), S_OK);
    {
        // The native body in MAPI's coding; the named-range id an earlier store used answers nothing.
        CEmailProp native(prop, PR_NATIVE_BODY_INFO, fnFreeBuffer, true);
        ASSERT_TRUE(native.GetValue());
        EXPECT_EQ(native.GetValue()->ulPropTag, ULONG(PR_NATIVE_BODY_INFO));
        EXPECT_EQ(native.GetValue()->Value.l, NATIVE_BODY_PLAIN);
        CEmailProp fixed(prop, 0x81300003, fnFreeBuffer, true);
        ASSERT_TRUE(fixed.GetValue());
        EXPECT_EQ(PROP_TYPE(fixed.GetValue()->ulPropTag), PT_ERROR);
    }
    {
        CEmailProp missing(prop, PROP_TAG(PT_LONG, 0x6FF0), fnFreeBuffer, true);
        ASSERT_TRUE(missing.GetValue());
        EXPECT_EQ(PROP_TYPE(missing.GetValue()->ulPropTag), PT_ERROR);
    }
}

namespace {

struct Walked {
    int embedded = 0;
    int headers = 0; // attached messages with a transport header of their own
    std::vector<std::string> files; // name and first bytes
};

// The add-in's enumeration: one row at a time through CEmailRowSetProp, each attachment opened by number,
// its data as a stream or its attached message, recursively.
void WalkAttachments(IMessage* msg, LPMAPIFREEBUFFER fnFreeBuffer, Walked& walked)
{
    CComPtr<IMAPITable> table;
    ASSERT_EQ(msg->GetAttachmentTable(MAPI_UNICODE, &table), S_OK);
    ULONG rows = 0;
    ASSERT_EQ(table->GetRowCount(0, &rows), S_OK);
    for (ULONG r = 0; r < rows; ++r) {
        CEmailRowSetProp row(fnFreeBuffer);
        ASSERT_EQ(table->QueryRows(1, 0, &row), S_OK);
        ASSERT_EQ(LPSRowSet(row)->cRows, 1u);
        LONG method = row.GetValue(PR_ATTACH_METHOD)->Value.l;
        LONG number = row.GetValue(PR_ATTACH_NUM)->Value.l;
        EXPECT_EQ(number, LONG(r));
        CComPtr<IAttach> attach;
        ASSERT_EQ(msg->OpenAttach(ULONG(number), nullptr, 0, &attach), S_OK);
        if (method == LONG(ATTACH_EMBEDDED_MSG)) {
            ++walked.embedded;
            CComPtr<IUnknown> object;
            ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &object), S_OK);
            CComPtr<IMessage> inner;
            ASSERT_EQ(object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&inner)), S_OK);
            CEmailProp subject(inner, PR_SUBJECT_W, fnFreeBuffer);
            EXPECT_EQ(PROP_TYPE(subject.GetValue()->ulPropTag), PT_UNICODE);
            CEmailProp header(inner, PR_TRANSPORT_MESSAGE_HEADERS_W, fnFreeBuffer, true);
            if (header.GetValue() && header.GetValue()->ulPropTag == PR_TRANSPORT_MESSAGE_HEADERS_W)
                ++walked.headers;
            WalkAttachments(inner, fnFreeBuffer, walked);
            continue;
        }
        EXPECT_EQ(method, LONG(ATTACH_BY_VALUE));
        CComPtr<IUnknown> object;
        ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, STGM_READ, 0, &object), S_OK);
        CComPtr<IStream> stream;
        ASSERT_EQ(object->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)), S_OK);
        LARGE_INTEGER zero{};
        ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);
        std::string data;
        char buf[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buf, sizeof(buf), &got)) && got > 0)
            data.append(buf, got);
        EXPECT_EQ(LONG(data.size()), row.GetValue(PR_ATTACH_SIZE)->Value.l);
        CEmailProp name(attach, PR_ATTACH_LONG_FILENAME_W, fnFreeBuffer);
        EXPECT_EQ(PROP_TYPE(name.GetValue()->ulPropTag), PT_UNICODE);
        walked.files.push_back(pal::ToUtf8(name.GetValue()->Value.lpszW) + ":" + data.substr(0, 5));
    }
    // Reading past the end gives an empty row set, as MAPI does.
    CEmailRowSetProp end(fnFreeBuffer);
    ASSERT_EQ(table->QueryRows(1, 0, &end), S_OK);
    EXPECT_EQ(LPSRowSet(end)->cRows, 0u);
}

} // namespace

TEST_F(StoreAddinView, AttachmentTableStreamsAndAttachedMessagesThroughTheBufferOwners)
{
    Select(Load(Corpus("eml/mail-attachment_emails-attachment_message_rfc822.eml")));
    CComPtr<Outlook::_MailItem> mail;
    ASSERT_EQ(SelectedMail(m_app, mail), S_OK);
    CComPtr<IUnknown> unknown;
    ASSERT_EQ(mail->get_MAPIOBJECT(&unknown), S_OK);
    CComPtr<IMessage> msg;
    ASSERT_EQ(unknown->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&msg)), S_OK);
    Walked walked;
    WalkAttachments(msg, fnFreeBuffer, walked);
    EXPECT_EQ(walked.embedded, 1);
    EXPECT_EQ(walked.headers, 1);
    EXPECT_EQ(walked.files, std::vector<std::string>{"broken.pdf:%PDF-"});

    // The same through a .msg that holds a message that holds a message.
    Select(Load(Corpus("msg/msgInMsgInMsg.msg")));
    mail.Release();
    ASSERT_EQ(SelectedMail(m_app, mail), S_OK);
    unknown.Release();
    msg.Release();
    ASSERT_EQ(mail->get_MAPIOBJECT(&unknown), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&msg)), S_OK);
    Walked nested;
    WalkAttachments(msg, fnFreeBuffer, nested);
    EXPECT_EQ(nested.embedded, 2);
}

TEST_F(StoreAddinView, ReferencesComeBackToOne)
{
    auto message = Load(Corpus("eml/mail-attachment_emails-attachment_message_rfc822.eml"));
    CComPtr<IDispatch> item;
    item.Attach(store::NewItem(message, m_app));
    EXPECT_EQ(RefCount(item), 1u);
    {
        CComPtr<Outlook::_MailItem> mail;
        ASSERT_EQ(item->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail)), S_OK);
        CComPtr<Outlook::_PropertyAccessor> accessor;
        mail->get_PropertyAccessor(&accessor);
        EXPECT_EQ(RefCount(accessor), 1u);
        CComPtr<IUnknown> a, b;
        mail->get_MAPIOBJECT(&a);
        mail->get_MAPIOBJECT(&b);
        EXPECT_EQ(a.p, b.p); // one MAPI object per item
        CComPtr<IMessage> msg;
        a->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&msg));
        CComPtr<IMAPITable> table;
        msg->GetAttachmentTable(MAPI_UNICODE, &table);
        EXPECT_EQ(RefCount(table), 1u);
        CComPtr<IAttach> attach;
        ASSERT_EQ(msg->OpenAttach(0, nullptr, 0, &attach), S_OK);
        EXPECT_EQ(RefCount(attach), 1u);
        CComPtr<IUnknown> inner;
        attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &inner);
        EXPECT_EQ(RefCount(inner), 1u);
    }
    EXPECT_EQ(RefCount(item), 1u);
}

TEST_F(StoreAddinView, MapiBuffersChainAndRefuseASecondRelease)
{
    HMODULE module = GetModuleHandleW(W("olmapi32.dll"));
    auto allocate = reinterpret_cast<LPMAPIALLOCATEBUFFER>(GetProcAddress(module, "MAPIAllocateBuffer"));
    auto more = reinterpret_cast<LPMAPIALLOCATEMORE>(GetProcAddress(module, "MAPIAllocateMore"));
    ASSERT_TRUE(allocate && more);
    EXPECT_EQ(GetProcAddress(module, "MAPIInitialize"), nullptr);
    void* root = nullptr;
    ASSERT_EQ(allocate(16, &root), S_OK);
    void* child = nullptr;
    ASSERT_EQ(more(100, root, &child), S_OK);
    ASSERT_EQ(more(100, root, &child), S_OK);
    EXPECT_EQ(store::LiveMapiBuffers(), liveBefore + 1);
    EXPECT_EQ(fnFreeBuffer(root), ULONG(S_OK)); // the chain goes with its root (ASan sees any leak)
    EXPECT_EQ(fnFreeBuffer(root), ULONG(MAPI_E_INVALID_PARAMETER));
    EXPECT_EQ(fnFreeBuffer(nullptr), ULONG(S_OK));
}

TEST_F(StoreAddinView, ItemsThatAreNotMailAreNotMailItems)
{
    for (const char* file : {"msg/A memo.msg", "msg/contactUnicode.msg", "msg/Appointment sample EST.msg",
                             "msg/A weekly 1.msg"}) {
        auto message = Load(Corpus(file));
        ASSERT_TRUE(message);
        Select(message);
        CComPtr<Outlook::_MailItem> mail;
        EXPECT_EQ(SelectedMail(m_app, mail), E_NOINTERFACE) << file << " " << U8(message->messageClass);
        EXPECT_FALSE(mail);
    }
}

TEST_F(StoreAddinView, ComposedItemIsDisplayedWithItsSubjectAndBody)
{
    CComPtr<IDispatch> created;
    ASSERT_EQ(m_app->CreateItem(Outlook::olMailItem, &created), S_OK);
    CComPtr<Outlook::_MailItem> mail;
    ASSERT_EQ(created->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail)), S_OK);
    mail->put_Subject(CComBSTR(W("Error Log Details")));
    mail->put_Body(CComBSTR(W("log text")));
    VARIANT modal;
    VariantInit(&modal);
    ASSERT_EQ(mail->Display(modal), S_OK);
    auto shown = store::DisplayedItems(m_app);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(U8(shown[0].subject), "Error Log Details");
    EXPECT_EQ(U8(shown[0].body), "log text");
}
