// Digit helpers shared by the address conversions.
#pragma once

#include "common/text.h"
#include "windows.h"

namespace pal_ntdll {

// One number of an IPv4 text (also a scope id and a port). Strict: decimal only, and no leading zero before
// another digit. Otherwise "0x..." is hexadecimal and "0..." octal. False when no digit was read or the value
// does not fit 32 bits; p is left where reading stopped.
bool ParseIpv4Number(const WCHAR*& p, bool strict, ULONG& value);

// Network byte order of a 16-bit value, whatever the host's order.
inline USHORT SwapToNet(USHORT hostValue)
{
    USHORT net;
    BYTE* b = reinterpret_cast<BYTE*>(&net);
    b[0] = BYTE(hostValue >> 8);
    b[1] = BYTE(hostValue & 0xFF);
    return net;
}
inline USHORT SwapToHost(USHORT netValue)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&netValue);
    return USHORT((b[0] << 8) | b[1]);
}

} // namespace pal_ntdll
