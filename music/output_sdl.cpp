// output_sdl.cpp - the audio device on Linux and in a browser: SDL2 audio,
// whose callback copies the ring at the play cursor.
#include <SDL.h>

#include <cstring>

#include "output.h"
#include "player.h"

namespace {

constexpr int SDL_BUFFER_FRAMES = BLOCK_FRAMES;  // one ring block per callback

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

}  // namespace

std::unique_ptr<OutputDevice> OpenSdlOutput() {
    auto device = std::make_unique<SdlOutput>();
    if (!device->Open()) return nullptr;
    return device;
}

std::unique_ptr<OutputDevice> OpenPlatformOutput() {
    return OpenSdlOutput();
}
