// fit.cpp - the picture's place in the window and the mouse's place in the
// picture (see fit.h). Integer arithmetic on 64 bits: exact at every size.
#include "fit.h"

#include <algorithm>
#include <cstdint>

namespace hx {

FitRect FitPicture(int game_w, int game_h, int out_w, int out_h) {
    const int64_t gw = std::max(game_w, 1), gh = std::max(game_h, 1);
    const int64_t ow = std::max(out_w, 1), oh = std::max(out_h, 1);
    FitRect r;
    int64_t w, h;
    if (ow * gh <= oh * gw) {  // the width limits: bars above and below
        w = ow;
        h = (gh * ow + gw / 2) / gw;
    } else {  // the height limits: bars left and right
        h = oh;
        w = (gw * oh + gh / 2) / gh;
    }
    w = std::clamp<int64_t>(w, 1, ow);
    h = std::clamp<int64_t>(h, 1, oh);
    r.W = int(w);
    r.H = int(h);
    r.X = int((ow - w) / 2);
    r.Y = int((oh - h) / 2);
    r.Sharp = w % gw == 0 && h % gh == 0 && w / gw == h / gh;
    return r;
}

int InitialScale(int game_w, int game_h, int usable_w, int usable_h) {
    const int64_t across = int64_t(std::max(usable_w, 0)) * 4 / 5 / std::max(game_w, 1);
    const int64_t down = int64_t(std::max(usable_h, 0)) * 4 / 5 / std::max(game_h, 1);
    return int(std::clamp<int64_t>(std::min(across, down), 1, 64));
}

namespace {

// One axis: the centre of window unit p, (p + 1/2) * out / win in output
// pixels, less the picture's offset, times game / size, rounded down.
bool AxisToGame(int64_t p, int64_t win, int64_t out, int64_t offset, int64_t size, int64_t game,
                int& result) {
    result = -1;
    if (p < 0 || p >= win) return false;
    // ((2p + 1) * out - 2 * offset * win) * game / (2 * win * size)
    int64_t num = ((2 * p + 1) * out - 2 * offset * win) * game;
    if (num < 0) return false;
    int64_t g = num / (2 * win * size);
    if (g >= game) return false;
    result = int(g);
    return true;
}

}  // namespace

bool WindowToGame(int x, int y, int win_w, int win_h, int out_w, int out_h, int game_w, int game_h,
                  int& game_x, int& game_y) {
    const int64_t gw = std::max(game_w, 1), gh = std::max(game_h, 1);
    const int64_t ww = std::max(win_w, 1), wh = std::max(win_h, 1);
    const int64_t ow = std::max(out_w, 1), oh = std::max(out_h, 1);
    FitRect r = FitPicture(int(gw), int(gh), int(ow), int(oh));
    int gx, gy;
    // Both axes are mapped, inside or not.
    const bool inside_x = AxisToGame(x, ww, ow, r.X, r.W, gw, gx);
    const bool inside_y = AxisToGame(y, wh, oh, r.Y, r.H, gh, gy);
    const bool inside = inside_x && inside_y;
    game_x = inside ? gx : -1;
    game_y = inside ? gy : -1;
    return inside;
}

}  // namespace hx
