// xm_writer.h - builds small XM modules in memory for the player's tests,
// plus helpers to load them and step the song clock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct XmCell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
};

struct XmPattern {
    uint16_t rows = 64;
    std::vector<XmCell> cells;     // rows x channels; empty: written with packed size 0
    bool forcePackedSize = false;  // write packed size 1 even without cells
};

struct XmSample {
    std::vector<int16_t> data;  // values; written as 8-bit (high byte) unless sixteen
    bool sixteen = false;
    uint32_t loopStart = 0, loopLength = 0;  // in samples
    uint8_t loopType = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    std::vector<uint8_t> packed4;  // when non-empty: written as 4-bit packed data (table + bytes)
    uint32_t lengthOverride = 0;   // when non-zero: the header's length in samples
};

struct XmEnvelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    uint8_t countOverride = 0;  // when non-zero: the header's point count
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
};

struct XmInstrument {
    std::vector<XmSample> samples;
    uint8_t sampleForNote[96] = {};
    XmEnvelope volume, panning;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;
    uint32_t sampleHeaderSize = 40;
    uint32_t headerSize = 0;  // 0: the standard 263 with samples, 29 without
    uint16_t sampleCountOverride = 0;
};

struct XmModule {
    uint16_t songLength = 1, restart = 0, channels = 2, flags = 1, tempo = 6, bpm = 125;
    std::vector<uint8_t> orders{0};
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
    int patternCountOverride = -1, instrumentCountOverride = -1;
};

std::vector<uint8_t> BuildXm(const XmModule& m);

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
