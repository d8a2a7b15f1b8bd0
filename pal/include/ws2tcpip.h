// Vantora platform layer: declares only what Vantora uses of ws2tcpip.h: resolving a host name to its
// addresses (GetAddrInfoExW, at once or in its asynchronous form) and the socket address
// structures they return.
#pragma once

#pragma GCC visibility push(default)

#include "in6addr.h"
#include "inaddr.h"
#include "pal/com.h"
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
#define NS_ALL 0
#define NS_DNS 12

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

typedef struct addrinfoexW {
    int ai_flags;
    int ai_family;
    int ai_socktype;
    int ai_protocol;
    size_t ai_addrlen;
    PWSTR ai_canonname;
    SOCKADDR* ai_addr;
    void* ai_blob;
    size_t ai_bloblen;
    LPGUID ai_provider;
    struct addrinfoexW* ai_next;
} ADDRINFOEXW, *PADDRINFOEXW, *LPADDRINFOEXW;

typedef void(CALLBACK* LPLOOKUPSERVICE_COMPLETION_ROUTINE)(DWORD dwError, DWORD dwBytes, LPWSAOVERLAPPED lpOverlapped);

// Without lpOverlapped: resolves at once: 0 and a list freed with FreeAddrInfoExW, or a WSA error code
// (WSAHOST_NOT_FOUND...); the list holds one entry per address (stream sockets only), in the resolver's
// order. With it, a name returns WSA_IO_PENDING and is
// resolved off the calling thread; *ppResult is filled and the routine is called with the error (0, a WSA
// code, or WSA_E_CANCELLED) through the message loop on the loop's thread, as an APC is delivered in an
// alertable wait. An address literal is answered at once (0). Any result but WSA_IO_PENDING means the
// routine is never called. *lpNameHandle identifies the lookup for GetAddrInfoExCancel. dwNameSpace
// NS_ALL or NS_DNS; lpNspId and timeout must be null. The test variable VANTORA_RESOLVE_DELAY_MS makes
// every name's answer (both forms) come that many milliseconds late.
extern "C" int WSAAPI GetAddrInfoExW(PCWSTR pName, PCWSTR pServiceName, DWORD dwNameSpace, LPGUID lpNspId,
                                     const ADDRINFOEXW* hints, PADDRINFOEXW* ppResult, PTIMEVAL timeout,
                                     LPOVERLAPPED lpOverlapped, LPLOOKUPSERVICE_COMPLETION_ROUTINE lpCompletionRoutine,
                                     LPHANDLE lpNameHandle);
// Ends a pending lookup: its routine is still called, with WSA_E_CANCELLED. WSA_INVALID_HANDLE when the
// lookup has already been reported.
extern "C" int WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle);
extern "C" void WSAAPI FreeAddrInfoExW(PADDRINFOEXW pAddrInfo);

#pragma GCC visibility pop
