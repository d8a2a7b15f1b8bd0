// The module's exports, called on the built VantoraAddin.so as the registration tool calls them.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "pal/host.h"
#include "support/RegistryTestUtil.h"
#include "support/TestPrefix.h"
#include "windows.h"

#include <msaddndr.h>
#include <mso.h>

namespace {

using testing_support::KeyExists;

const char16_t kClsid[] = u"{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}";
const char16_t kLibid[] = u"{9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB}";
const char16_t kAddinKey[] = u"Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect";

std::optional<std::u16string> ReadString(HKEY root, const std::u16string& path, const char16_t* name = nullptr)
{
    WCHAR buf[1024];
    DWORD size = sizeof(buf);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::u16string(buf);
}

std::optional<DWORD> ReadDword(HKEY root, const std::u16string& path, const char16_t* name)
{
    DWORD v = 0, size = 4;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return v;
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove_all(testing_support::Prefix() + "/registry");
        m_path = std::string(VANTORA_BIN_DIR) + "/VantoraAddin.so";
        m_module = LoadLibraryW(pal::ToWindowsPath(m_path).c_str());
        ASSERT_NE(nullptr, m_module) << m_path;
        m_register = reinterpret_cast<HRESULT (*)()>(GetProcAddress(m_module, "DllRegisterServer"));
        m_unregister = reinterpret_cast<HRESULT (*)()>(GetProcAddress(m_module, "DllUnregisterServer"));
        m_install = reinterpret_cast<HRESULT (*)(BOOL, LPCWSTR)>(GetProcAddress(m_module, "DllInstall"));
        m_getClassObject =
            reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(GetProcAddress(m_module, "DllGetClassObject"));
        m_canUnload = reinterpret_cast<HRESULT (*)()>(GetProcAddress(m_module, "DllCanUnloadNow"));
        ASSERT_TRUE(m_register && m_unregister && m_install && m_getClassObject && m_canUnload);
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    // The classes of a registration, under HKLM\Software\Classes or HKCU\Software\Classes.
    void ExpectClassesRegistered(HKEY root)
    {
        std::u16string classes = u"Software\\Classes\\";
        std::u16string clsidKey = classes + u"CLSID\\" + kClsid;
        EXPECT_EQ(u"Connect Class", ReadString(root, clsidKey));
        EXPECT_EQ(pal::ToWindowsPath(std::filesystem::canonical(m_path).string()),
                  ReadString(root, clsidKey + u"\\InprocServer32"));
        EXPECT_EQ(u"Apartment", ReadString(root, clsidKey + u"\\InprocServer32", u"ThreadingModel"));
        EXPECT_EQ(u"VantoraAddin.Connect.1", ReadString(root, clsidKey + u"\\ProgID"));
        EXPECT_EQ(u"VantoraAddin.Connect", ReadString(root, clsidKey + u"\\VersionIndependentProgID"));
        EXPECT_EQ(kLibid, ReadString(root, clsidKey + u"\\TypeLib"));
        EXPECT_EQ(u"1.0", ReadString(root, clsidKey + u"\\Version"));
        EXPECT_TRUE(KeyExists(root, clsidKey + u"\\Programmable"));
        EXPECT_EQ(kClsid, ReadString(root, classes + u"VantoraAddin.Connect.1\\CLSID"));
        EXPECT_EQ(u"VantoraAddin.Connect.1", ReadString(root, classes + u"VantoraAddin.Connect\\CurVer"));
        std::u16string lib = classes + u"TypeLib\\" + kLibid + u"\\1.0";
        EXPECT_EQ(ReadString(root, clsidKey + u"\\InprocServer32"), ReadString(root, lib + u"\\0\\win64"));
        EXPECT_EQ(u"IRibbonCallback",
                  ReadString(root, classes + u"Interface\\{6ED1230D-65E6-436E-BA20-8390033AA4F7}"));
        EXPECT_EQ(kLibid, ReadString(root, classes + u"Interface\\{214F3170-C585-458D-B394-EA83ED803EA2}\\TypeLib"));
    }
    void ExpectAddinKey()
    {
        EXPECT_EQ(3u, ReadDword(HKEY_LOCAL_MACHINE, kAddinKey, u"LoadBehavior"));
        EXPECT_EQ(0u, ReadDword(HKEY_LOCAL_MACHINE, kAddinKey, u"CommandLineSafe"));
        EXPECT_EQ(u"Vantora Add-In", ReadString(HKEY_LOCAL_MACHINE, kAddinKey, u"FriendlyName"));
        EXPECT_EQ(u"Vantora Add-In", ReadString(HKEY_LOCAL_MACHINE, kAddinKey, u"Description"));
    }
    void ExpectNothingRegistered(HKEY root)
    {
        EXPECT_FALSE(KeyExists(root, std::u16string(u"Software\\Classes\\CLSID\\") + kClsid));
        EXPECT_FALSE(KeyExists(root, u"Software\\Classes\\VantoraAddin.Connect"));
        EXPECT_FALSE(KeyExists(root, u"Software\\Classes\\VantoraAddin.Connect.1"));
        EXPECT_FALSE(KeyExists(root, std::u16string(u"Software\\Classes\\TypeLib\\") + kLibid));
        EXPECT_FALSE(KeyExists(root, u"Software\\Classes\\Interface\\{6ED1230D-65E6-436E-BA20-8390033AA4F7}"));
    }

    std::string m_path;
    HMODULE m_module = nullptr;
    HRESULT (*m_register)() = nullptr;
    HRESULT (*m_unregister)() = nullptr;
    HRESULT (*m_install)(BOOL, LPCWSTR) = nullptr;
    HRESULT (*m_getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (*m_canUnload)() = nullptr;
};

} // namespace

TEST_F(ModuleTest, RegistersPerMachineAndUnregistersWhatItWrote)
{
    // Someone else's class under the shared CLSID key must survive our unregistration.
    HKEY other = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-1111-2222-3333-444444444444}", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &other, nullptr));
    RegCloseKey(other);

