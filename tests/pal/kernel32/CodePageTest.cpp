// Code page conversions: UTF-8 and Windows-1252 both ways, and what invalid UTF-8 becomes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "__Utilities/WString.h"

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
    // A lead byte without its continuation is one U+FFFD.
    WCHAR wide[16] = {};
    int n = MultiByteToWideChar(CP_UTF8, 0, "a\xC3(z", -1, wide, 16);
    ASSERT_GT(n, 0);
    EXPECT_EQ(WString(wide, size_t(n - 1)), WString(W("a\uFFFD(z")));
#ifndef _WIN32
    // The layer gives one U+FFFD per byte of an encoded surrogate, Unicode's maximal subparts; Windows' answer
    // is not observed (Wine's is two).
    n = MultiByteToWideChar(CP_UTF8, 0, "(\xED\xA0\x80z", -1, wide, 16);
    ASSERT_GT(n, 0);
    EXPECT_EQ(WString(wide, size_t(n - 1)), WString(W("(\uFFFD\uFFFD\uFFFDz")));
#endif
    // As Windows converts to UTF-8: a lone surrogate becomes U+FFFD.
    for (WCHAR lone : {WCHAR(0xD800), WCHAR(0xDC00)}) {
        const WCHAR text[] = {'x', lone, 'y', 0};
        char out[8] = {};
        EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 8, nullptr, nullptr), 6);
        EXPECT_STREQ(out, "x\xEF\xBF\xBDy");
    }
}
