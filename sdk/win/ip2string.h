// The Windows SDK's ip2string.h, which mingw-w64 lacks: the NTDLL address conversions, with the SDK's
// signatures. The add-in looks them up at run time in "NTDLL.DLL".
#pragma once

#include <windows.h>
#include <inaddr.h>
#include <in6addr.h>

#ifndef INET_ADDRSTRLEN
#define INET_ADDRSTRLEN 22
#endif
#ifndef INET6_ADDRSTRLEN
#define INET6_ADDRSTRLEN 65
#endif

// Imported as the SDK declares them (NTSYSAPI), so that their address is NTDLL's own.
extern "C" {
NTSYSAPI NTSTATUS NTAPI RtlIpv4StringToAddressW(PCWSTR S, BOOLEAN Strict, LPCWSTR* Terminator, IN_ADDR* Addr);
NTSYSAPI NTSTATUS NTAPI RtlIpv6StringToAddressW(PCWSTR S, PCWSTR* Terminator, IN6_ADDR* Addr);
NTSYSAPI NTSTATUS NTAPI RtlIpv6StringToAddressExW(PCWSTR AddressString, IN6_ADDR* Address, PULONG ScopeId,
                                                  PUSHORT Port);
NTSYSAPI PWSTR NTAPI RtlIpv6AddressToStringW(const IN6_ADDR* Addr, PWSTR S);
NTSYSAPI NTSTATUS NTAPI RtlIpv6AddressToStringExW(const IN6_ADDR* Address, ULONG ScopeId, USHORT Port,
                                                  PWSTR AddressString, PULONG AddressStringLength);
}
