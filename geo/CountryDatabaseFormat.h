// The layout of the country database file, shared by its compiler (tools/geoipdb) and its reader. All
// numbers are little-endian. After the header come, each packed without padding:
//   IPv4 starts   uint32[v4Count]     ascending; entry i covers start[i] .. start[i + 1] - 1
//   IPv4 codes    uint16[v4Count]     two ASCII letters (first letter in the low byte), or "??"
//   IPv6 starts   uint64[v6Count]     upper 64 bits of starts whose lower 64 bits are zero, ascending
//   IPv6 codes    uint16[v6Count]
//   IPv6 extra    uint64[2 * v6xCount] (upper, lower) pairs of the other starts (lower part not zero)
//   IPv6 codes    uint16[v6xCount]
// The last entry of each family runs to the end of the address space; "??" marks addresses the data does
// not place, and so do addresses below the first start. Only starts are stored, so ranges cannot overlap.
#pragma once

#include <cstdint>

namespace country_db {

constexpr char MAGIC[8] = {'V', 'T', 'R', 'G', 'E', 'O', 'C', 'C'};
constexpr uint32_t VERSION = 1;
constexpr uint32_t HEADER_SIZE = 48;
// Far above any real table (the data has under a million ranges), low enough that sizes cannot overflow.
constexpr uint32_t MAX_ENTRIES = 1u << 24;
constexpr uint16_t UNKNOWN_CODE = uint16_t('?' | ('?' << 8));

// Header fields, by offset.
constexpr uint32_t OFFSET_VERSION = 8;       // uint32
constexpr uint32_t OFFSET_HEADER_SIZE = 12;  // uint32, HEADER_SIZE
constexpr uint32_t OFFSET_GENERATED = 16;    // int64, seconds since 1970 (UTC) of the data's export; 0 unknown
constexpr uint32_t OFFSET_V4_COUNT = 24;     // uint32
constexpr uint32_t OFFSET_V6_COUNT = 28;     // uint32
constexpr uint32_t OFFSET_V6X_COUNT = 32;    // uint32
constexpr uint32_t OFFSET_CHECKSUM = 36;     // uint32, CRC-32 (zlib's) of everything after the header
constexpr uint32_t OFFSET_BODY_SIZE = 40;    // uint64, bytes after the header

// Bytes after the header for the given counts.
constexpr uint64_t BodySize(uint64_t v4Count, uint64_t v6Count, uint64_t v6xCount)
{
    return v4Count * 6 + v6Count * 10 + v6xCount * 18;
}

} // namespace country_db
