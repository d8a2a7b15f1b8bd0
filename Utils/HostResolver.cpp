#include <winsock2.h>
#include <ws2tcpip.h>

#include "Utils/HostResolver.h"

#include <cstring>

CHostResolver::CHostResolver()
{
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

CHostResolver::~CHostResolver()
{
    if (m_started)
        WSACleanup();
}

int CHostResolver::Resolve(const WCHAR* pHost, std::vector<ResolvedAddress>& addresses) const
{
    addresses.clear();
    if (!m_started)
        return WSANOTINITIALISED;
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    PADDRINFOW pList = nullptr;
    int result = GetAddrInfoW(pHost, nullptr, &hints, &pList);
    if (result != 0)
        return result;
    for (PADDRINFOW p = pList; p; p = p->ai_next) {
        if (!p->ai_addr)
            continue;
        ResolvedAddress address;
        if (p->ai_family == AF_INET && p->ai_addrlen >= sizeof(SOCKADDR_IN)) {
            std::memcpy(address.bytes, &reinterpret_cast<const SOCKADDR_IN*>(p->ai_addr)->sin_addr, 4);
        } else if (p->ai_family == AF_INET6 && p->ai_addrlen >= sizeof(SOCKADDR_IN6)) {
            address.v6 = true;
            std::memcpy(address.bytes, &reinterpret_cast<const SOCKADDR_IN6*>(p->ai_addr)->sin6_addr, 16);
        } else {
            continue;
        }
        addresses.push_back(address);
    }
    FreeAddrInfoW(pList);
    return addresses.empty() ? WSAHOST_NOT_FOUND : 0;
}
