/* halvex_api.h - the contract between the Halvex engine library
 * (build/data/halvex.dll) and the programs that load it by name.
 *
 * It holds the record layouts that both sides read and write (memory
 * stream, timer record, font record) and the one list of the engine's
 * exports with their C signatures (HALVEX_EXPORTS), from which the
 * function-pointer types are made. The engine defines functions of
 * exactly these types with C linkage; the game binds them with dlsym into
 * variables of these types. Nothing else is shared between the two.
 *
 * Handles: textures and widgets are 32-bit ids (0 = none). Timers and fonts
 * are pointers to the records below. Positions and sizes are floats in
 * window pixels, origin top left; colours 0xRRGGBB; alpha 0..255.
 */
#ifndef HALVEX_API_H
#define HALVEX_API_H

#include <stdint.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Error boxes block until they are closed. With the environment variable
 * HALVEX_NO_MESSAGEBOX set, neither the engine nor the game shows one (the
 * message still goes to stderr): tests set it. */
static inline int HxErrorBoxesWanted(void) {
    return getenv("HALVEX_NO_MESSAGEBOX") == NULL;
}

/* The longest edge of an image (a texture, a pack image) and of the window's
 * picture; bigger ones are refused or limited to it. */
#define HX_MAX_IMAGE_EDGE 16384

typedef uint32_t HxTexture; /* 0 = no texture */
typedef uint32_t HxWidget;  /* 0 = no widget; gui_Set* ignore 0 */

/* A block of bytes owned by the caller's record. Data is allocated by the
 * engine (mem_LoadFromFile, mem_Get) and never freed by the game. */
typedef struct MemoryStream {
    uint8_t* Data;
    uint32_t Size;     /* bytes in Data */
    uint32_t Position; /* read offset */
} MemoryStream;

/* Timer record. The second 32-bit field is the interval in milliseconds; the
 * game may overwrite it at any time and the next wait uses the new value. */
typedef struct HxTimerRecord {
    uint32_t Active;   /* 1 while the timer runs */
    uint32_t Interval; /* ms; values below 1 count as 1 */
    void (*OnTimer)(void);
    /* engine-private bookkeeping follows; the game never reads it */
    uint64_t NextDueNs;
} HxTimerRecord;
typedef HxTimerRecord* HxTimer;

/* Font record. Its second field points to the array of page textures; the
 * game overwrites entry 0 to draw the glyphs from a texture of its own. */
typedef struct HxFontRecord {
    uint32_t PageCount;
    HxTexture* Pages;
    void* Private; /* engine-private: glyph metrics */
} HxFontRecord;
typedef HxFontRecord* HxFont;

typedef void (*HxCallback)(void);                          /* engine events, timers */
typedef void (*HxWidgetCallback)(HxWidget widget, uint32_t event); /* event 3 = click */

/* Engine events for engine_device. */
#define HX_EVENT_LOAD 3
#define HX_EVENT_DRAW 4
#define HX_WIDGET_CLICK 3

/* Drawing flags. */
#define HX_FX_BLEND 0x100000u   /* alpha blending */
#define HX_FX_FLIPX 0x1u        /* mirror horizontally */
#define HX_PR2D_FILL 0x10000u   /* prim_Rect: filled; 0 = one-pixel outline */
#define HX_TEXT_ALIGN_CENTER 0x2u

/* --- the exports ---
 * Every C entry point of the engine, once, in the contract's order:
 *   X(return type, name, (parameters), called by the game: 1, or 0 for the
 *     ones only tools and tests call)
 * The argument order is the ABI. From this list come the function-pointer
 * types PFN_<name> below, the engine's declarations and export table, the
 * game's typed bindings and its missing-export check, and the tests' binding.
 * Keep every line of the list ending in a backslash. */
