// IPV6_address: reading an address out of running text (zones and ports included), the paths taken when a
// system conversion is missing, printing, and the lookup-key order.
#include "AddressTestUtil.h"

#include <gtest/gtest.h>

#include <map>

using addr_test::LogText;
using addr_test::PlatformOverride;
using addr_test::U8;

namespace {

IPV6_address Read(const WCHAR* text)
{
    IPV6_address address;
    EXPECT_TRUE(address.Read(text)) << U8(text);
    return address;
}

struct ReadCase {
    const WCHAR* text;
    bool ok;
    const char* printed;
};

inline void PrintTo(const ReadCase& c, std::ostream* os) { *os << CaseName(c.text); }

class IPV6ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IPV6ReadTest, TakesAnAddressAtTheStartOfTheText)
{
    const ReadCase& c = GetParam();
    IPV6_address address;
    EXPECT_EQ(address.Read(c.text), c.ok) << U8(c.text);
    if (c.ok) {
        EXPECT_EQ(U8(address.ToString(false)), c.printed);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IPV6ReadTest, ::testing::Values(
    ReadCase{W("2001:db8::1"), true, "2001:db8::1"},
    ReadCase{W("[2001:db8::1]"), true, "2001:db8::1"},
    ReadCase{W("(2001:DB8::1) by mail"), true, "2001:db8::1"},
    ReadCase{W(" 2607:f8b0:4864:20::432 more"), true, "2607:f8b0:4864:20::432"},
    ReadCase{W("0:0:0:0:0:ffff:192.0.2.1\r\n"), true, "::ffff:192.0.2.1"},
    ReadCase{W("fe80::1%4"), true, "fe80::1%4"},
    ReadCase{W("[fe80::7830:c66f:eaa8:e3dd%14]) with mapi id 15.20.0218.015;"), true, "fe80::7830:c66f:eaa8:e3dd%14"},
    ReadCase{W("(fe80::1%4) by mail"), true, "fe80::1%4"},
    ReadCase{W("fe80::1%4 by mail"), true, "fe80::1%4"},
    ReadCase{W("[fe80::1%4]:25"), true, "[fe80::1%4]:25"},
    ReadCase{W("[2001:db8::1]:25)"), true, "[2001:db8::1]:25"},
    ReadCase{W("::1"), false, nullptr},
    ReadCase{W("[::1]"), false, nullptr},
    ReadCase{W("[IPv6:2001:db8::1]"), false, nullptr},
    ReadCase{W("2001:db8::1;"), false, nullptr},
    ReadCase{W("(2001:db8::1]"), false, nullptr},
    ReadCase{W("[[2001:db8::1]"), false, nullptr},
    ReadCase{W("[2001:db8::1"), false, nullptr},
    ReadCase{W("1:2:3:4:5:6:7:8:9"), false, nullptr},
    ReadCase{W("fe80::1%"), false, nullptr},
    ReadCase{W("fe80::1%x"), false, nullptr},
    ReadCase{W("fe80::1%4;"), false, nullptr},
    ReadCase{W("[fe80::1%4]:99999"), false, nullptr},
    ReadCase{W("[1::2]:0"), false, nullptr},
    ReadCase{W("[1::2]:80;"), false, nullptr},
    ReadCase{W("[fe80::1%4"), false, nullptr},
    ReadCase{W("(fe80::1%4]"), false, nullptr},
    ReadCase{W("0::ffff:300.1.1.1"), false, nullptr},
    ReadCase{W("1::256.1.1.1"), false, nullptr},
    ReadCase{W("206.63.131.30::mail daemon"), false, nullptr},
    ReadCase{W("(206.63.131.30::mail daemon; unverified,SLmail V2.0)"), false, nullptr},
    ReadCase{W("abcdef.example.com"), false, nullptr}));

TEST(IPV6Read, HostileTextsAreRefused)
{
    std::basic_string<WCHAR> colons = W("1") + std::basic_string<WCHAR>(1000, W(':'));
    std::basic_string<WCHAR> digits(100000, W('a'));
    std::basic_string<WCHAR> zone = W("fe80::1%") + std::basic_string<WCHAR>(5000, W('9'));
    std::basic_string<WCHAR> unterminated = W("[fe80::1%4") + std::basic_string<WCHAR>(5000, W('x'));
    for (const std::basic_string<WCHAR>& text : {colons, digits, zone, unterminated}) {
        IPV6_address address;
        EXPECT_FALSE(address.Read(text.c_str()));
    }
}

TEST(IPV6Read, ZoneAndPortAreKept)
{
    IPV6_address address = Read(W("[fe80::1%4]:25"));
    EXPECT_EQ(address.GetScopeId(), 4u);
    EXPECT_EQ(address.GetPort(), 25);
    EXPECT_EQ(address.GetGroup(0), 0xfe80);
    EXPECT_EQ(address.GetGroup(7), 1);
    // With a port the platform's bracketed form is printed, brackets asked for or not.
    EXPECT_EQ(U8(address.ToString(false)), "[fe80::1%4]:25");
    EXPECT_EQ(U8(address.ToString(true)), "[fe80::1%4]:25");

    IPV6_address zoneOnly = Read(W("fe80::1%4"));
    EXPECT_EQ(zoneOnly.GetPort(), 0);
    EXPECT_EQ(U8(zoneOnly.ToString(true)), "[fe80::1%4]");
}

TEST(IPV6Read, PrintedFormsReadBackToTheSameValue)
{
    // The printed text goes into request urls and is read again: groups, zone and port must survive, also
    // when the zone is 0 and the printer leaves it out.
    const WCHAR* texts[] = {W("[1::2%0]:80"), W("[1::2]:80"), W("[2001:db8::1]:65535"), W("[fe80::1%4]:25"),
                               W("fe80::1%4"), W("1::2%0"), W("[1::2%0]"), W("2001:db8::1"), W("(2001:db8::1%7)")};
    for (const WCHAR* text : texts) {
        IPV6_address first = Read(text);
        for (bool brackets : {false, true}) {
            CComBSTR printed = first.ToString(brackets);
            IPV6_address again = Read(printed);
            EXPECT_TRUE(again == first) << U8(text) << " printed as " << U8(printed);
            EXPECT_EQ(again.GetPort(), first.GetPort()) << U8(text) << " printed as " << U8(printed);
        }
    }
    IPV6_address zeroZone = Read(W("[1::2%0]:80"));
    EXPECT_EQ(zeroZone.GetPort(), 80);
    EXPECT_EQ(U8(zeroZone.ToString(false)), "[1::2]:80");
    IPV6_address portOnly = Read(W("[1::2]:80 by mail"));
    EXPECT_EQ(portOnly.GetPort(), 80);
    EXPECT_EQ(portOnly.GetScopeId(), 0u);
}

TEST(IPV6Read, EmptyTextIsALoggedAssertion)
{
    IPV6_address address;
    EXPECT_FALSE(address.Read(nullptr));
    EXPECT_FALSE(address.Read(W("")));
    std::string log = LogText();
    EXPECT_NE(log.find("pIP && *pIP"), std::string::npos) << log;
    EXPECT_NE(log.find("IPV6_address::Read"), std::string::npos) << log;
}

TEST(IPV6Read, PlatformRefusalIsLogged)
{
    IPV6_address address;
    EXPECT_FALSE(address.Read(W("abc.example.com")));
    std::string log = LogText();
    EXPECT_NE(log.find("GetLastError(87)"), std::string::npos) << log;
}

TEST(IPV6Missing, NoParserMeansNoAddress)
{
    PlatformOverride<IPV6_address> platform;
    platform->pfnStringToAddress = nullptr;
    IPV6_address address;
    EXPECT_FALSE(address.Read(W("2001:db8::1")));
}

TEST(IPV6Missing, WithoutTheExtendedParserAZoneEndsNothing)
{
    PlatformOverride<IPV6_address> platform;
    platform->pfnStringToAddressEx = nullptr;
    IPV6_address address;
    EXPECT_FALSE(address.Read(W("fe80::1%4")));
    EXPECT_FALSE(address.Read(W("[fe80::1%4]")));
    ASSERT_TRUE(address.Read(W("[fe80::1]")));
    EXPECT_EQ(address.GetScopeId(), 0u);
}

TEST(IPV6Missing, PrintingFallsBackToThePlainFormatter)
{
    IPV6_address address = Read(W("[fe80::1%4]:25"));
    PlatformOverride<IPV6_address> platform;
    platform->pfnAddressToStringEx = nullptr;
    EXPECT_EQ(U8(address.ToString(false)), "fe80::1");
    EXPECT_EQ(U8(address.ToString(true)), "fe80::1"); // a port is set: no brackets of our own
    platform->pfnAddressToString = nullptr;
    EXPECT_EQ(U8(address.ToString(false)), "");
}

NTSTATUS NTAPI FailingFormatter(const IN6_ADDR*, ULONG, USHORT, PWSTR, PULONG)
{
    return STATUS_INVALID_PARAMETER;
}

TEST(IPV6Missing, AFailingFormatterGivesAnEmptyLoggedText)
{
    IPV6_address address = Read(W("2001:db8::1"));
    PlatformOverride<IPV6_address> platform;
    platform->pfnAddressToStringEx = &FailingFormatter;
    EXPECT_EQ(U8(address.ToString(false)), "");
    EXPECT_NE(LogText().find("IPV6_address::ToString"), std::string::npos);
}

NTSTATUS NTAPI ParserWithoutEnd(PCWSTR, PCWSTR* end, IN6_ADDR*)
{
    *end = nullptr;
    return STATUS_SUCCESS;
}

TEST(IPV6Missing, AParserThatGivesNoEndIsAnAssertion)
{
    PlatformOverride<IPV6_address> platform;
    platform->pfnStringToAddress = &ParserWithoutEnd;
    IPV6_address address;
    EXPECT_FALSE(address.Read(W("2001:db8::1")));
    EXPECT_NE(LogText().find("pEnd"), std::string::npos);
}

TEST(IPV6Address, UnspecifiedIsInvalid)
{
    EXPECT_FALSE(Read(W("0::")).IsValid());
    EXPECT_TRUE(Read(W("0::1")).IsValid());
}

TEST(IPV6Order, GroupsOnlyAsTwoNumbers)
{
    IPV6_address loopback = Read(W("0::1"));
    IPV6_address one = Read(W("1::"));
    IPV6_address doc = Read(W("2001:db8::1"));
    IPV6_address link = Read(W("fe80::1"));
    IPV6_address lowTail = Read(W("1:2:3:4:5:6:7:8"));
    IPV6_address highTail = Read(W("1:2:3:4:5:6:7:9"));
    EXPECT_TRUE(loopback < one);
    EXPECT_TRUE(one < doc);
    EXPECT_TRUE(doc < link);
    EXPECT_FALSE(link < doc);
    EXPECT_TRUE(lowTail < highTail);
    EXPECT_FALSE(highTail < lowTail);
    EXPECT_TRUE(one < lowTail); // first halves 1:0:0:0 < 1:2:3:4

    // Zone and port are not part of the key, but are part of the value.
    IPV6_address zone4 = Read(W("fe80::1%4"));
    IPV6_address zone5 = Read(W("fe80::1%5"));
    EXPECT_FALSE(zone4 < zone5);
    EXPECT_FALSE(zone5 < zone4);
    EXPECT_FALSE(zone4 == zone5);
    EXPECT_TRUE(zone4 == Read(W("(fe80::1%4)")));

    std::map<IPV6_address, int> cache;
    cache[link] = 1;
    cache[doc] = 2;
    cache[zone4] = 3; // the same key as link
    cache[highTail] = 4;
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache[link], 3);
    EXPECT_EQ(cache.begin()->second, 4);
}

} // namespace