    ASSERT_EQ(S_OK, m_register());
    ExpectClassesRegistered(HKEY_LOCAL_MACHINE);
    ExpectAddinKey();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Classes\\VantoraAddin.Connect"));
    // Registering again is harmless.
    ASSERT_EQ(S_OK, m_register());
    ExpectClassesRegistered(HKEY_LOCAL_MACHINE);

    ASSERT_EQ(S_OK, m_unregister());
    ExpectNothingRegistered(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Office\\Outlook\\Addins"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-1111-2222-3333-444444444444}"));
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(S_OK, m_unregister());
}

TEST_F(ModuleTest, InstallWithUserRegistersTheClassesForTheCurrentUser)
{
    ASSERT_EQ(S_OK, m_install(TRUE, u"USER"));
    ExpectClassesRegistered(HKEY_CURRENT_USER);
    ExpectNothingRegistered(HKEY_LOCAL_MACHINE);
    ExpectAddinKey(); // the add-in key is always the machine's
    // The classes root shows the user's registration.
    EXPECT_EQ(kClsid, ReadString(HKEY_CLASSES_ROOT, u"VantoraAddin.Connect.1\\CLSID"));

    ASSERT_EQ(S_OK, m_install(FALSE, u"user"));
    ExpectNothingRegistered(HKEY_CURRENT_USER);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software\\Classes\\CLSID"));
}

TEST_F(ModuleTest, InstallWithALongerWordRegistersPerMachine)
{
    ASSERT_EQ(S_OK, m_install(TRUE, u"user")); // an earlier per-user call does not carry over
    ASSERT_EQ(S_OK, m_install(FALSE, u"user"));
    ASSERT_EQ(S_OK, m_install(TRUE, u"userx"));
    ExpectClassesRegistered(HKEY_LOCAL_MACHINE);
    ExpectNothingRegistered(HKEY_CURRENT_USER);
    ASSERT_EQ(S_OK, m_install(FALSE, nullptr));
    ExpectNothingRegistered(HKEY_LOCAL_MACHINE);
}

TEST_F(ModuleTest, RegistrationFailureIsReportedAndRolledBack)
{
    // A damaged machine registry cannot take the classes: the failure comes back, and nothing is half-written.
    testing_support::WriteFile(testing_support::Prefix() + "/registry/HKLM.reg", "not a registry file\n");
    EXPECT_TRUE(FAILED(m_register()));
    EXPECT_TRUE(FAILED(m_install(TRUE, nullptr)));
    EXPECT_EQ("not a registry file\n", testing_support::ReadFile(testing_support::Prefix() + "/registry/HKLM.reg"));
}

ULONG STDAPICALLTYPE FreeNothing(LPVOID)
{
    return 0;
}

TEST_F(ModuleTest, TheClassObjectMakesTheConnectObject)
{
    CLSID clsid;
    ASSERT_EQ(S_OK, CLSIDFromString(kClsid, &clsid));
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, m_getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    ASSERT_NE(nullptr, factory);
    IUnknown* object = nullptr;
    // Without the mail client's MAPI library nothing could be read: no object, and no exception escapes.
    EXPECT_EQ(E_OUTOFMEMORY, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
    pal::RegisterHostModule("OLMAPI32.DLL", {{"MAPIFreeBuffer", reinterpret_cast<void*>(&FreeNothing)}});
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
    factory->Release();
    // What Office asks of a COM add-in, and the dispatch interface its ribbon callbacks go through.
    for (const IID& iid : {__uuidof(AddInDesignerObjects::_IDTExtensibility2), __uuidof(Office::IRibbonExtensibility),
                           IID_IDispatch}) {
        IUnknown* p = nullptr;
        EXPECT_EQ(S_OK, object->QueryInterface(iid, reinterpret_cast<void**>(&p)));
        if (p)
            p->Release();
    }
    EXPECT_EQ(S_FALSE, m_canUnload());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(S_OK, m_canUnload());

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_getClassObject(GUID_NULL, IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, m_getClassObject(clsid, IID_IClassFactory, nullptr));
}
