// The module's type library as the system's loader and registration see it, and the module counts behind
// LoadLibraryW and FreeLibrary that both rely on.
#include <gtest/gtest.h>

#include <atlbase.h>

#include <filesystem>
#include <string>

#include "pal/host.h"
#include "support/RegistryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

using testing_support::KeyExists;

std::u16string ModulePath() { return pal::ToWindowsPath(std::string(VANTORA_BIN_DIR) + "/VantoraAddin.so"); }

const char16_t kLibKey[] = u"TypeLib\\{9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB}\\1.0";

} // namespace

TEST(ModuleCount, AModuleLoadedTwiceStaysLoadedUntilFreedTwice)
{
    HMODULE first = LoadLibraryW(ModulePath().c_str());
    HMODULE second = LoadLibraryW(ModulePath().c_str());
    ASSERT_TRUE(first && first == second);
    EXPECT_TRUE(FreeLibrary(second));
    // Still loaded for the first caller: its code can be called.
    auto canUnload = reinterpret_cast<HRESULT (*)()>(GetProcAddress(first, "DllCanUnloadNow"));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_OK, canUnload());
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_FALSE(FreeLibrary(first));
}

// The running program is loaded already: loading it by its path gives its handle, as the system does, so
// its own type library (every test program carries the add-in's resources) can be read.
TEST(ModuleCount, TheProgramLoadsByItsOwnPath)
{
    WCHAR self[1024];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, 1024), 0u);
    HMODULE program = LoadLibraryW(self);
    EXPECT_EQ(GetModuleHandleW(nullptr), program);
    EXPECT_TRUE(FreeLibrary(program));
    CComPtr<ITypeLib> lib;
    EXPECT_EQ(S_OK, LoadTypeLibEx(self, REGKIND_NONE, &lib));
}

TEST(TypeLib, LoadsTheModulesLibraryWithItsAttributes)
{
    CComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &lib));
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
    WCHAR guid[40];
    StringFromGUID2(attr->guid, guid, 40);
    EXPECT_EQ(u"{9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB}", std::u16string(guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(SYS_WIN64, attr->syskind);
    lib->ReleaseTLibAttr(attr);
    CComBSTR name;
    EXPECT_EQ(S_OK, lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr));
    EXPECT_TRUE(name.Length() > 0);
    // Nothing was registered by loading.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kLibKey));

    CComPtr<ITypeLib> none;
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, LoadTypeLibEx((ModulePath() + u"\\2").c_str(), REGKIND_NONE, &none));
    EXPECT_EQ(nullptr, none.p);
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, LoadTypeLibEx(u"Z:\\no\\such\\module.so", REGKIND_NONE, &none));
    EXPECT_EQ(E_INVALIDARG, LoadTypeLibEx(nullptr, REGKIND_NONE, &none));
}

TEST(TypeLib, RegistersForTheMachineOrTheUserAndUnregistersFromWhereItIs)
{
    std::filesystem::remove_all(testing_support::Prefix() + "/registry");
    CComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &lib));
    const GUID libid = pal::GuidFromString("9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB");
    EXPECT_EQ(E_INVALIDARG, UnRegisterTypeLib(libid, 1, 0, 0, SYS_WIN64)); // not registered

    std::u16string path = ModulePath();
    ASSERT_EQ(S_OK, RegisterTypeLibForUser(lib, path.data(), path.data()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::u16string(u"Software\\Classes\\") + kLibKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::u16string(u"Software\\Classes\\") + kLibKey));
    EXPECT_EQ(S_OK, UnRegisterTypeLibForUser(libid, 1, 0, 0, SYS_WIN64));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::u16string(u"Software\\Classes\\") + kLibKey));

    ASSERT_EQ(S_OK, RegisterTypeLib(lib, path.c_str(), u"Z:\\"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::u16string(u"Software\\Classes\\") + kLibKey + u"\\0\\win64"));
    EXPECT_EQ(S_OK, UnRegisterTypeLib(libid, 1, 0, 0, SYS_WIN64));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"TypeLib\\{9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB}"));
}
