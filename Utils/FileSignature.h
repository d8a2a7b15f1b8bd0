// File type recognition: what a file really is, from its first bytes and a few format probes (programs,
// ZIP and cabinet archives, images, text documents), independently of the name it carries, and whether
// it is a risk. Used for attachments and for downloaded link targets.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>
#include "__Utilities/WString.h"

struct AttachmentInfo;

// What was recognised; 0 is nothing.
typedef LONG FileKind;
enum : FileKind {
    FK_UNKNOWN = 0,
    FK_JPG = 1, FK_PNG = 2, FK_GIF = 3, FK_TIFF = 4, FK_BMP = 5, FK_ICO = 6, FK_CR2 = 7,
    FK_WAV = 8, FK_MP3 = 9, FK_FLAC = 10, FK_AIFF = 11,
    FK_MOV = 12, FK_MP4 = 13, FK_MPG = 14, FK_MPEG = 15, FK_ASF = 16, FK_WMA = 17, FK_WMV = 18, FK_AVI = 19,
    FK_FLV = 20,
    FK_PDF = 21, FK_DWG = 22, FK_DXF = 23, FK_RAR = 24, FK_ZIP = 25, FK_CAB = 26,
    FK_DOC = 27, FK_XLS = 28, FK_PPT = 29, FK_DOCX = 30, FK_XLSX = 31, FK_PPTX = 32,
    FK_HTML = 33, FK_XML = 34,
    FK_EXE_DOS = 35, FK_EXE_16 = 36, FK_EXE_32 = 37, FK_EXE_64 = 38, FK_DLL_16 = 39, FK_DLL_32 = 40, FK_DLL_64 = 41,
    FK_MSG = 42,
};

const DWORD SIGNATURE_LENGTH = 20;
const DWORD READ_LENGTH = 1000;

// The bytes and findings of one analysis.
struct AdditionalInfo {
    AdditionalInfo();
    // Back to the state of a fresh analysis; throws when the lists cannot be sized.
    void Init();

    std::vector<BYTE> relevantBytes;  // 1 where a byte took part in the recognition
    std::vector<BYTE> fileBytes;      // the first bytes of the file
    ULONG readBytes = 0;              // how many of fileBytes are valid
    LONG width = 0;
    LONG height = 0;
    BYTE platform : 2 = 0;     // 0 none, 1 MS-DOS, 2 Windows
    BYTE programMode : 2 = 0;  // 0 none, 1 16-bit, 2 32-bit, 3 64-bit
    BYTE isDotNet : 1 = 0;
    BYTE runOnExtract : 1 = 0;
    BYTE isTracking : 1 = 0;
    BYTE typeMismatch : 1 = 0;
};

// One row of the signature table: count bytes from offset, compared where mask is 1.
struct FileSignatureEntry {
    FileKind kind;
    ULONG offset;
    ULONG count;
    BYTE bytes[16];
    BYTE mask[16];
};

// The summary of a ZIP end-of-central-directory record.
struct zipEoRInfo {
    WORD fileCount = 0;
    DWORD centralDirSize = 0;
    DWORD centralDirOffset = 0;
};

// One entry of a ZIP central directory.
struct ZipFileEntry {
    bool encrypted = false;
    WORD compression = 0;
    DWORD compressedSize = 0;
    DWORD localHeaderOffset = 0;
    std::string name;
};

// The first 40 bytes of a cabinet, and its folder and file records as stored.
struct CabHeader {
    DWORD firstFileOffset = 0;
    WORD folderCount = 0;
    WORD fileCount = 0;
    WORD flags = 0;
    WORD cabinetIndex = 0;
    BYTE folderReserve = 0;
    BYTE dataReserve = 0;
};

struct CabFolder {
    DWORD firstDataOffset = 0;
    WORD dataBlockCount = 0;
    WORD compression = 0;
};

struct CabFile {
    DWORD size = 0;
    DWORD folderOffset = 0;
    WORD folderIndex = 0;
    WORD attributes = 0;
    std::string name;
};

class CFileSignature {
public:

    // Analyses a stream: the recognised kind, the findings in additionalInfo, the files of a ZIP or
    // cabinet appended to containedFiles.
    static FileKind GetExtensionInfo(IStream* pStream, FileKind impliedKind, AdditionalInfo& additionalInfo,
                                     std::vector<AttachmentInfo>& containedFiles);
    // The signature table lookup: the first matching row, rows of the implied kind first; row 0 if none.
    static const FileSignatureEntry& GetExtensionInfo(const BYTE* pHeader, DWORD count, FileKind impliedKind);

