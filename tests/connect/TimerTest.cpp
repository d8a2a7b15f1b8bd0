// The polling timer with the loop: it starts only while requests are outstanding, drops ticks closer than
// 200 ms and foreign timer ids, refuses to run inside itself, and stops once everything is complete.
#include "ConnectTestUtil.h"

#include "geo/ProviderTestUtil.h"

extern int g_animationFrame;

using namespace connect_test;
using testing_support::ServiceTwin;

namespace {

HttpReply Hang()
{
    HttpReply r;
    r.hang = true;
    return r;
}

const char* const kAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><ip>1.2.3.4</ip><city>Mountain View</city>"
    "<region>California</region><country>US</country><country_name>United States</country_name>"
    "<postal>94043</postal><latitude>37.42301</latitude><longitude>-122.083</longitude></root>";

class TimerTest : public ConnectTest {
protected:
    // These messages have no links: the providers' twins are reached directly, not through the link server.
    TimerTest() { unsetenv("VANTORA_CONNECT_TO"); }
    void Tick(DWORD time) { CConnect::fnTimerProc(nullptr, WM_TIMER, CConnect::GetTimerId(), time); }
};

TEST_F(TimerTest, NoRequestsNoTimer)
{
    Start();
    // No header servers and no links: nothing to wait for.
    Select("eml/mail-error_emails-missing_body.eml");
    EXPECT_TRUE(connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved().empty());
    EXPECT_EQ(0u, CConnect::GetTimerId());
    EXPECT_EQ(0u, pal::ActiveTimerCount());
}

TEST_F(TimerTest, RunsWhileRequestsAreOutstandingAndStopsWhenComplete)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/141.154.95.22/xml/", ServiceTwin::Json(kAnswer)},
                                           {"/212.17.35.15/xml/", ServiceTwin::Json(kAnswer)},
                                           {"/62.122.4.47/xml/", ServiceTwin::Json(kAnswer)}});
    SelectProviders({"ipapi.co"});
    Start();
    Select("eml/sa-nice-001.eml");
    EXPECT_NE(0u, CConnect::GetTimerId());
    EXPECT_EQ(1u, pal::ActiveTimerCount());
    ASSERT_TRUE(Settle());
    EXPECT_EQ(0u, pal::ActiveTimerCount());
    // The last tick showed the answers.
    EXPECT_EQ(IDI_LOCATION_DONE, Image(ID_IP_MAIN[0]));
    EXPECT_EQ("United States", ToolTip(ID_IP_MAIN[0]));
    EXPECT_NE(std::string::npos, SuperTip(ID_IP_MAIN[0]).find("Mountain View"));
    EXPECT_EQ(3u, ipApi.Server().CallCount());
}

TEST_F(TimerTest, TicksCloserThan200msAndForeignIdsAreDropped)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/141.154.95.22/xml/", Hang()}});
    SelectProviders({"ipapi.co"});
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_NE(0u, CConnect::GetTimerId());

    Tick(100000);
    int frame = g_animationFrame;
    Tick(100199); // too close: dropped
    EXPECT_EQ(frame, g_animationFrame);
    Tick(100200);
    EXPECT_EQ((frame + 1) % 23, g_animationFrame);

    // Another timer's message is refused and logged; its time still counts as the last tick.
    frame = g_animationFrame;
    CConnect::fnTimerProc(nullptr, WM_TIMER, CConnect::GetTimerId() + 77, 100400);
    EXPECT_EQ(frame, g_animationFrame);
    EXPECT_NE(std::string::npos, Str(CErrorLog::Instance().ReadAll().m_str).find("\"g_timerId == idEvent\""));
    Tick(100500);
    EXPECT_EQ(frame, g_animationFrame);
    Tick(100600);
    EXPECT_EQ((frame + 1) % 23, g_animationFrame);
    ipApi.Server().ReleaseHangs();
}

TEST_F(TimerTest, ATickInsideATickReturnsAtOnce)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/141.154.95.22/xml/", Hang()}});
    SelectProviders({"ipapi.co"});
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_NE(0u, CConnect::GetTimerId());

    int nested = 0, frameInside = -1;
    ribbonUI.onInvalidate = [&] {
        if (nested++ == 0) {
            // Office pumps messages while it redraws: the timer comes back before the tick has ended.
            frameInside = g_animationFrame;
            Tick(900000);
            EXPECT_EQ(frameInside, g_animationFrame);
        }
    };
    Tick(500000);
    EXPECT_GT(nested, 0);
    ribbonUI.onInvalidate = nullptr;
    // The outer tick went through, the nested one did not.
    EXPECT_EQ(frameInside, g_animationFrame);
    ipApi.Server().ReleaseHangs();
}

TEST_F(TimerTest, ANewSelectionStopsTheTimer)
{
    ServiceTwin ipApi(GeoService::IpApiCo, {{"/141.154.95.22/xml/", Hang()}});
    SelectProviders({"ipapi.co"});
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_NE(0u, CConnect::GetTimerId());
    Select({Load("eml/sa-nice-001.eml"), Load("eml/sa-nice-002.eml")});
    EXPECT_EQ(0u, CConnect::GetTimerId());
    EXPECT_EQ(0u, pal::ActiveTimerCount());
    ipApi.Server().ReleaseHangs();
}

} // namespace
