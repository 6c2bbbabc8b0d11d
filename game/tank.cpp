// tank.cpp - spawning, moving, wearing sites, scoring and drawing the tanks.
#include "tank.h"

#include <cmath>
#include <random>

#include "boom.h"
#include "game.h"
#include "platform.h"
#include "point.h"
#include "vars.h"

std::vector<Tank> Tanks;
int32_t TankCount = 0;
int32_t LastColumn = 0;
HxTexture TankTexture = 0;
HxTexture TrailTexture = 0;

constexpr uint16_t TankFrameSize = 48;

// A new tank: 2 points of life and 0.01 pixels a tick more every round.
constexpr int32_t TankLifePerRound = 2;
constexpr int32_t TankBaseLife = 13;
constexpr double TankSpeedRoundDivisor = 100;
constexpr double TankBaseSpeed = 0.1;
constexpr float TankStartY = -48;

constexpr int32_t TankFrames = 4;
constexpr int32_t TicksPerFrame = 16;

// A tank whose top edge passes this has got through.
constexpr float TankBottomLimit = 648;
// Point of the tank that wears down the site under it.
constexpr float WearPointX = 24, WearPointY = 30;
// The wear is the decimal 0.01 taken off in double precision; only the
// result is stored as a 32-bit float (0.01f would wear a little less).
constexpr double SiteWearPerTick = 0.01;

constexpr int32_t ScorePerTank = 10;
constexpr int32_t ScoreBonusDestroyed = 2;
constexpr int32_t MoneyPerDestroyedTank = 50;
constexpr float TankAliveLife = 1;

// Drawing.
constexpr float TrailOffset = 40;
constexpr uint8_t TrailAlpha = 128;
constexpr int32_t TrailJitter = 4;
constexpr float TankBarPixelsPerLife = 2.5f;
constexpr float TankBarCentre = 24;  // the bar is centred on the tank's middle
constexpr float TankBarTop = 5;
constexpr float TankBarHeight = 3;
constexpr uint8_t TankBarAlpha = 200;
constexpr uint32_t TankBarColour = 0x00FF00;
constexpr uint32_t TankBarOutlineColour = 0x000000;

static std::mt19937 TankRandom;

void SeedRandomFromClock() {
    TankRandom.seed(static_cast<uint32_t>(PlatformSeedClock()));
}

void LoadTankTextures() {
    TankTexture = LoadPackTexture(TankEntry);
    TrailTexture = LoadPackTexture(TrailEntry);
    tex_SetFrameSize(&TankTexture, TankFrameSize, TankFrameSize);
}

int32_t PickTankColumn() {
    SeedRandomFromClock();
    std::uniform_int_distribution<int32_t> columns(0, TankColumns - 1);
    int32_t column = columns(TankRandom);
    while (column == LastColumn) column = columns(TankRandom);
    LastColumn = column;
    return column;
}

void SpawnTank() {
    Tanks.push_back(Tank{});
    Tank& tank = Tanks.back();
    tank.Life = static_cast<float>(TankLifePerRound * Round + TankBaseLife);
    tank.Speed = static_cast<float>(Round / TankSpeedRoundDivisor + TankBaseSpeed);
    tank.Column = static_cast<uint8_t>(PickTankColumn());
    tank.X = SiteSize * tank.Column + FieldLeft;
    tank.Y = TankStartY;
    tank.Frame = 1;
    tank.FrameTicks = 0;
    TankCount++;
}

void RemoveTank(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Tanks.size())) return;
    Tanks.erase(Tanks.begin() + index);
    TankCount--;
    Score += ScorePerTank;  // every removal scores, whatever the reason
}

bool ResolveTankPass() {
    for (size_t i = 0; i < Tanks.size(); i++) {
        Tank& tank = Tanks[i];
        // The bottom test comes first: a tank past the bottom got through
        // even if its life is gone.
        if (tank.Y > TankBottomLimit) {
            RemoveTank(static_cast<int32_t>(i));
            Lifes--;
            if (Lifes < 0) GameMode = ModeGameOver;
            return true;
        }
        if (tank.Life < TankAliveLife) {
            ChangeMoney(MoneyPerDestroyedTank);
            RemoveTank(static_cast<int32_t>(i));
            Score += ScoreBonusDestroyed;
            return true;
        }
        float px = tank.X + WearPointX, py = tank.Y + WearPointY;
        for (int row = 0; row < SiteRows; row++)
            for (int column = 0; column < SiteColumns; column++) {
                if (!PointInBox(px, py, SiteX(column), SiteY(row), SiteSize, SiteSize)) continue;
                BuildSite& site = BuildSites[row][column];
                if (site.Life > 0)
                    site.Life = static_cast<float>(site.Life - SiteWearPerTick);
                else
                    ResetBuildSite(row, column);
            }
    }
    return false;
}

void ResolveTanks() {
    while (ResolveTankPass()) {
    }
}

void UpdateTanks() {
    for (Tank& tank : Tanks) {
        tank.Y = tank.Y + tank.Speed;
        if (tank.FrameTicks < TicksPerFrame - 1) {
            tank.FrameTicks++;
        } else {
            tank.FrameTicks = 0;
            tank.Frame = tank.Frame < TankFrames ? tank.Frame + 1 : 1;
        }
    }
    ResolveTanks();
}

void DrawTanks() {
    for (const Tank& tank : Tanks) {
        // The trail jitters with the tank's rounded position (halves to even);
        // the remainder keeps the sign of the rounded value.
        int64_t rounded = static_cast<int64_t>(std::nearbyint(static_cast<double>(tank.Y)));
        int32_t jitter = static_cast<int32_t>(rounded % TrailJitter);
        spr_aDraw(TrailTexture, tank.X, tank.Y - TrailOffset + jitter, TankSize, TankSize, 0, 1, TrailAlpha,
                  HX_FX_BLEND);
        spr_aDraw(TankTexture, tank.X, tank.Y, TankSize, TankSize, 0, static_cast<uint16_t>(tank.Frame), 255,
                  HX_FX_BLEND);
        if (tank.Life > 0) {
            float w = TankBarPixelsPerLife * tank.Life;
            prim_Rect(tank.X + TankBarCentre - 1 - w / 2, tank.Y + TankBarTop, w + 2, TankBarHeight,
                      TankBarOutlineColour, TankBarAlpha, 0);
            prim_Rect(tank.X + TankBarCentre - w / 2, tank.Y + TankBarTop, w, TankBarHeight, TankBarColour,
                      TankBarAlpha, HX_PR2D_FILL);
        }
    }
}
