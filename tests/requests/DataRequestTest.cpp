// Link data requests against loopback servers on several loopback addresses: targets analysed (a program
// behind a PDF name, archives and their files), redirects within and across hosts, failures, time-outs,
// and the refusal of targets on reserved addresses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "Utils/DataRequest.h"
#include "Utils/SettingsManager.h"
#include "pal/host.h"
#include "support/GeoTestUtil.h"
#include "support/HttpTestUtil.h"
#include "support/LoopbackServer.h"
#include "support/TestPrefix.h"

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using testing_support::Utf8;

namespace {

std::string W8(const std::basic_string<WCHAR>& s) { return pal::ToUtf8(s.c_str()); }

bool Settle(const DataInfo* info)
{
    return testing_support::PumpUntil([info] { return !info->IsOutstanding() || info->status == RS_REDIRECTING; });
}

class DataRequestTest : public ::testing::Test {
protected:
    DataRequestTest()
        : third([](const HttpCall& c) { return Answer(c, ""); }, "127.0.0.3"),
          second([this](const HttpCall& c) { return Answer(c, third.Base()); }, "127.0.0.2"),
          first([this](const HttpCall& c) { return Answer(c, second.Base()); }, "127.0.0.1")
    {
        setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    }
    ~DataRequestTest() override { unsetenv("VANTORA_FETCH_LOOPBACK_LINKS"); }

    // /hop redirects to the next server's /hop, the last one to /archive.zip: a chain across hosts.
    static HttpReply Answer(const HttpCall& c, const std::string& next)
    {
        HttpReply r;
        r.contentType = "application/octet-stream";
        if (c.path == "/page" || c.path == "/PAGE") {
            r.contentType = "text/html";
            r.body = "<html><body><p>Hello</p></body></html>";
        } else if (c.path == "/report.pdf") {
            r.body = testing_support::ReadFile(testing_support::DataPath("files/exe/hello-x86_64.exe"));
        } else if (c.path == "/real.pdf") {
            r.body = "%PDF-1.4\n1 0 obj\n<<>>\nendobj\n%%EOF\n";
        } else if (c.path == "/program") {
            r.body = testing_support::ReadFile(testing_support::DataPath("files/exe/hello-x86_64.exe"));
        } else if (c.path == "/archive.zip") {
            r.body = testing_support::ReadFile(testing_support::DataPath("files/archive/program.zip"));
        } else if (c.path == "/hop") {
            r.status = 302;
            r.headers = {{"Location", next.empty() ? "/archive.zip" : next + "/hop"}};
        } else if (c.path == "/loop") {
            r.status = 302;
            r.headers = {{"Location", "/loop"}};
        } else if (c.path == "/to-file") {
            r.status = 302;
            r.headers = {{"Location", "file:///etc/passwd"}};
        } else if (c.path == "/to-named") {
            r.status = 302;
            r.headers = {{"Location", "http://named.example.org/real.pdf"}};
        } else if (c.path == "/hang") {
            r.hang = true;
        } else {
            r.status = 404;
            r.body = "not here";
        }
        return r;
    }

    std::basic_string<WCHAR> Url(const LoopbackServer& server, const std::string& path)
    {
        return pal::ToWide(server.Url(path));
    }

