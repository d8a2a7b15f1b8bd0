// The controller end to end: from a new selection to all requests complete (header servers located by a
// provider twin, link targets fetched, every server located), for a message of many hops and many links,
// and the cost of one full ribbon refresh: every callback of every control once, by name through the
// dispatch interface as Office calls them. Everything answers from one loopback server that every host
// name and connection is mapped to.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Utils/SettingsManager.h"
#include "__Controls/OfficeRibbon.h"
#include "addin/CommandBars.h"
#include "addin/Connect.h"
#include "geo/GeoLocationManager.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "host/store/Message.h"
#include "pal/host.h"
#include "pal/loop.h"
#include "support/LoopbackServer.h"
#include "support/ProviderSettings.h"

namespace {

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

constexpr int HOPS = 60;
constexpr int LINK_HOSTS = 40;
constexpr int LINKS_PER_HOST = 10;

HttpReply Answer(const HttpCall& c)
{
    HttpReply r;
    if (c.path.size() > 5 && c.path.compare(c.path.size() - 5, 5, "/xml/") == 0) {
        r.contentType = "application/xml";
        r.body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><city>Springfield</city><region>Region</region>"
                 "<country>US</country><country_name>United States</country_name><latitude>39.8</latitude>"
                 "<longitude>-89.6</longitude></root>";
    } else {
        r.contentType = "text/html";
        r.body = "<html><body>landing page</body></html>";
    }
    return r;
}

// Many Received fields with distinct public addresses, and an HTML body with many links over many hosts.
std::string Message(int variant)
{
    std::string m;
    for (int i = 0; i < HOPS; ++i)
        m += "Received: from relay" + std::to_string(i) + ".example ([" + std::to_string(20 + variant) + "." +
             std::to_string(i / 200 + 1) + "." + std::to_string(i % 200 + 1) + ".9]) by mx.example with ESMTP\r\n";
    m += "From: Sender <sender@example.org>\r\nTo: you@example.org\r\nSubject: bench " + std::to_string(variant) +
         "\r\nMessage-ID: <bench" + std::to_string(variant) +
         "@example.org>\r\nMIME-Version: 1.0\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body>";
    for (int h = 0; h < LINK_HOSTS; ++h)
        for (int l = 0; l < LINKS_PER_HOST; ++l)
            m += "<a href=\"http://host" + std::to_string(h) + ".example/page/" + std::to_string(l) + "?v=" +
                 std::to_string(variant) + "\">link</a>\r\n";
    return m + "</body></html>\r\n";
}

struct Setup {
    Setup() : server(Answer, "127.0.0.9")
    {
        char dir[] = "/tmp/vantora-bench-connect-XXXXXX";
        if (!mkdtemp(dir))
            std::abort();
        prefix = dir;
        pal::SetPrefixPath(prefix);
        setenv("VANTORA_CONNECT_TO", ("127.0.0.9:" + std::to_string(server.Port())).c_str(), 1);
        setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
        _AtlModule.DllRegisterServer();
        testing_support::SelectProvidersInSettings(std::vector<std::string>{"ipapi.co"});
        store::RegisterMapiModule();
        app.Attach(store::NewApplication(u"16.0.0.0"));
        CComObject<CConnect>* object = nullptr;
        if (FAILED(CComObject<CConnect>::CreateInstance(&object)))
            std::abort();
        connect = object;
        connect->OnConnection(app, AddInDesignerObjects::ext_cm_AfterStartup, nullptr, nullptr);
        BSTR xml = nullptr;
        connect->GetCustomUI(CComBSTR(u"Microsoft.Outlook.Explorer"), &xml);
        SysFreeString(xml);
        connect->OnLoadCB(&ribbonUI);
        for (int v = 0; v < 2; ++v) {
            std::string error;
            messages.push_back(store::LoadMessageBytes(Message(v), "bench" + std::to_string(v), error));
            if (!messages.back())
                std::abort();
        }
    }
    ~Setup()
    {
        connect->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, nullptr);
        connect.Release();
        app.Release();
        std::error_code ec;
        std::filesystem::remove_all(prefix, ec);
    }

    // A counting IRibbonUI: Office would call back for each invalidated control.
    struct RibbonUI final : Office::IRibbonUI {
        HRESULT QueryInterface(REFIID riid, void** ppv) override
        {
            *ppv = (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(Office::IRibbonUI))
                       ? static_cast<Office::IRibbonUI*>(this)
                       : nullptr;
            return *ppv ? S_OK : E_NOINTERFACE;
        }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
        HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
        {
            return E_NOTIMPL;
        }
        HRESULT Invalidate() override { return S_OK; }
        HRESULT InvalidateControl(BSTR) override
        {
            ++invalidations;
            return S_OK;
        }
        HRESULT InvalidateControlMso(BSTR) override { return E_NOTIMPL; }
        HRESULT ActivateTab(BSTR) override { return E_NOTIMPL; }
        HRESULT ActivateTabMso(BSTR) override { return E_NOTIMPL; }
        HRESULT ActivateTabQ(BSTR, BSTR) override { return E_NOTIMPL; }
        long invalidations = 0;
    };

