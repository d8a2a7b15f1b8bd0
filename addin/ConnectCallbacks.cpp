// The ribbon callbacks: what Outlook asks of each control (labels, tips, pictures, states) and the items
// of the three link galleries, drawn as pictures of the link's state and its shortened addresses.
#include "addin/Connect.h"

#include <cstdio>

#include "__Controls/OfficeRibbon.h"
#include "__Utilities/ResourceManager.h"
#include "addin/CommandBars.h"
#include "addin/RibbonIds.h"
#include "addin/ScreenText.h"

namespace {

constexpr int SHORT_URL_LENGTH = 80;
constexpr size_t TIP_VALUE_LENGTH = 30;
constexpr WCHAR NO_BREAK_SPACE = 0x00A0;
constexpr WCHAR HORIZONTAL_BAR = 0x2015;

constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF GREEN = RGB(0, 160, 0);
constexpr COLORREF BLUE = RGB(0, 0, 255);
constexpr COLORREF BLACK = RGB(0, 0, 0);

enum TextKind { TEXT_LABEL, TEXT_TOOLTIP, TEXT_SUPERTIP };

WString ToWString(BSTR text)
{
    return text ? WString(text, SysStringLen(text)) : WString();
}

WString ResourceString(int id)
{
    return ToWString(CResourceManager::Instance().GetText(id));
}

// A copy for Outlook; an empty text is a null BSTR.
BSTR CopyForOutlook(const WCHAR* text, size_t length)
{
    return length ? SysAllocStringLen(text, UINT(length)) : nullptr;
}

// The host of an address: after "://" up to the next "/" (the whole rest without one).
WString HostOf(const WString& url)
{
    size_t start = url.find(W("://"));
    start = start == WString::npos ? 0 : start + 3;
    size_t slash = url.find(W('/'), start);
    return url.substr(start, slash == WString::npos ? WString::npos : slash - start);
}

bool HasPath(const WString& url)
{
    size_t start = url.find(W("://"));
    start = start == WString::npos ? 0 : start + 3;
    return url.find(W('/'), start) != WString::npos;
}

// The neighbour whose address the shortening compares with: the next link, the previous for the last.
const WCHAR* NeighbourOf(const std::vector<LinkInfo>& links, size_t index)
{
    if (links.size() < 2)
        return nullptr;
    const LinkInfo& neighbour = index + 1 < links.size() ? links[index + 1] : links[index - 1];
    return neighbour.linkURL.length() ? static_cast<const WCHAR*>(neighbour.linkURL) : nullptr;
}

const WCHAR* TextOf(const _bstr_t& text)
{
    return text.length() ? static_cast<const WCHAR*>(text) : W("");
}

// One "label value" line of a link's super tip; nothing for an empty value.
void AddTipLine(WString& tip, int labelId, const WString& value, bool cut)
{
    if (value.empty())
        return;
    if (!tip.empty())
        tip += W("\n");
    tip += ResourceString(labelId);
    tip += NO_BREAK_SPACE;
    if (cut && value.size() > TIP_VALUE_LENGTH)
        tip += value.substr(0, TIP_VALUE_LENGTH) + W("...");
    else
        tip += value;
}

// The protocol, user, port and path or file fields of a link.
void AddLinkFields(WString& tip, const LinkInfo& link)
{
    AddTipLine(tip, IDS_LINK_PROTOCOL, TextOf(link.protocol), true);
    AddTipLine(tip, IDS_LINK_USER_INFO, TextOf(link.userInfo), true);
    if (link.port) {
        WCHAR port[16];
        swprintf_s(port, W("%u"), unsigned(link.port));
        AddTipLine(tip, IDS_LINK_PORT, port, false);
    }
    if (link.fileName.length()) {
        AddTipLine(tip, IDS_LINK_FILE_NAME, TextOf(link.fileName), true);
        AddTipLine(tip, IDS_LINK_EXTENSION, TextOf(link.extension), true);
        return;
    }
    AddTipLine(tip, IDS_LINK_PATH, TextOf(link.path), true);
    WString query = TextOf(link.query);
    if (!query.empty()) {
        WString joined;
        size_t start = 0;
        while (start < query.size()) {
            size_t next = query.find(W('&'), start + 1);
            WString piece = query.substr(start, next == WString::npos ? WString::npos : next - start);
            if (piece.size() > TIP_VALUE_LENGTH)
                piece = piece.substr(0, TIP_VALUE_LENGTH) + W("...");
            if (!joined.empty())
                joined += W("\n") + WString(14, NO_BREAK_SPACE);
            joined += piece;
            start = next == WString::npos ? query.size() : next;
        }
        AddTipLine(tip, IDS_LINK_QUERY, joined, false);
    }
    AddTipLine(tip, IDS_LINK_FRAGMENT, TextOf(link.fragment), true);
}

// The text of a failed request: "Failed" and, with an HTTP status, ": " and its description.
WString FailedText(const RequestInfo& request)
{
    return ToWString(request.FailedText());
}

} // namespace

