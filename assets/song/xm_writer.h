// xm_writer.h - the project's XM writer, used by the song generator and by
// the player's tests. Two levels:
//   - XmModule and BuildXm: a module as the Extended Module layout holds it
//     (header, order table, packed patterns, instruments with their extended
//     headers, delta-coded or 4-bit packed sample data), every count and size
//     written as given, so that a test can also write the damaged files a
//     player must survive (the *Override fields);
//   - song::Module and song::WriteModule: the game's song as plain records,
//     checked against the format's limits, then written through BuildXm.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
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
    std::string name = "sample";
    std::vector<int16_t> data;  // values; written as 8-bit (their high bytes) unless sixteen
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
    std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, value), at most 12 written
    uint8_t countOverride = 0;                          // when non-zero: the header's point count
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
};

struct XmInstrument {
    std::string name = "instrument";
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
    std::string name = "test", tracker = "xm_writer";
    uint16_t songLength = 1, restart = 0, channels = 2, flags = 1, tempo = 6, bpm = 125;
    std::vector<uint8_t> orders{0};
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
    int patternCountOverride = -1, instrumentCountOverride = -1;
};

// Packs cells the usual way: a cell with all five fields present is written
// as five raw bytes, any other as a mask byte (bit 7 set) followed by the
// fields it marks.
std::vector<uint8_t> PackCells(const std::vector<XmCell>& cells);

// The module file, exactly as described (no limit is checked).
std::vector<uint8_t> BuildXm(const XmModule& m);

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

// The whole module file. Throws std::runtime_error when the module breaks a
// limit of the format (too many orders, channels, envelope points, ...).
std::vector<uint8_t> WriteModule(const Module& module);

}  // namespace song
