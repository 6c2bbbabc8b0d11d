// The mixer: interpolation and scale, loop boundaries, ramps, odd steps, and
// the fast mixer against the frame-by-frame reference.
#include "mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "testing.h"

namespace {

struct TestSample {
    std::vector<int16_t> storage;
    SampleRecord record{};
    TestSample(std::vector<int16_t> values, uint8_t loopType = 0, uint32_t loopStart = 0,
               uint32_t loopLength = 0) {
        storage.assign(SAMPLE_LEAD_VALUES + values.size() + SAMPLE_SPARE_VALUES, 0);
        std::copy(values.begin(), values.end(), storage.begin() + SAMPLE_LEAD_VALUES);
        record.length = uint32_t(values.size());
        record.loopType = loopType;
        record.loopStart = loopType ? loopStart : 0;
        record.loopLength = loopType ? loopLength : uint32_t(values.size());
        record.data = storage.data() + SAMPLE_LEAD_VALUES;
        uint32_t end = record.loopStart + record.loopLength;
        if (loopType == 1) record.data[end] = record.data[record.loopStart];
        if (loopType == 2) record.data[end] = record.data[end - 1];
    }
};

std::vector<int16_t> Values(uint32_t n, int step = 100) {
    std::vector<int16_t> v(n);
    for (uint32_t i = 0; i < n; i++) v[i] = int16_t(int(i) * step - 9000);
    return v;
}

Voice Playing(const TestSample& s, double step, int32_t left, int32_t right, bool steady = true) {
    Voice v{};
    v.sample = &s.record;
    v.stepInteger = uint32_t(step);
    v.stepFraction = uint32_t((step - double(uint32_t(step))) * 4294967296.0);
    v.leftTarget = left;
    v.rightTarget = right;
    if (steady) {
        v.leftVolume = left * 128;
        v.rightVolume = right * 128;
        v.savedTargets = (uint32_t(left) << 16) + uint32_t(right);
    }
    return v;
}

bool SameVoice(const Voice& a, const Voice& b) {
    return a.volume == b.volume && a.panning == b.panning && a.startOffset == b.startOffset &&
           a.rightTarget == b.rightTarget && a.leftTarget == b.leftTarget && a.position == b.position &&
           a.stepFraction == b.stepFraction && a.stepInteger == b.stepInteger &&
           a.savedTargets == b.savedTargets && a.rightIncrement == b.rightIncrement &&
           a.leftIncrement == b.leftIncrement && a.sample == b.sample && a.fraction == b.fraction &&
           a.rightVolume == b.rightVolume && a.leftVolume == b.leftVolume && a.rampLeft == b.rampLeft &&
           a.direction == b.direction && a.toLoopEnd == b.toLoopEnd;
}

double Position(const Voice& v) {
    return v.position + v.fraction / 4294967296.0;
}

TEST(MixerScale, StepOneReproducesTheSampleAtItsVolume) {
    TestSample s(Values(400));
    Voice v = Playing(s, 1.0, 0, 127);
    std::vector<int64_t> out(2 * 300, 0);
    MixVoice(v, out.data(), 300);
    for (int i = 0; i < 300; i++) {
        EXPECT_EQ(out[2 * i], 0);
        EXPECT_EQ(out[2 * i + 1], int64_t(8128) * s.record.data[i]) << i;
    }
    Voice w = Playing(s, 1.0, 40, 40);
    std::vector<int64_t> both(2 * 10, 0);
    MixVoice(w, both.data(), 10);
    // Negative samples round as floor((floor(t / 64) + 1) / 2).
    int64_t t = int64_t(64) * s.record.data[3] * 40 * 128;
    EXPECT_EQ(both[6], ((t >> 6) + 1) >> 1);
    EXPECT_EQ(both[7], both[6]);
}

TEST(MixerLoops, UnloopedSampleEndsAfterExactlyItsLength) {
    TestSample s(Values(100));
    for (double step : {1.0, 2.0}) {
        uint32_t frames = uint32_t(100 / step);
        Voice v = Playing(s, step, 64, 64);
        std::vector<int64_t> out(2 * 200, 0);
        MixVoice(v, out.data(), frames - 1);
        EXPECT_NE(v.sample, nullptr);
        MixVoice(v, out.data(), 1);
        EXPECT_EQ(v.sample, nullptr) << step;
        EXPECT_EQ(v.position, 0u);
        Voice again = Playing(s, step, 64, 64);
        std::fill(out.begin(), out.end(), 0);
        MixVoice(again, out.data(), 200);
        EXPECT_NE(out[2 * (frames - 1)], 0);
        for (uint32_t i = frames; i < 200; i++) ASSERT_EQ(out[2 * i], 0) << i;
    }
}

TEST(MixerLoops, ForwardLoopWrapsAndInterpolatesIntoTheGuard) {
    TestSample s(Values(40), 1, 10, 20);
    Voice v = Playing(s, 1.5, 0, 64);
    v.position = 0;
    bool sawEnd = false;
    for (int i = 0; i < 400; i++) {
        std::vector<int64_t> out(2, 0);
        double p = Position(v);
        MixVoice(v, out.data(), 1);
        if (i > 10) {
            ASSERT_GE(p, 10.0);
            ASSERT_LE(p, 29.5);
        }
        if (p == 29.5) {
            sawEnd = true;
            int64_t inter = 32 * (int64_t(s.record.data[29]) + s.record.data[10]);
            int64_t t = inter * 64 * 128;
            EXPECT_EQ(out[1], ((t >> 6) + (t < 0)) >> 1);
        }
    }
    EXPECT_TRUE(sawEnd);
}

// A short note on the loop of samples 1..3 of {0, 100, 200, 300}, step
// 1.25, volume 1 (each frame is the interpolated value x 64: 48a + 16b at
// a quarter, 32a + 32b at a half, 16a + 48b at three quarters), worked out
// by hand, with both mixers. Forward: what passes the loop end goes on from
// the loop start (3.75 + 1.25 = 5.0 plays at 2.0). Ping-pong: the guard
// after the loop repeats its last value, and a mirror lands 2^-32 short of
// the whole position (5.0 becomes 3 - 2^-32: 200 + 100 x (1 - 2^-32)).
TEST(MixerLoops, ShortLoopedNotesPlayTheValuesWorkedOutByHand) {
    // Positions: forward 0 1.25 2.5 3.75 2 3.25 1.5 2.75 1 2.25; ping-pong
    // 0 1.25 2.5 3.75, then 3- 1.75- (backwards), 1.5 2.75 (forwards), 4- 2.75-.
    const std::vector<int64_t> expected[2] = {
        {0, 8000, 16000, 9600, 12800, 16000, 9600, 17600, 6400, 14400},
        {0, 8000, 16000, 19200, 19199, 11199, 9600, 17600, 19200, 17599}};
    for (uint8_t loop : {1, 2}) {
        TestSample s({0, 100, 200, 300}, loop, 1, 3);
        for (bool reference : {false, true}) {
            Voice v = Playing(s, 1.25, 0, 1);
            std::vector<int64_t> out(2 * 10, 0), right;
            reference ? MixVoiceReference(v, out.data(), 10) : MixVoice(v, out.data(), 10);
            for (int i = 0; i < 10; i++) right.push_back(out[2 * i + 1]);
            EXPECT_EQ(right, expected[loop - 1]) << "loop type " << int(loop) << (reference ? " ref" : "");
        }
    }
}

TEST(MixerLoops, PingPongReversesAtBothEnds) {
    TestSample s(Values(40), 2, 10, 10);
    Voice v = Playing(s, 1.0, 64, 64);
    v.position = 15;
    std::vector<int64_t> out(2 * 5, 0);
    MixVoice(v, out.data(), 5);
    EXPECT_EQ(v.direction, 1);
    EXPECT_EQ(v.position, 19u);
    EXPECT_EQ(v.fraction, 0xFFFFFFFFu);
    std::vector<int64_t> more(2 * 40, 0);
    int turns = 0;
    uint8_t last = v.direction;
    for (int i = 0; i < 40; i++) {
        MixVoice(v, more.data(), 1);
        ASSERT_GE(Position(v), 10.0 - 1e-6);
        ASSERT_LT(Position(v), 20.0);
        if (v.direction != last) turns++;
        last = v.direction;
    }
    EXPECT_GE(turns, 3);
}

TEST(MixerLoops, StepsLongerThanTheLoopMirrorMoreThanOnce) {
    for (uint32_t start : {0u, 7u}) {
        TestSample s(Values(30), 2, start, 3);
        Voice v = Playing(s, 7.25, 64, 64);
        v.position = start;
        std::vector<int64_t> out(2, 0);
        for (int i = 0; i < 500; i++) {
            MixVoice(v, out.data(), 1);
            ASSERT_GE(Position(v), double(start) - 1e-6) << i;
            ASSERT_LT(Position(v), double(start + 3)) << i;
        }
        ASSERT_NE(v.sample, nullptr);
    }
}

TEST(MixerLoops, SpansEndingAHairShortOfTheLoopEndWrapSafely) {
    // The frame count works on steps shifted right by 5, so a span can end up
    // to 31 x 2^-32 short of the loop end: the position then wraps into the
    // loop like one that reached it, and never into an endless empty span.
    for (bool reference : {false, true}) {
        TestSample forward(Values(40), 1, 10, 20);
        Voice v = Playing(forward, 1.0, 0, 64);
        v.position = 29;
        v.fraction = 0xFFFFFFFBu;  // 5 x 2^-32 before the loop end
        std::vector<int64_t> out(2 * 3, 0);
        if (reference)
            MixVoiceReference(v, out.data(), 3);
        else
            MixVoice(v, out.data(), 3);
        EXPECT_EQ(out[1], int64_t(64) * forward.record.data[10] * 64);  // the first frame is the loop start
        EXPECT_EQ(v.position, 13u);
        EXPECT_EQ(v.fraction, 0u);

        TestSample pingPong(Values(40), 2, 10, 20);
        Voice w = Playing(pingPong, 1.0, 0, 64);
        w.position = 29;
        w.fraction = 0xFFFFFFFBu;
        if (reference)
            MixVoiceReference(w, out.data(), 2);
        else
            MixVoice(w, out.data(), 2);
        EXPECT_EQ(w.direction, 1);  // turned at the end, just inside the loop
        EXPECT_EQ(w.position, 27u);
        EXPECT_EQ(w.fraction, 0xFFFFFFFFu);
    }
}

// The frame count divides by the step with its five low bits dropped, so a
// call can end a few units of 2^-32 past a loop end: here, 500 frames at a
// step of 1 + 31 x 2^-32 end 100 units past it. The next call must wrap (or
// turn) and play on, not stand there, and never play what lies between the
// loop end and the sample's end; loop type 3 stops there. A start offset
// right at a loop end that lies before the sample's end plays that part.
// Every mixer: the reference and the fast one at each vector level.
TEST(MixerLoops, ACallEndingJustPastTheLoopEndPlaysOn) {
    struct Case {
        uint32_t length;
        uint8_t type;
        bool offset;        // starts at the loop end, as a start offset puts it
        uint32_t position;  // after the next 64 frames; 0: the voice stopped
        uint8_t direction;
    };
    const Case cases[] = {{600, 1, false, 114, 0}, {600, 2, false, 535, 1}, {600, 3, false, 0, 0},
                          {700, 1, false, 114, 0}, {700, 2, false, 535, 1}, {700, 3, false, 0, 0},
                          {700, 1, true, 664, 0},  {700, 2, true, 664, 0},  {700, 3, true, 664, 0}};
    const int available = MixerVectorLevelAvailable();
    for (int mixer = -1; mixer <= available; mixer++) {
        SetMixerVectorLevel(mixer < 0 ? available : mixer);
        auto mix = mixer < 0 ? MixVoiceReference : MixVoice;
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "mixer " << mixer << " length " << c.length << " type "
                                            << int(c.type) << (c.offset ? " offset" : ""));
            TestSample s(Values(c.length, 30), c.type, 50, 550);
            Voice v = Playing(s, 1.0, 64, 64);
            v.stepFraction = 31;
            v.position = 600;
            if (!c.offset) {
                int64_t start = (int64_t(600) << 32) + 100 - 500 * ((int64_t(1) << 32) + 31);
                v.position = uint32_t(start >> 32);
                v.fraction = uint32_t(start);
                std::vector<int64_t> out(2 * 500, 0);
                mix(v, out.data(), 500);
                ASSERT_EQ(v.position, 600u);
                ASSERT_EQ(v.fraction, 100u);
            }
            std::vector<int64_t> next(2 * 64, 0);
            mix(v, next.data(), 64);
            EXPECT_EQ(v.position, c.position);
            EXPECT_EQ(v.direction, c.direction);
            EXPECT_EQ(v.sample != nullptr, c.position != 0);
            if (c.position) {
                EXPECT_NE(next[0], next[2 * 63]);
            } else {
                EXPECT_EQ(next, std::vector<int64_t>(2 * 64, 0));
            }
        }
    }
    SetMixerVectorLevel(available);
}

