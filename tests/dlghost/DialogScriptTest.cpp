// The dialog scripts of vantora show: the grammar, its escapes, and the actions it refuses to parse.
#include <gtest/gtest.h>

#include "host/dialogs/DialogScript.h"

namespace {

using host::DialogAction;
using Verb = DialogAction::Verb;

std::vector<DialogAction> Parse(const std::string& script)
{
    std::vector<DialogAction> actions;
    std::string error;
    EXPECT_TRUE(host::ParseDialogScript(script, actions, error)) << script << ": " << error;
    return actions;
}

std::string Refusal(const std::string& script)
{
    std::vector<DialogAction> actions{DialogAction()};
    std::string error;
    EXPECT_FALSE(host::ParseDialogScript(script, actions, error)) << script;
    EXPECT_TRUE(actions.empty()) << "nothing half parsed: " << script;
    return error;
}

TEST(DialogScript, EveryActionWithItsValues)
{
    std::vector<DialogAction> a = Parse(" click=1 ; check=1002;tab=1001:3;focus=7;select=1004:0, 2,5;"
                                        "row=1003:4:on;row=1003:0:off;cell=1003:2:1:double;link=9;"
                                        "resize=640x480;close;show;menu=40001;type=1005: two words ");
    ASSERT_EQ(a.size(), 14u);
    EXPECT_EQ(a[0].verb, Verb::Click);
    EXPECT_EQ(a[0].id, 1);
    EXPECT_EQ(a[0].written, "click=1");
    EXPECT_EQ(a[1].verb, Verb::Check);
    EXPECT_EQ(a[1].id, 1002);
    EXPECT_EQ(a[2].verb, Verb::Tab);
    EXPECT_EQ(a[2].index, 3);
    EXPECT_EQ(a[4].items, (std::vector<int>{0, 2, 5}));
    EXPECT_TRUE(a[5].on);
    EXPECT_EQ(a[5].index, 4);
    EXPECT_FALSE(a[6].on);
    EXPECT_EQ(a[7].index, 2);
    EXPECT_EQ(a[7].column, 1);
    EXPECT_EQ(a[7].click, pal::ClickKind::Double);
    EXPECT_EQ(a[8].verb, Verb::Link);
    EXPECT_EQ(a[9].width, 640);
    EXPECT_EQ(a[9].height, 480);
    EXPECT_EQ(a[10].verb, Verb::Close);
    EXPECT_EQ(a[11].verb, Verb::Show);
    EXPECT_EQ(a[12].verb, Verb::Menu);
    EXPECT_EQ(a[12].id, 40001);
    EXPECT_EQ(a[13].text, u" two words ") << "the text keeps its spaces";
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse(" ; ;").empty());
    EXPECT_TRUE(Parse("select=1004:")[0].items.empty()) << "nothing selected";
}

TEST(DialogScript, TextTakesTheRestWithItsEscapes)
{
    std::vector<DialogAction> a = Parse("type=5:a:b\\;c\\\\d\\ne;click=1");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].text, u"a:b;c\\d\r\ne") << "colons are text, \\; does not end the action";
    EXPECT_EQ(a[1].verb, Verb::Click);
    EXPECT_EQ(Parse("type=5:")[0].text, u"") << "an empty text clears the field";
    EXPECT_EQ(Parse("type=5:caf\xc3\xa9")[0].text, u"caf\u00e9");
}

TEST(DialogScript, BadActionsAreRefusedWithTheirReason)
{
    EXPECT_NE(Refusal("click=1;frob=2").find("\"frob=2\": unknown action"), std::string::npos);
    EXPECT_NE(Refusal("click").find("needs a value"), std::string::npos);
    EXPECT_NE(Refusal("click=").find("needs a value"), std::string::npos);
    EXPECT_NE(Refusal("close=1").find("takes no value"), std::string::npos);
    EXPECT_NE(Refusal("click=OK").find("bad control id \"OK\""), std::string::npos);
    EXPECT_NE(Refusal("click=-1").find("bad control id"), std::string::npos);
    EXPECT_NE(Refusal("click=70000").find("bad control id"), std::string::npos);
    EXPECT_NE(Refusal("click=99999999999999999999").find("bad control id"), std::string::npos);
    EXPECT_NE(Refusal("tab=1001").find("needs 2 values"), std::string::npos);
    EXPECT_NE(Refusal("tab=1001:x").find("bad tab index"), std::string::npos);
    EXPECT_NE(Refusal("type=1005").find("needs 2 values"), std::string::npos);
    EXPECT_NE(Refusal("select=1004:1,,2").find("bad item"), std::string::npos);
    EXPECT_NE(Refusal("row=1003:1:yes").find("on or off"), std::string::npos);
    EXPECT_NE(Refusal("cell=1003:1:2:middle").find("left, right or double"), std::string::npos);
    EXPECT_NE(Refusal("cell=1003:1").find("needs 4 values"), std::string::npos);
    for (const char* size : {"resize=640", "resize=x480", "resize=640x", "resize=640X480", "resize=99999x1"})
        EXPECT_NE(Refusal(size).find("WIDTHxHEIGHT"), std::string::npos) << size;
    EXPECT_NE(Refusal("type=5:a\\").find("backslash ends"), std::string::npos);
    EXPECT_NE(Refusal("type=5:a\\t").find("unknown escape \\t"), std::string::npos);
}

} // namespace
