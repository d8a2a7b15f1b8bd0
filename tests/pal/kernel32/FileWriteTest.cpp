// Files the platform layer writes, deletes and moves: created with CreateFileW, written and flushed,
// deleted with DeleteFileW and moved with MoveFileExW, each with the errors Windows gives.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include <filesystem>

#include "pal/host.h"
#include "support/TestPrefix.h"

namespace {

std::string Content(const std::string& path) { return testing_support::ReadFile(path); }
void Put(const std::string& path, const std::string& text) { testing_support::WriteFile(path, text); }

std::u16string Win(const std::string& path) { return pal::ToWide(path); }

HANDLE Create(const std::string& path, DWORD disposition, DWORD access = GENERIC_WRITE, DWORD share = 0)
{
    return CreateFileW(Win(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL Move(const std::string& from, const std::string& to, DWORD flags)
{
    return MoveFileExW(Win(from).c_str(), Win(to).c_str(), flags);
}

class FileWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = testing_support::Prefix() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(dir);
    }
    std::string dir;
};

} // namespace

TEST_F(FileWrite, NewFilesAreWrittenFlushedAndReplacedOnlyWhenAsked)
{
    HANDLE h = Create(dir + "/new.bin", CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    DWORD written = 99;
    ASSERT_TRUE(WriteFile(h, "abcdef", 6, &written, nullptr));
    EXPECT_EQ(written, 6u);
    ASSERT_TRUE(WriteFile(h, "", 0, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(FlushFileBuffers(h));
    // A handle for writing only does not read.
    char buf[4];
    DWORD read = 0;
    EXPECT_FALSE(ReadFile(h, buf, 4, &read, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    // Nobody else opens a file shared with nobody.
    EXPECT_EQ(CreateFileW(Win(dir + "/new.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(Content(dir + "/new.bin"), "abcdef");

    // CREATE_NEW keeps a name that is taken, by a file or a folder; CREATE_ALWAYS empties the file and says so.
    EXPECT_EQ(Create(dir + "/new.bin", CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(Create(dir, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(Content(dir + "/new.bin"), "abcdef");
    h = Create(dir + "/new.bin", CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    ASSERT_TRUE(WriteFile(h, "xy", 2, &written, nullptr));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(Content(dir + "/new.bin"), "xy");
    EXPECT_EQ(Create(dir, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

    // A read-only file is not replaced; a missing folder is the path's fault.
    Put(dir + "/ro.txt", "keep");
    chmod((dir + "/ro.txt").c_str(), 0444);
    EXPECT_EQ(Create(dir + "/ro.txt", CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Content(dir + "/ro.txt"), "keep");
    EXPECT_EQ(Create(dir + "/none/file", CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    // Opening an existing file for writing is beyond the layer.
    EXPECT_EQ(Create(dir + "/new.bin", OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(WriteFile(INVALID_HANDLE_VALUE, "a", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(FileWrite, AWriteBeyondTheLimitFailsWithWhatWentOut)
{
    HANDLE h = Create(dir + "/big.bin", CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string block(10000, 'z');
    sighandler_t handler = signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    DWORD written = 0;
    BOOL ok = WriteFile(h, block.data(), DWORD(block.size()), &written, nullptr);
    DWORD error = GetLastError();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, DWORD(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(written, 4096u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(FileWrite, DeleteFileRemovesFilesOnly)
{
    Put(dir + "/a.txt", "a");
    EXPECT_TRUE(DeleteFileW(Win(dir + "/a.txt").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.txt"));
    EXPECT_FALSE(DeleteFileW(Win(dir + "/a.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(Win(dir + "/none/a.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(Win(dir).c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    Put(dir + "/ro.txt", "keep");
    chmod((dir + "/ro.txt").c_str(), 0444);
    EXPECT_FALSE(DeleteFileW(Win(dir + "/ro.txt").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(std::filesystem::exists(dir + "/ro.txt"));
    EXPECT_FALSE(DeleteFileW(nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(FileWrite, MoveFileExReplacesOnlyWhatWindowsWouldReplace)
{
    Put(dir + "/a", "first");
    Put(dir + "/b", "second");
    // Without the flag a taken name stays; with it the file is replaced.
    EXPECT_FALSE(Move(dir + "/a", dir + "/b", 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Content(dir + "/b"), "second");
    EXPECT_TRUE(Move(dir + "/a", dir + "/b", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(Content(dir + "/b"), "first");
    EXPECT_FALSE(std::filesystem::exists(dir + "/a"));
    EXPECT_TRUE(Move(dir + "/b", dir + "/c", 0));
    EXPECT_EQ(Content(dir + "/c"), "first");
    // Windows' path form works as well.
    EXPECT_TRUE(MoveFileExW(pal::ToWindowsPath(dir + "/c").c_str(), pal::ToWindowsPath(dir + "/d").c_str(), 0));
    EXPECT_EQ(Content(dir + "/d"), "first");

    // What is missing: the file, or the folder of either name.
    EXPECT_FALSE(Move(dir + "/none", dir + "/x", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Move(dir + "/none/x", dir + "/x", 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(Move(dir + "/d", dir + "/none/x", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Content(dir + "/d"), "first");

    // A folder is not replaced, by a file or a folder, nor is a read-only file; a folder moves to a new name.
    std::filesystem::create_directories(dir + "/folder");
    std::filesystem::create_directories(dir + "/empty");
    EXPECT_FALSE(Move(dir + "/d", dir + "/folder", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(Move(dir + "/folder", dir + "/empty", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    Put(dir + "/ro", "read-only");
    chmod((dir + "/ro").c_str(), 0444);
    EXPECT_FALSE(Move(dir + "/d", dir + "/ro", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Content(dir + "/ro"), "read-only");
    EXPECT_TRUE(Move(dir + "/folder", dir + "/moved", 0));
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/moved"));
    // A read-only file itself can be moved.
    EXPECT_TRUE(Move(dir + "/ro", dir + "/ro2", 0));
    EXPECT_EQ(Content(dir + "/ro2"), "read-only");

    // Arguments and flags.
    EXPECT_FALSE(MoveFileExW(nullptr, Win(dir + "/x").c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(MoveFileExW(Win(dir + "/d").c_str(), nullptr, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Move(dir + "/d", dir + "/x", 0x100));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Move(dir + "/d", dir + "/x", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    for (DWORD flag : {DWORD(MOVEFILE_DELAY_UNTIL_REBOOT), DWORD(MOVEFILE_CREATE_HARDLINK),
                       DWORD(MOVEFILE_FAIL_IF_NOT_TRACKABLE)}) {
        EXPECT_FALSE(Move(dir + "/d", dir + "/x", flag)) << flag;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED)) << flag;
    }
    EXPECT_EQ(Content(dir + "/d"), "first");
    EXPECT_FALSE(std::filesystem::exists(dir + "/x"));
}

TEST_F(FileWrite, MovesToAnotherFileSystemCopyOnlyWhenAllowed)
{
    // /dev/shm is a file system of its own on Linux; skip where it is not there or shares the prefix's.
    struct stat shm{}, here{};
    if (stat("/dev/shm", &shm) != 0 || stat(dir.c_str(), &here) != 0 || shm.st_dev == here.st_dev ||
        access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second file system to move to";
    const std::string other = "/dev/shm/vantora-move-" + std::to_string(getpid());
    Put(dir + "/a", "across");
    EXPECT_FALSE(Move(dir + "/a", other, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SAME_DEVICE));
    EXPECT_TRUE(std::filesystem::exists(dir + "/a"));
    EXPECT_TRUE(Move(dir + "/a", other, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(Content(other), "across");
    EXPECT_FALSE(std::filesystem::exists(dir + "/a"));
    Put(dir + "/b", "again");
    EXPECT_FALSE(Move(dir + "/b", other, MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(Move(dir + "/b", other, MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Content(other), "again");
    std::filesystem::remove(other);
}
