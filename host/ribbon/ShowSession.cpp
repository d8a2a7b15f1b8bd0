// The sequence of calls Outlook makes on an add-in that shows a ribbon in the Explorer and Read windows.
#include "host/ribbon/ShowSession.h"

#include <algorithm>

#include "host/store/MailItem.h"
#include "host/text/Utf.h"
#include "host/ui/Loop.h"
#include "pal/com_object.h"

namespace ribbon {

namespace {

std::string Hex(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08X", unsigned(hr));
    return buf;
}

// The custom array Outlook passes: an empty one.
struct CustomArray {
    CustomArray() : array(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
    ~CustomArray()
    {
        if (array)
            SafeArrayDestroy(array);
    }
    SAFEARRAY* array;
};

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char kReadRibbon[] = "Microsoft.Outlook.Mail.Read";

// The one IRibbonUI of all Read windows: an invalidation reaches the controls of every open one, and each
// window asks its own again, with itself as the context.
class CReadRibbonUI final : public pal::ComObject<pal::ComEntry<Office::IRibbonUI, IDispatch>> {
public:
    void Add(RibbonHost* host) { m_hosts.push_back(host); }
    void Remove(RibbonHost* host) { m_hosts.erase(std::remove(m_hosts.begin(), m_hosts.end(), host), m_hosts.end()); }

    HRESULT GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT Invalidate() override
    {
        for (RibbonHost* host : m_hosts)
            host->InvalidateAll();
        return S_OK;
    }
    HRESULT InvalidateControl(BSTR id) override
    {
        if (!id)
            return E_INVALIDARG;
        // With no Read window open, nothing shows the control: Office accepts it all the same.
        bool known = m_hosts.empty();
        for (RibbonHost* host : m_hosts)
            known = host->Invalidate(host::Utf8(id)) || known;
        return known ? S_OK : E_INVALIDARG;
    }
    HRESULT InvalidateControlMso(BSTR) override { return E_NOTIMPL; }
    HRESULT ActivateTab(BSTR) override { return E_NOTIMPL; }
    HRESULT ActivateTabMso(BSTR) override { return E_NOTIMPL; }
    HRESULT ActivateTabQ(BSTR, BSTR) override { return E_NOTIMPL; }

private:
    std::vector<RibbonHost*> m_hosts; // the session removes each window's host before destroying it
};

} // namespace

ShowSession::ShowSession(IUnknown* addin, Outlook::_Application* application) : m_addin(addin), m_application(application)
{
}

ShowSession::~ShowSession()
{
    if (m_connected)
        Disconnect();
}

bool ShowSession::Connect(std::string& error, std::string& warnings)
{
    if (FAILED(m_addin->QueryInterface(__uuidof(AddInDesignerObjects::_IDTExtensibility2),
                                       reinterpret_cast<void**>(&m_extensibility))) || !m_extensibility) {
        error = "the add-in does not implement _IDTExtensibility2";
        return false;
    }
    CComPtr<IDispatch> application, instance, callbacks;
    m_application->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&application));
    m_addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&instance));
    CustomArray custom;
    HRESULT hr = m_extensibility->OnConnection(application, AddInDesignerObjects::ext_cm_Startup, instance,
                                               &custom.array);
    if (FAILED(hr)) {
        error = "OnConnection failed: " + Hex(hr);
        m_extensibility.Release();
        return false;
    }
    m_connected = true;
    if (hr != S_OK)
        warnings += "OnConnection reported a failure (" + Hex(hr) + "); see the add-in's error log\n";

    CComPtr<Office::IRibbonExtensibility> extensibility;
    if (FAILED(m_addin->QueryInterface(__uuidof(Office::IRibbonExtensibility), reinterpret_cast<void**>(&extensibility))) ||
        !extensibility) {
        error = "the add-in does not implement IRibbonExtensibility";
        return false;
    }
    CComBSTR id(W("Microsoft.Outlook.Explorer"));
    BSTR xml = nullptr;
    hr = extensibility->GetCustomUI(id, &xml);
    std::string customUI = xml ? host::Utf8(xml) : std::string();
    SysFreeString(xml);
    if (FAILED(hr)) {
        error = "GetCustomUI failed: " + Hex(hr);
        return false;
    }
    if (FAILED(m_addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&callbacks))) || !callbacks) {
        error = "the add-in has no dispatch interface for its ribbon callbacks";
        return false;
    }
    CComPtr<Outlook::_Explorer> explorer;
    m_application->ActiveExplorer(&explorer);
    CComPtr<IDispatch> context;
    if (explorer)
        explorer->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&context));
    m_host = std::make_unique<RibbonHost>(callbacks, context);
    if (!m_host->Load(customUI, error))
        return false;
    hr = m_host->CallOnLoad();
    if (FAILED(hr))
        warnings += "the onLoad callback " + m_host->Model().onLoad + " failed: " + Hex(hr) + "\n";
    m_host->Refresh();
    return true;
}

