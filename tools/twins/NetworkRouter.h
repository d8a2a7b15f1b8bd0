// The whole network as one loopback port, for Linux runs that set VANTORA_CONNECT_TO: the platform layer
// then sends every connection there, the twins' own included, whatever the URL names. A request whose Host
// is one of the twins' addresses is answered as that twin answers; every other connection (a link of the
// message, TLS) is reset at once, so nothing is fetched.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <thread>

#include "ProviderTwins.h"

namespace twins {

// The complete response to a request head (request line and headers), or nothing when the connection is to
// be refused. ports: the twins' ports on 127.0.0.1.
std::optional<std::string> RouteRequest(const std::string& head, const std::map<int, Service>& ports);

class NetworkRouter {
public:
    explicit NetworkRouter(std::map<int, Service> ports) : m_ports(std::move(ports)) {}
    ~NetworkRouter() { Stop(); }
    // Listens on 127.0.0.1; the port, or -1.
    int Start();
    void Stop();

private:
    void Serve();
    void Handle(int fd);

    std::map<int, Service> m_ports;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace twins
