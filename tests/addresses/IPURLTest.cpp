// URL_address: host names of link servers.
#include "AddressTestUtil.h"
#include "Utils/IPURL.h"
#include "support/Wine.h"

#include <gtest/gtest.h>

#include <map>

using addr_test::LogText;
using addr_test::U8;

namespace {

TEST(URLAddress, StoresTheHostInLowerCase)
{
    URL_address host;
    ASSERT_TRUE(host.Read(W("Mail.Example.COM")));
    EXPECT_EQ(U8(host.GetHost()), "mail.example.com");
    EXPECT_TRUE(host.IsValid());
    EXPECT_FALSE(host.IsReserved());
    EXPECT_EQ(U8(host.GetReservedDescription()), "");
    EXPECT_EQ(U8(host.ToString(false)), "mail.example.com");
    EXPECT_EQ(U8(host.ToString(true)), "mail.example.com");
}

TEST(URLAddress, AnIpv4LiteralCountsAsAHostName)
{
    URL_address host;
    ASSERT_TRUE(host.Read(W("192.0.2.1")));
    EXPECT_FALSE(host.IsReserved()); // hosts are never reserved, whatever they look like
}

TEST(URLAddress, RefusesWhatIsNotAHost)
{
    const WCHAR* texts[] = {W("example.com/path"), W("http://example.com"), W("localhost"), W("2001:db8::1")};
    for (const WCHAR* text : texts) {
        URL_address host;
        EXPECT_FALSE(host.Read(text)) << U8(text);
        EXPECT_FALSE(host.IsValid()) << U8(text);
        EXPECT_EQ(U8(host.GetHost()), "");
    }
}

TEST(URLAddress, RefusesWhatTheSystemCallsNoUrl)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine's IsValidURL takes any text";
    for (const WCHAR* text : {W("exa mple.com"), W("exa<mple.com"), W("example.com\r"), W("a\u0001b.com")}) {
        URL_address host;
        EXPECT_FALSE(host.Read(text)) << U8(text);
        EXPECT_FALSE(host.IsValid()) << U8(text);
        EXPECT_EQ(U8(host.GetHost()), "");
    }
}

TEST(URLAddress, AFailedReadClearsTheHost)
{
    URL_address host;
    ASSERT_TRUE(host.Read(W("example.com")));
    EXPECT_FALSE(host.Read(W("example.com/x")));
    EXPECT_EQ(U8(host.GetHost()), "");
    EXPECT_FALSE(host.IsValid());
}

TEST(URLAddress, EmptyTextIsALoggedAssertion)
{
    URL_address host;
    EXPECT_FALSE(host.Read(nullptr));
    EXPECT_FALSE(host.Read(W("")));
    EXPECT_NE(LogText().find("URL_address::Read"), std::string::npos);
}

TEST(URLAddress, InternationalHostsAreLoweredAsWell)
{
    URL_address host;
    ASSERT_TRUE(host.Read(W("Esempio-Universit\u00c0.IT")));
    EXPECT_EQ(U8(host.GetHost()), "esempio-universit\u00e0.it");
}

TEST(URLAddress, OrderedWithoutRegardToCase)
{
    URL_address a, b, c;
    ASSERT_TRUE(a.Read(W("alpha.example.com")));
    ASSERT_TRUE(b.Read(W("beta.example.com")));
    ASSERT_TRUE(c.Read(W("ALPHA.example.com")));
    std::map<URL_address, int> cache;
    cache[a] = 1;
    cache[b] = 2;
    cache[c] = 3;
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache[a], 3);
    // Copies share the host.
    URL_address copy = a;
    EXPECT_EQ(U8(copy.GetHost()), "alpha.example.com");
}

} // namespace