CComPtr<IDispatch> ShowSession::LoadItem(const std::string& path, std::string& error)
{
    CComPtr<IDispatch> item;
    if (!m_host) {
        error = "the add-in is not connected";
        return item;
    }
    std::shared_ptr<store::Message> message = store::LoadMessageFile(path, error);
    if (message)
        item.Attach(store::NewItem(message, m_application));
    return item;
}

bool ShowSession::Show(const std::string& path, const ShowOptions& options, ShownMessage& shown, std::string& error)
{
    CComPtr<IDispatch> item = LoadItem(path, error);
    if (!item)
        return false;
    ActivateExplorer();
    store::SetSelection(m_application, {item});
    m_explorerFile = path;
    store::FireSelectionChange(m_application);

    shown = ShownMessage();
    shown.file = path;
    Finish(*m_host, path, options, shown);
    return true;
}

bool ShowSession::Open(const std::string& path, const ShowOptions& options, ShownMessage& shown, std::string& error)
{
    CComPtr<IDispatch> item = LoadItem(path, error);
    if (!item)
        return false;
    ReadWindow window;
    window.file = path;
    window.inspector.Attach(store::OpenInspector(m_application, item));
    CComPtr<IDispatch> context;
    window.inspector->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&context));
    CComPtr<IDispatch> callbacks;
    m_addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&callbacks));
    window.host = std::make_unique<RibbonHost>(callbacks, context);
    bool first = !m_readUI;
    if (first) {
        // The first Read window of the run: Office asks for the Read ribbon's XML and loads it.
        CComPtr<Office::IRibbonExtensibility> extensibility;
        m_addin->QueryInterface(__uuidof(Office::IRibbonExtensibility), reinterpret_cast<void**>(&extensibility));
        BSTR xml = nullptr;
        CComBSTR id(host::Wide(kReadRibbon).c_str());
        HRESULT hr = extensibility ? extensibility->GetCustomUI(id, &xml) : E_NOINTERFACE;
        m_readCustomUI = xml ? host::Utf8(xml) : std::string();
        SysFreeString(xml);
        if (FAILED(hr)) {
            store::CloseInspector(m_application, window.inspector);
            error = std::string("GetCustomUI(\"") + kReadRibbon + "\") failed: " + Hex(hr);
            return false;
        }
        m_readUI.Attach(new CReadRibbonUI());
    }
    if (!window.host->Load(m_readCustomUI, error)) {
        store::CloseInspector(m_application, window.inspector);
        return false;
    }
    static_cast<CReadRibbonUI*>(m_readUI.p)->Add(window.host.get());
    RibbonHost* host = window.host.get();
    m_readWindows.push_back(std::move(window));
    if (first && !host->Model().onLoad.empty()) {
        CallbackCaller caller(callbacks);
        VARIANT ui;
        VariantInit(&ui);
        ui.vt = VT_DISPATCH;
        ui.pdispVal = m_readUI;
        VARIANT result;
        HRESULT hr = caller.Call(host->Model().onLoad, {ui}, &result);
        VariantClear(&result);
        if (FAILED(hr) && options.errors)
            std::fprintf(options.errors, "vantora show: the Read window's onLoad callback %s failed: %s\n",
                         host->Model().onLoad.c_str(), Hex(hr).c_str());
    }
    // The window appears, asking its controls, and comes to the front.
    host->Refresh();
    m_readInFront = true;
    store::ActivateInspector(m_application, m_readWindows.back().inspector);

    shown = ShownMessage();
    shown.file = path;
    shown.window = "read " + std::to_string(m_readWindows.size());
    Finish(*host, path, options, shown);
    return true;
}

bool ShowSession::CloseReadWindow(const ShowOptions& options, std::string& error)
{
    if (m_readWindows.empty()) {
        error = "no Read window is open";
        return false;
    }
    bool inFront = m_readInFront;
    ReadWindow window = std::move(m_readWindows.back());
    m_readWindows.pop_back();
    store::CloseInspector(m_application, window.inspector);
    static_cast<CReadRibbonUI*>(m_readUI.p)->Remove(window.host.get());
    window.host.reset();
    // Outlook brings the next window to the front: the Read window opened before, or the Explorer.
    if (inFront && !m_readWindows.empty())
        store::ActivateInspector(m_application, m_readWindows.back().inspector);
    else if (inFront)
        ActivateExplorer();
    ShownMessage ignored;
    Settle(window.file, options, ignored);
    return true;
}

void ShowSession::ActivateExplorer()
{
    if (!m_readInFront)
        return;
    m_readInFront = false;
    store::ActivateExplorer(m_application);
}

