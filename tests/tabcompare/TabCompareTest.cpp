// tab_compare: the comparison of two `vantora show --json` runs, the differences file and its globs, the
// error logs, and the programme's report and exit status.
#include <gtest/gtest.h>

#include "Differences.h"
#include "TabCompare.h"
#include "support/Command.h"
#include "support/TestPrefix.h"

using namespace tabcompare;
using testing_support::JsonReader;

namespace {

const char* kButton = "_Office_Addin_Ctrl_Tag_1006";

std::string Control(const std::string& kind, const std::string& id, const std::string& label,
                    const std::string& children = "", const std::string& image = R"({"width": 32, "height": 32})")
{
    return R"({"kind": ")" + kind + R"(", "id": ")" + id + R"(", "number": null, "label": ")" + label +
           R"(", "screentip": null, "supertip": null, "visible": true, "enabled": true, "image": )" + image +
           R"(, "errors": [], "children": [)" + children + "]}";
}

std::string Gallery(const std::string& itemLabel, int itemWidth)
{
    return R"({"kind": "gallery", "id": "_Office_Addin_Ctrl_Tag_1038", "number": 1038, "label": "Links",)"
           R"( "visible": true, "enabled": true, "image": null, "itemCount": 1, "itemWidth": 16, "itemHeight": 16,)"
           R"( "items": [{"index": 0, "label": ")" + itemLabel + R"(", "screentip": null, "supertip": null,)"
           R"( "image": {"width": )" + std::to_string(itemWidth) + R"(, "height": 16}}], "errors": [], "children": []})";
}

struct Tab {
    std::string buttonLabel = "Sender";
    std::string image = R"({"width": 32, "height": 32})";
    std::string itemLabel = "example.com";
    int itemWidth = 16;
    bool withButton = true;
    std::string pageLabel = "Row 4";
    std::string file = "/tmp/run/a.eml.vsnap";
    double wait = 1.5;

    std::string Message() const
    {
        std::string group = Control("group", "_Office_Addin_Ctrl_Tag_1001", "IP / Location",
                                    (withButton ? Control("button", kButton, buttonLabel, "", image) + ", " : "") +
                                        Control("dialogBoxLauncher", "", "", "") + ", " + Gallery(itemLabel, itemWidth));
        std::string page = Control("group", "_Office_Addin_Ctrl_Tag_1001", "IP / Location",
                                   Control("button", kButton, pageLabel));
        return R"({"file": ")" + file + R"(", "complete": true, "waitSeconds": )" + std::to_string(wait) +
               R"(, "window": "explorer", "tabs": [)" + Control("tab", "_Office_Addin_Ctrl_Tag_1000", "Info", group) +
               R"(], "pages": [{"page": 2, "group": )" + page + R"(}], "otherWindows": []})";
    }
};

std::string Show(const std::vector<Tab>& messages)
{
    std::string out = "[";
    for (size_t i = 0; i < messages.size(); ++i)
        out += (i ? ",\n" : "\n") + messages[i].Message();
    return out + "\n]\n";
}

Comparison Compare(const std::string& linuxRun, const std::string& wineRun)
{
    JsonValue a, b;
    EXPECT_TRUE(JsonReader(linuxRun).Document(a)) << linuxRun;
    EXPECT_TRUE(JsonReader(wineRun).Document(b)) << wineRun;
    Comparison c;
    std::string error;
    EXPECT_TRUE(CompareShows(a, b, c, error)) << error;
    return c;
}

std::vector<std::string> Paths(const Comparison& c)
{
    std::vector<std::string> paths;
    for (const Difference& d : c.differences)
        paths.push_back(d.path);
    return paths;
}

const std::string kButtonPath =
    "a.eml.vsnap: _Office_Addin_Ctrl_Tag_1000/_Office_Addin_Ctrl_Tag_1001/_Office_Addin_Ctrl_Tag_1006";

