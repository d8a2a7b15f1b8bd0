// The vantora program end to end, in this test's prefix: register the module, find and load it through
// the registry alone, unregister it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/Command.h"
#include "support/TestPrefix.h"

namespace {

using RunResult = testing_support::CommandResult;

std::string BinDir()
{
    const char* dir = std::getenv("VANTORA_BIN_DIR");
    return dir && *dir ? dir : VANTORA_BIN_DIR;
}

// Runs vantora with the arguments; standard error goes to the output too.
RunResult Vantora(const std::string& args)
{
    return testing_support::RunCommand("VANTORA_PREFIX='" + testing_support::Prefix() + "' '" + BinDir() +
                                       "/vantora' " + args + " 2>&1");
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove_all(testing_support::Prefix() + "/registry"); }
};

} // namespace

TEST_F(HostTest, RegisterFindsLoadsAndUnregistersTheModule)
{
    RunResult r = Vantora("addins");
    EXPECT_EQ(1, r.status) << r.out; // nothing registered yet
    EXPECT_NE(std::string::npos, r.out.find("No add-ins are registered")) << r.out;

    r = Vantora("register");
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("DllRegisterServer in ")) << r.out;

    r = Vantora("addins");
    ASSERT_EQ(0, r.status) << r.out;
    for (const char* expected : {"VantoraAddin.Connect\n", "FriendlyName:    Vantora Add-In",
                                 "LoadBehavior:    3 (load at start-up, loaded)", "CLSID:           {F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}",
                                 "VantoraAddin.so (loaded)", "ThreadingModel:  Apartment", "Class object:"})
        EXPECT_NE(std::string::npos, r.out.find(expected)) << expected << "\n" << r.out;

    r = Vantora("addins --json");
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ('[', r.out[0]) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"progId\": \"VantoraAddin.Connect\"")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"loaded\": true")) << r.out;

    r = Vantora("unregister");
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(1, Vantora("addins").status);
}

TEST_F(HostTest, PerUserRegistrationIsFoundThroughTheMergedClasses)
{
    ASSERT_EQ(0, Vantora("register --user").status);
    std::string user = testing_support::ReadFile(testing_support::Prefix() + "/registry/HKCU.reg");
    EXPECT_NE(std::string::npos, user.find("[HKEY_CURRENT_USER\\Software\\Classes\\VantoraAddin.Connect.1\\CLSID]"));
    RunResult r = Vantora("addins");
    EXPECT_EQ(0, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("(loaded)")) << r.out;
    ASSERT_EQ(0, Vantora("unregister --user").status);
    EXPECT_EQ(1, Vantora("addins").status);
}

TEST_F(HostTest, BrokenRegistrationsFailWithAReason)
{
    EXPECT_EQ(3, Vantora("register /nonexistent/VantoraAddin.so").status);
    EXPECT_EQ(1, Vantora("register --bogus").status);
    EXPECT_EQ(2, Vantora("no-such-command").status);

    // An add-in key whose ProgID leads nowhere, and one whose module is gone.
    testing_support::WriteFile(testing_support::Prefix() + "/registry/HKLM.reg",
                               "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\Outlook\\Addins\\Ghost.Connect]\n"
                               "\"LoadBehavior\"=dword:00000003\n\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\Outlook\\Addins\\Gone.Connect]\n"
                               "\"LoadBehavior\"=dword:00000003\n\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Gone.Connect\\CLSID]\n"
                               "@=\"{11111111-2222-3333-4444-555555555555}\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32]\n"
                               "@=\"Z:\\\\nowhere\\\\Gone.so\"\n");
    RunResult r = Vantora("addins");
    EXPECT_EQ(1, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("the ProgID Ghost.Connect is not registered")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("the module Z:\\nowhere\\Gone.so cannot be loaded")) << r.out;

    testing_support::WriteFile(testing_support::Prefix() + "/registry/HKLM.reg", "garbage\n");
    r = Vantora("addins");
    EXPECT_EQ(1, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("malformed")) << r.out;
}
