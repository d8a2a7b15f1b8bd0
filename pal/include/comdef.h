// Vantora platform layer: declares only what Vantora uses of the compiler COM support (_com_error, _bstr_t).
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "pal/variant.h"

// A counted copy of a BSTR, shared between copies of the object.
class _bstr_t {
public:
    _bstr_t() = default;
    _bstr_t(const WCHAR* s);
    _bstr_t(BSTR s, bool copy);
    _bstr_t(const _bstr_t& other);
    _bstr_t& operator=(const _bstr_t& other);
    ~_bstr_t();
    operator const WCHAR*() const { return m_data ? m_data->bstr : nullptr; }
    BSTR GetBSTR() const { return m_data ? m_data->bstr : nullptr; }
    BSTR copy() const;
    unsigned int length() const;

private:
    struct Data {
        BSTR bstr;
        long refs;
    };
    void Release();
    Data* m_data = nullptr;
};

class _com_error {
public:
    explicit _com_error(HRESULT hr, IErrorInfo* perrinfo = nullptr, bool fAddRef = false);
    _com_error(const _com_error& that);
    _com_error& operator=(const _com_error& that);
    virtual ~_com_error();

    HRESULT Error() const { return m_hresult; }
    WORD WCode() const;
    IErrorInfo* ErrorInfo() const;
    // The system message for the code without its line break, or the "IDispatch error" / "Unknown error" text.
    const WCHAR* ErrorMessage() const;
    _bstr_t Description() const;
    _bstr_t Source() const;
    static HRESULT WCodeToHRESULT(WORD wCode);
    static WORD HRESULTToWCode(HRESULT hr);

private:
    HRESULT m_hresult;
    IErrorInfo* m_perrinfo;
    mutable WCHAR* m_pszMsg = nullptr;
};

[[noreturn]] void _com_issue_error(HRESULT hr);
[[noreturn]] void _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid);

#pragma GCC visibility pop
