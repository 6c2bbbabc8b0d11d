// channels_bench - where the mixer's time goes. First the steady mixer on
// its own: eight voices at steady whole volumes on looped samples, mixed a
// block at a time by MixVoices with every vector level the processor has and
// by the frame-by-frame reference, in nanoseconds per voice-frame. Then whole
// renders (song clock, replayer, mixer, conversion) of generated modules of
// 4, 8, 16, 32 and 64 channels, every channel playing all the time, with the
// nanoseconds per channel-frame (every channel's voice sounds all the time,
// so that is the cost per voice-frame of the whole render) and the multiple
// of real time on one core. The whole renders go through the player's
// offline-render interface; only the steady-mixer part drives the mixer
// stage itself.
//
//   channels_bench [REPEATS]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "mixer.h"
#include "render.h"
#include "testing.h"
#include "xm_writer.h"

namespace {

// Frames mixed per call, as the player mixes a block.
constexpr uint32_t MixFrames = BLOCK_FRAMES;

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

// A looped sample of 4,096 values, a sawtooth with a little of everything.
std::vector<int16_t> Wave(uint32_t length) {
    std::vector<int16_t> v(length);
    for (uint32_t i = 0; i < length; i++)
        v[i] = int16_t(int32_t(12000 * std::sin(i * 0.049)) + int32_t((i * 37) % 8192) - 4096);
    return v;
}

// Nanoseconds per voice-frame of MixVoices on eight steady voices.
double SteadyNanoseconds(bool reference, int repeats) {
    static std::vector<int16_t> storage;
    static SampleRecord sample{};
    const uint32_t length = 4096;
    if (storage.empty()) {
        std::vector<int16_t> wave = Wave(length);
        storage.assign(SAMPLE_LEAD_VALUES + length + SAMPLE_SPARE_VALUES, 0);
        std::copy(wave.begin(), wave.end(), storage.begin() + SAMPLE_LEAD_VALUES);
        sample.length = length;
        sample.loopStart = 0;
        sample.loopLength = length;
        sample.loopType = LOOP_FORWARD;
        sample.data = storage.data() + SAMPLE_LEAD_VALUES;
        sample.data[length] = sample.data[0];
    }
    const uint32_t voices = 8, blocks = 2000;
    std::vector<Voice> voice(voices);
    for (uint32_t i = 0; i < voices; i++) {
        Voice& v = voice[i];
        v.sample = &sample;
        double step = 0.17 + 0.23 * i;  // from about C-3 to two octaves higher
        v.stepInteger = uint32_t(step);
        v.stepFraction = uint32_t((step - std::floor(step)) * 4294967296.0);
        v.leftTarget = int32_t(40 + 8 * i);
        v.rightTarget = int32_t(100 - 7 * i);
        v.leftVolume = v.leftTarget * 128;
        v.rightVolume = v.rightTarget * 128;
        v.savedTargets = (uint32_t(v.leftTarget) << 16) + uint32_t(v.rightTarget);
    }
    const SongState saved = Song;
    Song.voices = voice.data();
    Song.channelCount = voices / 2;
    std::vector<int64_t> mix(2 * MixFrames);
    double best = 1e30;
    for (int r = 0; r < repeats; r++) {
        double start = CpuSeconds();
        for (uint32_t b = 0; b < blocks; b++) {
            std::fill(mix.begin(), mix.end(), 0);
            if (reference)
                MixVoicesReference(mix.data(), MixFrames);
            else
                MixVoices(mix.data(), MixFrames);
        }
        double seconds = CpuSeconds() - start;
        if (seconds < best) best = seconds;
    }
    Song = saved;
    return best * 1e9 / (double(voices) * blocks * MixFrames);
}

// A module of the given number of channels, 32 s long: every channel plays a
// looped sample (forward on even channels, ping-pong on odd ones) in notes
// that change every four rows, with volumes and panning spread out, so that
// it mixes new-note ramps as well as steady spans.
std::vector<uint8_t> ChannelModule(uint16_t channels) {
    XmModule m;
    m.channels = channels;
    m.tempo = 6;
    m.bpm = 125;
    const uint16_t rows = 64, patterns = 4;
    m.songLength = patterns;
    m.orders.clear();
    for (uint16_t p = 0; p < patterns; p++) {
        m.orders.push_back(uint8_t(p));
        m.patterns.push_back(EmptyPattern(rows, channels));
    }
    for (int k = 0; k < 2; k++) {
        XmSample s;
        s.data = Wave(4096);
        s.sixteen = true;
        s.loopStart = 256;
        s.loopLength = 3072;
        s.loopType = uint8_t(1 + k);
        s.relativeNote = int8_t(k ? -12 : 0);
        XmInstrument ins = SimpleInstrument(s);
        for (auto& n : ins.sampleForNote) n = 0;
        m.instruments.push_back(ins);
    }
    for (uint16_t p = 0; p < patterns; p++)
        for (uint16_t row = 0; row < rows; row += 4)
            for (uint16_t c = 0; c < channels; c++) {
                XmCell& cell = Cell(m, p, row, c);
                cell.note = uint8_t(25 + (c * 7 + row / 4 * 5 + p * 3) % 48);
                cell.instrument = uint8_t(1 + c % 2);
                cell.volume = uint8_t(0x10 + 16 + (c * 11 + row) % 48);  // volume column 16..63
                cell.effect = 8;                                         // panning
                cell.parameter = uint8_t((c * 97 + row * 13) % 256);
            }
    return BuildXm(m);
}

struct Render {
    double cpu = 1e30;
    uint64_t frames = 0;
};

// Renders one pass of the module, keeping the best processor time.
bool RenderModule(const std::vector<uint8_t>& bytes, bool reference, Render& result) {
    MusicRenderOptions options;
    options.noLoop = true;
    options.onePass = true;
    options.referenceMixer = reference;
    if (MusicRenderOpenMemory(bytes.data(), uint32_t(bytes.size()), options) != MUSIC_RENDER_OK) return false;
    constexpr uint32_t chunk = 4096;
    static std::vector<int16_t> out(2 * chunk);
    uint64_t frames = 0;
    double start = CpuSeconds();
    for (uint32_t got = 1; got > 0 && frames < uint64_t(600) * MUSIC_RENDER_RATE;) {
        got = MusicRender(out.data(), chunk, 25);
        frames += got;
    }
    double cpu = CpuSeconds() - start;
    MusicRenderClose();
    if (cpu < result.cpu) result.cpu = cpu;
    result.frames = frames;
    return true;
}

const char* LevelName(int level) {
    return level == 2 ? "AVX-512" : level == 1 ? "AVX2" : "plain";
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = argc > 1 ? atoi(argv[1]) : 5;
    if (repeats < 1) repeats = 1;

    const int available = MixerVectorLevelAvailable();
    printf("steady mixer, 8 voices at whole volumes, blocks of %u frames (processor time, best of %d):\n",
           MixFrames, repeats);
    double reference = SteadyNanoseconds(true, repeats);
    for (int level = available; level >= 0; level--) {
        SetMixerVectorLevel(level);
        double fast = SteadyNanoseconds(false, repeats);
        printf("  fast mixer, %-8s %6.2f ns per voice-frame  (%.1fx the reference)\n", LevelName(level), fast,
               reference / fast);
    }
    SetMixerVectorLevel(available);
    printf("  reference mixer:   %6.2f ns per voice-frame\n\n", reference);

    printf("whole render of a generated module, every channel playing (processor time, best of %d):\n",
           repeats);
    printf("  channels   audio    render   real time   ns per channel-frame   reference ns\n");
    for (uint16_t channels : {4, 8, 16, 32, 64}) {
        std::vector<uint8_t> bytes = ChannelModule(channels);
        Render fast, slow;
        for (int r = 0; r < repeats; r++)
            if (!RenderModule(bytes, false, fast)) {
                fprintf(stderr, "channels_bench: the %u-channel module does not load\n", unsigned(channels));
                return 1;
            }
        RenderModule(bytes, true, slow);
        double audio = double(fast.frames) / MUSIC_RENDER_RATE;
        double perFrame = 1e9 / (double(fast.frames) * channels);
        printf("  %8u %7.1f s %7.4f s %8.0fx %14.2f %20.2f\n", unsigned(channels), audio, fast.cpu,
               audio / fast.cpu, fast.cpu * perFrame, slow.cpu * perFrame);
    }

    return 0;
}
