// WSAStartup, WSACleanup, GetAddrInfoExW, its cancel and its free, with Windows' results: resolving
// before the library is started fails with WSANOTINITIALISED, errors are WSA codes, and the lists are
// Windows' layout. The asynchronous form resolves on a few resolver threads and reports through the loop.
#include "ws2tcpip.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "common/connect_to.h"
#include "common/text.h"
#include "pal/loop.h"
#include "ws2_32/resolver.h"

namespace {

std::atomic<int> g_started{0};

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

namespace {

struct Query {
    std::string node; // UTF-8
    int family = 0;
    bool numericOnly = false;
};

// Reads the hints as both forms take them: 0, or a WSA error for hints this layer does not offer.
int ReadHints(PCWSTR pNodeName, int hintFamily, int hintFlags, Query& query)
{
    if (hintFamily == AF_INET)
        query.family = 4;
    else if (hintFamily == AF_INET6)
        query.family = 6;
    else if (hintFamily != AF_UNSPEC)
        return WSAEAFNOSUPPORT;
    query.numericOnly = (hintFlags & AI_NUMERICHOST) != 0;
    query.node = pal::ToWtf8(std::u16string_view(pNodeName));
    return 0;
}

// The test resolver's delay for names (never for address literals): VANTORA_RESOLVE_DELAY_MS.
void DelayForTests(const Query& query)
{
    const char* value = std::getenv("VANTORA_RESOLVE_DELAY_MS");
    if (!value || !*value)
        return;
    long ms = std::strtol(value, nullptr, 10);
    std::vector<pal::net::ResolvedAddress> literal;
    if (ms <= 0 || pal::net::Resolve(query.node, 0, true, literal) == pal::net::ResolveResult::Ok)
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 600000L)));
}

int Lookup(const Query& query, std::vector<pal::net::ResolvedAddress>& addresses)
{
    DelayForTests(query);
    pal::net::ResolveResult result;
    // Under the test mapping a name never reaches the resolver (no DNS query): it has the mapped address.
    if (pal::ConnectTo target; pal::GetConnectTo(target) && !query.numericOnly) {
        result = pal::net::Resolve(query.node, query.family, true, addresses);
        if (result != pal::net::ResolveResult::Ok && query.family != 6)
            result = pal::net::Resolve(target.address, 4, true, addresses);
    } else {
        result = pal::net::Resolve(query.node, query.family, query.numericOnly, addresses);
    }
    return ToWsaError(result);
}

// One list entry of either form with room for either address structure; info is the first member.
template <class Info> struct ListEntry {
    Info info;
    union {
        SOCKADDR_IN v4;
        SOCKADDR_IN6 v6;
    } address;
};

