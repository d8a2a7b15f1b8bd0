// RtlIpv6AddressToStringW and RtlIpv6AddressToStringExW: the canonical text, the IPv4 forms, zone and port,
// and round trips through the parser.
#include <windows.h>
#include <ip2string.h>

#include <gtest/gtest.h>

#include "pal/TableText.h"

#include <pal/host.h>
#include "support/Wine.h"

#include <string>

namespace {

IN6_ADDR FromGroups(std::initializer_list<unsigned> groups)
{
    IN6_ADDR a = {};
    int i = 0;
    for (unsigned g : groups) {
        a.u.Byte[2 * i] = BYTE(g >> 8);
        a.u.Byte[2 * i + 1] = BYTE(g);
        ++i;
    }
    return a;
}

USHORT NetPort(unsigned port)
{
    USHORT net;
    BYTE* b = reinterpret_cast<BYTE*>(&net);
    b[0] = BYTE(port >> 8);
    b[1] = BYTE(port);
    return net;
}

std::string Format(const IN6_ADDR& a)
{
    WCHAR text[INET6_ADDRSTRLEN];
    WCHAR* end = RtlIpv6AddressToStringW(&a, text);
    EXPECT_EQ(size_t(end - text), std::char_traits<WCHAR>::length(text));
    return pal::ToUtf8(text);
}

TEST(Ipv6Format, CompressesTheLongestZeroRun)
{
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0, 0, 0})), "::");
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0, 0, 1})), "::1");
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0, 0, 2})), "::2");
    EXPECT_EQ(Format(FromGroups({1, 0, 0, 0, 0, 0, 0, 0})), "1::");
    EXPECT_EQ(Format(FromGroups({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1})), "2001:db8::1");
    EXPECT_EQ(Format(FromGroups({1, 0, 0, 1, 0, 0, 0, 0})), "1:0:0:1::");
    // Equal runs: the first one.
    EXPECT_EQ(Format(FromGroups({1, 0, 0, 1, 0, 0, 1, 1})), "1::1:0:0:1:1");
    // A single zero group stays.
    EXPECT_EQ(Format(FromGroups({1, 0, 1, 1, 1, 1, 1, 1})), "1:0:1:1:1:1:1:1");
    EXPECT_EQ(Format(FromGroups({0xABCD, 0xEF01, 0x23, 0x4, 0, 0x5, 0x6, 0x7})), "abcd:ef01:23:4:0:5:6:7");
    EXPECT_EQ(Format(FromGroups({0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff})),
              "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff");
}

TEST(Ipv6Format, WritesEmbeddedIpv4WhereTheSystemDoes)
{
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0xffff, 0x0102, 0x0304})), "::ffff:1.2.3.4");
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0xffff, 0, 0x0102, 0x0304})), "::ffff:0:1.2.3.4");
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0, 0x0102, 0x0304})), "::1.2.3.4");
    // With a zero seventh group the text stays hexadecimal.
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0xffff, 0, 0})), "::ffff:0:0");
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0xffff, 0, 1})), "::ffff:0:1");
    // ISATAP interface identifiers.
    EXPECT_EQ(Format(FromGroups({0xfe80, 0, 0, 0, 0, 0x5efe, 0x0102, 0x0304})), "fe80::5efe:1.2.3.4");
    EXPECT_EQ(Format(FromGroups({0xfe80, 0, 0, 0, 0x200, 0x5efe, 0x0102, 0x0304})), "fe80::200:5efe:1.2.3.4");
    EXPECT_EQ(Format(FromGroups({0, 0, 0, 0, 0, 0x5efe, 0x0102, 0x0304})), "::5efe:1.2.3.4");
    EXPECT_EQ(Format(FromGroups({0x1111, 0x2222, 0x3333, 0x4444, 0, 0x5efe, 0x0102, 0x0304})),
              "1111:2222:3333:4444:0:5efe:1.2.3.4");
    // A NAT64 address is not one of them.
    EXPECT_EQ(Format(FromGroups({0x64, 0xff9b, 0, 0, 0, 0, 0x0102, 0x0304})), "64:ff9b::102:304");
}

