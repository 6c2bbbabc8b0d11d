// channel.h - how a channel's state is heard: note periods and frequencies,
// the volume and panning envelopes, the instrument's auto-vibrato, and
// UpdateVoice, which writes a channel's trigger, volume, panning and pitch
// into its current voice at the end of every tick.
#pragma once
#include "format.h"
#include "song.h"

// Highest frequency a voice plays at: steps of 32.0 and more do not fit the
// mixer's distance arithmetic, so the step stops just below 32.
constexpr uint32_t MAX_FREQUENCY = 32 * OUTPUT_RATE - 1;

int32_t AmigaPeriod(int32_t realNote, const SampleRecord* sample);
int32_t LinearPeriod(int32_t realNote, const SampleRecord* sample);
// Period of a real note by the song's table (flag bit 0: linear).
int32_t NotePeriod(int32_t realNote, const SampleRecord* sample);
uint32_t PeriodToFrequency(int32_t period, int32_t periodDelta, bool linear);
void FrequencyToStep(uint32_t frequency, uint32_t& stepInteger, uint32_t& stepFraction);

// The instrument a channel plays: the empty instrument (no samples, both
// envelopes off) when its number does not exist.
const InstrumentRecord* ChannelInstrument(const ChannelState& ch);
// The sample that the channel's instrument maps its note to.
const SampleRecord* ChannelSample(const ChannelState& ch);

void EnvelopeStep(ChannelState& ch, const InstrumentRecord* ins, bool panning);
void SetEnvelopePosition(ChannelState& ch, const InstrumentRecord* ins, uint32_t position);
void UpdateVoice(ChannelState& ch, const SampleRecord* sample, const InstrumentRecord* ins);
