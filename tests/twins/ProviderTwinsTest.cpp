// provider_twins as a process: the environment file it writes, each twin's answers in its service's format
// and as the add-in's provider classes read them, the addresses the services cannot place, and how the
// programme ends.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "Utils/SettingsManager.h"
#include "geo/GeoLocationManager.h"
#include "geo/GeoLocationProviders.h"
#include "NetworkRouter.h"
#include "RawHttp.h"
#include "geo/ProviderTestUtil.h"
#include "support/JsonReader.h"
#include "support/TestPrefix.h"

using testing_support::JsonReader;
using testing_support::JsonValue;
using testing_support::Locate;
using testing_support::Utf8;

namespace {

const std::string kProgramme = std::string(VANTORA_BIN_DIR) + "/provider_twins";

// The programme with its standard input on a pipe the test holds (or /dev/null) and its standard output
// in a file.
class TwinsProcess {
public:
    explicit TwinsProcess(std::vector<std::string> args, bool stdinPipe = true)
        : m_envFile(testing_support::Prefix() + "/twins.env"), m_outFile(testing_support::Prefix() + "/twins.out")
    {
        if (args.empty())
            args = {"--env-file", m_envFile};
        int fds[2] = {-1, -1};
        if (stdinPipe && pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            int in = stdinPipe ? fds[0] : open("/dev/null", O_RDONLY);
            int out = open(m_outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(in, 0);
            dup2(out, 1);
            if (stdinPipe)
                close(fds[1]);
            std::vector<char*> argv{const_cast<char*>(kProgramme.c_str())};
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (stdinPipe) {
            close(fds[0]);
            m_stdin = fds[1];
        }
    }
    ~TwinsProcess()
    {
        CloseStdin();
        if (m_pid > 0 && Wait(5000) == kRunning) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    static constexpr int kRunning = -1000;

    void CloseStdin()
    {
        if (m_stdin >= 0)
            close(m_stdin);
        m_stdin = -1;
    }
    void Signal(int signal) { kill(m_pid, signal); }
    // The exit status (negative: the signal that ended it), or kRunning after the time.
    int Wait(int timeoutMs)
    {
        for (int waited = 0; m_pid > 0; waited += 10) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
                break;
            }
            if (waited >= timeoutMs)
                return kRunning;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return m_status;
    }
    // The variables of the environment file, once it is there.
    std::map<std::string, std::string> Env(int timeoutMs = 10000)
    {
        for (int waited = 0; access(m_envFile.c_str(), F_OK) != 0 && waited < timeoutMs; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::map<std::string, std::string> env;
        std::ifstream in(m_envFile);
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            env[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
        }
        return env;
    }
    const std::string& EnvFile() const { return m_envFile; }
    std::string Stdout() const { return testing_support::ReadFile(m_outFile); }

private:
    std::string m_envFile, m_outFile;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_status = kRunning;
};

// The twins started, their variables in this process's environment, and every other web service pointed
// at a closed loopback port, so that nothing here can reach the network.
class ProviderTwins : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_process = std::make_unique<TwinsProcess>(std::vector<std::string>{});
        m_env = m_process->Env();
        ASSERT_EQ(m_env.size(), 3u) << testing_support::ReadFile(m_process->EnvFile());
        for (int s = 0; s <= int(GeoService::Ip2Location); ++s) {
            std::string name = "VANTORA_ENDPOINT_" + pal::ToUtf8(CGeoEndpoints::VariableSuffix(GeoService(s)));
            auto twin = m_env.find(name);
            setenv(name.c_str(), twin != m_env.end() ? twin->second.c_str() : "http://127.0.0.1:9", 1);
        }
    }
    void TearDown() override
    {
        for (int s = 0; s <= int(GeoService::Ip2Location); ++s)
            unsetenv(("VANTORA_ENDPOINT_" + pal::ToUtf8(CGeoEndpoints::VariableSuffix(GeoService(s)))).c_str());
    }

    // The twin's raw answer to a target.
    std::string Get(const std::string& suffix, const std::string& target, int* status = nullptr)
    {
        std::smatch m;
        std::string base = m_env["VANTORA_ENDPOINT_" + suffix];
        if (!std::regex_match(base, m, std::regex(R"(http://127\.0\.0\.1:(\d+))")))
            return "bad base: " + base;
        twins_test::RawAnswer answer = twins_test::RawGet(std::stoi(m[1]), target);
        if (status)
            *status = answer.status;
        return answer.status < 0 ? std::string("(no answer)") : answer.body;
    }

    static JsonValue Json(const std::string& text)
    {
        JsonValue v;
        EXPECT_TRUE(JsonReader(text).Document(v)) << text;
        return v;
    }
    static std::string At(const JsonValue& v, std::initializer_list<const char*> path)
    {
        const JsonValue* p = &v;
        for (const char* key : path)
            if (!(p = p->Find(key)))
                return "(none)";
        return p->kind == JsonValue::String ? p->text : p->kind == JsonValue::Number ? p->text : "(not text)";
    }
    static std::string XmlAt(const std::string& xml, const std::string& tag)
    {
        size_t a = xml.find("<" + tag + ">");
        size_t b = xml.find("</" + tag + ">");
        return a == std::string::npos || b == std::string::npos ? "(none)" : xml.substr(a + tag.size() + 2, b - a - tag.size() - 2);
    }

    std::unique_ptr<TwinsProcess> m_process;
    std::map<std::string, std::string> m_env;
};

TEST_F(ProviderTwins, EachTwinAnswersInItsServicesFormatAndItsProviderReadsIt)
{
    const std::string address = "8.8.8.8";
    for (const char* suffix : {"KEYCDN", "IPAPICO", "DBIP"})
        EXPECT_TRUE(std::regex_match(m_env[std::string("VANTORA_ENDPOINT_") + suffix],
                                     std::regex(R"(http://127\.0\.0\.1:[1-9][0-9]*)")));

    std::string keycdn = Get("KEYCDN", "/geo.json?host=" + address);
    EXPECT_EQ(Get("KEYCDN", "/geo.json?host=" + address), keycdn);
    JsonValue k = Json(keycdn);
    EXPECT_EQ(At(k, {"status"}), "success");
    CKeyCDN keyCdn;
    IPLocationInfo* fromKeyCdn = Locate(keyCdn, address);
    ASSERT_NE(fromKeyCdn, nullptr);
    ASSERT_EQ(fromKeyCdn->status, RS_DONE);
    EXPECT_EQ(pal::ToUtf8(fromKeyCdn->countryCode), At(k, {"data", "geo", "country_code"}));
    EXPECT_EQ(Utf8(fromKeyCdn->countryName), At(k, {"data", "geo", "country_name"}));
    EXPECT_EQ(Utf8(fromKeyCdn->city), At(k, {"data", "geo", "city"}));
    EXPECT_EQ(Utf8(fromKeyCdn->hostName), At(k, {"data", "geo", "rdns"}));
    EXPECT_EQ(Utf8(fromKeyCdn->organization), At(k, {"data", "geo", "isp"})); // the AS number is numeric
    EXPECT_NE(fromKeyCdn->latitude, 0);
    // KeyCDN also locates the servers of links by name.
    IPLocationInfo* byName = Locate(keyCdn, "mail.example.com");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->status, RS_DONE);
    EXPECT_EQ(Utf8(byName->hostName), "mail.example.com");
    EXPECT_EQ(Get("KEYCDN", "/geo.json?host=MAIL.example.com"), Get("KEYCDN", "/geo.json?host=mail.example.com"));

