// boom.h - shells: fired by the guns, flying straight up their column.
#pragma once

#include <cstdint>
#include <vector>

#include "halvex.h"

struct Shell {
    float Damage;
    float Speed;  // pixels per tick, upwards
    float X;      // left edge of the 16 x 16 sprite, and the hit point's x
    float Y;      // top edge, and the hit point's y
};

extern std::vector<Shell> Shells;
extern int32_t ShellCount;  // always Shells.size()
extern HxTexture ShellTexture;

void LoadShellTexture();
void AddShell(int32_t x, int32_t y, float damage, float speed);
void RemoveShell(int32_t index);
// Strictly inside: a point on an edge of the box is outside.
bool PointInBox(float px, float py, float left, float top, float width, float height);
void CullShells();
bool HitShells();
void UpdateShells();
void DrawShells();
