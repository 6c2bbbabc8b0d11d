// replayer.h - rows and ticks: the note, instrument, volume-column and
// effect logic of every channel, ending in UpdateVoice. FillBlock
// (player.cpp) owns the song clock and calls these at tick boundaries.
#pragma once
#include <cstdint>

#include "song.h"

// Tick 0 of a row, all channels. Returns the current pattern.
const PatternEntry* ProcessRow();
// Every later tick of a row, including the extra ticks of a pattern delay.
void ProcessTick();

// The vibrato and tremolo waveform value at a position (0..63) for a
// waveform number (the low two bits of the control nibble).
int32_t WaveformValue(uint32_t waveform, uint32_t position);
// Volume after one multi-retrig step with volume change x (1..15).
int32_t RetrigVolume(int32_t volume, uint32_t change);
