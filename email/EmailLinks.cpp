// Collecting the links of a message body and keeping their requests going.
#include "email/EmailLinks.h"

#include <algorithm>
#include <ctime>

#include <oleauto.h>
#include <shlwapi.h>

#include "Utils/LinkRewriters.h"
#include "Utils/RequestBase.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "geo/GeoLocationManager.h"
#include "res/resource.h"

namespace {

const WCHAR* Text(const _bstr_t& s)
{
    const WCHAR* p = s;
    return p ? p : W("");
}

bool IsHexDigit(WCHAR c)
{
    return (c >= W('0') && c <= W('9')) || (c >= W('a') && c <= W('f')) || (c >= W('A') && c <= W('F'));
}

// The characters an address in running text consists of (RFC 3986's unreserved and reserved ones); "%"
// is handled apart.
bool IsAddressChar(WCHAR c)
{
    if ((c >= W('a') && c <= W('z')) || (c >= W('A') && c <= W('Z')) || (c >= W('0') && c <= W('9')))
        return true;
    return c != 0 && wcschr(W(":/?#[]@!$&'()*+,;=-._~"), c) != nullptr;
}

// What follows the scheme: after "://", or after one leading "/" when there is none.
const WCHAR* AfterScheme(const WCHAR* url)
{
    const WCHAR* sep = wcsstr(url, W("://"));
    if (sep)
        return sep + 3;
    return *url == W('/') ? url + 1 : url;
}

// The key that every address areURLsSame calls equal to this one shares: no scheme, lower case, no
// trailing slashes.
WString SameKey(const WCHAR* url)
{
    WString key = AfterScheme(url);
    while (!key.empty() && key.back() == W('/'))
        key.pop_back();
    if (!key.empty())
        CharLowerBuffW(key.data(), DWORD(key.size()));
    return key;
}

bool IsOutstandingData(const DataInfo* pInfo) { return pInfo && pInfo->IsOutstanding(); }

} // namespace

CEmailLinks::CEmailLinks() : CTopRow<IPInfo4LinksList>(m_links), CMenuSelect<IPInfo4LinksList>(m_links) {}

CEmailLinks::~CEmailLinks()
{
    Clear();
}

void CEmailLinks::SetEmailItem(const WCHAR* pHTMLBody)
{
    try {
        Clear();
        m_emailItemSet = true;
        if (!pHTMLBody || !*pHTMLBody)
            return;

        CComPtr<IHTMLDocument2> spDocument;
        // The class id through the coclass: mingw-w64's import libraries lack CLSID_HTMLDocument.
        VTR_CHECK_HR(CoCreateInstance(__uuidof(HTMLDocument), nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                      reinterpret_cast<void**>(&spDocument)));
        VTR_CHECK(spDocument, E_POINTER);
        VTR_CHECK_HR(initHTML(spDocument, pHTMLBody));
        HRESULT hr = getLinksDOM(spDocument);
        SortLinks();
        VTR_CHECK_HR(hr);

        WString lowerBody = pHTMLBody;
        CharLowerBuffW(lowerBody.data(), DWORD(lowerBody.size()));
        getLinksText(W("http://"), lowerBody, pHTMLBody);
        getLinksText(W("https://"), lowerBody, pHTMLBody);
        getLinksText(W("ftp://"), lowerBody, pHTMLBody);
        SortLinks();
    }
    VTR_CATCH_RETHROW
}

HRESULT CEmailLinks::initHTML(IHTMLDocument2* pDocument, const WCHAR* pBody)
{
    HRESULT hr = S_OK;
    SAFEARRAY* pArray = nullptr;
    try {
        VTR_CHECK(pDocument, E_POINTER);
        VTR_CHECK(pBody, E_INVALIDARG);
        pArray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
        VTR_CHECK(pArray, E_OUTOFMEMORY);
        VARIANT* pItems = nullptr;
        VTR_CHECK_HR(SafeArrayAccessData(pArray, reinterpret_cast<void**>(&pItems)));
        pItems[0].vt = VT_BSTR;
        pItems[0].bstrVal = SysAllocString(pBody);
        bool allocated = pItems[0].bstrVal != nullptr;
        SafeArrayUnaccessData(pArray);
        VTR_CHECK_TEXT(allocated, "bstrVal", E_OUTOFMEMORY);
        VTR_CHECK_HR(pDocument->write(pArray));
        VTR_VERIFY_HR(pDocument->close());
    }
    VTR_CATCH_ALL(hr)
    if (pArray)
        SafeArrayDestroy(pArray); // frees the string too
    return hr;
}

