// Wide text in the platform layer: formatting with the Windows conversions, code pages, case, BSTRs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <windows.h>
#include <atlbase.h>

#include "pal/host.h"
#include "pal/unicode.h"

namespace {
std::string U8(const WCHAR* s) { return pal::ToUtf8(s); }
} // namespace

TEST(WideFormat, WindowsConversions)
{
    WCHAR buf[128];
    ASSERT_GT(swprintf_s(buf, W("%s|%S|%c|%d|%u"), W("wide"), "narrow", WCHAR(0x00E9), -5, 7u), 0);
    EXPECT_EQ(U8(buf), "wide|narrow|é|-5|7");
    // 'l' is 32 bits, as long is on Windows.
    swprintf_s(buf, W("%0lX %lx %ld"), (HRESULT)0x8004FFFF, 0xABCDu, (LONG)-1);
    EXPECT_EQ(U8(buf), "8004FFFF abcd -1");
    swprintf_s(buf, W("%I64u %lld %zu"), 18446744073709551615ull, -9000000000ll, size_t(42));
    EXPECT_EQ(U8(buf), "18446744073709551615 -9000000000 42");
    swprintf_s(buf, W("[%5s][%-4s][%.2s][%03d][%hs][%ls]"), W("ab"), W("c"), W("xyz"), 7, "h", W("l"));
    EXPECT_EQ(U8(buf), "[   ab][c   ][xy][007][h][l]");
    swprintf_s(buf, W("100%%"));
    EXPECT_EQ(U8(buf), "100%");
}

TEST(WideFormat, OverflowAndTruncation)
{
    WCHAR small[6];
    EXPECT_EQ(swprintf_s(small, W("%s"), W("too long")), -1);
    EXPECT_EQ(small[0], 0);
    // %n is refused rather than written through.
    int n = 0;
    EXPECT_EQ(swprintf_s(small, W("%n"), &n), -1);
}

TEST(WideText, CompareAndSearch)
{
    EXPECT_EQ(_wcsicmp(W("VantoraAddin"), W("VANTORAADDIN")), 0);
    EXPECT_LT(_wcsicmp(W("abc"), W("ABD")), 0);
    EXPECT_EQ(_wcsnicmp(W("userX"), W("USER"), 4), 0);
    EXPECT_NE(_wcsnicmp(W("userX"), W("USER"), 5), 0);
    const WCHAR* s = W("from a.b (c [1.2.3.4])");
    EXPECT_EQ(wcsstr(s, W("[")) - s, 12);
    EXPECT_EQ(wcsrchr(s, ')') - s, 21);
}

TEST(CodePages, Utf8And1252RoundTrip)
{
    const char* utf8 = "Grüße \xF0\x9F\x98\x80";
    WCHAR wide[32];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 32);
    ASSERT_EQ(n, 9); // five letters, a space, a surrogate pair and the NUL
    EXPECT_EQ(wide[6], 0xD83D);
    char back[32];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, back, 32, nullptr, nullptr), int(std::strlen(utf8)) + 1);
    EXPECT_STREQ(back, utf8);

    const char ansi[] = "\x80\x93\xE9\x81";
    n = MultiByteToWideChar(CP_ACP, 0, ansi, 4, wide, 32);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(wide[0], 0x20AC); // euro sign
    EXPECT_EQ(wide[1], 0x201C);
    EXPECT_EQ(wide[2], 0x00E9);
    EXPECT_EQ(wide[3], 0x0081); // undefined in 1252, kept as the control character
    BOOL usedDefault = FALSE;
    const WCHAR cyrillic[] = {0x0416, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, cyrillic, 1, back, 32, nullptr, &usedDefault), 1);
    EXPECT_EQ(back[0], '?');
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePages, InvalidUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(pal::ToWide("a\xC3(\xED\xA0\x80z"), std::u16string(u"a\uFFFD(\uFFFD\uFFFD\uFFFDz"));
    EXPECT_EQ(pal::ToUtf8(std::u16string(u"x\xD800y")), "x\xEF\xBF\xBDy");
    // As Windows converts to UTF-8: a lone surrogate becomes U+FFFD.
    const WCHAR lone[] = {'x', 0xDC00, 0};
    char out[8] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, out, 8, nullptr, nullptr), 5);
    EXPECT_STREQ(out, "x\xEF\xBF\xBD");
}

