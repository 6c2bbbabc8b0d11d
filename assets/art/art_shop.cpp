// art_shop.cpp - the shop strip: its light panel tile, the section header bar,
// the buttons in their four states (normal, under the mouse, pressed,
// disabled) and the music check box.
//
// The buttons are drawn by the game at alpha 200 over the panel tile, so the
// plates are dark and solid to keep the icons and prices readable there.
#include <cmath>

#include "art.h"

namespace art {

namespace {

constexpr int kFrames = 4;
enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

const Rgba kPrice = Hex(0xFFE066);
const Rgba kTextShadow = Hex(0x000000, 0.85f);

// A button plate of one frame; returns the content offset (1 when pressed).
int DrawPlate(Image& img, int ox, int w, int h, int state, Rgba colour, float corner) {
    Rgba base = state == kHover ? Shade(colour, 0.14f) : state == kPressed ? Shade(colour, -0.18f) : colour;
    Sdf plate = Box(ox + w / 2.0f, h / 2.0f, w / 2.0f - 0.5f, h / 2.0f - 0.5f, corner);
    // Pressed plates are lit from below: the bevel turns inwards.
    float bevel = state == kPressed ? -0.35f : 0.4f;
    Fill(img, plate, Bevel(plate, Linear(0, 0, Shade(base, 0.08f), 0, float(h), Shade(base, -0.1f)), 2.5f, bevel));
    Rgba rim = state == kHover ? Hex(0xFFD54A) : Hex(0x12161A);
    Fill(img, Outline(Grow(plate, -0.6f), 1.2f), Solid(rim));
    return state == kPressed ? 1 : 0;
}

void CentredText(TextFace& face, Image& img, int cx, int baseline, const std::string& text, Rgba colour) {
    face.DrawCentred(img, cx, baseline, text, colour, kTextShadow);
}

// Finishes a set of four frames: the disabled frame is the normal one drained
// of colour and dimmed, so it reads as unavailable but stays legible.
void DisableFrame(Image& img, int w, int h) {
    Image normal = img.Crop(0, 0, w, h);
    Image grey = Brighter(Grey(normal, 0.25f), -0.25f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.At(kDisabled * w + x, y) = grey.At(x, y);
}

// A crate of upright shells: more shells for the bigger packs.
Image AmmoIcon(int pack) {
    Image layer(40, 32);
    const Rgba accent = GradeColour(pack);
    int shells = 1 + 2 * pack;
    float span = 32.0f, step = span / shells;
    for (int i = 0; i < shells; ++i) {
        float x = 20 - span / 2 + step * (i + 0.5f);
        float top = 5.0f + (i % 2) * 2.0f;
        Sdf body = Capsule(x, top + 3, x, 20, std::min(2.3f, step * 0.42f));
        Fill(layer, Grow(body, 0.8f), Solid(Hex(0x2A1A08)));
        Fill(layer, body, Linear(x - 2, 0, Hex(0xF2CF78), x + 2, 0, Hex(0xA8741E)));
        Fill(layer, Circle(x, top + 2.2f, std::min(1.9f, step * 0.36f)), Solid(Hex(0xC8643A)));
    }
    Sdf crate = Box(20, 24, 18, 6.5f, 1.2f);
    Fill(layer, Grow(crate, 0.9f), Solid(Hex(0x1E140A)));
    Fill(layer, crate, Grain(Bevel(crate, Solid(Hex(0x8E5E2E)), 1.5f, 0.4f), 3, 16, 0.12f, 150 + uint32_t(pack)));
    Fill(layer, Box(20, 24, 18, 1.6f), Solid(accent));
    Fill(layer, Box(5, 24, 0.6f, 6), Solid(Hex(0x4A2E12)));
    Fill(layer, Box(35, 24, 0.6f, 6), Solid(Hex(0x4A2E12)));
    Image img(40, 32);
    DrawLifted(img, layer, 1);
    return img;
}

}  // namespace

Image PaintPanelTile() {
    // A pale sheet of brushed metal: noise on a 64-pixel period so tiles meet
    // without a seam, and a faint per-row brushing that repeats with the tile.
    const int size = 64;
    Image img(size, size);
    const Rgba base = Hex(0xD8D2C4);
    for (int y = 0; y < size; ++y) {
        float row = ((Hash(uint32_t(y), 0, 171) & 1023) / 1023.0f - 0.5f) * 0.035f;
        for (int x = 0; x < size; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float cloud = TileFbm(px, py, 8, 8, 2, 173) - 0.5f;
            float speck = ((Hash(uint32_t(x), uint32_t(y), 177) & 1023) / 1023.0f - 0.5f) * 0.04f;
            img.At(x, y) = Shade(base, cloud * 0.06f + row + speck);
        }
    }
    return img;
}

Image PaintHeader() {
    const int w = 192, h = 24;
    Image img(w, h);
    Sdf bar = Box(w / 2.0f, h / 2.0f, w / 2.0f, h / 2.0f);
    Fill(img, bar, Grain(Linear(0, 0, Hex(0x4E5A66), 0, h, Hex(0x29313A)), 6, 32, 0.05f, 181));
    Fill(img, Box(w / 2.0f, 0.5f, w / 2.0f, 0.5f), Solid(Hex(0x8C99A6)));
    Fill(img, Box(w / 2.0f, h - 0.5f, w / 2.0f, 0.5f), Solid(Hex(0x0E1114)));
    Fill(img, Box(w / 2.0f, h - 3.5f, w / 2.0f - 20, 0.7f), Solid(Hex(0xE0B43A, 0.9f)));
    // Warning stripes at both ends and a bolt inside each.
    for (float ex : {0.0f, float(w - 14)}) {
        for (int s = -2; s < 6; ++s) {
            float x0 = ex + s * 6.0f;
            Sdf stripe = Intersect(Polygon({{x0, float(h)}, {x0 + 3, float(h)}, {x0 + 3 + h * 0.5f, 0}, {x0 + h * 0.5f, 0}}),
                                   Box(ex + 7, h / 2.0f, 7, h / 2.0f - 1));
            Fill(img, stripe, Solid(Hex(0xE8B82E)));
        }
        Fill(img, Outline(Box(ex + 7, h / 2.0f, 7, h / 2.0f - 1), 1), Solid(Hex(0x101316)));
    }
    for (float bx : {24.0f, float(w - 24)}) {
        Sdf bolt = Circle(bx, h / 2.0f - 1, 2.3f);
        Fill(img, Moved(bolt, 0.8f, 0.8f), Solid(Hex(0x000000, 0.5f)));
        Fill(img, bolt, Bevel(bolt, Solid(Hex(0x9AA4AE)), 1.6f, 0.5f));
    }
    return img;
}

Image PaintSoundBox() {
    Image img(24, 12);
    for (int f = 0; f < 2; ++f) {
        float ox = 12.0f * f;
        Sdf box = Box(ox + 6, 6, 5.2f, 5.2f, 1.5f);
        Fill(img, box, Linear(0, 1, Hex(0xFFFFFF), 0, 11, Hex(0xDEDAD0)));
        Fill(img, Outline(box, 1.1f), Solid(Hex(0x262626)));
        if (f == 1) {
            Sdf tick = Union(Capsule(ox + 3.2f, 6.0f, ox + 5.2f, 8.4f, 1.05f), Capsule(ox + 5.2f, 8.4f, ox + 9.0f, 3.4f, 1.05f));
            Fill(img, tick, Solid(Hex(0x1E8A36)));
        }
    }
    return img;
}

Image PaintShopButton(const Image& icon, const std::string& price, int grade, Fonts& fonts) {
    const int w = 48, h = 64;
    Image img(w * kFrames, h);
    Image small = Resize(icon, 40, 40);
    for (int state = kNormal; state <= kPressed; ++state) {
        int ox = state * w;
        int d = DrawPlate(img, ox, w, h, state, Hex(0x36414B), 4);
        // The grade colour as a bar along the top, as on the site.
        Fill(img, Box(ox + 24.0f, 4.0f + d, 15, 1.3f, 1), Solid(GradeColour(grade)));
        img.Draw(state == kHover ? Brighter(small, 0.08f) : small, ox + 4 + d, 6 + d);
        CentredText(fonts.caption, img, ox + 24 + d, 59 + d, price, state == kHover ? Hex(0xFFF2A0) : kPrice);
    }
    DisableFrame(img, w, h);
    return img;
}

Image PaintAmmoButton(int pack, const std::string& amount, const std::string& price, Fonts& fonts) {
    const int w = 48, h = 64;
    Image img(w * kFrames, h);
    Image icon = AmmoIcon(pack);
    for (int state = kNormal; state <= kPressed; ++state) {
        int ox = state * w;
        int d = DrawPlate(img, ox, w, h, state, Hex(0x36414B), 4);
        Fill(img, Box(ox + 24.0f, 4.0f + d, 15, 1.3f, 1), Solid(GradeColour(pack)));
        img.Draw(state == kHover ? Brighter(icon, 0.08f) : icon, ox + 4 + d, 5 + d);
        CentredText(fonts.caption, img, ox + 24 + d, 47 + d, amount, Hex(0xFFFFFF));
        CentredText(fonts.caption, img, ox + 24 + d, 60 + d, price, state == kHover ? Hex(0xFFF2A0) : kPrice);
    }
    DisableFrame(img, w, h);
    return img;
}

Image PaintSellButton(Fonts& fonts) {
    const int w = 48, h = 25;
    Image img(w * kFrames, h);
    for (int state = kNormal; state <= kPressed; ++state) {
        int ox = state * w;
        int d = DrawPlate(img, ox, w, h, state, Hex(0xA8352A), 4);
        CentredText(fonts.label, img, ox + 24 + d, 17 + d, "SELL", Hex(0xFFFFFF));
    }
    DisableFrame(img, w, h);
    return img;
}

}  // namespace art
