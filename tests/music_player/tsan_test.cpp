// Play, pause, resume, volume changes and stop from one thread while a
// second thread plays the device and the output thread renders; built with
// the thread sanitizer, which fails the run on any data race.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "music.h"
#include "manual_output.h"
#include "output.h"
#include "player.h"
#include "player_support.h"
#include "render.h"
#include "tiny_xm.h"

namespace {

using std::chrono::milliseconds;

TEST(PlayerThreads, ControlCallsRaceTheOutputThreadAndTheDevice) {
    std::vector<uint8_t> song = ReadWholeFile(SOUND_PAK);
    ASSERT_GT(song.size(), 336u);
    std::vector<uint8_t> tiny = MakeTinyXm();  // 60 blocks long
    ManualOutput::Install();

    // The device side: plays a block every 2 ms, about ten times real time.
    std::atomic<bool> done{false};
    std::thread device([&] {
        while (!done.load()) {
            ManualOutput::Play(BLOCK_BYTES);
            std::this_thread::sleep_for(milliseconds(2));
        }
    });

    int started = 0;
    // A no-loop song ends by itself; its thread is gone once it has released
    // the device and the song.
    int ended_by_itself = 0;
    for (int round = 0; round < 16; ++round) {
        bool no_loop = round % 4 == 3;
        const std::vector<uint8_t>& module = no_loop ? tiny : song;
        uint32_t flags =
            MUSIC_SOURCE_MEMORY | (no_loop ? MUSIC_NO_LOOP : 0) | (round % 5 == 1 ? MUSIC_START_PAUSED : 0);
        if (MusicPlay(module.data(), module.size(), flags) != 0) ++started;
        for (int step = 0; step < 40; ++step) {
            switch ((step + round) % 4) {
                case 0:
                    MusicPause();
                    break;
                case 1:
                    MusicResume();
                    break;
                case 2:
                    MusicSetVolume((step * 7 + round) % 27);
                    break;
                default:
                    break;
            }
            std::this_thread::sleep_for(milliseconds(3));
        }
        if (no_loop) MusicResume();
        if (no_loop && WaitUntil([] { return OutputThreadsAlive() == 0; }, milliseconds(5000)))
            ++ended_by_itself;
        if (round % 2 == 0) MusicStop();  // otherwise the next MusicPlay stops it
    }
    MusicStop();
    done.store(true);
    device.join();
    ManualOutput::Uninstall();

    EXPECT_EQ(started, 16);
    EXPECT_EQ(ended_by_itself, 4);
    EXPECT_EQ(OutputThreadsAlive(), 0);
    EXPECT_EQ(ManualOutput::OpenNow(), 0);
    EXPECT_LE(ManualOutput::MostOpenAtOnce(), 1);
    EXPECT_FALSE(SongLoaded());
}

}  // namespace

namespace {

// An offline render on this thread while another starts and stops songs:
// each render either is refused (MusicPlay holds the song) or gives exactly
// what a render alone gives.
TEST(PlayerThreads, AnOfflineRenderRacesMusicPlayAndMusicStop) {
    std::vector<uint8_t> song = ReadWholeFile(SOUND_PAK);
    std::vector<uint8_t> tiny = MakeTinyXm();
    const std::vector<int16_t> alone = ReferenceRender(tiny, 3);
    ASSERT_FALSE(alone.empty());
    ManualOutput::Install();
    std::atomic<bool> done{false};
    std::thread control([&] {
        while (!done.load()) {
            MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY);
            std::this_thread::sleep_for(milliseconds(1));
            MusicStop();
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    int rendered = 0;
    for (int round = 0; round < 2000 && rendered < 20; ++round) {
        std::vector<int16_t> out(alone.size());
        MusicRenderOptions options;
        if (MusicRenderOpenMemory(tiny.data(), uint32_t(tiny.size()), options) != MUSIC_RENDER_OK) continue;
        out.resize(2 * size_t(MusicRender(out.data(), uint32_t(alone.size() / 2), 25)));
        MusicRenderClose();
        EXPECT_EQ(out, alone);
        ++rendered;
    }
    done.store(true);
    control.join();
    MusicStop();
    ManualOutput::Uninstall();
    EXPECT_EQ(rendered, 20);
}

// The same with the SDL2 device, whose callback runs on SDL's own thread
// (SDL's disk driver, writing to nowhere).
TEST(PlayerThreads, ControlCallsRaceTheSdlCallback) {
    std::vector<uint8_t> song = ReadWholeFile(SOUND_PAK);
    ASSERT_GT(song.size(), 336u);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    OutputSetFactory(nullptr);
    int started = 0;
    for (int round = 0; round < 6; ++round) {
        if (MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY) != 0) ++started;
        for (int step = 0; step < 30; ++step) {
            switch ((step + round) % 3) {
                case 0:
                    MusicPause();
                    break;
                case 1:
                    MusicResume();
                    break;
                default:
                    MusicSetVolume(step % 26);
                    break;
            }
            std::this_thread::sleep_for(milliseconds(5));
        }
        if (round % 2 == 0) MusicStop();
    }
    MusicStop();
    EXPECT_EQ(started, 6);
    EXPECT_EQ(OutputThreadsAlive(), 0);
}

}  // namespace
