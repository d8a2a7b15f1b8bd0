// The PAL message loop: thread timers, posted work and the controllable clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

#include "pal/loop.h"
#include "pal/user32.h"
#include "windows.h"

namespace {

std::vector<UINT_PTR> g_fired;
UINT_PTR g_killInside = 0;
std::vector<int> g_order; // 0 marks a timer call among other callbacks

void CALLBACK OrderTimer(HWND, UINT, UINT_PTR, DWORD)
{
    g_order.push_back(0);
}

void CALLBACK RecordTimer(HWND hwnd, UINT msg, UINT_PTR id, DWORD)
{
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_EQ(msg, UINT(WM_TIMER));
    g_fired.push_back(id);
    if (g_killInside == id)
        KillTimer(nullptr, id);
}

class LoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fired.clear();
        g_killInside = 0;
        g_order.clear();
    }
};

TEST_F(LoopTest, ThreadTimerFiresOnlyWhenDueAndRepeats)
{
    UINT_PTR id = SetTimer(nullptr, 0, 200, RecordTimer);
    ASSERT_NE(id, 0u);
    pal::PumpFor(0);
    EXPECT_TRUE(g_fired.empty()); // not due yet: 200 ms have not passed on the loop clock
    pal::AdvanceClock(200);
    pal::PumpFor(0);
    ASSERT_EQ(g_fired.size(), 1u);
    EXPECT_EQ(g_fired[0], id);
    pal::PumpFor(0);
    EXPECT_EQ(g_fired.size(), 1u); // re-armed for another interval
    pal::AdvanceClock(200);
    pal::PumpFor(0);
    EXPECT_EQ(g_fired.size(), 2u);
    EXPECT_TRUE(KillTimer(nullptr, id));
    pal::AdvanceClock(1000);
    pal::PumpFor(0);
    EXPECT_EQ(g_fired.size(), 2u);
    EXPECT_FALSE(KillTimer(nullptr, id)); // twice is an error, not a crash
}

TEST_F(LoopTest, ThreadTimerIdsAreDistinctAndReplaceable)
{
    UINT_PTR a = SetTimer(nullptr, 0, 100, RecordTimer);
    UINT_PTR b = SetTimer(nullptr, 0, 100, RecordTimer);
    EXPECT_NE(a, b);
    // Re-setting an existing thread timer keeps its id and takes the new interval.
    EXPECT_EQ(SetTimer(nullptr, a, 500, RecordTimer), a);
    pal::AdvanceClock(100);
    pal::PumpFor(0);
    EXPECT_EQ(g_fired, std::vector<UINT_PTR>{b});
    KillTimer(nullptr, a);
    KillTimer(nullptr, b);
}

TEST_F(LoopTest, TimerMayKillItselfFromItsProcedure)
{
    UINT_PTR id = SetTimer(nullptr, 0, 10, RecordTimer);
    g_killInside = id;
    pal::AdvanceClock(10);
    pal::PumpFor(0);
    pal::AdvanceClock(10);
    pal::PumpFor(0);
    EXPECT_EQ(g_fired.size(), 1u);
}

TEST_F(LoopTest, PostedWorkRunsInOrderAndNestedPumpsAreSafe)
{
    std::vector<int> order;
    pal::PostToLoop([&] {
        order.push_back(1);
        pal::PostToLoop([&] { order.push_back(3); });
        pal::PumpFor(0); // a modal dialog pumping inside a callback
    });
    pal::PostToLoop([&] { order.push_back(2); });
    EXPECT_TRUE(pal::PumpUntil([&] { return order.size() == 3; }, 1000));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

// The items stand for completions that were all ready in one round; the first takes long (the clock moves
// past the timer's due time), and the timer must not wait for the rest.
TEST_F(LoopTest, ADueTimerRunsBetweenWorkQueuedForTheSameRound)
{
    UINT_PTR id = SetTimer(nullptr, 0, 200, OrderTimer);
    pal::PostToLoop([] {
        g_order.push_back(1);
        pal::AdvanceClock(200);
    });
    pal::PostToLoop([] { g_order.push_back(2); });
    pal::PostToLoop([] { g_order.push_back(3); });
    EXPECT_TRUE(pal::PumpUntil([] { return g_order.size() == 4; }, 1000));
    EXPECT_EQ(g_order, (std::vector<int>{1, 0, 2, 3}));
    KillTimer(nullptr, id);
}

// Two sockets that stay readable and whose every event takes long: the timer runs between them, and
// neither socket keeps the other from being served.
TEST_F(LoopTest, ADueTimerRunsBetweenReadySocketsAndEverySocketGetsItsTurn)
{
    int a[2], b[2];
    ASSERT_EQ(pipe(a), 0);
    ASSERT_EQ(pipe(b), 0);
    ASSERT_EQ(write(a[1], "a", 1), 1);
    ASSERT_EQ(write(b[1], "b", 1), 1);
    UINT_PTR id = SetTimer(nullptr, 0, 200, OrderTimer);
    auto slow = [&](int fd, int) {
        g_order.push_back(fd == a[0] ? 10 : 20);
        pal::AdvanceClock(200);
    };
    pal::WatchSocket(a[0], pal::LOOP_READ, slow);
    pal::WatchSocket(b[0], pal::LOOP_READ, slow);
    for (int round = 0; round < 8 && g_order.size() < 4; ++round)
        pal::PumpFor(0);
    pal::WatchSocket(a[0], 0, nullptr);
    pal::WatchSocket(b[0], 0, nullptr);
    KillTimer(nullptr, id);
    for (int fd : {a[0], a[1], b[0], b[1]})
        close(fd);
    ASSERT_GE(g_order.size(), 4u);
    EXPECT_EQ(g_order[1], 0);
    EXPECT_EQ(g_order[3], 0);
    EXPECT_NE(g_order[0], g_order[2]) << "each ready socket is served in turn";
}

TEST_F(LoopTest, PumpUntilGivesUpAtItsDeadline)
{
    // The deadline is on the loop clock, so a real wait of 30 ms ends it; nothing here is timed.
    EXPECT_FALSE(pal::PumpUntil([] { return false; }, 30));
}

TEST_F(LoopTest, LoopTimeoutsRunOnceAndCanBeCancelled)
{
    int ran = 0;
    UINT_PTR keep = pal::SetLoopTimeout(50, [&] { ++ran; });
    UINT_PTR cancel = pal::SetLoopTimeout(50, [&] { ran += 100; });
    EXPECT_NE(keep, 0u);
    pal::CancelLoopTimeout(cancel);
    pal::AdvanceClock(50);
    pal::PumpFor(0);
    pal::AdvanceClock(50);
    pal::PumpFor(0);
    EXPECT_EQ(ran, 1);
}

} // namespace
