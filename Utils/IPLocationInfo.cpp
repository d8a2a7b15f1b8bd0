#include "Utils/IPLocationInfo.h"

#include <cstring>

void IPLocationInfo::Reset()
{
    RequestInfo::Reset();
    std::memset(countryCode, 0, sizeof countryCode);
    countryName.Empty();
    region.Empty();
    city.Empty();
    postalCode.Empty();
    hostName.Empty();
    organization.Empty();
    latitude = 0;
    longitude = 0;
}
