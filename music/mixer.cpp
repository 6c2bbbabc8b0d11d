// mixer.cpp - MixVoices and its frame-by-frame reference.
//
// A voice is mixed in spans: the distance to the next boundary (loop end,
// sample end, or loop start going backwards) gives, with one division, the
// number of frames the span lasts, so the frames themselves carry no
// boundary test. A running volume ramp cuts a span at its end. The fast
// mixer differs from the reference only inside a span: a voice that has
// ramped to silence only moves its position (by exactly the same steps),
// and a steady volume needs no per-frame increments.
#include "mixer.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "testing.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t STEP_LIMIT_INTEGER = 31;  // steps of 32.0 and more are limited to just below 32

inline int64_t VoicePosition(const Voice& v) {
    return int64_t((uint64_t(v.position) << 32) | v.fraction);
}
inline void StorePosition(Voice& v, int64_t x) {
    v.position = uint32_t(uint64_t(x) >> 32);
    v.fraction = uint32_t(uint64_t(x));
}

// The rounding of one voice's contribution: floor((floor(t / 64) + (t < 0)) / 2).
inline int64_t Contribution(int64_t t) {
    return ((t >> 6) + (t < 0 ? 1 : 0)) >> 1;
}

// The interpolated sample x 64 at position x.
inline int64_t Interpolate(const int16_t* data, int64_t x) {
    int64_t index = x >> 32;
    int32_t a = data[index];
    int32_t b = data[index + 1];
    uint32_t half = uint32_t(uint64_t(x)) >> 1;
    return 64 * int64_t(a) + ((int64_t(b - a) * half) >> 25);
}

// Handles a boundary that has been reached or passed. Returns false when the
// voice stops. Positions a few units of 2^-32 short of the boundary (the
// frame count works on steps shifted right by 5) count as having reached it.
bool CrossBoundary(Voice& v, int64_t x) {
    const SampleRecord* s = v.sample;
    int64_t start = int64_t(s->loopStart) << 32;
    int64_t length = int64_t(s->loopLength) << 32;
    int64_t end = start + length;
    if ((s->loopType != LOOP_FORWARD && s->loopType != LOOP_PINGPONG) || length == 0) {
        v.sample = nullptr;
        v.position = 0;
        v.fraction = 0;
        return false;
    }
    if (s->loopType == LOOP_FORWARD) {
        // The fraction is kept: whole samples past the end wrap into the loop.
        if (x >= end)
            x = start + (x - end) % length;
        else
            x = start;
        StorePosition(v, x);
        return true;
    }
    // Ping-pong: mirror at the end crossed (x becomes 2E - x - 2^-32 or
    // 2S - x - 2^-32), and again at the other end while outside; two
    // mirrors together move by exactly twice the loop length.
    int64_t u;
    if (v.direction == 0) {
        if (x < end) {
            StorePosition(v, end - 1);
            v.direction = 1;
            return true;
        }
        u = x - start;
    } else {
        if (x > start) {
            StorePosition(v, start);
            v.direction = 0;
            return true;
        }
        u = start - x - 1;
        if (u < 0) u = 0;
        // Now u is measured forward from the start, as after one mirror.
    }
    u %= 2 * length;
    if (u >= length) {
        u = 2 * length - u - 1;
        v.direction = 1;
    } else {
        v.direction = 0;
    }
    StorePosition(v, start + u);
    return true;
}

template <bool Backward, class Out>
inline void MixFramesGeneral(const int16_t* data, int64_t& x, int64_t step, Out* out, uint32_t m,
                             int32_t& left, int32_t& right, int32_t li, int32_t ri) {
    for (uint32_t i = 0; i < m; i++) {
        int64_t v = Interpolate(data, x);
        out[2 * i] += Out(Contribution(v * left));
        out[2 * i + 1] += Out(Contribution(v * right));
        left += li;
        right += ri;
        if (Backward)
            x -= step;
        else
            x += step;
    }
}