    static FileKind GetExtensionType(const WCHAR* extension);
    static const WCHAR* GetKindName(FileKind kind);
    // The extension in upper case without its dot ("PDF" for report.final.pdf); empty when there is none.
    static WString GetFileExtension(const WCHAR* longFileName);
    // A recognised kind that the file's extension does not promise. HTML and XML have many names (.htm,
    // .xhtml, .svg...): only kinds with fixed extensions can mismatch.
    static bool IsTypeMismatch(const AttachmentInfo& attachmentInfo, FileKind found, FileKind implied);

    static bool IsScriptExt(const WCHAR* extension);
    static bool IsDangerousExt(const WCHAR* extension);
    static bool IsPotentiallyDangerous(const AttachmentInfo& attachmentInfo);

    // Fills the record of a contained file from its first bytes in memory.
    static void SetData(AttachmentInfo& attachmentInfo, DWORD count, const BYTE* pData);
    static void MarkRelevantBytes(AdditionalInfo& additionalInfo, const FileSignatureEntry& entry);

    // Programs for MS-DOS and Windows: kinds FK_EXE_DOS to FK_DLL_64, or 0.
    static FileKind GetExecutableInfo(IStream* pStream, AdditionalInfo& additionalInfo);
    static FileKind GetExecutableInfo(const BYTE* pData, DWORD count, AdditionalInfo& additionalInfo);
    static FileKind GetExecutableInfo_16bit(IStream* pStream, DWORD PEoffset, AdditionalInfo& additionalInfo);
    static FileKind GetExecutableInfo_32_64bit(IStream* pStream, DWORD PEoffset, AdditionalInfo& additionalInfo);

    // ZIP archives: FK_ZIP when the directory was read, else 0.
    static FileKind GetZipInfo(IStream* pStream, std::vector<AttachmentInfo>& files);
    static bool GetZipEndOfRecord(IStream* pStream, zipEoRInfo& eorInfo);
    static bool GetZipCentralDirectory(IStream* pStream, const zipEoRInfo& eorInfo, std::vector<ZipFileEntry>& entries);
    // dataSize is the entry's stored size from the directory: a stored entry's bytes end there, and
    // what follows belongs to the next entry.
    static bool GetZipFile(IStream* pStream, DWORD localHeaderOffset, const std::string& name,
                           AttachmentInfo& record, DWORD dataSize = 0xFFFFFFFF);

    // Cabinets: FK_CAB when the directory was read, else 0.
    static FileKind GetCabInfo(IStream* pStream, std::vector<AttachmentInfo>& files);
    static bool GetCabHeader(IStream* pStream, CabHeader& header);
    static bool GetCabFolders(IStream* pStream, std::vector<CabFolder>& folders, const CabHeader& header);
    static bool GetCabFiles(IStream* pStream, std::vector<CabFile>& files, const CabHeader& header,
                            const std::vector<CabFolder>& folders);

    // Image sizes, one form per image kind (FK_BMP, FK_GIF, FK_PNG), and JPEG's.
    template <FileKind kind> static void GetImageInfo(IStream* pStream, AdditionalInfo& additionalInfo);
    static void GetJpgInfo(IStream* pStream, AdditionalInfo& additionalInfo);
    // HTML and XML whose signature follows a byte-order mark or white space, also in UTF-16: FK_HTML, FK_XML or 0.
    static FileKind GetHTMLInfo(IStream* pStream, AdditionalInfo& additionalInfo);

private:
    // Seeks to pos and reads up to cb bytes: the count read. A failed seek or read throws.
    static ULONG ReadAt(IStream* pStream, ULONGLONG pos, void* pv, ULONG cb);
    // Reads at the current position.
    static ULONG ReadNext(IStream* pStream, void* pv, ULONG cb);
    // The stream's length, so that sizes read from a file can be checked before they are trusted.
    static ULONGLONG StreamSize(IStream* pStream);
    // Reads the first `needed` bytes; false (nothing allocated) when the stream is shorter or the size absurd.
    // A failed allocation throws the probe's assertion, logged at the probe's own place.
    static bool ReadHeader(IStream* pStream, ULONGLONG needed, std::vector<BYTE>& header, const char* sizeAssertion,
                           const char* function, const char* file, int line);
    // Sets the size; exactly 1 by 1 pixels is a likely tracking image.
    static void SetImageSize(AdditionalInfo& additionalInfo, LONG width, LONG height);
    static void MarkRelevantAt(AdditionalInfo& additionalInfo, size_t position);
};

template <> void CFileSignature::GetImageInfo<FK_BMP>(IStream* pStream, AdditionalInfo& additionalInfo);
template <> void CFileSignature::GetImageInfo<FK_GIF>(IStream* pStream, AdditionalInfo& additionalInfo);
template <> void CFileSignature::GetImageInfo<FK_PNG>(IStream* pStream, AdditionalInfo& additionalInfo);
