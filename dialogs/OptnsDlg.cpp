#include "dialogs/OptnsDlg.h"

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

namespace {

constexpr UINT_PTR g_timerID = 314;
constexpr UINT g_timerElapse = 200;
constexpr int MAX_SELECTED = 4;
constexpr LPARAM KEY_USED = 0x80000000;
constexpr LPARAM PROVIDER_ID_MASK = 0x7FFFFFFF;
constexpr int COL_CHECK = 0, COL_PROVIDER = 1, COL_KEY = 2, COL_IPV4 = 3, COL_IPV6 = 4, COL_URL = 5, COL_RATE = 6;
constexpr int COLUMN_COUNT = 7;
constexpr int KEY_MIN_WIDTH = 150;
constexpr int CELL_TEXT_MAX = 256;
constexpr int KEY_TEXT_MAX = 256;   // the editor's text is read up to 255 characters
constexpr DWORD FOLDER_PATH_MAX = 2084;
constexpr int FOLDER_DEPTH_MAX = 256; // a store deeper than this is cut off rather than overflow the stack
constexpr COLORREF INVALID_SERVER_COLOR = RGB(255, 0, 0);

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

WString LoadText(int id)
{
    CComBSTR text = CResourceManager::Instance().GetText(id);
    return text.m_str ? WString(text.m_str) : WString();
}

bool IsBlank(const WString& text)
{
    return std::all_of(text.begin(), text.end(), [](WCHAR c) { return iswspace(c) != 0; });
}

bool EqualNoCase(const WString& a, const WString& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](WCHAR x, WCHAR y) {
               return towlower(x) == towlower(y);
           });
}

bool IsServerSeparator(WCHAR c) { return c == W(',') || iswspace(c); }

// An entry of the server list: an IPv4 or IPv6 address or a host name.
bool IsValidServer(const WString& server)
{
    if (server.empty())
        return false;
    IPV4_address ipv4;
    if (ipv4.Read(server.c_str()) && ipv4.IsValid())
        return true;
    IPV6_address ipv6;
    if (ipv6.Read(server.c_str()) && ipv6.IsValid())
        return true;
    URL_address host;
    return host.Read(server.c_str()) && host.IsValid();
}

// Late-bound calls into the mail client's object model, by name.
HRESULT InvokeByName(IDispatch* pDisp, const WCHAR* name, WORD flags, VARIANT* pArg, VARIANT* pResult)
{
    if (!pDisp)
        return E_POINTER;
    DISPID dispId = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = pDisp->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispId);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {pArg, nullptr, pArg ? 1u : 0u, 0};
    return pDisp->Invoke(dispId, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, pResult, nullptr, nullptr);
}

// An object-valued property or method result; null when it has none.
CComPtr<IDispatch> GetDispObject(IDispatch* pDisp, const WCHAR* name, WORD flags)
{
    CComVariant result;
    VTR_CHECK_HR(InvokeByName(pDisp, name, flags, nullptr, &result));
    CComPtr<IDispatch> spObject;
    if (result.vt == VT_DISPATCH)
        spObject = result.pdispVal;
    else if (result.vt == VT_UNKNOWN && result.punkVal)
        result.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&spObject));
    return spObject;
}

} // namespace

