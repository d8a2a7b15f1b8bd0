// The recognition core: kinds and their names, the extensions that imply them, the signature table and its
// lookup, the analysis of a stream, and the danger verdict.
#include "Utils/FileSignature.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "__Utilities/ErrorInfo.h"
#include "email/AttachmentInfo.h"

namespace {

constexpr BYTE HexValue(char c) { return BYTE(c <= '9' ? c - '0' : c - 'A' + 10); }

// A row from its bytes written as "FF D8 ?? 4A": "??" is a byte that is not compared.
constexpr FileSignatureEntry Hex(FileKind kind, const char* text)
{
    FileSignatureEntry e{kind, 0, 0, {}, {}};
    for (const char* p = text; *p; p += (p[2] ? 3 : 2)) {
        if (p[0] != '?') {
            e.bytes[e.count] = BYTE(HexValue(p[0]) * 16 + HexValue(p[1]));
            e.mask[e.count] = 1;
        }
        ++e.count;
        if (!p[2])
            break;
    }
    return e;
}

// A row from ASCII text, every byte compared.
constexpr FileSignatureEntry Text(FileKind kind, const char* text)
{
    FileSignatureEntry e{kind, 0, 0, {}, {}};
    for (const char* p = text; *p; ++p) {
        e.bytes[e.count] = BYTE(*p);
        e.mask[e.count] = 1;
        ++e.count;
    }
    return e;
}

constexpr const char* ASF_GUID = "30 26 B2 75 8E 66 CF 11 A6 D9 00 AA 00 62 CE 6C";

// Rows that share bytes are told apart only by the implied kind and by their order here.
constexpr FileSignatureEntry s_signatures[] = {
    {FK_UNKNOWN, 0, 0, {}, {}},
    Hex(FK_JPG, "FF D8 FF DB"),
    Hex(FK_JPG, "FF D8 FF E0 ?? ?? 4A 46 49 46 00 01"),
    Hex(FK_JPG, "FF D8 FF E1 ?? ?? 45 78 69 66 00 00"),
    Hex(FK_ICO, "00 00 01 00"),
    Hex(FK_GIF, "47 49 46 38 37 61"),
    Hex(FK_GIF, "47 49 46 38 39 61"),
    Hex(FK_CR2, "49 49 2A 00 ?? ?? 00 00 43 52"),
    Hex(FK_TIFF, "49 49 2A 00"),
    Hex(FK_TIFF, "4D 4D 00 2A"),
    Hex(FK_PNG, "89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 49 48 44 52"),
    Hex(FK_BMP, "42 4D ?? ?? ?? ?? 00 00 00 00"),
    Hex(FK_PDF, "25 50 44 46"),
    Hex(FK_DWG, "41 43 31 30"),
    Hex(FK_DXF, "20 20 30 0D 0A 53 45 43 54 49 4F 4E"),
    Hex(FK_DXF, "30 0D 0A 53 45 43 54 49 4F 4E"),
    Hex(FK_DOC, "D0 CF 11 E0 A1 B1 1A E1"),
    Hex(FK_XLS, "D0 CF 11 E0 A1 B1 1A E1"),
    Hex(FK_PPT, "D0 CF 11 E0 A1 B1 1A E1"),
    Hex(FK_DOCX, "50 4B 03 04"),
    Hex(FK_XLSX, "50 4B 03 04"),
    Hex(FK_PPTX, "50 4B 03 04"),
    Hex(FK_RAR, "52 61 72 21 1A 07 00"),
    Hex(FK_RAR, "52 61 72 21 1A 07 01 00"),
    Hex(FK_ZIP, "50 4B 03 04"),
    Hex(FK_ZIP, "50 4B 05 06"),
    Hex(FK_ZIP, "50 4B 07 08"),
    Hex(FK_CAB, "49 53 63 28"),
    Hex(FK_CAB, "4D 53 43 46 00 00 00 00 ?? ?? ?? ?? 00 00 00 00"),
    Hex(FK_WAV, "52 49 46 46 ?? ?? ?? ?? 57 41 56 45"),
    Hex(FK_MP3, "49 44 33"),
    Hex(FK_MP3, "FF FB"),
    Hex(FK_FLAC, "66 4C 61 43 00 00 00 22"),
    Hex(FK_AIFF, "46 4F 52 4D ?? ?? ?? ?? 41 49 46 46"),
    Hex(FK_MOV, "00 00 00 ?? 66 74 79 70"),
    Hex(FK_MP4, "00 00 00 ?? 66 74 79 70"),
    Hex(FK_MPG, "00 00 01 BA"),
    Hex(FK_MPEG, "00 00 01 BA"),
    Hex(FK_ASF, ASF_GUID),
    Hex(FK_WMA, ASF_GUID),
    Hex(FK_WMV, ASF_GUID),
    Hex(FK_AVI, "52 49 46 46 ?? ?? ?? ?? 41 56 49 20"),
    Hex(FK_FLV, "46 4C 56 ?? 00"),
    Hex(FK_FLV, "46 4C 56 ?? 01"),
    Hex(FK_FLV, "46 4C 56 ?? 04"),
    Hex(FK_FLV, "46 4C 56 ?? 05"),
    Text(FK_HTML, "<!doctype html"),
    Text(FK_HTML, "<!DOCTYPE html"),
    Text(FK_HTML, "<!doctype HTML"),
    Text(FK_HTML, "<!DOCTYPE HTML"),
    Text(FK_HTML, "<html>"),
    Text(FK_HTML, "<HTML>"),
    Text(FK_XML, "<?xml "),
};
static_assert(std::size(s_signatures) == 53, "row 0 and the 52 signatures");
static_assert(s_signatures[2].count == 12 && s_signatures[2].mask[4] == 0 && s_signatures[2].bytes[6] == 0x4A);
static_assert(s_signatures[38].count == 16 && s_signatures[38].bytes[15] == 0x6C);
static_assert(s_signatures[52].count == 6 && s_signatures[52].bytes[5] == ' ');

struct KindInfo {
    FileKind kind;
    const WCHAR* name;
    const WCHAR* extensions[2];
};

const KindInfo s_kinds[] = {
    {FK_JPG, W("JPG"), {W("JPEG"), W("JPG")}},   {FK_PNG, W("PNG"), {W("PNG")}},
    {FK_GIF, W("GIF"), {W("GIF")}},              {FK_TIFF, W("TIFF"), {W("TIFF"), W("TIF")}},
    {FK_BMP, W("BMP"), {W("BMP")}},              {FK_ICO, W("ICO"), {W("ICO")}},
    {FK_CR2, W("CR2"), {W("CR2")}},              {FK_WAV, W("WAV"), {W("WAV")}},
    {FK_MP3, W("MP3"), {W("MP3")}},              {FK_FLAC, W("FLAC"), {W("FLAC")}},
    {FK_AIFF, W("AIFF"), {W("AIFF")}},           {FK_MOV, W("MOV"), {W("MOV")}},
    {FK_MP4, W("MP4"), {W("MP4")}},              {FK_MPG, W("MPG"), {W("MPG")}},
    {FK_MPEG, W("MPEG"), {W("MPEG")}},           {FK_ASF, W("ASF"), {W("ASF")}},
    {FK_WMA, W("WMA"), {W("WMA")}},              {FK_WMV, W("WMV"), {W("WMV")}},
    {FK_AVI, W("AVI"), {W("AVI")}},              {FK_FLV, W("FLV"), {W("FLV")}},
    {FK_PDF, W("PDF"), {W("PDF")}},              {FK_DWG, W("DWG"), {W("DWG")}},
    {FK_DXF, W("DXF"), {W("DXF")}},              {FK_RAR, W("RAR"), {W("RAR")}},
    {FK_ZIP, W("ZIP"), {W("ZIP")}},              {FK_CAB, W("CAB"), {W("CAB")}},
    {FK_DOC, W("DOC"), {W("DOC")}},              {FK_XLS, W("XLS"), {W("XLS")}},
    {FK_PPT, W("PPT"), {W("PPT")}},              {FK_DOCX, W("DOCX"), {W("DOCX")}},
    {FK_XLSX, W("XLSX"), {W("XLSX")}},           {FK_PPTX, W("PPTX"), {W("PPTX")}},
    {FK_HTML, W("HTML"), {W("HTML"), W("HTM")}}, {FK_XML, W("XML"), {W("XML")}},
    {FK_EXE_DOS, W("EXE"), {}},                  {FK_EXE_16, W("EXE"), {}},
    {FK_EXE_32, W("EXE"), {}},                   {FK_EXE_64, W("EXE"), {}},
    {FK_DLL_16, W("DLL"), {}},                   {FK_DLL_32, W("DLL"), {}},
    {FK_DLL_64, W("DLL"), {}},                   {FK_MSG, W("MSG"), {}},
};

const WCHAR* const s_scriptExts[] = {W("BAS"), W("CMD"), W("JS"),  W("JSE"), W("SCT"), W("VB"),
                                     W("VBE"), W("VBS"), W("WS"),  W("WSC"), W("WSF"), W("WSH")};
const WCHAR* const s_dangerousExts[] = {W("CPL"), W("CRT"), W("INF"), W("INS"), W("ISP"), W("ITS"), W("LNK"),
                                        W("MSC"), W("MSI"), W("MSP"), W("MST"), W("REG"), W("SCR"), W("URL")};

const WCHAR* SkipDot(const WCHAR* extension) { return extension[0] == W('.') ? extension + 1 : extension; }

// _wcsicmp(upper, e) == 0 for a table entry, which is upper-case ASCII: e is upper-cased as _wcsicmp does it,
// in one pass, since every name is looked up in these tables several times.
bool SameExtension(const WCHAR* upper, const WCHAR* e)
{
    for (;; ++upper, ++e) {
        WCHAR c = *e;
        c = c < 0x80 ? (c >= W('a') && c <= W('z') ? WCHAR(c - (W('a') - W('A'))) : c) : towupper(c);
        if (c != *upper)
            return false;
        if (!c)
            return true;
    }
}

template <size_t N> bool InList(const WCHAR* const (&list)[N], const WCHAR* extension)
{
    if (!extension || !*extension)
        return false;
    const WCHAR* e = SkipDot(extension);
    return std::any_of(std::begin(list), std::end(list), [e](const WCHAR* x) { return SameExtension(x, e); });
}

bool IsArchiveOrOffice(FileKind kind)
{
    return kind == FK_ZIP || kind == FK_DOCX || kind == FK_XLSX || kind == FK_PPTX;
}

bool StartsWithNoCase(const WString& s, const WCHAR* prefix)
{
    size_t n = wcslen(prefix);
    return s.size() >= n && _wcsnicmp(s.c_str(), prefix, n) == 0;
}

} // namespace

