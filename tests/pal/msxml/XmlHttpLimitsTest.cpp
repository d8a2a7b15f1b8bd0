// The layer's own limits of the MSXML request objects (Linux-only): the redirect rule, the largest answer,
// the stall limit, what a failed or aborted transfer still holds, and what open and send refuse.
#include <gtest/gtest.h>

#include <string>

#include "XmlHttpFixture.h"
#include "pal/http_limits.h"
#include "support/LoopbackServer.h"

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

namespace {

struct LimitsGuard {
    LimitsGuard() : saved(pal::GetHttpLimits()) {}
    ~LimitsGuard() { pal::SetHttpLimits(saved); }
    pal::HttpLimits saved;
};

TEST(RedirectRule, HttpsIsNeverLeftForHttp)
{
    EXPECT_EQ(pal::RedirectTarget("https://a.example/x", 302, "http://b.example/y"), "");
    EXPECT_EQ(pal::RedirectTarget("HTTPS://a.example/x", 301, "HTTP://b.example/y"), "");
    EXPECT_EQ(pal::RedirectTarget("https://a.example/x", 308, "https://b.example/y"), "https://b.example/y");
    EXPECT_EQ(pal::RedirectTarget("http://a.example/x", 307, "https://b.example/y"), "https://b.example/y");
    EXPECT_EQ(pal::RedirectTarget("http://a.example/x", 303, "ftp://b.example/y"), "");
    EXPECT_EQ(pal::RedirectTarget("http://a.example/x", 304, "http://b.example/y"), "");
    EXPECT_EQ(pal::RedirectTarget("http://a.example/x", 302, ""), "");
}

TEST_F(XmlHttpTest, HugeAnswersFailInsteadOfFillingMemory)
{
    LimitsGuard guard;
    pal::HttpLimits limits = guard.saved;
    limits.maxBodyBytes = 1 << 20;
    pal::SetHttpLimits(limits);
    LoopbackServer server([](const HttpCall& c) {
        HttpReply r;
        r.hugeBytes = c.path == "/big" ? (8u << 20) : (1u << 20);
        return r;
    });
    CComPtr<IXMLHTTPRequest> big = Send(server.Url("/big"));
    ASSERT_TRUE(Finish(big));
    LONG status = 0;
    EXPECT_TRUE(FAILED(big->get_status(&status)));
    CComBSTR text;
    EXPECT_TRUE(FAILED(big->get_responseText(&text)));
    EXPECT_EQ(recorder->states.back(), 4);
    CComPtr<IXMLHTTPRequest> fits = Send(server.Url("/fits"));
    ASSERT_TRUE(Finish(fits));
    EXPECT_EQ(Text(fits).size(), 1u << 20);
}

TEST_F(XmlHttpTest, FailedAndAbortedTransfersFreeTheirAnswerAtOnce)
{
    LimitsGuard guard;
    pal::HttpLimits limits = guard.saved;
    limits.maxBodyBytes = 1 << 20;
    limits.stallTimeoutMs = 500;
    pal::SetHttpLimits(limits);
    LoopbackServer server([](const HttpCall& c) {
        HttpReply r;
        r.hugeBytes = c.path == "/big" ? (8u << 20) : (512u << 10);
        r.chunked = c.path == "/big";
        r.hangMidBody = c.path == "/half";
        if (r.hangMidBody) {
            r.hugeBytes = 0;
            r.body.assign(256u << 10, 'y');
        }
        return r;
    });
    for (const char* path : {"/big", "/half"}) {
        CComPtr<IXMLHTTPRequest> req = Send(server.Url(path));
        ASSERT_TRUE(Finish(req)) << path;
        LONG status = 0;
        EXPECT_TRUE(FAILED(req->get_status(&status))) << path;
        EXPECT_EQ(pal::HttpAnswerBytesHeld(req), 0u) << path;
    }
    CComPtr<IXMLHTTPRequest> fits = Send(server.Url("/fits"));
    ASSERT_TRUE(Finish(fits));
    EXPECT_EQ(Text(fits).size(), 512u << 10);
    EXPECT_GE(pal::HttpAnswerBytesHeld(fits), 512u << 10);
    EXPECT_EQ(fits->abort(), S_OK); // an aborted object has no answer any more
    EXPECT_EQ(pal::HttpAnswerBytesHeld(fits), 0u);
    CComBSTR text;
    EXPECT_TRUE(FAILED(fits->get_responseText(&text)));
}

TEST_F(XmlHttpTest, StalledAnswersEndAtTheStallLimit)
{
    LimitsGuard guard;
    pal::HttpLimits limits = guard.saved;
    limits.stallTimeoutMs = 1000;
    pal::SetHttpLimits(limits);
    LoopbackServer server([](const HttpCall& c) {
        HttpReply r;
        r.hang = c.path == "/hang";
        r.hangMidBody = c.path == "/half";
        r.body = "{\"half\":\"of it\"}";
        return r;
    });
    for (const char* path : {"/hang", "/half"}) {
        CComPtr<IXMLHTTPRequest> req = Send(server.Url(path));
        ASSERT_TRUE(Finish(req)) << path; // well within the 10 s bound of the pump
        LONG status = 0;
        EXPECT_TRUE(FAILED(req->get_status(&status))) << path;
    }
}

TEST(XmlHttpArguments, OpenRejectsWhatItCannotSend)
{
    CComPtr<IXMLHTTPRequest> req;
    ASSERT_EQ(req.CoCreateInstance(CLSID_XMLHTTP60), S_OK);
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(req->open(CComBSTR(W("GET")), CComBSTR(W("file:///etc/passwd")), empty, empty, empty), E_INVALIDARG);
    EXPECT_EQ(req->open(CComBSTR(W("GET")), nullptr, empty, empty, empty), E_INVALIDARG);
    EXPECT_EQ(req->send(empty), E_UNEXPECTED); // not opened
    EXPECT_EQ(req->open(CComBSTR(W("GET")), CComBSTR(W("http://127.0.0.1:1/")), empty, empty, empty), S_OK);
    EXPECT_EQ(req->setRequestHeader(CComBSTR(W("x")), CComBSTR(W("a\r\nInjected: 1"))), E_INVALIDARG);
}

} // namespace
