// song_preview - an offline preview of the game's song for measuring it:
// `song_preview IN.xm OUT.wav [--volume 0-25] [--passes N]`. It renders the
// notes, envelopes and effects the song uses with the game player's level
// structure (per-voice scale, division by 16,320, master gain), prints the
// peak and RMS of every order, and writes a 48 kHz 16-bit stereo WAV.
// It is a measuring aid for the song, not the game's music player.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "xm_read.h"

namespace {

constexpr int RATE = 48000;
constexpr double MIX_DIVISOR = 16320.0;
constexpr int GAIN_TABLE_TOP = 25;

const int HALF_SINE[32] = {0,   12,  25,  37,  49,  60,  71,  81, 90, 98, 106, 112, 117, 122, 125, 126,
                           127, 126, 125, 122, 117, 112, 106, 98, 90, 81, 71,  60,  49,  37,  25,  12};

struct EnvState {
    int pos = 0, index = 0, value = 0, delta = 0, out = 0;
    bool stopped = false;
};

struct Channel {
    const xmread::Instrument* ins = nullptr;
    const xmread::Sample* smp = nullptr;
    int note = 0, realNote = 0, period = 0, notePeriod = 0, target = 0;
    int volume = 0, volDelta = 0, periodDelta = 0, pan = 128;
    int portaMem = 0, portaSpeed = 0, volSlideMem = 0;
    int vibPos = 0, vibSpeed = 0, vibDepth = 0, tremPos = 0, tremSpeed = 0, tremDepth = 0;
    int prevEffect = 0, fade = 65536, avSweep = 0, avPos = 0;
    bool keyOff = false;
    EnvState venv, penv;
    // voice
    double pos = 0, step = 0;
    bool backward = false, playing = false;
    double left = 0, right = 0;
};

void EnvelopeStep(EnvState& e, const xmread::Envelope& env, bool keyedOff) {
    if (e.stopped) return;
    const int count = std::min(env.count, 12);
    if (e.index >= count) {
        e.out = e.value >> 16;
        ++e.pos;
        return;
    }
    if (e.pos != env.points[e.index].tick) {
        e.value += e.delta;
        e.out = e.value >> 16;
        ++e.pos;
        return;
    }
    if (env.hasLoop() && e.index == env.loopEnd) {
        e.index = env.loopStart;
        e.pos = env.points[e.index].tick;
    }
    const auto& p = env.points[e.index];
    e.out = p.value;
    if (e.index == count - 1) {
        e.stopped = true;
        return;
    }
    if (env.hasSustain() && e.index == env.sustain && !keyedOff) return;
    const auto& q = env.points[e.index + 1];
    ++e.index;
    e.value = p.value << 16;
    e.delta = q.tick == p.tick ? 0 : ((q.value - p.value) * 65536) / (q.tick - p.tick);
    e.out = p.value;
    ++e.pos;
}

int Wave(int pos, int type) {
    if ((type & 3) >= 2) return pos < 32 ? 127 : -127;
    if ((type & 3) == 1) return 127 - pos * 4;  // ramp down
    return pos < 32 ? HALF_SINE[pos] : -HALF_SINE[pos - 32];
}

void Vibrato(Channel& c) {
    c.periodDelta = ((Wave(c.vibPos, 0) * c.vibDepth) >> 5) >> 1;
    c.vibPos = (c.vibPos + c.vibSpeed) & 63;
}

void Tremolo(Channel& c) {
    c.volDelta = (Wave(c.tremPos, 0) * c.tremDepth) >> 5;
    c.tremPos = (c.tremPos + c.tremSpeed) & 63;
}

void TonePorta(Channel& c) {
    const int d = c.period - c.target;
    if (d > 0)
        c.period = std::max(c.target, c.period - 4 * c.portaSpeed);
    else
        c.period = std::min(c.target, c.period + 4 * c.portaSpeed);
}

void VolumeSlide(Channel& c) {
    if (c.volSlideMem >> 4)
        c.volume += c.volSlideMem >> 4;
    else
        c.volume -= c.volSlideMem & 15;
}

void Trigger(Channel& c, const xmread::Cell& cell) {
    if (!c.ins || c.ins->samples.empty()) {
        c.smp = nullptr;
        return;
    }
    c.smp =
        &c.ins->samples[c.ins->sampleForNote[c.note] < c.ins->samples.size() ? c.ins->sampleForNote[c.note]
                                                                             : 0];
    (void)cell;
}

void ResetInstrument(Channel& c) {
    if (!c.smp) return;
    c.volume = c.smp->volume;
    c.pan = c.smp->panning;
    c.venv = EnvState{};
    c.venv.out = 64;
    c.penv = EnvState{};
    c.penv.out = 32;
    c.fade = 65536;
    c.avSweep = c.avPos = 0;
    c.keyOff = false;
    c.tremPos = c.vibPos = 0;
}

void StartVoice(Channel& c) {
    c.pos = 0;
    c.backward = false;
    c.playing = c.smp && !c.smp->data.empty();
}

struct Song {
    const xmread::Module& m;
    int order = 0, row = 0, tick = 0, speed, bpm, globalVolume = 64;
    std::vector<Channel> ch;
    std::vector<xmread::Cell> rowCells;
    explicit Song(const xmread::Module& mod)
        : m(mod), speed(mod.defaultSpeed), bpm(mod.defaultBpm), ch(mod.channels) {}

