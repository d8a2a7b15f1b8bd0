// The files of a ZIP archive (also of the Office Open XML documents): the end record, the central
// directory, and the first bytes of each file, inflated where needed; the archive is never extracted.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "Utils/FileSignature.h"
#include "Utils/LittleEndian.h"
#include "__Utilities/ErrorInfo.h"
#include "email/AttachmentInfo.h"

namespace {

const ULONG EOR_SIZE = 22;
const int EOR_WINDOWS = 10;
const ULONG CENTRAL_ENTRY_SIZE = 46;
const ULONG LOCAL_HEADER_SIZE = 30;
const ULONG DEFLATED_READ = 512;

bool IsEndRecord(const BYTE* p) { return p[0] == 0x50 && p[1] == 0x4B && p[2] == 0x05 && p[3] == 0x06; }

// The first position of the end-record signature in a window, or -1.
int FindEndRecord(const BYTE* window, ULONG size)
{
    for (ULONG k = 0; k + 4 <= size; ++k)
        if (IsEndRecord(window + k))
            return int(k);
    return -1;
}

// Decides on a record whose 20 checked bytes start at p.
bool TakeEndRecord(const BYTE* p, zipEoRInfo& info)
{
    WORD disk = Le16(p + 4), centralDisk = Le16(p + 6), entriesHere = Le16(p + 8), entriesTotal = Le16(p + 10);
    if (disk != 0 || centralDisk != 0 || entriesHere == 0 || entriesHere != entriesTotal)
        return false;
    info.fileCount = entriesHere;
    info.centralDirSize = Le32(p + 12);
    info.centralDirOffset = Le32(p + 16);
    return true;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

WString FromAnsi(const std::string& name)
{
    int n = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    WString wide(size_t(std::max(n, 0)), W('\0'));
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), n);
    return wide;
}

// Releases the inflate state however the step ends.
struct InflateGuard {
    z_stream* stream;
    ~InflateGuard() { inflateEnd(stream); }
};

} // namespace

FileKind CFileSignature::GetZipInfo(IStream* pStream, std::vector<AttachmentInfo>& files)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE signature[4];
        if (ReadAt(pStream, 0, signature, sizeof(signature)) < sizeof(signature))
            return FK_UNKNOWN;
        zipEoRInfo eorInfo;
        if (!GetZipEndOfRecord(pStream, eorInfo))
            return FK_UNKNOWN;
        std::vector<ZipFileEntry> entries;
        if (!GetZipCentralDirectory(pStream, eorInfo, entries))
            return FK_UNKNOWN;
        for (const ZipFileEntry& entry : entries) {
            AttachmentInfo record;
            record.additionalInfo.Init();
            if (GetZipFile(pStream, entry.localHeaderOffset, entry.name, record, entry.compressedSize))
                files.push_back(std::move(record));
        }
        return FK_ZIP;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}

bool CFileSignature::GetZipEndOfRecord(IStream* pStream, zipEoRInfo& eorInfo)
{
    try {
        eorInfo = zipEoRInfo();
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE window[EOR_SIZE];
        for (int n = 1; n <= EOR_WINDOWS; ++n) {
            LARGE_INTEGER move;
            move.QuadPart = -LONGLONG(EOR_SIZE) * n;
            ULARGE_INTEGER start;
            VTR_CHECK_HR(pStream->Seek(move, STREAM_SEEK_END, &start));
            if (ReadNext(pStream, window, EOR_SIZE) < EOR_SIZE)
                return false;
            int k = FindEndRecord(window, EOR_SIZE);
            if (k < 0)
                continue;
            if (k <= 2)
                return TakeEndRecord(window + k, eorInfo);
            // The record runs past this window: read it once more from its signature.
            if (ReadAt(pStream, start.QuadPart + ULONG(k), window, EOR_SIZE) < EOR_SIZE)
                return false;
            return TakeEndRecord(window, eorInfo);
        }
        return false;
    }
    VTR_CATCH_LOG
    return false;
}