WString CConnect::shortenOriginalURL(const WCHAR* pURL, const WCHAR* pNeighbour, int length)
{
    VTR_CHECK_QUOTED(length > 3, E_INVALIDARG);
    if (!pURL || !*pURL)
        return W(" ");
    WString url(pURL);
    size_t hostStart = url.find(W("://"));
    hostStart = hostStart == WString::npos ? 0 : hostStart + 3;
    size_t slash = url.find(W('/'), hostStart);
    if (slash != WString::npos && slash + 1 < url.size()) {
        WString candidate = W("./") + url.substr(slash + 1);
        if (int(candidate.size()) <= length)
            return candidate;
        if (pNeighbour) {
            size_t last = 0;
            for (size_t i = 0; i < url.size() && pNeighbour[i] && url[i] == pNeighbour[i]; ++i)
                if (url[i] == W('/') || url[i] == W('&'))
                    last = i;
            if (last != 0) {
                candidate = W("./..") + url.substr(last);
                if (int(candidate.size()) <= length)
                    return candidate;
            }
        }
        return candidate.substr(0, size_t(length - 3)) + W("...");
    }
    const WCHAR* pHost = url.c_str() + hostStart;
    if (!VTR_VERIFY_TEXT(pHost && (*pHost != W('\0')), "\"pHost && (*pHost != L'\\\\0')\"", E_UNEXPECTED))
        return W(" ");
    return url.substr(hostStart, slash == WString::npos ? WString::npos : slash - hostStart);
}

WString CConnect::firstLineText(const LinkInfo& link, COLORREF& colour)
{
    WString state = W(" ");
    colour = BLACK;
    const DataInfo* pRequest = link.pDataInfo;
    switch (pRequest ? pRequest->status : RS_NONE) {
    case RS_REQUESTING: state = ResourceString(IDS_RS_REQUESTING), colour = RED; break;
    case RS_LOADING:
    case RS_LOADED:
    case RS_INTERACTIVE:
    case RS_REDIRECTING: state = ResourceString(IDS_RS_RETRIEVING), colour = GREEN; break;
    case RS_ABORTED: state = ResourceString(IDS_RS_ABORTED), colour = RED; break;
    case RS_FAILED: state = FailedText(*pRequest), colour = RED; break;
    case RS_DONE:
        if (!pRequest->analysedFiles.empty()) {
            const AttachmentInfo& file = pRequest->analysedFiles.front();
            state = file.longFileName;
            if (file.additionalInfo.width && file.additionalInfo.height) {
                WCHAR size[48];
                swprintf_s(size, W(" (%ldx%ld)"), long(file.additionalInfo.width), long(file.additionalInfo.height));
                state += size;
            }
            if (state.empty())
                state = W(" ");
        }
        break;
    default: break;
    }
    return state;
}

