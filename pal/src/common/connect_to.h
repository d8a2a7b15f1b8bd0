// The test mapping of the network: VANTORA_CONNECT_TO=ADDRESS:PORT (an IPv4 address) makes every host
// name resolve to ADDRESS and every HTTP connection go to ADDRESS:PORT, so that tests can run real messages
// whose links name internet hosts without a single packet leaving the machine (no DNS query either).
#pragma once

#include <cstdlib>
#include <string>

namespace pal {

struct ConnectTo {
    std::string address; // dotted IPv4
    std::string port;
};

// False when the variable is unset or malformed (then the network is used as it is).
inline bool GetConnectTo(ConnectTo& target)
{
    const char* value = std::getenv("VANTORA_CONNECT_TO");
    if (!value || !*value)
        return false;
    std::string text = value;
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        return false;
    target.address = text.substr(0, colon);
    target.port = text.substr(colon + 1);
    for (char c : target.address)
        if (!((c >= '0' && c <= '9') || c == '.'))
            return false;
    for (char c : target.port)
        if (c < '0' || c > '9')
            return false;
    return target.port.size() <= 5;
}

} // namespace pal
