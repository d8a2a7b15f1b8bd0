// The host's message loop: the thread's messages dispatched (the add-in's timers and its asynchronous
// requests complete through them) until a condition holds or time runs out, and the add-in's live timers,
// whose end tells the host that the add-in is done with a message.
#pragma once

#include <functional>

#include <windows.h>

namespace host {

// Pumps until done() holds or timeoutMs has passed (one round at least, unless done() holds at once);
// returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps for the given time; PumpFor(0) runs what is due now, once.
void PumpFor(DWORD ms);

// Timers of the loaded add-in alive now. On Windows the module's calls of SetTimer and KillTimer are
// counted once WatchTimersOf has seen it (the system has no way to list a thread's timers).
size_t LiveTimerCount();
void WatchTimersOf(HMODULE addin);

} // namespace host
