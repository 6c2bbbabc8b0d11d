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

// Hooks of the song clock in player.cpp, for the renderer and the tests.
// Called when a row is about to start; returning false ends the song there,
// as the no-loop end does. byPatternLoop: the row was reached through E6.
extern bool (*RowStartHook)(int32_t order, int32_t row, bool byPatternLoop);
// Frames of the last FillBlock that hold song audio (1,024, or fewer for the
// block in which the song ended).
extern uint32_t LastBlockFrames;
// Frames rendered since the song was loaded (pauses excluded).
extern uint64_t SongFramesPlayed;
// Gain for a MusicSetVolume index (0..25; anything above counts as 25).
uint32_t VolumeGain(uint32_t index);
// Converts one mix value to an output sample with a gain.
int16_t ConvertSample(int64_t mixValue, uint32_t gain);
// The same for count values at once, as FillBlock converts a block (with the
// widest vector code the processor has).
void ConvertMixValues(const int64_t* mix, int16_t* out, uint32_t count, uint32_t gain);
