// COM start-up, task memory and the creation of the classes this layer provides.
#include <cstdlib>
#include <mutex>
#include <vector>

#include "pal/host.h"
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

} // namespace

void pal::RegisterBuiltinClass(REFCLSID clsid, const WCHAR* progId, ClassFactoryFn create)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Classes().push_back({clsid, progId ? progId : u"", std::move(create)});
}

extern "C" HRESULT CoInitializeEx(LPVOID, DWORD) { return S_OK; }
extern "C" HRESULT CoInitialize(LPVOID) { return S_OK; }
extern "C" void CoUninitialize() {}

extern "C" LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }
extern "C" LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) { return std::realloc(pv, cb ? cb : 1); }
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
    return CO_E_CLASSSTRING;
}

extern "C" HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    pal::ClassFactoryFn create;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        for (const BuiltinClass& c : Classes())
            if (c.clsid == rclsid)
                create = c.create;
    }
    return create ? create(riid, ppv) : REGDB_E_CLASSNOTREG;
}
