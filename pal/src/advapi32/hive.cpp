// The registry files: one per root under <prefix>/registry. A write takes the root's lock file, re-reads
// the file, applies the change and renames a complete new file over the old one, so that writers in
// several processes never lose each other's values and a reader never sees half a file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>

#include "advapi32/regtree.h"
#include "pal/host.h"

namespace pal::reg {

const char16_t* HiveRootName(Hive hive)
{
    return hive == Hive::Machine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

namespace {

struct Cache {
    std::string path;
    std::string content;
    std::shared_ptr<const Key> tree;
    size_t reportedMalformed = 0; // hash of the last malformed content reported, to report it once
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

// The whole file; a file that does not exist yet reads as empty.
LSTATUS ReadWhole(const std::string& path, std::string& out)
{
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ERROR_SUCCESS : FromErrno(errno, ERROR_CANTREAD);
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int e = errno;
            close(fd);
            return FromErrno(e, ERROR_CANTREAD);
        }
        if (n == 0)
            break;
        out.append(buf, size_t(n));
    }
    close(fd);
    return ERROR_SUCCESS;
}

LSTATUS WriteWhole(const std::string& path, const std::string& text)
{
    std::string tmp = path + ".tmp." + std::to_string(getpid());
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return FromErrno(errno, ERROR_CANTWRITE);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int e = errno;
            close(fd);
            unlink(tmp.c_str());
            return FromErrno(e, ERROR_CANTWRITE);
        }
        done += size_t(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        int e = errno;
        unlink(tmp.c_str());
        return FromErrno(e, ERROR_CANTWRITE);
    }
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        unlink(tmp.c_str());
        return FromErrno(e, ERROR_CANTWRITE);
    }
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

std::shared_ptr<const Key> LoadHive(Hive hive, LSTATUS& status)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Cache& cache = g_cache[int(hive)];
    std::string path = HiveFile(hive);
    std::string content;
    status = ReadWhole(path, content);
    if (status != ERROR_SUCCESS)
        return nullptr;
    if (cache.tree && cache.path == path && cache.content == content)
        return cache.tree;
    std::shared_ptr<Key> tree;
    status = Parse(hive, cache, path, content, tree);
    if (status != ERROR_SUCCESS)
        return nullptr;
    cache.path = path;
    cache.content = std::move(content);
    cache.tree = tree;
    return tree;
}

LSTATUS ModifyHive(Hive hive, Change change, void* context)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Cache& cache = g_cache[int(hive)];
    std::string path = HiveFile(hive);
    std::error_code ec;
    std::filesystem::create_directories(HiveDir(), ec);
    if (ec)
        return FromErrno(ec.value(), ERROR_CANTWRITE);
    FileLock lock(path + ".lock");
    if (lock.Status() != ERROR_SUCCESS)
        return lock.Status();
    std::string content;
    LSTATUS status = ReadWhole(path, content);
    if (status != ERROR_SUCCESS)
        return status;
    std::shared_ptr<Key> tree;
    status = Parse(hive, cache, path, content, tree);
    if (status != ERROR_SUCCESS)
        return status;
    bool changed = false;
    status = change(*tree, context, changed);
    if (status != ERROR_SUCCESS || !changed)
        return status;
    std::string text = FormatRegText(*tree, HiveRootName(hive));
    status = WriteWhole(path, text);
    if (status != ERROR_SUCCESS)
        return status;
    cache.path = path;
    cache.content = std::move(text);
    cache.tree = tree;
    return ERROR_SUCCESS;
}

} // namespace pal::reg
