// Where each geo-location service lives: its home page (which also names the provider) and the base of
// its API (scheme and host). The services' public addresses are the defaults; the environment variables
// VANTORA_ENDPOINT_<SERVICE> and VANTORA_HOMEPAGE_<SERVICE> replace them (tests point the providers at
// loopback servers this way).
#pragma once

#include <string>

#include <windows.h>
#include "__Utilities/WString.h"

enum class GeoService {
    KeyCDN,
    IpApiCo,
    DbIpCom,
    IPGeolocation,
    IpInfoDB,
    IPStack,
    IpApiCom,
    IpInfoIo,
    WhoIsXMLApi,
    Ip2Location,
    IpFire, // the local country database: its home page only, no API
};

class CGeoEndpoints {
public:
    // "http://host[:port]" or "https://host", without a final "/".
    static WString ApiBase(GeoService service);
    static WString HomePage(GeoService service);
    // The service's part of the variable names ("KEYCDN" in VANTORA_ENDPOINT_KEYCDN).
    static const WCHAR* VariableSuffix(GeoService service);
    // The web map that shows a location ("https://www.openstreetmap.org"; VANTORA_ENDPOINT_MAP replaces it).
    static WString MapService();
    // The KeyCDN request prefix: its API base followed by "/geo.json?host=".
    static WString KeyCdnRequestPrefix();
};
