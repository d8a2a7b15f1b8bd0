// The MSXML request objects against loopback servers: ready states from the loop, redirects, the answer's
// text and stream, aborting and failing.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <atlbase.h>
#include <msxml6.h>
#include <objidl.h>

#include "XmlHttpFixture.h"
#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/LoopbackServer.h"
#include "support/Wine.h"

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

namespace {

TEST_F(XmlHttpTest, GetReportsEveryReadyStateFromTheLoop)
{
    LoopbackServer server([](const HttpCall&) {
        HttpReply r;
        r.body = "{\"city\":\"Z\xC3\xBCrich\"}";
        r.contentType = "application/json; charset=utf-8";
        r.headers = {{"X-Test", "yes"}};
        return r;
    });
    CComPtr<IXMLHTTPRequest> req = Send(server.Url("/geo.json?host=1.2.3.4"), CLSID_XMLHTTP60, W("user-agent"),
                                        W("keycdn-tools:https://1.2.3.4"));
    LONG state = 0;
    req->get_readyState(&state);
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(recorder->states.empty());
    ASSERT_TRUE(Finish(req));
    // Every state of the answer once, in order, after the state 1 that send reports.
    EXPECT_EQ(recorder->states, (std::vector<LONG>{1, 2, 3, 4}));
    EXPECT_EQ(Status(req), 200);
    EXPECT_EQ(Text(req), "{\"city\":\"Z\xC3\xBCrich\"}");
    EXPECT_EQ(Header(req, W("x-test")), "yes");
    EXPECT_EQ(Header(req, W("location")), ""); // absent headers read as empty
    ASSERT_EQ(server.CallCount(), 1u);
    HttpCall call = server.Calls()[0];
    EXPECT_EQ(call.target, "/geo.json?host=1.2.3.4");
    EXPECT_EQ(call.headers["user-agent"], "keycdn-tools:https://1.2.3.4");

    // The client object is not a server object; the stream holds the raw bytes.
    CComPtr<IServerXMLHTTPRequest> server2;
    EXPECT_EQ(req->QueryInterface(&server2), E_NOINTERFACE);
    VARIANT stream;
    ASSERT_EQ(req->get_responseStream(&stream), S_OK);
    ASSERT_EQ(stream.vt, VT_UNKNOWN);
    CComQIPtr<IStream> s(stream.punkVal);
    VariantClear(&stream);
    ASSERT_TRUE(s);
    char buf[64] = {};
    ULONG read = 0;
    EXPECT_EQ(s->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), "{\"city\":\"Z\xC3\xBCrich\"}");
}

TEST_F(XmlHttpTest, StatusIsPendingUntilTheAnswerArrives)
{
    LoopbackServer server([](const HttpCall&) { return HttpReply{}; });
    CComPtr<IXMLHTTPRequest> req = Send(server.Url("/"));
    LONG status = 0;
    EXPECT_EQ(req->get_status(&status), E_PENDING);
    ASSERT_TRUE(Finish(req));
    EXPECT_EQ(Status(req), 200);
    EXPECT_EQ(Text(req), "");
}

TEST_F(XmlHttpTest, FollowedRedirectsEndAtTheFinalAnswerAndTheServerObjectReportsItsUrl)
{
    LoopbackServer server([](const HttpCall& c) {
        HttpReply r;
        if (c.path.rfind("/hop/", 0) == 0) {
            int code = std::stoi(c.path.substr(5));
            r.status = code;
            r.headers = {{"Location", code == 301 ? "/hop/302" : code == 302 ? "/hop/303"
                                      : code == 303 ? "/hop/307" : code == 307 ? "/hop/308" : "/final"}};
            r.body = "moved";
        } else {
            r.body = "landed";
        }
        return r;
    });
    for (REFCLSID clsid : {CLSID_XMLHTTP60, CLSID_ServerXMLHTTP60}) {
        CComPtr<IXMLHTTPRequest> req = Send(server.Url("/hop/301"), clsid);
        ASSERT_TRUE(Finish(req));
        EXPECT_EQ(recorder->states, (std::vector<LONG>{1, 2, 3, 4})); // hops are not ready states
        EXPECT_EQ(Status(req), 200);
        EXPECT_EQ(Text(req), "landed");
    }
    CComQIPtr<IServerXMLHTTPRequest> req(Send(server.Url("/hop/307"), CLSID_ServerXMLHTTP60));
    ASSERT_TRUE(req);
    ASSERT_TRUE(Finish(req));
    VARIANT url;
    ASSERT_EQ(req->getOption(SXH_OPTION_URL, &url), S_OK);
    ASSERT_EQ(url.vt, VT_BSTR);
    EXPECT_EQ(pal::ToUtf8(url.bstrVal), server.Url("/final"));
    VariantClear(&url);
}