AdditionalInfo::AdditionalInfo() : relevantBytes(SIGNATURE_LENGTH, 0), fileBytes(READ_LENGTH, 0) {}

void AdditionalInfo::Init()
{
    // Cleared, not only resized: marks of an earlier analysis must not highlight the bytes of this one.
    fileBytes.assign(READ_LENGTH, 0);
    relevantBytes.assign(SIGNATURE_LENGTH, 0);
    readBytes = 0;
    width = 0;
    height = 0;
    platform = 0;
    programMode = 0;
    isDotNet = 0;
    runOnExtract = 0;
    isTracking = 0;
    typeMismatch = 0;
    VTR_CHECK_QUOTED(fileBytes.size() >= READ_LENGTH, E_OUTOFMEMORY);
    VTR_CHECK_QUOTED(relevantBytes.size() >= SIGNATURE_LENGTH, E_OUTOFMEMORY);
}

const FileSignatureEntry& CFileSignature::GetExtensionInfo(const BYTE* pHeader, DWORD count, FileKind impliedKind)
{
    if (!VTR_VERIFY_QUOTED(pHeader, E_POINTER) || !VTR_VERIFY_QUOTED(count > 0, E_INVALIDARG))
        return s_signatures[0];
    auto matches = [&](const FileSignatureEntry& row) {
        if (ULONGLONG(count) < ULONGLONG(row.offset) + row.count)
            return false;
        for (ULONG k = 0; k < row.count; ++k)
            if (row.mask[k] && pHeader[row.offset + k] != row.bytes[k])
                return false;
        return true;
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 1; i < std::size(s_signatures); ++i) {
            const FileSignatureEntry& row = s_signatures[i];
            bool implied = impliedKind == FK_UNKNOWN || row.kind == impliedKind;
            if ((pass == 0) == implied && matches(row))
                return row;
        }
        if (impliedKind == FK_UNKNOWN)
            break;
    }
    return s_signatures[0];
}

