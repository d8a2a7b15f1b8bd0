// shlwapi's UrlUnescapeW and UrlCompareW.
#include <windows.h>
#include <shlwapi.h>

#include <pal/host.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string U8(const std::u16string& s) { return pal::ToUtf8(s.c_str()); }

struct UnescapeCase {
    const char16_t* input;
    DWORD flags;
    const char16_t* output;
};

const UnescapeCase kCases[] = {
    {u"file://fo%20o%5Ca/bar", 0, u"file://fo o\\a/bar"},
    {u"file://%24%25foobar", 0, u"file://$%foobar"},
    {u"file://foo/%E4%B8%AD%E6%96%87/bar", 0, u"file://foo/\u00e4\u00b8\u00ad\u00e6\u0096\u0087/bar"},
    {u"file://foo/%E4%B8%AD%E6%96%87/bar", URL_UNESCAPE_AS_UTF8, u"file://foo/\u4e2d\u6587/bar"},
    {u"file://foo/%E4%AD%E6%96%87/bar", URL_UNESCAPE_AS_UTF8, u"file://foo/\ufffd\u6587/bar"},
    {u"%F0%9F%98%80%41", URL_UNESCAPE_AS_UTF8, u"\U0001F600A"},
    {u"%G4%G8%4", 0, u"%G4%G8%4"},
    {u"%252541", 0, u"%2541"},
    {u"a+b %41", 0, u"a+b A"},
    {u"/p%41?q=%41#%41", URL_DONT_UNESCAPE_EXTRA_INFO, u"/pA?q=%41#%41"},
    {u"", 0, u""},
};

TEST(UrlUnescape, DecodesIntoABufferAndInPlace)
{
    for (const UnescapeCase& c : kCases) {
        std::u16string input(c.input), expected(c.output);
        std::vector<WCHAR> out(expected.size() + 1, u'#');
        DWORD size = DWORD(out.size());
        ASSERT_EQ(UrlUnescapeW(input.data(), out.data(), &size, c.flags), S_OK) << U8(input);
        EXPECT_EQ(std::u16string(out.data()), expected) << U8(input);
        EXPECT_EQ(size, expected.size());

        std::u16string inPlace(c.input);
        DWORD untouched = 77;
        ASSERT_EQ(UrlUnescapeW(inPlace.data(), nullptr, &untouched, c.flags | URL_UNESCAPE_INPLACE), S_OK);
        EXPECT_EQ(std::u16string(inPlace.c_str()), expected) << U8(input);
        EXPECT_EQ(untouched, 77u);
        std::u16string macro(c.input);
        ASSERT_EQ(UrlUnescapeInPlaceW(macro.data(), c.flags), S_OK);
        EXPECT_EQ(std::u16string(macro.c_str()), expected);
    }
}

TEST(UrlUnescape, AShortBufferGivesTheSizeNeeded)
{
    std::u16string input(u"file://fo%20o%5Ca/bar");
    const size_t length = std::u16string(u"file://fo o\\a/bar").size();
    for (DWORD size : {DWORD(length - 1), DWORD(length), DWORD(0)}) {
        std::vector<WCHAR> out(length + 1, u'#');
        DWORD cch = size;
        EXPECT_EQ(UrlUnescapeW(input.data(), out.data(), &cch, 0), E_POINTER) << size;
        EXPECT_EQ(cch, length + 1);
        EXPECT_EQ(out[0], u'#'); // nothing written
    }
}

TEST(UrlUnescape, RefusesMissingArguments)
{
    std::u16string input(u"a%20b");
    WCHAR out[16] = {u'#'};
    DWORD cch = 16;
    EXPECT_EQ(UrlUnescapeW(input.data(), out, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(out[0], u'#');
    EXPECT_EQ(UrlUnescapeW(input.data(), nullptr, &cch, 0), E_INVALIDARG);
    EXPECT_EQ(UrlUnescapeW(nullptr, out, &cch, 0), E_INVALIDARG);
}

TEST(UrlCompare, ComparesAsWrittenWithAnOptionalTrailingSlash)
{
    EXPECT_EQ(UrlCompareW(u"http://host.example/a", u"http://host.example/a", FALSE), 0);
    EXPECT_EQ(UrlCompareW(u"http://host.example/a/", u"http://host.example/a", TRUE), 0);
    EXPECT_EQ(UrlCompareW(u"http://host.example/a", u"http://host.example/a/", TRUE), 0);
    EXPECT_GT(UrlCompareW(u"http://host.example/a/", u"http://host.example/a", FALSE), 0);
    EXPECT_LT(UrlCompareW(u"http://host.example/a", u"http://host.example/a/", FALSE), 0);
    EXPECT_NE(UrlCompareW(u"http://Host.example/a", u"http://host.example/a", FALSE), 0);
    EXPECT_NE(UrlCompareW(u"http://x/a//", u"http://x/a", TRUE), 0);   // one slash only
    EXPECT_NE(UrlCompareW(u"http://x/a\\", u"http://x/a", TRUE), 0);   // "/" only, not "\"
    EXPECT_NE(UrlCompareW(u"http://x/a/../b", u"http://x/b", FALSE), 0); // no canonicalisation
    EXPECT_EQ(UrlCompareW(u"/", u"", TRUE), 0);
}

} // namespace
