// The waveOut device with drivers that answer waveOutGetPosition in other
// time formats: wine's real driver (to ALSA's null device, see
// CMakeLists.txt) plays, and its answers are rewritten on the way back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "music.h"
#include "output.h"
#include "output_waveout.h"
#include "xm_writer.h"

namespace {

// Answers in milliseconds whatever is asked for; with `samplesToo`, a
// request for samples is still answered in samples.
template <bool samplesToo>
MMRESULT WINAPI MillisecondDriver(HWAVEOUT wave, LPMMTIME time, UINT size) {
    UINT asked = time->wType;
    MMRESULT result = waveOutGetPosition(wave, time, size);
    if (samplesToo && asked == TIME_SAMPLES) return result;
    DWORD bytes = time->wType == TIME_SAMPLES ? time->u.sample * 4 : time->u.cb;
    time->wType = TIME_MS;
    time->u.ms = bytes / 192;
    return result;
}

struct WaveOutPosition : ::testing::Test {
    std::vector<uint8_t> song;
    void SetUp() override {
        XmModule m;
        m.patterns.push_back(EmptyPattern(64, 2));
        song = BuildXm(m);
    }
    void TearDown() override {
        MusicStop();
        SetWavePositionQuery(nullptr);
    }
    uint64_t RenderedIn(std::chrono::milliseconds span) {
        uint64_t before = RenderedBlocks.load();
        std::this_thread::sleep_for(span);
        return RenderedBlocks.load() - before;
    }
};

TEST_F(WaveOutPosition, ADriverThatCountsOnlySamplesKeepsTheMusicGoing) {
    SetWavePositionQuery(MillisecondDriver<true>);
    ASSERT_NE(MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY), 0u) << "no waveOut device under wine";
    // 47 blocks a second are heard; the ring must be refilled behind them.
    EXPECT_GT(RenderedIn(std::chrono::milliseconds(1000)), 20u);
}

TEST_F(WaveOutPosition, ADriverWithoutBytesOrSamplesIsNoDevice) {
    SetWavePositionQuery(MillisecondDriver<false>);
    EXPECT_EQ(MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY), 0u);
    EXPECT_EQ(OutputThreadsAlive(), 0);
}

TEST_F(WaveOutPosition, ADriverThatStopsCountingFallsSilentWithoutRendering) {
    ASSERT_NE(MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY), 0u) << "no waveOut device under wine";
    ASSERT_GT(RenderedIn(std::chrono::milliseconds(300)), 5u);
    SetWavePositionQuery(MillisecondDriver<false>);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(RenderedIn(std::chrono::milliseconds(500)), 0u);
}

}  // namespace
