// The message loop of the add-in's one thread: posted work, timers and the sockets of the layer's network
// objects, dispatched in that order by each round. Nested rounds (modal dialogs, tests that pump from a
// callback) are allowed: every list is re-read after each callback, so a callback may add or remove
// entries, including its own. A round ends early once a timer is due, so that a burst of completions or
// a fast stream cannot hold a timer back for longer than one item; what is left waits for the next round,
// in the same order.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "pal/errors.h"
#include "pal/kernel32.h"
#include "pal/loop.h"
#include "pal/user32.h"
#include "user32/window.h"

namespace pal {
// Added by GetTickCount64: the test clock's advance.
std::atomic<long long> g_tickOffsetMs{0};
} // namespace pal

namespace {

struct Timer {
    DWORD interval = 0;
    ULONGLONG due = 0;
    TIMERPROC proc = nullptr;
};

struct Timeout {
    ULONGLONG due = 0;
    std::function<void()> fn;
};

struct Watch {
    int events = 0;
    std::function<void(int, int)> fn;
};

struct Loop {
    std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
    UINT_PTR nextTimerId = 1;
    std::map<UINT_PTR, Timeout> timeouts;
    UINT_PTR nextTimeoutId = 1;
    std::map<int, Watch> sockets;
    int lastSocket = -1; // served last: the next round starts after it, so no socket starves the others

    std::mutex postLock;
    std::deque<std::function<void()>> posted;
    int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
};

// Never destroyed: objects released during process exit may still cancel their timers.
Loop& TheLoop()
{
    static Loop* loop = new Loop;
    return *loop;
}

constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

ULONGLONG NextDue(const Loop& loop)
{
    ULONGLONG next = ~0ULL;
    for (const auto& [key, timer] : loop.timers)
        next = std::min(next, timer.due);
    for (const auto& [id, timeout] : loop.timeouts)
        next = std::min(next, timeout.due);
    return next;
}

// Runs the work queued before this round, oldest first; one item at a time, so that a nested round
// started by an item keeps the order. Stops after an item when a timer has become due.
bool RunPosted(Loop& loop)
{
    size_t count;
    {
        std::lock_guard<std::mutex> guard(loop.postLock);
        count = loop.posted.size();
    }
    size_t ran = 0;
    while (ran < count) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> guard(loop.postLock);
            if (loop.posted.empty())
                break; // a nested round took the rest
            fn = std::move(loop.posted.front());
            loop.posted.pop_front();
        }
        fn();
        ++ran;
        if (NextDue(loop) <= GetTickCount64())
            break; // the timer goes first; the rest keeps its place
    }
    return ran > 0;
}

bool RunTimers(Loop& loop)
{
    bool ran = false;
    ULONGLONG now = GetTickCount64();
    std::vector<std::pair<HWND, UINT_PTR>> due;
    for (const auto& [key, timer] : loop.timers)
        if (timer.due <= now)
            due.push_back(key);
    for (const auto& key : due) {
        auto it = loop.timers.find(key);
        if (it == loop.timers.end() || it->second.due > now)
            continue; // killed or re-set by an earlier callback
        it->second.due = now + it->second.interval;
        TIMERPROC proc = it->second.proc;
        ran = true;
        if (proc)
            proc(key.first, WM_TIMER, key.second, DWORD(now));
        else if (key.first) // a window's timer without a procedure: WM_TIMER to the window
            SendMessageW(key.first, WM_TIMER, key.second, 0);
    }
    std::vector<UINT_PTR> dueTimeouts;
    for (const auto& [id, timeout] : loop.timeouts)
        if (timeout.due <= now)
            dueTimeouts.push_back(id);
    for (UINT_PTR id : dueTimeouts) {
        auto it = loop.timeouts.find(id);
        if (it == loop.timeouts.end())
            continue;
        std::function<void()> fn = std::move(it->second.fn);
        loop.timeouts.erase(it);
        ran = true;
        fn();
    }
    return ran;
}

