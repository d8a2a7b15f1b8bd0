// vantora show as a program: its arguments, and the add-in it cannot find before registration.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct CommandRun {
    std::string out;
    int status = -1;
};

CommandRun Show(const std::string& arguments)
{
    std::string command = std::string(VANTORA_BIN_DIR) + "/vantora show " + arguments + " 2>&1";
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0)
        run.out.append(buf, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(ShowCommand, BadArgumentsAreUsageErrorsAndAnUnregisteredAddinIsReported)
{
    for (const char* args : {"", "--json", "--wait", "--wait soon mail.eml", "--wait -1 mail.eml", "--frobnicate mail.eml"}) {
        CommandRun run = Show(args);
        EXPECT_EQ(run.status, 2) << args << ": " << run.out;
        EXPECT_NE(run.out.find("usage: vantora show"), std::string::npos) << args << ": " << run.out;
    }
    // The test's prefix has no registration.
    CommandRun run = Show("--wait 0.1 mail.eml");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("vantora register"), std::string::npos) << run.out;
}

} // namespace
