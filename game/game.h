// game.h - the shop strip and the economy, the buildings' work once a cycle,
// site life bars and the info panel of the selected building.
#pragma once

#include <cstdint>

#include "brovask_pack.h"
#include "halvex.h"

// Grades, prices and ammunition amounts are printed on the shop buttons too,
// so they live in brovask_pack.h with the art's entry numbers.

// Guns, by grade 1..3 (index 0..2).
constexpr float GunDamage[Grades] = {3, 6, 13};
constexpr float GunShellSpeed[Grades] = {0.5f, 0.6f, 0.7f};
constexpr int32_t GunRefund[Grades] = {100, 250, 450};
// Money buildings, by grade.
constexpr float BuildingPayout[Grades] = {5, 10, 15};
constexpr int32_t BuildingRefund[Grades] = {50, 150, 300};

constexpr float BuiltSiteLife = 10;

extern HxWidget GunButton1, GunButton2, GunButton3;
extern HxWidget BuildingButton1, BuildingButton2, BuildingButton3;
extern HxWidget PatronsButton1, PatronsButton2, PatronsButton3;
extern HxWidget SellButton;

// The nearest whole number (halves to even).
int32_t RoundToWhole(float value);

void CreateShopWidgets();
// The only way Money changes: adds `delta`, then enables exactly the buy
// buttons whose price Money reaches.
void ChangeMoney(int32_t delta);
// The Phase of a building bought now.
int32_t PhaseForPurchase();
void OnGunButton(HxWidget widget, uint32_t event);
void OnBuildingButton(HxWidget widget, uint32_t event);
void OnPatronsButton(HxWidget widget, uint32_t event);
void OnSellButton(HxWidget widget, uint32_t event);

void RunBuildSites();
void DrawSiteLifeBars();
void DrawGunPanel();
void DrawBuildingPanel();
