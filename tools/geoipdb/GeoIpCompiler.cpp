// The country database compiler. The text ranges are checked (sorted, no overlaps, valid codes) and turned
// into starts: a gap between two ranges, and the space after the last one, become "??" entries.
#include "GeoIpCompiler.h"

#include <arpa/inet.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

#include <zlib.h>

#include "geo/CountryDatabaseFormat.h"

namespace geoipdb {

namespace {

[[noreturn]] void Fail(size_t line, const std::string& what)
{
    throw std::runtime_error("line " + std::to_string(line) + ": " + what);
}

uint16_t ParseCode(const std::string& code, size_t line)
{
    if (code == "??")
        return country_db::UNKNOWN_CODE;
    if (code.size() != 2 || code[0] < 'A' || code[0] > 'Z' || code[1] < 'A' || code[1] > 'Z')
        Fail(line, "bad country code \"" + code + "\"");
    return uint16_t(uint8_t(code[0]) | uint8_t(code[1]) << 8);
}

uint64_t ParseV4(const std::string& text, size_t line)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        Fail(line, "bad IPv4 number \"" + text + "\"");
    uint64_t value = std::stoull(text);
    if (value > 0xFFFFFFFFull)
        Fail(line, "IPv4 number out of range");
    return value;
}

void ParseV6(const std::string& text, size_t line, uint64_t& high, uint64_t& low)
{
    unsigned char bytes[16];
    if (inet_pton(AF_INET6, text.c_str(), bytes) != 1)
        Fail(line, "bad IPv6 address \"" + text + "\"");
    high = low = 0;
    for (int i = 0; i < 8; ++i) {
        high = high << 8 | bytes[i];
        low = low << 8 | bytes[8 + i];
    }
}

bool Less(uint64_t ah, uint64_t al, uint64_t bh, uint64_t bl) { return ah < bh || (ah == bh && al < bl); }

// The address after (high, low); false at the end of the space.
bool Next(uint64_t high, uint64_t low, bool v6, uint64_t& nh, uint64_t& nl)
{
    if (!v6) {
        if (low == 0xFFFFFFFFull)
            return false;
        nh = 0, nl = low + 1;
        return true;
    }
    if (low != UINT64_MAX) {
        nh = high, nl = low + 1;
        return true;
    }
    if (high == UINT64_MAX)
        return false;
    nh = high + 1, nl = 0;
    return true;
}

struct Entry {
    uint64_t high, low;
    uint16_t code;
};

std::vector<Entry> Starts(const std::vector<Range>& ranges, bool v6)
{
    std::vector<Entry> entries;
    for (size_t i = 0; i < ranges.size(); ++i) {
        const Range& r = ranges[i];
        entries.push_back({r.firstHigh, r.firstLow, r.code});
        uint64_t nh = 0, nl = 0;
        if (!Next(r.lastHigh, r.lastLow, v6, nh, nl))
            continue;
        bool adjacent = i + 1 < ranges.size() && ranges[i + 1].firstHigh == nh && ranges[i + 1].firstLow == nl;
        if (!adjacent)
            entries.push_back({nh, nl, country_db::UNKNOWN_CODE});
    }
    // Neighbours with the same code are one range.
    std::vector<Entry> merged;
    for (const Entry& e : entries)
        if (merged.empty() || merged.back().code != e.code)
            merged.push_back(e);
    return merged;
}

void Put(std::vector<unsigned char>& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back((unsigned char)(value >> (8 * i)));
}

} // namespace

int64_t ParseHttpDate(const std::string& text)
{
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char weekday[4] = {}, month[4] = {}, zone[4] = {};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(text.c_str(), "%3s, %d %3s %d %d:%d:%d %3s", weekday, &day, month, &year, &hour, &minute,
                    &second, zone) != 8 ||
        std::strcmp(zone, "GMT") != 0)
        return -1;
    int mon = -1;
    for (int i = 0; i < 12; ++i)
        if (std::strcmp(month, months[i]) == 0)
            mon = i + 1;
    if (mon < 0 || day < 1 || day > 31 || year < 1970 || hour > 23 || minute > 59 || second > 60)
        return -1;
    // Days since 1970 of a civil date (proleptic Gregorian).
    int y = year - (mon <= 2);
    int era = y / 400;
    int yoe = y - era * 400;
    int doy = (153 * (mon + (mon > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = int64_t(era) * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

void ParseText(const std::string& text, bool v6, Table& table)
{
    std::vector<Range>& ranges = v6 ? table.v6 : table.v4;
    std::istringstream in(text);
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] == '#') {
            size_t at = line.find("Generated:");
            if (at != std::string::npos && table.generated == 0) {
                int64_t when = ParseHttpDate(line.substr(line.find_first_not_of(" ", at + 10)));
                if (when > 0)
                    table.generated = when;
            }
            continue;
        }
        size_t c1 = line.find(','), c2 = c1 == std::string::npos ? c1 : line.find(',', c1 + 1);
        if (c2 == std::string::npos || line.find(',', c2 + 1) != std::string::npos)
            Fail(number, "expected first,last,code");
        Range r;
        r.code = ParseCode(line.substr(c2 + 1), number);
        if (v6) {
            ParseV6(line.substr(0, c1), number, r.firstHigh, r.firstLow);
            ParseV6(line.substr(c1 + 1, c2 - c1 - 1), number, r.lastHigh, r.lastLow);
        } else {
            r.firstLow = ParseV4(line.substr(0, c1), number);
            r.lastLow = ParseV4(line.substr(c1 + 1, c2 - c1 - 1), number);
        }
        if (Less(r.lastHigh, r.lastLow, r.firstHigh, r.firstLow))
            Fail(number, "range ends before it begins");
        if (!ranges.empty() && !Less(ranges.back().lastHigh, ranges.back().lastLow, r.firstHigh, r.firstLow))
            Fail(number, "range unsorted or overlapping the one before");
        ranges.push_back(r);
    }
}

std::vector<unsigned char> Compile(const Table& table)
{
    using namespace country_db;
    if (table.v4.empty() || table.v6.empty())
        throw std::runtime_error("no IPv4 or no IPv6 ranges: not the package's files?");
    std::vector<Entry> v4 = Starts(table.v4, false);
    std::vector<Entry> v6all = Starts(table.v6, true);
    std::vector<Entry> v6, v6x;
    for (const Entry& e : v6all)
        (e.low == 0 ? v6 : v6x).push_back(e);
    if (v4.size() > MAX_ENTRIES || v6.size() > MAX_ENTRIES || v6x.size() > MAX_ENTRIES)
        throw std::runtime_error("too many ranges");

    std::vector<unsigned char> body;
    for (const Entry& e : v4)
        Put(body, e.low, 4);
    for (const Entry& e : v4)
        Put(body, e.code, 2);
    for (const Entry& e : v6)
        Put(body, e.high, 8);
    for (const Entry& e : v6)
        Put(body, e.code, 2);
    for (const Entry& e : v6x) {
        Put(body, e.high, 8);
        Put(body, e.low, 8);
    }
    for (const Entry& e : v6x)
        Put(body, e.code, 2);

    std::vector<unsigned char> out(MAGIC, MAGIC + sizeof(MAGIC));
    Put(out, VERSION, 4);
    Put(out, HEADER_SIZE, 4);
    Put(out, uint64_t(table.generated), 8);
    Put(out, v4.size(), 4);
    Put(out, v6.size(), 4);
    Put(out, v6x.size(), 4);
    Put(out, crc32(crc32(0L, Z_NULL, 0), body.data(), uInt(body.size())), 4);
    Put(out, body.size(), 8);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace geoipdb
