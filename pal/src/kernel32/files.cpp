// Files and folders by Windows path, and the CRT's wide file functions. Share modes are kept with
// flock(2): a file opened deny-none or deny-write holds a shared lock, deny-read-write an exclusive one,
// so a file that another opener holds exclusively cannot be opened, as on Windows.
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
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_FUNCTION;
    }
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