    std::string ipapi = Get("IPAPICO", "/" + address + "/xml/");
    EXPECT_EQ(Get("IPAPICO", "/" + address + "/xml/"), ipapi);
    EXPECT_EQ(ipapi.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u) << ipapi;
    CIpApiCo ipApiCo;
    IPLocationInfo* fromIpApi = Locate(ipApiCo, address);
    ASSERT_NE(fromIpApi, nullptr);
    ASSERT_EQ(fromIpApi->status, RS_DONE);
    EXPECT_EQ(pal::ToUtf8(fromIpApi->countryCode), XmlAt(ipapi, "country"));
    EXPECT_EQ(Utf8(fromIpApi->region), XmlAt(ipapi, "region"));
    EXPECT_EQ(Utf8(fromIpApi->organization), XmlAt(ipapi, "asn"));
    EXPECT_DOUBLE_EQ(fromIpApi->latitude, std::stod(XmlAt(ipapi, "latitude")));

    std::string dbip = Get("DBIP", "/v2/wupz/" + address);
    EXPECT_EQ(Get("DBIP", "/v2/wupz/" + address), dbip);
    JsonValue d = Json(dbip);
    CDbIpCom dbIp;
    IPLocationInfo* fromDbIp = Locate(dbIp, address);
    ASSERT_NE(fromDbIp, nullptr);
    ASSERT_EQ(fromDbIp->status, RS_DONE);
    EXPECT_EQ(pal::ToUtf8(fromDbIp->countryCode), At(d, {"countryCode"}));
    EXPECT_EQ(Utf8(fromDbIp->city), At(d, {"city"}));
    EXPECT_EQ(Utf8(fromDbIp->postalCode), At(d, {"zipCode"}));

