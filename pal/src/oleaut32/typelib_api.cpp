// LoadTypeLibEx, LoadRegTypeLib, RegisterTypeLib and UnRegisterTypeLib over the layer's type libraries: a
// module's TYPELIB resource holds the library's IDL text, which ParseIdl reads. Registration writes the keys
// the system's RegisterTypeLib writes (typelib_register.cpp). The library describes its interfaces through
// ITypeInfo (typeinfo.cpp).
#include <cstdio>
#include <string>

#include "oleauto.h"

#include "pal/com_object.h"
#include "oleaut32/typeinfo.h"
#include "oleaut32/typelib_idl.h"
#include "pal/host.h"
#include "common/stub.h"

namespace {

class CTypeLib final : public pal::ComObject<pal::ComEntry<ITypeLib>> {
public:
    explicit CTypeLib(pal::typelib::IdlLibrary lib) : m_lib(std::move(lib)) {}
    const pal::typelib::IdlLibrary& Library() const { return m_lib; }

    UINT GetTypeInfoCount() override { return UINT(m_lib.interfaces.size()); }
    HRESULT GetTypeInfo(UINT index, ITypeInfo** pp) override
    {
        if (!pp)
            return E_INVALIDARG;
        if (index >= m_lib.interfaces.size())
            return Nothing(pp);
        *pp = pal::typelib::CreateTypeInfo(this, m_lib, m_lib.interfaces[index]);
        return S_OK;
    }
    HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override
    {
        if (!kind)
            return E_INVALIDARG;
        if (index >= m_lib.interfaces.size())
            return TYPE_E_ELEMENTNOTFOUND;
        const auto& itf = m_lib.interfaces[index];
        *kind = itf.dual || itf.dispinterface ? TKIND_DISPATCH : TKIND_INTERFACE;
        return S_OK;
    }
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** pp) override
    {
        if (!pp)
            return E_INVALIDARG;
        for (UINT i = 0; i < m_lib.interfaces.size(); ++i)
            if (m_lib.interfaces[i].iid == guid)
                return GetTypeInfo(i, pp);
        return Nothing(pp);
    }
    HRESULT GetLibAttr(TLIBATTR** pp) override
    {
        if (!pp)
            return E_INVALIDARG;
        *pp = new TLIBATTR{m_lib.libid, m_lib.lcid, SYS_WIN64, m_lib.major, m_lib.minor, 0};
        return S_OK;
    }
    HRESULT GetTypeComp(ITypeComp**) override { return PAL_STUB(); }
    HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* context, BSTR* helpFile) override
    {
        if (index != -1)
            return TYPE_E_ELEMENTNOTFOUND;
        if (name)
            *name = SysAllocStringLen(m_lib.name.data(), UINT(m_lib.name.size()));
        if (doc)
            *doc = m_lib.helpString.empty() ? nullptr
                                            : SysAllocStringLen(m_lib.helpString.data(), UINT(m_lib.helpString.size()));
        if (context)
            *context = 0;
        if (helpFile)
            *helpFile = nullptr;
        return S_OK;
    }
    HRESULT IsName(LPOLESTR, ULONG, BOOL*) override { return PAL_STUB(); }
    HRESULT FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) override { return PAL_STUB(); }
    void ReleaseTLibAttr(TLIBATTR* p) override { delete p; }

private:
    static HRESULT Nothing(ITypeInfo** pp)
    {
        if (pp)
            *pp = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }

    pal::typelib::IdlLibrary m_lib;
};

// "path\N": the resource number after the module's path, when the last part is all digits.
void SplitIndex(const std::u16string& file, std::u16string& module, UINT& index)
{
    module = file;
    index = 1;
    size_t slash = file.find_last_of(u'\\');
    if (slash == std::u16string::npos || slash + 1 >= file.size())
        return;
    UINT n = 0;
    for (size_t i = slash + 1; i < file.size(); ++i) {
        if (file[i] < u'0' || file[i] > u'9' || n > 6553)
            return;
        n = n * 10 + UINT(file[i] - u'0');
    }
    if (n == 0)
        return;
    module = file.substr(0, slash);
    index = n;
}

HRESULT Load(LPCOLESTR file, pal::typelib::IdlLibrary& lib)
{
    if (!file || !*file)
        return E_INVALIDARG;
    std::u16string module;
    UINT index = 1;
    SplitIndex(file, module, index);
    HMODULE h = LoadLibraryW(module.c_str());
    if (!h)
        return TYPE_E_CANTLOADLIBRARY;
    HRESULT hr = TYPE_E_CANTLOADLIBRARY;
    HRSRC res = FindResourceW(h, MAKEINTRESOURCEW(index), u"TYPELIB");
    HGLOBAL data = res ? LoadResource(h, res) : nullptr;
    const char* text = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (text && pal::typelib::ParseIdl(std::string(text, SizeofResource(h, res)), lib))
        hr = S_OK;
    FreeLibrary(h);
    return hr;
}

