// Version and system information. The Linux build reports the real system: RtlGetVersion gives the
// kernel's release numbers with a platform id that is not Windows NT, and its name in szCSDVersion.
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/prefix.h"
#include "pal/host.h"
#include "windows.h"

extern "C" void GetNativeSystemInfo(LPSYSTEM_INFO info)
{
    if (!info)
        return;
    std::memset(info, 0, sizeof(*info));
    utsname u{};
    uname(&u);
    if (std::strcmp(u.machine, "x86_64") == 0)
        info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    else if (std::strcmp(u.machine, "aarch64") == 0)
        info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
    else if (u.machine[0] == 'i' && std::strstr(u.machine, "86"))
        info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    else
        info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
    info->dwPageSize = DWORD(sysconf(_SC_PAGESIZE));
    info->dwNumberOfProcessors = DWORD(sysconf(_SC_NPROCESSORS_ONLN));
    info->dwAllocationGranularity = 65536;
}


extern "C" BOOL GetProductInfo(DWORD, DWORD, DWORD, DWORD, PDWORD type)
{
    if (type)
        *type = 0; // PRODUCT_UNDEFINED: no Windows edition here
    return FALSE;
}

extern "C" NTSTATUS RtlGetVersion(PRTL_OSVERSIONINFOW info)
{
    if (!info)
        return STATUS_INVALID_PARAMETER;
    DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, sizeof(*info));
    info->dwOSVersionInfoSize = size;
    utsname u{};
    if (uname(&u) != 0)
        return STATUS_INVALID_PARAMETER;
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(u.release, "%u.%u.%u", &major, &minor, &build);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    info->dwPlatformId = 0;
    std::string name = std::string(u.sysname) + " " + u.release + " " + u.machine;
    std::u16string w = pal::ToWide(name);
    size_t n = w.size() < 127 ? w.size() : 127;
    std::memcpy(info->szCSDVersion, w.data(), n * sizeof(WCHAR));
    info->szCSDVersion[n] = 0;
    return STATUS_SUCCESS;
}

extern "C" DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize)
{
    const char* v = lpName ? std::getenv(pal::ToUtf8(lpName).c_str()) : nullptr;
    if (!v) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    std::u16string w = pal::ToWide(v);
    if (!lpBuffer || w.size() >= nSize)
        return DWORD(w.size() + 1);
    std::memcpy(lpBuffer, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    return DWORD(w.size());
}

namespace pal {
extern std::atomic<long long> g_tickOffsetMs; // the test clock's advance (user32/loop.cpp)
}

extern "C" ULONGLONG GetTickCount64()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ULONGLONG(ts.tv_sec) * 1000 + ULONGLONG(ts.tv_nsec / 1000000) + ULONGLONG(pal::g_tickOffsetMs.load());
}

