// loop_test.cpp - the main loop, timers and input latching in a real window.
// Timer cadence is checked against the monotonic clock over a few seconds.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "support.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// ---- the loop ----

std::vector<std::string> Order;
void RecordLoad() {
    Order.push_back("load");
}
void RecordDraw() {
    Order.push_back("draw");
    if (Order.size() >= 4) Engine().engine_stop();
}

TEST(Loop, LoadRunsOnceBeforeTheFirstFrame) {
    Order.clear();
    const Halvex& hx = Engine();
    hx.engine_device(HX_EVENT_LOAD, RecordLoad);
    hx.engine_device(HX_EVENT_DRAW, RecordDraw);
    hx.scr_SetOptions(200, 100, 0, 0, 0);
    hx.engine_start(0, 0);
    ASSERT_EQ(Order.size(), 4u);
    EXPECT_EQ(Order[0], "load");
    EXPECT_EQ(Order[1], "draw");
    EXPECT_EQ(Order[3], "draw");
}

TEST(Loop, GraphicsAreReadyInTheLoadCallback) {
    bool drawn = false;
    ASSERT_TRUE(RunWindow(
        [&] {
            Engine().prim_Rect(0, 0, 10, 10, 0x00FF00, 255, HX_PR2D_FILL);
            drawn = Near(ReadPixel(5, 5), 0x00FF00);
        },
        [](int) { return false; }));
    EXPECT_TRUE(drawn);
}

TEST(Loop, EachFrameStartsBlackAndTheLastFrameCanBeRead) {
    Rgba second{};
    ASSERT_TRUE(RunWindow(nullptr, [&](int frame) {
        if (frame == 1) {
            Engine().prim_Rect(0, 0, 10, 10, 0xFF0000, 255, HX_PR2D_FILL);
            return true;
        }
        second = ReadPixel(5, 5);
        Engine().prim_Rect(0, 0, 10, 10, 0x0000FF, 255, HX_PR2D_FILL);
        return false;
    }));
    EXPECT_PRED2(Near, second, 0x000000u) << Describe(second);
    // After the loop has ended the window is gone and nothing can be read.
    EXPECT_PRED2(Near, ReadPixel(5, 5), 0x000000u);
}

TEST(Loop, StartsAgainAfterItEnded) {
    HxTexture t = 0;
    ASSERT_TRUE(RunWindow([&] { t = LoadTexture(1, 1, {0x00FF00FF}); }, [](int) { return false; }));
    for (int run = 0; run < 2; ++run) {
        Rgba seen{};
        ASSERT_TRUE(RunWindow(nullptr, [&](int) {
            Engine().spr_sDraw(t, 0, 0, 10, 10, 0, 255, HX_FX_BLEND);
            seen = ReadPixel(5, 5);
            return false;
        }));
        EXPECT_PRED2(Near, seen, 0x00FF00u) << "run " << run << ": " << Describe(seen);
    }
}

TEST(Loop, ClosingTheWindowEndsTheLoop) {
    int frames = 0;
    ASSERT_TRUE(RunWindow(
        nullptr,
        [&](int frame) {
            frames = frame;
            if (frame == 3) {
                SDL_Event e{};
                e.type = SDL_QUIT;
                SDL_PushEvent(&e);
            }
            return true;
        },
        320, 240, 5000));
    EXPECT_GE(frames, 3);
    EXPECT_LE(frames, 4);
}

