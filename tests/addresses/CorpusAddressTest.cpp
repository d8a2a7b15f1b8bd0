// Address texts as real Received fields carry them.
#include "AddressTestUtil.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

using addr_test::U8;

namespace {

// The message text from the given marker on, as UTF-16.
std::basic_string<WCHAR> From(const std::string& file, const std::string& marker)
{
    std::string text = testing_support::ReadFile(testing_support::CorpusPath("eml/" + file));
    size_t at = text.find(marker);
    EXPECT_NE(at, std::string::npos) << file;
    return at == std::string::npos ? std::basic_string<WCHAR>() : pal::ToWide(text.substr(at));
}

TEST(CorpusAddresses, AnIpv4AddressFollowedByTwoColonsIsNeitherKind)
{
    std::basic_string<WCHAR> text = From("mimekit-netscape-12.eml", "(206.63.131.30::");
    ASSERT_FALSE(text.empty());
    IPV4_address v4;
    IPV6_address v6;
    EXPECT_FALSE(v4.Read(text.c_str()));
    EXPECT_FALSE(v6.Read(text.c_str()));
    EXPECT_FALSE(v4.Read(text.c_str() + 1));
    EXPECT_FALSE(v6.Read(text.c_str() + 1));
}

TEST(CorpusAddresses, ALinkLocalAddressKeepsItsZone)
{
    std::basic_string<WCHAR> text = From("mimekit-issue358.eml", "[fe80::7830:c66f:eaa8:e3dd%14]");
    ASSERT_FALSE(text.empty());
    IPV6_address address;
    ASSERT_TRUE(address.Read(text.c_str()));
    EXPECT_EQ(address.GetScopeId(), 14u);
    EXPECT_EQ(U8(address.ToString(true)), "[fe80::7830:c66f:eaa8:e3dd%14]");
    EXPECT_EQ(address.GetReservedTextId(), 636u);
}

} // namespace
