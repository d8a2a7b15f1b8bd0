// RtlIpv6StringToAddressW and RtlIpv6StringToAddressExW as the system has them: every textual form, where
// the plain parse stops, what the extended parse refuses, and hostile texts.
#include <windows.h>
#include <ip2string.h>

#include <gtest/gtest.h>

#include "pal/TableText.h"

#include <pal/host.h>
#include "support/Wine.h"

#include <set>
#include <string>

namespace {

std::string Groups(const IN6_ADDR& a)
{
    std::string out;
    char tmp[8];
    for (int i = 0; i < 8; ++i) {
        snprintf(tmp, sizeof tmp, "%s%x", i ? ":" : "", unsigned((a.u.Byte[2 * i] << 8) | a.u.Byte[2 * i + 1]));
        out += tmp;
    }
    return out;
}

struct Ipv6Case {
    const WCHAR* text;
    bool ok;
    int stop;
    const char* groups; // all eight, hexadecimal
};

inline void PrintTo(const Ipv6Case& c, std::ostream* os) { *os << pal_test::CaseName(c.text); }

class Ipv6StringTest : public ::testing::TestWithParam<Ipv6Case> {};

// Refused texts after which Wine's parser gives no end.
bool WineGivesNoEnd(const Ipv6Case& c)
{
    static const std::set<std::basic_string<WCHAR>> texts = {W("12345::"), W("::256.1.1.1")};
    return texts.count(c.text) && testing_support::RunningOnWine();
}

TEST_P(Ipv6StringTest, ParsesLikeTheSystem)
{
    const Ipv6Case& c = GetParam();
    if (WineGivesNoEnd(c))
        GTEST_SKIP() << "Wine: its RtlIpv6StringToAddressW gives no end after this refused text; the "
                        "table holds where Windows' parse stops";
    IN6_ADDR address = {};
    const WCHAR* end = nullptr;
    NTSTATUS status = RtlIpv6StringToAddressW(c.text, &end, &address);
    std::string text = pal::ToUtf8(c.text);
    ASSERT_NE(end, nullptr) << text;
    if (!c.ok) {
        EXPECT_EQ(status, STATUS_INVALID_PARAMETER) << text;
        return;
    }
    ASSERT_EQ(status, STATUS_SUCCESS) << text;
    EXPECT_EQ(end - c.text, c.stop) << text;
    EXPECT_EQ(Groups(address), c.groups) << text;
}

INSTANTIATE_TEST_SUITE_P(Forms, Ipv6StringTest, ::testing::Values(
    Ipv6Case{W("::"), true, 2, "0:0:0:0:0:0:0:0"},
    Ipv6Case{W("::1"), true, 3, "0:0:0:0:0:0:0:1"},
    Ipv6Case{W("1::"), true, 3, "1:0:0:0:0:0:0:0"},
    Ipv6Case{W("1::8"), true, 4, "1:0:0:0:0:0:0:8"},
    Ipv6Case{W("1:2:3:4:5:6:7:8"), true, 15, "1:2:3:4:5:6:7:8"},
    Ipv6Case{W("2001:DB8::A"), true, 11, "2001:db8:0:0:0:0:0:a"},
    Ipv6Case{W("0001:0db8::00ff"), true, 15, "1:db8:0:0:0:0:0:ff"},
    Ipv6Case{W("1:2:3:4:5:6:7::"), true, 15, "1:2:3:4:5:6:7:0"},
    Ipv6Case{W("::2:3:4:5:6:7:8"), true, 15, "0:2:3:4:5:6:7:8"},
    Ipv6Case{W("::ffff:1.2.3.4"), true, 14, "0:0:0:0:0:ffff:102:304"},
    Ipv6Case{W("::1.2.3.4"), true, 9, "0:0:0:0:0:0:102:304"},
    Ipv6Case{W("1:2:3:4:5:6:1.2.3.4"), true, 19, "1:2:3:4:5:6:102:304"},
    Ipv6Case{W("64:ff9b::255.255.255.255"), true, 24, "64:ff9b:0:0:0:0:ffff:ffff"},
    Ipv6Case{W("fe80::1%4"), true, 7, "fe80:0:0:0:0:0:0:1"},
    Ipv6Case{W("2001:db8::1]:25"), true, 11, "2001:db8:0:0:0:0:0:1"},
    Ipv6Case{W("2001:db8::1 by mail"), true, 11, "2001:db8:0:0:0:0:0:1"}));

// Where the address ends before the text does.
INSTANTIATE_TEST_SUITE_P(Stops, Ipv6StringTest, ::testing::Values(
    Ipv6Case{W("1::2::3"), true, 4, "1:0:0:0:0:0:0:2"},
    Ipv6Case{W(":::"), true, 2, "0:0:0:0:0:0:0:0"},
    Ipv6Case{W("1:2:3:4:5:6:7:8:9"), true, 15, "1:2:3:4:5:6:7:8"},
    Ipv6Case{W("1:2:3:4:5:6:7:8::"), true, 15, "1:2:3:4:5:6:7:8"},
    Ipv6Case{W("1::2:3:4:5:6:7:8"), true, 14, "1:0:2:3:4:5:6:7"},
    Ipv6Case{W("::1.2.3.4.5"), true, 9, "0:0:0:0:0:0:102:304"},
    Ipv6Case{W("1:2:3:4:5:6:7:1.2.3.4"), true, 15, "1:2:3:4:5:6:7:1"}));

INSTANTIATE_TEST_SUITE_P(Refused, Ipv6StringTest, ::testing::Values(
    Ipv6Case{W(""), false, 0, ""},
    Ipv6Case{W(":1"), false, 0, ""},
    Ipv6Case{W("1:2:3:4:5:6:7"), false, 0, ""},
    Ipv6Case{W("12345::"), false, 0, ""},
    Ipv6Case{W("1::2:"), false, 0, ""},
    Ipv6Case{W("1:"), false, 0, ""},
    Ipv6Case{W("1.2.3.4"), false, 0, ""},
    Ipv6Case{W("::256.1.1.1"), false, 0, ""},
    Ipv6Case{W("::1.2.3"), false, 0, ""},
    Ipv6Case{W("::1.2..3.4"), false, 0, ""},
    Ipv6Case{W("::1.2.3.1000"), false, 0, ""},
    Ipv6Case{W("1:2:3:4:1.2.3.4"), false, 0, ""},
    Ipv6Case{W("g::"), false, 0, ""},
    Ipv6Case{W("206.63.131.30::mail daemon"), false, 0, ""}));

TEST(Ipv6String, HostileTextsStayWithinTheText)
{
    std::basic_string<WCHAR> colons(1000, W(':'));
    IN6_ADDR address = {};
    const WCHAR* end = nullptr;
    EXPECT_EQ(RtlIpv6StringToAddressW(colons.c_str(), &end, &address), STATUS_SUCCESS);
    EXPECT_EQ(end - colons.c_str(), 2);

    std::basic_string<WCHAR> decimal = W("::") + std::basic_string<WCHAR>(100000, W('1')) + W(".1.1.1");
    EXPECT_EQ(RtlIpv6StringToAddressW(decimal.c_str(), &end, &address), STATUS_INVALID_PARAMETER);

    std::basic_string<WCHAR> garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += WCHAR(W('!') + (i * 7919) % 90);
    EXPECT_EQ(RtlIpv6StringToAddressW(garbage.c_str(), &end, &address), STATUS_INVALID_PARAMETER);
}

TEST(Ipv6String, ALongGroupStopsAtItsFifthDigit)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its RtlIpv6StringToAddressW reads a group's digits to their end; "
                        "Windows stops at the fifth";
    IN6_ADDR address = {};
    const WCHAR* end = nullptr;
    std::basic_string<WCHAR> digits(100000, W('f'));
    EXPECT_EQ(RtlIpv6StringToAddressW(digits.c_str(), &end, &address), STATUS_INVALID_PARAMETER);
    EXPECT_LE(end - digits.c_str(), 4);
}

