// Message access over real messages of the host's store: header, bodies, sender, formats, Outlook's
// plain-text option in the prefix's registry, and the Exchange sender's address taken from the header.
#include "ModelTestUtil.h"

#include <filesystem>
#include <map>

#include "email/EmailMessage.h"
#include "emailutil/FakeMapi.h"
#include "host/store/StoreTags.h"

using namespace model_test;

namespace {

const GUID PSETID_Address = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A fake MAPI object that also translates names: the content type to contentTypeId (0: the store has no
// such name), or every name to idsStatus when that is a failure.
class NamedPropObject : public fake_mapi::PropObject {
public:
    ULONG contentTypeId = 0;
    HRESULT idsStatus = S_OK;
    int idsCalls = 0;
    GUID askedSet{};
    std::u16string askedName;
    ULONG askedFlags = 0;

    HRESULT GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags, LPSPropTagArray* tags) override
    {
        ++idsCalls;
        *tags = nullptr;
        if (FAILED(idsStatus))
            return idsStatus;
        askedFlags = flags;
        if (count == 1 && names[0]->ulKind == MNID_STRING) {
            askedSet = *names[0]->lpguid;
            askedName = reinterpret_cast<const char16_t*>(names[0]->Kind.lpwstrName);
        }
        auto* array = static_cast<LPSPropTagArray>(fake_mapi::Allocator::Get().Allocate(CbNewSPropTagArray(count)));
        array->cValues = count;
        for (ULONG i = 0; i < count; ++i)
            array->aulPropTag[i] = contentTypeId ? PROP_TAG(PT_UNSPECIFIED, contentTypeId) : PROP_TAG(PT_ERROR, 0);
        *tags = array;
        return contentTypeId ? S_OK : MAPI_W_ERRORS_RETURNED;
    }
};

class MessageAccess : public ::testing::Test {
protected:
    MessageAccess() { fnFreeBuffer = GetFreeBuffer(); }
    static LPMAPIFREEBUFFER GetFreeBuffer()
    {
        store::RegisterMapiModule();
        return reinterpret_cast<LPMAPIFREEBUFFER>(GetProcAddress(GetModuleHandleW(W("OLMAPI32.DLL")), "MAPIFreeBuffer"));
    }
    void Open(const std::string& file)
    {
        auto mail = items.File(file);
        ASSERT_TRUE(mail);
        message.SetEmailItem(mail);
        message.SetFreeBuffer(fnFreeBuffer);
    }

    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
    MailItems items;
    CEmailMessage message;
};

const WCHAR g_mailOptions[] = W("Software\\Microsoft\\Office\\16.0\\Outlook\\Options\\Mail");

void SetReadAsPlain(DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, g_mailOptions, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, W("ReadAsPlain"), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetReadAsPlain(DWORD value) { SetReadAsPlain(REG_DWORD, &value, sizeof value); }

} // namespace

TEST_F(MessageAccess, TextsOfAPlainSmtpMessageAreCached)
{
    Open("eml/mail-plain_emails-basic_email.eml");
    BSTR header = message.GetHeader();
    ASSERT_TRUE(header);
    EXPECT_EQ(Str(header).rfind("Delivered-To: raasdnil@gmail.com\r\n", 0), 0u);
    EXPECT_EQ(message.GetHeader(), header) << "the cached text is returned again";
    EXPECT_EQ(Str(message.GetEmailName()), "Mikel Lindsaar");
    EXPECT_EQ(Str(message.GetEmailAddress()), "test@lindsaar.net");
    EXPECT_TRUE(message.GetBodyInPlainText());
    // Without an HTML part Outlook still gives an HTML body, converted from the text.
    EXPECT_NE(Str(message.GetBodyInHTML()).find("Converted from text/plain"), std::string::npos);
    EXPECT_EQ(message.GetMsgFormat(), 1);
    EXPECT_EQ(message.GetNativeMsgFormat(), 1);

    message.Clear();
    EXPECT_FALSE(message.HasMailItem());
    EXPECT_EQ(message.GetHeader(), nullptr);
    EXPECT_EQ(message.GetMsgFormat(), 0);
    EXPECT_EQ(message.GetNativeMsgFormat(), 0);
    EXPECT_NE(LogText().find("m_spMailItem"), std::string::npos);
}

TEST_F(MessageAccess, FormatsOfHtmlAndRichTextMessages)
{
    Open("eml/mimekit-dkim-related.eml");
    EXPECT_EQ(message.GetMsgFormat(), 2);
    EXPECT_EQ(message.GetNativeMsgFormat(), 2);
    Open("msg/sent2.msg");
    EXPECT_EQ(message.GetMsgFormat(), 3);
    EXPECT_EQ(message.GetNativeMsgFormat(), 3);
    Open("msg/test1.msg");
    EXPECT_EQ(message.GetNativeMsgFormat(), 1);
}

TEST_F(MessageAccess, SendersWithoutAnSmtpAddress)
{
    // An Exchange sender of a sent item: no transport header, so no address.
    Open("msg/sent2.msg");
    EXPECT_EQ(message.GetHeader(), nullptr);
    EXPECT_EQ(message.GetEmailAddress(), nullptr);
    // A stored item without a sender type: the address is refused and the reason logged.
    Open("msg/Simple.msg");
    EXPECT_EQ(message.GetEmailAddress(), nullptr);
    EXPECT_NE(LogText().find("emailType"), std::string::npos);
}

TEST_F(MessageAccess, ExchangeAddressFromTheHeader)
{
    auto address = [](const char16_t* header) { return Str(CEmailMessage::AddressFromHeader(header)); };
    EXPECT_EQ(address(u"From: Ann Example <ann@example.org>\r\nTo: b\r\n"), "ann@example.org");
    EXPECT_EQ(address(u"Received: x\r\nFrom: \"A, B\" <a.b@example.org>\r\n"), "a.b@example.org");
    // Only the first "From: ", and only at the start of a line.
    EXPECT_EQ(address(u"X-Orig: From: <x@example.org>\r\nFrom: <ann@example.org>\r\n"), "");
    // "@" must stand between the brackets, ">" before the line's end, and a line feed must follow.
    EXPECT_EQ(address(u"From: Ann <ann.example.org>\r\nX: @\r\n"), "");
    EXPECT_EQ(address(u"From: Ann <ann@example.org\r\n >\r\n"), "");
    EXPECT_EQ(address(u"From: ann@example.org <ann>\r\n"), "");
    EXPECT_EQ(address(u"From: Ann <ann@example.org>"), "");
    EXPECT_EQ(address(u"from: Ann <ann@example.org>\r\n"), "") << "the keyword is case-sensitive";
    EXPECT_EQ(address(nullptr), "");
}

TEST_F(MessageAccess, NativeFormatFromTheNativeBody)
{
    fake_mapi::AllocatorScope scope;
    NamedPropObject props;
    props.contentTypeId = 0x8123;
    props.Set(PROP_TAG(PT_UNICODE, 0x8123), u"text/html");
    // MAPI codes RTF as 2 and HTML as 3, the object model the other way round.
    const std::pair<LONG, int> codings[] = {{1, 1}, {2, 3}, {3, 2}, {0, 0}, {4, 0}};
    for (auto [native, format] : codings) {
        props.Set(PR_NATIVE_BODY_INFO, native);
        EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), format) << native;
    }
    EXPECT_EQ(props.getPropsCalls, 5);
    EXPECT_EQ(props.idsCalls, 0) << "a native body that names no format gives 0 without the content type";
}

