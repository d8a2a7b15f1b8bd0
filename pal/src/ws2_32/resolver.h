// Name resolution over the C library's resolver, kept apart from the sockets API so that the C library's
// socket headers (whose AF_INET6 differs from Windows') never meet the layer's ws2tcpip.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pal::net {

struct ResolvedAddress {
    bool v6 = false;
    uint8_t bytes[16] = {}; // network byte order; the first 4 for IPv4
    uint32_t scopeId = 0;
};

enum class ResolveResult { Ok, NotFound, TryAgain, Failure, BadArgument, NoMemory };

// Stream addresses of a host (UTF-8), of one family (4, 6) or both (0); numericOnly refuses names.
ResolveResult Resolve(const std::string& host, int family, bool numericOnly, std::vector<ResolvedAddress>& out);

} // namespace pal::net
