// Message access over real messages of the host's store: header, bodies, sender, formats, Outlook's
// plain-text option in the prefix's registry, and the Exchange sender's address taken from the header.
#include "ModelTestUtil.h"

#include "email/EmailMessage.h"
#include "emailutil/FakeMapi.h"

using namespace model_test;

namespace {

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

TEST_F(MessageAccess, NativeFormatFromTheContentType)
{
    fake_mapi::AllocatorScope scope;
    fake_mapi::PropObject props;
    // Without the format number the body's content type decides, in any letter case, with parameters.
    props.Set(0x80DD001F, u"TEXT/HTML; charset=utf-8");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 2);
    props.Set(0x80DD001F, u"Text/Plain");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 1);
    props.Set(0x80DD001F, u"text/rtf");
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);
    props.Set(0x80DD001F, u"");
    EXPECT_THROW(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), CErrorInfo);
    // A format number outside 1 to 3 gives 0 without a look at the content type.
    props.Set(0x80DD001F, u"text/html");
    props.Set(0x81300003, 4);
    props.getPropsCalls = 0;
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);
    EXPECT_EQ(props.getPropsCalls, 1);
    props.properties.clear();
    EXPECT_EQ(CEmailMessage::NativeMsgFormat(&props, fake_mapi::FreeBuffer), 0);
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
