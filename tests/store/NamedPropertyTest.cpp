// Named properties as a store numbers them: each store gives ids from 0x8000 in the order it first sees
// names, GetIDsFromNames and GetNamesFromIDs translate, and GetProps answers a named id with what that
// store's name for it holds. Every MAPI buffer is released exactly once.
#include <atlbase.h>

#include "StoreTestUtil.h"
#include "host/store/MapiBuffers.h"
#include "host/store/MapiMessage.h"
#include "host/store/StoreTags.h"

using namespace store_test;

// The fixed ids an earlier store answered for the native format and the content type.
#define PR_NATIVE_BODY_FORMAT PROP_TAG(PT_LONG, 0x8130)
#define PR_NATIVE_CONTENT_TYPE_W PROP_TAG(PT_UNICODE, 0x80DD)

namespace {

const GUID PSETID_Address = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const char kHtmlMail[] = "From: a@example.org\r\nSubject: s\r\nMIME-Version: 1.0\r\n"
                         "Content-Type: multipart/alternative; boundary=b\r\n\r\n"
                         "--b\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
                         "--b\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>html</p>\r\n--b--\r\n";

// One MAPINAMEID with storage for its GUID and string.
struct Name {
    GUID set;
    std::u16string text;
    MAPINAMEID id{};
    Name(const GUID& g, const std::u16string& s) : set(g), text(s)
    {
        id.lpguid = &set;
        id.ulKind = MNID_STRING;
        id.Kind.lpwstrName = reinterpret_cast<LPWSTR>(text.data());
    }
    Name(const GUID& g, LONG number) : set(g)
    {
        id.lpguid = &set;
        id.ulKind = MNID_ID;
        id.Kind.lID = number;
    }
};

// Gives the store filler names until its next id is the one wanted.
void FillTo(store::NameMap& names, ULONG id)
{
    for (int n = 0;; ++n) {
        ULONG got = names.IdOf(store::PropName::String(PS_PUBLIC_STRINGS_GUID, u"filler-" + pal::ToWide(std::to_string(n))), true);
        ASSERT_NE(got, 0u);
        if (got + 1 == id)
            return;
        ASSERT_LT(got, id);
    }
}

class NamedProps : public ::testing::Test {
protected:
    void SetUp() override { liveBefore = store::LiveMapiBuffers(); }
    void TearDown() override { EXPECT_EQ(store::LiveMapiBuffers(), liveBefore) << "MAPI buffers left unreleased"; }

    // The ids of the names; the status in hr.
    std::vector<ULONG> Ids(IMAPIProp* prop, std::vector<Name*> names, ULONG flags, HRESULT& hr)
    {
        std::vector<LPMAPINAMEID> asked;
        for (Name* n : names)
            asked.push_back(&n->id);
        LPSPropTagArray tags = nullptr;
        hr = prop->GetIDsFromNames(ULONG(asked.size()), asked.data(), flags, &tags);
        std::vector<ULONG> out;
        if (tags)
            out.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
        store::MapiFreeBuffer(tags);
        return out;
    }
    ULONG Id(IMAPIProp* prop, Name& name, ULONG flags = 0)
    {
        HRESULT hr = S_OK;
        std::vector<ULONG> ids = Ids(prop, {&name}, flags, hr);
        EXPECT_EQ(ids.size(), 1u);
        return ids.empty() ? 0 : ids[0];
    }
    // The text of one property, or "<error>" for a PT_ERROR answer.
    std::string Get(IMAPIProp* prop, ULONG tag)
    {
        SizedSPropTagArray(1, tags) = {1, {tag}};
        ULONG count = 0;
        LPSPropValue values = nullptr;
        HRESULT hr = prop->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &values);
        std::string out = "<failed>";
        if (SUCCEEDED(hr) && count == 1) {
            if (PROP_TYPE(values[0].ulPropTag) == PT_ERROR)
                out = "<error>";
            else if (PROP_TYPE(tag) == PT_LONG)
                out = std::to_string(values[0].Value.l);
            else if (PROP_TYPE(tag) == PT_STRING8)
                out = values[0].Value.lpszA;
            else
                out = pal::ToUtf8(values[0].Value.lpszW);
            EXPECT_EQ(hr, out == "<error>" ? MAPI_W_ERRORS_RETURNED : S_OK);
        }
        store::MapiFreeBuffer(values);
        return out;
    }

    size_t liveBefore = 0;
};

} // namespace

