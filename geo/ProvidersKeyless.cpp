// The providers usable without configuration: KeyCDN, ipapi's XML interface and DB-IP (built-in key).
#include "geo/GeoLocationProviders.h"

#include <iterator>

#include "__Utilities/ErrorInfo.h"

using geo_providers::AddressText;

namespace {

// The XML number form has no bounds of its own: NaN and values beyond the limit are no coordinate.
void ReadXmlCoordinate(const WCHAR* pResult, const WCHAR* pTag, double limit, double& output)
{
    if (CIPRequest::getXMLValue(pResult, pTag, output) && !(output >= -limit && output <= limit))
        output = 0;
}

} // namespace

// KeyCDN

WString CKeyCDN::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        return ApiBase() + W("/geo.json?host=") + AddressText(pAddress);
    }
    VTR_CATCH_LOG
    return WString();
}

bool CKeyCDN::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        return geo_providers::ReadStatusError(pResult, pLocInfo, W("status"), W("success"), W("description"));
    }
    VTR_CATCH_LOG
    return false;
}

bool CKeyCDN::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("country_code"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("country_name"), pLocInfo->countryName);
        getJSONValue(pResult, W("region_name"), pLocInfo->region);
        getJSONValue(pResult, W("city"), pLocInfo->city);
        getJSONValue(pResult, W("postal_code"), pLocInfo->postalCode);
        getJSONValue(pResult, W("rdns"), pLocInfo->hostName);
        // The organization is the AS name followed by the ISP; numeric values are not texts.
        CComBSTR asn, isp;
        getJSONValue(pResult, W("asn"), asn);
        getJSONValue(pResult, W("isp"), isp);
        if (asn.Length())
            pLocInfo->organization = asn;
        if (isp.Length()) {
            if (pLocInfo->organization.Length())
                pLocInfo->organization.Append(W(' '));
            pLocInfo->organization.Append(isp);
        }
        getJSONValue(pResult, W("latitude"), pLocInfo->latitude, -90, 90);
        getJSONValue(pResult, W("longitude"), pLocInfo->longitude, -180, 180);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// ipapi, XML interface

WString CIpApiCo::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        return ApiBase() + W("/") + AddressText(pAddress) + W("/xml/");
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIpApiCo::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        WCHAR error[50] = {};
        getXMLValue(pResult, W("error"), error, std::size(error));
        if (_wcsicmp(error, W("True")) != 0)
            return false;
        getXMLValue(pResult, W("reason"), pLocInfo->errorText);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool CIpApiCo::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getXMLValue(pResult, W("country"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getXMLValue(pResult, W("country_name"), pLocInfo->countryName);
        getXMLValue(pResult, W("region"), pLocInfo->region);
        getXMLValue(pResult, W("city"), pLocInfo->city);
        getXMLValue(pResult, W("postal"), pLocInfo->postalCode);
        getXMLValue(pResult, W("org"), pLocInfo->hostName);
        getXMLValue(pResult, W("asn"), pLocInfo->organization);
        ReadXmlCoordinate(pResult, W("latitude"), 90, pLocInfo->latitude);
        ReadXmlCoordinate(pResult, W("longitude"), 180, pLocInfo->longitude);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// DB-IP

void CDbIpCom::SetAccessKey(const WCHAR* pKey)
{
    if (!pKey || !*pKey || _wcsicmp(pKey, s_builtInKey) == 0)
        m_key = s_builtInKey;
    else
        m_key = pKey;
}

WString CDbIpCom::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        return ApiBase() + W("/v2/") + (m_key.empty() ? WString(s_builtInKey) : m_key) + W("/") + AddressText(pAddress);
    }
    VTR_CATCH_LOG
    return WString();
}

bool CDbIpCom::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        WCHAR error[250] = {};
        if (!getJSONValue(pResult, W("error"), error, std::size(error)))
            return false;
        CComBSTR code;
        getJSONValue(pResult, W("errorCode"), code);
        pLocInfo->errorText = code;
        pLocInfo->errorText.Append(W(" : "));
        pLocInfo->errorText.Append(error);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool CDbIpCom::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("countryCode"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("countryName"), pLocInfo->countryName);
        getJSONValue(pResult, W("stateProv"), pLocInfo->region);
        getJSONValue(pResult, W("city"), pLocInfo->city);
        getJSONValue(pResult, W("zipCode"), pLocInfo->postalCode);
        getJSONValue(pResult, W("organization"), pLocInfo->organization);
        getJSONValue(pResult, W("latitude"), pLocInfo->latitude, -90, 90);
        getJSONValue(pResult, W("longitude"), pLocInfo->longitude, -180, 180);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}