HRESULT CEmailLinks::getLinksDOM(IHTMLDocument2* pDocument)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK(pDocument, E_POINTER);
        CComPtr<IHTMLElementCollection> spLinks;
        VTR_CHECK_HR(pDocument->get_links(&spLinks));
        if (!spLinks)
            return S_FALSE;
        LONG count = 0;
        VTR_CHECK_HR(spLinks->get_length(&count));
        if (count <= 0)
            return S_FALSE;
        for (LONG i = 0; i < count; ++i) {
            CComVariant name(static_cast<int>(i)), index(0);
            CComPtr<IDispatch> spItem;
            if (FAILED(VTR_VERIFY_HR(spLinks->item(name, index, &spItem))) || !spItem)
                continue;
            CComQIPtr<IHTMLElement> spElement(spItem);
            if (!VTR_VERIFY(spElement, E_UNEXPECTED))
                continue;
            CComVariant href;
            if (FAILED(VTR_VERIFY_HR(spElement->getAttribute(CComBSTR(W("hRef")), 4, &href))))
                continue;
            if (href.vt != VT_BSTR || !href.bstrVal || !*href.bstrVal)
                continue;
            CComBSTR text;
            VTR_VERIFY_HR(spElement->get_innerText(&text));
            VTR_VERIFY_HR(addURL(href.bstrVal, text.m_str ? text.m_str : W(""), false));
        }
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CEmailLinks::getLinksText(const WCHAR* pPrefix, const WString& lowerBody, const WCHAR* pBody)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK(pPrefix && *pPrefix && pBody, E_INVALIDARG);
        const size_t length = lowerBody.size();
        const size_t prefixLength = wcslen(pPrefix);
        const WCHAR* L = lowerBody.c_str();
        size_t from = 0;
        while (true) {
            size_t at = lowerBody.find(pPrefix, from);
            if (at == WString::npos)
                break;
            size_t start = at + prefixLength;
            size_t end = start;
            while (end < length) {
                WCHAR c = L[end];
                if (c == W('%')) {
                    if (end + 2 < length && IsHexDigit(L[end + 1]) && IsHexDigit(L[end + 2])) {
                        end += 3;
                        continue;
                    }
                    break;
                }
                if (!IsAddressChar(c))
                    break;
                ++end;
            }
            // Nothing after the prefix, or an address that runs to the end: the scan for this prefix ends.
            if (end == start || end >= length)
                break;

            size_t stop = end;
            if (at >= 5 && _wcsnicmp(L + at - 4, W("&lt;"), 4) == 0) {
                // "&lt;address&gt;": the entity's letters are address characters, so the end is searched.
                for (size_t p = start; p + 4 <= end; ++p)
                    if (_wcsnicmp(L + p, W("&gt;"), 4) == 0) {
                        stop = p;
                        break;
                    }
            } else if (at >= 2 && L[at - 1] == W('<')) {
                size_t close = lowerBody.find(W('>'), start);
                if (close != WString::npos && close < stop)
                    stop = close;
            }
            WString address(pBody + at, stop - at);
            VTR_VERIFY_HR(addURL(address.c_str(), W(""), false));
            from = end;
        }
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CEmailLinks::addURL(const WCHAR* pURL, const WCHAR* pText, bool redirect)
{
    HRESULT hr = S_OK;
    try {
        VTR_CHECK_TEXT(pURL && *pURL, "url", E_INVALIDARG);
        // A rewritten link is grouped, located and fetched by its real target, never through the rewriter.
        RewrittenLink rewritten;
        const WCHAR* pWritten = pURL;
        if (UnwrapRewrittenLink(pURL, rewritten))
            pURL = rewritten.target.c_str();
        PARSEDURLW parsed = {};
        parsed.cbSize = sizeof parsed;
        hr = ParseURLW(pURL, &parsed);
        if (FAILED(hr))
            return hr;
        if (parsed.nScheme != URL_SCHEME_FTP && parsed.nScheme != URL_SCHEME_HTTP &&
            parsed.nScheme != URL_SCHEME_HTTPS)
            return S_FALSE;
        WCHAR first = *AfterScheme(pURL);
        if (first < 32 || first == 127 || first == W('/'))
            return S_FALSE;

        LinkInfo linkInfo(pURL, pText);
        if (pURL != pWritten) {
            linkInfo.rewrittenURL = pWritten;
            linkInfo.rewrittenBy = RewriterNames(rewritten.rewriters).c_str();
            if (linkInfo.linkText.length() && areURLsSame(linkInfo.linkText, pWritten))
                linkInfo.linkText = _bstr_t();
        }
        if (!VTR_VERIFY_TEXT(linkInfo.host.length(), "linkInfo.host", E_UNEXPECTED) ||
            !VTR_VERIFY_TEXT(linkInfo.linkURL.length(), "linkInfo.linkURL", E_UNEXPECTED))
            return E_UNEXPECTED;

        // An index, not a reference: adding the redirect below may insert a server.
        size_t index = size_t(&getServer(linkInfo.host) - m_links.data());
        auto& keys = m_linkKeys[index];
        WString key = SameKey(linkInfo.linkURL);
        auto range = keys.equal_range(key);
        for (auto it = range.first; it != range.second; ++it)
            if (_wcsicmp(Text(it->second.host), Text(linkInfo.host)) == 0 && it->second.port == linkInfo.port &&
                areURLsSame(it->second.linkURL, linkInfo.linkURL))
                return S_OK;

        linkInfo.pDataInfo = m_dataRequest.GetDownloadInfo(linkInfo.linkURL);
        std::vector<WString> newURLs;
        if (!redirect)
            processRedirectURL(linkInfo, newURLs);

        m_linkKeys[index].emplace(std::move(key), LinkKey{linkInfo.host, linkInfo.port, linkInfo.linkURL});
        m_links[index].links.push_back(linkInfo);
        m_unsorted = true;

        if (!newURLs.empty())
            VTR_VERIFY_HR(addURL(newURLs.front().c_str(), W(""), true));
        return S_OK;
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT CEmailLinks::processRedirectURL(LinkInfo& link, std::vector<WString>& newURLs)
{
    HRESULT hr = S_OK;
    try {
        DataInfo* pData = link.pDataInfo;
        // A redirect back to the link, or to an address its chain has visited, would wait forever: the
        // record ends as failed, as does one past the redirect bound.
        if (pData && pData->status == RS_REDIRECTING && pData->location.Length()) {
            CComBSTR reason;
            if (!m_dataRequest.IsRedirectRefused(*pData, pData->location, reason) &&
                (UrlCompareW(pData->location, Text(link.linkURL), TRUE) == 0 ||
                 UrlCompareW(pData->location, Text(link.unescapedURL), TRUE) == 0)) {
                reason = CResourceManager::Instance().GetText(IDS_LINK_REDIRECT_LOOP);
                reason += pData->location;
            }
            if (reason.Length()) {
                pData->status = RS_FAILED;
                pData->errorText = reason;
                pData->ClearRequest(false);
                return S_FALSE;
            }
        }
        if (link.redirectURL.length() &&
            !(pData && pData->status == RS_REDIRECTING && pData->location.Length() &&
              _wcsicmp(pData->location, Text(link.redirectURL)) != 0))
            return S_OK;
        if (!VTR_VERIFY_TEXT(pData, "currInfo.pDataInfo", E_UNEXPECTED))
            return S_FALSE;
        if ((pData->status == RS_DONE || pData->status == RS_REDIRECTING) && pData->location.Length() &&
            UrlCompareW(pData->location, Text(link.linkURL), TRUE) != 0 &&
            UrlCompareW(pData->location, Text(link.unescapedURL), TRUE) != 0) {
            link.redirectURL = pData->location.m_str;
            if (pData->status == RS_REDIRECTING)
                link.pDataInfo = m_dataRequest.GetRedirectInfo(*pData, Text(link.redirectURL));
            LinkInfo redirectInfo;
            redirectInfo.ParseFields(Text(link.redirectURL));
            if (!VTR_VERIFY_TEXT(redirectInfo.host.length(), "redirectInfo.host", E_UNEXPECTED))
                return E_UNEXPECTED;
            if (_wcsicmp(Text(redirectInfo.host), Text(link.host)) != 0)
                newURLs.push_back(Text(link.redirectURL));
            return S_OK;
        }
        return S_FALSE;
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

IPInfo4Links& CEmailLinks::getServer(const WCHAR* pHost)
{
    VTR_CHECK_TEXT(pHost && *pHost, "host", E_INVALIDARG);
    // A server matches when the hosts are the same ignoring case, or when one is the other with "www." in
    // front; of several, the first in the list.
    WString lower = pHost;
    CharLowerBuffW(lower.data(), DWORD(lower.size()));
    size_t found = m_links.size();
    auto consider = [&](const WString& key) {
        auto it = m_serverIndex.find(key);
        if (it != m_serverIndex.end() && it->second < found)
            found = it->second;
    };
    consider(lower);
    consider(W("www.") + lower);
    if (lower.compare(0, 4, W("www.")) == 0)
        consider(lower.substr(4));
    if (found < m_links.size()) {
        IPInfo4Links& currInfo = m_links[found];
        VTR_CHECK_QUOTED(!currInfo.links.empty(), E_UNEXPECTED);
        return currInfo;
    }

    IPInfo4Links info;
    info.headerPart = 3;
    if (info.host.Read(pHost))
        info.addressType = IP_TYPE_URL;
    else if (info.ipv4.Read(pHost))
        info.addressType = IP_TYPE_V4;
    else if (info.ipv6.Read(pHost))
        info.addressType = IP_TYPE_V6;
    else {
        info.addressType = IP_TYPE_URL; // with the empty host its failed reading left
        VTR_VERIFY_TEXT(0, "0", E_UNEXPECTED);
    }
    bool invalid = !info.Address()->IsValid();

    const std::vector<CIPRequest*>& geoLocProviders = CGeoLocationManager::Instance().GetSelectedProviders();
    VTR_CHECK_QUOTED(!geoLocProviders.empty(), E_UNEXPECTED);
    fnRequestLocations(info);

    // The record of links without a usable host stays last, and there is only one.
    size_t at = m_links.size();
    bool lastInvalid = !m_links.empty() && !m_links.back().Address()->IsValid();
    if (lastInvalid) {
        if (invalid)
            return m_links.back();
        at = m_links.size() - 1;
        for (auto& entry : m_serverIndex)
            if (entry.second == at)
                entry.second = at + 1; // the invalid record moves one down
    }
    m_links.insert(m_links.begin() + ptrdiff_t(at), std::move(info));
    m_linkKeys.emplace(m_linkKeys.begin() + ptrdiff_t(at));
    m_serverIndex.emplace(std::move(lower), at);
    ResizeMenuChoices();
    return m_links[at];
}

void CEmailLinks::SortLinks()
{
    if (!m_unsorted)
        return;
    for (IPInfo4Links& server : m_links)
        std::stable_sort(server.links.begin(), server.links.end(), [](const LinkInfo& a, const LinkInfo& b) {
            return _wcsicmp(Text(a.linkURL), Text(b.linkURL)) < 0;
        });
    m_unsorted = false;
}

void CEmailLinks::fnUpdateTimedOutData()
{
    const CSettingsManager& settings = CSettingsManager::Instance();
    const LONGLONG timeout = settings.serverReplyTimeout;
    const LONG maxRetries = settings.maxRetryCount;
    const LONGLONG now = static_cast<LONGLONG>(time(nullptr));
    for (IPInfo4Links& server : m_links)
        for (LinkInfo& currInfo : server.links) {
            DataInfo* pInfo = currInfo.pDataInfo;
            if (!pInfo || !pInfo->IsTimedOut(now, timeout))
                continue;
            pInfo->ClearRequest(true);
            if (pInfo->MayRetry(maxRetries)) {
                currInfo.pDataInfo = m_dataRequest.GetDownloadInfo(currInfo.linkURL);
                VTR_CHECK_TEXT(currInfo.pDataInfo, "currInfo.pDataInfo", E_UNEXPECTED);
            }
        }
}

void CEmailLinks::UpdateRequests() noexcept
{
    try {
        m_dataRequest.UpdateRequests();
        fnUpdateTimedOutLocation(m_links);
        fnUpdateTimedOutData();
        std::vector<WString> newURLs;
        for (IPInfo4Links& server : m_links)
            for (LinkInfo& link : server.links)
                processRedirectURL(link, newURLs);
        for (const WString& url : newURLs)
            VTR_VERIFY_HR(addURL(url.c_str(), W(""), true));
        SortLinks();
    }
    VTR_CATCH_LOG
}

bool CEmailLinks::AreRequestsComplete() const noexcept
{
    try {
        for (const IPInfo4Links& server : m_links) {
            for (const IPLocationInfo* pLocation : server.locationInfo)
                if (pLocation && pLocation->IsOutstanding())
                    return false;
            for (const LinkInfo& link : server.links)
                if (IsOutstandingData(link.pDataInfo))
                    return false;
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

void CEmailLinks::Clear() noexcept
{
    // Each step on its own, so that a failing one does not keep the others from running.
    const int timeout = CSettingsManager::Instance().serverReplyTimeout;
    try {
        m_dataRequest.ForgetQueued();
        m_dataRequest.AbortRequests(timeout);
        m_dataRequest.ClearRequests(RS_ABORTED);
        m_dataRequest.ClearRequests(RS_DONE);
        m_dataRequest.ClearRequests(RS_REDIRECTING);
    }
    VTR_CATCH_LOG
    try {
        for (const auto& pProvider : CGeoLocationManager::Instance().GetProviders())
            if (pProvider)
                pProvider->AbortRequests(timeout);
    }
    VTR_CATCH_LOG
    try {
        for (IPInfo4Links& server : m_links)
            server.links.clear();
        m_links.clear();
        m_linkKeys.clear();
        m_serverIndex.clear();
        m_unsorted = false;
    }
    VTR_CATCH_LOG
    try {
        ResetTopRow();
        ClearMenuChoices();
    }
    VTR_CATCH_LOG
    m_emailItemSet = false;
}
