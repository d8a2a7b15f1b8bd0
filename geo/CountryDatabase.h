// The country of an IPv4 or IPv6 address from the local country database (the IPFire Project's location
// data, compiled at build time into one file beside the module). Loaded once into sorted tables; a lookup
// is a binary search.
#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>
#include "__Utilities/WString.h"

class CCountryDatabase {
public:
    enum LoadResult { LOAD_OK, LOAD_MISSING, LOAD_INVALID };

    // Reads and checks the whole file. A failure is logged with its reason and leaves the tables empty.
    LoadResult Load(const WCHAR* pPath);
    // Checks and takes a database image (what Load reads). A failure is logged and leaves the tables empty.
    bool Parse(const BYTE* pData, size_t size);

    // The two-letter code of the address (a.b.c.d as (a << 24) | (b << 16) | (c << 8) | d; IPv6 as its 16
    // bytes in network order), NUL-terminated; false when the data does not place it.
    bool LookupV4(uint32_t address, WCHAR code[3]) const;
    bool LookupV6(const BYTE address[16], WCHAR code[3]) const;

    bool IsLoaded() const { return m_loaded; }
    // Seconds since 1970 (UTC) of the data's export; 0 when unknown.
    LONGLONG GetGenerated() const { return m_generated; }
    size_t GetRangeCount() const { return m_v4Starts.size() + m_v6Starts.size() + m_v6xHigh.size(); }
    size_t GetMemorySize() const;

    // The file beside the module (named by the string table), or the one VANTORA_GEOIP_DB names.
    static WString DefaultPath();

private:
    void Clear();

    bool m_loaded = false;
    LONGLONG m_generated = 0;
    std::vector<uint32_t> m_v4Starts;
    std::vector<uint16_t> m_v4Codes;
    std::vector<uint64_t> m_v6Starts; // upper halves of starts whose lower half is zero
    std::vector<uint16_t> m_v6Codes;
    std::vector<uint64_t> m_v6xHigh; // the other starts, upper and lower halves
    std::vector<uint64_t> m_v6xLow;
    std::vector<uint16_t> m_v6xCodes;
};
