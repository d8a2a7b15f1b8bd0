#include "email/EmailIPLocation.h"

#include <algorithm>

#include "Utils/RequestBase.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "geo/GeoLocationManager.h"

namespace {

constexpr size_t npos = WString::npos;

bool IsSpace(WCHAR c) noexcept
{
    return c == W(' ') || c == W('\t') || c == W('\r') || c == W('\n') || c == W('\v') || c == W('\f');
}

bool IsHexDigit(WCHAR c) noexcept
{
    return (c >= W('0') && c <= W('9')) || (c >= W('a') && c <= W('f')) || (c >= W('A') && c <= W('F'));
}

bool IsTag(const WString& tag, const WCHAR* pName) noexcept { return _wcsicmp(tag.c_str(), pName) == 0; }

} // namespace

CEmailIPLocation::CEmailIPLocation()
    : CTopRow<IPInfoList>(m_ipLocationNoReserved), CMenuSelect<IPInfoList>(m_ipLocationNoReserved)
{
}

CEmailIPLocation::~CEmailIPLocation() { Clear(); }

void CEmailIPLocation::SetEmailHeader(const WCHAR* pHeader)
{
    try {
        Clear();
        m_headerSet = true;
        HeaderTags headerTags;
        SplitHeader(pHeader, headerTags);
        if (!headerTags.empty())
            getIPs(headerTags);
        ResizeMenuChoices();
    }
    VTR_CATCH_RETHROW
}

void CEmailIPLocation::SplitHeader(const WCHAR* pHeader, HeaderTags& headerTags)
{
    if (!pHeader)
        return;
    WStringView text(pHeader);
    size_t p = 0;
    while (p < text.size()) {
        size_t colon = text.find(W(':'), p);
        if (colon == npos)
            break;
        while (p < colon && IsSpace(text[p]))
            ++p;
        if (p == colon)
            break;
        size_t nameEnd = colon;
        while (nameEnd > p && IsSpace(text[nameEnd - 1]))
            --nameEnd;
        // Lines that begin with white space continue the field.
        size_t lineFeed = text.find(W('\n'), nameEnd);
        while (lineFeed != npos && lineFeed + 1 < text.size() && IsSpace(text[lineFeed + 1]))
            lineFeed = text.find(W('\n'), lineFeed + 1);
        size_t fieldEnd = lineFeed == npos ? text.size() : lineFeed;
        // A line feed between the name and its colon leaves the field without a body.
        WString body;
        if (fieldEnd > colon + 1)
            body.assign(text.substr(colon + 1, fieldEnd - colon - 1));
        VTR_CHECK_TEXT(!body.empty(), "body.c_str()", E_UNEXPECTED);
        headerTags.emplace_back(WString(text.substr(p, nameEnd - p)), std::move(body));
        if (lineFeed == npos)
            break;
        p = lineFeed + 1;
    }
}

void CEmailIPLocation::getIPs(const HeaderTags& headerTags) noexcept
{
    try {
        VTR_CHECK(!headerTags.empty(), E_INVALIDARG);
        for (const auto& [tag, body] : headerTags) {
            if (!IsTag(tag, W("X-Originating-IP")))
                continue;
            size_t bracket = body.find(W('['));
            if (bracket != npos)
                searchAddIP(body.c_str() + bracket, HEADER_ORIGINATING);
        }
        for (const WCHAR* pName : {W("X-EN-OrigIP"), W("X-Outbound-IP")}) {
            for (const auto& [tag, body] : headerTags) {
                if (!IsTag(tag, pName))
                    continue;
                auto digit = std::find_if(body.begin(), body.end(), IsHexDigit);
                if (digit != body.end())
                    searchAddIP(body.c_str() + (digit - body.begin()), HEADER_ORIGINATING);
            }
        }
        // The oldest hop stands last: it is searched first.
        for (auto it = headerTags.rbegin(); it != headerTags.rend(); ++it)
            if (IsTag(it->first, W("Received")) || IsTag(it->first, W("X-Received")))
                searchReceived(it->second);
    }
    VTR_CATCH_LOG
}

void CEmailIPLocation::searchReceived(const WString& body)
{
    size_t from = body.find(W("from"));
    size_t by = body.find(W("by"), from == npos ? 0 : from);
    size_t base = by != npos ? by : (from != npos ? from : 0);
    size_t with = body.find(W("with"), base);
    size_t semicolon = body.find(W(';'), with != npos ? with : base);
    size_t end = with != npos ? with : semicolon;
    // Without a clause end, the clause stops before the body's last character (its carriage return).
    size_t last = body.empty() ? 0 : body.size() - 1;
    if (from != npos)
        searchClause(body, from + 4, by != npos ? by : (end != npos ? end : last), HEADER_RECEIVED_FROM);
    if (by != npos)
        searchClause(body, by + 2, end != npos ? end : last, HEADER_RECEIVED_BY);
}

