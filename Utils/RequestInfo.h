// The record of one asynchronous HTTP GET: its state, its HTTP object and callback, and what the answer
// left behind (status, error text, redirect location). Location and link data records derive from it.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <msxml6.h>

#include "Utils/RequestNotify.h"

class CRequestBase;

enum RequestStatus : int32_t {
    RS_NONE = 0,
    RS_PENDING = 1,
    RS_REQUESTING = 2,
    RS_LOADING = 3,
    RS_LOADED = 4,
    RS_INTERACTIVE = 5,
    RS_ABORTED = 6,
    RS_QUOTA_EXCEEDED = 7,
    RS_FAILED = 8,
    RS_DONE = 9,
    RS_REDIRECTING = 10,
};

// Records are never copied nor moved: a copy would share the live HTTP object and abort it when destroyed,
// and the callback points at the record.
struct RequestInfo {
    RequestInfo() = default;
    RequestInfo(const RequestInfo&) = delete;
    RequestInfo& operator=(const RequestInfo&) = delete;

    // The HTTP object this kind of record sends with.
    virtual CLSID GetClassId() const = 0;
    virtual ~RequestInfo();
    // Clears the payload; the base part empties the error text and the location.
    virtual void Reset() = 0;
    virtual void ClearRequest(bool abort);
    // The longest answer this kind of record digests, in bytes received or declared (and in characters);
    // 0 for no bound but the transfer's own.
    virtual size_t MaxAnswerLength() const { return 0; }

    void RequestAsync(const WCHAR* pHttpReq, CRequestBase* pRequestBase);
    // The answer is digested: the HTTP object drops it. A final record lets the object go; one still
    // outstanding (a redirect, an answer without values) keeps it so that a time-out can abort it.
    void ReleaseAnswer();
    // Queued, or sent and not yet final.
    bool IsOutstanding() const;
    // Sent, outstanding (a redirect aside) and at least timeout seconds old at now: the sweeps abort it.
    bool IsTimedOut(LONGLONG now, LONGLONG timeout) const;
    // "Failed", then after ": " the HTTP status's text or, for a request never sent, why it was refused.
    CComBSTR FailedText() const;
    // Within the retry limit: never sent, or sent at most maxRetries times.
    bool MayRetry(LONG maxRetries) const { return attempts == 0 || (attempts > 0 && attempts <= maxRetries); }

    LONGLONG startTime = 0; // calendar seconds of the send; 0 when unsent or cleared
    LONG attempts = 0;      // sends so far, never reset
    CComPtr<CRequestNotifyCB> spCallback;
    RequestStatus status = RS_NONE;
    LONG httpStatus = 0;
    CComBSTR errorText;
    CComBSTR location;
    CComPtr<IXMLHTTPRequest> spRequest;
};
