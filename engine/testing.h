// testing.h - the engine's internal functions that only its tests and fuzz
// targets call. The game never frees a font (it keeps its one font for the
// whole run); a fuzz target that loads thousands must. They live in
// testing.cpp, which those programs build from source with the rest of the
// engine's files: halvex.dll does not carry them.
#pragma once

#include "halvex_api.h"

namespace hx {

// Frees a font that font_LoadFromMemory returned, with its page textures.
void FreeFont(HxFont font);

}  // namespace hx
