// Link data requests: each link target is fetched once through the server HTTP object (which follows
// ordinary redirects itself and reports the URL it reached) and its content is analysed like an
// attachment. Targets on reserved addresses (loopback, private, link-local...) are never fetched: a
// hostile message must not make the reader's machine send requests into its own network.
#pragma once

#include <deque>
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

    // The link this record fetches (its key in the cache).
    WString link;
    // The record whose redirect led here, when this one was first asked for as a redirect target: the
    // chain back to the message's link, for loops and the hop bound.
    const DataInfo* pPreviousHop = nullptr;
    // While queued: the address to send (checked) and the turn that the queue entries must match.
    WString sendUrl;
    unsigned ticket = 0;
};

// Sending a link's request waits for its host to be resolved (once per message, off the user-interface
// thread) and then for one of a few slots: records are "Pending" meanwhile.
class CDataRequest : public CRequestBase {
public:
    CDataRequest();
    ~CDataRequest() override;
    CDataRequest(const CDataRequest&) = delete;
    CDataRequest& operator=(const CDataRequest&) = delete;

    void processResult(RequestInfo* pRequestInfo) override;
    void requestEnded(RequestInfo* pRequestInfo) override;

    // The record of a link, sent when due; null for an empty link. Records never move while the object
    // lives. A target on a reserved address is not sent: its record is "Failed" with the reason.
    DataInfo* GetDownloadInfo(const WCHAR* pLink);
    // Aborts sent requests older than the given number of seconds.
    void AbortRequests(int timeoutSeconds);
    // Lets go of the HTTP objects of the records in the given state; their results stay.
    void ClearRequests(RequestStatus state);
    // The polling timer: takes the resolver's answers delivered off the loop, gives up names not
    // resolved within the reply time-out, and sends what the slots allow.
    void UpdateRequests();
    // A new message: queued records go back to "N/A" and hosts are resolved again when asked for.
    void ForgetQueued();
    // The record of a redirect target reached from the given record (which is remembered as the hop
    // before it when the target is new).
    DataInfo* GetRedirectInfo(const DataInfo& from, const WCHAR* pTarget);
    // Whether following from's redirect to the target visits an address of its chain again, or makes the
    // chain longer than the redirect bound; the reason is the record's error text then.
    bool IsRedirectRefused(const DataInfo& from, const WCHAR* pTarget, CComBSTR& reason) const;

    // Requests sent at once; the others wait in the queue.
    static constexpr size_t MAX_RUNNING = 16;
    // Redirects followed from one link, as the HTTP objects follow them.
    static constexpr int MAX_REDIRECTS = 10;

    // Whether a target may be fetched: an http or https address whose host is not, and does not resolve
    // to, a reserved address. Gives the address to send (the parsed, canonical form, so that the HTTP
    // object cannot read another host out of it than the one checked) or the reason for the refusal.
    // Resolves a name synchronously: the requests themselves go through the asynchronous resolver.
    bool CheckTarget(const WCHAR* pUrl, WString& sendUrl, CComBSTR& reason) const;
    // The first half of the check, without resolving: the address to send and its host.
    static bool ParseTarget(const WCHAR* pUrl, WString& sendUrl, WString& host, CComBSTR& reason);
    // The second half: the resolver's answer for the host; false with the reason to refuse it.
    static bool CheckAddresses(const WString& host, int error, const std::vector<ResolvedAddress>& addresses,
                               CComBSTR& reason);

    // The environment variable that lets tests fetch targets on the loopback addresses (127.0.0.0/8, ::1)
    // when it is "1". No other reserved range is ever allowed.
    static constexpr const WCHAR* LOOPBACK_SETTING = W("VANTORA_FETCH_LOOPBACK_LINKS");

    const std::map<WString, DataInfo>& Cache() const { return m_cache; }

    size_t RunningCount() const { return m_running.size(); }
    size_t QueuedCount() const { return m_queue.size(); }
    size_t LookupCount() const { return m_lookups; }

private:
    // A host of the current message: being resolved, or its verdict; records and answers waiting for it.
    struct HostEntry {
        bool resolving = true;
        bool refused = false;
        LONGLONG started = 0;
        CComBSTR reason;
        std::vector<std::pair<DataInfo*, unsigned>> waiting;
        struct Analysis {
            DataInfo* pInfo;
            unsigned ticket;
            CComPtr<IStream> spStream;
        };
        std::vector<Analysis> analyses; // answers whose final address is on this host
    };
    struct Queued {
        DataInfo* pInfo;
        unsigned ticket;
    };

    void Submit(DataInfo& info);
    void OnResolved(const WString& host, int error, const std::vector<ResolvedAddress>& addresses);
    void Settle(HostEntry& entry);
    void Launch();
    void Analyse(DataInfo& info, IStream* pStream);
    static void Fail(DataInfo& info, const CComBSTR& reason);

    CHostResolver m_resolver; // before the cache: the records' requests end first
    std::map<WString, DataInfo> m_cache;
    std::map<WString, HostEntry> m_hosts; // by host as the parsed address writes it (lower case)
    std::deque<Queued> m_queue;
    std::vector<DataInfo*> m_running;
    unsigned m_nextTicket = 1;
    bool m_launching = false;
    size_t m_lookups = 0; // lookups started (tests)
};
