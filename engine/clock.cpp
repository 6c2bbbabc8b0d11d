// clock.cpp - the engine's monotonic clock, on its own so that the timer
// tests can link a simulated clock in its place.
#include <chrono>

#include "internal.h"

namespace hx {

uint64_t NowNs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

}  // namespace hx
