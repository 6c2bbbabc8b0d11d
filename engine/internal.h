// internal.h - what the engine's source files share with each other and never
// with the game: the engine state (window, renderer, the frame canvas), the
// texture table, the fatal-error exit, and the hooks between the main loop and
// the input, widget and drawing code. The game sees only include/halvex_api.h.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "halvex_api.h"

namespace hx {

// ---- engine state (window.cpp) ----
struct EngineState {
    SDL_Window* Window = nullptr;
    SDL_Renderer* Renderer = nullptr;
    SDL_Texture* Canvas = nullptr;  // GPU renderers: every frame is drawn here, then copied to the window
    // Pixel format of the renderer's textures: the window's own layout with
    // alpha on the software renderer, so its blitters take their fast paths.
    uint32_t TextureFormat = SDL_PIXELFORMAT_RGBA32;
    bool SoftwareRenderer = false;
    uint32_t Width = 800, Height = 600;
    uint8_t Fullscreen = 0;
    std::string Caption = "Halvex";
    bool CursorVisible = true;
    bool Running = false;
    bool StopRequested = false;
    uint32_t DisabledOptions = 0;
    HxCallback OnLoad = nullptr;
    HxCallback OnDraw = nullptr;
};
extern EngineState Engine;

// Prints "halvex: <message>" on stderr, shows it in a message box where a
// display exists (unless HALVEX_NO_MESSAGEBOX is set) and ends the process
// with exit code 1.
[[noreturn]] void Fatal(const std::string& message);

// ---- paths and files, one file per platform (files_<platform>.cpp) ----
// File names are UTF-8 whatever the platform.
// The folder the engine library was loaded from, with its trailing
// separator; "" when it cannot be told.
std::string LibraryFolder();
// A file name as messages show it: a relative name joined to the current
// folder, so that the message says which file was tried.
std::string FullPath(const char* file_name);
// fopen, for any name the platform's files can have.
std::FILE* OpenFile(const char* file_name, const char* mode);

// Maps a mouse position reported by SDL to the game's picture with the
// window's current size; false (and -1, -1) in a bar or outside.
bool MouseToGame(int x, int y, int& game_x, int& game_y);

// Monotonic clock (clock.cpp; the timer tests link a simulated one instead).
uint64_t NowNs();

// ---- timers (window.cpp) ----
HxTimer AddTimer(HxCallback callback, uint32_t interval_ms);
// Runs every active timer that is due at `now`, at most once each; the clock
// is read again after each call. A timer first seen here starts its first
// interval at `now`. Returns the earliest next due time (UINT64_MAX: none).
uint64_t RunDueTimers(uint64_t now);
// The main loop (window.cpp): one pass, and the close after the last one.
bool LoopPass(uint64_t early_ns, uint64_t& wake);
void LoopEnd();
// Runs passes until one returns false, then LoopEnd; one file per platform
// (loop_native.cpp, loop_web.cpp).
void RunLoop();

// ---- textures (texture.cpp) ----
struct Texture {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;          // RGBA8, rows top to bottom
    int FrameWidth = 0, FrameHeight = 0;  // 0 = one frame, the whole image
    bool Opaque = false;                  // every pixel has alpha 255
    SDL_Texture* Gpu = nullptr;           // made on first use by the current renderer
    // Mirrored copies for the software renderer, which would otherwise build
    // temporary surfaces on every mirrored draw: [0] left-right, [1] upside
    // down, [2] both.
    SDL_Texture* Mirrored[3] = {nullptr, nullptr, nullptr};
    // Copies with a constant alpha already applied, for the software
    // renderer, whose blend with a modulated alpha is several times slower
    // than a plain blend. A widget or sprite drawn at a fixed alpha each
    // frame finds its copy here; a few alphas per texture are kept.
    struct Faded {
        uint8_t Alpha;
        SDL_Texture* Tex;
    };
    std::vector<Faded> FadedCopies;
};
Texture* GetTexture(HxTexture id);    // null for 0 or an unknown id
SDL_Texture* GpuTexture(Texture& t);  // null without a renderer
// The texture mirrored by flip (SDL_FLIP_HORIZONTAL and/or SDL_FLIP_VERTICAL,
// not none); null without a renderer.
SDL_Texture* MirroredTexture(Texture& t, int flip);
// The texture with every pixel's alpha scaled by alpha/255; null when the
// texture already keeps as many such copies as it may.
SDL_Texture* FadedTexture(Texture& t, uint8_t alpha);
void ReleaseGpuTextures();  // before the renderer goes away
int FrameCount(const Texture& t);
SDL_Rect FrameRect(const Texture& t, int frame);  // frame numbers from 1; out of range wraps
// Decodes PNG bytes (grey, palette, RGB, RGBA; 8 or 16 bit) into RGBA8 and
// makes pixels equal to colour_key (0xRRGGBB) fully transparent. On failure
// returns false and sets reason.
bool DecodePng(const uint8_t* data, size_t size, uint32_t colour_key, bool use_key, Texture& out,
               std::string& reason);
HxTexture AddTexture(Texture&& t);
// Frees a texture; its id stays unused (the ids are positions in the table).
void DropTexture(HxTexture id);

// ---- memory blocks (memory.cpp) ----
// Usable bytes of a stream: Size, but never more than the block the engine
// allocated for Data when it knows that block.
uint32_t StreamLimit(const MemoryStream* stream);
std::string StreamName(const MemoryStream* stream);  // the file it came from, or "" if unknown

// ---- drawing (draw.cpp) ----
// Draws a source rectangle of a texture to a destination rectangle; alpha and
// colour modulate it. blend_alpha false draws at full strength.
void DrawTexturePart(Texture& t, const SDL_Rect& src, float x, float y, float w, float h, float angle,
                     uint8_t alpha, bool blend_alpha, bool flip_x, uint32_t colour = 0xFFFFFF);
void FillRect(float x, float y, float w, float h, uint32_t colour, uint8_t alpha);

// ---- fonts (font.cpp) ----
// A glyph's box in its page and its placement (the font file's glyph record).
struct Glyph {
    uint8_t Page;
    uint16_t X, Y;
    uint8_t W, H;
    int8_t Dx, Dy;
    uint8_t Advance;
};

// What a font record's Private points to.
struct FontMetrics {
    uint16_t LineHeight = 0;
    uint16_t Baseline = 0;
    std::unordered_map<uint32_t, Glyph> Glyphs;
};

float TextWidth(HxFont font, float scale, float spacing, const char* text);
float LineHeight(HxFont font, float scale);

// ---- input (input.cpp) ----
void InputHandleEvent(const SDL_Event& e);
void InputReset();
int MouseX();
int MouseY();
bool LeftButtonHeld();

// ---- widgets (gui.cpp) ----
void GuiMouseDown(int x, int y);
void GuiMouseUp(int x, int y);
void GuiMouseCancel();  // the button went up off the picture: no click
void GuiReset();  // forget presses and pending clicks (a new run of the loop)

}  // namespace hx

// ---- the exports (defined in the files of their concern) ----
// Declared from the one list in halvex_api.h; a definition whose parameters
// differ from its line there is a different function, and the library then
// fails to link (exports.cpp takes the address of every listed export).
// A Windows DLL exports what is marked dllexport; an ELF library what is
// visible (and listed in exports.map).
#ifdef _WIN32
#define HX_API __declspec(dllexport)
#else
#define HX_API __attribute__((visibility("default")))
#endif
#define HX_DECLARE_EXPORT(ret, name, params, game) HX_API ret name params;
extern "C" {
HALVEX_EXPORTS(HX_DECLARE_EXPORT)
}
#undef HX_DECLARE_EXPORT
