// player.cpp - FillBlock: the song clock that steps the replayer tick by
// tick, the mixing of each block, and the conversion of the mix to 16-bit
// samples with the master gain. Also the master gain table.
#include "player.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "mixer.h"
#include "music.h"
#include "replayer.h"
#include "source.h"

int16_t OutputRing[RING_BYTES / 2];
uint32_t WriteBlock = 0;
std::atomic<uint8_t> PauseFlag{0};
std::atomic<uint32_t> MasterGain{0};
std::atomic<uint8_t> SongOwner{SONG_FREE};
uint8_t NoLoop = 0;

bool (*RowStartHook)(int32_t order, int32_t row, bool byPatternLoop) = nullptr;
void (*SongEndHandler)() = nullptr;

namespace {

// About 2 dB a step; index 0 is nearly, but not entirely, silent.
constexpr uint32_t GainTable[26] = {1,    130,  164,   207,   260,   328,   413,   519,  654,
                                    823,  1036, 1305,  1642,  2068,  2603,  3277,  4125, 5193,
                                    6538, 8231, 10362, 13045, 16423, 20675, 26029, 32768};
constexpr uint32_t MAX_VOLUME_INDEX = 25;
constexpr int64_t MIX_UNIT = 16320;  // a mix value this large becomes one output step
constexpr int64_t MIX_HALF = MIX_UNIT / 2;
constexpr int64_t OUTPUT_MAX = 32767;

int64_t MixBuffer[2 * BLOCK_FRAMES];

// The conversion of a whole block, written so that the compiler can turn it
// into vector code; an AVX2 copy is used where the processor has it. (The
// choice is made in code rather than by the loader's ifunc resolution, which
// runs too early for the sanitizer runtimes.)
// One mix value to an output sample: 32-bit mix sums saturate rather than
// wrap; |v| / 16,320 rounded half up is (|v| + 8,160) / 16,320, all of it in
// 32 unsigned bits; the magnitude is scaled by the gain, then signed.
__attribute__((always_inline)) inline int16_t ConvertOne(int64_t v, uint32_t gain) {
    v = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v;
    uint32_t a = uint32_t(v < 0 ? -v : v);
    uint32_t m = (a + uint32_t(MIX_HALF)) / uint32_t(MIX_UNIT);
    m = m > OUTPUT_MAX ? uint32_t(OUTPUT_MAX) : m;
    int32_t s = int32_t((m * gain) >> 15);
    return int16_t(v < 0 ? -s : s);
}

__attribute__((always_inline)) inline void ConvertValuesBody(const int64_t* in, int16_t* out, uint32_t count,
                                                             uint32_t gain) {
    for (uint32_t i = 0; i < count; i++) out[i] = ConvertOne(in[i], gain);
}

void ConvertValuesPlain(const int64_t* in, int16_t* out, uint32_t count, uint32_t gain) {
    ConvertValuesBody(in, out, count, gain);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void ConvertValuesAvx2(const int64_t* in, int16_t* out, uint32_t count,
                                                       uint32_t gain) {
    ConvertValuesBody(in, out, count, gain);
}
#endif

#if defined(__x86_64__)
// Eight values of the AVX-512 conversion: its saturating narrowing is the
// clamp to 32 bits; (|v| + 8,160) / 16,320 is ((|v| + 8,160) / 64) / 255,
// and below 255 x 32,768 (2^23) the single-precision quotient of that
// division is never off by enough to cross a whole number, so it is exact
// once truncated. Values at or above it give 32,767 either way.
__attribute__((target("avx2,avx512f,avx512vl"), always_inline)) inline __m256i ConvertEight(const int64_t* in,
                                                                                           __m256i gain) {
    const __m256i half = _mm256_set1_epi32(int32_t(MIX_HALF));
    const __m256i top = _mm256_set1_epi32(int32_t(255 * (OUTPUT_MAX + 1) - 1));
    __m256i v = _mm512_maskz_cvtsepi64_epi32(0xFF, _mm512_loadu_si512(in));
    __m256i x = _mm256_min_epi32(_mm256_srli_epi32(_mm256_add_epi32(_mm256_abs_epi32(v), half), 6), top);
    __m256i m = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(float(MIX_UNIT / 64))));
    return _mm256_sign_epi32(_mm256_srli_epi32(_mm256_mullo_epi32(m, gain), 15), v);
}

// Sixteen values a step, packed to 16 bits in registers (every value is in
// range, so the packing's saturation never acts).
__attribute__((target("avx2,avx512f,avx512vl"))) void ConvertValuesAvx512(const int64_t* in, int16_t* out,
                                                                          uint32_t count, uint32_t gain) {
    const __m256i g = _mm256_set1_epi32(int32_t(gain));
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256i packed = _mm256_packs_epi32(ConvertEight(in + i, g), ConvertEight(in + i + 8, g));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    ConvertValuesBody(in + i, out + i, count - i, gain);
}
#endif