    LoopbackServer third, second, first;
    CDataRequest requests;
};

TEST_F(DataRequestTest, TargetsAreAnalysedLikeAttachments)
{
    DataInfo* program = requests.GetDownloadInfo(Url(first, "/report.pdf").c_str());
    DataInfo* pdf = requests.GetDownloadInfo(Url(first, "/real.pdf").c_str());
    DataInfo* bare = requests.GetDownloadInfo(Url(first, "/program").c_str());
    DataInfo* archive = requests.GetDownloadInfo(Url(second, "/archive.zip").c_str());
    DataInfo* page = requests.GetDownloadInfo(Url(second, "/page").c_str());
    for (DataInfo* info : {program, pdf, bare, archive, page}) {
        ASSERT_TRUE(info);
        ASSERT_TRUE(Settle(info));
        ASSERT_EQ(RS_DONE, info->status) << Utf8(info->errorText);
        ASSERT_FALSE(info->analysedFiles.empty());
        EXPECT_EQ(1, info->attempts);
    }

    // A program behind a PDF name is a mismatch; a real PDF is not.
    const AttachmentInfo& exe = program->analysedFiles[0];
    EXPECT_EQ(first.Url("/report.pdf"), W8(exe.longFileName));
    EXPECT_EQ("PDF", W8(exe.extension));
    EXPECT_EQ("EXE", W8(exe.typeName));
    EXPECT_TRUE(exe.additionalInfo.typeMismatch);
    EXPECT_EQ(1u, program->analysedFiles.size());
    EXPECT_EQ("PDF", W8(pdf->analysedFiles[0].typeName));
    EXPECT_FALSE(pdf->analysedFiles[0].additionalInfo.typeMismatch);

    // Without an extension nothing is implied, so nothing can be a mismatch.
    EXPECT_EQ("", W8(bare->analysedFiles[0].extension));
    EXPECT_EQ("EXE", W8(bare->analysedFiles[0].typeName));
    EXPECT_FALSE(bare->analysedFiles[0].additionalInfo.typeMismatch);

    // An archive lists its files after itself.
    ASSERT_EQ(4u, archive->analysedFiles.size());
    EXPECT_EQ("ZIP", W8(archive->analysedFiles[0].typeName));
    EXPECT_EQ("setup.exe", W8(archive->analysedFiles[1].longFileName));
    EXPECT_EQ("readme.txt", W8(archive->analysedFiles[2].longFileName));
    EXPECT_EQ("pixel.png", W8(archive->analysedFiles[3].longFileName));
    EXPECT_EQ("PNG", W8(archive->analysedFiles[3].typeName));

    EXPECT_EQ("HTML", W8(page->analysedFiles[0].typeName));
    // A finished record is reused: nothing is sent again.
    size_t calls = first.CallCount();
    EXPECT_EQ(program, requests.GetDownloadInfo(Url(first, "/report.pdf").c_str()));
    EXPECT_EQ(calls, first.CallCount());
}

TEST_F(DataRequestTest, OneRequestPerLinkLetterCaseCounts)
{
    DataInfo* a = requests.GetDownloadInfo(Url(first, "/page").c_str());
    DataInfo* again = requests.GetDownloadInfo(Url(first, "/page").c_str());
    DataInfo* upper = requests.GetDownloadInfo(Url(first, "/PAGE").c_str());
    EXPECT_EQ(a, again);
    EXPECT_NE(a, upper);
    ASSERT_TRUE(Settle(a));
    ASSERT_TRUE(Settle(upper));
    EXPECT_EQ(2u, first.CallCount());
    EXPECT_EQ(RS_DONE, upper->status);

    EXPECT_EQ(nullptr, requests.GetDownloadInfo(W("")));
    EXPECT_EQ(nullptr, requests.GetDownloadInfo(nullptr));
}

TEST_F(DataRequestTest, RedirectsAcrossHostsEndAtTheFinalUrl)
{
    DataInfo* info = requests.GetDownloadInfo(Url(first, "/hop").c_str());
    ASSERT_TRUE(Settle(info));
    ASSERT_EQ(RS_DONE, info->status) << Utf8(info->errorText);
    EXPECT_EQ(third.Url("/archive.zip"), Utf8(info->location));
    ASSERT_EQ(4u, info->analysedFiles.size());
    EXPECT_EQ(third.Url("/archive.zip"), W8(info->analysedFiles[0].longFileName));
    EXPECT_EQ("ZIP", W8(info->analysedFiles[0].extension));
    EXPECT_FALSE(info->analysedFiles[0].additionalInfo.typeMismatch);
    EXPECT_EQ(1u, second.CallCount());
    EXPECT_EQ(2u, third.CallCount());
}

TEST_F(DataRequestTest, FailuresLoopsAndRedirectsElsewhere)
{
    DataInfo* missing = requests.GetDownloadInfo(Url(first, "/missing").c_str());
    DataInfo* loop = requests.GetDownloadInfo(Url(second, "/loop").c_str());
    DataInfo* toFile = requests.GetDownloadInfo(Url(third, "/to-file").c_str());
    for (DataInfo* info : {missing, loop, toFile})
        ASSERT_TRUE(Settle(info));

    EXPECT_EQ(RS_FAILED, missing->status);
    EXPECT_EQ(404, missing->httpStatus);
    EXPECT_TRUE(missing->analysedFiles.empty());
    EXPECT_EQ(RS_FAILED, loop->status);
    EXPECT_TRUE(loop->analysedFiles.empty());

    // A redirect the object does not follow waits for the link code, with its target and no files.
    EXPECT_EQ(RS_REDIRECTING, toFile->status);
    EXPECT_EQ("file:///etc/passwd", Utf8(toFile->location));
    EXPECT_TRUE(toFile->analysedFiles.empty());
    // ... and asking for that target refuses it: only web addresses are fetched.
    DataInfo* file = requests.GetDownloadInfo(W("file:///etc/passwd"));
    ASSERT_TRUE(file);
    EXPECT_EQ(RS_FAILED, file->status);
    EXPECT_EQ(0, file->attempts);
    EXPECT_NE(std::string::npos, Utf8(file->errorText).find("not a web address")) << Utf8(file->errorText);

    // A failed record is sent again until the retries are used up, then stays failed.
    CSettingsManager::Instance().maxRetryCount = 2;
    for (int sends = 2; sends <= 3; ++sends) {
        ASSERT_EQ(missing, requests.GetDownloadInfo(Url(first, "/missing").c_str()));
        ASSERT_TRUE(Settle(missing));
        EXPECT_EQ(sends, missing->attempts);
    }
    size_t calls = first.CallCount();
    requests.GetDownloadInfo(Url(first, "/missing").c_str());
    EXPECT_EQ(calls, first.CallCount());
    EXPECT_EQ(RS_FAILED, missing->status);
}

TEST_F(DataRequestTest, HangingTargetIsAbortedByTheSweepAndCleared)
{
    DataInfo* hang = requests.GetDownloadInfo(Url(first, "/hang").c_str());
    DataInfo* page = requests.GetDownloadInfo(Url(first, "/page").c_str());
    ASSERT_TRUE(Settle(page));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return first.CallCount() == 2; }));
    EXPECT_TRUE(hang->IsOutstanding());

    // Not yet old enough: kept.
    requests.AbortRequests(60);
    EXPECT_TRUE(hang->IsOutstanding());
    time_t start = time(nullptr);
    while (time(nullptr) <= start)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    requests.AbortRequests(1);
    EXPECT_EQ(RS_ABORTED, hang->status);
    EXPECT_FALSE(hang->spRequest);
    EXPECT_EQ(RS_DONE, page->status);

    // Clearing the done records lets their objects go and keeps the results.
    requests.ClearRequests(RS_DONE);
    EXPECT_FALSE(page->spRequest);
    EXPECT_FALSE(page->spCallback);
    EXPECT_EQ(RS_DONE, page->status);
    EXPECT_EQ(1u, page->analysedFiles.size());

    // The sweep's retry sends the aborted record again.
    EXPECT_EQ(hang, requests.GetDownloadInfo(Url(first, "/hang").c_str()));
    EXPECT_EQ(2, hang->attempts);
    EXPECT_TRUE(hang->IsOutstanding());
    first.ReleaseHangs();
}

