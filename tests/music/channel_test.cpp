// Periods and steps; the volume and panning envelopes; auto-vibrato and
// UpdateVoice.
#include "channel.h"

#include <gtest/gtest.h>

#include "xm_writer.h"

namespace {

SampleRecord SampleWith(int8_t finetune) {
    SampleRecord s{};
    s.finetune = finetune;
    return s;
}

TEST(PeriodsAndSteps, LinearMiddleC) {
    SampleRecord s = SampleWith(0);
    EXPECT_EQ(LinearPeriod(48, &s), 4608);
    EXPECT_EQ(PeriodToFrequency(4608, 0, true), 8363u);
    uint32_t whole, fraction;
    FrequencyToStep(8363, whole, fraction);
    EXPECT_EQ(whole, 0u);
    EXPECT_EQ(fraction, 748308572u);
    SampleRecord tuned = SampleWith(-3);
    EXPECT_EQ(LinearPeriod(48, &tuned), 4609);  // -3 / 2 truncates to -1
}

TEST(PeriodsAndSteps, LinearOctavesAndDirection) {
    EXPECT_EQ(PeriodToFrequency(4608 - 768, 0, true), 16726u);
    EXPECT_EQ(PeriodToFrequency(4608 + 768, 0, true), 4182u);  // 4,181.5 rounds up
    // A positive period delta raises the pitch with the linear table.
    EXPECT_GT(PeriodToFrequency(4608, 64, true), 8363u);
    EXPECT_EQ(PeriodToFrequency(0, 0, true), 40u);
    EXPECT_EQ(PeriodToFrequency(10, -10, true), 40u);
}

TEST(PeriodsAndSteps, AmigaTable) {
    SampleRecord s = SampleWith(0);
    EXPECT_EQ(AmigaPeriod(48, &s), 1712);
    EXPECT_EQ(AmigaPeriod(49, &s), 1616);
    EXPECT_EQ(AmigaPeriod(50, &s), 1525);
    EXPECT_EQ(AmigaPeriod(51, &s), 1440);
    EXPECT_EQ(PeriodToFrequency(1712, 0, false), 8363u);
    // Finetune moves towards the neighbouring note: +64 is halfway up.
    SampleRecord up = SampleWith(64), down = SampleWith(-64);
    EXPECT_EQ(AmigaPeriod(48, &up), 1712 + 64 * (1616 - 1712) / 128);
    EXPECT_EQ(AmigaPeriod(48, &down), 1712 + 64 * (AmigaPeriod(47, &s) - 1712) / 128);
    // A positive period delta lowers the pitch with the Amiga table.
    EXPECT_LT(PeriodToFrequency(1712, 50, false), 8363u);
    EXPECT_EQ(PeriodToFrequency(-5, 0, false), 40u);
}

TEST(PeriodsAndSteps, ExtremeNotesAndPeriodsStaySafe) {
    SampleRecord s = SampleWith(-128);
    for (int note = -300; note <= 400; note += 7) {
        int32_t p = AmigaPeriod(note, &s);
        EXPECT_GE(p, 0) << note;
        (void)PeriodToFrequency(p, 0, false);
        (void)PeriodToFrequency(LinearPeriod(note, &s), 0, true);
    }
    EXPECT_EQ(PeriodToFrequency(INT32_MAX, INT32_MAX, false), 0u);
    EXPECT_EQ(PeriodToFrequency(1, -2000000, true), 40u);
}

TEST(PeriodsAndSteps, StepsOfThirtyTwoAndMoreAreLimited) {
    uint32_t whole, fraction;
    FrequencyToStep(14317456, whole, fraction);  // Amiga period 1
    EXPECT_EQ(whole, 31u);
    EXPECT_EQ(fraction, uint32_t((uint64_t(47999) << 32) / 48000));
    FrequencyToStep(PeriodToFrequency(-100000, 0, true), whole, fraction);
    EXPECT_EQ(whole, 0u);  // 40 Hz
    FrequencyToStep(PeriodToFrequency(1, 100000, true), whole, fraction);
    EXPECT_LT(whole, 32u);
}

InstrumentRecord EnvelopeInstrument(std::vector<std::pair<uint16_t, uint16_t>> points, uint8_t type,
                                    uint8_t sustain = 0, uint8_t loopStart = 0, uint8_t loopEnd = 0) {
    InstrumentRecord ins{};
    InstrumentHeader& h = ins.header;
    for (size_t i = 0; i < points.size() && i < 12; i++)
        h.volumePoints[i] = {points[i].first, points[i].second};
    h.volumeCount = uint8_t(points.size());
    h.volumeType = type;
    h.volumeSustain = sustain;
    h.volumeLoopStart = loopStart;
    h.volumeLoopEnd = loopEnd;
    return ins;
}

std::vector<int32_t> Steps(ChannelState& ch, const InstrumentRecord& ins, int ticks) {
    std::vector<int32_t> out;
    for (int i = 0; i < ticks; i++) {
        EnvelopeStep(ch, &ins, false);
        out.push_back(ch.volumeEnvelope.output);
    }
    return out;
}

TEST(Envelopes, FallingLineStopsAtItsLastPoint) {
    InstrumentRecord ins = EnvelopeInstrument({{0, 64}, {10, 0}}, ENVELOPE_ON);
    ChannelState ch{};
    std::vector<int32_t> out = Steps(ch, ins, 14);
    EXPECT_EQ(out[0], 64);
    EXPECT_EQ(ch.volumeEnvelope.delta, -419430);
    EXPECT_EQ(out[1], 57);  // 64 - 6.4, rounded down
    EXPECT_EQ(out[5], 32);
    EXPECT_GT(out[9], 0);
    EXPECT_EQ(out[10], 0);
    EXPECT_TRUE(ch.volumeEnvelope.stopped);
    EXPECT_EQ(out[13], 0);
    EXPECT_EQ(ch.updateFlags & UPDATE_VOLUME, UPDATE_VOLUME);
}

TEST(Envelopes, SustainHoldsUntilKeyOff) {
    InstrumentRecord ins = EnvelopeInstrument({{0, 0}, {4, 64}, {8, 32}}, ENVELOPE_ON | ENVELOPE_SUSTAIN, 1);
    ChannelState ch{};
    std::vector<int32_t> out = Steps(ch, ins, 20);
    EXPECT_EQ(out[2], 32);
    EXPECT_EQ(out[4], 64);
    EXPECT_EQ(out[19], 64);
    EXPECT_FALSE(ch.volumeEnvelope.stopped);
    ch.keyOff = 1;
    out = Steps(ch, ins, 8);
    EXPECT_EQ(out[0], 64);
    EXPECT_EQ(out[2], 48);
    EXPECT_EQ(out[4], 32);
    EXPECT_TRUE(ch.volumeEnvelope.stopped);
}

TEST(Envelopes, LoopsBetweenItsPoints) {
    InstrumentRecord ins =
        EnvelopeInstrument({{0, 0}, {2, 40}, {4, 0}}, ENVELOPE_ON | ENVELOPE_LOOP, 0, 1, 2);
    ChannelState ch{};
    std::vector<int32_t> out = Steps(ch, ins, 12);
    // 0, 20, 40, 20, then back at point 1 (x 2) at tick 4: 40, 20, 40, ...
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 40);
    EXPECT_EQ(out[3], 20);
    EXPECT_EQ(out[4], 40);
    EXPECT_EQ(out[6], 40);
    EXPECT_FALSE(ch.volumeEnvelope.stopped);
}

