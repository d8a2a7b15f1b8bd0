// File handles: existing files opened for reading, with Windows' errors and share modes, and the CRT's
// files with theirs.
#include <gtest/gtest.h>

#include <windows.h>
#include <share.h>
#include <wchar.h>

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

namespace {

HANDLE Open(const std::string& path, DWORD share = FILE_SHARE_READ)
{
    return CreateFileW(pal::ToWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(FileHandles, ReadingToTheEndAndTheErrorsOfWindows)
{
    const std::string dir = testing_support::Prefix();
    testing_support::WriteFile(dir + "/data.bin", std::string("0123456789", 10));
    HANDLE h = Open(dir + "/data.bin");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 10);
    char buf[16] = {};
    DWORD read = 99;
    ASSERT_TRUE(ReadFile(h, buf, 6, &read, nullptr));
    EXPECT_EQ(read, 6u);
    ASSERT_TRUE(ReadFile(h, buf, 16, &read, nullptr)); // the end of the file is success with fewer bytes
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(std::string(buf, 4), "6789");
    ASSERT_TRUE(ReadFile(h, buf, 16, &read, nullptr));
    EXPECT_EQ(read, 0u);
    // Another reader may open it; a writer-excluding opener that shares nothing may not.
    HANDLE second = Open(dir + "/data.bin");
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(Open(dir + "/data.bin", 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(h));

    EXPECT_EQ(Open(dir + "/none.bin"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Open(dir + "/none/none.bin"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Open(dir), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
#ifndef _WIN32
    // The layer writes only files it creates: the add-in never changes one in place.
    EXPECT_EQ(CreateFileW(pal::ToWide(dir + "/data.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
#endif
    // INVALID_HANDLE_VALUE is also the current process's pseudo handle, which closes without effect.
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(INVALID_HANDLE_VALUE, GetCurrentProcess());
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(ReadFile(nullptr, buf, 1, &read, nullptr));
}

TEST(Files, ShareModesBehaveLikeWindows)
{
    WString path = pal::ToWindowsPath(testing_support::Prefix() + "/shared.txt");
    FILE* reader = _wfsopen(path.c_str(), W("a+"), _SH_DENYNO);
    ASSERT_NE(reader, nullptr);
    FILE* second = _wfsopen(path.c_str(), W("r"), _SH_DENYNO);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(_wfsopen(path.c_str(), W("r"), _SH_DENYRW), nullptr);
    fclose(second);
    fclose(reader);
    FILE* exclusive = _wfsopen(path.c_str(), W("r"), _SH_DENYRW);
    ASSERT_NE(exclusive, nullptr);
    EXPECT_EQ(_wfsopen(path.c_str(), W("r"), _SH_DENYNO), nullptr);
    fclose(exclusive);
    EXPECT_EQ(_waccess(path.c_str(), 0), 0);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_NE(_waccess(path.c_str(), 0), 0);
}

} // namespace
