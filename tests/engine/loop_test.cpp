// loop_test.cpp - the main loop, timers and input latching in a real window.
// Timings against the monotonic clock are loose; the timer rules themselves
// are checked on a simulated clock (timer_test.cpp).
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
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
// The timer rules (cadence without drift, catch-up, changed and zero
// intervals, inactive timers) are checked on a simulated clock in
// timer_test.cpp; here only that the real loop drives them, with bounds
// loose enough for a busy machine.

int TickCount = 0;
void CountTick() {
    ++TickCount;
}
int FastTickCount = 0;
void CountFastTick() {
    ++FastTickCount;
}

TEST(Timer, TheRealLoopDrivesTimersAndA1msTimerDoesNotStarveTheFrames) {
    TickCount = 0;
    FastTickCount = 0;
    HxTimer slow = nullptr, fast = nullptr;
    Clock::time_point start;
    int frames = 0;
    ASSERT_TRUE(RunWindow(
        [&] {
            slow = Engine().timer_Add(CountTick, 20);
            fast = Engine().timer_Add(CountFastTick, 0);
            start = Clock::now();
        },
        [&](int frame) {
            frames = frame;
            return Seconds(start, Clock::now()) < 1.0;
        }));
    slow->Active = 0;
    fast->Active = 0;
    double elapsed = Seconds(start, Clock::now());
    std::printf("in %.3f s: 20 ms timer %d calls, 0 ms timer %d calls, %d frames\n", elapsed, TickCount,
                FastTickCount, frames);
    // Never more calls than the clock allows (plus the catch-up of a late
    // start); at least half of them however busy the machine.
    EXPECT_LE(TickCount, elapsed / 0.020 + 4);
    EXPECT_GE(TickCount, elapsed / 0.020 * 0.5);
    EXPECT_LE(FastTickCount, elapsed * 1000 + 5);
    EXPECT_GE(FastTickCount, 1);
    EXPECT_GE(frames, 15) << "a 1 ms timer must not starve the frames";
}

Clock::time_point StoppedAt;
void StopFromTimer() {
    StoppedAt = Clock::now();
    Engine().engine_stop();
}

TEST(Timer, EngineStopWorksFromATimer) {
    HxTimer timer = nullptr;
    Clock::time_point start, last;
    StoppedAt = {};
    int frames = 0;
    ASSERT_TRUE(RunWindow(
        [&] {
            timer = Engine().timer_Add(StopFromTimer, 200);
            start = Clock::now();
        },
        [&](int frame) {
            frames = frame;
            last = Clock::now();
            return true;
        },
        320, 240, 5000));
    timer->Active = 0;
    // The timer ended the loop, not before its interval, and no frame came
    // after its call.
    ASSERT_NE(StoppedAt, Clock::time_point{});
    EXPECT_GE(Seconds(start, StoppedAt), 0.2);
    EXPECT_GE(frames, 1);
    EXPECT_LT(last, StoppedAt);
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