void ShowSession::Finish(RibbonHost& host, const std::string& path, const ShowOptions& options, ShownMessage& shown)
{
    shown.waitSeconds = options.waitMs / 1000.0;
    Settle(path, options, shown);
    for (const std::string& press : options.presses) {
        std::string refused;
        if (FAILED(host.Press(press, refused)) && options.errors)
            std::fprintf(options.errors, "vantora show: %s: %s\n", BaseName(path).c_str(), refused.c_str());
        Settle(path, options, shown);
    }
    shown.ribbon = host.Model();
    if (options.all) {
        // The tab's three scrolling groups and their scroll-down buttons.
        static const long kScrolling[][2] = {{1001, 1025}, {1027, 1035}, {1037, 1063}};
        for (const auto& group : kScrolling)
            PageThrough(host, path, options, group[0], group[1], shown);
    }
    shown.otherWindows.clear();
    if (m_readWindows.empty())
        return;
    if (&host != m_host.get())
        shown.otherWindows.push_back({"explorer", m_explorerFile, m_host->Model()});
    for (size_t i = 0; i < m_readWindows.size(); ++i)
        if (m_readWindows[i].host.get() != &host)
            shown.otherWindows.push_back(
                {"read " + std::to_string(i + 1), m_readWindows[i].file, m_readWindows[i].host->Model()});
}

void ShowSession::PageThrough(RibbonHost& host, const std::string& path, const ShowOptions& options,
                              long groupNumber, long downNumber, ShownMessage& shown)
{
    const std::string tag = "_Office_Addin_Ctrl_Tag_";
    // A bound far above any list the add-in keeps, so that a button that never disables cannot loop forever.
    constexpr int MAX_PAGES = 100000;
    for (int page = 2; page <= MAX_PAGES; ++page) {
        Ribbon model = host.Model();
        Control* group = FindControl(model, tag + std::to_string(groupNumber));
        Control* down = FindControl(model, tag + std::to_string(downNumber));
        if (!group || !group->visible || !down || !down->visible || !down->enabled)
            return;
        std::string refused;
        if (FAILED(host.Press(std::to_string(downNumber), refused))) {
            if (options.errors)
                std::fprintf(options.errors, "vantora show: %s: %s\n", BaseName(path).c_str(), refused.c_str());
            return;
        }
        Settle(path, options, shown);
        Ribbon after = host.Model();
        if (Control* shownGroup = FindControl(after, tag + std::to_string(groupNumber)))
            shown.pages.push_back({page, *shownGroup});
    }
}

void ShowSession::Settle(const std::string& path, const ShowOptions& options, ShownMessage& shown)
{
    ULONGLONG deadline = GetTickCount64() + options.waitMs;
    bool showedProgress = false;
    for (;;) {
        RefreshAll();
        if (host::LiveTimerCount() == 0)
            break;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            shown.complete = false;
            break;
        }
        if (options.progress) {
            std::fprintf(options.progress, "\r%s: waiting for the add-in's requests, %llu s left ",
                         BaseName(path).c_str(), (unsigned long long)((deadline - now + 999) / 1000));
            std::fflush(options.progress);
            showedProgress = true;
        }
        // Back as soon as a control is invalidated, so that the ribbon follows the add-in as Office's does.
        host::PumpUntil([this] { return host::LiveTimerCount() == 0 || AnyDirty(); },
                       DWORD(std::min<ULONGLONG>(deadline - now, 250)));
    }
    // Once the ribbon stands a person opens its galleries: their items are asked only then.
    if (m_host)
        m_host->OpenGalleries();
    for (ReadWindow& window : m_readWindows)
        window.host->OpenGalleries();
    if (showedProgress) {
        std::fputs("\r\033[K", options.progress);
        std::fflush(options.progress);
    }
}

void ShowSession::SettleModal(ULONGLONG deadline)
{
    host::PumpFor(0);
    for (;;) {
        RefreshAll();
        if (host::LiveTimerCount() == 0)
            return;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return;
        host::PumpUntil([this] { return host::LiveTimerCount() == 0 || AnyDirty(); },
                       DWORD(std::min<ULONGLONG>(deadline - now, 250)));
    }
}

void ShowSession::RefreshAll()
{
    // Every open window draws its ribbon; each asks only what its own ribbon had invalidated.
    if (m_host)
        m_host->Refresh();
    for (ReadWindow& window : m_readWindows)
        window.host->Refresh();
}

bool ShowSession::AnyDirty() const
{
    if (m_host && m_host->AnyDirty())
        return true;
    for (const ReadWindow& window : m_readWindows)
        if (window.host->AnyDirty())
            return true;
    return false;
}

HRESULT ShowSession::Disconnect()
{
    // Outlook closes its Read windows before it disconnects the add-in.
    ShowOptions quick;
    quick.waitMs = 0;
    quick.errors = nullptr;
    std::string ignored;
    while (!m_readWindows.empty())
        CloseReadWindow(quick, ignored);
    store::SetSelection(m_application, {});
    HRESULT hr = S_OK;
    if (m_connected && m_extensibility) {
        CustomArray custom;
        hr = m_extensibility->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, &custom.array);
    }
    m_connected = false;
    m_host.reset();
    m_readUI.Release();
    m_extensibility.Release();
    return hr;
}

} // namespace ribbon
