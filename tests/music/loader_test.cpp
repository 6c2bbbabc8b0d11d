// LoadModule: the song header, patterns, instruments and samples, the
// loader's checks, and modules that are short, truncated or odd.
#include "loader.h"

#include <gtest/gtest.h>

#include "player.h"
#include "source.h"
#include "xm_writer.h"

namespace {

class Loader : public ::testing::Test {
   protected:
    void TearDown() override { UnloadSong(); }
};

XmModule OnePattern(uint16_t channels = 2) {
    XmModule m;
    m.channels = channels;
    m.patterns.push_back(EmptyPattern(16, channels));
    return m;
}

const SampleRecord& FirstSample(int instrument = 0) {
    return *Song.instruments[instrument].samples[0];
}

TEST_F(Loader, HeaderFieldsAndTheStartOfTheSong) {
    XmModule m = OnePattern(4);
    m.tempo = 5;
    m.bpm = 150;
    m.flags = 1;
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    EXPECT_EQ(Song.channelCount, 4u);
    EXPECT_EQ(Song.speed, 5u);
    EXPECT_EQ(Song.framesPerTick, 800u);  // 120,000 / 150
    EXPECT_EQ(Song.globalVolume, 64);
    EXPECT_EQ(Song.nextOrder, 0);
    EXPECT_EQ(Song.nextRow, 0);
    EXPECT_EQ(Song.voices[0].stepInteger, 1u);
    EXPECT_EQ(Song.voices[1].stepInteger, 0u);
    EXPECT_EQ(Song.channels[3].voice, &Song.voices[6]);
}

TEST_F(Loader, BpmZeroGivesTheLongestTick) {
    XmModule m = OnePattern();
    m.bpm = 0;
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    EXPECT_EQ(Song.framesPerTick, 120000u);
}

TEST_F(Loader, PatternsNamedButMissingPlayAsSixtyFourEmptyRows) {
    XmModule m = OnePattern();
    for (int i = 1; i < 5; i++) m.patterns.push_back(EmptyPattern(8, 2));
    m.songLength = 3;
    m.orders = {0, 9, 2, 200};  // 200 lies beyond the song length and does not count
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    EXPECT_EQ(Song.patternCount, 10);
    for (int p = 5; p <= 9; p++) {
        EXPECT_EQ(Song.patterns[p].rows, 64) << p;
        EXPECT_EQ(Song.patterns[p].cells, nullptr);
    }
}

TEST_F(Loader, InstrumentCountUsesTheLowByteAndOutOfRangeCellsLoseTheirInstrument) {
    XmModule m = OnePattern();
    Cell(m, 0, 0, 0).instrument = 50;
    Cell(m, 0, 0, 1).instrument = 44;
    m.instrumentCountOverride = 300;  // 44 in the low byte
    for (int i = 0; i < 44; i++) m.instruments.push_back(XmInstrument{});
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    EXPECT_EQ(Song.instrumentCount, 44u);
    EXPECT_EQ(Song.patterns[0].cells[0].instrument, 0);
    EXPECT_EQ(Song.patterns[0].cells[1].instrument, 44);
}

TEST_F(Loader, EightBitDeltasDecode) {
    XmModule m = OnePattern();
    XmSample s;
    s.data = {int16_t(10 * 256), 0, 0};  // stored as the deltas 10, 246, 0
    m.instruments.push_back(SimpleInstrument(s));
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const SampleRecord& r = FirstSample();
    ASSERT_EQ(r.length, 3u);
    EXPECT_EQ(r.data[0], 2560);
    EXPECT_EQ(r.data[1], 0);
    EXPECT_EQ(r.data[2], 0);
    EXPECT_EQ(r.data[-1], 0);  // the lead value
}

TEST_F(Loader, SixteenBitSamplesHalveTheirByteCounts) {
    XmModule m = OnePattern();
    XmSample s;
    for (int i = 0; i < 10; i++) s.data.push_back(int16_t(i * 1000 - 3000));
    s.sixteen = true;
    s.loopType = 1;
    s.loopStart = 2;
    s.loopLength = 4;
    m.instruments.push_back(SimpleInstrument(s));
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const SampleRecord& r = FirstSample();
    EXPECT_EQ(r.length, 10u);
    EXPECT_EQ(r.loopStart, 2u);
    EXPECT_EQ(r.loopLength, 4u);
    EXPECT_EQ(r.is16Bit, 1);
    EXPECT_EQ(r.data[9], 6000);
    EXPECT_EQ(r.data[6], r.data[2]);  // the guard overwrites the value behind the loop
}

TEST_F(Loader, GuardSamplesBehindLoops) {
    XmModule m = OnePattern();
    XmSample fwd = Ramp(200, 256);
    fwd.loopType = 1;
    fwd.loopStart = 100;
    fwd.loopLength = 50;
    XmSample ping = fwd;
    ping.loopType = 2;
    XmInstrument ins;
    ins.samples = {fwd, ping};
    m.instruments.push_back(ins);
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const SampleRecord& f = *Song.instruments[0].samples[0];
    const SampleRecord& p = *Song.instruments[0].samples[1];
    EXPECT_EQ(f.data[150], f.data[100]);
    EXPECT_EQ(p.data[150], p.data[149]);
    EXPECT_NE(f.data[100], f.data[149]);
}

TEST_F(Loader, LoopsAreNormalised) {
    XmModule m = OnePattern();
    XmSample zeroLength = Ramp(300);
    zeroLength.loopType = 1;
    zeroLength.loopStart = 10;
    zeroLength.loopLength = 0;
    XmSample farStart = Ramp(500);
    farStart.loopType = 1;
    farStart.loopStart = 1000;
    farStart.loopLength = 20;
    XmSample tooLong = Ramp(100);
    tooLong.loopType = 2;
    tooLong.loopStart = 60;
    tooLong.loopLength = 90;
    XmInstrument ins;
    ins.samples = {zeroLength, farStart, tooLong};
    m.instruments.push_back(ins);
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const SampleRecord* s = Song.instruments[0].samples[0];
    EXPECT_EQ(s->loopType, 0);
    EXPECT_EQ(s->loopStart, 0u);
    EXPECT_EQ(s->loopLength, 300u);
    s = Song.instruments[0].samples[1];
    EXPECT_EQ(s->loopType, 0);
    EXPECT_EQ(s->loopStart, 0u);
    EXPECT_EQ(s->loopLength, 500u);
    s = Song.instruments[0].samples[2];
    EXPECT_EQ(s->loopType, 2);
    EXPECT_EQ(s->loopStart, 60u);
    EXPECT_EQ(s->loopLength, 40u);
}

TEST_F(Loader, FourBitPackedSampleOfOddLength) {
    XmModule m = OnePattern();
    XmSample s;
    s.lengthOverride = 5;
    s.packed4.resize(16 + 3);
    for (int i = 0; i < 16; i++) s.packed4[i] = uint8_t(i);  // table: nibble n adds n
    s.packed4[16] = 0x21;                                    // +1, +2
    s.packed4[17] = 0x43;                                    // +3, +4
    s.packed4[18] = 0x65;  // +5, +6 (the sixth value lies in the spare room)
    m.instruments.push_back(SimpleInstrument(s));
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const SampleRecord& r = FirstSample();
    ASSERT_EQ(r.length, 5u);
    const int expect[6] = {1, 3, 6, 10, 15, 21};
    for (int i = 0; i < 6; i++) EXPECT_EQ(r.data[i], expect[i] * 256) << i;
}

TEST_F(Loader, EnvelopesWithOnePointAreOffAndCountsAboveTwelveAreLimited) {
    XmModule m = OnePattern();
    XmInstrument ins = SimpleInstrument(Ramp(10));
    ins.volume.points = {{0, 64}};
    ins.volume.type = 1;
    ins.panning.points = {{0, 32}, {5, 80}, {9, 0}};
    ins.panning.countOverride = 40;
    ins.panning.type = 1;
    ins.fadeout = 0x9000;
    m.instruments.push_back(ins);
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const InstrumentHeader& h = Song.instruments[0].header;
    EXPECT_EQ(h.volumeType, 0);
    EXPECT_EQ(h.panningType, 1);
    EXPECT_EQ(h.panningCount, 12);
    EXPECT_EQ(h.panningPoints[1].y, 64);  // values are limited to 64
    EXPECT_EQ(h.fadeout, 0x2000);         // doubled in 16 bits
}

TEST_F(Loader, InstrumentWithoutSamplesReadsNoExtendedHeader) {
    XmModule m = OnePattern();
    m.instruments.push_back(XmInstrument{});  // 29-byte header
    XmInstrument second = SimpleInstrument(Ramp(10));
    second.samples[0].volume = 33;
    m.instruments.push_back(second);
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    EXPECT_EQ(Song.instruments[0].samples[0], nullptr);
    EXPECT_EQ(Song.instruments[0].header.volumeType, 0);
    ASSERT_NE(Song.instruments[1].samples[0], nullptr);
    EXPECT_EQ(Song.instruments[1].samples[0]->volume, 33);
}

TEST_F(Loader, ShortSampleHeadersLeaveTheRestZero) {
    XmModule m = OnePattern();
    XmInstrument ins = SimpleInstrument(Ramp(0));
    ins.samples[0].volume = 50;
    ins.samples[0].panning = 99;
    ins.sampleHeaderSize = 13;  // length, loop start, loop length, volume
    m.instruments.push_back(ins);
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    const SampleRecord& r = FirstSample();
    EXPECT_EQ(r.volume, 50);
    EXPECT_EQ(r.panning, 0);
    EXPECT_EQ(r.relativeNote, 0);
}

TEST_F(Loader, RowCountsAreCheckedOnlyForPatternsWithData) {
    XmModule m = OnePattern();
    XmPattern empty;
    empty.rows = 300;
    m.patterns.push_back(empty);
    EXPECT_TRUE(LoadBytes(BuildXm(m)));
    m.patterns[1].forcePackedSize = true;
    EXPECT_FALSE(LoadBytes(BuildXm(m)));
    m.patterns[1].rows = 0;
    EXPECT_FALSE(LoadBytes(BuildXm(m)));
}

TEST_F(Loader, RefusesBrokenHeaders) {
    XmModule m = OnePattern();
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    XmModule bad = m;
    bad.patternCountOverride = 0;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad = m;
    bad.songLength = 0;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad.songLength = 257;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad = m;
    bad.channels = 0;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad.channels = 65;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad.channels = 256 + 2;  // only the low byte counts
    bad.patterns = {EmptyPattern(4, 2)};
    EXPECT_TRUE(LoadBytes(BuildXm(bad)));
    EXPECT_EQ(Song.channelCount, 2u);
}

TEST_F(Loader, RefusesBrokenInstruments) {
    XmModule m = OnePattern();
    m.instruments.push_back(SimpleInstrument(Ramp(10)));
    XmModule bad = m;
    bad.instruments[0].sampleHeaderSize = 41;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad = m;
    bad.instruments[0].samples.assign(17, Ramp(4));
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad = m;
    bad.instruments[0].samples[0].lengthOverride = MAX_SAMPLE_LENGTH;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
    bad.instruments[0].samples[0].lengthOverride = 0xFFFFFFFF;
    EXPECT_FALSE(LoadBytes(BuildXm(bad)));
}

TEST_F(Loader, SourceShorterThanTheHeaderFails) {
    XmModule m = OnePattern();
    ASSERT_TRUE(LoadBytes(BuildXm(m)));  // leaves good values in the song header
    std::vector<uint8_t> bytes = BuildXm(m);
    for (size_t keep : {size_t(0), size_t(60), size_t(100), size_t(335)}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + keep);
        EXPECT_FALSE(LoadBytes(cut)) << keep;
    }
}

