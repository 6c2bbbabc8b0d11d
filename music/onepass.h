// onepass.h - the rule by which a render plays one pass of a song, as other
// players do: many songs end by jumping back (Bxx to an earlier order), so
// the end of the order list alone never stops them. A pass ends when
// playback comes back to an order and row it has already played, other than
// through a pattern loop (E6): the rows a pattern loop repeats belong to the
// pass. A pattern loop that never runs out ends the pass when it jumps a
// second time in the same state (order, row, and every channel's loop
// counter and loop row).
#pragma once
#include <cstdint>

// Forgets every row played and installs the rule as the row-start hook of
// FillBlock; the song then ends, as with the no-loop flag, at the first row
// played twice.
void OnePassBegin();
// Removes the hook.
void OnePassEnd();
// The hook: true the first time an order and row starts (a pattern loop's
// jump makes its rows new again), false when the pass is over.
bool OnePassFirstVisit(int32_t order, int32_t row, bool byPatternLoop);
