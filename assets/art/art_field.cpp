// art_field.cpp - the battlefield: ground, borders, the front row, the empty
// build pad, the enemy tank with its dust, and the shell.
#include <cmath>

#include "art.h"

namespace art {

Rgba GradeColour(int grade) {
    switch (grade) {
        case 1: return Hex(0x6DB33F);  // green
        case 2: return Hex(0x3C8FE0);  // blue
        default: return Hex(0xF0B82E); // gold
    }
}

Fonts::Fonts(const std::string& dir)
    : caption(dir + "/DejaVuSans-Bold.ttf", 11), small(dir + "/DejaVuSans-Bold.ttf", 8),
      label(dir + "/DejaVuSans-Bold.ttf", 11) {}

bool Fonts::Ok() const { return caption.Ok() && small.Ok() && label.Ok(); }

std::string Fonts::Error() const {
    if (!caption.Ok()) return caption.Error();
    if (!small.Ok()) return small.Error();
    return label.Error();
}

void DrawLifted(Image& dst, const Image& layer, int lift) {
    dst.Draw(ShadowOf(layer, lift, lift, 1, kShadow), 0, 0);
    dst.Draw(layer, 0, 0);
}

// Per-pixel speckle that needs no wrapping: each pixel has its own value.
static float Speckle(int x, int y, uint32_t seed) { return (Hash(uint32_t(x), uint32_t(y), seed) & 1023) / 1023.0f - 0.5f; }

Image PaintGround() {
    const int size = 128;
    Image img(size, size);
    const Rgba grass = Hex(0x5B6A32), dry = Hex(0x7E7B45), dirt = Hex(0x86714F);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            // Broad variation stays gentle so the 128-pixel repeat does not
            // show as a pattern across the field; the finer patches carry it.
            float field = TileFbm(px, py, 32, 4, 4, 11);
            float patches = TileFbm(px, py, 16, 8, 3, 23);
            Rgba c = Mix(grass, dry, 0.25f + 0.5f * SmoothStep(0.2f, 0.8f, field));
            c = Mix(c, dirt, SmoothStep(0.55f, 0.72f, patches) * 0.7f);
            c = Shade(c, Speckle(x, y, 5) * 0.12f);
            img.At(x, y) = c;
        }
    Random rnd(2718);
    // Tufts of grass: a few short blades fanning upwards.
    for (int i = 0; i < 70; ++i) {
        float tx = rnd.Uniform(0, size), ty = rnd.Uniform(0, size);
        Rgba blade = rnd.Int(0, 2) ? Hex(0x44532A) : Hex(0x8E9C50);
        int blades = rnd.Int(3, 5);
        for (int b = 0; b < blades; ++b) {
            float angle = -1.5708f + rnd.Uniform(-0.8f, 0.8f), len = rnd.Uniform(2.5f, 5.0f);
            FillWrapped(img, Capsule(tx, ty, tx + std::cos(angle) * len, ty + std::sin(angle) * len, 0.45f),
                        Solid(blade), 0.8f);
        }
    }
    // Pebbles with a shadow to the lower right and a lit top.
    for (int i = 0; i < 26; ++i) {
        float px = rnd.Uniform(0, size), py = rnd.Uniform(0, size);
        float rx = rnd.Uniform(1.0f, 2.4f), ry = rx * rnd.Uniform(0.6f, 1.0f);
        Rgba stone = Shade(Hex(0x9C9384), rnd.Uniform(-0.15f, 0.15f));
        FillWrapped(img, Ellipse(px + 0.8f, py + 0.8f, rx, ry), Solid(Hex(0x000000, 0.35f)));
        Sdf s = Ellipse(px, py, rx, ry);
        FillWrapped(img, s, Bevel(s, Solid(stone), 1.2f, 0.4f));
    }
    return img;
}

Image PaintBorder() {
    const int w = 16, h = 64;
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba c = Mix(Hex(0x5C646B), Hex(0x353B41), x / float(w - 1));
            c = Shade(c, (TileNoise(x + 0.5f, y + 0.5f, 8, 8, 31) - 0.5f) * 0.12f + Speckle(x, y, 9) * 0.05f);
            if (x == 0) c = Shade(c, 0.25f);             // lit outer edge
            if (x >= w - 2) c = Shade(c, -0.45f);        // shadowed edge on the field's side
            if (y == 0) c = Shade(c, -0.35f);            // plate joint, once a plate
            if (y == 1) c = Shade(c, 0.18f);
            img.At(x, y) = c;
        }
    // A yellow warning stripe down the plate and two bolts.
    Fill(img, Box(10.5f, 32, 1.2f, 31), Solid(Hex(0xD6A92E, 0.85f)));
    for (float by : {16.0f, 48.0f}) {
        Sdf bolt = Circle(5.5f, by, 2.0f);
        Fill(img, Moved(bolt, 0.7f, 0.7f), Solid(Hex(0x000000, 0.4f)));
        Fill(img, bolt, Bevel(bolt, Solid(Hex(0x8A939B)), 1.5f, 0.5f));
    }
    return img;
}

