// onepass.cpp - one flag per order and row played, for the one-pass rule,
// and the states in which pattern loops jumped, to find loops that never end.
#include "onepass.h"

#include <cstring>

#include "player.h"
#include "replayer.h"

namespace {

uint8_t Visited[256 * 256];  // order * 256 + row

// Where a song goes is decided by its order and row and by the pattern-loop
// state of its channels (counter and loop row). A pattern-loop jump made
// twice in the same state repeats for ever. Only this many jump states are
// kept; a song with more plays on until the render's time limit.
constexpr uint32_t LOOP_STATES = 4096;
uint64_t LoopStates[LOOP_STATES];
uint32_t LoopStateCount = 0;

uint64_t LoopState(int32_t order, int32_t row) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a
    auto mix = [&h](uint32_t v) {
        for (int i = 0; i < 4; i++) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    mix(uint32_t(order));
    mix(uint32_t(row));
    for (uint32_t c = 0; c < Song.channelCount; c++) {
        mix(Song.channels[c].loopCounter);
        mix(uint32_t(Song.channels[c].loopRow));
    }
    return h;
}

}  // namespace

bool OnePassFirstVisit(int32_t order, int32_t row, bool byPatternLoop) {
    if (order < 0 || order > 255 || row < 0 || row > 255) return true;
    uint8_t* rows = Visited + size_t(order) * 256;
    if (byPatternLoop) {
        uint64_t state = LoopState(order, row);
        for (uint32_t i = 0; i < LoopStateCount; i++)
            if (LoopStates[i] == state) return false;  // a loop that never runs out
        if (LoopStateCount < LOOP_STATES) LoopStates[LoopStateCount++] = state;
        // The loop plays its rows again, and the rows after its loop row are
        // then reached one by one: they count as new until the loop is done.
        memset(rows + row, 0, 256 - size_t(row));
    }
    if (rows[row]) return false;
    rows[row] = 1;
    return true;
}

void OnePassBegin() {
    memset(Visited, 0, sizeof Visited);
    LoopStateCount = 0;
    RowStartHook = OnePassFirstVisit;
}

void OnePassEnd() {
    RowStartHook = nullptr;
}
