// The controller's life with Outlook: connection, the ribbon's XML and loading, the selection pipeline
// and the polling timer.
#include "addin/Connect.h"

#include <atomic>

#include <shlwapi.h>

#include "Utils/SettingsManager.h"
#include "__Controls/OfficeRibbon.h"
#include "__Utilities/ErrorLog.h"
#include "__Utilities/ResourceManager.h"
#include "addin/CommandBars.h"
#include "addin/ReadWindowSink.h"
#include "addin/RibbonIds.h"
#include "addin/ScreenText.h"
#include "geo/GeoLocationManager.h"

const GUID LIBID_AddInDesignerObjects = {0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};
const GUID LIBID_Office = {0x2DF8D04C, 0x5BFA, 0x101B, {0xBD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0xDE, 0x52}};
const IID DIID_ExplorerEvents_10 = {0x0006300F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DIID_InspectorsEvents = {0x00063079, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID__IDTExtensibility2 = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
const IID IID_IRibbonExtensibility = {0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

OBJECT_ENTRY_AUTO(CLSID_Connect, CConnect)

CConnect* g_pConnect = nullptr;
UINT_PTR g_timerId = 0;
int g_animationFrame = 0;

namespace {

constexpr UINT TIMER_INTERVAL = 200; // milliseconds
constexpr UINT DEFERRED_INTERVAL = 50; // milliseconds, while a dialog or a tick holds a new selection back
constexpr DWORD NO_EVENT_COOKIE = 0xFEFEFEFE;

const WCHAR EXPLORER_RIBBON[] = W("Microsoft.Outlook.Explorer");
const WCHAR READ_RIBBON[] = W("Microsoft.Outlook.Mail.Read");

DWORD g_lastTick = 0;
std::atomic<LONG> g_timerReentrance{0};
int g_contentTick = 0;
bool g_helpFileTested = false;

// The host strings of the error log; they outlive every connection.
WCHAR g_hostName[25] = W("Outlook");
WCHAR g_keyName[25] = W("VantoraAddin");
WCHAR g_moduleName[25] = W("VantoraAddin");
WCHAR g_hostVersion[100] = W("");

void CopyText(WCHAR* target, size_t capacity, const WCHAR* text)
{
    size_t i = 0;
    for (; text && text[i] && i + 1 < capacity; ++i)
        target[i] = text[i];
    target[i] = 0;
}

} // namespace

_ATL_FUNC_INFO CConnect::fiSelectionChange = {CC_STDCALL, VT_EMPTY, 0, {}};
_ATL_FUNC_INFO CConnect::fiNewInspector = {CC_STDCALL, VT_EMPTY, 1, {VT_DISPATCH}};

CConnect::CConnect()
{
    m_widths[IDS_ORIGINAL_URL] = 0;
    m_widths[IDS_REDIRECT_URL] = 0;
    m_connectMode = 1;
    g_animationFrame = 0;
    g_timerId = 0;
    g_pConnect = this;
    try {
        initFontInfo();
    }
    VTR_CATCH_LOG
}

CConnect::~CConnect()
{
    if (g_pConnect == this) {
        stopTimer();
        stopDeferredProcessing();
        g_pConnect = nullptr;
    }
}

UINT_PTR CConnect::GetTimerId() noexcept
{
    return g_timerId;
}

void CConnect::initFontInfo()
{
    CResourceManager& resources = CResourceManager::Instance();
    CScreenText screen(resources.GetUIFont(false));
    RECT rc = screen.Measure(W("Test"));
    m_textHeight[0] = rc.bottom - rc.top;
    screen.Select(resources.GetUIFont(true));
    rc = screen.Measure(W("Test"));
    m_textHeight[1] = rc.bottom - rc.top;
    for (int id : {IDS_ORIGINAL_URL, IDS_REDIRECT_URL}) {
        CComBSTR label = resources.GetText(id);
        WString text = label.Length() ? WString(label.m_str, label.Length()) : WString();
        m_widths[id] = screen.Width(text + W(": "));
    }
}

HRESULT CConnect::InterfaceSupportsErrorInfo(REFIID riid)
{
    static const IID* const arr[] = {&IID_IConnect, &IID_IRibbonCallback, &IID__IDTExtensibility2,
                                     &IID_IRibbonExtensibility};
    for (const IID* iid : arr)
        if (InlineIsEqualGUID(*iid, riid))
            return S_OK;
    return S_FALSE;
}

HRESULT CConnect::OnConnection(IDispatch* pApplication, AddInDesignerObjects::ext_ConnectMode ConnectMode,
                               IDispatch* /*pAddInInst*/, SAFEARRAY** /*custom*/)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pApplication, E_UNEXPECTED);

        CComQIPtr<Outlook::_Application> spApplication(pApplication);
        CComBSTR version;
        if (spApplication)
            VTR_VERIFY_HR(spApplication->get_Version(&version));
        WString hostVersion(W("\nMicrosoft Outlook "));
        if (version.Length())
            hostVersion.append(version.m_str, version.Length());
        hostVersion += W(" (64 bit)");
        CopyText(g_hostVersion, sizeof(g_hostVersion) / sizeof(WCHAR), hostVersion.c_str());
        CErrorLog::SetHostStrings(g_hostName, g_keyName, g_moduleName, g_hostVersion);

        // A second connection replaces the first: its sinks go, and the message's records go before the
        // providers that own their requests are built anew.
        disconnectEvents();
        stopTimer();
        m_eMailData.Clear();
        m_pendingRibbonIds.clear();
        COutlookCommandBars::InitOnStartup();
        CGeoLocationManager::Instance().InitOnStartup();

        VTR_CHECK_QUOTED(spApplication, E_POINTER);
        CComPtr<Outlook::_Explorer> spExplorer;
        HRESULT hrExplorer = spApplication->ActiveExplorer(&spExplorer);
        VTR_VERIFY_HR(hrExplorer);
        if (spExplorer)
            VTR_VERIFY_HR(ExplorerSink::DispEventAdvise(spExplorer));
        else
            VTR_VERIFY_QUOTED(spExplorer, E_UNEXPECTED);
        // Read windows opened from now on; without their events the add-in would only follow the Explorer.
        CComPtr<Outlook::_Inspectors> spInspectors;
        HRESULT hrInspectors = spApplication->get_Inspectors(&spInspectors);
        VTR_VERIFY_HR(hrInspectors);
        if (spInspectors)
            VTR_VERIFY_HR(InspectorsSink::DispEventAdvise(spInspectors));

        m_spApplication = pApplication;
        m_spExplorer = spExplorer;
        m_spInspectors = spInspectors;
        m_connectMode = int(ConnectMode);
    } catch (...) {
        ::vantora_errors::HandleCurrentException(VTR_HERE);
        hr = S_FALSE;
    }
    return hr;
}

