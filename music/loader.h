// loader.h - XM module bytes to the in-memory song (song.h).
#pragma once
#include "song.h"

// Reads the module through the selected reader (it calls the reader's open
// itself; the caller closes it) into the song heap, which must exist, and
// sets the song clock to order 0, row 0, tick 0. False when the module is
// refused or an allocation fails.
bool LoadModule();

// Largest sample the loader accepts, in samples.
constexpr uint32_t MAX_SAMPLE_LENGTH = uint32_t(1) << 22;
