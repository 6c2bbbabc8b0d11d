// synth.cpp - draws every sample of the song. Tonal samples are sums of
// harmonics over a whole number of cycles so that their loops join without
// a click; drums are one-shots drawn at DRUM_RATE.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace song {
namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double C4_HZ = 261.6255653;
constexpr double C4_PLAYBACK_RATE = 8363.0;  // a sample at C-4 plays at this rate

// xorshift32: small, fast and the same on every machine.
class Noise {
   public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
    double next() {  // -1..1
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return double(state_) / 2147483648.0 - 1.0;
    }

   private:
    uint32_t state_;
};

// One-pole low-pass; `cutoff` in Hz at `rate`.
class LowPass {
   public:
    LowPass(double cutoff, double rate) : a_(1.0 - std::exp(-2.0 * PI * cutoff / rate)) {}
    double operator()(double x) { return y_ += a_ * (x - y_); }

   private:
    double a_, y_ = 0;
};

// State-variable band-pass (Chamberlin form), for snare, hat and crash
// noise. It runs twice per sample: at the drum rate alone it is unstable for
// centres above about a fifth of the rate (the hat's 9 kHz, the crash's
// 6.5 kHz), where it would run away into a full-scale offset.
class BandPass {
   public:
    BandPass(double centre, double q, double rate)
        : f_(2.0 * std::sin(PI * centre / (2.0 * rate))), damp_(1.0 / q) {}
    double operator()(double x) {
        for (int pass = 0; pass < 2; ++pass) {
            const double high = x - low_ - damp_ * band_;
            band_ += f_ * high;
            low_ += f_ * band_;
        }
        return band_;
    }

   private:
    double f_, damp_, low_ = 0, band_ = 0;
};

// Band-limited pulse of duty `duty` and saw, as harmonic amplitudes at phase t (0..1).
double PulseSaw(double t, double duty, double sawMix, int harmonics, double rolloff) {
    double v = 0;
    for (int k = 1; k <= harmonics; ++k) {
        const double soft = 1.0 / (1.0 + std::pow(double(k) / rolloff, 2.0));
        const double pulse = 2.0 / (k * PI) * std::sin(PI * k * duty) * std::cos(2.0 * PI * k * t);
        const double saw = 2.0 / (k * PI) * std::sin(2.0 * PI * k * t) * ((k & 1) ? 1.0 : -1.0);
        v += soft * ((1.0 - sawMix) * pulse + sawMix * saw);
    }
    return v;
}

Sample Named(const char* name) {
    Sample s;
    s.name = name;
    return s;
}

void Drum(Sample& s, bool sixteenBit) {
    s.sixteenBit = sixteenBit;
    s.relativeNote = DRUM_RELATIVE_NOTE;
    s.finetune = 0;
}

}  // namespace

void TuneCycle(Sample& s, int cycle) {
    const double semitones = 12.0 * std::log2(C4_HZ * cycle / C4_PLAYBACK_RATE);
    const int whole = int(std::floor(semitones + 0.5));
    s.relativeNote = int8_t(whole);
    s.finetune = int8_t(std::clamp(int(std::lround((semitones - whole) * 128.0)), -128, 127));
}

void Store(Sample& s, const std::vector<double>& wave, double peak) {
    double top = 1e-9;
    for (double v : wave) top = std::max(top, std::fabs(v));
    const double scale = peak / top;
    s.data.resize(wave.size());
    for (size_t i = 0; i < wave.size(); ++i) {
        const double v = wave[i] * scale;
        if (s.sixteenBit)
            s.data[i] = int16_t(std::clamp(std::lround(v * 32767.0), -32767L, 32767L));
        else
            s.data[i] = int16_t(std::clamp(std::lround(v * 127.0), -127L, 127L) * 256);
    }
}

// A bright lead: pulse and saw whose pulse width sweeps once over the loop,
// 32 cycles of 128 samples, looped forward.
Sample LeadSample() {
    constexpr int CYCLE = 128, CYCLES = 32, LENGTH = CYCLE * CYCLES;
    Sample s = Named("lead pulse");
    std::vector<double> w(LENGTH);
    for (int i = 0; i < LENGTH; ++i) {
        const double duty = 0.30 + 0.12 * std::sin(2.0 * PI * i / LENGTH);
        w[i] = PulseSaw(double(i % CYCLE) / CYCLE, duty, 0.35, 16, 9.0);
    }
    Store(s, w, 0.9);
    s.loop = LoopType::Forward;
    s.loopStart = 0;
    s.loopLength = LENGTH;
    TuneCycle(s, CYCLE);
    return s;
}

