// Location requests of one provider: caches, reuse, retries, time-outs and the rate-limited queue.
#include <gtest/gtest.h>

#include <string>

#include "Utils/IPRequestProviderBase.h"
#include "Utils/SettingsManager.h"
#include "pal/http_limits.h"
#include "pal/loop.h"
#include "support/GeoTestUtil.h"
#include "support/HttpTestUtil.h"
#include "support/LoopbackServer.h"

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using testing_support::MakeAddress;
using testing_support::Utf8;

namespace {

// A provider that asks a loopback server for "/<address>" and reads "city" from its answer.
template <class Base, int HostNames>
class LoopbackProvider : public CProviderBaseT<Base, 0, HostNames> {
public:
    using Text = WString;
    explicit LoopbackProvider(const LoopbackServer& server)
        : CProviderBaseT<Base, 0, HostNames>(GeoService::KeyCDN), m_base(pal::ToWide(server.Base()))
    {
    }
    std::pair<int, RateUnit> GetRate() const override { return {2, RATE_SECOND}; }
    ULONGLONG NextSendTime() const { return this->m_nextSendTime; }

protected:
    Text getRequest(const IP_address* pAddress) override
    {
        CComBSTR text = pAddress->ToString(false);
        return m_base + W("/") + text.m_str;
    }
    bool processResultError(const WCHAR* pResult, IPLocationInfo* pLocInfo) override
    {
        return CIPRequest::getJSONValue(pResult, W("error"), pLocInfo->errorText);
    }
    bool processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo) override
    {
        return CIPRequest::getJSONValue(pResult, W("city"), pLocInfo->city);
    }

private:
    Text m_base;
};

using PlainProvider = LoopbackProvider<CIPRequest, 0>;
using TimedProvider = LoopbackProvider<CIPTimedRequest, 1>;

bool Settle(IPLocationInfo* info)
{
    return testing_support::PumpUntil(
        [info] { return info->status < RS_REQUESTING || info->status > RS_INTERACTIVE; });
}

HttpReply Answer(const HttpCall& c)
{
    HttpReply r;
    if (c.path == "/8.8.8.8")
        r.body = "{\"city\":\"mountain view\"}";
    else if (c.path == "/9.9.9.9")
        r.status = 500;
    else if (c.path == "/1.1.1.1")
        r.body = "{\"error\":\"invalid key\"}";
    else if (c.path == "/2.2.2.2")
        r.body = "{\"nothing\":\"here\"}";
    else if (c.path == "/3.3.3.3")
        r.hang = true;
    else if (c.path == "/5.5.5.5" || c.path == "/5.5.5.6") {
        // Chunked, so that only the text tells its length: 100 KiB, then just under 64 KiB.
        r.chunked = true;
        r.body = "{\"city\":\"padded\",\"pad\":\"" + std::string(c.path == "/5.5.5.5" ? 100000 : 65000, 'p') + "\"}";
    } else if (c.path == "/6.6.6.6") {
        // Declares 200 KB, sends half and stalls: refused on its declared length, not after the stall.
        r.hangMidBody = true;
        r.body = "{\"city\":\"declared\",\"pad\":\"" + std::string(200000, 'p') + "\"}";
    }
    else
        r.body = "{\"city\":\"elsewhere\"}";
    return r;
}

TEST(LocationRequest, SuccessfulAnswersAreKeptAndReused)
{
    LoopbackServer server(Answer);
    PlainProvider provider(server);
    IPInfo ip = MakeAddress("8.8.8.8");
    IPLocationInfo* info = provider.GetLocationInfo(ip);
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(provider.InProgress());
    ASSERT_TRUE(Settle(info));
    EXPECT_EQ(info->status, RS_DONE);
    EXPECT_EQ(Utf8(info->city), "mountain view");
    EXPECT_FALSE(provider.InProgress());
    EXPECT_EQ(provider.GetLocationInfo(ip), info); // same record, nothing sent
    EXPECT_EQ(server.CallCount(), 1u);
}

