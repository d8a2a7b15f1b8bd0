// The out-of-line members of CComBSTR and CComVariant.
#include <cstring>
#include <string>

#include "atlbase.h"
#include "pal/host.h"
#include "windows.h"

namespace ATL {

CComBSTR::CComBSTR(const char* s)
{
    if (s) {
        std::u16string w = pal::ToWide(s);
        m_str = SysAllocStringLen(w.data(), UINT(w.size()));
    }
}

bool CComBSTR::operator==(const WCHAR* s) const
{
    if (!m_str || !s)
        return (!m_str || !*m_str) && (!s || !*s);
    return wcscmp(m_str, s) == 0;
}

HRESULT CComBSTR::Append(const WCHAR* s) { return Append(s, s ? int(wcslen(s)) : 0); }

HRESULT CComBSTR::Append(const WCHAR* s, int len)
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
        std::memcpy(b, m_str, old * sizeof(WCHAR));
    if (len && s)
        std::memcpy(b + old, s, size_t(len) * sizeof(WCHAR));
    SysFreeString(m_str);
    m_str = b;
    return S_OK;
}

HRESULT CComBSTR::ToLower()
{
    if (m_str)
        CharLowerBuffW(m_str, SysStringLen(m_str));
    return S_OK;
}

HRESULT CComBSTR::ToUpper()
{
    if (m_str)
        CharUpperBuffW(m_str, SysStringLen(m_str));
    return S_OK;
}

bool CComBSTR::LoadString(HINSTANCE hInst, UINT nID)
{
    const WCHAR* text = nullptr;
    int n = LoadStringW(hInst, nID, reinterpret_cast<LPWSTR>(&text), 0);
    Empty();
    if (n <= 0 || !text)
        return false;
    m_str = SysAllocStringLen(text, UINT(n));
    return m_str != nullptr;
}

CComVariant::CComVariant(const WCHAR* s)
{
    VariantInit(this);
    vt = VT_BSTR;
    bstrVal = s ? SysAllocString(s) : nullptr;
}

CComVariant::CComVariant(IDispatch* p) noexcept
{
    VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = p;
    if (p)
        p->AddRef();
}

CComVariant::CComVariant(IUnknown* p) noexcept
{
    VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = p;
    if (p)
        p->AddRef();
}

HRESULT CComVariant::Detach(VARIANT* pDest)
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

} // namespace ATL
