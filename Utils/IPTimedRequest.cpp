#include "Utils/IPTimedRequest.h"

#include "__Utilities/ErrorInfo.h"

ULONGLONG CIPTimedRequest::SendInterval(std::pair<int, RateUnit> rate)
{
    ULONGLONG period = 0;
    switch (rate.second) {
    case RATE_SECOND: period = 1000ULL; break;
    case RATE_MINUTE: period = 60000ULL; break;
    case RATE_HOUR: period = 3600000ULL; break;
    case RATE_DAY: period = 86400000ULL; break;
    case RATE_WEEK: period = 604800000ULL; break;
    default: period = 0; break; // no spacing for the others
    }
    if (rate.first <= 0)
        return 0;
    return period / ULONGLONG(rate.first);
}

void CIPTimedRequest::requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo)
{
    try {
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        while (!m_pending.empty() && !m_pending.front().info)
            m_pending.pop_front();
        pRequestInfo->status = RS_PENDING;
        m_pending.push_back({pHttpReq ? WString(pHttpReq) : WString(), pRequestInfo});
        ProcessPendingRequest();
    }
    VTR_CATCH_LOG
}

void CIPTimedRequest::ProcessPendingRequest()
{
    try {
        if (m_pending.empty())
            return;
        if (GetTickCount64() < m_nextSendTime)
            return;
        for (PendingRequest& entry : m_pending) {
            if (!entry.info)
                continue;
            RequestInfo* info = entry.info;
            entry.info = nullptr;
            info->RequestAsync(entry.url.c_str(), this);
            ULONGLONG interval = SendInterval(GetRate());
            m_nextSendTime = GetTickCount64() + interval * 105 / 100;
            break;
        }
    }
    VTR_CATCH_LOG
}

void CIPTimedRequest::ClearPendingRequests()
{
    try {
        for (PendingRequest& entry : m_pending)
            if (entry.info)
                entry.info->status = RS_NONE;
        m_pending.clear();
    }
    VTR_CATCH_LOG
}
