// tiny_xm.cpp - the player tests' little song, written through the signal
// path tests' XM writer.
#include "tiny_xm.h"

#include "../music/xm_writer.h"

namespace {

constexpr int SAMPLE_LENGTH = 64;
constexpr int FIRST_NOTE = 37;  // C-3
constexpr int NOTE_SPREAD = 24;

}  // namespace

std::vector<uint8_t> MakeTinyXm(const TinySong& song) {
    XmModule m;
    m.songLength = static_cast<uint16_t>(song.songLength);
    m.channels = static_cast<uint16_t>(song.channels);
    m.tempo = static_cast<uint16_t>(song.speed);
    m.bpm = static_cast<uint16_t>(song.bpm);
    m.flags = 1;  // linear frequencies; every order plays pattern 0
    for (int p = 0; p < song.patterns; ++p) {
        m.patterns.push_back(EmptyPattern(static_cast<uint16_t>(song.rows), m.channels));
        for (int row = 0; song.channels > 0 && row < song.rows; ++row) {
            XmCell& cell = Cell(m, static_cast<size_t>(p), static_cast<size_t>(row), 0);
            cell.note = static_cast<uint8_t>(FIRST_NOTE + row % NOTE_SPREAD);
            cell.instrument = 1;
        }
    }
    // A looped 8-bit saw-tooth from -96 to +93.
    XmSample saw;
    for (int i = 0; i < SAMPLE_LENGTH; ++i) saw.data.push_back(static_cast<int16_t>((-96 + i * 3) * 256));
    saw.loopStart = 0;
    saw.loopLength = SAMPLE_LENGTH;
    saw.loopType = 1;
    m.instruments.push_back(SimpleInstrument(saw));
    return BuildXm(m);
}
