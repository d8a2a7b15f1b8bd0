#include "ws2_32/resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <new>

namespace pal::net {

ResolveResult Resolve(const std::string& host, int family, bool numericOnly, std::vector<ResolvedAddress>& out)
{
    out.clear();
    if (host.empty() || host.find('\0') != std::string::npos)
        return ResolveResult::BadArgument;
    addrinfo hints{};
    hints.ai_family = family == 4 ? AF_INET : family == 6 ? AF_INET6 : AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = numericOnly ? AI_NUMERICHOST : 0;
    addrinfo* list = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    switch (rc) {
    case 0: break;
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
        return ResolveResult::NotFound;
    case EAI_AGAIN: return ResolveResult::TryAgain;
    case EAI_MEMORY: return ResolveResult::NoMemory;
    case EAI_FAMILY:
    case EAI_BADFLAGS: return ResolveResult::BadArgument;
    default: return ResolveResult::Failure;
    }
    try {
        for (addrinfo* p = list; p; p = p->ai_next) {
            ResolvedAddress a;
            if (p->ai_family == AF_INET && p->ai_addrlen >= sizeof(sockaddr_in)) {
                std::memcpy(a.bytes, &reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr, 4);
            } else if (p->ai_family == AF_INET6 && p->ai_addrlen >= sizeof(sockaddr_in6)) {
                auto* in6 = reinterpret_cast<sockaddr_in6*>(p->ai_addr);
                a.v6 = true;
                std::memcpy(a.bytes, &in6->sin6_addr, 16);
                a.scopeId = in6->sin6_scope_id;
            } else {
                continue;
            }
            out.push_back(a);
        }
    } catch (const std::bad_alloc&) {
        freeaddrinfo(list);
        out.clear();
        return ResolveResult::NoMemory;
    }
    freeaddrinfo(list);
    return out.empty() ? ResolveResult::NotFound : ResolveResult::Ok;
}

} // namespace pal::net