bool PollSockets(Loop& loop, DWORD waitMs)
{
    std::vector<pollfd> fds;
    if (loop.wakeFd >= 0)
        fds.push_back({loop.wakeFd, POLLIN, 0});
    for (const auto& [fd, watch] : loop.sockets) {
        short events = 0;
        if (watch.events & pal::LOOP_READ)
            events |= POLLIN;
        if (watch.events & pal::LOOP_WRITE)
            events |= POLLOUT;
        fds.push_back({fd, events, 0});
    }
    int n = poll(fds.data(), fds.size(), int(std::min<DWORD>(waitMs, 0x7FFFFFFF)));
    if (n <= 0)
        return false;
    // Ready sockets after the one served last come first; the others wait for a due timer's turn.
    std::vector<pollfd> ready;
    for (const pollfd& p : fds) {
        if (!p.revents)
            continue;
        if (p.fd == loop.wakeFd) {
            uint64_t count;
            while (read(loop.wakeFd, &count, sizeof count) > 0) {
            }
            continue;
        }
        ready.push_back(p);
    }
    std::stable_partition(ready.begin(), ready.end(), [&](const pollfd& p) { return p.fd > loop.lastSocket; });
    bool ran = false;
    for (const pollfd& p : ready) {
        if (ran && NextDue(loop) <= GetTickCount64())
            break; // still ready at the next poll
        auto it = loop.sockets.find(p.fd);
        if (it == loop.sockets.end())
            continue; // removed by an earlier callback of this round
        int revents = 0;
        if (p.revents & (POLLIN | POLLHUP))
            revents |= pal::LOOP_READ;
        if (p.revents & POLLOUT)
            revents |= pal::LOOP_WRITE;
        if (p.revents & (POLLERR | POLLNVAL))
            revents |= pal::LOOP_ERROR;
        auto fn = it->second.fn; // the callback may stop watching its own socket
        ran = true;
        loop.lastSocket = p.fd;
        fn(p.fd, revents);
    }
    return ran;
}

// Runs what is due once: posted work, expired timers, ready sockets. Waits at most maxWaitMs for
// something to happen when nothing is due. Posted work and sockets stop early, after at least one item,
// once a timer is due (the rest runs in the next round, in order). Returns true when anything ran.
bool PumpOnce(DWORD maxWaitMs)
{
    Loop& loop = TheLoop();
    bool ran = RunPosted(loop);
    ran = RunTimers(loop) || ran;
    DWORD wait = 0;
    if (!ran) {
        ULONGLONG now = GetTickCount64();
        ULONGLONG next = NextDue(loop);
        wait = next <= now ? 0 : DWORD(std::min<ULONGLONG>(maxWaitMs, next - now));
        std::lock_guard<std::mutex> guard(loop.postLock);
        if (!loop.posted.empty())
            wait = 0;
    }
    return PollSockets(loop, wait) || ran;
}

} // namespace

bool pal::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    // One round at least, so that a zero time-out runs what is due now.
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        ULONGLONG now = GetTickCount64();
        PumpOnce(DWORD(std::min<ULONGLONG>(deadline > now ? deadline - now : 0, 50)));
        if (GetTickCount64() >= deadline)
            break;
    }
    return done();
}

bool pal::TimerDue()
{
    const Loop& loop = TheLoop();
    return NextDue(loop) <= GetTickCount64();
}

void pal::PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

void pal::PostToLoop(std::function<void()> work)
{
    Loop& loop = TheLoop();
    {
        std::lock_guard<std::mutex> guard(loop.postLock);
        loop.posted.push_back(std::move(work));
    }
    uint64_t one = 1;
    if (loop.wakeFd >= 0 && write(loop.wakeFd, &one, sizeof one) < 0) {
        // The counter is already non-zero: the loop wakes anyway.
    }
}

UINT_PTR pal::SetLoopTimeout(DWORD ms, std::function<void()> fn)
{
    Loop& loop = TheLoop();
    UINT_PTR id = loop.nextTimeoutId++;
    loop.timeouts[id] = Timeout{GetTickCount64() + ms, std::move(fn)};
    return id;
}

void pal::CancelLoopTimeout(UINT_PTR id)
{
    TheLoop().timeouts.erase(id);
}

void pal::WatchSocket(int fd, int events, std::function<void(int, int)> fn)
{
    Loop& loop = TheLoop();
    if (events == 0 || !fn)
        loop.sockets.erase(fd);
    else
        loop.sockets[fd] = Watch{events, std::move(fn)};
}


size_t pal::ActiveTimerCount()
{
    return TheLoop().timers.size();
}

void pal::AdvanceClock(DWORD ms)
{
    g_tickOffsetMs += ms;
}


extern "C" UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    Loop& loop = TheLoop();
    uElapse = std::clamp(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    UINT_PTR id = nIDEvent;
    if (!hWnd && (id == 0 || !loop.timers.count({nullptr, id}))) {
        // A thread timer gets an id of its own unless it replaces one of this thread's timers.
        do {
            id = loop.nextTimerId++;
        } while (id == 0 || loop.timers.count({nullptr, id}));
    }
    loop.timers[{hWnd, id}] = Timer{uElapse, GetTickCount64() + uElapse, lpTimerFunc};
    return hWnd && id == 0 ? 1 : id;
}

void pal::KillWindowTimers(HWND hWnd)
{
    auto& timers = TheLoop().timers;
    for (auto it = timers.begin(); it != timers.end();)
        it = it->first.first == hWnd ? timers.erase(it) : std::next(it);
}

extern "C" BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    if (TheLoop().timers.erase({hWnd, uIDEvent}))
        return TRUE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
