// vars.cpp - shared game state, the asset pack reader, the panel background.
#include "vars.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int32_t Score = 0;
int32_t Money = StartMoney;
int32_t Round = StartRound;
int32_t CycleTick = 0;
int32_t CycleCount = 0;
int32_t Lifes = StartLifes;
int32_t GameMode = ModePlaying;
int32_t Patrons = StartPatrons;
const char* DataDir = "data/";

HxFont GameFont = nullptr;
HxTexture FontPageTexture = 0;
HxTexture PanelTexture = 0;

const char* const PackFileName = "data/data.pak";

// Texture loading parameters of every pack image.
static const char PackImageFormat[] = "png";
constexpr uint32_t PackColourKey = 0xFF00FF;
constexpr uint32_t PackTextureFlags = 1074;

// The pack is read once and kept: every entry number still gives the same
// image, without 27 reads of the whole file at start-up.
static MemoryStream Pack;
static bool PackLoaded = false;

void ForgetPack() {
    Pack = MemoryStream{};
    PackLoaded = false;
}

[[noreturn]] void FatalDataError(const char* file, const char* problem) {
    std::fprintf(stderr, "%s: %s\n", file, problem);
    std::fflush(stderr);
    std::exit(1);
}

static uint32_t PackBytesLeft() {
    return Pack.Position <= Pack.Size ? Pack.Size - Pack.Position : 0;
}

// Reads the 4-byte length of the entry at the pack's position; a pack that
// ends before the length or before the entry's data is an error, so that no
// read ever goes past the file's end.
static uint32_t ReadEntryLength(int32_t entry) {
    if (PackBytesLeft() < 4) {
        std::string problem = "entry " + std::to_string(entry) + " is missing (the pack ends first)";
        FatalDataError(PackFileName, problem.c_str());
    }
    uint8_t bytes[4] = {0, 0, 0, 0};
    mem_Read(&Pack, bytes, 4);
    uint32_t length = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24);
    if (length > PackBytesLeft()) {
        std::string problem = "entry " + std::to_string(entry) + " is truncated (" + std::to_string(length) +
                              " bytes announced, " + std::to_string(PackBytesLeft()) + " left)";
        FatalDataError(PackFileName, problem.c_str());
    }
    return length;
}

HxTexture LoadPackTexture(int32_t entry) {
    if (!PackLoaded) {
        Pack = MemoryStream{};
        mem_LoadFromFile(&Pack, PackFileName);
        if (!Pack.Data || Pack.Size == 0) FatalDataError(PackFileName, "missing or empty");
        PackLoaded = true;
    }
    Pack.Position = 0;
    for (int32_t skipped = 1; skipped < entry; skipped++) {
        uint32_t length = ReadEntryLength(skipped);
        mem_Seek(&Pack, static_cast<int32_t>(length), 2);
    }
    int32_t wanted = entry < 1 ? 1 : entry;
    uint32_t length = ReadEntryLength(wanted);

    MemoryStream image{};
    image.Size = length;
    image.Position = 0;
    mem_Get(&image, length);
    mem_Read(&Pack, image.Data, length);
    // The entry's block is the engine's; the game never frees engine blocks.
    return tex_LoadFromMemory(&image, PackImageFormat, PackColourKey, PackTextureFlags);
}

// Panel geometry: 64-pixel tiles from (608, 24), three across and nine down.
constexpr float PanelLeft = 608, PanelTop = 24, PanelTileSize = 64;
constexpr int PanelTilesAcross = 3, PanelTilesDown = 9;

void DrawPanelBackground() {
    for (int i = 0; i < PanelTilesAcross; i++)
        for (int j = 0; j < PanelTilesDown; j++)
            spr_sDraw(PanelTexture, PanelLeft + PanelTileSize * i, PanelTop + PanelTileSize * j,
                      PanelTileSize, PanelTileSize, 0, 255, HX_FX_BLEND);
}
