// output.h - the audio device layer under the player: a 48 kHz 16-bit
// stereo stream that plays the 65,536-byte OutputRing as an endless loop and
// reports how many bytes of it it has played. The real device is SDL2 audio
// on Linux (output_sdl.cpp) and waveOut on Windows (output_waveout.cpp);
// tests install a device whose play position they move by hand.
//
// Needs: player.h (ring geometry). Used by: control.cpp, tests.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class OutputDevice {
   public:
    virtual ~OutputDevice() = default;  // closes the device
    // Starts playing the ring (RING_BYTES long) over and over. False when the
    // device cannot play; it is then closed without having played anything.
    virtual bool Start(const int16_t* ring) = 0;
    // Bytes of the ring played since Start, counting every lap.
    virtual uint64_t PlayPosition() const = 0;
    // Stops playing at once and forgets the position; nothing is read from the
    // ring after Reset returns.
    virtual void Reset() = 0;
};

using OutputFactory = std::unique_ptr<OutputDevice> (*)();

// Opens the output device through the installed factory (the platform's
// device unless a test installed another). nullptr when no device can be opened.
std::unique_ptr<OutputDevice> OutputOpen();
// Installs the factory OutputOpen uses; nullptr restores the platform's device.
// Returns the factory that was installed before.
OutputFactory OutputSetFactory(OutputFactory factory);
// The SDL2 device: SDL_INIT_AUDIO on its own (SDL counts its users, so this
// lives beside an engine that uses SDL too), the default output device at
// 48,000 Hz, signed 16-bit, stereo, fed by SDL's audio callback.
std::unique_ptr<OutputDevice> OpenSdlOutput();
// The platform's device: SDL2 audio on Linux, waveOut on Windows.
std::unique_ptr<OutputDevice> OpenPlatformOutput();
// Raises the calling (output) thread's priority as far as the system allows
// and says how far: "SCHED_FIFO", "nice", "time-critical" or "none".
const char* RaiseOutputThreadPriority();

// The output passes (control.cpp). Before the first pass the driver calls
// OutputPassesBegin (on the thread that runs them); each pass takes the block
// being heard, waits 5 ms, then calls RenderBehind, which renders every block
// up to that one and returns false when the passes are to end.
void OutputPassesBegin();
uint32_t BlockHeard(OutputDevice* device);
bool RenderBehind(OutputDevice* device, uint32_t heard);
// What runs the passes, one file per platform (driver_thread.cpp, or
// output_web.cpp in a browser). Start returns false when they cannot start;
// Join, called once RenderBehind will return false, returns when no pass runs
// or will run again; Running says whether passes were started and not joined.
bool OutputDriverStart(OutputDevice* device);
void OutputDriverJoin();
bool OutputDriverRunning();

// A device reads the ring only behind the blocks the renderer has published:
// the renderer bumps RenderedBlocks (release) after every finished block and
// a device loads it (acquire) before it copies ring bytes. Tests also use the
// count to see when the output thread has caught up.
extern std::atomic<uint64_t> RenderedBlocks;
// Copies `bytes` bytes of the ring, starting at byte `position` (taken modulo
// RING_BYTES), wrapping round the end of the ring.
void CopyFromRing(const int16_t* ring, uint64_t position, uint8_t* destination, uint32_t bytes);

// Output thread bookkeeping kept by control.cpp, for tests and diagnostics.
int OutputThreadsAlive();  // output threads that have not yet ended
// How far the last output thread managed to raise its priority:
// a RaiseOutputThreadPriority result, or "" before any thread ran.
const char* OutputThreadPriority();
