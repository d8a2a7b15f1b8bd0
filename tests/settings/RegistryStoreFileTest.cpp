// The typed store when the Linux registry file cannot be replaced: the platform layer's file-backed registry
// under the prefix, so Linux only.
#include "SettingsTestUtil.h"

#include <filesystem>
#include <unistd.h>

#include "support/TestPrefix.h"

namespace {

using namespace settings_test;

TEST(RegistryStore, AFailedWriteIsLoggedAndLeavesTheFileAsItWas)
{
    COutlookAddinRegistry registry;
    ASSERT_TRUE(registry.WriteDWORD(W("kept"), 1));
    std::string hive = testing_support::Prefix() + "/registry/HKCU.reg";
    std::string before = testing_support::ReadFile(hive);
    ASSERT_FALSE(before.empty());

    // A directory where the registry writes its next file makes every write fail.
    std::string blocker = hive + ".tmp." + std::to_string(getpid());
    std::filesystem::create_directories(blocker);
    EXPECT_FALSE(registry.WriteDWORD(W("kept"), 2));
    EXPECT_FALSE(registry.WriteBinary(W("other"), {1, 2, 3}));
    std::filesystem::remove_all(blocker);

    EXPECT_EQ(testing_support::ReadFile(hive), before);
    DWORD dword = 0;
    EXPECT_TRUE(registry.ReadDWORD(W("kept"), dword));
    EXPECT_EQ(dword, 1u);
    EXPECT_TRUE(LogHas("COutlookAddinRegistry::WriteDWORD")) << LogText();
    EXPECT_TRUE(LogHas("COutlookAddinRegistry::WriteBinary")) << LogText();
}

} // namespace
