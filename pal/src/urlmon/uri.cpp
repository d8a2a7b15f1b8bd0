// CreateUri and the IUri object: a parsed URI whose components are read by property. An absent property is
// S_FALSE with an empty string (or 0); HasProperty is TRUE exactly when its getter answers S_OK.
#include "urlmon/uri_parse.h"

#include "pal/com_object.h"
#include "oleauto.h"
#include "common/stub.h"

namespace {

bool IsStringProperty(Uri_PROPERTY p)
{
    return p >= Uri_PROPERTY_STRING_START && p <= Uri_PROPERTY_STRING_LAST;
}

class CUri final : public pal::ComObject<IUri> {
public:
    explicit CUri(pal::uri::Components components) : m_c(std::move(components)) {}

    HRESULT GetPropertyBSTR(Uri_PROPERTY prop, BSTR* value, DWORD) override
    {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        if (prop == Uri_PROPERTY_ZONE) {
            *value = SysAllocString(u"");
            return S_FALSE;
        }
        if (!IsStringProperty(prop))
            return E_INVALIDARG;
        pal::uri::Part part = pal::uri::Property(m_c, prop);
        *value = SysAllocStringLen(part.text.data(), static_cast<UINT>(part.text.size()));
        if (!*value)
            return E_OUTOFMEMORY;
        return part.present ? S_OK : S_FALSE;
    }

    HRESULT GetPropertyLength(Uri_PROPERTY, DWORD*, DWORD) override { return PAL_STUB(); }

    HRESULT GetPropertyDWORD(Uri_PROPERTY prop, DWORD* value, DWORD) override
    {
        if (!value)
            return E_INVALIDARG;
        *value = 0;
        switch (prop) {
        case Uri_PROPERTY_HOST_TYPE: *value = m_c.hostType; return S_OK;
        case Uri_PROPERTY_SCHEME: *value = m_c.schemeId; return S_OK;
        case Uri_PROPERTY_PORT:
            *value = m_c.hasPort ? m_c.port : 0;
            return m_c.hasPort ? S_OK : S_FALSE;
        case Uri_PROPERTY_ZONE: return E_NOTIMPL;
        default: return E_INVALIDARG;
        }
    }

    HRESULT HasProperty(Uri_PROPERTY prop, BOOL* has) override
    {
        if (!has)
            return E_INVALIDARG;
        if (IsStringProperty(prop))
            *has = pal::uri::Property(m_c, prop).present;
        else if (prop == Uri_PROPERTY_PORT)
            *has = m_c.hasPort;
        else
            *has = prop == Uri_PROPERTY_HOST_TYPE || prop == Uri_PROPERTY_SCHEME;
        return S_OK;
    }

    HRESULT GetAbsoluteUri(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_ABSOLUTE_URI, v, 0); }
    HRESULT GetAuthority(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_AUTHORITY, v, 0); }
    HRESULT GetDisplayUri(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_DISPLAY_URI, v, 0); }
    HRESULT GetDomain(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_DOMAIN, v, 0); }
    HRESULT GetExtension(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_EXTENSION, v, 0); }
    HRESULT GetFragment(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_FRAGMENT, v, 0); }
    HRESULT GetHost(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_HOST, v, 0); }
    HRESULT GetPassword(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_PASSWORD, v, 0); }
    HRESULT GetPath(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_PATH, v, 0); }
    HRESULT GetPathAndQuery(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_PATH_AND_QUERY, v, 0); }
    HRESULT GetQuery(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_QUERY, v, 0); }
    HRESULT GetRawUri(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_RAW_URI, v, 0); }
    HRESULT GetSchemeName(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_SCHEME_NAME, v, 0); }
    HRESULT GetUserInfo(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_USER_INFO, v, 0); }
    HRESULT GetUserName(BSTR* v) override { return GetPropertyBSTR(Uri_PROPERTY_USER_NAME, v, 0); }
    HRESULT GetHostType(DWORD* v) override { return GetPropertyDWORD(Uri_PROPERTY_HOST_TYPE, v, 0); }
    HRESULT GetPort(DWORD* v) override { return GetPropertyDWORD(Uri_PROPERTY_PORT, v, 0); }
    HRESULT GetScheme(DWORD* v) override { return GetPropertyDWORD(Uri_PROPERTY_SCHEME, v, 0); }
    HRESULT GetZone(DWORD* v) override { return GetPropertyDWORD(Uri_PROPERTY_ZONE, v, 0); }
    HRESULT GetProperties(LPDWORD) override { return PAL_STUB(); }
    HRESULT IsEqual(IUri*, BOOL*) override { return PAL_STUB(); }

private:
    pal::uri::Components m_c;
};

} // namespace

STDAPI CreateUri(LPCWSTR pwzURI, DWORD dwFlags, DWORD_PTR dwReserved, IUri** ppURI)
{
    if (!ppURI)
        return E_INVALIDARG;
    *ppURI = nullptr;
    if (!pwzURI || dwReserved)
        return E_INVALIDARG;
    pal::uri::Components components;
    HRESULT hr = pal::uri::Parse(pwzURI, dwFlags, components);
    if (FAILED(hr))
        return hr;
    *ppURI = new (std::nothrow) CUri(std::move(components));
    return *ppURI ? S_OK : E_OUTOFMEMORY;
}
