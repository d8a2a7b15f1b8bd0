// The providers that need the user's access key: IP Geolocation API, IPInfoDB, ipstack, ipapi's
// access-key interface and IP2Location. Without a key their builders send nothing.
#include "geo/GeoLocationProviders.h"

#include <iterator>

#include "__Utilities/ErrorInfo.h"

using geo_providers::AddressText;

// IP Geolocation API

WString CIPGeolocation::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        VTR_CHECK(!m_key.empty(), E_UNEXPECTED);
        return ApiBase() + W("/ipgeo?ip=") + AddressText(pAddress) + W("&apiKey=") + m_key;
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIPGeolocation::processResultError(const WCHAR*, IPLocationInfo*)
{
    return false; // the service reports errors by status code only
}

bool CIPGeolocation::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("country_code2"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("country_name"), pLocInfo->countryName);
        getJSONValue(pResult, W("state_prov"), pLocInfo->region);
        getJSONValue(pResult, W("city"), pLocInfo->city);
        getJSONValue(pResult, W("zipcode"), pLocInfo->postalCode);
        getJSONValue(pResult, W("isp"), pLocInfo->hostName);
        getJSONValue(pResult, W("organization"), pLocInfo->organization);
        getJSONValue(pResult, W("latitude"), pLocInfo->latitude, -90, 90);
        getJSONValue(pResult, W("longitude"), pLocInfo->longitude, -180, 180);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// IPInfoDB

WString CIpInfoDB::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        VTR_CHECK(!m_key.empty(), E_UNEXPECTED);
        return ApiBase() + W("/v3/ip-city/?ip=") + AddressText(pAddress) + W("&key=") + m_key + W("&format=json");
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIpInfoDB::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        return geo_providers::ReadStatusError(pResult, pLocInfo, W("statusCode"), W("OK"), W("statusMessage"));
    }
    VTR_CATCH_LOG
    return false;
}

bool CIpInfoDB::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("countryCode"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("countryName"), pLocInfo->countryName);
        getJSONValue(pResult, W("regionName"), pLocInfo->region);
        getJSONValue(pResult, W("cityName"), pLocInfo->city);
        getJSONValue(pResult, W("zipCode"), pLocInfo->postalCode);
        getJSONValue(pResult, W("latitude"), pLocInfo->latitude, -90, 90);
        getJSONValue(pResult, W("longitude"), pLocInfo->longitude, -180, 180);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// ipstack

WString CIPStack::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        VTR_CHECK(!m_key.empty(), E_UNEXPECTED);
        return ApiBase() + W("/") + AddressText(pAddress) + W("?access_key=") + m_key;
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIPStack::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        return geo_providers::ReadApiLayerError(pResult, pLocInfo);
    }
    VTR_CATCH_LOG
    return false;
}

bool CIPStack::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        geo_providers::ReadApiLayerLocation(pResult, pLocInfo);
        getJSONValue(pResult, W("isp"), pLocInfo->hostName);
        getJSONValue(pResult, W("asn"), pLocInfo->organization);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// ipapi, access-key interface

WString CIpApiCom::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        VTR_CHECK(!m_key.empty(), E_UNEXPECTED);
        return ApiBase() + W("/api/") + AddressText(pAddress) + W("?access_key=") + m_key +
               W("&language=en&hostname=1&output=json");
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIpApiCom::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        return geo_providers::ReadApiLayerError(pResult, pLocInfo);
    }
    VTR_CATCH_LOG
    return false;
}

bool CIpApiCom::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        geo_providers::ReadApiLayerLocation(pResult, pLocInfo);
        getJSONValue(pResult, W("hostname"), pLocInfo->hostName);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// IP2Location

WString CIp2Location::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        VTR_CHECK(!m_key.empty(), E_UNEXPECTED);
        return ApiBase() + W("/v2/?ip=") + AddressText(pAddress) + W("&key=") + m_key +
               W("&format=json&package=WS10");
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIp2Location::processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        CComBSTR response;
        if (!getJSONValue(pResult, W("response"), response))
            return false;
        pLocInfo->errorText = response;
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool CIp2Location::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("country_code"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("country_name"), pLocInfo->countryName);
        getJSONValue(pResult, W("region_name"), pLocInfo->region);
        getJSONValue(pResult, W("city_name"), pLocInfo->city);
        getJSONValue(pResult, W("zip_code"), pLocInfo->postalCode);
        getJSONValue(pResult, W("domain"), pLocInfo->hostName);
        getJSONValue(pResult, W("isp"), pLocInfo->organization);
        getJSONValue(pResult, W("latitude"), pLocInfo->latitude, -90, 90);
        getJSONValue(pResult, W("longitude"), pLocInfo->longitude, -180, 180);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}
