// Resolving hosts to their addresses through the system's resolver (Winsock's GetAddrInfoExW) without
// blocking the user-interface thread. Kept apart from the address classes: the SDK's ws2tcpip.h and the
// address conversions declare the same functions.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>
#include <vector>

#include "__Utilities/WString.h"

struct ResolvedAddress {
    bool v6 = false;
    BYTE bytes[16] = {}; // network byte order; the first 4 for IPv4
};

class CHostResolver {
public:
    // The answer of a lookup: 0 and the stream addresses, or the sockets library's error.
    using AnswerFn = std::function<void(const WString& host, int error, const std::vector<ResolvedAddress>& addresses)>;

    // Starts the sockets library for the life of the object.
    CHostResolver();
    // Lookups still pending are cancelled; their answers are dropped.
    ~CHostResolver();
    CHostResolver(const CHostResolver&) = delete;
    CHostResolver& operator=(const CHostResolver&) = delete;

    // Resolves at once, blocking the calling thread: 0 or the sockets library's error.
    static int ResolveNow(const WCHAR* pHost, std::vector<ResolvedAddress>& addresses);

    // Where answers of pending lookups go, always on the thread that started them.
    void SetAnswerFn(AnswerFn fn) { m_answer = std::move(fn); }

    // Starts resolving the host (a name or an address literal). True when the lookup is pending: the
    // answer comes later through the answer function. False when the resolver answered at once (error
    // and addresses are then set; address literals usually are).
    bool Start(const WCHAR* pHost, int& error, std::vector<ResolvedAddress>& addresses);
    // Hands over the answers the system delivered on a thread of its own since the last call (Windows
    // completes lookups on its thread pool); the platform layer delivers them through the message loop
    // on the starting thread, where they are handed over at once.
    void Poll();
    // Drops the pending lookups: their answers are never handed over.
    void CancelAll();
    size_t PendingCount() const { return m_pending.size(); }

    struct Lookup;
    // The completion routine's work, on whichever thread the system calls it.
    static void Finished(Lookup* pLookup, DWORD error);

private:
    static void ReleaseLookup(Lookup* pLookup);
    void Deliver(Lookup* pLookup);

    bool m_started = false;
    std::thread::id m_thread = std::this_thread::get_id();
    AnswerFn m_answer;
    std::vector<Lookup*> m_pending;
};
