// Modules: an HMODULE is the load address of an ELF object (its image base), found through the dynamic
// linker. The Windows system DLL names that Vantora asks for are answered by this layer's own library.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "pal/host.h"
#include "psapi.h"
#include "windows.h"

namespace {

struct LoadedObject {
    HMODULE base;
    std::string path; // empty for the main program
};

// An object's image base, as dladdr reports it (the page of its lowest loaded segment), read from its
// program headers: asking dladdr would search every loaded object again for each one.
HMODULE BaseOf(const dl_phdr_info* info)
{
    static const uintptr_t pageMask = ~uintptr_t(sysconf(_SC_PAGESIZE) - 1);
    uintptr_t lowest = UINTPTR_MAX;
    for (ElfW(Half) k = 0; k < info->dlpi_phnum; ++k)
        if (info->dlpi_phdr[k].p_type == PT_LOAD && (info->dlpi_phdr[k].p_vaddr & pageMask) < lowest)
            lowest = info->dlpi_phdr[k].p_vaddr & pageMask;
    return lowest == UINTPTR_MAX ? nullptr : reinterpret_cast<HMODULE>(info->dlpi_addr + lowest);
}

int Collect(dl_phdr_info* info, size_t, void* data)
{
    HMODULE base = BaseOf(info);
    if (!base)
        return 0;
    auto* list = static_cast<std::vector<LoadedObject>*>(data);
    list->push_back({base, info->dlpi_name ? info->dlpi_name : ""});
    return 0;
}

std::vector<LoadedObject> LoadedObjects()
{
    std::vector<LoadedObject> list;
    dl_iterate_phdr(Collect, &list);
    return list;
}

std::string MainProgramPath()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

struct PathSearch {
    HMODULE base = nullptr;
    bool found = false;
    std::string path;
};

int FindPath(dl_phdr_info* info, size_t, void* data)
{
    auto* search = static_cast<PathSearch*>(data);
    if (BaseOf(info) != search->base)
        return 0;
    search->found = true;
    search->path = info->dlpi_name ? info->dlpi_name : "";
    return 1; // stops the walk
}

// One walk over the loaded objects, stopped at the one sought.
std::string PathOf(HMODULE base)
{
    PathSearch search;
    search.base = base;
    dl_iterate_phdr(FindPath, &search);
    if (!search.found)
        return {};
    return search.path.empty() ? MainProgramPath() : search.path;
}

HMODULE OwnBase()
{
    Dl_info di{};
    dladdr(reinterpret_cast<void*>(&GetModuleHandleW), &di);
    return static_cast<HMODULE>(di.dli_fbase);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string FileStem(const std::string& path)
{
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool IsSystemDll(const std::string& stem)
{
    static const char* const names[] = {"ntdll", "kernel32", "kernelbase", "psapi", "ole32", "oleaut32",
                                        "shlwapi", "urlmon", "user32", "gdi32", "comctl32", "shell32",
                                        "advapi32", "msxml6", "mshtml", "version", "comdlg32", "riched20",
                                        "msftedit"}; // the rich edit 5.0 class, in riched20 here
    for (const char* n : names)
        if (stem == n)
            return true;
    return false;
}

std::mutex g_lock;
// Modules the host provides, by lower-case file stem; a node's address is the module's handle.
std::map<std::string, std::map<std::string, void*>> g_hostModules;

HMODULE FindHostModule(const std::string& stem)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_hostModules.find(stem);
    return it == g_hostModules.end() ? nullptr : reinterpret_cast<HMODULE>(&it->second);
}

bool FindHostExport(HMODULE module, const char* name, void** address)
{
    std::lock_guard<std::mutex> guard(g_lock);
    for (auto& [stem, exports] : g_hostModules)
        if (reinterpret_cast<HMODULE>(&exports) == module) {
            auto found = exports.find(name);
            *address = found == exports.end() ? nullptr : found->second;
            return true;
        }
    return false;
}
// Handles from LoadLibraryW, one per call: each FreeLibrary gives one back, so a module stays loaded until
// every LoadLibraryW of it is matched, as the system counts them.
std::map<HMODULE, std::vector<void*>> g_loaded;

void* OpenHandle(HMODULE base)
{
    if (base == GetModuleHandleW(nullptr))
        return dlopen(nullptr, RTLD_LAZY);
    std::string path = PathOf(base);
    return path.empty() ? nullptr : dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
}

} // namespace

HMODULE pal::RegisterHostModule(const std::string& dllName, std::map<std::string, void*> exports)
{
    std::string stem = Lower(FileStem(dllName));
    std::lock_guard<std::mutex> guard(g_lock);
    auto& node = g_hostModules[stem];
    node = std::move(exports);
    return reinterpret_cast<HMODULE>(&node);
}

extern "C" HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    std::vector<LoadedObject> objects = LoadedObjects();
    if (!lpModuleName) {
        for (const LoadedObject& o : objects)
            if (o.path.empty())
                return o.base;
        return nullptr;
    }
    std::string stem = Lower(FileStem(pal::ToUnixPath(lpModuleName)));
    if (IsSystemDll(stem))
        return OwnBase();
    if (HMODULE hostModule = FindHostModule(stem))
        return hostModule;
    for (const LoadedObject& o : objects) {
        std::string objectStem = Lower(FileStem(o.path));
        if (!o.path.empty() && (objectStem == stem || objectStem == "lib" + stem))
            return o.base;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

extern "C" BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule)
{
    if (!phModule) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        Dl_info di{};
        if (!dladdr(lpModuleName, &di) || !di.dli_fbase) {
            *phModule = nullptr;
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
        *phModule = static_cast<HMODULE>(di.dli_fbase);
        return TRUE;
    }
    *phModule = GetModuleHandleW(lpModuleName);
    return *phModule != nullptr;
}

extern "C" HMODULE LoadLibraryW(LPCWSTR lpLibFileName)
{
    if (!lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string path = pal::ToUnixPath(lpLibFileName);
    if (IsSystemDll(Lower(FileStem(path))))
        return OwnBase();
    // The running program cannot be opened again by its path; the system hands out the loaded one.
    std::error_code error;
    bool program = std::filesystem::equivalent(path, MainProgramPath(), error);
    void* handle = program ? dlopen(nullptr, RTLD_NOW) : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    link_map* map = nullptr;
    Dl_info di{};
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(map->l_ld, &di)) {
        dlclose(handle);
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    auto base = static_cast<HMODULE>(di.dli_fbase);
    std::lock_guard<std::mutex> guard(g_lock);
    g_loaded[base].push_back(handle);
    return base;
}

extern "C" BOOL FreeLibrary(HMODULE hLibModule)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_loaded.find(hLibModule);
    if (it == g_loaded.end())
        return hLibModule == OwnBase();
    dlclose(it->second.back());
    it->second.pop_back();
    if (it->second.empty())
        g_loaded.erase(it);
    return TRUE;
}

extern "C" FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (!hModule || !lpProcName || IS_INTRESOURCE(lpProcName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* hostExport = nullptr;
    if (FindHostExport(hModule, lpProcName, &hostExport)) {
        if (!hostExport)
            SetLastError(ERROR_PROC_NOT_FOUND);
        return hostExport;
    }
    void* handle = OpenHandle(hModule);
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* sym = dlsym(handle, lpProcName);
    dlclose(handle);
    if (!sym)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return sym;
}

extern "C" DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string path = hModule ? PathOf(hModule) : MainProgramPath();
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        lpFilename[0] = 0;
        return 0;
    }
    char real[PATH_MAX];
    if (realpath(path.c_str(), real))
        path = real;
    std::u16string w = pal::ToWindowsPath(path);
    if (w.size() >= nSize) {
        std::memcpy(lpFilename, w.data(), (nSize - 1) * sizeof(WCHAR));
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    return DWORD(w.size());
}

extern "C" HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(intptr_t(-1)); }

extern "C" BOOL EnumProcessModulesEx(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded, DWORD)
{
    if (hProcess != GetCurrentProcess() || !lpcbNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<LoadedObject> objects = LoadedObjects();
    *lpcbNeeded = DWORD(objects.size() * sizeof(HMODULE));
    for (size_t i = 0; i < objects.size() && (i + 1) * sizeof(HMODULE) <= cb; ++i)
        lphModule[i] = objects[i].base;
    return TRUE;
}

extern "C" BOOL EnumProcessModules(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded)
{
    return EnumProcessModulesEx(hProcess, lphModule, cb, lpcbNeeded, LIST_MODULES_DEFAULT);
}
