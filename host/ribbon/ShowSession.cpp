// The sequence of calls Outlook makes on an add-in that shows a ribbon in the Explorer.
#include "host/ribbon/ShowSession.h"

#include <algorithm>

#include "host/store/MailItem.h"
#include "pal/host.h"
#include "pal/loop.h"

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
    std::string customUI = xml ? pal::ToUtf8(xml) : std::string();
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

bool ShowSession::Show(const std::string& path, const ShowOptions& options, ShownMessage& shown, std::string& error)
{
    if (!m_host) {
        error = "the add-in is not connected";
        return false;
    }
    std::shared_ptr<store::Message> message = store::LoadMessageFile(path, error);
    if (!message)
        return false;
    {
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(message, m_application));
        store::SetSelection(m_application, {item});
    }
    store::FireSelectionChange(m_application);

    shown = ShownMessage();
    shown.file = path;
    shown.waitSeconds = options.waitMs / 1000.0;
    Settle(path, options, shown);
    for (const std::string& press : options.presses) {
        std::string refused;
        if (FAILED(m_host->Press(press, refused)) && options.errors)
            std::fprintf(options.errors, "vantora show: %s: %s\n", BaseName(path).c_str(), refused.c_str());
        Settle(path, options, shown);
    }
    shown.ribbon = m_host->Model();
    if (options.all) {
        // The tab's three scrolling groups and their scroll-down buttons.
        static const long kScrolling[][2] = {{1001, 1025}, {1027, 1035}, {1037, 1063}};
        for (const auto& group : kScrolling)
            PageThrough(path, options, group[0], group[1], shown);
    }
    return true;
}

void ShowSession::PageThrough(const std::string& path, const ShowOptions& options, long groupNumber,
                              long downNumber, ShownMessage& shown)
{
    const std::string tag = "_Office_Addin_Ctrl_Tag_";
    // A bound far above any list the add-in keeps, so that a button that never disables cannot loop forever.
    constexpr int MAX_PAGES = 100000;
    for (int page = 2; page <= MAX_PAGES; ++page) {
        Ribbon model = m_host->Model();
        Control* group = FindControl(model, tag + std::to_string(groupNumber));
        Control* down = FindControl(model, tag + std::to_string(downNumber));
        if (!group || !group->visible || !down || !down->visible || !down->enabled)
            return;
        std::string refused;
        if (FAILED(m_host->Press(std::to_string(downNumber), refused))) {
            if (options.errors)
                std::fprintf(options.errors, "vantora show: %s: %s\n", BaseName(path).c_str(), refused.c_str());
            return;
        }
        Settle(path, options, shown);
        Ribbon after = m_host->Model();
        if (Control* shownGroup = FindControl(after, tag + std::to_string(groupNumber)))
            shown.pages.push_back({page, *shownGroup});
    }
}

void ShowSession::Settle(const std::string& path, const ShowOptions& options, ShownMessage& shown)
{
    ULONGLONG deadline = GetTickCount64() + options.waitMs;
    bool showedProgress = false;
    for (;;) {
        m_host->Refresh();
        if (pal::ActiveTimerCount() == 0)
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
        pal::PumpUntil([this] { return pal::ActiveTimerCount() == 0 || m_host->AnyDirty(); },
                       DWORD(std::min<ULONGLONG>(deadline - now, 250)));
    }
    if (showedProgress) {
        std::fputs("\r\033[K", options.progress);
        std::fflush(options.progress);
    }
}

void ShowSession::SettleModal(ULONGLONG deadline)
{
    pal::PumpFor(0);
    for (;;) {
        if (m_host)
            m_host->Refresh();
        if (pal::ActiveTimerCount() == 0)
            return;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return;
        pal::PumpUntil([this] { return pal::ActiveTimerCount() == 0 || (m_host && m_host->AnyDirty()); },
                       DWORD(std::min<ULONGLONG>(deadline - now, 250)));
    }
}

HRESULT ShowSession::Disconnect()
{
    store::SetSelection(m_application, {});
    HRESULT hr = S_OK;
    if (m_connected && m_extensibility) {
        CustomArray custom;
        hr = m_extensibility->OnDisconnection(AddInDesignerObjects::ext_dm_HostShutdown, &custom.array);
    }
    m_connected = false;
    m_host.reset();
    m_extensibility.Release();
    return hr;
}

} // namespace ribbon
