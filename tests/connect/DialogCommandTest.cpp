// The tab's dialog commands through OnActionCB, as Outlook reports the clicks: the info dialogs of the
// header, body, addresses and links, the attachments dialog, the options dialog whose OK processes the
// message again, and the about box with the two e-mails it composes.
#include "ConnectTestUtil.h"

#include <functional>

#include "__Utilities/ErrorLog.h"
#include "host/store/MailItem.h"
#include "host/ui/ConsoleUserInterface.h"
#include "pal/dialogs.h"
#include "res/resource.h"
#include "support/DialogViews.h"

using namespace connect_test;

namespace {

// The person in front of the dialogs: each modal dialog is looked at, then acted on.
class DialogPerson : public host::ConsoleUserInterface {
public:
    explicit DialogPerson(FILE* out = std::tmpfile()) : ConsoleUserInterface(out), m_file(out) { RecordOpens(true); }
    ~DialogPerson() override { std::fclose(m_file); }
    void ModalDialogShown(HWND dialog) override
    {
        seen.push_back(pal::ViewDialog(dialog));
        // The actions end the dialog themselves; without any it is cancelled.
        if (act)
            act(dialog);
        else
            pal::PressButton(dialog, IDCANCEL);
    }
    std::function<void(HWND)> act;
    std::vector<pal::DialogView> seen;

private:
    FILE* m_file = nullptr;
};

using testing_support::FindView;

class DialogCommandTest : public ConnectTest {
protected:
    DialogCommandTest() { pal::SetUserInterfaceHost(&person); }
    ~DialogCommandTest() override { pal::SetUserInterfaceHost(nullptr); }
    HRESULT Press(int id)
    {
        Control control(id);
        return connect->OnActionCB(&control);
    }
    std::string Caption(size_t n) const { return Str(reinterpret_cast<const WCHAR*>(person.seen.at(n).caption.c_str())); }
    std::string Text(size_t n, int id) const
    {
        const auto* c = FindView(person.seen.at(n).controls, id);
        return c ? Str(reinterpret_cast<const WCHAR*>(c->text.c_str())) : std::string("(no control)");
    }

