// shlwapi's UrlUnescapeW and UrlCompareW.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/Wine.h"

namespace {

std::string U8(const WString& s) { return pal::ToUtf8(s.c_str()); }

struct UnescapeCase {
    const WCHAR* input;
    DWORD flags;
    const WCHAR* output;
};

// Each case into a buffer, in place, and through the in-place macro.
void ExpectUnescapes(const UnescapeCase& c)
{
    WString input(c.input), expected(c.output);
    std::vector<WCHAR> out(expected.size() + 1, W('#'));
    DWORD size = DWORD(out.size());
    ASSERT_EQ(UrlUnescapeW(input.data(), out.data(), &size, c.flags), S_OK) << U8(input);
    EXPECT_EQ(WString(out.data()), expected) << U8(input);
    EXPECT_EQ(size, expected.size());

    WString inPlace(c.input);
    DWORD untouched = 77;
    ASSERT_EQ(UrlUnescapeW(inPlace.data(), nullptr, &untouched, c.flags | URL_UNESCAPE_INPLACE), S_OK);
    EXPECT_EQ(WString(inPlace.c_str()), expected) << U8(input);
    EXPECT_EQ(untouched, 77u);
    WString macro(c.input);
    ASSERT_EQ(UrlUnescapeInPlace(macro.data(), c.flags), S_OK);
    EXPECT_EQ(WString(macro.c_str()), expected);
}

TEST(UrlUnescapeW, DecodesIntoABufferAndInPlace)
{
    const UnescapeCase cases[] = {
        {W("file://fo%20o%5Ca/bar"), 0, W("file://fo o\\a/bar")},
        {W("file://%24%25foobar"), 0, W("file://$%foobar")},
        {W("file://foo/%E4%B8%AD%E6%96%87/bar"), 0, W("file://foo/\u00e4\u00b8\u00ad\u00e6\u0096\u0087/bar")},
        {W("%G4%G8%4"), 0, W("%G4%G8%4")},
        {W("%252541"), 0, W("%2541")},
        {W("a+b %41"), 0, W("a+b A")},
        {W("/p%41?q=%41#%41"), URL_DONT_UNESCAPE_EXTRA_INFO, W("/pA?q=%41#%41")},
        {W("%41%42"), URL_UNESCAPE_AS_UTF8, W("AB")},
        {W(""), 0, W("")},
    };
    for (const UnescapeCase& c : cases)
        ExpectUnescapes(c);
}

// Windows 8 and later gather a run of escapes as UTF-8.
TEST(UrlUnescapeW, DecodesUtf8RunsAsCharacters)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its UrlUnescapeW ignores URL_UNESCAPE_AS_UTF8 and decodes byte by byte, as Windows "
                        "before 8 did; Windows 8 and later give one character per UTF-8 sequence";
    const UnescapeCase cases[] = {
        {W("file://foo/%E4%B8%AD%E6%96%87/bar"), URL_UNESCAPE_AS_UTF8, W("file://foo/\u4e2d\u6587/bar")},
        {W("file://foo/%E4%AD%E6%96%87/bar"), URL_UNESCAPE_AS_UTF8, W("file://foo/\ufffd\u6587/bar")},
        {W("%F0%9F%98%80%41"), URL_UNESCAPE_AS_UTF8, W("\U0001F600A")},
    };
    for (const UnescapeCase& c : cases)
        ExpectUnescapes(c);
}

TEST(UrlUnescapeW, AShortBufferGivesTheSizeNeeded)
{
    WString input(W("file://fo%20o%5Ca/bar"));
    const size_t length = WString(W("file://fo o\\a/bar")).size();
    for (DWORD size : {DWORD(length - 1), DWORD(length), DWORD(0)}) {
        std::vector<WCHAR> out(length + 1, W('#'));
        DWORD cch = size;
        EXPECT_EQ(UrlUnescapeW(input.data(), out.data(), &cch, 0), E_POINTER) << size;
        EXPECT_EQ(cch, length + 1);
#ifndef _WIN32
        // The layer writes nothing then; what Windows leaves in a short buffer is not observed (Wine fills it).
        EXPECT_EQ(out[0], W('#'));
#endif
    }
}

TEST(UrlUnescapeW, RefusesMissingArguments)
{
    WString input(W("a%20b"));
    WCHAR out[16] = {W('#')};
    DWORD cch = 16;
    EXPECT_EQ(UrlUnescapeW(input.data(), out, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(out[0], W('#'));
    EXPECT_EQ(UrlUnescapeW(input.data(), nullptr, &cch, 0), E_INVALIDARG);
    EXPECT_EQ(UrlUnescapeW(nullptr, out, &cch, 0), E_INVALIDARG);
}

TEST(UrlCompareW, ComparesAsWrittenWithAnOptionalTrailingSlash)
{
    EXPECT_EQ(UrlCompareW(W("http://host.example/a"), W("http://host.example/a"), FALSE), 0);
    EXPECT_EQ(UrlCompareW(W("http://host.example/a/"), W("http://host.example/a"), TRUE), 0);
    EXPECT_EQ(UrlCompareW(W("http://host.example/a"), W("http://host.example/a/"), TRUE), 0);
    EXPECT_GT(UrlCompareW(W("http://host.example/a/"), W("http://host.example/a"), FALSE), 0);
    EXPECT_LT(UrlCompareW(W("http://host.example/a"), W("http://host.example/a/"), FALSE), 0);
    EXPECT_NE(UrlCompareW(W("http://Host.example/a"), W("http://host.example/a"), FALSE), 0);
    EXPECT_NE(UrlCompareW(W("http://x/a//"), W("http://x/a"), TRUE), 0);   // one slash only
    EXPECT_NE(UrlCompareW(W("http://x/a\\"), W("http://x/a"), TRUE), 0);   // "/" only, not "\"
    EXPECT_NE(UrlCompareW(W("http://x/a/../b"), W("http://x/b"), FALSE), 0); // no canonicalisation
    EXPECT_EQ(UrlCompareW(W("/"), W(""), TRUE), 0);
}

} // namespace
