// The eleven geo-location providers, in their default order. Each gives its home page, its request limit,
// its request builder and the readers that map its answer onto a location record.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "Utils/IPRequestProviderBase.h"
#include "geo/CountryDatabase.h"
#include "__Utilities/WString.h"

// Plain providers (sent at once) and rate-limited ones (queued), with or without keys and host names.
using CPlainProvider = CProviderBaseT<CIPRequest, 0, 0>;
using CPlainKeyProvider = CProviderBaseT<CIPRequest, 1, 0>;
using CPlainKeyHostProvider = CProviderBaseT<CIPRequest, 1, 1>;
using CTimedHostProvider = CProviderBaseT<CIPTimedRequest, 0, 1>;
using CTimedKeyHostProvider = CProviderBaseT<CIPTimedRequest, 1, 1>;

#define VTR_PROVIDER_READERS                                                            \
protected:                                                                              \
    WString getRequest(const IP_address* pAddress) override;                               \
    bool processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo) override;   \
    bool processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo) override;

class CKeyCDN : public CTimedHostProvider {
public:
    CKeyCDN() : CTimedHostProvider(GeoService::KeyCDN) {}
    std::pair<int, RateUnit> GetRate() const override { return {2, RATE_SECOND}; }
    VTR_PROVIDER_READERS
};

class CIpApiCo : public CPlainProvider {
public:
    CIpApiCo() : CPlainProvider(GeoService::IpApiCo) {}
    std::pair<int, RateUnit> GetRate() const override { return {1000, RATE_DAY}; }
    VTR_PROVIDER_READERS
};

class CDbIpCom : public CPlainKeyProvider {
public:
    CDbIpCom() : CPlainKeyProvider(GeoService::DbIpCom) { m_key = s_builtInKey; }
    std::pair<int, RateUnit> GetRate() const override { return {1000, RATE_DAY}; }
    // DB-IP always has a key: the built-in one unless the user gave another.
    void SetAccessKey(const WCHAR* pKey) override;
    static constexpr const WCHAR* s_builtInKey = W("wupz");
    VTR_PROVIDER_READERS
};

class CIPGeolocation : public CPlainKeyProvider {
public:
    CIPGeolocation() : CPlainKeyProvider(GeoService::IPGeolocation) {}
    std::pair<int, RateUnit> GetRate() const override { return {1500, RATE_DAY}; }
    VTR_PROVIDER_READERS
};

class CIpInfoDB : public CTimedKeyHostProvider {
public:
    CIpInfoDB() : CTimedKeyHostProvider(GeoService::IpInfoDB) {}
    std::pair<int, RateUnit> GetRate() const override { return {2, RATE_SECOND}; }
    VTR_PROVIDER_READERS
};

class CIPStack : public CPlainKeyHostProvider {
public:
    CIPStack() : CPlainKeyHostProvider(GeoService::IPStack) {}
    std::pair<int, RateUnit> GetRate() const override { return {10000, RATE_MONTH}; }
    VTR_PROVIDER_READERS
};

class CIpApiCom : public CTimedKeyHostProvider {
public:
    CIpApiCom() : CTimedKeyHostProvider(GeoService::IpApiCom) {}
    std::pair<int, RateUnit> GetRate() const override { return {10000, RATE_MONTH}; }
    VTR_PROVIDER_READERS
};

class CIpInfoIo : public CPlainKeyProvider {
public:
    CIpInfoIo();
    std::pair<int, RateUnit> GetRate() const override { return {1000, RATE_DAY}; }
    VTR_PROVIDER_READERS
private:
    std::map<int, const WCHAR*> m_countries;
};

class CWhoIsXMLApi : public CPlainKeyProvider {
public:
    CWhoIsXMLApi();
    std::pair<int, RateUnit> GetRate() const override { return {1000, RATE_MONTH}; }
    VTR_PROVIDER_READERS
private:
    std::map<int, const WCHAR*> m_countries;
};

class CIp2Location : public CPlainKeyProvider {
public:
    CIp2Location() : CPlainKeyProvider(GeoService::Ip2Location) {}
    std::pair<int, RateUnit> GetRate() const override { return {1, RATE_NA}; }
    VTR_PROVIDER_READERS
};

// The country from the local database compiled from the IPFire Project's location data: nothing leaves the
// machine and no key is needed. A lookup still completes from the message loop, never inside the call that
// asked for it, so its record goes through the same states as a web service's.
class CIpFireLocation : public CPlainProvider {
public:
    CIpFireLocation();
    ~CIpFireLocation() override;
    std::pair<int, RateUnit> GetRate() const override { return {0, RATE_NA}; }
    // Queues the lookup (state "Requesting") and has the loop complete it.
    void requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo) override;
    // Completes every queued lookup; the loop calls it.
    void ProcessLookups();
    VTR_PROVIDER_READERS
private:
    struct Lookup {
        WString query;
        RequestInfo* info;
    };
    bool EnsureLoaded();
    void Complete(const Lookup& lookup);
    static void CALLBACK fnLookupTimerProc(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

    std::map<int, const WCHAR*> m_countries;
    std::unique_ptr<CCountryDatabase> m_database;
    CCountryDatabase::LoadResult m_loadResult = CCountryDatabase::LOAD_OK;
    bool m_loadTried = false;
    std::vector<Lookup> m_lookups;
    UINT_PTR m_timerId = 0;
};

#undef VTR_PROVIDER_READERS

namespace geo_providers {
// The address as the services take it (no brackets; the host name for host records).
WString AddressText(const IP_address* pAddress);
// The country table as a map from country key to name.
std::map<int, const WCHAR*> CountryMap();
// Upper-cases the record's country code and names it from the map; leaves the name empty when unknown.
void NameCountry(const std::map<int, const WCHAR*>& countries, IPLocationInfo* pLocInfo);
// ipstack and the access-key ipapi share their error form.
bool ReadApiLayerError(const WCHAR* pResult, IPLocationInfo* pLocInfo);
// An answer whose status field holds okValue is no error; otherwise messageName holds the error text.
bool ReadStatusError(const WCHAR* pResult, IPLocationInfo* pLocInfo, const WCHAR* statusName, const WCHAR* okValue,
                     const WCHAR* messageName);
// The location fields the two services of the same maker name alike; each adds its own host field.
void ReadApiLayerLocation(const WCHAR* pResult, IPLocationInfo* pLocInfo);
} // namespace geo_providers
