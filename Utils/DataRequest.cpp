// Fetching link targets and analysing what they deliver.
//
// Reserved targets. A link may name a host that is, or resolves to, a loopback, private, link-local or
// other reserved address (a router's page with an action in its query). Such a target is refused before
// anything is sent: the host of the parsed address is resolved before the send (GetAddrInfoExW, once per
// host and message, off the user-interface thread; the records wait as "Pending"), and every address it
// resolves to must lie outside the reserved ranges. The HTTP object is then given the
// canonical form of the parsed address, so that it connects to the host that was checked. Redirects: the
// server object follows ordinary redirects itself without a hook in between, so the URL it finally reached
// is checked again when the answer arrives and a reserved one is not analysed; redirects it does not
// follow come back to the link code, which asks for the new target here and is checked like any link.
// Not covered: a hop in the middle of a followed chain, and a name whose resolver answer changes between
// the check and the object's own connect.
#include "Utils/DataRequest.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <oleauto.h>
#include <shlwapi.h>
#include <urlmon.h>

#include "Utils/HostResolver.h"
#include "Utils/IPV4.h"
#include "Utils/IPV6.h"
#include "Utils/LinkInfo.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

void DataInfo::Reset()
{
    RequestInfo::Reset();
    analysedFiles.clear();
}

CDataRequest::CDataRequest()
{
    m_resolver.SetAnswerFn([this](const WString& host, int error, const std::vector<ResolvedAddress>& addresses) {
        OnResolved(host, error, addresses);
    });
}

CDataRequest::~CDataRequest()
{
    m_resolver.CancelAll();
    m_hosts.clear();
    m_queue.clear();
    m_running.clear();
    AbortRequests(0);
    m_cache.clear();
}

namespace {

bool LoopbackAllowed()
{
    WCHAR value[4] = {};
    DWORD length = GetEnvironmentVariableW(CDataRequest::LOOPBACK_SETTING, value, 4);
    return length == 1 && value[0] == W('1');
}

// The reserved range an address lies in (its description's title), or empty when it is routable.
WString ReservedTitle(const IP_address& address)
{
    CComBSTR description = address.GetReservedDescription();
    WString title = description.m_str ? description.m_str : W("");
    size_t end = title.find(W('\n'));
    return end == WString::npos ? title : title.substr(0, end);
}

// Reads a resolved address into the address classes, whose range tables decide. IPv6 is written out in
// full, since the reader does not take a text that begins with "::".
bool IsReservedAddress(const ResolvedAddress& address, bool allowLoopback, WString& title)
{
    const BYTE* b = address.bytes;
    WCHAR text[64];
    if (!address.v6) {
        swprintf_s(text, W("%u.%u.%u.%u"), b[0], b[1], b[2], b[3]);
        IPV4_address ip;
        if (!ip.Read(text)) {
            title = text;
            return true;
        }
        if (!ip.IsReserved() || (allowLoopback && ip.GetPart(0) == 127))
            return false;
        title = ReservedTitle(ip);
        return true;
    }
    swprintf_s(text, W("%x:%x:%x:%x:%x:%x:%x:%x"), b[0] << 8 | b[1], b[2] << 8 | b[3], b[4] << 8 | b[5],
               b[6] << 8 | b[7], b[8] << 8 | b[9], b[10] << 8 | b[11], b[12] << 8 | b[13], b[14] << 8 | b[15]);
    IPV6_address ip;
    if (!ip.Read(text)) {
        title = text; // the unspecified address: never a target
        return true;
    }
    bool loopback = true;
    for (int i = 0; i < 8; ++i)
        loopback = loopback && ip.GetGroup(i) == (i == 7 ? 1 : 0);
    if (!ip.IsReserved() || (allowLoopback && loopback))
        return false;
    title = ReservedTitle(ip);
    return true;
}

void Refuse(CComBSTR& reason, int id, const WCHAR* pDetail)
{
    reason = CResourceManager::Instance().GetText(id);
    reason += pDetail;
}

} // namespace

