// Fetching link targets and analysing what they deliver.
//
// Reserved targets. A link may name a host that is, or resolves to, a loopback, private, link-local or
// other reserved address (a router's page with an action in its query). Such a target is refused before
// anything is sent: the host of the parsed address is resolved with GetAddrInfoW right before the send,
// and every address it resolves to must lie outside the reserved ranges. The HTTP object is then given the
// canonical form of the parsed address, so that it connects to the host that was checked. Redirects: the
// server object follows ordinary redirects itself without a hook in between, so the URL it finally reached
// is checked again when the answer arrives and a reserved one is not analysed; redirects it does not
// follow come back to the link code, which asks for the new target here and is checked like any link.
// Not covered: a hop in the middle of a followed chain, and a name whose resolver answer changes between
// the check and the object's own connect.
#include "Utils/DataRequest.h"

#include <cstdio>
#include <ctime>

#include <oleauto.h>
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

CDataRequest::~CDataRequest()
{
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

bool CDataRequest::CheckTarget(const WCHAR* pUrl, WString& sendUrl, CComBSTR& reason) const
{
    sendUrl.clear();
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
    CComBSTR scheme, host, absolute;
    if (FAILED(spUri->GetPropertyBSTR(Uri_PROPERTY_SCHEME_NAME, &scheme, 0)) || !scheme.m_str ||
        (_wcsicmp(scheme, W("http")) != 0 && _wcsicmp(scheme, W("https")) != 0)) {
        Refuse(reason, IDS_LINK_NOT_FETCHED, pUrl);
        return false;
    }
    if (spUri->GetPropertyBSTR(Uri_PROPERTY_HOST, &host, 0) != S_OK || host.Length() == 0 ||
        spUri->GetPropertyBSTR(Uri_PROPERTY_ABSOLUTE_URI, &absolute, 0) != S_OK || absolute.Length() == 0) {
        Refuse(reason, IDS_LINK_NOT_FETCHED, pUrl);
        return false;
    }
    WString name = host.m_str;
    if (name.size() >= 2 && name.front() == W('[') && name.back() == W(']'))
        name = name.substr(1, name.size() - 2);

    // The host is resolved as the HTTP object would resolve it: an address literal in any form the
    // resolver takes (also "2130706433" or "0x7f.1") and every address a name has.
    std::vector<ResolvedAddress> addresses;
    if (m_resolver.Resolve(name.c_str(), addresses) != 0) {
        Refuse(reason, IDS_LINK_NOT_RESOLVED, name.c_str());
        return false;
    }
    bool allowLoopback = LoopbackAllowed();
    bool refused = false;
    WString title;
    for (const ResolvedAddress& address : addresses)
        if ((refused = IsReservedAddress(address, allowLoopback, title)))
            break;
    if (refused) {
        WString detail = name + W(" (") + title + W(")");
        Refuse(reason, IDS_LINK_RESERVED_TARGET, detail.c_str());
        return false;
    }
    sendUrl = absolute.m_str;
    return true;
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
        if (send) {
            WString url;
            CComBSTR reason;
            if (CheckTarget(pLink, url, reason)) {
                info.errorText.Empty();
                requestAsync(url.c_str(), &info);
            } else {
                info.status = RS_FAILED;
                info.errorText = reason;
            }
        }
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

        // The object may have followed redirects to a host that is not to be read.
        if (pRequestInfo->location.Length()) {
            WString url;
            CComBSTR reason;
            if (!CheckTarget(pRequestInfo->location, url, reason)) {
                pRequestInfo->errorText = reason;
                pRequestInfo->status = RS_FAILED;
                return;
            }
        }

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

        AttachmentInfo file;
        if (pDataInfo->location.Length()) {
            file.longFileName = pDataInfo->location.m_str;
            LinkInfo link;
            link.ParseFields(pDataInfo->location);
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
        FileKind found = CFileSignature::GetExtensionInfo(spStream, implied, file.additionalInfo, contained);
        file.typeName = CFileSignature::GetKindName(found);
        file.additionalInfo.typeMismatch = CFileSignature::IsTypeMismatch(file, found, implied);

        pDataInfo->analysedFiles.push_back(std::move(file));
        pDataInfo->analysedFiles.insert(pDataInfo->analysedFiles.end(), contained.begin(), contained.end());
        pDataInfo->status = RS_DONE;
    }
    VTR_CATCH_LOG
}