void ConvertValues(const int64_t* in, int16_t* out, uint32_t count, uint32_t gain) {
#if defined(__x86_64__)
    // The mixer's choice of vector code holds for the conversion too.
    int level = MixerVectorLevel();
    if (level >= 2) return ConvertValuesAvx512(in, out, count, gain);
    if (level == 1) return ConvertValuesAvx2(in, out, count, gain);
#endif
    ConvertValuesPlain(in, out, count, gain);
}

void ConvertBlock(uint32_t frames) {
    int16_t* out = OutputRing + size_t(WriteBlock) * BLOCK_FRAMES * 2;
    // The gain is read once a block (21 ms): a change is heard with the ring's
    // latency of up to 320 ms anyway.
    ConvertValues(MixBuffer, out, 2 * frames, MasterGain.load(std::memory_order_relaxed));
    // What the song did not fill of an ending block is silence.
    if (frames < BLOCK_FRAMES) memset(out + 2 * frames, 0, size_t(BLOCK_FRAMES - frames) * 4);
}

// The song has ended (no-loop flag or the row hook): keep what was mixed of
// this block, then let the control side stop everything.
void EndSong(uint32_t frames) {
    ConvertBlock(frames);
    if (SongEndHandler) SongEndHandler();
}

}  // namespace

uint32_t VolumeGain(uint32_t index) {
    return GainTable[index > MAX_VOLUME_INDEX ? MAX_VOLUME_INDEX : index];
}

void MusicSetVolume(int32_t index) {
    MasterGain.store(VolumeGain(uint32_t(index)));
}

void ConvertMixValues(const int64_t* mix, int16_t* out, uint32_t count, uint32_t gain) {
    ConvertValues(mix, out, count, gain);
}

int16_t ConvertSample(int64_t value, uint32_t gain) {
    return ConvertOne(value, gain);
}

bool SongLoaded() {
    return SongHeapExists() && Song.voices;
}

RowMark BlockRows[BLOCK_FRAMES];
uint32_t BlockRowCount = 0;

uint32_t MixBlock(void (*mix)(int64_t*, uint32_t), bool& ended) {
    memset(MixBuffer, 0, sizeof MixBuffer);
    ended = false;
    BlockRowCount = 0;
    uint32_t done = 0;
    while (done < BLOCK_FRAMES) {
        if (Song.framesLeft == 0) {
            if (Song.tick == 0) {
                if (Song.nextOrder >= 0) Song.order = Song.nextOrder;
                if (Song.nextRow >= 0) Song.row = Song.nextRow;
                Song.nextOrder = -1;
                Song.nextRow = -1;
                bool byLoop = Song.patternLoopJump;
                Song.patternLoopJump = 0;
                // A break to a row the pattern does not have starts it
                // at row 0 instead.
                const PatternEntry& pattern = Song.patterns[Song.orderTable[Song.order]];
                if (Song.row < 0 || uint32_t(Song.row) >= pattern.rows) Song.row = 0;
                if (RowStartHook && !RowStartHook(Song.order, Song.row, byLoop)) {
                    ended = true;
                    return done;
                }
                const PatternEntry* current = ProcessRow();
                if (Song.nextRow < 0) {
                    if (uint32_t(Song.row) + 1 < current->rows) {
                        Song.nextRow = Song.row + 1;
                    } else if (Song.order + 1 < Song.songLength) {
                        Song.nextOrder = Song.order + 1;
                        Song.nextRow = 0;
                    } else if (NoLoop) {
                        ended = true;
                        return done;
                    } else {
                        Song.nextOrder = Song.restartPosition < Song.songLength ? Song.restartPosition : 0;
                        Song.nextRow = 0;
                    }
                }
                // Every tick mixes a frame at least, so the marks never outnumber the frames.
                BlockRows[BlockRowCount++] = {done, Song.order, Song.row};
            } else {
                ProcessTick();
            }
            // A tempo can never make a tick last no frames at all.
            Song.framesLeft = Song.framesPerTick ? Song.framesPerTick : 1;
            if (Song.tick + 1 >= Song.speed + Song.patternDelay) {
                Song.tick = 0;
                Song.patternDelay = 0;
            } else {
                Song.tick++;
            }
        }
        uint32_t n = BLOCK_FRAMES - done;
        if (Song.framesLeft < n) n = Song.framesLeft;
        mix(MixBuffer + 2 * done, n);
        Song.framesLeft -= n;
        done += n;
    }
    return done;
}

void ConvertMixed(uint32_t firstFrame, uint32_t frames, uint32_t gain, int16_t* out) {
    ConvertValues(MixBuffer + 2 * size_t(firstFrame), out, 2 * frames, gain);
}

void FillBlock() {
    if (!PauseFlag.load(std::memory_order_relaxed) && SongLoaded()) {
        bool ended = false;
        uint32_t frames = MixBlock(MixVoices, ended);
        if (ended) {
            EndSong(frames);
            return;
        }
    } else {
        memset(MixBuffer, 0, sizeof MixBuffer);
    }
    ConvertBlock(BLOCK_FRAMES);
    WriteBlock = (WriteBlock + 1) % BLOCK_COUNT;
}
