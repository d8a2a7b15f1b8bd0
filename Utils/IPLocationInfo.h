// The location record of one address at one provider: a request record with the location fields.
#pragma once

#include "Utils/RequestInfo.h"

struct IPLocationInfo : RequestInfo {
    IPLocationInfo() { Reset(); }
    IPLocationInfo(const IPLocationInfo&) = default;
    IPLocationInfo& operator=(const IPLocationInfo&) = default;

    CLSID GetClassId() const override { return CLSID_XMLHTTP60; }
    void Reset() override;

    WCHAR countryCode[4] = {};
    CComBSTR countryName;
    CComBSTR region;
    CComBSTR city;
    CComBSTR postalCode; // upper-cased when an answer is accepted
    CComBSTR hostName;
    CComBSTR organization;
    double latitude = 0;  // degrees; 0 means no value
    double longitude = 0; // degrees; 0 means no value
};
