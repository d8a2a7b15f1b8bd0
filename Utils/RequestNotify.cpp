// Completion of a request, on every ready-state change of its HTTP object.
#include "Utils/RequestNotify.h"

#include <cstdint>

#include <objidl.h>

#include "Utils/RequestBase.h"

#include "__Utilities/ErrorInfo.h"

HRESULT CRequestNotifyCB::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_INVALIDARG;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch)) {
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG CRequestNotifyCB::AddRef()
{
    return ULONG(++m_refCount);
}

ULONG CRequestNotifyCB::Release()
{
    LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return ULONG(count);
}

HRESULT CRequestNotifyCB::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT CRequestNotifyCB::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CRequestNotifyCB::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

namespace {

// The body length that the answer's headers declare, if they declare one (saturating).
bool DeclaredLength(IXMLHTTPRequest* pRequest, size_t& length)
{
    CComBSTR text;
    if (FAILED(pRequest->getResponseHeader(CComBSTR(W("content-length")), &text)) || text.Length() == 0)
        return false;
    length = 0;
    for (const WCHAR* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        length = length >= SIZE_MAX / 10 ? SIZE_MAX : length * 10 + size_t(*p - '0');
    }
    return true;
}

// The byte size of the answer received, read from its stream so that the body is not decoded.
bool ReceivedLength(IXMLHTTPRequest* pRequest, size_t& length)
{
    CComVariant stream;
    if (FAILED(pRequest->get_responseStream(&stream)) || stream.vt != VT_UNKNOWN || !stream.punkVal)
        return false;
    CComQIPtr<IStream> spStream(stream.punkVal);
    STATSTG stat{};
    if (!spStream || FAILED(spStream->Stat(&stat, STATFLAG_NONAME)))
        return false;
    length = stat.cbSize.QuadPart > SIZE_MAX ? SIZE_MAX : size_t(stat.cbSize.QuadPart);
    return true;
}

// Once the record has digested its answer, all it shows is in its fields: the answer need not stay. The
// owner may have sent the record again from inside, with another object, which is left alone. Then the
// owner hears that the transfer is over.
struct ReleaseWhenDigested {
    ~ReleaseWhenDigested()
    {
        if (!digested)
            return;
        if (info.spRequest.p == pRequest)
            info.ReleaseAnswer();
        try {
            owner.requestEnded(&info);
        }
        VTR_CATCH_LOG
    }
    RequestInfo& info;
    IXMLHTTPRequest* pRequest;
    CRequestBase& owner;
    bool digested = false;
};

} // namespace

HRESULT CRequestNotifyCB::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    HRESULT hr = S_FALSE; // handled
    CComPtr<CRequestNotifyCB> keepAlive(this); // the owner may clear the record from inside
    try {
        VTR_CHECK(m_pRequestInfo, E_POINTER);
        VTR_CHECK(m_pRequestInfo->spRequest, E_POINTER);
        VTR_CHECK(m_pRequestBase, E_POINTER);
        RequestInfo& info = *m_pRequestInfo;
        // Late events of aborted, cleared or finished records change nothing.
        if (!info.IsOutstanding())
            return S_FALSE;
        CComPtr<IXMLHTTPRequest> spRequest = info.spRequest;
        ReleaseWhenDigested release{info, spRequest, *m_pRequestBase};

        LONG readyState = 0;
        if (FAILED(spRequest->get_readyState(&readyState))) {
            info.status = RS_FAILED;
            release.digested = true;
            return S_FALSE;
        }
        switch (readyState) {
        case 1: info.status = RS_LOADING; return S_FALSE;
        case 2: {
            info.status = RS_LOADED;
            // An answer longer than this kind of record digests is refused before its body arrives.
            LONG httpStatus = 0;
            size_t declared = 0, maxLength = info.MaxAnswerLength();
            if (maxLength && SUCCEEDED(spRequest->get_status(&httpStatus)) && httpStatus == 200 &&
                DeclaredLength(spRequest, declared) && !VTR_VERIFY(declared <= maxLength, E_FAIL)) {
                info.status = RS_FAILED;
                release.digested = true;
            }
            return S_FALSE;
        }
        case 3: info.status = RS_INTERACTIVE; return S_FALSE;
        case 4: release.digested = true; break;
        default: return S_FALSE;
        }

        LONG httpStatus = 0;
        if (FAILED(spRequest->get_status(&httpStatus))) {
            info.status = RS_FAILED;
            return S_FALSE;
        }
        if (httpStatus >= 301 && httpStatus <= 308) {
            CComBSTR location;
            if (FAILED(spRequest->getResponseHeader(CComBSTR(W("location")), &location))) {
                info.status = RS_FAILED;
                return S_FALSE;
            }
            if (location.Length() > 0) {
                info.location = location;
                info.status = RS_REDIRECTING;
                return S_FALSE;
            }
            // A redirect without a location is the final answer.
        } else if (httpStatus == 429) {
            info.status = RS_QUOTA_EXCEEDED;
            info.httpStatus = 429;
            return S_FALSE;
        } else if (httpStatus != 200) {
            info.status = RS_FAILED;
            info.httpStatus = httpStatus;
            return S_FALSE;
        } else {
            CComQIPtr<IServerXMLHTTPRequest> spServer(spRequest);
            if (spServer) {
                CComVariant url;
                if (SUCCEEDED(VTR_VERIFY_HR(spServer->getOption(SXH_OPTION_URL, &url))) && url.vt == VT_BSTR)
                    info.location = url.bstrVal;
            }
        }
        // An answer longer than the record digests is refused before anything decodes it.
        size_t received = 0, maxLength = info.MaxAnswerLength();
        if (maxLength && ReceivedLength(spRequest, received) && !VTR_VERIFY(received <= maxLength, E_FAIL)) {
            info.status = RS_FAILED;
            return S_FALSE;
        }
        m_pRequestBase->processResult(&info);
        return S_FALSE;
    }
    VTR_CATCH_ALL(hr)
    return hr;
}