bool CFileSignature::GetZipCentralDirectory(IStream* pStream, const zipEoRInfo& eorInfo,
                                            std::vector<ZipFileEntry>& entries)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        VTR_CHECK_TEXT(eorInfo.fileCount > 0, "\"zipEoRInfo.fileCount > 0\"", E_UNEXPECTED);
        VTR_CHECK_TEXT(eorInfo.centralDirSize > 0, "\"zipEoRInfo.centralDirSize > 0\"", E_UNEXPECTED);
        VTR_CHECK_TEXT(eorInfo.centralDirOffset > 0, "\"zipEoRInfo.centralDirOffset > 0\"", E_UNEXPECTED);
        // A directory said to reach past the end of the file is a short read: nothing is allocated for it.
        if (ULONGLONG(eorInfo.centralDirOffset) + eorInfo.centralDirSize > StreamSize(pStream))
            return false;
        std::vector<BYTE> centralDir;
        try {
            centralDir.resize(eorInfo.centralDirSize);
        } catch (const std::bad_alloc&) {
            VTR_FAIL("\"centralDir.size() >= zipEoRInfo.centralDirSize\"", E_OUTOFMEMORY);
        }
        if (ReadAt(pStream, eorInfo.centralDirOffset, centralDir.data(), eorInfo.centralDirSize) <
            eorInfo.centralDirSize)
            return false;

        entries.clear();
        const size_t size = centralDir.size();
        size_t pos = 0;
        for (WORD i = 0; i < eorInfo.fileCount; ++i) {
            if (pos + CENTRAL_ENTRY_SIZE > size)
                return false;
            const BYTE* p = centralDir.data() + pos;
            if (p[0] != 0x50 || p[1] != 0x4B || p[2] != 0x01 || p[3] != 0x02)
                return false;
            WORD nameLength = Le16(p + 28), extraLength = Le16(p + 30), commentLength = Le16(p + 32);
            if (nameLength == 0 || pos + CENTRAL_ENTRY_SIZE + nameLength > size)
                return false;
            ZipFileEntry entry;
            entry.encrypted = (Le16(p + 8) & 1) != 0;
            entry.compression = Le16(p + 10);
            entry.compressedSize = Le32(p + 20);
            entry.localHeaderOffset = Le32(p + 42);
            entry.name.assign(reinterpret_cast<const char*>(p + CENTRAL_ENTRY_SIZE), nameLength);
            entries.push_back(std::move(entry));
            pos += CENTRAL_ENTRY_SIZE + size_t(nameLength) + extraLength + commentLength;
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool CFileSignature::GetZipFile(IStream* pStream, DWORD localHeaderOffset, const std::string& name,
                                AttachmentInfo& record, DWORD dataSize)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        VTR_CHECK_TEXT(!name.empty(), "((const char*) \"pFileName\") && (strlen(\"pFileName\") > 0)", E_INVALIDARG);
        BYTE local[LOCAL_HEADER_SIZE];
        if (ReadAt(pStream, localHeaderOffset, local, sizeof(local)) < sizeof(local))
            return false;
        if (local[0] != 0x50 || local[1] != 0x4B || local[2] != 0x03 || local[3] != 0x04)
            return false;
        if (Le16(local + 6) & 1)  // encrypted
            return false;
        WORD method = Le16(local + 8), nameLength = Le16(local + 26), extraLength = Le16(local + 28);
        if (nameLength == 0)
            return false;
        std::string localName(nameLength, '\0');
        if (ReadNext(pStream, localName.data(), nameLength) < nameLength || !EqualNoCase(localName, name))
            return false;

        record.additionalInfo.Init();
        record.longFileName = FromAnsi(name);
        record.extension = GetFileExtension(record.longFileName.c_str());
        record.typeName = W("???");

        ULONGLONG dataOffset = ULONGLONG(localHeaderOffset) + LOCAL_HEADER_SIZE + nameLength + extraLength;
        if (method == 0) {
            BYTE data[READ_LENGTH];
            ULONG read = ReadAt(pStream, dataOffset, data, dataSize < READ_LENGTH ? ULONG(dataSize) : READ_LENGTH);
            if (read > 0)
                SetData(record, read, data);
        } else if (method == 8) {
            BYTE compressed[DEFLATED_READ];
            ULONG read = ReadAt(pStream, dataOffset, compressed, DEFLATED_READ);
            BYTE output[READ_LENGTH];
            z_stream zs{};
            if (inflateInit2(&zs, -15) == Z_OK) {
                InflateGuard guard{&zs};
                zs.next_in = compressed;
                zs.avail_in = read;
                zs.next_out = output;
                zs.avail_out = READ_LENGTH;
                int result = inflate(&zs, Z_FULL_FLUSH);
                ULONG produced = READ_LENGTH - zs.avail_out;
                if ((result == Z_OK || result == Z_STREAM_END) && produced > 0)
                    SetData(record, produced, output);
            }
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}
