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

#include <cstddef>

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

template <bool Backward>
inline void MixFramesGeneral(const int16_t* data, int64_t& x, int64_t step, int64_t* out, uint32_t m,
                             int32_t& left, int32_t& right, int32_t li, int32_t ri) {
    for (uint32_t i = 0; i < m; i++) {
        int64_t v = Interpolate(data, x);
        out[2 * i] += Contribution(v * left);
        out[2 * i + 1] += Contribution(v * right);
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
template <bool Backward>
inline void MixFramesWhole(const int16_t* data, int64_t& x, int64_t step, int64_t* out, uint32_t m,
                           int32_t left, int32_t right) {
    int64_t p = x;
    if (left == right) {
        for (uint32_t i = 0; i < m; i++) {
            int64_t c = Interpolate(data, p) * left;
            out[2 * i] += c;
            out[2 * i + 1] += c;
            p = Backward ? p - step : p + step;
        }
    } else if (left == 0) {
        for (uint32_t i = 0; i < m; i++) {
            out[2 * i + 1] += Interpolate(data, p) * right;
            p = Backward ? p - step : p + step;
        }
    } else if (right == 0) {
        for (uint32_t i = 0; i < m; i++) {
            out[2 * i] += Interpolate(data, p) * left;
            p = Backward ? p - step : p + step;
        }
    } else {
        for (uint32_t i = 0; i < m; i++) {
            int64_t v = Interpolate(data, p);
            out[2 * i] += v * left;
            out[2 * i + 1] += v * right;
            p = Backward ? p - step : p + step;
        }
    }
    x = p;
}

#if defined(__x86_64__)
// MixFramesWhole four frames at a time with AVX2: the same integer formula in
// every lane. A 32-bit gather reads each frame's sample and the one after it.
template <bool Backward>
__attribute__((target("avx2"))) void MixFramesWholeAvx2(const int16_t* data, int64_t& x, int64_t step,
                                                        int64_t* out, uint32_t m, int32_t left,
                                                        int32_t right) {
    int64_t p = x;
    uint32_t quads = m / 4;
    if (quads) {
        const int64_t s = Backward ? -step : step;
        __m256i pos = _mm256_set_epi64x(p + 3 * s, p + 2 * s, p + s, p);
        const __m256i advance = _mm256_set1_epi64x(4 * s);
        const __m256i odd = _mm256_setr_epi32(1, 3, 5, 7, 0, 0, 0, 0);   // high halves: the indices
        const __m256i even = _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0);  // low halves: the fractions
        const __m128i vl = _mm_set1_epi32(left), vr = _mm_set1_epi32(right);
        const int* base = reinterpret_cast<const int*>(data);
        for (uint32_t q = 0; q < quads; q++) {
            __m128i index = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(pos, odd));
            __m128i fraction = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(pos, even));
            __m128i pair = _mm_i32gather_epi32(base, index, 2);  // a in the low half, b in the high
            __m128i a = _mm_srai_epi32(_mm_slli_epi32(pair, 16), 16);
            __m128i b = _mm_srai_epi32(pair, 16);
            __m256i d = _mm256_cvtepi32_epi64(_mm_sub_epi32(b, a));
            __m256i f = _mm256_cvtepu32_epi64(_mm_srli_epi32(fraction, 1));
            __m256i product = _mm256_srli_epi64(_mm256_mul_epi32(d, f), 25);  // the low 32 bits are exact
            __m128i r = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(product, even));
            __m128i v = _mm_add_epi32(_mm_slli_epi32(a, 6), r);
            __m128i cl = _mm_mullo_epi32(v, vl), cr = _mm_mullo_epi32(v, vr);
            __m256i lo = _mm256_cvtepi32_epi64(_mm_unpacklo_epi32(cl, cr));
            __m256i hi = _mm256_cvtepi32_epi64(_mm_unpackhi_epi32(cl, cr));
            __m256i* o = reinterpret_cast<__m256i*>(out + 8 * size_t(q));
            _mm256_storeu_si256(o, _mm256_add_epi64(_mm256_loadu_si256(o), lo));
            _mm256_storeu_si256(o + 1, _mm256_add_epi64(_mm256_loadu_si256(o + 1), hi));
            pos = _mm256_add_epi64(pos, advance);
        }
        p += int64_t(4 * quads) * s;
        out += 8 * size_t(quads);
    }
    for (uint32_t i = 0; i < m % 4; i++) {
        int64_t v = Interpolate(data, p);
        out[2 * i] += v * left;
        out[2 * i + 1] += v * right;
        p = Backward ? p - step : p + step;
    }
    x = p;
}

