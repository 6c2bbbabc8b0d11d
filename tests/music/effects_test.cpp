// The effects tick by tick: a one-channel song is stepped through
// ProcessRow and ProcessTick by hand and the channel is looked at after
// every tick. Also the one-pass rule of the renderer with pattern loops.
#include <gtest/gtest.h>

#include "channel.h"
#include "onepass.h"
#include "player.h"
#include "replayer.h"
#include "xm_writer.h"

namespace {

struct Tick {
    int32_t period, periodDelta, volume, volumeDelta, panning;
    uint8_t flags;
    const Voice* voice;
    int32_t voiceVolume;
    uint8_t keyOff;
    int32_t envelopeOutput;
};

class Effects : public ::testing::Test {
   protected:
    XmModule m;
    std::vector<std::vector<Tick>> rows;  // rows[r][t]: the channel after tick t of row r

    void SetUp() override {
        m.channels = 1;
        m.tempo = 6;
        m.patterns.push_back(EmptyPattern(32, 1));
        XmSample s = Ramp(20000, 256);
        s.loopType = 1;
        s.loopLength = 20000;
        s.volume = 40;
        s.panning = 100;
        m.instruments.push_back(SimpleInstrument(s));
    }
    void TearDown() override { UnloadSong(); }
    XmCell& At(int row) { return Cell(m, 0, size_t(row), 0); }

