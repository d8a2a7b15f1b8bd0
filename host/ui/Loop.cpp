#include "host/ui/Loop.h"

#ifdef _WIN32

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

namespace host {

namespace {

using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
using KillTimerFn = BOOL(WINAPI*)(HWND, UINT_PTR);

std::mutex g_lock;
std::set<std::pair<HWND, UINT_PTR>> g_timers;

UINT_PTR WINAPI CountedSetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    UINT_PTR made = SetTimer(window, id, elapse, proc);
    if (made) {
        std::lock_guard<std::mutex> guard(g_lock);
        // A window's timer is known by the id asked for; a thread timer by the id the system gave.
        g_timers.insert({window, window ? id : made});
    }
    return made;
}

BOOL WINAPI CountedKillTimer(HWND window, UINT_PTR id)
{
    BOOL killed = KillTimer(window, id);
    if (killed) {
        std::lock_guard<std::mutex> guard(g_lock);
        g_timers.erase({window, id});
    }
    return killed;
}

// Points the module's imported SetTimer and KillTimer at the counting ones.
void PatchImports(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), "user32.dll") != 0 || !d->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name = reinterpret_cast<const char*>(
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            ULONG_PTR target = 0;
            if (std::strcmp(name, "SetTimer") == 0)
                target = reinterpret_cast<ULONG_PTR>(&CountedSetTimer);
            else if (std::strcmp(name, "KillTimer") == 0)
                target = reinterpret_cast<ULONG_PTR>(&CountedKillTimer);
            else
                continue;
            DWORD old = 0;
            if (VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old)) {
                slots->u1.Function = target;
                VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            }
        }
    }
}

} // namespace

void WatchTimersOf(HMODULE addin)
{
    if (addin)
        PatchImports(addin);
}

size_t LiveTimerCount()
{
    std::lock_guard<std::mutex> guard(g_lock);
    // A destroyed window's timers went with it.
    for (auto it = g_timers.begin(); it != g_timers.end();)
        it = it->first && !IsWindow(it->first) ? g_timers.erase(it) : std::next(it);
    return g_timers.size();
}

namespace {

void DispatchWaiting()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    if (done())
        return true;
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        DispatchWaiting();
        if (done())
            return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        // Woken by any message, or at the latest every 50 ms to look at the condition again.
        DWORD wait = DWORD(std::min<ULONGLONG>(deadline - now, 50));
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

} // namespace host

#else

#include "pal/loop.h"

namespace host {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) { return pal::PumpUntil(done, timeoutMs); }
void PumpFor(DWORD ms) { pal::PumpFor(ms); }
size_t LiveTimerCount() { return pal::ActiveTimerCount(); }
void WatchTimersOf(HMODULE) {}

} // namespace host

#endif
