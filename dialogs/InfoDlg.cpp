// The info dialog; see InfoDlg.h.
#include "dialogs/InfoDlg.h"

#include <richedit.h>
#include <shellapi.h>

#include <cstdio>
#include <random>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "__Utilities/ResourceManager.h"
#include "Utils/DataRequest.h"
#include "dialogs/MapPage.h"

namespace {

const int MAP_NAME_ATTEMPTS = 100;

WString ToWString(const CComBSTR& text)
{
    return text.m_str ? WString(text.m_str, text.Length()) : WString();
}

WString ToWString(const _bstr_t& text)
{
    const WCHAR* p = static_cast<const WCHAR*>(text);
    return p ? WString(p, text.length()) : WString();
}

bool IsEmpty(const _bstr_t& text)
{
    return text.length() == 0;
}

} // namespace

CInfoDlg::CInfoDlg(UINT captionId) : m_captionId(captionId)
{
    InitControls();
    if (captionId != IDS_TITLE_ERROR_LOG)
        return;
    try {
        InitFromErrorLog();
    } catch (const CErrorInfo&) {
        // Logged; the dialog shows no text.
    }
}

CInfoDlg::~CInfoDlg()
{
    for (const std::string& file : m_tempFiles)
        std::remove(file.c_str());
}

void CInfoDlg::SetFormatType(FormatType type)
{
    if (m_typeSet)
        return;
    m_formatType = type;
    m_typeSet = true;
}

void CInfoDlg::SetText(const WString& header)
{
    SetFormatType(FT_MSG_HEADER);
    Reserve();
    m_text += header;
}

void CInfoDlg::SetPlainText(const WString& body)
{
    SetFormatType(FT_NONE);
    Reserve();
    m_text += body;
}

void CInfoDlg::InitFromErrorLog()
{
    SetFormatType(FT_NONE);
    CComBSTR errorLog = CErrorLog::Instance().ReadAll();
    VTR_CHECK_TEXT(errorLog.Length() > 0, "((const wchar_t*) \"errorLog\") && (wcslen(\"errorLog\") > 0)",
                   E_UNEXPECTED);
    Reserve();
    m_text.append(errorLog.m_str, errorLog.Length());
}

void CInfoDlg::AddMapEntry(int layer, double longitude, double latitude, const WString& label)
{
    std::string entry = CMapPage::Entry(layer, longitude, latitude, label);
    if (entry.empty())
        return;
    if (size_t(layer) < m_coordinates.size()) {
        m_coordinates[size_t(layer)] += ", \n";
        m_coordinates[size_t(layer)] += entry;
    } else {
        m_coordinates.push_back(entry);
    }
}

void CInfoDlg::AddAddressBlock(const IPInfo& info)
{
    const IP_address* pAddress = info.Address();
    const bool isHost = pAddress == &info.host;
    WString heading;
    if (pAddress && pAddress->IsValid())
        heading = ToWString(pAddress->ToString(false));
    else if (isHost || !pAddress)
        heading = ToWString(CResourceManager::Instance().GetText(IDS_UNKNOWN_HOST));
    LONG start = Length();
    m_text += heading;
    AddColorRange(start, Length(), isHost ? CLR_HOST : 0, true);
    m_text += W('\n');

    // The countries side by side when the providers do not agree.
    WString disagreement = info.DisagreementText();
    if (!disagreement.empty()) {
        LONG at = Length();
        m_text += disagreement;
        AddColorRange(at, Length(), CLR_ERROR, false);
        m_text += W('\n');
    }

    const bool reserved = pAddress && pAddress->IsReserved();
    if (reserved) {
        m_text += ToWString(pAddress->GetReservedDescription());
        m_text += W(" - ");
    }
    for (size_t i = 0; i < info.locationInfo.size(); ++i) {
        const IPLocationInfo* pLocation = info.locationInfo[i];
        if (!VTR_VERIFY_QUOTED(pLocation, E_POINTER))
            continue;
        if (i > 0)
            m_text += W('\n');
        switch (pLocation->status) {
        case RS_REQUESTING:
        case RS_ABORTED:
        case RS_QUOTA_EXCEEDED:
        case RS_FAILED:
            AddStatusLine(ToWString(pLocation->ToString()).c_str(), CLR_ERROR);
            break;
        case RS_LOADING:
        case RS_LOADED:
        case RS_INTERACTIVE:
            AddStatusLine(ToWString(pLocation->ToString()).c_str(), CLR_PROGRESS);
            break;
        default: {
            LONG textStart = Length();
            m_text += ToWString(pLocation->ToLongString());
            m_text += W('\n');
            if (reserved)
                break;
            // The label of each line, up to its first colon.
            for (LONG lineStart = textStart; lineStart < Length();) {
                size_t lineEnd = m_text.find(W('\n'), size_t(lineStart));
                if (lineEnd == WString::npos)
                    lineEnd = m_text.size();
                size_t colon = m_text.find(W(':'), size_t(lineStart));
                if (colon != WString::npos && colon < lineEnd && LONG(colon) > lineStart)
                    AddColorRange(lineStart, LONG(colon), CLR_LABEL, false);
                lineStart = LONG(lineEnd) + 1;
            }
            break;
        }
        }
        if (!reserved && pLocation->latitude != 0 && pLocation->longitude != 0)
            AddMapEntry(int(i), pLocation->longitude, pLocation->latitude, heading);
    }
}

