// RtlIpv4StringToAddressW as the system has it: strict and lenient forms, where the parse stops, and
// hostile texts.
#include <windows.h>
#include <ip2string.h>

#include <gtest/gtest.h>

#include "pal/TableText.h"
#include "support/Wine.h"

#include <set>
#include <string>

namespace {

struct Ipv4Case {
    const WCHAR* text;
    bool strict;
    bool ok;
    int stop; // offset of the terminator
    unsigned char bytes[4];
};

inline void PrintTo(const Ipv4Case& c, std::ostream* os) { *os << pal_test::CaseName(c.text); }

class Ipv4StringTest : public ::testing::TestWithParam<Ipv4Case> {};

// Strict texts on which Wine's parser stops elsewhere than Windows'.
bool WineStopsElsewhere(const Ipv4Case& c)
{
    static const std::set<std::basic_string<WCHAR>> texts = {W("206.63.131.30::mail daemon"), W("1.2.3.4.5"),
                                                             W("1.2.3.4."), W("1..2.3"), W(".1.2.3")};
    return c.strict && texts.count(c.text) && testing_support::RunningOnWine();
}

TEST_P(Ipv4StringTest, ParsesLikeTheSystem)
{
    const Ipv4Case& c = GetParam();
    if (WineStopsElsewhere(c))
        GTEST_SKIP() << "Wine: its RtlIpv4StringToAddressW ends this strict text elsewhere; the table "
                        "holds where Windows' parse stops";
    IN_ADDR address = {};
    address.S_un.S_addr = 0xA5A5A5A5;
    const WCHAR* end = nullptr;
    NTSTATUS status = RtlIpv4StringToAddressW(c.text, c.strict, &end, &address);
    std::string what = std::string(c.strict ? "strict " : "lenient ") + std::to_string(c.stop);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end - c.text, c.stop) << what;
    if (!c.ok) {
        EXPECT_EQ(status, STATUS_INVALID_PARAMETER) << what;
        EXPECT_EQ(address.S_un.S_addr, 0xA5A5A5A5u) << "the address is left alone on failure";
        return;
    }
    ASSERT_EQ(status, STATUS_SUCCESS) << what;
    EXPECT_EQ(address.S_un.S_un_b.s_b1, c.bytes[0]);
    EXPECT_EQ(address.S_un.S_un_b.s_b2, c.bytes[1]);
    EXPECT_EQ(address.S_un.S_un_b.s_b3, c.bytes[2]);
    EXPECT_EQ(address.S_un.S_un_b.s_b4, c.bytes[3]);
}

INSTANTIATE_TEST_SUITE_P(Strict, Ipv4StringTest, ::testing::Values(
    Ipv4Case{W("1.2.3.4"), true, true, 7, {1, 2, 3, 4}},
    Ipv4Case{W("255.255.255.255"), true, true, 15, {255, 255, 255, 255}},
    Ipv4Case{W("0.0.0.0"), true, true, 7, {0, 0, 0, 0}},
    Ipv4Case{W("10.1.2.3 more words"), true, true, 8, {10, 1, 2, 3}},
    Ipv4Case{W("10.1.2.3]"), true, true, 8, {10, 1, 2, 3}},
    Ipv4Case{W("206.63.131.30::mail daemon"), true, true, 13, {206, 63, 131, 30}},
    Ipv4Case{W("1.2.3"), true, false, 5, {}},
    Ipv4Case{W("1.2.3.4.5"), true, false, 8, {}},
    Ipv4Case{W("1.2.3.4."), true, false, 8, {}},
    Ipv4Case{W("01.2.3.4"), true, false, 1, {}},
    Ipv4Case{W("0x1.2.3.4"), true, false, 2, {}},
    Ipv4Case{W("256.1.1.1"), true, false, 9, {}},
    Ipv4Case{W("1..2.3"), true, false, 2, {}},
    Ipv4Case{W(".1.2.3"), true, false, 0, {}},
    Ipv4Case{W(""), true, false, 0, {}},
    Ipv4Case{W("a.b.c.d"), true, false, 0, {}}));

