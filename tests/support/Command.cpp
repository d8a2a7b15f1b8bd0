// RunCommand through popen: the shell runs the command line, and the exit status is decoded from pclose.
#include "support/Command.h"

#include <sys/wait.h>

#include <cstdio>

namespace testing_support {

CommandResult RunCommand(const std::string& commandLine)
{
    CommandResult run;
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (!pipe)
        return run;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0)
        run.out.append(buf, n);
    int status = pclose(pipe);
    run.signalled = WIFSIGNALED(status);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Tail(const std::string& out, size_t bytes)
{
    if (out.size() <= bytes)
        return out;
    return "[... " + std::to_string(out.size() - bytes) + " bytes before ...]" + out.substr(out.size() - bytes);
}

} // namespace testing_support