TEST_F(MessageAccess, NativeFormatFromTheContentTypeByItsName)
{
    fake_mapi::AllocatorScope scope;
    NamedPropObject props;
    props.contentTypeId = 0x8123;
    // The ids a fixed reading would take hold unrelated values of the same types in this store.
    props.Set(0x81300003, 2);
    props.Set(0x80DD001F, u"text/html");
    props.Set(PROP_TAG(PT_UNICODE, 0x8123), u"Text/Plain");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 1);
    EXPECT_TRUE(props.askedSet == PS_INTERNET_HEADERS_GUID);
    EXPECT_EQ(props.askedName, u"Content-Type");
    EXPECT_EQ(props.askedFlags & MAPI_CREATE, 0u) << "asking must not add the name to the store";
    props.Set(PROP_TAG(PT_UNICODE, 0x8123), u"TEXT/HTML; charset=utf-8");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 2);
    props.Set(PROP_TAG(PT_UNICODE, 0x8123), u"text/rtf");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);
    props.Set(PROP_TAG(PT_UNICODE, 0x8123), u"");
    EXPECT_THROW(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), CErrorInfo);
    props.properties.erase(PROP_TAG(PT_UNICODE, 0x8123));
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);

    // A store that never saw the name: 0, and nothing to log.
    std::string logBefore = LogText();
    props.contentTypeId = 0;
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);
    EXPECT_EQ(LogText(), logBefore);
    // A store that cannot translate names fails the read, which the getter logs as 0.
    props.idsStatus = MAPI_E_NO_SUPPORT;
    EXPECT_THROW(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), CErrorInfo);
    // An id outside the named range is no answer.
    props.idsStatus = S_OK;
    props.contentTypeId = PROP_ID(PR_SUBJECT_W);
    props.Set(PR_SUBJECT_W, u"text/html");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);
}

