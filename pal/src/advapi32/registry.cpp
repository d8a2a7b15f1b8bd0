// The registry calls over the file-backed store. A key handle names a path, not a node: every call looks
// at the current file (its parsed copy is used again while the file is unchanged), so a value written
// through one handle (or by another process) is seen through every other. HKEY_CLASSES_ROOT is the merged view of HKCU\Software\Classes over HKLM\Software\Classes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>

#include "advapi32/regtree.h"
#include "pal/host.h"

using pal::reg::CompareNames;
using pal::reg::Hive;
using pal::reg::Key;
using pal::reg::Value;

namespace {

enum class View { Machine, User, Classes };
using Path = std::vector<std::u16string>;

struct Location {
    View view;
    Path path;
};

struct KeyObject {
    Location loc;
    REGSAM access;
};

constexpr size_t kMaxKeyNameLength = 255;
constexpr DWORD kGenericRead = 0x80000000, kGenericWrite = 0x40000000, kGenericAll = 0x10000000,
                kMaximumAllowed = 0x02000000;
const Path kClassesPath = {u"Software", u"Classes"};

std::mutex g_handleLock;
std::set<KeyObject*> g_handles;
std::optional<Location> g_override[4];

int PredefIndex(HKEY h)
{
    auto v = reinterpret_cast<ULONG_PTR>(h);
    for (int i = 0; i < 4; ++i)
        if (v == ULONG_PTR(LONG(0x80000000 + i)))
            return i;
    return -1;
}

REGSAM MapAccess(REGSAM sam)
{
    if (sam & (kGenericAll | kMaximumAllowed))
        sam |= KEY_ALL_ACCESS;
    if (sam & kGenericRead)
        sam |= KEY_READ;
    if (sam & kGenericWrite)
        sam |= KEY_WRITE;
    return sam;
}

LSTATUS Resolve(HKEY h, Location& loc, REGSAM& access)
{
    int predef = PredefIndex(h);
    std::lock_guard<std::mutex> guard(g_handleLock);
    if (predef >= 0) {
        access = KEY_ALL_ACCESS;
        if (g_override[predef]) {
            loc = *g_override[predef];
            return ERROR_SUCCESS;
        }
        switch (predef) {
        case 0: loc = {View::Classes, {}}; return ERROR_SUCCESS;
        case 1: loc = {View::User, {}}; return ERROR_SUCCESS;
        case 2: loc = {View::Machine, {}}; return ERROR_SUCCESS;
        default: return ERROR_INVALID_HANDLE; // HKEY_USERS is not part of the store
        }
    }
    auto* obj = reinterpret_cast<KeyObject*>(h);
    if (!h || !g_handles.count(obj))
        return ERROR_INVALID_HANDLE;
    loc = obj->loc;
    access = obj->access;
    return ERROR_SUCCESS;
}

HKEY NewHandle(Location loc, REGSAM access)
{
    auto* obj = new KeyObject{std::move(loc), MapAccess(access)};
    std::lock_guard<std::mutex> guard(g_handleLock);
    g_handles.insert(obj);
    return reinterpret_cast<HKEY>(obj);
}

LSTATUS SplitPath(LPCWSTR sub, Path& out, bool forCreate)
{
    out.clear();
    if (!sub || !*sub)
        return ERROR_SUCCESS;
    if (*sub == u'\\')
        return ERROR_BAD_PATHNAME;
    std::u16string part;
    for (const WCHAR* p = sub;; ++p) {
        if (*p == u'\\' || *p == 0) {
            if (!part.empty())
                out.push_back(part);
            part.clear();
            if (*p == 0)
                break;
            continue;
        }
        // A key name is one line of the file's section header.
        if (forCreate && (*p == u'\n' || *p == u'\r'))
            return ERROR_INVALID_PARAMETER;
        part.push_back(*p);
        if (part.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

Path Join(const Path& a, const Path& b)
{
    Path p = a;
    p.insert(p.end(), b.begin(), b.end());
    return p;
}

// What a location refers to right now.
struct Resolved {
    std::shared_ptr<const Key> machine, user; // keep the trees alive
    const Key* home = nullptr;                 // the key that holds the values (null: absent)
    const Key* other = nullptr;                // merged view: the machine key beneath a user key
    Hive homeHive = Hive::Machine;

    bool Exists() const { return home != nullptr; }

    std::vector<std::u16string> SubkeyNames() const
    {
        std::vector<std::u16string> names;
        if (home)
            for (const auto& [n, k] : home->subkeys)
                names.push_back(k->name);
        if (other) {
            std::vector<std::u16string> merged;
            auto a = names.begin();
            auto b = other->subkeys.begin();
            while (a != names.end() || b != other->subkeys.end()) {
                if (b == other->subkeys.end() || (a != names.end() && CompareNames(*a, b->second->name) < 0)) {
                    merged.push_back(*a++);
                } else if (a == names.end() || CompareNames(*a, b->second->name) > 0) {
                    merged.push_back(b->second->name);
                    ++b;
                } else {
                    merged.push_back(*a++);
                    ++b;
                }
            }
            names = std::move(merged);
        }
        return names;
    }
};

LSTATUS Lookup(const Location& loc, Resolved& r)
{
    LSTATUS status = ERROR_SUCCESS;
    auto load = [&](Hive h) {
        auto t = pal::reg::LoadHive(h, status);
        return t;
    };
    switch (loc.view) {
    case View::Machine:
        if (!(r.machine = load(Hive::Machine)))
            return status;
        r.home = r.machine->Walk(loc.path);
        r.homeHive = Hive::Machine;
        break;
    case View::User:
        if (!(r.user = load(Hive::User)))
            return status;
        r.home = r.user->Walk(loc.path);
        r.homeHive = Hive::User;
        break;
    case View::Classes: {
        if (!(r.machine = load(Hive::Machine)) || !(r.user = load(Hive::User)))
            return status;
        Path full = Join(kClassesPath, loc.path);
        const Key* u = r.user->Walk(full);
        const Key* m = r.machine->Walk(full);
        static const Key empty;
        if (!m && loc.path.empty())
            m = &empty; // the root of the view always exists
        r.home = u ? u : m;
        r.other = u ? m : nullptr;
        r.homeHive = u ? Hive::User : Hive::Machine;
        break;
    }
    }
    // Predefined roots always exist, even before their file does.
    if (!r.home && loc.path.empty()) {
        static const Key empty;
        r.home = &empty;
    }
    return ERROR_SUCCESS;
}

// The hive and the path within it where writes to an existing key go.
Path HivePath(const Location& loc, Hive& hive, const Resolved& r)
{
    hive = loc.view == View::Machine ? Hive::Machine : loc.view == View::User ? Hive::User : r.homeHive;
    return loc.view == View::Classes ? Join(kClassesPath, loc.path) : loc.path;
}

Hive NewKeyHive(const Location& loc)
{
    return loc.view == View::User ? Hive::User : Hive::Machine;
}

Path NewKeyPath(const Location& loc)
{
    return loc.view == View::Classes ? Join(kClassesPath, loc.path) : loc.path;
}

// Resolves a handle to an existing key, with the access the call needs.
LSTATUS OpenExisting(HKEY h, REGSAM need, Location& loc, Resolved& r)
{
    REGSAM access = 0;
    LSTATUS status = Resolve(h, loc, access);
    if (status != ERROR_SUCCESS)
        return status;
    if ((access & need) != need)
        return ERROR_ACCESS_DENIED;
    status = Lookup(loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    return r.Exists() ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// The key lpSubKey names below the existing key hKey: its location and what is there now. An empty sub
// names hKey's own key, which was just looked up.
LSTATUS LocateSubkey(HKEY hKey, LPCWSTR lpSubKey, bool forCreate, Path& sub, Location& loc, Resolved& r)
{
    LSTATUS status = OpenExisting(hKey, 0, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    if ((status = SplitPath(lpSubKey, sub, forCreate)) != ERROR_SUCCESS)
        return status;
    if (sub.empty())
        return ERROR_SUCCESS;
    loc.path = Join(loc.path, sub);
    r = Resolved{};
    return Lookup(loc, r);
}

LSTATUS CopyData(const std::vector<BYTE>& data, LPBYTE out, LPDWORD size)
{
    if (!size)
        return out ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD needed = DWORD(data.size());
    if (out) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed)
            std::memcpy(out, data.data(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS CopyName(const std::u16string& name, LPWSTR out, LPDWORD cch)
{
    if (!out || !cch)
        return ERROR_INVALID_PARAMETER;
    if (*cch <= name.size())
        return ERROR_MORE_DATA;
    std::memcpy(out, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    *cch = DWORD(name.size());
    return ERROR_SUCCESS;
}

std::u16string ValueName(LPCWSTR name) { return name ? std::u16string(name) : std::u16string(); }

// %NAME% is replaced by the environment variable; unknown names stay as they are.
std::u16string ExpandEnvironment(const std::u16string& s)
{
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        size_t end = s[i] == u'%' ? s.find(u'%', i + 1) : std::u16string::npos;
        if (end == std::u16string::npos || end == i + 1) {
            out.push_back(s[i++]);
            continue;
        }
        const char* v = std::getenv(pal::ToUtf8(s.substr(i + 1, end - i - 1)).c_str());
        if (v) {
            out += pal::ToWide(v);
            i = end + 1;
        } else {
            out.append(s, i, end - i);
            i = end;
        }
    }
    return out;
}

LSTATUS DeleteSubtree(Key& parent, const std::u16string& name, bool keepSelf)
{
    Key* k = parent.Find(name);
    if (!k)
        return ERROR_FILE_NOT_FOUND;
    if (keepSelf) {
        k->subkeys.clear();
        k->values.clear();
    } else {
        parent.subkeys.erase(name);
    }
    return ERROR_SUCCESS;
}

} // namespace

extern "C" LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired, void*,
                                   PHKEY phkResult, LPDWORD lpdwDisposition)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    Path sub;
    Location loc;
    Resolved existing;
    LSTATUS status = LocateSubkey(hKey, lpSubKey, true, sub, loc, existing);
    if (status != ERROR_SUCCESS)
        return status;
    if (sub.empty() && PredefIndex(hKey) >= 0) {
        *phkResult = hKey;
        if (lpdwDisposition)
            *lpdwDisposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    bool created = false;
    if (!existing.Exists()) {
        Path path = NewKeyPath(loc);
        status = pal::reg::ModifyHive(NewKeyHive(loc), [&](Key& root, bool& changed) -> LSTATUS {
            Key* k = &root;
            for (const std::u16string& part : path) {
                bool made = false;
                k = &k->Ensure(part, &made);
                created = created || made;
            }
            changed = created;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS)
            return status;
    }
    *phkResult = NewHandle(std::move(loc), samDesired);
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

extern "C" LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    Path sub;
    Location loc;
    Resolved target;
    LSTATUS status = LocateSubkey(hKey, lpSubKey, false, sub, loc, target);
    if (status != ERROR_SUCCESS)
        return status;
    if (sub.empty() && PredefIndex(hKey) >= 0) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    if (!target.Exists())
        return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(std::move(loc), samDesired);
    return ERROR_SUCCESS;
}

extern "C" LSTATUS RegCloseKey(HKEY hKey)
{
    if (PredefIndex(hKey) >= 0)
        return ERROR_SUCCESS;
    auto* obj = reinterpret_cast<KeyObject*>(hKey);
    {
        std::lock_guard<std::mutex> guard(g_handleLock);
        if (!hKey || !g_handles.erase(obj))
            return ERROR_INVALID_HANDLE;
    }
    delete obj;
    return ERROR_SUCCESS;
}

extern "C" LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                                  DWORD cbData)
{
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    Location loc;
    Resolved r;
    LSTATUS status = OpenExisting(hKey, KEY_SET_VALUE, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    Hive hive;
    Path path = HivePath(loc, hive, r);
    std::u16string name = ValueName(lpValueName);
    // A value that already holds these bytes is left alone: no lock, no new file.
    if (const Value* v = r.home->FindValue(name);
        v && v->type == dwType && v->data.size() == cbData && (!cbData || !std::memcmp(v->data.data(), lpData, cbData)))
        return ERROR_SUCCESS;
    return pal::reg::ModifyHive(hive, [&](Key& root, bool& changed) -> LSTATUS {
        Key* k = root.Walk(path);
        if (!k && loc.path.empty()) {
            for (const std::u16string& part : path)
                k = &(k ? *k : root).Ensure(part, &changed);
            if (!k)
                k = &root;
        }
        if (!k)
            return ERROR_KEY_DELETED;
        changed = k->SetValue(name, dwType, lpData, cbData) || changed;
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                                    LPDWORD lpcbData)
{
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    Location loc;
    Resolved r;
    LSTATUS status = OpenExisting(hKey, KEY_QUERY_VALUE, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    const Value* v = r.home->FindValue(ValueName(lpValueName));
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = v->type;
    return CopyData(v->data, lpData, lpcbData);
}

extern "C" LSTATUS RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, LPDWORD pdwType,
                                PVOID pvData, LPDWORD pcbData)
{
    if ((pvData && !pcbData) || !(dwFlags & RRF_RT_ANY) ||
        ((dwFlags & RRF_RT_REG_EXPAND_SZ) && !(dwFlags & RRF_NOEXPAND) && (dwFlags & RRF_RT_ANY) != RRF_RT_ANY))
        return ERROR_INVALID_PARAMETER;
    HKEY key = hkey;
    if (lpSubKey && *lpSubKey) {
        LSTATUS status = RegOpenKeyExW(hkey, lpSubKey, 0, KEY_QUERY_VALUE, &key);
        if (status != ERROR_SUCCESS)
            return status;
    }
    Location loc;
    Resolved r;
    LSTATUS status = OpenExisting(key, KEY_QUERY_VALUE, loc, r);
    if (key != hkey)
        RegCloseKey(key);
    auto fail = [&](LSTATUS s) {
        if ((dwFlags & RRF_ZEROONFAILURE) && pvData && pcbData)
            std::memset(pvData, 0, *pcbData);
        return s;
    };
    if (status != ERROR_SUCCESS)
        return fail(status);
    const Value* v = r.home->FindValue(ValueName(lpValue));
    if (!v)
        return fail(ERROR_FILE_NOT_FOUND);
    DWORD type = v->type;
    std::vector<BYTE> data = v->data;
    if (type == REG_EXPAND_SZ && !(dwFlags & RRF_NOEXPAND)) {
        std::u16string s(data.size() / 2, u'\0');
        std::memcpy(s.data(), data.data(), s.size() * 2);
        s = ExpandEnvironment(s.substr(0, s.find(u'\0')));
        s.push_back(u'\0');
        data.assign(reinterpret_cast<const BYTE*>(s.data()), reinterpret_cast<const BYTE*>(s.data() + s.size()));
        type = REG_SZ;
    }
    DWORD bit = type == REG_NONE ? RRF_RT_REG_NONE : type == REG_SZ ? RRF_RT_REG_SZ
              : type == REG_EXPAND_SZ ? RRF_RT_REG_EXPAND_SZ : type == REG_BINARY ? RRF_RT_REG_BINARY
              : type == REG_DWORD ? RRF_RT_REG_DWORD : type == REG_MULTI_SZ ? RRF_RT_REG_MULTI_SZ
              : type == REG_QWORD ? RRF_RT_REG_QWORD : 0;
    if (!(dwFlags & bit) && (dwFlags & RRF_RT_ANY) != RRF_RT_ANY)
        return fail(ERROR_UNSUPPORTED_TYPE);
    if (type == REG_BINARY && (dwFlags & RRF_RT_ANY) == RRF_RT_DWORD && data.size() != 4)
        return fail(ERROR_DATATYPE_MISMATCH);
    if (type == REG_BINARY && (dwFlags & RRF_RT_ANY) == RRF_RT_QWORD && data.size() != 8)
        return fail(ERROR_DATATYPE_MISMATCH);
    if ((type == REG_DWORD && data.size() != 4) || (type == REG_QWORD && data.size() != 8))
        return fail(ERROR_DATATYPE_MISMATCH);
    // Strings come back terminated even when they were stored without their terminator.
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        if (data.size() % 2)
            data.push_back(0);
        if (data.size() < 2 || data[data.size() - 1] || data[data.size() - 2])
            data.insert(data.end(), {0, 0});
    }
    if (pdwType)
        *pdwType = type;
    status = CopyData(data, static_cast<LPBYTE>(pvData), pcbData);
    return status == ERROR_SUCCESS ? status : fail(status);
}

extern "C" LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    Location loc;
    Resolved r;
    LSTATUS status = OpenExisting(hKey, KEY_SET_VALUE, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    Hive hive;
    Path path = HivePath(loc, hive, r);
    std::u16string name = ValueName(lpValueName);
    return pal::reg::ModifyHive(hive, [&](Key& root, bool& changed) -> LSTATUS {
        Key* k = root.Walk(path);
        if (!k)
            return loc.path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        changed = k->DeleteValue(name);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

namespace {

// Deletes the key at sub below hKey: a tree (all below it too), or a single key without subkeys.
LSTATUS DeleteKey(HKEY hKey, LPCWSTR lpSubKey, bool tree)
{
    Path sub;
    Location loc;
    Resolved r;
    LSTATUS status = LocateSubkey(hKey, lpSubKey, false, sub, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    if (!r.Exists())
        return sub.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    bool clearOnly = tree && (!lpSubKey || sub.empty());
    if (loc.path.empty() && !clearOnly)
        return ERROR_ACCESS_DENIED; // a root cannot be deleted
    if (!tree && !r.SubkeyNames().empty())
        return ERROR_ACCESS_DENIED;
    Hive hive;
    Path path = HivePath(loc, hive, r);
    auto apply = [&](Hive h) {
        return pal::reg::ModifyHive(h, [&](Key& root, bool& changed) -> LSTATUS {
            if (path.empty()) {
                changed = !root.subkeys.empty() || !root.values.empty();
                root.subkeys.clear();
                root.values.clear();
                return ERROR_SUCCESS;
            }
            Path parentPath(path.begin(), path.end() - 1);
            Key* p = root.Walk(parentPath);
            LSTATUS s = p ? DeleteSubtree(*p, path.back(), clearOnly) : ERROR_FILE_NOT_FOUND;
            changed = s == ERROR_SUCCESS;
            return s;
        });
    };
    status = apply(hive);
    // In the merged view, deleting a tree also removes the machine key beneath the user key.
    if (status == ERROR_SUCCESS && tree && r.other && hive == Hive::User) {
        LSTATUS s = apply(Hive::Machine);
        if (s != ERROR_FILE_NOT_FOUND)
            status = s;
    }
    return status;
}

} // namespace

extern "C" LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return DeleteKey(hKey, lpSubKey, false);
}

extern "C" LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) { return DeleteKey(hKey, lpSubKey, true); }

extern "C" LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD,
                                 LPWSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    Location loc;
    Resolved r;
    LSTATUS status = OpenExisting(hKey, KEY_ENUMERATE_SUB_KEYS, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    std::vector<std::u16string> names = r.SubkeyNames();
    if (dwIndex >= names.size())
        return ERROR_NO_MORE_ITEMS;
    if ((status = CopyName(names[dwIndex], lpName, lpcchName)) != ERROR_SUCCESS)
        return status;
    if (lpClass && lpcchClass && *lpcchClass) {
        lpClass[0] = 0;
        *lpcchClass = 0;
    }
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

extern "C" LSTATUS RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                                    LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                    LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                    LPDWORD lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime)
{
    Location loc;
    Resolved r;
    LSTATUS status = OpenExisting(hKey, KEY_QUERY_VALUE, loc, r);
    if (status != ERROR_SUCCESS)
        return status;
    std::vector<std::u16string> names = r.SubkeyNames();
    DWORD maxKey = 0, maxName = 0, maxData = 0;
    for (const std::u16string& n : names)
        maxKey = std::max(maxKey, DWORD(n.size()));
    for (const Value& v : r.home->values) {
        maxName = std::max(maxName, DWORD(v.name.size()));
        maxData = std::max(maxData, DWORD(v.data.size()));
    }
    if (lpClass && lpcchClass && *lpcchClass)
        lpClass[0] = 0;
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpcSubKeys)
        *lpcSubKeys = DWORD(names.size());
    if (lpcbMaxSubKeyLen)
        *lpcbMaxSubKeyLen = maxKey;
    if (lpcbMaxClassLen)
        *lpcbMaxClassLen = 0;
    if (lpcValues)
        *lpcValues = DWORD(r.home->values.size());
    if (lpcbMaxValueNameLen)
        *lpcbMaxValueNameLen = maxName;
    if (lpcbMaxValueLen)
        *lpcbMaxValueLen = maxData;
    if (lpcbSecurityDescriptor)
        *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

extern "C" LSTATUS RegOverridePredefKey(HKEY hKey, HKEY hNewHKey)
{
    int predef = PredefIndex(hKey);
    if (predef < 0)
        return ERROR_INVALID_HANDLE;
    if (!hNewHKey) {
        std::lock_guard<std::mutex> guard(g_handleLock);
        g_override[predef].reset();
        return ERROR_SUCCESS;
    }
    Location loc;
    REGSAM access;
    LSTATUS status = Resolve(hNewHKey, loc, access);
    if (status != ERROR_SUCCESS)
        return status;
    std::lock_guard<std::mutex> guard(g_handleLock);
    g_override[predef] = loc; // kept after hNewHKey is closed, as the system duplicates the handle
    return ERROR_SUCCESS;
}
