// synth.h - the song's sample synthesis: band-limited oscillators built from
// harmonics, seeded noise, simple filters and amplitude envelopes. Everything
// is deterministic: fixed seeds, no clock.
#pragma once
#include <cstdint>
#include <vector>

#include "xm_writer.h"

namespace song {

// Sample rate at which the one-shot drums are drawn; played at C-4 with a
// relative note of +24 they come out at exactly this rate.
constexpr double DRUM_RATE = 8363.0 * 4.0;
constexpr int DRUM_RELATIVE_NOTE = 24;

// Tuning of a looped waveform whose cycle is `cycle` samples long, so that
// note C-4 sounds at 261.63 Hz.
void TuneCycle(Sample& s, int cycle);

// Float samples (-1..1) to the sample's 16-bit data, scaled so that the peak
// reaches `peak`; for 8-bit samples the values are rounded to 8-bit steps.
void Store(Sample& s, const std::vector<double>& wave, double peak);

Sample LeadSample();
Sample BassSample();
Sample PadSample(uint32_t seed);
Sample PluckSample();
Sample KickSample();
Sample SnareSample();
Sample HatSample();
Sample CrashSample();
Sample TomSample();
Sample RiserSample();

}  // namespace song
