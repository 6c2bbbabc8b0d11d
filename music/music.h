// music.h - the music player's public operations: one XM module at a time,
// rendered to 48 kHz 16-bit stereo on the player's own output thread.
#pragma once
#include <cstdint>

// Play flags (third argument of MusicPlay).
constexpr uint32_t MUSIC_SOURCE_MEMORY = 1;  // source is a memory block of `size` bytes
constexpr uint32_t MUSIC_SOURCE_FILE = 2;    // source is a file name (bit 0 clear)
constexpr uint32_t MUSIC_NO_LOOP = 8;        // stop by itself at the song's end
constexpr uint32_t MUSIC_START_PAUSED = 16;  // start with the pause flag set
// Neither bit 0 nor bit 1: source names a linked-in resource (see source.h).

// Stops any song, loads the module and starts it. Non-zero on success, 0 on
// failure (bad module, no audio device, ...); the caller may ignore it.
uintptr_t MusicPlay(const void* source, uintptr_t size_or_module, uint32_t flags);
void MusicStop();
void MusicPause();
void MusicResume();
void MusicSetVolume(int32_t index);  // 0..25; above 25 (or negative) counts as 25
