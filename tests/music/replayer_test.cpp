// The song clock and the effects: rows, ticks, tempo, jumps, breaks, loops,
// delays, slides and the other per-channel effects, observed through the
// row hook of FillBlock.
#include "replayer.h"

#include <gtest/gtest.h>

#include "player.h"
#include "source.h"
#include "xm_writer.h"

namespace {

struct Visit {
    int32_t order, row;
    uint64_t frame;
    bool byLoop;
    int32_t volume, period;
    const Voice* voice;
    uint32_t position;
    const SampleRecord* sample;
    int32_t voiceVolume;
    int32_t globalVolume;
};
std::vector<Visit> Visits;
size_t VisitLimit = 0;

bool Record(int32_t order, int32_t row, bool byLoop) {
    const ChannelState& ch = Song.channels[0];
    Visits.push_back({order, row, FramesPlayed, byLoop, ch.volume, ch.period, ch.voice,
                      ch.voice->position, ch.voice->sample, ch.voice->volume, Song.globalVolume});
    return Visits.size() < VisitLimit;
}

class SongClock : public ::testing::Test {
   protected:
    void SetUp() override {
        Visits.clear();
        NoLoop = 0;
    }
    void TearDown() override {
        RowStartHook = nullptr;
        NoLoop = 0;
        UnloadSong();
    }
    // Plays until `rows` rows have started (the last one is not played).
    void Play(const XmModule& m, size_t rows) {
        ASSERT_TRUE(LoadBytes(BuildXm(m)));
        VisitLimit = rows;
        RowStartHook = Record;
        PlayBlocks(100000);
        ASSERT_FALSE(SongLoaded());
        ASSERT_EQ(Visits.size(), rows);
    }
    std::vector<std::pair<int, int>> Positions() const {
        std::vector<std::pair<int, int>> p;
        for (const Visit& v : Visits) p.push_back({v.order, v.row});
        return p;
    }
};

XmModule Song1(uint16_t channels = 2, uint16_t rows = 16, size_t patterns = 1) {
    XmModule m;
    m.channels = channels;
    for (size_t i = 0; i < patterns; i++) m.patterns.push_back(EmptyPattern(rows, channels));
    m.songLength = uint16_t(patterns);
    m.orders.clear();
    for (size_t i = 0; i < patterns; i++) m.orders.push_back(uint8_t(i));
    XmSample s = Ramp(20000, 256);
    s.loopType = 1;
    s.loopStart = 0;
    s.loopLength = 20000;
    m.instruments.push_back(SimpleInstrument(s));
    return m;
}

TEST_F(SongClock, SpeedPatternDelayAndSpeedZero) {
    XmModule m = Song1();
    Cell(m, 0, 2, 1) = {0, 0, 0, 14, 0xE2};  // EE2
    Cell(m, 0, 4, 0) = {0, 0, 0, 15, 0x00};  // F00
    Play(m, 8);
    EXPECT_EQ(Visits[1].frame - Visits[0].frame, 6u * 960);
    EXPECT_EQ(Visits[3].frame - Visits[2].frame, 18u * 960);
    EXPECT_EQ(Visits[4].frame - Visits[3].frame, 6u * 960);
    EXPECT_EQ(Visits[5].frame - Visits[4].frame, 960u);
    EXPECT_EQ(Visits[7].frame - Visits[6].frame, 960u);
}

TEST_F(SongClock, TempoAppliesToTheTickThatSetsIt) {
    XmModule m = Song1();
    Cell(m, 0, 0, 0) = {0, 0, 0, 15, 0x01};
    Cell(m, 0, 0, 1) = {0, 0, 0, 15, 0x20};  // 32: 3,750 frames a tick
    Cell(m, 0, 1, 0) = {0, 0, 0, 15, 0x1F};  // 31: speed
    Play(m, 3);
    EXPECT_EQ(Visits[1].frame - Visits[0].frame, 3750u);
    EXPECT_EQ(Visits[2].frame - Visits[1].frame, 31u * 3750);
}

TEST_F(SongClock, PositionJumpBeyondTheSongGoesToOrderZero) {
    XmModule m = Song1(2, 4, 3);
    Cell(m, 1, 1, 0) = {0, 0, 0, 11, 0x05};
    Play(m, 8);
    std::vector<std::pair<int, int>> expect = {{0, 0}, {0, 1}, {0, 2}, {0, 3},
                                               {1, 0}, {1, 1}, {0, 0}, {0, 1}};
    EXPECT_EQ(Positions(), expect);
}

TEST_F(SongClock, PatternBreakGoesToTheRowOfTheNextOrder) {
    XmModule m = Song1(2, 32, 2);
    Cell(m, 0, 1, 1) = {0, 0, 0, 13, 0x25};
    Play(m, 4);
    std::vector<std::pair<int, int>> expect = {{0, 0}, {0, 1}, {1, 25}, {1, 26}};
    EXPECT_EQ(Positions(), expect);
}

TEST_F(SongClock, JumpAndBreakInOneRowDependOnChannelOrder) {
    XmModule m = Song1(4, 16, 3);
    Cell(m, 0, 0, 0) = {0, 0, 0, 11, 0x02};
    Cell(m, 0, 0, 2) = {0, 0, 0, 13, 0x10};
    Cell(m, 2, 10, 0) = {0, 0, 0, 13, 0x10};
    Cell(m, 2, 10, 2) = {0, 0, 0, 11, 0x02};
    Play(m, 4);
    std::vector<std::pair<int, int>> expect = {{0, 0}, {2, 10}, {2, 0}, {2, 1}};
    EXPECT_EQ(Positions(), expect);
}

TEST_F(SongClock, BreakToARowThePatternDoesNotHaveStartsItAtRowZero) {
    XmModule m = Song1(2, 16, 2);
    Cell(m, 0, 0, 0) = {0, 0, 0, 13, 0x40};
    Play(m, 3);
    std::vector<std::pair<int, int>> expect = {{0, 0}, {1, 0}, {1, 1}};
    EXPECT_EQ(Positions(), expect);
}

TEST_F(SongClock, PatternLoopPlaysItsRowsThreeTimes) {
    XmModule m = Song1(2, 16, 1);
    Cell(m, 0, 8, 1) = {0, 0, 0, 14, 0x60};
    Cell(m, 0, 12, 1) = {0, 0, 0, 14, 0x62};
    Play(m, 8 + 15 + 2);
    std::vector<std::pair<int, int>> p = Positions();
    std::vector<int> rows;
    for (auto& x : p) rows.push_back(x.second);
    std::vector<int> expect = {0, 1, 2,  3,  4,  5, 6, 7,  8,  9,  10, 11, 12,
                               8, 9, 10, 11, 12, 8, 9, 10, 11, 12, 13, 14};
    EXPECT_EQ(rows, expect);
    EXPECT_TRUE(Visits[13].byLoop);
    EXPECT_FALSE(Visits[14].byLoop);
}

TEST_F(SongClock, NoLoopEndsWhenTheLastRowStarts) {
    XmModule m = Song1(2, 4, 2);
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    NoLoop = 1;
    uint32_t last = PlayBlocks(1000);
    EXPECT_FALSE(SongLoaded());
    EXPECT_EQ(FramesPlayed, 7u * 6 * 960);  // seven rows; the eighth is not played
    EXPECT_EQ(last, 7u * 6 * 960 % BLOCK_FRAMES);
}

TEST_F(SongClock, WithoutNoLoopTheSongRestarts) {
    XmModule m = Song1(2, 2, 3);
    m.restart = 1;
    Play(m, 9);
    std::vector<std::pair<int, int>> expect = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0},
                                               {2, 1}, {1, 0}, {1, 1}, {2, 0}};
    EXPECT_EQ(Positions(), expect);
    m.restart = 7;  // beyond the song: order 0
    Visits.clear();
    Play(m, 8);
    EXPECT_EQ(Visits[6].order, 0);
}

