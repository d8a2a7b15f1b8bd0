// The request core against loopback servers: states, redirects, quota, clearing and the KeyCDN header.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <type_traits>

#include "Utils/IPLocationInfo.h"
#include "Utils/RequestBase.h"
#include "Utils/RequestNotify.h"
#include "pal/host.h"
#include "pal/http_limits.h"
#include "pal/loop.h"
#include "support/HttpTestUtil.h"
#include "support/LoopbackServer.h"

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

namespace {

struct TestRecord : RequestInfo {
    explicit TestRecord(bool server = false) : m_server(server) { Reset(); }
    CLSID GetClassId() const override { return m_server ? CLSID_ServerXMLHTTP60 : CLSID_XMLHTTP60; }
    void Reset() override { RequestInfo::Reset(); }
    size_t MaxAnswerLength() const override { return m_maxLength; }
    bool m_server;
    size_t m_maxLength = 0;
};

// A copy would share the live HTTP object and abort it when destroyed: records are never copied.
static_assert(!std::is_copy_constructible_v<TestRecord> && !std::is_copy_assignable_v<TestRecord>);
static_assert(!std::is_copy_constructible_v<IPLocationInfo> && !std::is_copy_assignable_v<IPLocationInfo>);
static_assert(!std::is_move_constructible_v<IPLocationInfo>, "callbacks point at the record: it never moves");

// Accepts every answer, keeping its text.
class RecordingOwner : public CRequestBase {
public:
    void processResult(RequestInfo* info) override
    {
        ++calls;
        CComBSTR text;
        if (SUCCEEDED(info->spRequest->get_responseText(&text)) && text)
            lastText = pal::ToUtf8(text.m_str);
        info->status = RS_DONE;
    }
    int calls = 0;
    std::string lastText;
};

class RequestCoreTest : public ::testing::Test {
protected:
    RequestCoreTest()
        : server([](const HttpCall& c) {
              HttpReply r;
              if (c.path == "/ok" || c.path == "/chunked") {
                  r.body = "{\"a\":\"b\"}";
                  r.chunked = c.path == "/chunked";
              } else if (c.path == "/moved") {
                  r.status = 302;
                  r.headers = {{"Location", "/ok"}};
              } else if (c.path == "/hang") {
                  r.hang = true;
              } else if (c.path.size() == 4 || (c.path.size() == 5 && c.path[4] == 'L')) {
                  r.status = std::stoi(c.path.substr(1, 3));
                  if (c.path.size() == 5)
                      r.headers = {{"Location", "http://127.0.0.1:1/next"}};
                  r.body = "body";
              }
              return r;
          })
    {
    }

    bool Settle(RequestInfo& info)
    {
        return testing_support::PumpUntil(
            [&] { return info.status < RS_REQUESTING || info.status > RS_INTERACTIVE; });
    }

    std::u16string Url(const std::string& path) { return pal::ToWide(server.Url(path)); }

