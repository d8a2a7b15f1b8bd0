// Vantora platform layer: the single-thread message loop, for the host, the tests and the layer itself.
// The add-in never includes this header: it sees the loop only through SetTimer/KillTimer and the
// asynchronous COM objects that the loop drives.
#pragma once

#include <functional>

#include "pal/types.h"

namespace pal {

// Runs what is due once: posted work, expired timers, ready sockets. Waits at most maxWaitMs for
// something to happen when nothing is due. Posted work and sockets stop early, after at least one item,
// once a timer is due (the rest runs in the next round, in order). Returns true when anything ran.
bool PumpOnce(DWORD maxWaitMs);
// Pumps until done() holds or timeoutMs has passed on the loop clock; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps for the given time on the loop clock.
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

// Timers set with a window and no procedure are handed here (the dialog engine owns windows).
void SetWindowTimerSink(std::function<void(HWND hwnd, UINT_PTR id)> sink);

// The controllable clock: moves GetTickCount64 (and so every loop timer) forward without waiting.
void AdvanceClock(DWORD ms);
// Number of live Win32 timers (tests).
size_t ActiveTimerCount();

} // namespace pal
