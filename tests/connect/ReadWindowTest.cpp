// The Read window: the controller follows the window the person is in, shows that window's message and
// announces its changes only to that window's ribbon, so the window left keeps what it showed.
#include "ConnectTestUtil.h"

#include "addin/ReadWindowSink.h"

using namespace connect_test;

namespace {

const char kFoo[] = "eml/mail-attachment_emails-attachment_nonascii_filename.eml";   // foo@example.com
const char kCecil[] = "eml/mail-error_emails-empty_group_lists.eml";                 // Cecil Edwards
const char kOther[] = "eml/mail-mime_emails-email_with_similar_boundaries.eml";      // Xxxxx

class ReadWindowTest : public ConnectTest {
protected:
    void SetUp() override { Start(); }
    void TearDown() override
    {
        for (auto& window : windows)
            store::CloseInspector(app, window);
        // The add-in lets go of the Read ribbon's IRibbonUI when it disconnects: before readUI goes.
        if (connected)
            connect->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, nullptr);
        connected = false;
    }

    // A message opened as a double click opens it: NewInspector, then (first time only) the Read ribbon's
    // XML and onLoad, then Activate.
    Outlook::_Inspector* Open(const char* relative, bool loadRibbon)
    {
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(Load(relative), app));
        CComPtr<Outlook::_Inspector> window;
        window.Attach(store::OpenInspector(app, item));
        if (loadRibbon) {
            BSTR xml = nullptr;
            EXPECT_EQ(S_OK, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Mail.Read"), &xml));
            EXPECT_NE(nullptr, xml);
            SysFreeString(xml);
            EXPECT_EQ(S_OK, connect->OnLoadCB(&readUI));
        }
        store::ActivateInspector(app, window);
        windows.push_back(window);
        return window;
    }
    void Close(Outlook::_Inspector* window)
    {
        EXPECT_TRUE(store::CloseInspector(app, window));
        windows.erase(std::remove_if(windows.begin(), windows.end(),
                                     [window](const CComPtr<Outlook::_Inspector>& w) { return w.p == window; }),
                      windows.end());
        store::ActivateExplorer(app);
    }
    void Reset()
    {
        ribbonUI.invalidated.clear();
        ribbonUI.whole = 0;
        readUI.invalidated.clear();
        readUI.whole = 0;
    }
    static std::string Sender() { return Label(ID_SENDER_NAME); }

    RecordingRibbonUI readUI;
    std::vector<CComPtr<Outlook::_Inspector>> windows;
};

TEST_F(ReadWindowTest, EachWindowShowsItsOwnMessageAndTheOneLeftIsNotTouched)
{
    Select(kFoo);
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   foo@example.com", Sender());
    Reset();

    // The Read window's ribbon is loaded after the window opened: its onLoad shows the window's message,
    // announced to that ribbon alone.
    Outlook::_Inspector* window = Open(kCecil, true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   Cecil Edwards", Sender());
    EXPECT_EQ(window, connect->FollowedInspector());
    EXPECT_GT(readUI.Total(), 0u);
    EXPECT_EQ(0u, ribbonUI.Total()) << "the Explorer's tab keeps showing its own message";
    EXPECT_EQ(0, ribbonUI.whole);

    // The Explorer's selection changes behind the Read window: its tab waits until the Explorer is in front.
    Reset();
    Select(kOther);
    EXPECT_EQ("   Cecil Edwards", Sender());
    EXPECT_EQ(0u, ribbonUI.Total() + readUI.Total());

    // The person goes back to the Explorer: its ribbon is asked afresh and shows its selection.
    store::ActivateExplorer(app);
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   Xxxxx", Sender());
    EXPECT_EQ(nullptr, connect->FollowedInspector());
    EXPECT_EQ(1, ribbonUI.whole);
    EXPECT_EQ(0u, readUI.Total());
    EXPECT_EQ(0, readUI.whole);

    // And to the Read window again.
    Reset();
    store::ActivateInspector(app, window);
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   Cecil Edwards", Sender());
    EXPECT_EQ(1, readUI.whole);
    EXPECT_EQ(0u, ribbonUI.Total());

    // Closing it leaves the Explorer followed, and its selection changes reach its tab again.
    Close(window);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(nullptr, connect->FollowedInspector());
    EXPECT_EQ("   Xxxxx", Sender());
    Reset();
    Select(kFoo);
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   foo@example.com", Sender());
    EXPECT_GT(ribbonUI.Total(), 0u);
    EXPECT_EQ(0u, readUI.Total());
}

TEST_F(ReadWindowTest, ALaterReadWindowUsesTheRibbonLoadedForTheFirst)
{
    Select(kFoo);
    ASSERT_TRUE(Settle());
    Close(Open(kCecil, true));
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   foo@example.com", Sender());
    Reset();
    // Office loads a ribbon once per kind of window: the second Read window brings no onLoad.
    Open(kOther, false);
    ASSERT_TRUE(Settle());
    EXPECT_EQ("   Xxxxx", Sender());
    EXPECT_GT(readUI.Total(), 0u);
    EXPECT_EQ(0u, ribbonUI.Total());
}

TEST_F(ReadWindowTest, TheSameMessageOpenedIsNotReadAgain)
{
    Select(kFoo);
    ASSERT_TRUE(Settle());
    const void* records = &connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved();
    size_t before = connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved().size();
    Reset();
    Open(kFoo, true);
    EXPECT_EQ(0u, CConnect::GetTimerId()) << "nothing re-read, nothing to wait for";
    EXPECT_EQ("   foo@example.com", Sender());
    EXPECT_EQ(records, &connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved());
    EXPECT_EQ(before, connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved().size());
    // The Read ribbon was built from the Explorer's message: it is asked for everything once.
    EXPECT_EQ(1, readUI.whole);
}

TEST_F(ReadWindowTest, AReadWindowOfAnAppointmentHidesItsTab)
{
    Select(kFoo);
    ASSERT_TRUE(Settle());
    Reset();
    Open("msg/Appointment sample EST.msg", true);
    EXPECT_FALSE(Visible(ID_RIBBON_TAB));
    EXPECT_GT(readUI.invalidated[Str(Tag(ID_RIBBON_TAB).c_str())], 0);
    // The Explorer's tab was not touched and shows again with its message.
    EXPECT_EQ(0u, ribbonUI.Total());
    store::ActivateExplorer(app);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Visible(ID_RIBBON_TAB));
    EXPECT_EQ("   foo@example.com", Sender());
}

TEST_F(ReadWindowTest, NoWindowIsFollowedAfterTheDisconnection)
{
    Select(kFoo);
    ASSERT_TRUE(Settle());
    Outlook::_Inspector* window = Open(kCecil, true);
    ASSERT_TRUE(Settle());
    ASSERT_EQ(S_OK, connect->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, nullptr));
    connected = false;
    EXPECT_EQ(nullptr, connect->FollowedInspector());
    // Every sink is gone: events of the open window and new windows reach nothing.
    Reset();
    EXPECT_TRUE(store::ActivateInspector(app, window));
    Open(kOther, false);
    EXPECT_EQ(nullptr, connect->FollowedInspector());
    EXPECT_EQ(0u, readUI.Total() + ribbonUI.Total());
}

} // namespace
