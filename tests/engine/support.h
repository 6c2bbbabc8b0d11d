// support.h - what the engine tests share: the engine loaded by name from
// build/data/halvex.dll exactly as the game loads it, tiny PNG and font files
// made in memory, and a harness that runs the engine's window loop around a
// test's load and draw code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "halvex_api.h"

// Every export of the engine, bound by name.
struct Halvex {
#define HX_FN(ret, name, params, game) PFN_##name name = nullptr;
    HALVEX_EXPORTS(HX_FN)
#undef HX_FN
};

// Loads the library once per process; aborts the test run if it cannot.
const Halvex& Engine();

// PNG colour types the writer can produce.
enum class PngKind { Grey, Palette, Rgb, Rgba };

// rgba holds width * height pixels as 0xRRGGBBAA. Grey uses the red channel,
// Palette builds a palette of the distinct colours (alpha via tRNS).
std::vector<uint8_t> MakePng(int width, int height, const std::vector<uint32_t>& rgba,
                             PngKind kind = PngKind::Rgba);

// A stream over a copy of bytes, in a block that lives for the whole process.
MemoryStream StreamOf(const std::vector<uint8_t>& bytes);
HxTexture LoadTexture(int width, int height, const std::vector<uint32_t>& rgba, PngKind kind = PngKind::Rgba,
                      uint32_t colour_key = 0xFF00FF);

// The test font: line height 8, baseline 7, one page of 32 x 8.
//  'A' box 4x6 at page (0,0), dx 0, dy 1, advance 5 - fully covered
//  'B' box 4x6 at page (4,0), dx 1, dy 1, advance 6 - fully covered
//  ' ' no box, advance 3;  '?' box 2x2 at page (8,0), advance 3
std::vector<uint8_t> MakeTestFont(uint32_t glyph_colour = 0xFFFFFFFF);
// The same page layout as a plain texture (for replacing page 0).
HxTexture MakeTestFontPage(uint32_t glyph_colour);

struct Rgba {
    int r, g, b, a;
};
Rgba ReadPixel(int x, int y);
// True when each channel of the pixel is within tolerance of 0xRRGGBB.
bool NearWithin(Rgba p, uint32_t rgb, int tolerance);
inline bool Near(Rgba p, uint32_t rgb) {
    return NearWithin(p, rgb, 3);
}
std::string Describe(Rgba p);

// Runs the engine loop in a window of width x height. load runs in the load
// callback; draw runs each frame with the frame number (from 1) and returns
// false to stop. A run that takes longer than timeout_ms is stopped and
// reported by the return value false.
bool RunWindow(const std::function<void()>& load, const std::function<bool(int)>& draw, int width = 320,
               int height = 240, int timeout_ms = 15000);

// Posts an input event into the engine's queue, as the window system would.
void PushMouseMove(int x, int y);
void PushMouseButton(int button, bool down, int x, int y);  // SDL button numbers
void PushKey(int sdl_scancode, bool down);
