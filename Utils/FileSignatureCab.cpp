// The files of a Microsoft cabinet: header, folders and file records, and the first bytes of each file
// from the data block that holds its start (stored, or MSZIP inflated with zlib).
//
// Each folder's chain of data blocks is walked once, as far as the files need it, and kept as an index,
// so a cabinet of many files does not walk its blocks again for each file. Folders may share or overlap
// their chains in a crafted cabinet; the block headers walked over all folders are therefore limited to
// what the cabinet's size can hold, so the work stays proportional to the file's size.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "Utils/FileSignature.h"
#include "Utils/LittleEndian.h"
#include "__Utilities/ErrorInfo.h"
#include "email/AttachmentInfo.h"

namespace {

const ULONG CAB_HEADER_SIZE = 40;
const ULONG CAB_FOLDER_SIZE = 8;
const ULONG CAB_FILE_FIXED = 16;
const ULONG CAB_FILE_MINIMUM = 18;  // the fixed part, one character and the terminating NUL
const ULONG CAB_DATA_HEADER = 8;
const ULONG MSZIP_FIRST_READ = 512;
const ULONG PROGRAM_EXTRA = 1024;
const WORD CAB_PREVIOUS = 0x0001;
const WORD CAB_RESERVE = 0x0004;
const WORD RUN_AFTER_EXTRACT = 0x0040;

WString FromAnsi(const std::string& name)
{
    int n = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    WString wide(size_t(std::max(n, 0)), W('\0'));
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), n);
    return wide;
}

struct DataBlock {
    ULONGLONG position;          // of its header
    ULONGLONG uncompressedStart; // in the folder's uncompressed data
    WORD compressedSize;
    WORD uncompressedSize;
};

// The blocks of one folder read so far.
struct FolderBlocks {
    std::vector<DataBlock> blocks;
    ULONGLONG nextPosition = 0;
    ULONGLONG nextStart = 0;
    bool started = false;
};

struct InflateGuard {
    z_stream* stream;
    ~InflateGuard() { inflateEnd(stream); }
};

bool StartsWithMZ(const BYTE* p, size_t n) { return n >= 2 && p[0] == 'M' && p[1] == 'Z'; }

} // namespace

bool CFileSignature::GetCabHeader(IStream* pStream, CabHeader& header)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE h[CAB_HEADER_SIZE];
        if (ReadAt(pStream, 0, h, sizeof(h)) < sizeof(h))
            return false;
        if (std::memcmp(h, "MSCF", 4) != 0 || Le32(h + 4) != 0 || Le32(h + 12) != 0 || Le32(h + 20) != 0)
            return false;
        header.firstFileOffset = Le32(h + 16);
        header.folderCount = Le16(h + 26);
        header.fileCount = Le16(h + 28);
        header.flags = Le16(h + 30);
        header.cabinetIndex = Le16(h + 34);
        header.folderReserve = h[38];
        header.dataReserve = h[39];
        return !(header.flags & CAB_PREVIOUS) && header.cabinetIndex == 0 && header.folderCount != 0 &&
               header.fileCount != 0;
    }
    VTR_CATCH_LOG
    return false;
}

bool CFileSignature::GetCabFolders(IStream* pStream, std::vector<CabFolder>& folders, const CabHeader& header)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        folders.clear();
        ULONGLONG recordSize = CAB_FOLDER_SIZE + ((header.flags & CAB_RESERVE) ? header.folderReserve : 0);
        // The folder records lie directly before the first file record; a count that does not fit there
        // would start before the file.
        ULONGLONG span = recordSize * header.folderCount;
        if (span > header.firstFileOffset)
            return false;
        for (WORD i = 0; i < header.folderCount; ++i) {
            BYTE f[CAB_FOLDER_SIZE];
            ULONGLONG position = header.firstFileOffset - recordSize * (header.folderCount - i);
            if (ReadAt(pStream, position, f, sizeof(f)) < sizeof(f))
                break;
            CabFolder folder;
            folder.firstDataOffset = Le32(f);
            folder.dataBlockCount = Le16(f + 4);
            folder.compression = Le16(f + 6);
            folders.push_back(folder);
        }
        return !folders.empty();
    }
    VTR_CATCH_LOG
    return false;
}

