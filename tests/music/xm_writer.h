// xm_writer.h - the player's tests' side of the project's XM writer
// (assets/song/xm_writer.h: XmModule, BuildXm): small modules, and helpers
// to load them and step the song clock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "../../assets/song/xm_writer.h"

// A pattern of rows x channels empty cells.
XmPattern EmptyPattern(uint16_t rows, uint16_t channels);
XmCell& Cell(XmModule& m, size_t pattern, size_t row, size_t channel);
// One instrument with one sample used by every note.
XmInstrument SimpleInstrument(const XmSample& s);
XmSample Ramp(uint32_t length, int16_t step = 256);

// Loads the bytes through the memory source into a fresh song heap.
bool LoadBytes(const std::vector<uint8_t>& bytes);
// Renders blocks with the song clock; returns the number of FillBlock calls.
// A no-loop song ends by freeing itself (LoadBytes installs that end).
uint32_t RenderBlocks(uint32_t blocks);
// Frames the song clock has mixed since LoadBytes, counted by PlayBlocks.
extern uint64_t FramesPlayed;
// Steps the song clock (MixBlock, as FillBlock does) block by block until
// the song ends, when it is freed, or `blocks` blocks have passed; returns
// the frames of the last block.
uint32_t PlayBlocks(uint32_t blocks);
// Releases whatever song is loaded.
void UnloadSong();
std::vector<uint8_t> ReadFileBytes(const std::string& path);