TEST(Envelopes, PointNumbersBeyondTheCountNeverReadPastTwelvePoints) {
    InstrumentRecord ins = EnvelopeInstrument({{0, 10}, {3, 50}, {6, 20}},
                                              ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP, 200, 250, 2);
    ChannelState ch{};
    std::vector<int32_t> out = Steps(ch, ins, 10);
    EXPECT_EQ(out[3], 50);
    EXPECT_EQ(out[6], 20);
    EXPECT_TRUE(ch.volumeEnvelope.stopped);
    // An index that somehow lies beyond the count holds the value.
    ChannelState odd{};
    odd.volumeEnvelope.index = 40;
    odd.volumeEnvelope.value = 30 << 16;
    EnvelopeStep(odd, &ins, false);
    EXPECT_EQ(odd.volumeEnvelope.output, 30);
}

TEST(Envelopes, BackwardPointsCannotRunTheValueAway) {
    InstrumentRecord ins = EnvelopeInstrument({{10, 0}, {5, 64}, {20, 0}}, ENVELOPE_ON);
    ChannelState ch{};
    ch.volumeEnvelope.index = 1;
    ch.volumeEnvelope.value = 0;
    ch.volumeEnvelope.delta = 64 << 16;
    ch.volumeEnvelope.position = 6;
    for (int i = 0; i < 2000; i++) EnvelopeStep(ch, &ins, false);
    EXPECT_GE(ch.volumeEnvelope.output, 0);
    EXPECT_LE(ch.volumeEnvelope.output, 64);
}

