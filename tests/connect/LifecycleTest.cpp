// The controller's connection to Outlook: the ribbon's XML for the two ribbons it serves, onLoad, a second
// connection, and the references it holds on Outlook's objects.
#include "ConnectTestUtil.h"

using namespace connect_test;

namespace {

using LifecycleTest = ConnectTest;

TEST_F(LifecycleTest, CustomUIForTheExplorerAndReadWindowsOnly)
{
    ASSERT_EQ(S_OK, connect->OnConnection(app, AddInDesignerObjects::ext_cm_Startup, nullptr, nullptr));
    connected = true;
    for (const char16_t* id : {u"Microsoft.Outlook.Explorer", u"microsoft.outlook.explorer", u"Microsoft.Outlook.Mail.Read"}) {
        BSTR xml = nullptr;
        EXPECT_EQ(S_OK, connect->GetCustomUI(CComBSTR(id), &xml));
        ASSERT_NE(nullptr, xml) << Str(id);
        EXPECT_NE(std::string::npos, Str(xml, true).find("onLoad=\"OnLoadCB\""));
        SysFreeString(xml);
    }
    BSTR xml = nullptr;
    EXPECT_EQ(S_OK, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Mail.Compose"), &xml));
    EXPECT_EQ(nullptr, xml);
    EXPECT_EQ(S_OK, connect->GetCustomUI(nullptr, &xml));
    EXPECT_EQ(nullptr, xml);

    EXPECT_EQ(E_INVALIDARG, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Explorer"), nullptr));
    BSTR taken = SysAllocString(u"already set");
    EXPECT_EQ(E_INVALIDARG, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Explorer"), &taken));
    EXPECT_EQ("already set", Str(taken, true));
    SysFreeString(taken);
}

TEST_F(LifecycleTest, WithoutConnectionThereIsNoRibbon)
{
    BSTR xml = nullptr;
    EXPECT_EQ(E_UNEXPECTED, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Explorer"), &xml));
    EXPECT_EQ(E_UNEXPECTED, connect->OnLoadCB(&ribbonUI));
    EXPECT_EQ(S_FALSE, connect->OnConnection(nullptr, AddInDesignerObjects::ext_cm_Startup, nullptr, nullptr));
    EXPECT_NE(std::string::npos, Str(CErrorLog::Instance().ReadAll().m_str).find("\"pApplication\""));
}

TEST_F(LifecycleTest, OnLoadShowsTheCurrentSelection)
{
    store::SetSelection(app, {});
    Start();
    // Nothing selected: the tab is hidden and nothing was read.
    EXPECT_FALSE(Visible(ID_RIBBON_TAB));
    EXPECT_FALSE(connect->GetEmailData().IsEmailItemSet());
    EXPECT_EQ(E_INVALIDARG, connect->OnLoadCB(nullptr));
}

TEST_F(LifecycleTest, OtherNotificationsAreNotImplemented)
{
    EXPECT_EQ(E_NOTIMPL, connect->OnAddInsUpdate(nullptr));
    EXPECT_EQ(E_NOTIMPL, connect->OnStartupComplete(nullptr));
    EXPECT_EQ(E_NOTIMPL, connect->OnBeginShutdown(nullptr));
    EXPECT_EQ(S_OK, connect->InterfaceSupportsErrorInfo(IID_IRibbonCallback));
    EXPECT_EQ(S_OK, connect->InterfaceSupportsErrorInfo(IID__IDTExtensibility2));
    EXPECT_EQ(S_FALSE, connect->InterfaceSupportsErrorInfo(IID_IDispatch));
}

TEST_F(LifecycleTest, ASecondConnectionReplacesTheFirst)
{
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    ASSERT_EQ(S_OK, connect->OnConnection(app, AddInDesignerObjects::ext_cm_Startup, nullptr, nullptr));
    // A new ribbon object: Office asks for its XML and loads it again.
    BSTR xml = nullptr;
    ASSERT_EQ(S_OK, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Explorer"), &xml));
    SysFreeString(xml);
    ASSERT_EQ(S_OK, connect->OnLoadCB(&ribbonUI));
    EXPECT_TRUE(Visible(ID_RIBBON_TAB));
}

TEST_F(LifecycleTest, ReferencesOnOutlooksObjectsBalanceAfterDisconnection)
{
    ULONG appBefore = app.p->AddRef() - 1;
    app.p->Release();
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    EXPECT_GT(ribbonUI.refs, 0);
    ASSERT_EQ(S_OK, connect->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, nullptr));
    connected = false;
    // The ribbon, the application and its Explorer are let go; the message was let go with its data.
    EXPECT_EQ(0, ribbonUI.refs);
    ULONG appAfter = app.p->AddRef() - 1;
    app.p->Release();
    EXPECT_EQ(appBefore, appAfter);
    EXPECT_EQ(nullptr, COutlookCommandBars::Instance().GetRibbon());
    // The object itself goes with its last reference.
    EXPECT_EQ(1u, connect.p->AddRef() - 1);
    connect.p->Release();
}

} // namespace