bool CDataRequest::ParseTarget(const WCHAR* pUrl, WString& sendUrl, WString& host, CComBSTR& reason)
{
    sendUrl.clear();
    host.clear();
    reason.Empty();
    if (!pUrl || !*pUrl) {
        Refuse(reason, IDS_LINK_NOT_FETCHED, W(""));
        return false;
    }
    CComPtr<IUri> spUri;
    if (FAILED(CreateUri(pUrl, Uri_CREATE_CANONICALIZE, 0, &spUri)) || !spUri) {
        Refuse(reason, IDS_LINK_NOT_FETCHED, pUrl);
        return false;
    }
    CComBSTR scheme, name, absolute;
    if (FAILED(spUri->GetPropertyBSTR(Uri_PROPERTY_SCHEME_NAME, &scheme, 0)) || !scheme.m_str ||
        (_wcsicmp(scheme, W("http")) != 0 && _wcsicmp(scheme, W("https")) != 0)) {
        Refuse(reason, IDS_LINK_NOT_FETCHED, pUrl);
        return false;
    }
    if (spUri->GetPropertyBSTR(Uri_PROPERTY_HOST, &name, 0) != S_OK || name.Length() == 0 ||
        spUri->GetPropertyBSTR(Uri_PROPERTY_ABSOLUTE_URI, &absolute, 0) != S_OK || absolute.Length() == 0) {
        Refuse(reason, IDS_LINK_NOT_FETCHED, pUrl);
        return false;
    }
    host = name.m_str;
    if (host.size() >= 2 && host.front() == W('[') && host.back() == W(']'))
        host = host.substr(1, host.size() - 2);
    CharLowerBuffW(host.data(), DWORD(host.size()));
    sendUrl = absolute.m_str;
    return true;
}

bool CDataRequest::CheckAddresses(const WString& host, int error, const std::vector<ResolvedAddress>& addresses,
                                  CComBSTR& reason)
{
    reason.Empty();
    if (error != 0 || addresses.empty()) {
        Refuse(reason, IDS_LINK_NOT_RESOLVED, host.c_str());
        return false;
    }
    // Every address the name has must be routable: the HTTP object may connect to any of them.
    bool allowLoopback = LoopbackAllowed();
    WString title;
    for (const ResolvedAddress& address : addresses)
        if (IsReservedAddress(address, allowLoopback, title)) {
            WString detail = host + W(" (") + title + W(")");
            Refuse(reason, IDS_LINK_RESERVED_TARGET, detail.c_str());
            return false;
        }
    return true;
}

bool CDataRequest::CheckTarget(const WCHAR* pUrl, WString& sendUrl, CComBSTR& reason) const
{
    // The host is resolved as the HTTP object would resolve it: an address literal in any form the
    // resolver takes (also "2130706433" or "0x7f.1") and every address a name has.
    WString host;
    if (!ParseTarget(pUrl, sendUrl, host, reason))
        return false;
    std::vector<ResolvedAddress> addresses;
    int error = CHostResolver::ResolveNow(host.c_str(), addresses);
    if (!CheckAddresses(host, error, addresses, reason)) {
        sendUrl.clear();
        return false;
    }
    return true;
}

void CDataRequest::Fail(DataInfo& info, const CComBSTR& reason)
{
    info.status = RS_FAILED;
    info.errorText = reason;
    info.sendUrl.clear();
}