    // The same address written otherwise is the same address.
    EXPECT_EQ(Get("IPAPICO", "/2a00:1450:4001:81c:0:0:0:200e/xml/"), Get("IPAPICO", "/2a00:1450:4001:81c::200e/xml/"));
    EXPECT_EQ(m_process->Stdout(), "");
}

TEST_F(ProviderTwins, DbIpAndKeyCdnDisagreeOnSomeAddressesAndTheAddInSaysSo)
{
    std::string differ, agree;
    for (int n = 1; n < 80 && (differ.empty() || agree.empty()); ++n) {
        std::string address = "81.2.69." + std::to_string(n);
        std::string keycdn = At(Json(Get("KEYCDN", "/geo.json?host=" + address)), {"data", "geo", "country_code"});
        std::string dbip = At(Json(Get("DBIP", "/v2/wupz/" + address)), {"countryCode"});
        EXPECT_EQ(XmlAt(Get("IPAPICO", "/" + address + "/xml/"), "country"), keycdn) << address;
        (keycdn == dbip ? agree : differ) = address;
    }
    ASSERT_FALSE(differ.empty());
    ASSERT_FALSE(agree.empty());
    CKeyCDN keyCdn;
    CIpApiCo ipApiCo;
    CDbIpCom dbIp;
    for (const std::string& address : {differ, agree}) {
        IPInfo record = testing_support::MakeAddress(address);
        for (CIPRequest* provider : std::initializer_list<CIPRequest*>{&keyCdn, &ipApiCo, &dbIp})
            record.locationInfo.push_back(Locate(*provider, address));
        EXPECT_EQ(record.ProvidersDisagree(), address == differ) << address;
    }
}

TEST_F(ProviderTwins, AddressesTheServicesCannotPlaceAreAnsweredAsTheServicesDo)
{
    // The add-in never asks for reserved addresses, so their answers are read here directly.
    auto read = [](CIPRequest& provider, const std::string& answer) {
        IPLocationInfo info;
        provider.processResult(pal::ToWide(answer).c_str(), &info);
        return std::make_tuple(info.status, pal::ToUtf8(info.countryCode), Utf8(info.errorText));
    };
    CKeyCDN keyCdn;
    CIpApiCo ipApiCo;
    CDbIpCom dbIp;
    EXPECT_EQ(read(keyCdn, Get("KEYCDN", "/geo.json?host=10.1.2.3")), std::make_tuple(RS_DONE, std::string(), std::string()));
    EXPECT_EQ(read(keyCdn, Get("KEYCDN", "/geo.json?host=bad%20name!")),
              std::make_tuple(RS_FAILED, std::string(), std::string("Please provide a valid IP address or hostname.")));
    EXPECT_EQ(read(ipApiCo, Get("IPAPICO", "/192.168.1.1/xml/")),
              std::make_tuple(RS_FAILED, std::string(), std::string("Reserved IP Address")));
    EXPECT_EQ(read(ipApiCo, Get("IPAPICO", "/2001:db8::1/xml/")),
              std::make_tuple(RS_FAILED, std::string(), std::string("Reserved IP Address")));
    EXPECT_EQ(read(ipApiCo, Get("IPAPICO", "/mail.example.com/xml/")),
              std::make_tuple(RS_FAILED, std::string(), std::string("Invalid IP Address")));
    EXPECT_EQ(read(dbIp, Get("DBIP", "/v2/wupz/::1")),
              std::make_tuple(RS_FAILED, std::string(), std::string("INVALID_ADDRESS : invalid address")));

    int status = 0;
    Get("DBIP", "/v2/wupz", &status);
    EXPECT_EQ(status, 404);
    Get("KEYCDN", "/geo.json?ip=8.8.8.8", &status);
    EXPECT_EQ(status, 404);
    // A request line longer than the server takes is refused, and the twin goes on answering.
    Get("DBIP", "/v2/wupz/" + std::string(20000, '1'), &status);
    EXPECT_EQ(status, 414);
    Get("DBIP", "/v2/wupz/8.8.8.8", &status);
    EXPECT_EQ(status, 200);
}

TEST_F(ProviderTwins, EveryWebServiceOfTheDefaultSelectionHasATwin)
{
    CSettingsManager& settings = CSettingsManager::Instance();
    settings.providersOrder.clear();
    settings.selectedProviders.clear();
    settings.providerKeys.clear();
    CGeoLocationManager& manager = CGeoLocationManager::Instance();
    manager.InitOnStartup();
    size_t web = 0;
    for (CIPRequest* provider : manager.GetSelectedProviders()) {
        if (dynamic_cast<CIpFireLocation*>(provider))
            continue; // its answers come from the local database
        ++web;
        IPLocationInfo* info = Locate(*provider, "81.2.69.160");
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->status, RS_DONE) << pal::ToUtf8(provider->GetProviderName().c_str());
    }
    EXPECT_EQ(web, 3u);
    manager.CleanUpOnClose();
}

