// point.h - the grid of build sites at the bottom of the battlefield and the
// player's selection.
#pragma once

#include <cstdint>

#include "halvex.h"

constexpr int SiteRows = 3;
constexpr int SiteColumns = 12;
// Site (row, column) covers the 48 x 48 square at (16 + 48 column, 440 + 48 row).
constexpr float FieldLeft = 16;
constexpr float SiteTop = 440;
constexpr float SiteSize = 48;

// What a site holds follows from its values: Output > 0 means built,
// Damage != 0 a gun, Output > 1 a money building.
struct BuildSite {
    HxWidget Widget;
    float Life;
    float Output;   // gun: shell speed; money building: payout per cycle
    int32_t Phase;  // the CycleTick at which the site acts; -1 after a reset
    float Damage;   // gun: damage of each shell; 0 otherwise
};

// Panel kinds of the selection.
constexpr uint8_t PanelNone = 0;
constexpr uint8_t PanelEmptySite = 1;
constexpr uint8_t PanelGun = 2;
constexpr uint8_t PanelMoneyBuilding = 3;

struct SiteSelection {
    int32_t Row;     // -1 when nothing is selected
    int32_t Column;  // -1 when nothing is selected
    uint8_t Panel;
};

extern BuildSite BuildSites[SiteRows][SiteColumns];
extern SiteSelection Selection;

extern HxTexture EmptySiteTexture;
extern HxTexture GunTexture1, GunTexture2, GunTexture3;
extern HxTexture BuildingTexture1, BuildingTexture2, BuildingTexture3;

// Empty sites are shown half transparent, built ones opaque.
constexpr uint8_t EmptySiteAlpha = 120;
constexpr uint8_t BuiltSiteAlpha = 255;
constexpr int32_t ResetPhase = -1;

inline float SiteX(int column) {
    return FieldLeft + SiteSize * column;
}
inline float SiteY(int row) {
    return SiteTop + SiteSize * row;
}
inline bool SiteInGrid(int32_t row, int32_t column) {
    return row >= 0 && row < SiteRows && column >= 0 && column < SiteColumns;
}

void CreateBuildSites();
// Empties one site; the selection is left as it is.
void ResetBuildSite(int32_t row, int32_t column);
void CloseSitePanel();
// Row and column of the site whose widget is `widget`; both -1 if none.
void FindBuildSite(HxWidget widget, int32_t* row, int32_t* column);
void OnSiteEvent(HxWidget widget, uint32_t event);
void DrawSelectionFrame();
