// waveOut under wine with drivers that answer in milliseconds (wine's answers rewritten).
#include <gtest/gtest.h>

#include <thread>

#include "music.h"
#include "output.h"
#include "output_waveout.h"
#include "xm_writer.h"

template <bool samplesToo>
MMRESULT WINAPI MillisecondDriver(HWAVEOUT wave, LPMMTIME time, UINT size) {
    UINT asked = time->wType;
    MMRESULT result = waveOutGetPosition(wave, time, size);
    if (samplesToo && asked == TIME_SAMPLES) return result;
    time->u.ms = (time->wType == TIME_SAMPLES ? time->u.sample * 4 : time->u.cb) / 192;
    time->wType = TIME_MS;
    return result;
}

TEST(WaveOutPosition, SamplesWhereBytesAreNotCountedNoDeviceWhereNeitherIs) {
    XmModule m;
    m.patterns.push_back(EmptyPattern(64, 2));
    std::vector<uint8_t> song = BuildXm(m);
    SetWavePositionQuery(MillisecondDriver<true>);
    ASSERT_NE(MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY), 0u) << "no waveOut device under wine";
    uint64_t before = RenderedBlocks.load();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_GT(RenderedBlocks.load() - before, 20u) << "47 blocks a second are heard; too few rendered";
    MusicStop();
    SetWavePositionQuery(MillisecondDriver<false>);  // the game then runs silent
    EXPECT_EQ(MusicPlay(song.data(), song.size(), MUSIC_SOURCE_MEMORY), 0u);
}