TEST(LocationRequest, UnlocatableAddressesGetNoRecord)
{
    LoopbackServer server(Answer);
    PlainProvider provider(server);
    EXPECT_EQ(provider.GetLocationInfo(MakeAddress("10.1.2.3")), nullptr);     // reserved
    EXPECT_EQ(provider.GetLocationInfo(MakeAddress("mail.example.com")), nullptr); // host names not taken
    IPInfo none;
    EXPECT_EQ(provider.GetLocationInfo(none), nullptr);
    pal::PumpFor(50);
    EXPECT_EQ(server.CallCount(), 0u);
}

TEST(LocationRequest, FailuresAreRetriedUpToTheSettingsLimit)
{
    CSettingsManager::Instance().maxRetryCount = 3;
    LoopbackServer server(Answer);
    PlainProvider provider(server);
    IPInfo ip = MakeAddress("9.9.9.9");
    IPLocationInfo* info = nullptr;
    for (int send = 1; send <= 4; ++send) {
        info = provider.GetLocationInfo(ip);
        ASSERT_NE(info, nullptr);
        ASSERT_TRUE(Settle(info));
        EXPECT_EQ(info->status, RS_FAILED);
        EXPECT_EQ(info->httpStatus, 500);
        EXPECT_EQ(info->attempts, send);
    }
    // The fourth failure is final: asked again, the record stays "Failed" and nothing is sent.
    EXPECT_EQ(provider.GetLocationInfo(ip), info);
    EXPECT_EQ(info->status, RS_FAILED);
    EXPECT_FALSE(info->spRequest);
    pal::PumpFor(50);
    EXPECT_EQ(server.CallCount(), 4u);
}

TEST(LocationRequest, ErrorReportsFailAndAnswersWithoutValuesStayOutstanding)
{
    LoopbackServer server(Answer);
    PlainProvider provider(server);
    IPLocationInfo* error = provider.GetLocationInfo(MakeAddress("1.1.1.1"));
    IPLocationInfo* empty = provider.GetLocationInfo(MakeAddress("2.2.2.2"));
    ASSERT_TRUE(Settle(error));
    EXPECT_EQ(error->status, RS_FAILED);
    EXPECT_EQ(Utf8(error->errorText), "invalid key");
    ASSERT_TRUE(testing_support::PumpUntil([&] { return server.CallCount() == 2; }));
    pal::PumpFor(100);
    EXPECT_TRUE(empty->IsOutstanding()); // left for the time-out sweep
    EXPECT_TRUE(provider.InProgress());
    // Digested either way: the failed record lets its HTTP object go, the outstanding one empties it.
    EXPECT_FALSE(error->spRequest);
    ASSERT_TRUE(empty->spRequest);
    EXPECT_EQ(pal::HttpAnswerBytesHeld(empty->spRequest), 0u);
}

TEST(LocationRequest, OversizedAnswersFailWithoutBeingRead)
{
    LoopbackServer server(Answer);
    PlainProvider provider(server);
    IPLocationInfo* tooLong = provider.GetLocationInfo(MakeAddress("5.5.5.5"));
    IPLocationInfo* fits = provider.GetLocationInfo(MakeAddress("5.5.5.6"));
    IPLocationInfo* declared = provider.GetLocationInfo(MakeAddress("6.6.6.6"));
    ASSERT_TRUE(tooLong && fits && declared);
    ASSERT_TRUE(Settle(tooLong) && Settle(fits) && Settle(declared));
    EXPECT_EQ(tooLong->status, RS_FAILED);
    EXPECT_EQ(Utf8(tooLong->city), "");
    EXPECT_EQ(fits->status, RS_DONE);
    EXPECT_EQ(Utf8(fits->city), "padded");
    EXPECT_EQ(declared->status, RS_FAILED);
    EXPECT_FALSE(declared->spRequest);
    EXPECT_FALSE(provider.InProgress());
    server.ReleaseHangs();
}

