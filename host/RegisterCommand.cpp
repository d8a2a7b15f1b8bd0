// vantora register / unregister: calls the module's exports as the system's server registration tool
// does, with its exit codes (3: the module cannot be loaded, 4: no such export, 5: the call failed).
#include <cstdio>
#include <filesystem>

#include "host/Commands.h"
#include "pal/host.h"

namespace host {

namespace {

typedef HRESULT(STDAPICALLTYPE* ServerFn)();
typedef HRESULT(STDAPICALLTYPE* InstallFn)(BOOL bInstall, LPCWSTR pszCmdLine);

int Run(const Args& args, bool install)
{
    const char* verb = install ? "register" : "unregister";
    bool perUser = false;
    std::string module;
    for (const std::string& a : args) {
        if (a == "--user") {
            perUser = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "vantora %s: unknown option %s\nusage: vantora %s [--user] [MODULE]\n", verb,
                         a.c_str(), verb);
            return 1;
        } else if (module.empty()) {
            module = a;
        } else {
            std::fprintf(stderr, "vantora %s: more than one module given\n", verb);
            return 1;
        }
    }
    if (module.empty())
        module = DefaultModulePath();
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(module, ec);
    if (!ec)
        module = absolute.lexically_normal().string();

    HMODULE hModule = LoadLibraryW(pal::ToWindowsPath(module).c_str());
    if (!hModule) {
        std::fprintf(stderr, "vantora %s: the module %s could not be loaded\n", verb, module.c_str());
        return 3;
    }
    const char* entry = perUser ? "DllInstall" : install ? "DllRegisterServer" : "DllUnregisterServer";
    FARPROC proc = GetProcAddress(hModule, entry);
    if (!proc) {
        std::fprintf(stderr, "vantora %s: the module %s was loaded, but the entry point %s was not found\n", verb,
                     module.c_str(), entry);
        FreeLibrary(hModule);
        return 4;
    }
    HRESULT hr = perUser ? reinterpret_cast<InstallFn>(proc)(install, W("user")) : reinterpret_cast<ServerFn>(proc)();
    FreeLibrary(hModule);
    if (FAILED(hr)) {
        std::fprintf(stderr, "vantora %s: %s in %s failed: %s\n", verb, entry, module.c_str(), HResultText(hr).c_str());
        return 5;
    }
    std::printf("%s in %s succeeded%s.\n", entry, module.c_str(), perUser ? " (current user)" : "");
    return 0;
}

} // namespace

int RegisterCommand(const Args& args) { return Run(args, true); }
int UnregisterCommand(const Args& args) { return Run(args, false); }

} // namespace host