void CDataRequest::Submit(DataInfo& info)
{
    WString host;
    CComBSTR reason;
    if (!ParseTarget(info.link.c_str(), info.sendUrl, host, reason)) {
        Fail(info, reason);
        return;
    }
    info.errorText.Empty();
    info.status = RS_PENDING;
    info.ticket = m_nextTicket++;
    auto it = m_hosts.find(host);
    if (it == m_hosts.end()) {
        it = m_hosts.try_emplace(host).first;
        it->second.started = static_cast<LONGLONG>(time(nullptr));
        it->second.waiting.emplace_back(&info, info.ticket);
        ++m_lookups;
        int error = 0;
        std::vector<ResolvedAddress> addresses;
        if (m_resolver.Start(host.c_str(), error, addresses))
            return; // the answer comes through the loop
        OnResolved(host, error, addresses);
        return;
    }
    HostEntry& entry = it->second;
    if (entry.resolving) {
        entry.waiting.emplace_back(&info, info.ticket);
        return;
    }
    if (entry.refused) {
        Fail(info, entry.reason);
        return;
    }
    m_queue.push_back({&info, info.ticket});
    Launch();
}

void CDataRequest::OnResolved(const WString& host, int error, const std::vector<ResolvedAddress>& addresses)
{
    try {
        auto it = m_hosts.find(host);
        if (it == m_hosts.end() || !it->second.resolving)
            return; // given up, or another message
        HostEntry& entry = it->second;
        entry.resolving = false;
        entry.refused = !CheckAddresses(host, error, addresses, entry.reason);
        Settle(entry);
        Launch();
    }
    VTR_CATCH_LOG
}

// Hands the verdict to what waited for it: records go to the queue or fail, answers are analysed or fail.
void CDataRequest::Settle(HostEntry& entry)
{
    std::vector<std::pair<DataInfo*, unsigned>> waiting;
    waiting.swap(entry.waiting);
    for (auto& [pInfo, ticket] : waiting) {
        if (pInfo->status != RS_PENDING || pInfo->ticket != ticket)
            continue; // dropped or sent again meanwhile
        if (entry.refused)
            Fail(*pInfo, entry.reason);
        else
            m_queue.push_back({pInfo, ticket});
    }
    std::vector<HostEntry::Analysis> analyses;
    analyses.swap(entry.analyses);
    for (HostEntry::Analysis& analysis : analyses) {
        DataInfo& info = *analysis.pInfo;
        if (info.ticket != analysis.ticket || info.status != RS_INTERACTIVE)
            continue; // aborted by a time-out meanwhile
        if (entry.refused) {
            Fail(info, entry.reason);
            info.ReleaseAnswer();
        } else {
            Analyse(info, analysis.spStream);
            info.ReleaseAnswer();
        }
    }
}

void CDataRequest::Launch()
{
    if (m_launching)
        return; // a send that completed at once
    m_launching = true;
    try {
        auto inFlight = [](const DataInfo* p) {
            return p->startTime > 0 && p->status >= RS_REQUESTING && p->status <= RS_INTERACTIVE;
        };
        m_running.erase(std::remove_if(m_running.begin(), m_running.end(), [&](DataInfo* p) { return !inFlight(p); }),
                        m_running.end());
        while (m_running.size() < MAX_RUNNING && !m_queue.empty()) {
            Queued next = m_queue.front();
            m_queue.pop_front();
            DataInfo& info = *next.pInfo;
            if (info.status != RS_PENDING || info.ticket != next.ticket)
                continue;
            WString url;
            url.swap(info.sendUrl);
            info.status = RS_NONE;
            requestAsync(url.c_str(), &info);
            if (info.status == RS_NONE)
                info.status = RS_FAILED; // the HTTP object could not be made (logged)
            if (inFlight(&info))
                m_running.push_back(&info);
        }
    }
    VTR_CATCH_LOG
    m_launching = false;
}

void CDataRequest::requestEnded(RequestInfo*)
{
    Launch();
}

void CDataRequest::UpdateRequests()
{
    try {
        m_resolver.Poll();
        // A name the resolver has not answered within the reply time-out is not waited for any longer.
        const LONGLONG timeout = CSettingsManager::Instance().serverReplyTimeout;
        const LONGLONG now = static_cast<LONGLONG>(time(nullptr));
        for (auto& [host, entry] : m_hosts)
            if (entry.resolving && now - entry.started >= timeout) {
                entry.resolving = false;
                entry.refused = true;
                Refuse(entry.reason, IDS_LINK_NOT_RESOLVED, host.c_str());
                Settle(entry);
            }
        Launch();
    }
    VTR_CATCH_LOG
}

