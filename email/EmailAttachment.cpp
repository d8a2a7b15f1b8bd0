// The attachments of the selected e-mail; see EmailAttachment.h.
#include "email/EmailAttachment.h"

#include <commdlg.h>
#include <initguid.h>
#define USES_IID_IMessage
#include <mapiguid.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <ctime>
#include <iterator>

#include "__Utilities/ProcAddress.h"
#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

namespace {

// Marks the display name of an entry that lies inside an attached e-mail or an archive.
const WCHAR CONTAINED_PREFIX[] = W("  \u2022");
const size_t CONTAINED_PREFIX_LENGTH = std::size(CONTAINED_PREFIX) - 1;

const size_t SAVE_BLOCK_SIZE = 4096;

// The value of a row's property by its id, whatever type MAPI gave it (an error type for a missing one).
const SPropValue& RowValue(const CEmailRowSetProp& rowSet, ULONG propTag)
{
    const SRow& row = rowSet->aRow[0];
    for (ULONG i = 0; i < row.cValues; ++i)
        if (PROP_ID(row.lpProps[i].ulPropTag) == PROP_ID(propTag))
            return row.lpProps[i];
    VTR_FAIL("Unknown error", E_FAIL);
}

// A letter from A to Z, each equally likely.
WCHAR RandomLetter() noexcept
{
    // Draws beyond the last whole run of 26 would favour the first letters.
    const long long range = (long long) RAND_MAX + 1;
    const long long limit = range - range % 26;
    long long r;
    do {
        r = rand();
    } while (r >= limit);
    return WCHAR(W('A') + r % 26);
}

typedef BOOL(WINAPI* GetSaveFileNameW_t)(LPOPENFILENAMEW);
typedef DWORD(WINAPI* CommDlgExtendedError_t)();

// The common dialog library, loaded on first use and kept for the life of the process.
HMODULE CommonDialogModule()
{
    static HMODULE hComdlg = nullptr;
    if (!hComdlg) {
        hComdlg = LoadLibraryW(W("Comdlg32.dll"));
        VTR_CHECK_WIN32(hComdlg);
    }
    return hComdlg;
}

// The file a save writes before it replaces the target: made beside the target (so that the replacing
// move stays on one volume), and deleted again unless the move took it.
class CSaveTemporary {
public:
    CSaveTemporary() = default;
    // False with the system's last error when no file could be made.
    bool Create(const WString& target)
    {
        const size_t slash = target.find_last_of(W("\\/"));
        const WString folder = slash == WString::npos ? WString() : target.substr(0, slash + 1);
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 16; ++attempt) {
            WCHAR name[32];
            const unsigned unique = unsigned(rand()) * 65599u ^ unsigned(GetTickCount64()) ^ (++counter << 20);
            swprintf_s(name, W("~vtr%08X.tmp"), unique);
            m_path = folder + name;
            m_file = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (m_file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
        m_created = m_file != INVALID_HANDLE_VALUE;
        return m_created;
    }
    ~CSaveTemporary()
    {
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
        if (m_created && !m_moved)
            VTR_VERIFY_QUOTED(DeleteFileW(m_path.c_str()), HRESULT_FROM_WIN32(GetLastError()));
    }
    CSaveTemporary(const CSaveTemporary&) = delete;
    CSaveTemporary& operator=(const CSaveTemporary&) = delete;

    HANDLE File() const noexcept { return m_file; }
    BOOL Close() noexcept
    {
        HANDLE file = m_file;
        m_file = INVALID_HANDLE_VALUE;
        return CloseHandle(file);
    }
    BOOL MoveTo(const WString& target) noexcept
    {
        m_moved = MoveFileExW(m_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        return m_moved;
    }

private:
    WString m_path;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_created = false;
    bool m_moved = false;
};

// Device names Windows keeps in every folder, whatever extension follows them.
bool IsDeviceName(WString stem)
{
    while (!stem.empty() && stem.back() == W(' '))
        stem.pop_back();
    for (WCHAR& c : stem)
        if (c >= W('a') && c <= W('z'))
            c = WCHAR(c - W('a') + W('A'));
    for (const WCHAR* device : {W("CON"), W("PRN"), W("AUX"), W("NUL"), W("CONIN$"), W("CONOUT$")})
        if (stem == device)
            return true;
    if (stem.size() != 4 || (stem.compare(0, 3, W("COM")) != 0 && stem.compare(0, 3, W("LPT")) != 0))
        return false;
    const WCHAR digit = stem[3];
    return (digit >= W('0') && digit <= W('9')) || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

bool IsHighSurrogate(WCHAR c) noexcept { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(WCHAR c) noexcept { return c >= 0xDC00 && c < 0xE000; }

// The system's text for a failure, without its line break; the code itself when there is none.
WString SystemReason(HRESULT hr)
{
    const DWORD id = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? DWORD(HRESULT_CODE(hr)) : DWORD(hr);
    WCHAR* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    DWORD length = FormatMessageW(flags, nullptr, id, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    WString reason;
    if (length && buffer)
        reason.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    while (!reason.empty() && (reason.back() == W('\r') || reason.back() == W('\n') || reason.back() == W(' ')))
        reason.pop_back();
    if (reason.empty()) {
        WCHAR code[16];
        swprintf_s(code, W("0x%08X"), unsigned(hr));
        reason = code;
    }
    return reason;
}

} // namespace

CEmailAttachments::CEmailAttachments() : CTopRow(m_attachmentsInfo)
{
    srand(static_cast<unsigned>(time(nullptr)));
}

// Not seeded again: an attached e-mail's list seeded with the same second would draw the letters its
// predecessor drew, and its entries would repeat theirs.
CEmailAttachments::CEmailAttachments(IMessage* pMessage, LPMAPIFREEBUFFER fnFreeBuff) : CTopRow(m_attachmentsInfo)
{
    VTR_CHECK_QUOTED(pMessage, E_POINTER);
    m_spMessage = pMessage;
    fnFreeBuffer = fnFreeBuff;
}

CEmailAttachments::~CEmailAttachments() { Clear(); }

void CEmailAttachments::SetEmailItem(Outlook::_MailItem* pMailItem)
{
    try {
        Clear();
        VTR_CHECK_QUOTED(pMailItem, E_POINTER);
        VTR_CHECK_QUOTED(!m_spMessage, E_POINTER);
        m_spMailItem = pMailItem;
        CComPtr<IUnknown> spMapiObject;
        VTR_CHECK_HR(m_spMailItem->get_MAPIOBJECT(&spMapiObject));
        if (spMapiObject)
            VTR_CHECK_HR(spMapiObject->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&m_spMessage)));
        VTR_CHECK_QUOTED(m_spMessage, E_UNEXPECTED);
    }
    VTR_CATCH_RETHROW
}

void CEmailAttachments::Clear() noexcept
{
    // Each step on its own, so that one failing step does not keep the others from running.
    try {
        m_attachmentsInfo.clear();
    }
    VTR_CATCH_LOG
    try {
        ResetTopRow();
    }
    VTR_CATCH_LOG
    try {
        m_attachmentIndeces.clear();
        m_listed = false;
        m_listedRows = 0;
    }
    VTR_CATCH_LOG
    try {
        fnFreeBuffer = nullptr;
    }
    VTR_CATCH_LOG
    try {
        m_spMessage.Release();
    }
    VTR_CATCH_LOG
    try {
        m_spMailItem.Release();
    }
    VTR_CATCH_LOG
}

std::vector<AttachmentInfo>& CEmailAttachments::GetAttachmentsExMapi()
{
    try {
        VTR_CHECK_QUOTED(m_spMessage, E_POINTER);
        CComPtr<IMAPITable> spTable;
        VTR_CHECK_HR(m_spMessage->GetAttachmentTable(MAPI_UNICODE, &spTable));
        VTR_CHECK_QUOTED(spTable, E_POINTER);
        ULONG rowCount = 0;
        VTR_CHECK_HR(spTable->GetRowCount(0, &rowCount));
        // Built once per table. Records and rows do not match in number (an OLE object has no record, a
        // file inside an archive no row), so the table's own row count is what is remembered. Also a list
        // whose enumeration fails is not read again for the same table: the records before the failure stay.
        if (m_listed && m_listedRows == rowCount)
            return m_attachmentsInfo;
        m_listed = true;
        m_listedRows = rowCount;

        m_attachmentsInfo.clear();
        m_attachmentsInfo.reserve(rowCount);
        m_attachmentIndeces.clear();
        ResetTopRow();
        for (ULONG row = 0; row < rowCount; ++row) {
            CEmailRowSetProp rowSet(fnFreeBuffer);
            VTR_CHECK_HR(spTable->QueryRows(1, 0, &rowSet));
            VTR_CHECK_QUOTED(rowSet, E_POINTER);
            VTR_CHECK_QUOTED(rowSet->cRows == 1, E_UNEXPECTED);
            VTR_CHECK_QUOTED(rowSet->aRow[0].lpProps, E_POINTER);

            const SPropValue& reqProp2 = RowValue(rowSet, PR_ATTACH_METHOD);
            VTR_CHECK_QUOTED((reqProp2.ulPropTag & 0xFF) == PT_LONG, E_UNEXPECTED);
            const ULONG attachMethod = ULONG(reqProp2.Value.l);
            if (!VTR_VERIFY_QUOTED(attachMethod != NO_ATTACHMENT, E_INVALIDARG))
                continue;
            if (attachMethod == ATTACH_OLE)
                continue;

            const SPropValue& reqProp1 = RowValue(rowSet, PR_ATTACH_NUM);
            VTR_CHECK_QUOTED((reqProp1.ulPropTag & 0xFF) == PT_LONG, E_UNEXPECTED);
            const LONG attachNum = reqProp1.Value.l;

            CComPtr<IAttach> spAttach;
            VTR_CHECK_HR(m_spMessage->OpenAttach(ULONG(attachNum), nullptr, 0, &spAttach));
            VTR_CHECK_QUOTED(spAttach, E_POINTER);
            // The number goes in with the record, so that the two lists stay parallel also when a later
            // step of this attachment (its own contents) fails.
            const size_t recordAt = m_attachmentsInfo.size();
            try {
                if (attachMethod == ATTACH_EMBEDDED_MSG)
                    AddEmbeddedMessage(spAttach);
                else
                    AddFile(spAttach);
            } catch (...) {
                if (m_attachmentsInfo.size() > recordAt)
                    m_attachmentIndeces.insert(m_attachmentIndeces.begin() + recordAt, attachNum);
                throw;
            }
            m_attachmentIndeces.insert(m_attachmentIndeces.begin() + recordAt, attachNum);
        }
        return m_attachmentsInfo;
    }
    VTR_CATCH_RETHROW
}

// The attached e-mail's record, then its own attachments as contained entries.
void CEmailAttachments::AddEmbeddedMessage(IAttach* pAttach)
{
    CComPtr<IUnknown> spObject;
    VTR_CHECK_HR(pAttach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &spObject));
    VTR_CHECK_QUOTED(spObject, E_POINTER);
    CComPtr<IMessage> spEmbedded;
    VTR_CHECK_HR(spObject->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&spEmbedded)));

