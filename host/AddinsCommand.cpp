// vantora addins: what the Office application finds at start-up. Each add-in key under
// HKLM\Software\Microsoft\Office\Outlook\Addins names a ProgID; the ProgID leads (directly or through
// CurVer) to a CLSID, the CLSID to its in-process module, and the module is loaded and asked for the
// class object, all through the registry alone.
#include <cstdio>
#include <optional>
#include <vector>

#include "host/AddinLoader.h"
#include "host/Commands.h"
#include "pal/host.h"

namespace host {

namespace {

struct Addin {
    std::string progId;
    std::optional<std::u16string> friendlyName, description;
    std::optional<DWORD> loadBehavior, commandLineSafe;
    std::string clsid, module, threadingModel;
    bool loaded = false;
    bool hasClassObject = false;
    HRESULT classObject = S_OK;
    std::string error; // why the add-in cannot be found or loaded
};

std::string LoadBehaviorText(DWORD v)
{
    std::string s;
    s += (v & 2) ? "load at start-up" : (v & 8) ? "load on demand" : (v & 16) ? "load at first start-up" : "do not load";
    s += (v & 1) ? ", loaded" : ", not loaded";
    return s;
}

void Inspect(Addin& a)
{
    AddinClass found = FindAddinClass(a.progId);
    a.clsid = found.clsid;
    a.module = found.module;
    a.threadingModel = found.threadingModel;
    if (!found.error.empty()) {
        a.error = found.error;
        return;
    }
    AddinModule module;
    if (!module.Load(a.module, a.error))
        return;
    a.loaded = true;
    if (module.HasClassObject()) {
        IClassFactory* factory = nullptr;
        a.classObject = module.GetClassObject(found.classId, &factory);
        a.hasClassObject = SUCCEEDED(a.classObject) && factory;
        if (factory)
            factory->Release();
    }
    // The module is unloaded as the application does when it agrees (module's destructor).
}

void PrintText(const std::vector<Addin>& addins)
{
    for (const Addin& a : addins) {
        std::printf("%s\n", a.progId.c_str());
        if (a.friendlyName)
            std::printf("  FriendlyName:    %s\n", pal::ToUtf8(*a.friendlyName).c_str());
        if (a.description)
            std::printf("  Description:     %s\n", pal::ToUtf8(*a.description).c_str());
        if (a.loadBehavior)
            std::printf("  LoadBehavior:    %u (%s)\n", unsigned(*a.loadBehavior), LoadBehaviorText(*a.loadBehavior).c_str());
        if (a.commandLineSafe)
            std::printf("  CommandLineSafe: %u\n", unsigned(*a.commandLineSafe));
        if (!a.clsid.empty())
            std::printf("  CLSID:           %s\n", a.clsid.c_str());
        if (!a.module.empty())
            std::printf("  Module:          %s%s\n", a.module.c_str(), a.loaded ? " (loaded)" : "");
        if (!a.threadingModel.empty())
            std::printf("  ThreadingModel:  %s\n", a.threadingModel.c_str());
        if (a.loaded)
            std::printf("  Class object:    %s\n",
                        a.hasClassObject ? "available" : ("not available: " + HResultText(a.classObject)).c_str());
        if (!a.error.empty())
            std::printf("  Error:           %s\n", a.error.c_str());
    }
}

void PrintJson(const std::vector<Addin>& addins)
{
    auto optString = [](const std::optional<std::u16string>& s) {
        return s ? JsonString(pal::ToUtf8(*s)) : std::string("null");
    };
    auto optNumber = [](const std::optional<DWORD>& v) { return v ? std::to_string(*v) : std::string("null"); };
    std::printf("[");
    for (size_t i = 0; i < addins.size(); ++i) {
        const Addin& a = addins[i];
        char hr[16];
        std::snprintf(hr, sizeof(hr), "0x%08X", unsigned(a.classObject));
        std::printf("%s\n  {\"progId\": %s, \"friendlyName\": %s, \"description\": %s, \"loadBehavior\": %s, "
                    "\"commandLineSafe\": %s, \"clsid\": %s, \"module\": %s, \"threadingModel\": %s, "
                    "\"loaded\": %s, \"classObject\": %s, \"classObjectResult\": %s, \"error\": %s}",
                    i ? "," : "", JsonString(a.progId).c_str(), optString(a.friendlyName).c_str(),
                    optString(a.description).c_str(), optNumber(a.loadBehavior).c_str(),
                    optNumber(a.commandLineSafe).c_str(), a.clsid.empty() ? "null" : JsonString(a.clsid).c_str(),
                    a.module.empty() ? "null" : JsonString(a.module).c_str(),
                    a.threadingModel.empty() ? "null" : JsonString(a.threadingModel).c_str(),
                    a.loaded ? "true" : "false", a.hasClassObject ? "true" : "false",
                    a.loaded ? JsonString(hr).c_str() : "null", a.error.empty() ? "null" : JsonString(a.error).c_str());
    }
    std::printf("%s]\n", addins.empty() ? "" : "\n");
}

} // namespace

int AddinsCommand(const Args& args)
{
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json") {
            json = true;
        } else {
            std::fprintf(stderr, "vantora addins: unknown argument %s\nusage: vantora addins [--json]\n", a.c_str());
            return 2;
        }
    }
    std::vector<Addin> addins;
    HKEY key = nullptr;
    LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAddinsKey, 0, KEY_READ, &key);
    if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "vantora addins: the registry cannot be read: %s\n",
                     HResultText(HRESULT_FROM_WIN32(DWORD(s))).c_str());
        return 1;
    }
    for (DWORD i = 0; key; ++i) {
        WCHAR name[256];
        DWORD cch = 256;
        if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Addin a;
        a.progId = pal::ToUtf8(name);
        std::u16string path = std::u16string(kAddinsKey) + u"\\" + name;
        a.friendlyName = ReadRegString(HKEY_LOCAL_MACHINE, path, W("FriendlyName"));
        a.description = ReadRegString(HKEY_LOCAL_MACHINE, path, W("Description"));
        a.loadBehavior = ReadRegDword(HKEY_LOCAL_MACHINE, path, W("LoadBehavior"));
        a.commandLineSafe = ReadRegDword(HKEY_LOCAL_MACHINE, path, W("CommandLineSafe"));
        addins.push_back(std::move(a));
    }
    if (key)
        RegCloseKey(key);
    for (Addin& a : addins)
        Inspect(a);

    if (json)
        PrintJson(addins);
    else if (addins.empty())
        std::printf("No add-ins are registered under HKEY_LOCAL_MACHINE\\%s.\n", pal::ToUtf8(kAddinsKey).c_str());
    else
        PrintText(addins);
    bool ok = !addins.empty();
    for (const Addin& a : addins)
        ok = ok && a.loaded;
    return ok ? 0 : 1;
}

} // namespace host