HRESULT CConnect::OnDisconnection(AddInDesignerObjects::ext_DisconnectMode /*RemoveMode*/, SAFEARRAY** /*custom*/)
{
    HRESULT hr = S_OK;
    try {
        stopTimer();
        stopDeferredProcessing();
        disconnectEvents();
        COutlookCommandBars::CleanUpOnClose();
        // The message's records refer to requests that the providers own: they go before the providers.
        m_eMailData.Clear();
        CGeoLocationManager::Instance().CleanUpOnClose();
        m_spApplication.Release();
        m_spExplorer.Release();
        m_spInspectors.Release();
        m_pendingRibbonIds.clear();
    } catch (...) {
        ::vantora_errors::HandleCurrentException(VTR_HERE);
        hr = S_FALSE;
    }
    return hr;
}

void CConnect::disconnectEvents()
{
    if (ExplorerSink::m_dwEventCookie != NO_EVENT_COOKIE) {
        if (m_spExplorer)
            VTR_VERIFY_HR(ExplorerSink::DispEventUnadvise(m_spExplorer));
        ExplorerSink::m_dwEventCookie = NO_EVENT_COOKIE;
    }
    if (InspectorsSink::m_dwEventCookie != NO_EVENT_COOKIE) {
        if (m_spInspectors)
            VTR_VERIFY_HR(InspectorsSink::DispEventUnadvise(m_spInspectors));
        InspectorsSink::m_dwEventCookie = NO_EVENT_COOKIE;
    }
    for (auto& pEvents : m_inspectors)
        VTR_VERIFY_HR(pEvents->Unadvise());
    m_inspectors.clear();
    m_closedInspectors.clear();
    m_spFollowedInspector.Release();
}

