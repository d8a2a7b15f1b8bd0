// The text probe: HTML and XML documents whose signature does not sit at byte 0, after a byte-order mark,
// after leading white space, or in UTF-16.
#include <algorithm>
#include <cstring>
#include <new>

#include "Utils/FileSignature.h"
#include "__Utilities/ErrorInfo.h"

namespace {

const ULONG TEXT_READ = 128;

bool IsBlank8(BYTE c) { return c <= 0x20 || c == 0x7F; }

bool IsMarkup(FileKind kind) { return kind == FK_HTML || kind == FK_XML; }

// True when the text holds no lone surrogate, so that it can be written as UTF-8.
bool IsWellFormed(const WCHAR* text, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        WCHAR c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= count || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

} // namespace

FileKind CFileSignature::GetHTMLInfo(IStream* pStream, AdditionalInfo& additionalInfo)
{
    try {
        VTR_CHECK_QUOTED(pStream, E_POINTER);
        BYTE text[TEXT_READ];
        ULONG readBytes = ReadAt(pStream, 0, text, TEXT_READ);
        if (readBytes <= 3)
            return FK_UNKNOWN;

        bool is8bit = true, bigEndian = false;
        size_t textStart = 0;
        if ((text[0] == 0xFF && text[1] == 0xFE && text[2] == 0 && text[3] == 0) ||
            (text[0] == 0 && text[1] == 0 && text[2] == 0xFE && text[3] == 0xFF))
            return FK_UNKNOWN;  // UTF-32
        if (text[0] == 0xFF && text[1] == 0xFE) {
            is8bit = false;
            textStart = 2;
        } else if (text[0] == 0xFE && text[1] == 0xFF) {
            is8bit = false;
            bigEndian = true;
            textStart = 2;
        } else if (text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
            textStart = 3;
        }
        VTR_CHECK_QUOTED(is8bit || ((readBytes % 2) == 0), E_UNEXPECTED);

        // The signature may only be preceded by white space and control characters.
        if (is8bit) {
            while (textStart < readBytes && IsBlank8(text[textStart]))
                ++textStart;
        } else {
            auto at = [&](size_t i) {
                return bigEndian ? WCHAR((text[i] << 8) | text[i + 1]) : WCHAR(text[i] | (text[i + 1] << 8));
            };
            while (textStart + 1 < readBytes && (iswspace(at(textStart)) || iswcntrl(at(textStart))))
                textStart += 2;
        }
        if (textStart >= readBytes)
            return FK_UNKNOWN;

        const FileSignatureEntry* row;
        if (is8bit) {
            row = &GetExtensionInfo(text + textStart, DWORD(readBytes - textStart), FK_UNKNOWN);
            if (!IsMarkup(row->kind))
                return FK_UNKNOWN;
            for (ULONG k = 0; k < row->count; ++k)
                if (row->mask[k])
                    MarkRelevantAt(additionalInfo, textStart + k);
        } else {
            std::vector<BYTE> buffer;
            try {
                buffer.assign(text, text + readBytes);
            } catch (const std::bad_alloc&) {
                VTR_FAIL("\"buffer.size() >= readBytes\"", E_OUTOFMEMORY);
            }
            // Big-endian pairs, read as characters.
            std::vector<WCHAR> chars;
            for (size_t i = textStart; i + 1 < buffer.size(); i += 2) {
                if (!bigEndian)
                    std::swap(buffer[i], buffer[i + 1]);
                chars.push_back(WCHAR((buffer[i] << 8) | buffer[i + 1]));
            }
            if (chars.empty() || !IsWellFormed(chars.data(), chars.size()))
                return FK_UNKNOWN;
            int length = WideCharToMultiByte(CP_UTF8, 0, chars.data(), int(chars.size()), nullptr, 0, nullptr,
                                             nullptr);
            if (length <= 0)
                return FK_UNKNOWN;
            std::string utf8(size_t(length), '\0');
            if (WideCharToMultiByte(CP_UTF8, 0, chars.data(), int(chars.size()), utf8.data(), length, nullptr,
                                    nullptr) != length)
                return FK_UNKNOWN;
            utf8.resize(std::min<size_t>(utf8.size(), TEXT_READ));
            row = &GetExtensionInfo(reinterpret_cast<const BYTE*>(utf8.data()), DWORD(utf8.size()), FK_UNKNOWN);
            if (!IsMarkup(row->kind))
                return FK_UNKNOWN;
            // Signatures are ASCII, so the k-th compared byte is the k-th character: both its bytes count.
            for (ULONG k = 0; k < row->count; ++k) {
                if (!row->mask[k])
                    continue;
                size_t newSize = textStart + 2 * size_t(k) + 2;
                if (additionalInfo.relevantBytes.size() < newSize) {
                    try {
                        additionalInfo.relevantBytes.resize(newSize, 0);
                    } catch (const std::bad_alloc&) {
                        VTR_FAIL("\"addInfo.relevantBytes.size() >= newSize\"", E_OUTOFMEMORY);
                    }
                }
                additionalInfo.relevantBytes[textStart + 2 * k] = 1;
                additionalInfo.relevantBytes[textStart + 2 * k + 1] = 1;
            }
        }
        additionalInfo.readBytes = readBytes;
        if (additionalInfo.fileBytes.size() < readBytes)
            additionalInfo.fileBytes.resize(readBytes, 0);
        std::memcpy(additionalInfo.fileBytes.data(), text, readBytes);
        return row->kind;
    }
    VTR_CATCH_LOG
    return FK_UNKNOWN;
}
