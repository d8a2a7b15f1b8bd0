// Completion of a request, on every ready-state change of its HTTP object.
#include "Utils/RequestNotify.h"

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

        LONG readyState = 0;
        if (FAILED(spRequest->get_readyState(&readyState))) {
            info.status = RS_FAILED;
            return S_FALSE;
        }
        switch (readyState) {
        case 1: info.status = RS_LOADING; return S_FALSE;
        case 2: info.status = RS_LOADED; return S_FALSE;
        case 3: info.status = RS_INTERACTIVE; return S_FALSE;
        case 4: break;
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
                HRESULT hrUrl = spServer->getOption(SXH_OPTION_URL, &url);
                if (FAILED(hrUrl))
                    CErrorInfo(hrUrl, true, VTR_HERE);
                else if (url.vt == VT_BSTR)
                    info.location = url.bstrVal;
            }
        }
        m_pRequestBase->processResult(&info);
        return S_FALSE;
    }
    VTR_CATCH_ALL(hr)
    return hr;
}
