// What Outlook does with the add-in at start-up, as a Windows program run under Wine after the system's
// registration tool has registered the DLL: read the add-in key, resolve the ProgID to the class, find the
// class's in-process server, load it and ask it for the class object. Until the Connect class can be made,
// the module answers that the class is not available; it must still load, answer and unload cleanly.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>

namespace {

int g_failures = 0;

bool UnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Windows' COM follows a version-independent ProgID's CurVer to the current version's CLSID; Wine's
// CLSIDFromProgID reads only the ProgID's own CLSID key. Under Wine the CurVer step is taken here.
HRESULT ResolveProgId(const wchar_t* progId, CLSID* clsid)
{
    HRESULT hr = CLSIDFromProgID(progId, clsid);
    if (SUCCEEDED(hr) || !UnderWine())
        return hr;
    wchar_t key[256], current[256];
    std::swprintf(key, 256, L"%ls\\CurVer", progId);
    DWORD size = sizeof(current);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, current, &size) != ERROR_SUCCESS)
        return hr;
    std::printf("note: Wine's CLSIDFromProgID does not follow CurVer; following it as Windows does\n");
    return CLSIDFromProgID(current, clsid);
}

void Check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok)
        ++g_failures;
}

} // namespace

int main()
{
    const wchar_t addinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect";
    DWORD loadBehavior = 0, size = sizeof(loadBehavior);
    Check(RegGetValueW(HKEY_LOCAL_MACHINE, addinKey, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &loadBehavior,
                       &size) == ERROR_SUCCESS && loadBehavior == 3,
          "the add-in key says load at start-up");

    Check(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), "COM starts");
    CLSID clsid{};
    Check(SUCCEEDED(ResolveProgId(L"VantoraAddin.Connect", &clsid)), "the ProgID names a class");
    wchar_t clsidText[40] = {};
    StringFromGUID2(clsid, clsidText, 40);
    Check(std::wcscmp(clsidText, L"{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}") == 0, "the class is Connect's");

    wchar_t serverKey[128];
    std::swprintf(serverKey, 128, L"CLSID\\%ls\\InprocServer32", clsidText);
    wchar_t module[MAX_PATH] = {};
    size = sizeof(module);
    Check(RegGetValueW(HKEY_CLASSES_ROOT, serverKey, nullptr, RRF_RT_REG_SZ, nullptr, module, &size) ==
              ERROR_SUCCESS,
          "the class has an in-process server");
    HMODULE dll = LoadLibraryW(module);
    Check(dll != nullptr, "the server loads");
    if (dll) {
        typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, void**);
        typedef HRESULT(STDAPICALLTYPE * CanUnloadFn)();
        auto getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllGetClassObject")));
        auto canUnload =
            reinterpret_cast<CanUnloadFn>(reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllCanUnloadNow")));
        Check(getClassObject && canUnload, "the server exports DllGetClassObject and DllCanUnloadNow");
        if (getClassObject && canUnload) {
            IClassFactory* factory = nullptr;
            // Outlook has its MAPI library loaded before it creates add-ins; Wine's stands in for it.
            HMODULE mapi = LoadLibraryW(L"mapi32.dll");
            Check(mapi != nullptr, "a MAPI library loads");
            HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
            Check(hr == S_OK && factory, "the server gives the class object of Connect");
            IUnknown* object = nullptr;
            if (factory) {
                hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
                Check(hr == S_OK && object, "the class object makes a Connect object");
                factory->Release();
            }
            if (object) {
                // Office's connection interface and the dispatch interface of the ribbon callbacks.
                static const IID kExtensibility = {0xB65AD801, 0xABAF, 0x11D0,
                                                   {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
                const IID* const wanted[] = {&kExtensibility, &IID_IDispatch};
                for (const IID* iid : wanted) {
                    IUnknown* p = nullptr;
                    Check(object->QueryInterface(*iid, reinterpret_cast<void**>(&p)) == S_OK && p,
                          "Connect answers the interfaces Office asks for");
                    if (p)
                        p->Release();
                }
                Check(canUnload() == S_FALSE, "a live object holds the server");
                object->Release();
            }
            Check(canUnload() == S_OK, "nothing holds the server");
        }
        FreeLibrary(dll);
    }
    CoUninitialize();
    std::printf("%s\n", g_failures ? "outlook-startup: FAILED" : "outlook-startup: passed");
    return g_failures ? 1 : 0;
}