TEST(Envelopes, SetPosition) {
    InstrumentRecord ins = EnvelopeInstrument({{0, 64}, {10, 0}, {20, 40}}, ENVELOPE_ON);
    ChannelState ch{};
    SetEnvelopePosition(ch, &ins, 5);
    EXPECT_EQ(ch.volumeEnvelope.output, 32);
    EXPECT_EQ(ch.volumeEnvelope.index, 1);
    EXPECT_EQ(ch.volumeEnvelope.position, 5);
    EnvelopeStep(ch, &ins, false);
    EXPECT_EQ(ch.volumeEnvelope.output, 25);
    SetEnvelopePosition(ch, &ins, 15);
    EXPECT_EQ(ch.volumeEnvelope.output, 20);
    SetEnvelopePosition(ch, &ins, 25);
    EXPECT_TRUE(ch.volumeEnvelope.stopped);
    EXPECT_EQ(ch.volumeEnvelope.output, 40);
    InstrumentRecord off = EnvelopeInstrument({{0, 64}, {10, 0}}, 0);
    ChannelState untouched{};
    SetEnvelopePosition(untouched, &off, 5);
    EXPECT_EQ(untouched.volumeEnvelope.position, 0);
    EXPECT_EQ(untouched.volumeEnvelope.output, 0);
}

class VoiceUpdate : public ::testing::Test {
   protected:
    void SetUp() override {
        XmModule m;
        m.patterns.push_back(EmptyPattern(4, 2));
        m.instruments.push_back(SimpleInstrument(Ramp(100)));
        ASSERT_TRUE(LoadBytes(BuildXm(m)));
    }
    void TearDown() override { UnloadSong(); }
};

TEST_F(VoiceUpdate, FullVolumeCentred) {
    ChannelState& ch = Song.channels[0];
    ch.volume = 64;
    ch.volumeEnvelope.output = 64;
    ch.fadeoutVolume = 65536;
    ch.panning = 128;
    ch.panningEnvelope.output = 32;
    ch.period = 4608;
    ch.updateFlags = UPDATE_VOLUME | UPDATE_PANNING;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->volume, 127);
    EXPECT_EQ(ch.voice->panning, 128);
    EXPECT_EQ(ch.voice->rightTarget, 63);
    EXPECT_EQ(ch.voice->leftTarget, 63);
    EXPECT_EQ(ch.voice->stepFraction, 748308572u);  // frequency always follows

    ch.panning = 255;
    ch.updateFlags = UPDATE_PANNING;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->rightTarget, 127);
    EXPECT_EQ(ch.voice->leftTarget, 0);
}

TEST_F(VoiceUpdate, VolumesOutOfRangeAreLimited) {
    ChannelState& ch = Song.channels[0];
    ch.volume = 5000;
    ch.volumeDelta = 1000;
    ch.volumeEnvelope.output = 900;
    ch.fadeoutVolume = 65536;
    Song.globalVolume = 300;
    ch.updateFlags = UPDATE_VOLUME;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->volume, 127);
    ch.volume = -20;
    ch.volumeDelta = 0;
    ch.updateFlags = UPDATE_VOLUME;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->volume, 0);
    ch.volume = INT32_MIN;
    Song.globalVolume = INT32_MIN;
    ch.updateFlags = UPDATE_VOLUME;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->volume, 127);  // the product of two negatives, limited
}

TEST_F(VoiceUpdate, PanningEnvelopeSwingsWithinTheRoomLeft) {
    ChannelState& ch = Song.channels[0];
    ch.voice->volume = 100;
    ch.panning = 100;  // room (128 - 28) >> 5 = 3
    ch.panningEnvelope.output = 64;
    ch.updateFlags = UPDATE_PANNING;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->panning, 100 + 32 * 3);
    EXPECT_EQ(ch.voice->rightTarget, 100 * 196 / 255);
    ch.panning = 240;  // room (128 - 112) >> 5 = 0
    ch.updateFlags = UPDATE_PANNING;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->panning, 240);
    ch.panning = 400;
    ch.panningEnvelope.output = 32;
    ch.updateFlags = UPDATE_PANNING;
    UpdateVoice(ch, &EmptySample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice->panning, 255);
}

TEST_F(VoiceUpdate, TriggerMovesTheOldNoteToTheOtherVoice) {
    ChannelState& ch = Song.channels[1];
    const SampleRecord* sample = Song.instruments[0].samples[0];
    ch.voice->startOffset = 30;
    ch.voice->toLoopEnd = 1;  // what an earlier note's last span was heading for
    ch.updateFlags = UPDATE_TRIGGER;
    UpdateVoice(ch, sample, ChannelInstrument(ch));
    Voice* first = ch.voice;
    EXPECT_EQ(first, &Song.voices[2]);  // an idle voice is used in place
    EXPECT_EQ(first->position, 30u);
    EXPECT_EQ(first->toLoopEnd, 0);  // a start offset is measured afresh
    EXPECT_EQ(first->startOffset, 0u);
    first->volume = 90;
    first->leftTarget = first->rightTarget = 45;
    first->leftVolume = 45 * 128;
    first->position = 70;
    ch.updateFlags = UPDATE_TRIGGER;
    UpdateVoice(ch, sample, ChannelInstrument(ch));
    EXPECT_EQ(ch.voice, &Song.voices[3]);
    EXPECT_EQ(first->volume, 0);
    EXPECT_EQ(first->leftTarget, 0);
    EXPECT_EQ(first->sample, sample);  // fades out and plays on silently
    EXPECT_EQ(first->leftVolume, 45 * 128);
    EXPECT_EQ(ch.voice->volume, 90);  // copied, then the new note starts from silence
    EXPECT_EQ(ch.voice->leftVolume, 0);
    EXPECT_EQ(ch.voice->position, 0u);
}

