// The host plays the Explorer's ribbon to a fake add-in: how it calls the callbacks, what invalidation makes
// it ask again, one SelectionChange per message, the deadline, bad files, the hidden tab of a non-mail item,
// and the references it gives back.
#include <atlbase.h>

#include "FakeAddin.h"
#include "host/ribbon/RibbonRender.h"
#include "host/ribbon/ShowSession.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "pal/dialogs.h"
#include "pal/loop.h"
#include "res/resource.h"

using namespace show_test;

namespace {

const std::string kTab = "_Office_Addin_Ctrl_Tag_1000";
const std::string kGroup = "_Office_Addin_Ctrl_Tag_1065";
const std::string kButton = "_Office_Addin_Ctrl_Tag_1066";
const std::string kLabel = "_Office_Addin_Ctrl_Tag_1073";
const std::string kGallery = "_Office_Addin_Ctrl_Tag_1038";

const char kCustomUI[] =
    "<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" onLoad=\"OnLoadCB\"><ribbon><tabs>"
    "<tab id=\"_Office_Addin_Ctrl_Tag_1000\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\">"
    "<group id=\"_Office_Addin_Ctrl_Tag_1065\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\">"
    "<button id=\"_Office_Addin_Ctrl_Tag_1066\" getLabel=\"GetLabelCB\" getSupertip=\"GetSuperTipCB\" "
    "getEnabled=\"GetIsEnabledCB\" onAction=\"OnActionCB\"/>"
    "<labelControl id=\"_Office_Addin_Ctrl_Tag_1073\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\"/>"
    "<gallery id=\"_Office_Addin_Ctrl_Tag_1038\" getVisible=\"GetIsVisibleCB\" getItemCount=\"GetItemCountCB\" "
    "getItemHeight=\"GetItemHeightCB\" getItemWidth=\"GetItemWidthCB\" getItemLabel=\"GetItemLabelCB\" "
    "getItemScreentip=\"GetItemScreenTipCB\" getItemSupertip=\"GetItemSuperTipCB\"/>"
    "</group></tab></tabs></ribbon></customUI>";

std::string Corpus(const std::string& relative) { return std::string(VANTORA_CORPUS_DIR) + "/" + relative; }
const std::string kMail = Corpus("msg/Simple.msg");
const std::string kAppointment = Corpus("msg/Appointment sample EST.msg");

ULONG RefCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

class ShowSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store::RegisterMapiModule();
        app.Attach(store::NewApplication());
        addin.Attach(new FakeAddin(kCustomUI));
        addin->labels = {{kTab, "Info"}, {kGroup, "Message"}, {kButton, "Plain"}, {kLabel, "   sender"}};
        addin->supertips = {{kButton, "line one\nline two"}, {kGallery, "link"}};
        addin->itemCounts = {{kGallery, 3}};
        addin->onSelection = [](FakeAddin& a) {
            a.visible[kTab] = a.selectedIsMail;
            if (a.ribbonUI)
                a.ribbonUI->InvalidateControl(CComBSTR(pal::ToWide(kTab).c_str()));
        };
        session = std::make_unique<ribbon::ShowSession>(static_cast<AddInDesignerObjects::_IDTExtensibility2*>(addin.p), app);
    }
    void TearDown() override
    {
        session.reset();
        addin->StopTimer();
    }
    void Connect()
    {
        std::string error, warnings;
        ASSERT_TRUE(session->Connect(error, warnings)) << error;
        EXPECT_EQ(warnings, "");
    }
    ribbon::ShownMessage Show(const std::string& path, unsigned waitMs = 5000)
    {
        ribbon::ShownMessage shown;
        std::string error;
        ribbon::ShowOptions options;
        options.waitMs = waitMs;
        EXPECT_TRUE(session->Show(path, options, shown, error)) << error;
        return shown;
    }

    CComPtr<Outlook::_Application> app;
    CComPtr<FakeAddin> addin;
    std::unique_ptr<ribbon::ShowSession> session;
};

TEST_F(ShowSessionTest, CallsEveryCallbackByNameWithTheControlLastAndTheIndexFirst)
{
    Connect();
    EXPECT_EQ(addin->ribbonId, "Microsoft.Outlook.Explorer");
    ASSERT_TRUE(addin->ribbonUI) << "OnLoadCB gets the host's IRibbonUI";
    EXPECT_EQ(addin->CallsOf("OnLoadCB"), 1u);
    ribbon::ShownMessage shown = Show(kMail);
    EXPECT_TRUE(shown.complete);
    EXPECT_EQ(addin->argumentErrors, std::vector<std::string>());
    EXPECT_TRUE(addin->tagWasNull);
    // The control's context is the Explorer.
    CComPtr<Outlook::_Explorer> explorer;
    app->ActiveExplorer(&explorer);
    CComPtr<IUnknown> a, b;
    explorer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
    ASSERT_TRUE(addin->lastContext);
    addin->lastContext->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
    EXPECT_EQ(a.p, b.p);
    // Each gallery item is asked with its own index, after the count and the size.
    std::vector<int> indexes;
    for (const Call& c : addin->calls)
        if (c.name == "GetItemSuperTipCB")
            indexes.push_back(c.index);
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2}));
    const ribbon::Control& gallery = shown.ribbon.tabs[0].children[0].children[2];
    ASSERT_EQ(gallery.items.size(), 3u);
    EXPECT_EQ(gallery.items[2].supertip, "link 2");
    EXPECT_EQ(gallery.itemWidth, 90);
    // Unknown callback names (OnActionCB is not asked) and getImage absent: nothing else was called.
    EXPECT_EQ(addin->CallsOf("OnActionCB"), 0u);
    EXPECT_EQ(shown.ribbon.tabs[0].label, "Info");
}

