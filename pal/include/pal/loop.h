// Vantora platform layer: the single-thread message loop, for the host, the tests and the layer itself.
// The add-in never includes this header: it sees the loop only through SetTimer/KillTimer and the
// asynchronous COM objects that the loop drives.
#pragma once

#pragma GCC visibility push(default)

#include <functional>

#include "pal/types.h"

namespace pal {

// Pumps until done() holds or timeoutMs has passed on the loop clock (one round at least, unless done()
// holds at once); returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps for the given time on the loop clock; PumpFor(0) runs what is due now, once.
void PumpFor(DWORD ms);

// A timer or layer timeout is due: work that handles a batch (transfer completions) stops and posts the
// rest, so that the timer runs first.
bool TimerDue();

// Work to run on the loop. Safe to call from any thread; wakes a waiting loop.
void PostToLoop(std::function<void()> work);

// One-shot timer of the layer itself (not a Win32 timer); the id is never 0.
UINT_PTR SetLoopTimeout(DWORD ms, std::function<void()> fn);
void CancelLoopTimeout(UINT_PTR id);

// Sockets the loop polls for the layer's network objects. events: LOOP_READ | LOOP_WRITE; 0 stops watching.
enum : int { LOOP_READ = 1, LOOP_WRITE = 2, LOOP_ERROR = 4 };
void WatchSocket(int fd, int events, std::function<void(int fd, int revents)> fn);


// Number of live Win32 timers (tests).
size_t ActiveTimerCount();

// The controllable clock: moves GetTickCount64 (and so every loop timer) forward without waiting.
void AdvanceClock(DWORD ms);

} // namespace pal

#pragma GCC visibility pop