    const xmread::Cell& cell(int c) { return m.patterns[m.orders[order]].at(row, c, m.channels); }

    void VolumeColumn(Channel& c, int v, bool first) {
        const int x = v & 15;
        switch (v >> 4) {
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
                if (first) c.volume = v - 0x10;
                break;
            case 6:
                c.volume -= x;
                break;
            case 7:
                c.volume += x;
                break;
            case 8:
                if (first) c.volume -= x;
                break;
            case 9:
                if (first) c.volume += x;
                break;
            case 0xA:
                if (first) c.vibSpeed = x;
                break;
            case 0xB:
                c.vibDepth = x;
                if (!first) Vibrato(c);
                break;
            case 0xC:
                if (first) c.pan = x * 16;
                break;
            case 0xF:
                if (first) {
                    if (x) c.portaSpeed = x * 16;
                    c.target = c.notePeriod;
                } else
                    TonePorta(c);
                break;
            default:
                break;
        }
    }

    void Delayed(Channel& c, const xmread::Cell& cl) {
        if (cl.instrument) ResetInstrument(c);
        c.period = c.notePeriod;
        StartVoice(c);
        if (cl.volume >= 0x10 && cl.volume <= 0x50) c.volume = cl.volume - 0x10;
    }

    void Row() {
        for (int i = 0; i < m.channels; ++i) {
            Channel& c = ch[i];
            const xmread::Cell& cl = cell(i);
            const bool porta = cl.effect == 3 || cl.effect == 5;
            if (!porta) {
                if (cl.instrument && cl.instrument <= m.instruments.size())
                    c.ins = &m.instruments[cl.instrument - 1];
                if (cl.note >= 1 && cl.note <= 96) c.note = cl.note - 1;
            }
            if (c.ins) Trigger(c, cl);
            if (c.prevEffect == 7 && cl.effect != 7) c.volume += c.volDelta;
            c.prevEffect = cl.effect;
            c.volDelta = c.periodDelta = 0;
            const bool delay = cl.effect == 0xE && (cl.param >> 4) == 0xD;
            bool trigger = false;
            if (cl.note >= 1 && cl.note <= 96 && c.smp) {
                c.realNote = c.note + c.smp->relativeNote;
                c.notePeriod = 7680 - 64 * c.realNote - c.smp->finetune / 2;
                if (!porta) c.period = c.notePeriod;
                trigger = true;
            }
            if (cl.instrument && !delay) ResetInstrument(c);
            if (!delay) VolumeColumn(c, cl.volume, true);
            if (cl.note >= 97) c.keyOff = true;
            Envelopes(c);
            const int x = cl.param >> 4, y = cl.param & 15;
            switch (cl.effect) {
                case 1:
                case 2:
                    if (cl.param) c.portaMem = cl.param;
                    break;
                case 3:
                    if (cl.param) c.portaSpeed = cl.param;
                    c.target = c.notePeriod;
                    trigger = false;
                    break;
                case 4:
                    if (x) c.vibSpeed = x;
                    if (y) c.vibDepth = y;
                    Vibrato(c);
                    break;
                case 7:
                    if (x) c.tremSpeed = x;
                    if (y) c.tremDepth = y;
                    break;
                case 0xA:
                    if (cl.param) c.volSlideMem = cl.param;
                    break;
                case 0xC:
                    c.volume = cl.param;
                    break;
                case 0xF:
                    if (cl.param < 32)
                        speed = cl.param;
                    else
                        bpm = cl.param;
                    break;
                case 0xE:
                    if (x == 0xD) trigger = false;
                    break;
                default:
                    break;
            }
            if (trigger) StartVoice(c);
            Voice(c);
        }
    }

    void Envelopes(Channel& c) {
        if (!c.ins) return;
        if (c.ins->volume.on())
            EnvelopeStep(c.venv, c.ins->volume, c.keyOff);
        else if (c.keyOff)
            c.venv.out = 0;
        if (c.ins->panning.on()) EnvelopeStep(c.penv, c.ins->panning, c.keyOff);
        if (c.keyOff) c.fade = std::max(0, c.fade - 2 * c.ins->fadeout);
    }

