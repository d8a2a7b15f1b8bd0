// The options dialog: its tabs, and OK and Cancel over every page.
#include "dialogs/OptnsDlg.h"
#include "dialogs/OptnsDlgShared.h"
#include "dialogs/InfoDlgHelper.h"

#include <richedit.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "Utils/IPInfo.h"
#include "Utils/IPRequest.h"
#include "Utils/IPURL.h"
#include "Utils/IPV4.h"
#include "Utils/IPV6.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "geo/CountryTable.h"
#include "geo/GeoLocationManager.h"

using namespace optns_dlg;

namespace {

constexpr UINT_PTR g_timerID = 314;
constexpr UINT g_timerElapse = 200;

// The controls of each page (the key editor and the pending note are shown by their own rules).
const std::vector<int>& PageControls(int page)
{
    static const std::vector<int> pages[COptnsDlg::PAGE_COUNT] = {
        {IDLC_PROVIDERS},
        {IDC_GROUP_RIBBON, IDC_SHOW_CONTENT, IDC_SHOW_IP_LOCATION, IDC_SHOW_ATTACHMENTS, IDC_SHOW_LINKS,
         IDC_GROUP_CONNECTION, IDC_RETRY_LABEL, IDE_RETRY_COUNT, IDUD_RETRY_COUNT, IDC_TIMEOUT_LABEL,
         IDE_REPLY_TIMEOUT, IDUD_REPLY_TIMEOUT},
        {IDC_FLAG_EMAILS, IDLB_COUNTRIES},
        {IDC_FLAG_LINKS, IDLB_COUNTRIES},
        {IDC_FLAG_SERVERS, IDE_SERVERS},
    };
    return pages[page];
}

// Every control that lives on the tab control.
const std::vector<int>& AllPageControls()
{
    static const std::vector<int> all = {
        IDLC_PROVIDERS, IDE_PROVIDER_KEY, IDC_PENDING_ICON, IDC_PENDING_TEXT, IDC_GROUP_RIBBON, IDC_SHOW_CONTENT,
        IDC_SHOW_IP_LOCATION, IDC_SHOW_ATTACHMENTS, IDC_SHOW_LINKS, IDC_GROUP_CONNECTION, IDC_RETRY_LABEL,
        IDE_RETRY_COUNT, IDUD_RETRY_COUNT, IDC_TIMEOUT_LABEL, IDE_REPLY_TIMEOUT, IDUD_REPLY_TIMEOUT,
        IDC_FLAG_EMAILS, IDC_FLAG_LINKS, IDC_READ_AS_TEXT, IDLB_COUNTRIES, IDCB_FOLDERS, IDC_FLAG_SERVERS,
        IDE_SERVERS};
    return all;
}

const int g_displayTabControls[4] = {IDC_SHOW_CONTENT, IDC_SHOW_IP_LOCATION, IDC_SHOW_ATTACHMENTS, IDC_SHOW_LINKS};
const DWORD g_displayTabFlags[4] = {CSettingsManager::DISPLAY_CONTENT, CSettingsManager::DISPLAY_IP_LOCATION,
                                    CSettingsManager::DISPLAY_ATTACHMENTS, CSettingsManager::DISPLAY_LINKS};

// The fields OK changes, kept to put back when the registry does not take them.
struct SettingsSnapshot {
    int maxRetryCount = 0;
    int serverReplyTimeout = 0;
    DWORD displayTabs = 0;
    bool flagEmails = false, flagLinks = false, flagServers = false;
    WString emailsFolder, linksFolder, serversFolder;
    std::vector<int> emailCountries, linkCountries;
    std::vector<WString> servers;
    std::vector<int> providersOrder, selectedProviders;
    std::map<int, WString> providerKeys;