// Bass: a driven saw whose filter closes over the first 24 cycles; the last,
// darkest cycle is the forward loop.
Sample BassSample() {
    constexpr int CYCLE = 256, ATTACK_CYCLES = 24, LENGTH = CYCLE * (ATTACK_CYCLES + 1);
    Sample s = Named("bass saw");
    std::vector<double> w(LENGTH);
    for (int i = 0; i < LENGTH; ++i) {
        const double progress = std::min(1.0, double(i) / (CYCLE * ATTACK_CYCLES));
        const double cutoff = 5.0 + 19.0 * std::pow(1.0 - progress, 2.0);
        const double t = double(i % CYCLE) / CYCLE;
        double v = 0.6 * std::sin(2.0 * PI * t);  // sub body
        for (int k = 1; k <= 48; ++k) {
            const double lp = 1.0 / std::sqrt(1.0 + std::pow(double(k) / cutoff, 4.0));
            v += lp * std::sin(2.0 * PI * k * t) / k;
        }
        w[i] = std::tanh(1.4 * v);
    }
    Store(s, w, 0.9);
    s.loop = LoopType::Forward;
    s.loopStart = CYCLE * ATTACK_CYCLES;
    s.loopLength = CYCLE;
    TuneCycle(s, CYCLE);
    return s;
}

// Pad: three slightly detuned soft saws. Every partial is a cosine that is
// in phase at both ends of the sample, so the wave is mirror-symmetric there
// and a ping-pong loop over the whole sample turns round without a seam.
Sample PadSample(uint32_t seed) {
    constexpr int LENGTH = 16384;
    constexpr int BASE = 2 * LENGTH / 128;  // half-cycles per sample for a 128-sample cycle
    Sample s = Named("pad strings");
    Noise signs(seed);
    std::vector<double> w(LENGTH, 0.0);
    for (int h = 1; h <= 12; ++h) {
        const double amp = 1.0 / std::pow(double(h), 1.3);
        for (int detune = -1; detune <= 1; ++detune) {
            const int halfCycles = h * (BASE + detune);
            const double sign = signs.next() < 0 ? -1.0 : 1.0;
            for (int i = 0; i < LENGTH; ++i)
                w[i] += sign * amp * std::cos(PI * double(halfCycles) * i / LENGTH);
        }
    }
    Store(s, w, 0.9);
    s.loop = LoopType::PingPong;
    s.loopStart = 0;
    s.loopLength = LENGTH;
    TuneCycle(s, 128);
    return s;
}

// Chip pluck: an 8-bit square of 64 samples, looped forward.
Sample PluckSample() {
    constexpr int CYCLE = 64, LENGTH = CYCLE * 4;
    Sample s = Named("chip square");
    s.sixteenBit = false;
    std::vector<double> w(LENGTH);
    for (int i = 0; i < LENGTH; ++i) w[i] = PulseSaw(double(i % CYCLE) / CYCLE, 0.5, 0.0, 15, 12.0);
    Store(s, w, 0.9);
    s.loop = LoopType::Forward;
    s.loopStart = 0;
    s.loopLength = LENGTH;
    TuneCycle(s, CYCLE);
    return s;
}

// Kick: a sine falling from 160 Hz to 45 Hz, with a short noise click.
Sample KickSample() {
    const int length = int(DRUM_RATE * 0.42);
    Sample s = Named("kick");
    Drum(s, true);
    Noise noise(0x4B1C);
    LowPass clickTone(3000.0, DRUM_RATE);
    std::vector<double> w(length);
    double phase = 0;
    for (int i = 0; i < length; ++i) {
        const double t = i / DRUM_RATE;
        const double freq = 45.0 + 115.0 * std::exp(-t / 0.035);
        phase += 2.0 * PI * freq / DRUM_RATE;
        const double body = std::sin(phase) * std::exp(-t / 0.16) * std::min(1.0, t / 0.002);
        const double click = clickTone(noise.next()) * std::exp(-t / 0.004);
        w[i] = std::tanh(1.8 * (body + 0.8 * click)) * (t > 0.36 ? (0.42 - t) / 0.06 : 1.0);
    }
    Store(s, w, 0.95);
    return s;
}

