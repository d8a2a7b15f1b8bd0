// LinkInfo: link addresses stored, unescaped, parsed into components and compared.
#include "AddressTestUtil.h"
#include "Utils/LinkInfo.h"
#include "__Utilities/ErrorInfo.h"

#include <gtest/gtest.h>

using addr_test::LogText;
using addr_test::U8;

namespace {

std::string S(const _bstr_t& b) { return U8(b.length() ? static_cast<const WCHAR*>(b) : W("")); }

TEST(LinkInfoAddress, StoresAmpEntitiesAsAmpersands)
{
    LinkInfo link(W("http://h.example/p?a=1&amp;b=2&AMP;c=3&amp"), nullptr);
    EXPECT_EQ(S(link.linkURL), "http://h.example/p?a=1&b=2&c=3&amp");
    EXPECT_EQ(S(link.query), "?a=1&b=2&c=3&amp");
    EXPECT_EQ(S(link.linkText), "");
}

TEST(LinkInfoAddress, FillsTheComponents)
{
    LinkInfo link(W("HTTP://us%65r:pw@Files.Example:8080/dir/My%20File.PDF?x=%41#frag%0D"), W("click here"));
    EXPECT_EQ(S(link.unescapedURL), "HTTP://user:pw@Files.Example:8080/dir/My File.PDF?x=A#frag\r");
    EXPECT_EQ(S(link.protocol), "http");
    EXPECT_EQ(S(link.host), "files.example");
    EXPECT_EQ(S(link.path), "/dir/My File.PDF");
    EXPECT_EQ(S(link.extension), ".PDF");
    EXPECT_EQ(S(link.query), "?x=A");
    // The carriage return was removed by the parser's clean-up of HTML addresses.
    EXPECT_EQ(S(link.fragment), "#frag");
    EXPECT_EQ(S(link.userInfo), "user:pw");
    EXPECT_EQ(link.port, 8080u);
    EXPECT_EQ(S(link.linkText), "click here");
    EXPECT_EQ(link.pDataInfo, nullptr);
}

TEST(LinkInfoAddress, DecodesADoublyEncodedAddressTwice)
{
    EXPECT_EQ(S(unEscapeURL(W("http://h.example/%2541"))), "http://h.example/A");
    EXPECT_EQ(S(unEscapeURL(W("http://h.example/%41%zz"))), "http://h.example/A%zz");
    EXPECT_EQ(S(unEscapeURL(W("http://h.example/plain"))), "http://h.example/plain");
    // Too long for the system's URL buffer: returned as it is.
    std::basic_string<WCHAR> longUrl = W("http://h.example/%41") + std::basic_string<WCHAR>(3000, W('a'));
    EXPECT_EQ(S(unEscapeURL(longUrl.c_str())), U8(longUrl.c_str()));
}

TEST(LinkInfoAddress, ManualUnescapeKeepsControlCharactersEscaped)
{
    EXPECT_EQ(S(unEscapeURL_manual(W("a%0D%0Ab%41%4G%"))), "a%0D%0AbA%4G%");
    EXPECT_EQ(S(unEscapeURL_manual(W("%1f%20%7e"))), "%1f ~");
    EXPECT_EQ(S(unEscapeURL_manual(W("no escapes"))), "no escapes");
}

TEST(LinkInfoAddress, ComparesWithoutSchemeCaseOrOneTrailingSlash)
{
    EXPECT_TRUE(areURLsSame(W("http://Host.Example/a"), W("host.example/a")));
    EXPECT_TRUE(areURLsSame(W("https://host.example/a/"), W("http://host.example/a")));
    EXPECT_TRUE(areURLsSame(W("/host.example/a"), W("host.example/a/")));
    EXPECT_FALSE(areURLsSame(W("http://host.example/a//"), W("http://host.example/a")));
    EXPECT_FALSE(areURLsSame(W("http://host.example/a"), W("http://host.example/b")));
    EXPECT_FALSE(areURLsSame(W("http://host.example/ab"), W("http://host.example/a/")));
    EXPECT_FALSE(areURLsSame(nullptr, W("host.example")));
}

TEST(LinkInfoAddress, KeepsTheTextOnlyWhenItDiffersFromTheAddress)
{
    EXPECT_EQ(S(LinkInfo(W("http://h.example/a"), W("http://h.example/a/")).linkText), "");
    EXPECT_EQ(S(LinkInfo(W("http://h.example/a?x&amp;y"), W("http://h.example/a?x&y")).linkText), "");
    EXPECT_EQ(S(LinkInfo(W("http://h.example/a"), W("Your invoice")).linkText), "Your invoice");
}

TEST(LinkInfoAddress, TakesTheTextBehindTheHostWhenTheParserFoundNoPath)
{
    LinkInfo link(W("http://h.example/a/.."), nullptr);
    EXPECT_EQ(S(link.path), "a/..");
    LinkInfo root(W("http://h.example/"), nullptr);
    EXPECT_EQ(S(root.path), "");
    EXPECT_EQ(S(root.extension), "");
}

TEST(LinkInfoAddress, KeepsDosPathsOfFileLinks)
{
    LinkInfo link(W("file:///C:/Users/x/run.exe"), nullptr);
    EXPECT_EQ(S(link.path), "C:\\Users\\x\\run.exe");
    EXPECT_EQ(S(link.extension), ".exe");
    EXPECT_EQ(link.port, 0u);
}

TEST(LinkInfoAddress, RefusesEmptyAndUnparsableAddresses)
{
    EXPECT_THROW(LinkInfo(W(""), nullptr), CErrorInfo);
    EXPECT_THROW(LinkInfo(nullptr, nullptr), CErrorInfo);
    EXPECT_THROW(LinkInfo(W("www.example.com/no-scheme"), nullptr), CErrorInfo);
    EXPECT_THROW(LinkInfo(W("http://h.example:70000/"), nullptr), CErrorInfo);
    EXPECT_THROW(unEscapeURL(W("")), CErrorInfo);
    EXPECT_NE(LogText().find("unEscapeURL"), std::string::npos) << LogText();
}

} // namespace
