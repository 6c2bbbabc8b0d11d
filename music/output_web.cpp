// output_web.cpp - the output passes in a browser, which gives a page no
// threads of ours: a 5 ms interval renders behind the block being heard (SDL's
// audio callback, output_sdl.cpp, plays the ring as on Linux). There is no
// priority to raise.
#include <emscripten/html5.h>

#include "output.h"

namespace {

long Interval = 0;  // 0 while stopped
OutputDevice* Device = nullptr;

void Pass(void*) {
    if (!RenderBehind(Device, BlockHeard(Device))) {
        emscripten_clear_interval(Interval);
        Interval = 0;
    }
}

}  // namespace

bool OutputDriverStart(OutputDevice* device) {
    Device = device;
    OutputPassesBegin();
    Interval = emscripten_set_interval(Pass, 5, nullptr);
    return true;
}

// The stop request is set: one last pass sees it and ends the interval.
void OutputDriverJoin() {
    if (Interval != 0) Pass(nullptr);
}

bool OutputDriverRunning() {
    return Interval != 0;
}

const char* RaiseOutputThreadPriority() {
    return "none";
}
