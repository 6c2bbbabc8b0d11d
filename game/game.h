// game.h - the shop strip and the economy, the buildings' work once a cycle,
// site life bars and the info panel of the selected building.
#pragma once

#include <cstdint>

#include "halvex.h"

constexpr int Grades = 3;

// Guns, by grade 1..3 (index 0..2).
constexpr float GunDamage[Grades] = {3, 6, 13};
constexpr float GunShellSpeed[Grades] = {0.5f, 0.6f, 0.7f};
constexpr int32_t GunPrice[Grades] = {200, 500, 900};
constexpr int32_t GunRefund[Grades] = {100, 250, 450};
// Money buildings, by grade.
constexpr float BuildingPayout[Grades] = {5, 10, 15};
constexpr int32_t BuildingPrice[Grades] = {100, 300, 600};
constexpr int32_t BuildingRefund[Grades] = {50, 150, 300};
// Ammunition packs: the bigger ones carry a bonus.
constexpr int32_t PatronsAmount[Grades] = {100, 210, 320};
constexpr int32_t PatronsPrice[Grades] = {100, 200, 300};

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
