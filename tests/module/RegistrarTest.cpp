// The registrar's script language, the module's object map and class factory, and the Office add-in key.
#include <gtest/gtest.h>

#include <atlcom.h>

#include <cstring>
#include <filesystem>

#include "__Utilities/ErrorLog.h"
#include "addin/AddinModule.h"
#include "__Utilities/OfficeAddInRegistry.h"
#include "pal/host.h"
#include "support/RegistryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

std::u16string Get(HKEY root, const char16_t* path, const char16_t* name = nullptr)
{
    WCHAR buf[256];
    DWORD size = sizeof(buf), type = 0;
    LSTATUS s = RegGetValueW(root, path, name, RRF_RT_ANY, &type, buf, &size);
    if (s != ERROR_SUCCESS)
        return u"<missing>";
    if (type == REG_DWORD) {
        DWORD d;
        std::memcpy(&d, buf, sizeof(d));
        return u"dword " + pal::ToWide(std::to_string(d));
    }
    if (type == REG_BINARY)
        return u"binary " + pal::ToWide(std::to_string(size));
    return std::u16string(buf, size / 2 - 1);
}

bool Exists(HKEY root, const char16_t* path) { return testing_support::KeyExists(root, path); }

class RegistrarTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove_all(testing_support::Prefix() + "/registry"); }
};

const char16_t kScript[] = uR"(HKCU
{
	NoRemove Software
	{
		ForceRemove 'Test App' = s 'it''s %NAME%'
		{
			val Count = d '0x10'
			val Data = b '00ff10'
			val List = m 'a\0b'
			{C0FFEE00-0000-0000-0000-000000000001} = s '%MODULE%'
			Sub
			{
				val Plain = s 'x'
			}
		}
		Delete Obsolete
		Kept = s 'shared'
	}
})";

} // namespace

TEST_F(RegistrarTest, ScriptRegistersKeysValuesAndReplacements)
{
    HKEY stale = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Test App\\Stale", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &stale, nullptr));
    RegCloseKey(stale);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Obsolete\\Child", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &stale, nullptr));
    RegCloseKey(stale);

    ATL::CRegObject ro;
    ro.AddReplacement(u"NAME", u"Vantora");
    ro.AddReplacement(u"MODULE", u"Z:\\o'clock\\m.so");
    ASSERT_EQ(S_OK, ro.StringRegister(kScript));
    EXPECT_EQ(u"it's Vantora", Get(HKEY_CURRENT_USER, u"Software\\Test App"));
    EXPECT_EQ(u"dword 16", Get(HKEY_CURRENT_USER, u"Software\\Test App", u"Count"));
    EXPECT_EQ(u"binary 3", Get(HKEY_CURRENT_USER, u"Software\\Test App", u"Data"));
    EXPECT_EQ(u"x", Get(HKEY_CURRENT_USER, u"Software\\Test App\\Sub", u"Plain"));
    EXPECT_EQ(u"Z:\\o'clock\\m.so", Get(HKEY_CURRENT_USER, u"Software\\Test App\\{C0FFEE00-0000-0000-0000-000000000001}"));
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, u"Software\\Test App\\Stale")); // ForceRemove starts afresh
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, u"Software\\Obsolete"));        // Delete removes on registration
    WCHAR list[16];
    DWORD size = sizeof(list);
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetValueW(HKEY_CURRENT_USER, u"Software\\Test App", u"List", RRF_RT_REG_MULTI_SZ, nullptr, list, &size));
    EXPECT_EQ(std::u16string(u"a\0b\0\0", 5), std::u16string(list, size / 2));

    // Unregistration removes the script's keys, but not NoRemove ones nor keys someone else added below.
    HKEY shared = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Kept\\Theirs", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &shared, nullptr));
    RegCloseKey(shared);
    ASSERT_EQ(S_OK, ro.StringUnregister(kScript));
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, u"Software\\Test App"));
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, u"Software"));
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, u"Software\\Kept\\Theirs"));
    EXPECT_EQ(S_OK, ro.StringUnregister(kScript)); // nothing left to remove is fine
}

TEST_F(RegistrarTest, NamesWithLoneSurrogatesRegisterAgainAndUnregister)
{
    // A key named x + U+D800, a value named U+DC00 + y, a default text ending in U+D800.
    std::u16string script = u"HKCU { NoRemove Software { 'x\xD800' = s 'end\xD800' { val '\xDC00y' = s 'v' } } }";
    const std::u16string key = u"Software\\x\xD800";
    const std::u16string value = u"\xDC00y";
    ATL::CRegObject ro;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(S_OK, ro.StringRegister(script.c_str())) << round;
        HKEY h = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h)) << round;
        DWORD values = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                                  nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(2u, values) << round; // the default and the one named value, never a second copy
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, value.c_str(), nullptr, nullptr, nullptr, nullptr)) << round;
        RegCloseKey(h);
        EXPECT_EQ(std::u16string(u"end\xD800"), Get(HKEY_CURRENT_USER, key.c_str()));
    }
    ASSERT_EQ(S_OK, ro.StringUnregister(script.c_str()));
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, key.c_str()));
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, u"Software"));
}

TEST_F(RegistrarTest, MalformedScriptsWriteNothing)
{
    ATL::CRegObject ro;
    const char16_t* bad[] = {
        u"HKXX { Key }",                        // unknown root
        u"HKCU { Software { Key = s 'open }",   // unterminated text
        u"HKCU { Key = d 'ten' }",              // not a number
        u"HKCU { Key = q 'x' }",                // unknown type
        u"HKCU { Key = s '%UNKNOWN%' }",        // no such replacement
        u"HKCU { val Top = s 'x' }",            // values need a key
        u"HKCU { Key ",                         // unclosed
    };
    for (const char16_t* script : bad) {
        EXPECT_EQ(DISP_E_EXCEPTION, ro.StringRegister(script)) << pal::ToUtf8(script);
        EXPECT_FALSE(Exists(HKEY_CURRENT_USER, u"Key")) << pal::ToUtf8(script);
    }
}

