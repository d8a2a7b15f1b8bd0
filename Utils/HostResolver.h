// Resolving a host to its addresses through the system's resolver (Winsock's GetAddrInfoW). Kept apart
// from the address classes: the SDK's ws2tcpip.h and the address conversions declare the same functions.
#pragma once

#include <windows.h>

#include <vector>

struct ResolvedAddress {
    bool v6 = false;
    BYTE bytes[16] = {}; // network byte order; the first 4 for IPv4
};

class CHostResolver {
public:
    // Starts the sockets library for the life of the object.
    CHostResolver();
    ~CHostResolver();
    CHostResolver(const CHostResolver&) = delete;
    CHostResolver& operator=(const CHostResolver&) = delete;

    // Every stream address of the host (a name or an address literal); 0, or the sockets library's error.
    int Resolve(const WCHAR* pHost, std::vector<ResolvedAddress>& addresses) const;

private:
    bool m_started = false;
};
