// Runs a program of the build as a shell command line and collects what it printed, for the tests of the
// command-line tools (vantora, windres).
#pragma once

#include <string>

namespace testing_support {

struct CommandResult {
    int status = -1;        // the exit status; -1 when the command did not exit normally
    bool signalled = false; // it ended by a signal (a crash)
    std::string out;        // its standard output (and whatever the command line redirects there)
};

CommandResult RunCommand(const std::string& commandLine);

// The end of a command's output, where a crash report is: a failure's message shows it, since logs of
// long outputs keep their start.
std::string Tail(const std::string& out, size_t bytes = 3000);

} // namespace testing_support
