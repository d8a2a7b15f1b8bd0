// vantora show as a program: its arguments, and the add-in it cannot find before registration.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/Command.h"
#include "support/TestPrefix.h"

namespace {

using CommandRun = testing_support::CommandResult;

CommandRun Vantora(const std::string& arguments, bool withErrors = true)
{
    return testing_support::RunCommand(std::string(VANTORA_BIN_DIR) + "/vantora " + arguments +
                                       (withErrors ? " 2>&1" : " 2>/dev/null"));
}

CommandRun Show(const std::string& arguments, bool withErrors = true) { return Vantora("show " + arguments, withErrors); }

std::string Corpus(const std::string& name) { return "'" + std::string(VANTORA_CORPUS_DIR) + "/msg/" + name + "'"; }

bool Exists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

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

// The add-in found through its registration and loaded from another module, as --module does.
TEST(ShowCommand, ShowsEachMessageOnceTheAddinsTimerHasStopped)
{
    CommandRun registration = Vantora("register");
    ASSERT_EQ(registration.status, 0) << registration.out;
    std::string files = Corpus("Simple.msg") + " /nonexistent/mail.eml " + Corpus("Appointment sample EST.msg");
    CommandRun run = Show("--module " FAKE_SHOW_ADDIN " --wait 20 " + files);
    EXPECT_EQ(run.status, 1) << "an unreadable file: " << run.out;
    EXPECT_NE(run.out.find("vantora show: /nonexistent/mail.eml"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Simple.msg\n  tab \"Info\" (1000)\n    Content [1071]\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"Done\""), std::string::npos) << "the label the timer set: " << run.out;
    EXPECT_NE(run.out.find("super tip: No warnings\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Appointment sample EST.msg\n  tab hidden\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("outstanding"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("DllCanUnloadNow"), std::string::npos) << "every object was released: " << run.out;

    std::string png = testing_support::Prefix() + "/ribbon.png";
    run = Show("--json --png " + png + " --module " FAKE_SHOW_ADDIN " " + Corpus("Simple.msg") + " " +
               Corpus("Appointment sample EST.msg"), false);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.rfind("[\n  {\n    \"file\": ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\"label\": \"Done\""), std::string::npos) << run.out;
    EXPECT_TRUE(Exists(png));
    EXPECT_TRUE(Exists(testing_support::Prefix() + "/ribbon-2.png"));
}

// The fake add-in's status button asks with a message box; --answer answers it, in JSON it is listed.
TEST(ShowCommand, MessageBoxesAreAnsweredInTurnAndBadScriptsAreUsageErrors)
{
    CommandRun registration = Vantora("register");
    ASSERT_EQ(registration.status, 0) << registration.out;
    std::string mail = " " + Corpus("Simple.msg");
    CommandRun run = Show("--module " FAKE_SHOW_ADDIN " --press 1076 --answer IDNO --json" + mail, false);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("[question]"), std::string::npos) << "nothing but the JSON on stdout: " << run.out;
    EXPECT_NE(run.out.find("\"label\": \"Not marked\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("    \"dialogs\": [],\n    \"messageBoxes\": [\n      {\"text\": \"Mark the message as "
                           "checked?\", \"caption\": \"Fake\", \"icon\": \"question\", \"answer\": \"IDNO\"}\n    ]\n  }"),
              std::string::npos)
        << run.out;

    run = Show("--module " FAKE_SHOW_ADDIN " --press 1076 --press 1076 --answer 7" + mail);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("[question] Fake: Mark the message as checked?\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"Marked\""), std::string::npos) << "the second box got its first button: " << run.out;

    run = Show("--module " FAKE_SHOW_ADDIN " --press 1076 --answer IDCANCEL" + mail);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("message box 1: cannot answer IDCANCEL (no such button); answered IDYES"), std::string::npos)
        << run.out;

    for (const char* args : {"--dialog frob=1", "--dialog click", "--dialog 'type=5:a\\'", "--answer maybe",
                             "--answer 99"}) {
        run = Show(std::string(args) + mail);
        EXPECT_EQ(run.status, 2) << args << ": " << run.out;
        EXPECT_NE(run.out.find("usage: vantora show"), std::string::npos) << args << ": " << run.out;
    }
    run = Show("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("cell=ID:ROW:COL:left|right|double"), std::string::npos) << run.out;
}

} // namespace
