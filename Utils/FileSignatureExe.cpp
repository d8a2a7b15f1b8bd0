// The executable probe: MS-DOS programs, 16-bit (NE) and 32/64-bit (PE) Windows programs and libraries,
// .NET assemblies. Sizes and offsets come from the file, so each is checked against the stream's length
// before anything is allocated for it.
#include <shlwapi.h>

#include <cstring>
#include <new>

#include "Utils/FileSignature.h"
#include "Utils/LittleEndian.h"
#include "__Utilities/ErrorInfo.h"

namespace {

const ULONG DOS_HEADER_SIZE = 0x40;
const ULONG NE_HEADER_READ = 0x40;
const ULONG PE_HEADER_READ = 4 + 20 + 112 + 16 * 8;
// One read fills the header; a stream is read in pieces of at most this size.
const ULONGLONG MAX_HEADER = 0xFFFFFFFFULL;

} // namespace

FileKind CFileSignature::GetExecutableInfo(IStream* pStream, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE header[DOS_HEADER_SIZE];
        if (ReadAt(pStream, 0, header, sizeof(header)) < sizeof(header) || header[0] != 'M' || header[1] != 'Z')
            return FK_UNKNOWN;
        WORD relocationOffset = Le16(header + 24);
        DWORD PEoffset = Le32(header + 60);
        if (relocationOffset >= 0x40 && PEoffset != 0) {
            BYTE signature[4];
            if (ReadAt(pStream, PEoffset, signature, sizeof(signature)) < sizeof(signature))
                return FK_UNKNOWN;
            if (signature[0] == 'N' && signature[1] == 'E')
                return GetExecutableInfo_16bit(pStream, PEoffset, additionalInfo);
            if (signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 && signature[3] == 0)
                return GetExecutableInfo_32_64bit(pStream, PEoffset, additionalInfo);
            return FK_UNKNOWN;
        }
        additionalInfo.fileBytes.assign(header, header + sizeof(header));
        additionalInfo.relevantBytes.assign(sizeof(header), 0);
        additionalInfo.readBytes = sizeof(header);
        additionalInfo.platform = 1;
        additionalInfo.programMode = 0;
        additionalInfo.isDotNet = 0;
        for (size_t i : {0, 1, 24, 25})
            additionalInfo.relevantBytes[i] = 1;
        return FK_EXE_DOS;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}

FileKind CFileSignature::GetExecutableInfo(const BYTE* pData, DWORD count, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pData, E_POINTER);
        VTR_CHECK_QUOTED(count > 0, E_INVALIDARG);
        CComPtr<IStream> stream;
        stream.Attach(SHCreateMemStream(pData, count));
        VTR_CHECK_QUOTED(stream, E_OUTOFMEMORY);
        return GetExecutableInfo(stream, additionalInfo);
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}

bool CFileSignature::ReadHeader(IStream* pStream, ULONGLONG needed, std::vector<BYTE>& header,
                                const char* sizeAssertion, const char* function, const char* file, int line)
{
    // A header that lies beyond the end is a short read, and nothing is allocated for it.
    if (needed > StreamSize(pStream) || needed > MAX_HEADER)
        return false;
    try {
        header.resize(needed);
    } catch (const std::bad_alloc&) {
        throw CErrorInfo(sizeAssertion, E_OUTOFMEMORY, function, file, line);
    }
    return ReadAt(pStream, 0, header.data(), ULONG(needed)) == needed;
}

FileKind CFileSignature::GetExecutableInfo_16bit(IStream* pStream, DWORD PEoffset, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        VTR_CHECK_QUOTED(PEoffset > 0x40, E_UNEXPECTED);
        // The whole header from byte 0 is kept.
        ULONGLONG needed = ULONGLONG(PEoffset) + NE_HEADER_READ;
        std::vector<BYTE> header;
        if (!ReadHeader(pStream, needed, header, "\"(long) header.size() >= PEoffset + 0x40\"", VTR_HERE))
            return FK_UNKNOWN;
        BYTE flagsHigh = header[PEoffset + 13];
        if ((flagsHigh & 0xA0) == 0x20)  // link errors in a program module
            return FK_UNKNOWN;
        BYTE targetOS = header[PEoffset + 54];

        additionalInfo.readBytes = ULONG(needed);
        additionalInfo.relevantBytes.resize(header.size(), 0);
        additionalInfo.fileBytes = std::move(header);
        additionalInfo.platform = (targetOS == 2 || targetOS == 4) ? 2 : 0;
        additionalInfo.programMode = 1;
        additionalInfo.isDotNet = 0;
        for (size_t i : {size_t(0), size_t(1), size_t(24), size_t(25), size_t(PEoffset), size_t(PEoffset) + 1,
                         size_t(PEoffset) + 13, size_t(PEoffset) + 54})
            additionalInfo.relevantBytes[i] = 1;
        return (flagsHigh & 0x80) ? FK_DLL_16 : FK_EXE_16;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}

FileKind CFileSignature::GetExecutableInfo_32_64bit(IStream* pStream, DWORD PEoffset, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        VTR_CHECK_QUOTED(PEoffset > 0x40, E_UNEXPECTED);
        ULONGLONG needed = ULONGLONG(PEoffset) + PE_HEADER_READ;
        std::vector<BYTE> header;
        if (!ReadHeader(pStream, needed, header, "\"(long) header.size() >= PEoffset + 4 + 20 + 112 + 16 * 8\"",
                        VTR_HERE))
            return FK_UNKNOWN;
        const BYTE* pe = header.data() + PEoffset;
        WORD characteristics = Le16(pe + 22);
        if (!(characteristics & 0x2000) && !(characteristics & 0x0002))
            return FK_UNKNOWN;
        WORD machine = Le16(pe + 4);
        WORD magic = Le16(pe + 24);
        bool is64;
        if (machine == 0x014C && magic == 0x010B)
            is64 = false;
        else if (machine == 0x8664 && magic == 0x020B)
            is64 = true;
        else
            return FK_UNKNOWN;
        size_t countPos = size_t(PEoffset) + (is64 ? 132 : 116);
        DWORD rvaCount = Le32(header.data() + countPos);
        DWORD clrAddress = rvaCount < 16 ? 0 : Le32(header.data() + countPos + 116);

        // The end of the data directories, which a lying count may put far past the bytes kept; it is
        // reported as it is, but never wraps around.
        ULONGLONG directoriesEnd = countPos + 4 + 8 * ULONGLONG(rvaCount);
        additionalInfo.readBytes = ULONG(std::min<ULONGLONG>(directoriesEnd, 0xFFFFFFFFULL));
        additionalInfo.relevantBytes.resize(header.size(), 0);
        additionalInfo.fileBytes = std::move(header);
        additionalInfo.platform = 2;
        additionalInfo.programMode = is64 ? 3 : 2;
        additionalInfo.isDotNet = clrAddress != 0;
        auto mark = [&](size_t from, size_t to) {
            for (size_t i = from; i <= to; ++i)
                additionalInfo.relevantBytes[i] = 1;
        };
        mark(0, 1);
        mark(24, 25);
        mark(PEoffset, size_t(PEoffset) + 5);
        mark(size_t(PEoffset) + 22, size_t(PEoffset) + 25);
        mark(countPos, countPos + 3);
        mark(countPos + 116, countPos + 119);
        if (characteristics & 0x2000)
            return is64 ? FK_DLL_64 : FK_DLL_32;
        return is64 ? FK_EXE_64 : FK_EXE_32;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}