TEST_F(SongClock, PatternsWithoutCellsStandStill) {
    XmModule m = Song1(2, 4, 1);
    m.songLength = 2;
    m.orders = {0, 5};  // pattern 5 is missing: 64 empty rows
    m.instruments[0].volume.points = {{0, 64}, {200, 0}};
    m.instruments[0].volume.type = 1;
    Cell(m, 0, 0, 0) = {49, 1, 0, 0, 0};
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    VisitLimit = 4 + 64 + 1;
    RowStartHook = Record;
    int32_t before = -1;
    for (int i = 0; i < 10000 && SongLoaded(); i++) {
        FillBlock();
        if (Visits.size() == 6 && before < 0) before = Song.channels[0].volumeEnvelope.position;
    }
    EXPECT_EQ(before, 4 * 6);
    EXPECT_EQ(Visits.size(), VisitLimit);
    EXPECT_EQ(Visits.back().order, 0);
}

TEST_F(SongClock, VolumeSlidesAreNotLimited) {
    XmModule m = Song1(2, 16, 1);
    m.tempo = 2;
    Cell(m, 0, 0, 0) = {49, 1, 0, 12, 20};
    for (int r = 1; r <= 4; r++) Cell(m, 0, r, 0) = {0, 0, 0, 10, 0x0F};
    for (int r = 5; r <= 7; r++) Cell(m, 0, r, 0) = {0, 0, 0, 10, 0x40};
    Play(m, 9);
    EXPECT_EQ(Visits[1].volume, 20);
    EXPECT_EQ(Visits[5].volume, -40);
    EXPECT_EQ(Visits[8].volume, -28);
}

