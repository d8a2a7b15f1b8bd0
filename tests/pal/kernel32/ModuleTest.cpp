// Modules: the system's DLLs and their functions by name, the programme's own file name, and the list of
// the process's modules.
#include <gtest/gtest.h>

#include <windows.h>
#include <atlbase.h>
#include <psapi.h>

#include "pal/TableText.h"
#include "support/Wine.h"

namespace {
using RtlGetVersionFn = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);
} // namespace

TEST(Modules, SystemDllsAndOwnFunctions)
{
    HMODULE ntdll = GetModuleHandleW(W("NTDLL.DLL"));
    ASSERT_NE(ntdll, nullptr);
    auto getVersion =
        reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    ASSERT_NE(getVersion, nullptr);
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(getVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)), STATUS_SUCCESS);
    EXPECT_GT(info.dwMajorVersion, 0u);
    EXPECT_EQ(GetProcAddress(ntdll, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(W("nosuchmodule.dll")), nullptr);

    HMODULE self = GetModuleHandleW(nullptr);
    ASSERT_NE(self, nullptr);
    WCHAR path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(self, path, MAX_PATH), 0u);
    EXPECT_EQ(_AtlBaseModule.GetModuleInstance(), self);

    HMODULE modules[512];
    DWORD needed = 0;
    ASSERT_TRUE(EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &needed));
    bool foundSelf = false;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i)
        foundSelf |= modules[i] == self;
    EXPECT_TRUE(foundSelf);
}

// As documented since Windows Vista: a short buffer gets as much of the name as fits, terminated.
TEST(Modules, AShortBufferGetsATerminatedName)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its GetModuleFileNameW fills a short buffer without the terminating NUL, as Windows "
                        "XP did; the documentation gives the truncated name terminated since Vista";
    HMODULE self = GetModuleHandleW(nullptr);
    WCHAR path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(self, path, MAX_PATH), 0u);
    WCHAR tiny[4];
    EXPECT_EQ(GetModuleFileNameW(self, tiny, 4), 4u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(tiny[3], 0);
    EXPECT_EQ(pal_test::U8(tiny), pal_test::U8(path).substr(0, 3));
}
