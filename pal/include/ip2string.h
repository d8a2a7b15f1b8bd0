// Vantora platform layer: declares only what Vantora uses of ip2string.h: the NTDLL address conversions.
// The add-in looks them up at run time in "NTDLL.DLL"; the layer's library exports them under those names.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"
#include "pal/errors.h"
#include "inaddr.h"
#include "in6addr.h"

// Buffer sizes of the textual forms, terminating NUL included.
#define INET_ADDRSTRLEN 22
#define INET6_ADDRSTRLEN 65

extern "C" {
// Strict: exactly four dotted decimal parts. Otherwise also 1 to 3 parts and octal ("0...") or hex ("0x...")
// parts. *Terminator receives the position where the parse stopped (on failure too); text may follow the
// address. With a null Terminator the whole text must be the address.
NTSTATUS NTAPI RtlIpv4StringToAddressW(PCWSTR S, BOOLEAN Strict, LPCWSTR* Terminator, IN_ADDR* Addr);
// Every textual IPv6 form ("::" once, embedded IPv4 in the last 32 bits); text may follow the address.
NTSTATUS NTAPI RtlIpv6StringToAddressW(PCWSTR S, PCWSTR* Terminator, IN6_ADDR* Addr);
// The whole text must be the address: optional "[...]", "%scope" in decimal, and "]:port" after a bracket.
// *ScopeId is in host order, *Port in network byte order (0 when none was written).
NTSTATUS NTAPI RtlIpv6StringToAddressExW(PCWSTR AddressString, IN6_ADDR* Address, PULONG ScopeId, PUSHORT Port);
// Canonical text; S needs INET6_ADDRSTRLEN characters. Returns the position of the terminating NUL.
PWSTR NTAPI RtlIpv6AddressToStringW(const IN6_ADDR* Addr, PWSTR S);
// Canonical text with "%scope" when ScopeId is non-zero, bracketed as "[...]:port" when Port (network byte
// order) is non-zero. *AddressStringLength: the buffer's size in, the characters written (with NUL) out.
NTSTATUS NTAPI RtlIpv6AddressToStringExW(const IN6_ADDR* Address, ULONG ScopeId, USHORT Port, PWSTR AddressString,
                                         PULONG AddressStringLength);
}

#pragma GCC visibility pop