TEST(Ipv6String, MissingArgumentsAreRefused)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its RtlIpv6StringToAddressW reads through a missing pointer; "
                        "Windows refuses it with STATUS_INVALID_PARAMETER";
    IN6_ADDR address = {};
    const WCHAR* end = nullptr;
    EXPECT_EQ(RtlIpv6StringToAddressW(nullptr, &end, &address), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6StringToAddressW(W("::1"), &end, nullptr), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6StringToAddressW(W("::1"), nullptr, &address), STATUS_SUCCESS);
    EXPECT_EQ(RtlIpv6StringToAddressW(W("::1 "), nullptr, &address), STATUS_INVALID_PARAMETER);
}

struct Ipv6ExCase {
    const WCHAR* text;
    bool ok;
    const char* groups;
    ULONG scope;
    USHORT port; // host order
};

inline void PrintTo(const Ipv6ExCase& c, std::ostream* os) { *os << pal_test::CaseName(c.text); }

class Ipv6StringExTest : public ::testing::TestWithParam<Ipv6ExCase> {};

TEST_P(Ipv6StringExTest, TakesTheWholeText)
{
    const Ipv6ExCase& c = GetParam();
    IN6_ADDR address = {};
    ULONG scope = 77;
    USHORT port = 77;
    NTSTATUS status = RtlIpv6StringToAddressExW(c.text, &address, &scope, &port);
    std::string text = pal::ToUtf8(c.text);
    if (!c.ok) {
        EXPECT_EQ(status, STATUS_INVALID_PARAMETER) << text;
        return;
    }
    ASSERT_EQ(status, STATUS_SUCCESS) << text;
    EXPECT_EQ(Groups(address), c.groups) << text;
    EXPECT_EQ(scope, c.scope) << text;
    // The port comes back in network byte order.
    const BYTE* b = reinterpret_cast<const BYTE*>(&port);
    EXPECT_EQ((b[0] << 8) | b[1], c.port) << text;
}

