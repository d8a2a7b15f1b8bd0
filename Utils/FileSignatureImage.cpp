// Image sizes of JPEG, BMP, GIF and PNG files; an image of exactly 1 by 1 pixels is a likely tracking image.
// The numbers come from the bytes already read when there are enough of them, else from the stream.
#include "Utils/FileSignature.h"
#include "Utils/LittleEndian.h"

#include <algorithm>
#include <cstring>

#include "__Utilities/ErrorInfo.h"

namespace {

WORD Be16(const BYTE* p) { return WORD((p[0] << 8) | p[1]); }
DWORD Be32(const BYTE* p) { return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | DWORD(p[3]); }

// How many of the bytes already read can be used.
size_t Available(const AdditionalInfo& info) { return std::min<size_t>(info.readBytes, info.fileBytes.size()); }

} // namespace

void CFileSignature::SetImageSize(AdditionalInfo& additionalInfo, LONG width, LONG height)
{
    additionalInfo.width = width;
    additionalInfo.height = height;
    additionalInfo.isTracking = width == 1 && height == 1;
}

void CFileSignature::GetJpgInfo(IStream* pStream, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        ULONGLONG position;
        if (additionalInfo.readBytes < 4 || additionalInfo.fileBytes.size() < 4) {
            BYTE hdrInfo[2];
            ULONG readBytes = ReadAt(pStream, 0, hdrInfo, sizeof(hdrInfo));
            VTR_CHECK_QUOTED(readBytes == 2, E_UNEXPECTED);
            VTR_CHECK_QUOTED((hdrInfo[0] == 0xFF) && (hdrInfo[1] == 0xD8), E_UNEXPECTED);
            position = 2;
        } else {
            const BYTE* pData = additionalInfo.fileBytes.data();
            VTR_CHECK_QUOTED((pData[0] == 0xFF) && (pData[1] == 0xD8), E_UNEXPECTED);
            VTR_CHECK_QUOTED((pData[2] == 0xFF) && (pData[3] != 0xC0), E_UNEXPECTED);
            position = Available(additionalInfo) > 5 ? 4 + ULONGLONG(Be16(pData + 4)) : 2;
        }
        // Each segment moves the position forward by at least 2 bytes, and a read past the end stops the
        // walk, so it is bounded by the file's size.
        for (;;) {
            BYTE hdrInfo[4];
            ULONG readBytes = ReadAt(pStream, position, hdrInfo, sizeof(hdrInfo));
            VTR_CHECK_QUOTED(readBytes == sizeof(hdrInfo), E_UNEXPECTED);
            VTR_CHECK_QUOTED((hdrInfo[0] == 0xFF) && (hdrInfo[1] != 0xD8), E_UNEXPECTED);
            VTR_CHECK_QUOTED((hdrInfo[1] != 0x00) && (hdrInfo[1] != 0xFF), E_UNEXPECTED);
            position += ULONGLONG(Be16(hdrInfo + 2)) + 2;
            if (hdrInfo[1] == 0xC0 || hdrInfo[1] == 0xC2) {
                BYTE extHdrInfo[5];
                readBytes = ReadNext(pStream, extHdrInfo, sizeof(extHdrInfo));
                VTR_CHECK_QUOTED(readBytes == sizeof(extHdrInfo), E_UNEXPECTED);
                SetImageSize(additionalInfo, Be16(extHdrInfo + 3), Be16(extHdrInfo + 1));
                return;
            }
        }
    }
    VTR_CATCH_LOG
}

template <> void CFileSignature::GetImageInfo<FK_BMP>(IStream* pStream, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE width[4], height[4];
        if (additionalInfo.readBytes > 25 && additionalInfo.fileBytes.size() > 25) {
            std::memcpy(width, additionalInfo.fileBytes.data() + 18, 4);
            std::memcpy(height, additionalInfo.fileBytes.data() + 22, 4);
        } else {
            ULONG readBytes = ReadAt(pStream, 18, width, sizeof(width));
            VTR_CHECK_QUOTED(readBytes == sizeof(width), E_UNEXPECTED);
            readBytes = ReadNext(pStream, height, sizeof(height));
            VTR_CHECK_QUOTED(readBytes == sizeof(height), E_UNEXPECTED);
        }
        SetImageSize(additionalInfo, LONG(Le32(width)), LONG(Le32(height)));
    }
    VTR_CATCH_LOG
}

template <> void CFileSignature::GetImageInfo<FK_GIF>(IStream* pStream, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE width[2], height[2];
        if (additionalInfo.readBytes > 9 && additionalInfo.fileBytes.size() > 9) {
            std::memcpy(width, additionalInfo.fileBytes.data() + 6, 2);
            std::memcpy(height, additionalInfo.fileBytes.data() + 8, 2);
        } else {
            ULONG readBytes = ReadAt(pStream, 6, width, sizeof(width));
            VTR_CHECK_QUOTED(readBytes == sizeof(width), E_UNEXPECTED);
            readBytes = ReadNext(pStream, height, sizeof(height));
            VTR_CHECK_QUOTED(readBytes == sizeof(height), E_UNEXPECTED);
        }
        SetImageSize(additionalInfo, Le16(width), Le16(height));
    }
    VTR_CATCH_LOG
}

template <> void CFileSignature::GetImageInfo<FK_PNG>(IStream* pStream, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE width[4], height[4];
        if (additionalInfo.readBytes >= 24 && additionalInfo.fileBytes.size() >= 24) {
            std::memcpy(width, additionalInfo.fileBytes.data() + 16, 4);
            std::memcpy(height, additionalInfo.fileBytes.data() + 20, 4);
        } else {
            ULONG readBytes = ReadAt(pStream, 16, width, sizeof(width));
            VTR_CHECK_QUOTED(readBytes == sizeof(width), E_UNEXPECTED);
            readBytes = ReadNext(pStream, height, sizeof(height));
            VTR_CHECK_QUOTED(readBytes == sizeof(height), E_UNEXPECTED);
        }
        SetImageSize(additionalInfo, LONG(Be32(width)), LONG(Be32(height)));
    }
    VTR_CATCH_LOG
}
