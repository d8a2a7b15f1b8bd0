#include "Utils/RequestBase.h"

#include "__Utilities/ErrorInfo.h"

void CRequestBase::requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo)
{
    try {
        VTR_CHECK_TEXT(pHttpReq && *pHttpReq, "pHttpReq", E_INVALIDARG);
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        pRequestInfo->RequestAsync(pHttpReq, this);
    }
    VTR_CATCH_LOG // logged where it was caught
}
