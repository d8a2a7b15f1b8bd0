// The registry files: one per root under <prefix>/registry. A write takes the root's lock file, brings its
// copy of the file up to date, applies the change and renames a complete new file over the old one, so
// that writers in several processes never lose each other's values and a reader never sees half a file.
//
// The parsed file is kept and used again while the file is unchanged: same device, inode, size and
// modification and change times (with nanoseconds). The file it came from is kept open, so no other file
// can take its inode number while the copy is in use: a file renamed over it by any writer always differs.
// Only a change made in place (by hand) within the timestamps' granularity could keep every field; so
// until the copy has been compared with the file kRacyWindowSeconds after the file's last change, it is
// compared again (a read of the open file, no open) before it is used.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <tuple>

#include "advapi32/regtree.h"
#include "common/prefix.h"
#include "pal/host.h"

namespace pal::reg {

const char16_t* HiveRootName(Hive hive)
{
    return hive == Hive::Machine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

namespace {

// Longer than the coarsest timestamp granularity of the file systems a prefix lives on (FAT: 2 s).
constexpr long kRacyWindowSeconds = 3;

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};

    static FileId Of(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim}; }
    bool operator==(const FileId& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

timespec Now()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

struct Cache {
    std::string path;
    std::shared_ptr<const Key> tree; // null: nothing cached
    bool exists = false;             // false: the tree is that of a missing file (empty)
    int fd = -1;                     // the file the tree came from, kept open
    FileId id;
    std::string content;
    timespec checkedAt{}; // the content was known to match the file at this time (or later)
    size_t reportedMalformed = 0; // hash of the last malformed content reported, to report it once

    ~Cache() { Drop(); }
    void Drop()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
        tree.reset();
        content.clear();
        exists = false;
    }
    void Keep(int newFd, const FileId& newId, std::string newContent, std::shared_ptr<const Key> newTree,
              timespec checked)
    {
        if (fd >= 0 && fd != newFd)
            close(fd);
        fd = newFd;
        id = newId;
        content = std::move(newContent);
        tree = std::move(newTree);
        exists = true;
        checkedAt = checked;
    }
    // Whether a later change of the file must have changed its times (the later of the two, since the
    // modification time can be set back by hand).
    bool Settled() const
    {
        const timespec& t = std::tie(id.mtime.tv_sec, id.mtime.tv_nsec) < std::tie(id.ctime.tv_sec, id.ctime.tv_nsec)
                                ? id.ctime
                                : id.mtime;
        return checkedAt.tv_sec - t.tv_sec > kRacyWindowSeconds ||
               (checkedAt.tv_sec - t.tv_sec == kRacyWindowSeconds && checkedAt.tv_nsec >= t.tv_nsec);
    }
};

std::mutex g_lock;
Cache g_cache[2];

std::string HiveDir() { return PrefixPath() + "/registry"; }

std::string HiveFile(Hive hive)
{
    return HiveDir() + (hive == Hive::Machine ? "/HKLM.reg" : "/HKCU.reg");
}

LSTATUS FromErrno(int e, LSTATUS fallback)
{
    switch (e) {
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    default: return fallback;
    }
}

// The whole content of an open file, read from its start.
LSTATUS ReadAll(int fd, std::string& out)
{
    out.clear();
    char buf[65536];
    for (;;) {
        ssize_t n = pread(fd, buf, sizeof(buf), off_t(out.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FromErrno(errno, ERROR_CANTREAD);
        if (n == 0)
            return ERROR_SUCCESS;
        out.append(buf, size_t(n));
    }
}

// Writes text to a new file beside path and renames it over path. The new file stays open in fd, with
// its identity after the rename in id.
LSTATUS WriteWhole(const std::string& path, const std::string& text, int& fdOut, FileId& id)
{
    std::string tmp = path + ".tmp." + std::to_string(getpid());
    int fd = open(tmp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return FromErrno(errno, ERROR_CANTWRITE);
    auto fail = [&](int e) {
        close(fd);
        unlink(tmp.c_str());
        return FromErrno(e, ERROR_CANTWRITE);
    };
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(errno);
        done += size_t(n);
    }
    if (fsync(fd) != 0)
        return fail(errno);
    if (rename(tmp.c_str(), path.c_str()) != 0)
        return fail(errno);
    struct stat st;
    fdOut = -1; // written, but its identity unknown: the next call reads it again
    if (fstat(fd, &st) != 0) {
        close(fd);
        return ERROR_SUCCESS;
    }
    fdOut = fd;
    id = FileId::Of(st);
    return ERROR_SUCCESS;
}

// Parses content into a new tree; a malformed file is reported once on standard error.
LSTATUS Parse(Hive hive, Cache& cache, const std::string& path, const std::string& content, std::shared_ptr<Key>& tree)
{
    tree = std::make_shared<Key>();
    std::string error;
    if (ParseRegText(content, HiveRootName(hive), *tree, error))
        return ERROR_SUCCESS;
    size_t h = std::hash<std::string>()(content) | 1;
    if (cache.reportedMalformed != h) {
        cache.reportedMalformed = h;
        std::fprintf(stderr, "vantora: registry file %s is malformed (%s); it is left as it is\n", path.c_str(),
                     error.c_str());
    }
    tree.reset();
    return ERROR_BADDB;
}

class FileLock {
public:
    explicit FileLock(const std::string& path)
    {
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_status = FromErrno(errno, ERROR_CANTWRITE);
            return;
        }
        while (flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_status = FromErrno(errno, ERROR_LOCK_VIOLATION);
                return;
            }
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            close(m_fd); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    LSTATUS Status() const { return m_status; }

private:
    int m_fd = -1;
    LSTATUS m_status = ERROR_SUCCESS;
};

} // namespace

namespace {

// The tree of the hive's file as it is now: the cached one while the file is unchanged, else read again.
std::shared_ptr<const Key> Current(Hive hive, LSTATUS& status)
{
    status = ERROR_SUCCESS;
    Cache& cache = g_cache[int(hive)];
    std::string path = HiveFile(hive);
    if (cache.path != path) {
        cache.Drop();
        cache.path = path;
    }
    timespec now = Now();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            status = FromErrno(errno, ERROR_CANTREAD);
            return nullptr;
        }
        if (!cache.tree || cache.exists) {
            cache.Drop();
            cache.tree = std::make_shared<Key>(); // a file that does not exist yet reads as empty
        }
        return cache.tree;
    }
    if (cache.tree && cache.exists && cache.id == FileId::Of(st)) {
        if (cache.Settled())
            return cache.tree;
        std::string content;
        if (ReadAll(cache.fd, content) == ERROR_SUCCESS && content == cache.content) {
            cache.checkedAt = now;
            return cache.tree;
        }
    }
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        status = FromErrno(errno, ERROR_CANTREAD);
        return nullptr;
    }
    std::string content;
    if (fstat(fd, &st) != 0 || (status = ReadAll(fd, content)) != ERROR_SUCCESS) {
        if (status == ERROR_SUCCESS)
            status = FromErrno(errno, ERROR_CANTREAD);
        close(fd);
        return nullptr;
    }
    std::shared_ptr<const Key> tree = cache.tree;
    if (!tree || !cache.exists || content != cache.content) {
        std::shared_ptr<Key> parsed;
        status = Parse(hive, cache, path, content, parsed);
        if (status != ERROR_SUCCESS) {
            close(fd);
            return nullptr;
        }
        tree = std::move(parsed);
    }
    cache.Keep(fd, FileId::Of(st), std::move(content), tree, now);
    return tree;
}

} // namespace