TEST(Loop, FramesArePacedAndTheLoopSleeps) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    auto start = Clock::now();
    int frames = 0;
    ASSERT_TRUE(RunWindow(nullptr, [&](int frame) {
        frames = frame;
        return Seconds(start, Clock::now()) < 2.0;
    }));
    double wall = Seconds(start, Clock::now());
    getrusage(RUSAGE_SELF, &after);
    double cpu = double(after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                 double(after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                 1e-6 * double(after.ru_utime.tv_usec - before.ru_utime.tv_usec) +
                 1e-6 * double(after.ru_stime.tv_usec - before.ru_stime.tv_usec);
    double fps = frames / wall;
    std::printf("idle 320x240 window: %.1f frames/s, CPU %.0f%% of one core\n", fps, 100 * cpu / wall);
    EXPECT_LE(fps, 62.0) << "frames are not capped";
    EXPECT_GE(fps, 20.0) << "frames far too slow";
    EXPECT_LT(cpu / wall, 0.7) << "the loop appears to spin";
}

// ---- timers ----

int TickCount = 0;
std::vector<Clock::time_point> TickTimes;
void CountTick() {
    ++TickCount;
    TickTimes.push_back(Clock::now());
}

// Timing on a shared machine: a run disturbed by other processes (this one
// descheduled for longer than catch-up covers) is measured again, up to three
// times. measure(last) returns whether its figures are within tolerance; the
// assertions are made on a good run or on the last one.
void Measured(const std::function<bool(bool last)>& measure) {
    for (int attempt = 1; attempt <= 3; ++attempt)
        if (measure(attempt == 3)) return;
}

TEST(Timer, KeepsItsCadenceWithoutDrift) {
    Measured([](bool last) {
        TickCount = 0;
        TickTimes.clear();
        HxTimer timer = nullptr;
        Clock::time_point start, end;
        bool ran = RunWindow(
            [&] {
                timer = Engine().timer_Add(CountTick, 20);
                start = Clock::now();
            },
            [&](int) {
                end = Clock::now();
                return Seconds(start, end) < 3.0;
            });
        timer->Active = 0;
        double elapsed = Seconds(start, end);
        double expected = elapsed * 1000 / 20;
        // No drift: 100 calls after the 5th (leaving out a late start on a
        // busy machine), 100 intervals have passed.
        double span = TickTimes.size() > 104 ? Seconds(TickTimes[4], TickTimes[104]) : 0;
        std::printf("20 ms timer: %d calls in %.3f s (expected %.1f); calls 5 to 105 span %.4f s\n",
                    TickCount, elapsed, expected, span);
        bool ok = ran && std::abs(TickCount - expected) <= expected * 0.02 && std::abs(span - 2.0) <= 0.015;
        if (ok || last) {
            EXPECT_TRUE(ran);
            EXPECT_NEAR(TickCount, expected, expected * 0.02);
            EXPECT_NEAR(span, 100 * 0.020, 0.015) << "100 calls";
        }
        return ok;
    });
}

TEST(Timer, AChangedIntervalTakesEffect) {
    Measured([](bool last) {
        TickCount = 0;
        TickTimes.clear();
        HxTimer timer = nullptr;
        Clock::time_point start, changed;
        int countAtChange = 0;
        bool ran = RunWindow(
            [&] {
                timer = Engine().timer_Add(CountTick, 50);
                start = Clock::now();
            },
            [&](int) {
                double t = Seconds(start, Clock::now());
                if (t >= 1.0 && timer->Interval == 50) {
                    timer->Interval = 10;  // the game writes the record directly
                    changed = Clock::now();
                    countAtChange = TickCount;
                }
                return t < 2.5;
            });
        timer->Active = 0;
        if (countAtChange <= 10 || int(TickTimes.size()) - countAtChange <= 50) {
            if (last) ADD_FAILURE() << "too few calls: " << countAtChange << " then " << TickCount;
            return false;
        }
        // Rates between calls: the wait under way when the value was written
        // still ends at the old interval, every later one uses the new value.
        double before = (countAtChange - 5) / Seconds(TickTimes[4], TickTimes[size_t(countAtChange - 1)]);
        size_t first = size_t(countAtChange) + 1;  // the second call after the change
        double after = double(TickTimes.size() - 1 - first) / Seconds(TickTimes[first], TickTimes.back());
        double firstWait = Seconds(changed, TickTimes[size_t(countAtChange)]);
        std::printf(
            "interval 50 ms: %.2f calls/s; after writing 10 ms: %.2f calls/s "
            "(the wait under way ended %.1f ms later)\n",
            before, after, firstWait * 1000);
        bool ok = ran && std::abs(before - 20) <= 0.4 && std::abs(after - 100) <= 2 && firstWait <= 0.052;
        if (ok || last) {
            EXPECT_TRUE(ran);
            EXPECT_NEAR(before, 20.0, 20.0 * 0.02);
            EXPECT_NEAR(after, 100.0, 100.0 * 0.02);
            EXPECT_LE(firstWait, 0.052);
        }
        return ok;
    });
}

TEST(Timer, IntervalZeroCountsAsOneMillisecond) {
    TickCount = 0;
    HxTimer timer = nullptr;
    Clock::time_point start;
    int frames = 0;
    ASSERT_TRUE(RunWindow(
        [&] {
            timer = Engine().timer_Add(CountTick, 0);
            start = Clock::now();
        },
        [&](int frame) {
            frames = frame;
            return Seconds(start, Clock::now()) < 1.0;
        }));
    timer->Active = 0;
    double elapsed = Seconds(start, Clock::now());
    std::printf("interval 0: %d calls in %.3f s, %d frames\n", TickCount, elapsed, frames);
    // Never more than one call a millisecond; on a loaded machine some are
    // dropped (catch-up is limited), but most arrive.
    EXPECT_LE(TickCount, elapsed * 1000 + 5);
    EXPECT_GE(TickCount, elapsed * 1000 * 0.5);
    EXPECT_GE(frames, 30) << "a 1 ms timer must not starve the frames";
}

int StallCalls = 0;
Clock::time_point StallEnded;
std::vector<double> AfterStall;  // seconds after the stall ended
void StallingTick() {
    ++StallCalls;
    if (StallCalls == 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        StallEnded = Clock::now();
    } else if (StallCalls > 10) {
        AfterStall.push_back(Seconds(StallEnded, Clock::now()));
    }
}

TEST(Timer, CatchesUpOnlyAFewTicksAfterAStall) {
    Measured([](bool last) {
        StallCalls = 0;
        AfterStall.clear();
        HxTimer timer = nullptr;
        Clock::time_point start;
        bool ran = RunWindow(
            [&] {
                timer = Engine().timer_Add(StallingTick, 20);
                start = Clock::now();
            },
            [&](int) { return Seconds(start, Clock::now()) < 1.2; });
        timer->Active = 0;
        double elapsed = Seconds(start, Clock::now());
        // The 300 ms stall leaves 15 ticks due. Delivered as a burst they
        // would all come within a few ms; limited catch-up gives at most 4 at
        // once, then the normal cadence (3 more ticks in 60 ms).
        int soon = 0;
        for (double t : AfterStall)
            if (t < 0.060) ++soon;
        std::printf("after a 300 ms stall of a 20 ms timer: %d calls within 60 ms, %d calls in %.2f s\n",
                    soon, StallCalls, elapsed);
        // The skipped ticks are never delivered later.
        bool ok = ran && soon >= 1 && soon <= 8 && StallCalls <= elapsed / 0.020 - 8;
        if (ok || last) {
            EXPECT_TRUE(ran);
            EXPECT_GE(soon, 1) << "overdue ticks should still be delivered";
            EXPECT_LE(soon, 8) << "a burst of overdue ticks";
            EXPECT_LE(StallCalls, elapsed / 0.020 - 8);
        }
        return ok;
    });
}

void StopFromTimer() {
    Engine().engine_stop();
}

TEST(Timer, EngineStopWorksFromATimer) {
    HxTimer timer = nullptr;
    Clock::time_point start, last;
    ASSERT_TRUE(RunWindow(
        [&] {
            timer = Engine().timer_Add(StopFromTimer, 200);
            start = Clock::now();
        },
        [&](int) {
            last = Clock::now();
            return true;
        },
        320, 240, 5000));
    timer->Active = 0;
    // The loop ends right after the timer's call: no frame comes later.
    EXPECT_NEAR(Seconds(start, last), 0.2, 0.05);
}

TEST(Timer, InactiveTimersDoNotFire) {
    TickCount = 0;
    HxTimer timer = Engine().timer_Add(CountTick, 5);
    timer->Active = 0;
    auto start = Clock::now();
    ASSERT_TRUE(RunWindow(nullptr, [&](int) { return Seconds(start, Clock::now()) < 0.3; }));
    EXPECT_EQ(TickCount, 0);
}

// ---- input ----

TEST(Input, KeyPressIsLatchedUntilCleared) {
    const Halvex& hx = Engine();
    std::vector<int> seen;
    ASSERT_TRUE(RunWindow(nullptr, [&](int frame) {
        switch (frame) {
            case 1:
                hx.key_ClearState();
                // Escape pressed and released before the next frame: a short tap.
                PushKey(SDL_SCANCODE_ESCAPE, true);
                PushKey(SDL_SCANCODE_ESCAPE, false);
                PushKey(SDL_SCANCODE_UP, true);
                return true;
            case 2:
                seen = {hx.key_Press(1), hx.key_Press(0xC8), hx.key_Press(57)};
                return true;
            case 3:
                seen.push_back(hx.key_Press(1));
                hx.key_ClearState();
                seen.push_back(hx.key_Press(1));
                seen.push_back(hx.key_Press(0xC8));  // still held, but its press was cleared
                return false;
        }
        return false;
    }));
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 0, 1, 0, 0}));
}

