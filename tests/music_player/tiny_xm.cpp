// tiny_xm.cpp - writes the little-endian XM layout: 336 bytes of header,
// packed patterns, then instruments with their sample headers and delta-coded
// sample data.
#include "tiny_xm.h"

#include <cstring>
#include <string>

namespace {

constexpr int SAMPLE_LENGTH = 64;
constexpr int INSTRUMENT_HEADER_SIZE = 263;
constexpr int SAMPLE_HEADER_SIZE = 40;
constexpr int FIRST_NOTE = 37;  // C-3
constexpr int NOTE_SPREAD = 24;

void Put16(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

}  // namespace

std::vector<uint8_t> MakeTinyXm(const TinySong& song) {
    std::vector<uint8_t> out;
    PutText(out, "Extended Module: ", 17);
    PutText(out, "tiny", 20);
    out.push_back(0x1A);
    PutText(out, "brovask tests", 20);
    Put16(out, 0x0104);
    Put32(out, 276);  // header size, counted from its own field
    Put16(out, song.songLength);
    Put16(out, 0);  // restart position
    Put16(out, song.channels);
    Put16(out, song.patterns);
    Put16(out, 1);  // instruments
    Put16(out, 1);  // linear frequencies
    Put16(out, song.speed);
    Put16(out, song.bpm);
    for (int i = 0; i < 256; ++i) out.push_back(0);  // every order plays pattern 0

    for (int p = 0; p < song.patterns; ++p) {
        std::vector<uint8_t> cells;
        for (int row = 0; row < song.rows; ++row) {
            for (int channel = 0; channel < song.channels; ++channel) {
                if (channel == 0) {
                    cells.push_back(0x80 | 0x01 | 0x02);  // note and instrument follow
                    cells.push_back(static_cast<uint8_t>(FIRST_NOTE + row % NOTE_SPREAD));
                    cells.push_back(1);
                } else {
                    cells.push_back(0x80);
                }
            }
        }
        Put32(out, 9);
        out.push_back(0);
        Put16(out, song.rows);
        Put16(out, static_cast<int>(cells.size()));
        out.insert(out.end(), cells.begin(), cells.end());
    }

    // The instrument: header, 208-byte extended header, padding to its size.
    size_t start = out.size();
    Put32(out, INSTRUMENT_HEADER_SIZE);
    PutText(out, "saw", 22);
    out.push_back(0);
    Put16(out, 1);  // samples
    Put32(out, SAMPLE_HEADER_SIZE);
    out.resize(start + INSTRUMENT_HEADER_SIZE, 0);  // keymap all sample 0, envelopes off
    // The sample header.
    Put32(out, SAMPLE_LENGTH);
    Put32(out, 0);              // loop start
    Put32(out, SAMPLE_LENGTH);  // loop length
    out.push_back(64);          // volume
    out.push_back(0);           // finetune
    out.push_back(1);           // forward loop, 8-bit
    out.push_back(128);         // panning
    out.push_back(0);           // relative note
    out.push_back(0);           // not packed
    PutText(out, "saw", 22);
    // Saw-tooth from -96 to +93, stored as deltas.
    int8_t previous = 0;
    for (int i = 0; i < SAMPLE_LENGTH; ++i) {
        int8_t value = static_cast<int8_t>(-96 + i * 3);
        out.push_back(static_cast<uint8_t>(value - previous));
        previous = value;
    }
    return out;
}