TEST(TabCompare, EqualRunsDifferOnlyInPathsAndTiming)
{
    Tab linux_, wine;
    wine.file = R"(Z:\\tmp\\run\\a.eml.vsnap)"; // as JSON writes it
    wine.wait = 29.25;
    Comparison c = Compare(Show({linux_, linux_}), Show({wine, wine}));
    EXPECT_TRUE(c.differences.empty()) << testing::PrintToString(Paths(c));
    EXPECT_EQ(c.messages, 2u);
    EXPECT_GT(c.fields, 40u);
}

TEST(TabCompare, ChangedFieldsAreNamedByTheIdsOnTheirWay)
{
    Tab linux_, wine;
    wine.buttonLabel = "Sender\\n2"; // JSON text: a line break
    wine.itemLabel = "example.org";
    wine.pageLabel = "Row 5";
    Comparison c = Compare(Show({linux_}), Show({wine}));
    EXPECT_EQ(Paths(c), (std::vector<std::string>{
                            kButtonPath + ".label",
                            "a.eml.vsnap: _Office_Addin_Ctrl_Tag_1000/_Office_Addin_Ctrl_Tag_1001/"
                            "_Office_Addin_Ctrl_Tag_1038.items/0.label",
                            "a.eml.vsnap: pages/2/_Office_Addin_Ctrl_Tag_1001/_Office_Addin_Ctrl_Tag_1006.label",
                        }));
    ASSERT_FALSE(c.differences.empty());
    EXPECT_EQ(c.differences[0].onLinux, "\"Sender\"");
    EXPECT_EQ(c.differences[0].onWine, "\"Sender\\n2\"");
    EXPECT_FALSE(c.differences[0].imageSize);
}

TEST(TabCompare, OneSidedControlsMessagesAndValuesOfAnotherKind)
{
    Tab linux_, wine;
    wine.withButton = false;
    Comparison c = Compare(Show({linux_, linux_}), Show({wine}));
    ASSERT_EQ(Paths(c), (std::vector<std::string>{kButtonPath, "a.eml.vsnap#2: message"}));
    EXPECT_EQ(c.differences[0].onLinux, std::string("button ") + kButton + " \"Sender\"");
    EXPECT_EQ(c.differences[0].onWine, "(absent)");
    EXPECT_EQ(c.differences[1].onWine, "(absent)");

    // The control without an id is keyed by kind and position, and still compared.
    Tab noPicture;
    noPicture.image = "null";
    Comparison kinds = Compare(Show({linux_}), Show({noPicture}));
    ASSERT_EQ(Paths(kinds), (std::vector<std::string>{kButtonPath + ".image"}));
    EXPECT_EQ(kinds.differences[0].onLinux, R"({"width": 32, "height": 32})");
    EXPECT_EQ(kinds.differences[0].onWine, "null");

    Tab renamed;
    renamed.file = R"(C:\\run\\b.eml.vsnap)";
    EXPECT_EQ(Paths(Compare(Show({linux_}), Show({renamed}))), (std::vector<std::string>{"a.eml.vsnap: file"}));
}

TEST(TabCompare, NotAShowOutput)
{
    JsonValue object, array;
    ASSERT_TRUE(JsonReader(R"({"file": "a"})").Document(object));
    ASSERT_TRUE(JsonReader("[]").Document(array));
    Comparison c;
    std::string error;
    EXPECT_FALSE(CompareShows(array, object, c, error));
    EXPECT_EQ(error, "the Wine output is not an array of messages (vantora show --json)");
}

