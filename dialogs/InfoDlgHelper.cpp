// The coloured detail texts; see InfoDlgHelper.h.
#include "dialogs/InfoDlgHelper.h"

#include <commctrl.h>
#include <richedit.h>
#include <objbase.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "Utils/FileSignature.h"
#include "Utils/OutlookAddinRegistry.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

namespace {

const size_t RESERVED_LENGTH = 1024;
const size_t PREVIEW_RULE_LENGTH = 55;
const DWORD ASSOC_ANSWER_LENGTH = 1000;

WString ResourceText(UINT id)
{
    CComBSTR text = CResourceManager::Instance().GetText(int(id));
    return text.m_str ? WString(text.m_str, text.Length()) : WString();
}

// The byte as a character of the bytes line: white space and control characters as dots.
WCHAR ByteChar(BYTE b)
{
    WCHAR c = WCHAR(b);
    if (b < 0x20 || (b >= 0x7F && b <= 0xA0) || iswspace(c))
        return W('.');
    return c;
}

bool IsPreviewKind(const std::basic_string<WCHAR>& typeName)
{
    for (FileKind kind : {FK_HTML, FK_XML, FK_UNKNOWN}) {
        const WCHAR* name = CFileSignature::GetKindName(kind);
        if (name && typeName == name)
            return true;
    }
    return false;
}

} // namespace

WString CInfoDlgHelper::Decimal(long long value)
{
    WCHAR number[24];
    swprintf_s(number, W("%lld"), value);
    return number;
}

void CInfoDlgHelper::InitControls()
{
    static const bool loaded = [] {
        // Outlook need not have registered them: a process that has not shows no dialog at all.
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_TAB_CLASSES | ICC_LINK_CLASS | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        VTR_VERIFY_WIN32(InitCommonControlsEx(&controls));
        // Kept for the process: the class must outlive every dialog.
        VTR_VERIFY_WIN32(LoadLibraryW(W("Msftedit.dll")));
        return true;
    }();
    (void)loaded;
}

void CInfoDlgHelper::Reserve()
{
    if (m_text.capacity() < RESERVED_LENGTH)
        m_text.reserve(RESERVED_LENGTH);
}

void CInfoDlgHelper::AddLabel(UINT id)
{
    LONG start = Length();
    m_text += ResourceText(id);
    AddColorRange(start, Length(), CLR_LABEL, false);
}

void CInfoDlgHelper::AddLine(UINT labelId, const WCHAR* value)
{
    if (!m_text.empty())
        m_text += W('\n');
    AddLabel(labelId);
    if (value)
        m_text += value;
}

void CInfoDlgHelper::AddLine(UINT labelId, UINT valueId)
{
    AddLine(labelId, ResourceText(valueId).c_str());
}

void CInfoDlgHelper::AddStatusLine(const WCHAR* value, COLORREF colour)
{
    m_text += W('\n');
    AddLabel(IDS_LINK_STATUS);
    LONG start = Length();
    if (value)
        m_text += value;
    AddColorRange(start, Length(), colour, false);
}

void CInfoDlgHelper::AddBoldRange(LONG start, LONG end)
{
    FormatRange range;
    range.start = start;
    range.end = end;
    range.bold = true;
    m_formatRanges.push_back(range);
}

void CInfoDlgHelper::AddColorRange(LONG start, LONG end, COLORREF colour, bool bold)
{
    FormatRange range;
    range.color = colour;
    range.start = start;
    range.end = end;
    range.bold = bold;
    m_formatRanges.push_back(range);
}

WString CInfoDlgHelper::ControlText() const
{
    WString text = m_text;
    std::replace(text.begin(), text.end(), W('\0'), W(' '));
    return text;
}

std::vector<LONG> CInfoDlgHelper::CrLfStarts() const
{
    std::vector<LONG> starts;
    for (size_t i = 0; i + 1 < m_text.size(); ++i)
        if (m_text[i] == W('\r') && m_text[i + 1] == W('\n'))
            starts.push_back(LONG(i++));
    return starts;
}

LONG CInfoDlgHelper::ControlPosition(const std::vector<LONG>& crLfStarts, LONG position)
{
    // A pair counts once: its LF is the one character that a position past the pair gives back.
    auto before = std::lower_bound(crLfStarts.begin(), crLfStarts.end(), position - 1);
    return position - LONG(before - crLfStarts.begin());
}