// The test mapping of the network sends a link to an internet host to a loopback server, without a DNS
// query: the request arrives with the link's host name.
TEST_F(DataRequestTest, TestMappingServesInternetNamesFromLoopback)
{
    setenv("VANTORA_CONNECT_TO", ("127.0.0.2:" + std::to_string(second.Port())).c_str(), 1);
    DataInfo* info = requests.GetDownloadInfo(W("http://www.example.com/report.pdf"));
    ASSERT_TRUE(Settle(info));
    unsetenv("VANTORA_CONNECT_TO");
    ASSERT_EQ(RS_DONE, info->status) << Utf8(info->errorText);
    ASSERT_EQ(1u, second.CallCount());
    EXPECT_EQ("www.example.com", second.Calls()[0].headers["host"]);
    EXPECT_EQ("http://www.example.com/report.pdf", W8(info->analysedFiles[0].longFileName));
    EXPECT_TRUE(info->analysedFiles[0].additionalInfo.typeMismatch);
}

// Without the test setting every target on a reserved address is refused before anything is sent, in
// every form the resolver takes; with it only loopback targets are let through.
TEST(DataRequestReservedTest, ReservedTargetsAreNeverFetched)
{
    unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
    LoopbackServer server([](const HttpCall&) { return HttpReply{}; });
    std::string port = std::to_string(server.Port());
    CDataRequest requests;
    const std::string targets[] = {
        server.Url("/page"),
        "http://localhost:" + port + "/page",
        "http://127.1.2.3:" + port + "/",
        "http://[::1]:" + port + "/",
        "http://2130706433:" + port + "/",
        "http://0x7f.1:" + port + "/",
        "http://0.0.0.0:" + port + "/",
        "http://10.1.2.3/",
        "http://192.168.1.1/cgi-bin/reboot?now=1",
        "http://169.254.169.254/latest/meta-data/",
        "http://[fe80::1]/",
        "http://[::ffff:192.168.0.1]/",
        "https://user:pw@172.16.0.1:8443/x.pdf",
        "http://224.0.0.1/",
    };
    for (const std::string& target : targets) {
        DataInfo* info = requests.GetDownloadInfo(pal::ToWide(target).c_str());
        ASSERT_TRUE(info) << target;
        ASSERT_TRUE(Settle(info)) << target; // a name is resolved off the thread
        EXPECT_EQ(RS_FAILED, info->status) << target;
        EXPECT_EQ(0, info->attempts) << target;
        EXPECT_FALSE(info->spRequest) << target;
        EXPECT_EQ(0, info->startTime) << target;
        EXPECT_TRUE(info->analysedFiles.empty());
        EXPECT_NE(std::string::npos, Utf8(info->errorText).find("reserved address")) << target << ": "
                                                                                      << Utf8(info->errorText);
    }
    EXPECT_NE(std::string::npos,
              Utf8(requests.GetDownloadInfo(pal::ToWide(server.Url("/page")).c_str())->errorText).find("Loopback"));
    testing_support::PumpUntil([] { return false; }, 200); // anything sent would arrive meanwhile
    EXPECT_EQ(0u, server.CallCount());

    // The test setting opens loopback only.
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    WString url;
    CComBSTR reason;
    EXPECT_TRUE(requests.CheckTarget(pal::ToWide(server.Url("/a")).c_str(), url, reason));
    EXPECT_TRUE(requests.CheckTarget(W("http://[::1]:8/a"), url, reason));
    EXPECT_FALSE(requests.CheckTarget(W("http://10.1.2.3/"), url, reason));
    EXPECT_FALSE(requests.CheckTarget(W("http://[fc00::1]/"), url, reason));
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "yes", 1);
    EXPECT_FALSE(requests.CheckTarget(pal::ToWide(server.Url("/a")).c_str(), url, reason));
    unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
}

} // namespace

