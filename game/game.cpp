// game.cpp - shop, economy, gun fire and money payouts, life bars and info panels.
#include "game.h"

#include <cmath>
#include <string>

#include "boom.h"
#include "point.h"
#include "vars.h"

HxWidget GunButton1 = 0, GunButton2 = 0, GunButton3 = 0;
HxWidget BuildingButton1 = 0, BuildingButton2 = 0, BuildingButton3 = 0;
HxWidget PatronsButton1 = 0, PatronsButton2 = 0, PatronsButton3 = 0;
HxWidget SellButton = 0;

// Frame sizes of the shop button images (GunButtonEntries and the rest).
constexpr uint16_t ButtonFrameWidth = 48, ButtonFrameHeight = 64, SellFrameHeight = 25;

// Button layout: three columns, one row per section of the strip.
constexpr float ButtonColumnX[Grades] = {623, 680, 737};
constexpr float GunRowY = 30, BuildingRowY = 130, PatronsRowY = 230;
constexpr float ButtonWidth = 48, ButtonHeight = 64;
constexpr float SellX = 632, SellY = 364, SellWidth = 48, SellHeight = 25;
constexpr uint8_t ButtonAlpha = 200;

// Where a gun's shell starts: 14 pixels right of the site, 10 above it.
constexpr int32_t ShellStartX = 30, ShellStartY = 430;
constexpr int32_t ShellStartStep = static_cast<int32_t>(SiteSize);

// Life bars under built sites.
constexpr float SiteBarPixelsPerLife = 3;
constexpr float SiteBarCentreX = 40, SiteBarTop = 480, SiteBarHeight = 3;
constexpr uint32_t SiteBarColour = 0x00FF00, SiteBarFrameColour = 0x000000;
constexpr uint8_t SiteBarAlpha = 200;

// Info panel texts.
constexpr float PanelPriceX = 656, PanelPriceY = 340;
constexpr float PanelTextX = 700;
constexpr float PanelLineY[4] = {330, 346, 362, 378};
constexpr uint32_t PanelTextColour = 0x000000;
constexpr float PanelValueScale = 10;  // damage and shell speed are shown ten-fold

int32_t RoundToWhole(float value) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(value)));
}

static HxTexture LoadButtonTexture(int32_t entry, uint16_t frameHeight) {
    HxTexture texture = LoadPackTexture(entry);
    tex_SetFrameSize(&texture, ButtonFrameWidth, frameHeight);
    return texture;
}

void CreateShopWidgets() {
    HxTexture gun[Grades], building[Grades], patrons[Grades];
    for (int g = 0; g < Grades; g++) gun[g] = LoadButtonTexture(GunButtonEntries[g], ButtonFrameHeight);
    for (int g = 0; g < Grades; g++)
        building[g] = LoadButtonTexture(BuildingButtonEntries[g], ButtonFrameHeight);
    for (int g = 0; g < Grades; g++)
        patrons[g] = LoadButtonTexture(PatronsButtonEntries[g], ButtonFrameHeight);
    HxTexture sell = LoadButtonTexture(SellButtonEntry, SellFrameHeight);

    HxWidget* gunButtons[Grades] = {&GunButton1, &GunButton2, &GunButton3};
    HxWidget* buildingButtons[Grades] = {&BuildingButton1, &BuildingButton2, &BuildingButton3};
    HxWidget* patronsButtons[Grades] = {&PatronsButton1, &PatronsButton2, &PatronsButton3};
    for (int g = 0; g < Grades; g++)
        *gunButtons[g] = gui_AddImage(gun[g], ButtonColumnX[g], GunRowY, ButtonWidth, ButtonHeight,
                                      ButtonAlpha, 1, 1, OnGunButton);
    for (int g = 0; g < Grades; g++)
        *buildingButtons[g] = gui_AddImage(building[g], ButtonColumnX[g], BuildingRowY, ButtonWidth,
                                           ButtonHeight, ButtonAlpha, 1, 1, OnBuildingButton);
    for (int g = 0; g < Grades; g++)
        *patronsButtons[g] = gui_AddImage(patrons[g], ButtonColumnX[g], PatronsRowY, ButtonWidth,
                                          ButtonHeight, ButtonAlpha, 1, 1, OnPatronsButton);
    SellButton = gui_AddImage(sell, SellX, SellY, SellWidth, SellHeight, ButtonAlpha, 0, 1, OnSellButton);
}