HRESULT CConnect::OnAddInsUpdate(SAFEARRAY**)
{
    return E_NOTIMPL;
}

HRESULT CConnect::OnStartupComplete(SAFEARRAY**)
{
    return E_NOTIMPL;
}

HRESULT CConnect::OnBeginShutdown(SAFEARRAY**)
{
    return E_NOTIMPL;
}

HRESULT CConnect::GetCustomUI(BSTR RibbonID, BSTR* pRibbonXml)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonXml, E_INVALIDARG);
        VTR_CHECK_QUOTED(*pRibbonXml == nullptr, E_INVALIDARG);
        COutlookRibbon* pRibbon = COutlookCommandBars::Instance().GetRibbon();
        VTR_CHECK_QUOTED(pRibbon, E_UNEXPECTED);
        if (!RibbonID)
            return S_OK;
        bool explorer = _wcsicmp(RibbonID, EXPLORER_RIBBON) == 0;
        if (!explorer && _wcsicmp(RibbonID, READ_RIBBON) != 0)
            return S_OK;
        CComBSTR xmlInfo(pRibbon->GetXML());
        VTR_CHECK(xmlInfo.Length() > 0, E_UNEXPECTED);
        // Office loads the XML it asked for next and hands over that ribbon's IRibbonUI in onLoad, which
        // does not say which ribbon it is.
        m_pendingRibbonIds.push_back(explorer ? EXPLORER_RIBBON : READ_RIBBON);
        *pRibbonXml = xmlInfo.Detach();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::OnLoadCB(IDispatch* pRibbon)
{
    HRESULT hr = S_OK;
    try {
        IDispatch* pRibonUI = pRibbon;
        VTR_CHECK_QUOTED(pRibonUI, E_INVALIDARG);
        COutlookRibbon* pOutlookRibbon = COutlookCommandBars::Instance().GetRibbon();
        VTR_CHECK_TEXT(pOutlookRibbon, "\"COutlookCommandBars::Instance().GetRibbon()\"", E_UNEXPECTED);
        CComQIPtr<Office::IRibbonUI> spRibbonUI(pRibonUI);
        VTR_CHECK_QUOTED(spRibbonUI, E_INVALIDARG);
        WString ribbonId = followedRibbonId();
        if (!m_pendingRibbonIds.empty()) {
            ribbonId = m_pendingRibbonIds.front();
            m_pendingRibbonIds.pop_front();
        }
        pOutlookRibbon->AddRibbonPtr(ribbonId.c_str(), spRibbonUI);
        // The followed window's ribbon has come: its message can be shown now.
        if (m_connectMode < 2 && _wcsicmp(ribbonId.c_str(), followedRibbonId()) == 0) {
            pOutlookRibbon->UseRibbon(ribbonId.c_str());
            ProcessWindow();
        }
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

void CConnect::FolderSelectionChange()
{
    // While a Read window is followed, the Explorer's tab keeps what it showed; its selection is shown
    // when the Explorer is activated again.
    if (!m_spFollowedInspector)
        ProcessWindow();
}

void CConnect::ExplorerActivate()
{
    try {
        followExplorer();
    }
    VTR_CATCH_LOG
}

void CConnect::NewInspector(IDispatch* pInspector)
{
    try {
        m_closedInspectors.clear();
        VTR_CHECK_QUOTED(pInspector, E_INVALIDARG);
        CComQIPtr<Outlook::_Inspector> spInspector(pInspector);
        VTR_CHECK_QUOTED(spInspector, E_NOINTERFACE);
        auto pEvents = std::make_unique<CReadWindowSink>(*this, spInspector);
        VTR_CHECK_HR(pEvents->Advise());
        m_inspectors.push_back(std::move(pEvents));
        // The window opens in front: it is followed from now on, even before its Activate.
        followInspector(spInspector);
    }
    VTR_CATCH_LOG
}

void CConnect::InspectorActivate(CReadWindowSink* pEvents)
{
    try {
        VTR_CHECK_QUOTED(pEvents, E_INVALIDARG);
        followInspector(pEvents->Inspector());
    }
    VTR_CATCH_LOG
}

void CConnect::InspectorClose(CReadWindowSink* pEvents)
{
    try {
        VTR_CHECK_QUOTED(pEvents, E_INVALIDARG);
        bool followed = pEvents->IsWindow(m_spFollowedInspector);
        for (auto it = m_inspectors.begin(); it != m_inspectors.end(); ++it) {
            if (it->get() != pEvents)
                continue;
            VTR_VERIFY_HR(pEvents->Unadvise());
            // The sink is inside its own call: it goes later.
            m_closedInspectors.push_back(std::move(*it));
            m_inspectors.erase(it);
            break;
        }
        // Outlook activates another window next; until it says which, the Explorer is followed.
        if (followed)
            followExplorer();
    }
    VTR_CATCH_LOG
}

const WCHAR* CConnect::followedRibbonId() const noexcept
{
    return m_spFollowedInspector ? READ_RIBBON : EXPLORER_RIBBON;
}

void CConnect::followExplorer()
{
    bool wasInspector = m_spFollowedInspector != nullptr;
    m_spFollowedInspector.Release();
    COfficeRibbon* pRibbon = ribbon();
    if (!pRibbon->UseRibbon(EXPLORER_RIBBON))
        return;
    if (wasInspector)
        ProcessWindow();
}

void CConnect::followInspector(Outlook::_Inspector* pInspector)
{
    VTR_CHECK_QUOTED(pInspector, E_INVALIDARG);
    m_spFollowedInspector = pInspector;
    // The first Read window's ribbon loads after the window opens; its onLoad shows the message.
    if (!ribbon()->UseRibbon(READ_RIBBON))
        return;
    ProcessWindow();
}

bool CConnect::isBusy() const noexcept
{
    return m_commandsRunning > 0 || g_timerReentrance > 0;
}

void CConnect::ProcessWindow()
{
    if (!isBusy()) {
        processWindowNow();
        return;
    }
    try {
        // One pending processing covers every change meanwhile: it reads the window as it is then.
        if (m_deferredTimerId == 0) {
            m_deferredTimerId = SetTimer(nullptr, 0, DEFERRED_INTERVAL, fnDeferredProc);
            VTR_VERIFY_WIN32(m_deferredTimerId != 0);
        }
    }
    VTR_CATCH_LOG
}

void CConnect::fnDeferredProc(HWND /*hwnd*/, UINT /*uMsg*/, UINT_PTR idEvent, DWORD /*dwTime*/)
{
    try {
        VTR_CHECK_QUOTED(g_pConnect, E_UNEXPECTED);
        CConnect& connect = *g_pConnect;
        VTR_CHECK_QUOTED(connect.m_deferredTimerId == idEvent, E_UNEXPECTED);
        if (connect.isBusy())
            return;
        connect.stopDeferredProcessing();
        connect.processWindowNow();
    }
    VTR_CATCH_LOG
}

void CConnect::stopDeferredProcessing()
{
    if (m_deferredTimerId != 0) {
        VTR_VERIFY_WIN32(KillTimer(nullptr, m_deferredTimerId));
        m_deferredTimerId = 0;
    }
}

void CConnect::processWindowNow()
{
    try {
        long count = 0;
        CComPtr<Outlook::_MailItem> spMailItem;
        HRESULT hr = S_OK;
        if (m_spFollowedInspector) {
            CComPtr<IDispatch> spDisp;
            hr = m_spFollowedInspector->get_CurrentItem(&spDisp);
            VTR_CHECK_TEXT(SUCCEEDED(hr) && spDisp, "\"spDisp\"", FAILED(hr) ? hr : E_POINTER);
            count = 1;
            // A Read window of an appointment or a contact: no error, the tab is hidden.
            spDisp->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&spMailItem));
        } else {
            VTR_CHECK_QUOTED(m_spApplication, E_POINTER);
            CComQIPtr<Outlook::_Application> spApplication(m_spApplication);
            VTR_CHECK_QUOTED(spApplication, E_POINTER);
            CComPtr<Outlook::_Explorer> spExplorer;
            hr = spApplication->ActiveExplorer(&spExplorer);
            VTR_CHECK_TEXT(SUCCEEDED(hr) && spExplorer, "\"spExplorer\"", FAILED(hr) ? hr : E_POINTER);
            CComPtr<Outlook::Selection> spSelection;
            hr = spExplorer->get_Selection(&spSelection);
            VTR_CHECK_TEXT(SUCCEEDED(hr) && spSelection, "\"spSelection\"", FAILED(hr) ? hr : E_POINTER);
            VTR_CHECK_HR(spSelection->get_Count(&count));
            if (count > 0) {
                VARIANT index;
                VariantInit(&index);
                index.vt = VT_INT;
                index.intVal = 1;
                CComPtr<IDispatch> spDisp;
                hr = spSelection->Item(index, &spDisp);
                VTR_CHECK_TEXT(SUCCEEDED(hr) && spDisp, "\"spDisp\"", FAILED(hr) ? hr : E_POINTER);
                // Not a mail item (an appointment, a contact): no error, the tab is hidden.
                spDisp->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&spMailItem));
            }
        }

        COfficeRibbon* pRibbon = COutlookCommandBars::Instance().GetRibbon();
        VTR_CHECK_QUOTED(pRibbon, E_POINTER);
        if (!pRibbon->IsLoaded())
            return;
        COfficeControlBase* pRibbonTab = pRibbon->GetControl(ID_RIBBON_TAB);
        VTR_CHECK_QUOTED(pRibbonTab, E_POINTER);
        pRibbonTab->Show(spMailItem != nullptr);
        if (!spMailItem)
            return;

        if (count == 1) {
            if (m_eMailData.IsSameEmailItem(spMailItem))
                return;
            stopTimer();
            m_attachmentWarningsSet = false;
            m_attachmentWarnings.clear();
            m_attachmentDangers.clear();
            CGeoLocationManager::Instance().ClearPendingRequests();
            m_eMailData.SetEmailItem(spMailItem);
            bool ipDone = m_eMailData.GetEmailIPLocation().AreRequestsComplete();
            bool linksDone = m_eMailData.GetEmailLinks().AreRequestsComplete();
            ProcessSingleMail();
            if (!ipDone || !linksDone)
                startTimer();
        } else {
            stopTimer();
            ProcessMultipleMail();
            m_eMailData.ReleaseMailItem();
        }
    }
    VTR_CATCH_LOG
}

