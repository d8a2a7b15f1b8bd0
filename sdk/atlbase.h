// Our subset of ATL's base, with ATL's own shapes, written against the Windows API so that it compiles
// over the Windows SDK and over the platform layer alike: smart pointers, BSTR and VARIANT holders, the
// registry key holder, the threading model and the module's instance handle. Only what Vantora uses.
#pragma once

#include <memory>
#include <utility>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

namespace ATL {

template <class T> class CComPtr {
public:
    CComPtr() noexcept = default;
    CComPtr(T* p) noexcept : p(p) { if (p) p->AddRef(); }
    CComPtr(const CComPtr& other) noexcept : CComPtr(other.p) {}
    CComPtr(CComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
    ~CComPtr() { if (p) p->Release(); }

    CComPtr& operator=(T* other) noexcept
    {
        if (other != p) {
            if (other) other->AddRef();
            T* old = p;
            p = other;
            if (old) old->Release();
        }
        return *this;
    }
    CComPtr& operator=(const CComPtr& other) noexcept { return *this = other.p; }
    CComPtr& operator=(CComPtr&& other) noexcept
    {
        if (this != std::addressof(other)) {
            T* old = p;
            p = other.p;
            other.p = nullptr;
            if (old) old->Release();
        }
        return *this;
    }

    operator T*() const noexcept { return p; }
    T* operator->() const noexcept { return p; }
    T& operator*() const noexcept { return *p; }
    // Only for out-parameters: the pointer must be empty, as ATL asserts.
    T** operator&() noexcept { return &p; }
    bool operator!() const noexcept { return p == nullptr; }
    bool operator==(const T* other) const noexcept { return p == other; }
    bool operator!=(const T* other) const noexcept { return p != other; }

    void Release() noexcept
    {
        T* old = p;
        if (old) {
            p = nullptr;
            old->Release();
        }
    }
    void Attach(T* other) noexcept
    {
        if (p) p->Release();
        p = other;
    }
    T* Detach() noexcept
    {
        T* old = p;
        p = nullptr;
        return old;
    }
    HRESULT CopyTo(T** pp) const noexcept
    {
        if (!pp) return E_POINTER;
        *pp = p;
        if (p) p->AddRef();
        return S_OK;
    }
    template <class Q> HRESULT QueryInterface(Q** pp) const noexcept
    {
        return p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(pp));
    }
    bool IsEqualObject(IUnknown* other) noexcept
    {
        if (!p && !other) return true;
        if (!p || !other) return false;
        CComPtr<IUnknown> a, b;
        p->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&a.p));
        other->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&b.p));
        return a.p == b.p;
    }
    HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter = nullptr, DWORD dwClsContext = CLSCTX_ALL)
    {
        return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, __uuidof(T), reinterpret_cast<void**>(&p));
    }
    HRESULT CoCreateInstance(LPCOLESTR szProgID, IUnknown* pUnkOuter = nullptr, DWORD dwClsContext = CLSCTX_ALL)
    {
        CLSID clsid;
        HRESULT hr = ::CLSIDFromProgID(szProgID, &clsid);
        return FAILED(hr) ? hr : CoCreateInstance(clsid, pUnkOuter, dwClsContext);
    }

    T* p = nullptr;
};

template <class T> class CComQIPtr : public CComPtr<T> {
public:
    CComQIPtr() noexcept = default;
    CComQIPtr(T* p) noexcept : CComPtr<T>(p) {}
    CComQIPtr(IUnknown* unk) noexcept
    {
        if (unk) unk->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&this->p));
    }
    CComQIPtr& operator=(T* other) noexcept
    {
        CComPtr<T>::operator=(other);
        return *this;
    }
};