TEST(ProviderTwinsProcess, EndsWithItsInputOrOnSigtermAndPrintsNothing)
{
    {
        TwinsProcess twins({});
        EXPECT_FALSE(twins.Env().empty());
        EXPECT_EQ(twins.Wait(200), TwinsProcess::kRunning);
        twins.CloseStdin();
        EXPECT_EQ(twins.Wait(10000), 0);
        EXPECT_EQ(twins.Stdout(), "");
    }
    {
        // Started from a script with no input: only a signal ends it.
        TwinsProcess twins({"--env-file", testing_support::Prefix() + "/twins.env", "--ignore-stdin"}, false);
        EXPECT_FALSE(twins.Env().empty());
        EXPECT_EQ(twins.Wait(300), TwinsProcess::kRunning);
        twins.Signal(SIGTERM);
        EXPECT_EQ(twins.Wait(10000), 0);
    }
    {
        // Without --ignore-stdin, an input that is already at its end stops it at once.
        std::remove((testing_support::Prefix() + "/twins.env").c_str());
        TwinsProcess twins({}, false);
        EXPECT_EQ(twins.Wait(10000), 0);
    }
}

TEST(ProviderTwinsProcess, BadUsageAndAnEnvironmentFileThatCannotBeWritten)
{
    TwinsProcess noArguments({"--env-file"});
    EXPECT_EQ(noArguments.Wait(10000), 2);
    TwinsProcess unknown({"--env-file", testing_support::Prefix() + "/x.env", "--port", "80"});
    EXPECT_EQ(unknown.Wait(10000), 2);
    EXPECT_NE(access((testing_support::Prefix() + "/x.env").c_str(), F_OK), 0);
    TwinsProcess nowhere({"--env-file", testing_support::Prefix() + "/missing/dir/twins.env"});
    EXPECT_EQ(nowhere.Wait(10000), 1);
}

