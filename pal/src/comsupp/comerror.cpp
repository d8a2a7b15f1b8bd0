// The compiler COM support classes: _com_error and _bstr_t.
#include <cstdio>
#include <cstring>
#include <string>

#include "comdef.h"
#include "pal/host.h"
#include "kernel32/memory.h"
#include "windows.h"

_bstr_t::_bstr_t(const WCHAR* s)
{
    if (s)
        m_data = new Data{SysAllocString(s), 1};
}

_bstr_t::_bstr_t(BSTR s, bool copy)
{
    if (s || !copy)
        m_data = new Data{copy ? SysAllocStringLen(s, SysStringLen(s)) : s, 1};
}

_bstr_t::_bstr_t(const _bstr_t& other) : m_data(other.m_data)
{
    if (m_data)
        ++m_data->refs;
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other)
{
    if (m_data != other.m_data) {
        Release();
        m_data = other.m_data;
        if (m_data)
            ++m_data->refs;
    }
    return *this;
}

_bstr_t::~_bstr_t() { Release(); }

void _bstr_t::Release()
{
    if (m_data && --m_data->refs == 0) {
        SysFreeString(m_data->bstr);
        delete m_data;
    }
    m_data = nullptr;
}

BSTR _bstr_t::copy() const
{
    return m_data && m_data->bstr ? SysAllocStringLen(m_data->bstr, SysStringLen(m_data->bstr)) : nullptr;
}

unsigned int _bstr_t::length() const { return m_data ? SysStringLen(m_data->bstr) : 0; }

_com_error::_com_error(HRESULT hr, IErrorInfo* perrinfo, bool fAddRef) : m_hresult(hr), m_perrinfo(perrinfo)
{
    if (m_perrinfo && fAddRef)
        m_perrinfo->AddRef();
}

_com_error::_com_error(const _com_error& that) : m_hresult(that.m_hresult), m_perrinfo(that.m_perrinfo)
{
    if (m_perrinfo)
        m_perrinfo->AddRef();
}

_com_error& _com_error::operator=(const _com_error& that)
{
    if (this != &that) {
        if (that.m_perrinfo)
            that.m_perrinfo->AddRef();
        if (m_perrinfo)
            m_perrinfo->Release();
        m_hresult = that.m_hresult;
        m_perrinfo = that.m_perrinfo;
        LocalFree(m_pszMsg);
        m_pszMsg = nullptr;
    }
    return *this;
}

_com_error::~_com_error()
{
    if (m_perrinfo)
        m_perrinfo->Release();
    LocalFree(m_pszMsg);
}

IErrorInfo* _com_error::ErrorInfo() const
{
    if (m_perrinfo)
        m_perrinfo->AddRef();
    return m_perrinfo;
}

WORD _com_error::HRESULTToWCode(HRESULT hr)
{
    return (hr >= (HRESULT)0x80040200 && hr <= (HRESULT)0x8004FFFF) ? WORD(hr - (HRESULT)0x80040200) : 0;
}

HRESULT _com_error::WCodeToHRESULT(WORD wCode) { return wCode >= 0xFE00 ? (HRESULT)0x80040200 : (HRESULT)0x80040200 + wCode; }

WORD _com_error::WCode() const { return HRESULTToWCode(m_hresult); }

const WCHAR* _com_error::ErrorMessage() const
{
    if (m_pszMsg)
        return m_pszMsg;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, DWORD(m_hresult), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPWSTR>(&m_pszMsg), 0, nullptr);
    if (n > 0 && m_pszMsg) {
        // The system's texts end in a line break, which the message does not keep.
        if (n > 1 && m_pszMsg[n - 1] == '\n' && m_pszMsg[n - 2] == '\r')
            m_pszMsg[n - 2] = 0;
        else if (m_pszMsg[n - 1] == '\n')
            m_pszMsg[n - 1] = 0;
        return m_pszMsg;
    }
    m_pszMsg = static_cast<WCHAR*>(LocalAlloc(LMEM_ZEROINIT, 32 * sizeof(WCHAR)));
    if (!m_pszMsg)
        return u"";
    WORD wCode = WCode();
    if (wCode != 0)
        swprintf_s(m_pszMsg, 32, u"IDispatch error #%d", int(wCode));
    else
        swprintf_s(m_pszMsg, 32, u"Unknown error 0x%0lX", m_hresult);
    return m_pszMsg;
}

_bstr_t _com_error::Description() const
{
    BSTR b = nullptr;
    if (m_perrinfo)
        m_perrinfo->GetDescription(&b);
    return _bstr_t(b, false);
}

_bstr_t _com_error::Source() const
{
    BSTR b = nullptr;
    if (m_perrinfo)
        m_perrinfo->GetSource(&b);
    return _bstr_t(b, false);
}

void _com_issue_error(HRESULT hr) { throw _com_error(hr); }

void _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid)
{
    IErrorInfo* info = nullptr;
    if (punk) {
        ISupportErrorInfo* support = nullptr;
        if (SUCCEEDED(punk->QueryInterface(__uuidof(ISupportErrorInfo), reinterpret_cast<void**>(&support)))) {
            if (support->InterfaceSupportsErrorInfo(riid) == S_OK)
                GetErrorInfo(0, &info);
            support->Release();
        }
    }
    throw _com_error(hr, info, false);
}
