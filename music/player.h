// player.h - state shared by the two halves of the player: the block
// renderer (FillBlock, player.cpp) and the control and output thread
// (MusicPlay/MusicStop/..., control.cpp). The game never includes this.
#pragma once
#include <atomic>
#include <cstdint>

#include "format.h"

constexpr uint32_t BLOCK_COUNT = 16;
constexpr uint32_t BLOCK_BYTES = BLOCK_FRAMES * 4;          // 4,096
constexpr uint32_t RING_BYTES = BLOCK_COUNT * BLOCK_BYTES;  // 65,536: the looping output buffer

extern int16_t OutputRing[RING_BYTES / 2];  // interleaved left, right
extern uint32_t WriteBlock;                 // block the next FillBlock renders, 0..15
extern std::atomic<uint8_t> PauseFlag;      // non-zero: render silence, song stands still
extern std::atomic<uint32_t> MasterGain;    // 1..32768; 0 = never set
extern std::atomic<uint32_t> StopRequest;   // non-zero asks the output thread to end
extern uint8_t NoLoop;                      // stop at the song's end instead of looping

// Who holds the one song there can be: MusicPlay from its start to the next
// MusicStop, or an offline render (render.h) from its open to its close.
// Each takes it only when it is free.
enum SongHolder : uint8_t { SONG_FREE = 0, SONG_PLAYING = 1, SONG_RENDERING = 2 };
extern std::atomic<uint8_t> SongOwner;

// Steps the song clock through the next block of up to 1,024 frames, mixing
// them with `mix` into the mix buffer (cleared first). Returns the frames
// mixed: 1,024, or fewer when the song ends in this block (no-loop flag or
// the row hook), which sets `ended`. The song's heap is left alone.
uint32_t MixBlock(void (*mix)(int64_t*, uint32_t), bool& ended);
// The rows whose first frame lies in the last mixed block, in order: that
// frame's place in the block, the order and the row (at most one a frame).
struct RowMark {
    uint32_t frame;
    int32_t order, row;
};
extern RowMark BlockRows[BLOCK_FRAMES];
extern uint32_t BlockRowCount;
// Converts `frames` frames of the last mixed block, from `firstFrame` on,
// to 16-bit samples at `gain` (1..32768).
void ConvertMixed(uint32_t firstFrame, uint32_t frames, uint32_t gain, int16_t* out);

// Renders one block of 1,024 frames into OutputRing at WriteBlock and
// advances WriteBlock. When the song ends with NoLoop set it calls
// SongEndHandler and returns without finishing the block.
void FillBlock();

// What FillBlock calls when a no-loop song ends (on the output thread, or on
// the caller's while MusicPlay prepares the ring). MusicPlay installs the
// control's handler, which marks the song finished, and MusicStop removes
// it.
extern void (*SongEndHandler)();

// The song clock's row hook: called when a row is about to start; returning
// false ends the song there, as the no-loop end does. byPatternLoop: the row
// was reached through E6. The one-pass render (onepass.h) sets it.
extern bool (*RowStartHook)(int32_t order, int32_t row, bool byPatternLoop);

// Gain for a MusicSetVolume index (0..25; anything above counts as 25).
uint32_t VolumeGain(uint32_t index);
// Converts one mix value to an output sample with a gain.
int16_t ConvertSample(int64_t mixValue, uint32_t gain);
// The same for count values at once, as FillBlock converts a block (with the
// widest vector code the processor has).
void ConvertMixValues(const int64_t* mix, int16_t* out, uint32_t count, uint32_t gain);

// True while a song is loaded (its heap exists).
bool SongLoaded();
