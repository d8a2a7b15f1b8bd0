// The reserved ranges: every row at its first and last address and just outside, and the description text
// of each row with its line structure.
#include "AddressTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using addr_test::LogText;
using addr_test::U8;

namespace {

struct Row {
    UINT id;
    const WCHAR* first;
    const WCHAR* last;
    const WCHAR* below; // just outside the range, with the row it lies in (0: none)
    UINT belowId;
    const WCHAR* above;
    UINT aboveId;
    const char* title;
    const char* size;
    const char* cidr; // IPv6 only
    const char* reference;
};

const Row kV4[] = {
    {600, W("0.0.0.0"), W("0.255.255.255"), nullptr, 0, W("1.0.0.0"), 0, "Software - \"This\" Network", "16,777,216",
     nullptr, "RFC 5735 (RFC 1122, Section 3.2.1.3)"},
    {601, W("10.0.0.0"), W("10.255.255.255"), W("9.255.255.255"), 0, W("11.0.0.0"), 0, "Private-Use Networks",
     "16,777,216", nullptr, "RFC 5735 (RFC 1918)"},
    {602, W("100.64.0.0"), W("100.127.255.255"), W("100.63.255.255"), 0, W("100.128.0.0"), 0, "Private-Use Networks",
     "4,194,304", nullptr, "RFC 6598"},
    {603, W("127.0.0.0"), W("127.255.255.255"), W("126.255.255.255"), 0, W("128.0.0.0"), 0, "Host - Loopback",
     "16,777,216", nullptr, "RFC 5735 (RFC 1122, Section 3.2.1.3)"},
    {604, W("169.254.0.0"), W("169.254.255.255"), W("169.253.255.255"), 0, W("169.255.0.0"), 0, "Subnet - Link Local",
     "65,536", nullptr, "RFC 5735 (RFC 3927)"},
    {605, W("172.16.0.0"), W("172.31.255.255"), W("172.15.255.255"), 0, W("172.32.0.0"), 0, "Private-Use Networks",
     "1,048,576", nullptr, "RFC 5735 (RFC 1918)"},
    {606, W("192.0.0.0"), W("192.0.0.255"), W("191.255.255.255"), 0, W("192.0.1.0"), 0, "IETF Protocol Assignments",
     "256", nullptr, "RFC 5735 (RFC 5736)"},
    {607, W("192.0.2.0"), W("192.0.2.255"), W("192.0.1.255"), 0, W("192.0.3.0"), 0, "Documentation - TEST-NET-1", "256",
     nullptr, "RFC 5735 (RFC 5737)"},
    {608, W("192.88.99.0"), W("192.88.99.255"), W("192.88.98.255"), 0, W("192.88.100.0"), 0,
     "Internet - 6to4 Relay Anycast", "256", nullptr, "RFC 5735 (RFC 3068)"},
    {609, W("192.168.0.0"), W("192.168.255.255"), W("192.167.255.255"), 0, W("192.169.0.0"), 0, "Private-Use Networks",
     "65,536", nullptr, "RFC 5735 (RFC 1918)"},
    {610, W("198.18.0.0"), W("198.19.255.255"), W("198.17.255.255"), 0, W("198.20.0.0"), 0,
     "Network Interconnect - Device Benchmark Testing", "131,072", nullptr, "RFC 5735 (RFC 2544)"},
    {611, W("198.51.100.0"), W("198.51.100.255"), W("198.51.99.255"), 0, W("198.51.101.0"), 0,
     "Documentation - TEST-NET-2", "256", nullptr, "RFC 5735 (RFC 5737)"},
    {612, W("203.0.113.0"), W("203.0.113.255"), W("203.0.112.255"), 0, W("203.0.114.0"), 0, "Documentation - TEST-NET-3",
     "256", nullptr, "RFC 5735 (RFC 5737)"},
    {613, W("224.0.0.0"), W("239.255.255.255"), W("223.255.255.255"), 0, W("240.0.0.0"), 614, "Internet - Multicast",
     "268,435,456", nullptr, "RFC 5735 (RFC 3171)"},
    {614, W("240.0.0.0"), W("255.255.255.254"), W("239.255.255.255"), 613, W("255.255.255.255"), 615,
     "Reserved for Future Use", "268,435,455", nullptr, "RFC 5735 (RFC 1112, Section 4)"},
    {615, W("255.255.255.255"), W("255.255.255.255"), W("255.255.255.254"), 614, nullptr, 0,
     "Internet - Limited Broadcast", "1", nullptr, "RFC 5735 (RFC 919, Section 7) (RFC 922, Section 7)"},
};

// IPv6 texts begin with a digit so that Read takes them ("::1" would not be read).
const Row kV6[] = {
    {625, W("0::"), W("0::"), nullptr, 0, W("0::2"), 0, "Software - The Unspecified Address", "2^0 - 1", "::/128",
     "RFC 4291, Section 2.5.2"},
    {626, W("0::1"), W("0::1"), W("0::"), 625, W("0::2"), 0, "Host - Loopback address to the local host", "2^0 - 1",
     "::1/128", "RFC 4291, Section 2.5.3"},
    {627, W("0::ffff:0.0.0.0"), W("0::ffff:255.255.255.255"), W("0::fffe:ffff:ffff"), 0, W("0:0:0:0:1:ffff::"), 0,
     "Software - IPv4 mapped addresses", "2^32 - 4,294,967,296", "::ffff:0:0/96", "RFC 4291, Section 2.5.5"},
    {628, W("100::"), W("100::ffff:ffff:ffff:ffff"), W("ff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 0, W("100:0:0:1::"), 0,
     "Discard-Only Address Block", "2^64 - 18,446,744,073,709,551,616", "100::/64",
     "RFC 4291, Section 2.5.3 (RFC 3882, RFC 5635)"},
    {629, W("64:ff9b::"), W("64:ff9b::ffff:ffff"), W("64:ff9a:ffff:ffff:ffff:ffff:ffff:ffff"), 0, W("64:ff9b:0:0:0:1::"), 0,
     "Global Internet - IPv4/IPv6 translation", "2^32 - 4,294,967,296", "64:ff9b::/96", "RFC 6052"},
    {630, W("2001::"), W("2001:0:ffff:ffff:ffff:ffff:ffff:ffff"), W("2000:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     W("2001:1::"), 0, "Global - Teredo tunneling", "2^96 - 79,228,162,514,264,337,593,543,950,336", "2001::/32",
     "RFC 4380"},
    {631, W("2001:10::"), W("2001:1f:ffff:ffff:ffff:ffff:ffff:ffff"), W("2001:f:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     W("2001:20::"), 632, "Deprecated (previously ORCHID)", "2^100 - 1,267,650,600,228,229,401,496,703,205,376",
     "2001:10::/28", "RFC 4843"},
    {632, W("2001:20::"), W("2001:2f:ffff:ffff:ffff:ffff:ffff:ffff"), W("2001:1f:ffff:ffff:ffff:ffff:ffff:ffff"), 631,
     W("2001:30::"), 0, "Software - ORCHIDv2", "2^100 - 1,267,650,600,228,229,401,496,703,205,376", "2001:20::/28",
     "RFC 7343"},
    {633, W("2001:db8::"), W("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff"), W("2001:db7:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     W("2001:db9::"), 0, "Documentation - Addresses used in documentation and example source code",
     "2^96 - 79,228,162,514,264,337,593,543,950,336", "2001:db8::/32", "RFC 3849"},
    {634, W("2002::"), W("2002:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), W("2001:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     W("2003::"), 0, "Global Internet - 6to4", "2^112 - 5,192,296,858,534,827,628,530,496,329,220,096", "2002::/16",
     "RFC 3056"},
    {635, W("fc00::"), W("fdff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), W("fbff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     W("fe00::"), 0, "Private network - Unique local address",
     "2^121 - 2,658,455,991,569,831,745,807,614,120,560,689,152", "fc00::/7", "RFC 4193"},
    {636, W("fe80::"), W("febf:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), W("fe7f:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     W("fec0::"), 0, "Link - Link-local address", "2^118 - 332,306,998,946,228,968,225,951,765,070,086,144",
     "fe80::/10", "RFC 4291, Section 2.5.6"},
    {637, W("ff00::"), W("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), W("feff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 0,
     nullptr, 0, "Global Internet - Multicast address", "2^120 - 1,329,227,995,784,915,872,903,807,060,280,344,576",
     "ff00::/8", "RFC 4291, Section 2.7"},
};

template <class Address> Address Parse(const WCHAR* text)
{
    Address address;
    EXPECT_TRUE(address.Read(text)) << U8(text);
    return address;
}

template <class Address> void CheckBounds(const Row& row)
{
    SCOPED_TRACE(row.id);
    EXPECT_EQ(Parse<Address>(row.first).GetReservedTextId(), row.id) << U8(row.first);
    EXPECT_EQ(Parse<Address>(row.last).GetReservedTextId(), row.id) << U8(row.last);
    EXPECT_TRUE(Parse<Address>(row.first).IsReserved());
    if (row.below) {
        Address below = Parse<Address>(row.below);
        EXPECT_EQ(below.GetReservedTextId(), row.belowId) << U8(row.below);
        EXPECT_EQ(below.IsReserved(), row.belowId != 0) << U8(row.below);
    }
    if (row.above) {
        Address above = Parse<Address>(row.above);
        EXPECT_EQ(above.GetReservedTextId(), row.aboveId) << U8(row.above);
        EXPECT_EQ(above.IsReserved(), row.aboveId != 0) << U8(row.above);
    }
}

TEST(ReservedRanges, EveryIpv4RowFromFirstToLastAddress)
{
    for (const Row& row : kV4)
        CheckBounds<IPV4_address>(row);
}

TEST(ReservedRanges, EveryIpv6RowFromFirstToLastAddress)
{
    for (const Row& row : kV6)
        CheckBounds<IPV6_address>(row);
}

TEST(ReservedRanges, NamedCases)
{
    EXPECT_EQ(Parse<IPV6_address>(W("64:ff9b::1.2.3.4")).GetReservedTextId(), 629u);
    EXPECT_FALSE(Parse<IPV6_address>(W("64:ff9b:0:0:1::")).IsReserved());
    EXPECT_EQ(Parse<IPV6_address>(W("2001:db8::1")).GetReservedTextId(), 633u);
    EXPECT_FALSE(Parse<IPV6_address>(W("2001:db9::1")).IsReserved());
    EXPECT_FALSE(Parse<IPV4_address>(W("8.8.8.8")).IsReserved());
    EXPECT_FALSE(Parse<IPV6_address>(W("2607:f8b0:4864:20::432")).IsReserved());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line, '\n');)
        lines.push_back(line);
    return lines;
}

template <class Address> void CheckDescription(const Row& row, bool v6)
{
    SCOPED_TRACE(row.id);
    Address first = Parse<Address>(row.first), last = Parse<Address>(row.last);
    std::vector<std::string> lines = Lines(U8(first.GetReservedDescription()));
    ASSERT_GE(lines.size(), v6 ? 7u : 6u);
    size_t i = 0;
    EXPECT_EQ(lines[i++], row.title);
    EXPECT_EQ(lines[i++], U8(first.ToString(!v6)) + " - " + U8(last.ToString(!v6)));
    EXPECT_EQ(lines[i++], row.size);
    if (v6) {
        EXPECT_EQ(lines[i++], row.cidr);
    }
    EXPECT_EQ(lines[i++], row.reference);
    size_t links = 0;
    while (i < lines.size() && lines[i].rfind("https://www.rfc-editor.org/rfc/rfc", 0) == 0) {
        ++links;
        ++i;
    }
    EXPECT_TRUE(links == 1 || links == 2) << links;
    ASSERT_EQ(i + 1, lines.size()) << "one explanatory paragraph ends the text";
    EXPECT_GT(lines[i].size(), 40u);
    EXPECT_EQ(U8(last.GetReservedDescription()), U8(first.GetReservedDescription()));
}

TEST(ReservedDescriptions, EveryRowHasItsText)
{
    for (const Row& row : kV4)
        CheckDescription<IPV4_address>(row, false);
    for (const Row& row : kV6)
        CheckDescription<IPV6_address>(row, true);
}

TEST(ReservedDescriptions, NotReservedIsALoggedAssertion)
{
    EXPECT_EQ(U8(Parse<IPV4_address>(W("8.8.8.8")).GetReservedDescription()), "");
    EXPECT_EQ(U8(Parse<IPV6_address>(W("2607:f8b0::1")).GetReservedDescription()), "");
    std::string log = LogText();
    EXPECT_NE(log.find("IsReserved()"), std::string::npos) << log;
    EXPECT_NE(log.find("IPV4_address::GetReservedDescription"), std::string::npos) << log;
    EXPECT_NE(log.find("IPV6_address::GetReservedDescription"), std::string::npos) << log;
}

} // namespace