void ChangeMoney(int32_t delta) {
    Money += delta;
    HxWidget gun[Grades] = {GunButton1, GunButton2, GunButton3};
    HxWidget building[Grades] = {BuildingButton1, BuildingButton2, BuildingButton3};
    HxWidget patrons[Grades] = {PatronsButton1, PatronsButton2, PatronsButton3};
    for (int g = 0; g < Grades; g++) gui_SetEnable(0, gun[g], Money >= GunPrice[g]);
    for (int g = 0; g < Grades; g++) gui_SetEnable(0, building[g], Money >= BuildingPrice[g]);
    for (int g = 0; g < Grades; g++) gui_SetEnable(0, patrons[g], Money >= PatronsPrice[g]);
}

int32_t PhaseForPurchase() {
    // On the tick the counter has just wrapped to 0, "the tick before" is
    // 400: the building then acts once a cycle, 400 ticks after purchase,
    // like every other building (-1 would never act).
    if (CycleTick == 0) return LastCycleTick;
    if (CycleTick == 1) return 1;
    return CycleTick - 1;
}

// Grade index 0..2 of a widget among three buttons, -1 if none of them.
static int GradeOf(HxWidget widget, HxWidget grade1, HxWidget grade2, HxWidget grade3) {
    if (widget == 0) return -1;
    if (widget == grade1) return 0;
    if (widget == grade2) return 1;
    if (widget == grade3) return 2;
    return -1;
}

// Builds on the selected empty site and closes the selection.
static void BuildOnSelectedSite(HxTexture texture, float damage, float output, int32_t price) {
    BuildSite& site = BuildSites[Selection.Row][Selection.Column];
    gui_SetTexture(0, site.Widget, texture);
    gui_SetAlpha(0, site.Widget, BuiltSiteAlpha);
    site.Damage = damage;
    site.Life = BuiltSiteLife;
    site.Output = output;
    ChangeMoney(-price);
    site.Phase = PhaseForPurchase();
    CloseSitePanel();
}

static bool EmptySiteSelected() {
    return Selection.Panel == PanelEmptySite && SiteInGrid(Selection.Row, Selection.Column);
}

void OnGunButton(HxWidget widget, uint32_t event) {
    if (event != HX_WIDGET_CLICK || !EmptySiteSelected()) return;
    int g = GradeOf(widget, GunButton1, GunButton2, GunButton3);
    if (g < 0) return;
    HxTexture textures[Grades] = {GunTexture1, GunTexture2, GunTexture3};
    BuildOnSelectedSite(textures[g], GunDamage[g], GunShellSpeed[g], GunPrice[g]);
}

void OnBuildingButton(HxWidget widget, uint32_t event) {
    if (event != HX_WIDGET_CLICK || !EmptySiteSelected()) return;
    int g = GradeOf(widget, BuildingButton1, BuildingButton2, BuildingButton3);
    if (g < 0) return;
    HxTexture textures[Grades] = {BuildingTexture1, BuildingTexture2, BuildingTexture3};
    BuildOnSelectedSite(textures[g], 0, BuildingPayout[g], BuildingPrice[g]);
}

void OnPatronsButton(HxWidget widget, uint32_t event) {
    if (event != HX_WIDGET_CLICK) return;
    int g = GradeOf(widget, PatronsButton1, PatronsButton2, PatronsButton3);
    if (g < 0) return;
    Patrons += PatronsAmount[g];
    ChangeMoney(-PatronsPrice[g]);
}

// Grade index of a gun from its damage, of a money building from its
// payout; -1 for values of no grade.
static int GunGrade(float damage) {
    int32_t whole = RoundToWhole(damage);
    for (int g = 0; g < Grades; g++)
        if (whole == static_cast<int32_t>(GunDamage[g])) return g;
    return -1;
}

static int BuildingGrade(float output) {
    int32_t whole = RoundToWhole(output);
    for (int g = 0; g < Grades; g++)
        if (whole == static_cast<int32_t>(BuildingPayout[g])) return g;
    return -1;
}