Image PaintFrontRow() {
    const int size = 48;
    Image img(size, size);
    // Trampled earth behind the wall, fading into the ground below.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float fade = 1.0f - SmoothStep(10, 40, float(y));
            float n = TileNoise(x + 0.5f, y + 0.5f, 6, 8, 41);
            img.At(x, y) = Hex(0x3E3422, fade * (0.35f + 0.3f * n));
        }
    // Two courses of sandbags, the upper one offset by half a bag; bags that
    // cross the tile's sides continue on the neighbouring tile.
    Image bags(size, size);
    const Rgba sack = Hex(0xB09A6A);
    for (int course = 0; course < 2; ++course) {
        float cy = course ? 14.5f : 6.5f, offset = course ? 0.0f : 8.0f;
        for (int i = 0; i < 3; ++i) {
            float cx = offset + 16.0f * i;
            Sdf bag = Box(cx, cy, 7.3f, 3.8f, 3.2f);
            Paint p = Grain(Bevel(bag, Solid(Shade(sack, (i + course) % 2 ? -0.06f : 0.04f)), 2.2f, 0.4f), 3, 16, 0.1f,
                            51);
            FillWrapped(bags, bag, p);
            FillWrapped(bags, Capsule(cx - 4, cy - 0.3f, cx + 4, cy - 0.3f, 0.35f), Solid(Hex(0x6A5A3A, 0.6f)));
        }
    }
    // The wall's outline and shadow also wrap: draw them from a 3-wide strip.
    Image strip(size * 3, size);
    for (int k = 0; k < 3; ++k) strip.Draw(bags, k * size, 0);
    AddOutline(strip, Hex(0x3A3020, 0.8f), 1);
    Image lifted(size * 3, size);
    DrawLifted(lifted, strip, 2);
    img.Draw(lifted.Crop(size, 0, size, size), 0, 0);
    return img;
}

Image PaintEmptySite() {
    // Shown at alpha 120 over the ground, so it is drawn bright and with
    // strong edges: a pale concrete pad with yellow corner marks.
    Image img(48, 48);
    Sdf pad = Box(24, 24, 20.5f, 20.5f, 4);
    Fill(img, pad, Grain(Bevel(pad, Solid(Hex(0xD3D0C6)), 2.5f, 0.45f), 4, 12, 0.08f, 61));
    Fill(img, Outline(pad, 1.6f), Solid(Hex(0x2E2E2A)));
    Fill(img, Outline(Box(24, 24, 15, 15, 2), 0.9f), Solid(Hex(0x8E8B82)));
    const Rgba mark = Hex(0xF2C230);
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sy = -1; sy <= 1; sy += 2) {
            float cx = 24 + sx * 15.5f, cy = 24 + sy * 15.5f;
            Sdf corner = Union(Capsule(cx, cy, cx - sx * 6.0f, cy, 1.3f), Capsule(cx, cy, cx, cy - sy * 6.0f, 1.3f));
            Fill(img, Grow(corner, 0.8f), Solid(Hex(0x2E2E2A)));
            Fill(img, corner, Solid(mark));
        }
    Sdf plus = Union(Capsule(19, 24, 29, 24, 1.4f), Capsule(24, 19, 24, 29, 1.4f));
    Fill(img, plus, Solid(Hex(0x4A4A44)));
    return img;
}

