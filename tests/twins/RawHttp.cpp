#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace twins_test {

std::string RawExchange(int port, const std::string& bytes)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return std::string();
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0 &&
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size())) {
        char buffer[8192];
        for (ssize_t n; (n = recv(fd, buffer, sizeof(buffer), 0)) > 0;)
            reply.append(buffer, size_t(n));
    }
    close(fd);
    return reply;
}

RawAnswer RawGet(int port, const std::string& target, const std::string& host)
{
    RawAnswer answer;
    std::string reply = RawExchange(port, "GET " + target + " HTTP/1.0\r\nHost: " +
                                              (host.empty() ? "127.0.0.1:" + std::to_string(port) : host) + "\r\n\r\n");
    size_t headEnd = reply.find("\r\n\r\n");
    if (reply.compare(0, 9, "HTTP/1.1 ") != 0 && reply.compare(0, 9, "HTTP/1.0 ") != 0)
        return answer;
    answer.status = std::stoi(reply.substr(9, 3));
    answer.body = headEnd == std::string::npos ? std::string() : reply.substr(headEnd + 4);
    return answer;
}

} // namespace twins_test
