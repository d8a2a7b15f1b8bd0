// An IPv4 address read from text, with its reserved ranges.
#pragma once

#include "Utils/IPAddress.h"

#include <ip2string.h>

class IPV4_address : public IP_address {
public:
    // The NTDLL conversion this class uses, looked up once per process; null when the system lacks it.
    // Tests replace it to take the path without it.
    struct PlatformFunctions {
        decltype(&RtlIpv4StringToAddressW) pfnStringToAddress = nullptr;
    };
    static PlatformFunctions& Platform();

    IPV4_address();

    // Parses the address at the start of the text (text may follow it). On false the value is unspecified.
    bool Read(const WCHAR* pIP);

    bool IsValid() const override;
    bool IsReserved() const override;
    CComBSTR GetReservedDescription() const override;
    CComBSTR ToString(bool inBrackets) const override;
    // The string table id of the reserved range the address lies in, 0 when none.
    UINT GetReservedTextId() const;

    USHORT GetPart(int index) const { return m_parts[index & 3]; }

    bool operator==(const IPV4_address& other) const;
    bool operator<(const IPV4_address& other) const;

private:
    static bool validEndpointsV4(const WCHAR* pStart, const WCHAR* pEnd);

    USHORT m_parts[4] = {}; // in text order; a part above 255 makes the address invalid
};