TEST_F(SongClock, TonePortamentoKeepsThePeriodAndTheInstrumentStillResets) {
    XmModule m = Song1(2, 16, 1);
    Cell(m, 0, 0, 0) = {49, 1, 0, 12, 10};   // C-4, volume 10
    Cell(m, 0, 1, 0) = {61, 1, 0, 3, 0x10};  // C-5 with the instrument, porta speed 16
    Play(m, 3);
    EXPECT_EQ(Visits[1].period, 4608);
    EXPECT_EQ(Visits[1].volume, 10);
    EXPECT_EQ(Visits[2].period, 4608 - 5 * 64);
    EXPECT_EQ(Visits[2].volume, 64);
}

// The real note is a byte: C-0 with a relative note of -5 is real note 251,
// whose linear period is 7,680 - 64 x 251 (and not the 8,000 of note -5).
TEST_F(SongClock, RealNoteBelowZeroWrapsAsAByte) {
    XmModule m = Song1(2, 16, 1);
    m.instruments[0].samples[0].relativeNote = -5;
    Cell(m, 0, 0, 0) = {1, 1, 0, 0, 0};     // C-0
    Cell(m, 0, 1, 0) = {6, 1, 0, 0, 0};     // F-0: real note 0
    Cell(m, 0, 2, 0) = {1, 0, 0, 3, 0x01};  // C-0 under a tone portamento
    Play(m, 4);
    EXPECT_EQ(Visits[1].period, 7680 - 64 * 251);
    EXPECT_EQ(Visits[2].period, 7680);
    EXPECT_EQ(Visits[3].period, 7680 - 5 * 4);  // slides down, towards the byte's period
}

TEST_F(SongClock, SampleOffsetBeyondTheLoopEndRestartsThePlayingVoice) {
    XmModule m = Song1(2, 16, 1);
    m.tempo = 1;
    m.instruments[0].samples[0] = Ramp(1000);
    Cell(m, 0, 0, 0) = {49, 1, 0, 0, 0};
    Cell(m, 0, 1, 0) = {49, 0, 0, 9, 0x05};  // 1,280: beyond the sample
    Cell(m, 0, 3, 0) = {49, 0, 0, 9, 0x02};  // 512
    Play(m, 5);
    uint32_t perTick = Visits[1].position;  // samples one tick advances
    EXPECT_GT(perTick, 100u);
    EXPECT_EQ(Visits[2].voice, Visits[1].voice);  // no new note
    EXPECT_EQ(Visits[2].position, perTick);       // back to the start, then one tick on
    EXPECT_NE(Visits[4].voice, Visits[3].voice);
    EXPECT_EQ(Visits[4].position, 512 + perTick);
}

TEST_F(SongClock, NoteDelay) {
    XmModule m = Song1(2, 16, 1);
    Cell(m, 0, 0, 0) = {49, 1, 0, 14, 0xD0};  // ED0: the note never sounds
    Cell(m, 0, 1, 0) = {49, 1, 0, 14, 0xD3};  // starts at tick 3
    Cell(m, 0, 2, 0) = {49, 1, 0, 14, 0xD9};  // beyond the row's six ticks
    Play(m, 4);
    EXPECT_EQ(Visits[1].sample, nullptr);
    ASSERT_NE(Visits[2].sample, nullptr);
    // Three ticks of 960 frames at 8,363 Hz: about 501 samples.
    EXPECT_EQ(Visits[2].position, uint32_t((uint64_t(748308572) * 2880) >> 32));
    EXPECT_EQ(Visits[3].voice, Visits[2].voice);
}