TEST_F(XmlHttpTest, UnfollowedThreeHundredsComeBackWithTheirLocation)
{
    LoopbackServer server([](const HttpCall& c) {
        HttpReply r;
        r.status = std::stoi(c.path.substr(1, 3));
        if (c.path.size() == 4)
            r.headers = {{"Location", "http://127.0.0.1:1/elsewhere"}};
        return r;
    });
    // 300, 304, 305 and 306 are not followed; neither is a redirect without a location.
    for (const char* path : {"/300", "/304", "/305", "/306", "/301-", "/308-"}) {
        CComPtr<IXMLHTTPRequest> req = Send(server.Url(path));
        ASSERT_TRUE(Finish(req)) << path;
        EXPECT_EQ(Status(req), std::stoi(std::string(path + 1, 3))) << path;
        EXPECT_EQ(Header(req, W("location")), std::string(path).size() == 4 ? "http://127.0.0.1:1/elsewhere" : "")
            << path;
    }
}

TEST_F(XmlHttpTest, TenHopsAreFollowedAndTheEleventhFails)
{
    LoopbackServer server([](const HttpCall& c) {
        HttpReply r;
        int n = std::stoi(c.path.substr(1));
        if (n > 0) {
            r.status = 302;
            r.headers = {{"Location", "/" + std::to_string(n - 1)}};
        } else {
            r.body = "end";
        }
        return r;
    });
    CComPtr<IXMLHTTPRequest> ten = Send(server.Url("/10"));
    ASSERT_TRUE(Finish(ten));
    EXPECT_EQ(Text(ten), "end");
    CComPtr<IXMLHTTPRequest> eleven = Send(server.Url("/11"));
    ASSERT_TRUE(Finish(eleven));
    LONG status = 0;
    EXPECT_TRUE(FAILED(eleven->get_status(&status)));
    EXPECT_EQ(server.CallCount(), 11u + 11u);
}

TEST_F(XmlHttpTest, ResponseTextDecodesEverySequenceAsTheLayerDoesAndRepeats)
{
    // Valid sequences of every length, and each kind of invalid one (overlong, stray continuation,
    // truncated, encoded surrogate, above U+10FFFF), around ASCII runs of odd lengths.
    const std::string utf8 = "abc\xC3\xA9" "defghijklmnop\xE2\x82\xAC\xF0\x9F\x98\x80q\xC0\xAFr\x80st\xE2\x82"
                             "uvwxyz0123456\xED\xA0\x80\xF4\x90\x80\x80\xFF" "12345678\xC3";
    LoopbackServer server([&](const HttpCall& c) {
        HttpReply r;
        r.contentType = c.path == "/latin" ? "text/plain; charset=\"ISO-8859-1\"" : "text/plain";
        r.body = c.path == "/latin" ? std::string("\x80\xE9\x81") : c.path == "/bom" ? "\xEF\xBB\xBF" + utf8 : utf8;
        return r;
    });
    WString expected = pal::ToWide(utf8);
    for (const char* path : {"/utf8", "/bom"}) {
        CComPtr<IXMLHTTPRequest> req = Send(server.Url(path));
        ASSERT_TRUE(Finish(req));
        for (int call = 0; call < 2; ++call) {
            CComBSTR text;
            ASSERT_EQ(req->get_responseText(&text), S_OK);
            EXPECT_EQ(WString(text.m_str, text.Length()), expected) << path << " call " << call;
        }
    }
    CComPtr<IXMLHTTPRequest> latin = Send(server.Url("/latin"));
    ASSERT_TRUE(Finish(latin));
    CComBSTR text;
    ASSERT_EQ(latin->get_responseText(&text), S_OK);
    EXPECT_EQ(WString(text.m_str, text.Length()), WString(W("\u20AC\u00E9\u0081")));
}

