// The system's message table: FormatMessageW's texts and errors, and _com_error's messages, which come
// from it.
#include <gtest/gtest.h>

#include <windows.h>
#include <comdef.h>

#include "pal/host.h"
#include "support/Wine.h"

namespace {
std::string U8(const WCHAR* s) { return pal::ToUtf8(s); }
} // namespace

TEST(Messages, SystemTableAndErrors)
{
    WCHAR buf[256];
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5, 0, buf, 256,
                             nullptr),
              0u);
    // An HRESULT of the Win32 facility has the Win32 error's text.
    WCHAR fromHresult[256];
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, DWORD(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)), 0,
                             fromHresult, 256, nullptr),
              0u);
    EXPECT_EQ(U8(fromHresult), U8(buf));
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x12345, 0, buf, 256, nullptr), 0u);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, buf, 5, nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

// The log shows these texts: they are Windows' own words.
TEST(Messages, WindowsWording)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its message table words the system's errors its own way; the log is read against "
                        "Windows' texts";
    WCHAR buf[256];
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5, 0, buf, 256,
                             nullptr),
              0u);
    EXPECT_EQ(U8(buf), "Access is denied.\r\n");
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, DWORD(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)), 0, buf, 256,
                   nullptr);
    EXPECT_EQ(U8(buf), "The system cannot find the path specified.\r\n");
    EXPECT_EQ(U8(_com_error(E_OUTOFMEMORY).ErrorMessage()),
              "Not enough memory resources are available to complete this operation.");
    EXPECT_EQ(U8(_com_error(E_INVALIDARG).ErrorMessage()), "The parameter is incorrect.");
}
