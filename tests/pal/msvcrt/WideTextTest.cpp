// The wide C functions: formatting with the Windows conversions, comparing and searching, and case.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include <windows.h>
#include <atlbase.h>

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/Wine.h"

namespace {
std::string U8(const WCHAR* s) { return pal::ToUtf8(s); }

#ifdef _WIN32
// The secure functions report a short buffer or a bad format to the invalid-parameter handler, whose default
// ends the process; when the handler returns, they fail with -1 as the layer's do.
void IgnoreInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {}
#endif

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
#ifdef _WIN32
    _invalid_parameter_handler saved = _set_invalid_parameter_handler(IgnoreInvalidParameter);
#endif
    WCHAR small[6];
    EXPECT_EQ(swprintf_s(small, W("%s"), W("too long")), -1);
    EXPECT_EQ(small[0], 0);
#ifndef _WIN32
    // The layer refuses %n rather than write through it, as the CRTs since Visual C++ 2005 do; msvcrt.dll, which
    // mingw-w64 links, still writes it.
    int n = 0;
    EXPECT_EQ(swprintf_s(small, W("%n"), &n), -1);
#endif
#ifdef _WIN32
    _set_invalid_parameter_handler(saved);
#endif
}

TEST(WideText, CompareAndSearch)
{
    EXPECT_EQ(_wcsicmp(W("VantoraAddin"), W("VANTORAADDIN")), 0);
    EXPECT_LT(_wcsicmp(W("abc"), W("ABD")), 0);
    EXPECT_EQ(_wcsnicmp(W("userX"), W("USER"), 4), 0);
    EXPECT_NE(_wcsnicmp(W("userX"), W("USER"), 5), 0);
    // Letters compare as lower case, so '_' sorts before 'A'.
    EXPECT_LT(_wcsicmp(W("_"), W("A")), 0);
    EXPECT_GT(_wcsicmp(W("b"), W("A_")), 0);
    EXPECT_LT(_wcsicmp(W("ab"), W("ABC")), 0);
    const WCHAR* s = W("from a.b (c [1.2.3.4])");
    EXPECT_EQ(wcsstr(s, W("[")) - s, 12);
    EXPECT_EQ(wcsrchr(s, ')') - s, 21);
}

// The system's case mapping, one UTF-16 unit at a time.
TEST(CaseMapping, BeyondAscii)
{
    WCHAR text[] = {'M', 'A', 'I', 'L', 0x00C4, 0x0416, 0x0130, 0};
    CharLowerBuffW(text, 7);
    EXPECT_EQ(text[0], 'm');
    EXPECT_EQ(text[4], 0x00E4);
    EXPECT_EQ(text[5], 0x0436);
    WCHAR upper[] = {0x01C6, 0x0101, 0xFF41, 0};
    CharUpperBuffW(upper, 3);
    EXPECT_EQ(WString(upper), WString(W("\u01c4\u0100\uff21")));
    CComBSTR b(W("Straße"));
    b.ToUpper();
    EXPECT_EQ(U8(b), "STRAßE"); // no one-to-many mapping, as CharUpperBuffW
}

TEST(CaseMapping, FinalSigmaUpcasesToSigma)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its CharUpperBuffW leaves the final sigma as it is; Unicode's uppercase of U+03C2 is "
                        "U+03A3, which Windows' case tables follow";
    WCHAR text[] = {0x03C2, 0};
    CharUpperBuffW(text, 1);
    EXPECT_EQ(text[0], 0x03A3);
}