// Snare: two body tones under band-passed noise.
Sample SnareSample() {
    const int length = int(DRUM_RATE * 0.32);
    Sample s = Named("snare");
    Drum(s, true);
    Noise noise(0x5A4E);
    BandPass rattle(3500.0, 0.8, DRUM_RATE);
    LowPass soften(9000.0, DRUM_RATE);
    std::vector<double> w(length);
    for (int i = 0; i < length; ++i) {
        const double t = i / DRUM_RATE;
        const double body =
            (std::sin(2 * PI * 180.0 * t) + 0.6 * std::sin(2 * PI * 330.0 * t)) * std::exp(-t / 0.05);
        const double hiss = soften(rattle(noise.next())) * std::exp(-t / 0.09);
        w[i] = std::tanh(1.5 * (0.7 * body + 1.6 * hiss)) * std::min(1.0, t / 0.001);
    }
    Store(s, w, 0.85);
    return s;
}

// Hi-hat: high-passed noise with a metallic ring, 8-bit; cut short by the
// song for a closed hat.
Sample HatSample() {
    const int length = int(DRUM_RATE * 0.30);
    Sample s = Named("hat");
    Drum(s, false);
    Noise noise(0x4A7);
    BandPass sizzle(9000.0, 1.2, DRUM_RATE);
    std::vector<double> w(length);
    const double ring[] = {3120.0, 4470.0, 5210.0, 7380.0};
    for (int i = 0; i < length; ++i) {
        const double t = i / DRUM_RATE;
        double metal = 0;
        for (double f : ring) metal += std::sin(2 * PI * f * t) > 0 ? 0.25 : -0.25;
        w[i] = (sizzle(noise.next() + 0.3 * metal)) * std::exp(-t / 0.07);
    }
    Store(s, w, 0.9);
    return s;
}

// Crash cymbal: a long 8-bit wash of noise and inharmonic squares.
Sample CrashSample() {
    const int length = int(DRUM_RATE * 1.6);
    Sample s = Named("crash");
    Drum(s, false);
    Noise noise(0xC4A5);
    BandPass wash(6500.0, 0.7, DRUM_RATE);
    std::vector<double> w(length);
    const double ring[] = {2270.0, 3390.0, 4150.0, 5560.0, 6930.0, 8010.0};
    for (int i = 0; i < length; ++i) {
        const double t = i / DRUM_RATE;
        double metal = 0;
        for (double f : ring) metal += std::sin(2 * PI * f * t) > 0 ? 0.2 : -0.2;
        const double fadeTail = t > 1.4 ? (1.6 - t) / 0.2 : 1.0;
        w[i] = wash(noise.next() + 0.25 * metal) * std::exp(-t / 0.45) * fadeTail * std::min(1.0, t / 0.002);
    }
    Store(s, w, 0.9);
    return s;
}

// Tom: a sine that drops a little in pitch; played at several notes in fills.
Sample TomSample() {
    const int length = int(DRUM_RATE * 0.5);
    Sample s = Named("tom");
    Drum(s, true);
    Noise noise(0x70A);
    LowPass thump(1200.0, DRUM_RATE);
    std::vector<double> w(length);
    double phase = 0;
    for (int i = 0; i < length; ++i) {
        const double t = i / DRUM_RATE;
        phase += 2.0 * PI * (110.0 + 40.0 * std::exp(-t / 0.05)) / DRUM_RATE;
        const double tail = t > 0.44 ? (0.5 - t) / 0.06 : 1.0;
        w[i] = std::tanh(1.3 * (std::sin(phase) + 0.3 * thump(noise.next()) * std::exp(-t / 0.01))) *
               std::exp(-t / 0.17) * tail;
    }
    Store(s, w, 0.95);
    return s;
}

// Riser: band-passed noise looped forward; the song sweeps it up with
// portamento. The loop's end is cross-faded into its start so it joins.
Sample RiserSample() {
    constexpr int LENGTH = 8192, FADE = 1024;
    Sample s = Named("riser noise");
    Drum(s, false);
    Noise noise(0x815E);
    BandPass band(2500.0, 2.0, DRUM_RATE);
    std::vector<double> raw(LENGTH + FADE);
    for (double& v : raw) v = band(noise.next());
    std::vector<double> w(raw.begin(), raw.begin() + LENGTH);
    for (int i = 0; i < FADE; ++i) {
        const double a = double(i) / FADE;  // the start takes over from the tail
        w[i] = a * raw[i] + (1.0 - a) * raw[LENGTH + i];
    }
    Store(s, w, 0.9);
    s.loop = LoopType::Forward;
    s.loopStart = 0;
    s.loopLength = LENGTH;
    return s;
}

}  // namespace song
