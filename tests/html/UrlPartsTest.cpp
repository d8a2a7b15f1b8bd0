// ParseURLW on the documented and observed examples, and the safe arrays a document is written with.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include "pal/host.h"

namespace {

TEST(ParseUrl, SchemeAndSuffix)
{
    struct Case {
        const char16_t* url;
        UINT cchProtocol;
        const char16_t* suffix;
        UINT scheme;
    } cases[] = {
        {u"http://www.winehq.org/", 4, u"//www.winehq.org/", URL_SCHEME_HTTP},
        {u"https://www.winehq.org/", 5, u"//www.winehq.org/", URL_SCHEME_HTTPS},
        {u"ftp://www.winehq.org/", 3, u"//www.winehq.org/", URL_SCHEME_FTP},
        {u"HTTP://www.winehq.org/", 4, u"//www.winehq.org/", URL_SCHEME_HTTP},
        {u"xxx://www.winehq.org/", 3, u"//www.winehq.org/", URL_SCHEME_UNKNOWN},
        {u"1xx://www.winehq.org/", 3, u"//www.winehq.org/", URL_SCHEME_UNKNOWN},
        {u"-xx://www.winehq.org/", 3, u"//www.winehq.org/", URL_SCHEME_UNKNOWN},
        {u"xx0://www.winehq.org/", 3, u"//www.winehq.org/", URL_SCHEME_UNKNOWN},
        {u"ab-://www.winehq.org/", 3, u"//www.winehq.org/", URL_SCHEME_UNKNOWN},
        {u"a+-.://www.winehq.org/", 4, u"//www.winehq.org/", URL_SCHEME_UNKNOWN},
        {u"http://msdn.microsoft.com/vstudio/", 4, u"//msdn.microsoft.com/vstudio/", URL_SCHEME_HTTP},
        {u"mailto:someone@example.com", 6, u"someone@example.com", URL_SCHEME_MAILTO},
        {u"file://C:\\AUTOEXEC.BAT", 4, u"C:\\AUTOEXEC.BAT", URL_SCHEME_FILE},
        {u"javascript:void(0)", 10, u"void(0)", URL_SCHEME_JAVASCRIPT},
        {u"about:", 5, u"", URL_SCHEME_ABOUT},
        {u"search-ms:query=x", 9, u"query=x", URL_SCHEME_SEARCH_MS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(pal::ToUtf8(c.url));
        PARSEDURLW parts{};
        parts.cbSize = sizeof(parts);
        ASSERT_EQ(S_OK, ParseURLW(c.url, &parts));
        EXPECT_EQ(c.url, parts.pszProtocol);
        EXPECT_EQ(c.cchProtocol, parts.cchProtocol);
        EXPECT_EQ(std::u16string(c.suffix), std::u16string(parts.pszSuffix, parts.cchSuffix));
        EXPECT_EQ(c.scheme, parts.nScheme);
    }
}

TEST(ParseUrl, NoSchemeIsInvalidSyntaxAndLeavesTheSchemeAlone)
{
    for (const char16_t* url : {u"x://www.winehq.org/", u"xx$://www.winehq.org/", u"htt?p://www.winehq.org/",
                                u" http://www.winehq.org/", u"test.txt", u"test.txt?test=c:/dir",
                                u"C:\\AUTOEXEC.BAT", u"", u":"}) {
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
    EXPECT_EQ(E_INVALIDARG, ParseURLW(u"http://h/", &parts)); // cbSize not set
    parts.cbSize = sizeof(parts);
    EXPECT_EQ(E_INVALIDARG, ParseURLW(nullptr, &parts));
    EXPECT_EQ(E_INVALIDARG, ParseURLW(u"http://h/", nullptr));
}

TEST(SafeArray, VectorOfVariantsIsZeroedLockedAndClearedOnDestroy)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    ASSERT_NE(nullptr, array);
    EXPECT_EQ(1, array->cDims);
    EXPECT_EQ(sizeof(VARIANT), array->cbElements);
    EXPECT_EQ(2u, array->rgsabound[0].cElements);
    VARIANT* items = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(array, reinterpret_cast<void**>(&items)));
    EXPECT_EQ(VT_EMPTY, items[0].vt);
    EXPECT_EQ(VT_EMPTY, items[1].vt);
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocString(u"owned by the array");
    // A locked array stays.
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroy(array));
    EXPECT_EQ(S_OK, SafeArrayUnaccessData(array));
    EXPECT_EQ(E_UNEXPECTED, SafeArrayUnaccessData(array));
    // Destroying frees the string (the leak checker of the sanitizer build sees it otherwise).
    EXPECT_EQ(S_OK, SafeArrayDestroy(array));
    EXPECT_EQ(S_OK, SafeArrayDestroy(nullptr));
}

TEST(SafeArray, ElementTypesAndBadArguments)
{
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(nullptr, strings);
    EXPECT_EQ(1, strings->rgsabound[0].lLbound);
    BSTR* s = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(strings, reinterpret_cast<void**>(&s)));
    s[2] = SysAllocString(u"freed with the array");
    SafeArrayUnaccessData(strings);
    EXPECT_EQ(S_OK, SafeArrayDestroy(strings));

    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 0);
    ASSERT_NE(nullptr, bytes);
    EXPECT_EQ(1u, bytes->cbElements);
    EXPECT_EQ(S_OK, SafeArrayDestroy(bytes));

    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_EMPTY, 0, 1));
    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_VARIANT, 0, 0xFFFFFFFFu));
    void* data = nullptr;
    EXPECT_EQ(E_INVALIDARG, SafeArrayAccessData(nullptr, &data));
}

TEST(SafeArray, ClearingAVariantThatHoldsAnArrayDestroysIt)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT* items = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&items)));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocString(u"inner");
    SafeArrayUnaccessData(v.parray);
    EXPECT_EQ(S_OK, VariantClear(&v));
    EXPECT_EQ(VT_EMPTY, v.vt);
}

} // namespace
