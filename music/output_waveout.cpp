// output_waveout.cpp - the audio device on Windows: waveOut, 48 kHz 16-bit
// stereo PCM on the default device, playing the OutputRing as one buffer that
// the device itself loops for ever (begin-loop and end-loop on one header,
// loop count 0xFFFFFFFF); the play position comes from waveOutGetPosition in
// bytes. And the output thread's priority: time-critical.
#include <windows.h>
#include <mmsystem.h>

#include "output.h"
#include "player.h"

namespace {

constexpr DWORD ENDLESS_LOOPS = 0xFFFFFFFF;
// Sleep(5) sleeps 5 ms only with the system timer at 1 ms; it is asked for
// while the device is open.
constexpr UINT TIMER_PERIOD_MS = 1;

class WaveOutput final : public OutputDevice {
   public:
    ~WaveOutput() override {
        if (!wave_) return;
        waveOutReset(wave_);
        if (prepared_) waveOutUnprepareHeader(wave_, &header_, sizeof header_);
        waveOutClose(wave_);
        timeEndPeriod(TIMER_PERIOD_MS);
    }

    bool Open() {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = OUTPUT_RATE;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = OUTPUT_RATE * 4;
        if (waveOutOpen(&wave_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            wave_ = nullptr;
            return false;
        }
        timeBeginPeriod(TIMER_PERIOD_MS);
        return true;
    }

    bool Start(const int16_t* ring) override {
        if (!wave_ || !ring) return false;
        header_ = WAVEHDR{};
        header_.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(ring));
        header_.dwBufferLength = RING_BYTES;
        header_.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header_.dwLoops = ENDLESS_LOOPS;
        if (waveOutPrepareHeader(wave_, &header_, sizeof header_) != MMSYSERR_NOERROR) return false;
        prepared_ = true;
        lastBytes_ = 0;
        laps_ = 0;
        return waveOutWrite(wave_, &header_, sizeof header_) == MMSYSERR_NOERROR;
    }

    // waveOut counts bytes in 32 bits; the count is widened here, one more
    // 4 GiB lap each time it wraps (after about 6 hours).
    uint64_t PlayPosition() const override {
        MMTIME time{};
        time.wType = TIME_BYTES;
        if (!wave_ || waveOutGetPosition(wave_, &time, sizeof time) != MMSYSERR_NOERROR) return lastPosition_;
        DWORD bytes = time.wType == TIME_BYTES ? time.u.cb : time.wType == TIME_SAMPLES ? time.u.sample * 4 : 0;
        if (bytes < lastBytes_) laps_++;
        lastBytes_ = bytes;
        lastPosition_ = (laps_ << 32) | bytes;
        return lastPosition_;
    }

    void Reset() override {
        if (wave_) waveOutReset(wave_);  // returns the header: the ring is no longer read
        lastBytes_ = 0;
        laps_ = 0;
        lastPosition_ = 0;
    }

   private:
    HWAVEOUT wave_ = nullptr;
    WAVEHDR header_{};
    bool prepared_ = false;
    // Only the output thread asks for the position.
    mutable DWORD lastBytes_ = 0;
    mutable uint64_t laps_ = 0;
    mutable uint64_t lastPosition_ = 0;
};

}  // namespace

std::unique_ptr<OutputDevice> OpenPlatformOutput() {
    auto device = std::make_unique<WaveOutput>();
    if (!device->Open()) return nullptr;
    return device;
}

const char* RaiseOutputThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) ? "time-critical" : "none";
}