void OnSellButton(HxWidget, uint32_t event) {
    if (event != HX_WIDGET_CLICK) return;
    if (SiteInGrid(Selection.Row, Selection.Column)) {
        const BuildSite& site = BuildSites[Selection.Row][Selection.Column];
        if (Selection.Panel == PanelMoneyBuilding) {
            int g = BuildingGrade(site.Output);
            if (g >= 0) ChangeMoney(BuildingRefund[g]);
        }
        if (Selection.Panel == PanelGun) {
            int g = GunGrade(site.Damage);
            if (g >= 0) ChangeMoney(GunRefund[g]);
        }
        ResetBuildSite(Selection.Row, Selection.Column);
    }
    CloseSitePanel();
}

void RunBuildSites() {
    for (int row = 0; row < SiteRows; row++)
        for (int column = 0; column < SiteColumns; column++) {
            const BuildSite& site = BuildSites[row][column];
            if (site.Phase != CycleTick) continue;
            if (site.Damage != 0) {
                // Without ammunition the gun waits for its tick next cycle.
                if (Patrons > 0) {
                    AddShell(ShellStartX + ShellStartStep * column, ShellStartY + ShellStartStep * row,
                             site.Damage, site.Output);
                    Patrons--;
                }
            } else {
                int g = BuildingGrade(site.Output);
                if (g >= 0) ChangeMoney(static_cast<int32_t>(BuildingPayout[g]));
            }
        }
}

void DrawSiteLifeBars() {
    for (int row = 0; row < SiteRows; row++)
        for (int column = 0; column < SiteColumns; column++) {
            const BuildSite& site = BuildSites[row][column];
            if (!(site.Life > 0)) continue;
            float w = SiteBarPixelsPerLife * site.Life;
            float x = SiteBarCentreX + SiteSize * column - w / 2;
            float y = SiteBarTop + SiteSize * row;
            prim_Rect(x, y, w, SiteBarHeight, SiteBarColour, SiteBarAlpha, HX_PR2D_FILL);
            prim_Rect(x, y, w + 2, SiteBarHeight, SiteBarFrameColour, SiteBarAlpha, 0);
        }
}

static void PanelText(float x, float y, const std::string& text, uint32_t flags) {
    text_DrawEx(GameFont, x, y, 1, 1, text.c_str(), 255, PanelTextColour, flags);
}

static const BuildSite& SelectedSite() {
    // The panel kinds that draw are only ever set with a site of the grid.
    static const BuildSite nothing{};
    if (!SiteInGrid(Selection.Row, Selection.Column)) return nothing;
    return BuildSites[Selection.Row][Selection.Column];
}

void DrawGunPanel() {
    const BuildSite& site = SelectedSite();
    int g = GunGrade(site.Damage);
    int32_t grade = g + 1, price = g >= 0 ? GunRefund[g] : 0;
    PanelText(PanelPriceX, PanelPriceY, Labelled("$", u_IntToText(price)), HX_TEXT_ALIGN_CENTER);
    PanelText(PanelTextX, PanelLineY[0], Labelled("Level: ", u_IntToText(grade)), 0);
    PanelText(PanelTextX, PanelLineY[1], Labelled("Life: ", u_FloatToText(site.Life, 0)), 0);
    PanelText(PanelTextX, PanelLineY[2],
              Labelled("Damage: ", u_FloatToText(site.Damage * PanelValueScale, 0)), 0);
    PanelText(PanelTextX, PanelLineY[3], Labelled("Speed: ", u_FloatToText(site.Output * PanelValueScale, 0)),
              0);
}

void DrawBuildingPanel() {
    const BuildSite& site = SelectedSite();
    int g = BuildingGrade(site.Output);
    int32_t grade = g + 1, price = g >= 0 ? BuildingRefund[g] : 0;
    PanelText(PanelPriceX, PanelPriceY, Labelled("$", u_IntToText(price)), HX_TEXT_ALIGN_CENTER);
    PanelText(PanelTextX, PanelLineY[0], Labelled("Level: ", u_IntToText(grade)), 0);
    PanelText(PanelTextX, PanelLineY[1], Labelled("Life: ", u_FloatToText(site.Life, 0)), 0);
    PanelText(PanelTextX, PanelLineY[2], Labelled("Money: ", u_FloatToText(site.Output, 0)), 0);
    PanelText(PanelTextX, PanelLineY[3], "Speed: 5", 0);
}
