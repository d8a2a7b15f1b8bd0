// COM start-up, task memory and the creation of the classes this layer provides.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "msxml6.h"
#include "mshtml.h"
#include "pal/host.h"
#include "kernel32/memory.h"
#include "windows.h"

namespace {

struct BuiltinClass {
    CLSID clsid;
    std::u16string progId;
    pal::ClassFactoryFn create;
};

std::mutex g_lock;

std::vector<BuiltinClass>& Classes()
{
    static std::vector<BuiltinClass> classes;
    return classes;
}

pal::ClassFactoryFn FindFactory(REFCLSID clsid)
{
    std::lock_guard<std::mutex> guard(g_lock);
    const std::vector<BuiltinClass>& classes = Classes();
    for (auto it = classes.rbegin(); it != classes.rend(); ++it) // the latest registration wins
        if (it->clsid == clsid)
            return it->create;
    return {};
}

// The classes of the layer's component libraries, known before the library is loaded as the registry
// knows an in-process server's classes: the library is loaded when one of them is first created, and its
// own registrations then provide the factories. MSXML brings in libxml2 and libcurl, which a process that
// never creates an MSXML object does not load.
struct ComponentClass {
    GUID clsid;
    const char16_t* progId;
    const char* library;
};

constexpr const char kMsxml[] = "libmsxml6.so";
constexpr const char kMshtml[] = "libmshtml.so";
constexpr ComponentClass kComponentClasses[] = {
    {CLSID_DOMDocument, u"Msxml.DOMDocument", kMsxml},
    {CLSID_DOMDocument, u"Microsoft.XMLDOM", kMsxml},
    {CLSID_DOMDocument60, u"Msxml2.DOMDocument.6.0", kMsxml},
    {CLSID_XMLHTTP60, u"Msxml2.XMLHTTP.6.0", kMsxml},
    {CLSID_ServerXMLHTTP60, u"Msxml2.ServerXMLHTTP.6.0", kMsxml},
    {CLSID_HTMLDocument, u"htmlfile", kMshtml},
};

const char* ComponentLibraryOf(REFCLSID clsid)
{
    for (const ComponentClass& c : kComponentClasses)
        if (c.clsid == clsid)
            return c.library;
    return nullptr;
}

// Loads a component library once, from the folder of this layer's own library (where the build and the
// installation put it), else through the dynamic linker's search path.
HRESULT LoadComponentLibrary(const char* library)
{
    static std::mutex loadLock;
    static std::set<std::string> loaded;
    std::lock_guard<std::mutex> guard(loadLock); // not g_lock: the library registers its classes as it loads
    if (loaded.count(library))
        return S_OK;
    std::string path = library;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&CoCreateInstance), &self) && self.dli_fname) {
        std::string own = self.dli_fname;
        size_t slash = own.find_last_of('/');
        if (slash != std::string::npos)
            path = own.substr(0, slash + 1) + library;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && path != library)
        handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::fprintf(stderr, "vantora: cannot load the component library %s (%s)\n", library, why ? why : "?");
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    loaded.insert(library); // never unloaded, as COM keeps a server whose objects may still live
    return S_OK;
}

} // namespace

void pal::RegisterBuiltinClass(REFCLSID clsid, const WCHAR* progId, ClassFactoryFn create)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Classes().push_back({clsid, progId ? progId : u"", std::move(create)});
}

extern "C" HRESULT CoInitializeEx(LPVOID, DWORD) { return S_OK; }
extern "C" void CoUninitialize() {}

extern "C" LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }
extern "C" void CoTaskMemFree(LPVOID pv) { std::free(pv); }

extern "C" HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid)
{
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    std::lock_guard<std::mutex> guard(g_lock);
    for (const BuiltinClass& c : Classes()) {
        if (!c.progId.empty() && _wcsicmp(c.progId.c_str(), lpszProgID) == 0) {
            *lpclsid = c.clsid;
            return S_OK;
        }
    }
    for (const ComponentClass& c : kComponentClasses) {
        if (_wcsicmp(c.progId, lpszProgID) == 0) {
            *lpclsid = c.clsid;
            return S_OK;
        }
    }
    return CO_E_CLASSSTRING;
}

extern "C" HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    pal::ClassFactoryFn create = FindFactory(rclsid);
    if (!create) {
        const char* library = ComponentLibraryOf(rclsid);
        if (!library)
            return REGDB_E_CLASSNOTREG;
        HRESULT hr = LoadComponentLibrary(library);
        if (FAILED(hr))
            return hr;
        create = FindFactory(rclsid);
    }
    return create ? create(riid, ppv) : REGDB_E_CLASSNOTREG;
}
