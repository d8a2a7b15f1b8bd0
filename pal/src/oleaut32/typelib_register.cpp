// Type library registration under HKEY_CLASSES_ROOT, with the keys the system's RegisterTypeLib writes:
// TypeLib\{LIBID}\<major>.<minor> (name, 0\win64 = the module, FLAGS, HELPDIR) and Interface\{IID}
// (name, proxy-stub class of the automation marshaller, TypeLib with its Version).
#include <cstdio>

#include "oleaut32/typelib_idl.h"

namespace pal::typelib {

namespace {

const char16_t kAutomationProxy[] = u"{00020424-0000-0000-C000-000000000046}";

std::u16string GuidText(const GUID& g)
{
    WCHAR buf[40];
    StringFromGUID2(g, buf, 40);
    return buf;
}

std::u16string Hex(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%x", v);
    return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

std::u16string VersionText(const IdlLibrary& lib) { return Hex(lib.major) + u"." + Hex(lib.minor); }

HRESULT FromStatus(LSTATUS s) { return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s); }

// Creates root\path and sets its default value (and one named value when given).
HRESULT SetKey(HKEY root, const std::u16string& path, const std::u16string& value, const char16_t* name = nullptr,
               const std::u16string& named = {})
{
    HKEY key = nullptr;
    LSTATUS s = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (s != ERROR_SUCCESS)
        return FromStatus(s);
    s = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(WCHAR)));
    if (s == ERROR_SUCCESS && name)
        s = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(named.c_str()),
                           DWORD((named.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return FromStatus(s);
}

} // namespace

// The classes root of the machine, or the user's own classes.
HKEY ClassesRoot(bool forUser, std::u16string& prefix)
{
    prefix = forUser ? u"Software\\Classes\\" : u"";
    return forUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
}

HRESULT RegisterLibrary(const IdlLibrary& lib, const std::u16string& modulePath, const std::u16string& helpDir,
                        bool forUser)
{
    std::u16string prefix;
    HKEY root = ClassesRoot(forUser, prefix);
    std::u16string libid = GuidText(lib.libid);
    std::u16string base = prefix + u"TypeLib\\" + libid + u"\\" + VersionText(lib);
    HRESULT hr = SetKey(root, base, lib.helpString.empty() ? lib.name : lib.helpString);
    if (SUCCEEDED(hr))
        hr = SetKey(root, base + u"\\" + Hex(lib.lcid) + u"\\win64", modulePath);
    if (SUCCEEDED(hr))
        hr = SetKey(root, base + u"\\FLAGS", u"0");
    if (SUCCEEDED(hr))
        hr = SetKey(root, base + u"\\HELPDIR", helpDir);
    for (const IdlInterface& itf : lib.interfaces) {
        if (FAILED(hr) || !itf.automation)
            continue;
        std::u16string key = prefix + u"Interface\\" + GuidText(itf.iid);
        hr = SetKey(root, key, itf.name);
        if (SUCCEEDED(hr))
            hr = SetKey(root, key + u"\\ProxyStubClsid", kAutomationProxy);
        if (SUCCEEDED(hr))
            hr = SetKey(root, key + u"\\ProxyStubClsid32", kAutomationProxy);
        if (SUCCEEDED(hr))
            hr = SetKey(root, key + u"\\TypeLib", libid, u"Version", VersionText(lib));
    }
    return hr;
}

HRESULT UnregisterLibrary(const IdlLibrary& lib, bool forUser)
{
    std::u16string prefix;
    HKEY root = ClassesRoot(forUser, prefix);
    std::u16string libid = GuidText(lib.libid);
    HRESULT hr = S_OK;
    auto note = [&hr](LSTATUS s) {
        if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND && SUCCEEDED(hr))
            hr = HRESULT_FROM_WIN32(s);
    };
    for (const IdlInterface& itf : lib.interfaces) {
        if (!itf.automation)
            continue;
        // Only the interface keys that still point at this library: another may have taken them over.
        std::u16string key = prefix + u"Interface\\" + GuidText(itf.iid);
        WCHAR owner[64] = {};
        DWORD size = sizeof(owner);
        LSTATUS s = RegGetValueW(root, (key + u"\\TypeLib").c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                                 owner, &size);
        if (s == ERROR_SUCCESS && _wcsicmp(owner, libid.c_str()) != 0)
            continue;
        note(RegDeleteTreeW(root, key.c_str()));
    }
    std::u16string libKey = prefix + u"TypeLib\\" + libid;
    note(RegDeleteTreeW(root, (libKey + u"\\" + VersionText(lib)).c_str()));
    // The library's key goes with its last version.
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, libKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD subkeys = 1;
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
        if (subkeys == 0)
            note(RegDeleteKeyW(root, libKey.c_str()));
    }
    return hr;
}

} // namespace pal::typelib
