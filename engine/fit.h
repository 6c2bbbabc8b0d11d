// fit.h - where the game's picture lands in a window of any size, and where a
// window position lands in the game's picture. Pure arithmetic, no SDL: the
// window loop and the input code use it with the current sizes, the tests
// with odd ones.
//
// The picture keeps its aspect ratio and is as large as fits, centred, with
// black bars on the two sides that are left over. It is drawn pixel-sharp
// when its scale is a whole number (1600 x 1200 for 800 x 600, or 800 x 600
// itself in a wider window) and smoothly otherwise.
#pragma once

namespace hx {

struct FitRect {
    int X = 0, Y = 0, W = 0, H = 0;  // in output pixels
    bool Sharp = false;              // the scale is a whole number
};

// The picture of game_w x game_h placed in an output of out_w x out_h pixels.
// Sizes below 1 count as 1.
FitRect FitPicture(int game_w, int game_h, int out_w, int out_h);

// Maps a window position (window units, as the mouse reports it) to the game
// pixel whose area holds the centre of that window position. The window is
// win_w x win_h units and out_w x out_h pixels (more pixels than units on a
// high-DPI display). Returns false, and sets game_x and game_y to -1, for a
// position in a bar or outside the window.
bool WindowToGame(int x, int y, int win_w, int win_h, int out_w, int out_h, int game_w, int game_h,
                  int& game_x, int& game_y);

}  // namespace hx