TEST(ProviderTwinsRouter, AnswersForTheTwinsByHostAndResetsEverythingElse)
{
    TwinsProcess twins({"--env-file", testing_support::Prefix() + "/twins.env", "--connect-to"});
    std::map<std::string, std::string> env = twins.Env();
    ASSERT_EQ(env.size(), 4u);
    auto port = [&](const std::string& name) { return std::stoi(env[name].substr(env[name].rfind(':') + 1)); };
    int router = port("VANTORA_CONNECT_TO"), dbip = port("VANTORA_ENDPOINT_DBIP");
    EXPECT_EQ(env["VANTORA_CONNECT_TO"], "127.0.0.1:" + std::to_string(router));

    // What the platform layer does with VANTORA_CONNECT_TO: the twin's URL, sent to the router.
    twins_test::RawAnswer direct = twins_test::RawGet(dbip, "/v2/wupz/8.8.8.8");
    twins_test::RawAnswer routed = twins_test::RawGet(router, "/v2/wupz/8.8.8.8", "127.0.0.1:" + std::to_string(dbip));
    EXPECT_EQ(routed.status, 200);
    EXPECT_EQ(routed.body, direct.body);
    // A link of the message, a TLS handshake, a loopback port that is no twin: nothing.
    EXPECT_EQ(twins_test::RawGet(router, "/", "www.example.com").status, -1);
    EXPECT_EQ(twins_test::RawExchange(router, std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)), "");
    EXPECT_EQ(twins_test::RawGet(router, "/", "127.0.0.1:" + std::to_string(router)).status, -1);
    // The router goes on after each of them.
    EXPECT_EQ(twins_test::RawGet(router, "/v2/wupz/8.8.8.8", "127.0.0.1:" + std::to_string(dbip)).body, direct.body);
    twins.CloseStdin();
    EXPECT_EQ(twins.Wait(10000), 0);
}

TEST(ProviderTwinsRouter, RequestHeads)
{
    const std::map<int, twins::Service> ports = {{4000, twins::Service::IpApiCo}};
    auto route = [&](const std::string& head) { return twins::RouteRequest(head, ports); };
    std::optional<std::string> get = route("GET /8.8.8.8/xml/ HTTP/1.1\r\nUser-Agent: x\r\nhOST:  127.0.0.1:4000 \r\n");
    ASSERT_TRUE(get.has_value());
    EXPECT_EQ(get->rfind("HTTP/1.1 200 OK\r\nContent-Type: application/xml; charset=utf-8\r\nContent-Length: ", 0), 0u) << *get;
    EXPECT_NE(get->find("<country>"), std::string::npos);
    std::optional<std::string> head = route("HEAD /8.8.8.8/xml/ HTTP/1.1\r\nHost: 127.0.0.1:4000\r\n");
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ(head->substr(head->size() - 4), "\r\n\r\n"); // no body
    EXPECT_EQ(route("GET /x HTTP/1.1\r\nHost: 127.0.0.1:4000\r\n")->rfind("HTTP/1.1 404 Not Found", 0), 0u);
    for (const char* refused : {"POST /8.8.8.8/xml/ HTTP/1.1\r\nHost: 127.0.0.1:4000\r\n",
                                "GET /8.8.8.8/xml/ HTTP/1.1\r\n", "GET /8.8.8.8/xml/ HTTP/1.1\r\nHost: 127.0.0.1:4001\r\n",
                                "GET /8.8.8.8/xml/ HTTP/1.1\r\nHost: 127.0.0.1:99999999999\r\n",
                                "GET /8.8.8.8/xml/ HTTP/1.1\r\nHost: localhost:4000\r\n", "GET\r\nHost: 127.0.0.1:4000\r\n", ""})
        EXPECT_FALSE(route(refused).has_value()) << refused;
}

} // namespace