template <class Info> int BuildList(const std::vector<pal::net::ResolvedAddress>& addresses, Info** ppResult)
{
    Info* head = nullptr;
    Info** tail = &head;
    for (const pal::net::ResolvedAddress& a : addresses) {
        auto* e = new (std::nothrow) ListEntry<Info>{};
        if (!e) {
            while (head) {
                Info* next = head->ai_next;
                delete reinterpret_cast<ListEntry<Info>*>(head);
                head = next;
            }
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

template <class Info> void FreeList(Info* p)
{
    while (p) {
        Info* next = p->ai_next;
        delete reinterpret_cast<ListEntry<Info>*>(p);
        p = next;
    }
}

// Pending lookups of the asynchronous form. Only the resolver threads and the loop touch a lookup: the
// threads fill in the answer, the loop hands it over (or the cancellation) and forgets it.
struct Pending {
    Query query;
    PADDRINFOEXW* ppResult = nullptr;
    LPOVERLAPPED overlapped = nullptr;
    LPLOOKUPSERVICE_COMPLETION_ROUTINE routine = nullptr;
    bool cancelled = false;
};

struct Resolvers {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<UINT_PTR> queue;
    std::map<UINT_PTR, Pending> pending; // by handle
    UINT_PTR nextHandle = 1;
    int threads = 0;
    int idle = 0;
};

// As many threads as lookups wait, up to a few: a slow name does not hold the others back.
constexpr int MAX_RESOLVER_THREADS = 4;

// Never destroyed: the threads outlive every caller.
Resolvers& TheResolvers()
{
    static Resolvers* r = new Resolvers;
    return *r;
}

// Reports a lookup on the loop: the routine runs there, outside every caller's frame.
void Report(UINT_PTR handle, int error, std::vector<pal::net::ResolvedAddress> addresses)
{
    pal::PostToLoop([handle, error, addresses = std::move(addresses)] {
        Resolvers& r = TheResolvers();
        Pending lookup;
        {
            std::lock_guard<std::mutex> guard(r.lock);
            auto it = r.pending.find(handle);
            if (it == r.pending.end())
                return;
            lookup = it->second;
            r.pending.erase(it);
        }
        int result = lookup.cancelled ? int(WSA_E_CANCELLED) : error;
        if (result == 0)
            result = BuildList(addresses, lookup.ppResult);
        lookup.overlapped->Internal = ULONG_PTR(result);
        if (lookup.routine)
            lookup.routine(DWORD(result), 0, lookup.overlapped);
    });
}

void ResolverThread()
{
    Resolvers& r = TheResolvers();
    std::unique_lock<std::mutex> guard(r.lock);
    while (true) {
        ++r.idle;
        r.wake.wait(guard, [&r] { return !r.queue.empty(); });
        --r.idle;
        UINT_PTR handle = r.queue.front();
        r.queue.pop_front();
        auto it = r.pending.find(handle);
        if (it == r.pending.end())
            continue;
        if (it->second.cancelled)
            continue; // reported by the cancellation
        Query query = it->second.query;
        guard.unlock();
        std::vector<pal::net::ResolvedAddress> addresses;
        int error = Lookup(query, addresses);
        Report(handle, error, std::move(addresses));
        guard.lock();
    }
}

} // namespace

extern "C" int WSAAPI GetAddrInfoExW(PCWSTR pName, PCWSTR pServiceName, DWORD dwNameSpace, LPGUID lpNspId,
                                     const ADDRINFOEXW* hints, PADDRINFOEXW* ppResult, PTIMEVAL timeout,
                                     LPOVERLAPPED lpOverlapped, LPLOOKUPSERVICE_COMPLETION_ROUTINE lpCompletionRoutine,
                                     LPHANDLE lpNameHandle)
{
    if (!ppResult)
        return WSAEINVAL;
    *ppResult = nullptr;
    if (lpNameHandle)
        *lpNameHandle = nullptr;
    if (g_started.load() <= 0)
        return WSANOTINITIALISED;
    // Windows takes a completion routine or an event only together with the overlapped structure.
    if ((dwNameSpace != NS_ALL && dwNameSpace != NS_DNS) || lpNspId || timeout || (lpCompletionRoutine && !lpOverlapped))
        return WSAEINVAL;
    if (!pName || !*pName)
        return WSAHOST_NOT_FOUND;
    (void)pServiceName; // addresses only
    Query query;
    if (int error = ReadHints(pName, hints ? hints->ai_family : AF_UNSPEC, hints ? hints->ai_flags : 0, query))
        return error;
    if (!lpOverlapped) {
        std::vector<pal::net::ResolvedAddress> addresses;
        if (int error = Lookup(query, addresses))
            return error;
        return BuildList(addresses, ppResult);
    }
    if (!lpCompletionRoutine)
        return WSAEINVAL; // completion by event is not offered: nothing here waits on one
    // An address literal needs no resolver: answered at once, and the routine is not called.
    std::vector<pal::net::ResolvedAddress> literal;
    if (pal::net::Resolve(query.node, query.family, true, literal) == pal::net::ResolveResult::Ok)
        return BuildList(literal, ppResult);
    if (query.numericOnly)
        return WSAHOST_NOT_FOUND;
    Resolvers& r = TheResolvers();
    std::lock_guard<std::mutex> guard(r.lock);
    UINT_PTR handle = r.nextHandle++;
    r.pending[handle] = Pending{std::move(query), ppResult, lpOverlapped, lpCompletionRoutine, false};
    r.queue.push_back(handle);
    lpOverlapped->Internal = ULONG_PTR(WSA_IO_PENDING);
    if (lpNameHandle)
        *lpNameHandle = reinterpret_cast<HANDLE>(handle);
    if (r.idle == 0 && r.threads < MAX_RESOLVER_THREADS) {
        ++r.threads;
        std::thread(ResolverThread).detach();
    }
    r.wake.notify_one();
    return WSA_IO_PENDING;
}

extern "C" int WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle)
{
    if (!lpHandle || !*lpHandle)
        return WSA_INVALID_HANDLE;
    Resolvers& r = TheResolvers();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.pending.find(reinterpret_cast<UINT_PTR>(*lpHandle));
    if (it == r.pending.end() || it->second.cancelled)
        return WSA_INVALID_HANDLE;
    it->second.cancelled = true;
    Report(reinterpret_cast<UINT_PTR>(*lpHandle), WSA_E_CANCELLED, {});
    return 0;
}

extern "C" void WSAAPI FreeAddrInfoExW(PADDRINFOEXW pAddrInfo)
{
    FreeList(pAddrInfo);
}

