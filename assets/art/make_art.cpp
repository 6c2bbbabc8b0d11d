// make_art - paints the game's textures and writes the asset pack.
//
//   make_art <font folder> <glyph page.png> <data.pak>
//
// The pack holds 27 PNG entries, numbered from 1, in the order the game asks
// for them by number; entry 1 is the font's glyph page, copied byte for byte.
// Every texture is painted at the size the game draws it, frames side by side.
// The output depends on nothing but the inputs: fixed seeds, no clock.
#include <cstdio>
#include <string>
#include <vector>

#include "art.h"
#include "pack.h"
#include "png_io.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "make_art: %s\n", message.c_str());
    return 1;
}

struct Entry {
    const char* name;
    int width, height;
    art::Image image;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: make_art <font folder> <glyph page.png> <data.pak>");
    const std::string font_dir = argv[1], page_path = argv[2], pack_path = argv[3];

    std::vector<uint8_t> glyph_page;
    std::string error;
    if (!art::ReadFile(page_path, glyph_page, error)) return Fail(error);
    art::DecodedPng page;
    if (!art::DecodePng(glyph_page.data(), glyph_page.size(), page, error)) return Fail(page_path + ": " + error);

    art::Fonts fonts(font_dir);
    if (!fonts.Ok()) return Fail(fonts.Error());

    art::Image gun[4], building[4];
    for (int g = 1; g <= 3; ++g) {
        gun[g] = art::PaintGun(g, fonts);
        building[g] = art::PaintBuilding(g, fonts);
    }
    // Entries 2..27 in pack order (entry 1 is the glyph page).
    std::vector<Entry> entries = {
        {"money building button 1", 192, 64, art::PaintShopButton(building[1], "$100", 1, fonts)},
        {"money building button 2", 192, 64, art::PaintShopButton(building[2], "$300", 2, fonts)},
        {"money building button 3", 192, 64, art::PaintShopButton(building[3], "$600", 3, fonts)},
        {"gun button 1", 192, 64, art::PaintShopButton(gun[1], "$200", 1, fonts)},
        {"gun button 2", 192, 64, art::PaintShopButton(gun[2], "$500", 2, fonts)},
        {"gun button 3", 192, 64, art::PaintShopButton(gun[3], "$900", 3, fonts)},
        {"shell", 16, 16, art::PaintShell()},
        {"front row", 48, 48, art::PaintFrontRow()},
        {"panel tile", 64, 64, art::PaintPanelTile()},
        {"money building 1", 48, 48, building[1]},
        {"money building 2", 48, 48, building[2]},
        {"money building 3", 48, 48, building[3]},
        {"ammunition button 1", 192, 64, art::PaintAmmoButton(1, "+100", "$100", fonts)},
        {"ammunition button 2", 192, 64, art::PaintAmmoButton(2, "+210", "$200", fonts)},
        {"ammunition button 3", 192, 64, art::PaintAmmoButton(3, "+320", "$300", fonts)},
        {"sell button", 192, 25, art::PaintSellButton(fonts)},
        {"trail", 48, 48, art::PaintTrail()},
        {"empty site", 48, 48, art::PaintEmptySite()},
        {"border", 16, 64, art::PaintBorder()},
        {"tank", 192, 48, art::PaintTank()},
        {"header bar", 192, 24, art::PaintHeader()},
        {"gun 1", 48, 48, gun[1]},
        {"gun 2", 48, 48, gun[2]},
        {"gun 3", 48, 48, gun[3]},
        {"sound box", 24, 12, art::PaintSoundBox()},
        {"ground tile", 128, 128, art::PaintGround()},
    };

    std::vector<art::Bytes> blobs = {glyph_page};
    for (const Entry& e : entries) {
        if (e.image.Width() != e.width || e.image.Height() != e.height)
            return Fail(std::string(e.name) + " painted at the wrong size");
        art::Bytes png;
        if (!art::EncodePng(e.image.ToRgba8(), e.width, e.height, png, error))
            return Fail(std::string(e.name) + ": " + error);
        blobs.push_back(std::move(png));
    }
    if (!art::WriteFile(pack_path, art::BuildPack(blobs), error)) return Fail(error);
    return 0;
}