TEST_F(SongClock, KeyOffWithoutVolumeEnvelopeSilencesAtOnce) {
    XmModule m = Song1(2, 16, 1);
    XmInstrument enveloped = m.instruments[0];
    enveloped.volume.points = {{0, 64}, {4, 32}, {8, 16}};
    enveloped.volume.type = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    enveloped.volume.sustain = 1;
    enveloped.fadeout = 2000;
    m.instruments.push_back(enveloped);
    Cell(m, 0, 0, 0) = {49, 1, 0, 0, 0};
    Cell(m, 0, 1, 0) = {97, 0, 0, 0, 0};
    Cell(m, 0, 3, 0) = {49, 2, 0, 0, 0};
    Cell(m, 0, 6, 0) = {97, 0, 0, 0, 0};
    Play(m, 9);
    EXPECT_EQ(Visits[1].voiceVolume, 127);
    EXPECT_EQ(Visits[2].voiceVolume, 0);  // cut at once
    EXPECT_EQ(Visits[6].voiceVolume, 63);  // held at the sustain point (32)
    // After key-off the envelope runs on to 16 and the fade-out falls by
    // 4,000 a tick: 65,536 - 6 x 4,000 after one row.
    EXPECT_EQ(Visits[7].voiceVolume, int32_t((int64_t(1044480) * 16 * (65536 - 24000)) >> 35));
    EXPECT_LT(Visits[8].voiceVolume, Visits[7].voiceVolume);
}

TEST_F(SongClock, GlobalVolumeIsNotLimitedByItsEffects) {
    XmModule m = Song1(2, 16, 1);
    Cell(m, 0, 0, 0) = {0, 0, 0, 16, 0x50};  // G: 80
    Cell(m, 0, 1, 0) = {0, 0, 0, 17, 0x30};  // H: up 3 a tick
    Cell(m, 0, 2, 0) = {0, 0, 0, 17, 0x00};  // H00: the memory
    Cell(m, 0, 3, 0) = {0, 0, 0, 16, 0x02};
    Cell(m, 0, 4, 0) = {0, 0, 0, 17, 0x01};  // down 1 a tick, below 0
    Play(m, 6);
    EXPECT_EQ(Visits[1].globalVolume, 80);
    EXPECT_EQ(Visits[2].globalVolume, 95);
    EXPECT_EQ(Visits[3].globalVolume, 110);
    EXPECT_EQ(Visits[5].globalVolume, -3);
}

TEST(Waveforms, AllStayWithinOneHundredTwentySeven) {
    for (uint32_t w = 0; w < 4; w++)
        for (uint32_t p = 0; p < 64; p++) {
            EXPECT_LE(WaveformValue(w, p), 127);
            EXPECT_GE(WaveformValue(w, p), -127);
        }
    EXPECT_EQ(WaveformValue(0, 16), 127);
    EXPECT_EQ(WaveformValue(0, 48), -127);
    EXPECT_EQ(WaveformValue(0, 33), -12);
    EXPECT_EQ(WaveformValue(2, 31), 127);
    EXPECT_EQ(WaveformValue(3, 32), -127);
    // The ramp falls through the first half and again through the second.
    EXPECT_EQ(WaveformValue(1, 0), 0);
    for (uint32_t p = 1; p < 32; p++) EXPECT_LT(WaveformValue(1, p), WaveformValue(1, p - 1));
    for (uint32_t p = 33; p < 64; p++) EXPECT_LT(WaveformValue(1, p), WaveformValue(1, p - 1));
}

TEST(MultiRetrig, VolumeChanges) {
    EXPECT_EQ(RetrigVolume(30, 1), 29);
    EXPECT_EQ(RetrigVolume(30, 5), 14);
    EXPECT_EQ(RetrigVolume(30, 6), 20);
    EXPECT_EQ(RetrigVolume(-30, 6), -20);  // truncates towards zero
    EXPECT_EQ(RetrigVolume(31, 7), 15);
    EXPECT_EQ(RetrigVolume(-31, 7), -16);  // arithmetic shift
    EXPECT_EQ(RetrigVolume(31, 8), 31);
    EXPECT_EQ(RetrigVolume(31, 14), 46);
    EXPECT_EQ(RetrigVolume(20, 15), 40);
    EXPECT_EQ(RetrigVolume(INT32_MAX, 15), INT32_MAX);
}

}  // namespace
