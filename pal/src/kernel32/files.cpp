// Files and folders by Windows path (made, deleted and moved), and the CRT's wide file functions. Share
// modes are kept with
// flock(2): a file opened deny-none or deny-write holds a shared lock, deny-read-write an exclusive one,
// so a file that another opener holds exclusively cannot be opened, as on Windows.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pal/host.h"
#include "kernel32/files.h"
#include "msvcrt/format.h"
#include "windows.h"

namespace {

bool Fail()
{
    SetLastError(pal::Win32FromErrno(errno));
    return false;
}

} // namespace

DWORD pal::Win32FromErrno(int e)
{
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD pal::MissingFileError(const std::string& unixPath)
{
    size_t slash = unixPath.find_last_of('/');
    struct stat parent{};
    if (slash != std::string::npos && slash > 0 &&
        (stat(unixPath.substr(0, slash).c_str(), &parent) != 0 || !S_ISDIR(parent.st_mode)))
        return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

namespace {

bool FailWith(DWORD error)
{
    SetLastError(error);
    return false;
}

// The folder a path names its file in, for syncing the folder itself.
std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncPath(const std::string& path, bool folder)
{
    int fd = open(path.c_str(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = fsync(fd) == 0;
    int e = errno;
    close(fd);
    errno = e;
    return synced;
}

// The copy of a move to another file system: into the target as CopyFile writes it, removed again when
// the copy fails.
bool CopyForMove(const std::string& from, const std::string& to, const struct stat& st, bool replace, bool sync)
{
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return Fail();
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (replace ? 0 : O_EXCL), st.st_mode & 07777);
    if (out < 0) {
        int e = errno;
        close(in);
        return FailWith(e == EEXIST ? DWORD(ERROR_ALREADY_EXISTS) : pal::Win32FromErrno(e));
    }
    char buf[65536];
    int e = 0;
    for (;;) {
        ssize_t n = read(in, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            e = n < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < n && !e;) {
            ssize_t w = write(out, buf + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                e = w < 0 ? errno : ENOSPC;
            else
                done += w;
        }
        if (e)
            break;
    }
    if (!e && sync && fsync(out) != 0)
        e = errno;
    if (close(out) != 0 && !e)
        e = errno;
    close(in);
    if (e) {
        unlink(to.c_str());
        return FailWith(pal::Win32FromErrno(e));
    }
    return true;
}

} // namespace

extern "C" BOOL DeleteFileW(LPCWSTR lpFileName)
{
    if (!lpFileName || !*lpFileName)
        return FailWith(ERROR_INVALID_PARAMETER);
    std::string path = pal::ToUnixPath(lpFileName);
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0)
        return FailWith(errno == ENOENT ? pal::MissingFileError(path) : pal::Win32FromErrno(errno));
    // A folder is removed with RemoveDirectory, a read-only file not at all.
    if (S_ISDIR(st.st_mode) || pal::IsReadOnly(st))
        return FailWith(ERROR_ACCESS_DENIED);
    return unlink(path.c_str()) == 0 ? TRUE : Fail();
}

extern "C" BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    const DWORD known = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_DELAY_UNTIL_REBOOT |
                        MOVEFILE_WRITE_THROUGH | MOVEFILE_CREATE_HARDLINK | MOVEFILE_FAIL_IF_NOT_TRACKABLE;
    if ((dwFlags & ~known) || !lpExistingFileName ||
        ((dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) && (dwFlags & MOVEFILE_COPY_ALLOWED)))
        return FailWith(ERROR_INVALID_PARAMETER);
    if (dwFlags & (MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_CREATE_HARDLINK | MOVEFILE_FAIL_IF_NOT_TRACKABLE))
        return FailWith(ERROR_NOT_SUPPORTED);
    if (!lpNewFileName)
        return FailWith(ERROR_INVALID_PARAMETER);
    const bool replace = dwFlags & MOVEFILE_REPLACE_EXISTING;
    const bool sync = dwFlags & MOVEFILE_WRITE_THROUGH;
    const std::string from = pal::ToUnixPath(lpExistingFileName);
    const std::string to = pal::ToUnixPath(lpNewFileName);

    struct stat source{};
    if (lstat(from.c_str(), &source) != 0)
        return FailWith(errno == ENOENT ? pal::MissingFileError(from) : pal::Win32FromErrno(errno));
    struct stat target{};
    const bool targetExists = lstat(to.c_str(), &target) == 0;
    const bool sameFile = targetExists && source.st_dev == target.st_dev && source.st_ino == target.st_ino;
    if (targetExists && !sameFile) {
        if (!replace)
            return FailWith(ERROR_ALREADY_EXISTS);
        // Only a file replaces, and only a file that is not read-only.
        if (S_ISDIR(source.st_mode) || S_ISDIR(target.st_mode) || pal::IsReadOnly(target))
            return FailWith(ERROR_ACCESS_DENIED);
    }
    if (sync && !S_ISDIR(source.st_mode) && !SyncPath(from, false))
        return Fail();

    int moved = replace || sameFile ? rename(from.c_str(), to.c_str())
                        : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && !replace && errno == EINVAL) // a file system that cannot refuse to replace
        moved = rename(from.c_str(), to.c_str());
    if (moved != 0) {
        if (errno == EEXIST)
            return FailWith(ERROR_ALREADY_EXISTS);
        if (errno == ENOENT || errno == ENOTDIR)
            return FailWith(ERROR_PATH_NOT_FOUND); // the source was there: the target's folder is not
        if (errno != EXDEV || !(dwFlags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(source.st_mode))
            return Fail();
        if (!CopyForMove(from, to, source, replace, sync))
            return false;
        if (unlink(from.c_str()) != 0)
            return Fail();
    }
    if (sync && !SyncPath(FolderOf(to), true))
        return Fail();
    return TRUE;
}

extern "C" BOOL CreateDirectoryW(LPCWSTR lpPathName, void*)
{
    if (!lpPathName)
        return Fail();
    return mkdir(pal::ToUnixPath(lpPathName).c_str(), 0777) == 0 ? TRUE : Fail();
}

FILE* _wfsopen(const WCHAR* filename, const WCHAR* mode, int shflag)
{
    if (!filename || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    std::string m;
    for (const WCHAR* p = mode; *p; ++p)
        if (*p == 'r' || *p == 'w' || *p == 'a' || *p == '+' || *p == 'b' || *p == 'x')
            m.push_back(char(*p)); // "t" and "ccs=" have no meaning here
    FILE* f = std::fopen(pal::ToUnixPath(filename).c_str(), m.c_str());
    if (!f) {
        Fail();
        return nullptr;
    }
    int lockOp = (shflag == _SH_DENYRW || shflag == _SH_DENYRD) ? LOCK_EX : LOCK_SH;
    if (flock(fileno(f), lockOp | LOCK_NB) != 0) {
        int e = errno;
        std::fclose(f);
        errno = e == EWOULDBLOCK ? EACCES : e;
        SetLastError(ERROR_SHARING_VIOLATION);
        return nullptr;
    }
    return f;
}

// The folder of TMPDIR (else /tmp) with a final separator. Unlike other paths it keeps the Linux form
// (a drive-relative path with forward slashes, which Windows accepts as well), because callers name
// files in it for the C++ library's narrow file streams, which take the path as it is.
extern "C" DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    const char* env = std::getenv("TMPDIR");
    std::string folder = env && *env == '/' ? env : "/tmp";
    if (folder.back() != '/')
        folder.push_back('/');
    std::u16string w = pal::ToWide(folder);
    if (!lpBuffer || w.size() >= nBufferLength)
        return DWORD(w.size() + 1);
    std::memcpy(lpBuffer, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    return DWORD(w.size());
}

int _waccess(const WCHAR* path, int mode)
{
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    int m = F_OK;
    if (mode & 2)
        m |= W_OK;
    if (mode & 4)
        m |= R_OK;
    return access(pal::ToUnixPath(path).c_str(), m);
}


int fputws(const WCHAR* str, FILE* stream)
{
    if (!str || !stream)
        return EOF;
    std::string s = pal::ToUtf8(str);
    return std::fputs(s.c_str(), stream) < 0 ? EOF : 0;
}

int fwprintf(FILE* stream, const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = _vscwprintf(format, copy);
    va_end(copy);
    if (n < 0) {
        va_end(args);
        return -1;
    }
    std::u16string buf(size_t(n) + 1, u'\0');
    vswprintf_s(buf.data(), buf.size(), format, args);
    va_end(args);
    buf.resize(size_t(n));
    return fputws(buf.c_str(), stream) == 0 ? n : -1;
}
