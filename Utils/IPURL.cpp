// Host names of link servers. A host is valid when "http://" followed by it is a URL to the system.
#include "Utils/IPURL.h"

#include "__Utilities/ErrorInfo.h"

#include <urlmon.h>

#include <string>

bool URL_address::isValidHost(const WCHAR* pHost)
{
    WString url(W("http://"));
    url += pHost;
    return IsValidURL(nullptr, url.c_str(), 0) == S_OK;
}

bool URL_address::Read(const WCHAR* pIP)
{
    try {
        m_host = _bstr_t();
        if (!VTR_VERIFY(pIP && *pIP, E_INVALIDARG))
            return false;
        // A scheme ("://") or a path ("/") means this is more than a host.
        if (wcsstr(pIP, W("://")) || wcschr(pIP, W('/')) || !wcschr(pIP, W('.')))
            return false;
        if (!isValidHost(pIP))
            return false;
        WString host(pIP);
        CharLowerBuffW(host.data(), DWORD(host.size()));
        m_host = _bstr_t(host.c_str());
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

const WCHAR* URL_address::GetHost() const
{
    const WCHAR* host = m_host;
    return host ? host : W("");
}

bool URL_address::IsValid() const
{
    return *GetHost() && isValidHost(GetHost());
}

CComBSTR URL_address::ToString(bool) const
{
    return CComBSTR(GetHost());
}

bool URL_address::operator<(const URL_address& other) const
{
    return _wcsicmp(GetHost(), other.GetHost()) < 0;
}
