// vantora identify end to end: the real program on fixtures, one line per file or JSON, and a file that
// cannot be read reported while the others go on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/Command.h"
#include "support/TestPrefix.h"

namespace {

using CommandRun = testing_support::CommandResult;

CommandRun Identify(const std::string& arguments)
{
    return testing_support::RunCommand(std::string(VANTORA_BIN_DIR) + "/vantora identify " + arguments + " 2>&1");
}

std::string Fixture(const std::string& p) { return "'" + testing_support::DataPath("files/" + p) + "'"; }

} // namespace

TEST(IdentifyCommand, OneLinePerFileWithContainedFilesBelow)
{
    CommandRun run = Identify(Fixture("archive/run-after-extract.cab") + " " + Fixture("image/pixel-1x1.jpg") + " " +
                       Fixture("exe/lib-i686.dll"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("run-after-extract.cab: CAB, 2 files inside\n"
                              "  readme.txt: ???, run on extract\n"
                              "  setup.exe: EXE, Windows 64-bit program, potentially dangerous\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("pixel-1x1.jpg: JPG, 1x1, potentially tracking\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("lib-i686.dll: DLL, Windows 32-bit library\n"), std::string::npos) << run.out;
}

TEST(IdentifyCommand, UnreadableFilesAreReportedAndTheOthersGoOn)
{
    CommandRun run = Identify("'" + testing_support::Prefix() + "/missing.bin' '" + testing_support::Prefix() + "' " +
                       Fixture("office/docx-named.zip"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("missing.bin: cannot be read: 0x80070002"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(": is a directory\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("docx-named.zip: DOCX, type differs from the name's ZIP\n"), std::string::npos)
        << run.out;
}

TEST(IdentifyCommand, Json)
{
    std::string renamed = "'" + testing_support::Prefix() + "/photo.jpg'";
    std::string copy = "cp " + Fixture("exe/hello-i686.exe") + " " + renamed;
    ASSERT_EQ(std::system(copy.c_str()), 0);
    CommandRun run = Identify("--json " + renamed + " " + Fixture("archive/program.zip"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"implied\": \"JPG\", \"extension\": \"JPG\", \"type\": \"EXE\", \"width\": 0, "
                              "\"height\": 0, \"platform\": \"Windows\", \"programMode\": \"32-bit\", \"dotNet\": "
                              "false, \"runOnExtract\": false, \"tracking\": false, \"typeMismatch\": true, "
                              "\"dangerous\": true, \"contained\": []}"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("{\"name\": \"pixel.png\", \"extension\": \"PNG\", \"type\": \"PNG\""), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.front(), '[');
    EXPECT_EQ(run.out.substr(run.out.size() - 3), "\n]\n");
}

TEST(IdentifyCommand, Usage)
{
    EXPECT_EQ(Identify("").status, 2);
    EXPECT_EQ(Identify("--bogus x").status, 2);
}
