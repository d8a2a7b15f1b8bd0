// Link data requests: each link target is fetched once through the server HTTP object (which follows
// ordinary redirects itself and reports the URL it reached) and its content is analysed like an
// attachment. Targets on reserved addresses (loopback, private, link-local...) are never fetched: a
// hostile message must not make the reader's machine send requests into its own network.
#pragma once

#include <map>
#include <vector>

#include "Utils/HostResolver.h"
#include "Utils/RequestBase.h"
#include "__Utilities/WString.h"
#include "email/AttachmentInfo.h"

struct DataInfo : RequestInfo {
    DataInfo() { Reset(); }

    CLSID GetClassId() const override { return CLSID_ServerXMLHTTP60; }
    void Reset() override;

    // The fetched target first, then the files inside it when it is an archive.
    std::vector<AttachmentInfo> analysedFiles;
};

class CDataRequest : public CRequestBase {
public:
    CDataRequest() = default;
    ~CDataRequest() override;
    CDataRequest(const CDataRequest&) = delete;
    CDataRequest& operator=(const CDataRequest&) = delete;

    void processResult(RequestInfo* pRequestInfo) override;

    // The record of a link, sent when due; null for an empty link. Records never move while the object
    // lives. A target on a reserved address is not sent: its record is "Failed" with the reason.
    DataInfo* GetDownloadInfo(const WCHAR* pLink);
    // Aborts sent requests older than the given number of seconds.
    void AbortRequests(int timeoutSeconds);
    // Lets go of the HTTP objects of the records in the given state; their results stay.
    void ClearRequests(RequestStatus state);

    // Whether a target may be fetched: an http or https address whose host is not, and does not resolve
    // to, a reserved address. Gives the address to send (the parsed, canonical form, so that the HTTP
    // object cannot read another host out of it than the one checked) or the reason for the refusal.
    bool CheckTarget(const WCHAR* pUrl, WString& sendUrl, CComBSTR& reason) const;

    // The environment variable that lets tests fetch targets on the loopback addresses (127.0.0.0/8, ::1)
    // when it is "1". No other reserved range is ever allowed.
    static constexpr const WCHAR* LOOPBACK_SETTING = W("VANTORA_FETCH_LOOPBACK_LINKS");

    const std::map<WString, DataInfo>& Cache() const { return m_cache; }

private:
    CHostResolver m_resolver; // before the cache: the records' requests end first
    std::map<WString, DataInfo> m_cache;
};
