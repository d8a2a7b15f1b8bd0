// urlmon's IsValidURL on the texts the host check gives it ("http://" and a host).
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include "support/Wine.h"

namespace {

TEST(IsValidUrl, AcceptsASchemeFollowedByUrlCharacters)
{
    EXPECT_EQ(IsValidURL(nullptr, W("http://mail.example.com"), 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, W("http://10.1.2.3"), 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, W("http://mail.example.com:8080/a?b=c#d"), 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, W("http://mail-ig0-x248.esempio-universit\u00e0.it"), 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, W("http://host%20name.com"), 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, W("mailto:someone@example.com"), 0), S_OK);
    EXPECT_EQ(IsValidURL(nullptr, W("ms-help+x.y:topic"), 0), S_OK);
}

TEST(IsValidUrl, RefusesTextsThatAreNotUrls)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its IsValidURL accepts any text and any arguments; the table holds the "
                        "answers of Windows' URL check";
    EXPECT_EQ(IsValidURL(nullptr, W(""), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("mail.example.com"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("c:\\temp\\file.txt"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("1http://host.com"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http:"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http://"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http:///path"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http://exa mple.com"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http://example.com\r"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http://exa<mple.com"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http://exa\"mple.com"), 0), S_FALSE);
    EXPECT_EQ(IsValidURL(nullptr, W("http://a{b}.com"), 0), S_FALSE);
}

TEST(IsValidUrl, RefusesBadArguments)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its IsValidURL accepts any text and any arguments; the table holds the "
                        "answers of Windows' URL check";
    EXPECT_EQ(IsValidURL(nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(IsValidURL(nullptr, W("http://example.com"), 1), E_INVALIDARG);
    EXPECT_EQ(IsValidURL(reinterpret_cast<LPBC>(0x1000), W("http://example.com"), 0), E_INVALIDARG);
}

} // namespace