// Names are resolved off the thread, once per host: the records wait as pending meanwhile.
TEST_F(DataRequestTest, HostsResolveOnceOffTheThread)
{
    setenv("VANTORA_CONNECT_TO", ("127.0.0.1:" + std::to_string(first.Port())).c_str(), 1);
    setenv("VANTORA_RESOLVE_DELAY_MS", "300", 1);
    std::vector<DataInfo*> infos;
    for (int i = 0; i < 5; ++i) {
        std::string url = "http://slow.example.com/page?i=" + std::to_string(i);
        infos.push_back(requests.GetDownloadInfo(pal::ToWide(url).c_str()));
        ASSERT_TRUE(infos.back());
        EXPECT_EQ(RS_PENDING, infos.back()->status);
        EXPECT_EQ(0, infos.back()->attempts);
        EXPECT_TRUE(infos.back()->IsOutstanding());
    }
    EXPECT_EQ(1u, requests.LookupCount());
    for (DataInfo* info : infos) {
        ASSERT_TRUE(Settle(info));
        EXPECT_EQ(RS_DONE, info->status) << Utf8(info->errorText);
    }
    unsetenv("VANTORA_RESOLVE_DELAY_MS");
    unsetenv("VANTORA_CONNECT_TO");
    EXPECT_EQ(1u, requests.LookupCount());
    EXPECT_EQ(5u, first.CallCount());
}

// A few requests run at once; the others wait their turn in the queue, which ended transfers release.
TEST_F(DataRequestTest, RequestsTakeTurns)
{
    setenv("VANTORA_CONNECT_TO", ("127.0.0.1:" + std::to_string(first.Port())).c_str(), 1);
    const size_t total = CDataRequest::MAX_RUNNING + 4;
    std::vector<DataInfo*> infos;
    for (size_t i = 0; i < total; ++i) {
        std::string url = "http://h" + std::to_string(i) + ".example.com/hang";
        infos.push_back(requests.GetDownloadInfo(pal::ToWide(url).c_str()));
        ASSERT_TRUE(infos.back());
    }
    // libcurl itself holds all but a few connections to one server back: the add-in's turns are counted.
    ASSERT_TRUE(testing_support::PumpUntil([&] { return first.CallCount() > 0; }));
    testing_support::PumpUntil([] { return false; }, 200);
    EXPECT_EQ(CDataRequest::MAX_RUNNING, requests.RunningCount());
    EXPECT_EQ(total - CDataRequest::MAX_RUNNING, requests.QueuedCount());
    size_t unsent = 0;
    for (DataInfo* info : infos)
        unsent += info->attempts == 0 && info->status == RS_PENDING;
    EXPECT_EQ(total - CDataRequest::MAX_RUNNING, unsent);
    EXPECT_LE(first.CallCount(), CDataRequest::MAX_RUNNING);

    first.ReleaseHangs();
    for (DataInfo* info : infos)
        ASSERT_TRUE(Settle(info));
    unsetenv("VANTORA_CONNECT_TO");
    EXPECT_EQ(total, first.CallCount());
    EXPECT_EQ(total, requests.LookupCount());
    EXPECT_EQ(0u, requests.QueuedCount());
}

