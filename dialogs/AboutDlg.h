// The About box: the add-in's banner, version and credits; views the error log, and ends with 240 or 241
// when the caller is to compose a support or details e-mail.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlwin.h>

#include "__Utilities/WString.h"
#include "res/resource.h"

class CAboutDlg : public ATL::CDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUTDLG };

    CAboutDlg();

    // The version as the box shows it: major and minor, and the third component when it is a single
    // digit other than 0 and a fourth follows. Empty for a version of fewer than three components.
    static WString ShortenVersion(const WString& version);
    // The product version of the module that holds this code; empty when it has none.
    static WString GetProductVersion();

    BEGIN_MSG_MAP(CAboutDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnClickedClose)
        COMMAND_ID_HANDLER(IDCANCEL, OnClickedClose)
        COMMAND_ID_HANDLER(IDC_EMAIL_SUPPORT, OnClickedClose)
        COMMAND_ID_HANDLER(IDC_EMAIL_DETAILS, OnClickedClose)
        COMMAND_HANDLER(IDC_VIEW_LOG, BN_CLICKED, OnClickedViewLog)
        NOTIFY_HANDLER(IDC_LINK_IPINFODB, NM_CLICK, OnClickedLink)
        NOTIFY_HANDLER(IDC_LINK_KEYCDN, NM_CLICK, OnClickedLink)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnClickedClose(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnClickedViewLog(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnClickedLink(int idCtrl, LPNMHDR pnmh, BOOL& bHandled);
};
