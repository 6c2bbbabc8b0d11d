// score.h - "Iron Column", Brovask's battle theme: the instruments and the
// composition, written as data (chords, melody lines, grooves) and turned
// into XM patterns.
#pragma once
#include "xm_writer.h"

namespace song {

// The whole module, samples included; the same bytes on every call.
Module ComposeSong();

}  // namespace song
