// tank.h - the enemy column: tanks enter at the top in one of twelve columns
// and drive straight down.
#pragma once

#include <cstdint>
#include <vector>

#include "halvex.h"

struct Tank {
    float Life;
    float Speed;  // pixels per tick, downwards
    uint8_t Column;
    float X;             // left edge, 48 Column + 16
    float Y;             // top edge
    int32_t Frame;       // body animation frame, 1..4
    int32_t FrameTicks;  // ticks since the last frame change, 0..15
};

constexpr int TankColumns = 12;
constexpr float TankSize = 48;

extern std::vector<Tank> Tanks;
extern int32_t TankCount;  // always Tanks.size()
extern int32_t LastColumn;
extern HxTexture TankTexture;
extern HxTexture TrailTexture;

void LoadTankTextures();
int32_t PickTankColumn();
void SpawnTank();
void RemoveTank(int32_t index);
bool ResolveTankPass();
void ResolveTanks();
void UpdateTanks();
void DrawTanks();

// Seeds the tank column generator from the high-resolution monotonic clock.
void SeedRandomFromClock();