Image PaintTank() {
    Image img(192, 48);
    const Rgba hull = Hex(0x8E3B2C), track = Hex(0x2A2927), cleat = Hex(0x5A5750);
    for (int f = 0; f < 4; ++f) {
        float ox = 48.0f * f;
        Image layer(192, 48);
        // Tracks: the cleats on top move one pixel towards the front (down)
        // each frame, a whole cleat pitch over the four frames.
        for (float tx : {11.5f, 36.5f}) {
            Sdf band = Box(ox + tx, 24, 5, 20.5f, 2);
            Fill(layer, band, Bevel(band, Solid(track), 1.5f, 0.3f));
            for (int k = -1; k < 11; ++k) {
                float cy = 4.5f + 4.0f * k + f;
                Fill(layer, Intersect(Box(ox + tx, cy, 4.2f, 0.7f), Grow(band, -0.8f)), Solid(cleat));
            }
            Fill(layer, Box(ox + tx, 24, 0.8f, 19), Solid(Hex(0x1A1918, 0.7f)));
        }
        // Hull with an engine deck at the rear (top) and a sloped glacis at the front.
        Sdf body = Box(ox + 24, 24, 10.5f, 19.5f, 3);
        Fill(layer, body, Grain(Bevel(body, Solid(hull), 2.5f, 0.45f), 4, 12, 0.08f, 71));
        Fill(layer, Box(ox + 24, 39.5f, 9, 3, 1.5f), Solid(Shade(hull, -0.25f)));
        for (int g = 0; g < 4; ++g) Fill(layer, Box(ox + 24, 6.5f + 2.2f * g, 6.5f, 0.55f), Solid(Hex(0x2B1A14, 0.8f)));
        // Turret, gun pointing down the screen, hatch and a commander's sight.
        Sdf turret = Union(Circle(ox + 24, 24, 8.5f), Box(ox + 24, 18, 6.5f, 4.5f, 2));
        Sdf barrel = Capsule(ox + 24, 27, ox + 24, 45, 1.9f);
        Fill(layer, Grow(barrel, 0.9f), Solid(Hex(0x1C1A18)));
        Fill(layer, barrel, Linear(ox + 22, 0, Hex(0x6A655E), ox + 26, 0, Hex(0x2F2C29)));
        Fill(layer, Box(ox + 24, 44.5f, 2.8f, 1.6f, 0.6f), Solid(Hex(0x2F2C29)));
        Fill(layer, Grow(turret, 0.9f), Solid(Hex(0x2B1A14)));
        Fill(layer, turret, Bevel(turret, Radial(ox + 21, 20, 12, Shade(hull, 0.18f), Shade(hull, -0.1f)), 3, 0.5f));
        Sdf hatch = Circle(ox + 20.5f, 20.5f, 2.8f);
        Fill(layer, hatch, Bevel(hatch, Solid(Shade(hull, -0.3f)), 1.5f, 0.6f));
        Fill(layer, Circle(ox + 28, 18.5f, 1.3f), Solid(Hex(0xD8D0A0)));
        AddOutline(layer, kOutline, 1);
        DrawLifted(img, layer, 2);
    }
    return img;
}

Image PaintTrail() {
    // Dust thrown up by both tracks, thick just behind the tank (the bottom of
    // the sprite touches its rear) and thinning out upwards into one cloud.
    // The game draws it at alpha 128, so the sprite itself is nearly opaque
    // at its densest and the plume still stays see-through on screen.
    Image img(48, 48);
    const Rgba dust = Hex(0xE2D3AE), dark = Hex(0xA39072);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float t = (48 - py) / 48.0f;  // 0 at the tank, 1 furthest behind
            float spread = 4.5f + 12.0f * t;
            auto plume = [&](float cx) { return std::exp(-(px - cx) * (px - cx) / (2 * spread * spread)); };
            float density = std::max(plume(11.5f), plume(36.5f)) + 0.7f * plume(24.0f) * t;
            density *= std::pow(1.0f - t, 0.9f);
            float n = TileFbm(px, py, 12, 4, 3, 81);
            density *= 0.6f + 0.9f * n;
            // Soft top edge, and a soft start where it meets the tank's deck.
            density *= SmoothStep(0, 10, py) * (0.6f + 0.4f * SmoothStep(48, 40, py));
            img.At(x, y) = WithAlpha(Mix(dust, dark, Clamp01(n * 1.3f - 0.3f)), Clamp01(density * 1.5f));
        }
    return img;
}

Image PaintShell() {
    Image img(16, 16);
    Fill(img, Circle(8, 7, 7.5f), Radial(8, 7, 7.5f, Hex(0xFFD27A, 0.55f), Hex(0xFF9A30, 0.0f)));
    Fill(img, Capsule(8, 10, 8, 15.5f, 2.2f), Linear(0, 10, Hex(0xFFC050, 0.95f), 0, 15.5f, Hex(0xFF4A10, 0.0f)));
    Sdf body = Capsule(8, 4.6f, 8, 10.6f, 2.4f);
    Fill(img, Grow(body, 0.8f), Solid(Hex(0x4A2A08, 0.9f)));
    Fill(img, body, Bevel(body, Linear(6, 0, Hex(0xF7D27A), 10, 0, Hex(0xB07A20)), 1.5f, 0.4f));
    Fill(img, Circle(8, 4.2f, 1.9f), Solid(Hex(0xFFF6D0)));
    return img;
}

}  // namespace art
