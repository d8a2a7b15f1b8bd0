// The shell's special folders (Linux-only): AppData lives in the prefix.
#include <gtest/gtest.h>

#include <filesystem>

#include <windows.h>
#include <shlobj.h>

#include "pal/host.h"
#include "support/TestPrefix.h"

TEST(Folders, AppDataLivesInThePrefix)
{
    WCHAR path[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(pal::ToUnixPath(path), testing_support::Prefix() + "/AppData/Roaming");
    EXPECT_TRUE(std::filesystem::is_directory(pal::ToUnixPath(path)));
    EXPECT_FALSE(CreateDirectoryW(path, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
}