TEST(MixerLoops, LoopTypeThreeStopsAtItsLoopEnd) {
    TestSample s(Values(100), 1, 20, 30);
    s.record.loopType = 3;
    Voice v = Playing(s, 1.0, 64, 64);
    std::vector<int64_t> out(2 * 60, 0);
    MixVoice(v, out.data(), 49);
    EXPECT_NE(v.sample, nullptr);
    MixVoice(v, out.data(), 1);
    EXPECT_EQ(v.sample, nullptr);
}

TEST(MixerRamps, NewNoteRampsOverOneHundredTwentyEightFrames) {
    TestSample s(std::vector<int16_t>(1000, 1000));
    Voice v = Playing(s, 1.0, 127, 127, false);
    std::vector<int64_t> out(2 * 300, 0);
    MixVoice(v, out.data(), 300);
    EXPECT_EQ(v.leftVolume, 127 * 128);
    EXPECT_EQ(v.rampLeft, 0);
    EXPECT_EQ(v.leftIncrement, 0);
    for (int i = 1; i < 128; i++) ASSERT_GT(out[2 * i], out[2 * i - 2]) << i;
    for (int i = 128; i < 300; i++) ASSERT_EQ(out[2 * i], int64_t(64) * 1000 * 127) << i;
}

TEST(MixerRamps, TargetChangeRestartsTheRampFromTheCurrentVolume) {
    TestSample s(std::vector<int16_t>(1000, 1000));
    Voice v = Playing(s, 1.0, 100, 100, false);
    std::vector<int64_t> out(2 * 64, 0);
    MixVoice(v, out.data(), 64);
    EXPECT_EQ(v.leftVolume, 64 * 100);
    EXPECT_EQ(v.rampLeft, 64);
    v.leftTarget = 0;
    v.rightTarget = 0;
    MixVoice(v, out.data(), 1);
    EXPECT_EQ(v.rampLeft, 127);
    EXPECT_EQ(v.leftIncrement, (0 - 6400) >> 7);
    std::vector<int64_t> rest(2 * 200, 0);
    MixVoice(v, rest.data(), 200);
    EXPECT_EQ(v.rampLeft, 0);
    EXPECT_EQ(v.leftVolume, 6400 + 128 * ((0 - 6400) >> 7));
}

