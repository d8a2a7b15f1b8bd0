// Endpoint configuration of the geo-location services.
#include "geo/GeoEndpoints.h"

#include <iterator>

namespace {

struct ServiceAddresses {
    const WCHAR* suffix;
    const WCHAR* apiBase;
    const WCHAR* homePage;
};

const ServiceAddresses& Addresses(GeoService service)
{
    static const ServiceAddresses table[] = {
        {W("KEYCDN"), W("https://tools.keycdn.com"), W("https://tools.keycdn.com/geo")},
        {W("IPAPICO"), W("https://ipapi.co"), W("https://ipapi.co/")},
        {W("DBIP"), W("http://api.db-ip.com"), W("https://db-ip.com/")},
        {W("IPGEOLOCATION"), W("https://api.ipgeolocation.io"), W("https://ipgeolocation.io/")},
        {W("IPINFODB"), W("http://api.ipinfodb.com"), W("https://www.ipinfodb.com/")},
        {W("IPSTACK"), W("http://api.ipstack.com"), W("https://ipstack.com/")},
        {W("IPAPICOM"), W("http://api.ipapi.com"), W("https://ipapi.com/")},
        {W("IPINFOIO"), W("https://ipinfo.io"), W("https://ipinfo.io/")},
        {W("WHOISXMLAPI"), W("https://ip-geolocation.whoisxmlapi.com"), W("https://ip-geolocation.whoisxmlapi.com/")},
        {W("IP2LOCATION"), W("https://api.ip2location.com"), W("https://www.ip2location.com/")},
        {W("IPFIRE"), W(""), W("https://location.ipfire.org/")},
    };
    return table[static_cast<int>(service)];
}

// The variable's value, or the default when it is not set or empty.
WString Configured(const WString& name, const WCHAR* fallback, bool isBase)
{
    WCHAR value[1024];
    DWORD n = GetEnvironmentVariableW(name.c_str(), value, DWORD(std::size(value)));
    WString result = (n > 0 && n < std::size(value)) ? WString(value, n) : WString(fallback);
    while (isBase && !result.empty() && result.back() == W('/'))
        result.pop_back(); // an API base is joined with paths that begin with "/"
    return result;
}

WString Configured(const WCHAR* prefix, GeoService service, const WCHAR* fallback, bool isBase)
{
    return Configured(WString(prefix) + Addresses(service).suffix, fallback, isBase);
}

} // namespace

WString CGeoEndpoints::ApiBase(GeoService service)
{
    return Configured(W("VANTORA_ENDPOINT_"), service, Addresses(service).apiBase, true);
}

WString CGeoEndpoints::HomePage(GeoService service)
{
    return Configured(W("VANTORA_HOMEPAGE_"), service, Addresses(service).homePage, false);
}

const WCHAR* CGeoEndpoints::VariableSuffix(GeoService service)
{
    return Addresses(service).suffix;
}

WString CGeoEndpoints::MapService()
{
    return Configured(W("VANTORA_ENDPOINT_MAP"), W("https://www.openstreetmap.org"), true);
}

WString CGeoEndpoints::KeyCdnRequestPrefix()
{
    return ApiBase(GeoService::KeyCDN) + W("/geo.json?host=");
}
