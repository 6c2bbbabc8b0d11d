// mixer.h - MixVoices: resamples every sounding voice with linear
// interpolation in 32.32 fixed point, with 128-frame volume ramps and exact
// forward and ping-pong loops, adding into the stereo mix buffer.
//
// The mix buffer holds left, right pairs. Its sums are kept in 64 bits and
// saturated to the 32-bit range when a block is converted, so that many loud
// voices can never wrap around.
#pragma once
#include <cstdint>

#include "format.h"
#include "song.h"

constexpr uint32_t RAMP_FRAMES = 128;
// What a step of 0 plays at instead (about 40 Hz at 48 kHz).
constexpr uint32_t ZERO_STEP_FRACTION = 3579136;
constexpr uint32_t ZERO_STEP_SHIFTED = 111848;

// Adds frames of all voices at dest (2 x frames values). The frames lie
// within one tick.
void MixVoices(int64_t* dest, uint32_t frames);
// The same sums computed frame by frame straight from the formulas, with no
// shortcut: the yardstick the fast mixer is tested and measured against
// (the offline render's referenceMixer option).
void MixVoicesReference(int64_t* dest, uint32_t frames);

// The widest vector code the processor offers the fast mixer (0 none, 1 AVX2,
// 2 AVX-512 with word lanes), and the one the mixer and the conversion use:
// the widest, unless a test chose a lower one (testing.h). Read on the
// output thread.
int MixerVectorLevelAvailable();
int MixerVectorLevel();

// One voice, for tests: the same code paths as MixVoices.
void MixVoice(Voice& voice, int64_t* dest, uint32_t frames);
void MixVoiceReference(Voice& voice, int64_t* dest, uint32_t frames);