TEST_F(NamedProps, EachStoreNumbersNamesInTheOrderItSeesThem)
{
    auto message = Parse(kHtmlMail);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->props.Find(PR_NATIVE_CONTENT_TYPE_W), nullptr) << "kept by name, not at a fixed id";

    auto fresh = std::make_shared<store::NameMap>();
    auto used = std::make_shared<store::NameMap>();
    FillTo(*used, 0x80DD);
    CComPtr<IMessage> inFresh, inUsed;
    inFresh.Attach(store::NewMapiMessage(message, fresh));
    inUsed.Attach(store::NewMapiMessage(message, used));

    Name contentType(PS_INTERNET_HEADERS_GUID, u"Content-Type");
    EXPECT_EQ(Id(inFresh, contentType), PROP_TAG(PT_UNSPECIFIED, 0x8000));
    EXPECT_EQ(Id(inUsed, contentType), PROP_TAG(PT_UNSPECIFIED, 0x80DD));
    EXPECT_EQ(Get(inFresh, PROP_TAG(PT_UNICODE, 0x8000)), "text/html; charset=utf-8");
    EXPECT_EQ(Get(inUsed, PROP_TAG(PT_UNICODE, 0x80DD)), "text/html; charset=utf-8");
    // The same id in the other store names a filler the message does not have, or nothing at all.
    EXPECT_EQ(Get(inUsed, PROP_TAG(PT_UNICODE, 0x8000)), "<error>");
    EXPECT_EQ(Get(inFresh, PROP_TAG(PT_UNICODE, 0x80DD)), "<error>");
    // A named value answers only its own type (a string asked as 8-bit text converts).
    EXPECT_EQ(Get(inFresh, PROP_TAG(PT_LONG, 0x8000)), "<error>");
    EXPECT_EQ(Get(inFresh, PROP_TAG(PT_STRING8, 0x8000)).rfind("text/html", 0), 0u);

    // Header names ignore case; other string names do not.
    Name lower(PS_INTERNET_HEADERS_GUID, u"content-type");
    EXPECT_EQ(Id(inFresh, lower), PROP_TAG(PT_UNSPECIFIED, 0x8000));
    Name filler(PS_PUBLIC_STRINGS_GUID, u"filler-0"), fillerUpper(PS_PUBLIC_STRINGS_GUID, u"FILLER-0");
    EXPECT_EQ(Id(inUsed, filler), PROP_TAG(PT_UNSPECIFIED, 0x8000));
    EXPECT_EQ(Id(inUsed, fillerUpper), PROP_TAG(PT_ERROR, 0));
}

