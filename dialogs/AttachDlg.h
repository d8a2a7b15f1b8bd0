// The attachments dialog: one tab per attachment of the selected e-mail (also the files inside attached
// e-mails and archives), each with the attachment's detail text.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlwin.h>

#include <vector>

#include "dialogs/InfoDlgHelper.h"
#include "res/resource.h"

class CAttachDlg : public ATL::CDialogImpl<CAttachDlg>, public CInfoDlgHelper {
public:
    enum { IDD = IDD_ATTACHDLG };

    // The list is not copied: it must outlive the dialog.
    explicit CAttachDlg(std::vector<AttachmentInfo>& attachmentsInfo) : m_attachmentsInfo(attachmentsInfo)
    {
        InitControls();
    }
    CAttachDlg(const CAttachDlg&) = delete;
    CAttachDlg& operator=(const CAttachDlg&) = delete;

    void InitTabControl();
    void SelectTabPage(int idx);

    BEGIN_MSG_MAP(CAttachDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
        NOTIFY_CODE_HANDLER(TCN_SELCHANGE, OnTabPageChanged)
        COMMAND_ID_HANDLER(IDOK, OnClickedOKCancel)
        COMMAND_ID_HANDLER(IDCANCEL, OnClickedOKCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnTabPageChanged(int idCtrl, LPNMHDR pnmh, BOOL& bHandled);
    LRESULT OnClickedOKCancel(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

private:
    // Lays the controls out for the client size.
    void Layout(int width, int height);

    int m_clientWidth = 0;
    int m_clientHeight = 0;
    std::vector<AttachmentInfo>& m_attachmentsInfo;
};
