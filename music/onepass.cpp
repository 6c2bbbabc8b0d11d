// onepass.cpp - one flag per order and row played, for the one-pass rule.
#include "onepass.h"

#include <cstring>

#include "replayer.h"

namespace {
uint8_t Visited[256 * 256];  // order * 256 + row
}

bool OnePassFirstVisit(int32_t order, int32_t row, bool byPatternLoop) {
    if (order < 0 || order > 255 || row < 0 || row > 255) return true;
    uint8_t* rows = Visited + size_t(order) * 256;
    // A pattern loop plays its rows again, and the rows after its loop row
    // are then reached one by one: they count as new until the loop is done.
    // (A loop that never runs out plays until the render's time limit.)
    if (byPatternLoop) memset(rows + row, 0, 256 - size_t(row));
    if (rows[row]) return false;
    rows[row] = 1;
    return true;
}

void OnePassBegin() {
    memset(Visited, 0, sizeof Visited);
    RowStartHook = OnePassFirstVisit;
}

void OnePassEnd() {
    RowStartHook = nullptr;
}