COptnsDlg::COptnsDlg(IDispatch* pApplication)
{
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

LRESULT COptnsDlg::OnContextMenu(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND hCountries = Control(IDLB_COUNTRIES);
    if (reinterpret_cast<HWND>(wParam) != hCountries || !hCountries) {
        bHandled = FALSE;
        return 0;
    }
    try {
        VTR_CHECK_QUOTED(m_hCountryMenu, E_POINTER);
        int x = int(short(LOWORD(lParam))), y = int(short(HIWORD(lParam)));
        if (x == -1 && y == -1) { // from the keyboard: at the list's corner
            RECT rect;
            ::GetWindowRect(hCountries, &rect);
            x = rect.left;
            y = rect.top;
        }
        UINT command = UINT(TrackPopupMenu(m_hCountryMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON |
                                                             TPM_RETURNCMD | TPM_NONOTIFY,
                                           x, y, 0, m_hWnd, nullptr));
        if (command == IDS_MENU_SELECT_ALL || command == IDS_MENU_SELECT_NONE)
            ::SendMessageW(hCountries, LB_SETSEL, command == IDS_MENU_SELECT_ALL ? TRUE : FALSE, -1);
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

LRESULT COptnsDlg::OnEditLoseFocus(WORD, WORD wID, HWND hWndCtl, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED(wID == IDE_PROVIDER_KEY, E_UNEXPECTED) ||
            !VTR_VERIFY_QUOTED(hWndCtl == Control(IDE_PROVIDER_KEY), E_UNEXPECTED))
            return 0;
        HideEditControl();
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT COptnsDlg::OnServersLoseFocus(WORD, WORD wID, HWND hWndCtl, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED(wID == IDE_SERVERS, E_UNEXPECTED) ||
            !VTR_VERIFY_QUOTED(hWndCtl == Control(IDE_SERVERS), E_UNEXPECTED))
            return 0;
        std::vector<WString> servers;
        if (GetListOfServers(servers))
            SetListOfServers(servers);
    }
    VTR_CATCH_LOG
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

int COptnsDlg::ClickedProviderRow(int idCtrl, LPNMHDR pnmh)
{
    if (!VTR_VERIFY_QUOTED(idCtrl == IDLC_PROVIDERS, E_UNEXPECTED) ||
        !VTR_VERIFY_QUOTED(pnmh && pnmh->hwndFrom == m_hProvidersList, E_UNEXPECTED))
        return -1;
    int row = reinterpret_cast<const NMITEMACTIVATE*>(pnmh)->iItem;
    int count = int(::SendMessageW(m_hProvidersList, LVM_GETITEMCOUNT, 0, 0));
    return row >= 0 && row < count ? row : -1;
}

LRESULT COptnsDlg::OnListViewRightClick(int idCtrl, LPNMHDR pnmh, BOOL&)
{
    try {
        int row = ClickedProviderRow(idCtrl, pnmh);
        if (row < 0)
            return 0;
        const auto* pItem = reinterpret_cast<const NMITEMACTIVATE*>(pnmh);
        int count = int(::SendMessageW(m_hProvidersList, LVM_GETITEMCOUNT, 0, 0));
        VTR_CHECK_QUOTED(m_hContextMenu, E_POINTER);
        int selectedCount = int(::SendMessageW(m_hProvidersList, LVM_GETSELECTEDCOUNT, 0, 0));
        bool single = selectedCount <= 1;
        bool keyUsed = (RowData(row) & KEY_USED) != 0;
        auto enable = [&](UINT id, bool on) { EnableMenuItem(m_hContextMenu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
        enable(IDS_MENU_MOVE_UP, row > 0 && single);
        enable(IDS_MENU_MOVE_DOWN, row + 1 < count && single);
        enable(IDS_MENU_SET_KEY, keyUsed && single);
        enable(IDS_MENU_CLEAR_KEY, keyUsed && single);

        POINT at = pItem->ptAction;
        ::ClientToScreen(m_hProvidersList, &at);
        UINT command = UINT(TrackPopupMenu(m_hContextMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON |
                                                              TPM_RETURNCMD | TPM_NONOTIFY,
                                           at.x, at.y, 0, m_hWnd, nullptr));
        switch (command) {
        case IDS_MENU_MOVE_UP:
            SwapProviders(row, row - 1);
            break;
        case IDS_MENU_MOVE_DOWN:
            SwapProviders(row, row + 1);
            break;
        case IDS_MENU_SET_KEY:
            EditKey(m_hProvidersList, row);
            break;
        case IDS_MENU_CLEAR_KEY:
            SetKey(row, WString());
            break;
        default:
            break;
        }
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT COptnsDlg::OnListViewDoubleClick(int idCtrl, LPNMHDR pnmh, BOOL&)
{
    try {
        int row = ClickedProviderRow(idCtrl, pnmh);
        if (row < 0)
            return 0;
        const auto* pItem = reinterpret_cast<const NMITEMACTIVATE*>(pnmh);
        LPARAM data = RowData(row);
        if (pItem->iSubItem == COL_PROVIDER) {
            int id = int(data & PROVIDER_ID_MASK);
            for (const auto& provider : CGeoLocationManager::Instance().GetProviders()) {
                if (!provider || provider->GetProviderId() != id)
                    continue;
                WString page = provider->GetHomePage();
                if (!page.empty())
                    ::ShellExecuteW(m_hWnd, W("open"), page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                break;
            }
        } else if (pItem->iSubItem == COL_KEY && (data & KEY_USED)) {
            EditKey(m_hProvidersList, row);
        }
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT COptnsDlg::OnListViewItemChanging(int idCtrl, LPNMHDR pnmh, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED(idCtrl == IDLC_PROVIDERS, E_UNEXPECTED) ||
            !VTR_VERIFY_QUOTED(pnmh && pnmh->hwndFrom == m_hProvidersList, E_UNEXPECTED))
            return FALSE;
        if (!m_listReady)
            return FALSE;
        const auto* pView = reinterpret_cast<const NMLISTVIEW*>(pnmh);
        if (!(pView->uChanged & LVIF_STATE))
            return FALSE;
        UINT oldImage = pView->uOldState & LVIS_STATEIMAGEMASK, newImage = pView->uNewState & LVIS_STATEIMAGEMASK;
        if (oldImage == newImage)
            return FALSE;
        bool checking = newImage == INDEXTOSTATEIMAGEMASK(2);
        bool unchecking = oldImage == INDEXTOSTATEIMAGEMASK(2);
        int checked = CheckedCount();
        if (checking && checked >= MAX_SELECTED)
            return TRUE;
        if (unchecking && checked <= 1)
            return TRUE;
    }
    VTR_CATCH_LOG
    return FALSE;
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

void COptnsDlg::InitProviders()
{
    VTR_CHECK_QUOTED(m_hProvidersList, E_POINTER);
    HWND hList = m_hProvidersList;
    ::SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const int titles[COLUMN_COUNT] = {0, IDS_COL_PROVIDER, IDS_COL_KEY, IDS_COL_IPV4, IDS_COL_IPV6, IDS_COL_URL,
                                      IDS_COL_RATE};
    for (int c = 0; c < COLUMN_COUNT; ++c) {
        WString title = titles[c] ? LoadText(titles[c]) : WString();
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = c >= COL_IPV4 && c <= COL_URL ? LVCFMT_CENTER : LVCFMT_LEFT;
        column.cx = 50;
        column.pszText = const_cast<LPWSTR>(title.c_str());
        VTR_VERIFY_QUOTED(::SendMessageW(hList, LVM_INSERTCOLUMNW, WPARAM(c), reinterpret_cast<LPARAM>(&column)) == c,
                          E_FAIL);
    }

    CGeoLocationManager& manager = CGeoLocationManager::Instance();
    CSettingsManager& settings = CSettingsManager::Instance();
    const auto& selected = manager.GetSelectedProviders();
    VTR_VERIFY_QUOTED((selected.size() >= 1) && (selected.size() <= 4), E_UNEXPECTED);
    const WString supported = W("  *  ");
    IPInfo kinds[3];
    kinds[0].addressType = IP_TYPE_V4;
    kinds[1].addressType = IP_TYPE_V6;
    kinds[2].addressType = IP_TYPE_URL;

    int row = 0, checked = 0;
    for (const auto& owner : manager.GetProviders()) {
        CIPRequest* pIpProvider = owner.get();
        if (!VTR_VERIFY_QUOTED(pIpProvider, E_FAIL))
            continue;
        int id = pIpProvider->GetProviderId();
        bool keyUsed = pIpProvider->IsKeyUsed();
        WString name = pIpProvider->GetProviderName();
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<LPWSTR>(W(""));
        item.lParam = (LPARAM(id) & PROVIDER_ID_MASK) | (keyUsed ? KEY_USED : 0);
        int index = int(::SendMessageW(hList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (!VTR_VERIFY_QUOTED(index == row, E_FAIL))
            continue;
        if (checked < MAX_SELECTED && std::find(selected.begin(), selected.end(), pIpProvider) != selected.end()) {
            LVITEMW state = {};
            state.stateMask = LVIS_STATEIMAGEMASK;
            state.state = INDEXTOSTATEIMAGEMASK(2);
            ::SendMessageW(hList, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&state));
            ++checked;
        }
        auto setText = [&](int column, const WString& text) {
            LVITEMW cell = {};
            cell.iSubItem = column;
            cell.pszText = const_cast<LPWSTR>(text.c_str());
            ::SendMessageW(hList, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&cell));
        };
        setText(COL_PROVIDER, name);
        if (keyUsed && pIpProvider->HasKey()) {
            auto key = settings.providerKeys.find(id);
            if (key != settings.providerKeys.end() && key->second.m_str && *key->second.m_str)
                SetKey(row, WString(key->second.m_str));
        }
        for (int k = 0; k < 3; ++k)
            if (pIpProvider->IsLocationInfoSupported(kinds[k]))
                setText(COL_IPV4 + k, supported);
        auto [rateCount, rateUnit] = pIpProvider->GetRate();
        WString rate;
        if (rateUnit == RATE_NA) {
            rate = LoadText(IDS_RATE_NONE);
        } else {
            std::string digits = std::to_string(rateCount);
            rate.assign(digits.begin(), digits.end());
            rate += W("/");
            rate += rateUnit >= RATE_SECOND && rateUnit <= RATE_YEAR ? LoadText(IDS_RATE_SEC + int(rateUnit) - 1)
                                                                     : WString(W("???"));
        }
        setText(COL_RATE, rate);
        ++row;
    }

    int others = 0;
    for (int c = 0; c < COLUMN_COUNT; ++c) {
        if (c == COL_KEY)
            continue;
        int how = c >= COL_IPV4 && c <= COL_URL ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE;
        ::SendMessageW(hList, LVM_SETCOLUMNWIDTH, WPARAM(c), MAKELPARAM(how, 0));
        others += int(::SendMessageW(hList, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
    }
    RECT client;
    ::GetClientRect(hList, &client);
    int keyWidth = std::max<int>(KEY_MIN_WIDTH, int(client.right - client.left) - others - 5);
    ::SendMessageW(hList, LVM_SETCOLUMNWIDTH, COL_KEY, MAKELPARAM(keyWidth, 0));
    m_listReady = 1;
}

void COptnsDlg::InitContextMenu()
{
    m_hContextMenu = CreatePopupMenu();
    VTR_CHECK_QUOTED(m_hContextMenu, E_FAIL);
    for (int id : {IDS_MENU_MOVE_UP, IDS_MENU_MOVE_DOWN, 0, IDS_MENU_SET_KEY, IDS_MENU_CLEAR_KEY}) {
        if (id == 0) {
            AppendMenuW(m_hContextMenu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        WString text = LoadText(id);
        VTR_VERIFY_QUOTED(AppendMenuW(m_hContextMenu, MF_STRING, UINT_PTR(id), text.c_str()), E_FAIL);
    }
    m_hCountryMenu = CreatePopupMenu();
    VTR_CHECK_QUOTED(m_hCountryMenu, E_FAIL);
    for (int id : {IDS_MENU_SELECT_ALL, IDS_MENU_SELECT_NONE}) {
        WString text = LoadText(id);
        VTR_VERIFY_QUOTED(AppendMenuW(m_hCountryMenu, MF_STRING, UINT_PTR(id), text.c_str()), E_FAIL);
    }
}

void COptnsDlg::InitCountries()
{
    HWND hList = Control(IDLB_COUNTRIES);
    VTR_CHECK_QUOTED(hList, E_POINTER);
    for (const CountryEntry& country : g_countryTable) {
        int index = int(::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(country.name)));
        if (!VTR_VERIFY_QUOTED((index != LB_ERR) && (index != LB_ERRSPACE), E_FAIL))
            continue;
        ::SendMessageW(hList, LB_SETITEMDATA, WPARAM(index), LPARAM(CountryKey(country.code)));
    }
}

void COptnsDlg::HideEditControl()
{
    HWND hEdit = Control(IDE_PROVIDER_KEY);
    VTR_CHECK_QUOTED(hEdit, E_POINTER);
    int row = m_editRow;
    m_editRow = -1; // the editor's own loss of focus comes back here while it is hidden
    if (row >= 0) {
        WCHAR text[KEY_TEXT_MAX] = {};
        ::GetWindowTextW(hEdit, text, KEY_TEXT_MAX);
        WString key(text);
        if (!IsBlank(key))
            SetKey(row, key);
    }
    ::SetWindowTextW(hEdit, W(""));
    ::ShowWindow(hEdit, SW_HIDE);
    ::EnableWindow(hEdit, FALSE);
}

void COptnsDlg::HidePendingRequests()
{
    for (int id : {IDC_PENDING_ICON, IDC_PENDING_TEXT})
        if (HWND hControl = Control(id))
            ::ShowWindow(hControl, SW_HIDE);
}

void COptnsDlg::SwapProviders(int row1, int row2)
{
    int idx1 = row1, idx2 = row2;
    int count = int(::SendMessageW(m_hProvidersList, LVM_GETITEMCOUNT, 0, 0));
    VTR_CHECK_QUOTED((idx1 >= 0) && (idx2 >= 0) && (idx1 < count) && (idx2 < count), E_INVALIDARG);
    int ready = m_listReady;
    m_listReady = 0;
    try {
        struct Content {
            WString texts[COLUMN_COUNT];
            UINT state = 0;
            LPARAM data = 0;
        } content[2];
        const int rows[2] = {idx1, idx2};
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < COLUMN_COUNT; ++c) {
                WCHAR buffer[CELL_TEXT_MAX + 1] = {};
                LVITEMW item = {};
                item.mask = LVIF_TEXT | (c == 0 ? (LVIF_STATE | LVIF_PARAM) : 0);
                item.iItem = rows[r];
                item.iSubItem = c;
                item.pszText = buffer;
                item.cchTextMax = CELL_TEXT_MAX;
                item.stateMask = UINT(-1);
                VTR_CHECK_QUOTED(::SendMessageW(m_hProvidersList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)),
                                 E_FAIL);
                content[r].texts[c] = buffer;
                if (c == 0) {
                    content[r].state = item.state;
                    content[r].data = item.lParam;
                }
            }
        }
        for (int r = 0; r < 2; ++r) {
            const Content& from = content[1 - r];
            for (int c = 0; c < COLUMN_COUNT; ++c) {
                LVITEMW item = {};
                item.mask = LVIF_TEXT | (c == 0 ? (LVIF_STATE | LVIF_PARAM) : 0);
                item.iItem = rows[r];
                item.iSubItem = c;
                item.pszText = const_cast<LPWSTR>(from.texts[c].c_str());
                item.state = from.state;
                item.stateMask = UINT(-1);
                item.lParam = from.data;
                VTR_VERIFY_QUOTED(::SendMessageW(m_hProvidersList, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)),
                                  E_FAIL);
            }
        }
    } catch (...) {
        m_listReady = ready;
        throw;
    }
    m_listReady = ready;
}

void COptnsDlg::EditKey(HWND listView, int row)
{
    HWND hEdit = Control(IDE_PROVIDER_KEY);
    VTR_CHECK_QUOTED(hEdit, E_POINTER);
    VTR_CHECK_QUOTED(listView, E_POINTER);
    RECT cell = {};
    cell.top = COL_KEY;
    cell.left = LVIR_BOUNDS;
    VTR_CHECK_QUOTED(::SendMessageW(listView, LVM_GETSUBITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&cell)),
                     E_FAIL);
    ::MapWindowPoints(listView, ::GetParent(hEdit), reinterpret_cast<LPPOINT>(&cell), 2);
    ::MoveWindow(hEdit, cell.left + 2, cell.top + 2, std::max<LONG>(0, cell.right - cell.left - 4),
                 std::max<LONG>(0, cell.bottom - cell.top - 4), TRUE);
    ::SetWindowTextW(hEdit, W(""));
    ::EnableWindow(hEdit, TRUE);
    ::ShowWindow(hEdit, SW_SHOW);
    ::SetFocus(hEdit);
    m_editRow = row;
}

WString COptnsDlg::GetKey(int row)
{
    int id = int(RowData(row) & PROVIDER_ID_MASK);
    auto it = m_editedKeys.find(id);
    if (it == m_editedKeys.end() || EqualNoCase(it->second, LoadText(IDS_KEY_REQUIRED)))
        return WString();
    return it->second;
}

void COptnsDlg::SetKey(int row, const WString& key)
{
    LVITEMW lvItem = {};
    lvItem.mask = LVIF_PARAM;
    lvItem.iItem = row;
    VTR_CHECK_QUOTED(::SendMessageW(m_hProvidersList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvItem)), E_FAIL);
    VTR_CHECK_QUOTED(lvItem.lParam & 0x80000000, E_FAIL);
    m_editedKeys[int(lvItem.lParam & PROVIDER_ID_MASK)] = key;
    WString shown = key.empty() ? LoadText(IDS_KEY_REQUIRED) : WString(key.size(), W('*'));
    LVITEMW cell = {};
    cell.iSubItem = COL_KEY;
    cell.pszText = const_cast<LPWSTR>(shown.c_str());
    ::SendMessageW(m_hProvidersList, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&cell));
}

void COptnsDlg::GetListSelection(std::vector<int>& codes)
{
    HWND hList = Control(IDLB_COUNTRIES);
    VTR_CHECK_QUOTED(hList, E_POINTER);
    int count = int(::SendMessageW(hList, LB_GETSELCOUNT, 0, 0));
    VTR_CHECK_QUOTED(count != LB_ERR, E_FAIL);
    std::vector<int> indexes(size_t(std::max(count, 0)) + 1);
    int read = int(::SendMessageW(hList, LB_GETSELITEMS, WPARAM(count), reinterpret_cast<LPARAM>(indexes.data())));
    VTR_CHECK_QUOTED(read == count, E_FAIL);
    codes.clear();
    for (int i = 0; i < read; ++i)
        codes.push_back(int(::SendMessageW(hList, LB_GETITEMDATA, WPARAM(indexes[size_t(i)]), 0)));
}

void COptnsDlg::SetListSelection(const std::vector<int>& codes)
{
    HWND hList = Control(IDLB_COUNTRIES);
    VTR_CHECK_QUOTED(hList, E_POINTER);
    ::SendMessageW(hList, LB_SETSEL, FALSE, -1);
    int count = int(::SendMessageW(hList, LB_GETCOUNT, 0, 0));
    int next = 0;
    for (int code : codes) {
        int found = -1;
        for (int i = next; i < count; ++i)
            if (int(::SendMessageW(hList, LB_GETITEMDATA, WPARAM(i), 0)) == code) {
                found = i;
                break;
            }
        if (found < 0)
            break;
        ::SendMessageW(hList, LB_SETSEL, TRUE, found);
        next = found + 1;
    }
    ::SendMessageW(hList, LB_SETTOPINDEX, 0, 0);
}

bool COptnsDlg::GetListOfServers(std::vector<WString>& servers)
{
    try {
        HWND hEdit = Control(IDE_SERVERS);
        VTR_CHECK_QUOTED(hEdit, E_POINTER);
        GETTEXTLENGTHEX length = {GTL_DEFAULT, 1200};
        LONG textLength = LONG(::SendMessageW(hEdit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
        VTR_CHECK_QUOTED(textLength >= 0, E_FAIL);
        std::vector<WCHAR> buffer(size_t(textLength) + 1);
        VTR_CHECK_TEXT(buffer.size() == size_t(textLength) + 1, "\"buffer.size() == textLength + 1\"", E_OUTOFMEMORY);
        GETTEXTEX how = {};
        how.cb = DWORD(buffer.size() * sizeof(WCHAR));
        how.flags = GT_DEFAULT;
        how.codepage = 1200;
        LONG charRead = LONG(::SendMessageW(hEdit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                                            reinterpret_cast<LPARAM>(buffer.data())));
        VTR_CHECK_QUOTED(charRead == textLength, E_FAIL);
        servers.clear();
        size_t i = 0, n = size_t(charRead);
        while (i < n) {
            while (i < n && IsServerSeparator(buffer[i]))
                ++i;
            size_t start = i;
            while (i < n && !IsServerSeparator(buffer[i]))
                ++i;
            if (i > start)
                servers.emplace_back(buffer.data() + start, i - start);
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

void COptnsDlg::SetListOfServers(const std::vector<WString>& servers)
{
    HWND hEdit = Control(IDE_SERVERS);
    VTR_CHECK_QUOTED(hEdit, E_POINTER);
    WString text;
    std::vector<std::pair<LONG, LONG>> invalid;
    LONG position = 0; // a line break counts as one character
    for (size_t i = 0; i < servers.size(); ++i) {
        if (i > 0) {
            text += W("\r\n");
            ++position;
        }
        if (!IsValidServer(servers[i]))
            invalid.emplace_back(position, position + LONG(servers[i].size()));
        text += servers[i];
        position += LONG(servers[i].size());
    }
    ::SetWindowTextW(hEdit, text.c_str());
    CHARFORMATW format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.dwEffects = CFE_AUTOCOLOR;
    ::SendMessageW(hEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    format.dwEffects = 0;
    format.crTextColor = INVALID_SERVER_COLOR;
    for (const auto& [start, end] : invalid) {
        CHARRANGE range = {start, end};
        ::SendMessageW(hEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        ::SendMessageW(hEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    CHARRANGE start = {0, 0};
    ::SendMessageW(hEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
}

void COptnsDlg::GetFolderNames(IDispatch* pApplication)
{
    m_folderNames.clear();
    CComPtr<IDispatch> spApplication = pApplication;
    VTR_CHECK_QUOTED(spApplication, E_POINTER);
    CComPtr<IDispatch> spSession = GetDispObject(spApplication, W("Session"), DISPATCH_PROPERTYGET);
    VTR_CHECK_QUOTED(spSession, E_POINTER);
    CComPtr<IDispatch> spStore = GetDispObject(spSession, W("DefaultStore"), DISPATCH_PROPERTYGET);
    VTR_CHECK_QUOTED(spStore, E_POINTER);
    CComPtr<IDispatch> spRootFolder = GetDispObject(spStore, W("GetRootFolder"), DISPATCH_METHOD);
    VTR_CHECK_QUOTED(spRootFolder, E_POINTER);
    EnumerateFolders(spRootFolder, 0);

    if (m_folderNames.size() < 2)
        return;
    const WString& first = m_folderNames[0];
    const WString& second = m_folderNames[1];
    size_t shared = 0;
    while (shared < first.size() && shared < second.size() && first[shared] == second[shared])
        ++shared;
    for (WString& name : m_folderNames)
        if (name.size() > shared)
            name.erase(0, shared);
}

void COptnsDlg::EnumerateFolders(IDispatch* pFolder, int depth)
{
    VTR_CHECK_QUOTED(pFolder, E_POINTER);
    if (!VTR_VERIFY_QUOTED(depth < FOLDER_DEPTH_MAX, E_FAIL))
        return;
    CComPtr<IDispatch> spFolders = GetDispObject(pFolder, W("Folders"), DISPATCH_PROPERTYGET);
    VTR_CHECK_QUOTED(spFolders, E_POINTER);
    CComVariant count;
    VTR_CHECK_HR(InvokeByName(spFolders, W("Count"), DISPATCH_PROPERTYGET, nullptr, &count));
    VTR_CHECK_HR(count.ChangeType(VT_I4));
    for (int i = 1; i <= int(count.lVal); ++i) {
        try {
            CComVariant index(i);
            CComVariant item;
            VTR_CHECK_HR(InvokeByName(spFolders, W("Item"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, &index, &item));
            VTR_CHECK_QUOTED(item.vt == VT_DISPATCH && item.pdispVal, E_POINTER);
            CComPtr<IDispatch> spChild = item.pdispVal;
            CComVariant path;
            VTR_CHECK_HR(InvokeByName(spChild, W("FolderPath"), DISPATCH_PROPERTYGET, nullptr, &path));
            VTR_CHECK_QUOTED(path.vt == VT_BSTR && path.bstrVal && *path.bstrVal, E_UNEXPECTED);
            std::vector<WCHAR> unescaped(FOLDER_PATH_MAX + 1);
            DWORD size = FOLDER_PATH_MAX;
            if (SUCCEEDED(UrlUnescapeW(path.bstrVal, unescaped.data(), &size, 0)))
                m_folderNames.emplace_back(unescaped.data());
            EnumerateFolders(spChild, depth + 1);
        }
        VTR_CATCH_LOG
    }
}

LPARAM COptnsDlg::RowData(int row) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    VTR_CHECK_QUOTED(::SendMessageW(m_hProvidersList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)), E_FAIL);
    return item.lParam;
}

int COptnsDlg::CheckedCount() const
{
    int count = int(::SendMessageW(m_hProvidersList, LVM_GETITEMCOUNT, 0, 0));
    int checked = 0;
    for (int row = 0; row < count; ++row)
        if (UINT(::SendMessageW(m_hProvidersList, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK)) ==
            INDEXTOSTATEIMAGEMASK(2))
            ++checked;
    return checked;
}

std::vector<int>* COptnsDlg::PageCountries(int page)
{
    if (page == PAGE_FLAG_COUNTRIES)
        return &m_emailCountries;
    if (page == PAGE_FLAG_LINKS)
        return &m_linkCountries;
    return nullptr;
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
