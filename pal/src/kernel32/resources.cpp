// Resources of the modules: each module links in the .res file that windres compiled from its script and
// registers it at load time, keyed by the module's load address. An HRSRC points at an entry read from that
// image and LoadResource hands out the image's own bytes, so pointers stay valid while the module is loaded.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "common/text.h"
#include "kernel32/resfile.h"
#include "pal/host.h"

namespace pal::resources {

namespace {

struct ModuleImage {
    const void* image;
    std::vector<std::unique_ptr<Entry>> entries; // stable addresses: they are the HRSRCs
};

std::mutex& Lock()
{
    static std::mutex* m = new std::mutex; // outlives every module's unload at process exit
    return *m;
}

std::map<HMODULE, ModuleImage>& Modules()
{
    static auto* m = new std::map<HMODULE, ModuleImage>;
    return *m;
}

std::string ModuleName(HMODULE module)
{
    WCHAR path[4096];
    DWORD n = GetModuleFileNameW(module, path, 4096);
    if (n > 0 && n < 4096)
        return pal::ToUnixPath(path);
    char text[32];
    std::snprintf(text, sizeof text, "module %p", static_cast<void*>(module));
    return text;
}

void ReportProblems(const std::string& source, const std::vector<std::string>& problems, bool read)
{
    for (const std::string& problem : problems)
        std::fprintf(stderr, "vantora: resources of %s: %s\n", source.c_str(), problem.c_str());
    if (!read)
        std::fprintf(stderr, "vantora: resources of %s: refused, the module has none\n", source.c_str());
}

} // namespace

bool ReadModuleResources(const std::string& source, const void* image, size_t size, std::vector<Entry>& entries)
{
    std::vector<std::string> problems;
    bool read = ReadResFile(image, size, entries, problems);
    ReportProblems(source, problems, read);
    return read;
}

std::vector<HMODULE> RegisteredModules()
{
    std::lock_guard<std::mutex> guard(Lock());
    std::vector<HMODULE> out;
    for (const auto& m : Modules())
        out.push_back(m.first);
    return out;
}

} // namespace pal::resources

using pal::resources::Entry;

namespace {

struct Key {
    bool isName = false;
    WORD id = 0;
    std::u16string name;
};

Key MakeKey(LPCWSTR value)
{
    Key k;
    if (IS_INTRESOURCE(value)) {
        k.id = LOWORD(reinterpret_cast<ULONG_PTR>(value));
        return k;
    }
    if (value[0] == u'#') { // "#101" names resource 101
        DWORD n = 0;
        for (const WCHAR* c = value + 1; *c >= u'0' && *c <= u'9'; ++c)
            n = n * 10 + DWORD(*c - u'0');
        k.id = WORD(n);
        return k;
    }
    k.isName = true;
    for (const WCHAR* c = value; *c; ++c)
        k.name += pal::UpcaseUnit(*c);
    return k;
}

bool Matches(bool isName, WORD id, const std::u16string& name, const Key& k)
{
    return isName == k.isName && (isName ? name == k.name : id == k.id);
}

const WORD kUserLanguage = 0x0409;

HRSRC Find(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, bool anyLanguage)
{
    if (!module)
        module = GetModuleHandleW(nullptr);
    if (!type || !name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Key typeKey = MakeKey(type), nameKey = MakeKey(name);
    std::lock_guard<std::mutex> guard(pal::resources::Lock());
    auto it = pal::resources::Modules().find(module);
    if (it == pal::resources::Modules().end()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    std::vector<Entry*> candidates;
    bool typeFound = false;
    for (const auto& e : it->second.entries) {
        if (!Matches(e->typeIsName, e->typeId, e->typeName, typeKey))
            continue;
        typeFound = true;
        if (Matches(e->nameIsName, e->nameId, e->name, nameKey))
            candidates.push_back(e.get());
    }
    if (candidates.empty()) {
        SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    std::vector<WORD> order;
    if (language != 0)
        order = {language, WORD(MAKELANGID(language & 0x3FF, SUBLANG_NEUTRAL)), 0};
    else
        order = {kUserLanguage, 0, WORD(MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL))};
    for (WORD want : order)
        for (Entry* e : candidates)
            if (e->language == want)
                return reinterpret_cast<HRSRC>(e);
    if (anyLanguage)
        return reinterpret_cast<HRSRC>(candidates.front());
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return nullptr;
}

} // namespace

extern "C" BOOL PalRegisterModuleResources(HMODULE hModule, const void* image, DWORD size)
{
    std::vector<Entry> parsed;
    if (!hModule) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> problems;
    bool read = pal::resources::ReadResFile(image, size, parsed, problems);
    if (!problems.empty()) // named only then: finding the module's file takes a walk of the loaded objects
        pal::resources::ReportProblems(pal::resources::ModuleName(hModule), problems, read);
    if (!read) {
        SetLastError(ERROR_BAD_FORMAT);
        return FALSE;
    }
    pal::resources::ModuleImage module{image, {}};
    for (Entry& e : parsed)
        module.entries.push_back(std::make_unique<Entry>(std::move(e)));
    std::lock_guard<std::mutex> guard(pal::resources::Lock());
    pal::resources::Modules()[hModule] = std::move(module);
    return TRUE;
}

extern "C" void PalUnregisterModuleResources(HMODULE hModule, const void* image)
{
    std::lock_guard<std::mutex> guard(pal::resources::Lock());
    auto it = pal::resources::Modules().find(hModule);
    if (it != pal::resources::Modules().end() && it->second.image == image)
        pal::resources::Modules().erase(it);
}

extern "C" HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    return Find(hModule, lpType, lpName, 0, true);
}

extern "C" HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    return Find(hModule, lpType, lpName, wLanguage, false);
}

extern "C" HGLOBAL LoadResource(HMODULE, HRSRC hResInfo)
{
    if (!hResInfo) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<BYTE*>(reinterpret_cast<const Entry*>(hResInfo)->data);
}

extern "C" LPVOID LockResource(HGLOBAL hResData) { return hResData; }


extern "C" DWORD SizeofResource(HMODULE, HRSRC hResInfo)
{
    if (!hResInfo) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return reinterpret_cast<const Entry*>(hResInfo)->size;
}

extern "C" int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WORD id = LOWORD(uID);
    HRSRC block = FindResourceW(hInstance, MAKEINTRESOURCEW((id >> 4) + 1), RT_STRING);
    if (!block) {
        if (cchBufferMax > 0)
            lpBuffer[0] = 0;
        return 0;
    }
    const auto* entry = reinterpret_cast<const Entry*>(block);
    // A block holds 16 counted strings; an empty slot is a count of 0 (no error is set for it).
    const BYTE* p = entry->data;
    const BYTE* end = entry->data + entry->size;
    auto count = [](const BYTE* q) { return size_t(q[0] | (q[1] << 8)); };
    for (WORD i = 0; i < (id & 15); ++i) {
        if (end - p < 2 || size_t(end - p - 2) / 2 < count(p)) {
            SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return 0;
        }
        p += 2 + 2 * count(p);
    }
    if (end - p < 2 || size_t(end - p - 2) / 2 < count(p)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    size_t length = count(p);
    const WCHAR* text = reinterpret_cast<const WCHAR*>(p + 2);
    if (cchBufferMax == 0) {
        *reinterpret_cast<const WCHAR**>(lpBuffer) = text;
        return int(length);
    }
    size_t copied = std::min(length, size_t(cchBufferMax - 1));
    std::memcpy(lpBuffer, text, copied * sizeof(WCHAR));
    lpBuffer[copied] = 0;
    return int(copied);
}
