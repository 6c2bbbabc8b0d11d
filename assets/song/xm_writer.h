// xm_writer.h - an XM module as plain records, and its serialisation in the
// Extended Module layout (header, order table, packed patterns, instruments
// with their extended headers, delta-coded sample data).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace song {

constexpr int NOTE_NONE = 0;
constexpr int NOTE_KEY_OFF = 97;

struct Cell {
    uint8_t note = 0;  // 0 none, 1-96 (1 = C-0), 97 key-off
    uint8_t instrument = 0;
    uint8_t volume = 0;  // volume column byte
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells;  // rows x channels, row by row
    Cell& at(int row, int channel, int channels) { return cells[size_t(row) * channels + channel]; }
};

struct EnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0;
};

struct Envelope {
    std::vector<EnvelopePoint> points;  // at most 12
    bool sustain = false;
    bool loop = false;
    uint8_t sustainPoint = 0, loopStart = 0, loopEnd = 0;
};

enum class LoopType : uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
    std::string name;
    std::vector<int16_t> data;  // full 16-bit scale; 8-bit samples keep the high byte
    bool sixteenBit = true;
    LoopType loop = LoopType::None;
    uint32_t loopStart = 0, loopLength = 0;  // in samples
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

struct Instrument {
    std::string name;
    Sample sample;  // every instrument of this song has exactly one sample
    Envelope volumeEnvelope, panningEnvelope;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;
};

struct Module {
    std::string name;
    std::string tracker;
    int channels = 8;
    int restart = 0;
    bool linearFrequencies = true;
    int defaultSpeed = 6;
    int defaultBpm = 125;
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Packs one pattern's cells the usual way: a cell with all five fields
// present is written as five raw bytes, any other as a mask byte (bit 7 set)
// followed by the fields it marks.
std::vector<uint8_t> PackPattern(const Pattern& pattern, int channels);

// The whole module file. Throws std::runtime_error when the module breaks a
// limit of the format (too many orders, channels, envelope points, ...).
std::vector<uint8_t> WriteModule(const Module& module);

}  // namespace song
