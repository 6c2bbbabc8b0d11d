// vars.h - the shared state of one game, the asset pack reader and the shop
// strip's background. One run of the program is one game: the counters start
// from their static initial values and are never reset.
#pragma once

#include <cstdint>
#include <string>

#include "brovask_pack.h"
#include "halvex.h"

// Game modes.
constexpr int32_t ModePlaying = 1;
constexpr int32_t ModeGameOver = 2;

// Starting values of a game.
constexpr int32_t StartMoney = 1500;
constexpr int32_t StartRound = 1;
constexpr int32_t StartLifes = 10;
constexpr int32_t StartPatrons = 600;

extern int32_t Score;
extern int32_t Money;  // changed only by ChangeMoney (game.cpp)
extern int32_t Round;
// CycleTick runs 0..400: a cycle is 401 game ticks.
constexpr int32_t LastCycleTick = 400;
extern int32_t CycleTick;
extern int32_t CycleCount;  // cycles completed in this round, 0..9
extern int32_t Lifes;
extern int32_t GameMode;
extern int32_t Patrons;
extern const char* DataDir;

extern HxFont GameFont;
extern HxTexture FontPageTexture;
extern HxTexture PanelTexture;

// The asset pack: length-prefixed PNG images, numbered from 1 (the numbers
// are in brovask_pack.h).
extern const char* const PackFileName;

// The texture made from entry `entry` of the asset pack (entries below 1
// give the first). A missing pack or entry ends the program with a message
// naming the file (exit code 1).
HxTexture LoadPackTexture(int32_t entry);

// Forgets the pack kept in memory, so the next LoadPackTexture reads the
// file again (tests use it between fake packs).
void ForgetPack();

// The right-hand panel: 3 x 9 tiles of PanelTexture.
void DrawPanelBackground();

// Writes "<file>: <problem>" on stderr and ends the program with exit code 1.
[[noreturn]] void FatalDataError(const char* file, const char* problem);

// A label followed by a value, as the HUD and the panels write them.
inline std::string Labelled(const char* label, const std::string& value) {
    std::string text(label);
    text += value;
    return text;
}