class CTestObject;
__CRT_UUID_DECL(CTestObject, 0x0D0D0D0D, 0x1111, 0x2222, 0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44)

namespace {

int g_finalReleases = 0;

} // namespace

// A class of two interfaces, made through the module as Outlook makes the add-in's.
class CTestObject : public ATL::CComObjectRootEx<ATL::CComSingleThreadModel>,
                    public ATL::CComCoClass<CTestObject, &__uuidof(CTestObject)>,
                    public ISupportErrorInfo,
                    public IErrorInfo {
public:
    DECLARE_NO_REGISTRY()
    BEGIN_COM_MAP(CTestObject)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
        COM_INTERFACE_ENTRY(IErrorInfo)
    END_COM_MAP()

    void FinalRelease() { ++g_finalReleases; }
    HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_OK; }
    HRESULT GetGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT GetSource(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetDescription(BSTR* p) override
    {
        *p = SysAllocString(u"made by the module");
        return S_OK;
    }
    HRESULT GetHelpFile(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetHelpContext(DWORD*) override { return E_NOTIMPL; }
};
OBJECT_ENTRY_AUTO(__uuidof(CTestObject), CTestObject)

TEST(ModuleObjectMapTest, ClassFactoryMakesObjectsWhoseInterfacesShareOneIdentity)
{
    ASSERT_EQ(S_OK, _AtlModule.DllCanUnloadNow());
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, _AtlModule.DllGetClassObject(__uuidof(CTestObject), IID_IClassFactory,
                                                 reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_FALSE, _AtlModule.DllCanUnloadNow()); // a factory in a client's hands holds the module

    CComPtr<IUnknown> unk;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unk)));
    CComQIPtr<IErrorInfo> info(unk);
    CComQIPtr<ISupportErrorInfo> support(unk);
    ASSERT_TRUE(info && support);
    EXPECT_NE(static_cast<void*>(info.p), static_cast<void*>(support.p));
    EXPECT_TRUE(info.IsEqualObject(support));
    CComBSTR text;
    EXPECT_EQ(S_OK, info->GetDescription(&text));
    EXPECT_TRUE(text == u"made by the module");
    CComPtr<IClassFactory> notThere;
    EXPECT_EQ(E_NOINTERFACE, unk->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&notThere)));

    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(unk, IID_IUnknown, reinterpret_cast<void**>(&notThere)));
    unk.Release();
    info.Release();
    EXPECT_EQ(0, g_finalReleases);
    support.Release();
    EXPECT_EQ(1, g_finalReleases);

    factory->LockServer(TRUE);
    factory.Release();
    EXPECT_EQ(S_FALSE, _AtlModule.DllCanUnloadNow()); // LockServer holds it past the factory's release
    _AtlModule.Unlock();
    EXPECT_EQ(S_OK, _AtlModule.DllCanUnloadNow());
}

TEST(ModuleObjectMapTest, AClassOutsideTheMapHasNoFactory)
{
    CComPtr<IClassFactory> factory;
    const CLSID unknown = pal::GuidFromString("0D0D0D0D-1111-2222-3333-555555555555");
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, _AtlModule.DllGetClassObject(unknown, IID_IClassFactory,
                                                                     reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(nullptr, factory.p);
}

TEST(OfficeAddinRegistryTest, RegisterWritesTheKeyAndUnregisterRemovesItDepthFirst)
{
    std::filesystem::remove_all(testing_support::Prefix() + "/registry");
    COfficeAddinRegistry reg(u"Software\\Microsoft\\Office\\Outlook\\Addins\\Test.Connect", u"Test Add-In");
    ASSERT_EQ(S_OK, reg.Register());
    const char16_t* key = u"Software\\Microsoft\\Office\\Outlook\\Addins\\Test.Connect";
    EXPECT_EQ(u"dword 3", Get(HKEY_LOCAL_MACHINE, key, u"LoadBehavior"));
    EXPECT_EQ(u"dword 0", Get(HKEY_LOCAL_MACHINE, key, u"CommandLineSafe"));
    EXPECT_EQ(u"Test Add-In", Get(HKEY_LOCAL_MACHINE, key, u"FriendlyName"));
    EXPECT_EQ(u"Test Add-In", Get(HKEY_LOCAL_MACHINE, key, u"Description"));

    HKEY deep = nullptr;
    std::u16string deepPath = std::u16string(key) + u"\\A\\B\\" + std::u16string(255, u'n');
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, deepPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &deep, nullptr));
    RegCloseKey(deep);
    ASSERT_EQ(S_OK, reg.Unregister());
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key));
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Office\\Outlook\\Addins"));
    EXPECT_EQ(S_OK, reg.Unregister());
}

TEST(OfficeAddinRegistryTest, FailuresAreLoggedAndReturnEFail)
{
    std::string file = testing_support::Prefix() + "/registry/HKLM.reg";
    testing_support::WriteFile(file, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Broken\n");
    COfficeAddinRegistry reg(u"Software\\Test", u"Test");
    EXPECT_EQ(E_FAIL, reg.Register());
    EXPECT_EQ(E_FAIL, reg.Unregister());
    std::string log = pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str);
    EXPECT_NE(std::string::npos, log.find("COfficeAddinRegistry::Register")) << log;
    EXPECT_NE(std::string::npos, log.find("\"retValue == ERROR_SUCCESS\"")) << log;
    std::filesystem::remove_all(testing_support::Prefix() + "/registry");
}