INSTANTIATE_TEST_SUITE_P(Accepted, Ipv6StringExTest, ::testing::Values(
    Ipv6ExCase{W("::1"), true, "0:0:0:0:0:0:0:1", 0, 0},
    Ipv6ExCase{W("[::1]"), true, "0:0:0:0:0:0:0:1", 0, 0},
    Ipv6ExCase{W("fe80::1%4"), true, "fe80:0:0:0:0:0:0:1", 4, 0},
    Ipv6ExCase{W("[fe80::1%4]"), true, "fe80:0:0:0:0:0:0:1", 4, 0},
    Ipv6ExCase{W("[fe80::1%4]:80"), true, "fe80:0:0:0:0:0:0:1", 4, 80},
    Ipv6ExCase{W("[2001:db8::1]:65535"), true, "2001:db8:0:0:0:0:0:1", 0, 65535},
    Ipv6ExCase{W("fe80::1%4294967295"), true, "fe80:0:0:0:0:0:0:1", 4294967295u, 0},
    Ipv6ExCase{W("[fe80::7830:c66f:eaa8:e3dd%14]"), true, "fe80:0:0:0:7830:c66f:eaa8:e3dd", 14, 0},
    Ipv6ExCase{W("::1:80"), true, "0:0:0:0:0:0:1:80", 0, 0}));

INSTANTIATE_TEST_SUITE_P(Refused, Ipv6StringExTest, ::testing::Values(
    Ipv6ExCase{W(""), false, "", 0, 0},
    Ipv6ExCase{W("[::1]:0"), false, "", 0, 0},
    Ipv6ExCase{W("[::1]:65536"), false, "", 0, 0},
    Ipv6ExCase{W("[::1]:99999999999999999999"), false, "", 0, 0},
    Ipv6ExCase{W("[::1]:"), false, "", 0, 0},
    Ipv6ExCase{W("[::1"), false, "", 0, 0},
    Ipv6ExCase{W("[[::1]]"), false, "", 0, 0},
    Ipv6ExCase{W("::1]"), false, "", 0, 0},
    Ipv6ExCase{W("[::1)"), false, "", 0, 0},
    Ipv6ExCase{W("(::1)"), false, "", 0, 0},
    Ipv6ExCase{W("fe80::1%"), false, "", 0, 0},
    Ipv6ExCase{W("fe80::1%abc"), false, "", 0, 0},
    Ipv6ExCase{W("fe80::1%4294967296"), false, "", 0, 0},
    Ipv6ExCase{W("[fe80::1]%4"), false, "", 0, 0},
    Ipv6ExCase{W("::1 "), false, "", 0, 0},
    Ipv6ExCase{W("1::2::3"), false, "", 0, 0},
    Ipv6ExCase{W("::1:80]"), false, "", 0, 0},
    Ipv6ExCase{W("fe80::1%4 by mail"), false, "", 0, 0}));

TEST(Ipv6StringEx, NullArgumentsAreRefused)
{
    IN6_ADDR address = {};
    ULONG scope = 0;
    USHORT port = 0;
    EXPECT_EQ(RtlIpv6StringToAddressExW(nullptr, &address, &scope, &port), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6StringToAddressExW(W("::1"), nullptr, &scope, &port), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6StringToAddressExW(W("::1"), &address, nullptr, &port), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv6StringToAddressExW(W("::1"), &address, &scope, nullptr), STATUS_INVALID_PARAMETER);
}

} // namespace