void CDataRequest::ForgetQueued()
{
    try {
        for (auto& entry : m_cache)
            if (entry.second.status == RS_PENDING) {
                entry.second.status = RS_NONE;
                entry.second.sendUrl.clear();
            }
        // Answers that waited for their final host are dropped with it, as the time-out would.
        for (auto& [host, entry] : m_hosts)
            for (HostEntry::Analysis& analysis : entry.analyses)
                if (analysis.pInfo->ticket == analysis.ticket && analysis.pInfo->status == RS_INTERACTIVE)
                    analysis.pInfo->ClearRequest(true);
        m_queue.clear();
        m_hosts.clear();
        m_resolver.CancelAll();
    }
    VTR_CATCH_LOG
}

DataInfo* CDataRequest::GetRedirectInfo(const DataInfo& from, const WCHAR* pTarget)
{
    bool fresh = pTarget && *pTarget && m_cache.find(pTarget) == m_cache.end();
    DataInfo* pInfo = GetDownloadInfo(pTarget);
    // Only a new record takes a previous hop: the chains stay trees and every walk back ends.
    if (pInfo && fresh && pInfo != &from)
        pInfo->pPreviousHop = &from;
    return pInfo;
}

bool CDataRequest::IsRedirectRefused(const DataInfo& from, const WCHAR* pTarget, CComBSTR& reason) const
{
    reason.Empty();
    if (!pTarget || !*pTarget)
        return false;
    int hops = 0;
    for (const DataInfo* p = &from; p; p = p->pPreviousHop) {
        if (UrlCompareW(p->link.c_str(), pTarget, TRUE) == 0) {
            Refuse(reason, IDS_LINK_REDIRECT_LOOP, pTarget);
            return true;
        }
        if (++hops > MAX_REDIRECTS) {
            Refuse(reason, IDS_LINK_TOO_MANY_REDIRECTS, from.link.c_str());
            return true;
        }
    }
    return false;
}

DataInfo* CDataRequest::GetDownloadInfo(const WCHAR* pLink)
{
    try {
        VTR_CHECK_TEXT(pLink && *pLink, "pLink", E_INVALIDARG);
        WString link = pLink;
        auto it = m_cache.find(link);
        bool send = false;
        if (it == m_cache.end()) {
            it = m_cache.try_emplace(link).first;
            VTR_CHECK(it != m_cache.end(), E_UNEXPECTED);
            it->second.link = link;
            send = true;
        } else {
            DataInfo& info = it->second;
            if (info.IsOutstanding() || info.status == RS_DONE)
                return &info;
            int maxRetries = CSettingsManager::Instance().maxRetryCount;
            if (info.attempts != 0 && !(info.attempts >= 1 && info.attempts <= maxRetries)) {
                info.ClearRequest(false);
                return &info;
            }
            if (info.status == RS_FAILED || info.status == RS_QUOTA_EXCEEDED)
                info.ClearRequest(false);
            send = true;
        }
        DataInfo& info = it->second;
        if (send)
            Submit(info);
        return &info;
    }
    VTR_CATCH_LOG
    return nullptr;
}

void CDataRequest::AbortRequests(int timeoutSeconds)
{
    try {
        LONGLONG now = static_cast<LONGLONG>(time(nullptr));
        for (auto& entry : m_cache) {
            DataInfo& info = entry.second;
            // Redirecting records wait for the link code, which asks for their target.
            if (info.status != RS_DONE && info.status != RS_REDIRECTING && info.IsOutstanding() &&
                info.startTime > 0 && info.startTime < now && now - info.startTime >= timeoutSeconds)
                info.ClearRequest(true);
        }
    }
    VTR_CATCH_LOG
}

