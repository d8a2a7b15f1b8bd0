// The options dialog's provider page: the providers with their choice, order and keys.
#include "dialogs/OptnsDlg.h"
#include "dialogs/OptnsDlgShared.h"

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

constexpr int MAX_SELECTED = 4;
constexpr int COL_CHECK = 0, COL_PROVIDER = 1, COL_KEY = 2, COL_IPV4 = 3, COL_IPV6 = 4, COL_URL = 5, COL_RATE = 6;
constexpr int COLUMN_COUNT = 7;
constexpr int KEY_MIN_WIDTH = 150;
constexpr int CELL_TEXT_MAX = 256;
constexpr int KEY_TEXT_MAX = 256;   // the editor's text is read up to 255 characters

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

} // namespace

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
