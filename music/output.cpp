// output.cpp - what every audio device shares: the ring copy and the
// factory that opens the platform's device (output_sdl.cpp on Linux and in
// a browser, output_waveout.cpp on Windows) unless a test installed its own.
// The other platform layers, one file per concern: what runs the output
// passes (driver_thread.cpp; output_web.cpp in a browser) and the output
// thread's priority (priority_linux.cpp, output_waveout.cpp; none in a
// browser).
#include "output.h"

#include <cstring>

#include "player.h"

std::atomic<uint64_t> RenderedBlocks{0};

void CopyFromRing(const int16_t* ring, uint64_t position, uint8_t* destination, uint32_t bytes) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(ring);
    uint32_t cursor = static_cast<uint32_t>(position % RING_BYTES);
    while (bytes > 0) {
        uint32_t run = RING_BYTES - cursor;
        if (run > bytes) run = bytes;
        std::memcpy(destination, base + cursor, run);
        destination += run;
        bytes -= run;
        cursor = (cursor + run) % RING_BYTES;
    }
}

namespace {

std::atomic<OutputFactory> Factory{nullptr};

}  // namespace

std::unique_ptr<OutputDevice> OutputOpen() {
    OutputFactory factory = Factory.load();
    return factory != nullptr ? factory() : OpenPlatformOutput();
}

OutputFactory OutputSetFactory(OutputFactory factory) {
    return Factory.exchange(factory);
}
