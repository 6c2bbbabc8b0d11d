// make_icon - paints the desktop icon: a heavy gun at the bottom of an olive
// tile firing a shell at a rust-red tank rolling down from the top, the
// game's own duel in one picture.
//
//   make_icon <folder> <size>...
//
// Writes <folder>/<size>.png for each size asked for (1 to 256). The icon is
// painted once at 256 pixels and scaled down by area, so every size shows the
// same picture. Deterministic like the rest of the art: fixed seeds, no clock.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "art.h"
#include "png_io.h"

namespace {

constexpr int kPaintSize = 256;

art::Image PaintIcon() {
    using namespace art;
    Image icon(kPaintSize, kPaintSize);
    // The ground: a rounded tile with a bevel, mottled like the battlefield.
    Sdf tile = Box(128, 128, 118, 118, 40);
    Fill(icon, Grow(tile, 3), Solid(Hex(0x1E2214)));
    Fill(icon, tile, Grain(Bevel(tile, Linear(0, 0, Hex(0x7E8A4C), 0, 256, Hex(0x55602E)), 10, 0.4f), 16, 16, 0.12f, 7));

    // The tank, facing down: tracks, hull, turret and a gun pointing at the player.
    const Rgba hull = Hex(0x9A4030), track = Hex(0x2A2927);
    Image tank(kPaintSize, kPaintSize);
    for (float tx : {88.0f, 168.0f}) {
        Sdf band = Box(tx, 70, 17, 50, 7);
        Fill(tank, band, Bevel(band, Solid(track), 4, 0.3f));
        for (int k = 0; k < 8; ++k) Fill(tank, Intersect(Box(tx, 30 + 12.0f * k, 14, 2), band), Solid(Hex(0x5A5750)));
    }
    Sdf body = Box(128, 70, 34, 48, 10);
    Fill(tank, body, Grain(Bevel(body, Solid(hull), 7, 0.45f), 8, 16, 0.08f, 71));
    Sdf barrel = Capsule(128, 80, 128, 138, 6);
    Fill(tank, Grow(barrel, 2.5f), Solid(Hex(0x1C1A18)));
    Fill(tank, barrel, Linear(122, 0, Hex(0x6A655E), 134, 0, Hex(0x2F2C29)));
    Sdf turret = Circle(128, 70, 27);
    Fill(tank, Grow(turret, 2.5f), Solid(Hex(0x2B1A14)));
    Fill(tank, turret, Bevel(turret, Radial(118, 58, 40, Shade(hull, 0.2f), Shade(hull, -0.1f)), 8, 0.5f));
    AddOutline(tank, kOutline, 2);
    icon.Draw(ShadowOf(tank, 5, 5, 5, kShadow), 0, 0);
    icon.Draw(tank, 0, 0);

    // The shell in flight between them, with its glow.
    Fill(icon, Circle(128, 160, 16), Radial(128, 160, 16, Hex(0xFFF2A0, 0.8f), Hex(0xFFB020, 0.0f)));
    Sdf shell = Capsule(128, 154, 128, 168, 5);
    Fill(icon, shell, Linear(123, 0, Hex(0xFFE890), 133, 0, Hex(0xC8901A)));

    // The player's heavy gun: a dark plate with a gold ring, barrel upwards.
    Image gun(kPaintSize, kPaintSize);
    const Rgba gold = GradeColour(3);
    Sdf plate = Box(128, 214, 46, 30, 14);
    Fill(gun, plate, Grain(Bevel(plate, Solid(Hex(0x55524C)), 6, 0.45f), 8, 16, 0.1f, 103));
    Fill(gun, Outline(Box(128, 214, 38, 22, 10), 4), Solid(gold));
    Sdf gun_barrel = Capsule(128, 208, 128, 178, 8);
    Fill(gun, Grow(gun_barrel, 2.5f), Solid(Hex(0x15181B)));
    Fill(gun, gun_barrel, Linear(120, 0, Hex(0x8A949C), 136, 0, Hex(0x30363C)));
    Sdf gun_turret = Circle(128, 214, 20);
    Fill(gun, Grow(gun_turret, 2.5f), Solid(Hex(0x15181B)));
    Fill(gun, gun_turret, Bevel(gun_turret, Radial(120, 206, 30, Hex(0x767E88), Hex(0x3A4048)), 6, 0.5f));
    AddOutline(gun, kOutline, 2);
    icon.Draw(ShadowOf(gun, 5, 5, 5, kShadow), 0, 0);
    icon.Draw(gun, 0, 0);
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icon <folder> <size>...\n");
        return 1;
    }
    const art::Image icon = PaintIcon();
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        if (size < 1 || size > kPaintSize) {
            std::fprintf(stderr, "make_icon: size \"%s\" is not 1 to %d\n", argv[i], kPaintSize);
            return 1;
        }
        art::Image scaled = size == kPaintSize ? icon : art::Resize(icon, size, size);
        std::vector<uint8_t> png;
        std::string error;
        std::string path = std::string(argv[1]) + "/" + std::to_string(size) + ".png";
        if (!art::EncodePng(scaled.ToRgba8(), size, size, png, error) || !art::WriteFile(path, png, error)) {
            std::fprintf(stderr, "make_icon: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
    }
    return 0;
}