void CEmailIPLocation::searchClause(const WString& body, size_t start, size_t end, int headerPart)
{
    size_t pos = start;
    while (pos < body.size() && IsSpace(body[pos]))
        ++pos;
    // "from 192.0.2.1", "from [192.0.2.1]": the address right after the keyword.
    if (pos < body.size()) {
        WCHAR c = body[pos];
        if (IsHexDigit(c) || c == W('[') || c == W('('))
            searchAddIP(body.c_str() + pos, headerPart);
    }
    if (pos >= end)
        return;
    // "from host.example (host.example [192.0.2.1])": the last bracket of the clause, parsed within it.
    WString clause = body.substr(pos, end - pos);
    size_t square = clause.rfind(W('['));
    size_t round = clause.rfind(W('('));
    size_t candidate = square == npos ? round : (round == npos ? square : (std::max)(square, round));
    if (candidate != npos && candidate != 0)
        searchAddIP(clause.c_str() + candidate, headerPart);
}

bool CEmailIPLocation::searchAddIP(const WCHAR* pText, int headerPart) noexcept
{
    try {
        IPInfo info;
        info.headerPart = headerPart;
        if (info.ipv4.Read(pText))
            info.addressType = IP_TYPE_V4;
        else if (info.ipv6.Read(pText))
            info.addressType = IP_TYPE_V6;
        else
            return false;
        const IP_address* pAddress = info.Address();
        bool reserved = pAddress->IsReserved();
        if (pAddress->IsValid() && !reserved)
            fnRequestLocations(info);
        AddressKey key = KeyOf(info);
        if (m_addressesSeen.count(key))
            return false;
        m_ipLocationAll.push_back(info);
        if (!reserved)
            m_ipLocationNoReserved.push_back(info);
        m_addressesSeen.insert(key);
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

CEmailIPLocation::AddressKey CEmailIPLocation::KeyOf(const IPInfo& info)
{
    AddressKey key{};
    key[0] = info.addressType;
    if (info.addressType & IP_TYPE_V4) {
        for (int i = 0; i < 4; ++i)
            key[1 + i] = info.ipv4.GetPart(i);
    } else {
        for (int i = 0; i < 8; ++i)
            key[1 + i] = info.ipv6.GetGroup(i);
        key[9] = info.ipv6.GetPort();
        key[10] = info.ipv6.GetScopeId();
    }
    return key;
}

void CEmailIPLocation::UpdateRequests() noexcept
{
    try {
        fnUpdateTimedOutLocation(m_ipLocationNoReserved);
    }
    VTR_CATCH_LOG
}

bool CEmailIPLocation::AreRequestsComplete() const noexcept
{
    try {
        for (const IPInfo& info : m_ipLocationNoReserved)
            for (const IPLocationInfo* pLocation : info.locationInfo)
                if (pLocation && pLocation->IsOutstanding())
                    return false;
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

void CEmailIPLocation::Clear() noexcept
{
    // Each step on its own, so that a failing one does not keep the others from running.
    try {
        // At shut-down the providers may be gone already, and the records with them.
        if (!CGeoLocationManager::Instance().GetProviders().empty())
            for (const IPInfo& info : m_ipLocationNoReserved)
                for (IPLocationInfo* pLocation : info.locationInfo)
                    if (pLocation && (pLocation->status == RS_ABORTED || pLocation->status == RS_DONE ||
                                      pLocation->status == RS_REDIRECTING))
                        pLocation->ClearRequest(false);
    }
    VTR_CATCH_LOG
    try {
        int timeout = CSettingsManager::Instance().serverReplyTimeout;
        for (const auto& pProvider : CGeoLocationManager::Instance().GetProviders())
            if (pProvider)
                pProvider->AbortRequests(timeout);
    }
    VTR_CATCH_LOG
    try {
        m_ipLocationAll.clear();
        m_ipLocationNoReserved.clear();
        m_addressesSeen.clear();
    }
    VTR_CATCH_LOG
    try {
        ResetTopRow();
        ClearMenuChoices();
    }
    VTR_CATCH_LOG
    m_headerSet = false;
}
