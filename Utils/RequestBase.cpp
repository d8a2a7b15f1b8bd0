#include "Utils/RequestBase.h"

#include "__Utilities/ErrorInfo.h"

void CRequestBase::requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo)
{
    HRESULT hr = S_OK;
    try {
        if (!pHttpReq || !*pHttpReq)
            throw CErrorInfo("pHttpReq", E_INVALIDARG, VTR_HERE);
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        pRequestInfo->RequestAsync(pHttpReq, this);
    }
    VTR_CATCH_ALL(hr)
    (void)hr; // logged where it was caught
}
