// The shell's stream over a file (SHCreateStreamOnFileEx). Reads and writes go through pread/pwrite at the
// stream's own position, so seeking costs no system call. Share modes are kept with flock(2), as _wfsopen
// keeps them: deny-read-write holds an exclusive lock, every other mode a shared one.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "common/stream_base.h"
#include "objidl.h"
#include "pal/host.h"
#include "shlwapi.h"
#include "kernel32/memory.h"
#include "windows.h"

namespace {

HRESULT HResultFromErrno(int e)
{
    DWORD code;
    switch (e) {
    case ENOENT: code = ERROR_FILE_NOT_FOUND; break;
    case ENOTDIR: code = ERROR_PATH_NOT_FOUND; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: code = ERROR_ACCESS_DENIED; break;
    case EEXIST: code = ERROR_FILE_EXISTS; break;
    case ENOSPC: code = ERROR_DISK_FULL; break;
    case EMFILE:
    case ENFILE: code = ERROR_TOO_MANY_OPEN_FILES; break;
    case EWOULDBLOCK: code = ERROR_SHARING_VIOLATION; break;
    case ENAMETOOLONG: code = ERROR_INVALID_NAME; break;
    case ENOMEM: code = ERROR_NOT_ENOUGH_MEMORY; break;
    case EIO: code = ERROR_READ_FAULT; break;
    default: code = ERROR_INVALID_FUNCTION; break;
    }
    return HRESULT_FROM_WIN32(code);
}

void ToFileTime(const timespec& ts, FILETIME& ft)
{
    // 100-nanosecond intervals since 1601-01-01.
    ULONGLONG t = (ULONGLONG(ts.tv_sec) + 11644473600ULL) * 10000000ULL + ULONGLONG(ts.tv_nsec) / 100;
    ft.dwLowDateTime = DWORD(t);
    ft.dwHighDateTime = DWORD(t >> 32);
}

class CFileStream final : public pal::StreamBase {
public:
    CFileStream(int fd, std::u16string name, DWORD mode) : m_fd(fd), m_name(std::move(name)), m_mode(mode) {}

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        if (pcbRead)
            *pcbRead = 0;
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        if ((m_mode & 3) == STGM_WRITE)
            return STG_E_ACCESSDENIED;
        ULONG total = 0;
        while (total < cb) {
            ssize_t n = pread(m_fd, static_cast<BYTE*>(pv) + total, cb - total, off_t(m_pos + total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_pos += total;
                if (pcbRead)
                    *pcbRead = total;
                return HResultFromErrno(errno);
            }
            if (n == 0)
                break;
            total += ULONG(n);
        }
        m_pos += total;
        if (pcbRead)
            *pcbRead = total;
        return S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override
    {
        if (pcbWritten)
            *pcbWritten = 0;
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        if ((m_mode & 3) == STGM_READ)
            return STG_E_ACCESSDENIED;
        ULONG total = 0;
        while (total < cb) {
            ssize_t n = pwrite(m_fd, static_cast<const BYTE*>(pv) + total, cb - total, off_t(m_pos + total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_pos += total;
                if (pcbWritten)
                    *pcbWritten = total;
                return n < 0 && errno == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
            }
            total += ULONG(n);
        }
        m_pos += total;
        if (pcbWritten)
            *pcbWritten = total;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER libNewSize) override
    {
        if ((m_mode & 3) == STGM_READ)
            return STG_E_ACCESSDENIED;
        if (libNewSize.QuadPart > ULONGLONG(INT64_MAX) || ftruncate(m_fd, off_t(libNewSize.QuadPart)) != 0)
            return STG_E_MEDIUMFULL;
        return S_OK;
    }

    HRESULT Commit(DWORD) override { return fsync(m_fd) == 0 || errno == EINVAL ? S_OK : STG_E_WRITEFAULT; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }

    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override
    {
        if (!pstatstg)
            return STG_E_INVALIDPOINTER;
        std::memset(pstatstg, 0, sizeof(*pstatstg));
        struct stat st{};
        if (fstat(m_fd, &st) != 0)
            return HResultFromErrno(errno);
        if (!(grfStatFlag & STATFLAG_NONAME)) {
            size_t bytes = (m_name.size() + 1) * sizeof(WCHAR);
            pstatstg->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!pstatstg->pwcsName)
                return E_OUTOFMEMORY;
            std::memcpy(pstatstg->pwcsName, m_name.c_str(), bytes);
        }
        pstatstg->type = STGTY_STREAM;
        pstatstg->cbSize.QuadPart = ULONGLONG(st.st_size);
        ToFileTime(st.st_mtim, pstatstg->mtime);
        ToFileTime(st.st_ctim, pstatstg->ctime);
        ToFileTime(st.st_atim, pstatstg->atime);
        pstatstg->grfMode = m_mode;
        return S_OK;
    }

    // The shell's file stream cannot be cloned either.
    HRESULT Clone(IStream** ppstm) override
    {
        if (ppstm)
            *ppstm = nullptr;
        return E_NOTIMPL;
    }

protected:
    HRESULT End(ULONGLONG& end) override
    {
        struct stat st{};
        if (fstat(m_fd, &st) != 0)
            return HResultFromErrno(errno);
        end = ULONGLONG(st.st_size);
        return S_OK;
    }

private:
    ~CFileStream() { close(m_fd); }

    int m_fd;
    std::u16string m_name;
    DWORD m_mode;
};

} // namespace

STDAPI SHCreateStreamOnFileEx(LPCWSTR pszFile, DWORD grfMode, DWORD, BOOL fCreate, IStream* pstmTemplate,
                              IStream** ppstm)
{
    if (!ppstm)
        return E_INVALIDARG;
    *ppstm = nullptr;
    if (!pszFile || !*pszFile || pstmTemplate)
        return E_INVALIDARG;
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (grfMode & 3) {
    case STGM_READ: flags |= O_RDONLY; break;
    case STGM_WRITE: flags |= O_WRONLY; break;
    case STGM_READWRITE: flags |= O_RDWR; break;
    default: return E_INVALIDARG;
    }
    if (grfMode & STGM_CREATE)
        flags |= O_CREAT | O_TRUNC;
    else if (fCreate)
        flags |= O_CREAT | O_EXCL;  // STGM_FAILIFTHERE with fCreate: a new file only
    std::string path = pal::ToUnixPath(pszFile);
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0)
        return HResultFromErrno(errno);
    // Only regular files: a directory, a pipe or a device is not a stream of bytes with a size.
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        int e = errno;
        close(fd);
        return HResultFromErrno(e);
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK); // only the status flags count: the others are ignored
    DWORD share = grfMode & 0x70;
    if (share == STGM_SHARE_EXCLUSIVE || share == STGM_SHARE_DENY_READ || share == STGM_SHARE_DENY_WRITE ||
        share == STGM_SHARE_DENY_NONE) {
        int lock = share == STGM_SHARE_EXCLUSIVE ? LOCK_EX : LOCK_SH;
        if (flock(fd, lock | LOCK_NB) != 0) {
            close(fd);
            return HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
        }
    }
    auto* stream = new (std::nothrow) CFileStream(fd, pszFile, grfMode);
    if (!stream) {
        close(fd);
        return E_OUTOFMEMORY;
    }
    *ppstm = stream;
    return S_OK;
}