    void Tick() {
        for (int i = 0; i < m.channels; ++i) {
            Channel& c = ch[i];
            const xmread::Cell& cl = cell(i);
            c.volDelta = c.periodDelta = 0;
            Envelopes(c);
            VolumeColumn(c, cl.volume, false);
            const int x = cl.param >> 4, y = cl.param & 15;
            switch (cl.effect) {
                case 0:
                    if (cl.param) {
                        const int k = tick % 3;
                        c.periodDelta = 64 * (k == 0 ? 0 : k == 1 ? x : y);
                    }
                    break;
                case 1:
                    c.period = std::max(1, c.period - 4 * c.portaMem);
                    break;
                case 2:
                    c.period += 4 * c.portaMem;
                    break;
                case 3:
                    TonePorta(c);
                    break;
                case 4:
                    Vibrato(c);
                    break;
                case 7:
                    Tremolo(c);
                    break;
                case 0xA:
                    VolumeSlide(c);
                    break;
                case 0xE:
                    if (x == 0xC && tick == y) c.volume = 0;
                    if (x == 0xD && tick == y) Delayed(c, cl);
                    break;
                default:
                    break;
            }
            Voice(c);
        }
    }

    void Voice(Channel& c) {
        if (c.ins && c.ins->vibratoDepth) {
            const int p = c.avPos;
            int w;
            const int i = p & 127;
            static int quarter[65];
            if (!quarter[64])
                for (int k = 0; k <= 64; ++k) quarter[k] = int(std::lround(64 * std::sin(k * M_PI / 128)));
            w = i <= 64 ? quarter[i] : quarter[128 - i];
            if (p >= 128) w = -w;
            int v = c.ins->vibratoDepth * w;
            if (c.ins->vibratoSweep) v = v * c.avSweep / c.ins->vibratoSweep;
            c.periodDelta += v >> 6;
            c.avSweep = std::min(c.avSweep + 1, int(c.ins->vibratoSweep));
            c.avPos = (c.avPos + c.ins->vibratoRate) & 255;
        }
        const long long t =
            std::clamp<long long>((long long)(c.volume + c.volDelta) * 255 * globalVolume, 0, 1044480);
        const int env = std::clamp(c.venv.out, 0, 64);
        const long long vol = (t * env * c.fade) >> 35;
        const int q = std::clamp(c.pan + (c.penv.out - 32) * ((128 - std::abs(c.pan - 128)) >> 5), 0, 255);
        c.right = double(vol * q / 255);
        c.left = double(vol * (255 - q) / 255);
        const double freq = 8363.0 * std::pow(2.0, (4608.0 - c.period + c.periodDelta) / 768.0);
        c.step = (c.period + 0 <= 0 ? 40.0 : freq) / RATE;
    }

