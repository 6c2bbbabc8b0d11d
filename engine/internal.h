// internal.h - what the engine's source files share with each other and never
// with the game: the engine state (window, renderer, the frame canvas), the
// texture table, the fatal-error exit, and the hooks between the main loop and
// the input, widget and drawing code. The game sees only include/halvex_api.h.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
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

uint64_t NowNs();  // monotonic clock

// ---- timers (window.cpp) ----
HxTimer AddTimer(HxCallback callback, uint32_t interval_ms);

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
#define HX_API __attribute__((visibility("default")))
extern "C" {
HX_API void engine_device(uint32_t event, HxCallback callback);
HX_API void engine_disable(uint32_t what);
HX_API void engine_start(uint32_t fsaa, uint32_t stencil);
HX_API void engine_stop(void);
HX_API void wnd_SetCaption(const char* caption);
HX_API void wnd_ShowCursor(uint8_t show);
HX_API void scr_SetOptions(uint32_t width, uint32_t height, uint32_t refresh, uint8_t fullscreen,
                           uint8_t vsync);
HX_API void scr_ReadPixels(uint8_t* dst, int32_t x, int32_t y, int32_t w, int32_t h);
HX_API HxTimer timer_Add(HxCallback callback, uint32_t interval_ms);
HX_API uint8_t key_Press(uint8_t code);
HX_API void key_ClearState(void);
HX_API uint8_t mouse_Down(uint8_t button);
HX_API void mouse_ClearState(void);
HX_API void mem_LoadFromFile(MemoryStream* stream, const char* file_name);
HX_API uint32_t mem_Read(MemoryStream* stream, void* buffer, uint32_t count);
HX_API uint32_t mem_Seek(MemoryStream* stream, int32_t offset, int32_t mode);
HX_API void mem_Get(MemoryStream* stream, uint32_t size);
HX_API HxTexture tex_LoadFromMemory(MemoryStream* stream, const char* extension, uint32_t colour_key,
                                    uint32_t flags);
HX_API void tex_SetFrameSize(HxTexture* texture, uint16_t frame_width, uint16_t frame_height);
HX_API HxFont font_LoadFromMemory(MemoryStream* stream);
HX_API void batch2d_Begin(void);
HX_API void batch2d_End(void);
HX_API void spr_sDraw(HxTexture texture, float x, float y, float w, float h, float angle, uint8_t alpha,
                      uint32_t flags);
HX_API void spr_aDraw(HxTexture texture, float x, float y, float w, float h, float angle, uint16_t frame,
                      uint8_t alpha, uint32_t flags);
HX_API void prim_Rect(float x, float y, float w, float h, uint32_t colour, uint8_t alpha, uint32_t flags);
HX_API void text_DrawEx(HxFont font, float x, float y, float scale, float spacing, const char* text,
                        uint8_t alpha, uint32_t colour, uint32_t flags);
HX_API HxWidget gui_AddImage(HxTexture texture, float x, float y, float w, float h, uint8_t alpha,
                             uint8_t visible, uint8_t enabled, HxWidgetCallback callback);
HX_API HxWidget gui_AddCheckBox(HxTexture texture, float x, float y, float w, float h, uint8_t alpha,
                                uint8_t visible, uint8_t enabled, uint8_t checked, HxFont font,
                                const char* caption, uint32_t caption_colour, uint8_t caption_alpha,
                                HxWidgetCallback callback);
HX_API void gui_SetTexture(uint32_t zero, HxWidget widget, HxTexture texture);
HX_API void gui_SetAlpha(uint32_t zero, HxWidget widget, uint8_t alpha);
HX_API void gui_SetVisible(uint32_t zero, HxWidget widget, uint8_t visible);
HX_API void gui_SetEnable(uint32_t zero, HxWidget widget, uint8_t enabled);
HX_API void gui_Calc(void);
HX_API void gui_Draw(void);
}
