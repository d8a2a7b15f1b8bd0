// The providers that answer with a country code only and take the name from the country table: IPinfo and
// WhoisXML API.
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <string>

#include "geo/GeoLocationProviders.h"

#include "__Utilities/ErrorInfo.h"

using geo_providers::AddressText;

namespace {

// "48.85,2.35": each coordinate must end at the separator (or white space), the longitude at the end.
void ReadLocation(const WCHAR* pLoc, IPLocationInfo* pLocInfo)
{
    std::string text;
    for (const WCHAR* p = pLoc; *p; ++p)
        text.push_back(*p < 0x80 ? char(*p) : '?');
    const char* start = text.c_str();
    char* end = nullptr;
    double latitude = std::strtod(start, &end);
    if (end == start || !(*end == ',' || std::isspace(static_cast<unsigned char>(*end)))) {
        pLocInfo->latitude = 0;
        return;
    }
    if (!(latitude >= -90 && latitude <= 90)) {
        pLocInfo->latitude = 0;
        return;
    }
    pLocInfo->latitude = latitude;
    const char* next = end + 1;
    double longitude = std::strtod(next, &end);
    if (end == next || !(*end == 0 || std::isspace(static_cast<unsigned char>(*end))) ||
        !(longitude >= -180 && longitude <= 180)) {
        pLocInfo->longitude = 0;
        return;
    }
    pLocInfo->longitude = longitude;
}

} // namespace

// IPinfo

CIpInfoIo::CIpInfoIo() : CPlainKeyProvider(GeoService::IpInfoIo), m_countries(geo_providers::CountryMap()) {}

WString CIpInfoIo::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        WString url = ApiBase() + W("/") + AddressText(pAddress) + W("/json");
        if (!m_key.empty())
            url += W("?token=") + m_key;
        return url;
    }
    VTR_CATCH_LOG
    return WString();
}

bool CIpInfoIo::processResultError(const WCHAR*, IPLocationInfo*)
{
    return false; // the service reports errors by status code only
}

bool CIpInfoIo::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("country"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("region"), pLocInfo->region);
        getJSONValue(pResult, W("city"), pLocInfo->city);
        getJSONValue(pResult, W("postal"), pLocInfo->postalCode);
        getJSONValue(pResult, W("hostname"), pLocInfo->hostName);
        getJSONValue(pResult, W("org"), pLocInfo->organization);
        // One character more than a location may have: a longer one is not cut into other coordinates.
        WCHAR loc[51] = {};
        if (getJSONValue(pResult, W("loc"), loc, std::size(loc)) && wcslen(loc) < std::size(loc) - 1)
            ReadLocation(loc, pLocInfo);
        geo_providers::NameCountry(m_countries, pLocInfo);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

// WhoisXML API

CWhoIsXMLApi::CWhoIsXMLApi() : CPlainKeyProvider(GeoService::WhoIsXMLApi), m_countries(geo_providers::CountryMap()) {}

WString CWhoIsXMLApi::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        VTR_CHECK(!m_key.empty(), E_UNEXPECTED);
        return ApiBase() + W("/api/v1?apiKey=") + m_key + W("&ipAddress=") + AddressText(pAddress) +
               W("&outputFormat=json");
    }
    VTR_CATCH_LOG
    return WString();
}

bool CWhoIsXMLApi::processResultError(const WCHAR*, IPLocationInfo*)
{
    return false; // the service reports errors by status code only
}

bool CWhoIsXMLApi::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        getJSONValue(pResult, W("country"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
        getJSONValue(pResult, W("region"), pLocInfo->region);
        getJSONValue(pResult, W("city"), pLocInfo->city);
        getJSONValue(pResult, W("postalCode"), pLocInfo->postalCode);
        getJSONValue(pResult, W("domains"), pLocInfo->hostName);
        getJSONValue(pResult, W("isp"), pLocInfo->organization);
        getJSONValue(pResult, W("lat"), pLocInfo->latitude, -90, 90);
        getJSONValue(pResult, W("lng"), pLocInfo->longitude, -180, 180);
        geo_providers::NameCountry(m_countries, pLocInfo);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}
