// Address records for the location request tests.
#pragma once

#include <string>

#include "Utils/IPInfo.h"
#include "pal/host.h"

namespace testing_support {

// An address record for an IPv4 or IPv6 address or a host name, parsed as the header code would.
inline IPInfo MakeAddress(const std::string& text)
{
    IPInfo info;
    std::u16string wide = pal::ToWide(text);
    if (info.ipv4.Read(wide.c_str()))
        info.addressType = IP_TYPE_V4;
    else if (info.ipv6.Read(wide.c_str()))
        info.addressType = IP_TYPE_V6;
    else if (info.host.Read(wide.c_str()))
        info.addressType = IP_TYPE_URL;
    return info;
}

inline std::string Utf8(const CComBSTR& s) { return s ? pal::ToUtf8(s.m_str) : std::string(); }

} // namespace testing_support