TEST(MixerSteps, StepZeroPlaysAtAboutFortyHertz) {
    TestSample s(Values(1000));
    Voice v = Playing(s, 0.0, 64, 64);
    std::vector<int64_t> out(2 * 1000, 0);
    MixVoice(v, out.data(), 1000);
    EXPECT_EQ(v.stepFraction, ZERO_STEP_FRACTION);
    uint64_t moved = (uint64_t(v.position) << 32) | v.fraction;
    EXPECT_EQ(moved, uint64_t(ZERO_STEP_FRACTION) * 1000);
}

TEST(MixerSteps, HugeStepsAreLimitedBelowThirtyTwo) {
    TestSample s(Values(1000));
    Voice v = Playing(s, 0.0, 64, 64);
    v.stepInteger = 5000;
    std::vector<int64_t> out(2 * 100, 0);
    MixVoice(v, out.data(), 31);
    EXPECT_NE(v.sample, nullptr);
    EXPECT_GT(v.position, 31u * 31);
    MixVoice(v, out.data(), 2);
    EXPECT_EQ(v.sample, nullptr);
}

TEST(MixerSteps, TinyStepsWithFrameCountsBeyondThirtyTwoBits) {
    TestSample s(Values(4000), 2, 100, 3000);
    Voice v = Playing(s, 0.0, 64, 64);
    v.stepFraction = 32;  // 1,000 samples away: 1.3e11 frames
    v.position = 3000;
    std::vector<int64_t> out(2 * 1024, 0);
    MixVoice(v, out.data(), 1024);
    EXPECT_EQ(v.position, 3000u);
    EXPECT_EQ(v.fraction, 32u * 1024);
    v.direction = 1;
    MixVoice(v, out.data(), 1024);
    EXPECT_EQ(v.fraction, 0u);
}

