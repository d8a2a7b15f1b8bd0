// The .res format: a run of records, each a RESOURCEHEADER (DataSize, HeaderSize, TYPE, NAME, DataVersion,
// MemoryFlags, LanguageId, Version, Characteristics) and its data, every record on a DWORD boundary. TYPE
// and NAME are 0xFFFF and an ordinal, or a NUL-terminated UTF-16 string. The file begins with an empty
// record of 32 bytes. Only the type, name, language and data matter to the lookups; the other fields are
// the compiler's and are not read.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <tuple>

#include "common/text.h"
#include "kernel32/resfile.h"

namespace pal::resources {

namespace {

const size_t kLeadingRecord = 32;
// DataSize and HeaderSize, TYPE and NAME as ordinals, then the fixed fields after them.
const size_t kFixedFields = 16;
const size_t kSmallestHeader = 8 + 4 + 4 + kFixedFields;

WORD Read16(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }

uint32_t Read32(const BYTE* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A TYPE or NAME field at `at`, which must end by `end`; `at` moves past it.
bool ReadId(const BYTE* p, size_t& at, size_t end, bool& isName, WORD& id, std::u16string& name)
{
    if (end - at < 2)
        return false;
    if (Read16(p + at) == 0xFFFF) {
        if (end - at < 4)
            return false;
        isName = false;
        id = Read16(p + at + 2);
        at += 4;
        return true;
    }
    isName = true;
    for (; end - at >= 2; at += 2) {
        char16_t c = char16_t(Read16(p + at));
        if (c == 0) {
            at += 2;
            return true;
        }
        name += pal::UpcaseUnit(c);
    }
    return false;
}

std::string Describe(bool isName, WORD id, const std::u16string& name)
{
    if (!isName)
        return std::to_string(id);
    std::string out = "\"";
    for (char16_t c : name)
        out += c >= 0x20 && c < 0x7F ? char(c) : '?';
    return out + "\"";
}

std::string Where(size_t record, size_t offset)
{
    char text[64];
    std::snprintf(text, sizeof text, "record %zu at offset 0x%zx", record, offset);
    return text;
}

} // namespace

bool ReadResFile(const void* image, size_t size, std::vector<Entry>& entries, std::vector<std::string>& problems)
{
    const BYTE* p = static_cast<const BYTE*>(image);
    static const BYTE kEmpty[16] = {0, 0, 0, 0, 32, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
    if (!p || size < kLeadingRecord || std::memcmp(p, kEmpty, sizeof kEmpty) != 0) {
        problems.push_back("not a .res file: it does not begin with the empty record of 32 bytes");
        return false;
    }
    if (reinterpret_cast<uintptr_t>(p) % 4) {
        problems.push_back("the resources are not on a DWORD boundary, so their data cannot be read in place");
        return false;
    }
    std::set<std::tuple<bool, WORD, std::u16string, bool, WORD, std::u16string, WORD>> seen;
    size_t record = 1;
    for (size_t at = kLeadingRecord; at < size; ++record) {
        size_t left = size - at;
        if (left < 8) {
            problems.push_back(Where(record, at) + ": cut short, " + std::to_string(left) + " bytes of its header");
            return false;
        }
        uint32_t dataSize = Read32(p + at), headerSize = Read32(p + at + 4);
        if (headerSize < kSmallestHeader || headerSize % 4) {
            problems.push_back(Where(record, at) + ": a header of " + std::to_string(headerSize) +
                               " bytes, not a whole number of DWORDs of at least " + std::to_string(kSmallestHeader));
            return false;
        }
        if (headerSize > left || dataSize > left - headerSize) {
            problems.push_back(Where(record, at) + ": a header of " + std::to_string(headerSize) + " and data of " +
                               std::to_string(dataSize) + " bytes, past the end of the file (" +
                               std::to_string(left) + " bytes left)");
            return false;
        }
        size_t headerEnd = at + headerSize;
        // The last record may end without its padding.
        size_t next = std::min(size, (headerEnd + dataSize + 3) & ~size_t(3));

        Entry e;
        size_t field = at + 8;
        bool framed = ReadId(p, field, headerEnd, e.typeIsName, e.typeId, e.typeName) &&
                      ReadId(p, field, headerEnd, e.nameIsName, e.nameId, e.name);
        field = (field + 3) & ~size_t(3);
        if (!framed || field > headerEnd || headerEnd - field < kFixedFields) {
            problems.push_back(Where(record, at) + ": its type and name do not fit in its header of " +
                               std::to_string(headerSize) + " bytes; left out");
            at = next;
            continue;
        }
        e.language = Read16(p + field + 6);
        e.data = p + headerEnd;
        e.size = dataSize;
        if (!seen.emplace(e.typeIsName, e.typeId, e.typeName, e.nameIsName, e.nameId, e.name, e.language).second) {
            char language[16];
            std::snprintf(language, sizeof language, "0x%04X", unsigned(e.language));
            problems.push_back(Where(record, at) + ": a second resource of type " +
                               Describe(e.typeIsName, e.typeId, e.typeName) + ", name " +
                               Describe(e.nameIsName, e.nameId, e.name) + " and language " + language + "; left out");
        } else {
            entries.push_back(std::move(e));
        }
        at = next;
    }
    return true;
}

} // namespace pal::resources
