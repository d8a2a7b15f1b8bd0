// The registry store under the settings' load: a settings save and read through the add-in's record, and a
// single value read, with the file opens and fsyncs each one costs (counted below the store, at the
// system-call boundary, so the counts do not depend on how the store is written).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "Utils/SettingsManager.h"
#include "pal/host.h"

namespace {

std::atomic<long> g_opens{0}, g_fsyncs{0};

long RealOpenAt(int dirfd, const char* path, int flags, mode_t mode)
{
    ++g_opens;
    return syscall(SYS_openat, dirfd, path, flags, mode);
}

mode_t ModeArgument(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

} // namespace

// The executable's definitions take the place of the C library's for every caller in the process.
extern "C" int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = ModeArgument(flags, args);
    va_end(args);
    return int(RealOpenAt(AT_FDCWD, path, flags, mode));
}

extern "C" int open64(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = ModeArgument(flags, args);
    va_end(args);
    return int(RealOpenAt(AT_FDCWD, path, flags, mode));
}

extern "C" int openat(int dirfd, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = ModeArgument(flags, args);
    va_end(args);
    return int(RealOpenAt(dirfd, path, flags, mode));
}

extern "C" int fsync(int fd)
{
    ++g_fsyncs;
    return int(syscall(SYS_fsync, fd));
}

namespace {

const char16_t* kAddinKey = u"Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect";

// A prefix of its own, with a user hive of a realistic size: the add-in's settings beside a few dozen
// other keys, as after registration and some use.
struct Prefix {
    Prefix()
    {
        char dir[] = "/tmp/vantora-bench-registry-XXXXXX";
        if (!mkdtemp(dir))
            std::abort();
        path = dir;
        pal::SetPrefixPath(path);
        for (int i = 0; i < 40; ++i) {
            std::u16string name = u"Software\\Classes\\Bench.Class" + pal::ToWide(std::to_string(i)) + u"\\CLSID";
            HKEY h = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
            std::u16string text = u"{00000000-0000-0000-0000-0000000000" + pal::ToWide(std::to_string(10 + i)) + u"}";
            RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           DWORD((text.size() + 1) * 2));
            RegCloseKey(h);
        }
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        s.selectedProviders = {1, 3, 5};
        s.servers = {u"mail.example.com", u"192.0.2.1"};
        s.emailCountries = {0x5553, 0x4544};
        s.providerKeys[3] = u"0123456789abcdef";
        s.WriteSettings();
    }
    ~Prefix() { std::filesystem::remove_all(path); }
    std::string path;
};

Prefix& ThePrefix()
{
    static Prefix p;
    return p;
}

// Opens and fsyncs per iteration, as counters of the benchmark.
class IoCount {
public:
    IoCount() : m_opens(g_opens), m_fsyncs(g_fsyncs) {}
    void Report(benchmark::State& state) const
    {
        state.counters["opens"] = benchmark::Counter(double(g_opens - m_opens), benchmark::Counter::kAvgIterations);
        state.counters["fsyncs"] =
            benchmark::Counter(double(g_fsyncs - m_fsyncs), benchmark::Counter::kAvgIterations);
    }

private:
    long m_opens, m_fsyncs;
};

// The options dialog's OK with nothing changed: every setting is written again.
void BM_SettingsSaveUnchanged(benchmark::State& state)
{
    ThePrefix();
    CSettingsManager& s = CSettingsManager::Instance();
    IoCount io;
    for (auto _ : state)
        s.WriteSettings();
    io.Report(state);
}
BENCHMARK(BM_SettingsSaveUnchanged);

// The options dialog's OK after one setting changed.
void BM_SettingsSaveOneChange(benchmark::State& state)
{
    ThePrefix();
    CSettingsManager& s = CSettingsManager::Instance();
    IoCount io;
    int n = 0;
    for (auto _ : state) {
        s.maxRetryCount = 2 + (n++ & 1);
        s.WriteSettings();
    }
    s.maxRetryCount = 3;
    s.WriteSettings();
    io.Report(state);
}
BENCHMARK(BM_SettingsSaveOneChange);

void BM_SettingsRead(benchmark::State& state)
{
    ThePrefix();
    CSettingsManager& s = CSettingsManager::Instance();
    IoCount io;
    for (auto _ : state)
        s.ReadSettings();
    io.Report(state);
}
BENCHMARK(BM_SettingsRead);

// One value read as the store does it: open the key, query, close.
void BM_ValueRead(benchmark::State& state)
{
    ThePrefix();
    IoCount io;
    for (auto _ : state) {
        HKEY h = nullptr;
        DWORD v = 0, size = sizeof(v);
        RegOpenKeyExW(HKEY_CURRENT_USER, kAddinKey, 0, KEY_ALL_ACCESS, &h);
        RegQueryValueExW(h, u"xsMaxRetryCount", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
        RegCloseKey(h);
        benchmark::DoNotOptimize(v);
    }
    io.Report(state);
}
BENCHMARK(BM_ValueRead);

// The same once the file is older than the store's racy-timestamp window: no re-reading of its content.
void BM_ValueReadSettled(benchmark::State& state)
{
    ThePrefix();
    static bool settled = [] {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        return true;
    }();
    benchmark::DoNotOptimize(settled);
    BM_ValueRead(state);
}
BENCHMARK(BM_ValueReadSettled);

} // namespace

BENCHMARK_MAIN();
