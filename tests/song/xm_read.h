// xm_read.h - a small, strict XM reader used only by the song's tests and
// preview: it checks the file against the published layout as it goes and
// throws std::runtime_error naming the problem.
#pragma once
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace xmread {

struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Pattern {
    uint32_t headerLength = 0;
    uint8_t packingType = 0;
    int rows = 0;
    int packedSize = 0;
    int packedBytesUsed = 0;  // what unpacking rows x channels cells consumed
    int rawCells = 0, maskedCells = 0;
    std::vector<Cell> cells;  // rows x channels
    const Cell& at(int row, int ch, int channels) const { return cells[size_t(row) * channels + ch]; }
};

struct Point {
    int tick = 0, value = 0;
};

struct Envelope {
    std::array<Point, 12> points{};
    int count = 0, sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
    bool on() const { return (type & 1) && count >= 2; }
    bool hasSustain() const { return on() && (type & 2); }
    bool hasLoop() const { return on() && (type & 4); }
};

struct Sample {
    uint32_t lengthBytes = 0, loopStartBytes = 0, loopLengthBytes = 0;
    int volume = 0, finetune = 0, type = 0, panning = 0, relativeNote = 0, packing = 0;
    std::string name;
    bool sixteenBit() const { return type & 0x10; }
    int loopType() const { return type & 3; }
    uint32_t length() const { return sixteenBit() ? lengthBytes / 2 : lengthBytes; }
    uint32_t loopStart() const { return sixteenBit() ? loopStartBytes / 2 : loopStartBytes; }
    uint32_t loopLength() const { return sixteenBit() ? loopLengthBytes / 2 : loopLengthBytes; }
    std::vector<int16_t> data;  // decoded; 8-bit values scaled by 256
};

struct Instrument {
    uint32_t headerSize = 0;
    std::string name;
    int type = 0;
    uint32_t sampleHeaderSize = 0;
    std::array<uint8_t, 96> sampleForNote{};
    Envelope volume, panning;
    int vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    int fadeout = 0;
    std::vector<Sample> samples;
};

struct Module {
    std::string id, name, tracker;
    uint8_t marker = 0;
    int version = 0;
    uint32_t headerSize = 0;
    int songLength = 0, restart = 0, channels = 0, patternCount = 0, instrumentCount = 0, flags = 0;
    int defaultSpeed = 0, defaultBpm = 0;
    std::array<uint8_t, 256> orders{};
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    size_t bytesRead = 0, fileSize = 0;
};

// Parses a whole module. `what` names the source in error messages.
Module Parse(const std::vector<uint8_t>& bytes, const std::string& what);
std::vector<uint8_t> ReadFile(const std::string& path);

// Plays the order list through once, row by row, with speed and tempo
// changes and pattern delays (a tick lasts 2.5 / BPM seconds). The song must
// flow order by order (no jumps, breaks or pattern loops).
struct Timing {
    double seconds = 0;      // the whole pass
    double loopSeconds = 0;  // from the restart position to the end
    double lastRowSeconds = 0;
    int speedAtEnd = 0, bpmAtEnd = 0;
};
Timing TimePass(const Module& m);

}  // namespace xmread
