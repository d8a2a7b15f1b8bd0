// The controller end to end: from a new selection to all requests complete (header servers located by a
// provider twin, link targets fetched, every server located), for a message of many hops and many links,
// and the cost of one full ribbon refresh: every callback of every control once, by name through the
// dispatch interface as Office calls them. Everything answers from one loopback server that every host
// name and connection is mapped to. The user-interface thread's own processor time (the resolver's and
// libcurl's threads aside) is read from the thread's clock.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Many Received fields with distinct public addresses, and an HTML body with many links over many hosts.
std::string Message(int variant, int hops = HOPS, int linkHosts = LINK_HOSTS, int linksPerHost = LINKS_PER_HOST,
                    const std::string& hostPrefix = "host")
{
    std::string m;
    for (int i = 0; i < hops; ++i)
        m += "Received: from relay" + std::to_string(i) + ".example ([" + std::to_string(20 + variant) + "." +
             std::to_string(i / 200 + 1) + "." + std::to_string(i % 200 + 1) + ".9]) by mx.example with ESMTP\r\n";
    m += "From: Sender <sender@example.org>\r\nTo: you@example.org\r\nSubject: bench " + std::to_string(variant) +
         "\r\nMessage-ID: <bench" + std::to_string(variant) +
         "@example.org>\r\nMIME-Version: 1.0\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body>";
    for (int h = 0; h < linkHosts; ++h)
        for (int l = 0; l < linksPerHost; ++l)
            m += "<a href=\"http://" + hostPrefix + std::to_string(h) + ".example/page/" + std::to_string(l) +
                 "?v=" + std::to_string(variant) + "\">link</a>\r\n";
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

    void Select(int variant) { Select(messages[size_t(variant)]); }
    void Select(const std::shared_ptr<store::Message>& message)
    {
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(message, app));
        store::SetSelection(app, {item.p});
        connect->FolderSelectionChange();
    }

    LoopbackServer server;
    std::string prefix;
    CComPtr<Outlook::_Application> app;
    CComPtr<CComObject<CConnect>> connect;
    RibbonUI ribbonUI;
    std::vector<std::shared_ptr<store::Message>> messages;

    std::shared_ptr<store::Message> Load(const std::string& bytes, const std::string& name)
    {
        std::string error;
        auto message = store::LoadMessageBytes(bytes, name, error);
        if (!message)
            std::abort();
        return message;
    }

    // Requests of the selected message: the header servers' and link servers' location requests and
    // the links' data requests.
    size_t RequestCount()
    {
        CEmailData& data = connect->GetEmailData();
        size_t count = 0;
        for (const auto& ip : data.GetEmailIPLocation().GetIPLocationNoReserved())
            count += ip.locationInfo.size();
        for (const auto& server : data.GetEmailLinks().GetLinkServers())
            count += server.locationInfo.size() + server.links.size();
        return count;
    }

    bool AllAnswered()
    {
        CEmailData& data = connect->GetEmailData();
        return data.GetEmailIPLocation().AreRequestsComplete() && data.GetEmailLinks().AreRequestsComplete();
    }
};

Setup& Shared()
{
    static Setup setup;
    return setup;
}

// The polling timer's interval: the add-in sees an answer at the first tick after it arrives.
constexpr double TICK_MS = 200;

// Selection to the polling timer's end. The floor is the first tick that can see the last answer; the
// time past it is what the add-in itself adds.
void BM_SelectionToAllRequestsComplete(benchmark::State& state)
{
    Setup& s = Shared();
    int variant = 0;
    size_t servers = 0, requests = 0;
    double cpuMs = 0, overFloorMs = 0, worstOverFloorMs = 0;
    for (auto _ : state) {
        double cpu0 = ThreadCpuMs(), t0 = NowMs(), answered = -1;
        s.Select(variant);
        variant = 1 - variant;
        if (!pal::PumpUntil(
                [&] {
                    if (answered < 0 && s.AllAnswered())
                        answered = NowMs();
                    return CConnect::GetTimerId() == 0;
                },
                120000))
            state.SkipWithError("requests still outstanding after 120 s");
        double stop = NowMs();
        cpuMs += ThreadCpuMs() - cpu0;
        if (answered < 0)
            answered = stop;
        double floor = t0 + std::ceil((answered - t0) / TICK_MS) * TICK_MS;
        overFloorMs += std::max(0.0, stop - floor);
        worstOverFloorMs = std::max(worstOverFloorMs, stop - floor);
        servers = s.connect->GetEmailData().GetEmailLinks().GetLinkServers().size();
        requests = s.RequestCount();
    }
    double n = double(state.iterations());
    state.counters["header_servers"] =
        double(s.connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved().size());
    state.counters["link_servers"] = double(servers);
    state.counters["requests"] = double(requests);
    state.counters["ui_cpu_ms"] = cpuMs / n;
    state.counters["ui_cpu_ms_per_request"] = requests ? cpuMs / n / double(requests) : 0;
    state.counters["over_floor_ms"] = overFloorMs / n;
    state.counters["worst_over_floor_ms"] = worstOverFloorMs;
}
BENCHMARK(BM_SelectionToAllRequestsComplete)->Unit(benchmark::kMillisecond)->Iterations(4);