void CInfoDlg::AddIPLocations(const IPInfoList& ipList)
{
    try {
        SetFormatType(FT_IP_LOCATION);
        Reserve();
        for (size_t i = 0; i < ipList.size(); ++i) {
            if (i > 0)
                m_text += W("\n\n");
            AddAddressBlock(ipList[i]);
        }
    }
    VTR_CATCH_LOG
}

void CInfoDlg::AddAttachments(const std::vector<AttachmentInfo>& attachments)
{
    try {
        SetFormatType(FT_ATTACHMENTS);
        Reserve();
        for (size_t i = 0; i < attachments.size(); ++i) {
            if (i > 0)
                m_text += W('\n');
            InitAttachment(attachments[i], m_formatType == FT_ATTACHMENTS);
        }
    }
    VTR_CATCH_LOG
}

void CInfoDlg::AddLinkDetails(const LinkInfo& link)
{
    if (!IsEmpty(link.linkURL))
        AddLine(IDS_LINK_ORIGINAL_URL, ToWString(link.linkURL).c_str());
    if (!IsEmpty(link.rewrittenBy)) {
        AddLine(IDS_LINK_REWRITTEN_BY, ToWString(link.rewrittenBy).c_str());
        AddLine(IDS_LINK_REWRITTEN_URL, ToWString(link.rewrittenURL).c_str());
    }
    if (!IsEmpty(link.linkText))
        AddLine(IDS_LINK_TEXT, ToWString(link.linkText).c_str());
    if (!IsEmpty(link.unescapedURL) &&
        (IsEmpty(link.linkURL) || _wcsicmp(link.unescapedURL, link.linkURL) != 0))
        AddLine(IDS_LINK_UNESCAPED_URL, ToWString(link.unescapedURL).c_str());
    if (!IsEmpty(link.redirectURL))
        AddLine(IDS_LINK_REDIRECTED_URL, ToWString(link.redirectURL).c_str());
    if (!IsEmpty(link.userInfo))
        AddLine(IDS_LINK_USER_INFO, ToWString(link.userInfo).c_str());
    if (link.port != 0)
        AddLine(IDS_LINK_PORT, Decimal(link.port).c_str());
    if (!IsEmpty(link.fileName)) {
        AddLine(IDS_LINK_FILE_NAME, ToWString(link.fileName).c_str());
        if (!IsEmpty(link.extension))
            AddLine(IDS_LINK_EXTENSION, ToWString(link.extension).c_str());
    } else {
        if (!IsEmpty(link.path))
            AddLine(IDS_LINK_PATH, ToWString(link.path).c_str());
        if (!IsEmpty(link.query))
            AddLine(IDS_LINK_QUERY, AddSplitQuery(link.query).c_str());
        if (!IsEmpty(link.fragment))
            AddLine(IDS_LINK_FRAGMENT, ToWString(link.fragment).c_str());
    }

    const DataInfo* pData = link.pDataInfo;
    if (!pData)
        return;
    WString failed;
    switch (pData->status) {
    case RS_REQUESTING:
        AddStatusLine(ToWString(CResourceManager::Instance().GetText(IDS_RS_REQUESTING)).c_str(), CLR_ERROR);
        break;
    case RS_QUOTA_EXCEEDED:
    case RS_FAILED:
        failed = ToWString(pData->FailedText());
        AddStatusLine(failed.c_str(), CLR_ERROR);
        break;
    case RS_ABORTED:
        AddStatusLine(ToWString(CResourceManager::Instance().GetText(IDS_RS_ABORTED)).c_str(), CLR_ERROR);
        break;
    case RS_LOADING:
    case RS_LOADED:
    case RS_INTERACTIVE:
        AddStatusLine(ToWString(CResourceManager::Instance().GetText(IDS_RS_RETRIEVING)).c_str(), CLR_PROGRESS);
        break;
    case RS_DONE:
        if (!pData->analysedFiles.empty()) {
            m_text += W('\n');
            AddAttachments(pData->analysedFiles);
        }
        break;
    default:
        break;
    }
}

