// WSAStartup, WSACleanup, GetAddrInfoW and FreeAddrInfoW, with Windows' results: resolving before the
// library is started fails with WSANOTINITIALISED, errors are WSA codes, and the list is Windows' layout.
#include "ws2tcpip.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "common/connect_to.h"
#include "common/text.h"
#include "ws2_32/resolver.h"

namespace {

std::atomic<int> g_started{0};

// One list entry with room for either address structure.
struct Entry {
    ADDRINFOW info;
    union {
        SOCKADDR_IN v4;
        SOCKADDR_IN6 v6;
    } address;
};

int ToWsaError(pal::net::ResolveResult result)
{
    switch (result) {
    case pal::net::ResolveResult::Ok: return 0;
    case pal::net::ResolveResult::NotFound: return WSAHOST_NOT_FOUND;
    case pal::net::ResolveResult::TryAgain: return WSATRY_AGAIN;
    case pal::net::ResolveResult::BadArgument: return WSAEINVAL;
    case pal::net::ResolveResult::NoMemory: return WSA_NOT_ENOUGH_MEMORY;
    default: return WSANO_RECOVERY;
    }
}

} // namespace

extern "C" int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData)
{
    if (!lpWSAData)
        return WSAEINVAL;
    std::memset(lpWSAData, 0, sizeof *lpWSAData);
    lpWSAData->wVersion = MAKEWORD(2, 2);
    lpWSAData->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    if (LOBYTE(wVersionRequested) < 2)
        return WSAEINVAL; // WSAVERNOTSUPPORTED on Windows: only 2.x is offered
    ++g_started;
    return 0;
}

extern "C" int WSACleanup()
{
    int count = g_started.load();
    while (count > 0 && !g_started.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0 ? 0 : WSANOTINITIALISED;
}

extern "C" int GetAddrInfoW(PCWSTR pNodeName, PCWSTR pServiceName, const ADDRINFOW* pHints, PADDRINFOW* ppResult)
{
    if (!ppResult)
        return WSAEINVAL;
    *ppResult = nullptr;
    if (g_started.load() <= 0)
        return WSANOTINITIALISED;
    if (!pNodeName || !*pNodeName)
        return WSAHOST_NOT_FOUND;
    (void)pServiceName; // no port is ever asked for: addresses only
    int family = 0;
    bool numericOnly = false;
    if (pHints) {
        if (pHints->ai_family == AF_INET)
            family = 4;
        else if (pHints->ai_family == AF_INET6)
            family = 6;
        else if (pHints->ai_family != AF_UNSPEC)
            return WSAEAFNOSUPPORT;
        numericOnly = (pHints->ai_flags & AI_NUMERICHOST) != 0;
    }
    std::vector<pal::net::ResolvedAddress> addresses;
    std::string node = pal::ToWtf8(std::u16string_view(pNodeName));
    pal::net::ResolveResult result;
    // Under the test mapping a name never reaches the resolver (no DNS query): it has the mapped address.
    if (pal::ConnectTo target; pal::GetConnectTo(target) && !numericOnly) {
        result = pal::net::Resolve(node, family, true, addresses);
        if (result != pal::net::ResolveResult::Ok && family != 6)
            result = pal::net::Resolve(target.address, 4, true, addresses);
    } else {
        result = pal::net::Resolve(node, family, numericOnly, addresses);
    }
    if (result != pal::net::ResolveResult::Ok)
        return ToWsaError(result);

    PADDRINFOW head = nullptr, *tail = &head;
    for (const pal::net::ResolvedAddress& a : addresses) {
        Entry* e = new (std::nothrow) Entry{};
        if (!e) {
            FreeAddrInfoW(head);
            return WSA_NOT_ENOUGH_MEMORY;
        }
        e->info.ai_socktype = SOCK_STREAM;
        e->info.ai_protocol = IPPROTO_TCP;
        e->info.ai_addr = reinterpret_cast<SOCKADDR*>(&e->address);
        if (a.v6) {
            e->info.ai_family = AF_INET6;
            e->info.ai_addrlen = sizeof(SOCKADDR_IN6);
            e->address.v6.sin6_family = AF_INET6;
            std::memcpy(&e->address.v6.sin6_addr, a.bytes, 16);
            e->address.v6.sin6_scope_id = a.scopeId;
        } else {
            e->info.ai_family = AF_INET;
            e->info.ai_addrlen = sizeof(SOCKADDR_IN);
            e->address.v4.sin_family = AF_INET;
            std::memcpy(&e->address.v4.sin_addr, a.bytes, 4);
        }
        *tail = &e->info;
        tail = &e->info.ai_next;
    }
    *ppResult = head;
    return 0;
}

extern "C" void FreeAddrInfoW(PADDRINFOW pAddrInfo)
{
    while (pAddrInfo) {
        PADDRINFOW next = pAddrInfo->ai_next;
        delete reinterpret_cast<Entry*>(pAddrInfo); // info is the first member
        pAddrInfo = next;
    }
}
