// How the layer names what it runs on (Linux-only): the module list is the dynamic linker's, with its
// bases and real paths as Windows paths, and the system's version names the kernel.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <psapi.h>

#include "pal/host.h"

TEST(Modules, TheSystemIsTheKernelAndPathsAreWineStyle)
{
    HMODULE ntdll = GetModuleHandleW(W("NTDLL.DLL"));
    ASSERT_NE(ntdll, nullptr);
    auto getVersion = reinterpret_cast<RtlGetVersion_t>(GetProcAddress(ntdll, "RtlGetVersion"));
    ASSERT_NE(getVersion, nullptr);
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(getVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)), STATUS_SUCCESS);
    EXPECT_NE(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(pal::ToUtf8(info.szCSDVersion).rfind("Linux ", 0), 0u);

    WCHAR path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(nullptr), path, MAX_PATH), 0u);
    EXPECT_EQ(pal::ToUtf8(path).rfind("Z:\\", 0), 0u);
    EXPECT_NE(pal::ToUtf8(path).find("test_pal"), std::string::npos);
}

TEST(Modules, EveryObjectHasTheBaseAndPathOfTheDynamicLinker)
{
    struct Object {
        HMODULE base;
        std::string name;
    };
    std::vector<Object> expected;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            Dl_info di{};
            if (info->dlpi_phnum && dladdr(info->dlpi_phdr, &di) && di.dli_fbase)
                static_cast<std::vector<Object>*>(data)->push_back(
                    {static_cast<HMODULE>(di.dli_fbase), info->dlpi_name ? info->dlpi_name : ""});
            return 0;
        },
        &expected);
    ASSERT_GT(expected.size(), 3u);

    HMODULE modules[512];
    DWORD needed = 0;
    ASSERT_TRUE(EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &needed));
    ASSERT_EQ(expected.size(), needed / sizeof(HMODULE));
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(expected[k].base, modules[k]) << expected[k].name;
        WCHAR path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(modules[k], path, MAX_PATH), 0u) << expected[k].name;
        // The path is the real one: compare file names, which a symbolic link may change only in its folder.
        std::string name = expected[k].name;
        std::string got = pal::ToUtf8(path);
        if (!name.empty() && name.find('/') != std::string::npos && name.find("vdso") == std::string::npos) {
            char real[PATH_MAX];
            ASSERT_TRUE(realpath(name.c_str(), real)) << name;
            EXPECT_EQ(pal::ToUtf8(pal::ToWindowsPath(real).c_str()), got);
        }
    }
    // The main program and this layer are found by their handles.
    EXPECT_EQ(modules[0], GetModuleHandleW(nullptr));
    HMODULE own = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   reinterpret_cast<LPCWSTR>(&CoCreateInstance), &own));
    WCHAR path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(own, path, MAX_PATH), 0u);
    EXPECT_NE(std::string::npos, pal::ToUtf8(path).find("libpal.so"));
}
