// The per-selection data: the MAPI release function found in the loaded MAPI library, the same-item test
// on EntryID, and the parts given the item, cleared and set again.
#include "ModelTestUtil.h"

#include "email/EmailData.h"

using namespace model_test;

namespace {

ULONG SentinelFreeBuffer(LPVOID) { return 0; }

class MessageData : public NoProviders {
protected:
    MailItems items;
};

} // namespace

TEST(MessageDataModule, FreeBufferFromTheFirstLoadedMapiLibrary)
{
    if (GetModuleHandleW(W("OLMAPI32.DLL")))
        GTEST_SKIP() << "the host's MAPI library is already registered in this process";
    // Nothing loaded: the data cannot work and says so.
    EXPECT_THROW(CEmailData(), CErrorInfo);
    EXPECT_NE(LogText().find("fnFreeBuffer"), std::string::npos);
    // An older Outlook's library is found when the newer ones are absent.
    pal::RegisterHostModule("MAPI32.DLL", {{"MAPIFreeBuffer", reinterpret_cast<void*>(&SentinelFreeBuffer)}});
    CEmailData data;
    EXPECT_EQ(data.GetFreeBuffer(), &SentinelFreeBuffer);
}

TEST_F(MessageData, SameItemByEntryId)
{
    CEmailData data;
    auto first = items.File("eml/sa-nice-orig_ip_hdr.eml");
    auto again = items.File("eml/sa-nice-orig_ip_hdr.eml");
    auto other = items.File("eml/mimekit-netscape-12.eml");
    EXPECT_FALSE(data.IsSameEmailItem(first)) << "no current item";
    EXPECT_FALSE(data.IsEmailItemSet());
    data.SetEmailItem(first);
    EXPECT_TRUE(data.IsEmailItemSet());
    EXPECT_TRUE(data.IsSameEmailItem(again)) << "another item over the same message";
    EXPECT_FALSE(data.IsSameEmailItem(other));
    EXPECT_THROW(data.IsSameEmailItem(nullptr), CErrorInfo);

    // An item composed in Outlook has no EntryID: never the same as anything.
    CComPtr<Outlook::_Application> app;
    ASSERT_EQ(first->get_Application(&app), S_OK);
    CComPtr<IDispatch> created;
    ASSERT_EQ(app->CreateItem(Outlook::olMailItem, &created), S_OK);
    CComQIPtr<Outlook::_MailItem> composed(created);
    ASSERT_TRUE(composed);
    EXPECT_FALSE(data.IsSameEmailItem(composed));
}

TEST_F(MessageData, SettingClearsThePreviousMessage)
{
    CEmailData data;
    data.SetEmailItem(items.File("eml/sa-nice-orig_ip_hdr.eml"));
    EXPECT_EQ(data.GetEmailIPLocation().GetIPLocationAll().size(), 3u);
    EXPECT_EQ(Str(data.GetEmailMessage().GetEmailName()), "Roel");
    // A message without transport header (a sent item): set, with no addresses.
    data.SetEmailItem(items.File("msg/sent.msg"));
    EXPECT_TRUE(data.IsEmailItemSet());
    EXPECT_TRUE(data.GetEmailIPLocation().GetIPLocationAll().empty());
    EXPECT_EQ(data.GetEmailMessage().GetNativeMsgFormat(), 2) << "the release function was handed on";

    // The attachment part holds the item and the release function: its list builds.
    data.SetEmailItem(items.File("msg/msgInMsgInMsg.msg"));
    EXPECT_FALSE(data.GetEmailAttachments().GetAttachmentsExMapi().empty());

    data.Clear();
    EXPECT_FALSE(data.IsEmailItemSet());
    EXPECT_FALSE(data.GetEmailMessage().HasMailItem());
    EXPECT_FALSE(data.GetEmailAttachments().HasMailItem());
    EXPECT_TRUE(data.GetEmailAttachments().GetAttachmentsInfo().empty());
    EXPECT_FALSE(data.GetEmailIPLocation().IsHeaderSet());

    // A failure while setting is passed on; the data is left without an item.
    EXPECT_THROW(data.SetEmailItem(nullptr), CErrorInfo);
    EXPECT_FALSE(data.IsEmailItemSet());
}

TEST_F(MessageData, StoredHeadersKeepTheirCarriageReturns)
{
    CEmailData data;
    auto mail = items.Bytes("Received: from a ([8.8.8.8]) by b with c\nX-Empty:\nFrom: a@example.org\n\nbody\n");
    ASSERT_TRUE(mail);
    // The store turns bare line feeds into CR LF, so the field's body is a lone carriage return: not empty.
    data.SetEmailItem(mail);
    EXPECT_EQ(Addresses(data.GetEmailIPLocation().GetIPLocationAll()), (std::vector<std::string>{"8.8.8.8/1"}));
}
