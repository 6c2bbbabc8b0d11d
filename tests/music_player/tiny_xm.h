// tiny_xm.h - builds small XM modules in memory for the player's tests: one
// channel, one instrument with a looped 8-bit saw-tooth sample, and a note
// on every row whose pitch climbs row by row, so that any shift in song
// position shows in the audio.
#pragma once
#include <cstdint>
#include <vector>

struct TinySong {
    int rows = 64;       // rows of the one pattern
    int speed = 1;       // ticks per row
    int bpm = 125;       // 120,000 / 125 = 960 frames per tick
    int songLength = 1;  // order entries (all pattern 0)
    int channels = 1;    // channel count in the header
    int patterns = 1;    // pattern count in the header
};

std::vector<uint8_t> MakeTinyXm(const TinySong& song = TinySong());

// Frames per row of a song at speed 1: 120,000 / bpm.
inline uint32_t FramesPerRow(const TinySong& song) {
    return static_cast<uint32_t>(song.speed * (120000 / song.bpm));
}