TEST(CaseMapping, OneLocaleFreeUpcaseFold)
{
    // Folding by upper case: these pairs are equal although their lower cases differ (or vice versa).
    EXPECT_EQ(_wcsicmp(W("\u00b5"), W("\u039c")), 0); // micro sign and capital mu
    EXPECT_EQ(_wcsicmp(W("\u03c2"), W("\u03a3")), 0); // final sigma and capital sigma
    EXPECT_EQ(_wcsicmp(W("\u017f"), W("S")), 0);       // long s
    EXPECT_EQ(_wcsnicmp(W("\u01c5x"), W("\u01c6y"), 1), 0);
    EXPECT_NE(_wcsicmp(W("\u212a"), W("K")), 0); // Kelvin sign
    EXPECT_NE(_wcsicmp(W("\u00df"), W("SS")), 0);
    EXPECT_EQ(_wcsicmp(W("Software\\\u00c4rger"), W("software\\\u00e4RGER")), 0);
    // The order is the CRT's: letters as lower case, so '_' sorts before 'A'.
    EXPECT_LT(_wcsicmp(W("_"), W("A")), 0);
    EXPECT_GT(_wcsicmp(W("b"), W("A_")), 0);
    EXPECT_LT(_wcsicmp(W("ab"), W("ABC")), 0);

    EXPECT_EQ(towupper(WCHAR(0x00B5)), 0x039C);
    EXPECT_EQ(towupper(WCHAR(0x00FF)), 0x0178);
    EXPECT_EQ(towupper(WCHAR(0x00DF)), 0x00DF);
    EXPECT_EQ(towupper(WCHAR(0xD800)), 0xD800);
    EXPECT_EQ(towlower(WCHAR(0x0178)), 0x00FF);
    EXPECT_EQ(towlower(WCHAR(0x212A)), 'k');
    WCHAR text[] = {0x01C6, 0x03C2, 0x0101, 0xFF41, 0};
    CharUpperBuffW(text, 4);
    EXPECT_EQ(std::u16string(text), std::u16string(u"\u01c4\u03a3\u0100\uff21"));
}

TEST(CaseMapping, BeyondAscii)
{
    WCHAR text[] = {'M', 'A', 'I', 'L', 0x00C4, 0x0416, 0x0130, 0};
    CharLowerBuffW(text, 7);
    EXPECT_EQ(text[0], 'm');
    EXPECT_EQ(text[4], 0x00E4);
    EXPECT_EQ(text[5], 0x0436);
    CComBSTR b(W("Straße"));
    b.ToUpper();
    EXPECT_EQ(U8(b), "STRAßE"); // no one-to-many mapping, as CharUpperBuffW
}

TEST(Bstr, LengthPrefixAndEmbeddedNul)
{
    const WCHAR text[] = {'a', 0, 'b'};
    BSTR b = SysAllocStringLen(text, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(SysStringByteLen(b), 6u);
    EXPECT_EQ(b[3], 0);
    SysFreeString(b);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFF), nullptr);

    CComBSTR a(W("ab"));
    a.Append(W("cd"), 1);
    a += W("e");
    EXPECT_EQ(U8(a), "abce");
    CComBSTR copy = a;
    EXPECT_NE(copy.m_str, a.m_str);
    EXPECT_TRUE(copy == W("abce"));
    CComBSTR empty;
    EXPECT_TRUE(empty == W(""));
}

TEST(Variant, ChangeTypeToTextAndBack)
{
    CComVariant v(42, VT_INT);
    ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(U8(v.bstrVal), "42");
    CComVariant neg(-7, VT_I4);
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &neg, 0, VT_BSTR), S_OK);
    EXPECT_EQ(U8(out.bstrVal), "-7");
    ASSERT_EQ(VariantChangeType(&out, &out, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, -7);
    VariantClear(&out);
    CComVariant junk(W("12abc"));
    EXPECT_EQ(junk.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
    CComVariant big(W("70000"));
    EXPECT_EQ(big.ChangeType(VT_I2), DISP_E_OVERFLOW);
    CComVariant flag(true);
    EXPECT_EQ(flag.ChangeType(VT_BSTR), S_OK);
    EXPECT_EQ(U8(flag.bstrVal), "-1");
}