// A BSTR owned by the object.
class CComBSTR {
public:
    CComBSTR() noexcept = default;
    CComBSTR(const WCHAR* s) : m_str(s ? SysAllocString(s) : nullptr) {}
    CComBSTR(int nSize, const WCHAR* s) : m_str(SysAllocStringLen(s, UINT(nSize))) {}
    CComBSTR(const char* s)
    {
        int n = s ? MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0) : 0;
        if (n > 0) {
            m_str = SysAllocStringLen(nullptr, UINT(n - 1));
            if (m_str)
                MultiByteToWideChar(CP_ACP, 0, s, -1, m_str, n);
        }
    }
    CComBSTR(const CComBSTR& other) : m_str(other.Copy()) {}
    CComBSTR(CComBSTR&& other) noexcept : m_str(other.m_str) { other.m_str = nullptr; }
    ~CComBSTR() { SysFreeString(m_str); }

    CComBSTR& operator=(const CComBSTR& other)
    {
        if (this != std::addressof(other)) {
            BSTR copy = other.Copy();
            SysFreeString(m_str);
            m_str = copy;
        }
        return *this;
    }
    CComBSTR& operator=(CComBSTR&& other) noexcept
    {
        if (this != std::addressof(other)) {
            SysFreeString(m_str);
            m_str = other.m_str;
            other.m_str = nullptr;
        }
        return *this;
    }
    CComBSTR& operator=(const WCHAR* s)
    {
        if (s != m_str) {
            BSTR copy = s ? SysAllocString(s) : nullptr;
            SysFreeString(m_str);
            m_str = copy;
        }
        return *this;
    }

    operator BSTR() const noexcept { return m_str; }
    BSTR* operator&() noexcept { return &m_str; }
    bool operator!() const noexcept { return m_str == nullptr; }
    bool operator==(const WCHAR* s) const
    {
        if (!m_str || !s)
            return (!m_str || !*m_str) && (!s || !*s);
        return wcscmp(m_str, s) == 0;
    }
    bool operator!=(const WCHAR* s) const { return !(*this == s); }

    unsigned int Length() const noexcept { return SysStringLen(m_str); }
    unsigned int ByteLength() const noexcept { return SysStringByteLen(m_str); }
    BSTR Copy() const { return m_str ? SysAllocStringLen(m_str, SysStringLen(m_str)) : nullptr; }
    HRESULT CopyTo(BSTR* pbstr) const
    {
        if (!pbstr) return E_POINTER;
        *pbstr = Copy();
        return (*pbstr == nullptr && m_str != nullptr) ? E_OUTOFMEMORY : S_OK;
    }
    void Attach(BSTR src) noexcept
    {
        if (m_str != src) {
            SysFreeString(m_str);
            m_str = src;
        }
    }
    BSTR Detach() noexcept
    {
        BSTR s = m_str;
        m_str = nullptr;
        return s;
    }
    void Empty() noexcept
    {
        SysFreeString(m_str);
        m_str = nullptr;
    }
    HRESULT Append(const WCHAR* s) { return Append(s, s ? int(wcslen(s)) : 0); }
    HRESULT Append(const WCHAR* s, int len)
    {
        if (len < 0)
            return E_INVALIDARG;
        if (len == 0 && m_str)
            return S_OK;
        UINT old = SysStringLen(m_str);
        BSTR b = SysAllocStringLen(nullptr, old + UINT(len));
        if (!b)
            return E_OUTOFMEMORY;
        if (old)
            memcpy(b, m_str, old * sizeof(WCHAR));
        if (len && s)
            memcpy(b + old, s, size_t(len) * sizeof(WCHAR));
        SysFreeString(m_str);
        m_str = b;
        return S_OK;
    }
    HRESULT Append(const CComBSTR& s) { return Append(s.m_str, int(s.Length())); }
    HRESULT Append(WCHAR c) { return Append(&c, 1); }
    HRESULT AppendBSTR(BSTR s) { return Append(s, int(SysStringLen(s))); }
    CComBSTR& operator+=(const WCHAR* s)
    {
        Append(s);
        return *this;
    }
    CComBSTR& operator+=(const CComBSTR& s)
    {
        Append(s);
        return *this;
    }
    HRESULT ToLower()
    {
        if (m_str)
            CharLowerBuffW(m_str, SysStringLen(m_str));
        return S_OK;
    }
    HRESULT ToUpper()
    {
        if (m_str)
            CharUpperBuffW(m_str, SysStringLen(m_str));
        return S_OK;
    }
    bool LoadString(HINSTANCE hInst, UINT nID)
    {
        // A zero buffer size hands out a pointer into the module's string table.
        const WCHAR* text = nullptr;
        int n = ::LoadStringW(hInst, nID, reinterpret_cast<LPWSTR>(&text), 0);
        Empty();
        if (n <= 0 || !text)
            return false;
        m_str = SysAllocStringLen(text, UINT(n));
        return m_str != nullptr;
    }

    BSTR m_str = nullptr;
};