// A voice set beyond its boundary (a start offset past a shorter sample, or
// past the end of a ping-pong loop it plays backwards) is left alone by both
// mixers: it keeps its place and adds nothing. A voice exactly at its
// boundary has reached it.
TEST(MixerBoundaries, VoicesBeyondTheirBoundaryAreLeftAlone) {
    for (auto mix : {MixVoice, MixVoiceReference}) {
        std::vector<int64_t> out(2 * 10, 0);
        TestSample once(Values(100));
        Voice v = Playing(once, 1.0, 64, 64);
        v.position = 500;  // a start offset meant for a longer sample
        mix(v, out.data(), 10);
        EXPECT_EQ(v.sample, &once.record);
        EXPECT_EQ(Position(v), 500.0);

        TestSample looped(Values(100), 1, 20, 30);
        Voice w = Playing(looped, 1.0, 64, 64);
        w.position = 500;
        mix(w, out.data(), 10);
        EXPECT_EQ(Position(w), 500.0);

        TestSample pingpong(Values(100), 2, 20, 30);
        Voice b = Playing(pingpong, 1.0, 64, 64);
        b.position = 10;  // before the loop start, going backwards
        b.direction = 1;
        mix(b, out.data(), 10);
        EXPECT_EQ(Position(b), 10.0);
        EXPECT_EQ(b.direction, 1);
        for (int64_t x : out) EXPECT_EQ(x, 0);

        Voice e = Playing(once, 1.0, 64, 64);
        e.position = 100;  // at the end: the sample is over
        mix(e, out.data(), 10);
        EXPECT_EQ(e.sample, nullptr);
        Voice l = Playing(looped, 1.0, 64, 64);
        l.position = 100;  // at the sample's end: wrapped into the loop (20 + 50 mod 30)
        mix(l, out.data(), 5);
        EXPECT_EQ(Position(l), 45.0);
    }
}