TEST_F(MessageAccess, NativeFormatOfAMessageInAStoreOfItsOwn)
{
    // In this store the content type's id is far from 0x80DD, and 0x8130 and 0x80DD name other
    // properties of the same types, whose values would read as HTML.
    auto names = std::make_shared<store::NameMap>();
    auto fillTo = [&](ULONG id) {
        for (int n = 0; names->IdOf(store::PropName::Number(PS_PUBLIC_STRINGS_GUID, n), true) + 1 < id; ++n) {
        }
    };
    store::PropName country = store::PropName::Number(PSETID_Address, 0x80DD);
    store::PropName score = store::PropName::String(PS_PUBLIC_STRINGS_GUID, u"x-score");
    fillTo(0x80DD);
    ASSERT_EQ(names->IdOf(country, true), 0x80DDu);
    fillTo(0x8130);
    ASSERT_EQ(names->IdOf(score, true), 0x8130u);

    std::string error;
    auto stored = store::LoadMessageFile(Corpus("eml/mail-plain_emails-basic_email.eml"), error);
    ASSERT_TRUE(stored) << error;
    stored->storeNames = names;
    stored->props.SetNamedText(country, u"text/html");
    stored->props.SetNamedLong(score, 2);
    stored->props.Remove(PR_NATIVE_BODY_INFO); // a store that keeps no native body
    auto mail = items.FromMessage(stored);
    ASSERT_TRUE(mail);
    message.SetEmailItem(mail);
    message.SetFreeBuffer(fnFreeBuffer);
    EXPECT_EQ(message.GetNativeMsgFormat(), 1);
    EXPECT_EQ(names->IdOf(store::PropName::String(PS_INTERNET_HEADERS_GUID, u"Content-Type"), false), 0x8131u);

    // With the native body the store keeps, that decides.
    stored->props.SetLong(PR_NATIVE_BODY_INFO, 2);
    EXPECT_EQ(message.GetNativeMsgFormat(), 3);
}

TEST_F(MessageAccess, EveryCorpusMailKeepsTheFormatItWasStoredIn)
{
    // Reading the native body must give each mail the format its body arrived in, as before the store
    // numbered its named properties.
    std::map<int, int> seen;
    for (const char* folder : {"eml", "msg"}) {
        for (const auto& entry : std::filesystem::directory_iterator(Corpus(folder))) {
            std::string ext = entry.path().extension().string();
            if (ext != ".eml" && ext != ".msg")
                continue;
            std::string error;
            auto stored = store::LoadMessageFile(entry.path().string(), error);
            ASSERT_TRUE(stored) << entry.path() << ": " << error;
            if (!stored->IsMail())
                continue;
            message.SetEmailItem(items.FromMessage(stored));
            message.SetFreeBuffer(fnFreeBuffer);
            EXPECT_EQ(message.GetNativeMsgFormat(), stored->nativeFormat) << entry.path();
            ++seen[message.GetNativeMsgFormat()];
        }
    }
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    EXPECT_GT(seen[3], 0);
    EXPECT_EQ(seen.count(0), 0u);
}

TEST_F(MessageAccess, ReadAsPlainFromOutlookOptions)
{
    // Outlook's full version; its options live under major.minor only.
    MailItems versioned("16.0.4266.1001");
    message.SetEmailItem(versioned.File("eml/mail-plain_emails-basic_email.eml"));
    EXPECT_FALSE(message.IsReadInPlainText()) << "no key";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, g_mailOptions, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_FALSE(message.IsReadInPlainText()) << "no value";
    SetReadAsPlain(1);
    EXPECT_TRUE(message.IsReadInPlainText());
    SetReadAsPlain(2);
    EXPECT_FALSE(message.IsReadInPlainText());
    EXPECT_EQ(LogText().find("errCode"), std::string::npos) << "missing key, value and 2 are no errors";
    const WCHAR text[] = W("1");
    SetReadAsPlain(REG_SZ, text, sizeof text);
    EXPECT_FALSE(message.IsReadInPlainText());
    EXPECT_NE(LogText().find("errCode"), std::string::npos);

    // Another version reads another key.
    MailItems older("15.0.0.0");
    message.SetEmailItem(older.File("eml/mail-plain_emails-basic_email.eml"));
    SetReadAsPlain(1);
    EXPECT_FALSE(message.IsReadInPlainText());
}

TEST_F(MessageAccess, SettingAnItemNeedsItsMapiObject)
{
    EXPECT_THROW(message.SetEmailItem(nullptr), CErrorInfo);
    EXPECT_FALSE(message.HasMailItem());
    Open("eml/sa-nice-orig_ip_hdr.eml");
    EXPECT_EQ(Str(message.GetEmailName()), "Roel");
    Open("eml/mail-plain_emails-basic_email.eml");
    EXPECT_EQ(Str(message.GetEmailName()), "Mikel Lindsaar") << "a new item drops the old texts";
}
