// raster.h - the small raster toolkit every art generator draws with.
//
// Images are straight-alpha RGBA in floats (0..1). Shapes are signed
// distance functions (negative inside, in pixels); filling a shape turns the
// distance at each pixel centre into coverage, which gives clean
// anti-aliased edges at any size. Paints are functions of the position, so
// gradients, noise and bevel light are all just paints. Everything here is
// deterministic: noise comes from an integer hash of a caller's seed.
#ifndef BROVASK_ASSETS_RASTER_H
#define BROVASK_ASSETS_RASTER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace art {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

// 0xRRGGBB with an alpha of 0..1.
Rgba Hex(uint32_t rgb, float alpha = 1.0f);
Rgba Mix(Rgba a, Rgba b, float t);   // linear blend of all four channels
Rgba Shade(Rgba c, float amount);    // > 0 towards white, < 0 towards black
Rgba WithAlpha(Rgba c, float alpha);
float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);

class Image {
public:
    Image() = default;
    Image(int width, int height, Rgba fill = {});
    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgba& At(int x, int y) { return pixels_[size_t(y) * width_ + x]; }
    const Rgba& At(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    // Source-over blend of colour c with the given extra coverage.
    void Blend(int x, int y, Rgba c, float coverage = 1.0f);
    // Blends a whole image over this one with its top-left at (x, y).
    void Draw(const Image& src, int x, int y, float opacity = 1.0f);
    Image Crop(int x, int y, int w, int h) const;
    // 8-bit RGBA rows top to bottom. Fully transparent pixels get transparent_rgb;
    // an opaque pixel never comes out as the colour key 0xFF00FF.
    std::vector<uint8_t> ToRgba8(uint32_t transparent_rgb = 0x000000) const;
    static Image FromRgba8(const uint8_t* data, int width, int height);

private:
    int width_ = 0, height_ = 0;
    std::vector<Rgba> pixels_;
};

// The key colour the engine turns transparent; art must never use it opaque.
constexpr uint32_t kColourKey = 0xFF00FF;

using Sdf = std::function<float(float x, float y)>;
using Paint = std::function<Rgba(float x, float y)>;

// --- shapes (distances in pixels, negative inside) ---
Sdf Circle(float cx, float cy, float r);
Sdf Ellipse(float cx, float cy, float rx, float ry);
Sdf Box(float cx, float cy, float half_w, float half_h, float corner = 0);
Sdf Capsule(float ax, float ay, float bx, float by, float r);
Sdf Polygon(std::vector<std::pair<float, float>> points);
Sdf Union(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);
Sdf Outline(Sdf s, float width);   // a band of the given width centred on the edge
Sdf Grow(Sdf s, float by);          // positive grows, negative shrinks
Sdf Moved(Sdf s, float dx, float dy);

// --- paints ---
Paint Solid(Rgba c);
Paint Linear(float x0, float y0, Rgba c0, float x1, float y1, Rgba c1);
Paint Radial(float cx, float cy, float r, Rgba inner, Rgba outer);
// Light falling from the upper left onto a raised shape: a band `width` pixels
// wide inside the edge is lit or shadowed by the edge's facing.
Paint Bevel(Sdf shape, Paint base, float width, float strength = 0.35f);
// Mottles a paint with tileable noise (period in pixels, amount in brightness).
Paint Grain(Paint base, float cell, int period, float amount, uint32_t seed);

// Fills a shape with a paint.
void Fill(Image& img, const Sdf& shape, const Paint& paint, float opacity = 1.0f);
// The same on a repeating tile: what crosses an edge comes back on the other side.
void FillWrapped(Image& img, const Sdf& shape, const Paint& paint, float opacity = 1.0f);

// --- noise and random numbers ---
// Value noise in 0..1 on a lattice of `cell` pixels that repeats every
// `period` lattice cells, so noise over an image of cell*period pixels tiles.
float TileNoise(float x, float y, float cell, int period, uint32_t seed);
// Several octaves of TileNoise, each half the cell size; 0..1.
float TileFbm(float x, float y, float cell, int period, int octaves, uint32_t seed);
uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0);

class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t Next();
    float Uniform(float lo, float hi);  // [lo, hi)
    int Int(int lo, int hi);            // [lo, hi]

private:
    uint32_t state_;
};

// --- image operations ---
// Dark ring of the given width around everything with alpha (for readability).
void AddOutline(Image& img, Rgba colour, int width = 1);
// A soft copy of the image's alpha in the given colour, shifted and blurred.
Image ShadowOf(const Image& img, int dx, int dy, int blur, Rgba colour);
// Area-averaged resize (premultiplied, so edges keep their colour).
Image Resize(const Image& src, int width, int height);
Image Grey(const Image& src, float fade);   // desaturated, faded towards mid grey
Image Brighter(const Image& src, float amount);
// Places a sprite at (x, y) and at its copies shifted by the size of dst, so
// drawings near an edge of a repeating tile wrap round to the opposite edge.
void DrawWrapped(Image& dst, const Image& sprite, int x, int y);

}  // namespace art

#endif
