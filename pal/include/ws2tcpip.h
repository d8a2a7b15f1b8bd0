// Vantora platform layer: declares only what Vantora uses of ws2tcpip.h: resolving a host name to its
// addresses (GetAddrInfoW) and the socket address structures it returns.
#pragma once

#pragma GCC visibility push(default)

#include "in6addr.h"
#include "inaddr.h"
#include "pal/types.h"
#include "winsock2.h"

// Windows' values (AF_INET6 is 23 there, 10 in the C library): code that includes both headers names the
// C library's through its own macros only in the layer's sources, which never include this header.
#define AF_UNSPEC 0
#define AF_INET 2
#define AF_INET6 23
#define SOCK_STREAM 1
#define IPPROTO_TCP 6
#define AI_NUMERICHOST 0x00000004

typedef USHORT ADDRESS_FAMILY;

// Tags differ from the C library's (see inaddr.h); code names them by the SDK's typedefs.
typedef struct pal_sockaddr {
    ADDRESS_FAMILY sa_family;
    CHAR sa_data[14];
} SOCKADDR, *PSOCKADDR, *LPSOCKADDR;

typedef struct pal_sockaddr_in {
    ADDRESS_FAMILY sin_family;
    USHORT sin_port; // network byte order
    IN_ADDR sin_addr;
    CHAR sin_zero[8];
} SOCKADDR_IN, *PSOCKADDR_IN;

typedef struct pal_sockaddr_in6 {
    ADDRESS_FAMILY sin6_family;
    USHORT sin6_port; // network byte order
    ULONG sin6_flowinfo;
    IN6_ADDR sin6_addr;
    ULONG sin6_scope_id;
} SOCKADDR_IN6, *PSOCKADDR_IN6;

typedef struct addrinfoW {
    int ai_flags;
    int ai_family;
    int ai_socktype;
    int ai_protocol;
    size_t ai_addrlen;
    PWSTR ai_canonname;
    SOCKADDR* ai_addr;
    struct addrinfoW* ai_next;
} ADDRINFOW, *PADDRINFOW;

// 0 and a list freed with FreeAddrInfoW, or a WSA error code (WSAHOST_NOT_FOUND...). The list holds one
// entry per address (stream sockets only), in the resolver's order.
extern "C" int GetAddrInfoW(PCWSTR pNodeName, PCWSTR pServiceName, const ADDRINFOW* pHints, PADDRINFOW* ppResult);
extern "C" void FreeAddrInfoW(PADDRINFOW pAddrInfo);

#pragma GCC visibility pop
