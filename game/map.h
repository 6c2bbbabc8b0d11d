// map.h - the static backdrop of the battlefield: ground, side borders and
// the row of sprites under the top row of build sites.
#pragma once

#include "halvex.h"

extern HxTexture GroundTexture;
extern HxTexture BorderTexture;
extern HxTexture FrontRowTexture;

void LoadBackdropTextures();
void DrawBackdrop();