void CConnect::ProcessSingleMail()
{
    ProcessText();
    ProcessIpLocation();
    ProcessAttachments();
    ProcessLinks();
    ProcessContent();
    try {
        Enable(ID_OPTIONS, true);
        if (!g_helpFileTested) {
            g_helpFileTested = true;
            CComBSTR helpFile = CResourceManager::Instance().GetHelpFile();
            VTR_CHECK_TEXT(helpFile.Length() > 0, "helpFile", E_UNEXPECTED);
            Enable(ID_HELP, PathFileExistsW(helpFile) != FALSE);
        }
    }
    VTR_CATCH_LOG
}

void CConnect::ProcessText()
{
    try {
        VTR_CHECK_QUOTED(m_eMailData.IsEmailItemSet(), E_UNEXPECTED);
        CEmailMessage& message = m_eMailData.GetEmailMessage();
        int native = message.GetNativeMsgFormat();
        int format = message.GetMsgFormat();
        int shown = message.IsReadInPlainText() ? native : format;
        Enable(ID_MSG_TEXT, shown == 1);
        Enable(ID_MSG_HTML, shown == 2);
        Enable(ID_MSG_RTF, shown == 3);
        Enable(ID_PLAIN_TEXT, format == 2 || format == 3);
        Enable(ID_MSG_HEADER, SysStringLen(message.GetHeader()) > 0);
    }
    VTR_CATCH_LOG
}

