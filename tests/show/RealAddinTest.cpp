// vantora show with the real add-in, registered and loaded as Outlook loads it: corpus messages through
// the whole pipeline, located by the offline provider, with every link target refused or unreachable (no
// request leaves the machine).
#include <gtest/gtest.h>


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Utils/SettingsManager.h"
#include "geo/GeoLocationManager.h"
#include "geo/GeoLocationProviders.h"
#include "support/Command.h"
#include "support/ProviderSettings.h"
#include "support/TestPrefix.h"

namespace {

using Outcome = testing_support::CommandResult;

Outcome Vantora(const std::string& arguments)
{
    return testing_support::RunCommand(std::string(VANTORA_BIN_DIR) + "/vantora " + arguments + " 2>&1");
}

// The row of control id in the text output (its kind, id, label and state), or an empty text.
std::string Row(const std::string& out, int id)
{
    std::string key = "  " + std::to_string(id) + "  ";
    size_t at = out.find(key);
    if (at == std::string::npos)
        return std::string();
    size_t begin = out.rfind('\n', at) + 1;
    return out.substr(begin, out.find('\n', at) - begin);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }
std::string Corpus(const std::string& relative) { return Quoted(std::string(VANTORA_CORPUS_DIR) + "/" + relative); }

class RealAddin : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("VANTORA_GEOIP_DB", (std::string(VANTORA_BIN_DIR) + "/GeoCountries.dat").c_str(), 1);
        // Every host name and connection goes to a closed loopback port.
        setenv("VANTORA_CONNECT_TO", "127.0.0.1:9", 1);
    }
    void SetUp() override
    {
        Outcome registration = Vantora("register");
        ASSERT_EQ(0, registration.status) << registration.out;
        // The settings the add-in reads at connection select the offline provider alone.
        testing_support::SelectProvidersInSettings(
            [](CIPRequest& p) { return dynamic_cast<CIpFireLocation*>(&p) != nullptr; });
        CSettingsManager::Instance().WriteSettings();
    }
};

TEST_F(RealAddin, AMessageOfFourServersAndAnAttachment)
{
    Outcome run = Vantora("show --wait 60 " + Corpus("eml/sa-nice-base64.eml"));
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    EXPECT_NE(std::string::npos, out.find("tab \"Info\" (1000)")) << out;
    // Four header servers in rows of three: the first three shown, scrolling down possible.
    EXPECT_NE(std::string::npos, Row(out, 1002).find("\"136.201.105.2")) << out;
    EXPECT_NE(std::string::npos, Row(out, 1025).find(" enabled")) << out;
    EXPECT_NE(std::string::npos, Row(out, 1023).find(" disabled")) << out;
    EXPECT_NE(std::string::npos, out.find("\"Ireland")) << "the offline provider's country: " << out;
    EXPECT_NE(std::string::npos, Row(out, 1031).find("\"???\"")) << out;
    // The user guide was built beside the module: the help button is enabled.
    EXPECT_NE(std::string::npos, Row(out, 1083).find(" enabled")) << out;
    EXPECT_EQ(std::string::npos, out.find("outstanding")) << out;
    EXPECT_EQ(std::string::npos, out.find("failed:")) << "no callback failed: " << out;
}

TEST_F(RealAddin, LinksAsJsonWithTheirItems)
{
    Outcome run = Vantora("show --json --wait 60 " + Corpus("eml/mail-error_emails-content_transfer_encoding_with_8bits.eml"));
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    EXPECT_NE(std::string::npos, out.find("\"label\": \"www.provantage.com")) << out.substr(0, 4000);
    EXPECT_NE(std::string::npos, out.find("\"screentip\": \"Details\"")) << out.substr(0, 4000);
    EXPECT_NE(std::string::npos, out.find("Protocol :")) << out.substr(0, 4000);
    EXPECT_EQ(std::string::npos, out.find("\"errors\": [\n")) << out.substr(0, 4000);
}

