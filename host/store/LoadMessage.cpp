// The loading of a message file: a snapshot (Snapshot.cpp) in both builds; in the Linux build also a .msg
// compound file (libgsf) or an RFC 5322 message (GMime), which the Windows host cannot read.
#include "host/store/Message.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/store/Snapshot.h"
#include "host/text/Utf.h"

namespace store {

std::shared_ptr<Message> LoadMessageBytes(const std::string& bytes, const std::string& identity, std::string& error)
{
    // A snapshot is a message already read: it keeps the entry id it was written with.
    if (IsSnapshot(bytes))
        return ReadSnapshot(bytes, error);
#ifdef _WIN32
    (void)identity;
    error = "not a message snapshot (the Windows host reads the snapshots that vantora snapshot writes)";
    return nullptr;
#else
    static const char kCompoundFile[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kCompoundFile, 8) == 0)
        return ParseMsg(bytes, identity, error);
    return ParseMime(bytes, identity, error);
#endif
}

std::shared_ptr<Message> LoadMessageFile(const std::string& path, std::string& error)
{
#ifdef _WIN32
    FILE* f = _wfopen(host::Wide(path).c_str(), L"rb");
#else
    FILE* f = std::fopen(path.c_str(), "rb");
#endif
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st{};
    if (fstat(fileno(f), &st) != 0 || !(st.st_mode & S_IFREG)) {
        std::fclose(f);
        error = path + ": not a regular file";
        return nullptr;
    }
    if (size_t(st.st_size) > Limits::kMaxFileSize) {
        std::fclose(f);
        error = path + ": larger than " + std::to_string(Limits::kMaxFileSize >> 20) + " MB";
        return nullptr;
    }
    std::string bytes(size_t(st.st_size), '\0');
    size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
#ifdef _WIN32
    WCHAR full[MAX_PATH];
    DWORD n = GetFullPathNameW(host::Wide(path).c_str(), MAX_PATH, full, nullptr);
    std::string identity = n && n < MAX_PATH ? host::Utf8(WStringView(full, n)) : path;
#else
    char resolved[PATH_MAX];
    std::string identity = realpath(path.c_str(), resolved) ? resolved : path;
#endif
    std::string why;
    auto message = LoadMessageBytes(bytes, identity, why);
    if (!message)
        error = path + ": " + why;
    return message;
}

} // namespace store