void CConnect::ProcessAttachments()
{
    try {
        bool show = (CSettingsManager::Instance().displayTabs & CSettingsManager::DISPLAY_ATTACHMENTS) &&
                    !m_eMailData.GetEmailAttachments().GetAttachmentsExMapi().empty();
        Show(ID_RIBBON_ATTACHMENTS_GROUP, show);
        if (show)
            DisplayAttachments();
    }
    VTR_CATCH_LOG
}

void CConnect::ProcessLinks()
{
    try {
        bool show = (CSettingsManager::Instance().displayTabs & CSettingsManager::DISPLAY_LINKS) &&
                    !m_eMailData.GetEmailLinks().GetLinkServers().empty();
        Show(ID_RIBBON_LINKS_GROUP, show);
        if (show)
            DisplayLinks();
    }
    VTR_CATCH_LOG
}

void CConnect::ProcessMultipleMail()
{
    static const int ids[] = {1066, 1067, 1068, 1069, 1070, 1076, 1002, 1003, 1004, 1005, 1011, 1017, 1006, 1007, 1008,
                              1009, 1010, 1012, 1013, 1014, 1015, 1016, 1018, 1019, 1020, 1021, 1022, 1023, 1025, 1026,
                              1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1038, 1039, 1040, 1042, 1043, 1044,
                              1045, 1046, 1048, 1049, 1050, 1051, 1052, 1054, 1055, 1056, 1057, 1058, 1062, 1063, 1064};
    static_assert(sizeof(ids) / sizeof(ids[0]) == 60, "the controls a multiple selection disables");
    try {
        for (int id : ids)
            Enable(id, false);
    }
    VTR_CATCH_LOG
}