TEST(Ipv6Format, AddsZoneAndBracketedPort)
{
    IN6_ADDR a = FromGroups({0xfe80, 0, 0, 0, 0, 0, 0, 1});
    WCHAR text[80];
    ULONG length = 80;
    ASSERT_EQ(RtlIpv6AddressToStringExW(&a, 4, 0, text, &length), STATUS_SUCCESS);
    EXPECT_EQ(pal::ToUtf8(text), "fe80::1%4");
    EXPECT_EQ(length, 10u);

    length = 80;
    ASSERT_EQ(RtlIpv6AddressToStringExW(&a, 4, NetPort(80), text, &length), STATUS_SUCCESS);
    EXPECT_EQ(pal::ToUtf8(text), "[fe80::1%4]:80");

    length = 80;
    ASSERT_EQ(RtlIpv6AddressToStringExW(&a, 0, NetPort(65535), text, &length), STATUS_SUCCESS);
    EXPECT_EQ(pal::ToUtf8(text), "[fe80::1]:65535");

    // The longest text fits the system's buffer size.
    IN6_ADDR wide = FromGroups({0x1111, 0x2222, 0x3333, 0x4444, 0x200, 0x5efe, 0xffff, 0xffff});
    length = INET6_ADDRSTRLEN;
    ASSERT_EQ(RtlIpv6AddressToStringExW(&wide, 4294967295u, NetPort(65535), text, &length), STATUS_SUCCESS);
    EXPECT_EQ(pal::ToUtf8(text), "[1111:2222:3333:4444:200:5efe:255.255.255.255%4294967295]:65535");
}

TEST(Ipv6Format, ShortBufferReportsTheSizeNeeded)
{
    IN6_ADDR a = FromGroups({0xfe80, 0, 0, 0, 0, 0, 0, 1});
    WCHAR text[80] = {W('x')};
    ULONG length = 9; // "fe80::1%4" needs 10 with its NUL
    EXPECT_EQ(RtlIpv6AddressToStringExW(&a, 4, 0, text, &length), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(text[0], W('x'));
}

TEST(Ipv6Format, RefusesMissingArguments)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its RtlIpv6AddressToStringExW writes through a missing pointer; "
                        "Windows refuses it with STATUS_INVALID_PARAMETER";
    IN6_ADDR a = FromGroups({0xfe80, 0, 0, 0, 0, 0, 0, 1});
    WCHAR text[80] = {W('x')};
    ULONG length = 80;
    EXPECT_EQ(RtlIpv6AddressToStringExW(nullptr, 0, 0, text, &length), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6AddressToStringExW(&a, 0, 0, nullptr, &length), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6AddressToStringExW(&a, 0, 0, text, nullptr), STATUS_INVALID_PARAMETER);
}

TEST(Ipv6Format, CanonicalTextsRoundTrip)
{
    const WCHAR* texts[] = {W("::"), W("::1"), W("1::"), W("2001:db8::1"), W("fe80::7830:c66f:eaa8:e3dd"),
                               W("2607:f8b0:4864:20::432"), W("::ffff:192.0.2.1"), W("::ffff:0:10.0.0.1"),
                               W("::10.0.0.1"), W("fe80::5efe:10.1.2.3"), W("1:0:1:1:1:1:1:1"), W("1::1:0:0:1:1"),
                               W("64:ff9b::c000:201"), W("ff02::1:ff00:1")};
    for (const WCHAR* text : texts) {
        IN6_ADDR a = {};
        ASSERT_EQ(RtlIpv6StringToAddressW(text, nullptr, &a), STATUS_SUCCESS) << pal::ToUtf8(text);
        EXPECT_EQ(Format(a), pal::ToUtf8(text));
    }
    // Non-canonical input prints canonically, and that text reads back to the same address.
    const WCHAR* loose[] = {W("2001:0DB8:0000:0000:0000:0000:0000:0001"), W("0:0:0:0:0:0:0:0"), W("1:2:3:4:5:6:1.2.3.4"),
                               W("::FFFF:1.2.3.4"), W("1:0:0:1:0:0:0:0")};
    for (const WCHAR* text : loose) {
        IN6_ADDR a = {}, b = {};
        ASSERT_EQ(RtlIpv6StringToAddressW(text, nullptr, &a), STATUS_SUCCESS) << pal::ToUtf8(text);
        std::basic_string<WCHAR> canonical = pal::ToWide(Format(a));
        ASSERT_EQ(RtlIpv6StringToAddressW(canonical.c_str(), nullptr, &b), STATUS_SUCCESS);
        EXPECT_EQ(0, memcmp(&a, &b, sizeof a)) << pal::ToUtf8(text);
    }
}

TEST(Ipv6Format, ZoneAndPortRoundTripThroughTheExtendedForms)
{
    const WCHAR* texts[] = {W("[fe80::1%4]:80"), W("fe80::1%14"), W("[2001:db8::1]:25"), W("::1")};
    for (const WCHAR* text : texts) {
        IN6_ADDR a = {};
        ULONG scope = 0;
        USHORT port = 0;
        ASSERT_EQ(RtlIpv6StringToAddressExW(text, &a, &scope, &port), STATUS_SUCCESS) << pal::ToUtf8(text);
        WCHAR out[80];
        ULONG length = 80;
        ASSERT_EQ(RtlIpv6AddressToStringExW(&a, scope, port, out, &length), STATUS_SUCCESS);
        EXPECT_EQ(pal::ToUtf8(out), pal::ToUtf8(text));
    }
}

} // namespace
