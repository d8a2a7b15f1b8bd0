// File handles over file descriptors: existing files opened for reading, new ones created for writing. A
// handle is a small record so that a handle of another kind (or a closed one) is told apart instead of
// being read as a descriptor.
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
    DWORD access = GENERIC_READ;
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
    const bool reading = dwDesiredAccess == GENERIC_READ && dwCreationDisposition == OPEN_EXISTING;
    const bool creating = (dwDesiredAccess == GENERIC_WRITE || dwDesiredAccess == (GENERIC_READ | GENERIC_WRITE)) &&
                          (dwCreationDisposition == CREATE_NEW || dwCreationDisposition == CREATE_ALWAYS);
    if (!lpFileName || (!reading && !creating)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = pal::ToUnixPath(lpFileName);
    int flags = O_CLOEXEC;
    if (reading)
        flags |= O_RDONLY;
    else
        flags |= (dwDesiredAccess & GENERIC_READ ? O_RDWR : O_WRONLY) | O_CREAT |
                 (dwCreationDisposition == CREATE_NEW ? O_EXCL : 0);
    struct stat before{};
    const bool existed = creating && stat(path.c_str(), &before) == 0;
    if (creating && existed) {
        // A name that is taken stays as it is; a read-only file is not replaced, nor is a folder.
        if (dwCreationDisposition == CREATE_NEW) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        if (S_ISDIR(before.st_mode) || pal::IsReadOnly(before)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        DWORD error = errno == EEXIST ? DWORD(ERROR_FILE_EXISTS) : pal::Win32FromErrno(errno);
        if (error == ERROR_FILE_NOT_FOUND)
            error = creating ? DWORD(ERROR_PATH_NOT_FOUND) : pal::MissingFileError(path);
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
    // Sharing nothing holds an exclusive lock, sharing anything a shared one, so that no handle opens a
    // file another handle holds alone.
    int op = (dwShareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE)) ? LOCK_SH : LOCK_EX;
    if (flock(fd, op | LOCK_NB) != 0) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    // Replacing truncates only once the share check has let the file be opened.
    if (creating && existed && ftruncate(fd, 0) != 0) {
        DWORD error = pal::Win32FromErrno(errno);
        close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto* f = new FileHandle;
    f->fd = fd;
    f->access = dwDesiredAccess;
    // CREATE_ALWAYS tells whether it replaced a file.
    SetLastError(creating && existed ? DWORD(ERROR_ALREADY_EXISTS) : DWORD(ERROR_SUCCESS));
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
    if (!(f->access & GENERIC_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
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

extern "C" BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, void* lpOverlapped)
{
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    FileHandle* f = FromHandle(hFile);
    if (!f)
        return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite) || !lpNumberOfBytesWritten) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(f->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // A write to a file either completes or fails; what went out before the failure is counted.
    DWORD total = 0;
    while (total < nNumberOfBytesToWrite) {
        ssize_t n = write(f->fd, static_cast<const char*>(lpBuffer) + total, nNumberOfBytesToWrite - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *lpNumberOfBytesWritten = total;
            SetLastError(n < 0 ? pal::Win32FromErrno(errno) : DWORD(ERROR_DISK_FULL));
            return FALSE;
        }
        total += DWORD(n);
    }
    *lpNumberOfBytesWritten = total;
    return TRUE;
}

extern "C" BOOL FlushFileBuffers(HANDLE hFile)
{
    FileHandle* f = FromHandle(hFile);
    if (!f)
        return FALSE;
    if (!(f->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(f->fd) != 0) {
        SetLastError(pal::Win32FromErrno(errno));
        return FALSE;
    }
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
    // The current process's pseudo handle needs no closing: closing it succeeds and does nothing.
    if (hObject == GetCurrentProcess())
        return TRUE;
    FileHandle* f = FromHandle(hObject);
    if (!f)
        return FALSE;
    close(f->fd);
    f->magic = 0;
    delete f;
    return TRUE;
}