    // Adds one frame of a channel to l and r, in 16-bit output units.
    void Mix(Channel& c, double& l, double& r) {
        if (!c.playing || !c.smp) return;
        const xmread::Sample& s = *c.smp;
        const auto& d = s.data;
        // A loop that is empty or reaches past the data plays as no loop.
        const bool loopFits = s.loopLength() > 0 && size_t(s.loopStart()) + s.loopLength() <= d.size();
        const int loop = loopFits ? s.loopType() & 3 : 0;
        if (loop == 3 || d.empty()) {
            c.playing = false;
            return;
        }
        const double ls = s.loopStart(), le = double(s.loopStart()) + s.loopLength();
        const size_t i = size_t(c.pos);
        const double frac = c.pos - double(i);
        double a = i < d.size() ? d[i] : 0, b;
        if (i + 1 < d.size() && (loop == 0 || i + 1 < size_t(le)))
            b = d[i + 1];
        else
            b = loop == 1 ? d[size_t(ls)] : loop == 2 ? d[size_t(le) - 1] : 0;
        const double v = a + (b - a) * frac;
        l += v * c.left * 64.0 / MIX_DIVISOR;  // the mixer's scale: target / 255 of the sample
        r += v * c.right * 64.0 / MIX_DIVISOR;
        if (c.backward) {
            c.pos -= c.step;
            if (c.pos < ls) {
                c.pos = 2 * ls - c.pos;
                c.backward = false;
            }
        } else {
            c.pos += c.step;
            if (loop == 0) {
                if (c.pos >= d.size()) c.playing = false;
            } else if (c.pos >= le) {
                if (loop == 1)
                    c.pos = ls + std::fmod(c.pos - le, le - ls);
                else {
                    c.pos = 2 * le - c.pos - 1e-9;
                    c.backward = true;
                }
            }
        }
        if (loop == 2) c.pos = std::clamp(c.pos, ls, le - 1e-9);  // a step longer than the loop
    }
};

struct Stats {
    double peak = 0, sum = 0;
    long frames = 0, clipped = 0;
};

double Db(double v) {
    return v > 0 ? 20 * std::log10(v) : -999;
}

void WriteWav(const std::string& path, const std::vector<int16_t>& pcm) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t bytes = uint32_t(pcm.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(RATE);
    u32(RATE * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(bytes));
    if (!out) throw std::runtime_error(path + ": write failed");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IN.xm OUT.wav [--volume 0-25] [--passes N]\n", argv[0]);
        return 1;
    }
    int volumeIndex = GAIN_TABLE_TOP, passes = 1;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--volume"))
            volumeIndex = std::clamp(std::atoi(argv[i + 1]), 0, GAIN_TABLE_TOP);
        if (!std::strcmp(argv[i], "--passes")) passes = std::max(1, std::atoi(argv[i + 1]));
    }
    try {
        const xmread::Module m = xmread::Parse(xmread::ReadFile(argv[1]), argv[1]);
        const double gain =
            std::pow(10.0, -2.0 * (GAIN_TABLE_TOP - volumeIndex) / 20.0);  // about 2 dB a step
        for (int o = 0; o < m.songLength; ++o)
            if (m.orders[o] >= m.patterns.size())
                throw std::runtime_error(std::string(argv[1]) + ": order " + std::to_string(o) +
                                         " names a missing pattern");
        Song song(m);
        std::vector<int16_t> pcm;
        std::vector<Stats> perOrder(m.songLength);
        Stats all;
        std::vector<double> channelSum(m.channels, 0.0), peakVoices(m.channels, 0.0);
        int peakOrder = 0, peakRow = 0;
        int passDone = 0;
        double seconds = 0;
        while (passDone < passes) {
            if (song.tick == 0)
                song.Row();
            else
                song.Tick();
            const int frames = 120000 / std::max(1, song.bpm);
            Stats& st = perOrder[song.order];
            for (int f = 0; f < frames; ++f) {
                double l = 0, r = 0;
                for (size_t k = 0; k < song.ch.size(); ++k) {
                    double cl = 0, cr = 0;
                    song.Mix(song.ch[k], cl, cr);
                    channelSum[k] += cl * cl + cr * cr;
                    l += cl;
                    r += cr;
                }
                for (double v : {l, r}) {
                    const double a = std::fabs(v);
                    if (a > 32767) ++st.clipped, ++all.clipped;
                    if (a > all.peak) {
                        peakOrder = song.order, peakRow = song.row;
                        for (size_t k = 0; k < song.ch.size(); ++k)
                            peakVoices[k] = song.ch[k].playing ? song.ch[k].left + song.ch[k].right : 0;
                    }
                    st.peak = std::max(st.peak, a);
                    all.peak = std::max(all.peak, a);
                    st.sum += v * v;
                    all.sum += v * v;
                    pcm.push_back(int16_t(std::clamp(v, -32767.0, 32767.0) * gain));
                }
                ++st.frames;
                ++all.frames;
            }
            seconds += double(frames) / RATE;
            if (++song.tick >= std::max(1, song.speed)) {
                song.tick = 0;
                if (++song.row >= m.patterns[m.orders[song.order]].rows) {
                    song.row = 0;
                    if (++song.order >= m.songLength) {
                        song.order = m.restart < m.songLength ? m.restart : 0;
                        ++passDone;
                        std::printf("pass %d ends at %.2f s\n", passDone, seconds);
                    }
                }
            }
        }
        for (int o = 0; o < m.songLength; ++o) {
            const Stats& s = perOrder[o];
            if (!s.frames) continue;
            std::printf("order %2d pattern %2d  %6.2f s  peak %6.1f dBFS  rms %6.1f dBFS  clipped %ld\n", o,
                        m.orders[o], double(s.frames) / RATE, Db(s.peak / 32767),
                        Db(std::sqrt(s.sum / (2.0 * s.frames)) / 32767), s.clipped);
        }
        for (int k = 0; k < m.channels; ++k)
            std::printf("channel %d rms %6.1f dBFS\n", k,
                        Db(std::sqrt(channelSum[k] / (2.0 * all.frames)) / 32767));
        std::printf("loudest frame: order %d row %d; voice volumes", peakOrder, peakRow);
        for (double v : peakVoices) std::printf(" %.0f", v);
        std::printf("\n");
        std::printf("all: peak %.1f dBFS, rms %.1f dBFS, clipped %ld (before the master gain %.3f)\n",
                    Db(all.peak / 32767), Db(std::sqrt(all.sum / (2.0 * all.frames)) / 32767), all.clipped,
                    gain);
        WriteWav(argv[2], pcm);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
