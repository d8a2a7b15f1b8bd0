// The options dialog: five pages on one tab control for the geo-location providers (choice, order and
// access keys), the ribbon groups and connection options, the countries whose e-mails and links are
// flagged, and the flagged servers. Everything is edited in the dialog; OK checks it, then hands it to the
// settings and the geo-location manager in one go, Cancel drops it.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <atlbase.h>
#include <atlwin.h>

#include <map>
#include <vector>

#include "__Utilities/WString.h"
#include "res/resource.h"

class COptnsDlg : public ATL::CDialogImpl<COptnsDlg> {
public:
    enum { IDD = IDD_OPTNSDLG };

    // The pages, in the order of their tabs.
    enum Page { PAGE_PROVIDERS = 0, PAGE_SETUP, PAGE_FLAG_COUNTRIES, PAGE_FLAG_LINKS, PAGE_FLAG_SERVERS, PAGE_COUNT };

    // Collects the folder paths of the application's default store.
    explicit COptnsDlg(IDispatch* pApplication);
    ~COptnsDlg() override;
    COptnsDlg(const COptnsDlg&) = delete;
    COptnsDlg& operator=(const COptnsDlg&) = delete;

    // DoModal(owner) runs the dialog and returns IDOK or IDCANCEL.

    // The folder paths found when the dialog was built, without their shared leading part.
    const std::vector<WString>& GetFolderList() const { return m_folderNames; }

    BEGIN_MSG_MAP(COptnsDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        COMMAND_HANDLER(IDOK, BN_CLICKED, OnClickedOK)
        COMMAND_HANDLER(IDCANCEL, BN_CLICKED, OnClickedCancel)
        COMMAND_HANDLER(IDE_PROVIDER_KEY, EN_KILLFOCUS, OnEditLoseFocus)
        COMMAND_HANDLER(IDE_SERVERS, EN_KILLFOCUS, OnServersLoseFocus)
        NOTIFY_HANDLER(IDC_TAB, TCN_SELCHANGE, OnTabPageChanged)
        NOTIFY_HANDLER(IDLC_PROVIDERS, NM_RCLICK, OnListViewRightClick)
        NOTIFY_HANDLER(IDLC_PROVIDERS, NM_DBLCLK, OnListViewDoubleClick)
        NOTIFY_HANDLER(IDLC_PROVIDERS, LVN_ITEMCHANGING, OnListViewItemChanging)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnContextMenu(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnClickedOK(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnClickedCancel(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnEditLoseFocus(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnServersLoseFocus(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnTabPageChanged(int idCtrl, LPNMHDR pnmh, BOOL& bHandled);
    LRESULT OnListViewRightClick(int idCtrl, LPNMHDR pnmh, BOOL& bHandled);
    LRESULT OnListViewDoubleClick(int idCtrl, LPNMHDR pnmh, BOOL& bHandled);
    LRESULT OnListViewItemChanging(int idCtrl, LPNMHDR pnmh, BOOL& bHandled);

private:
    void InitSettings();
    // Reads every control into the settings record; throws before changing it when a value cannot be read.
    void SaveSettings();
    void SelectTabPage(int page);
    void InitTabControl();
    void InitProviders();
    void InitContextMenu();
    void InitCountries();
    void HideEditControl();
    void HidePendingRequests();
    void SwapProviders(int row1, int row2);
    void EditKey(HWND listView, int row);
    WString GetKey(int row);
    void SetKey(int row, const WString& key);
    void GetListSelection(std::vector<int>& codes);
    void SetListSelection(const std::vector<int>& codes);
    // False when the text could not be read.
    bool GetListOfServers(std::vector<WString>& servers);
    void SetListOfServers(const std::vector<WString>& servers);
    void GetFolderNames(IDispatch* pApplication);
    void EnumerateFolders(IDispatch* pFolder, int depth);

    // A control of the dialog, also once it has been moved onto the tab control.
    HWND Control(int id) const;
    bool IsChecked(int id) const;
    void SetCheck(int id, bool checked);
    // A row's item data: the provider id, and whether it takes a key.
    LPARAM RowData(int row) const;
    // The row a click on the provider list hit, or -1 (a notification from another control is logged).
    int ClickedProviderRow(int idCtrl, LPNMHDR pnmh);
    int CheckedCount() const;
    // The country list of a page (2 or 3), or null.
    std::vector<int>* PageCountries(int page);

    HWND m_hProvidersList = nullptr;
    UINT_PTR m_timerID = 0;
    std::map<int, WString> m_editedKeys; // by provider id
    int m_editRow = -1;
    int m_currentPage = PAGE_PROVIDERS;
    int m_listReady = 0;
    std::vector<int> m_emailCountries;
    std::vector<int> m_linkCountries;
    WString m_emailsFolder;
    WString m_linksFolder;
    WString m_serversFolder;
    std::vector<WString> m_folderNames;
    HMENU m_hContextMenu = nullptr;
    HMENU m_hCountryMenu = nullptr;
};
