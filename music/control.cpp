// control.cpp - starting and stopping the music, pause and resume, and the
// output thread that keeps the ring filled ahead of the device.
//
// The ring of 16 blocks is rendered whole before the device starts; from then
// on the output thread asks the device which block it is playing, sleeps 5 ms,
// and renders every block the device has left behind until it reaches the one
// being heard. Rendered audio therefore runs up to 15 blocks (320 ms) ahead,
// and the block being heard is never overwritten.
//
// The game thread and the output thread share only atomics (pause flag,
// master gain, stop request) plus the control state below. The control state
// (thread handle, device, song heap) changes on two threads - MusicPlay and
// MusicStop on the caller's, StopAtSongEnd on the output thread when a
// no-loop song ends - so it is guarded by ControlLock, which is never held
// while joining the thread or rendering.
//
// Needs: player.h (FillBlock, ring, flags), source.h, loader.h, output.h.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "loader.h"
#include "music.h"
#include "output.h"
#include "player.h"
#include "source.h"

std::atomic<uint32_t> StopRequest{0};

namespace {

constexpr auto POLL_INTERVAL = std::chrono::milliseconds(5);
constexpr uint32_t FULL_GAIN = 32768;  // the gain when no volume was ever set
// SCHED_FIFO priority of the output thread: well above ordinary threads but
// below the kernel's own interrupt threads (50) and watchdogs (99).
constexpr int OUTPUT_FIFO_PRIORITY = 20;
// Where real-time scheduling is refused, the nice value we try instead.
constexpr int OUTPUT_NICE = -10;

std::mutex ControlLock;  // guards OutputThreadHandle, Device and the heap's teardown
// Neither is ever destroyed: the game ends without stopping the music, and a
// std::thread destroyed while it still runs would abort the process on its
// way out. The player stops itself at exit instead (StopAtExit).
std::thread& OutputThreadHandle = *new std::thread;                          // empty while stopped
std::unique_ptr<OutputDevice>& Device = *new std::unique_ptr<OutputDevice>;  // null while stopped
std::once_flag ExitHookOnce;
// Every output thread gets its own generation; a thread ends as soon as the
// current generation is not its own. This ends a thread released by
// StopAtSongEnd even when a new MusicPlay has already cleared StopRequest.
std::atomic<uint32_t> ThreadGeneration{0};
std::atomic<int> ThreadsAlive{0};
std::atomic<const char*> PriorityResult{""};

// Raises the calling thread's priority as far as the system allows; failure
// is harmless, the music only gets more exposed to a busy machine.
void RaiseOutputPriority() {
    sched_param param{};
    param.sched_priority = OUTPUT_FIFO_PRIORITY;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
        PriorityResult.store("SCHED_FIFO");
        return;
    }
    pid_t thread_id = static_cast<pid_t>(syscall(SYS_gettid));
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(thread_id), OUTPUT_NICE) == 0) {
        PriorityResult.store("nice");
        return;
    }
    PriorityResult.store("none");
}

bool ThreadMustEnd(uint32_t generation) {
    return StopRequest.load() != 0 || ThreadGeneration.load() != generation;
}

void OutputThread(uint32_t generation, OutputDevice* device) {
    RaiseOutputPriority();
    for (;;) {
        uint64_t played = device->PlayPosition();
        uint32_t heard = static_cast<uint32_t>((played / BLOCK_BYTES) % BLOCK_COUNT);
        std::this_thread::sleep_for(POLL_INTERVAL);
        // Render until caught up with the block being heard; no new position
        // query or sleep between blocks.
        for (;;) {
            // After the song's end has released this thread the device and the
            // song are gone: nothing here may touch them again.
            if (ThreadMustEnd(generation)) {
                ThreadsAlive.fetch_sub(1);
                return;
            }
            if (WriteBlock == heard) break;
            FillBlock();
            RenderedBlocks.fetch_add(1, std::memory_order_release);
        }
    }
}

// Device reset and close, then the song heap destroyed. Caller holds ControlLock.
void CloseDeviceAndSong() {
    if (Device) {
        std::unique_ptr<OutputDevice> device = std::move(Device);
        device->Reset();
        device.reset();
    }
    if (SongOwner.load() == SONG_PLAYING) {
        SongHeapDestroy();
        SongOwner.store(SONG_FREE);
    }
}