    explicit SettingsSnapshot(const CSettingsManager& s)
        : maxRetryCount(s.maxRetryCount), serverReplyTimeout(s.serverReplyTimeout), displayTabs(s.displayTabs),
          flagEmails(s.flagEmails), flagLinks(s.flagLinks), flagServers(s.flagServers), emailsFolder(s.emailsFolder),
          linksFolder(s.linksFolder), serversFolder(s.serversFolder), emailCountries(s.emailCountries),
          linkCountries(s.linkCountries), providersOrder(s.providersOrder), selectedProviders(s.selectedProviders)
    {
        // As the registry keeps them: empty entries are not written.
        for (const WString& server : s.servers)
            if (!server.empty())
                servers.push_back(server);
        for (const auto& [id, key] : s.providerKeys)
            providerKeys[id] = key.m_str ? WString(key.m_str, key.Length()) : WString();
    }
    void Restore(CSettingsManager& s) const
    {
        s.maxRetryCount = maxRetryCount;
        s.serverReplyTimeout = serverReplyTimeout;
        s.displayTabs = displayTabs;
        s.flagEmails = flagEmails;
        s.flagLinks = flagLinks;
        s.flagServers = flagServers;
        s.emailsFolder = emailsFolder;
        s.linksFolder = linksFolder;
        s.serversFolder = serversFolder;
        s.emailCountries = emailCountries;
        s.linkCountries = linkCountries;
        s.servers = servers;
        s.providersOrder = providersOrder;
        s.selectedProviders = selectedProviders;
        s.providerKeys.clear();
        for (const auto& [id, key] : providerKeys)
            s.providerKeys[id] = CComBSTR(int(key.size()), key.c_str());
    }
    // The target folders live in memory only.
    bool SameStored(const SettingsSnapshot& o) const
    {
        return maxRetryCount == o.maxRetryCount && serverReplyTimeout == o.serverReplyTimeout &&
               displayTabs == o.displayTabs && flagEmails == o.flagEmails && flagLinks == o.flagLinks &&
               flagServers == o.flagServers && emailCountries == o.emailCountries &&
               linkCountries == o.linkCountries && servers == o.servers && providersOrder == o.providersOrder &&
               selectedProviders == o.selectedProviders && providerKeys == o.providerKeys;
    }
};

// The settings as the next start of Outlook reads them.
class CRegistrySettings : public CSettingsManager {
public:
    CRegistrySettings() { ReadSettings(); }
};

// The registry store logs each value it could not write and goes on, so what it holds afterwards is
// compared with what was meant to be written.
bool IsStored(const CSettingsManager& settings)
{
    try {
        CRegistrySettings stored;
        return SettingsSnapshot(stored).SameStored(SettingsSnapshot(settings));
    }
    VTR_CATCH_LOG
    return false;
}

} // namespace

COptnsDlg::COptnsDlg(IDispatch* pApplication)
{
    CInfoDlgHelper::InitControls();
    try {
        GetFolderNames(pApplication);
    }
    VTR_CATCH_LOG
}

COptnsDlg::~COptnsDlg()
{
    if (m_hContextMenu)
        DestroyMenu(m_hContextMenu);
    if (m_hCountryMenu)
        DestroyMenu(m_hCountryMenu);
}

LRESULT COptnsDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    try {
        m_hProvidersList = Control(IDLC_PROVIDERS);
        VTR_VERIFY_QUOTED(m_hProvidersList, E_POINTER);
        m_editedKeys.clear();
        m_editRow = -1;
        m_currentPage = PAGE_PROVIDERS;
        m_listReady = 0;
        if (CGeoLocationManager::Instance().InProgress()) {
            m_timerID = SetTimer(g_timerID, g_timerElapse);
            VTR_VERIFY_QUOTED(m_timerID == g_timerID, E_FAIL);
        } else {
            HidePendingRequests();
        }
        // A server list may be long; the control must hold every entry the settings keep.
        ::SendMessageW(Control(IDE_SERVERS), EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    }
    VTR_CATCH_LOG
    // A step that fails is logged and skipped; the others still run.
    for (void (COptnsDlg::*step)() : {&COptnsDlg::InitSettings, &COptnsDlg::InitTabControl, &COptnsDlg::InitProviders,
                                      &COptnsDlg::InitContextMenu, &COptnsDlg::InitCountries,
                                      &COptnsDlg::HideEditControl}) {
        try {
            (this->*step)();
        }
        VTR_CATCH_LOG
    }
    CenterWindow();
    return TRUE;
}