void CConnect::DisplayTabs()
{
    static const int tabs[] = {ID_RIBBON_TEXT_GROUP,        ID_RIBBON_CONTENT_GROUP, ID_RIBBON_IP_LOCATION_GROUP,
                               ID_RIBBON_ATTACHMENTS_GROUP, ID_RIBBON_LINKS_GROUP,   ID_RIBBON_PREFERENCES_GROUP,
                               ID_RIBBON_HELP_GROUP};
    try {
        DWORD displayTabs = CSettingsManager::Instance().displayTabs;
        for (size_t i = 0; i < sizeof(tabs) / sizeof(tabs[0]); ++i) {
            bool visible = true;
            switch (tabs[i]) {
            case ID_RIBBON_TEXT_GROUP:
            case ID_RIBBON_PREFERENCES_GROUP:
            case ID_RIBBON_HELP_GROUP: break;
            case ID_RIBBON_CONTENT_GROUP: visible = (displayTabs & CSettingsManager::DISPLAY_CONTENT) != 0; break;
            case ID_RIBBON_IP_LOCATION_GROUP:
                visible = (displayTabs & CSettingsManager::DISPLAY_IP_LOCATION) != 0;
                break;
            case ID_RIBBON_ATTACHMENTS_GROUP:
                visible = (displayTabs & CSettingsManager::DISPLAY_ATTACHMENTS) &&
                          !m_eMailData.GetEmailAttachments().GetAttachmentsExMapi().empty();
                break;
            case ID_RIBBON_LINKS_GROUP:
                visible = (displayTabs & CSettingsManager::DISPLAY_LINKS) &&
                          !m_eMailData.GetEmailLinks().GetLinkServers().empty();
                break;
            default:
                VTR_VERIFY_QUOTED((tabs[i] == ID_RIBBON_TEXT_GROUP) || (tabs[i] == ID_RIBBON_CONTENT_GROUP) ||
                                      (tabs[i] == ID_RIBBON_IP_LOCATION_GROUP) ||
                                      (tabs[i] == ID_RIBBON_ATTACHMENTS_GROUP) ||
                                      (tabs[i] == ID_RIBBON_LINKS_GROUP) ||
                                      (tabs[i] == ID_RIBBON_PREFERENCES_GROUP) || (tabs[i] == ID_RIBBON_HELP_GROUP),
                                  E_UNEXPECTED);
            }
            Show(tabs[i], visible);
        }
    }
    VTR_CATCH_LOG
}

