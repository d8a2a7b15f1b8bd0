// A loopback HTTP server (cpp-httplib on 127.0.0.1, a free port) for the request and provider tests.
// Handlers describe the answer; the server sends it, also huge, slow or never-ending ones.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct HttpCall {
    std::string target; // path and query as sent
    std::string path;
    std::map<std::string, std::string> headers; // names in lower case
};

struct HttpReply {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    size_t hugeBytes = 0;  // stream this many bytes of 'x' instead of body
    bool hang = false;     // send nothing until the server is released or destroyed
    bool hangMidBody = false; // send the body's first half, then stall
    bool chunked = false;  // send body (or hugeBytes) chunked, without a declared length
};

using HttpHandler = std::function<HttpReply(const HttpCall&)>;

class LoopbackServer {
public:
    // address: any loopback address (127.0.0.0/8), so that tests have several distinct hosts.
    explicit LoopbackServer(HttpHandler handler, const std::string& address = "127.0.0.1");
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "http://<address>:<port>"
    std::string Base() const;
    std::string Url(const std::string& target) const { return Base() + target; }
    int Port() const { return m_port; }

    std::vector<HttpCall> Calls() const;
    size_t CallCount() const;
    // Lets hanging answers end (they also end when the server is destroyed).
    void ReleaseHangs();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    int m_port = 0;
    std::string m_address;
};

} // namespace testing_support
