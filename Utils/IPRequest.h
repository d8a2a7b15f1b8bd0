// The base of every geo-location provider: one location record per address ever asked about (three
// caches, by address kind), the decision to send or reuse, retries within the settings' limit, and the
// JSON and XML value readers that the providers map their answers with.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "Utils/IPInfo.h"
#include "Utils/IPLocationInfo.h"
#include "Utils/RequestBase.h"
#include "__Utilities/WString.h"

// The unit of a provider's published request limit.
enum RateUnit : int32_t {
    RATE_NA = 0,
    RATE_SECOND = 1,
    RATE_MINUTE = 2,
    RATE_HOUR = 3,
    RATE_DAY = 4,
    RATE_WEEK = 5,
    RATE_MONTH = 6,
    RATE_YEAR = 7,
};

class CIPRequest : public CRequestBase {
public:

    // A completed answer (status 200, or a redirect without a location).
    void processResult(RequestInfo* pRequestInfo) override;
    ~CIPRequest() override;

    // The url for an address record: empty when the record is not for this provider or its address
    // cannot be located.
    virtual WString getRequest(const IPInfo& IP);
    // Turns an answer into the record: an error report makes it "Failed", accepted values "Done".
    virtual void processResult(const WCHAR* pResult, IPLocationInfo* pLocInfo);
    virtual void SetAccessKey(const WCHAR* pKey);
    virtual int GetProviderId();
    virtual WString GetProviderName();
    virtual WString GetHomePage() const = 0;
    virtual bool IsKeyUsed() const = 0;
    virtual bool HasKey() const { return !m_key.empty(); }
    virtual std::pair<int, RateUnit> GetRate() const = 0;
    virtual bool IsLocationInfoSupported(const IPInfo& IP) const = 0;
    // Aborts sent requests older than the given number of seconds.
    virtual void AbortRequests(int timeoutSeconds);

    // The record for the address of IP, sending a request when one is due; null when this provider does not
    // locate that address.
    IPLocationInfo* GetLocationInfo(const IPInfo& IP);
    // Some record of this provider is outstanding (true also when the walk fails).
    bool InProgress();

    // Value readers. Only quoted JSON strings are read as texts; see the source for their exact rules.
    static bool getJSONValue(const WCHAR* pIn, const WCHAR* pTag, WCHAR* pOutput, size_t capacity);
    static bool getJSONValue(const WCHAR* pIn, const WCHAR* pTag, CComBSTR& output);
    static bool getJSONValue(const WCHAR* pIn, const WCHAR* pTag, double& output);
    static bool getJSONValue(const WCHAR* pIn, const WCHAR* pTag, double& output, double minValue, double maxValue);
    static bool getXMLValue(const WCHAR* pIn, const WCHAR* pTag, WCHAR* pOutput, size_t capacity);
    static bool getXMLValue(const WCHAR* pIn, const WCHAR* pTag, CComBSTR& output);
    static bool getXMLValue(const WCHAR* pIn, const WCHAR* pTag, double& output);

protected:
    CIPRequest() = default;

    // The provider's own request builder and answer readers.
    virtual WString getRequest(const IP_address* pAddress) = 0;
    virtual bool processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo) = 0;
    virtual bool processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo) = 0;

    // The address of the record that this provider would look up, or null.
    static const IP_address* chooseAddress(const IPInfo& IP);

    WString m_providerName;
    std::map<IPV4_address, IPLocationInfo> m_ipv4Cache;
    std::map<IPV6_address, IPLocationInfo> m_ipv6Cache;
    std::map<URL_address, IPLocationInfo> m_hostCache;
    WString m_key;

private:
    template <class Cache, class Address>
    IPLocationInfo* fnGetRequest(Cache& cache, const Address& address, bool& send);
    template <class Fn> void forEachRecord(Fn fn);
};