FileKind CFileSignature::GetExtensionType(const WCHAR* extension)
{
    try {
        if (!extension || !*extension)
            return FK_UNKNOWN;
        const WCHAR* e = SkipDot(extension);
        for (const KindInfo& info : s_kinds)
            for (const WCHAR* x : info.extensions)
                if (x && SameExtension(x, e))
                    return info.kind;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}

bool CFileSignature::IsTypeMismatch(const AttachmentInfo& info, FileKind found, FileKind implied)
{
    return !info.extension.empty() && !info.typeName.empty() && found != FK_UNKNOWN && found != FK_HTML &&
           found != FK_XML && found != implied && _wcsicmp(info.typeName.c_str(), W("???")) != 0 &&
           _wcsicmp(info.extension.c_str(), info.typeName.c_str()) != 0;
}

const WCHAR* CFileSignature::GetKindName(FileKind kind)
{
    for (const KindInfo& info : s_kinds)
        if (info.kind == kind)
            return info.name;
    return W("???");
}

WString CFileSignature::GetFileExtension(const WCHAR* longFileName)
{
    VTR_CHECK_TEXT(longFileName && *longFileName,
                   "((const wchar_t*) \"longFileName\") && (wcslen(\"longFileName\") > 0)", E_INVALIDARG);
    WCHAR ext[256];
    WString extension;
    int splitResult = _wsplitpath_s(longFileName, nullptr, 0, nullptr, 0, nullptr, 0, ext, std::size(ext));
    if (VTR_VERIFY(splitResult == 0, E_FAIL)) {
        extension = ext;
    } else if (const WCHAR* dot = wcsrchr(longFileName, W('.'))) {
        extension = dot;
    }
    if (!extension.empty() && extension[0] == W('.'))
        extension.erase(0, 1);
    if (!extension.empty()) {
        DWORD length = DWORD(extension.size());
        VTR_VERIFY(CharUpperBuffW(extension.data(), length) == length, E_FAIL);
    }
    return extension;
}

bool CFileSignature::IsScriptExt(const WCHAR* extension)
{
    try {
        return InList(s_scriptExts, extension);
    }
    VTR_CATCH_LOG
    return false;
}

bool CFileSignature::IsDangerousExt(const WCHAR* extension)
{
    try {
        return InList(s_dangerousExts, extension);
    }
    VTR_CATCH_LOG
    return false;
}

bool CFileSignature::IsPotentiallyDangerous(const AttachmentInfo& info)
{
    FileKind extKind = GetExtensionType(info.extension.c_str());
    FileKind typeKind = GetExtensionType(info.typeName.c_str());
    // The name promises a harmless media, document or archive type, but the content is something else.
    if (extKind != FK_UNKNOWN && extKind != FK_HTML && extKind != FK_XML && typeKind == FK_UNKNOWN)
        return true;
    auto dangerous = [](const WString& name) {
        WString dotted = W(".") + name;
        return AssocIsDangerous(dotted.c_str()) || IsScriptExt(name.c_str()) || IsDangerousExt(name.c_str());
    };
    if (!info.extension.empty() && dangerous(info.extension))
        return true;
    return !info.typeName.empty() && dangerous(info.typeName);
}

void CFileSignature::MarkRelevantBytes(AdditionalInfo& additionalInfo, const FileSignatureEntry& entry)
{
    size_t end = size_t(entry.offset) + entry.count;
    if (end > additionalInfo.relevantBytes.size())
        additionalInfo.relevantBytes.resize(end, 0);
    for (ULONG k = 0; k < entry.count; ++k)
        additionalInfo.relevantBytes[entry.offset + k] = entry.mask[k];
}

void CFileSignature::MarkRelevantAt(AdditionalInfo& additionalInfo, size_t position)
{
    if (position >= additionalInfo.relevantBytes.size())
        additionalInfo.relevantBytes.resize(position + 1, 0);
    additionalInfo.relevantBytes[position] = 1;
}

void CFileSignature::SetData(AttachmentInfo& record, DWORD count, const BYTE* pData)
{
    VTR_CHECK_QUOTED(pData, E_POINTER);
    VTR_CHECK_TEXT(count > 0, "\"readBytes > 0\"", E_INVALIDARG);
    AdditionalInfo& info = record.additionalInfo;
    info.readBytes = std::min<ULONG>(count, ULONG(info.fileBytes.size()));
    std::memcpy(info.fileBytes.data(), pData, info.readBytes);
    info.fileBytes.resize(std::max<size_t>(info.readBytes, SIGNATURE_LENGTH));
    const FileSignatureEntry& row = GetExtensionInfo(pData, count, GetExtensionType(record.extension.c_str()));
    record.typeName = GetKindName(row.kind);
    MarkRelevantBytes(info, row);
}

ULONG CFileSignature::ReadNext(IStream* pStream, void* pv, ULONG cb)
{
    ULONG read = 0;
    VTR_CHECK_HR(pStream->Read(pv, cb, &read));
    return std::min(read, cb);
}

ULONG CFileSignature::ReadAt(IStream* pStream, ULONGLONG pos, void* pv, ULONG cb)
{
    LARGE_INTEGER move;
    move.QuadPart = LONGLONG(std::min<ULONGLONG>(pos, ULONGLONG(INT64_MAX)));
    VTR_CHECK_HR(pStream->Seek(move, STREAM_SEEK_SET, nullptr));
    return ReadNext(pStream, pv, cb);
}

ULONGLONG CFileSignature::StreamSize(IStream* pStream)
{
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    ULARGE_INTEGER end;
    end.QuadPart = 0;
    VTR_CHECK_HR(pStream->Seek(zero, STREAM_SEEK_END, &end));
    return end.QuadPart;
}

FileKind CFileSignature::GetExtensionInfo(IStream* pStream, FileKind impliedKind, AdditionalInfo& additionalInfo,
                                          std::vector<AttachmentInfo>& containedFiles)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        additionalInfo.Init();
        additionalInfo.readBytes = ReadAt(pStream, 0, additionalInfo.fileBytes.data(), READ_LENGTH);
        if (additionalInfo.readBytes == 0)
            return FK_UNKNOWN;

        const FileSignatureEntry& row =
            GetExtensionInfo(additionalInfo.fileBytes.data(), additionalInfo.readBytes, impliedKind);
        if (row.kind != FK_UNKNOWN) {
            MarkRelevantBytes(additionalInfo, row);
        } else {
            if (FileKind program = GetExecutableInfo(pStream, additionalInfo))
                return program;
            FileKind text = GetHTMLInfo(pStream, additionalInfo);
            if (text == FK_HTML || text == FK_XML)
                return text;
        }

        if (IsArchiveOrOffice(row.kind)) {
            std::vector<AttachmentInfo> files;
            GetZipInfo(pStream, files);
            for (const AttachmentInfo& file : files) {
                if (StartsWithNoCase(file.longFileName, W("word/_rels/")))
                    return FK_DOCX;
                if (StartsWithNoCase(file.longFileName, W("xl/worksheets/")))
                    return FK_XLSX;
                if (StartsWithNoCase(file.longFileName, W("ppt/_rels/")))
                    return FK_PPTX;
            }
            containedFiles.insert(containedFiles.end(), files.begin(), files.end());
            return FK_ZIP;
        }
        if (impliedKind == FK_CAB)
            GetCabInfo(pStream, containedFiles);
        switch (row.kind) {
        case FK_BMP: GetImageInfo<FK_BMP>(pStream, additionalInfo); break;
        case FK_GIF: GetImageInfo<FK_GIF>(pStream, additionalInfo); break;
        case FK_PNG: GetImageInfo<FK_PNG>(pStream, additionalInfo); break;
        case FK_JPG: GetJpgInfo(pStream, additionalInfo); break;
        default: break;
        }
        return row.kind;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}