#define HALVEX_EXPORTS(X)                                                                         \
    /* main loop and window */                                                                    \
    X(void, engine_device, (uint32_t event, HxCallback callback), 1)                              \
    X(void, engine_disable, (uint32_t what), 1)                                                   \
    X(void, engine_start, (uint32_t fsaa, uint32_t stencil), 1)                                   \
    X(void, engine_stop, (void), 1)                                                               \
    X(void, wnd_SetCaption, (const char* caption), 1)                                             \
    X(void, wnd_ShowCursor, (uint8_t show), 1)                                                    \
    X(void, scr_SetOptions, (uint32_t width, uint32_t height, uint32_t refresh,                   \
                             uint8_t fullscreen, uint8_t vsync), 1)                               \
    /* Copies the current frame's pixels (what has been drawn so far this frame,                  \
     * or the last presented frame outside the draw callback) as RGBA8, rows top                  \
     * to bottom, into dst (w * h * 4 bytes). */                                                  \
    X(void, scr_ReadPixels, (uint8_t* dst, int32_t x, int32_t y, int32_t w, int32_t h), 0)        \
    /* timers */                                                                                  \
    X(HxTimer, timer_Add, (HxCallback callback, uint32_t interval_ms), 1)                         \
    /* input: PC scan codes (1 = Escape); buttons 0 left, 1 middle, 2 right */                    \
    X(uint8_t, key_Press, (uint8_t code), 1)                                                      \
    X(void, key_ClearState, (void), 1)                                                            \
    X(uint8_t, mouse_Down, (uint8_t button), 1)                                                   \
    X(void, mouse_ClearState, (void), 1)                                                          \
    /* memory streams; mem_Seek mode: 0 from start, 1 from end, 2 from position */                \
    X(void, mem_LoadFromFile, (MemoryStream* stream, const char* file_name), 1)                   \
    X(uint32_t, mem_Read, (MemoryStream* stream, void* buffer, uint32_t count), 1)                \
    X(uint32_t, mem_Seek, (MemoryStream* stream, int32_t offset, int32_t mode), 1)                \
    X(void, mem_Get, (MemoryStream* stream, uint32_t size), 1)                                    \
    /* textures and fonts */                                                                      \
    X(HxTexture, tex_LoadFromMemory, (MemoryStream* stream, const char* extension,                \
                                      uint32_t colour_key, uint32_t flags), 1)                    \
    X(void, tex_SetFrameSize, (HxTexture* texture, uint16_t frame_width, uint16_t frame_height), 1) \
    X(HxFont, font_LoadFromMemory, (MemoryStream* stream), 1)                                     \
    /* drawing */                                                                                 \
    X(void, batch2d_Begin, (void), 1)                                                             \
    X(void, batch2d_End, (void), 1)                                                               \
    X(void, spr_sDraw, (HxTexture texture, float x, float y, float w, float h, float angle,       \
                        uint8_t alpha, uint32_t flags), 1)                                        \
    X(void, spr_aDraw, (HxTexture texture, float x, float y, float w, float h, float angle,       \
                        uint16_t frame, uint8_t alpha, uint32_t flags), 1)                        \
    X(void, prim_Rect, (float x, float y, float w, float h, uint32_t colour, uint8_t alpha,       \
                        uint32_t flags), 1)                                                       \
    X(void, text_DrawEx, (HxFont font, float x, float y, float scale, float spacing,              \
                          const char* text, uint8_t alpha, uint32_t colour, uint32_t flags), 1)   \
    /* widgets */                                                                                 \
    X(HxWidget, gui_AddImage, (HxTexture texture, float x, float y, float w, float h,             \
                               uint8_t alpha, uint8_t visible, uint8_t enabled,                   \
                               HxWidgetCallback callback), 1)                                     \
    X(HxWidget, gui_AddCheckBox, (HxTexture texture, float x, float y, float w, float h,          \
                                  uint8_t alpha, uint8_t visible, uint8_t enabled,                \
                                  uint8_t checked, HxFont font, const char* caption,              \
                                  uint32_t caption_colour, uint8_t caption_alpha,                 \
                                  HxWidgetCallback callback), 1)                                  \
    X(void, gui_SetTexture, (uint32_t zero, HxWidget widget, HxTexture texture), 1)               \
    X(void, gui_SetAlpha, (uint32_t zero, HxWidget widget, uint8_t alpha), 1)                     \
    X(void, gui_SetVisible, (uint32_t zero, HxWidget widget, uint8_t visible), 1)                 \
    X(void, gui_SetEnable, (uint32_t zero, HxWidget widget, uint8_t enabled), 1)                  \
    X(void, gui_Calc, (void), 1)                                                                  \
    X(void, gui_Draw, (void), 1)

/* The function-pointer type of each export: PFN_engine_device and so on. */
#define HALVEX_DECLARE_PFN(ret, name, params, game) typedef ret(*PFN_##name) params;
HALVEX_EXPORTS(HALVEX_DECLARE_PFN)
#undef HALVEX_DECLARE_PFN

#ifdef __cplusplus
}
#endif

#endif /* HALVEX_API_H */