TEST_F(NamedProps, UnknownNamesAreErrorsUnlessCreated)
{
    auto message = Parse(kHtmlMail);
    auto names = std::make_shared<store::NameMap>();
    CComPtr<IMessage> mapi;
    mapi.Attach(store::NewMapiMessage(message, names));

    Name country(PSETID_Address, 0x80DD), contentType(PS_INTERNET_HEADERS_GUID, u"Content-Type");
    HRESULT hr = S_OK;
    std::vector<ULONG> ids = Ids(mapi, {&country, &contentType}, 0, hr);
    EXPECT_EQ(hr, MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(ids, (std::vector<ULONG>{PROP_TAG(PT_ERROR, 0), PROP_TAG(PT_UNSPECIFIED, 0x8000)}));
    EXPECT_EQ(names->All().size(), 1u) << "asking without MAPI_CREATE maps nothing";

    ids = Ids(mapi, {&country, &contentType}, MAPI_CREATE, hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(ids, (std::vector<ULONG>{PROP_TAG(PT_UNSPECIFIED, 0x8001), PROP_TAG(PT_UNSPECIFIED, 0x8000)}));
    EXPECT_EQ(Get(mapi, PROP_TAG(PT_UNICODE, 0x8001)), "<error>") << "a mapped name the message lacks";
    // The same number in another set is another name; MAPI's own set names fixed ids.
    Name otherSet(PS_PUBLIC_STRINGS_GUID, 0x80DD), subject(PS_MAPI_GUID, LONG(PROP_ID(PR_SUBJECT_W)));
    EXPECT_EQ(Id(mapi, otherSet), PROP_TAG(PT_ERROR, 0));
    EXPECT_EQ(Id(mapi, subject), PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_SUBJECT_W)));

    // No names: every id of the store.
    ids = Ids(mapi, {}, 0, hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(ids, (std::vector<ULONG>{PROP_TAG(PT_UNSPECIFIED, 0x8000), PROP_TAG(PT_UNSPECIFIED, 0x8001)}));

    // Bad names and flags are refused and hand out nothing.
    LPSPropTagArray tags = nullptr;
    LPMAPINAMEID none[] = {nullptr};
    EXPECT_EQ(mapi->GetIDsFromNames(1, none, 0, &tags), MAPI_E_INVALID_PARAMETER);
    Name bad(PS_PUBLIC_STRINGS_GUID, 1);
    bad.id.ulKind = 7;
    LPMAPINAMEID badKind[] = {&bad.id};
    EXPECT_EQ(mapi->GetIDsFromNames(1, badKind, 0, &tags), MAPI_E_INVALID_PARAMETER);
    bad.id.ulKind = MNID_STRING;
    bad.id.Kind.lpwstrName = nullptr;
    EXPECT_EQ(mapi->GetIDsFromNames(1, badKind, 0, &tags), MAPI_E_INVALID_PARAMETER);
    bad.id.lpguid = nullptr;
    EXPECT_EQ(mapi->GetIDsFromNames(1, badKind, 0, &tags), MAPI_E_INVALID_PARAMETER);
    LPMAPINAMEID good[] = {&contentType.id};
    EXPECT_EQ(mapi->GetIDsFromNames(1, good, 0x40, &tags), MAPI_E_UNKNOWN_FLAGS);
    EXPECT_EQ(mapi->GetIDsFromNames(1, nullptr, 0, &tags), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(tags, nullptr);
}

TEST_F(NamedProps, NamesOfIdsAndTheListsOfAllProperties)
{
    auto message = Parse(kHtmlMail);
    auto names = std::make_shared<store::NameMap>();
    names->IdOf(store::PropName::Number(PSETID_Address, 0x80DD), true); // 0x8000
    CComPtr<IMessage> mapi;
    mapi.Attach(store::NewMapiMessage(message, names)); // the content type: 0x8001

    SizedSPropTagArray(4, asked) = {4, {PROP_TAG(PT_UNICODE, 0x8001), PROP_TAG(PT_LONG, 0x8000), PROP_TAG(PT_LONG, 0x9000),
                                        PR_SUBJECT_W}};
    LPSPropTagArray tags = reinterpret_cast<LPSPropTagArray>(&asked);
    ULONG count = 0;
    LPMAPINAMEID* found = nullptr;
    ASSERT_EQ(mapi->GetNamesFromIDs(&tags, nullptr, 0, &count, &found), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 4u);
    ASSERT_TRUE(found[0] && found[1] && found[3]);
    EXPECT_EQ(*found[0]->lpguid, PS_INTERNET_HEADERS_GUID);
    EXPECT_EQ(found[0]->ulKind, ULONG(MNID_STRING));
    EXPECT_EQ(pal::ToUtf8(found[0]->Kind.lpwstrName), "Content-Type");
    EXPECT_EQ(*found[1]->lpguid, PSETID_Address);
    EXPECT_EQ(found[1]->Kind.lID, 0x80DD);
    EXPECT_EQ(found[2], nullptr) << "an id the store never gave";
    EXPECT_EQ(*found[3]->lpguid, PS_MAPI_GUID);
    EXPECT_EQ(found[3]->Kind.lID, LONG(PROP_ID(PR_SUBJECT_W)));
    store::MapiFreeBuffer(found);

    // Without tags: every name of the store (here of one set), with a new tag array.
    tags = nullptr;
    GUID headers = PS_INTERNET_HEADERS_GUID;
    ASSERT_EQ(mapi->GetNamesFromIDs(&tags, &headers, 0, &count, &found), S_OK);
    ASSERT_EQ(count, 1u);
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->aulPropTag[0], PROP_TAG(PT_UNSPECIFIED, 0x8001));
    store::MapiFreeBuffer(found);
    store::MapiFreeBuffer(tags);
    tags = nullptr;
    ASSERT_EQ(mapi->GetNamesFromIDs(&tags, nullptr, MAPI_NO_STRINGS, &count, &found), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(found[0]->Kind.lID, 0x80DD);
    store::MapiFreeBuffer(found);
    store::MapiFreeBuffer(tags);

    // The lists of all properties give the content type under this store's id.
    LPSPropTagArray list = nullptr;
    ASSERT_EQ(mapi->GetPropList(MAPI_UNICODE, &list), S_OK);
    std::vector<ULONG> listed(list->aulPropTag, list->aulPropTag + list->cValues);
    store::MapiFreeBuffer(list);
    EXPECT_NE(std::find(listed.begin(), listed.end(), PROP_TAG(PT_UNICODE, 0x8001)), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), ULONG(PR_NATIVE_BODY_INFO)), listed.end());
    EXPECT_EQ(std::find(listed.begin(), listed.end(), PROP_TAG(PT_LONG, 0x8000)), listed.end());
    LPSPropValue all = nullptr;
    ASSERT_TRUE(SUCCEEDED(mapi->GetProps(nullptr, MAPI_UNICODE, &count, &all)));
    bool seen = false;
    for (ULONG i = 0; i < count; ++i)
        if (all[i].ulPropTag == PROP_TAG(PT_UNICODE, 0x8001))
            seen = pal::ToUtf8(all[i].Value.lpszW) == "text/html; charset=utf-8";
    store::MapiFreeBuffer(all);
    EXPECT_TRUE(seen);
}