std::shared_ptr<const Key> LoadHive(Hive hive, LSTATUS& status)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return Current(hive, status);
}

LSTATUS ModifyHive(Hive hive, Change change, void* context)
{
    std::lock_guard<std::mutex> guard(g_lock);
    std::string path = HiveFile(hive);
    std::error_code ec;
    std::filesystem::create_directories(HiveDir(), ec);
    if (ec)
        return FromErrno(ec.value(), ERROR_CANTWRITE);
    FileLock lock(path + ".lock");
    if (lock.Status() != ERROR_SUCCESS)
        return lock.Status();
    LSTATUS status;
    std::shared_ptr<const Key> current = Current(hive, status);
    if (!current)
        return status;
    std::shared_ptr<Key> tree = current->Clone();
    bool changed = false;
    status = change(*tree, context, changed);
    if (status != ERROR_SUCCESS || !changed)
        return status;
    std::string text = FormatRegText(*tree, HiveRootName(hive));
    timespec now = Now();
    int fd = -1;
    FileId id;
    status = WriteWhole(path, text, fd, id);
    if (status != ERROR_SUCCESS)
        return status;
    if (fd < 0)
        g_cache[int(hive)].Drop();
    else
        g_cache[int(hive)].Keep(fd, id, std::move(text), std::move(tree), now);
    return ERROR_SUCCESS;
}

} // namespace pal::reg