TEST_F(Loader, TruncatedModulesLoadWithZeroesAndPlay) {
    XmModule m = OnePattern();
    for (int r = 0; r < 16; r++) {
        Cell(m, 0, r, 0) = {uint8_t(49 + r % 12), 1, 0x40, 0, 0};
        Cell(m, 0, r, 1) = {uint8_t(37 + r % 5), 1, 0, 0x0A, 0x21};
    }
    XmSample s = Ramp(3000, 97 * 256);
    s.loopType = 2;
    s.loopStart = 100;
    s.loopLength = 2000;
    m.instruments.push_back(SimpleInstrument(s));
    std::vector<uint8_t> bytes = BuildXm(m);
    // Cut everywhere from inside the patterns to inside the sample data.
    for (size_t keep = 340; keep < bytes.size(); keep += 97) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + keep);
        if (!LoadBytes(cut)) continue;
        RenderBlocks(20);
        if (keep > bytes.size() - 3000 + 500) {
            const SampleRecord& r = FirstSample();
            size_t have = keep - (bytes.size() - 3000);
            for (size_t i = have; i < 2100; i += 50) ASSERT_EQ(r.data[i], r.data[have]) << keep;
        }
    }
}

TEST_F(Loader, ModuleWithoutInstrumentsPlaysSilently) {
    XmModule m = OnePattern();
    Cell(m, 0, 0, 0) = {49, 1, 0, 0, 0};
    Cell(m, 0, 1, 1) = {50, 0, 0x40, 0x0C, 0x20};
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    EXPECT_EQ(Song.instrumentCount, 0u);
    EXPECT_EQ(RenderBlocks(8), 8u);
    for (uint32_t i = 0; i < 8 * 2 * BLOCK_FRAMES; i++) ASSERT_EQ(OutputRing[i], 0);
}

}  // namespace