    LoopbackServer server;
    RecordingOwner owner;
};

TEST_F(RequestCoreTest, AcceptedAnswerGoesThroughTheOwner)
{
    TestRecord info;
    owner.requestAsync(Url("/ok").c_str(), &info);
    EXPECT_EQ(info.status, RS_REQUESTING);
    EXPECT_GT(info.startTime, 0);
    EXPECT_EQ(info.attempts, 1);
    EXPECT_TRUE(info.spCallback);
    ASSERT_TRUE(Settle(info));
    EXPECT_EQ(info.status, RS_DONE);
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(owner.lastText, "{\"a\":\"b\"}");
    EXPECT_EQ(info.httpStatus, 0);
    info.ClearRequest(false);
    EXPECT_EQ(info.status, RS_DONE); // a clear without abort keeps the state
    EXPECT_EQ(info.startTime, 0);
    EXPECT_FALSE(info.spRequest);
    EXPECT_FALSE(info.spCallback);
    info.ClearRequest(true); // twice is harmless: nothing is left to abort
    EXPECT_EQ(info.status, RS_DONE);
}

TEST_F(RequestCoreTest, FinalStatusesMapToTheirStates)
{
    struct Case {
        const char* path;
        RequestStatus status;
        LONG httpStatus;
        bool owner;
    } cases[] = {
        {"/429", RS_QUOTA_EXCEEDED, 429, false}, {"/500", RS_FAILED, 500, false},
        {"/300L", RS_FAILED, 300, false},        {"/309L", RS_FAILED, 309, false},
        {"/304L", RS_REDIRECTING, 0, false},     {"/305L", RS_REDIRECTING, 0, false},
        {"/306L", RS_REDIRECTING, 0, false},     {"/301", RS_DONE, 0, true},
        {"/308", RS_DONE, 0, true},
    };
    for (const Case& c : cases) {
        owner.calls = 0;
        TestRecord info;
        owner.requestAsync(Url(c.path).c_str(), &info);
        ASSERT_TRUE(Settle(info)) << c.path;
        EXPECT_EQ(info.status, c.status) << c.path;
        EXPECT_EQ(info.httpStatus, c.httpStatus) << c.path;
        EXPECT_EQ(owner.calls, c.owner ? 1 : 0) << c.path;
        if (c.status == RS_REDIRECTING) {
            EXPECT_EQ(pal::ToUtf8(info.location.m_str), "http://127.0.0.1:1/next") << c.path;
            EXPECT_TRUE(info.IsOutstanding()) << "a redirect waits for its owner to follow it";
        }
    }
}

TEST_F(RequestCoreTest, DigestedAnswersLeaveOnlyTheirResult)
{
    for (const char* path : {"/ok", "/500", "/429"}) {
        TestRecord info;
        owner.requestAsync(Url(path).c_str(), &info);
        ASSERT_TRUE(Settle(info)) << path;
        EXPECT_FALSE(info.IsOutstanding()) << path;
        EXPECT_FALSE(info.spRequest) << path << ": a final record holds no HTTP object";
        EXPECT_FALSE(info.spCallback) << path;
    }
    EXPECT_EQ(owner.lastText, "{\"a\":\"b\"}"); // read before it was released

    // A redirect waits for its owner, and a time-out may still abort it: the object stays, empty.
    TestRecord moved;
    owner.requestAsync(Url("/306L").c_str(), &moved);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return moved.status == RS_REDIRECTING; }));
    ASSERT_TRUE(moved.spRequest);
    EXPECT_EQ(pal::HttpAnswerBytesHeld(moved.spRequest), 0u);
    EXPECT_EQ(pal::ToUtf8(moved.location.m_str), "http://127.0.0.1:1/next");
    moved.ClearRequest(true);
    EXPECT_EQ(moved.status, RS_ABORTED);
    EXPECT_FALSE(moved.IsOutstanding());
}

// Chunked, so that no declared length refuses it early: the size received decides, before the owner (who
// would decode the text) ever sees the answer.
TEST_F(RequestCoreTest, AnswersLongerThanTheRecordsBoundFailUndecoded)
{
    TestRecord tooLong, fits;
    tooLong.m_maxLength = 8;
    fits.m_maxLength = 9;
    owner.requestAsync(Url("/chunked").c_str(), &tooLong);
    owner.requestAsync(Url("/chunked").c_str(), &fits);
    ASSERT_TRUE(Settle(tooLong) && Settle(fits));
    EXPECT_EQ(tooLong.status, RS_FAILED);
    EXPECT_FALSE(tooLong.spRequest);
    EXPECT_EQ(fits.status, RS_DONE);
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(owner.lastText, "{\"a\":\"b\"}");
}

TEST_F(RequestCoreTest, ServerObjectRecordsTheUrlFinallyFetched)
{
    TestRecord client(false), serverSide(true);
    owner.requestAsync(Url("/moved").c_str(), &client);
    owner.requestAsync(Url("/moved").c_str(), &serverSide);
    ASSERT_TRUE(Settle(client));
    ASSERT_TRUE(Settle(serverSide));
    EXPECT_EQ(client.status, RS_DONE);
    EXPECT_FALSE(client.location);
    EXPECT_EQ(pal::ToUtf8(serverSide.location.m_str), server.Url("/ok"));
}