// At process exit the output thread is stopped and joined before anything
// it uses (the song heap, SDL) is torn down by static destructors; those were
// all set up before the first MusicPlay registered this hook, so it runs first.
void StopAtExit() {
    MusicStop();
}

SourceKind SourceFromFlags(uint32_t flags) {
    if (flags & MUSIC_SOURCE_MEMORY) return SOURCE_MEMORY;
    if (flags & MUSIC_SOURCE_FILE) return SOURCE_FILE;
    return SOURCE_RESOURCE;
}

}  // namespace

int OutputThreadsAlive() {
    return ThreadsAlive.load();
}
const char* OutputThreadPriority() {
    return PriorityResult.load();
}

void MusicStop() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> hold(ControlLock);
        if (OutputThreadHandle.joinable()) {
            StopRequest.store(1);
            thread = std::move(OutputThreadHandle);
        }
    }
    if (thread.joinable()) {
        // Never join a thread from itself: should the output thread ever stop
        // the player, it lets go of itself and ends on its next check.
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
    WriteBlock = 0;
    std::lock_guard<std::mutex> hold(ControlLock);
    CloseDeviceAndSong();
}

void StopAtSongEnd() {
    std::lock_guard<std::mutex> hold(ControlLock);
    StopRequest.store(1);
    ThreadGeneration.fetch_add(1);
    // On the output thread: release the thread without joining it; it ends by
    // itself once FillBlock returns. If MusicStop has already taken the handle
    // it is waiting for this thread, which is just as good.
    if (OutputThreadHandle.joinable() && OutputThreadHandle.get_id() == std::this_thread::get_id())
        OutputThreadHandle.detach();
    CloseDeviceAndSong();
}

// Installed before main runs, in every program that has the player's control.
[[maybe_unused]] static const bool SongEndHandlerInstalled = (SongEndHandler = StopAtSongEnd, true);

uintptr_t MusicPlay(const void* source, uintptr_t size_or_module, uint32_t flags) {
    MusicStop();
    if (source == nullptr) return 0;
    // One song at a time: an open offline render keeps it.
    uint8_t free = SONG_FREE;
    if (!SongOwner.compare_exchange_strong(free, SONG_PLAYING)) return 0;
    std::call_once(ExitHookOnce, [] { std::atexit(StopAtExit); });

    SelectSource(SourceFromFlags(flags), source, size_or_module);
    NoLoop = (flags & MUSIC_NO_LOOP) ? 1 : 0;
    PauseFlag.store(static_cast<uint8_t>(flags & MUSIC_START_PAUSED));
    uint32_t unset = 0;
    MasterGain.compare_exchange_strong(unset, FULL_GAIN);

    // A device that does not open shows when the ring is handed to it.
    std::unique_ptr<OutputDevice> device = OutputOpen();
    {
        std::lock_guard<std::mutex> hold(ControlLock);
        Device = std::move(device);
    }

    if (!SongHeapCreate()) {
        MusicStop();
        return 0;
    }
    bool loaded = LoadModule();
    ReaderClose();
    if (!loaded) {
        MusicStop();
        return 0;
    }

    // Render the whole ring before the device starts. A no-loop song that ends
    // within these 16 blocks has already released everything (StopAtSongEnd);
    // it is reported as a failure because nothing will be heard.
    StopRequest.store(0);
    do {
        FillBlock();
        RenderedBlocks.fetch_add(1, std::memory_order_release);
    } while (WriteBlock != 0 && StopRequest.load() == 0);
    if (StopRequest.load() != 0) {
        MusicStop();
        return 0;
    }

    StopRequest.store(0);
    std::lock_guard<std::mutex> hold(ControlLock);
    if (!Device || !Device->Start(OutputRing)) {
        CloseDeviceAndSong();
        WriteBlock = 0;
        return 0;
    }
    // The handle is stored under ControlLock, so a song that ends at once
    // finds its own thread when it releases it.
    uint32_t generation = ThreadGeneration.fetch_add(1) + 1;
    try {
        ThreadsAlive.fetch_add(1);
        OutputThreadHandle = std::thread(OutputThread, generation, Device.get());
    } catch (const std::system_error&) {
        ThreadsAlive.fetch_sub(1);
        CloseDeviceAndSong();
        WriteBlock = 0;
        return 0;
    }
    return reinterpret_cast<uintptr_t>(&Device);
}

void MusicPause() {
    PauseFlag.store(1);
}

void MusicResume() {
    PauseFlag.store(0);
}
