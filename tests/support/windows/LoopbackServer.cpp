// The loopback HTTP server of the request tests for the test programmes built for Windows, over Windows
// sockets (Debian's cpp-httplib is a Linux library): the same answers as tests/support/LoopbackServer.cpp
// gives, one request per connection, each connection on a thread of its own.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/LoopbackServer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <thread>

namespace testing_support {

namespace {

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

bool SendAll(SOCKET s, const char* data, size_t size)
{
    while (size > 0) {
        int n = send(s, data, int(std::min<size_t>(size, 1 << 20)), 0);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool SendAll(SOCKET s, const std::string& text) { return SendAll(s, text.data(), text.size()); }

// The request line and headers, at most 64 KiB of them; false when the client sent none.
bool ReadRequest(SOCKET s, HttpCall& call)
{
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > (64u << 10))
            return false;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        head.append(buf, size_t(n));
    }
    size_t lineEnd = head.find("\r\n");
    std::string line = head.substr(0, lineEnd);
    size_t first = line.find(' '), second = line.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return false;
    call.target = line.substr(first + 1, second - first - 1);
    call.path = call.target.substr(0, call.target.find('?'));
    size_t pos = lineEnd + 2;
    for (;;) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos || end == pos)
            break;
        std::string header = head.substr(pos, end - pos);
        size_t colon = header.find(':');
        if (colon != std::string::npos) {
            std::string name = header.substr(0, colon);
            for (char& c : name)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            size_t value = header.find_first_not_of(' ', colon + 1);
            call.headers[name] = value == std::string::npos ? std::string() : header.substr(value);
        }
        pos = end + 2;
    }
    return true;
}

} // namespace

struct LoopbackServer::Impl {
    HttpHandler handler;
    SOCKET listener = INVALID_SOCKET;
    std::thread acceptor;
    std::vector<std::thread> connections;
    mutable std::mutex lock;
    std::condition_variable released;
    bool release = false;
    std::vector<HttpCall> calls;

    // Waits at most 20 s, so that a forgotten release cannot hang a test run.
    void WaitRelease()
    {
        std::unique_lock<std::mutex> guard(lock);
        released.wait_for(guard, std::chrono::seconds(20), [this] { return release; });
    }

    void Serve(SOCKET s)
    {
        HttpCall call;
        if (ReadRequest(s, call)) {
            {
                std::lock_guard<std::mutex> guard(lock);
                calls.push_back(call);
            }
            Answer(s, handler(call));
        }
        shutdown(s, SD_BOTH);
        closesocket(s);
    }

    void Answer(SOCKET s, const HttpReply& reply)
    {
        if (reply.hang) {
            WaitRelease();
            SendAll(s, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
        for (const auto& [name, value] : reply.headers)
            head += name + ": " + value + "\r\n";
        head += "Content-Type: " + (reply.hugeBytes && !reply.chunked ? "text/plain" : reply.contentType) + "\r\n";
        head += "Connection: close\r\n";
        static const std::string chunk(64 * 1024, 'x');
        if (reply.chunked) {
            if (!SendAll(s, head + "Transfer-Encoding: chunked\r\n\r\n"))
                return;
            auto sendChunk = [s](const char* data, size_t size) {
                char length[32];
                std::snprintf(length, sizeof length, "%zx\r\n", size);
                return SendAll(s, length) && SendAll(s, data, size) && SendAll(s, "\r\n");
            };
            if (!reply.hugeBytes) {
                if (!reply.body.empty() && !sendChunk(reply.body.data(), reply.body.size()))
                    return;
            } else {
                for (size_t sent = 0; sent < reply.hugeBytes;) {
                    size_t n = std::min(reply.hugeBytes - sent, chunk.size());
                    if (!sendChunk(chunk.data(), n))
                        return;
                    sent += n;
                }
            }
            SendAll(s, "0\r\n\r\n");
        } else if (reply.hugeBytes) {
            if (!SendAll(s, head + "Content-Length: " + std::to_string(reply.hugeBytes) + "\r\n\r\n"))
                return;
            for (size_t sent = 0; sent < reply.hugeBytes;) {
                size_t n = std::min(reply.hugeBytes - sent, chunk.size());
                if (!SendAll(s, chunk.data(), n))
                    return;
                sent += n;
            }
        } else if (reply.hangMidBody) {
            head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
            if (SendAll(s, head) && SendAll(s, reply.body.data(), reply.body.size() / 2))
                WaitRelease();
        } else {
            SendAll(s, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" + reply.body);
        }
    }
};

LoopbackServer::LoopbackServer(HttpHandler handler, const std::string& address)
    : m_impl(std::make_unique<Impl>()), m_address(address)
{
    Impl* impl = m_impl.get();
    impl->handler = std::move(handler);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    impl->listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &bound.sin_addr);
    int size = sizeof bound;
    if (impl->listener == INVALID_SOCKET || bind(impl->listener, reinterpret_cast<sockaddr*>(&bound), size) != 0 ||
        listen(impl->listener, 64) != 0 || getsockname(impl->listener, reinterpret_cast<sockaddr*>(&bound), &size))
        return;
    m_port = ntohs(bound.sin_port);
    impl->acceptor = std::thread([impl] {
        // Ends when the destructor closes the listening socket.
        for (;;) {
            SOCKET s = accept(impl->listener, nullptr, nullptr);
            if (s == INVALID_SOCKET)
                return;
            // A client that stalls cannot keep the destructor waiting for long.
            DWORD timeoutMs = 20000;
            setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
            setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
            std::lock_guard<std::mutex> guard(impl->lock);
            impl->connections.emplace_back([impl, s] { impl->Serve(s); });
        }
    });
}

LoopbackServer::~LoopbackServer()
{
    ReleaseHangs();
    if (m_impl->listener != INVALID_SOCKET)
        closesocket(m_impl->listener);
    if (m_impl->acceptor.joinable())
        m_impl->acceptor.join();
    for (std::thread& t : m_impl->connections)
        t.join();
    WSACleanup();
}

std::string LoopbackServer::Base() const { return "http://" + m_address + ":" + std::to_string(m_port); }

std::vector<HttpCall> LoopbackServer::Calls() const
{
    std::lock_guard<std::mutex> guard(m_impl->lock);
    return m_impl->calls;
}

size_t LoopbackServer::CallCount() const
{
    std::lock_guard<std::mutex> guard(m_impl->lock);
    return m_impl->calls.size();
}

void LoopbackServer::ReleaseHangs()
{
    {
        std::lock_guard<std::mutex> guard(m_impl->lock);
        m_impl->release = true;
    }
    m_impl->released.notify_all();
}

} // namespace testing_support