void CDataRequest::ClearRequests(RequestStatus state)
{
    try {
        for (auto& entry : m_cache)
            if (entry.second.status == state)
                entry.second.ClearRequest(false);
    }
    VTR_CATCH_LOG
}

void CDataRequest::processResult(RequestInfo* pRequestInfo)
{
    try {
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        VTR_CHECK(pRequestInfo->spRequest, E_INVALIDARG);

        CComVariant body;
        if (FAILED(pRequestInfo->spRequest->get_responseStream(&body))) {
            pRequestInfo->status = RS_FAILED;
            return;
        }
        if (body.vt != VT_UNKNOWN && body.vt != VT_DISPATCH && FAILED(body.ChangeType(VT_UNKNOWN))) {
            pRequestInfo->status = RS_FAILED;
            return;
        }
        CComQIPtr<IStream> spStream(body.vt == VT_DISPATCH ? static_cast<IUnknown*>(body.pdispVal) : body.punkVal);
        if (!spStream) {
            pRequestInfo->status = RS_FAILED;
            return;
        }
        auto* pDataInfo = dynamic_cast<DataInfo*>(pRequestInfo);
        if (!pDataInfo) {
            pRequestInfo->status = RS_FAILED;
            VTR_CHECK(pDataInfo, E_POINTER);
        }

        // The object may have followed redirects to a host that is not to be read. A host not yet
        // resolved in this message is resolved first; the answer waits, still outstanding, holding its
        // stream (the object lets its answer go).
        if (pDataInfo->location.Length()) {
            WString url, host;
            CComBSTR reason;
            if (!ParseTarget(pDataInfo->location, url, host, reason)) {
                Fail(*pDataInfo, reason);
                return;
            }
            auto it = m_hosts.find(host);
            if (it == m_hosts.end() || it->second.resolving) {
                bool start = it == m_hosts.end();
                if (start) {
                    it = m_hosts.try_emplace(host).first;
                    it->second.started = static_cast<LONGLONG>(time(nullptr));
                }
                pDataInfo->status = RS_INTERACTIVE;
                pDataInfo->ticket = m_nextTicket++;
                it->second.analyses.push_back({pDataInfo, pDataInfo->ticket, spStream});
                if (start) {
                    ++m_lookups;
                    int error = 0;
                    std::vector<ResolvedAddress> addresses;
                    if (!m_resolver.Start(host.c_str(), error, addresses))
                        OnResolved(host, error, addresses);
                }
                return;
            }
            if (it->second.refused) {
                Fail(*pDataInfo, it->second.reason);
                return;
            }
        }
        Analyse(*pDataInfo, spStream);
    }
    VTR_CATCH_LOG
}

void CDataRequest::Analyse(DataInfo& info, IStream* pStream)
{
    AttachmentInfo file;
    if (info.location.Length()) {
        file.longFileName = info.location.m_str;
        LinkInfo link;
        link.ParseFields(info.location);
        const WCHAR* pExtension = link.extension;
        if (pExtension && *pExtension == W('.'))
            ++pExtension;
        if (pExtension && *pExtension) {
            file.extension = pExtension;
            CharUpperBuffW(file.extension.data(), DWORD(file.extension.size()));
        }
    }
    file.additionalInfo.Init();
    std::vector<AttachmentInfo> contained;
    FileKind implied = CFileSignature::GetExtensionType(file.extension.c_str());
    FileKind found = CFileSignature::GetExtensionInfo(pStream, implied, file.additionalInfo, contained);
    file.typeName = CFileSignature::GetKindName(found);
    file.additionalInfo.typeMismatch = CFileSignature::IsTypeMismatch(file, found, implied);

    info.analysedFiles.push_back(std::move(file));
    info.analysedFiles.insert(info.analysedFiles.end(), contained.begin(), contained.end());
    info.status = RS_DONE;
}
