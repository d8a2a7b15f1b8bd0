// provider_twins: the default geo-location services as loopback HTTP servers, for runs of the add-in that
// must not reach the internet (the Linux and Wine runs that tools/windows.sh compares).
//
//   provider_twins --env-file F [--connect-to] [--ignore-stdin]
//
// Listens on 127.0.0.1 (ports chosen by the system), writes F with one VANTORA_ENDPOINT_<SUFFIX>=URL line
// per twin once all listen, and serves until its standard input ends (or, with --ignore-stdin, until it
// is signalled) or it gets SIGTERM, SIGINT or SIGHUP. Nothing is written to standard output.
// --connect-to also starts the network router (NetworkRouter.h) and adds VANTORA_CONNECT_TO=127.0.0.1:PORT
// to F, for the Linux build, where that mapping would otherwise send the twins' requests elsewhere too.
#include <httplib.h>

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "NetworkRouter.h"
#include "ProviderTwins.h"

namespace {

// The bounds of a server: a client can hold a worker for a few seconds at most, and while every worker
// is busy and the queue is full the server stops accepting (the kernel's backlog holds the rest).
constexpr size_t kWorkers = 8;
constexpr size_t kQueuedConnections = 64;
constexpr size_t kMaxBodyBytes = 1024; // the add-in sends GETs without a body
constexpr time_t kTimeoutSeconds = 5;

class BoundedPool : public httplib::TaskQueue {
public:
    BoundedPool()
    {
        for (size_t i = 0; i < kWorkers; ++i)
            m_threads.emplace_back([this] { Work(); });
    }
    void enqueue(std::function<void()> fn) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_space.wait(lock, [this] { return m_jobs.size() < kQueuedConnections || m_shutdown; });
        m_jobs.push_back(std::move(fn)); // after shutdown the workers still run what is queued, closing it
        m_ready.notify_one();
    }
    void shutdown() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_shutdown = true;
        }
        m_ready.notify_all();
        m_space.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

private:
    void Work()
    {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_jobs.empty() || m_shutdown; });
                if (m_jobs.empty())
                    return;
                fn = std::move(m_jobs.front());
                m_jobs.pop_front();
                m_space.notify_one();
            }
            fn();
        }
    }
    std::mutex m_mutex;
    std::condition_variable m_ready, m_space;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    bool m_shutdown = false;
};

struct Twin {
    twins::ServiceInfo info;
    httplib::Server server;
    std::thread thread;
    int port = -1;
};

bool Start(Twin& twin)
{
    httplib::Server& s = twin.server;
    s.new_task_queue = [] { return new BoundedPool; };
    s.set_payload_max_length(kMaxBodyBytes);
    s.set_read_timeout(kTimeoutSeconds, 0);
    s.set_write_timeout(kTimeoutSeconds, 0);
    s.set_keep_alive_timeout(1); // also how long a stop waits for an idle connection
    s.set_keep_alive_max_count(100);
    twins::Service service = twin.info.service;
    s.Get(".*", [service](const httplib::Request& request, httplib::Response& response) {
        twins::TwinAnswer answer = twins::Answer(service, request.target);
        response.status = answer.status;
        response.set_content(answer.body, answer.contentType.c_str());
    });
    twin.port = s.bind_to_any_port("127.0.0.1");
    if (twin.port <= 0)
        return false;
    twin.thread = std::thread([&s] { s.listen_after_bind(); });
    for (int i = 0; i < 400 && !s.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return s.is_running();
}

// Written beside its final name and renamed, so that a reader never sees half a file.
bool WriteEnvFile(const std::string& path, const std::string& text)
{
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = fchmod(fd, 0644) == 0;
    for (size_t done = 0; ok && done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? size_t(n) : 0;
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0)
        return true;
    unlink(temp.c_str());
    return false;
}

// Until standard input ends (unless ignored) or a stop signal arrives.
void WaitForEnd(bool watchStdin, int signals)
{
    for (;;) {
        pollfd fds[2] = {{signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        int n = poll(fds, watchStdin ? 2 : 1, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[0].revents & POLLIN))
            return;
        if (watchStdin && fds[1].revents) {
            char buffer[4096];
            ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                return;
        }
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: provider_twins --env-file FILE [--connect-to] [--ignore-stdin]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string envFile;
    bool watchStdin = true;
    bool connectTo = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--env-file" && i + 1 < argc && *argv[i + 1])
            envFile = argv[++i];
        else if (arg == "--ignore-stdin")
            watchStdin = false;
        else if (arg == "--connect-to")
            connectTo = true;
        else
            return Usage();
    }
    if (envFile.empty())
        return Usage();

    // The stop signals are taken from a descriptor; the servers' threads inherit the blocked mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
    int signals = signalfd(-1, &stop, SFD_CLOEXEC);
    if (signals < 0) {
        std::fprintf(stderr, "provider_twins: signalfd: %s\n", std::strerror(errno));
        return 1;
    }

    std::vector<std::unique_ptr<Twin>> servers;
    std::string env;
    int status = 0;
    for (const twins::ServiceInfo& info : twins::Services()) {
        servers.push_back(std::make_unique<Twin>());
        Twin& twin = *servers.back();
        twin.info = info;
        if (!Start(twin)) {
            std::fprintf(stderr, "provider_twins: cannot listen on 127.0.0.1 for %s\n", info.suffix);
            status = 1;
            break;
        }
        env += std::string("VANTORA_ENDPOINT_") + info.suffix + "=http://127.0.0.1:" + std::to_string(twin.port) + "\n";
    }
    std::unique_ptr<twins::NetworkRouter> router;
    if (status == 0 && connectTo) {
        std::map<int, twins::Service> ports;
        for (const auto& twin : servers)
            ports[twin->port] = twin->info.service;
        router = std::make_unique<twins::NetworkRouter>(ports);
        int port = router->Start();
        if (port > 0) {
            env += "VANTORA_CONNECT_TO=127.0.0.1:" + std::to_string(port) + "\n";
        } else {
            std::fprintf(stderr, "provider_twins: cannot listen on 127.0.0.1 for the network router\n");
            status = 1;
        }
    }
    if (status == 0 && !WriteEnvFile(envFile, env)) {
        std::fprintf(stderr, "provider_twins: cannot write %s: %s\n", envFile.c_str(), std::strerror(errno));
        status = 1;
    }
    if (status == 0)
        WaitForEnd(watchStdin, signals);

    if (router)
        router->Stop();
    for (auto& twin : servers) {
        twin->server.stop();
        if (twin->thread.joinable())
            twin->thread.join();
    }
    close(signals);
    return status;
}
