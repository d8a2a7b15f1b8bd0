// An address found in a message (a header server or a link server) with its location requests, one per
// provider asked. The requests belong to their providers; the record only refers to them.
#pragma once

#include <vector>

#include "__Utilities/WString.h"

#include "Utils/IPLocationInfo.h"
#include "Utils/IPURL.h"
#include "Utils/IPV4.h"
#include "Utils/IPV6.h"
#include "Utils/LinkInfo.h"

// A country the providers' answers name for an address, with the providers that named it.
struct CountryAnswer {
    WString code; // upper case
    WString name; // the first answer's name of it, else the code
    std::vector<WString> providers;
};

struct IPInfo {
    int headerPart = 0;    // 0 originating-address field, 1 "from" of Received, 2 its "by", 3 a link server
    DWORD addressType = 0; // IP_TYPE_V4, IP_TYPE_V6 or IP_TYPE_URL
    IPV4_address ipv4;
    IPV6_address ipv6;
    URL_address host;
    std::vector<IPLocationInfo*> locationInfo;

    // The row's text: "Invalid", "Reserved", or the first provider's short text (empty without requests).
    CComBSTR ToString() const;
    // The reserved range's description, or the long text of the request at idx.
    CComBSTR ToLongString(int idx) const;

    // The address that addressType names (IPv4, else IPv6, else the host); null when it names none.
    const IP_address* Address() const;

    // The countries of the answers received, in the order first named.
    std::vector<CountryAnswer> CountryAnswers() const;
    // The answers name more than one country.
    bool ProvidersDisagree() const { return CountryAnswers().size() > 1; }
    // "Providers disagree: Germany (db-ip.com), United States (ipapi.co, location.ipfire.org)", or empty.
    WString DisagreementText() const;
};

// A link server: its address (a host name, or an address literal) with its location requests, and the
// links that point to it, sorted by address ignoring case.
struct IPInfo4Links : IPInfo {
    std::vector<LinkInfo> links;

    // The server's address as text, or "Unknown Host" when it has none that is valid.
    CComBSTR ToString(bool inBrackets) const;
};