LRESULT COptnsDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != g_timerID || m_timerID == 0) {
        bHandled = FALSE;
        return 0;
    }
    try {
        if (!CGeoLocationManager::Instance().InProgress()) {
            HidePendingRequests();
            KillTimer(m_timerID);
            m_timerID = 0;
        }
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT COptnsDlg::OnClickedOK(WORD, WORD, HWND, BOOL&)
{
    try {
        if (::GetFocus() == Control(IDE_PROVIDER_KEY)) {
            HideEditControl();
            return 0;
        }
        CGeoLocationManager& manager = CGeoLocationManager::Instance();
        CSettingsManager& settings = CSettingsManager::Instance();
        const auto& providers = manager.GetProviders();
        const auto& managerSelected = manager.GetSelectedProviders();

        size_t count = size_t(::SendMessageW(m_hProvidersList, LVM_GETITEMCOUNT, 0, 0));
        VTR_CHECK_QUOTED(count == providers.size(), E_UNEXPECTED);
        std::vector<int> order, selected;
        std::map<int, CComBSTR> keys;
        for (int row = 0; row < int(count); ++row) {
            LPARAM data = RowData(row);
            int id = int(data & PROVIDER_ID_MASK);
            order.push_back(id);
            UINT state = UINT(::SendMessageW(m_hProvidersList, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK));
            if (state == INDEXTOSTATEIMAGEMASK(2))
                selected.push_back(id);
            if (data & KEY_USED)
                keys[id] = CComBSTR(GetKey(row).c_str());
        }

        bool orderChanged = false;
        for (size_t i = 0; i < order.size(); ++i)
            if (!providers[i] || order[i] != providers[i]->GetProviderId())
                orderChanged = true;
        bool selectionChanged = selected.size() != managerSelected.size();
        for (size_t i = 0; !selectionChanged && i < selected.size(); ++i)
            if (!managerSelected[i] || selected[i] != managerSelected[i]->GetProviderId())
                selectionChanged = true;

        if ((orderChanged || selectionChanged) && manager.InProgress()) {
            WString text = LoadText(IDS_MSG_REORDER_PENDING), caption = LoadText(IDS_CAPTION_WARNING);
            ::MessageBoxW(m_hWnd, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
            return 0;
        }

        // The manager changes only once the registry holds the new settings, and the record is put back when
        // it does not: until then the dialog keeps the edits, and OK can be tried again.
        const SettingsSnapshot before(settings);
        bool stored = false;
        try {
            SaveSettings();
            if (orderChanged || settings.providersOrder.size() != providers.size())
                settings.providersOrder = order;
            if (selectionChanged)
                settings.selectedProviders = selected;
            settings.providerKeys = keys;
            settings.WriteSettings();
            stored = VTR_VERIFY_TEXT(IsStored(settings), "\"IsStored(settings)\"", E_FAIL);
        }
        VTR_CATCH_LOG
        if (!stored) {
            before.Restore(settings);
            WString text = LoadText(IDS_MSG_SETTINGS_NOT_SAVED), caption = LoadText(IDS_CAPTION_WARNING);
            ::MessageBoxW(m_hWnd, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
            return 0;
        }
        if (orderChanged || before.providersOrder.size() != providers.size())
            manager.SetOrder(order);
        if (selectionChanged)
            manager.SetSelected(selected);
        manager.SetKeys(keys);
        EndDialog(IDOK);
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT COptnsDlg::OnClickedCancel(WORD, WORD, HWND, BOOL&)
{
    try {
        if (::GetFocus() == Control(IDE_PROVIDER_KEY)) {
            HideEditControl();
            return 0;
        }
    }
    VTR_CATCH_LOG
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT COptnsDlg::OnTabPageChanged(int idCtrl, LPNMHDR pnmh, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED(idCtrl == IDC_TAB, E_UNEXPECTED) ||
            !VTR_VERIFY_QUOTED(pnmh && pnmh->hwndFrom == GetDlgItem(IDC_TAB), E_UNEXPECTED))
            return 0;
        int page = int(::SendMessageW(pnmh->hwndFrom, TCM_GETCURSEL, 0, 0));
        if (VTR_VERIFY_QUOTED((page >= 0) && (page < PAGE_COUNT), E_UNEXPECTED))
            SelectTabPage(page);
    }
    VTR_CATCH_LOG
    return 0;
}

void COptnsDlg::InitSettings()
{
    CSettingsManager& settings = CSettingsManager::Instance();
    for (int i = 0; i < 4; ++i)
        SetCheck(g_displayTabControls[i], (settings.displayTabs & g_displayTabFlags[i]) != 0);
    const int upDowns[2] = {IDUD_RETRY_COUNT, IDUD_REPLY_TIMEOUT};
    const int positions[2] = {settings.maxRetryCount, settings.serverReplyTimeout};
    for (int i = 0; i < 2; ++i) {
        HWND hUpDown = Control(upDowns[i]);
        if (!VTR_VERIFY_QUOTED(hUpDown, E_POINTER))
            continue;
        ::SendMessageW(hUpDown, UDM_SETBASE, 10, 0);
        ::SendMessageW(hUpDown, UDM_SETRANGE32, g_retryCountMin, g_retryCountMax);
        ::SendMessageW(hUpDown, UDM_SETPOS32, 0, positions[i]);
    }
    SetCheck(IDC_FLAG_EMAILS, settings.flagEmails);
    m_emailCountries = settings.emailCountries;
    SetCheck(IDC_FLAG_LINKS, settings.flagLinks);
    m_linkCountries = settings.linkCountries;
    SetCheck(IDC_FLAG_SERVERS, settings.flagServers);
    SetListOfServers(settings.servers);
    m_emailsFolder = settings.emailsFolder;
    m_linksFolder = settings.linksFolder;
    m_serversFolder = settings.serversFolder;
}

void COptnsDlg::SaveSettings()
{
    CSettingsManager& settings = CSettingsManager::Instance();
    DWORD displayTabs = 0;
    for (int i = 0; i < 4; ++i)
        if (IsChecked(g_displayTabControls[i]))
            displayTabs |= g_displayTabFlags[i];
    BOOL retryError = TRUE, timeoutError = TRUE;
    int retryCount = int(::SendMessageW(Control(IDUD_RETRY_COUNT), UDM_GETPOS32, 0,
                                             reinterpret_cast<LPARAM>(&retryError)));
    int replyTimeout = int(::SendMessageW(Control(IDUD_REPLY_TIMEOUT), UDM_GETPOS32, 0,
                                               reinterpret_cast<LPARAM>(&timeoutError)));
    if (std::vector<int>* pCountries = PageCountries(m_currentPage))
        GetListSelection(*pCountries);
    std::vector<WString> servers;
    bool serversRead = GetListOfServers(servers);

    settings.SetRibbonDisplayTabs(displayTabs);
    if (!retryError && retryCount >= g_retryCountMin && retryCount <= g_retryCountMax)
        settings.SetMaxRetryCount(retryCount);
    if (!timeoutError && replyTimeout >= g_retryCountMin && replyTimeout <= g_retryCountMax)
        settings.SetServerReplyTimeout(replyTimeout);
    settings.flagEmails = IsChecked(IDC_FLAG_EMAILS);
    settings.emailCountries = m_emailCountries;
    settings.emailsFolder = m_emailsFolder;
    settings.flagLinks = IsChecked(IDC_FLAG_LINKS);
    settings.linkCountries = m_linkCountries;
    settings.linksFolder = m_linksFolder;
    settings.flagServers = IsChecked(IDC_FLAG_SERVERS);
    settings.serversFolder = m_serversFolder;
    if (serversRead)
        settings.servers = servers;
}

void COptnsDlg::SelectTabPage(int page)
{
    VTR_CHECK_QUOTED((page >= 0) && (page < PAGE_COUNT), E_INVALIDARG);
    HideEditControl();
    if (page != m_currentPage)
        if (std::vector<int>* pCountries = PageCountries(m_currentPage))
            GetListSelection(*pCountries);
    const std::vector<int>& shown = PageControls(page);
    for (int id : AllPageControls()) {
        if (id == IDE_PROVIDER_KEY)
            continue;
        bool show = std::find(shown.begin(), shown.end(), id) != shown.end();
        if (id == IDC_PENDING_ICON || id == IDC_PENDING_TEXT)
            show = page == PAGE_PROVIDERS && m_timerID != 0;
        if (HWND hControl = Control(id))
            ::ShowWindow(hControl, show ? SW_SHOW : SW_HIDE);
    }
    if (page != m_currentPage)
        if (std::vector<int>* pCountries = PageCountries(page))
            SetListSelection(*pCountries);
    m_currentPage = page;
}

void COptnsDlg::InitTabControl()
{
    HWND hTab = GetDlgItem(IDC_TAB);
    VTR_CHECK_QUOTED(hTab, E_POINTER);
    const int tabTexts[PAGE_COUNT] = {IDS_TAB_PROVIDERS, IDS_TAB_SETUP, IDS_TAB_FLAG_COUNTRIES, IDS_TAB_FLAG_LINKS,
                                      IDS_TAB_FLAG_SERVERS};
    for (int i = 0; i < PAGE_COUNT; ++i) {
        WString text = LoadText(tabTexts[i]);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPWSTR>(text.c_str());
        VTR_VERIFY_QUOTED(::SendMessageW(hTab, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item)) == i,
                          E_FAIL);
    }
    RECT display;
    ::GetClientRect(hTab, &display);
    ::SendMessageW(hTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));

    // Each page keeps the template's layout of its controls, moved onto the tab's display area.
    auto rectOnTab = [&](int id, RECT& rect) {
        HWND hControl = Control(id);
        if (!hControl)
            return false;
        ::GetWindowRect(hControl, &rect);
        ::MapWindowPoints(nullptr, hTab, reinterpret_cast<LPPOINT>(&rect), 2);
        return true;
    };
    std::map<int, POINT> offsets;
    auto placePage = [&](const std::vector<int>& ids, LONG left, LONG top) {
        RECT bounds = {};
        bool any = false;
        for (int id : ids) {
            RECT r;
            if (rectOnTab(id, r)) {
                bounds.left = any ? std::min(bounds.left, r.left) : r.left;
                bounds.top = any ? std::min(bounds.top, r.top) : r.top;
                any = true;
            }
        }
        if (!any)
            return;
        for (int id : ids)
            if (!offsets.count(id))
                offsets[id] = POINT{left - bounds.left, top - bounds.top};
    };
    LONG left = display.left + 5, top = display.top + 5;
    placePage({IDLC_PROVIDERS, IDE_PROVIDER_KEY, IDC_PENDING_ICON, IDC_PENDING_TEXT}, left, top);
    placePage({IDC_GROUP_RIBBON, IDC_SHOW_CONTENT, IDC_SHOW_IP_LOCATION, IDC_SHOW_ATTACHMENTS, IDC_SHOW_LINKS}, left, top);
    RECT ribbon;
    if (rectOnTab(IDC_GROUP_RIBBON, ribbon)) {
        LONG ribbonRight = ribbon.right + offsets[IDC_GROUP_RIBBON].x;
        placePage({IDC_GROUP_CONNECTION, IDC_RETRY_LABEL, IDE_RETRY_COUNT, IDUD_RETRY_COUNT, IDC_TIMEOUT_LABEL,
                   IDE_REPLY_TIMEOUT, IDUD_REPLY_TIMEOUT},
                  ribbonRight + 15, top);
    }
    placePage({IDC_FLAG_EMAILS, IDC_FLAG_LINKS, IDC_READ_AS_TEXT, IDLB_COUNTRIES, IDCB_FOLDERS}, left, top);
    placePage({IDC_FLAG_SERVERS, IDE_SERVERS}, left, top);

    for (int id : AllPageControls()) {
        RECT r;
        if (!VTR_VERIFY_QUOTED(rectOnTab(id, r), E_POINTER))
            continue;
        HWND hControl = Control(id);
        POINT offset = offsets.count(id) ? offsets[id] : POINT{0, 0};
        ::SetParent(hControl, hTab);
        ::MoveWindow(hControl, r.left + offset.x, r.top + offset.y, r.right - r.left, r.bottom - r.top, FALSE);
    }
    if (HWND hReadAsText = Control(IDC_READ_AS_TEXT))
        ::ShowWindow(hReadAsText, SW_HIDE);
    ::SendMessageW(hTab, TCM_SETCURSEL, 0, 0);
    m_currentPage = PAGE_PROVIDERS;
    SelectTabPage(PAGE_PROVIDERS);
}

HWND COptnsDlg::Control(int id) const
{
    if (HWND hControl = ::GetDlgItem(m_hWnd, id))
        return hControl;
    HWND hTab = ::GetDlgItem(m_hWnd, IDC_TAB);
    return hTab ? ::GetDlgItem(hTab, id) : nullptr;
}

bool COptnsDlg::IsChecked(int id) const
{
    HWND hButton = Control(id);
    return hButton && ::SendMessageW(hButton, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void COptnsDlg::SetCheck(int id, bool checked)
{
    HWND hButton = Control(id);
    if (VTR_VERIFY_QUOTED(hButton, E_POINTER))
        ::SendMessageW(hButton, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
