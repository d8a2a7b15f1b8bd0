// The controller as Outlook drives it: a CConnect connected to the host store's application, its ribbon
// loaded with a recording IRibbonUI, corpus messages selected in the Explorer. Locations come from the
// offline provider (no network) unless a test selects loopback twins; link targets are fetched from a
// loopback server that every host name is mapped to.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Utils/SettingsManager.h"
#include "__Controls/OfficeRibbon.h"
#include "__Utilities/ErrorLog.h"
#include "addin/CommandBars.h"
#include "addin/Connect.h"
#include "addin/RibbonIds.h"
#include "geo/CountryDataUtil.h"
#include "geo/GeoLocationManager.h"
#include "geo/GeoLocationProviders.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "host/store/Message.h"
#include "pal/host.h"
#include "pal/loop.h"
#include "support/HttpTestUtil.h"
#include "support/LoopbackServer.h"
#include "support/ProviderSettings.h"
#include "support/TestUtil.h"

namespace connect_test {

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

inline std::string Corpus(const std::string& relative) { return std::string(VANTORA_CORPUS_DIR) + "/" + relative; }
inline std::string Str(const WCHAR* s) { return s ? pal::ToUtf8(s) : std::string(); }
inline std::string Str(BSTR s, bool) { return s ? pal::ToUtf8(std::u16string(s, SysStringLen(s))) : std::string(); }
inline std::u16string Tag(int id) { return u"_Office_Addin_Ctrl_Tag_" + pal::ToWide(std::to_string(id)); }

// The IRibbonUI Office hands to onLoad: counts the invalidations of each control.
class RecordingRibbonUI final : public Office::IRibbonUI {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(Office::IRibbonUI)) {
            *ppv = static_cast<Office::IRibbonUI*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ULONG(++refs); }
    ULONG Release() override { return ULONG(--refs); }
    HRESULT GetTypeInfoCount(UINT*) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::GetTypeInfoCount");
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::GetTypeInfo");
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::GetIDsOfNames");
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::Invoke");
    }
    HRESULT Invalidate() override
    {
        ++whole;
        return S_OK;
    }
    HRESULT InvalidateControl(BSTR id) override
    {
        ++invalidated[Str(id, true)];
        if (onInvalidate)
            onInvalidate();
        return S_OK;
    }
    HRESULT InvalidateControlMso(BSTR) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::InvalidateControlMso");
    }
    HRESULT ActivateTab(BSTR) override { return testing_support::UnexpectedCall("RecordingRibbonUI::ActivateTab"); }
    HRESULT ActivateTabMso(BSTR) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::ActivateTabMso");
    }
    HRESULT ActivateTabQ(BSTR, BSTR) override
    {
        return testing_support::UnexpectedCall("RecordingRibbonUI::ActivateTabQ");
    }

    size_t Total() const
    {
        size_t n = 0;
        for (const auto& e : invalidated)
            n += size_t(e.second);
        return n;
    }

    long refs = 0;
    int whole = 0;
    std::function<void()> onInvalidate;
    std::map<std::string, int> invalidated;
};

// The IRibbonControl of a callback: its Id is the control's XML id.
class Control final : public Office::IRibbonControl {
public:
    explicit Control(int id) : m_id(Tag(id)) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(Office::IRibbonControl)) {
            *ppv = static_cast<Office::IRibbonControl*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ULONG(++refs); }
    ULONG Release() override { return ULONG(--refs); }
    HRESULT GetTypeInfoCount(UINT*) override { return testing_support::UnexpectedCall("Control::GetTypeInfoCount"); }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return testing_support::UnexpectedCall("Control::GetTypeInfo");
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return testing_support::UnexpectedCall("Control::GetIDsOfNames");
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return testing_support::UnexpectedCall("Control::Invoke");
    }
    HRESULT get_Id(BSTR* id) override
    {
        *id = SysAllocStringLen(m_id.data(), UINT(m_id.size()));
        return S_OK;
    }
    HRESULT get_Context(IDispatch** context) override
    {
        *context = nullptr;
        return S_OK;
    }
    HRESULT get_Tag(BSTR* tag) override
    {
        *tag = nullptr;
        return S_OK;
    }

    long refs = 1;

private:
    std::u16string m_id;
};

