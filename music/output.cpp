// output.cpp - the audio devices: SDL2 audio, whose callback copies the ring
// at the play cursor, and the hand-moved device the tests use.
#include "output.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

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

// ---------------------------------------------------------------- SDL2 audio

namespace {

constexpr int SDL_BUFFER_FRAMES = 1024;  // one ring block per callback

class SdlOutput final : public OutputDevice {
   public:
    SdlOutput() = default;
    ~SdlOutput() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Open() {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        subsystem_ = true;
        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = OUTPUT_RATE;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = SDL_BUFFER_FRAMES;
        want.callback = &SdlOutput::Callback;
        want.userdata = this;
        SDL_AudioSpec have;
        // No changes allowed: SDL converts to whatever the hardware wants, so the
        // ring is always played as 48 kHz 16-bit stereo. Devices open paused.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        return device_ != 0;
    }

    bool Start(const int16_t* ring) override {
        if (device_ == 0 || ring == nullptr) return false;
        SDL_LockAudioDevice(device_);
        ring_ = ring;
        position_.store(0, std::memory_order_relaxed);
        SDL_UnlockAudioDevice(device_);
        SDL_PauseAudioDevice(device_, 0);
        return SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_PLAYING;
    }

    uint64_t PlayPosition() const override { return position_.load(std::memory_order_acquire); }

    void Reset() override {
        if (device_ == 0) return;
        // Pausing takes the device lock, so once it returns the callback is not
        // running and will not run again: nothing reads the ring after this.
        SDL_PauseAudioDevice(device_, 1);
        SDL_LockAudioDevice(device_);
        ring_ = nullptr;
        position_.store(0, std::memory_order_relaxed);
        SDL_UnlockAudioDevice(device_);
    }

   private:
    static void SDLCALL Callback(void* self, Uint8* stream, int length) {
        static_cast<SdlOutput*>(self)->Feed(stream, static_cast<uint32_t>(length));
    }

    void Feed(uint8_t* stream, uint32_t length) {
        if (ring_ == nullptr) {
            std::memset(stream, 0, length);
            return;
        }
        uint64_t position = position_.load(std::memory_order_relaxed);
        RenderedBlocks.load(std::memory_order_acquire);
        CopyFromRing(ring_, position, stream, length);
        // Release: the output thread overwrites these bytes only after it has
        // seen the new position.
        position_.store(position + length, std::memory_order_release);
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
    const int16_t* ring_ = nullptr;
    std::atomic<uint64_t> position_{0};
};

std::unique_ptr<OutputDevice> OpenSdl() {
    auto device = std::make_unique<SdlOutput>();
    if (!device->Open()) return nullptr;
    return device;
}

std::atomic<OutputFactory> Factory{nullptr};

}  // namespace

std::unique_ptr<OutputDevice> OpenSdlOutput() {
    return OpenSdl();
}

std::unique_ptr<OutputDevice> OutputOpen() {
    OutputFactory factory = Factory.load();
    return factory != nullptr ? factory() : OpenSdl();
}

OutputFactory OutputSetFactory(OutputFactory factory) {
    return Factory.exchange(factory);
}

// ------------------------------------------------------ the hand-moved device

namespace {

struct ManualState {
    std::mutex lock;  // guards everything below
    bool opens = true;
    bool starts = true;
    class ManualDevice* current = nullptr;
    std::vector<int16_t> played;
    int openNow = 0;
    int mostOpen = 0;
    int opened = 0;
    int closed = 0;
};
ManualState Manual;

class ManualDevice final : public OutputDevice {
   public:
    ManualDevice() {
        std::lock_guard<std::mutex> hold(Manual.lock);
        Manual.current = this;
        ++Manual.opened;
        ++Manual.openNow;
        if (Manual.openNow > Manual.mostOpen) Manual.mostOpen = Manual.openNow;
    }
    ~ManualDevice() override {
        std::lock_guard<std::mutex> hold(Manual.lock);
        if (Manual.current == this) Manual.current = nullptr;
        --Manual.openNow;
        ++Manual.closed;
    }
    bool Start(const int16_t* ring) override {
        std::lock_guard<std::mutex> hold(Manual.lock);
        if (!Manual.starts) return false;
        ring_ = ring;
        position_.store(0);
        return true;
    }
    uint64_t PlayPosition() const override { return position_.load(std::memory_order_acquire); }
    void Reset() override {
        std::lock_guard<std::mutex> hold(Manual.lock);
        ring_ = nullptr;
        position_.store(0);
    }
    // Called with Manual.lock held.
    bool Play(uint32_t bytes) {
        if (ring_ == nullptr) return false;
        uint64_t position = position_.load(std::memory_order_relaxed);
        RenderedBlocks.load(std::memory_order_acquire);
        size_t at = Manual.played.size();
        Manual.played.resize(at + bytes / 2);
        CopyFromRing(ring_, position, reinterpret_cast<uint8_t*>(Manual.played.data() + at), bytes & ~1u);
        position_.store(position + bytes, std::memory_order_release);
        return true;
    }
    bool Started() const { return ring_ != nullptr; }

   private:
    const int16_t* ring_ = nullptr;
    std::atomic<uint64_t> position_{0};
};

std::unique_ptr<OutputDevice> OpenManual() {
    if (ManualOutput::OnOpen != nullptr) ManualOutput::OnOpen();
    {
        std::lock_guard<std::mutex> hold(Manual.lock);
        if (!Manual.opens) return nullptr;
    }
    return std::make_unique<ManualDevice>();
}

}  // namespace

void (*ManualOutput::OnOpen)() = nullptr;

void ManualOutput::Install(bool opens, bool starts) {
    {
        std::lock_guard<std::mutex> hold(Manual.lock);
        Manual.opens = opens;
        Manual.starts = starts;
        Manual.played.clear();
        Manual.mostOpen = Manual.openNow;
        Manual.opened = 0;
        Manual.closed = 0;
    }
    OutputSetFactory(&OpenManual);
}

void ManualOutput::Uninstall() {
    OutputSetFactory(nullptr);
    OnOpen = nullptr;
}

bool ManualOutput::Play(uint32_t bytes) {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.current != nullptr && Manual.current->Play(bytes);
}

std::vector<int16_t> ManualOutput::TakePlayed() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    std::vector<int16_t> out;
    out.swap(Manual.played);
    return out;
}

uint64_t ManualOutput::Position() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.current != nullptr ? Manual.current->PlayPosition() : 0;
}

bool ManualOutput::Playing() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.current != nullptr && Manual.current->Started();
}

int ManualOutput::OpenNow() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.openNow;
}

int ManualOutput::MostOpenAtOnce() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.mostOpen;
}

int ManualOutput::Opened() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.opened;
}

int ManualOutput::Closed() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.closed;
}
