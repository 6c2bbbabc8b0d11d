// map.cpp - the battlefield backdrop.
#include "map.h"

#include "point.h"
#include "vars.h"

HxTexture GroundTexture = 0;
HxTexture BorderTexture = 0;
HxTexture FrontRowTexture = 0;

constexpr float GroundTileSize = 128;
constexpr int GroundTilesAcross = 5, GroundTilesDown = 5;
constexpr float BorderWidth = 16, BorderPieceHeight = 64;
constexpr int BorderPieces = 10;
constexpr float RightBorderX = 592;
// The right border strip is drawn with the engine's flag 1 instead of blending.
constexpr uint32_t RightBorderFlags = 1;

void LoadBackdropTextures() {
    BorderTexture = LoadPackTexture(BorderEntry);
    FrontRowTexture = LoadPackTexture(FrontRowEntry);
    GroundTexture = LoadPackTexture(GroundEntry);
}

void DrawBackdrop() {
    for (int i = 0; i < GroundTilesAcross; i++)
        for (int j = 0; j < GroundTilesDown; j++)
            spr_sDraw(GroundTexture, FieldLeft + GroundTileSize * i, GroundTileSize * j, GroundTileSize,
                      GroundTileSize, 0, 255, HX_FX_BLEND);
    for (int k = 0; k < BorderPieces; k++)
        spr_sDraw(BorderTexture, 0, BorderPieceHeight * k, BorderWidth, BorderPieceHeight, 0, 255,
                  HX_FX_BLEND);
    for (int k = 0; k < BorderPieces; k++)
        spr_sDraw(BorderTexture, RightBorderX, BorderPieceHeight * k, BorderWidth, BorderPieceHeight, 0, 255,
                  RightBorderFlags);
    for (int c = 0; c < SiteColumns; c++)
        spr_sDraw(FrontRowTexture, SiteX(c), SiteTop, SiteSize, SiteSize, 0, 255, HX_FX_BLEND);
}