void CInfoDlgHelper::FormatContent(HWND hRichEditCtrl)
{
    VTR_CHECK_TEXT(!m_text.empty(),
                   "((const wchar_t*) \"pContent\") && (wcslen(\"pContent\") > 0)", E_UNEXPECTED);
    VTR_CHECK_TEXT(hRichEditCtrl, "\"hRichEdiCtrl\" > 0", E_UNEXPECTED);

    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    ::SendMessageW(hRichEditCtrl, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));

    std::vector<LONG> crLf = CrLfStarts();
    for (const FormatRange& range : m_formatRanges) {
        CHARRANGE selection{ControlPosition(crLf, range.start), ControlPosition(crLf, range.end)};
        ::SendMessageW(hRichEditCtrl, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_COLOR;
        format.dwEffects = (range.bold ? CFE_BOLD : 0) | (range.italic ? CFE_ITALIC : 0) |
                           (range.color == 0 ? CFE_AUTOCOLOR : 0);
        format.crTextColor = range.color;
        ::SendMessageW(hRichEditCtrl, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    ::SendMessageW(hRichEditCtrl, EM_SETSEL, 0, 0);
}

void CInfoDlgHelper::AddAssociationLines(const WString& extension)
{
    PERCEIVED perceived = PERCEIVED_TYPE_UNSPECIFIED;
    PERCEIVEDFLAG flags = 0;
    LPWSTR pType = nullptr;
    if (SUCCEEDED(AssocGetPerceivedType(extension.c_str(), &perceived, &flags, &pType)) && pType && *pType)
        AddLine(IDS_ATT_GENERAL_TYPE, pType);
    if (pType)
        CoTaskMemFree(pType);

    static const struct {
        ASSOCSTR what;
        UINT labelId;
    } queries[] = {{ASSOCSTR_FRIENDLYDOCNAME, IDS_ATT_REGISTERED_TYPE},
                   {ASSOCSTR_FRIENDLYAPPNAME, IDS_ATT_APPLICATION_NAME},
                   {ASSOCSTR_COMMAND, IDS_ATT_COMMAND_LINE}};
    for (const auto& query : queries) {
        WCHAR answer[ASSOC_ANSWER_LENGTH] = {};
        DWORD length = ASSOC_ANSWER_LENGTH;
        if (AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, query.what, extension.c_str(), nullptr, answer, &length) ==
                S_OK &&
            answer[0])
            AddLine(query.labelId, answer);
    }
}

void CInfoDlgHelper::InitAttachment(const AttachmentInfo& attachInfo, bool full)
{
    try {
        Reserve();
        const AdditionalInfo& info = attachInfo.additionalInfo;
        if (full) {
            AddLine(IDS_ATT_FILE_NAME, attachInfo.longFileName.c_str());
            AddBoldRange(Length() - LONG(attachInfo.longFileName.size()), Length());
        }
        if (!attachInfo.displayName.empty() &&
            _wcsicmp(attachInfo.displayName.c_str(), attachInfo.longFileName.c_str()) != 0)
            AddLine(IDS_ATT_DISPLAYED_NAME, attachInfo.displayName.c_str());
        AddLine(IDS_ATT_DETECTED_TYPE, attachInfo.typeName.c_str());
        if (info.width != 0 && info.height != 0) {
            AddLine(IDS_ATT_IMAGE_WIDTH, Decimal(info.width).c_str());
            AddLine(IDS_ATT_IMAGE_HEIGHT, Decimal(info.height).c_str());
        }
        if (info.platform == 1)
            AddLine(IDS_ATT_REQUIRED_OS, UINT(IDS_ATT_OS_MSDOS));
        else if (info.platform == 2)
            AddLine(IDS_ATT_REQUIRED_OS, UINT(IDS_ATT_OS_WINDOWS));
        if (info.programMode >= 1 && info.programMode <= 3)
            AddLine(IDS_ATT_PROGRAM_MODE, UINT(IDS_ATT_MODE_16BIT + info.programMode - 1));
        if (info.isDotNet)
            AddLine(IDS_ATT_PROPERTY, UINT(IDS_ATT_DOTNET));
        if (info.runOnExtract)
            AddLine(IDS_ATT_PROPERTY, UINT(IDS_ATT_RUN_ON_EXTRACT));
        auto addRisk = [this](UINT valueId, COLORREF colour) {
            AddLine(IDS_ATT_SECURITY_RISK, nullptr);
            LONG start = Length();
            m_text += ResourceText(valueId);
            AddColorRange(start, Length(), colour, true);
        };
        if (info.isTracking)
            addRisk(IDS_ATT_TRACKING, CLR_WARNING);
        if (info.typeMismatch)
            addRisk(IDS_ATT_TYPE_MISMATCH, CLR_WARNING);
        if (CFileSignature::IsPotentiallyDangerous(attachInfo))
            addRisk(IDS_ATT_DANGEROUS, CLR_ERROR);
        if (!attachInfo.extension.empty())
            AddAssociationLines(W(".") + attachInfo.extension);

        VTR_VERIFY_QUOTED(attachInfo.additionalInfo.readBytes <= attachInfo.additionalInfo.fileBytes.size(),
                          E_UNEXPECTED);
        const size_t n = std::min<size_t>(info.readBytes, info.fileBytes.size());
        if (n == 0)
            return;
        auto relevant = [&info](size_t i) { return i < info.relevantBytes.size() && info.relevantBytes[i]; };
        // Runs of relevant bytes, each one bold range; width is the characters a byte takes.
        auto boldRuns = [&](LONG start, LONG width, LONG gap) {
            for (size_t i = 0; i < n;) {
                if (!relevant(i)) {
                    ++i;
                    continue;
                }
                size_t j = i;
                while (j < n && relevant(j))
                    ++j;
                AddBoldRange(start + LONG(i) * width, start + LONG(j) * width - gap);
                i = j;
            }
        };
        AddLine(IDS_ATT_FILE_SIGNATURE, nullptr);
        LONG start = Length();
        for (size_t i = 0; i < n; ++i) {
            WCHAR group[8];
            swprintf_s(group, W("0x%02X "), unsigned(info.fileBytes[i]));
            m_text += group;
        }
        boldRuns(start, 5, 1);
        AddLine(IDS_ATT_FILE_BYTES, nullptr);
        start = Length();
        for (size_t i = 0; i < n; ++i)
            m_text += ByteChar(info.fileBytes[i]);
        boldRuns(start, 1, 0);

        size_t relevantCount = size_t(std::count_if(info.relevantBytes.begin(), info.relevantBytes.end(),
                                                    [](BYTE b) { return b != 0; }));
        if (!full || !IsPreviewKind(attachInfo.typeName) || n <= SIGNATURE_LENGTH || relevantCount > SIGNATURE_LENGTH)
            return;
        m_text += W("\n\n");
        m_text.append(PREVIEW_RULE_LENGTH, W('-'));
        m_text += W("\n\n");
        for (size_t i = 0; i < n; ++i) {
            BYTE b = info.fileBytes[i];
            int high = 0, low = 0;
            if (b == '\\' && i + 3 < n && info.fileBytes[i + 1] == 'x' &&
                (high = HexDigitValue(WCHAR(info.fileBytes[i + 2]))) >= 0 &&
                (low = HexDigitValue(WCHAR(info.fileBytes[i + 3]))) >= 0) {
                m_text += WCHAR(high * 16 + low);
                i += 3;
            } else {
                m_text += b == 0 ? W(' ') : WCHAR(b);
            }
        }
    }
    VTR_CATCH_LOG
}

namespace {

WORD PackCoordinate(LONG value)
{
    return WORD(SHORT(std::clamp<LONG>(value, -32768, 32767)));
}

WString ValueName(UINT captionId)
{
    return CInfoDlgHelper::Decimal(captionId);
}

} // namespace

ULONGLONG CInfoDlgHelper::PackWindowRect(const RECT& rect)
{
    return (ULONGLONG(PackCoordinate(rect.left)) << 48) | (ULONGLONG(PackCoordinate(rect.top)) << 32) |
           (ULONGLONG(PackCoordinate(rect.right)) << 16) | ULONGLONG(PackCoordinate(rect.bottom));
}

RECT CInfoDlgHelper::UnpackWindowRect(ULONGLONG value)
{
    RECT rect;
    rect.left = SHORT(WORD(value >> 48));
    rect.top = SHORT(WORD(value >> 32));
    rect.right = SHORT(WORD(value >> 16));
    rect.bottom = SHORT(WORD(value));
    return rect;
}

void CInfoDlgHelper::SaveWindowRect(HWND hWnd, UINT captionId)
{
    RECT rect;
    if (!VTR_VERIFY_WIN32(::GetWindowRect(hWnd, &rect)))
        return;
    COutlookAddinRegistry registry;
    registry.WriteQWORD(ValueName(captionId).c_str(), PackWindowRect(rect));
}

bool CInfoDlgHelper::RestoreWindowRect(HWND hWnd, UINT captionId)
{
    COutlookAddinRegistry registry;
    ULONGLONG value = 0;
    if (!registry.ReadQWORD(ValueName(captionId).c_str(), value) || value == 0)
        return false;
    RECT rect = UnpackWindowRect(value);
    if (!VTR_VERIFY_QUOTED(rect.right > rect.left && rect.bottom > rect.top, E_UNEXPECTED) ||
        !VTR_VERIFY_QUOTED(::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL), E_UNEXPECTED))
        return false;
    return VTR_VERIFY_WIN32(::SetWindowPos(hWnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                                           rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE));
}

void CInfoDlgHelper::SetMinTrackSize(LPARAM lParam)
{
    if (auto* info = reinterpret_cast<MINMAXINFO*>(lParam)) {
        info->ptMinTrackSize.x = MIN_TRACK_WIDTH;
        info->ptMinTrackSize.y = MIN_TRACK_HEIGHT;
    }
}

void CInfoDlgHelper::GetChildRect(HWND hChild, RECT& rect)
{
    VTR_CHECK_WIN32(::GetWindowRect(hChild, &rect));
    ::SetLastError(0); // a zero offset also returns 0
    VTR_CHECK_WIN32(::MapWindowPoints(nullptr, ::GetParent(hChild), reinterpret_cast<LPPOINT>(&rect), 2) != 0 ||
                    ::GetLastError() == 0);
}
