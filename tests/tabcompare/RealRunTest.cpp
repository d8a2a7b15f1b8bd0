// Two Linux runs of `vantora show --json --all` over the same corpus messages, against the provider twins,
// compared by tab_compare: what the Wine comparison will call a difference must not come from the runs
// themselves. The messages have no attachments: a long attachment name is shown as a short one whose two
// letters after "~" are drawn at random, seeded by the clock's second.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "support/Command.h"
#include "support/TestPrefix.h"

using testing_support::CommandResult;
using testing_support::Prefix;
using testing_support::RunCommand;

namespace {

const std::string kBin = VANTORA_BIN_DIR;

TEST(TabCompareRealRun, TwoLinuxRunsAgainstTheTwinsDoNotDiffer)
{
    std::string envFile = Prefix() + "/twins.env";
    // The twins end when the test's end of this pipe closes (at pclose, once the runs are done).
    FILE* twins = popen((kBin + "/provider_twins --connect-to --env-file " + envFile).c_str(), "w");
    ASSERT_NE(twins, nullptr);
    std::string env;
    for (int i = 0; i < 1000 && env.empty(); ++i) {
        env = testing_support::ReadFile(envFile);
        if (env.empty())
            usleep(10000);
    }
    ASSERT_NE(env.find("VANTORA_CONNECT_TO=127.0.0.1:"), std::string::npos) << env;
    for (char& c : env)
        c = c == '\n' ? ' ' : c;

    const std::string messages = testing_support::CorpusPath("eml/mimekit-dkim-gmail.eml") + " " +
                                 testing_support::CorpusPath("eml/sa-nice-001.eml");
    for (const char* run : {"one", "two"}) {
        std::string prefix = Prefix() + "/" + run;
        std::string vars = "VANTORA_PREFIX=" + prefix + " VANTORA_CONNECT_TO=127.0.0.1:9 " + env;
        CommandResult registered = RunCommand("mkdir -p " + prefix + " && env " + vars + " " + kBin + "/vantora register 2>&1");
        ASSERT_EQ(registered.status, 0) << registered.out;
        CommandResult shown = RunCommand("env " + vars + " " + kBin + "/vantora show --json --all " + messages + " > " +
                                         Prefix() + "/" + run + ".json 2>" + Prefix() + "/" + run + ".err");
        ASSERT_EQ(shown.status, 0) << testing_support::ReadFile(Prefix() + "/" + run + ".err");
    }
    pclose(twins);

    std::string json = testing_support::ReadFile(Prefix() + "/one.json");
    // The twins answered: their countries are there, and the offline provider disagrees with them.
    EXPECT_NE(json.find("(tools.keycdn.com, ipapi.co, db-ip.com)"), std::string::npos) << json.substr(0, 2000);
    testing_support::WriteFile(Prefix() + "/none.txt", "# no difference allowed\n");
    std::string log = "/AppData/Roaming/Outlook/VantoraAddin0.log";
    CommandResult compared = RunCommand(kBin + "/tab_compare --differences " + Prefix() + "/none.txt " + Prefix() +
                                        "/one.json " + Prefix() + "/two.json --log-linux " + Prefix() + "/one" + log +
                                        " --log-wine " + Prefix() + "/two" + log + " 2>&1");
    EXPECT_EQ(compared.status, 0) << compared.out;
    EXPECT_NE(compared.out.find("compared 2 messages, "), std::string::npos) << compared.out;
    EXPECT_NE(compared.out.find(" fields: 0 listed differences, 0 unlisted\n"), std::string::npos) << compared.out;
}

} // namespace