int CConnect::firstLineWidth(const LinkInfo& link)
{
    COLORREF colour = BLACK;
    CScreenText screen(CResourceManager::Instance().GetUIFont(true));
    return screen.Width(firstLineText(link, colour));
}

WString CConnect::redirectText(const WCHAR* pRedirect, const WCHAR* pOriginal, const WCHAR* pNeighbour)
{
    if (!pRedirect || !*pRedirect)
        return W(" ");
    WString redirect(pRedirect);
    WString redirectHost = HostOf(redirect);
    WString originalHost = HostOf(pOriginal ? WString(pOriginal) : WString());
    if (redirectHost.size() == originalHost.size() && _wcsicmp(redirectHost.c_str(), originalHost.c_str()) == 0)
        return shortenOriginalURL(pRedirect, pNeighbour, SHORT_URL_LENGTH);
    if (!HasPath(redirect))
        return redirectHost;
    // The other host's root: its host and the slash, not the host shown twice.
    if (redirect.find(W('/'), redirect.find(redirectHost) + redirectHost.size()) + 1 == redirect.size())
        return redirectHost + W("/");
    // A host of 77 characters or more leaves no room for a path: keep the shortest form that still shows one.
    int room = (std::max)(SHORT_URL_LENGTH - int(redirectHost.size()), 4);
    WString path = shortenOriginalURL(pRedirect, pNeighbour, room);
    WString text = redirectHost;
    if (!path.empty() && path[0] == W('.'))
        text += path.substr(1);
    else if (!path.empty() && path[0] == W('/'))
        text += path;
    else if (path != W(" "))
        text += W("/") + path;
    return text;
}

COfficeControlBase* CConnect::callbackControl(IDispatch* pRibbonControl) const
{
    COutlookRibbon* pRibbon = COutlookCommandBars::Instance().GetRibbon();
    VTR_CHECK_TEXT(pRibbon, "\"COutlookCommandBars::Instance().GetRibbon()\"", E_UNEXPECTED);
    COfficeControlBase* pControl = pRibbon->GetControl(pRibbonControl);
    VTR_CHECK_QUOTED(pControl, E_POINTER);
    return pControl;
}

COfficeRibbonGallery* CConnect::callbackGallery(IDispatch* pRibbonControl) const
{
    auto* pGallery = dynamic_cast<COfficeRibbonGallery*>(callbackControl(pRibbonControl));
    VTR_CHECK_QUOTED(pGallery, E_POINTER);
    return pGallery;
}

const IPInfo4Links& CConnect::galleryServer(int galleryId) const
{
    int row = galleryId - ID_LINK_GALLERY[0];
    VTR_CHECK_QUOTED(row >= 0 && row < ROW_COUNT, E_UNEXPECTED);
    auto& links = const_cast<CEmailLinks&>(const_cast<CConnect*>(this)->m_eMailData.GetEmailLinks());
    const IPInfo4LinksList& servers = links.GetLinkServers();
    int topRow = links.GetTopRow();
    VTR_CHECK_QUOTED(topRow + row < (int) servers.size(), E_UNEXPECTED);
    return servers[size_t(topRow + row)];
}

int CConnect::itemHeight() const noexcept
{
    return m_textHeight[1] + 2 * m_textHeight[0] + 2;
}