    DialogPerson person;
};

TEST_F(DialogCommandTest, TheInfoDialogsShowTheMessage)
{
    Start();
    Select("eml/sa-nice-base64.eml");
    ASSERT_TRUE(Settle());

    ASSERT_EQ(S_OK, Press(ID_MSG_HEADER));
    ASSERT_EQ(1u, person.seen.size());
    EXPECT_EQ("Message Header", Caption(0));
    EXPECT_EQ(0u, Text(0, IDC_RICHEDIT).find("Replied: Fri, 22 Dec 2000")) << Text(0, IDC_RICHEDIT);
    const auto* map = FindView(person.seen[0].controls, IDC_MAP);
    ASSERT_TRUE(map);
    EXPECT_FALSE(map->enabled && map->visible) << "the header has no map";

    ASSERT_EQ(S_OK, Press(ID_IP_LAUNCHER));
    ASSERT_EQ(2u, person.seen.size());
    EXPECT_EQ("Message IP Location", Caption(1));
    EXPECT_NE(std::string::npos, Text(1, IDC_RICHEDIT).find("136.201.105.1")) << Text(1, IDC_RICHEDIT);
    map = FindView(person.seen[1].controls, IDC_MAP);
    ASSERT_TRUE(map);
    EXPECT_TRUE(map->enabled && map->visible);

    ASSERT_EQ(S_OK, Press(ID_LINK_LAUNCHER));
    EXPECT_EQ("Message Links", Caption(2));
    ASSERT_EQ(S_OK, Press(ID_PLAIN_TEXT));
    EXPECT_EQ("Message Body", Caption(3));
    // The rows are as they were.
    EXPECT_EQ(0, connect->GetEmailData().GetEmailIPLocation().GetTopRow());
}

TEST_F(DialogCommandTest, TheAttachmentsDialogHasATabPerFileAlsoInsideAttachedMessages)
{
    Start();
    Select("eml/mail-attachment_emails-attachment_message_rfc822.eml");
    ASSERT_TRUE(Settle());
    size_t records = connect->GetEmailData().GetEmailAttachments().GetAttachmentsExMapi().size();
    ASSERT_GT(records, 1u);
    ASSERT_EQ(S_OK, Press(ID_ATTACHMENT_LAUNCHER));
    ASSERT_EQ(1u, person.seen.size());
    EXPECT_EQ("Message Attachments", Caption(0));
    const auto* tabs = FindView(person.seen[0].controls, IDC_TAB);
    ASSERT_TRUE(tabs);
    EXPECT_EQ(records, tabs->items.size());
    EXPECT_NE(std::string::npos, Text(0, IDC_RICHEDIT).find("Detected Type")) << Text(0, IDC_RICHEDIT);
}

TEST_F(DialogCommandTest, OptionsOkProcessesTheMessageAgainAndCancelChangesNothing)
{
    Start();
    Select("eml/sa-nice-base64.eml");
    ASSERT_TRUE(Settle());
    ASSERT_TRUE(Visible(ID_RIBBON_ATTACHMENTS_GROUP));

    // Cancel after unticking the attachments group: nothing changes.
    person.act = [](HWND dialog) {
        pal::ChooseTab(pal::FindControl(dialog, IDC_TAB), 1);
        pal::PressButton(dialog, IDC_SHOW_ATTACHMENTS);
        pal::PressButton(dialog, IDCANCEL);
    };
    ASSERT_EQ(S_OK, Press(ID_OPTIONS));
    ASSERT_EQ(1u, person.seen.size());
    EXPECT_EQ("Options", Caption(0));
    EXPECT_TRUE(Visible(ID_RIBBON_ATTACHMENTS_GROUP));
    EXPECT_TRUE(CSettingsManager::Instance().displayTabs & CSettingsManager::DISPLAY_ATTACHMENTS);

    // OK: the settings change and the tab shows the message again without the attachments group.
    person.act = [](HWND dialog) {
        pal::ChooseTab(pal::FindControl(dialog, IDC_TAB), 1);
        pal::PressButton(dialog, IDC_SHOW_ATTACHMENTS);
        pal::PressButton(dialog, IDOK);
    };
    ASSERT_EQ(S_OK, Press(ID_OPTIONS));
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(CSettingsManager::Instance().displayTabs & CSettingsManager::DISPLAY_ATTACHMENTS);
    EXPECT_FALSE(Visible(ID_RIBBON_ATTACHMENTS_GROUP));
    EXPECT_TRUE(connect->GetEmailData().IsEmailItemSet());
    EXPECT_TRUE(Visible(ID_RIBBON_IP_LOCATION_GROUP));
}

TEST_F(DialogCommandTest, TheAboutBoxComposesTheSupportAndDetailsEmails)
{
    Start();
    // Without a message the about box opens; Close composes nothing.
    person.act = [](HWND dialog) { pal::PressButton(dialog, IDOK); };
    ASSERT_EQ(S_OK, Press(ID_ABOUT));
    ASSERT_EQ(1u, person.seen.size());
    EXPECT_EQ("About Vantora", Caption(0));
    EXPECT_TRUE(store::DisplayedItems(app).empty());

    Select("eml/sa-nice-base64.eml");
    ASSERT_TRUE(Settle());
    person.act = [](HWND dialog) { pal::PressButton(dialog, IDC_EMAIL_DETAILS); };
    ASSERT_EQ(S_OK, Press(ID_ABOUT));
    auto shown = store::DisplayedItems(app);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("E-mail Details", Str(reinterpret_cast<const WCHAR*>(shown[0].subject.c_str())));
    std::string body = Str(reinterpret_cast<const WCHAR*>(shown[0].body.c_str()));
    EXPECT_EQ(0u, body.find("Replied: Fri, 22 Dec 2000")) << body.substr(0, 200);
    std::string dashes = "\n" + std::string(70, '-') + "\n";
    // Header, addresses (the loopback hop first), attachments: three parts under their dashes.
    size_t addresses = body.find(dashes + "127.0.0.1\n");
    ASSERT_NE(std::string::npos, addresses) << body;
    EXPECT_NE(std::string::npos, body.find("136.201.105.1", addresses)) << body;
    EXPECT_NE(std::string::npos, body.find(dashes + "File Name :\t", addresses)) << body;
    EXPECT_FALSE(shown[0].draft.empty());

    // The support e-mail carries the error log.
    CErrorLog::Instance().Write(W("a logged failure"), "Test", __FILE__, __LINE__);
    person.act = [](HWND dialog) { pal::PressButton(dialog, IDC_EMAIL_SUPPORT); };
    ASSERT_EQ(S_OK, Press(ID_ABOUT));
    shown = store::DisplayedItems(app);
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("Error Log Details", Str(reinterpret_cast<const WCHAR*>(shown[1].subject.c_str())));
    EXPECT_NE(std::string::npos, Str(reinterpret_cast<const WCHAR*>(shown[1].body.c_str())).find("a logged failure"));
}

} // namespace

namespace {

// A selection made while a dialog of the tab is open must not change the message under the dialog; it is
// shown once the dialog has closed.
TEST_F(DialogCommandTest, ASelectionChangeWhileADialogIsOpenWaitsForIt)
{
    Start();
    Select("eml/mail-attachment_emails-attachment_nonascii_filename.eml");
    ASSERT_TRUE(Settle());
    std::string insideSender, insideDialog;
    person.act = [&](HWND dialog) {
        // Outlook fires SelectionChange while the dialog's loop runs, and the timers go on.
        Select("eml/mail-error_emails-empty_group_lists.eml");
        testing_support::PumpUntil([] { return false; }, 300);
        insideSender = Label(ID_SENDER_NAME);
        insideDialog = Caption(person.seen.size() - 1);
        pal::PressButton(dialog, IDCANCEL);
    };
    ASSERT_EQ(S_OK, Press(ID_MSG_HEADER));
    EXPECT_EQ("Message Header", insideDialog);
    EXPECT_EQ("   foo@example.com", insideSender);
    // Then the new selection is shown, from the loop.
    EXPECT_TRUE(testing_support::PumpUntil([] { return Label(ID_SENDER_NAME) == "   Cecil Edwards"; }, 5000))
        << Label(ID_SENDER_NAME);
    ASSERT_TRUE(Settle());
    // Several changes while the dialog was open come to one processing of the last selection.
    person.act = [&](HWND dialog) {
        Select("eml/mail-mime_emails-email_with_similar_boundaries.eml");
        Select("eml/mail-attachment_emails-attachment_nonascii_filename.eml");
        pal::PressButton(dialog, IDCANCEL);
    };
    ASSERT_EQ(S_OK, Press(ID_MSG_HEADER));
    EXPECT_EQ("   Cecil Edwards", Label(ID_SENDER_NAME));
    EXPECT_TRUE(testing_support::PumpUntil([] { return Label(ID_SENDER_NAME) == "   foo@example.com"; }, 5000))
        << Label(ID_SENDER_NAME);
}

} // namespace