TEST(Input, KeysReportPcScanCodes) {
    const Halvex& hx = Engine();
    const std::pair<int, int> keys[] = {
        {SDL_SCANCODE_1, 2},   {SDL_SCANCODE_0, 11},      {SDL_SCANCODE_Q, 16},     {SDL_SCANCODE_P, 25},
        {SDL_SCANCODE_A, 30},  {SDL_SCANCODE_RETURN, 28}, {SDL_SCANCODE_Z, 44},     {SDL_SCANCODE_SPACE, 57},
        {SDL_SCANCODE_F1, 59}, {SDL_SCANCODE_F12, 88},    {SDL_SCANCODE_LEFT, 0xCB}};
    std::vector<int> pressed;
    ASSERT_TRUE(RunWindow(nullptr, [&](int frame) {
        if (frame == 1) {
            for (auto [sdl, pc] : keys) {
                PushKey(sdl, true);
                PushKey(sdl, false);
            }
            return true;
        }
        for (int code = 0; code < 256; ++code)
            if (hx.key_Press(uint8_t(code))) pressed.push_back(code);
        return false;
    }));
    std::vector<int> expected;
    for (auto [sdl, pc] : keys) expected.push_back(pc);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(pressed, expected);
}

TEST(Input, MouseButtonsHeldAndLatched) {
    const Halvex& hx = Engine();
    std::vector<int> seen;
    ASSERT_TRUE(RunWindow(nullptr, [&](int frame) {
        switch (frame) {
            case 1:
                PushMouseButton(SDL_BUTTON_RIGHT, true, 5, 5);
                PushMouseButton(SDL_BUTTON_RIGHT, false, 5, 5);
                PushMouseButton(SDL_BUTTON_MIDDLE, true, 5, 5);
                return true;
            case 2:
                seen = {hx.mouse_Down(2), hx.mouse_Down(1), hx.mouse_Down(0)};
                hx.mouse_ClearState();
                seen.push_back(hx.mouse_Down(2));  // the short click is forgotten
                seen.push_back(hx.mouse_Down(1));  // still held
                seen.push_back(hx.mouse_Down(7));  // no such button
                return false;
        }
        return false;
    }));
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 0, 0, 1, 0}));
}

}  // namespace