TEST(LocationRequest, TimedOutRequestsAreAbortedAndResent)
{
    LoopbackServer server(Answer);
    PlainProvider provider(server);
    IPInfo ip = MakeAddress("3.3.3.3");
    IPLocationInfo* info = provider.GetLocationInfo(ip);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return server.CallCount() == 1; }));
    provider.AbortRequests(7);
    EXPECT_TRUE(info->IsOutstanding()); // not old enough
    info->startTime -= 10;
    provider.AbortRequests(7);
    EXPECT_EQ(info->status, RS_ABORTED);
    EXPECT_FALSE(provider.InProgress());
    EXPECT_EQ(provider.GetLocationInfo(ip), info);
    EXPECT_EQ(info->attempts, 2);
    EXPECT_TRUE(info->IsOutstanding());
    server.ReleaseHangs();
}

TEST(TimedLocationRequest, SendsAreSpacedByTheRatePlusFivePercent)
{
    EXPECT_EQ(CIPTimedRequest::SendInterval({2, RATE_SECOND}) * 105 / 100, 525u);
    EXPECT_EQ(CIPTimedRequest::SendInterval({1000, RATE_DAY}), 86400u);
    EXPECT_EQ(CIPTimedRequest::SendInterval({1, RATE_NA}), 0u);
    EXPECT_EQ(CIPTimedRequest::SendInterval({10000, RATE_MONTH}), 0u);
    EXPECT_EQ(CIPTimedRequest::SendInterval({0, RATE_SECOND}), 0u);

    LoopbackServer server(Answer);
    TimedProvider provider(server);
    ULONGLONG before = GetTickCount64();
    IPLocationInfo* first = provider.GetLocationInfo(MakeAddress("8.8.8.8"));
    ULONGLONG after = GetTickCount64();
    IPLocationInfo* second = provider.GetLocationInfo(MakeAddress("4.4.4.4"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->status, RS_REQUESTING); // the first is sent at once
    EXPECT_EQ(second->status, RS_PENDING);
    EXPECT_TRUE(provider.InProgress());
    EXPECT_GE(provider.NextSendTime(), before + 525);
    EXPECT_LE(provider.NextSendTime(), after + 525);
    if (GetTickCount64() < provider.NextSendTime()) {
        provider.ProcessPendingRequest();
        EXPECT_EQ(second->status, RS_PENDING);
    }
    ULONGLONG now = GetTickCount64();
    if (provider.NextSendTime() > now)
        pal::AdvanceClock(DWORD(provider.NextSendTime() - now));
    provider.ProcessPendingRequest();
    EXPECT_EQ(second->status, RS_REQUESTING);
    ASSERT_TRUE(Settle(first) && Settle(second));
    EXPECT_EQ(Utf8(second->city), "elsewhere");
}

TEST(TimedLocationRequest, ClearingTheQueueReturnsRecordsToNone)
{
    LoopbackServer server(Answer);
    TimedProvider provider(server);
    IPLocationInfo* first = provider.GetLocationInfo(MakeAddress("8.8.8.8"));
    IPLocationInfo* second = provider.GetLocationInfo(MakeAddress("4.4.4.4"));
    IPLocationInfo* host = provider.GetLocationInfo(MakeAddress("Mail.Example.COM"));
    ASSERT_TRUE(first && second && host);
    EXPECT_EQ(provider.GetLocationInfo(MakeAddress("mail.example.com")), host); // host names ignore case
    provider.ClearPendingRequests();
    EXPECT_EQ(second->status, RS_NONE);
    EXPECT_EQ(host->status, RS_NONE);
    EXPECT_FALSE(second->IsOutstanding());
    ASSERT_TRUE(Settle(first));
    pal::AdvanceClock(600);
    provider.ProcessPendingRequest(); // nothing left to send
    EXPECT_EQ(second->status, RS_NONE);
    EXPECT_EQ(server.CallCount(), 1u);
}

} // namespace
