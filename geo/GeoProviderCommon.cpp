// What several providers share: the address text, the country names, the error form of two services.
#include <limits>

#include "geo/CountryTable.h"
#include "geo/GeoLocationProviders.h"

#include "__Utilities/ErrorInfo.h"

namespace geo_providers {

WString AddressText(const IP_address* pAddress)
{
    CComBSTR text = pAddress->ToString(false);
    return text ? WString(text.m_str, text.Length()) : WString();
}

std::map<int, const WCHAR*> CountryMap()
{
    std::map<int, const WCHAR*> countries;
    for (const CountryEntry& row : g_countryTable)
        countries[CountryKey(row.code)] = row.name;
    return countries;
}

void NameCountry(const std::map<int, const WCHAR*>& countries, IPLocationInfo* pLocInfo)
{
    if (!pLocInfo->countryCode[0])
        return;
    CharUpperBuffW(pLocInfo->countryCode, DWORD(wcslen(pLocInfo->countryCode)));
    auto it = countries.find(CountryKey(pLocInfo->countryCode));
    if (it != countries.end())
        pLocInfo->countryName = it->second;
}

bool ReadApiLayerError(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    if (wcsstr(pResult, W("\"error\""))) {
        double code = 0;
        CIPRequest::getJSONValue(pResult, W("code"), code);
        // NaN or a code no LONG holds has no defined conversion: it is no code.
        bool fits = code >= double(std::numeric_limits<LONG>::min()) && code <= double(std::numeric_limits<LONG>::max());
        pLocInfo->httpStatus = fits ? LONG(code) : 0;
        CIPRequest::getJSONValue(pResult, W("info"), pLocInfo->errorText);
        return true;
    }
    // An answer for an address the service knows nothing about is all nulls.
    int nulls = 0;
    for (const WCHAR* p = wcsstr(pResult, W("null")); p; p = wcsstr(p + 4, W("null")))
        ++nulls;
    if (nulls >= 16) {
        pLocInfo->httpStatus = 0;
        return true;
    }
    return false;
}

bool ReadStatusError(const WCHAR* pResult, IPLocationInfo* pLocInfo, const WCHAR* statusName, const WCHAR* okValue,
                     const WCHAR* messageName)
{
    WCHAR status[50] = {};
    CIPRequest::getJSONValue(pResult, statusName, status, std::size(status));
    if (_wcsicmp(status, okValue) == 0)
        return false;
    CIPRequest::getJSONValue(pResult, messageName, pLocInfo->errorText);
    return true;
}

void ReadApiLayerLocation(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    CIPRequest::getJSONValue(pResult, W("country_code"), pLocInfo->countryCode, std::size(pLocInfo->countryCode));
    CIPRequest::getJSONValue(pResult, W("country_name"), pLocInfo->countryName);
    CIPRequest::getJSONValue(pResult, W("region_name"), pLocInfo->region);
    CIPRequest::getJSONValue(pResult, W("city"), pLocInfo->city);
    CIPRequest::getJSONValue(pResult, W("zip"), pLocInfo->postalCode);
    CIPRequest::getJSONValue(pResult, W("latitude"), pLocInfo->latitude, -90, 90);
    CIPRequest::getJSONValue(pResult, W("longitude"), pLocInfo->longitude, -180, 180);
}

} // namespace geo_providers