TEST(Differences, GlobStarsStayWithinASegmentDoubleStarsCrossThem)
{
    const std::string path = kButtonPath + ".label";
    EXPECT_TRUE(GlobMatch("*: _Office_Addin_Ctrl_Tag_1000/*/*.label", path));
    EXPECT_FALSE(GlobMatch("*: _Office_Addin_Ctrl_Tag_1000/*.label", path));
    EXPECT_TRUE(GlobMatch("**.label", path));
    EXPECT_TRUE(GlobMatch("a.eml.vsnap: **/_Office_Addin_Ctrl_Tag_1006.label", path));
    EXPECT_TRUE(GlobMatch("**/*_1006.*", path));
    EXPECT_FALSE(GlobMatch("**.labe", path));
    EXPECT_TRUE(GlobMatch("a/**/b", "a/b"));
    EXPECT_TRUE(GlobMatch("a/**/b", "a/x/y/b"));
    EXPECT_TRUE(GlobMatch("**/b.label", "b.label"));
    EXPECT_FALSE(GlobMatch("a**/b", "a"));
    EXPECT_TRUE(GlobMatch("log: *GetLastError(*)", "log: Access denied : GetLastError(5)"));
    EXPECT_FALSE(GlobMatch("*", "a/b"));
    EXPECT_TRUE(GlobMatch("", ""));
    // Many stars against a long path do not take exponential time.
    EXPECT_FALSE(GlobMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", std::string(200, 'a')));
    EXPECT_FALSE(GlobMatch("**a**a**a**a**a**a**a**a**b", std::string(200, 'a')));
}

TEST(Differences, RulesToleranceCommentsAndMalformedLines)
{
    DifferencesFile ok = ParseDifferences("# header\n\n   # indented comment\r\n"
                                          "**.supertip\tWine's MSHTML is absent: no link texts\n"
                                          "*: otherWindows/read 1/**  two  spaces end the pattern\r\n"
                                          "tolerance **.image.*  2  Wine's GDI rounds icon sizes\n");
    EXPECT_TRUE(ok.errors.empty()) << testing::PrintToString(ok.errors);
    ASSERT_EQ(ok.rules.size(), 3u);
    EXPECT_EQ(ok.rules[0].pattern, "**.supertip");
    EXPECT_EQ(ok.rules[0].reason, "Wine's MSHTML is absent: no link texts");
    EXPECT_EQ(ok.rules[0].line, 4);
    EXPECT_EQ(ok.rules[1].pattern, "*: otherWindows/read 1/**");
    EXPECT_EQ(ok.rules[1].reason, "two  spaces end the pattern");
    EXPECT_TRUE(ok.rules[2].tolerance);
    EXPECT_EQ(ok.rules[2].pattern, "**.image.*");
    EXPECT_EQ(ok.rules[2].pixels, 2);
    EXPECT_EQ(ok.rules[2].reason, "Wine's GDI rounds icon sizes");

    DifferencesFile bad = ParseDifferences("**.label\n"
                                           "**.label no reason after a single space\n"
                                           "tolerance **.image.*  wide  reason\n"
                                           "tolerance **.image.*  3\n"
                                           "tolerance **.image.*  -1  negative\n"
                                           "a/***/b  reason\n"
                                           "**.screentip  fine\n");
    EXPECT_EQ(bad.errors.size(), 6u) << testing::PrintToString(bad.errors);
    ASSERT_FALSE(bad.errors.empty());
    EXPECT_EQ(bad.errors[0].rfind("1: no reason", 0), 0u) << bad.errors[0];
    EXPECT_EQ(bad.errors[2].rfind("3: a tolerance needs", 0), 0u) << bad.errors[2];
    ASSERT_EQ(bad.rules.size(), 1u);
    EXPECT_EQ(bad.rules[0].line, 7);
}

TEST(Differences, ListedDifferencesAndTolerancesAreCountedPerRule)
{
    Tab linux_, wine;
    wine.buttonLabel = "Sender!";
    wine.itemLabel = "example.org";
    wine.itemWidth = 18;
    wine.image = R"({"width": 32, "height": 36})";
    Comparison c = Compare(Show({linux_}), Show({wine}));
    ASSERT_EQ(c.differences.size(), 4u);

    DifferencesFile file = ParseDifferences("**/_Office_Addin_Ctrl_Tag_1006.label  Wine's font has no '!'\n"
                                            "tolerance **.items/*.image.width  2  item pictures are drawn wider\n"
                                            "tolerance **.image.height  3  too small for 4 pixels\n"
                                            "**.tabs  matches nothing\n");
    ASSERT_TRUE(file.errors.empty());
    Verdict v = ApplyRules(c, file.rules);
    EXPECT_EQ(v.listed, 2u);
    ASSERT_EQ(v.unlisted.size(), 2u);
    EXPECT_EQ(v.unlisted[0].path, kButtonPath + ".image.height");
    EXPECT_TRUE(v.unlisted[0].imageSize);
    EXPECT_EQ(v.unlisted[1].path, "a.eml.vsnap: _Office_Addin_Ctrl_Tag_1000/_Office_Addin_Ctrl_Tag_1001/"
                                  "_Office_Addin_Ctrl_Tag_1038.items/0.label");
    EXPECT_EQ(file.rules[0].excused, 1u);
    EXPECT_EQ(file.rules[1].excused, 1u);
    EXPECT_EQ(file.rules[2].excused, 0u);

    std::string report = Report(c, v, file.rules);
    EXPECT_NE(report.find(kButtonPath + ".image.height\n  linux: 32\n  wine:  36\n"), std::string::npos) << report;
    EXPECT_NE(report.find("compared 1 messages, " + std::to_string(c.fields) +
                          " fields: 2 listed differences, 2 unlisted\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("line 1: **/_Office_Addin_Ctrl_Tag_1006.label: excused 1\n"), std::string::npos) << report;
    EXPECT_NE(report.find("line 3: tolerance 3 px **.image.height: unused\n"), std::string::npos) << report;
    EXPECT_NE(report.find("line 4: **.tabs: unused\n"), std::string::npos) << report;
}

TEST(ErrorLogs, MessagesAreNormalisedWhereTheRunsLegitimatelyDiffer)
{
    EXPECT_EQ(NormaliseLogMessage(R"(Cannot open Z:\tmp\vantora-x1\mail.eml.vsnap: access denied)"),
              "Cannot open <path>/mail.eml.vsnap: access denied");
    EXPECT_EQ(NormaliseLogMessage("Cannot open /tmp/vantora-Q2/mail.eml.vsnap."), "Cannot open <path>/mail.eml.vsnap.");
    EXPECT_EQ(NormaliseLogMessage("file:///tmp/a/b.pdf (\\\\?\\C:\\x\\y.txt)"), "<path>/b.pdf (<path>/y.txt)");
    EXPECT_EQ(NormaliseLogMessage("http://127.0.0.1:41234/v2/wupz/1.2.3.4 and localhost:8080"),
              "http://127.0.0.1:<port>/v2/wupz/1.2.3.4 and localhost:<port>");
    EXPECT_EQ(NormaliseLogMessage("object 0x00007f12deadbeef failed: 0x80004005"),
              "object 0x<address> failed: 0x80004005");
    EXPECT_EQ(NormaliseLogMessage("at 23:04:59.125 on 2026-12-09,  again\tat 9:00:00"),
              "at <time> on <date>, again at <time>");
    // What is not a path, an address or a time stays.
    EXPECT_EQ(NormaliseLogMessage("E_INVALIDARG : GetLastError(87) a/b 12:30 and/or"),
              "E_INVALIDARG : GetLastError(87) a/b 12:30 and/or");
}

TEST(ErrorLogs, WineMessagesTheLinuxLogLacksAreDifferences)
{
    const std::string linuxLog = "Outlook 16.0\nVantoraAddin 1.0.0.0\nLinux 6.1.0-28-amd64 x86_64\n"
                                 "ERROR - pLocInfo\n\tUtils\\IPRequest.cpp(12) - CIPRequest::processResult\n"
                                 "ERROR - Cannot open /tmp/p1/a.eml.vsnap\n\tConnect.cpp(7) - CConnect::Open\n";
    const std::string wineLog = "Outlook 16.0\r\nVantoraAddin 1.0.0.0\r\nWindows 10\r\n"
                                "ERROR - Cannot open Z:\\tmp\\p2\\a.eml.vsnap\r\n\tConnect.cpp(7) - CConnect::Open\r\n"
                                "ERROR - Class not registered : \r\n\tConnect.cpp(90) - CConnect::Start\r\n"
                                "\tConnect.cpp(91) - CConnect::Start\r\n"
                                "ERROR - Class not registered : \r\n\tConnect.cpp(95) - CConnect::Again\r\n";
    std::vector<LogMessage> read = ReadLog(wineLog);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].normalised, "Class not registered :");
    EXPECT_EQ(read[1].location, "Connect.cpp(90) - CConnect::Start");

    Comparison c;
    CompareLogs(linuxLog, wineLog, c);
    EXPECT_EQ(c.fields, 2u);
    ASSERT_EQ(c.differences.size(), 1u);
    EXPECT_EQ(c.differences[0].path, "log: Class not registered :");
    EXPECT_EQ(c.differences[0].onLinux, "(absent)");
    EXPECT_EQ(c.differences[0].onWine, "ERROR - Class not registered :  (at Connect.cpp(90) - CConnect::Start)");

    // A log in UTF-16, and one in the ANSI code page.
    std::string utf16 = "\xFF\xFE";
    for (char ch : std::string("ERROR - Caf\xE9\n"))
        utf16 += ch, utf16 += '\0';
    ASSERT_EQ(ReadLog(utf16).size(), 1u);
    EXPECT_EQ(ReadLog(utf16)[0].normalised, "Caf\xC3\xA9");
    EXPECT_EQ(ReadLog("ERROR - Caf\xE9\n")[0].normalised, "Caf\xC3\xA9");
    EXPECT_TRUE(ReadLog("").empty());
}

// The programme, end to end.
class TabCompareProgramme : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text)
    {
        std::string path = testing_support::Prefix() + "/" + name;
        testing_support::WriteFile(path, text);
        return path;
    }
    static testing_support::CommandResult Tool(const std::string& args)
    {
        return testing_support::RunCommand(std::string(VANTORA_BIN_DIR) + "/tab_compare " + args + " 2>&1");
    }
};