    void Select(int variant)
    {
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(messages[size_t(variant)], app));
        store::SetSelection(app, {item.p});
        connect->FolderSelectionChange();
    }

    LoopbackServer server;
    std::string prefix;
    CComPtr<Outlook::_Application> app;
    CComPtr<CComObject<CConnect>> connect;
    RibbonUI ribbonUI;
    std::vector<std::shared_ptr<store::Message>> messages;
};

Setup& Shared()
{
    static Setup setup;
    return setup;
}

void BM_SelectionToAllRequestsComplete(benchmark::State& state)
{
    Setup& s = Shared();
    int variant = 0;
    size_t servers = 0;
    for (auto _ : state) {
        s.Select(variant);
        variant = 1 - variant;
        if (!pal::PumpUntil([] { return CConnect::GetTimerId() == 0; }, 120000))
            state.SkipWithError("requests still outstanding after 120 s");
        servers = s.connect->GetEmailData().GetEmailLinks().GetLinkServers().size();
    }
    state.counters["header_servers"] =
        double(s.connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved().size());
    state.counters["link_servers"] = double(servers);
}
BENCHMARK(BM_SelectionToAllRequestsComplete)->Unit(benchmark::kMillisecond)->Iterations(4);

// One refresh: each control asked for everything its XML declares, galleries for every item.
void BM_FullRibbonRefresh(benchmark::State& state)
{
    Setup& s = Shared();
    s.Select(0);
    pal::PumpUntil([] { return CConnect::GetTimerId() == 0; }, 120000);
    CComPtr<IDispatch> disp;
    s.connect->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp));
    std::map<std::u16string, DISPID> ids;
    for (const char16_t* name : {u"GetLabelCB", u"GetToolTipCB", u"GetSuperTipCB", u"GetIsVisibleCB", u"GetIsEnabledCB",
                                 u"GetImageCB", u"GetItemCountCB", u"GetItemWidthCB", u"GetItemHeightCB",
                                 u"GetItemImageCB", u"GetItemSuperTipCB", u"GetItemScreenTipCB"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &ids[name]);
    }
    struct Control final : Office::IRibbonControl {
        explicit Control(int id) : tag(COfficeControlBase::TagFromId(id)) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override
        {
            *ppv = (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
                    riid == __uuidof(Office::IRibbonControl))
                       ? static_cast<Office::IRibbonControl*>(this)
                       : nullptr;
            return *ppv ? S_OK : E_NOINTERFACE;
        }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
        HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
        {
            return E_NOTIMPL;
        }
        HRESULT get_Id(BSTR* id) override { return tag.CopyTo(id); }
        HRESULT get_Context(IDispatch** c) override { return *c = nullptr, S_OK; }
        HRESULT get_Tag(BSTR* t) override { return *t = nullptr, S_OK; }
        CComBSTR tag;
    };
    auto call = [&](DISPID id, Control& control, long index) {
        VARIANTARG args[2];
        UINT count = 1;
        args[0].vt = VT_DISPATCH;
        args[0].pdispVal = &control;
        if (index >= 0) {
            args[1] = args[0];
            args[0].vt = VT_I4;
            args[0].lVal = index;
            count = 2;
        }
        DISPPARAMS params = {args, nullptr, count, 0};
        CComVariant result;
        disp->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        return result.vt == VT_I4 ? result.lVal : 0;
    };
    std::vector<int> controls;
    for (int id = 1000; id <= 1087; ++id)
        if (COutlookCommandBars::Instance().GetRibbon()->GetControl(id))
            controls.push_back(id);
    size_t calls = 0;
    for (auto _ : state) {
        for (int id : controls) {
            Control control(id);
            for (const char16_t* name : {u"GetLabelCB", u"GetToolTipCB", u"GetSuperTipCB", u"GetIsVisibleCB",
                                         u"GetIsEnabledCB", u"GetImageCB"}) {
                call(ids[name], control, -1);
                ++calls;
            }
            if (id >= 1038 && id <= 1040) {
                long items = call(ids[u"GetItemCountCB"], control, -1);
                call(ids[u"GetItemWidthCB"], control, -1);
                call(ids[u"GetItemHeightCB"], control, -1);
                for (long i = 0; i < items; ++i) {
                    call(ids[u"GetItemImageCB"], control, i);
                    call(ids[u"GetItemSuperTipCB"], control, i);
                    call(ids[u"GetItemScreenTipCB"], control, i);
                }
                calls += 3 + 3 * size_t(items);
            }
        }
    }
    state.counters["callbacks"] = double(calls) / double(state.iterations());
}
BENCHMARK(BM_FullRibbonRefresh)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
