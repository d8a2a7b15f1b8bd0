// Errors, messages, modules, GUIDs, COM error information and files of the platform layer.
#include <gtest/gtest.h>

#include <filesystem>

#include <windows.h>
#include <atlbase.h>
#include <comdef.h>
#include <psapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <objidl.h>

#include "pal/host.h"
#include "support/TestPrefix.h"

namespace {
std::string U8(const WCHAR* s) { return pal::ToUtf8(s); }
} // namespace

TEST(Messages, SystemTableAndErrors)
{
    WCHAR buf[256];
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5, 0, buf, 256,
                             nullptr),
              0u);
    EXPECT_EQ(U8(buf), "Access is denied.\r\n");
    // An HRESULT of the Win32 facility has the Win32 error's text.
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, DWORD(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)), 0, buf, 256,
                   nullptr);
    EXPECT_EQ(U8(buf), "The system cannot find the path specified.\r\n");
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x12345, 0, buf, 256, nullptr), 0u);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, buf, 5, nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(U8(_com_error(E_OUTOFMEMORY).ErrorMessage()),
              "Not enough memory resources are available to complete this operation.");
    EXPECT_EQ(U8(_com_error(E_INVALIDARG).ErrorMessage()), "The parameter is incorrect.");
}

TEST(Modules, SystemDllsAndOwnFunctions)
{
    HMODULE ntdll = GetModuleHandleW(W("NTDLL.DLL"));
    ASSERT_NE(ntdll, nullptr);
    auto getVersion = reinterpret_cast<RtlGetVersion_t>(GetProcAddress(ntdll, "RtlGetVersion"));
    ASSERT_NE(getVersion, nullptr);
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(getVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)), STATUS_SUCCESS);
    EXPECT_NE(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(U8(info.szCSDVersion).rfind("Linux ", 0), 0u);
    EXPECT_EQ(GetProcAddress(ntdll, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(W("nosuchmodule.dll")), nullptr);

    HMODULE self = GetModuleHandleW(nullptr);
    ASSERT_NE(self, nullptr);
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(U8(path).rfind("Z:\\", 0), 0u);
    EXPECT_NE(U8(path).find("test_pal"), std::string::npos);
    WCHAR tiny[4];
    EXPECT_EQ(GetModuleFileNameW(self, tiny, 4), 4u);
    EXPECT_EQ(tiny[3], 0);
    EXPECT_EQ(_AtlBaseModule.GetModuleInstance(), self);

    HMODULE modules[512];
    DWORD needed = 0;
    ASSERT_TRUE(EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &needed));
    bool foundSelf = false;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i)
        foundSelf |= modules[i] == self;
    EXPECT_TRUE(foundSelf);
}

TEST(Guids, TextFormsRoundTrip)
{
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(W("{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}"), &clsid), S_OK);
    EXPECT_EQ(clsid, pal::GuidFromString("f8158ea8-aa22-4de7-a907-e2c8480fd7e1"));
    WCHAR text[39];
    EXPECT_EQ(StringFromGUID2(clsid, text, 39), 39);
    EXPECT_EQ(U8(text), "{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}");
    EXPECT_EQ(CLSIDFromString(W("{F8158EA8-AA22-4DE7-A907-E2C8480FD7E}"), &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(W("{F8158EA8+AA22-4DE7-A907-E2C8480FD7E1}"), &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(StringFromGUID2(clsid, text, 38), 0);
    EXPECT_EQ(__uuidof(IUnknown), pal::GuidFromString("00000000-0000-0000-C000-000000000046"));
}

TEST(ComErrorInfo, GetTakesItFromTheThread)
{
    CComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    CComQIPtr<IErrorInfo> info(create.p);
    ASSERT_TRUE(info);
    EXPECT_EQ(SetErrorInfo(0, info), S_OK);
    CComPtr<IErrorInfo> got;
    EXPECT_EQ(GetErrorInfo(0, &got), S_OK);
    EXPECT_EQ(got.p, info.p);
    CComPtr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, &again), S_FALSE);
    EXPECT_EQ(again.p, nullptr);
    // One reference each for create, info and got: the thread gave its own away.
    got.p->AddRef();
    EXPECT_EQ(got.p->Release(), 3u);
}