TEST_F(ShowSessionTest, InvalidationAsksAgainOnlyWhatWasInvalidated)
{
    Connect();
    Show(kMail);
    addin->calls.clear();
    addin->onSelection = [](FakeAddin& a) {
        a.labels[kLabel] = "   someone else";
        a.ribbonUI->InvalidateControl(CComBSTR(pal::ToWide(kLabel).c_str()));
    };
    ribbon::ShownMessage shown = Show(Corpus("msg/Hello +CJK.msg"));
    for (const Call& c : addin->calls)
        EXPECT_EQ(c.control, kLabel) << c.name;
    EXPECT_EQ(addin->CallsOf("GetLabelCB", kLabel), 1u);
    EXPECT_EQ(shown.ribbon.tabs[0].children[0].children[1].label, "   someone else");
    // An unknown id is refused; Invalidate asks every shown control again.
    EXPECT_EQ(addin->ribbonUI->InvalidateControl(CComBSTR(W("nope"))), E_INVALIDARG);
    addin->calls.clear();
    addin->onSelection = [](FakeAddin& a) { a.ribbonUI->Invalidate(); };
    Show(kMail);
    for (const std::string& id : {kTab, kGroup, kButton, kLabel, kGallery})
        EXPECT_EQ(addin->CallsOf("GetIsVisibleCB", id) + addin->CallsOf("GetIsEnabledCB", id) > 0, true) << id;
}

TEST_F(ShowSessionTest, ControlsChangedByTheTimerAreShownWhenItStops)
{
    Connect();
    addin->onSelection = [](FakeAddin& a) {
        a.visible[kTab] = true;
        a.StartTimer([](FakeAddin& self) {
            static int ticks = 0;
            if (++ticks < 3)
                return true;
            self.labels[kButton] = "Done";
            self.ribbonUI->InvalidateControl(CComBSTR(pal::ToWide(kButton).c_str()));
            return false;
        });
    };
    ribbon::ShownMessage shown = Show(kMail);
    EXPECT_TRUE(shown.complete);
    EXPECT_EQ(pal::ActiveTimerCount(), 0u);
    EXPECT_EQ(shown.ribbon.tabs[0].children[0].children[0].label, "Done");
}

TEST_F(ShowSessionTest, TheDeadlineEndsAWaitForATimerThatNeverStops)
{
    Connect();
    addin->onSelection = [](FakeAddin& a) {
        a.StartTimer([](FakeAddin&) { return true; });
    };
    ribbon::ShownMessage shown = Show(kMail, 200);
    EXPECT_FALSE(shown.complete);
    EXPECT_NE(ribbon::RenderText(shown).find("requests still outstanding after 0.2 s"), std::string::npos);
}

TEST_F(ShowSessionTest, EachMessageIsSelectedInTurnAndAnUnreadableOneIsSkipped)
{
    Connect();
    Show(kMail);
    ribbon::ShownMessage shown;
    std::string error;
    EXPECT_FALSE(session->Show("/nonexistent/mail.eml", ribbon::ShowOptions(), shown, error));
    EXPECT_NE(error.find("/nonexistent/mail.eml"), std::string::npos) << error;
    shown = Show(kAppointment);
    EXPECT_EQ(addin->selectionChanges, 2);
    // An appointment is no _MailItem: the add-in hides its tab, and nothing inside is asked.
    EXPECT_FALSE(addin->selectedIsMail);
    EXPECT_NE(ribbon::RenderText(shown).find("tab hidden"), std::string::npos) << ribbon::RenderText(shown);
    addin->calls.clear();
    addin->labels[kLabel] = "changed";
    addin->ribbonUI->InvalidateControl(CComBSTR(pal::ToWide(kLabel).c_str()));
    session->Host()->Refresh();
    EXPECT_EQ(addin->calls.size(), 0u);
    // Nothing is left to ask either, or the wait for the add-in's timer would spin.
    EXPECT_FALSE(session->Host()->AnyDirty());
    // Shown again, the tab's controls are asked afresh.
    Show(kMail);
    EXPECT_EQ(addin->CallsOf("GetLabelCB", kLabel), 1u);
}

