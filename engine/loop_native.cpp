// loop_native.cpp - the main loop's driver on the desktop: passes back to
// back, sleeping until the next frame or the next due timer.
#include <chrono>
#include <thread>

#include "internal.h"

namespace hx {

void RunLoop() {
    uint64_t wake = 0;
    while (LoopPass(0, wake)) {
        uint64_t now = NowNs();
        if (wake > now) std::this_thread::sleep_for(std::chrono::nanoseconds(wake - now));
    }
    LoopEnd();
}

}  // namespace hx