TEST_F(RequestCoreTest, AbortedRequestIgnoresLateEventsAndCanBeResent)
{
    TestRecord info;
    owner.requestAsync(Url("/hang").c_str(), &info);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return server.CallCount() == 1; }));
    info.ClearRequest(true);
    EXPECT_EQ(info.status, RS_ABORTED);
    EXPECT_EQ(info.startTime, 0);
    EXPECT_FALSE(info.IsOutstanding());
    server.ReleaseHangs();
    pal::PumpFor(200);
    EXPECT_EQ(info.status, RS_ABORTED);
    // Retries count on: the third send leaves attempts at 3.
    owner.requestAsync(Url("/ok").c_str(), &info);
    ASSERT_TRUE(Settle(info));
    info.ClearRequest(false);
    owner.requestAsync(Url("/ok").c_str(), &info);
    ASSERT_TRUE(Settle(info));
    EXPECT_EQ(info.attempts, 3);
    EXPECT_EQ(info.status, RS_DONE);
}

TEST_F(RequestCoreTest, SendingTwiceWithoutClearingIsRefused)
{
    TestRecord info;
    owner.requestAsync(Url("/ok").c_str(), &info);
    CComPtr<IXMLHTTPRequest> first = info.spRequest;
    owner.requestAsync(Url("/ok").c_str(), &info);
    EXPECT_EQ(info.spRequest, first.p);
    EXPECT_EQ(info.attempts, 1);
    owner.requestAsync(nullptr, &info);
    owner.requestAsync(W(""), &info);
    owner.requestAsync(Url("/ok").c_str(), nullptr);
    ASSERT_TRUE(Settle(info));
    EXPECT_EQ(info.status, RS_DONE);
}

TEST_F(RequestCoreTest, UnreachableServerFails)
{
    int port = 0;
    {
        LoopbackServer gone([](const HttpCall&) { return HttpReply{}; });
        port = gone.Port();
    }
    TestRecord info;
    owner.requestAsync(pal::ToWide("http://127.0.0.1:" + std::to_string(port) + "/").c_str(), &info);
    ASSERT_TRUE(Settle(info));
    EXPECT_EQ(info.status, RS_FAILED);
    EXPECT_EQ(owner.calls, 0);
}

TEST_F(RequestCoreTest, KeyCdnRequestsNameTheAddressInTheirUserAgent)
{
    setenv("VANTORA_ENDPOINT_KEYCDN", server.Base().c_str(), 1);
    std::string prefix = server.Base() + "/geo.json?host=";
    std::string upper = prefix;
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    TestRecord a, b, c;
    owner.requestAsync(pal::ToWide(prefix + "8.8.8.8").c_str(), &a);
    owner.requestAsync(pal::ToWide(upper + "9.9.9.9").c_str(), &b); // the prefix test ignores letter case
    owner.requestAsync(pal::ToWide(prefix).c_str(), &c);            // exactly the prefix: no header
    ASSERT_TRUE(Settle(a) && Settle(b) && Settle(c));
    unsetenv("VANTORA_ENDPOINT_KEYCDN");
    std::map<std::string, std::string> agents;
    for (HttpCall call : server.Calls())
        agents[call.target] = call.headers["user-agent"];
    EXPECT_EQ(agents["/geo.json?host=8.8.8.8"], "keycdn-tools:https://8.8.8.8");
    EXPECT_EQ(agents["/GEO.JSON?HOST=9.9.9.9"], "keycdn-tools:https://9.9.9.9");
    EXPECT_EQ(agents["/geo.json?host="].rfind("keycdn-tools", 0), std::string::npos);
}

TEST(RequestNotify, AnswersOnlyItsTwoInterfaces)
{
    CComPtr<CRequestNotifyCB> cb;
    cb.Attach(new CRequestNotifyCB(nullptr, nullptr));
    CComPtr<IDispatch> disp;
    EXPECT_EQ(cb->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(&disp)), S_OK);
    CComPtr<IXMLHTTPRequest> other;
    EXPECT_EQ(cb->QueryInterface(__uuidof(IXMLHTTPRequest), reinterpret_cast<void**>(&other)), E_NOINTERFACE);
    EXPECT_EQ(cb->QueryInterface(__uuidof(IUnknown), nullptr), E_INVALIDARG);
    UINT n = 0;
    EXPECT_EQ(cb->GetTypeInfoCount(&n), E_NOTIMPL);
    // No record to report for: the error comes back and nothing crashes.
    EXPECT_EQ(cb->Invoke(0, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    disp.Release();
    cb.p->AddRef();
    EXPECT_EQ(cb.p->Release(), 1u);
}

} // namespace