class CComVariant : public tagVARIANT {
public:
    CComVariant() noexcept { VariantInit(this); }
    // Some SDKs declare the sources of VariantCopy and VariantChangeType without const; neither writes to it.
    CComVariant(const VARIANT& src) { VariantInit(this); VariantCopy(this, const_cast<VARIANT*>(&src)); }
    CComVariant(const CComVariant& src) : CComVariant(static_cast<const VARIANT&>(src)) {}
    CComVariant(const WCHAR* s)
    {
        VariantInit(this);
        vt = VT_BSTR;
        bstrVal = s ? SysAllocString(s) : nullptr;
    }
    CComVariant(bool b) noexcept { VariantInit(this); vt = VT_BOOL; boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; }
    CComVariant(int i, VARTYPE type = VT_I4) noexcept { VariantInit(this); vt = type; intVal = i; }
    CComVariant(IDispatch* p) noexcept
    {
        VariantInit(this);
        vt = VT_DISPATCH;
        pdispVal = p;
        if (p)
            p->AddRef();
    }
    CComVariant(IUnknown* p) noexcept
    {
        VariantInit(this);
        vt = VT_UNKNOWN;
        punkVal = p;
        if (p)
            p->AddRef();
    }
    ~CComVariant() { VariantClear(this); }
    CComVariant& operator=(const CComVariant& src)
    {
        if (this != std::addressof(src)) VariantCopy(this, const_cast<CComVariant*>(&src));
        return *this;
    }
    HRESULT Clear() { return VariantClear(this); }
    HRESULT ChangeType(VARTYPE vtNew, const VARIANT* pSrc = nullptr)
    {
        return VariantChangeType(this, const_cast<VARIANT*>(pSrc ? pSrc : this), 0, vtNew);
    }
    HRESULT Detach(VARIANT* pDest)
    {
        if (!pDest)
            return E_POINTER;
        HRESULT hr = VariantClear(pDest);
        if (SUCCEEDED(hr)) {
            *pDest = *this;
            VariantInit(this);
        }
        return hr;
    }
};

// An open registry key owned by the object, closed with it. Results are the Reg* functions' error codes.
class CRegKey {
public:
    CRegKey() noexcept = default;
    explicit CRegKey(HKEY hKey) noexcept : m_hKey(hKey) {}
    // Copying hands the key over, as ATL's does.
    CRegKey(CRegKey& key) noexcept : m_hKey(key.Detach()) {}
    ~CRegKey() { Close(); }
    CRegKey& operator=(CRegKey& key) noexcept
    {
        if (this != std::addressof(key)) {
            Close();
            m_hKey = key.Detach();
        }
        return *this;
    }

    operator HKEY() const noexcept { return m_hKey; }

    LONG Create(HKEY hKeyParent, LPCWSTR lpszKeyName, LPWSTR lpszClass = nullptr,
                DWORD dwOptions = REG_OPTION_NON_VOLATILE, REGSAM samDesired = KEY_READ | KEY_WRITE,
                LPSECURITY_ATTRIBUTES lpSecAttr = nullptr, LPDWORD lpdwDisposition = nullptr) noexcept
    {
        DWORD disposition = 0;
        HKEY key = nullptr;
        LONG res = RegCreateKeyExW(hKeyParent, lpszKeyName, 0, lpszClass, dwOptions, samDesired, lpSecAttr, &key,
                                   &disposition);
        if (lpdwDisposition)
            *lpdwDisposition = disposition;
        if (res == ERROR_SUCCESS) {
            res = Close();
            m_hKey = key;
        }
        return res;
    }
    // A failed open leaves the key held before in place.
    LONG Open(HKEY hKeyParent, LPCWSTR lpszKeyName, REGSAM samDesired = KEY_READ | KEY_WRITE) noexcept
    {
        HKEY key = nullptr;
        LONG res = RegOpenKeyExW(hKeyParent, lpszKeyName, 0, samDesired, &key);
        if (res == ERROR_SUCCESS) {
            res = Close();
            m_hKey = key;
        }
        return res;
    }
    LONG Close() noexcept
    {
        LONG res = ERROR_SUCCESS;
        if (m_hKey) {
            res = RegCloseKey(m_hKey);
            m_hKey = nullptr;
        }
        return res;
    }
    void Attach(HKEY hKey) noexcept
    {
        Close();
        m_hKey = hKey;
    }
    HKEY Detach() noexcept
    {
        HKEY key = m_hKey;
        m_hKey = nullptr;
        return key;
    }

