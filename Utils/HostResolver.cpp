// Lookups are overlapped GetAddrInfoExW calls with a completion routine. A lookup lives on the heap with
// two references, the resolver's and the pending call's, because either side may end first: a resolver
// destroyed (or a message left) while a name is still being resolved cancels the call, and the routine,
// which the system calls even then, frees what is left.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "Utils/HostResolver.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#ifdef __MINGW32__
// In ws2_32 since Windows 8; mingw-w64's import library has it, its ws2tcpip.h does not declare it.
extern "C" int WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle);
#endif

struct CHostResolver::Lookup {
    OVERLAPPED overlapped{}; // first: the routine finds the lookup from it
    PADDRINFOEXW pResult = nullptr;
    HANDLE hCancel = nullptr;
    std::atomic<LONG> refs{2};
    std::atomic<bool> finished{false};
    DWORD error = 0;
    // Read only on the starting thread; null once the resolver has let the lookup go.
    CHostResolver* pOwner = nullptr;
    std::thread::id ownerThread;
    WString host;
};

namespace {

void CALLBACK LookupDone(DWORD error, DWORD, LPWSAOVERLAPPED pOverlapped)
{
    if (pOverlapped)
        CHostResolver::Finished(reinterpret_cast<CHostResolver::Lookup*>(pOverlapped), error);
}

void ReadList(PADDRINFOEXW pList, std::vector<ResolvedAddress>& addresses)
{
    // mingw-w64 declares ai_next with a struct tag that differs in case from the list type: cast.
    for (PADDRINFOEXW p = pList; p; p = reinterpret_cast<PADDRINFOEXW>(p->ai_next)) {
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
}

} // namespace

CHostResolver::CHostResolver()
{
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

CHostResolver::~CHostResolver()
{
    CancelAll();
    if (m_started)
        WSACleanup();
}

int CHostResolver::ResolveNow(const WCHAR* pHost, std::vector<ResolvedAddress>& addresses)
{
    addresses.clear();
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return WSANOTINITIALISED;
    ADDRINFOEXW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    PADDRINFOEXW pList = nullptr;
    int error = GetAddrInfoExW(pHost, nullptr, NS_ALL, nullptr, &hints, &pList, nullptr, nullptr, nullptr, nullptr);
    if (error == 0)
        ReadList(pList, addresses);
    if (pList)
        FreeAddrInfoExW(pList);
    WSACleanup();
    return error == 0 && addresses.empty() ? WSAHOST_NOT_FOUND : error;
}

void CHostResolver::ReleaseLookup(Lookup* pLookup)
{
    if (--pLookup->refs == 0) {
        if (pLookup->pResult)
            FreeAddrInfoExW(pLookup->pResult);
        delete pLookup;
    }
}

void CHostResolver::Finished(Lookup* pLookup, DWORD error)
{
    pLookup->error = error;
    pLookup->finished.store(true, std::memory_order_release);
    // On the starting thread the answer goes on at once; elsewhere Poll picks it up there.
    if (pLookup->ownerThread == std::this_thread::get_id() && pLookup->pOwner)
        pLookup->pOwner->Deliver(pLookup);
    ReleaseLookup(pLookup);
}

bool CHostResolver::Start(const WCHAR* pHost, int& error, std::vector<ResolvedAddress>& addresses)
{
    addresses.clear();
    if (!m_started) {
        error = WSANOTINITIALISED;
        return false;
    }
    auto* pLookup = new Lookup;
    pLookup->pOwner = this;
    pLookup->ownerThread = m_thread;
    pLookup->host = pHost ? pHost : W("");
    ADDRINFOEXW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    int result = GetAddrInfoExW(pLookup->host.c_str(), nullptr, NS_ALL, nullptr, &hints, &pLookup->pResult, nullptr,
                                &pLookup->overlapped, reinterpret_cast<LPLOOKUPSERVICE_COMPLETION_ROUTINE>(&LookupDone),
                                &pLookup->hCancel);
    if (result == WSA_IO_PENDING) {
        m_pending.push_back(pLookup);
        return true;
    }
    // Answered at once: the routine is never called.
    error = result;
    if (result == 0) {
        ReadList(pLookup->pResult, addresses);
        if (addresses.empty())
            error = WSAHOST_NOT_FOUND;
    }
    pLookup->refs = 1;
    ReleaseLookup(pLookup);
    return false;
}

void CHostResolver::Deliver(Lookup* pLookup)
{
    auto it = std::find(m_pending.begin(), m_pending.end(), pLookup);
    if (it == m_pending.end())
        return;
    m_pending.erase(it);
    pLookup->pOwner = nullptr;
    int error = int(pLookup->error);
    std::vector<ResolvedAddress> addresses;
    if (error == 0) {
        ReadList(pLookup->pResult, addresses);
        if (addresses.empty())
            error = WSAHOST_NOT_FOUND;
    }
    WString host = pLookup->host;
    ReleaseLookup(pLookup); // the resolver's reference; the routine holds its own until it returns
    if (m_answer)
        m_answer(host, error, addresses);
}

void CHostResolver::Poll()
{
    std::vector<Lookup*> done;
    for (Lookup* pLookup : m_pending)
        if (pLookup->finished.load(std::memory_order_acquire))
            done.push_back(pLookup);
    for (Lookup* pLookup : done)
        Deliver(pLookup);
}

void CHostResolver::CancelAll()
{
    std::vector<Lookup*> pending;
    pending.swap(m_pending);
    for (Lookup* pLookup : pending) {
        pLookup->pOwner = nullptr;
        if (!pLookup->finished.load(std::memory_order_acquire))
            GetAddrInfoExCancel(&pLookup->hCancel);
        ReleaseLookup(pLookup);
    }
}
