// What Outlook does with the add-in at start-up, as a Windows program run under Wine after the system's
// registration tool has registered the DLL: read the add-in key, resolve the ProgID to the class, find the
// class's in-process server, see that what the add-in reads from its folder is there, load it and ask it
// for the class object. Until the Connect class can be made, the module answers that the class is not
// available; it must still load, answer and unload cleanly.
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

// Windows' HKEY_CLASSES_ROOT merges the user's classes (HKCU\Software\Classes, where a per-user install
// registers) over the machine's; Wine's shows the machine's alone. Under Wine the user's are read first here.
LSTATUS ReadClassesText(const wchar_t* key, wchar_t* text, DWORD bytes)
{
    DWORD size = bytes;
    if (UnderWine()) {
        wchar_t userKey[300];
        std::swprintf(userKey, 300, L"Software\\Classes\\%ls", key);
        if (RegGetValueW(HKEY_CURRENT_USER, userKey, nullptr, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS) {
            static bool noted = false;
            if (!noted)
                std::printf("note: Wine's HKEY_CLASSES_ROOT does not show the user's classes; reading them as "
                            "Windows merges them\n");
            noted = true;
            return ERROR_SUCCESS;
        }
        size = bytes;
    }
    return RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, text, &size);
}

// Windows' COM follows a version-independent ProgID's CurVer to the current version's CLSID; Wine's
// CLSIDFromProgID reads only the ProgID's own CLSID key (and the machine's classes alone). Under Wine the
// registry is read here as Windows reads it.
HRESULT ResolveProgId(const wchar_t* progId, CLSID* clsid)
{
    HRESULT hr = CLSIDFromProgID(progId, clsid);
    if (SUCCEEDED(hr) || !UnderWine())
        return hr;
    wchar_t key[256], current[256], text[64];
    std::swprintf(key, 256, L"%ls\\CurVer", progId);
    if (ReadClassesText(key, current, sizeof(current)) != ERROR_SUCCESS)
        return hr;
    std::printf("note: Wine's CLSIDFromProgID does not follow CurVer; following it as Windows does\n");
    std::swprintf(key, 256, L"%ls\\CLSID", current);
    if (ReadClassesText(key, text, sizeof(text)) != ERROR_SUCCESS)
        return hr;
    return CLSIDFromString(text, clsid);
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
    // Outlook reads the user's add-in keys and the machine's: a per-user install writes only the first.
    const wchar_t addinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect";
    DWORD loadBehavior = 0, size = sizeof(loadBehavior);
    LSTATUS found = RegGetValueW(HKEY_CURRENT_USER, addinKey, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr,
                                 &loadBehavior, &size);
    if (found != ERROR_SUCCESS) {
        size = sizeof(loadBehavior);
        found = RegGetValueW(HKEY_LOCAL_MACHINE, addinKey, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &loadBehavior,
                             &size);
    }
    Check(found == ERROR_SUCCESS && loadBehavior == 3, "the add-in key says load at start-up");

    Check(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), "COM starts");
    CLSID clsid{};
    Check(SUCCEEDED(ResolveProgId(L"VantoraAddin.Connect", &clsid)), "the ProgID names a class");
    wchar_t clsidText[40] = {};
    StringFromGUID2(clsid, clsidText, 40);
    Check(std::wcscmp(clsidText, L"{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}") == 0, "the class is Connect's");

    wchar_t serverKey[128];
    std::swprintf(serverKey, 128, L"CLSID\\%ls\\InprocServer32", clsidText);
    wchar_t module[MAX_PATH] = {};
    Check(ReadClassesText(serverKey, module, sizeof(module)) == ERROR_SUCCESS, "the class has an in-process server");
    // What the add-in looks for in its own folder: the country database, the user guide, the map library.
    wchar_t folder[MAX_PATH] = {};
    std::wcsncpy(folder, module, MAX_PATH - 1);
    if (wchar_t* slash = std::wcsrchr(folder, L'\\'))
        slash[1] = 0;
    const wchar_t* const beside[] = {L"GeoCountries.dat", L"Help.pdf", L"openlayers\\OpenLayers.js"};
    for (const wchar_t* name : beside) {
        wchar_t path[MAX_PATH];
        std::swprintf(path, MAX_PATH, L"%ls%ls", folder, name);
        DWORD attributes = GetFileAttributesW(path);
        char what[128];
        std::snprintf(what, sizeof what, "%ls is beside the server", name);
        Check(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY), what);
    }
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
