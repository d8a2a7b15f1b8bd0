// Clicks on the tab: paging the three visible rows of each list, choosing the location shown in a row,
// saving an attachment, the detail, options and about dialogs, the web map of a location, the help file
// and the e-mails the about box composes.
#include "addin/Connect.h"

#include <shellapi.h>

#include "__Utilities/ErrorLog.h"
#include "__Utilities/ResourceManager.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/AttachDlg.h"
#include "dialogs/InfoDlg.h"
#include "dialogs/OptnsDlg.h"
#include "geo/GeoEndpoints.h"

#include "__Controls/OfficeRibbon.h"
#include "addin/CommandBars.h"
#include "addin/RibbonIds.h"

namespace {

// The row (0..2) and item (0..3) of a provider item id among the rows' first item ids; false when the
// id is none of them.
bool ProviderItem(const int (&firstIds)[ROW_COUNT], int id, int& row, int& item)
{
    for (int r = 0; r < ROW_COUNT; ++r)
        if (id >= firstIds[r] && id < firstIds[r] + MENU_ITEM_COUNT) {
            row = r;
            item = id - firstIds[r];
            return true;
        }
    return false;
}

int RowOf(const int (&ids)[ROW_COUNT], int id)
{
    for (int r = 0; r < ROW_COUNT; ++r)
        if (ids[r] == id)
            return r;
    return -1;
}

// One row up or down; a move past either end is refused.
template <class TList>
void Scroll(TList& list, size_t size, bool down)
{
    int topRow = list.GetTopRow();
    if (down) {
        VTR_CHECK_TEXT(topRow <= int(size) - 3, "ipLocation.GetTopRow() <= size - 3", E_UNEXPECTED);
        list.SetTopRow(topRow + 1);
    } else {
        VTR_CHECK_TEXT(topRow > 0, "ipLocation.GetTopRow() > 0", E_UNEXPECTED);
        list.SetTopRow(topRow - 1);
    }
}

// A provider item of a row: a new choice redraws the rows.
template <class TList>
bool Choose(TList& list, int index, int item)
{
    if (list.GetMenuChoice(index) == item)
        return false;
    list.SetMenuChoice(index, item);
    return true;
}

// The location record chosen for row index of a list, or null when the row or the record does not exist.
template <class TList, class TRows>
const IPLocationInfo* ChosenRecord(TList& list, const TRows& rows, int index)
{
    if (index < 0 || size_t(index) >= rows.size())
        return nullptr;
    int choice = list.GetMenuChoice(index);
    const auto& records = rows[size_t(index)].locationInfo;
    return choice >= 0 && size_t(choice) < records.size() ? records[size_t(choice)] : nullptr;
}

// Shows the location on the web map; a record without both coordinates opens nothing.
void OpenWebMap(const IPLocationInfo* pInfo)
{
    if (!pInfo || pInfo->latitude == 0 || pInfo->longitude == 0)
        return;
    WCHAR query[255];
    swprintf_s(query, W("/?mlat=%g&mlon=%g&zoom=15#map=15/%g/%g"), pInfo->latitude, pInfo->longitude,
               pInfo->latitude, pInfo->longitude);
    WString address = CGeoEndpoints::MapService() + query;
    HINSTANCE result = ShellExecuteW(nullptr, W("open"), address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    VTR_VERIFY_QUOTED(reinterpret_cast<INT_PTR>(result) > 32, E_FAIL);
}

void OpenHelp()
{
    CComBSTR helpFile = CResourceManager::Instance().GetHelpFile();
    VTR_CHECK_TEXT(helpFile.Length() > 0, "helpFile", E_UNEXPECTED);
    HINSTANCE result = ShellExecuteW(nullptr, W("open"), helpFile, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        CComBSTR message = CResourceManager::Instance().GetText(IDS_HELP_FILE_MISSING);
        MessageBoxW(GetActiveWindow(), message, nullptr, MB_OK | MB_ICONWARNING);
    }
}

} // namespace

namespace {

WString Text(BSTR text) { return text ? WString(text, SysStringLen(text)) : WString(); }

} // namespace

// The dialogs of the tab, each modal to the active window.
void CConnect::ShowInfoDialog(UINT captionId)
{
    CEmailMessage& message = m_eMailData.GetEmailMessage();
    CInfoDlg dialog(captionId);
    switch (captionId) {
    // The message's texts belong to its cache.
    case IDS_TITLE_MSG_HEADER:
        dialog.SetText(VerdictLines(message.GetAuthenticationVerdicts()) + Text(message.GetHeader()));
        break;
    case IDS_TITLE_MSG_BODY: dialog.SetPlainText(Text(message.GetBodyInPlainText())); break;
    case IDS_TITLE_IP_LOCATION: dialog.AddIPLocations(m_eMailData.GetEmailIPLocation().GetIPLocationAll()); break;
    case IDS_TITLE_LINKS: dialog.AddLinks(m_eMailData.GetEmailLinks().GetLinkServers()); break;
    default: break;
    }
    VTR_CHECK_WIN32(dialog.DoModal(GetActiveWindow()) != -1);
}

// The texts the info dialogs show for the header, the addresses, the attachments and the links, one after
// the other under a line of dashes.
WString CConnect::DetailsText()
{
    WString details;
    auto append = [&details](const CInfoDlg& dialog) {
        if (dialog.GetText().empty())
            return;
        if (!details.empty())
            details += W("\n") + WString(70, W('-')) + W("\n");
        details += dialog.GetText();
    };
    CEmailMessage& message = m_eMailData.GetEmailMessage();
    WString header = Text(message.GetHeader());
    CInfoDlg headerText(IDS_TITLE_MSG_HEADER);
    if (!header.empty())
        headerText.SetText(VerdictLines(message.GetAuthenticationVerdicts()) + header);
    append(headerText);
    CInfoDlg ipText(IDS_TITLE_IP_LOCATION);
    ipText.AddIPLocations(m_eMailData.GetEmailIPLocation().GetIPLocationAll());
    append(ipText);
    CInfoDlg attachmentText(IDS_TITLE_ATTACHMENTS);
    attachmentText.AddAttachments(m_eMailData.GetEmailAttachments().GetAttachmentsExMapi());
    append(attachmentText);
    CInfoDlg linkText(IDS_TITLE_LINKS);
    linkText.AddLinks(m_eMailData.GetEmailLinks().GetLinkServers());
    append(linkText);
    return details;
}

// A new e-mail for the support address (240: the error log) or with this message's details (241), shown
// for the user to complete and send.
void CConnect::ComposeEmail(INT_PTR command)
{
    CComQIPtr<Outlook::_Application> spApplication(m_spApplication);
    VTR_CHECK_QUOTED(spApplication, E_UNEXPECTED);
    CComPtr<IDispatch> spNewItem;
    HRESULT hr = spApplication->CreateItem(Outlook::olMailItem, &spNewItem);
    VTR_CHECK_QUOTED(spNewItem, FAILED(hr) ? hr : E_FAIL);
    CComQIPtr<Outlook::_MailItem> spMailItem(spNewItem);
    VTR_CHECK_QUOTED(spMailItem, E_NOINTERFACE);
    CResourceManager& resources = CResourceManager::Instance();
    spMailItem->put_Subject(resources.GetText(command == IDC_EMAIL_SUPPORT ? IDS_SUBJECT_ERROR_LOG : IDS_SUBJECT_EMAIL_DETAILS));
    CComBSTR messageBody;
    if (command == IDC_EMAIL_SUPPORT) {
        messageBody = CErrorLog::Instance().ReadAll();
        VTR_CHECK_TEXT(messageBody.Length() > 0, "messageBody", E_UNEXPECTED);
    } else {
        messageBody = DetailsText().c_str();
    }
    if (messageBody.Length() > 0)
        spMailItem->put_Body(messageBody);
    CComVariant modal(false);
    spMailItem->Display(modal);
}

void CConnect::ShowOptionsDialog()
{
    COptnsDlg dialog(m_spApplication);
    INT_PTR result = dialog.DoModal(GetActiveWindow());
    // A dialog that could not be made changed nothing either.
    VTR_CHECK_WIN32(result != -1);
    if (result == IDCANCEL)
        return;
    // New settings: the message is processed again as if it were newly selected.
    stopTimer();
    m_eMailData.Clear();
    // The dialog is closed: nothing is left to hold the processing back.
    processWindowNow();
    DisplayTabs();
}

void CConnect::ShowAboutDialog()
{
    CAboutDlg dialog;
    INT_PTR result = dialog.DoModal(GetActiveWindow());
    VTR_CHECK_WIN32(result != -1);
    if (result == IDC_EMAIL_SUPPORT || result == IDC_EMAIL_DETAILS)
        ComposeEmail(result);
}

HRESULT CConnect::OnActionCB(IDispatch* pRibbonControl)
{
    HRESULT hr = S_OK;
    // A command's dialogs and message boxes pump messages: a new selection waits until it is done.
    CommandScope running(*this);
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        COutlookRibbon* pRibbon = COutlookCommandBars::Instance().GetRibbon();
        VTR_CHECK_TEXT(pRibbon, "\"COutlookCommandBars::Instance().GetRibbon()\"", E_UNEXPECTED);
        COfficeControlBase* pControlBase = pRibbon->GetControl(pRibbonControl);
        VTR_CHECK_QUOTED(pControlBase, E_UNEXPECTED);
        int id = pControlBase->ID();
        if (id != ID_OPTIONS && id != ID_HELP && id != ID_ABOUT)
            VTR_CHECK_QUOTED(m_eMailData.IsEmailItemSet(), E_UNEXPECTED);

        CEmailIPLocation& ipLocation = m_eMailData.GetEmailIPLocation();
        CEmailLinks& links = m_eMailData.GetEmailLinks();
        CEmailAttachments& attachments = m_eMailData.GetEmailAttachments();
        int row = -1, item = -1;
        if (ProviderItem(ID_IP_ITEM_FIRST, id, row, item)) {
            if (Choose(ipLocation, ipLocation.GetTopRow() + row, item))
                ProcessIpLocation();
        } else if (ProviderItem(ID_LINK_ITEM_FIRST, id, row, item)) {
            if (Choose(links, links.GetTopRow() + row, item))
                ProcessLinks();
        } else if ((row = RowOf(ID_IP_MAIN, id)) >= 0) {
            OpenWebMap(ChosenRecord(ipLocation, ipLocation.GetIPLocationNoReserved(), ipLocation.GetTopRow() + row));
        } else if ((row = RowOf(ID_LINK_MAIN, id)) >= 0) {
            OpenWebMap(ChosenRecord(links, links.GetLinkServers(), links.GetTopRow() + row));
        } else if ((row = RowOf(ID_ATTACHMENT, id)) >= 0) {
            attachments.SaveAttachment(size_t(attachments.GetTopRow() + row));
        } else {
            switch (id) {
            case ID_IP_SCROLL_UP:
            case ID_IP_SCROLL_DOWN:
                Scroll(ipLocation, ipLocation.GetIPLocationNoReserved().size(), id == ID_IP_SCROLL_DOWN);
                ProcessIpLocation();
                break;
            case ID_ATTACHMENT_SCROLL_UP:
            case ID_ATTACHMENT_SCROLL_DOWN:
                Scroll(attachments, attachments.GetAttachmentsExMapi().size(), id == ID_ATTACHMENT_SCROLL_DOWN);
                DisplayAttachments();
                break;
            case ID_LINK_SCROLL_UP:
            case ID_LINK_SCROLL_DOWN:
                Scroll(links, links.GetLinkServers().size(), id == ID_LINK_SCROLL_DOWN);
                DisplayLinks();
                break;
            case ID_MSG_HEADER: ShowInfoDialog(IDS_TITLE_MSG_HEADER); break;
            case ID_PLAIN_TEXT: ShowInfoDialog(IDS_TITLE_MSG_BODY); break;
            case ID_IP_LAUNCHER: ShowInfoDialog(IDS_TITLE_IP_LOCATION); break;
            case ID_LINK_LAUNCHER: ShowInfoDialog(IDS_TITLE_LINKS); break;
            case ID_ATTACHMENT_LAUNCHER: {
                CAttachDlg dialog(attachments.GetAttachmentsExMapi());
                VTR_CHECK_WIN32(dialog.DoModal(GetActiveWindow()) != -1);
                break;
            }
            case ID_OPTIONS: ShowOptionsDialog(); break;
            case ID_ABOUT: ShowAboutDialog(); break;
            case ID_HELP: OpenHelp(); break;
            default: break;
            }
        }
    }
    VTR_CATCH_ALL(hr)
    return hr;
}