// A Microsoft 365 message whose links all go through Safe Links and whose sender failed every check: the Links
// group shows the real servers, the status button warns of DMARC, and the header dialog leads with the
// receiving server's verdicts.
TEST_F(RealAddin, AMicrosoft365MessageShowsRealServersAndTheReceiversVerdicts)
{
    const std::string message = Quoted(testing_support::DataPath("mail/m365-safelinks.eml"));
    Outcome run = Vantora("show --json --wait 60 " + message);
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    EXPECT_NE(std::string::npos, out.find("\"label\": \"track.parcel-status.example")) << out.substr(0, 4000);
    EXPECT_NE(std::string::npos, out.find("\"label\": \"www.parcel-help.example")) << out.substr(0, 4000);
    EXPECT_EQ(std::string::npos, out.find("\"label\": \"eur03.safelinks")) << out.substr(0, 4000);
    // The tip's values follow their labels after a no-break space.
    EXPECT_NE(std::string::npos, out.find("Query :\\t\\t\xC2\xA0?id=88213\\nRewritten by :\\t\xC2\xA0Safe Links\""))
        << out.substr(0, 4000);
    EXPECT_NE(std::string::npos,
              out.find("The receiving server's DMARC check failed: fail (policy quarantine, shipping-notice.example)"))
        << out.substr(0, 4000);

    Outcome header = Vantora("show --wait 60 --press 1069 --dialog click=1 " + message);
    ASSERT_EQ(0, header.status) << testing_support::Tail(header.out);
    EXPECT_NE(std::string::npos, header.out.find("  | Verdicts of the receiving server:\n"
                                                 "  | SPF: fail (shipping-notice.example)\n"
                                                 "  | DKIM: none\n"
                                                 "  | DMARC: fail (policy quarantine, shipping-notice.example)\n"
                                                 "  | Composite authentication: fail (reason 000)\n"
                                                 "  | \n"
                                                 "  | Received: "))
        << header.out;
}

TEST_F(RealAddin, AppointmentsHideTheTabAndUnreadableFilesAreReported)
{
    Outcome run = Vantora("show --wait 60 " + Corpus("msg/Appointment sample EST.msg") + " /nonexistent.eml " +
                      Corpus("msg/Simple.msg"));
    EXPECT_EQ(1, run.status) << testing_support::Tail(run.out);
    EXPECT_NE(std::string::npos, run.out.find("Appointment sample EST.msg\n  tab hidden\n")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("/nonexistent.eml")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("Simple.msg\n  tab \"Info\" (1000)")) << run.out;
}

TEST_F(RealAddin, TheWholeCorpusInOneRun)
{
    std::vector<std::string> files;
    for (const char* folder : {"eml", "msg"})
        for (const auto& entry : std::filesystem::directory_iterator(std::string(VANTORA_CORPUS_DIR) + "/" + folder)) {
            std::string ext = entry.path().extension().string();
            if (ext == ".eml" || ext == ".msg")
                files.push_back(entry.path().string());
        }
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 150u);
    // Paging through every list as a person scrolling would.
    std::string arguments = "show --wait 60 --all";
    for (const std::string& f : files)
        arguments += " " + Quoted(f);
    Outcome run = Vantora(arguments);
    EXPECT_FALSE(run.signalled) << run.out.substr(run.out.size() > 3000 ? run.out.size() - 3000 : 0);
    EXPECT_EQ(0, run.status) << run.out.substr(run.out.size() > 3000 ? run.out.size() - 3000 : 0);
    EXPECT_EQ(std::string::npos, run.out.find("outstanding"));
    size_t paged = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        size_t begin = run.out.find(files[i] + "\n  tab ");
        ASSERT_NE(std::string::npos, begin) << files[i];
        size_t end = i + 1 < files.size() ? run.out.find(files[i + 1] + "\n  tab ", begin) : std::string::npos;
        std::string section = run.out.substr(begin, end == std::string::npos ? end : end - begin);
        // The last listing of each scrolling group shows the end of its list: scrolling down is off.
        for (auto [group, down] : {std::pair{1001, 1025}, {1027, 1035}, {1037, 1063}}) {
            std::string title = " [" + std::to_string(group) + "]";
            size_t last = section.rfind(title);
            if (last == std::string::npos)
                continue;
            paged += section.compare(last + title.size(), 7, ", page ") == 0;
            size_t next = section.find("\n    ", last + 1);
            while (next != std::string::npos && section.compare(next + 5, 1, " ") == 0)
                next = section.find("\n    ", next + 1);
            std::string listing = section.substr(last, next == std::string::npos ? next : next - last);
            std::string row = Row(listing, down);
            EXPECT_TRUE(row.empty() || row.find(" enabled") == std::string::npos)
                << files[i] << ": group " << group << " ends with its scroll-down enabled\n" << listing;
        }
    }
    EXPECT_GT(paged, 5u); // the corpus has lists longer than one page
}

} // namespace

