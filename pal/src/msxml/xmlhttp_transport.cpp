// libcurl's multi interface on the PAL message loop (socket watches and one loop timeout).
#include "msxml/xmlhttp_transport.h"

#include <set>

#include "pal/loop.h"

namespace pal::http {

namespace {

struct Multi {
    CURLM* handle = nullptr;
    CURLSH* share = nullptr; // TLS sessions, so that a new connection to a server resumes its session
    UINT_PTR timeout = 0;
    std::set<CURL*> running;
    bool resumePosted = false; // finished transfers are left in libcurl's queue for a posted resume
};

Multi& TheMulti();

// Hands each finished transfer to its owner, oldest first. Once a timer is due the rest stays in
// libcurl's queue (which forgets a handle removed meanwhile) and is read by posted work after the timer.
void ReadFinished(Multi& m)
{
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(m.handle, &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        CURL* easy = msg->easy_handle;
        CURLcode result = msg->data.result;
        Transfer* owner = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, reinterpret_cast<char**>(&owner));
        curl_multi_remove_handle(m.handle, easy);
        m.running.erase(easy);
        if (owner)
            owner->OnTransferDone(result);
        if (left > 0 && TimerDue()) {
            if (!m.resumePosted) {
                m.resumePosted = true;
                PostToLoop([] {
                    Multi& multi = TheMulti();
                    multi.resumePosted = false;
                    ReadFinished(multi);
                });
            }
            return;
        }
    }
}

void Act(curl_socket_t fd, int flags)
{
    Multi& m = TheMulti();
    int running = 0;
    curl_multi_socket_action(m.handle, fd, flags, &running);
    ReadFinished(m);
}

int OnSocket(CURL*, curl_socket_t fd, int what, void*, void*)
{
    int events = 0;
    if (what == CURL_POLL_IN || what == CURL_POLL_INOUT)
        events |= LOOP_READ;
    if (what == CURL_POLL_OUT || what == CURL_POLL_INOUT)
        events |= LOOP_WRITE;
    if (what == CURL_POLL_REMOVE || events == 0) {
        WatchSocket(fd, 0, nullptr);
        return 0;
    }
    WatchSocket(fd, events, [](int s, int revents) {
        int flags = 0;
        if (revents & LOOP_READ)
            flags |= CURL_CSELECT_IN;
        if (revents & LOOP_WRITE)
            flags |= CURL_CSELECT_OUT;
        if (revents & LOOP_ERROR)
            flags |= CURL_CSELECT_ERR;
        Act(s, flags);
    });
    return 0;
}

int OnTimer(CURLM*, long timeoutMs, void*)
{
    Multi& m = TheMulti();
    if (m.timeout) {
        CancelLoopTimeout(m.timeout);
        m.timeout = 0;
    }
    if (timeoutMs >= 0) {
        m.timeout = SetLoopTimeout(DWORD(timeoutMs), [] {
            TheMulti().timeout = 0;
            Act(CURL_SOCKET_TIMEOUT, 0);
        });
    }
    return 0;
}

// Never destroyed: request objects released at process exit still stop their transfers.
Multi& TheMulti()
{
    static Multi* m = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        auto* multi = new Multi;
        multi->handle = curl_multi_init();
        curl_multi_setopt(multi->handle, CURLMOPT_SOCKETFUNCTION, OnSocket);
        curl_multi_setopt(multi->handle, CURLMOPT_TIMERFUNCTION, OnTimer);
        // As the Windows stack does: a few connections per server, the other requests wait their turn.
        curl_multi_setopt(multi->handle, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
        // Connections themselves stay in the multi handle's cache across request objects. One thread
        // uses the share, so it needs no lock functions.
        multi->share = curl_share_init();
        if (multi->share)
            curl_share_setopt(multi->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        return multi;
    }();
    return *m;
}

} // namespace

bool Start(CURL* easy, Transfer* owner)
{
    Multi& m = TheMulti();
    curl_easy_setopt(easy, CURLOPT_PRIVATE, static_cast<void*>(owner));
    if (m.share)
        curl_easy_setopt(easy, CURLOPT_SHARE, m.share);
    if (curl_multi_add_handle(m.handle, easy) != CURLM_OK)
        return false;
    m.running.insert(easy);
    return true;
}

void Stop(CURL* easy)
{
    Multi& m = TheMulti();
    if (m.running.erase(easy))
        curl_multi_remove_handle(m.handle, easy);
}

} // namespace pal::http