// Steady volumes that are whole multiples of 128 (every completed ramp from
// silence ends on one): then h(v x 128 T) = v x T exactly, and the sums of a
// frame need only 32-bit products.
template <bool Backward, class Out>
inline void MixFramesWhole(const int16_t* data, int64_t& x, int64_t step, Out* out, uint32_t m,
                           int32_t left, int32_t right) {
    int64_t p = x;
    if (left == right) {
        for (uint32_t i = 0; i < m; i++) {
            Out c = Out(Interpolate(data, p) * left);
            out[2 * i] += c;
            out[2 * i + 1] += c;
            p = Backward ? p - step : p + step;
        }
    } else if (left == 0) {
        for (uint32_t i = 0; i < m; i++) {
            out[2 * i + 1] += Out(Interpolate(data, p) * right);
            p = Backward ? p - step : p + step;
        }
    } else if (right == 0) {
        for (uint32_t i = 0; i < m; i++) {
            out[2 * i] += Out(Interpolate(data, p) * left);
            p = Backward ? p - step : p + step;
        }
    } else {
        for (uint32_t i = 0; i < m; i++) {
            int64_t v = Interpolate(data, p);
            out[2 * i] += Out(v * left);
            out[2 * i + 1] += Out(v * right);
            p = Backward ? p - step : p + step;
        }
    }
    x = p;
}

// The frames of a steady span whose volumes are not whole multiples of 128.
template <bool Backward, class Out>
inline void MixFramesPart(const int16_t* data, int64_t& x, int64_t step, Out* out, uint32_t m, int32_t left,
                          int32_t right) {
    int64_t p = x;
    for (uint32_t i = 0; i < m; i++) {
        int64_t v = Interpolate(data, p);
        out[2 * i] += Out(Contribution(v * left));
        out[2 * i + 1] += Out(Contribution(v * right));
        p = Backward ? p - step : p + step;
    }
    x = p;
}

enum class Volumes { Whole, Steady, Ramp };

}  // namespace

#if defined(__x86_64__)
// Each copy of the lanes is compiled for its instruction set alone: GCC takes
// a target region, clang an attribute applied to every function in it.
#define LANES_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define LANES_TARGET_BEGIN(isa) LANES_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define LANES_TARGET_END LANES_PRAGMA(clang attribute pop)
#else
#define LANES_TARGET_BEGIN(isa) LANES_PRAGMA(GCC push_options) LANES_PRAGMA(GCC target(isa))
#define LANES_TARGET_END LANES_PRAGMA(GCC pop_options)
#endif
LANES_TARGET_BEGIN("avx2")
#define LANES_NS LanesAvx2
#define LANES_AVX512 0
#include "mixer_lanes.inc"
#undef LANES_NS
#undef LANES_AVX512
LANES_TARGET_END
LANES_TARGET_BEGIN("avx2,avx512f,avx512vl,avx512bw")
#define LANES_NS LanesAvx512
#define LANES_AVX512 1
#include "mixer_lanes.inc"
#undef LANES_NS
#undef LANES_AVX512
LANES_TARGET_END
#endif

int MixerVectorLevelAvailable() {
#if defined(__x86_64__)
    __builtin_cpu_init();  // this may run before the library's own start-up code
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512bw"))
        return 2;
    if (__builtin_cpu_supports("avx2")) return 1;
#endif
    return 0;
}