INSTANTIATE_TEST_SUITE_P(Lenient, Ipv4StringTest, ::testing::Values(
    Ipv4Case{W("1.2.3"), false, true, 5, {1, 2, 0, 3}},
    Ipv4Case{W("1.2"), false, true, 3, {1, 0, 0, 2}},
    Ipv4Case{W("16909060"), false, true, 8, {1, 2, 3, 4}},
    Ipv4Case{W("0x7f.1"), false, true, 6, {127, 0, 0, 1}},
    Ipv4Case{W("010.0.0.1"), false, true, 9, {8, 0, 0, 1}},
    Ipv4Case{W("0xFFFFFFFF"), false, true, 10, {255, 255, 255, 255}},
    Ipv4Case{W("1.2.3.256"), false, false, 9, {}},
    Ipv4Case{W("1.2.65536"), false, false, 9, {}},
    Ipv4Case{W("08.1.1.1"), false, false, 1, {}},
    Ipv4Case{W("4294967296"), false, false, 9, {}}));

TEST(Ipv4String, LongDigitRunsFailWithinTheText)
{
    std::basic_string<WCHAR> digits(100000, W('9'));
    for (BOOLEAN strict : {BOOLEAN(TRUE), BOOLEAN(FALSE)}) {
        IN_ADDR address = {};
        const WCHAR* end = nullptr;
        EXPECT_EQ(RtlIpv4StringToAddressW(digits.c_str(), strict, &end, &address), STATUS_INVALID_PARAMETER);
        ASSERT_NE(end, nullptr);
        EXPECT_LE(end - digits.c_str(), 16);
    }
    std::basic_string<WCHAR> dotted = W("1.2.3.") + std::basic_string<WCHAR>(5000, W('0')) + W("4");
    IN_ADDR address = {};
    const WCHAR* end = nullptr;
    // Leading zeros are octal in the lenient form, and forbidden in the strict one.
    EXPECT_EQ(RtlIpv4StringToAddressW(dotted.c_str(), FALSE, &end, &address), STATUS_SUCCESS);
    EXPECT_EQ(address.S_un.S_un_b.s_b4, 4);
    EXPECT_EQ(RtlIpv4StringToAddressW(dotted.c_str(), TRUE, &end, &address), STATUS_INVALID_PARAMETER);
}

TEST(Ipv4String, WithoutTerminatorTheWholeTextMustBeTheAddress)
{
    IN_ADDR address = {};
    EXPECT_EQ(RtlIpv4StringToAddressW(W("1.2.3.4"), TRUE, nullptr, &address), STATUS_SUCCESS);
    EXPECT_EQ(RtlIpv4StringToAddressW(W("1.2.3.4 "), TRUE, nullptr, &address), STATUS_INVALID_PARAMETER);
}

TEST(Ipv4String, MissingArgumentsAreRefused)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its RtlIpv4StringToAddressW reads through a missing pointer; "
                        "Windows refuses it with STATUS_INVALID_PARAMETER";
    IN_ADDR address = {};
    const WCHAR* end = nullptr;
    EXPECT_EQ(RtlIpv4StringToAddressW(nullptr, TRUE, &end, &address), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(RtlIpv4StringToAddressW(W("1.2.3.4"), TRUE, &end, nullptr), STATUS_INVALID_PARAMETER);
}

TEST(Ipv4String, FoundInNtdllByName)
{
    HMODULE ntdll = GetModuleHandleW(W("NTDLL.DLL"));
    ASSERT_NE(ntdll, nullptr);
    for (const char* name : {"RtlIpv4StringToAddressW", "RtlIpv6StringToAddressW", "RtlIpv6StringToAddressExW",
                             "RtlIpv6AddressToStringW", "RtlIpv6AddressToStringExW"})
        EXPECT_NE(GetProcAddress(ntdll, name), nullptr) << name;
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlIpv4StringToAddressW")),
              reinterpret_cast<void*>(&RtlIpv4StringToAddressW));
}

} // namespace
