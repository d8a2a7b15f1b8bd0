// A provider base that spaces its sends by the provider's published rate, plus a 5 % margin: requests
// wait in a queue that the polling timer drains one send at a time.
#pragma once

#include <deque>

#include "Utils/IPRequest.h"
#include "__Utilities/WString.h"

class CIPTimedRequest : public CIPRequest {
public:
    // Queues the record (state "Pending") and sends at once if the rate allows.
    void requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo) override;
    // Sends the first queued request when its time has come; at most one per call.
    void ProcessPendingRequest();
    // Drops the queue; its records go back to state "N/A".
    void ClearPendingRequests();

    // Milliseconds between two sends at the given rate (0: no spacing).
    static ULONGLONG SendInterval(std::pair<int, RateUnit> rate);

protected:
    CIPTimedRequest() = default;

    struct PendingRequest {
        WString url;
        RequestInfo* info; // null once sent
    };
    std::deque<PendingRequest> m_pending;
    ULONGLONG m_nextSendTime = 0; // GetTickCount64 milliseconds
};