TEST_F(TabCompareProgramme, ExitStatusFollowsTheUnlistedDifferences)
{
    Tab linux_, wine;
    wine.buttonLabel = "Other";
    std::string a = Write("linux.json", Show({linux_})), b = Write("wine.json", Show({wine}));
    std::string none = Write("none.txt", "# nothing allowed yet\n");
    std::string listed = Write("listed.txt", "**.label  Wine draws another label\n**.tips  unused\n");

    testing_support::CommandResult same = Tool("--differences " + none + " " + a + " " + a);
    EXPECT_EQ(same.status, 0) << same.out;
    EXPECT_NE(same.out.find("0 listed differences, 0 unlisted"), std::string::npos) << same.out;

    testing_support::CommandResult differ = Tool("--differences " + none + " " + a + " " + b);
    EXPECT_EQ(differ.status, 1) << differ.out;
    EXPECT_EQ(differ.out.rfind(kButtonPath + ".label\n  linux: \"Sender\"\n  wine:  \"Other\"\n", 0), 0u) << differ.out;

    testing_support::CommandResult excused = Tool("--differences " + listed + " " + a + " " + b);
    EXPECT_EQ(excused.status, 0) << excused.out;
    EXPECT_NE(excused.out.find("1 listed differences, 0 unlisted\nline 1: **.label: excused 1\nline 2: **.tips: unused"),
              std::string::npos)
        << excused.out;
    EXPECT_NE(excused.out.find("warning: " + listed + ":2 excused nothing"), std::string::npos) << excused.out;

    // The logs: a Wine message the Linux log lacks; a log never written is a log without errors.
    std::string wineLog = Write("wine.log", "VantoraAddin 1.0.0.0\r\nERROR - E_FAIL\r\n\tConnect.cpp(1) - CConnect::X\r\n");
    testing_support::CommandResult logs =
        Tool("--differences " + none + " " + a + " " + a + " --log-linux " + testing_support::Prefix() +
             "/never.log --log-wine " + wineLog);
    EXPECT_EQ(logs.status, 1) << logs.out;
    EXPECT_NE(logs.out.find("log: E_FAIL\n  linux: (absent)\n  wine:  ERROR - E_FAIL (at Connect.cpp(1) - CConnect::X)"),
              std::string::npos)
        << logs.out;
    EXPECT_NE(logs.out.find("never.log does not exist"), std::string::npos) << logs.out;
}

