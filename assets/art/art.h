// art.h - the painters of the game's textures and the look they share.
//
// One top-down look, lit from the upper left: soft drop shadows fall to the
// lower right, raised shapes carry a bevel, and every object has a dark
// outline so it reads on the olive ground. The player's side is steel with a
// grade colour (green, blue, gold for grades 1, 2, 3, on the site and on its
// shop button alike); the enemy is rust red.
#ifndef BROVASK_ASSETS_ART_H
#define BROVASK_ASSETS_ART_H

#include <string>

#include "raster.h"
#include "text.h"

namespace art {

// The grade colours and the shared palette.
Rgba GradeColour(int grade);  // 1..3
const Rgba kOutline = {0.09f, 0.09f, 0.08f, 0.85f};
const Rgba kShadow = {0.0f, 0.0f, 0.0f, 0.45f};

// Fonts for the captions drawn into textures (DejaVu Sans Bold).
struct Fonts {
    explicit Fonts(const std::string& font_dir);
    bool Ok() const;
    std::string Error() const;
    TextFace caption;  // button prices and amounts
    TextFace small;    // the "$" on coins
    TextFace label;    // "SELL"
};

// Adds a soft shadow under a finished object layer and draws both onto dst.
void DrawLifted(Image& dst, const Image& layer, int lift = 2);

// Each painter's comment names its entry of data/data.pak (brovask_pack.h).

// Battlefield (art_field.cpp).
Image PaintGround();       // GroundEntry: 128 x 128, repeats seamlessly
Image PaintBorder();       // BorderEntry: 16 x 64, repeats downwards
Image PaintFrontRow();     // FrontRowEntry: 48 x 48, repeats sideways
Image PaintEmptySite();    // EmptySiteEntry: 48 x 48, shown at alpha 120
Image PaintTank();         // TankEntry: 192 x 48, four track frames, facing down
Image PaintTrail();        // TrailEntry: 48 x 48, dust behind a tank, drawn at alpha 128
Image PaintShell();        // ShellEntry: 16 x 16, flying up

// Buildings on a site (art_sites.cpp).
Image PaintGun(int grade, Fonts& fonts);       // GunEntries: 48 x 48
Image PaintBuilding(int grade, Fonts& fonts);  // BuildingEntries: 48 x 48

// Shop strip (art_shop.cpp).
Image PaintPanelTile();  // PanelEntry: 64 x 64, light, repeats seamlessly
Image PaintHeader();     // HeaderEntry: 192 x 24
Image PaintSoundBox();   // SoundBoxEntry: 24 x 12, unticked and ticked
// BuildingButtonEntries, GunButtonEntries: 192 x 64, four states of 48 x 64 around an icon and a price.
Image PaintShopButton(const Image& icon, const std::string& price, int grade, Fonts& fonts);
// PatronsButtonEntries: 192 x 64, ammunition of the given pack size (1..3).
Image PaintAmmoButton(int pack, const std::string& amount, const std::string& price, Fonts& fonts);
Image PaintSellButton(Fonts& fonts);  // SellButtonEntry: 192 x 25

}  // namespace art

#endif