    LONG SetDWORDValue(LPCWSTR pszValueName, DWORD dwValue) noexcept
    {
        return RegSetValueExW(m_hKey, pszValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                              sizeof(DWORD));
    }
    LONG SetStringValue(LPCWSTR pszValueName, LPCWSTR pszValue, DWORD dwType = REG_SZ) noexcept
    {
        if (!pszValue || (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
            return ERROR_INVALID_DATA;
        return RegSetValueExW(m_hKey, pszValueName, 0, dwType, reinterpret_cast<const BYTE*>(pszValue),
                              DWORD((wcslen(pszValue) + 1) * sizeof(WCHAR)));
    }
    LONG QueryDWORDValue(LPCWSTR pszValueName, DWORD& dwValue) noexcept
    {
        DWORD type = 0, size = sizeof(DWORD), value = 0;
        LONG res = RegQueryValueExW(m_hKey, pszValueName, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
        if (res != ERROR_SUCCESS)
            return res;
        if (type != REG_DWORD || size != sizeof(DWORD))
            return ERROR_INVALID_DATA;
        dwValue = value;
        return ERROR_SUCCESS;
    }
    // *pnChars: the buffer's size in characters; on success, the string's length with its terminator. A
    // null buffer asks for that length.
    LONG QueryStringValue(LPCWSTR pszValueName, LPWSTR pszValue, ULONG* pnChars) noexcept
    {
        if (!pnChars)
            return ERROR_INVALID_PARAMETER;
        DWORD type = 0, bytes = DWORD(*pnChars * sizeof(WCHAR));
        *pnChars = 0;
        LONG res = RegQueryValueExW(m_hKey, pszValueName, nullptr, &type, reinterpret_cast<LPBYTE>(pszValue), &bytes);
        if (res != ERROR_SUCCESS)
            return res;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return ERROR_INVALID_DATA;
        if (pszValue) {
            if (bytes == 0)
                pszValue[0] = 0;
            else if (bytes % sizeof(WCHAR) != 0 || pszValue[bytes / sizeof(WCHAR) - 1] != 0)
                return ERROR_INVALID_DATA; // stored without its terminator
        }
        *pnChars = bytes / sizeof(WCHAR);
        return ERROR_SUCCESS;
    }
    LONG DeleteValue(LPCWSTR lpszValue) noexcept { return RegDeleteValueW(m_hKey, lpszValue); }
    LONG DeleteSubKey(LPCWSTR lpszSubKey) noexcept { return RegDeleteKeyW(m_hKey, lpszSubKey); }
    // The subkey with everything under it.
    LONG RecurseDeleteKey(LPCWSTR lpszKey) noexcept
    {
        CRegKey key;
        LONG res = key.Open(m_hKey, lpszKey, KEY_READ | KEY_WRITE);
        if (res != ERROR_SUCCESS)
            return res;
        WCHAR name[256];
        DWORD size = 256;
        while (RegEnumKeyExW(key.m_hKey, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            res = key.RecurseDeleteKey(name);
            if (res != ERROR_SUCCESS)
                return res;
            size = 256;
        }
        key.Close();
        return DeleteSubKey(lpszKey);
    }

    HKEY m_hKey = nullptr;
};

// The module that the including code is linked into: each module has its own copy of the marker (a DLL's
// data is its own; the Linux module builds with hidden visibility), so its address names the module.
inline char _AtlModuleMarker = 0;

class CAtlBaseModule {
public:
    HINSTANCE GetModuleInstance() const noexcept
    {
        HMODULE h = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&_AtlModuleMarker), &h);
        return h;
    }
    HINSTANCE GetResourceInstance() const noexcept { return GetModuleInstance(); }
};

inline CAtlBaseModule _AtlBaseModule;

// Everything runs on the Office user-interface thread: counts need no interlocking.
class CComSingleThreadModel {
public:
    static ULONG Increment(LONG* p) noexcept { return ULONG(++*p); }
    static ULONG Decrement(LONG* p) noexcept { return ULONG(--*p); }
};

// A replacement of a registration script: %szKey% stands for szData.
struct _ATL_REGMAP_ENTRY {
    LPCOLESTR szKey;
    LPCOLESTR szData;
};

// Per-user registration: classes go to HKCU\Software\Classes instead of the machine's classes. The
// switch belongs to the module that includes this header, like every ATL module's own.
inline bool _AtlRegisterPerUser = false;
inline HRESULT AtlSetPerUserRegistration(bool bEnable) noexcept
{
    _AtlRegisterPerUser = bEnable;
    return S_OK;
}
inline HRESULT AtlGetPerUserRegistration(bool* pbEnabled) noexcept
{
    if (!pbEnabled)
        return E_POINTER;
    *pbEnabled = _AtlRegisterPerUser;
    return S_OK;
}

class CAtlModule;
// The module object of the including module (set by its constructor).
inline CAtlModule* _pAtlModule = nullptr;

// The base of every module object: the lock count behind DllCanUnloadNow, the type library id and
// running registration scripts with the module's replacements.
class CAtlModule {
public:
    CAtlModule() noexcept { _pAtlModule = this; }
    virtual ~CAtlModule()
    {
        if (_pAtlModule == this)
            _pAtlModule = nullptr;
    }
    CAtlModule(const CAtlModule&) = delete;
    CAtlModule& operator=(const CAtlModule&) = delete;

    virtual LONG Lock() noexcept { return CComSingleThreadModel::Increment(&m_nLockCnt); }
    virtual LONG Unlock() noexcept { return CComSingleThreadModel::Decrement(&m_nLockCnt); }
    virtual LONG GetLockCount() noexcept { return m_nLockCnt; }

    // Runs a REGISTRY script of the module with %MODULE% (its path) and the given replacements.
    virtual HRESULT UpdateRegistryFromResource(UINT nResID, BOOL bRegister,
                                               const _ATL_REGMAP_ENTRY* pMapEntries = nullptr) = 0;

    static inline GUID m_libid{};

protected:
    LONG m_nLockCnt = 0;
};

} // namespace ATL

using namespace ATL;
