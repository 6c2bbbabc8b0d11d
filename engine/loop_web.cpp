// loop_web.cpp - the main loop's driver in a browser: one pass per animation
// frame (a page cannot sleep). The frame is drawn when it is due within half a frame,
// since the browser's ticks land a little before or after the 60 Hz due
// times. When the loop ends the program exits as the desktop's does after
// its loop, which stops the music (the player's exit hook) and tells the page
// (a forced exit: the running main loop would otherwise keep the page's
// program alive).
#include <emscripten.h>

#include "internal.h"

namespace hx {
namespace {

constexpr uint64_t kEarlyNs = 8000000;

void WebPass() {
    uint64_t wake = 0;
    if (LoopPass(kEarlyNs, wake)) return;
    emscripten_cancel_main_loop();
    LoopEnd();
    emscripten_force_exit(0);
}

}  // namespace

void RunLoop() {
    emscripten_set_main_loop(WebPass, 0, 1);
}

}  // namespace hx