class ConnectTest : public ::testing::Test {
protected:
    ConnectTest() : linkServer([](const HttpCall&) { return Page(); }, "127.0.0.8")
    {
        setenv("VANTORA_CONNECT_TO", ("127.0.0.8:" + std::to_string(linkServer.Port())).c_str(), 1);
        // Every host name leads to the loopback server, which the reserved-target check would refuse.
        setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
        setenv("VANTORA_GEOIP_DB", testing_support::CompiledDatabase().c_str(), 1);
        CSettingsManager& s = CSettingsManager::Instance();
        s.displayTabs = CSettingsManager::ALL_FLAGS;
        s.flagEmails = s.flagLinks = s.flagServers = false;
        s.emailCountries.clear();
        s.linkCountries.clear();
        s.servers.clear();
        s.serverReplyTimeout = 7;
        s.maxRetryCount = 3;
        SelectOffline();
        store::RegisterMapiModule();
        app.Attach(store::NewApplication(u"16.0.0.0"));
        CComObject<CConnect>* object = nullptr;
        EXPECT_EQ(S_OK, CComObject<CConnect>::CreateInstance(&object));
        connect = object;
    }

    ~ConnectTest() override
    {
        if (connected)
            connect->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, nullptr);
        connect.Release();
        store::SetSelection(app, {});
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder.clear();
        s.selectedProviders.clear();
        unsetenv("VANTORA_CONNECT_TO");
        unsetenv("VANTORA_GEOIP_DB");
        unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
    }

    static HttpReply Page()
    {
        HttpReply r;
        r.contentType = "text/html";
        r.body = "<html><body>page</body></html>";
        return r;
    }

    // The settings select these providers by name (the twins must exist already: they set the endpoints).
    static void SelectProviders(const std::vector<std::string>& names)
    {
        EXPECT_EQ(names.size(), testing_support::SelectProvidersInSettings(names));
    }

    // The settings select the offline provider alone; the manager reads them when the add-in connects.
    static void SelectOffline()
    {
        testing_support::SelectProvidersInSettings(
            [](CIPRequest& p) { return dynamic_cast<CIpFireLocation*>(&p) != nullptr; });
    }

    // Connection, XML and onLoad, as Outlook does them at start-up.
    void Start()
    {
        ASSERT_EQ(S_OK, connect->OnConnection(app, AddInDesignerObjects::ext_cm_Startup, nullptr, nullptr));
        connected = true;
        BSTR xml = nullptr;
        ASSERT_EQ(S_OK, connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Explorer"), &xml));
        ASSERT_NE(nullptr, xml);
        SysFreeString(xml);
        ASSERT_EQ(S_OK, connect->OnLoadCB(&ribbonUI));
    }

    std::shared_ptr<store::Message> Load(const std::string& relative)
    {
        std::string error;
        auto message = store::LoadMessageFile(Corpus(relative), error);
        EXPECT_TRUE(message) << error;
        return message;
    }

    // Selects the messages in the Explorer and fires SelectionChange.
    void Select(const std::vector<std::shared_ptr<store::Message>>& messages)
    {
        std::vector<CComPtr<IDispatch>> items;
        std::vector<IDispatch*> raw;
        for (const auto& m : messages) {
            CComPtr<IDispatch> item;
            item.Attach(store::NewItem(m, app));
            items.push_back(item);
            raw.push_back(item);
        }
        store::SetSelection(app, raw);
        connect->FolderSelectionChange();
    }
    void Select(const std::string& relative) { Select(std::vector<std::shared_ptr<store::Message>>{Load(relative)}); }
    // The identity gives the message its EntryID: the add-in keeps what it read of the same item.
    void SelectBytes(const std::string& bytes, const std::string& identity = "test")
    {
        std::string error;
        auto message = store::LoadMessageBytes(bytes, identity, error);
        ASSERT_TRUE(message) << error;
        Select(std::vector<std::shared_ptr<store::Message>>{message});
    }

    // Pumps until the add-in's timer has stopped.
    bool Settle() { return testing_support::PumpUntil([] { return CConnect::GetTimerId() == 0; }, 20000); }

    static COfficeRibbonControl* Ctl(int id)
    {
        COutlookRibbon* ribbon = COutlookCommandBars::Instance().GetRibbon();
        return ribbon ? dynamic_cast<COfficeRibbonControl*>(ribbon->GetControl(id)) : nullptr;
    }
    static std::string Label(int id) { return Str(Ctl(id)->GetLabel(), true); }
    static std::string ToolTip(int id) { return Str(Ctl(id)->GetToolTip(), true); }
    static std::string SuperTip(int id) { return Str(Ctl(id)->GetSuperTip(), true); }
    static bool Enabled(int id) { return Ctl(id)->IsEnabled(); }
    static bool Visible(int id) { return Ctl(id)->IsVisible(); }
    static int Image(int id) { return dynamic_cast<COfficeRibbonButton*>(Ctl(id))->GetImageId(); }

    LoopbackServer linkServer;
    CComPtr<Outlook::_Application> app;
    CComPtr<CComObject<CConnect>> connect;
    RecordingRibbonUI ribbonUI;
    bool connected = false;
};

} // namespace connect_test
