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
        if (!pInfo || !pInfo->IsOutstanding() || pInfo->status == RS_REDIRECTING)
            continue;
        // Only a request that was sent and has waited out the reply time-out; queued ones wait their turn.
        if (!(pInfo->startTime > 0 && pInfo->startTime < now && now - pInfo->startTime >= timeout))
            continue;
        pInfo->ClearRequest(true);
        if (pInfo->attempts == 0 || (pInfo->attempts > 0 && pInfo->attempts <= maxRetries)) {
            CIPRequest* pIpRequest =
                CGeoLocationManager::Instance().GetSelProvider(unsigned(itLoc - IP.locationInfo.begin()), IP);
            VTR_CHECK(pIpRequest, E_UNEXPECTED);
            *itLoc = pIpRequest->GetLocationInfo(IP);
            VTR_CHECK(*itLoc, E_UNEXPECTED);
        }
    }
}
