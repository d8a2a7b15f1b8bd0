// An IPv6 address read from text, with its zone (scope id), port and reserved ranges.
#pragma once

#include "Utils/IPAddress.h"

#include <ip2string.h>

class IPV6_address : public IP_address {
public:
    // The NTDLL conversions this class uses, looked up once per process; each is null when the system lacks
    // it. Tests replace them to take the paths without them.
    struct PlatformFunctions {
        decltype(&RtlIpv6StringToAddressW) pfnStringToAddress = nullptr;
        decltype(&RtlIpv6StringToAddressExW) pfnStringToAddressEx = nullptr;
        decltype(&RtlIpv6AddressToStringW) pfnAddressToString = nullptr;
        decltype(&RtlIpv6AddressToStringExW) pfnAddressToStringEx = nullptr;
    };
    static PlatformFunctions& Platform();

    IPV6_address();

    // Parses the address at the start of the text (text may follow it). On false the value is unspecified.
    bool Read(const WCHAR* pIP);

    bool IsValid() const override;
    bool IsReserved() const override;
    CComBSTR GetReservedDescription() const override;
    // With a port the platform's "[address%scope]:port" form, brackets asked for or not.
    CComBSTR ToString(bool inBrackets) const override;
    // The string table id of the reserved range the address lies in, 0 when none.
    UINT GetReservedTextId() const;

    // Group 0..7 as a number.
    USHORT GetGroup(int index) const;
    USHORT GetPort() const; // host byte order, 0 when none was written
    ULONG GetScopeId() const { return m_scopeId; }
    const IN6_ADDR& GetAddress() const { return m_address; }

    // Same groups, port and scope.
    bool operator==(const IPV6_address& other) const;
    // The lookup-key order: the groups only, the first four as one 64-bit number, then the last four.
    bool operator<(const IPV6_address& other) const;

private:
    static bool validEndpointsV6(const WCHAR* pStart, const WCHAR* pEnd);
    ULONGLONG half(int which) const;

    IN6_ADDR m_address = {}; // groups in network byte order
    USHORT m_port = 0;       // network byte order, as the platform gives it
    ULONG m_scopeId = 0;
};
