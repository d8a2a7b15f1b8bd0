// The owner of requests: sends them and digests their answers.
#pragma once

#include "Utils/RequestInfo.h"

struct IPInfo;

class CRequestBase {
public:
    // Digests a completed answer and sets the record's final state.
    virtual void processResult(RequestInfo* pRequestInfo) = 0;
    virtual void requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo);
    virtual ~CRequestBase() = default;
    // The record's transfer is over (any final state, a redirect included), after its answer is
    // digested: an owner that queues requests sends the next one.
    virtual void requestEnded(RequestInfo* pRequestInfo) { (void)pRequestInfo; }

protected:
    CRequestBase() = default;
};

// The time-out sweep over address records (header servers, link servers): requests older than the reply
// time-out are aborted and asked again of the provider of their slot, within the retry limit. Throws.
void fnUpdateTimedOutLocation(IPInfo& IP, LONGLONG now);
LONGLONG fnSweepTime() noexcept;
// One location request from each selected provider that takes the record and has the key it needs.
void fnRequestLocations(IPInfo& IP);
template <class TRecords> void fnUpdateTimedOutLocation(TRecords& records)
{
    LONGLONG now = fnSweepTime();
    for (IPInfo& IP : records)
        fnUpdateTimedOutLocation(IP, now);
}
