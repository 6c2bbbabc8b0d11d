// FillBlock's conversion to 16-bit samples, the master gain table, pause,
// and blocks without a song.
#include "player.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "mixer.h"
#include "music.h"
#include "render.h"
#include "replayer.h"
#include "testing.h"
#include "xm_writer.h"

namespace {

TEST(Conversion, RoundsHalfUpAndClips) {
    EXPECT_EQ(ConvertSample(8160, 32768), 1);
    EXPECT_EQ(ConvertSample(8159, 32768), 0);
    EXPECT_EQ(ConvertSample(-8160, 32768), -1);
    EXPECT_EQ(ConvertSample(16320 * 5 + 8159, 32768), 5);
    EXPECT_EQ(ConvertSample(-int64_t(16320) * 40000, 32768), -32767);
    EXPECT_EQ(ConvertSample(int64_t(16320) * 40000, 32768), 32767);
    EXPECT_EQ(ConvertSample(int64_t(16320) * 1000, 16384), 500);
    EXPECT_EQ(ConvertSample(-int64_t(16320) * 1001, 16384), -500);  // the magnitude is scaled, then signed
}

TEST(Conversion, SumsBeyondThirtyTwoBitsSaturate) {
    EXPECT_EQ(ConvertSample(int64_t(1) << 40, 32768), 32767);
    EXPECT_EQ(ConvertSample(-(int64_t(1) << 40), 32768), -32767);
    EXPECT_EQ(ConvertSample(INT64_MIN, 32768), -32767);
    EXPECT_EQ(ConvertSample(INT64_MAX, 1), 0);
}

// The block conversion gives what ConvertSample gives, value for value:
// around every rounding edge, at and beyond the 32-bit limits, for every gain.
TEST(Conversion, BlocksConvertLikeSingleValues) {
    std::mt19937_64 rng(7);
    std::vector<int64_t> mix;
    for (int64_t k : {int64_t(0), int64_t(1), int64_t(5), int64_t(254), int64_t(255), int64_t(32766),
                      int64_t(32767), int64_t(32768), int64_t(131586)})
        for (int64_t d : {-8161, -8160, -8159, 0, 8158, 8159, 8160, 8161})
            for (int64_t sign : {1, -1}) mix.push_back(sign * (k * 16320 + d));
    for (int64_t v : {int64_t(INT32_MAX), int64_t(INT32_MIN), int64_t(INT32_MAX) + 1, int64_t(INT32_MIN) - 1,
                      INT64_MAX, INT64_MIN, int64_t(1) << 40})
        mix.push_back(v);
    while (mix.size() < 4000) {
        int shift = int(rng() % 40);
        mix.push_back(int64_t(rng()) >> (24 + shift % 40));
    }
    std::vector<int16_t> out(mix.size());
    const int available = MixerVectorLevelAvailable();
    for (int level = 0; level <= available; level++) {
        SetMixerVectorLevel(level);
        for (uint32_t gain : {0u, 1u, 130u, 16423u, 32767u, 32768u}) {
            for (uint32_t count : {uint32_t(mix.size()), 15u, 17u}) {
                ConvertMixValues(mix.data(), out.data(), count, gain);
                for (uint32_t i = 0; i < count; i++)
                    ASSERT_EQ(out[i], ConvertSample(mix[i], gain))
                        << "value " << mix[i] << " gain " << gain << " level " << level;
            }
        }
    }
    SetMixerVectorLevel(available);
}

TEST(MasterGain, TableAndLimits) {
    MusicSetVolume(26);
    EXPECT_EQ(MasterGain.load(), 32768u);
    MusicSetVolume(1000);
    EXPECT_EQ(MasterGain.load(), 32768u);
    MusicSetVolume(-1);
    EXPECT_EQ(MasterGain.load(), 32768u);
    MusicSetVolume(0);
    EXPECT_EQ(MasterGain.load(), 1u);
    MusicSetVolume(20);
    EXPECT_EQ(MasterGain.load(), 10362u);
    for (uint32_t i = 1; i <= 25; i++) EXPECT_GT(VolumeGain(i), VolumeGain(i - 1));
    // Nearly, but not entirely, silent.
    EXPECT_EQ(ConvertSample(int64_t(16320) * 32767, VolumeGain(0)), 0);
    EXPECT_EQ(ConvertSample(int64_t(16320) * 32767, VolumeGain(1)), 129);
}

class Blocks : public ::testing::Test {
   protected:
    void SetUp() override {
        XmModule m;
        m.channels = 1;
        m.patterns.push_back(EmptyPattern(64, 1));
        XmSample s;
        for (int i = 0; i < 2000; i++) s.data.push_back(int16_t((i % 40) < 20 ? 0x4000 : -0x4000));
        s.loopType = 1;
        s.loopLength = 2000;
        m.instruments.push_back(SimpleInstrument(s));
        m.patterns[0].cells[0] = {49, 1, 0, 0, 0};
        ASSERT_TRUE(LoadBytes(BuildXm(m)));
        MusicSetVolume(25);
    }
    void TearDown() override {
        PauseFlag.store(0);
        UnloadSong();
    }
    static int Peak(uint32_t block) {
        int peak = 0;
        for (uint32_t i = 0; i < 2 * BLOCK_FRAMES; i++)
            peak = std::max(peak, std::abs(int(OutputRing[block * 2048 + i])));
        return peak;
    }
};

TEST_F(Blocks, RendersIntoTheRingBlockByBlock) {
    EXPECT_EQ(WriteBlock, 0u);
    for (uint32_t b = 0; b < BLOCK_COUNT; b++) FillBlock();
    EXPECT_EQ(WriteBlock, 0u);
    for (uint32_t b = 0; b < BLOCK_COUNT; b++) EXPECT_GT(Peak(b), 4000) << b;
    // Volume 64, centred: 63 x 128 on each side, a sample of 0x4000.
    EXPECT_EQ(Peak(5), int(ConvertSample(int64_t(64) * 0x4000 * 63, 32768)));
}

TEST_F(Blocks, PauseRendersSilenceAndTheSongStandsStill) {
    FillBlock();
    const int32_t row = Song.row;
    const uint32_t tick = Song.tick;
    const uint32_t framesLeft = Song.framesLeft;
    uint32_t position = Song.channels[0].voice->position;
    PauseFlag.store(1);
    FillBlock();
    FillBlock();
    EXPECT_EQ(Peak(1), 0);
    EXPECT_EQ(Peak(2), 0);
    EXPECT_EQ(std::make_tuple(Song.row, Song.tick, Song.framesLeft), std::make_tuple(row, tick, framesLeft));
    EXPECT_EQ(Song.channels[0].voice->position, position);
    PauseFlag.store(0);
    FillBlock();
    EXPECT_GT(Peak(3), 4000);
}

TEST_F(Blocks, GainScalesEverySample) {
    MusicSetVolume(25);
    FillBlock();
    FillBlock();
    int full = Peak(1);
    UnloadSong();
    SetUp();
    MusicSetVolume(13);  // 2,068
    FillBlock();
    FillBlock();
    EXPECT_EQ(Peak(1), (full * 2068) >> 15);
}

// Sixty-four full-scale voices on one side add up to far more than 32 bits
// hold: the sums saturate and the output clips instead of wrapping around.
TEST(LoudMix, SixtyFourFullScaleVoicesClipWithoutWrapping) {
    XmModule m;
    m.channels = 64;
    m.patterns.push_back(EmptyPattern(8, 64));
    XmSample s;
    s.data.assign(4000, 32767);
    s.sixteen = true;
    s.loopType = 1;
    s.loopLength = 4000;
    s.panning = 0;  // hard left
    m.instruments.push_back(SimpleInstrument(s));
    for (int c = 0; c < 64; c++) m.patterns[0].cells[c] = {49, 1, 0, 0, 0};
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    MusicSetVolume(25);
    for (int b = 0; b < 4; b++) FillBlock();
    for (uint32_t i = 0; i < BLOCK_FRAMES; i++) {
        ASSERT_EQ(OutputRing[3 * 2048 + 2 * i], 32767) << i;
        ASSERT_EQ(OutputRing[3 * 2048 + 2 * i + 1], 0) << i;
    }
    UnloadSong();
}

// One note held for a minute on a looped sample that ends where its loop
// ends. These notes, tempos and lengths bring a call to its end a few units
// of 2^-32 past the loop end after 15 seconds (block 720): the voice must
// wrap or turn there and keep moving, block after block.
TEST(HeldNote, ALoopingVoiceNeverStandsStill) {
    struct Case {
        uint8_t loopType, note;
        int8_t finetune;
    };
    for (Case c : {Case{1, 7, 44}, Case{2, 8, -85}}) {
        XmModule m;
        m.channels = 1;
        m.bpm = 97;
        m.songLength = 2;
        m.orders = {0, 1};
        m.restart = 1;  // the note is played once and held
        m.patterns = {EmptyPattern(64, 1), EmptyPattern(256, 1)};
        XmSample s;
        for (uint32_t i = 0; i < 11581; i++) s.data.push_back(int16_t((i * 2654435761u) >> 16));
        s.sixteen = true;
        s.loopType = c.loopType;
        s.loopStart = 11581 / 2;
        s.loopLength = 11581 - 11581 / 2;
        s.finetune = c.finetune;
        m.instruments.push_back(SimpleInstrument(s));
        Cell(m, 0, 0, 0) = {c.note, 1, 0, 0, 0};
        std::vector<uint8_t> bytes = BuildXm(m);
        ASSERT_EQ(MusicRenderOpenMemory(bytes.data(), uint32_t(bytes.size()), {}), MUSIC_RENDER_OK);
        std::vector<int16_t> out(2 * 1024);
        uint64_t last = ~uint64_t(0);
        for (int block = 0; block < 60 * 48000 / 1024; block++) {
            ASSERT_EQ(MusicRender(out.data(), 1024, 20), 1024u);
            const Voice& v = *Song.channels[0].voice;
            ASSERT_NE(v.sample, nullptr);
            uint64_t x = (uint64_t(v.position) << 32) | v.fraction;
            ASSERT_NE(x, last) << "loop type " << int(c.loopType) << ", block " << block;
            last = x;
        }
        MusicRenderClose();
    }
}

TEST(NoSong, BlocksAreSilent) {
    UnloadSong();
    for (int i = 0; i < 3; i++) OutputRing[i] = 5;
    uint32_t block = WriteBlock;
    FillBlock();
    for (uint32_t i = 0; i < 2 * BLOCK_FRAMES; i++) ASSERT_EQ(OutputRing[block * 2048 + i], 0);
}

}  // namespace