HRESULT CConnect::getTextCB(IDispatch* pRibbonControl, BSTR* pBstrValue, int which)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(pBstrValue, E_INVALIDARG);
        VTR_CHECK_QUOTED(*pBstrValue == nullptr, E_INVALIDARG);
        COfficeControlBase* pControlBase = callbackControl(pRibbonControl);
        BSTR text = nullptr;
        if (which == TEXT_LABEL) {
            text = pControlBase->GetLabel();
        } else if (which == TEXT_TOOLTIP) {
            text = pControlBase->GetToolTip();
        } else {
            auto* pControl = dynamic_cast<COfficeRibbonControl*>(pControlBase);
            VTR_CHECK_QUOTED(pControl, E_POINTER);
            text = pControl->GetSuperTip();
        }
        *pBstrValue = CopyForOutlook(text, SysStringLen(text));
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::getFlagCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue, bool enabled)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(pValue, E_INVALIDARG);
        auto* pControl = dynamic_cast<COfficeRibbonControl*>(callbackControl(pRibbonControl));
        VTR_CHECK_QUOTED(pControl, E_POINTER);
        bool flag = enabled ? pControl->IsEnabled() : pControl->IsVisible();
        *pValue = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetLabelCB(IDispatch* pRibbonControl, BSTR* pBstrValue)
{
    return getTextCB(pRibbonControl, pBstrValue, TEXT_LABEL);
}

HRESULT CConnect::GetToolTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue)
{
    return getTextCB(pRibbonControl, pBstrValue, TEXT_TOOLTIP);
}

HRESULT CConnect::GetSuperTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue)
{
    return getTextCB(pRibbonControl, pBstrValue, TEXT_SUPERTIP);
}

HRESULT CConnect::GetIsVisibleCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue)
{
    return getFlagCB(pRibbonControl, pValue, false);
}

HRESULT CConnect::GetIsEnabledCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue)
{
    return getFlagCB(pRibbonControl, pValue, true);
}

HRESULT CConnect::GetImageCB(IDispatch* pRibbonControl, IPictureDisp** ppImage)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(ppImage, E_INVALIDARG);
        VTR_CHECK_QUOTED(*ppImage == nullptr, E_INVALIDARG);
        auto* pButton = dynamic_cast<COfficeRibbonButton*>(callbackControl(pRibbonControl));
        VTR_CHECK_QUOTED(pButton, E_POINTER);
        if (pButton->HasImage())
            *ppImage = CResourceManager::Instance().GetImage(pButton->GetImageId(), true).Detach();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetItemCountCB(IDispatch* pRibbonControl, long* pCount)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(pCount, E_INVALIDARG);
        COfficeRibbonGallery* pGallery = callbackGallery(pRibbonControl);
        *pCount = long(galleryServer(pGallery->ID()).links.size());
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetItemHeightCB(IDispatch* pRibbonControl, long* pHeight)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(pHeight, E_INVALIDARG);
        callbackGallery(pRibbonControl);
        *pHeight = itemHeight();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetItemWidthCB(IDispatch* pRibbonControl, long* pWidth)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(pWidth, E_INVALIDARG);
        COfficeRibbonGallery* pGallery = callbackGallery(pRibbonControl);
        const IPInfo4Links& server = galleryServer(pGallery->ID());

        CScreenText screen(CResourceManager::Instance().GetUIFont(false));
        int widest = 0;
        // The first line (the state, or the download's name) is drawn from the left in the bold font.
        int firstLine = 0;
        for (size_t i = 0; i < server.links.size(); ++i)
            firstLine = (std::max)(firstLine, firstLineWidth(server.links[i]));
        for (size_t i = 0; i < server.links.size(); ++i) {
            const LinkInfo& link = server.links[i];
            const WCHAR* pNeighbour = NeighbourOf(server.links, i);
            widest = (std::max)(widest, screen.Width(shortenOriginalURL(TextOf(link.linkURL), pNeighbour,
                                                                        SHORT_URL_LENGTH)));
            const DataInfo* pData = link.pDataInfo;
            if (pData && pData->status == RS_DONE && link.redirectURL.length())
                widest = (std::max)(widest, screen.Width(redirectText(TextOf(link.redirectURL),
                                                                      TextOf(link.linkURL), pNeighbour)));
            if (pData && (pData->status == RS_QUOTA_EXCEEDED || pData->status == RS_FAILED) &&
                (pData->httpStatus > 0 || pData->errorText.Length() > 0))
                widest = (std::max)(widest, screen.Width(FailedText(*pData)));
        }
        int width = widest + (std::max)(m_widths[IDS_ORIGINAL_URL], m_widths[IDS_REDIRECT_URL]) + 5;
        width = (std::max)(width, firstLine + 5);
        m_widths[pGallery->ID()] = width;
        *pWidth = width;
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetItemLabelCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(cIndex >= 0, E_INVALIDARG);
        VTR_CHECK_QUOTED(pBstrValue, E_INVALIDARG);
        VTR_CHECK_QUOTED(*pBstrValue == nullptr, E_INVALIDARG);
        callbackGallery(pRibbonControl);
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetItemScreenTipCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(cIndex >= 0, E_INVALIDARG);
        VTR_CHECK_QUOTED(pBstrValue, E_INVALIDARG);
        VTR_CHECK_QUOTED(*pBstrValue == nullptr, E_INVALIDARG);
        callbackGallery(pRibbonControl);
        *pBstrValue = CResourceManager::Instance().GetText(IDS_DETAILS).Detach();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