void CConnect::startTimer()
{
    if (g_timerId == 0) {
        UINT_PTR id = SetTimer(nullptr, 0, TIMER_INTERVAL, fnTimerProc);
        if (VTR_VERIFY_WIN32(id != 0))
            g_timerId = id;
    } else {
        UINT_PTR id = SetTimer(nullptr, g_timerId, TIMER_INTERVAL, fnTimerProc);
        VTR_VERIFY_WIN32(id != 0 && id == g_timerId);
    }
}

void CConnect::stopTimer()
{
    if (g_timerId != 0) {
        if (VTR_VERIFY_WIN32(KillTimer(nullptr, g_timerId)))
            g_timerId = 0;
    }
    g_animationFrame = 0;
    g_contentTick = 0;
}

void CConnect::fnTimerProc(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime)
{
    // A tick pumps messages (dialogs, COM calls) and may come back here: only the outer call works.
    if (++g_timerReentrance != 1 || DWORD(dwTime - g_lastTick) < TIMER_INTERVAL) {
        --g_timerReentrance;
        return;
    }
    try {
        g_lastTick = dwTime;
        VTR_CHECK_QUOTED(g_pConnect, E_UNEXPECTED);
        VTR_CHECK_QUOTED(g_timerId > 0, E_UNEXPECTED);
        VTR_CHECK_QUOTED(hwnd == NULL, E_UNEXPECTED);
        VTR_CHECK_QUOTED(uMsg == WM_TIMER, E_UNEXPECTED);
        VTR_CHECK_QUOTED(g_timerId == idEvent, E_UNEXPECTED);

        g_animationFrame = (g_animationFrame + 1) % IDI_BUSY_FRAMES;
        CGeoLocationManager::Instance().ProcessPendingRequests();
        CEmailData& data = g_pConnect->m_eMailData;
        data.GetEmailIPLocation().UpdateRequests();
        data.GetEmailLinks().UpdateRequests();
        bool ipDone = data.GetEmailIPLocation().AreRequestsComplete();
        bool linksDone = data.GetEmailLinks().AreRequestsComplete();
        g_pConnect->ProcessIpLocation();
        if (!data.GetEmailLinks().GetLinkServers().empty())
            g_pConnect->ProcessLinks();
        g_contentTick = (g_contentTick + 1) % 3;
        if (g_contentTick == 0 || (ipDone && linksDone))
            g_pConnect->ProcessContent();
        if (ipDone && linksDone)
            g_pConnect->stopTimer();
    }
    VTR_CATCH_LOG
    --g_timerReentrance;
}
