// File handles over file descriptors: existing files opened for reading. A handle is a small record so
// that a handle of another kind (or a closed one) is told apart instead of being read as a descriptor.
// Share modes are kept with flock(2) as the CRT functions keep them.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "kernel32/files.h"
#include "pal/host.h"
#include "windows.h"

namespace {

constexpr uint32_t kFileMagic = 0x46494C45; // "FILE"

struct FileHandle {
    uint32_t magic = kFileMagic;
    int fd = -1;
};

FileHandle* FromHandle(HANDLE h)
{
    auto* f = static_cast<FileHandle*>(h);
    if (!f || h == INVALID_HANDLE_VALUE || f->magic != kFileMagic) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return f;
}

} // namespace

extern "C" HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, void*,
                              DWORD dwCreationDisposition, DWORD, HANDLE)
{
    if (!lpFileName || dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = pal::ToUnixPath(lpFileName);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        DWORD error = pal::Win32FromErrno(errno);
        // Windows tells a missing folder on the way from a missing file.
        size_t slash = path.find_last_of('/');
        struct stat parent{};
        if (error == ERROR_FILE_NOT_FOUND && slash != std::string::npos && slash > 0 &&
            stat(path.substr(0, slash).c_str(), &parent) != 0)
            error = ERROR_PATH_NOT_FOUND;
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st{};
    // A folder is no file (Windows opens one only with backup semantics).
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // Not sharing writes holds a shared lock, sharing nothing an exclusive one.
    if (!(dwShareMode & FILE_SHARE_WRITE)) {
        int op = (dwShareMode & FILE_SHARE_READ) ? LOCK_SH : LOCK_EX;
        if (flock(fd, op | LOCK_NB) != 0) {
            close(fd);
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
    }
    auto* f = new FileHandle;
    f->fd = fd;
    return f;
}

extern "C" BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                         void* lpOverlapped)
{
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    FileHandle* f = FromHandle(hFile);
    if (!f)
        return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead) || !lpNumberOfBytesRead) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD total = 0;
    while (total < nNumberOfBytesToRead) {
        ssize_t n = read(f->fd, static_cast<char*>(lpBuffer) + total, nNumberOfBytesToRead - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *lpNumberOfBytesRead = total;
            SetLastError(pal::Win32FromErrno(errno));
            return FALSE;
        }
        if (n == 0)
            break; // end of file: success with fewer bytes
        total += DWORD(n);
    }
    *lpNumberOfBytesRead = total;
    return TRUE;
}

extern "C" BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize)
{
    FileHandle* f = FromHandle(hFile);
    if (!f)
        return FALSE;
    struct stat st{};
    if (!lpFileSize || fstat(f->fd, &st) != 0) {
        SetLastError(lpFileSize ? pal::Win32FromErrno(errno) : DWORD(ERROR_INVALID_PARAMETER));
        return FALSE;
    }
    lpFileSize->QuadPart = st.st_size;
    return TRUE;
}

extern "C" BOOL CloseHandle(HANDLE hObject)
{
    FileHandle* f = FromHandle(hObject);
    if (!f)
        return FALSE;
    close(f->fd);
    f->magic = 0;
    delete f;
    return TRUE;
}