namespace {

std::atomic<int> VectorLevel{MixerVectorLevelAvailable()};

inline int Level() {
    return VectorLevel.load(std::memory_order_relaxed);
}

// Spans shorter than this are not worth setting the lanes up for.
constexpr uint32_t LANES_MIN_FRAMES = 8;

// Mixes a span with the lanes of the vector level in use; returns the frames
// it mixed (the AVX2 lanes leave fewer than eight to the caller).
template <bool Backward, Volumes Kind, class Out>
uint32_t MixFramesLanes(const SampleRecord* s, int64_t& x, int64_t step, Out* out, uint32_t m, int32_t& left,
                        int32_t& right, int32_t li, int32_t ri) {
#if defined(__x86_64__)
    int64_t readable = int64_t(s->length) + SAMPLE_SPARE_VALUES;
    int level = Level();
    if (level >= 2)
        return LanesAvx512::MixLanes<Backward, Kind>(s->data, readable, x, step, out, m, left, right, li, ri);
    if (level == 1)
        return LanesAvx2::MixLanes<Backward, Kind>(s->data, readable, x, step, out, m, left, right, li, ri);
#else
    (void)s, (void)x, (void)step, (void)out, (void)m, (void)left, (void)right, (void)li, (void)ri;
#endif
    return 0;
}

template <bool Backward, class Out>
inline void MixFramesSteady(const SampleRecord* s, int64_t& x, int64_t step, Out* out, uint32_t m,
                            int32_t left, int32_t right) {
    bool whole = left % 128 == 0 && right % 128 == 0;
    uint32_t done = 0;
    if (Level() && m >= LANES_MIN_FRAMES) {
        if (whole)
            done = MixFramesLanes<Backward, Volumes::Whole>(s, x, step, out, m, left, right, 0, 0);
        else if (left >= 0 && right >= 0)
            done = MixFramesLanes<Backward, Volumes::Steady>(s, x, step, out, m, left, right, 0, 0);
    }
    if (done == m) return;
    if (whole)
        MixFramesWhole<Backward>(s->data, x, step, out + 2 * size_t(done), m - done, left / 128, right / 128);
    else
        MixFramesPart<Backward>(s->data, x, step, out + 2 * size_t(done), m - done, left, right);
}

// A ramp span: the lanes take it while both volumes stay at or above 0 (a
// ramp down from a volume that is not a whole multiple of 128 may end a
// little below).
template <bool Backward, class Out>
inline void MixFramesRamp(const SampleRecord* s, int64_t& x, int64_t step, Out* out, uint32_t m, int32_t& left,
                          int32_t& right, int32_t li, int32_t ri) {
    uint32_t done = 0;
    if (Level() && m >= LANES_MIN_FRAMES && left >= 0 && right >= 0 &&
        left + int32_t(m - 1) * li >= 0 && right + int32_t(m - 1) * ri >= 0)
        done = MixFramesLanes<Backward, Volumes::Ramp>(s, x, step, out, m, left, right, li, ri);
    if (done < m)
        MixFramesGeneral<Backward>(s->data, x, step, out + 2 * size_t(done), m - done, left, right, li, ri);
}

// Steps 1 to 3 of a span: the step in use and the frames until the voice
// reaches or passes its next boundary (loop end, sample end, or loop start
// going backwards; 0: it has reached it). Returns false when the voice is to
// be left alone for the rest of the call.
inline bool SpanLength(Voice& v, int64_t x, int64_t& step, uint64_t& frames) {
    const SampleRecord* s = v.sample;
    // 1. Distance to the next boundary.
    int64_t distance;
    if (v.direction == 0) {
        // Past the loop end by less than a sample, after a span that was
        // heading for it, is the carry below: that loop end is reached, and
        // the part of the sample behind it is never played. A start offset
        // at or beyond the loop end plays on to the sample's end.
        int64_t loopEnd = int64_t(uint64_t(s->loopStart) + s->loopLength) << 32;
        bool toLoopEnd = (x >> 32) < (loopEnd >> 32) || (v.toLoopEnd && x - loopEnd < (int64_t(1) << 32));
        v.toLoopEnd = toLoopEnd ? 1 : 0;
        distance = (toLoopEnd ? loopEnd : int64_t(uint64_t(s->length) << 32)) - x;
    } else {
        distance = x - (int64_t(s->loopStart) << 32);
    }
    // A voice a whole sample or more beyond its boundary (a start offset
    // past a shorter sample or past the end of a loop it plays backwards)
    // is left alone for the rest of this call: it falls silent until its
    // next note. Less than one sample beyond is the carry of the step's
    // five dropped bits after a span cut short of its boundary (the call
    // ended, or a ramp did): the boundary counts as reached, else a
    // looping voice would stand there for good.
    if (distance <= -(int64_t(1) << 32)) return false;
    // 2. The step, limited below 32.0; a step of 0 plays at about 40 Hz.
    uint32_t stepInteger = v.stepInteger, stepFraction = v.stepFraction;
    if (stepInteger > STEP_LIMIT_INTEGER) {
        stepInteger = STEP_LIMIT_INTEGER;
        stepFraction = 0xFFFFFFFF;
    }
    step = int64_t((uint64_t(stepInteger) << 32) | stepFraction);
    uint32_t shifted = uint32_t(uint64_t(step) >> 5);
    if (shifted == 0) {
        v.stepFraction = ZERO_STEP_FRACTION;
        step = ZERO_STEP_FRACTION;
        shifted = ZERO_STEP_SHIFTED;
    }
    // 3. Frames until the boundary is reached or passed; a distance of 0
    // or below is the boundary reached. The count is kept in 64 bits: a tiny
    // step can make it exceed 32.
    frames = 0;
    if (distance > 0) {
        uint64_t d = uint64_t(distance) >> 5;
        frames = d / shifted + (d % shifted != 0 ? 1 : 0);
    }
    return true;
}

// Step 5: a new volume ramp when the targets changed; a running ramp cuts
// the span at its end (returns true then, with m shortened).
inline bool LimitToRamp(Voice& v, uint32_t& m) {
    uint32_t targets = (uint32_t(v.leftTarget) << 16) + uint32_t(v.rightTarget);
    if (v.rampLeft == 0 || targets != v.savedTargets) {
        v.savedTargets = targets;
        v.rightIncrement = (v.rightTarget * 128 - v.rightVolume) >> 7;
        v.leftIncrement = (v.leftTarget * 128 - v.leftVolume) >> 7;
        v.rampLeft = (v.rightIncrement || v.leftIncrement) ? RAMP_FRAMES : 0;
    }
    if (!v.rampLeft || m <= v.rampLeft) return false;
    m = v.rampLeft;
    return true;
}

// Step 6: mixes m frames of the span from x, with the voice's volumes and
// ramp, and stores where the voice ends.
template <bool Reference, class Out>
inline void MixSpan(Voice& v, int64_t& x, int64_t step, Out* out, uint32_t m) {
    const SampleRecord* s = v.sample;
    if (Reference) {
        if (v.direction)
            MixFramesGeneral<true>(s->data, x, step, out, m, v.leftVolume, v.rightVolume, v.leftIncrement,
                                   v.rightIncrement);
        else
            MixFramesGeneral<false>(s->data, x, step, out, m, v.leftVolume, v.rightVolume, v.leftIncrement,
                                    v.rightIncrement);
    } else if (v.rampLeft) {
        if (v.direction)
            MixFramesRamp<true>(s, x, step, out, m, v.leftVolume, v.rightVolume, v.leftIncrement,
                                v.rightIncrement);
        else
            MixFramesRamp<false>(s, x, step, out, m, v.leftVolume, v.rightVolume, v.leftIncrement,
                                 v.rightIncrement);
    } else if (v.leftVolume == 0 && v.rightVolume == 0) {
        // Silent: only the position moves, by exactly m steps.
        x = v.direction ? x - step * int64_t(m) : x + step * int64_t(m);
    } else if (v.direction) {
        MixFramesSteady<true>(s, x, step, out, m, v.leftVolume, v.rightVolume);
    } else {
        MixFramesSteady<false>(s, x, step, out, m, v.leftVolume, v.rightVolume);
    }
    StorePosition(v, x);
    if (v.rampLeft) {
        v.rampLeft = uint16_t(v.rampLeft - m);
        if (v.rampLeft == 0) {
            v.rightIncrement = 0;
            v.leftIncrement = 0;
        }
    }
}

template <bool Reference, class Out>
void MixOne(Voice& v, Out* out, uint32_t frames) {
    uint32_t r = frames;
    while (v.sample) {
        int64_t x = VoicePosition(v);
        int64_t step;
        uint64_t f;
        if (!SpanLength(v, x, step, f)) return;
        bool beyond = false;
        if (f != 0) {
            // 4. The span ends at the boundary, the end of the call or the end of a ramp.
            beyond = f > r;
            uint32_t m = beyond ? r : uint32_t(f);
            bool cut = LimitToRamp(v, m);
            MixSpan<Reference>(v, x, step, out, m);
            // 7.
            r -= m;
            out += 2 * size_t(m);
            if (cut) {
                if (r == 0) return;
                continue;
            }
        }
        // 8. The boundary.
        if (beyond) return;
        if (!CrossBoundary(v, x)) return;
        if (r == 0) return;
    }
}

}  // namespace

