// control.cpp - starting and stopping the music, pause and resume, and the
// output thread that keeps the ring filled ahead of the device.
//
// The ring of 16 blocks is rendered whole before the device starts; from then
// on the output thread asks the device which block it is playing, sleeps 5 ms,
// and renders every block the device has left behind until it reaches the one
// being heard. Rendered audio therefore runs up to 15 blocks (320 ms) ahead,
// and the block being heard is never overwritten.
//
// The thread ends one way only: it sees the stop request, or the song's end
// (a no-loop song: FillBlock calls the end handler MusicPlay installs, which
// marks the song finished; the thread then resets the device, so nothing
// more is heard, and returns). Either way the thread, the device and the
// song stay until MusicStop, the next MusicPlay or the program's exit joins
// the thread and only then closes the device and frees the song. Nothing is
// ever released on the output thread, and the thread is never let go of.
//
// The game thread and the output thread share only atomics (pause flag,
// master gain, stop request, song finished). MusicPlay and MusicStop hold
// ControlLock throughout, so calls from several threads take turns.
//
// What runs the passes is the platform's: a thread of its own that sleeps
// 5 ms between them (driver_thread.cpp), or a 5 ms browser interval
// (output_web.cpp).
//
// Needs: player.h (FillBlock, ring, flags), source.h, loader.h, output.h.
#include <cstdlib>
#include <mutex>

#include "loader.h"
#include "music.h"
#include "output.h"
#include "player.h"
#include "source.h"

std::atomic<uint32_t> StopRequest{0};

namespace {

constexpr uint32_t FULL_GAIN = 32768;  // the gain when no volume was ever set

std::mutex ControlLock;  // held by MusicPlay and MusicStop from start to end
// Never destroyed: the game ends without stopping the music. The player
// stops itself at exit instead (StopAtExit).
std::unique_ptr<OutputDevice>& Device = *new std::unique_ptr<OutputDevice>;  // null while stopped
std::once_flag ExitHookOnce;
std::atomic<uint8_t> SongFinished{0};  // a no-loop song has ended
std::atomic<int> ThreadsAlive{0};
std::atomic<const char*> PriorityResult{""};

// The end handler: FillBlock calls it (on the output thread, or on the
// caller's while MusicPlay prepares the ring) when a no-loop song ends.
void MarkSongFinished() {
    SongFinished.store(1);
}

// Ends and joins the output thread, then closes the device and frees the
// song. Caller holds ControlLock.
void StopLocked() {
    if (OutputDriverRunning()) {
        StopRequest.store(1);
        OutputDriverJoin();
    }
    WriteBlock = 0;
    SongEndHandler = nullptr;
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

void OutputPassesBegin() {
    // Failure is harmless: the music only gets more exposed to a busy machine.
    PriorityResult.store(RaiseOutputThreadPriority());
}

uint32_t BlockHeard(OutputDevice* device) {
    return static_cast<uint32_t>((device->PlayPosition() / BLOCK_BYTES) % BLOCK_COUNT);
}

bool RenderBehind(OutputDevice* device, uint32_t heard) {
    // Render until caught up with the block being heard; no new position
    // query or sleep between blocks.
    for (;;) {
        if (StopRequest.load() != 0) {
            ThreadsAlive.fetch_sub(1);
            return false;
        }
        if (SongFinished.load() != 0) {
            device->Reset();  // the song is over: nothing more is heard
            ThreadsAlive.fetch_sub(1);
            return false;
        }
        if (WriteBlock == heard) return true;
        FillBlock();
        RenderedBlocks.fetch_add(1, std::memory_order_release);
    }
}

int OutputThreadsAlive() {
    return ThreadsAlive.load();
}
const char* OutputThreadPriority() {
    return PriorityResult.load();
}

void MusicStop() {
    std::lock_guard<std::mutex> hold(ControlLock);
    StopLocked();
}

uintptr_t MusicPlay(const void* source, uintptr_t size_or_module, uint32_t flags) {
    std::lock_guard<std::mutex> hold(ControlLock);
    StopLocked();
    if (source == nullptr) return 0;
    // One song at a time: an open offline render keeps it.
    uint8_t free = SONG_FREE;
    if (!SongOwner.compare_exchange_strong(free, SONG_PLAYING)) return 0;
    std::call_once(ExitHookOnce, [] { std::atexit(StopAtExit); });

    SelectSource(SourceFromFlags(flags), source, size_or_module);
    NoLoop = (flags & MUSIC_NO_LOOP) ? 1 : 0;
    SongEndHandler = MarkSongFinished;
    SongFinished.store(0);
    PauseFlag.store(static_cast<uint8_t>(flags & MUSIC_START_PAUSED));
    uint32_t unset = 0;
    MasterGain.compare_exchange_strong(unset, FULL_GAIN);

    // A device that does not open shows when the ring is handed to it.
    Device = OutputOpen();

    if (!SongHeapCreate()) {
        StopLocked();
        return 0;
    }
    bool loaded = LoadModule();
    ReaderClose();
    if (!loaded) {
        StopLocked();
        return 0;
    }

    // Render the whole ring before the device starts. A no-loop song that ends
    // within these 16 blocks is reported as a failure: nothing would be heard.
    do {
        FillBlock();
        RenderedBlocks.fetch_add(1, std::memory_order_release);
    } while (WriteBlock != 0 && SongFinished.load() == 0);
    if (SongFinished.load() != 0 || !Device || !Device->Start(OutputRing)) {
        StopLocked();
        return 0;
    }

    StopRequest.store(0);
    ThreadsAlive.fetch_add(1);
    if (!OutputDriverStart(Device.get())) {
        ThreadsAlive.fetch_sub(1);
        StopLocked();
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