    // Plays rows 0..count-1 of order 0, each for the song's speed in ticks.
    void Run(int count) {
        ASSERT_TRUE(LoadBytes(BuildXm(m)));
        rows.clear();
        for (int r = 0; r < count; r++) {
            Song.order = 0;
            Song.row = r;
            std::vector<Tick> ticks;
            uint32_t speed = Song.speed;
            for (uint32_t t = 0; t < speed; t++) {
                Song.tick = t;
                if (t == 0)
                    ProcessRow();
                else
                    ProcessTick();
                const ChannelState& ch = Song.channels[0];
                ticks.push_back({ch.period, ch.periodDelta, ch.volume, ch.volumeDelta, ch.panning,
                                 ch.updateFlags, ch.voice, ch.voice->volume, ch.keyOff,
                                 ch.volumeEnvelope.output});
            }
            rows.push_back(ticks);
        }
    }
    std::vector<int32_t> Column(int row, int32_t Tick::* field) const {
        std::vector<int32_t> v;
        for (const Tick& t : rows[size_t(row)]) v.push_back(t.*field);
        return v;
    }
};

using V = std::vector<int32_t>;

TEST_F(Effects, ArpeggioLinearAndAmiga) {
    At(0) = {49, 1, 0, 0, 0x47};
    Run(1);
    EXPECT_EQ(Column(0, &Tick::periodDelta), (V{0, 4 * 64, 7 * 64, 0, 4 * 64, 7 * 64}));
    m.flags = 0;  // Amiga periods: C-4 1,712, E-4 round(13.375 x 2^(80/12)) = 1,359, G-4 1,143
    Run(1);
    EXPECT_EQ(Column(0, &Tick::period), V(6, 1712));
    EXPECT_EQ(Column(0, &Tick::periodDelta), (V{0, 1359 - 1712, 1143 - 1712, 0, 1359 - 1712, 1143 - 1712}));
}

TEST_F(Effects, PortamentoUpAndDownShareTheirMemoryAndStopAtOne) {
    At(0) = {49, 1, 0, 1, 0x10};
    At(1) = {0, 0, 0, 2, 0x00};  // down with the shared memory
    At(2) = {0, 0, 0, 1, 0xFF};
    Run(3);
    EXPECT_EQ(Column(0, &Tick::period), (V{4608, 4544, 4480, 4416, 4352, 4288}));
    EXPECT_EQ(rows[1].back().period, 4608);
    EXPECT_EQ(Column(2, &Tick::period), (V{4608, 3588, 2568, 1548, 528, 1}));
}

TEST_F(Effects, FinePortamentosKeepTheirOwnMemories) {
    At(0) = {49, 1, 0, 14, 0x12};   // E12: 8 up
    At(1) = {0, 0, 0, 14, 0x10};    // E10: again
    At(2) = {0, 0, 0, 14, 0x23};    // E23: 12 down
    At(3) = {0, 0, 0, 33, 0x13};    // X13: 3 up
    At(4) = {0, 0, 0, 33, 0x10};    // X10: again
    At(5) = {0, 0, 0, 33, 0x21};    // X21: 1 down
    Run(6);
    V atRowEnd;
    for (int r = 0; r < 6; r++) atRowEnd.push_back(rows[size_t(r)].back().period);
    EXPECT_EQ(atRowEnd, (V{4600, 4592, 4604, 4601, 4598, 4599}));
    EXPECT_EQ(Column(0, &Tick::period), V(6, 4600));  // tick 0 only
}

TEST_F(Effects, VibratoSineAndSquareWithRememberedSpeedAndDepth) {
    At(0) = {49, 1, 0, 4, 0x84};  // speed 8, depth 4
    At(1) = {0, 0, 0, 4, 0x00};   // goes on where it was
    At(2) = {0, 0, 0, 14, 0x42};  // E42: square
    At(3) = {0, 0, 0, 4, 0x00};
    Run(4);
    // ((w x 4) >> 5) >> 1 at positions 0, 8, .., 40, then 48, 56, 0, ..
    EXPECT_EQ(Column(0, &Tick::periodDelta), (V{0, 5, 7, 5, 0, -6}));
    EXPECT_EQ(Column(1, &Tick::periodDelta), (V{-8, -6, 0, 5, 7, 5}));
    EXPECT_EQ(Column(3, &Tick::periodDelta), (V{-8, -8, -8, -8, 7, 7}));
}

TEST_F(Effects, TremoloKeepsItsLastOffsetWhenItEnds) {
    At(0) = {49, 1, 0, 7, 0x44};  // speed 4, depth 4; nothing at tick 0
    At(1) = {0, 0, 0, 0, 0};
    Run(2);
    EXPECT_EQ(Column(0, &Tick::volumeDelta), (V{0, 0, 6, 11, 14, 15}));
    EXPECT_EQ(Column(0, &Tick::volume), V(6, 40));
    EXPECT_EQ(rows[1][0].volume, 55);
    EXPECT_EQ(rows[1][0].volumeDelta, 0);
}

TEST_F(Effects, AnInstrumentNumberRestartsTheWaveformsUnlessTheControlSaysOtherwise) {
    At(0) = {49, 1, 0, 4, 0x84};
    At(1) = {49, 1, 0, 4, 0x00};  // the instrument restarts the vibrato at 0
    At(2) = {0, 0, 0, 14, 0x44};  // E44: keep the position
    At(4) = {49, 1, 0, 4, 0x00};  // not restarted: still at 48
    Run(5);
    EXPECT_EQ(rows[1][0].periodDelta, 0);
    EXPECT_EQ(rows[1][1].periodDelta, 5);
    EXPECT_EQ(rows[4][0].periodDelta, -8);
}

TEST_F(Effects, VolumeColumn) {
    At(0) = {49, 1, 0x30, 0, 0};  // volume 32
    At(1) = {0, 0, 0x65, 0, 0};   // slide down 5 on every tick
    At(2) = {0, 0, 0x72, 0, 0};   // up 2 on every tick
    At(3) = {0, 0, 0x83, 0, 0};   // fine down 3 at tick 0
    At(4) = {0, 0, 0x94, 0, 0};   // fine up 4
    At(5) = {0, 0, 0xC3, 0, 0};   // panning 48
    At(6) = {0, 0, 0xD2, 0, 0};   // panning slide left 2 on every tick
    At(7) = {0, 0, 0xE1, 0, 0};   // right 1
    At(8) = {0, 0, 0xA8, 0, 0};   // vibrato speed 8
    At(9) = {0, 0, 0xB4, 0, 0};   // depth 4, vibrato on the later ticks
    At(10) = {0, 0, 0x51, 0, 0};  // does nothing
    Run(11);
    EXPECT_EQ(Column(0, &Tick::volume), V(6, 32));
    EXPECT_EQ(Column(1, &Tick::volume), (V{27, 22, 17, 12, 7, 2}));
    EXPECT_EQ(Column(2, &Tick::volume), (V{4, 6, 8, 10, 12, 14}));
    EXPECT_EQ(Column(3, &Tick::volume), V(6, 11));
    EXPECT_EQ(Column(4, &Tick::volume), V(6, 15));
    EXPECT_EQ(Column(5, &Tick::panning), V(6, 48));
    EXPECT_EQ(Column(6, &Tick::panning), (V{46, 44, 42, 40, 38, 36}));
    EXPECT_EQ(Column(7, &Tick::panning), (V{37, 38, 39, 40, 41, 42}));
    EXPECT_EQ(Column(8, &Tick::periodDelta), V(6, 0));
    EXPECT_EQ(Column(9, &Tick::periodDelta), (V{0, 0, 5, 7, 5, 0}));
    EXPECT_EQ(Column(10, &Tick::volume), V(6, 15));
    EXPECT_EQ(rows[5][0].flags & UPDATE_PANNING, UPDATE_PANNING);
}

TEST_F(Effects, VolumeColumnTonePortamento) {
    At(0) = {49, 1, 0, 0, 0};
    At(1) = {52, 0, 0, 3, 0x00};  // D#-4 (4,416) as the goal, speed 0: stands
    At(2) = {0, 0, 0xF2, 0, 0};   // speed 32: 128 a tick, not beyond the goal
    Run(3);
    EXPECT_EQ(Column(1, &Tick::period), V(6, 4608));
    EXPECT_EQ(Column(2, &Tick::period), (V{4608, 4480, 4416, 4416, 4416, 4416}));
}

TEST_F(Effects, PanningVolumeAndTheirSlides) {
    At(0) = {49, 1, 0, 8, 0xF0};   // panning 240
    At(1) = {0, 0, 0, 25, 0x40};   // right 4 a tick, at most 255
    At(2) = {0, 0, 0, 14, 0x83};   // E83: 48
    At(3) = {0, 0, 0, 25, 0x05};   // left 5 a tick, at least 0
    At(4) = {0, 0, 0, 25, 0x00};   // the memory
    At(5) = {0, 0, 0, 12, 0x50};   // volume 80: not limited to 64
    Run(6);
    EXPECT_EQ(Column(0, &Tick::panning), V(6, 240));
    EXPECT_EQ(Column(1, &Tick::panning), (V{240, 244, 248, 252, 255, 255}));
    EXPECT_EQ(Column(3, &Tick::panning), (V{48, 43, 38, 33, 28, 23}));
    EXPECT_EQ(Column(4, &Tick::panning), (V{23, 18, 13, 8, 3, 0}));
    EXPECT_EQ(Column(5, &Tick::volume), V(6, 80));
}

TEST_F(Effects, FineVolumeSlidesShareOneMemory) {
    At(0) = {49, 1, 0, 14, 0xA3};  // up 3
    At(1) = {0, 0, 0, 14, 0xB2};   // down 2
    At(2) = {0, 0, 0, 14, 0xA0};   // the shared memory: down 2 again
    Run(3);
    EXPECT_EQ(rows[0].back().volume, 43);
    EXPECT_EQ(rows[1].back().volume, 41);
    EXPECT_EQ(Column(2, &Tick::volume), V(6, 39));
}

TEST_F(Effects, TremorSoundsOnTimePlusOneAndRestsOffTimePlusOne) {
    At(0) = {49, 1, 0, 29, 0x23};
    At(1) = {0, 0, 0, 29, 0x00};
    Run(2);
    V heard;
    for (int r = 0; r < 2; r++)
        for (const Tick& t : rows[size_t(r)]) heard.push_back(t.volume + t.volumeDelta > 0 ? 1 : 0);
    EXPECT_EQ(heard, (V{1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 0, 0}));
}

TEST_F(Effects, NoteCutRetriggerAndMultiRetrig) {
    At(0) = {49, 1, 0, 14, 0xC2};  // EC2: silent from tick 2
    At(1) = {49, 1, 0, 14, 0x92};  // E92: ticks 2 and 4 start the note again
    At(2) = {0, 0, 0, 27, 0x93};   // R93: +1 and a new start every third tick
    Run(3);
    EXPECT_EQ(Column(0, &Tick::volume), (V{40, 40, 0, 0, 0, 0}));
    std::vector<bool> swapped;
    for (int t = 1; t < 6; t++) swapped.push_back(rows[1][size_t(t)].voice != rows[1][size_t(t - 1)].voice);
    EXPECT_EQ(swapped, (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(Column(2, &Tick::volume), (V{40, 40, 40, 41, 41, 41}));
    EXPECT_EQ(rows[2][3].flags & UPDATE_TRIGGER, UPDATE_TRIGGER);
    EXPECT_EQ(rows[2][4].flags & UPDATE_TRIGGER, 0);
}

TEST_F(Effects, KeyOffEffectAndEnvelopePosition) {
    XmInstrument enveloped = m.instruments[0];
    enveloped.volume.points = {{0, 64}, {10, 0}};
    enveloped.volume.type = ENVELOPE_ON;
    m.instruments.push_back(enveloped);
    At(0) = {49, 1, 0, 21, 5};     // L05 without a volume envelope: nothing
    At(1) = {0, 0, 0, 20, 0};      // K: cut, as the instrument has no envelope
    At(2) = {49, 2, 0, 21, 5};     // with one: halfway down the line
    Run(3);
    EXPECT_EQ(rows[0][0].envelopeOutput, 64);
    EXPECT_EQ(rows[1][0].keyOff, 1);
    EXPECT_EQ(rows[1][0].voiceVolume, 0);
    // At tick 0 the envelope steps from position 0 (64), then L05 sets
    // position 5: 64 + 5 x (-419,430 / 65,536).
    EXPECT_EQ(rows[2][0].envelopeOutput, (64 * 65536 - 5 * 419430) >> 16);
}

TEST_F(Effects, NoteDelayRestoresTheRowThenStartsWithTheVolumeColumn) {
    At(0) = {49, 1, 0, 12, 32};
    At(1) = {49, 1, 0x20, 14, 0xD2};  // volume column 16, note at tick 2
    At(2) = {97, 0, 0, 0, 0};         // key-off: the envelope output becomes 0
    At(3) = {49, 0, 0, 14, 0xD1};
    Run(4);
    EXPECT_EQ(Column(1, &Tick::volume), (V{32, 32, 16, 16, 16, 16}));
    V triggers;
    for (const Tick& t : rows[1]) triggers.push_back(t.flags & UPDATE_TRIGGER ? 1 : 0);
    EXPECT_EQ(triggers, (V{0, 0, 1, 0, 0, 0}));
    EXPECT_NE(rows[1][2].voice, rows[1][1].voice);
    EXPECT_EQ(rows[1][2].envelopeOutput, 64);
    // A delayed note keeps an envelope output of 9 or less at 0 and clears the key-off.
    EXPECT_EQ(rows[3][1].keyOff, 0);
    EXPECT_EQ(rows[3][1].envelopeOutput, 0);
    EXPECT_EQ(rows[3][1].voiceVolume, 0);
}

TEST_F(Effects, SetFinetuneChangesTheNextNotesPeriod) {
    At(0) = {49, 1, 0, 14, 0x57};  // E57: this row's period is already computed
    At(1) = {49, 0, 0, 0, 0};
    Run(2);
    EXPECT_EQ(rows[0][0].period, 4608);
    EXPECT_EQ(rows[1][0].period, 4608 - 3);  // finetune 7, halved
}

// The renderer's one-pass rule: rows repeated by a pattern loop are part of
// the pass; a jump back to a row already played ends it.
TEST(OnePass, PatternLoopRowsArePlayedInFullThenABackwardJumpEnds) {
    XmModule m;
    m.channels = 1;
    m.patterns.push_back(EmptyPattern(16, 1));
    m.instruments.push_back(SimpleInstrument(Ramp(100)));
    Cell(m, 0, 4, 0) = {0, 0, 0, 14, 0x60};
    Cell(m, 0, 7, 0) = {0, 0, 0, 14, 0x62};   // rows 4..7 three times
    Cell(m, 0, 10, 0) = {0, 0, 0, 11, 0x00};  // B00: back to the start
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    NoLoop = 1;
    OnePassBegin();
    EXPECT_EQ(RowStartHook, &OnePassFirstVisit);
    PlayBlocks(1000);
    OnePassEnd();
    NoLoop = 0;
    EXPECT_FALSE(SongLoaded());
    // Rows 0..3, three times 4..7, then 8..10: 19 rows of six 960-frame ticks.
    EXPECT_EQ(FramesPlayed, 19u * 6 * 960);
    EXPECT_EQ(RowStartHook, nullptr);
}

TEST(OnePass, APatternLoopJumpRepeatedInTheSameStateEndsThePass) {
    XmModule m;
    m.channels = 2;
    m.patterns.push_back(EmptyPattern(16, 2));
    m.instruments.push_back(SimpleInstrument(Ramp(100)));
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    OnePassBegin();
    for (int32_t row = 0; row <= 6; row++) ASSERT_TRUE(OnePassFirstVisit(0, row, false));
    Song.channels[1].loopRow = 2;
    Song.channels[1].loopCounter = 2;
    EXPECT_TRUE(OnePassFirstVisit(0, 2, true));
    EXPECT_TRUE(OnePassFirstVisit(0, 3, false));
    Song.channels[1].loopCounter = 1;  // the loop runs down: a new state
    EXPECT_TRUE(OnePassFirstVisit(0, 2, true));
    EXPECT_TRUE(OnePassFirstVisit(0, 3, false));
    Song.channels[1].loopCounter = 2;  // back where it was: it would go on for ever
    EXPECT_FALSE(OnePassFirstVisit(0, 2, true));
    OnePassEnd();
    UnloadSong();
}

}  // namespace
