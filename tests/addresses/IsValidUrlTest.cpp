// urlmon's IsValidURL on the texts the host check gives it ("http://" and a host).
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

namespace {

TEST(IsValidUrl, AcceptsASchemeFollowedByUrlCharacters)
{
    EXPECT_EQ(IsValidURL(nullptr, u"http://mail.example.com", 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, u"http://10.1.2.3", 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, u"http://mail.example.com:8080/a?b=c#d", 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, u"http://mail-ig0-x248.esempio-universit\u00e0.it", 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, u"http://host%20name.com", 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, u"mailto:someone@example.com", 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, u"ms-help+x.y:topic", 0), S_OK);
}

TEST(IsValidUrl, RefusesTextsThatAreNotUrls)
{
    EXPECT_EQ(IsValidURL(nullptr, u"", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"mail.example.com", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"c:\\temp\\file.txt", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"1http://host.com", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http:", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http://", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http:///path", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http://exa mple.com", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http://example.com\r", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http://exa<mple.com", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http://exa\"mple.com", 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, u"http://a{b}.com", 0), S_FALSE);
}

TEST(IsValidUrl, RefusesBadArguments)
{
    EXPECT_EQ(IsValidURL(nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(IsValidURL(nullptr, u"http://example.com", 1), E_INVALIDARG);
    EXPECT_EQ(IsValidURL(reinterpret_cast<LPBC>(0x1000), u"http://example.com", 0), E_INVALIDARG);
}

} // namespace
