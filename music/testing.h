// testing.h - what only the player's tests and benchmarks call: the game
// never does, and its link drops it.
#pragma once

// Makes the mixer and the conversion use a lower vector level than the
// processor offers (0 none, 1 AVX2, 2 AVX-512; see MixerVectorLevel), to
// compare every path with the reference. Safe while a song plays.
void SetMixerVectorLevel(int level);
