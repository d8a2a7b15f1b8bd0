// The attachments dialog; see AttachDlg.h.
#include "dialogs/AttachDlg.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"

namespace {

const int TEXT_MARGIN = 5;

// The rich edit control lies on the tab control once the dialog is initialised.
HWND RichEditOf(HWND hDlg)
{
    HWND hTab = ::GetDlgItem(hDlg, IDC_TAB);
    HWND hRichEdit = hTab ? ::GetDlgItem(hTab, IDC_RICHEDIT) : nullptr;
    return hRichEdit ? hRichEdit : ::GetDlgItem(hDlg, IDC_RICHEDIT);
}

} // namespace

LRESULT CAttachDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    try {
        CComBSTR caption = CResourceManager::Instance().GetText(IDS_TITLE_ATTACHMENTS);
        VTR_VERIFY_WIN32(SetWindowText(caption.m_str ? caption.m_str : W("")));
        RECT client{};
        if (VTR_VERIFY_WIN32(GetClientRect(&client))) {
            m_clientWidth = client.right;
            m_clientHeight = client.bottom;
        }
        InitTabControl();
        RestoreWindowRect(m_hWnd, IDS_TITLE_ATTACHMENTS);
        if (GetClientRect(&client))
            Layout(client.right, client.bottom);
    }
    VTR_CATCH_LOG
    return FALSE; // the focus is on the text
}

void CAttachDlg::InitTabControl()
{
    HWND hTabCtrl = GetDlgItem(IDC_TAB);
    if (!VTR_VERIFY_QUOTED(hTabCtrl, E_UNEXPECTED))
        return;
    for (size_t i = 0; i < m_attachmentsInfo.size(); ++i) {
        WString label = m_attachmentsInfo[i].displayName;
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = label.data();
        VTR_VERIFY_WIN32(::SendMessageW(hTabCtrl, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item)) >= 0);
    }
    HWND hRichEdit = GetDlgItem(IDC_RICHEDIT);
    if (hRichEdit) {
        VTR_VERIFY_WIN32(::SetParent(hRichEdit, hTabCtrl));
        ::SetFocus(hRichEdit);
    }
    SelectTabPage(0);
}

void CAttachDlg::SelectTabPage(int idx)
{
    m_text.clear();
    m_formatRanges.clear();
    HWND hRichEdit = RichEditOf(m_hWnd);
    if (!VTR_VERIFY_QUOTED(idx >= 0, E_UNEXPECTED) ||
        !VTR_VERIFY_QUOTED(idx < (int) m_attachmentsInfo.size(), E_UNEXPECTED)) {
        if (hRichEdit)
            ::SetWindowTextW(hRichEdit, W(""));
        return;
    }
    try {
        InitAttachment(m_attachmentsInfo[size_t(idx)], true);
        if (!VTR_VERIFY_QUOTED(hRichEdit, E_UNEXPECTED))
            return;
        ::SendMessageW(hRichEdit, EM_EXLIMITTEXT, 0, LPARAM(std::max<size_t>(m_text.size() + 1, 64000)));
        ::SetWindowTextW(hRichEdit, ControlText().c_str());
        if (!m_text.empty())
            FormatContent(hRichEdit);
        ::SetFocus(hRichEdit);
    }
    VTR_CATCH_LOG
}

LRESULT CAttachDlg::OnTabPageChanged(int idCtrl, LPNMHDR pnmh, BOOL&)
{
    if (!VTR_VERIFY_QUOTED(idCtrl == IDC_TAB, E_UNEXPECTED) ||
        !VTR_VERIFY_QUOTED(pnmh->hwndFrom == ::GetDlgItem(m_hWnd, IDC_TAB), E_UNEXPECTED))
        return 0;
    SelectTabPage(int(::SendMessageW(pnmh->hwndFrom, TCM_GETCURSEL, 0, 0)));
    return 0;
}

void CAttachDlg::Layout(int width, int height)
{
    const int dx = width - m_clientWidth, dy = height - m_clientHeight;
    try {
        HWND hTab = GetDlgItem(IDC_TAB);
        RECT rect;
        GetChildRect(hTab, rect);
        VTR_CHECK_WIN32(::MoveWindow(hTab, rect.left, rect.top, rect.right - rect.left + dx,
                                     rect.bottom - rect.top + dy, TRUE));
        HWND hClose = GetDlgItem(IDOK);
        GetChildRect(hClose, rect);
        VTR_CHECK_WIN32(::MoveWindow(hClose, rect.left + dx, rect.top + dy, rect.right - rect.left,
                                     rect.bottom - rect.top, TRUE));
        m_clientWidth = width;
        m_clientHeight = height;

        // The text fills the tab's display area, in the tab control's own coordinates.
        RECT display;
        VTR_CHECK_WIN32(::GetClientRect(hTab, &display));
        ::SendMessageW(hTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        display.left += TEXT_MARGIN;
        display.top += TEXT_MARGIN;
        display.right -= TEXT_MARGIN;
        display.bottom -= TEXT_MARGIN;
        HWND hRichEdit = RichEditOf(m_hWnd);
        if (hRichEdit && ::GetParent(hRichEdit) == hTab)
            VTR_CHECK_WIN32(::MoveWindow(hRichEdit, display.left, display.top,
                                         std::max<LONG>(display.right - display.left, 0),
                                         std::max<LONG>(display.bottom - display.top, 0), TRUE));
    }
    VTR_CATCH_LOG
}

LRESULT CAttachDlg::OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (wParam == SIZE_MINIMIZED || (m_clientWidth == 0 && m_clientHeight == 0))
        return 0;
    Layout(LOWORD(lParam), HIWORD(lParam));
    return 0;
}

LRESULT CAttachDlg::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    SetMinTrackSize(lParam);
    return 0;
}

LRESULT CAttachDlg::OnClickedOKCancel(WORD, WORD wID, HWND, BOOL&)
{
    SaveWindowRect(m_hWnd, IDS_TITLE_ATTACHMENTS);
    EndDialog(wID);
    return 0;
}
