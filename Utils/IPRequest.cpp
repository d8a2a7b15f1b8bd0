// Location requests of one provider: caches, sending and retrying, digesting answers.
#include "Utils/IPRequest.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <cstring>

#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"

CIPRequest::~CIPRequest()
{
    AbortRequests(0);
}

template <class Fn> void CIPRequest::forEachRecord(Fn fn)
{
    for (auto& entry : m_ipv4Cache)
        if (fn(entry.second))
            return;
    for (auto& entry : m_ipv6Cache)
        if (fn(entry.second))
            return;
    for (auto& entry : m_hostCache)
        if (fn(entry.second))
            return;
}

WString CIPRequest::GetProviderName()
{
    try {
        if (m_providerName.empty()) {
            WString name = GetHomePage();
            if (!name.empty())
                CharLowerBuffW(name.data(), DWORD(name.size()));
            size_t at = name.find(W("//"));
            if (at != WString::npos)
                name.erase(0, at + 2);
            at = name.find(W("www."));
            if (at != WString::npos)
                name.erase(0, at + 4);
            at = name.find(W('/'));
            if (at != WString::npos)
                name.erase(at);
            VTR_CHECK_TEXT(!name.empty(), "m_providerName.c_str()", E_UNEXPECTED);
            m_providerName = name;
        }
        return m_providerName;
    }
    VTR_CATCH_LOG
    return WString();
}

int CIPRequest::GetProviderId()
{
    try {
        WString name = GetProviderName();
        const WCHAR* pName = name.c_str();
        VTR_CHECK_TEXT(*pName, "pName", E_UNEXPECTED);
        uint32_t id = 0;
        for (WCHAR c : name)
            id += uint32_t(towlower(c));
        return int(id);
    }
    VTR_CATCH_LOG
    return -1;
}

void CIPRequest::SetAccessKey(const WCHAR* pKey)
{
    if (pKey && *pKey && IsKeyUsed())
        m_key = pKey;
    else
        m_key.clear();
}

const IP_address* CIPRequest::chooseAddress(const IPInfo& IP)
{
    if (IP.addressType & IP_TYPE_V4)
        return &IP.ipv4;
    if (IP.addressType & IP_TYPE_V6)
        return &IP.ipv6;
    if (IP.addressType & IP_TYPE_URL)
        return &IP.host;
    return nullptr;
}

template <class Cache, class Address>
IPLocationInfo* CIPRequest::fnGetRequest(Cache& cache, const Address& address, bool& send)
{
    send = false;
    auto it = cache.find(address);
    if (it == cache.end()) {
        cache.try_emplace(address);
        it = cache.find(address);
        VTR_CHECK(it != cache.end(), E_UNEXPECTED);
        send = true;
        return &it->second;
    }
    IPLocationInfo& info = it->second;
    if (info.IsOutstanding() || info.status == RS_DONE)
        return &info; // a successful answer is kept for the provider's lifetime
    int maxRetries = CSettingsManager::Instance().maxRetryCount;
    bool retriesUsedUp = info.attempts != 0 && !(info.attempts >= 1 && info.attempts <= maxRetries);
    if (retriesUsedUp) {
        info.ClearRequest(false);
        return &info;
    }
    if (info.status == RS_FAILED || info.status == RS_QUOTA_EXCEEDED)
        info.ClearRequest(false);
    send = true;
    return &info;
}

IPLocationInfo* CIPRequest::GetLocationInfo(const IPInfo& IP)
{
    try {
        if (!IsLocationInfoSupported(IP))
            return nullptr;
        const IP_address* pAddress = chooseAddress(IP);
        if (!VTR_VERIFY_TEXT(pAddress,
                             "(IP.addressType & IP_TYPE_V4) || (IP.addressType & IP_TYPE_V6) || "
                             "(IP.addressType & IP_TYPE_URL)",
                             E_UNEXPECTED))
            return nullptr;
        if (!pAddress->IsValid() || pAddress->IsReserved())
            return nullptr;
        bool send = false;
        IPLocationInfo* pInfo = nullptr;
        if (pAddress == &IP.ipv4)
            pInfo = fnGetRequest(m_ipv4Cache, IP.ipv4, send);
        else if (pAddress == &IP.ipv6)
            pInfo = fnGetRequest(m_ipv6Cache, IP.ipv6, send);
        else
            pInfo = fnGetRequest(m_hostCache, IP.host, send);
        if (pInfo && pInfo->providerName.Length() == 0)
            pInfo->providerName = GetProviderName().c_str();
        if (send) {
            WString url = getRequest(IP);
            if (!url.empty())
                requestAsync(url.c_str(), pInfo);
        }
        return pInfo;
    }
    VTR_CATCH_LOG
    return nullptr;
}

WString CIPRequest::getRequest(const IPInfo& IP)
{
    try {
        VTR_CHECK(IsLocationInfoSupported(IP), E_UNEXPECTED);
        const IP_address* pAddress = chooseAddress(IP);
        VTR_CHECK(pAddress, E_POINTER);
        if (!pAddress->IsValid() || pAddress->IsReserved())
            return WString();
        return getRequest(pAddress);
    }
    VTR_CATCH_LOG
    return WString();
}

void CIPRequest::processResult(RequestInfo* pRequestInfo)
{
    try {
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        VTR_CHECK(pRequestInfo->spRequest, E_UNEXPECTED);
        CComBSTR text;
        if (FAILED(pRequestInfo->spRequest->get_responseText(&text)) || text.Length() == 0) {
            pRequestInfo->status = RS_FAILED;
            return;
        }
        size_t maxLength = pRequestInfo->MaxAnswerLength();
        if (maxLength && !VTR_VERIFY(text.Length() <= maxLength, E_FAIL)) {
            pRequestInfo->status = RS_FAILED;
            return;
        }
        auto* pLocationInfo = dynamic_cast<IPLocationInfo*>(pRequestInfo);
        if (!pLocationInfo) {
            pRequestInfo->status = RS_FAILED;
            VTR_CHECK(pLocationInfo, E_POINTER);
        }
        processResult(text, pLocationInfo);
    }
    VTR_CATCH_LOG
}

void CIPRequest::processResult(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        pLocInfo->Reset();
        if (processResultError(pResult, pLocInfo)) {
            pLocInfo->status = RS_FAILED;
            return;
        }
        // An answer without values stays outstanding: the time-out sweep retries it.
        if (!processResultValues(pResult, pLocInfo))
            return;
        if (pLocInfo->postalCode.Length())
            CharUpperBuffW(pLocInfo->postalCode.m_str, pLocInfo->postalCode.Length());
        pLocInfo->status = RS_DONE;
    }
    VTR_CATCH_LOG
}

bool CIPRequest::InProgress()
{
    try {
        bool found = false;
        forEachRecord([&](IPLocationInfo& info) { return found = info.IsOutstanding(); });
        return found;
    }
    VTR_CATCH_LOG
    return true;
}

void CIPRequest::AbortRequests(int timeoutSeconds)
{
    try {
        LONGLONG now = static_cast<LONGLONG>(time(nullptr));
        forEachRecord([&](IPLocationInfo& info) {
            // Queued records have no start time and redirecting ones wait for their owner: neither is aborted.
            if (info.status != RS_DONE && info.status != RS_REDIRECTING && info.IsOutstanding() &&
                info.startTime > 0 && info.startTime < now && now - info.startTime >= timeoutSeconds)
                info.ClearRequest(true);
            return false;
        });
    }
    VTR_CATCH_LOG
}