namespace {

TEST_F(RealAddin, PressedControlsActAsClicks)
{
    // Down one row, back up, up past the start (refused), then the help button, recorded instead of opened.
    Outcome run = Vantora("--record-open show --wait 60 --press 1025 --press 1023 --press 1023 --press 1025 "
                          "--press _Office_Addin_Ctrl_Tag_1083 --press 4242 " +
                          Corpus("eml/sa-nice-base64.eml"));
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    EXPECT_NE(std::string::npos, out.find("pressing 1023: 0x8000FFFF")) << out;
    EXPECT_NE(std::string::npos, out.find("no control 4242 on the tab")) << out;
    EXPECT_NE(std::string::npos, out.find("[open] ")) << out;
    EXPECT_NE(std::string::npos, out.find("Help.pdf")) << out;
    // The tab as it stands after the last scroll: the second of the four servers on the first row.
    EXPECT_NE(std::string::npos, Row(out, 1002).find("\"136.201.105.1")) << out;
    EXPECT_NE(std::string::npos, Row(out, 1023).find(" enabled")) << out;
    EXPECT_NE(std::string::npos, Row(out, 1025).find(" disabled")) << out;
}

} // namespace

namespace {

TEST_F(RealAddin, AllPagesListEveryHeaderServer)
{
    Outcome run = Vantora("show --wait 60 --all " + Corpus("eml/sa-nice-spf3-received-spf.eml"));
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    // Five servers in rows of three: pages 2 and 3, and the last page shows the last server.
    EXPECT_NE(std::string::npos, out.find("IP / Location [1001], page 2\n")) << out;
    size_t last = out.find("IP / Location [1001], page 3\n");
    ASSERT_NE(std::string::npos, last) << out;
    EXPECT_EQ(std::string::npos, out.find("IP / Location [1001], page 4")) << out;
    EXPECT_NE(std::string::npos, Row(out.substr(last), 1004).find("\"65.214.43.158")) << out;
    // Without --all only the first page is listed.
    Outcome plain = Vantora("show --wait 60 " + Corpus("eml/sa-nice-spf3-received-spf.eml"));
    EXPECT_EQ(std::string::npos, plain.out.find(", page ")) << plain.out;
}

} // namespace

namespace {

TEST_F(RealAddin, DialogsOpenFromTheTabAndAreDrivenByScripts)
{
    // A refused action is reported and fails the command.
    Outcome refused = Vantora("show --wait 30 --press 1069 --dialog click=238 " + Corpus("eml/sa-nice-base64.eml"));
    EXPECT_EQ(1, refused.status) << refused.out;
    EXPECT_NE(std::string::npos, refused.out.find("dialog 1: cannot click=238")) << refused.out;
    EXPECT_EQ(std::string::npos, refused.out.find(" [1027]: hidden")) << "the message has an attachment";

    // Options: the second provider moved down through the row menu, the attachments group unticked, OK; then the
    // about box composes the details e-mail; then the header's dialog is resized and closed.
    Outcome run = Vantora("--record-open show --wait 30 --press 1081 "
                          "--dialog 'cell=220:0:1:right;menu=481;tab=214:1;check=218;click=1' "
                          "--press 1084 --dialog click=241 --press 1069 --dialog 'resize=700x500;click=1' " +
                          Corpus("eml/sa-nice-base64.eml"));
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    EXPECT_NE(std::string::npos, out.find("[dialog 1, shown]\n== Options ==")) << out;
    EXPECT_NE(std::string::npos, out.find("[menu] (Move Up [480]) Move Down [481] |")) << out;
    EXPECT_NE(std::string::npos, out.find(": chose 481")) << out;
    EXPECT_NE(std::string::npos, out.find("== About Vantora ==")) << out;
    EXPECT_NE(std::string::npos, out.find("== Message Header ==")) << out;
    size_t draft = out.find("[display] \"E-mail Details\" kept as ");
    ASSERT_NE(std::string::npos, draft) << out;
    std::string path = out.substr(draft + 35, out.find('\n', draft) - draft - 35);
    EXPECT_NE(std::string::npos, testing_support::ReadFile(path).find("Subject: E-mail Details")) << path;
    // After OK the tab is shown again without the attachments group.
    EXPECT_NE(std::string::npos, out.find(" [1027]: hidden")) << out;
}

} // namespace