    AttachmentInfo record;
    {
        CEmailProp msgTitle(spEmbedded, PR_SUBJECT_W, fnFreeBuffer);
        VTR_CHECK_QUOTED((msgTitle.GetValue()->ulPropTag & 0xFF) == PT_UNICODE, E_UNEXPECTED);
        record.longFileName = msgTitle.GetValue()->Value.lpszW ? msgTitle.GetValue()->Value.lpszW : W("");
    }
    if (!record.longFileName.empty())
        record.displayName = GetDisplayFileName(record.longFileName.c_str());
    record.typeName = CFileSignature::GetKindName(FK_MSG);
    record.additionalInfo.Init();
    record.attachedEmail = true;
    m_attachmentsInfo.push_back(std::move(record));

    CEmailAttachments embedded(spEmbedded, fnFreeBuffer);
    const std::vector<AttachmentInfo>& subAttachments = embedded.GetAttachmentsExMapi();
    if (!subAttachments.empty())
        AddSubAttachments(subAttachments);
}

// A file: its record with the analysis of its content, then the files of an archive as contained entries.
void CEmailAttachments::AddFile(IAttach* pAttach)
{
    CComPtr<IUnknown> spObject;
    VTR_CHECK_HR(pAttach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, STGM_READ, 0, &spObject));
    VTR_CHECK_QUOTED(spObject, E_POINTER);
    CComPtr<IStream> spStream;
    VTR_CHECK_HR(spObject->QueryInterface(IID_IStream, reinterpret_cast<void**>(&spStream)));

    AttachmentInfo record;
    {
        CEmailProp fileName(pAttach, PR_ATTACH_LONG_FILENAME_W, fnFreeBuffer);
        VTR_CHECK_QUOTED((fileName.GetValue()->ulPropTag & 0xFF) == PT_UNICODE, E_UNEXPECTED);
        record.longFileName = fileName.GetValue()->Value.lpszW ? fileName.GetValue()->Value.lpszW : W("");
    }
    if (!record.longFileName.empty()) {
        record.displayName = GetDisplayFileName(record.longFileName.c_str());
        record.extension = CFileSignature::GetFileExtension(record.longFileName.c_str());
    }
    record.additionalInfo.Init();

    std::vector<AttachmentInfo> containedList;
    const FileKind implied = CFileSignature::GetExtensionType(record.extension.c_str());
    const FileKind found = CFileSignature::GetExtensionInfo(spStream, implied, record.additionalInfo, containedList);
    record.typeName = CFileSignature::GetKindName(found);
    record.additionalInfo.typeMismatch = CFileSignature::IsTypeMismatch(record, found, implied);
    m_attachmentsInfo.push_back(std::move(record));
    if (!containedList.empty())
        AddSubAttachments(containedList);
}