void CInfoDlg::AddLinks(const IPInfo4LinksList& linkServers)
{
    try {
        SetFormatType(FT_LINKS);
        Reserve();
        for (size_t i = 0; i < linkServers.size(); ++i) {
            if (i > 0)
                m_text += W("\n\n\n");
            AddAddressBlock(linkServers[i]);
            for (const LinkInfo& link : linkServers[i].links) {
                m_text += W('\n');
                AddLinkDetails(link);
            }
        }
    }
    VTR_CATCH_LOG
}

WString CInfoDlg::AddSplitQuery(const WCHAR* pQuery)
{
    WString split;
    if (!VTR_VERIFY_QUOTED(pQuery, E_INVALIDARG))
        return split;
    for (const WCHAR* p = pQuery; *p; ++p) {
        if (*p == W('&') && p != pQuery)
            split += W("\n\t\t");
        split += *p;
    }
    return split;
}

void CInfoDlg::GetHTML(std::ofstream& output, bool doLines)
{
    if (!VTR_VERIFY_QUOTED(output.is_open(), E_INVALIDARG) || !VTR_VERIFY_QUOTED(!m_coordinates.empty(), E_UNEXPECTED))
        return;
    CMapPage::Write(output, m_coordinates, doLines);
}

void CInfoDlg::FormatMsgHeader(HWND hRichEditCtrl)
{
    VTR_CHECK_TEXT(!m_text.empty(), "((const wchar_t*) \"pContent\") && (wcslen(\"pContent\") > 0)", E_UNEXPECTED);
    VTR_CHECK_TEXT(hRichEditCtrl, "\"hRichEdiCtrl\" > 0", E_UNEXPECTED);

    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD;
    format.dwEffects = CFE_BOLD;
    std::vector<LONG> crLf = CrLfStarts();
    for (size_t lineStart = 0; lineStart < m_text.size();) {
        size_t lineEnd = m_text.find(W('\n'), lineStart);
        if (lineEnd == WString::npos)
            lineEnd = m_text.size();
        WCHAR first = m_text[lineStart];
        // A folded continuation line belongs to the field above; its colons name nothing.
        if (first != W(' ') && first != W('\t')) {
            size_t colon = m_text.find(W(':'), lineStart);
            if (colon != WString::npos && colon < lineEnd) {
                CHARRANGE selection{ControlPosition(crLf, LONG(lineStart)), ControlPosition(crLf, LONG(colon) + 1)};
                ::SendMessageW(hRichEditCtrl, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
                ::SendMessageW(hRichEditCtrl, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
            }
        }
        lineStart = lineEnd + 1;
    }
    ::SendMessageW(hRichEditCtrl, EM_SETSEL, 0, 0);
}

LRESULT CInfoDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    try {
        RECT client{};
        if (VTR_VERIFY_WIN32(GetClientRect(&client))) {
            m_clientWidth = client.right;
            m_clientHeight = client.bottom;
        }
        CComBSTR caption = CResourceManager::Instance().GetText(int(m_captionId));
        VTR_VERIFY_WIN32(SetWindowText(caption.m_str ? caption.m_str : W("")));

        HWND hRichEdit = GetDlgItem(IDC_RICHEDIT);
        if (VTR_VERIFY_QUOTED(hRichEdit, E_UNEXPECTED)) {
            ::SendMessageW(hRichEdit, EM_AUTOURLDETECT, AURL_ENABLEURL, 0);
            ::SendMessageW(hRichEdit, EM_EXLIMITTEXT, 0, LPARAM(std::max<size_t>(m_text.size() + 1, 64000)));
            ::SetWindowTextW(hRichEdit, ControlText().c_str());
            ::SetFocus(hRichEdit);
        }
        RestoreWindowRect(m_hWnd, m_captionId);

        const bool map = m_formatType == FT_IP_LOCATION || m_formatType == FT_LINKS;
        CWindow mapButton(GetDlgItem(IDC_MAP));
        mapButton.EnableWindow(map);
        mapButton.ShowWindow(map ? SW_SHOW : SW_HIDE);

        if (hRichEdit && !m_text.empty()) {
            if (m_formatType == FT_MSG_HEADER)
                FormatMsgHeader(hRichEdit);
            else if (m_formatType != FT_NONE)
                FormatContent(hRichEdit);
        }
    }
    VTR_CATCH_LOG
    return FALSE; // the focus is on the text
}

LRESULT CInfoDlg::OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (wParam == SIZE_MINIMIZED)
        return 0;
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    if (m_clientWidth == 0 && m_clientHeight == 0)
        return 0; // not laid out yet
    const int dx = width - m_clientWidth, dy = height - m_clientHeight;
    try {
        RECT rect;
        HWND hRichEdit = GetDlgItem(IDC_RICHEDIT);
        GetChildRect(hRichEdit, rect);
        VTR_CHECK_WIN32(::MoveWindow(hRichEdit, rect.left, rect.top, rect.right - rect.left + dx,
                                     rect.bottom - rect.top + dy, TRUE));
        for (int id : {int(IDOK), int(IDC_MAP)}) {
            HWND hButton = GetDlgItem(id);
            GetChildRect(hButton, rect);
            VTR_CHECK_WIN32(::MoveWindow(hButton, rect.left + dx, rect.top + dy, rect.right - rect.left,
                                         rect.bottom - rect.top, TRUE));
        }
        m_clientWidth = width;
        m_clientHeight = height;
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT CInfoDlg::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    SetMinTrackSize(lParam);
    return 0;
}

LRESULT CInfoDlg::OnClickedMap(WORD, WORD, HWND, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED((m_formatType == FT_IP_LOCATION) || (m_formatType == FT_LINKS), E_UNEXPECTED) ||
            !VTR_VERIFY_QUOTED(!m_coordinates.empty(), E_UNEXPECTED))
            return 0;
        WCHAR folder[MAX_PATH + 1] = {};
        DWORD length = GetTempPathW(DWORD(MAX_PATH + 1), folder);
        VTR_CHECK_WIN32(length > 0 && length <= MAX_PATH);

        std::random_device seed;
        std::mt19937 random(seed());
        std::uniform_int_distribution<int> letter(0, 25);
        WString wideName;
        std::string name;
        for (int attempt = 0; attempt < MAP_NAME_ATTEMPTS && name.empty(); ++attempt) {
            WString candidate = WString(folder, length) + W("Map");
            for (int i = 0; i < 6; ++i)
                candidate += WCHAR(W('a') + letter(random));
            candidate += W(".html");
            char narrow[4 * MAX_PATH] = {};
            BOOL lossy = FALSE;
            int n = WideCharToMultiByte(CP_ACP, 0, candidate.c_str(), -1, narrow, int(sizeof(narrow)), nullptr, &lossy);
            VTR_CHECK_WIN32(n > 0);
            VTR_CHECK_QUOTED(!lossy, E_FAIL);
            std::ifstream probe(narrow);
            if (!probe.is_open()) {
                name = narrow;
                wideName = candidate;
            }
        }
        VTR_CHECK_QUOTED(!name.empty(), E_FAIL);

        std::ofstream tempFile(name, std::ios::out | std::ios::binary | std::ios::trunc);
        if (!VTR_VERIFY_QUOTED(tempFile.is_open(), E_FAIL))
            return 0;
        GetHTML(tempFile, m_formatType == FT_IP_LOCATION);
        tempFile.close();
        m_tempFiles.push_back(name);
        HINSTANCE result = ShellExecuteW(m_hWnd, W("open"), wideName.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        VTR_VERIFY_QUOTED(reinterpret_cast<INT_PTR>(result) > 32, E_FAIL);
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT CInfoDlg::OnClickedOKCancel(WORD, WORD wID, HWND, BOOL&)
{
    SaveWindowRect(m_hWnd, m_captionId);
    EndDialog(wID);
    return 0;
}