namespace {

// The text a section of the output gives the sender label (1073), or an empty text.
std::string SenderIn(const std::string& out, const std::string& header)
{
    size_t at = out.find(header);
    if (at == std::string::npos)
        return std::string();
    return Row(out.substr(at), 1073);
}

TEST_F(RealAddin, AReadWindowShowsItsOwnMessageAndTheExplorerFollowsItsSelection)
{
    const std::string foo = "eml/mail-attachment_emails-attachment_nonascii_filename.eml";
    const std::string cecil = "eml/mail-error_emails-empty_group_lists.eml";
    const std::string other = "eml/mail-mime_emails-email_with_similar_boundaries.eml";
    const std::string dir = std::string(VANTORA_CORPUS_DIR) + "/";
    Outcome run = Vantora("show --wait 60 " + Corpus(foo) + " --open " + Corpus(cecil) + " " + Corpus(other) +
                          " --close " + Corpus(foo));
    ASSERT_EQ(0, run.status) << testing_support::Tail(run.out);
    const std::string& out = run.out;
    // The Read window shows its message while the Explorer's tab keeps the selection it had.
    std::string opened = out.substr(out.find(dir + cecil + " in Read window 1\n"));
    EXPECT_NE(std::string::npos, SenderIn(opened, dir + cecil).find("Cecil Edwards")) << out;
    EXPECT_NE(std::string::npos, SenderIn(opened, "meanwhile the Explorer shows " + dir + foo).find("foo@example.com"))
        << out;
    // A new selection in the Explorer shows there; the Read window's tab is left as it was.
    size_t selected = opened.find("\n" + dir + other + "\n");
    ASSERT_NE(std::string::npos, selected) << out;
    std::string after = opened.substr(selected + 1);
    EXPECT_NE(std::string::npos, SenderIn(after, dir + other).find("Xxxxx")) << out;
    EXPECT_NE(std::string::npos, SenderIn(after, "meanwhile Read window 1 shows " + dir + cecil).find("Cecil Edwards"))
        << out;
    // Closed, the Read window is gone from the output, and the Explorer still follows its selection.
    std::string last = after.substr(after.find("\n" + dir + foo + "\n") + 1);
    EXPECT_NE(std::string::npos, SenderIn(last, dir + foo).find("foo@example.com")) << out;
    EXPECT_EQ(std::string::npos, last.find("meanwhile")) << out;
    EXPECT_EQ(std::string::npos, out.find("failed:")) << out;
}

TEST_F(RealAddin, ReadWindowsAsJsonNameTheirWindow)
{
    Outcome run = Vantora("show --json --wait 60 --open " + Corpus("msg/Simple.msg") + " --close --close");
    EXPECT_EQ(1, run.status) << "a second --close has no window to close: " << testing_support::Tail(run.out);
    EXPECT_NE(std::string::npos, run.out.find("--close: no Read window is open")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\"window\": \"read 1\"")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\"otherWindows\": [\n      {\"window\": \"explorer\"")) << run.out;
}

} // namespace
