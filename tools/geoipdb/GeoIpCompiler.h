// Compiles the country ranges of the tor-geoipdb package's text files (IPv4 as "first,last,CC" with
// decimal numbers, IPv6 as "first,last,CC" with address texts) into the add-in's country database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace geoipdb {

struct Range {
    // IPv4 ranges use the low 32 bits of low only.
    uint64_t firstHigh = 0, firstLow = 0, lastHigh = 0, lastLow = 0;
    uint16_t code = 0;
};

struct Table {
    std::vector<Range> v4;
    std::vector<Range> v6;
    int64_t generated = 0; // from the "Generated:" header line; 0 when absent
};

// Parses one text file into table (v6 selects the family). Throws std::runtime_error naming the line for
// malformed, unsorted or overlapping ranges.
void ParseText(const std::string& text, bool v6, Table& table);
// The database image of a table.
std::vector<unsigned char> Compile(const Table& table);
// "Thu, 25 Jun 2026 04:33:59 GMT" as seconds since 1970; -1 when it is not such a date.
int64_t ParseHttpDate(const std::string& text);

} // namespace geoipdb
