#include "Utils/RequestBase.h"

#include "__Utilities/ErrorInfo.h"

void CRequestBase::requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo)
{
    try {
        if (!pHttpReq || !*pHttpReq)
            throw CErrorInfo("pHttpReq", E_INVALIDARG, VTR_HERE);
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        pRequestInfo->RequestAsync(pHttpReq, this);
    }
    VTR_CATCH_LOG // logged where it was caught
}
