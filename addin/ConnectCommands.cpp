// Clicks on the tab: paging the three visible rows of each list, choosing the location shown in a row,
// and saving an attachment.
#include "addin/Connect.h"

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

} // namespace

HRESULT CConnect::OnActionCB(IDispatch* pRibbonControl)
{
    HRESULT hr = S_OK;
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
            default: break;
            }
        }
    }
    VTR_CATCH_ALL(hr)
    return hr;
}
