// render.h - the music player for programs that want samples rather than
// sound: open one XM module, render it into a buffer of 48 kHz 16-bit
// stereo frames as fast as it goes, ask where the song is, close it. No
// audio device and no thread are involved.
//
// The player holds one song at a time: while MusicPlay has a song (from
// MusicPlay to the next MusicStop) opening a render is refused, and while a
// render is open MusicPlay returns 0 and plays nothing. Calls come from one
// thread at a time.
#pragma once
#include <cstdint>

#include "format.h"

constexpr uint32_t MUSIC_RENDER_RATE = OUTPUT_RATE;  // frames per second; a frame is left, right

struct MusicRenderOptions {
    bool noLoop = false;   // end at the song's end instead of jumping to its restart position
    bool onePass = false;  // end when playback comes back to an order and row it has already
                           // played, other than through a pattern loop (E6)
    bool referenceMixer = false;  // mix frame by frame with the reference mixer (for comparisons;
                                  // slower, and the samples are the same)
};

enum MusicRenderResult : int32_t {
    MUSIC_RENDER_OK = 0,
    MUSIC_RENDER_BUSY = 1,        // MusicPlay holds a song, or a render is already open
    MUSIC_RENDER_NO_FILE = 2,     // the file cannot be opened (errno tells why)
    MUSIC_RENDER_BAD_MODULE = 3,  // not an XM module this player can load (or over the heap's limit)
};

// Opens a module held in memory (the bytes are read during the call only) or
// a file. Loads it with the player's loader into the song heap, with the
// same limits as MusicPlay.
MusicRenderResult MusicRenderOpenMemory(const void* data, uint32_t size, const MusicRenderOptions& options);
MusicRenderResult MusicRenderOpenFile(const char* path, const MusicRenderOptions& options);

// Renders up to `frames` frames (2 x frames samples, left first) into `out`
// at a master volume index 0..25 (above 25 or negative counts as 25; the
// gains are those of MusicSetVolume). Returns the frames produced: all of
// them, fewer only when the song ends within them, then 0; also 0 when no
// render is open.
uint32_t MusicRender(int16_t* out, uint32_t frames, int32_t volume);

struct MusicRenderPosition {
    int32_t order;    // index in the order list of the row the last frame rendered belongs to
    int32_t row;      // that row (0, 0 before the first frame)
    uint64_t frames;  // frames rendered since the open
    bool ended;       // the song has ended (no-loop or one pass): MusicRender gives no more
};
MusicRenderPosition MusicRenderWhere();

// Frees the song. Nothing happens when no render is open.
void MusicRenderClose();

// The result as words, for messages ("MusicPlay holds a song", ...).
const char* MusicRenderResultText(MusicRenderResult result);
