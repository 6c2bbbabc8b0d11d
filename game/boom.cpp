// boom.cpp - shells: moving, leaving the window, hitting tanks, drawing.
#include "boom.h"

#include "tank.h"
#include "vars.h"

std::vector<Shell> Shells;
int32_t ShellCount = 0;
HxTexture ShellTexture = 0;

constexpr float ShellSize = 16;
// A shell whose top is above this has left the window for good.
constexpr float ShellTopLimit = -16;
constexpr int32_t ScorePerShell = 1;

void LoadShellTexture() {
    ShellTexture = LoadPackTexture(ShellEntry);
}

void AddShell(int32_t x, int32_t y, float damage, float speed) {
    Shell shell{};
    shell.Damage = damage;
    shell.Speed = speed;
    shell.X = static_cast<float>(x);
    shell.Y = static_cast<float>(y);
    Shells.push_back(shell);
    Score += ScorePerShell;
    ShellCount++;
}

void RemoveShell(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Shells.size())) return;
    Shells.erase(Shells.begin() + index);
    ShellCount--;
}

bool PointInBox(float px, float py, float left, float top, float width, float height) {
    return left < px && px < left + width && top < py && py < top + height;
}

void CullShells() {
    // Scan from the front again after every removal until a pass removes nothing.
    bool removed = true;
    while (removed) {
        removed = false;
        for (size_t i = 0; i < Shells.size(); i++)
            if (Shells[i].Y < ShellTopLimit) {
                RemoveShell(static_cast<int32_t>(i));
                removed = true;
                break;
            }
    }
}

bool HitShells() {
    for (size_t s = 0; s < Shells.size(); s++)
        for (Tank& tank : Tanks)
            if (PointInBox(Shells[s].X, Shells[s].Y, tank.X, tank.Y, TankSize, TankSize)) {
                // The tank's remaining life is not looked at: a tank already
                // below 1 still takes the shell until UpdateTanks removes it.
                tank.Life = tank.Life - Shells[s].Damage;
                RemoveShell(static_cast<int32_t>(s));
                return true;
            }
    return false;
}

void UpdateShells() {
    for (Shell& shell : Shells) shell.Y = shell.Y - shell.Speed;
    CullShells();
    while (HitShells()) {
    }
}

void DrawShells() {
    for (const Shell& shell : Shells)
        spr_aDraw(ShellTexture, shell.X, shell.Y, ShellSize, ShellSize, 0, 1, 255, HX_FX_BLEND);
}
