// The prefix: the one folder that holds all per-user state of the Linux build.
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <filesystem>

#include "common/prefix.h"
#include "pal/host.h"

namespace pal {
namespace {
std::mutex g_lock;
std::string g_prefix;
} // namespace

static std::string DefaultPrefix()
{
    if (const char* p = std::getenv("VANTORA_PREFIX"); p && *p)
        return p;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return std::string(x) + "/vantora";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/vantora";
}

std::string PrefixPath()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_prefix.empty()) {
        g_prefix = DefaultPrefix();
        std::error_code ec;
        std::filesystem::create_directories(g_prefix, ec);
    }
    return g_prefix;
}

void SetPrefixPath(const std::string& path)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_prefix = path;
    std::error_code ec;
    std::filesystem::create_directories(g_prefix, ec);
}

} // namespace pal
