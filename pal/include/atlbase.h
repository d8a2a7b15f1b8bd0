// Vantora platform layer: declares only what Vantora uses of ATL's base: CComPtr, CComQIPtr, CComBSTR, CComVariant.
#pragma once

#include <memory>
#include <utility>

#include "pal/com.h"
#include "pal/kernel32.h"
#include "pal/resources.h"
#include "pal/variant.h"
#include "pal/wstr.h"

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
    CComBSTR(const char* s);
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
    bool operator==(const WCHAR* s) const;
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
    HRESULT Append(const WCHAR* s);
    HRESULT Append(const WCHAR* s, int len);
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
    HRESULT ToLower();
    HRESULT ToUpper();
    bool LoadString(HINSTANCE hInst, UINT nID);

    BSTR m_str = nullptr;
};

class CComVariant : public tagVARIANT {
public:
    CComVariant() noexcept { VariantInit(this); }
    CComVariant(const VARIANT& src) { VariantInit(this); VariantCopy(this, &src); }
    CComVariant(const CComVariant& src) : CComVariant(static_cast<const VARIANT&>(src)) {}
    CComVariant(const WCHAR* s);
    CComVariant(bool b) noexcept { VariantInit(this); vt = VT_BOOL; boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; }
    CComVariant(int i, VARTYPE type = VT_I4) noexcept { VariantInit(this); vt = type; intVal = i; }
    CComVariant(IDispatch* p) noexcept;
    CComVariant(IUnknown* p) noexcept;
    ~CComVariant() { VariantClear(this); }
    CComVariant& operator=(const CComVariant& src)
    {
        if (this != std::addressof(src)) VariantCopy(this, &src);
        return *this;
    }
    HRESULT Clear() { return VariantClear(this); }
    HRESULT ChangeType(VARTYPE vtNew, const VARIANT* pSrc = nullptr)
    {
        return VariantChangeType(this, pSrc ? pSrc : this, 0, vtNew);
    }
    HRESULT Detach(VARIANT* pDest);
};

// The module that the including code is linked into. Each module has its own copy of the marker (the
// add-in builds with hidden visibility), so its address names the module, as __ImageBase does on Windows.
inline char g_palModuleMarker = 0;

class CAtlBaseModule {
public:
    HINSTANCE GetModuleInstance() const noexcept
    {
        HMODULE h = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&g_palModuleMarker), &h);
        return h;
    }
    HINSTANCE GetResourceInstance() const noexcept { return GetModuleInstance(); }
};

inline CAtlBaseModule _AtlBaseModule;

} // namespace ATL

using namespace ATL;
