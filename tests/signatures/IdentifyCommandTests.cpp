// vantora identify end to end: the real program on fixtures, one line per file or JSON, and a file that
// cannot be read reported while the others go on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/TestPrefix.h"

namespace {

struct CommandRun {
    std::string output;
    int status = -1;
};

CommandRun Identify(const std::string& arguments)
{
    std::string command = std::string(VANTORA_BIN_DIR) + "/vantora identify " + arguments + " 2>&1";
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0)
        run.output.append(buf, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Fixture(const std::string& p) { return "'" + testing_support::DataPath("files/" + p) + "'"; }

} // namespace

TEST(IdentifyCommand, OneLinePerFileWithContainedFilesBelow)
{
    CommandRun run = Identify(Fixture("archive/run-after-extract.cab") + " " + Fixture("image/pixel-1x1.jpg") + " " +
                       Fixture("exe/lib-i686.dll"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("run-after-extract.cab: CAB, 2 files inside\n"
                              "  readme.txt: ???, run on extract\n"
                              "  setup.exe: EXE, Windows 64-bit program, potentially dangerous\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("pixel-1x1.jpg: JPG, 1x1, potentially tracking\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("lib-i686.dll: DLL, Windows 32-bit library\n"), std::string::npos) << run.output;
}

TEST(IdentifyCommand, UnreadableFilesAreReportedAndTheOthersGoOn)
{
    CommandRun run = Identify("'" + testing_support::Prefix() + "/missing.bin' '" + testing_support::Prefix() + "' " +
                       Fixture("office/docx-named.zip"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("missing.bin: cannot be read: 0x80070002"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(": is a directory\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("docx-named.zip: DOCX, type differs from the name's ZIP\n"), std::string::npos)
        << run.output;
}

TEST(IdentifyCommand, Json)
{
    std::string renamed = "'" + testing_support::Prefix() + "/photo.jpg'";
    std::string copy = "cp " + Fixture("exe/hello-i686.exe") + " " + renamed;
    ASSERT_EQ(std::system(copy.c_str()), 0);
    CommandRun run = Identify("--json " + renamed + " " + Fixture("archive/program.zip"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\"implied\": \"JPG\", \"extension\": \"JPG\", \"type\": \"EXE\", \"width\": 0, "
                              "\"height\": 0, \"platform\": \"Windows\", \"programMode\": \"32-bit\", \"dotNet\": "
                              "false, \"runOnExtract\": false, \"tracking\": false, \"typeMismatch\": true, "
                              "\"dangerous\": true, \"contained\": []}"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("{\"name\": \"pixel.png\", \"extension\": \"PNG\", \"type\": \"PNG\""), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.front(), '[');
    EXPECT_EQ(run.output.substr(run.output.size() - 3), "\n]\n");
}

TEST(IdentifyCommand, Usage)
{
    EXPECT_EQ(Identify("").status, 2);
    EXPECT_EQ(Identify("--bogus x").status, 2);
}