// A dialog the add-in runs modally while its request is outstanding: the host settles inside the modal run,
// so the timer ticks and the ribbon follows its invalidation before the dialog is looked at.
class SettlingHost : public pal::UserInterfaceHost {
public:
    explicit SettlingHost(ribbon::ShowSession& session) : m_session(session) {}
    bool SaveFileDialog(const pal::SaveFileRequest&, std::u16string&) override { return false; }
    int ShowMessageBox(const pal::MessageBoxRequest&) override { return IDOK; }
    void ModalDialogShown(HWND dialog) override
    {
        m_session.SettleModal(GetTickCount64() + 5000);
        timersWhileOpen = pal::ActiveTimerCount();
        labelWhileOpen = m_session.Host()->Model().tabs[0].children[0].children[0].label.value_or("");
        pal::PressButton(dialog, IDOK);
    }
    size_t timersWhileOpen = 99;
    std::string labelWhileOpen;

private:
    ribbon::ShowSession& m_session;
};

INT_PTR CALLBACK ClosingProc(HWND h, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        EndDialog(h, LOWORD(wParam));
    return FALSE;
}

TEST_F(ShowSessionTest, TheAddinsTimerTicksAndTheRibbonFollowsWhileADialogIsModal)
{
    Connect();
    SettlingHost host(*session);
    pal::UserInterfaceHost* previous = pal::SetUserInterfaceHost(&host);
    INT_PTR result = 0;
    addin->onSelection = [&](FakeAddin& a) {
        a.visible[kTab] = true;
        a.StartTimer([](FakeAddin& self) {
            static int ticks = 0;
            if (++ticks < 3)
                return true;
            self.labels[kButton] = "Done";
            self.ribbonUI->InvalidateControl(CComBSTR(pal::ToWide(kButton).c_str()));
            return false;
        });
        result = DialogBoxParamW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(IDD_INFODLG), nullptr,
                                 &ClosingProc, 0);
    };
    Show(kMail);
    pal::SetUserInterfaceHost(previous);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(host.timersWhileOpen, 0u);
    EXPECT_EQ(host.labelWhileOpen, "Done");
}

TEST_F(ShowSessionTest, ReferencesBalanceAfterTheDisconnection)
{
    CComPtr<Outlook::_Explorer> explorer;
    app->ActiveExplorer(&explorer);
    ULONG appRefs = RefCount(app), explorerRefs = RefCount(explorer);
    Connect();
    Show(kMail);
    Show(kAppointment);
    EXPECT_EQ(session->Disconnect(), S_OK);
    EXPECT_TRUE(addin->disconnected);
    EXPECT_EQ(addin->itemRefsAtDisconnection, 1u) << "the host still holds the selected item";
    EXPECT_EQ(RefCount(app), appRefs);
    EXPECT_EQ(RefCount(explorer), explorerRefs);
    EXPECT_EQ(RefCount(static_cast<AddInDesignerObjects::_IDTExtensibility2*>(addin.p)), 2u)
        << "the session still holds the add-in";
    session.reset();
    EXPECT_EQ(RefCount(static_cast<AddInDesignerObjects::_IDTExtensibility2*>(addin.p)), 1u);
}

TEST_F(ShowSessionTest, ADocumentThatIsNoCustomUIFailsTheConnection)
{
    CComPtr<FakeAddin> bad;
    bad.Attach(new FakeAddin("<customUI><ribbon><tabs><tab"));
    ribbon::ShowSession badSession(static_cast<AddInDesignerObjects::_IDTExtensibility2*>(bad.p), app);
    std::string error, warnings;
    EXPECT_FALSE(badSession.Connect(error, warnings));
    EXPECT_NE(error.find("not well-formed"), std::string::npos) << error;
    EXPECT_EQ(badSession.Disconnect(), S_OK);
    EXPECT_TRUE(bad->disconnected);
}

// The Explorer's event source, as an add-in's sink sees it.
class NotDispatch final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
};

TEST(ExplorerEvents, AdviseAndUnadviseFollowTheConnectionPointRules)
{
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication());
    CComPtr<Outlook::_Explorer> explorer;
    app->ActiveExplorer(&explorer);
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(explorer->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    CComPtr<IConnectionPoint> point, other;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &other), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(__uuidof(Outlook::ExplorerEvents_10), &point), S_OK);
    NotDispatch notDispatch;
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(&notDispatch, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(point->Unadvise(1234), CONNECT_E_NOCONNECTION);

    CComPtr<FakeAddin> addin;
    addin.Attach(new FakeAddin(kCustomUI));
    CComPtr<IDispatch> sink;
    sink.Attach(new FakeSink(addin));
    DWORD first = 0, second = 0;
    ASSERT_EQ(point->Advise(sink, &first), S_OK);
    ASSERT_EQ(point->Advise(sink, &second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(store::FireSelectionChange(app), 2u);
    EXPECT_EQ(addin->selectionChanges, 2);
    EXPECT_EQ(point->Unadvise(first), S_OK);
    EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(store::FireSelectionChange(app), 1u);
    EXPECT_EQ(point->Unadvise(second), S_OK);
    EXPECT_EQ(RefCount(sink), 1u);
}

} // namespace
