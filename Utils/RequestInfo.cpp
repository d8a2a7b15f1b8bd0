// Sending and clearing one request record.
#include "Utils/RequestInfo.h"

#include <ctime>
#include <string>

#include "Utils/RequestBase.h"
#include "Utils/RequestNotify.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "geo/GeoEndpoints.h"
#include "res/resource.h"

CComBSTR RequestInfo::FailedText() const
{
    CComBSTR text = CResourceManager::Instance().GetText(IDS_RS_FAILED);
    if (httpStatus > 0) {
        text.Append(W(": "));
        text.Append(CResourceManager::Instance().GetHttpStatusText(httpStatus));
    } else if (errorText.Length() > 0) {
        text.Append(W(": "));
        text.Append(errorText);
    }
    return text;
}

RequestInfo::~RequestInfo()
{
    ClearRequest(true);
}

void RequestInfo::Reset()
{
    errorText.Empty();
    location.Empty();
}

bool RequestInfo::IsOutstanding() const
{
    if (status == RS_PENDING)
        return true;
    if (startTime <= 0)
        return false;
    return (status >= RS_REQUESTING && status <= RS_INTERACTIVE) || status == RS_REDIRECTING;
}

bool RequestInfo::IsTimedOut(LONGLONG now, LONGLONG timeout) const
{
    // Only a request that was sent and has waited out the reply time-out; queued ones wait their turn.
    return IsOutstanding() && status != RS_REDIRECTING && startTime > 0 && startTime < now &&
           now - startTime >= timeout;
}

void RequestInfo::RequestAsync(const WCHAR* pHttpReq, CRequestBase* pRequestBase)
{
    HRESULT hr = S_OK;
    bool created = false, sent = false;
    try {
        VTR_CHECK_TEXT(pHttpReq && *pHttpReq, "pHttpReq", E_INVALIDARG);
        VTR_CHECK(!spRequest, E_POINTER);
        VTR_CHECK(!spCallback, E_POINTER);

        VTR_CHECK_HR(CoCreateInstance(GetClassId(), nullptr, CLSCTX_ALL, __uuidof(IXMLHTTPRequest),
                                      reinterpret_cast<void**>(&spRequest)));
        VTR_CHECK(spRequest, E_POINTER);
        created = true;
        ++attempts;

        CComVariant async;
        async.vt = VT_I2;
        async.iVal = -1;
        CComVariant empty;
        if (FAILED(spRequest->open(CComBSTR(W("GET")), CComBSTR(pHttpReq), async, empty, empty))) {
            status = RS_FAILED;
            spRequest.Release();
            return;
        }

        // KeyCDN answers only requests that name the looked-up address in their user agent.
        WString prefix = CGeoEndpoints::KeyCdnRequestPrefix();
        if (wcslen(pHttpReq) > prefix.size() && _wcsnicmp(pHttpReq, prefix.c_str(), prefix.size()) == 0) {
            WString agent = W("keycdn-tools:https://");
            agent += pHttpReq + prefix.size();
            VTR_VERIFY_HR(spRequest->setRequestHeader(CComBSTR(W("user-agent")), CComBSTR(agent.c_str())));
        }

        spCallback.Attach(new CRequestNotifyCB(pRequestBase, this));
        VTR_CHECK_HR(spRequest->put_onreadystatechange(spCallback));

        status = RS_REQUESTING;
        startTime = static_cast<LONGLONG>(time(nullptr));
        sent = true;
        if (FAILED(spRequest->send(empty))) {
            status = RS_FAILED;
            VTR_CHECK_HR(spRequest->put_onreadystatechange(nullptr));
            spRequest.Release();
            spCallback.Release();
        }
    }
    VTR_CATCH_ALL(hr)
    if (FAILED(hr) && created && !sent) {
        // An abandoned send leaves nothing attached, so that the record can be sent again.
        if (spRequest)
            spRequest->put_onreadystatechange(nullptr);
        spRequest.Release();
        spCallback.Release();
    }
}

void RequestInfo::ReleaseAnswer()
{
    try {
        if (!spRequest)
            return;
        VTR_VERIFY_HR(spRequest->put_onreadystatechange(nullptr));
        VTR_VERIFY_HR(spRequest->abort());
        if (IsOutstanding())
            return;
        spRequest.Release();
        spCallback.Release();
        startTime = 0;
    }
    VTR_CATCH_LOG
}

void RequestInfo::ClearRequest(bool abort)
{
    try {
        if (spRequest) {
            VTR_VERIFY_HR(spRequest->put_onreadystatechange(nullptr));
            if (abort) {
                VTR_VERIFY_HR(spRequest->abort());
                status = RS_ABORTED;
            }
            if (status == RS_DONE) {
                spRequest.p->AddRef();
                ULONG value = spRequest.p->Release();
                VTR_VERIFY(value == 1, E_UNEXPECTED);
            }
            spRequest.Release();
            startTime = 0;
        }
        if (spCallback) {
            if (status == RS_DONE) {
                spCallback.p->AddRef();
                ULONG value = spCallback.p->Release();
                VTR_VERIFY(value == 1, E_UNEXPECTED);
            }
            spCallback.Release();
        }
    }
    VTR_CATCH_LOG // logged where it was caught
}
