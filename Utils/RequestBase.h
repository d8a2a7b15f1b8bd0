// The owner of requests: sends them and digests their answers.
#pragma once

#include "Utils/RequestInfo.h"

class CRequestBase {
public:
    // Digests a completed answer and sets the record's final state.
    virtual void processResult(RequestInfo* pRequestInfo) = 0;
    virtual void requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo);
    virtual ~CRequestBase() = default;

protected:
    CRequestBase() = default;
};