// A new message drops what waits: the records are no longer outstanding and nothing is sent.
TEST_F(DataRequestTest, ForgettingTheQueueSendsNothing)
{
    setenv("VANTORA_CONNECT_TO", ("127.0.0.1:" + std::to_string(first.Port())).c_str(), 1);
    setenv("VANTORA_RESOLVE_DELAY_MS", "200", 1);
    DataInfo* info = requests.GetDownloadInfo(W("http://later.example.com/page"));
    ASSERT_TRUE(info);
    EXPECT_EQ(RS_PENDING, info->status);
    requests.ForgetQueued();
    EXPECT_EQ(RS_NONE, info->status);
    EXPECT_FALSE(info->IsOutstanding());
    testing_support::PumpUntil([] { return false; }, 500);
    unsetenv("VANTORA_RESOLVE_DELAY_MS");
    EXPECT_EQ(0u, first.CallCount());
    // Asked for again, it is resolved and sent.
    EXPECT_EQ(info, requests.GetDownloadInfo(W("http://later.example.com/page")));
    ASSERT_TRUE(Settle(info));
    unsetenv("VANTORA_CONNECT_TO");
    EXPECT_EQ(RS_DONE, info->status);
    EXPECT_EQ(1u, first.CallCount());
}

// A name the resolver has not answered within the reply time-out fails the records waiting for it.
TEST_F(DataRequestTest, UnansweredNameFailsAfterTheReplyTimeout)
{
    CSettingsManager& settings = CSettingsManager::Instance();
    const int timeout = settings.serverReplyTimeout;
    settings.serverReplyTimeout = 1;
    setenv("VANTORA_RESOLVE_DELAY_MS", "5000", 1);
    DataInfo* info = requests.GetDownloadInfo(W("http://mute.example.com/page"));
    ASSERT_TRUE(info);
    time_t start = time(nullptr);
    testing_support::PumpUntil([&] { return time(nullptr) > start + 1; }, 5000);
    requests.UpdateRequests();
    unsetenv("VANTORA_RESOLVE_DELAY_MS");
    settings.serverReplyTimeout = timeout;
    EXPECT_EQ(RS_FAILED, info->status);
    EXPECT_EQ(0, info->attempts);
    EXPECT_NE(std::string::npos, Utf8(info->errorText).find("could not be resolved: mute.example.com"))
        << Utf8(info->errorText);
}

// The final address after redirects the object followed is on a host not yet resolved: the answer waits
// for that host, outstanding, and is then analysed.
TEST_F(DataRequestTest, FinalAddressOnANewHostIsResolvedFirst)
{
    setenv("VANTORA_CONNECT_TO", ("127.0.0.1:" + std::to_string(first.Port())).c_str(), 1);
    setenv("VANTORA_RESOLVE_DELAY_MS", "200", 1);
    DataInfo* info = requests.GetDownloadInfo(Url(first, "/to-named").c_str());
    ASSERT_TRUE(info);
    bool waited = false;
    ASSERT_TRUE(testing_support::PumpUntil([&] {
        waited = waited || (first.CallCount() == 2 && info->status == RS_INTERACTIVE);
        return !info->IsOutstanding();
    }));
    unsetenv("VANTORA_RESOLVE_DELAY_MS");
    unsetenv("VANTORA_CONNECT_TO");
    EXPECT_TRUE(waited);
    ASSERT_EQ(RS_DONE, info->status) << Utf8(info->errorText);
    EXPECT_EQ("http://named.example.org/real.pdf", Utf8(info->location));
    ASSERT_EQ(1u, info->analysedFiles.size());
    EXPECT_EQ("PDF", W8(info->analysedFiles[0].extension));
    EXPECT_EQ(2u, requests.LookupCount());
}
