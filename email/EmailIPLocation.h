// The servers a message passed through, from its transport header: the header is split into fields, the
// fields that carry server addresses are searched in a fixed order, and every routable address gets one
// location request per selected provider. Reserved addresses are listed but not shown on the ribbon.
#pragma once

#include <array>
#include <set>
#include <utility>
#include <vector>

#include "Utils/IPInfo.h"
#include "__Utilities/WString.h"
#include "addin/EmailUtil.h"

using IPInfoList = std::vector<IPInfo>;
// The header's fields in header order: (name, body); a body keeps its folding and its carriage return.
using HeaderTags = std::vector<std::pair<WString, WString>>;

class CEmailIPLocation : public CTopRow<IPInfoList>, public CMenuSelect<IPInfoList> {
public:
    // Where an address was found (IPInfo::headerPart).
    static constexpr int HEADER_ORIGINATING = 0;
    static constexpr int HEADER_RECEIVED_FROM = 1;
    static constexpr int HEADER_RECEIVED_BY = 2;

    CEmailIPLocation();
    virtual ~CEmailIPLocation();
    CEmailIPLocation(const CEmailIPLocation&) = delete;
    CEmailIPLocation& operator=(const CEmailIPLocation&) = delete;

    // Clears, then collects the addresses of the header (null: none). A field with an empty body
    // abandons the header and is thrown.
    void SetEmailHeader(const WCHAR* pHeader);
    void Clear() noexcept;
    bool IsHeaderSet() const noexcept { return m_headerSet; }

    // The addresses shown (not reserved), and all found; both in order of discovery.
    const IPInfoList& GetIPLocationNoReserved() const noexcept { return m_ipLocationNoReserved; }
    const IPInfoList& GetIPLocationAll() const noexcept { return m_ipLocationAll; }

    // Polling timer: aborts and resends requests that waited out the reply time-out.
    void UpdateRequests() noexcept;
    bool AreRequestsComplete() const noexcept;

    // Splits a header into its fields; throws on a field with an empty body.
    static void SplitHeader(const WCHAR* pHeader, HeaderTags& headerTags);
    void getIPs(const HeaderTags& headerTags) noexcept;
    // Parses one address at pText and adds it; true when it was new.
    bool searchAddIP(const WCHAR* pText, int headerPart) noexcept;

private:
    void searchReceived(const WString& body);
    void searchClause(const WString& body, size_t start, size_t end, int headerPart);

    // Type, then the IPv4 parts or the IPv6 groups, port and scope identifier.
    using AddressKey = std::array<ULONG, 11>;
    static AddressKey KeyOf(const IPInfo& info);

    bool m_headerSet = false;
    IPInfoList m_ipLocationAll;
    IPInfoList m_ipLocationNoReserved;
    std::set<AddressKey> m_addressesSeen; // the keys of m_ipLocationAll, so that a long header stays linear
};