TEST_F(TabCompareProgramme, BadArgumentsAndInputsExitWithTwo)
{
    std::string a = Write("linux.json", Show({Tab()}));
    std::string none = Write("none.txt", "");
    std::string malformed = Write("bad.txt", "# ok\n**.label\n");
    std::string notJson = Write("not.json", "[{\"file\": \"a\",}]");
    std::string deep = Write("deep.json", std::string(100000, '[') + std::string(100000, ']'));

    EXPECT_EQ(Tool(a + " " + a).status, 2);
    EXPECT_EQ(Tool("--differences " + none + " " + a).status, 2);
    EXPECT_EQ(Tool("--differences " + none + " " + a + " " + a + " --log-linux x").status, 2);
    EXPECT_EQ(Tool("--differences " + none + " " + a + " " + a + " --verbose").status, 2);
    EXPECT_EQ(Tool("--differences " + testing_support::Prefix() + "/absent.txt " + a + " " + a).status, 2);

    testing_support::CommandResult bad = Tool("--differences " + malformed + " " + a + " " + a);
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find(malformed + ":2: no reason"), std::string::npos) << bad.out;
    testing_support::CommandResult broken = Tool("--differences " + none + " " + a + " " + notJson);
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.out.find("not.json is not JSON: line 1, column 15: expected a string"), std::string::npos)
        << broken.out;
    testing_support::CommandResult nested = Tool("--differences " + none + " " + a + " " + deep);
    EXPECT_EQ(nested.status, 2);
    EXPECT_FALSE(nested.signalled);
    EXPECT_NE(nested.out.find("nested too deeply"), std::string::npos) << nested.out;
    testing_support::CommandResult folder = Tool("--differences " + none + " " + a + " " + testing_support::Prefix());
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.out.find(" is a folder"), std::string::npos) << folder.out;
    // An empty log may be given as /dev/null.
    EXPECT_EQ(Tool("--differences " + none + " " + a + " " + a + " --log-linux /dev/null --log-wine /dev/null").status, 0);
}

} // namespace

