// timer_test.cpp - the timer rules of the main loop on a simulated clock.
// The engine's sources are built here without their clock (clock.cpp), so NowNs is
// this file's clock; each test calls RunDueTimers as the loop's passes would,
// at times it chooses, and callbacks may move the clock on (a slow call, a
// stall). The real loop's timing is checked loosely in loop_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "internal.h"

namespace {

constexpr uint64_t kMs = 1000000;
uint64_t FakeNow = 0;

}  // namespace

uint64_t hx::NowNs() {
    return FakeNow;
}

namespace {

std::vector<uint64_t> Calls;  // the clock at each call
uint64_t StallMs = 0;         // the next call takes this long
void Record() {
    Calls.push_back(FakeNow);
    FakeNow += StallMs * kMs;
    StallMs = 0;
}

class Timers : public testing::Test {
   protected:
    void SetUp() override {
        FakeNow = 1000 * kMs;
        Calls.clear();
        StallMs = 0;
        hx::Engine.StopRequested = false;
    }
    void TearDown() override {
        for (HxTimer t : added) t->Active = 0;
        hx::RunDueTimers(FakeNow);  // forgets them
    }
    HxTimer Add(uint32_t interval_ms, HxCallback callback = Record) {
        HxTimer t = hx::AddTimer(callback, interval_ms);
        added.push_back(t);
        return t;
    }
    // Loop passes every step_ms until the clock reaches until_ms (ms from now);
    // the returned next due time is kept in lastDue.
    void RunFor(uint64_t until_ms, uint64_t step_ms) {
        uint64_t end = FakeNow + until_ms * kMs;
        while (FakeNow < end) {
            lastDue = hx::RunDueTimers(FakeNow);
            FakeNow += step_ms * kMs;
        }
    }
    std::vector<HxTimer> added;
    uint64_t lastDue = 0;
};

TEST_F(Timers, FireOnTheirIntervalWithoutDrift) {
    uint64_t start = FakeNow;
    Add(20);
    // Passes at uneven moments (every 7 ms) do not shift the cadence: the
    // n-th call is the first pass at or after start + 20n.
    RunFor(3010, 7);
    ASSERT_EQ(Calls.size(), 150u);
    for (size_t n = 0; n < Calls.size(); ++n) {
        uint64_t due = start + 20 * kMs * (n + 1);
        EXPECT_GE(Calls[n], due) << "call " << n + 1;
        EXPECT_LT(Calls[n], due + 7 * kMs) << "call " << n + 1;
    }
    // The loop is told when to wake next: the 151st tick.
    EXPECT_EQ(lastDue, start + 151 * 20 * kMs);
}

TEST_F(Timers, EachTimerFiresAtMostOnceAPassAndSeveralRunInOnePass) {
    Add(10);
    Add(15);
    FakeNow += 1;  // first seen now
    hx::RunDueTimers(FakeNow);
    FakeNow += 30 * kMs;
    hx::RunDueTimers(FakeNow);
    EXPECT_EQ(Calls.size(), 2u) << "both due, one call each";
    hx::RunDueTimers(FakeNow);
    EXPECT_EQ(Calls.size(), 4u) << "both still owe a tick (10 ms: 3, 15 ms: 2)";
    hx::RunDueTimers(FakeNow);
    EXPECT_EQ(Calls.size(), 5u);
    EXPECT_EQ(hx::RunDueTimers(FakeNow), FakeNow + 10 * kMs) << "the 10 ms timer is due next";
    EXPECT_EQ(Calls.size(), 5u);
}

TEST_F(Timers, ASlowCallDoesNotDelayTheCadence) {
    uint64_t start = FakeNow;
    Add(20);
    RunFor(25, 1);
    ASSERT_EQ(Calls.size(), 1u);
    StallMs = 15;  // the second call takes 15 ms
    RunFor(100, 1);
    ASSERT_GE(Calls.size(), 5u);
    for (size_t n = 1; n < 5; ++n) EXPECT_EQ(Calls[n], start + 20 * kMs * (n + 1)) << "call " << n + 1;
}

TEST_F(Timers, CatchUpAfterAStallIsLimitedToThreeOverdueTicks) {
    Add(20);
    RunFor(201, 1);  // calls at 20 .. 200
    ASSERT_EQ(Calls.size(), 10u);
    uint64_t stallEnd = FakeNow + 300 * kMs;
    FakeNow = stallEnd;  // the process was not scheduled for 300 ms: 15 ticks due
    for (int pass = 0; pass < 10; ++pass) hx::RunDueTimers(FakeNow);
    // The tick that was due when the stall began, three overdue ones and the
    // one due now; the other ten are skipped.
    EXPECT_EQ(Calls.size(), 15u);
    // From then on the normal cadence, from the present moment; the skipped
    // ticks are never delivered later.
    RunFor(101, 1);
    EXPECT_EQ(Calls.size(), 20u);
    EXPECT_EQ(Calls.back(), stallEnd + 100 * kMs);
}

TEST_F(Timers, AStallInsideACallIsCaughtUpTheSameWay) {
    Add(20);
    RunFor(201, 1);
    ASSERT_EQ(Calls.size(), 10u);
    StallMs = 300;
    RunFor(20, 1);  // the 11th call, at 220, takes 300 ms
    ASSERT_EQ(Calls.size(), 11u);
    for (int pass = 0; pass < 10; ++pass) hx::RunDueTimers(FakeNow);
    EXPECT_EQ(Calls.size(), 15u) << "three overdue ticks and the one due now";
}

TEST_F(Timers, AChangedIntervalCountsFromTheNextWait) {
    uint64_t start = FakeNow;
    HxTimer t = Add(50);
    RunFor(120, 1);  // calls at 50 and 100; the wait for 150 is under way
    ASSERT_EQ(Calls.size(), 2u);
    t->Interval = 10;  // the game writes the record directly
    RunFor(81, 1);
    // 150 ends the old wait; then every 10 ms: 160, 170, 180, 190, 200.
    std::vector<uint64_t> expected;
    for (uint64_t ms : {50, 100, 150, 160, 170, 180, 190, 200}) expected.push_back(start + ms * kMs);
    EXPECT_EQ(Calls, expected);
}

TEST_F(Timers, IntervalZeroCountsAsOneMillisecond) {
    Add(0);
    RunFor(100, 1);
    EXPECT_EQ(Calls.size(), 99u);  // at 1, 2, ... 99 ms
    Calls.clear();
    RunFor(10, 5);  // passes 5 ms apart: one call each, never a burst
    EXPECT_EQ(Calls.size(), 2u);
}

TEST_F(Timers, InactiveTimersDoNotFireAndRestartAFreshInterval) {
    HxTimer t = Add(20);
    RunFor(30, 1);
    ASSERT_EQ(Calls.size(), 1u);
    t->Active = 0;
    RunFor(100, 1);
    EXPECT_EQ(Calls.size(), 1u);
    EXPECT_EQ(hx::RunDueTimers(FakeNow), UINT64_MAX) << "no active timer: nothing to wake for";
    uint64_t resumed = FakeNow;
    t->Active = 1;
    RunFor(25, 1);
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls.back(), resumed + 20 * kMs) << "a whole interval after re-activation, no backlog";

    HxTimer none = Add(5, nullptr);  // a timer without a callback never fires
    EXPECT_EQ(hx::RunDueTimers(FakeNow), resumed + 40 * kMs);
    none->Active = 0;
}

int StopAfter = 0;
void CountAndStop() {
    Calls.push_back(FakeNow);
    if (int(Calls.size()) == StopAfter) engine_stop();
}

TEST_F(Timers, AStopRequestedByACallEndsThePass) {
    StopAfter = 1;
    Add(10, CountAndStop);
    Add(10, CountAndStop);
    RunFor(1, 1);
    FakeNow += 10 * kMs;
    hx::RunDueTimers(FakeNow);
    EXPECT_EQ(Calls.size(), 1u) << "the second timer, due too, is not called after the stop";
    hx::RunDueTimers(FakeNow);
    EXPECT_EQ(Calls.size(), 1u) << "nor in a later pass while the stop is pending";
}

}  // namespace
