// Binds a provider to its base (plain or rate-limited) and fixes whether it takes an access key and
// whether it locates host names besides IPv4 and IPv6 addresses.
#pragma once

#include "Utils/IPTimedRequest.h"
#include "geo/GeoEndpoints.h"
#include "__Utilities/WString.h"

template <class Base, int KeyUsed, int HostNames>
class CProviderBaseT : public Base {
public:
    WString GetHomePage() const override { return m_homePage; }
    bool IsKeyUsed() const override { return KeyUsed != 0; }
    bool IsLocationInfoSupported(const IPInfo& IP) const override
    {
        return (IP.addressType & (HostNames ? (IP_TYPE_V4 | IP_TYPE_V6 | IP_TYPE_URL) : (IP_TYPE_V4 | IP_TYPE_V6))) != 0;
    }

protected:
    explicit CProviderBaseT(GeoService service) : m_service(service), m_homePage(CGeoEndpoints::HomePage(service)) {}

    // "scheme://host" of the provider's API, as configured.
    WString ApiBase() const { return CGeoEndpoints::ApiBase(m_service); }

    const GeoService m_service;
    const WString m_homePage;
};
