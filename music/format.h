// format.h - the player's output: 48,000 stereo frames a second, mixed and
// converted in blocks of 1,024 frames (the ring holds sixteen of them).
#pragma once
#include <cstdint>

constexpr uint32_t OUTPUT_RATE = 48000;  // frames per second; a frame is left, right
constexpr uint32_t BLOCK_FRAMES = 1024;  // the most frames one mixing call covers
