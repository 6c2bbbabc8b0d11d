// driver_thread.cpp - the output passes on a thread of their own (Linux and
// Windows): take the block being heard, sleep 5 ms, render behind it.
#include <chrono>
#include <system_error>
#include <thread>

#include "output.h"

namespace {

constexpr auto POLL_INTERVAL = std::chrono::milliseconds(5);

// Never destroyed: a std::thread destroyed while it still runs would abort the
// process on its way out (the player joins it at exit instead).
std::thread& OutputThreadHandle = *new std::thread;  // empty while stopped

void OutputThread(OutputDevice* device) {
    OutputPassesBegin();
    for (;;) {
        uint32_t heard = BlockHeard(device);
        std::this_thread::sleep_for(POLL_INTERVAL);
        if (!RenderBehind(device, heard)) return;
    }
}

}  // namespace

bool OutputDriverStart(OutputDevice* device) {
    try {
        OutputThreadHandle = std::thread(OutputThread, device);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void OutputDriverJoin() {
    if (OutputThreadHandle.joinable()) OutputThreadHandle.join();
}

bool OutputDriverRunning() {
    return OutputThreadHandle.joinable();
}
