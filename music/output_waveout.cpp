// output_waveout.cpp - the audio device on Windows: waveOut, 48 kHz 16-bit
// stereo PCM on the default device, playing the OutputRing as one buffer that
// the device itself loops for ever (begin-loop and end-loop on one header,
// loop count 0xFFFFFFFF); the play position comes from waveOutGetPosition in
// bytes, or in samples from a driver that will not count bytes. And the
// output thread's priority: time-critical.
#include "output_waveout.h"

#include <atomic>

#include "output.h"
#include "player.h"

namespace {

// Tests may swap it while the output thread asks.
std::atomic<WavePositionQuery> PositionQuery{waveOutGetPosition};

constexpr DWORD ENDLESS_LOOPS = 0xFFFFFFFF;
constexpr DWORD BYTES_PER_SAMPLE = 4;  // waveOut's sample: one stereo frame of 16-bit values
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
        // A device that cannot say where it plays is no device: the game then
        // runs silent rather than loop the first 340 ms of its music for ever.
        DWORD bytes = 0;
        if (AskPosition(bytes) == Answer::Unusable) return false;
        return waveOutWrite(wave_, &header_, sizeof header_) == MMSYSERR_NOERROR;
    }

    // waveOut counts bytes in 32 bits; the count is widened here, one more
    // 4 GiB lap each time it wraps (after about 6 hours). Should the driver
    // stop answering in bytes or samples, the device falls silent and the
    // position stands still, so nothing more is rendered.
    uint64_t PlayPosition() const override {
        if (!wave_ || muted_) return lastPosition_;
        DWORD bytes = 0;
        Answer answer = AskPosition(bytes);
        if (answer == Answer::Failed) return lastPosition_;
        if (answer == Answer::Unusable) {
            waveOutReset(wave_);
            muted_ = true;
            return lastPosition_;
        }
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
    enum class Answer { Bytes, Failed, Unusable };

    // The position in bytes, asked for in bytes and then, from a driver that
    // answers in another format (milliseconds, say), in samples of 4 bytes.
    // The format that worked is asked for first from then on.
    Answer AskPosition(DWORD& bytes) const {
        static constexpr UINT FORMATS[] = {TIME_BYTES, TIME_SAMPLES};
        for (size_t tries = 0; tries < 2; tries++) {
            MMTIME time{};
            time.wType = FORMATS[format_];
            if (PositionQuery.load()(wave_, &time, sizeof time) != MMSYSERR_NOERROR) return Answer::Failed;
            if (time.wType == TIME_BYTES || time.wType == TIME_SAMPLES) {
                // Samples wrap at 2^32 where bytes wrap at 2^30 samples: the
                // low 32 bits of the product count on across both.
                bytes = time.wType == TIME_BYTES ? time.u.cb : time.u.sample * BYTES_PER_SAMPLE;
                return Answer::Bytes;
            }
            format_ = 1 - format_;
        }
        return Answer::Unusable;
    }

    HWAVEOUT wave_ = nullptr;
    WAVEHDR header_{};
    bool prepared_ = false;
    // Only the output thread asks for the position.
    mutable DWORD lastBytes_ = 0;
    mutable uint64_t laps_ = 0;
    mutable uint64_t lastPosition_ = 0;
    mutable size_t format_ = 0;  // index into AskPosition's FORMATS
    mutable bool muted_ = false;
};

}  // namespace

std::unique_ptr<OutputDevice> OpenPlatformOutput() {
    auto device = std::make_unique<WaveOutput>();
    if (!device->Open()) return nullptr;
    return device;
}

WavePositionQuery SetWavePositionQuery(WavePositionQuery query) {
    return PositionQuery.exchange(query ? query : waveOutGetPosition);
}

const char* RaiseOutputThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) ? "time-critical" : "none";
}
