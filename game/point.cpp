// point.cpp - build sites: their widgets, the selection and its frame.
#include "point.h"

#include "game.h"
#include "vars.h"

BuildSite BuildSites[SiteRows][SiteColumns];
SiteSelection Selection;

HxTexture EmptySiteTexture = 0;
HxTexture GunTexture1 = 0, GunTexture2 = 0, GunTexture3 = 0;
HxTexture BuildingTexture1 = 0, BuildingTexture2 = 0, BuildingTexture3 = 0;

// The site images (EmptySiteEntry, GunEntries, BuildingEntries) are all cut
// into 48 x 48 frames.
constexpr uint16_t SiteFrameSize = 48;

// The selection frame: an empty site is darkened, a building outlined.
constexpr uint32_t EmptyFrameColour = 0x000000;
constexpr uint32_t BuildingFrameColour = 0x00FF00;
constexpr uint8_t SelectionFrameAlpha = 100;

static HxTexture LoadSiteTexture(int32_t entry) {
    HxTexture texture = LoadPackTexture(entry);
    tex_SetFrameSize(&texture, SiteFrameSize, SiteFrameSize);
    return texture;
}

void CreateBuildSites() {
    // The sell button does not exist yet; hiding widget 0 has no effect.
    CloseSitePanel();
    EmptySiteTexture = LoadSiteTexture(EmptySiteEntry);
    GunTexture1 = LoadSiteTexture(GunEntries[0]);
    GunTexture2 = LoadSiteTexture(GunEntries[1]);
    GunTexture3 = LoadSiteTexture(GunEntries[2]);
    BuildingTexture1 = LoadSiteTexture(BuildingEntries[0]);
    BuildingTexture2 = LoadSiteTexture(BuildingEntries[1]);
    BuildingTexture3 = LoadSiteTexture(BuildingEntries[2]);
    for (int row = 0; row < SiteRows; row++)
        for (int column = 0; column < SiteColumns; column++)
            BuildSites[row][column].Widget =
                gui_AddImage(EmptySiteTexture, SiteX(column), SiteY(row), SiteSize, SiteSize, EmptySiteAlpha,
                             1, 1, OnSiteEvent);
}

void ResetBuildSite(int32_t row, int32_t column) {
    if (!SiteInGrid(row, column)) return;  // only sites of the grid are ever touched
    BuildSite& site = BuildSites[row][column];
    site.Life = 0;
    site.Damage = 0;
    site.Output = 0;
    site.Phase = ResetPhase;
    gui_SetTexture(0, site.Widget, EmptySiteTexture);
    gui_SetAlpha(0, site.Widget, EmptySiteAlpha);
}

void CloseSitePanel() {
    Selection.Row = -1;
    Selection.Column = -1;
    Selection.Panel = PanelNone;
    if (SellButton) gui_SetVisible(0, SellButton, 0);  // no sell button before the shop exists
}

void FindBuildSite(HxWidget widget, int32_t* row, int32_t* column) {
    *row = -1;
    *column = -1;
    for (int r = 0; r < SiteRows; r++)
        for (int c = 0; c < SiteColumns; c++)
            if (BuildSites[r][c].Widget == widget) {
                *row = r;
                *column = c;
                return;
            }
}

void OnSiteEvent(HxWidget widget, uint32_t event) {
    if (event != HX_WIDGET_CLICK) return;
    int32_t row, column;
    FindBuildSite(widget, &row, &column);
    // A widget that belongs to no site selects nothing.
    if (!SiteInGrid(row, column)) return;
    if (row == Selection.Row && column == Selection.Column) {
        CloseSitePanel();
        return;
    }
    Selection.Row = row;
    Selection.Column = column;
    const BuildSite& site = BuildSites[row][column];
    if (!(site.Output > 0)) {
        // The sell button keeps whatever visibility it had.
        Selection.Panel = PanelEmptySite;
        return;
    }
    if (site.Damage != 0) Selection.Panel = PanelGun;
    if (site.Output > 1) Selection.Panel = PanelMoneyBuilding;
    gui_SetVisible(0, SellButton, 1);
}

void DrawSelectionFrame() {
    float x = SiteX(Selection.Column), y = SiteY(Selection.Row);
    switch (Selection.Panel) {
        case PanelEmptySite:
            prim_Rect(x, y, SiteSize, SiteSize, EmptyFrameColour, SelectionFrameAlpha, HX_PR2D_FILL);
            break;
        case PanelGun:
        case PanelMoneyBuilding:
            prim_Rect(x, y, SiteSize, SiteSize, BuildingFrameColour, SelectionFrameAlpha, 0);
            break;
        default:
            break;
    }
}
