// The info dialog: one kind of detail of the selected e-mail (header, body, IP locations, attachments,
// links, or the error log) as formatted text, with a web map of the located servers for addresses and
// links. Built on the stack for one modal run; its map pages are deleted with it.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlwin.h>

#include <fstream>
#include <string>
#include <vector>

#include "dialogs/InfoDlgHelper.h"
#include "email/EmailIPLocation.h"
#include "email/EmailLinks.h"
#include "res/resource.h"

class CInfoDlg : public ATL::CDialogImpl<CInfoDlg>, public CInfoDlgHelper {
public:
    enum { IDD = IDD_INFODLG };
    enum FormatType { FT_NONE = 0, FT_MSG_HEADER = 1, FT_IP_LOCATION = 2, FT_ATTACHMENTS = 3, FT_LINKS = 4 };

    // The caption's resource id, also the name of the saved position; 505 reads the error log at once and
    // throws when it is empty.
    explicit CInfoDlg(UINT captionId);
    ~CInfoDlg() override;
    CInfoDlg(const CInfoDlg&) = delete;
    CInfoDlg& operator=(const CInfoDlg&) = delete;

    // Builders: each appends; the first one called sets the format type.
    void SetText(const WString& header);
    void SetPlainText(const WString& body);
    void AddIPLocations(const IPInfoList& ipList);
    void AddAttachments(const std::vector<AttachmentInfo>& attachments);
    void AddLinks(const IPInfo4LinksList& linkServers);
    void InitFromErrorLog();

    // The map page over the coordinate groups; nothing without an open output or coordinates.
    void GetHTML(std::ofstream& output, bool doLines);
    // The query with each parameter after the first on a line of its own.
    WString AddSplitQuery(const WCHAR* pQuery);
    // Bold field names of a header text in the control; throws without text or control.
    void FormatMsgHeader(HWND hRichEditCtrl);

    UINT GetCaptionId() const { return m_captionId; }
    FormatType GetFormatType() const { return m_formatType; }
    const std::vector<std::string>& GetCoordinates() const { return m_coordinates; }
    const std::vector<std::string>& GetTempFiles() const { return m_tempFiles; }

    BEGIN_MSG_MAP(CInfoDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
        COMMAND_HANDLER(IDC_MAP, BN_CLICKED, OnClickedMap)
        COMMAND_ID_HANDLER(IDOK, OnClickedOKCancel)
        COMMAND_ID_HANDLER(IDCANCEL, OnClickedOKCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnClickedMap(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnClickedOKCancel(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

private:
    void SetFormatType(FormatType type);
    // The heading, reserved range and location entries of one address, with its map entries.
    void AddAddressBlock(const IPInfo& info);
    void AddLinkDetails(const LinkInfo& link);
    void AddMapEntry(int layer, double longitude, double latitude, const WString& label);

    int m_clientWidth = 0;
    int m_clientHeight = 0;
    UINT m_captionId;
    FormatType m_formatType = FT_NONE;
    bool m_typeSet = false;
    std::vector<std::string> m_coordinates;
    std::vector<std::string> m_tempFiles;
};
