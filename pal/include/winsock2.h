// Vantora platform layer: declares only what Vantora uses of winsock2.h: starting and ending the use of
// the sockets library (name resolution needs it started on Windows).
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

// Error codes of the sockets library (WSAGetLastError values, also GetAddrInfoW's results).
#define WSAEINVAL 10022L
#define WSAEAFNOSUPPORT 10047L
#define WSANOTINITIALISED 10093L
#define WSAHOST_NOT_FOUND 11001L
#define WSATRY_AGAIN 11002L
#define WSANO_RECOVERY 11003L
#define WSANO_DATA 11004L
#define WSA_NOT_ENOUGH_MEMORY 8L

// Version 2.2 is the only one given; every start must be paired with one WSACleanup.
extern "C" int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
extern "C" int WSACleanup();

#pragma GCC visibility pop
