// IPV4_address: reading an address out of running text, with and without the system parser, and printing.
#include "AddressTestUtil.h"

#include <gtest/gtest.h>

using addr_test::LogText;
using addr_test::PlatformOverride;
using addr_test::U8;

namespace {

struct ReadCase {
    const WCHAR* text;
    bool ok;
    const char* printed; // without brackets, when ok
};

inline void PrintTo(const ReadCase& c, std::ostream* os) { *os << CaseName(c.text); }

class IPV4ReadTest : public ::testing::TestWithParam<std::tuple<ReadCase, bool>> {};

// Both paths, the system parser's and the class's own, take the same texts.
TEST_P(IPV4ReadTest, TakesAnAddressAtTheStartOfTheText)
{
    const auto& [c, withPlatform] = GetParam();
    PlatformOverride<IPV4_address> platform;
    if (!withPlatform)
        platform->pfnStringToAddress = nullptr;
    IPV4_address address;
    EXPECT_EQ(address.Read(c.text), c.ok) << U8(c.text);
    if (c.ok) {
        EXPECT_EQ(U8(address.ToString(false)), c.printed);
        EXPECT_TRUE(address.IsValid());
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IPV4ReadTest, ::testing::Combine(::testing::Values(
    ReadCase{W(" 10.1.2.3 more words"), true, "10.1.2.3"},
    ReadCase{W("10.1.2.3"), true, "10.1.2.3"},
    ReadCase{W("10.1.2.3\r\n"), true, "10.1.2.3"},
    ReadCase{W("(10.1.2.3)"), true, "10.1.2.3"},
    ReadCase{W("[10.1.2.3]"), true, "10.1.2.3"},
    ReadCase{W("[10.1.2.3]) by mail"), true, "10.1.2.3"},
    ReadCase{W("\t255.255.255.255\t"), true, "255.255.255.255"},
    ReadCase{W("(10.1.2.3]"), false, nullptr},
    ReadCase{W("[10.1.2.3)"), false, nullptr},
    ReadCase{W("[10.1.2.3"), false, nullptr},
    ReadCase{W("10.1.2.3;"), false, nullptr},
    ReadCase{W("[[10.1.2.3]"), false, nullptr},
    ReadCase{W("  10.1.2.3"), false, nullptr},
    ReadCase{W("1.2.3"), false, nullptr},
    ReadCase{W("1.2.3.4.5"), false, nullptr},
    ReadCase{W("1234.1.1.1"), false, nullptr},
    ReadCase{W("1.2.3.4567"), false, nullptr},
    ReadCase{W("a.b.c.d"), false, nullptr},
    ReadCase{W("206.63.131.30::mail daemon"), false, nullptr},
    ReadCase{W("(206.63.131.30::mail daemon; unverified,SLmail V2.0)"), false, nullptr},
    ReadCase{W("2001:db8::1"), false, nullptr}),
    ::testing::Bool()));

TEST(IPV4Read, EmptyTextIsALoggedAssertion)
{
    IPV4_address address;
    EXPECT_FALSE(address.Read(nullptr));
    EXPECT_FALSE(address.Read(W("")));
    std::string log = LogText();
    EXPECT_NE(log.find("pIP && *pIP"), std::string::npos) << log;
    EXPECT_NE(log.find("IPV4_address::Read"), std::string::npos) << log;
}

TEST(IPV4Read, PlatformRefusalIsLoggedWithItsOwnErrorText)
{
    SetLastError(ERROR_FILE_NOT_FOUND); // an older, unrelated failure must not be what is logged
    IPV4_address address;
    EXPECT_FALSE(address.Read(W("1.2.3 by")));
    std::string log = LogText();
    EXPECT_NE(log.find("GetLastError(87)"), std::string::npos) << log;
    EXPECT_EQ(log.find("GetLastError(2)"), std::string::npos) << log;
}

TEST(IPV4Read, WithoutThePlatformLargePartsReadButAreInvalid)
{
    PlatformOverride<IPV4_address> platform;
    platform->pfnStringToAddress = nullptr;
    IPV4_address address;
    ASSERT_TRUE(address.Read(W("300.1.2.999")));
    EXPECT_FALSE(address.IsValid());
    EXPECT_EQ(U8(address.ToString(false)), "300.1.2.999");
}

TEST(IPV4Read, TheStrictPlatformParserRefusesLargeParts)
{
    IPV4_address address;
    EXPECT_FALSE(address.Read(W("300.1.2.999")));
}

TEST(IPV4Read, ThePlatformParserIsFoundInNtdll)
{
    EXPECT_EQ(reinterpret_cast<void*>(IPV4_address::Platform().pfnStringToAddress),
              reinterpret_cast<void*>(&RtlIpv4StringToAddressW));
}

TEST(IPV4Print, BracketsOnRequest)
{
    IPV4_address address;
    ASSERT_TRUE(address.Read(W("192.0.2.33")));
    EXPECT_EQ(U8(address.ToString(false)), "192.0.2.33");
    EXPECT_EQ(U8(address.ToString(true)), "[192.0.2.33]");
}

TEST(IPV4Compare, ByPartsInTextOrder)
{
    IPV4_address a, b, c;
    ASSERT_TRUE(a.Read(W("10.0.0.2")));
    ASSERT_TRUE(b.Read(W("10.0.1.1")));
    ASSERT_TRUE(c.Read(W("[10.0.0.2]")));
    EXPECT_TRUE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_TRUE(a == c);
    EXPECT_FALSE(a < c || c < a);
}

} // namespace