// A mask excuses a difference only where its expression accounts for all of it: random letters and padding
// measured in another font, but not another name.
TEST(Differences, MasksExcuseOnlyWhatTheirExpressionTakesOut)
{
    Tab linux_, wine, renamed;
    linux_.buttonLabel = "Invoice~KW.pdf  ";
    wine.buttonLabel = "Invoice~AT.pdf ";
    renamed.buttonLabel = "Receipt~AT.pdf";
    DifferencesFile file = ParseDifferences("mask  **.label  ~[A-Z]{2}| +(?=\"$)  random letters, padding in another font\n");
    ASSERT_TRUE(file.errors.empty()) << file.errors[0];

    Comparison padded = Compare(Show({linux_}), Show({wine}));
    ASSERT_EQ(padded.differences.size(), 1u);
    Verdict v = ApplyRules(padded, file.rules);
    EXPECT_EQ(v.listed, 1u);
    EXPECT_TRUE(v.unlisted.empty());

    Comparison other = Compare(Show({linux_}), Show({renamed}));
    v = ApplyRules(other, file.rules);
    ASSERT_EQ(v.unlisted.size(), 1u);
    EXPECT_EQ(v.unlisted[0].path, kButtonPath + ".label");
    EXPECT_NE(Report(other, v, file.rules).find("mask ~[A-Z]{2}| +(?=\"$) **.label: excused 1"), std::string::npos);

    DifferencesFile bad = ParseDifferences("mask  **.label  ([A-Z  reason\nmask  **.label\n");
    ASSERT_EQ(bad.errors.size(), 2u);
    EXPECT_EQ(bad.errors[0].rfind("1: a mask needs", 0), 0u) << bad.errors[0];
}
