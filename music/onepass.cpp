// onepass.cpp - one flag per order and row played, for the one-pass rule.
#include "onepass.h"

#include <cstring>

#include "replayer.h"

namespace {
uint8_t Visited[256 * 256];  // order * 256 + row
}

bool OnePassFirstVisit(int32_t order, int32_t row, bool byPatternLoop) {
    if (order < 0 || order > 255 || row < 0 || row > 255) return true;
    uint8_t& seen = Visited[size_t(order) * 256 + size_t(row)];
    if (seen && !byPatternLoop) return false;
    seen = 1;
    return true;
}

void OnePassBegin() {
    memset(Visited, 0, sizeof Visited);
    RowStartHook = OnePassFirstVisit;
}

void OnePassEnd() {
    RowStartHook = nullptr;
}
