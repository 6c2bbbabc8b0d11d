// make_art - paints the game's textures and writes the asset pack.
//
//   make_art <font folder> <glyph page.png> <data.pak>
//
// The pack holds 27 PNG entries, numbered from 1 as brovask_pack.h numbers
// them for the game; entry 1 is the font's glyph page, copied byte for byte.
// The prices and amounts on the shop buttons come from the same header.
// Every texture is painted at the size the game draws it, frames side by side.
// The output depends on nothing but the inputs: fixed seeds, no clock.
#include <cstdio>
#include <string>
#include <vector>

#include "art.h"
#include "brovask_pack.h"
#include "pack.h"
#include "png_io.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "make_art: %s\n", message.c_str());
    return 1;
}

struct Entry {
    std::string name;  // empty: nothing painted for this number
    int width = 0, height = 0;
    art::Image image;
};

// A number after its sign, as the shop buttons show it: "$200", "+210".
std::string Signed(char sign, int32_t value) {
    std::string text(1, sign);
    text += std::to_string(value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: make_art <font folder> <glyph page.png> <data.pak>");
    const std::string font_dir = argv[1], page_path = argv[2], pack_path = argv[3];

    std::vector<uint8_t> glyph_page;
    std::string error;
    if (!art::ReadFile(page_path, glyph_page, error)) return Fail(error);
    art::DecodedPng page;
    if (!art::DecodePng(glyph_page.data(), glyph_page.size(), page, error))
        return Fail(page_path + ": " + error);

    art::Fonts fonts(font_dir);
    if (!fonts.Ok()) return Fail(fonts.Error());

    art::Image gun[4], building[4];
    for (int g = 1; g <= 3; ++g) {
        gun[g] = art::PaintGun(g, fonts);
        building[g] = art::PaintBuilding(g, fonts);
    }
    // Entries 2..27 by their numbers in brovask_pack.h (entry 1 is the glyph page).
    std::vector<Entry> entries(PackEntryCount + 1);
    for (int i = 0; i < Grades; ++i) {
        const int g = i + 1;
        const std::string grade = std::to_string(g);
        entries[BuildingButtonEntries[i]] = {
            "money building button " + grade, 192, 64,
            art::PaintShopButton(building[g], Signed('$', BuildingPrice[i]), g, fonts)};
        entries[GunButtonEntries[i]] = {"gun button " + grade, 192, 64,
                                        art::PaintShopButton(gun[g], Signed('$', GunPrice[i]), g, fonts)};
        entries[BuildingEntries[i]] = {"money building " + grade, 48, 48, building[g]};
        entries[PatronsButtonEntries[i]] = {
            "ammunition button " + grade, 192, 64,
            art::PaintAmmoButton(g, Signed('+', PatronsAmount[i]), Signed('$', PatronsPrice[i]), fonts)};
        entries[GunEntries[i]] = {"gun " + grade, 48, 48, gun[g]};
    }
    entries[ShellEntry] = {"shell", 16, 16, art::PaintShell()};
    entries[FrontRowEntry] = {"front row", 48, 48, art::PaintFrontRow()};
    entries[PanelEntry] = {"panel tile", 64, 64, art::PaintPanelTile()};
    entries[SellButtonEntry] = {"sell button", 192, 25, art::PaintSellButton(fonts)};
    entries[TrailEntry] = {"trail", 48, 48, art::PaintTrail()};
    entries[EmptySiteEntry] = {"empty site", 48, 48, art::PaintEmptySite()};
    entries[BorderEntry] = {"border", 16, 64, art::PaintBorder()};
    entries[TankEntry] = {"tank", 192, 48, art::PaintTank()};
    entries[HeaderEntry] = {"header bar", 192, 24, art::PaintHeader()};
    entries[SoundBoxEntry] = {"sound box", 24, 12, art::PaintSoundBox()};
    entries[GroundEntry] = {"ground tile", 128, 128, art::PaintGround()};

    static_assert(FontPageEntry == 1, "the glyph page is written first");
    std::vector<art::Bytes> blobs = {glyph_page};
    for (int number = FontPageEntry + 1; number <= PackEntryCount; ++number) {
        const Entry& e = entries[number];
        if (e.name.empty()) return Fail("no texture is painted for entry " + std::to_string(number));
        if (e.image.Width() != e.width || e.image.Height() != e.height)
            return Fail(e.name + " painted at the wrong size");
        art::Bytes png;
        if (!art::EncodePng(e.image.ToRgba8(), e.width, e.height, png, error))
            return Fail(e.name + ": " + error);
        blobs.push_back(std::move(png));
    }
    if (!art::WriteFile(pack_path, art::BuildPack(blobs), error)) return Fail(error);
    return 0;
}
