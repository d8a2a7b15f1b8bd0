// cpp-httplib behind the LoopbackServer interface, so that only this file compiles the library's header.
#include "support/LoopbackServer.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <thread>

namespace testing_support {

struct LoopbackServer::Impl {
    httplib::Server server;
    std::thread thread;
    HttpHandler handler;
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
};

LoopbackServer::LoopbackServer(HttpHandler handler, const std::string& address)
    : m_impl(std::make_unique<Impl>()), m_address(address)
{
    Impl* impl = m_impl.get();
    impl->handler = std::move(handler);
    impl->server.set_keep_alive_max_count(1); // no idle connection delays the stop
    // Enough workers for concurrent clients and hanging answers (the default is one per spare core).
    impl->server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    impl->server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
        HttpCall call;
        call.target = req.target;
        call.path = req.path;
        for (const auto& [name, value] : req.headers) {
            std::string lower = name;
            for (char& c : lower)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            call.headers[lower] = value;
        }
        {
            std::lock_guard<std::mutex> guard(impl->lock);
            impl->calls.push_back(call);
        }
        HttpReply reply = impl->handler(call);
        if (reply.hang) {
            impl->WaitRelease();
            res.status = 500;
            return;
        }
        res.status = reply.status;
        for (const auto& [name, value] : reply.headers)
            res.set_header(name, value);
        if (reply.chunked) {
            std::string body = reply.body;
            size_t huge = reply.hugeBytes;
            res.set_chunked_content_provider(reply.contentType, [body, huge, sent = size_t(0)](
                                                                     size_t, httplib::DataSink& sink) mutable {
                static const std::string chunk(64 * 1024, 'x');
                if (!huge) {
                    sink.write(body.data(), body.size());
                } else if (sent < huge) {
                    size_t n = std::min(huge - sent, chunk.size());
                    sent += n;
                    return sink.write(chunk.data(), n);
                }
                sink.done();
                return true;
            });
        } else if (reply.hugeBytes) {
            size_t total = reply.hugeBytes;
            res.set_content_provider(total, "text/plain", [](size_t offset, size_t length, httplib::DataSink& sink) {
                static const std::string chunk(64 * 1024, 'x');
                (void)offset;
                return sink.write(chunk.data(), std::min(length, chunk.size()));
            });
        } else if (reply.hangMidBody) {
            std::string body = reply.body;
            res.set_content_provider(body.size(), reply.contentType,
                                     [impl, body](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0)
                                             return sink.write(body.data(), body.size() / 2);
                                         impl->WaitRelease();
                                         return false;
                                     });
        } else {
            res.set_content(reply.body, reply.contentType.c_str());
        }
    });
    m_port = impl->server.bind_to_any_port(m_address);
    impl->thread = std::thread([impl] { impl->server.listen_after_bind(); });
    for (int i = 0; i < 200 && !impl->server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

LoopbackServer::~LoopbackServer()
{
    ReleaseHangs();
    m_impl->server.stop();
    if (m_impl->thread.joinable())
        m_impl->thread.join();
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