const bool HasAvx2 = [] {
    __builtin_cpu_init();  // this may run before the library's own start-up code
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

template <bool Backward>
inline void MixFramesSteady(const int16_t* data, int64_t& x, int64_t step, int64_t* out, uint32_t m,
                            int32_t left, int32_t right) {
    if (left % 128 == 0 && right % 128 == 0) {
#if defined(__x86_64__)
        if (HasAvx2 && m >= 8) {
            MixFramesWholeAvx2<Backward>(data, x, step, out, m, left / 128, right / 128);
            return;
        }
#endif
        MixFramesWhole<Backward>(data, x, step, out, m, left / 128, right / 128);
        return;
    }
    int64_t p = x;
    for (uint32_t i = 0; i < m; i++) {
        int64_t v = Interpolate(data, p);
        out[2 * i] += Contribution(v * left);
        out[2 * i + 1] += Contribution(v * right);
        p = Backward ? p - step : p + step;
    }
    x = p;
}

template <bool Reference>
void MixOne(Voice& v, int64_t* out, uint32_t frames) {
    uint32_t r = frames;
    while (v.sample) {
        const SampleRecord* s = v.sample;
        int64_t x = VoicePosition(v);
        // 1. Distance to the next boundary.
        int64_t distance;
        if (v.direction == 0) {
            uint64_t loopEnd = uint64_t(s->loopStart) + s->loopLength;
            bool beforeLoopEnd = (x >> 32) < int64_t(loopEnd);
            distance = (beforeLoopEnd ? int64_t(loopEnd << 32) : int64_t(uint64_t(s->length) << 32)) - x;
        } else {
            distance = x - (int64_t(s->loopStart) << 32);
        }
        // A voice already beyond its boundary (a start offset past a shorter
        // sample or past the end of a loop it plays backwards) is left alone
        // for the rest of this call: it falls silent until its next note.
        if (distance < 0) return;
        // 2. The step, limited below 32.0; a step of 0 plays at about 40 Hz.
        uint32_t stepInteger = v.stepInteger, stepFraction = v.stepFraction;
        if (stepInteger > STEP_LIMIT_INTEGER) {
            stepInteger = STEP_LIMIT_INTEGER;
            stepFraction = 0xFFFFFFFF;
        }
        int64_t step = int64_t((uint64_t(stepInteger) << 32) | stepFraction);
        uint32_t shifted = uint32_t(uint64_t(step) >> 5);
        if (shifted == 0) {
            v.stepFraction = ZERO_STEP_FRACTION;
            step = ZERO_STEP_FRACTION;
            shifted = ZERO_STEP_SHIFTED;
        }
        // 3. Frames until the boundary is reached or passed; a distance of 0
        // is the boundary reached. The count is kept in 64 bits: a tiny step
        // can make it exceed 32.
        uint64_t f = 0;
        if (distance > 0) {
            uint64_t d = uint64_t(distance) >> 5;
            f = d / shifted + (d % shifted != 0 ? 1 : 0);
        }
        bool beyond = false;
        if (f != 0) {
            // 4.
            beyond = f > r;
            uint32_t m = beyond ? r : uint32_t(f);
            // 5. Volume ramp.
            uint32_t targets = (uint32_t(v.leftTarget) << 16) + uint32_t(v.rightTarget);
            if (v.rampLeft == 0 || targets != v.savedTargets) {
                v.savedTargets = targets;
                v.rightIncrement = (v.rightTarget * 128 - v.rightVolume) >> 7;
                v.leftIncrement = (v.leftTarget * 128 - v.leftVolume) >> 7;
                v.rampLeft = (v.rightIncrement || v.leftIncrement) ? RAMP_FRAMES : 0;
            }
            bool cut = false;
            if (v.rampLeft && m > v.rampLeft) {
                m = v.rampLeft;
                cut = true;
            }
            // 6. Mix.
            const int16_t* data = s->data;
            if (Reference || v.rampLeft) {
                if (v.direction)
                    MixFramesGeneral<true>(data, x, step, out, m, v.leftVolume, v.rightVolume,
                                           v.leftIncrement, v.rightIncrement);
                else
                    MixFramesGeneral<false>(data, x, step, out, m, v.leftVolume, v.rightVolume,
                                            v.leftIncrement, v.rightIncrement);
            } else if (v.leftVolume == 0 && v.rightVolume == 0) {
                // Silent: only the position moves, by exactly m steps.
                x = v.direction ? x - step * int64_t(m) : x + step * int64_t(m);
            } else if (v.direction) {
                MixFramesSteady<true>(data, x, step, out, m, v.leftVolume, v.rightVolume);
            } else {
                MixFramesSteady<false>(data, x, step, out, m, v.leftVolume, v.rightVolume);
            }
            StorePosition(v, x);
            // 7.
            r -= m;
            out += 2 * size_t(m);
            if (v.rampLeft) {
                v.rampLeft = uint16_t(v.rampLeft - m);
                if (v.rampLeft == 0) {
                    v.rightIncrement = 0;
                    v.leftIncrement = 0;
                }
            }
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

void MixVoice(Voice& voice, int64_t* dest, uint32_t frames) {
    MixOne<false>(voice, dest, frames);
}
void MixVoiceReference(Voice& voice, int64_t* dest, uint32_t frames) {
    MixOne<true>(voice, dest, frames);
}

void MixVoices(int64_t* dest, uint32_t frames) {
    uint32_t count = 2 * Song.channelCount;
    for (uint32_t i = 0; i < count; i++)
        if (Song.voices[i].sample) MixOne<false>(Song.voices[i], dest, frames);
}

void MixVoicesReference(int64_t* dest, uint32_t frames) {
    uint32_t count = 2 * Song.channelCount;
    for (uint32_t i = 0; i < count; i++)
        if (Song.voices[i].sample) MixOne<true>(Song.voices[i], dest, frames);
}