// The stream reads the bytes received, shares them instead of copying, and refuses every change.
TEST_F(XmlHttpTest, ResponseStreamIsAReadOnlyViewThatOutlivesTheRequest)
{
    std::string body;
    for (size_t i = 0; body.size() < (300u << 10); ++i)
        body += char('a' + i % 23);
    LoopbackServer server([&](const HttpCall&) {
        HttpReply r;
        r.body = body;
        r.contentType = "application/octet-stream";
        return r;
    });
    CComPtr<IXMLHTTPRequest> req = Send(server.Url("/body"));
    ASSERT_TRUE(Finish(req));
    CComVariant value;
    ASSERT_EQ(req->get_responseStream(&value), S_OK);
    ASSERT_EQ(value.vt, VT_UNKNOWN);
    CComQIPtr<IStream> stream(value.punkVal);
    ASSERT_TRUE(stream);
    value.Clear();

    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(stat.type, DWORD(STGTY_STREAM));
    EXPECT_EQ(stat.cbSize.QuadPart, body.size());
    EXPECT_EQ(stat.grfMode, DWORD(STGM_READ));
    EXPECT_EQ(stat.pwcsName, nullptr);

    // Changes are refused and leave the stream as it was.
    ULONG written = 1;
    EXPECT_EQ(stream->Write("x", 1, &written), STG_E_ACCESSDENIED);
    EXPECT_EQ(written, 0u);
    ULARGE_INTEGER size;
    size.QuadPart = 1;
    EXPECT_EQ(stream->SetSize(size), STG_E_ACCESSDENIED);
    EXPECT_EQ(stream->Commit(STGC_DEFAULT), STG_E_ACCESSDENIED);
    EXPECT_EQ(stream->Revert(), STG_E_ACCESSDENIED);
    EXPECT_EQ(stream->LockRegion(size, size, 0), STG_E_ACCESSDENIED);

    // Seeks from each origin; a read past the end gives nothing.
    LARGE_INTEGER move;
    move.QuadPart = -5;
    ULARGE_INTEGER pos;
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, body.size() - 5);
    char buf[16] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), body.substr(body.size() - 5));
    EXPECT_EQ(stream->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(read, 0u);
    move.QuadPart = -1;
    EXPECT_TRUE(FAILED(stream->Seek(move, STREAM_SEEK_SET, &pos)));
    move.QuadPart = 100;
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
    CComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(&clone), S_OK);
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_CUR, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 200u);
    EXPECT_EQ(clone->Read(buf, 10, &read), S_OK); // the clone keeps its own position
    EXPECT_EQ(std::string(buf, read), body.substr(100, 10));

    // The object lets its answer go; the stream keeps the bytes it covers.
    EXPECT_EQ(req->abort(), S_OK);
    req.Release();
    move.QuadPart = 0;
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
    std::string all(body.size() + 1, '\0');
    EXPECT_EQ(stream->Read(all.data(), ULONG(all.size()), &read), S_OK);
    EXPECT_EQ(all.substr(0, read), body);
}

TEST_F(XmlHttpTest, AbortStopsTheTransferAndEveryLaterCallback)
{
    LoopbackServer server([](const HttpCall&) {
        HttpReply r;
        r.hang = true;
        return r;
    });
    CComPtr<IXMLHTTPRequest> req = Send(server.Url("/"));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return server.CallCount() == 1; }));
    size_t seen = recorder->states.size();
    EXPECT_EQ(req->abort(), S_OK);
    server.ReleaseHangs();
    Pump(300);
    EXPECT_EQ(recorder->states.size(), seen);
    LONG state = -1;
    req->get_readyState(&state);
    EXPECT_EQ(state, 0);
}

TEST_F(XmlHttpTest, ReleasingAnObjectInFlightIsSafe)
{
    LoopbackServer server([](const HttpCall&) {
        HttpReply r;
        r.body = "late";
        return r;
    });
    {
        CComPtr<IXMLHTTPRequest> req = Send(server.Url("/"));
    } // released before the loop ran once
    Pump(200);
    SUCCEED();
}

TEST_F(XmlHttpTest, ConnectionRefusedFailsTheStatus)
{
    int port = 0;
    {
        LoopbackServer gone([](const HttpCall&) { return HttpReply{}; });
        port = gone.Port();
    }
    CComPtr<IXMLHTTPRequest> req = Send("http://127.0.0.1:" + std::to_string(port) + "/");
    ASSERT_TRUE(Finish(req));
    LONG status = 0;
    EXPECT_TRUE(FAILED(req->get_status(&status)));
}

} // namespace
