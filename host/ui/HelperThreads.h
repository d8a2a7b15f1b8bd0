// Waiting at exit for the helper threads of the libraries the host draws with (see below), for the
// program and for the test programs, which draw as it does.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace host {

// Pango finds the fonts of each new pattern on two threads of its own ("[pango] FcFontSetMatch" and
// "[pango] FcFontSetSort", names too long for GLib to set) and waits only for the one whose answer it
// needs; the other runs on after the text was drawn. One still ending when the program ends races the
// leak checker, whose thread tracer then dies with a signal after all output was written. They end by
// themselves, so the program waits (a bounded time) until no thread but this one is running, runnable
// or ending, on two looks in a row; threads that sleep, as the layer's resolver threads do while they
// wait for work, are no hazard.
inline bool OtherThreadsBusy()
{
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return false;
    const std::string self = std::to_string(getpid());
    bool busy = false;
    while (dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.' || task->d_name == self)
            continue;
        std::ifstream stat(std::string("/proc/self/task/") + task->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            continue; // gone meanwhile
        // "tid (name) state ...": the name may hold spaces and parentheses.
        size_t close = line.rfind(')');
        char state = close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 'R';
        if (state == 'R' || state == 'D' || state == 'Z' || state == 'X') {
            busy = true;
            break;
        }
    }
    closedir(tasks);
    return busy;
}

inline void WaitForHelperThreads()
{
    int quiet = 0;
    for (int waited = 0; waited < 3000 && quiet < 2; waited += 5) {
        quiet = OtherThreadsBusy() ? 0 : quiet + 1;
        if (quiet < 2)
            usleep(5000);
    }
}

// Ends the process once the helper threads are quiet, without the libraries' exit-time teardown: a
// helper thread that wakes late would find the static state it uses destroyed under it, which ends the
// program with a signal after all its output was written. Output is flushed first; a sanitizer build
// checks for leaks here, as it would at exit.
[[noreturn]] inline void EndProcess(int status)
{
    WaitForHelperThreads();
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    _exit(status);
}

} // namespace host