TEST_F(VoiceUpdate, AutoVibratoSweepGrowsItsDepth) {
    InstrumentRecord& ins = Song.instruments[0];
    ins.header.vibratoType = 1;  // square: +64 for the first half
    ins.header.vibratoDepth = 8;
    ins.header.vibratoSweep = 10;
    ins.header.vibratoRate = 1;
    ChannelState& ch = Song.channels[0];
    ch.instrument = 0;
    std::vector<int32_t> deltas;
    for (int t = 0; t < 14; t++) {
        ch.periodDelta = 0;
        ch.updateFlags = 0;
        UpdateVoice(ch, &EmptySample, &ins);
        deltas.push_back(ch.periodDelta);
        EXPECT_EQ(ch.updateFlags & UPDATE_FREQUENCY, UPDATE_FREQUENCY);
    }
    EXPECT_EQ(deltas[0], 0);
    EXPECT_EQ(deltas[5], 8 * 64 * 5 / 10 / 64);
    EXPECT_EQ(deltas[10], 8);
    EXPECT_EQ(deltas[13], 8);
    for (int t = 1; t < 10; t++) EXPECT_LE(deltas[t - 1], deltas[t]);
}

TEST(AutoVibrato, WaveformsStayWithinSixtyFour) {
    XmModule m;
    m.patterns.push_back(EmptyPattern(4, 1));
    m.channels = 1;
    m.patterns[0] = EmptyPattern(4, 1);
    m.instruments.push_back(SimpleInstrument(Ramp(10)));
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    InstrumentRecord& ins = Song.instruments[0];
    for (uint8_t type = 0; type < 5; type++) {
        ins.header.vibratoType = type;
        ins.header.vibratoDepth = 64;
        ins.header.vibratoRate = 1;
        ins.header.vibratoSweep = 0;
        ChannelState& ch = Song.channels[0];
        ch.autoVibratoPosition = 0;
        int32_t lo = 0, hi = 0;
        for (int p = 0; p < 256; p++) {
            ch.periodDelta = 0;
            UpdateVoice(ch, &EmptySample, &ins);
            lo = std::min(lo, ch.periodDelta);
            hi = std::max(hi, ch.periodDelta);
        }
        EXPECT_GE(lo, -64) << int(type);
        EXPECT_LE(hi, 64) << int(type);
        EXPECT_GT(hi - lo, 100) << int(type);
    }
    UnloadSong();
}

TEST(AutoVibrato, WaveformValuesByPosition) {
    XmModule m;
    m.channels = 1;
    m.patterns.push_back(EmptyPattern(4, 1));
    m.instruments.push_back(SimpleInstrument(Ramp(10)));
    ASSERT_TRUE(LoadBytes(BuildXm(m)));
    InstrumentRecord& ins = Song.instruments[0];
    ins.header.vibratoDepth = 64;  // the period delta is then the waveform value itself
    ChannelState& ch = Song.channels[0];
    auto at = [&](uint8_t type, uint8_t position) {
        ins.header.vibratoType = type;
        ch.autoVibratoPosition = position;
        ch.periodDelta = 0;
        UpdateVoice(ch, &EmptySample, &ins);
        return ch.periodDelta;
    };
    const uint8_t positions[] = {0, 1, 32, 64, 96, 127, 128, 129, 160, 192, 255};
    const int32_t expect[4][11] = {
        {0, 2, 45, 64, 45, 2, 0, -2, -45, -64, -2},        // sine
        {64, 64, 64, 64, 64, 64, -64, -64, -64, -64, -64},  // square
        {0, -1, -16, -32, -48, -64, 64, 63, 48, 32, 0},    // falling ramp
        {0, 0, 16, 32, 48, 63, 64, -64, -48, -32, -1},      // rising ramp
    };
    for (uint8_t type = 0; type < 4; type++)
        for (size_t i = 0; i < 11; i++)
            EXPECT_EQ(at(type, positions[i]), expect[type][i]) << int(type) << " at " << int(positions[i]);
    EXPECT_EQ(at(7, 64), 32);  // types above 3 rise as type 3
    UnloadSong();
}

}  // namespace