// 100 links to one host whose resolver answers after 2 s (the layer's test delay): the longest time
// between two rounds of the loop from the selection to the end of the requests.
void BM_SlowResolverStalls(benchmark::State& state)
{
    Setup& s = Shared();
    int round = 0;
    double worstGapMs = 0, totalMs = 0;
    for (auto _ : state) {
        auto message = s.Load(Message(100 + round, 1, 1, 100, "slow" + std::to_string(round) + "-"),
                              "slow" + std::to_string(round));
        ++round;
        setenv("VANTORA_RESOLVE_DELAY_MS", "2000", 1);
        double t0 = NowMs(), last = t0;
        s.Select(message);
        double gap = NowMs() - last; // the selection itself is one round
        worstGapMs = std::max(worstGapMs, gap);
        last = NowMs();
        if (!pal::PumpUntil(
                [&] {
                    double now = NowMs();
                    worstGapMs = std::max(worstGapMs, now - last);
                    last = now;
                    return CConnect::GetTimerId() == 0;
                },
                120000))
            state.SkipWithError("requests still outstanding after 120 s");
        totalMs += NowMs() - t0;
        unsetenv("VANTORA_RESOLVE_DELAY_MS");
    }
    state.counters["links"] = 100;
    state.counters["worst_loop_gap_ms"] = worstGapMs;
    state.counters["selection_to_complete_ms"] = totalMs / double(state.iterations());
}
BENCHMARK(BM_SlowResolverStalls)->Unit(benchmark::kMillisecond)->Iterations(1);

// 8,000 link hosts, one link each: the user-interface thread's processor time for the selection (links
// collected, servers made, their requests queued), then for the requests' first 10 s, and per request
// until all are complete.
void BM_ManyLinkHosts(benchmark::State& state)
{
    Setup& s = Shared();
    constexpr int HOSTS = 8000;
    int round = 0;
    double selectCpuMs = 0, pumpCpuMs = 0, completeCpuMs = 0, linksCpuMs = 0;
    size_t servers = 0, requests = 0;
    for (auto _ : state) {
        auto message = s.Load(Message(200 + round, 1, HOSTS, 1, "many" + std::to_string(round) + "-"),
                              "many" + std::to_string(round));
        ++round;
        double cpu0 = ThreadCpuMs();
        s.Select(message);
        double cpu1 = ThreadCpuMs();
        selectCpuMs += cpu1 - cpu0;
        pal::PumpUntil([] { return CConnect::GetTimerId() == 0; }, 10000);
        double cpu10 = ThreadCpuMs();
        pumpCpuMs += cpu10 - cpu1;
        if (!pal::PumpUntil([] { return CConnect::GetTimerId() == 0; }, 300000))
            state.SkipWithError("requests still outstanding after 300 s");
        completeCpuMs += ThreadCpuMs() - cpu1;
        servers = s.connect->GetEmailData().GetEmailLinks().GetLinkServers().size();
        requests = s.RequestCount();
        s.Select(0);
        pal::PumpUntil([] { return CConnect::GetTimerId() == 0; }, 120000);

        // The link code alone on a body of as many hosts: collection, servers, requests queued.
        std::u16string body = u"<html><body>";
        for (int h = 0; h < HOSTS; ++h)
            body += u"<a href=\"http://alone" + pal::ToWide(std::to_string(round) + "-" + std::to_string(h)) +
                    u".example/page/0\">link</a>\r\n";
        body += u"</body></html>";
        CEmailLinks links;
        double cpu2 = ThreadCpuMs();
        links.SetEmailItem(body.c_str());
        linksCpuMs += ThreadCpuMs() - cpu2;
        links.Clear();
    }
    double n = double(state.iterations());
    state.counters["links_alone_ui_cpu_ms"] = linksCpuMs / n;
    state.counters["link_servers"] = double(servers);
    state.counters["selection_ui_cpu_ms"] = selectCpuMs / n;
    state.counters["first_10s_ui_cpu_ms"] = pumpCpuMs / n;
    state.counters["requests"] = double(requests);
    state.counters["ui_cpu_ms_per_request"] = requests ? completeCpuMs / n / double(requests) : 0;
}
BENCHMARK(BM_ManyLinkHosts)->Unit(benchmark::kMillisecond)->Iterations(1);

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