void CEmailAttachments::AddSubAttachments(const std::vector<AttachmentInfo>& list) noexcept
{
    try {
        m_attachmentsInfo.reserve(m_attachmentsInfo.size() + list.size());
        m_attachmentIndeces.reserve(m_attachmentIndeces.size() + list.size());
        for (const AttachmentInfo& info : list) {
            AttachmentInfo record = info;
            record.displayName = GetDisplayFileName((WString(CONTAINED_PREFIX) + info.longFileName).c_str());
            m_attachmentsInfo.push_back(std::move(record));
            m_attachmentIndeces.push_back(-1);
        }
    }
    VTR_CATCH_LOG
}

bool CEmailAttachments::IsDisplayNameTaken(const WString& candidate) const noexcept
{
    for (const AttachmentInfo& info : m_attachmentsInfo)
        if (_wcsicmp(info.displayName.c_str(), candidate.c_str()) == 0)
            return true;
    return false;
}

WString CEmailAttachments::GetDisplayFileName(const WCHAR* longFileName)
{
    try {
        VTR_CHECK_TEXT(longFileName && *longFileName,
                       "((const wchar_t*) \"longFileName\") && (wcslen(\"longFileName\") > 0)", E_INVALIDARG);
        const WCHAR* input = longFileName;
        WCHAR name[MAX_PATH] = {};
        WCHAR ext[256] = {};
        size_t prefixLength = 0;
        if (wcsncmp(input, CONTAINED_PREFIX, CONTAINED_PREFIX_LENGTH) == 0) {
            prefixLength = CONTAINED_PREFIX_LENGTH;
            for (size_t i = 0; i < prefixLength; ++i)
                name[i] = CONTAINED_PREFIX[i];
            input += prefixLength;
        }

        WString stem;
        WString extension;
        int splitResult = _wsplitpath_s(input, nullptr, 0, nullptr, 0, name + prefixLength,
                                        std::size(name) - prefixLength, ext, std::size(ext));
        if (VTR_VERIFY_QUOTED(splitResult == 0, E_FAIL)) {
            stem = name;
            extension = ext;
        } else {
            // A part too long for its buffer: the start of the name and the end of the extension do.
            const WCHAR* dot = wcsrchr(input, W('.'));
            if (dot)
                extension = WString(dot).substr(0, 5);
            stem = WString(CONTAINED_PREFIX, prefixLength) + WString(input).substr(0, 12);
        }

        if (stem.size() <= 12 && extension.size() <= 5)
            return stem + extension;

        WString candidate;
        for (int draw = 0; draw < 5; ++draw) {
            candidate = stem.substr(0, 9);
            candidate += W('~');
            candidate += RandomLetter();
            candidate += RandomLetter();
            candidate += extension.substr(0, 5);
            if (!IsDisplayNameTaken(candidate))
                break;
        }
        return candidate;
    }
    VTR_CATCH_RETHROW
}

