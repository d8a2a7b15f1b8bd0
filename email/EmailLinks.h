// The links of the selected message's HTML body: found through the HTML document engine's link
// collection and by scanning the body's text for web and FTP addresses, grouped by the server they point
// to, each server located by the selected providers and each link's target fetched and analysed.
// Redirects to other hosts are added as further links.
#pragma once

#include <map>
#include <unordered_map>
#include <vector>

#include <windows.h>
#include <mshtml.h>

#include "Utils/DataRequest.h"
#include "Utils/IPInfo.h"
#include "__Utilities/WString.h"
#include "addin/EmailUtil.h"

using IPInfo4LinksList = std::vector<IPInfo4Links>;

class CEmailLinks : public CTopRow<IPInfo4LinksList>, public CMenuSelect<IPInfo4LinksList> {
public:
    CEmailLinks();
    virtual ~CEmailLinks();
    CEmailLinks(const CEmailLinks&) = delete;
    CEmailLinks& operator=(const CEmailLinks&) = delete;

    // Clears, then collects the links of the body (null or empty: none). A body the HTML engine cannot
    // take is thrown.
    void SetEmailItem(const WCHAR* pHTMLBody);
    void Clear() noexcept;
    bool IsEmailItemSet() const noexcept { return m_emailItemSet; }

    // Polling timer: time-out sweeps of the location and data requests, then the redirects learnt since.
    void UpdateRequests() noexcept;
    bool AreRequestsComplete() const noexcept;

    // The servers in order of discovery; the record of links without a usable host is always last.
    const IPInfo4LinksList& GetLinkServers() const noexcept { return m_links; }
    CDataRequest& GetDataRequest() noexcept { return m_dataRequest; }

    HRESULT initHTML(IHTMLDocument2* pDocument, const WCHAR* pBody);
    // S_FALSE when the document has no links.
    HRESULT getLinksDOM(IHTMLDocument2* pDocument);
    // Scans the body for addresses that begin with the prefix; lowerBody is the body in lower case.
    HRESULT getLinksText(const WCHAR* pPrefix, const WString& lowerBody, const WCHAR* pBody);
    // S_FALSE when the address is not taken (another scheme, nothing after the scheme).
    HRESULT addURL(const WCHAR* pURL, const WCHAR* pText, bool redirect);
    // At most one new address per call, put into newURLs when the link redirects to another host.
    HRESULT processRedirectURL(LinkInfo& link, std::vector<WString>& newURLs);
    // The server record of a host, created (with its location requests) when it is new.
    IPInfo4Links& getServer(const WCHAR* pHost);

private:
    void fnUpdateTimedOutData();
    // The links of each server stay sorted by address ignoring case; sorting waits until a batch of
    // additions is done (a stable sort then gives the order that sorting after each addition gives).
    void SortLinks();

    bool m_emailItemSet = false;
    IPInfo4LinksList m_links;
    CDataRequest m_dataRequest;
    // Per server (by index), the links' addresses without scheme, in lower case and without trailing
    // slashes: a link is only compared with the links that share its key, so that large bodies stay fast.
    struct LinkKey {
        _bstr_t host;
        DWORD port;
        _bstr_t linkURL;
    };
    std::vector<std::multimap<WString, LinkKey>> m_linkKeys;
    bool m_unsorted = false;
    // Each server's index by its host in lower case, so that a new link finds its server at once.
    std::unordered_map<WString, size_t> m_serverIndex;
};
