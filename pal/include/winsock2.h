// Vantora platform layer: declares only what Vantora uses of winsock2.h: starting and ending the use of
// the sockets library (name resolution needs it started on Windows), and the overlapped structure and
// time value of asynchronous name resolution.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define WSAAPI
typedef HANDLE* LPHANDLE;

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

// Error codes of the sockets library (WSAGetLastError values, also GetAddrInfoExW's results).
#define WSAEINVAL 10022L
#define WSAEAFNOSUPPORT 10047L
#define WSANOTINITIALISED 10093L
#define WSAHOST_NOT_FOUND 11001L
#define WSATRY_AGAIN 11002L
#define WSANO_RECOVERY 11003L
#define WSANO_DATA 11004L
#define WSA_NOT_ENOUGH_MEMORY 8L
#define WSA_INVALID_HANDLE 6L
#define WSA_INVALID_PARAMETER 87L
#define WSA_IO_PENDING 997L
#define WSA_E_CANCELLED 10111L

// minwinbase.h's layout; the resolver keeps its error in Internal while the lookup is pending.
typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    union {
        struct {
            DWORD Offset;
            DWORD OffsetHigh;
        };
        PVOID Pointer;
    };
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;
typedef OVERLAPPED WSAOVERLAPPED, *LPWSAOVERLAPPED;

// The tag differs from the C library's struct timeval, which its headers may declare in the same unit.
typedef struct pal_timeval {
    LONG tv_sec;
    LONG tv_usec;
} TIMEVAL, *PTIMEVAL, *LPTIMEVAL;

// Version 2.2 is the only one given; every start must be paired with one WSACleanup.
extern "C" int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
extern "C" int WSACleanup();

#pragma GCC visibility pop