bool CEmailAttachments::SaveAttachment(size_t index) noexcept
{
    try {
        VTR_CHECK_TEXT(index < m_attachmentsInfo.size(), "\"(index >= 0) && (index < m_attachmentsInfo.size())\"",
                       E_INVALIDARG);
        VTR_CHECK_QUOTED(((int) index >= GetTopRow()) && ((int) index <= GetTopRow() + 2), E_INVALIDARG);
        // A list of numbers shorter than the records (an enumeration that failed half-way) has no number
        // for the later records.
        VTR_CHECK_QUOTED(m_attachmentIndeces.empty() || (index < m_attachmentIndeces.size()), E_INVALIDARG);

        const LONG attachNum = m_attachmentIndeces.empty() ? LONG(index) : m_attachmentIndeces[index];
        if (attachNum == -1) {
            CComBSTR text = CResourceManager::Instance().GetText(IDS_MSG_CONTAINED_FILE);
            MessageBoxW(GetActiveWindow(), text.m_str ? text.m_str : W(""), nullptr, MB_ICONWARNING);
            return false;
        }
        // Its data is a message, not a stream: said before the user chooses a file for it.
        if (m_attachmentsInfo[index].attachedEmail) {
            CComBSTR text = CResourceManager::Instance().GetText(IDS_MSG_ATTACHED_EMAIL);
            MessageBoxW(GetActiveWindow(), text.m_str ? text.m_str : W(""), nullptr, MB_ICONWARNING);
            return false;
        }

        static GetSaveFileNameW_t fnGetSaveFileName = nullptr;
        if (!fnGetSaveFileName) {
            fnGetSaveFileName = GetProcAddressAs<GetSaveFileNameW_t>(CommonDialogModule(), "GetSaveFileNameW");
            VTR_CHECK_WIN32(fnGetSaveFileName);
        }

        WCHAR fileName[MAX_PATH] = {};
        const WString offered = GetSafeFileName(m_attachmentsInfo[index].longFileName);
        offered.copy(fileName, std::size(fileName) - 1);
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = GetActiveWindow();
        ofn.lpstrFilter = W("All Files (*.*)\0*.*\0");
        ofn.lpstrFile = fileName;
        ofn.nMaxFile = DWORD(std::size(fileName));
        ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
        if (!fnGetSaveFileName(&ofn)) {
            // Cancelled, unless the dialog reports an error of its own.
            auto fnExtendedError = GetProcAddressAs<CommDlgExtendedError_t>(CommonDialogModule(), "CommDlgExtendedError");
            DWORD dialogError = fnExtendedError ? fnExtendedError() : 0;
            return VTR_VERIFY_QUOTED(dialogError == 0, E_FAIL);
        }

        try {
            SaveToFile(attachNum, fileName);
        } catch (...) {
            ShowSaveFailure(fileName, ::vantora_errors::HandleCurrentException(VTR_HERE));
            return false;
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

void CEmailAttachments::ShowSaveFailure(const WCHAR* fileName, HRESULT hr)
{
    try {
        CComBSTR intro = CResourceManager::Instance().GetText(IDS_MSG_SAVE_FAILED);
        WString text = intro.m_str ? WString(intro.m_str) : WString();
        text += W("\n\n");
        text += fileName;
        text += W("\n\n");
        text += SystemReason(hr);
        MessageBoxW(GetActiveWindow(), text.c_str(), nullptr, MB_OK | MB_ICONERROR);
    }
    VTR_CATCH_LOG
}

WString CEmailAttachments::GetSafeFileName(const WString& longFileName)
{
    // Only the last part of a path, whichever separator it uses; "C:name" names a file on a drive.
    WString name = longFileName;
    const size_t slash = name.find_last_of(W("\\/"));
    if (slash != WString::npos)
        name.erase(0, slash + 1);
    else if (name.size() >= 2 && name[1] == W(':') &&
             ((name[0] >= W('A') && name[0] <= W('Z')) || (name[0] >= W('a') && name[0] <= W('z'))))
        name.erase(0, 2);

    for (WCHAR& c : name)
        if (c < 0x20 || wcschr(W("<>:\"/\\|?*"), c))
            c = W('_');
    // Windows drops them when it makes the file: the name would not be the one shown.
    while (!name.empty() && (name.back() == W('.') || name.back() == W(' ')))
        name.pop_back();
    if (name.empty())
        return name;
    if (IsDeviceName(name.substr(0, name.find(W('.')))))
        name.insert(name.begin(), W('_'));

    if (name.size() <= SAFE_NAME_LENGTH)
        return name;
    // The start and the end of the stem around a tilde, then the extension; an "extension" that is most
    // of the name is none.
    const size_t dot = name.rfind(W('.'));
    WString extension;
    if (dot != WString::npos && dot > 0 && name.size() - dot <= SAFE_NAME_LENGTH / 2)
        extension = name.substr(dot);
    const WString stem = name.substr(0, name.size() - extension.size());
    const size_t room = SAFE_NAME_LENGTH - extension.size() - 1;
    size_t head = room - room / 3;
    size_t tailStart = stem.size() - room / 3;
    if (head > 0 && IsHighSurrogate(stem[head - 1]))
        --head;
    if (tailStart < stem.size() && IsLowSurrogate(stem[tailStart]))
        ++tailStart;
    return stem.substr(0, head) + W('~') + stem.substr(tailStart) + extension;
}

void CEmailAttachments::SaveToFile(LONG attachNum, const WCHAR* fileName)
{
    VTR_CHECK_QUOTED(m_spMessage, E_POINTER);
    CComPtr<IAttach> spAttach;
    VTR_CHECK_HR(m_spMessage->OpenAttach(ULONG(attachNum), nullptr, 0, &spAttach));
    VTR_CHECK_QUOTED(spAttach, E_POINTER);
    CComPtr<IUnknown> spObject;
    VTR_CHECK_HR(spAttach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, STGM_READ, 0, &spObject));
    VTR_CHECK_QUOTED(spObject, E_POINTER);
    CComPtr<IStream> spStream;
    VTR_CHECK_HR(spObject->QueryInterface(IID_IStream, reinterpret_cast<void**>(&spStream)));
    LARGE_INTEGER start = {};
    VTR_CHECK_HR(spStream->Seek(start, STREAM_SEEK_SET, nullptr));

    // Nothing of the target changes until every byte is on the disk: a read or a write that fails
    // part-way leaves the file the user chose to replace as it was.
    const WString target = fileName;
    CSaveTemporary temporary;
    VTR_CHECK_WIN32(temporary.Create(target));
    BYTE block[SAVE_BLOCK_SIZE];
    for (;;) {
        ULONG readBytes = 0;
        VTR_CHECK_HR(spStream->Read(block, ULONG(SAVE_BLOCK_SIZE), &readBytes));
        DWORD writeBytes = 0;
        VTR_CHECK_WIN32(WriteFile(temporary.File(), block, readBytes, &writeBytes, nullptr));
        VTR_CHECK_QUOTED(writeBytes == readBytes, E_FAIL);
        if (readBytes < SAVE_BLOCK_SIZE)
            break;
    }
    VTR_CHECK_WIN32(FlushFileBuffers(temporary.File()));
    VTR_CHECK_WIN32(temporary.Close());
    VTR_CHECK_WIN32(temporary.MoveTo(target));
}