bool CFileSignature::GetCabFiles(IStream* pStream, std::vector<CabFile>& files, const CabHeader& header,
                                 const std::vector<CabFolder>& folders)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        VTR_CHECK_QUOTED(!folders.empty(), E_INVALIDARG);
        files.clear();
        // The file records fill the bytes up to the first data block. A span that runs backwards or past the
        // end of the file is a short read, and nothing is allocated for it.
        DWORD dataStart = folders[0].firstDataOffset;
        if (dataStart < header.firstFileOffset || dataStart > StreamSize(pStream))
            return false;
        DWORD fileDataSize = dataStart - header.firstFileOffset;
        std::vector<BYTE> fileData;
        try {
            fileData.resize(fileDataSize);
        } catch (const std::bad_alloc&) {
            VTR_FAIL("\"fileData.size() == fileDataSize\"", E_OUTOFMEMORY);
        }
        if (ReadAt(pStream, header.firstFileOffset, fileData.data(), fileDataSize) < fileDataSize)
            return false;

        size_t pos = 0;
        while (pos < fileData.size()) {
            if (fileData.size() - pos < CAB_FILE_MINIMUM)
                return false;
            const BYTE* p = fileData.data() + pos;
            CabFile file;
            file.size = Le32(p);
            file.folderOffset = Le32(p + 4);
            file.folderIndex = Le16(p + 8);
            file.attributes = Le16(p + 14);
            // Checked against the folders actually read, which the walk below indexes.
            if (file.folderIndex >= header.folderCount || file.folderIndex >= folders.size())
                return false;
            const BYTE* name = p + CAB_FILE_FIXED;
            const BYTE* end = fileData.data() + fileData.size();
            const BYTE* nul = std::find(name, end, BYTE(0));
            if (nul == end || nul == name)
                return false;
            file.name.assign(reinterpret_cast<const char*>(name), size_t(nul - name));
            files.push_back(std::move(file));
            pos = size_t(nul - fileData.data()) + 1;
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

FileKind CFileSignature::GetCabInfo(IStream* pStream, std::vector<AttachmentInfo>& files)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        CabHeader header;
        std::vector<CabFolder> folders;
        std::vector<CabFile> cabFiles;
        if (!GetCabHeader(pStream, header) || !GetCabFolders(pStream, folders, header) ||
            !GetCabFiles(pStream, cabFiles, header, folders))
            return FK_UNKNOWN;

        const ULONG blockHeaderSize = CAB_DATA_HEADER + ((header.flags & CAB_RESERVE) ? header.dataReserve : 0);
        // Every block header takes at least 8 bytes of the file, so no well-formed cabinet has more.
        ULONGLONG blockBudget = StreamSize(pStream) / CAB_DATA_HEADER + folders.size();
        std::vector<FolderBlocks> index(folders.size());

        for (const CabFile& cabFile : cabFiles) {
            AttachmentInfo record;
            record.additionalInfo.Init();
            record.longFileName = FromAnsi(cabFile.name);
            record.extension = GetFileExtension(record.longFileName.c_str());
            record.typeName = W("???");
            record.additionalInfo.runOnExtract = (cabFile.attributes & RUN_AFTER_EXTRACT) != 0;
            files.push_back(record);
            AttachmentInfo& listed = files.back();

            const CabFolder& folder = folders[cabFile.folderIndex];
            WORD method = folder.compression & 0x0F;
            if (method > 1)
                continue;

            // Find the block whose uncompressed range holds the file's start, reading headers only as far
            // as needed and never twice.
            FolderBlocks& chain = index[cabFile.folderIndex];
            if (!chain.started) {
                chain.started = true;
                chain.nextPosition = folder.firstDataOffset;
            }
            const DataBlock* found = nullptr;
            auto contains = [&](const DataBlock& b) {
                return cabFile.folderOffset >= b.uncompressedStart &&
                       cabFile.folderOffset < b.uncompressedStart + b.uncompressedSize;
            };
            if (!chain.blocks.empty() && cabFile.folderOffset < chain.nextStart) {
                auto it = std::upper_bound(chain.blocks.begin(), chain.blocks.end(), ULONGLONG(cabFile.folderOffset),
                                           [](ULONGLONG offset, const DataBlock& b) { return offset < b.uncompressedStart; });
                if (it != chain.blocks.begin() && contains(*(it - 1)))
                    found = &*(it - 1);
            } else {
                while (chain.blocks.size() < folder.dataBlockCount) {
                    VTR_CHECK_TEXT(blockBudget > 0, "\"blocksWalked <= fileSize / 8\"", E_UNEXPECTED);
                    --blockBudget;
                    BYTE h[CAB_DATA_HEADER];
                    if (ReadAt(pStream, chain.nextPosition, h, sizeof(h)) < sizeof(h))
                        return FK_UNKNOWN;
                    DataBlock block{chain.nextPosition, chain.nextStart, Le16(h + 4), Le16(h + 6)};
                    chain.blocks.push_back(block);
                    chain.nextPosition += blockHeaderSize + block.compressedSize;
                    chain.nextStart += block.uncompressedSize;
                    if (contains(block)) {
                        found = &chain.blocks.back();
                        break;
                    }
                }
            }
            if (!found)
                continue;

            const DataBlock block = *found;
            ULONG offsetInBlock = ULONG(cabFile.folderOffset - block.uncompressedStart);
            ULONGLONG dataPosition = block.position + blockHeaderSize;
            if (method == 1) {
                ULONG readSize = block.compressedSize;
                if (readSize > MSZIP_FIRST_READ && cabFile.folderOffset == 0)
                    readSize = MSZIP_FIRST_READ;
                std::vector<BYTE> fileInfo;
                try {
                    fileInfo.resize(readSize);
                } catch (const std::bad_alloc&) {
                    VTR_FAIL("\"fileInfo.size() == readSize\"", E_OUTOFMEMORY);
                }
                ULONG read = ReadAt(pStream, dataPosition, fileInfo.data(), readSize);
                std::vector<BYTE> outData;
                try {
                    outData.resize(size_t(offsetInBlock) + READ_LENGTH);
                } catch (const std::bad_alloc&) {
                    VTR_FAIL("\"outData.size() == currOffset + READ_LENGTH\"", E_OUTOFMEMORY);
                }
                z_stream zs{};
                if (read < 2 || inflateInit2(&zs, -15) != Z_OK)
                    continue;
                InflateGuard guard{&zs};
                zs.next_in = fileInfo.data() + 2;  // after the block's "CK"
                zs.avail_in = read - 2;
                zs.next_out = outData.data();
                zs.avail_out = ULONG(outData.size());
                int result = inflate(&zs, Z_FULL_FLUSH);
                ULONG produced = ULONG(outData.size()) - zs.avail_out;
                if ((result != Z_OK && result != Z_STREAM_END) || produced <= offsetInBlock)
                    continue;
                SetData(listed, produced - offsetInBlock, outData.data() + offsetInBlock);
                if (!StartsWithMZ(outData.data() + offsetInBlock, produced - offsetInBlock))
                    continue;
                // A program: inflate a little more, for the executable probe.
                size_t prevSize = outData.size();
                try {
                    outData.resize(prevSize + PROGRAM_EXTRA);
                } catch (const std::bad_alloc&) {
                    VTR_FAIL("\"outData.size() == prevSize + 1024\"", E_OUTOFMEMORY);
                }
                zs.next_out = outData.data() + produced;
                zs.avail_out = ULONG(outData.size() - produced);
                ULONG before = zs.avail_out;
                result = inflate(&zs, Z_FULL_FLUSH);
                if ((result == Z_OK || result == Z_STREAM_END) && zs.avail_out < before) {
                    ULONG total = produced + (before - zs.avail_out);
                    FileKind kind = GetExecutableInfo(outData.data() + offsetInBlock, total - offsetInBlock,
                                                      listed.additionalInfo);
                    if (kind != FK_UNKNOWN)
                        listed.typeName = GetKindName(kind);
                }
            } else {
                BYTE data[PROGRAM_EXTRA];
                ULONG read = ReadAt(pStream, dataPosition + offsetInBlock, data, READ_LENGTH);
                if (read == 0)
                    continue;
                SetData(listed, read, data);
                if (!StartsWithMZ(data, read))
                    continue;
                ULONG more = ReadNext(pStream, data + read, PROGRAM_EXTRA - read);
                FileKind kind = GetExecutableInfo(data, read + more, listed.additionalInfo);
                if (kind != FK_UNKNOWN)
                    listed.typeName = GetKindName(kind);
            }
        }
        return FK_CAB;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}
