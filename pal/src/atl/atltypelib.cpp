// Type library registration of a module: its TYPELIB resource holds the library's IDL text.
#include <cstdlib>

#include "atlcom.h"
#include "oleaut32/typelib_idl.h"
#include "pal/host.h"

namespace ATL {

namespace {

HRESULT LoadLibraryText(HINSTANCE hInst, LPCOLESTR index, pal::typelib::IdlLibrary& lib)
{
    UINT id = 1;
    if (index && *index) {
        std::string n = pal::ToUtf8(index[0] == u'\\' ? index + 1 : index);
        char* end = nullptr;
        id = UINT(std::strtoul(n.c_str(), &end, 10));
        if (n.empty() || *end || id == 0)
            return E_INVALIDARG;
    }
    HRSRC res = FindResourceW(hInst, MAKEINTRESOURCEW(id), u"TYPELIB");
    HGLOBAL data = res ? LoadResource(hInst, res) : nullptr;
    const char* text = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!text)
        return TYPE_E_CANTLOADLIBRARY;
    if (!pal::typelib::ParseIdl(std::string(text, SizeofResource(hInst, res)), lib))
        return TYPE_E_CANTLOADLIBRARY;
    return S_OK;
}

} // namespace

HRESULT AtlRegisterTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex)
{
    pal::typelib::IdlLibrary lib;
    HRESULT hr = LoadLibraryText(hInstTypeLib, lpszIndex, lib);
    if (FAILED(hr))
        return hr;
    WCHAR path[1024];
    DWORD n = GetModuleFileNameW(hInstTypeLib, path, 1024);
    if (n == 0 || n >= 1024)
        return TYPE_E_CANTLOADLIBRARY;
    std::u16string module(path, n);
    if (lpszIndex && *lpszIndex && std::u16string(lpszIndex) != u"\\1")
        module += lpszIndex[0] == u'\\' ? std::u16string(lpszIndex) : u"\\" + std::u16string(lpszIndex);
    std::u16string helpDir(path, n);
    helpDir.erase(helpDir.find_last_of(u'\\') == std::u16string::npos ? 0 : helpDir.find_last_of(u'\\'));
    return pal::typelib::RegisterLibrary(lib, module, helpDir);
}

HRESULT AtlUnRegisterTypeLib(HINSTANCE hInstTypeLib, LPCOLESTR lpszIndex)
{
    pal::typelib::IdlLibrary lib;
    HRESULT hr = LoadLibraryText(hInstTypeLib, lpszIndex, lib);
    return FAILED(hr) ? hr : pal::typelib::UnregisterLibrary(lib);
}

} // namespace ATL
