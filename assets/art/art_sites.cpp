// art_sites.cpp - what the player builds on a site: three grades of gun and
// three grades of money building. Grades grow in size and detail and wear
// their grade colour, so the grade reads at a glance even at button size.
#include <cmath>

#include "art.h"

namespace art {

namespace {

// A gold coin with a "$", the mark of every money building.
void DrawCoin(Image& img, float cx, float cy, float r, Fonts& fonts) {
    Sdf coin = Circle(cx, cy, r);
    Fill(img, Grow(coin, 0.9f), Solid(Hex(0x5A4008)));
    Fill(img, coin, Bevel(coin, Radial(cx - r * 0.4f, cy - r * 0.4f, r * 1.6f, Hex(0xFFE890), Hex(0xC8901A)), r * 0.35f,
                          0.5f));
    TextFace& face = fonts.small;
    RenderedGlyph g;
    face.Render('$', g);
    int x = int(std::lround(cx - g.advance / 2.0f)), base = int(std::lround(cy + g.height / 2.0f - 1.0f));
    face.Draw(img, x, base, "$", Hex(0x6B4A00));
}

// A roof of four sloping facets, lit from the upper left.
Paint HipRoof(float cx, float cy, float hw, float hh, Rgba colour) {
    return [=](float x, float y) {
        float top = y - (cy - hh), bottom = (cy + hh) - y, left = x - (cx - hw), right = (cx + hw) - x;
        float m = std::min(std::min(top, bottom), std::min(left, right));
        float light = m == top ? 0.2f : m == left ? 0.08f : m == right ? -0.14f : -0.26f;
        Rgba c = Shade(colour, light);
        // Rows of tiles across each facet.
        if (std::fmod(m, 3.0f) < 0.7f) c = Shade(c, -0.12f);
        return c;
    };
}

}  // namespace

Image PaintGun(int grade, Fonts& /*fonts*/) {
    Image layer(48, 48);
    const Rgba accent = GradeColour(grade);
    // The heavy gun's emplacement fills the site, so it sits a little higher
    // to keep its pips inside the picture.
    const float half = 12.0f + 3.5f * grade, cy = grade == 3 ? 24.5f : 27.0f;
    // Concrete emplacement with a ring in the grade colour and grade pips.
    Sdf base = Box(24, cy, half, half * 0.92f, half * 0.45f);
    // Sandy concrete for the light guns, a dark armoured plate for the heavy one.
    const Rgba ground_plate = grade == 1 ? Hex(0xA29C8A) : grade == 2 ? Hex(0x8C8A84) : Hex(0x55524C);
    Fill(layer, base, Grain(Bevel(base, Solid(ground_plate), 2.5f, 0.45f), 4, 12, 0.1f, 100 + uint32_t(grade)));
    Fill(layer, Outline(Box(24, cy, half - 3.2f, half * 0.92f - 3.2f, half * 0.35f), 1.6f), Solid(accent));
    for (int i = 0; i < grade; ++i) {
        Sdf pip = Circle(24 - (grade - 1) * 3.5f + 7.0f * i, cy + half * 0.92f - 1.6f, 2.0f);
        Fill(layer, Grow(pip, 0.8f), Solid(Hex(0x1A1A18)));
        Fill(layer, pip, Solid(Shade(accent, 0.25f)));
    }
    // Barrels first, then the turret over their roots.
    // Olive for the light gun, blue steel for the middle one, dark gunmetal
    // with gold trim for the heavy one.
    const Rgba steel = grade == 1 ? Hex(0x7E8C70) : grade == 2 ? Hex(0x5E7C9A) : Hex(0x4C525C);
    auto barrel = [&](float x, float top, float r) {
        Sdf b = Capsule(x, cy - 2, x, top, r);
        Fill(layer, Grow(b, 0.9f), Solid(Hex(0x15181B)));
        Fill(layer, b, Linear(x - r, 0, Hex(0x8A949C), x + r, 0, Hex(0x30363C)));
    };
    float turret_r = 6.0f + 2.2f * grade;
    if (grade == 1) {
        barrel(24, 7, 1.9f);
    } else if (grade == 2) {
        barrel(20.5f, 5, 1.9f);
        barrel(27.5f, 5, 1.9f);
        Fill(layer, Box(24, 9, 5.6f, 1.3f, 0.5f), Solid(Hex(0x2A3036)));
    } else {
        barrel(24, 4, 3.0f);
        Sdf brake = Box(24, 4.5f, 4.6f, 2.2f, 0.8f);
        Fill(layer, Grow(brake, 0.9f), Solid(Hex(0x15181B)));
        Fill(layer, brake, Solid(Hex(0x4A525A)));
        Fill(layer, Box(24, 15, 3.9f, 1.5f, 0.5f), Solid(accent));
        // Side launch pods.
        for (float sx : {8.5f, 39.5f}) {
            Sdf pod = Box(sx, cy - 1, 2.8f, 6.5f, 1.2f);
            Fill(layer, Grow(pod, 0.9f), Solid(Hex(0x15181B)));
            Fill(layer, pod, Bevel(pod, Solid(Shade(steel, -0.1f)), 1.5f, 0.5f));
            for (int k = 0; k < 3; ++k) Fill(layer, Circle(sx, cy - 5 + 4.0f * k, 1.1f), Solid(Hex(0xC0402A)));
        }
    }
    Sdf turret = Circle(24, cy, turret_r);
    Fill(layer, Grow(turret, 1.0f), Solid(Hex(0x15181B)));
    Fill(layer, turret,
         Bevel(turret, Radial(24 - turret_r * 0.4f, cy - turret_r * 0.4f, turret_r * 1.8f, Shade(steel, 0.3f), steel),
               turret_r * 0.35f, 0.5f));
    if (grade >= 2) Fill(layer, Outline(Circle(24, cy, turret_r - 2.6f), 1.3f), Solid(accent));
    Sdf hatch = Circle(24 + turret_r * 0.3f, cy + turret_r * 0.3f, 1.6f + 0.4f * grade);
    Fill(layer, hatch, Bevel(hatch, Solid(Shade(steel, -0.3f)), 1.2f, 0.6f));
    Image img(48, 48);
    DrawLifted(img, layer, 2);
    return img;
}

Image PaintBuilding(int grade, Fonts& fonts) {
    Image layer(48, 48);
    const Rgba accent = GradeColour(grade);
    if (grade == 1) {
        // A small hut with a green ridge roof and a crate by the door.
        Sdf walls = Box(23, 25, 13, 11, 1.5f);
        Fill(layer, Grow(walls, 1.0f), Solid(Hex(0x1E1A14)));
        Fill(layer, walls, [&](float, float y) {
            Rgba roof = Shade(accent, -0.15f);
            Rgba c = y < 25 ? Shade(roof, 0.15f) : Shade(roof, -0.2f);
            if (std::fmod(std::fabs(y - 25), 3.0f) < 0.8f) c = Shade(c, -0.12f);
            return c;
        });
        Fill(layer, Capsule(11, 25, 35, 25, 0.8f), Solid(Hex(0x2E4A1E)));
        Sdf crate = Box(39.5f, 38.5f, 4, 4, 0.8f);
        Fill(layer, Grow(crate, 0.9f), Solid(Hex(0x1E1A14)));
        Fill(layer, crate, Bevel(crate, Solid(Hex(0x9A6A38)), 1.2f, 0.4f));
        Fill(layer, Union(Capsule(36.5f, 35.5f, 42.5f, 41.5f, 0.5f), Capsule(42.5f, 35.5f, 36.5f, 41.5f, 0.5f)),
             Solid(Hex(0x5A3A18)));
        DrawCoin(layer, 23, 25, 5.5f, fonts);
    } else if (grade == 2) {
        // A house with a blue hip roof, a chimney and a side shed.
        Sdf shed = Box(10, 37, 6, 5, 1);
        Fill(layer, Grow(shed, 1.0f), Solid(Hex(0x1E1A14)));
        Fill(layer, shed, HipRoof(10, 37, 6, 5, Hex(0x8A6A48)));
        Sdf house = Box(26, 23, 17, 15, 1.5f);
        Fill(layer, Grow(house, 1.0f), Solid(Hex(0x1E1A14)));
        Fill(layer, house, HipRoof(26, 23, 17, 15, Shade(accent, -0.1f)));
        Fill(layer, Capsule(28, 23, 24, 23, 0.7f), Solid(Shade(accent, -0.5f)));
        Sdf chimney = Box(36, 13, 2.6f, 2.6f, 0.5f);
        Fill(layer, Grow(chimney, 0.9f), Solid(Hex(0x1E1A14)));
        Fill(layer, chimney, Bevel(chimney, Solid(Hex(0xA0523A)), 1.0f, 0.4f));
        DrawCoin(layer, 26, 23, 6.5f, fonts);
    } else {
        // A bank: a white stone block, corner towers and a gold dome.
        Sdf block = Box(24, 24, 21, 21, 2.5f);
        Fill(layer, Grow(block, 1.0f), Solid(Hex(0x1E1A14)));
        Fill(layer, block, Grain(Bevel(block, Solid(Hex(0xE4DED0)), 3, 0.4f), 4, 12, 0.06f, 131));
        Fill(layer, Outline(Box(24, 24, 17, 17, 2), 1.2f), Solid(Hex(0xA89E88)));
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2) {
                Sdf tower = Circle(24 + sx * 17.0f, 24 + sy * 17.0f, 4.2f);
                Fill(layer, Grow(tower, 0.9f), Solid(Hex(0x1E1A14)));
                Fill(layer, tower, Bevel(tower, Solid(Shade(accent, -0.1f)), 2, 0.5f));
            }
        Sdf dome = Circle(24, 24, 12);
        Fill(layer, Grow(dome, 1.0f), Solid(Hex(0x3A2A08)));
        Fill(layer, dome, Bevel(dome, Radial(20, 20, 18, Hex(0xFFF0A8), Hex(0xB07E12)), 4, 0.45f));
        Fill(layer, Outline(Circle(24, 24, 8.5f), 1.0f), Solid(Hex(0x8A6210)));
        TextFace& face = fonts.caption;
        RenderedGlyph g;
        face.Render('$', g);
        face.Draw(layer, 24 - g.advance / 2, 24 + g.height / 2 - 1, "$", Hex(0x5A3E00));
    }
    Image img(48, 48);
    DrawLifted(img, layer, 2);
    return img;
}

}  // namespace art