HRESULT Register(ITypeLib* ptlib, LPCOLESTR path, LPCOLESTR helpDir, bool forUser)
{
    auto* lib = dynamic_cast<CTypeLib*>(ptlib);
    if (!lib || !path)
        return E_INVALIDARG;
    return pal::typelib::RegisterLibrary(lib->Library(), path, helpDir ? helpDir : u"", forUser);
}

HRESULT Unregister(REFGUID libID, WORD major, WORD minor, LCID lcid, bool forUser)
{
    // The registered module tells which interfaces are the library's, as the system finds them.
    WCHAR guid[40];
    StringFromGUID2(libID, guid, 40);
    char version[32];
    std::snprintf(version, sizeof(version), "%x.%x\\%x\\win64", major, minor, lcid);
    std::u16string key = std::u16string(u"TypeLib\\") + guid + u"\\" + pal::ToWide(version);
    HKEY root = forUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    if (forUser)
        key = u"Software\\Classes\\" + key;
    WCHAR path[1024];
    DWORD size = sizeof(path);
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return E_INVALIDARG;
    pal::typelib::IdlLibrary lib;
    HRESULT hr = Load(path, lib);
    if (FAILED(hr))
        return hr;
    return pal::typelib::UnregisterLibrary(lib, forUser);
}

} // namespace

extern "C" HRESULT LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib** pptlib)
{
    if (!pptlib)
        return E_INVALIDARG;
    *pptlib = nullptr;
    pal::typelib::IdlLibrary lib;
    HRESULT hr = Load(szFile, lib);
    if (FAILED(hr))
        return hr;
    auto* tl = new CTypeLib(std::move(lib));
    if (regkind == REGKIND_REGISTER) {
        std::u16string file(szFile), helpDir = file.substr(0, file.find_last_of(u'\\') == std::u16string::npos
                                                                     ? 0
                                                                     : file.find_last_of(u'\\'));
        hr = Register(tl, szFile, helpDir.c_str(), false);
        if (FAILED(hr)) {
            tl->Release();
            return hr;
        }
    }
    *pptlib = tl;
    return S_OK;
}

// TypeLib\{LIBID}\<major>.<minor>\<lcid>\win64 of the best registered version: the same major version and
// the highest minor one from wVerMinor up; the language itself, else its primary language, else neutral.
extern "C" HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib)
{
    if (!pptlib)
        return E_INVALIDARG;
    *pptlib = nullptr;
    WCHAR guid[40];
    StringFromGUID2(rguid, guid, 40);
    std::u16string libKey = std::u16string(u"TypeLib\\") + guid;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, libKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return TYPE_E_LIBNOTREGISTERED;
    long best = -1;
    WCHAR name[64];
    DWORD size = 64;
    for (DWORD i = 0; RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = 64) {
        unsigned major = 0, minor = 0;
        std::string text = pal::ToUtf8(name);
        char dot = 0, end = 0;
        if (std::sscanf(text.c_str(), "%x%c%x%c", &major, &dot, &minor, &end) == 3 && dot == '.' &&
            major == wVerMajor && minor >= wVerMinor && long(minor) > best)
            best = long(minor);
    }
    RegCloseKey(key);
    if (best < 0)
        return TYPE_E_LIBNOTREGISTERED;
    char version[32];
    std::snprintf(version, sizeof(version), "\\%x.%lx\\", unsigned(wVerMajor), best);
    libKey += pal::ToWide(version);
    for (LCID tried : {lcid, LCID(lcid & 0x3FF), LCID(0)}) {
        char lang[16];
        std::snprintf(lang, sizeof(lang), "%x\\win64", unsigned(tried));
        WCHAR path[1024];
        DWORD bytes = sizeof(path);
        if (RegGetValueW(HKEY_CLASSES_ROOT, (libKey + pal::ToWide(lang)).c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                         path, &bytes) == ERROR_SUCCESS)
            return LoadTypeLibEx(path, REGKIND_NONE, pptlib);
    }
    return TYPE_E_LIBNOTREGISTERED;
}

extern "C" HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir)
{
    return Register(ptlib, szFullPath, szHelpDir, false);
}

extern "C" HRESULT RegisterTypeLibForUser(ITypeLib* ptlib, OLECHAR* szFullPath, OLECHAR* szHelpDir)
{
    return Register(ptlib, szFullPath, szHelpDir, true);
}

extern "C" HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND)
{
    return Unregister(libID, wVerMajor, wVerMinor, lcid, false);
}

extern "C" HRESULT UnRegisterTypeLibForUser(REFGUID libID, WORD wMajorVerNum, WORD wMinorVerNum, LCID lcid, SYSKIND)
{
    return Unregister(libID, wMajorVerNum, wMinorVerNum, lcid, true);
}