WString CConnect::linkSuperTip(const IPInfo4Links& server, const LinkInfo& link)
{
    WString tip;
    tip.reserve(200);
    if ((server.addressType & IP_TYPE_URL) && !server.host.IsValid())
        AddTipLine(tip, IDS_LINK_HOST, TextOf(link.host), false);
    AddLinkFields(tip, link);
    AddTipLine(tip, IDS_LINK_REWRITTEN_BY, TextOf(link.rewrittenBy), false);
    const DataInfo* pData = link.pDataInfo;
    if (pData && pData->status == RS_DONE && link.redirectURL.length()) {
        LinkInfo redirect;
        try {
            redirect.SetURL(TextOf(link.redirectURL));
        } catch (const CErrorInfo&) {
            return tip;
        }
        tip += W("\n") + WString(14, HORIZONTAL_BAR) + W("\n");
        WString redirectHost = TextOf(redirect.host), linkHost = TextOf(link.host);
        if (_wcsicmp(redirectHost.c_str(), linkHost.c_str()) != 0)
            AddTipLine(tip, IDS_LINK_HOST, redirectHost, false);
        AddLinkFields(tip, redirect);
    }
    return tip;
}

HRESULT CConnect::GetItemSuperTipCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(cIndex >= 0, E_INVALIDARG);
        VTR_CHECK_QUOTED(pBstrValue, E_INVALIDARG);
        VTR_CHECK_QUOTED(*pBstrValue == nullptr, E_INVALIDARG);
        COfficeRibbonGallery* pGallery = callbackGallery(pRibbonControl);
        const IPInfo4Links& currInfo = galleryServer(pGallery->ID());
        VTR_CHECK_QUOTED(cIndex < (int) currInfo.links.size(), E_INVALIDARG);
        WString tip = linkSuperTip(currInfo, currInfo.links[size_t(cIndex)]);
        *pBstrValue = CopyForOutlook(tip.c_str(), tip.size());
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CConnect::GetItemImageCB(IDispatch* pRibbonControl, long cIndex, IPictureDisp** ppImage)
{
    HRESULT hr = S_OK;
    HDC hDC = nullptr;
    HBITMAP hBitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        VTR_CHECK_QUOTED(cIndex >= 0, E_INVALIDARG);
        VTR_CHECK_QUOTED(ppImage, E_INVALIDARG);
        VTR_CHECK_QUOTED(*ppImage == nullptr, E_INVALIDARG);
        COfficeRibbonGallery* pGallery = callbackGallery(pRibbonControl);
        const IPInfo4Links& currInfo = galleryServer(pGallery->ID());
        VTR_CHECK_QUOTED(cIndex < (int) currInfo.links.size(), E_INVALIDARG);
        const LinkInfo& link = currInfo.links[size_t(cIndex)];
        const WCHAR* pNeighbour = NeighbourOf(currInfo.links, size_t(cIndex));

        int width = m_widths[pGallery->ID()];
        if (width <= 0) {
            long measured = 0;
            VTR_CHECK_HR(GetItemWidthCB(pRibbonControl, &measured));
            width = int(measured);
        }
        int height = itemHeight();

        HDC hScreen = GetDC(nullptr);
        hDC = hScreen ? CreateCompatibleDC(hScreen) : nullptr;
        if (hScreen)
            ReleaseDC(nullptr, hScreen);
        VTR_CHECK_QUOTED(hDC, E_UNEXPECTED);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pData = nullptr;
        hBitmap = CreateDIBSection(hDC, &info, DIB_RGB_COLORS, &pData, nullptr, 0);
        VTR_CHECK_QUOTED(pData, E_UNEXPECTED);
        previousBitmap = SelectObject(hDC, hBitmap);
        RECT all = {0, 0, width, height};
        FillRect(hDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(hDC, TRANSPARENT);
        const UINT format = DT_NOPREFIX | DT_VCENTER;
        CResourceManager& resources = CResourceManager::Instance();

        // Line 1: the state of the link's request, or the file it led to.
        COLORREF colour = BLACK;
        WString state = firstLineText(link, colour);
        const DataInfo* pRequest = link.pDataInfo;
        HGDIOBJ previousFont = SelectObject(hDC, resources.GetUIFont(true));
        SetTextColor(hDC, colour);
        RECT line = {0, 0, width, m_textHeight[1]};
        DrawTextW(hDC, state.c_str(), int(state.size()), &line, format);

        // Lines 2 and 3: the original address and where it led, after their labels.
        SelectObject(hDC, resources.GetUIFont(false));
        int valueX = (std::max)(m_widths[IDS_ORIGINAL_URL], m_widths[IDS_REDIRECT_URL]);
        int y = m_textHeight[1] + 1;
        WString label = ResourceString(IDS_ORIGINAL_URL) + W(": ");
        SetTextColor(hDC, BLACK);
        line = {0, y, width, y + m_textHeight[0]};
        DrawTextW(hDC, label.c_str(), int(label.size()), &line, format);
        WString original = shortenOriginalURL(TextOf(link.linkURL), pNeighbour, SHORT_URL_LENGTH);
        SetTextColor(hDC, BLUE);
        line = {valueX, y, width, y + m_textHeight[0]};
        DrawTextW(hDC, original.c_str(), int(original.size()), &line, format);

        y += m_textHeight[0] + 1;
        label = ResourceString(IDS_REDIRECT_URL) + W(": ");
        SetTextColor(hDC, BLACK);
        line = {0, y, width, y + m_textHeight[0]};
        DrawTextW(hDC, label.c_str(), int(label.size()), &line, format);
        if (pRequest && pRequest->status == RS_DONE) {
            WString redirect = redirectText(TextOf(link.redirectURL), TextOf(link.linkURL), pNeighbour);
            SetTextColor(hDC, BLUE);
            line = {valueX, y, width, y + m_textHeight[0]};
            DrawTextW(hDC, redirect.c_str(), int(redirect.size()), &line, format);
        }
        SelectObject(hDC, previousFont);
        SelectObject(hDC, previousBitmap);
        previousBitmap = nullptr;
        DeleteDC(hDC);
        hDC = nullptr;

        PICTDESC desc = {};
        desc.cbSizeofstruct = sizeof(desc);
        desc.picType = PICTYPE_BITMAP;
        desc.bmp.hbitmap = hBitmap;
        VTR_CHECK_HR(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(ppImage)));
        hBitmap = nullptr; // the picture owns it
    }
    VTR_CATCH_ALL(hr)
    if (hDC) {
        if (previousBitmap)
            SelectObject(hDC, previousBitmap);
        DeleteDC(hDC);
    }
    if (hBitmap)
        DeleteObject(hBitmap);
    return hr;
}
