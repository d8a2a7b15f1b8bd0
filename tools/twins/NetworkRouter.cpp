// One thread, one connection at a time: every answer is immediate, and a client that sends nothing gets
// a short time-out, so the queue (the listen backlog) moves on.
#include "NetworkRouter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace twins {

namespace {

constexpr size_t kMaxHeadBytes = 16 * 1024;
constexpr int kReadTimeoutMs = 2000;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    default: return "Error";
    }
}

// Closed with a reset, as near as an accepted connection comes to a refused one.
void Reset(int fd)
{
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    close(fd);
}

} // namespace

std::optional<std::string> RouteRequest(const std::string& head, const std::map<int, Service>& ports)
{
    size_t lineEnd = head.find("\r\n");
    if (lineEnd == std::string::npos)
        return std::nullopt;
    std::string line = head.substr(0, lineEnd);
    size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1 || line.compare(sp2 + 1, 5, "HTTP/") != 0)
        return std::nullopt;
    std::string method = line.substr(0, sp1);
    std::string target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    if (method != "GET" && method != "HEAD")
        return std::nullopt;
    std::string host;
    for (size_t at = lineEnd + 2; at < head.size();) {
        size_t end = head.find("\r\n", at);
        std::string field = head.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? head.size() : end + 2;
        size_t colon = field.find(':');
        if (colon != std::string::npos && Lower(field.substr(0, colon)) == "host") {
            host = field.substr(colon + 1);
            host.erase(0, host.find_first_not_of(" \t"));
            host.erase(host.find_last_not_of(" \t") + 1);
        }
    }
    const std::string loopback = "127.0.0.1:";
    if (host.compare(0, loopback.size(), loopback) != 0 || host.size() > loopback.size() + 5 ||
        host.find_first_not_of("0123456789", loopback.size()) != std::string::npos || host.size() == loopback.size())
        return std::nullopt;
    auto twin = ports.find(std::stoi(host.substr(loopback.size())));
    if (twin == ports.end())
        return std::nullopt;
    TwinAnswer answer = Answer(twin->second, target);
    std::string response = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) +
                           "\r\nContent-Type: " + answer.contentType +
                           "\r\nContent-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
    if (method == "GET")
        response += answer.body;
    return response;
}

int NetworkRouter::Start()
{
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0 || pipe(m_wake) != 0)
        return -1;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(at);
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&at), sizeof(at)) != 0 || listen(m_listen, 128) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&at), &length) != 0)
        return -1;
    m_thread = std::thread([this] { Serve(); });
    return ntohs(at.sin_port);
}

void NetworkRouter::Stop()
{
    if (m_thread.joinable()) {
        char stop = 0;
        (void)!write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (int* fd : {&m_listen, &m_wake[0], &m_wake[1]})
        if (*fd >= 0)
            close(*fd), *fd = -1;
}

void NetworkRouter::Serve()
{
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                Handle(fd);
        }
    }
}

void NetworkRouter::Handle(int fd)
{
    timeval timeout{kReadTimeoutMs / 1000, (kReadTimeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    std::string head;
    char buffer[4096];
    while (head.size() < kMaxHeadBytes && head.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        head.append(buffer, size_t(n));
        // Not a request line's first character (a TLS handshake): refused without waiting for more.
        if (!std::isupper(static_cast<unsigned char>(head[0])))
            break;
    }
    std::optional<std::string> response;
    if (head.find("\r\n\r\n") != std::string::npos)
        response = RouteRequest(head.substr(0, head.find("\r\n\r\n") + 2), m_ports);
    if (!response) {
        Reset(fd);
        return;
    }
    for (size_t done = 0; done < response->size();) {
        ssize_t n = send(fd, response->data() + done, response->size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    shutdown(fd, SHUT_WR);
    close(fd);
}

} // namespace twins
