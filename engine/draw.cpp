// draw.cpp - sprites and rectangles on the frame canvas.
//
// Sprites keep their own transparency (PNG alpha, colour key) always; the
// blend flag 0x100000 additionally applies the alpha argument. Without it a
// sprite is drawn at full strength, but its transparent pixels stay
// transparent, so a colour-keyed border never shows its key colour.
// Rectangles are always blended with their alpha. Angles are in degrees,
// clockwise, about the sprite's centre.
//
// batch2d_Begin / batch2d_End bracket drawing; every call draws at once, so
// nothing depends on them.
#include <algorithm>
#include <cmath>

#include "internal.h"

namespace hx {

void DrawTexturePart(Texture& t, const SDL_Rect& src, float x, float y, float w, float h, float angle,
                     uint8_t alpha, bool blend_alpha, bool flip_x, uint32_t colour) {
    if (!Engine.Renderer || w == 0 || h == 0) return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) return;
    SDL_Texture* gpu = GpuTexture(t);
    if (!gpu) return;
    // A negative size mirrors along that axis.
    int flip = flip_x ? SDL_FLIP_HORIZONTAL : SDL_FLIP_NONE;
    if (w < 0) {
        x += w;
        w = -w;
        flip ^= SDL_FLIP_HORIZONTAL;
    }
    if (h < 0) {
        y += h;
        h = -h;
        flip ^= SDL_FLIP_VERTICAL;
    }
    double degrees = std::isfinite(angle) ? angle : 0.0;
    SDL_Rect from = src;
    if (Engine.SoftwareRenderer && flip != SDL_FLIP_NONE && std::fmod(degrees, 360.0) == 0.0) {
        // The software renderer mirrors through temporary surfaces on every
        // call; a mirrored copy of the texture draws the same pixels directly.
        if (SDL_Texture* mirrored = MirroredTexture(t, flip)) {
            gpu = mirrored;
            if (flip & SDL_FLIP_HORIZONTAL) from.x = t.Width - src.x - src.w;
            if (flip & SDL_FLIP_VERTICAL) from.y = t.Height - src.y - src.h;
            flip = SDL_FLIP_NONE;
        }
    }
    uint8_t strength = blend_alpha ? alpha : 255;
    // An opaque texture drawn at full strength covers what lies below
    // exactly as a blend would, at the cost of a copy.
    bool copy = t.Opaque && strength == 255;
    // (Not for a mirrored copy: the faded copies are of the texture as it is.)
    if (Engine.SoftwareRenderer && gpu == t.Gpu && flip == SDL_FLIP_NONE && strength > 0 && strength < 255) {
        if (SDL_Texture* faded = FadedTexture(t, strength)) {
            gpu = faded;
            strength = 255;
        }
    }
    SDL_SetTextureBlendMode(gpu, copy ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetTextureAlphaMod(gpu, strength);
    SDL_SetTextureColorMod(gpu, uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour));
    SDL_FRect dst{x, y, w, h};
    if (flip == SDL_FLIP_NONE && degrees == 0.0)
        SDL_RenderCopyF(Engine.Renderer, gpu, &from, &dst);
    else
        SDL_RenderCopyExF(Engine.Renderer, gpu, &from, &dst, degrees, nullptr, SDL_RendererFlip(flip));
}

// Edges are rounded to whole pixels so a rectangle covers the same pixels
// on every renderer.
void FillRect(float x, float y, float w, float h, uint32_t colour, uint8_t alpha) {
    if (!Engine.Renderer) return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) return;
    // 64-bit rounding: long is 32 bits on Windows.
    long long x0 = std::llround(x), y0 = std::llround(y);
    long long x1 = std::llround(x + w), y1 = std::llround(y + h);
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    // Clip to a generous range first so the int conversion cannot overflow.
    const long long lim = 1 << 20;
    x0 = std::clamp(x0, -lim, lim), x1 = std::clamp(x1, -lim, lim);
    y0 = std::clamp(y0, -lim, lim), y1 = std::clamp(y1, -lim, lim);
    if (x1 == x0 || y1 == y0) return;
    SDL_SetRenderDrawBlendMode(Engine.Renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(Engine.Renderer, uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour),
                           alpha);
    SDL_Rect r{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
    SDL_RenderFillRect(Engine.Renderer, &r);
}

}  // namespace hx

using namespace hx;

extern "C" {

void batch2d_Begin(void) {}

void batch2d_End(void) {
    if (Engine.Renderer) SDL_RenderFlush(Engine.Renderer);
}

void spr_sDraw(HxTexture texture, float x, float y, float w, float h, float angle, uint8_t alpha,
               uint32_t flags) {
    Texture* t = GetTexture(texture);
    if (!t) return;
    SDL_Rect whole{0, 0, t->Width, t->Height};
    DrawTexturePart(*t, whole, x, y, w, h, angle, alpha, (flags & HX_FX_BLEND) != 0,
                    (flags & HX_FX_FLIPX) != 0);
}

void spr_aDraw(HxTexture texture, float x, float y, float w, float h, float angle, uint16_t frame,
               uint8_t alpha, uint32_t flags) {
    Texture* t = GetTexture(texture);
    if (!t) return;
    DrawTexturePart(*t, FrameRect(*t, frame), x, y, w, h, angle, alpha, (flags & HX_FX_BLEND) != 0,
                    (flags & HX_FX_FLIPX) != 0);
}

// Filled with HX_PR2D_FILL, else a one-pixel outline along the inside of the
// rectangle (its first and last rows and columns), each pixel drawn once.
void prim_Rect(float x, float y, float w, float h, uint32_t colour, uint8_t alpha, uint32_t flags) {
    if (flags & HX_PR2D_FILL) {
        FillRect(x, y, w, h, colour, alpha);
        return;
    }
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) return;
    float x0 = std::round(x), y0 = std::round(y);
    float x1 = std::round(x + w), y1 = std::round(y + h);
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    float rw = x1 - x0, rh = y1 - y0;
    if (rw <= 0 || rh <= 0) return;
    if (rw <= 2 || rh <= 2) {
        FillRect(x0, y0, rw, rh, colour, alpha);
        return;
    }
    FillRect(x0, y0, rw, 1, colour, alpha);
    FillRect(x0, y1 - 1, rw, 1, colour, alpha);
    FillRect(x0, y0 + 1, 1, rh - 2, colour, alpha);
    FillRect(x1 - 1, y0 + 1, 1, rh - 2, colour, alpha);
}

}  // extern "C"
