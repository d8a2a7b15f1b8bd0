// The add-in's tab as text: the customUI document that the system's MSXML writes matches the reviewed golden
// file, the controls start with their placeholder labels, and the tab is built once. Needs no XML parser of
// its own, so it runs on Windows too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "__Utilities/ErrorLog.h"
#include "addin/OutlookRibbon.h"
#include "pal/host.h"
#include "support/TestPrefix.h"
#include "support/Wine.h"

namespace {

std::string Text(BSTR s)
{
    return pal::ToUtf8(std::basic_string_view<WCHAR>(s ? s : W(""), SysStringLen(s)));
}

class OutlookRibbonText : public ::testing::Test {
protected:
    void SetUp() override
    {
        menusBefore = COfficeRibbon::GetMenuCount();
        xml = Text(ribbon.GetXML());
        ASSERT_FALSE(xml.empty());
    }

    int menusBefore = 0;
    COutlookRibbon ribbon;
    std::string xml;
};

} // namespace

TEST_F(OutlookRibbonText, MatchesTheGoldenFile)
{
    // The golden file is the first build of a process (menus 1 to 6); when other builds ran before this
    // one in the same process, its menu numbers are shifted back to that.
    std::string first = testing_support::WithoutWineIndentation(xml);
    for (int i = 1; i <= 6; ++i) {
        std::string now = "id=\"Office_Menu" + std::to_string(menusBefore + i) + "\"";
        size_t at = first.find(now);
        ASSERT_NE(std::string::npos, at) << now;
        first.replace(at, now.size(), "id=\"Office_Menu" + std::to_string(i) + "\"");
    }
    std::string golden = testing_support::DataPath("ribbon.xml");
    if (std::getenv("VANTORA_UPDATE_GOLDEN"))
        testing_support::WriteFile(golden, first);
    EXPECT_EQ(testing_support::ReadFile(golden), first) << "the layout changed: review it, then regenerate "
                                                           "tests/data/ribbon.xml with VANTORA_UPDATE_GOLDEN=1";
}

TEST_F(OutlookRibbonText, ControlsStartWithTheirPlaceholderLabels)
{
    const std::basic_string<WCHAR> fifteen(15, W(' '));
    auto label = [&](int id) { return pal::ToWide(Text(ribbon.GetControl(id)->GetLabel())); };
    for (int id : {1002, 1003, 1004})
        EXPECT_EQ(W("     .     .     .     "), label(id)) << id;
    for (int id : {1006, 1007, 1010, 1022, 1042, 1058})
        EXPECT_EQ(fifteen, label(id)) << id;
    for (int id : {1028, 1029, 1030})
        EXPECT_EQ(std::basic_string<WCHAR>(11, W(' ')), label(id)) << id;
    for (int id : {1031, 1032, 1033})
        EXPECT_EQ(W(".    "), label(id)) << id;
    for (int id : {1038, 1039, 1040})
        EXPECT_EQ(W("www.______.com"), label(id)) << id;
    EXPECT_EQ(W("From:"), label(1072));
    EXPECT_EQ(W("Name"), label(1073));
    EXPECT_EQ(W("e-mail"), label(1074));
    EXPECT_EQ(W("Status"), label(1076));
    EXPECT_EQ(W("Message Header"), label(1069));
    EXPECT_EQ(W("Plain Text"), label(1070));
    EXPECT_EQ(W("Validation Options"), label(1081));
    EXPECT_EQ(W("Help"), label(1083));
    EXPECT_EQ(W("About"), label(1084));
    for (int id : {1066, 1023, 1026, 1087})
        EXPECT_EQ(W(""), label(id)) << id;
}

TEST_F(OutlookRibbonText, IsBuiltOnlyOnce)
{
    EXPECT_EQ(xml, Text(ribbon.GetXML()));
    try {
        ribbon.create();
        ADD_FAILURE() << "a second create succeeded";
    } catch (const CErrorInfo& e) {
        EXPECT_EQ(E_UNEXPECTED, e.GetCode());
    }
    EXPECT_NE(std::string::npos, Text(CErrorLog::Instance().ReadAll()).find("m_controlsMap.empty()"));
    // The first build is untouched.
    EXPECT_EQ(xml, Text(ribbon.GetXML()));
    EXPECT_NE(nullptr, ribbon.GetControl(1084));
}
