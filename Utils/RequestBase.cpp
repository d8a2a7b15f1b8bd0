#include "Utils/RequestBase.h"

#include <ctime>

#include "Utils/IPInfo.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "geo/GeoLocationManager.h"

void CRequestBase::requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo)
{
    try {
        VTR_CHECK_TEXT(pHttpReq && *pHttpReq, "pHttpReq", E_INVALIDARG);
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        pRequestInfo->RequestAsync(pHttpReq, this);
    }
    VTR_CATCH_LOG // logged where it was caught
}

LONGLONG fnSweepTime() noexcept { return static_cast<LONGLONG>(time(nullptr)); }

void fnUpdateTimedOutLocation(IPInfo& IP, LONGLONG now)
{
    const CSettingsManager& settings = CSettingsManager::Instance();
    const LONGLONG timeout = settings.serverReplyTimeout;
    const LONG maxRetries = settings.maxRetryCount;
    for (auto itLoc = IP.locationInfo.begin(); itLoc != IP.locationInfo.end(); ++itLoc) {
        IPLocationInfo* pInfo = *itLoc;
        if (!pInfo || !pInfo->IsTimedOut(now, timeout))
            continue;
        pInfo->ClearRequest(true);
        if (pInfo->MayRetry(maxRetries)) {
            CIPRequest* pIpRequest =
                CGeoLocationManager::Instance().GetSelProvider(unsigned(itLoc - IP.locationInfo.begin()), IP);
            VTR_CHECK(pIpRequest, E_UNEXPECTED);
            *itLoc = pIpRequest->GetLocationInfo(IP);
            VTR_CHECK(*itLoc, E_UNEXPECTED);
        }
    }
}

void fnRequestLocations(IPInfo& IP)
{
    for (CIPRequest* pProvider : CGeoLocationManager::Instance().GetSelectedProviders()) {
        if (!pProvider || !pProvider->IsLocationInfoSupported(IP))
            continue;
        if (pProvider->IsKeyUsed() && !pProvider->HasKey())
            continue;
        if (IPLocationInfo* pLocation = pProvider->GetLocationInfo(IP))
            IP.locationInfo.push_back(pLocation);
    }
}
