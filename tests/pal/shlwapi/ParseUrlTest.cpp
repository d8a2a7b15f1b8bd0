// ParseURLW on the documented and observed examples.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <shlwapi.h>
#ifdef _WIN32
#include <intshcut.h> // URL_E_INVALID_SYNTAX, which the layer's shlwapi.h declares
#endif

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/Wine.h"

namespace {

struct Case {
    const WCHAR* url;
    UINT cchProtocol;
    const WCHAR* suffix;
    UINT scheme;
};

void ExpectParts(const Case& c)
{
    SCOPED_TRACE(pal::ToUtf8(c.url));
    PARSEDURLW parts{};
    parts.cbSize = sizeof(parts);
    ASSERT_EQ(S_OK, ParseURLW(c.url, &parts));
    EXPECT_EQ(c.url, parts.pszProtocol);
    EXPECT_EQ(c.cchProtocol, parts.cchProtocol);
    EXPECT_EQ(WString(c.suffix), WString(parts.pszSuffix, parts.cchSuffix));
    EXPECT_EQ(c.scheme, parts.nScheme);
}

TEST(ParseUrl, SchemeAndSuffix)
{
    const Case cases[] = {
        {W("http://www.winehq.org/"), 4, W("//www.winehq.org/"), URL_SCHEME_HTTP},
        {W("https://www.winehq.org/"), 5, W("//www.winehq.org/"), URL_SCHEME_HTTPS},
        {W("ftp://www.winehq.org/"), 3, W("//www.winehq.org/"), URL_SCHEME_FTP},
        {W("HTTP://www.winehq.org/"), 4, W("//www.winehq.org/"), URL_SCHEME_HTTP},
        {W("xxx://www.winehq.org/"), 3, W("//www.winehq.org/"), URL_SCHEME_UNKNOWN},
        {W("1xx://www.winehq.org/"), 3, W("//www.winehq.org/"), URL_SCHEME_UNKNOWN},
        {W("-xx://www.winehq.org/"), 3, W("//www.winehq.org/"), URL_SCHEME_UNKNOWN},
        {W("xx0://www.winehq.org/"), 3, W("//www.winehq.org/"), URL_SCHEME_UNKNOWN},
        {W("ab-://www.winehq.org/"), 3, W("//www.winehq.org/"), URL_SCHEME_UNKNOWN},
        {W("a+-.://www.winehq.org/"), 4, W("//www.winehq.org/"), URL_SCHEME_UNKNOWN},
        {W("http://msdn.microsoft.com/vstudio/"), 4, W("//msdn.microsoft.com/vstudio/"), URL_SCHEME_HTTP},
        {W("mailto:someone@example.com"), 6, W("someone@example.com"), URL_SCHEME_MAILTO},
        {W("javascript:void(0)"), 10, W("void(0)"), URL_SCHEME_JAVASCRIPT},
        {W("about:"), 5, W(""), URL_SCHEME_ABOUT},
    };
    for (const Case& c : cases)
        ExpectParts(c);
}

// The documentation's file: example, and a scheme of the newer URL_SCHEME values.
TEST(ParseUrl, FileSuffixSkipsItsSlashesAndNewerSchemesAreKnown)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its ParseURLW keeps the \"//\" of a file: suffix and knows no search-ms: scheme; the "
                        "ParseURLW documentation's example skips them, and search-ms is a URL_SCHEME of its own";
    ExpectParts({W("file://C:\\AUTOEXEC.BAT"), 4, W("C:\\AUTOEXEC.BAT"), URL_SCHEME_FILE});
    ExpectParts({W("search-ms:query=x"), 9, W("query=x"), URL_SCHEME_SEARCH_MS});
}

TEST(ParseUrl, NoSchemeIsInvalidSyntaxAndLeavesTheSchemeAlone)
{
    for (const WCHAR* url : {W("x://www.winehq.org/"), W("xx$://www.winehq.org/"), W("htt?p://www.winehq.org/"),
                                W(" http://www.winehq.org/"), W("test.txt"), W("test.txt?test=c:/dir"),
                                W("C:\\AUTOEXEC.BAT"), W(""), W(":")}) {
        SCOPED_TRACE(pal::ToUtf8(url));
        PARSEDURLW parts{};
        parts.cbSize = sizeof(parts);
        parts.pszProtocol = url;
        parts.nScheme = 77;
        EXPECT_EQ(URL_E_INVALID_SYNTAX, ParseURLW(url, &parts));
        EXPECT_EQ(nullptr, parts.pszProtocol);
        EXPECT_EQ(77u, parts.nScheme);
    }
    PARSEDURLW parts{};
    EXPECT_EQ(E_INVALIDARG, ParseURLW(W("http://h/"), &parts)); // cbSize not set
}

TEST(ParseUrl, MissingArgumentsAreRefused)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its ParseURLW reads through a missing text pointer and faults; the layer refuses it "
                        "with E_INVALIDARG, as Windows' shell functions check their pointers";
    PARSEDURLW parts{};
    parts.cbSize = sizeof(parts);
    EXPECT_EQ(E_INVALIDARG, ParseURLW(nullptr, &parts));
    EXPECT_EQ(E_INVALIDARG, ParseURLW(W("http://h/"), nullptr));
}

} // namespace
