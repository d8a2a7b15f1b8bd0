// OK when the registry cannot be written: the user is told, the dialog stays open with its edits, and
// nothing is applied that the next start of Outlook would not find again.
#include "OptnsTestUtil.h"

#include <unistd.h>

#include <filesystem>

#include "support/TestPrefix.h"

namespace {

using namespace optns_test;

// While it lives, every write of the current user's registry fails: a folder stands where the registry
// writes its next file.
class RegistryBlocked {
public:
    RegistryBlocked()
    {
        m_blocker = testing_support::Prefix() + "/registry/HKCU.reg.tmp." + std::to_string(getpid());
        std::filesystem::create_directories(m_blocker);
    }
    ~RegistryBlocked() { Unblock(); }
    void Unblock() { std::filesystem::remove_all(m_blocker); }

private:
    std::string m_blocker;
};

std::vector<int> Order()
{
    std::vector<int> order;
    for (const auto& p : CGeoLocationManager::Instance().GetProviders())
        order.push_back(p->GetProviderId());
    return order;
}

const char kNotSaved[] = "The options could not be saved, so they would be lost when Outlook is closed.\n"
                         "Press OK to try again, or Cancel to leave the options as they were.";

TEST_F(OptnsTest, AFailedWriteKeepsTheDialogOpenAndAppliesNothing)
{
    const std::vector<int> order = Order();
    auto blocked = std::make_unique<RegistryBlocked>();
    INT_PTR result = Run([&](HWND d) {
        ChooseRowCommand(d, 0, IDS_MENU_MOVE_DOWN);
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 1));
        EXPECT_TRUE(pal::PressButton(d, IDC_SHOW_CONTENT));
        EXPECT_TRUE(pal::PressButton(d, IDOK));

        EXPECT_TRUE(IsWindowVisible(d)) << "OK ended the dialog although nothing was saved";
        ASSERT_EQ(m_host.boxes.size(), 1u);
        EXPECT_EQ(U8(m_host.boxes[0].text), kNotSaved);
        EXPECT_EQ(U8(m_host.boxes[0].caption), "Warning");
        EXPECT_EQ(m_host.boxes[0].type & MB_ICONMASK, UINT(MB_ICONWARNING));
        // Not applied either: the session keeps what the registry holds.
        EXPECT_EQ(Settings().displayTabs, CSettingsManager::ALL_FLAGS);
        EXPECT_TRUE(Settings().providersOrder.empty());
        EXPECT_EQ(Order(), order);
        EXPECT_EQ(View(d, IDC_SHOW_CONTENT).checked, BST_UNCHECKED) << "the edits are still in the dialog";

        // The user tries again once the registry can be written.
        blocked->Unblock();
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(m_host.boxes.size(), 1u);
    std::vector<int> expected = order;
    std::swap(expected[0], expected[1]);
    StoredSettings stored;
    EXPECT_EQ(stored.providersOrder, expected);
    EXPECT_EQ(stored.displayTabs, CSettingsManager::ALL_FLAGS & ~CSettingsManager::DISPLAY_CONTENT);
    EXPECT_EQ(Order(), expected);
    EXPECT_EQ(Settings().displayTabs, CSettingsManager::ALL_FLAGS & ~CSettingsManager::DISPLAY_CONTENT);
}

TEST_F(OptnsTest, CancelAfterAFailedWriteLeavesEverythingAsItWas)
{
    const std::vector<int> order = Order();
    RegistryBlocked blocked;
    INT_PTR result = Run([&](HWND d) {
        ChooseRowCommand(d, 0, IDS_MENU_MOVE_DOWN);
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 4));
        EXPECT_TRUE(pal::PressButton(d, IDC_FLAG_SERVERS));
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_SERVERS), u"x.example.com"));
        EXPECT_TRUE(pal::PressButton(d, IDOK));
        EXPECT_TRUE(IsWindowVisible(d));
        EXPECT_EQ(m_host.boxes.size(), 1u);
        EXPECT_TRUE(pal::PressButton(d, IDCANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(Settings().flagServers);
    EXPECT_TRUE(Settings().servers.empty());
    EXPECT_EQ(Order(), order);
}

} // namespace
