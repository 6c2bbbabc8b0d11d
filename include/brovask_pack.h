// brovask_pack.h - what the art generator (assets/art) and the game both
// know of the asset pack data/data.pak: the number of every entry, and the
// prices and amounts that are printed on the shop buttons and charged by the
// shop. The generator writes the entries in the order of their numbers.
#pragma once

#include <cstdint>

// Grades 1..3 of the guns, the money buildings and the ammunition packs
// (index 0..2 in the arrays below).
constexpr int Grades = 3;

// ---- entries of data/data.pak, numbered from 1 ----
constexpr int32_t FontPageEntry = 1;                            // the font's glyph page
constexpr int32_t BuildingButtonEntries[Grades] = {2, 3, 4};    // 192 x 64, four 48 x 64 states
constexpr int32_t GunButtonEntries[Grades] = {5, 6, 7};         // 192 x 64
constexpr int32_t ShellEntry = 8;                               // 16 x 16
constexpr int32_t FrontRowEntry = 9;                            // 48 x 48
constexpr int32_t PanelEntry = 10;                              // 64 x 64, the shop strip's tile
constexpr int32_t BuildingEntries[Grades] = {11, 12, 13};       // 48 x 48
constexpr int32_t PatronsButtonEntries[Grades] = {14, 15, 16};  // 192 x 64
constexpr int32_t SellButtonEntry = 17;                         // 192 x 25
constexpr int32_t TrailEntry = 18;                              // 48 x 48
constexpr int32_t EmptySiteEntry = 19;                          // 48 x 48
constexpr int32_t BorderEntry = 20;                             // 16 x 64
constexpr int32_t TankEntry = 21;                               // 192 x 48, four frames
constexpr int32_t HeaderEntry = 22;                             // 192 x 24
constexpr int32_t GunEntries[Grades] = {23, 24, 25};            // 48 x 48
constexpr int32_t SoundBoxEntry = 26;                           // 24 x 12, unticked and ticked
constexpr int32_t GroundEntry = 27;                             // 128 x 128
constexpr int32_t PackEntryCount = 27;

// ---- the shop: prices printed on the buttons ("$200") and charged ----
constexpr int32_t GunPrice[Grades] = {200, 500, 900};
constexpr int32_t BuildingPrice[Grades] = {100, 300, 600};
// Ammunition packs: the amount printed above the price ("+210"); the bigger
// ones carry a bonus.
constexpr int32_t PatronsAmount[Grades] = {100, 210, 320};
constexpr int32_t PatronsPrice[Grades] = {100, 200, 300};