// A random voice of any kind on a random sample (8-bit samples arrive as
// multiples of 256), often placed a hair short of its loop end.
struct RandomVoice {
    std::unique_ptr<TestSample> sample;
    Voice voice{};
};

RandomVoice MakeRandomVoice(std::mt19937& rng) {
    auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    RandomVoice result;
    uint32_t length = 1 + pick(3000);
    std::vector<int16_t> values(length);
    bool eightBit = pick(3) == 0;
    for (auto& x : values) x = int16_t(eightBit ? int16_t(rng()) & ~0xFF : int16_t(rng()));
    uint8_t type = uint8_t(pick(4));
    uint32_t loopStart = pick(length);
    uint32_t loopLength = 1 + pick(length - loopStart);
    result.sample = std::make_unique<TestSample>(values, type, loopStart, loopLength);
    Voice& v = result.voice;
    v.sample = &result.sample->record;
    v.position = pick(8) == 0 ? pick(length * 2) : pick(length);
    v.fraction = uint32_t(rng());
    if (pick(6) == 0 && loopStart + loopLength > 0) {
        v.position = loopStart + loopLength - 1;
        v.fraction = 0xFFFFFFFF - pick(64);
    }
    v.direction = type == 2 && v.position >= loopStart && v.position < loopStart + loopLength
                      ? uint8_t(pick(2))
                      : 0;
    switch (pick(5)) {
        case 0:
            v.stepInteger = 0;
            v.stepFraction = pick(64);
            break;
        case 1:
            v.stepInteger = 1;
            v.stepFraction = 0;
            break;
        case 2:
            v.stepInteger = pick(6) == 0 ? pick(40) : 1 + pick(4);
            v.stepFraction = uint32_t(rng());
            break;
        default:
            v.stepInteger = 0;
            v.stepFraction = uint32_t(rng());
            break;
    }
    v.leftTarget = int32_t(pick(128));
    v.rightTarget = pick(3) == 0 ? v.leftTarget : int32_t(pick(128));
    switch (pick(4)) {
        case 0:
            break;  // a new note: silent, no ramp yet
        case 1:
            v.leftVolume = v.leftTarget * 128;
            v.rightVolume = v.rightTarget * 128;
            v.savedTargets = (uint32_t(v.leftTarget) << 16) + uint32_t(v.rightTarget);
            break;
        case 2:
            v.leftTarget = v.rightTarget = 0;
            break;
        default:
            v.leftVolume = int32_t(pick(16257));
            v.rightVolume = int32_t(pick(16257));
            v.rampLeft = uint16_t(pick(129));
            v.leftIncrement = int32_t(pick(255)) - 127;
            v.rightIncrement = int32_t(pick(255)) - 127;
            v.savedTargets = pick(2) ? (uint32_t(v.leftTarget) << 16) + uint32_t(v.rightTarget) : 0;
            break;
    }
    return result;
}