// The identity rules callers rely on: every interface gives the same IUnknown, an extended interface's id
// answers too, and a foreign id leaves a null pointer.
TEST(ComIdentity, StreamsAndErrorObjectsAnswerTheirInterfaces)
{
    CComPtr<IStream> memory;
    memory.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>("abc"), 3));
    ASSERT_TRUE(memory);
    std::u16string path = pal::ToWindowsPath(testing_support::Prefix() + "/identity.bin");
    CComPtr<IStream> file;
    ASSERT_EQ(SHCreateStreamOnFileEx(path.c_str(), STGM_CREATE | STGM_READWRITE, FILE_ATTRIBUTE_NORMAL, TRUE,
                                     nullptr, &file),
              S_OK);
    for (IStream* stream : {memory.p, file.p}) {
        CComPtr<IUnknown> unknown;
        CComPtr<ISequentialStream> sequential;
        ASSERT_EQ(stream->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&unknown)), S_OK);
        ASSERT_EQ(stream->QueryInterface(__uuidof(ISequentialStream), reinterpret_cast<void**>(&sequential)), S_OK);
        EXPECT_EQ(static_cast<void*>(unknown.p), static_cast<void*>(stream));
        EXPECT_EQ(static_cast<void*>(sequential.p), static_cast<void*>(stream));
        void* other = &other;
        EXPECT_EQ(stream->QueryInterface(__uuidof(IErrorInfo), &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
        EXPECT_EQ(stream->QueryInterface(__uuidof(IStream), nullptr), E_POINTER);
        // Ours, the pointer and the two taken here.
        stream->AddRef();
        EXPECT_EQ(stream->Release(), 3u);
    }

    CComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    CComPtr<IErrorInfo> info;
    ASSERT_EQ(create->QueryInterface(__uuidof(IErrorInfo), reinterpret_cast<void**>(&info)), S_OK);
    CComPtr<IUnknown> fromCreate, fromInfo;
    ASSERT_EQ(create->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&fromCreate)), S_OK);
    ASSERT_EQ(info->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&fromInfo)), S_OK);
    EXPECT_EQ(fromCreate.p, fromInfo.p);
    CComPtr<ICreateErrorInfo> back;
    ASSERT_EQ(info->QueryInterface(__uuidof(ICreateErrorInfo), reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back.p, create.p);
    void* stream = &stream;
    EXPECT_EQ(info->QueryInterface(__uuidof(IStream), &stream), E_NOINTERFACE);
    EXPECT_EQ(stream, nullptr);
}

TEST(Files, ShareModesBehaveLikeWindows)
{
    std::u16string path = pal::ToWindowsPath(testing_support::Prefix() + "/shared.txt");
    FILE* reader = _wfsopen(path.c_str(), W("a+"), _SH_DENYNO);
    ASSERT_NE(reader, nullptr);
    FILE* second = _wfsopen(path.c_str(), W("r"), _SH_DENYNO);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(_wfsopen(path.c_str(), W("r"), _SH_DENYRW), nullptr);
    fclose(second);
    fclose(reader);
    FILE* exclusive = _wfsopen(path.c_str(), W("r"), _SH_DENYRW);
    ASSERT_NE(exclusive, nullptr);
    EXPECT_EQ(_wfsopen(path.c_str(), W("r"), _SH_DENYNO), nullptr);
    fclose(exclusive);
    EXPECT_EQ(_waccess(path.c_str(), 0), 0);
    std::filesystem::remove(pal::ToUnixPath(path.c_str()));
    EXPECT_NE(_waccess(path.c_str(), 0), 0);
}

TEST(Folders, AppDataLivesInThePrefix)
{
    WCHAR path[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(pal::ToUnixPath(path), testing_support::Prefix() + "/AppData/Roaming");
    EXPECT_TRUE(std::filesystem::is_directory(pal::ToUnixPath(path)));
    EXPECT_FALSE(CreateDirectoryW(path, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
}