TEST_F(NamedProps, AttachedMessagesAreInTheirOwnersStore)
{
    std::string bytes = "From: a@example.org\r\nSubject: outer\r\nMIME-Version: 1.0\r\n"
                        "Content-Type: multipart/mixed; boundary=o\r\n\r\n"
                        "--o\r\nContent-Type: text/plain\r\n\r\nouter\r\n"
                        "--o\r\nContent-Type: message/rfc822\r\n\r\n" +
                        std::string(kHtmlMail) + "\r\n--o--\r\n";
    auto message = Parse(bytes);
    ASSERT_TRUE(message);
    auto names = std::make_shared<store::NameMap>();
    FillTo(*names, 0x8100);
    message->storeNames = names;
    CComPtr<IMessage> mapi;
    mapi.Attach(store::NewMapiMessage(message));
    EXPECT_EQ(Get(mapi, PROP_TAG(PT_UNICODE, 0x8100)), "text/plain");

    CComPtr<IAttach> attach;
    ASSERT_EQ(mapi->OpenAttach(0, nullptr, 0, &attach), S_OK);
    CComPtr<IUnknown> object;
    ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &object), S_OK);
    CComPtr<IMessage> inner;
    ASSERT_EQ(object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&inner)), S_OK);
    Name contentType(PS_INTERNET_HEADERS_GUID, u"Content-Type");
    EXPECT_EQ(Id(inner, contentType), PROP_TAG(PT_UNSPECIFIED, 0x8100));
    EXPECT_EQ(Get(inner, PROP_TAG(PT_UNICODE, 0x8100)), "text/html; charset=utf-8");
}

TEST_F(NamedProps, NativeBodyInMapisCoding)
{
    // 1 plain text, 2 RTF, 3 HTML; a stored value that names no format is worked out from the bodies.
    EXPECT_EQ(Number(Parse(kHtmlMail)->props, PR_NATIVE_BODY_INFO), NATIVE_BODY_HTML);
    EXPECT_EQ(Number(Load(Corpus("eml/mail-plain_emails-basic_email.eml"))->props, PR_NATIVE_BODY_INFO), NATIVE_BODY_PLAIN);
    auto rtf = Load(Corpus("msg/sent2.msg"));
    EXPECT_EQ(rtf->bodyFormat, 3);
    EXPECT_EQ(Number(rtf->props, PR_NATIVE_BODY_INFO), NATIVE_BODY_RTF);
    EXPECT_EQ(Number(Load(Corpus("msg/test1.msg"))->props, PR_NATIVE_BODY_INFO), NATIVE_BODY_PLAIN);
    EXPECT_EQ(Number(rtf->props, PR_NATIVE_BODY_FORMAT), -12345) << "nothing at the fixed named-range ids";

    // What vantora mapi shows: the object model's coding, and the content type found by its name.
    CComPtr<IMessage> html, msg;
    html.Attach(store::NewMapiMessage(Parse(kHtmlMail), std::make_shared<store::NameMap>()));
    msg.Attach(store::NewMapiMessage(rtf));
    EXPECT_EQ(store::NativeBodyFormatOf(html), 2);
    EXPECT_EQ(U8(store::ContentTypeOf(html)), "text/html; charset=utf-8");
    EXPECT_EQ(store::NativeBodyFormatOf(msg), 3);
    EXPECT_EQ(U8(store::ContentTypeOf(msg)), "");
}