int MixerVectorLevel() {
    return Level();
}

void SetMixerVectorLevel(int level) {
    VectorLevel.store(level);
}

void MixVoice(Voice& voice, int64_t* dest, uint32_t frames) {
    MixOne<false>(voice, dest, frames);
}
void MixVoiceReference(Voice& voice, int64_t* dest, uint32_t frames) {
    MixOne<true>(voice, dest, frames);
}

namespace {

// The most one voice can add to a sum in one call: |v| <= 2^21, so
// |h(v vol)| <= 2^14 |vol| + 1, and within a call a volume stays between its
// current value (or where a running ramp ends) and its target x 128, give or
// take 128. A voice silent at both ends adds nothing.
uint64_t VoiceBound(const Voice& v) {
    if (v.leftVolume == 0 && v.rightVolume == 0 && v.leftTarget == 0 && v.rightTarget == 0 &&
        (v.rampLeft == 0 || (v.leftIncrement == 0 && v.rightIncrement == 0)))
        return 0;
    auto magnitude = [](int64_t a) { return uint64_t(a < 0 ? -a : a); };
    uint64_t most = 0;
    for (int64_t volume : {int64_t(v.leftVolume), int64_t(v.rightVolume),
                           int64_t(v.leftVolume) + int64_t(v.rampLeft) * v.leftIncrement,
                           int64_t(v.rightVolume) + int64_t(v.rampLeft) * v.rightIncrement,
                           int64_t(v.leftTarget) * 128 + 128, int64_t(v.rightTarget) * 128 + 128})
        if (magnitude(volume) > most) most = magnitude(volume);
    return (most << 14) + 1;
}

__attribute__((always_inline)) inline void WidenBody(const int32_t* sums, int64_t* dest, uint32_t count) {
    for (uint32_t i = 0; i < count; i++) dest[i] += sums[i];
}

void Widen(const int32_t* sums, int64_t* dest, uint32_t count) {
    WidenBody(sums, dest, count);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void WidenAvx2(const int32_t* sums, int64_t* dest, uint32_t count) {
    WidenBody(sums, dest, count);
}
#endif

}  // namespace

void MixVoices(int64_t* dest, uint32_t frames) {
    uint32_t count = 2 * Song.channelCount;
    // When the voices together cannot reach 2^31, their sums are kept in 32
    // bits (half the memory traffic of each voice) and widened once.
    uint64_t bound = 0;
    for (uint32_t i = 0; i < count; i++)
        if (Song.voices[i].sample) bound += VoiceBound(Song.voices[i]);
    if (bound > uint64_t(INT32_MAX) || frames > BLOCK_FRAMES) {
        for (uint32_t i = 0; i < count; i++)
            if (Song.voices[i].sample) MixOne<false>(Song.voices[i], dest, frames);
        return;
    }
    int32_t sums[2 * BLOCK_FRAMES];
    memset(sums, 0, 2 * size_t(frames) * sizeof sums[0]);
    for (uint32_t i = 0; i < count; i++)
        if (Song.voices[i].sample) MixOne<false>(Song.voices[i], sums, frames);
#if defined(__x86_64__)
    if (Level()) return WidenAvx2(sums, dest, 2 * frames);
#endif
    Widen(sums, dest, 2 * frames);
}

void MixVoicesReference(int64_t* dest, uint32_t frames) {
    uint32_t count = 2 * Song.channelCount;
    for (uint32_t i = 0; i < count; i++)
        if (Song.voices[i].sample) MixOne<true>(Song.voices[i], dest, frames);
}
