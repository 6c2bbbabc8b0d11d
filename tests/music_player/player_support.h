// player_support.h - helpers shared by the player's control tests: a render
// through the offline render with no thread or device (the reference the
// threaded output must match), and waiting for the output thread.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format.h"

constexpr uint32_t BLOCK_FRAMES_RENDERED = BLOCK_FRAMES;  // frames of one block of the ring
// Renders `blocks` blocks of a module (memory source, looping) through the
// offline render on the calling thread, at a volume index. Empty when the
// module does not load.
std::vector<int16_t> ReferenceRender(const std::vector<uint8_t>& module, uint32_t blocks, int32_t volume = 25);

// Polls `done` every millisecond until it holds or `limit` has passed.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

bool AllSilent(const std::vector<int16_t>& samples, size_t from, size_t count);
std::vector<uint8_t> ReadWholeFile(const std::string& path);