// Random voices of every kind, mixed by both mixers with every vector level
// the processor has: the sums and the voices must come out identical, frame
// for frame.
TEST(MixerEquivalence, FastMixerEqualsTheReferenceOnRandomVoices) {
    std::mt19937 rng(1234);
    auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    const int available = MixerVectorLevelAvailable();
    for (int round = 0; round < 3000; round++) {
        RandomVoice random = MakeRandomVoice(rng);
        SetMixerVectorLevel(round % (available + 1));
        Voice fast = random.voice, reference = random.voice;
        std::vector<int64_t> a(2 * 1024, 0), b(2 * 1024, 0);
        for (int call = 0; call < 4; call++) {
            uint32_t frames = 1 + pick(1024);
            MixVoice(fast, a.data(), frames);
            MixVoiceReference(reference, b.data(), frames);
            ASSERT_TRUE(SameVoice(fast, reference))
                << "round " << round << " call " << call << " level " << MixerVectorLevel();
            if (call == 1) fast.leftTarget = reference.leftTarget = int32_t(pick(128));
        }
        ASSERT_EQ(a, b) << "round " << round << " level " << MixerVectorLevel();
    }
    SetMixerVectorLevel(available);
}

// Whole sets of voices, quiet ones (summed in 32 bits) and loud ones (whose
// sums need more), through MixVoices and the reference.
TEST(MixerEquivalence, AllVoicesTogetherEqualTheReference) {
    std::mt19937 rng(99);
    const int available = MixerVectorLevelAvailable();
    const SongState saved = Song;
    for (int round = 0; round < 200; round++) {
        uint32_t channels = 1 + rng() % 32;
        std::vector<RandomVoice> randoms;
        std::vector<Voice> fast, reference;
        bool loud = round % 4 == 3;  // every voice at full volume on a full-scale value
        for (uint32_t i = 0; i < 2 * channels; i++) {
            randoms.push_back(MakeRandomVoice(rng));
            Voice& v = randoms.back().voice;
            if (loud) {
                std::fill(randoms.back().sample->storage.begin(), randoms.back().sample->storage.end(),
                          int16_t(-32768));
                v.leftTarget = v.rightTarget = 127;
                v.leftVolume = v.rightVolume = 127 * 128;
                v.rampLeft = 0;
            }
            fast.push_back(v);
        }
        reference = fast;
        SetMixerVectorLevel(round % (available + 1));
        Song.channelCount = channels;
        std::vector<int64_t> a(2 * 1024, 0), b(2 * 1024, 0);
        for (int call = 0; call < 3; call++) {
            uint32_t frames = 1 + rng() % 1024;
            Song.voices = fast.data();
            MixVoices(a.data(), frames);
            Song.voices = reference.data();
            MixVoicesReference(b.data(), frames);
        }
        for (uint32_t i = 0; i < 2 * channels; i++)
            ASSERT_TRUE(SameVoice(fast[i], reference[i])) << "round " << round << " voice " << i;
        ASSERT_EQ(a, b) << "round " << round << " level " << MixerVectorLevel();
    }
    Song = saved;
    SetMixerVectorLevel(available);
}

}  // namespace
