// xmrender - renders an XM module to a 48 kHz 16-bit stereo WAV file through
// the music player's offline render (render.h): the player's own file source,
// loader, replayer and mixer, with no audio device and no thread, as fast as
// it can.
//
//   xmrender [--volume=N] [--max-seconds=S] IN.xm OUT.wav   (OUT.wav "-": stdout)
//
// It renders one pass of the song: it stops at the song's end, when playback
// comes back to an order and row it has already played (other than through
// a pattern loop), or after S seconds (default 600), whichever comes first.
// A WAV on standard output is streamed as it renders.
// Exit codes: 0 rendered, 1 a file cannot be read or written, 2 a wrong
// command line (named on stderr).
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "render.h"

namespace {

constexpr double DEFAULT_MAX_SECONDS = 600;
// A WAV file's sizes are 32-bit: it holds at most this many seconds (6 h 12 min).
constexpr double LONGEST_WAV_SECONDS = (0xFFFFFFFFu - 36) / (MUSIC_RENDER_RATE * 4);
constexpr int DEFAULT_VOLUME = 25;
constexpr uint32_t CHUNK_FRAMES = 16384;

void Help() {
    printf(
        "Usage: xmrender [OPTION]... IN.xm OUT.wav\n"
        "Render one pass of the XM module IN.xm to OUT.wav, 48 kHz 16-bit stereo,\n"
        "with Brovask's music player. OUT.wav \"-\" streams the WAV to standard output\n"
        "as it renders; its header then gives no length (sizes 0xFFFFFFFF).\n"
        "\n"
        "  --volume=N       master volume index 0..25 (default 25): 25 is full scale\n"
        "                   (0 dB) and each step down is about 2 dB quieter, so 20,\n"
        "                   the game's level, is -12 dB and 1 is -48 dB; 0 is all\n"
        "                   but silent (-90 dB)\n"
        "  --max-seconds=S  stop after S seconds of audio, 0..22369 (default 600;\n"
        "                   a WAV file holds at most 6 h 12 min)\n"
        "  -h, --help       show this help and exit\n"
        "  --version        show the version and exit\n"
        "\n"
        "The render stops at the song's end, when the song comes back to a row it\n"
        "has already played, or at the time limit. Values may also follow their\n"
        "option as the next argument (--volume 20).\n"
        "\n"
        "Exit status: 0 rendered; 1 IN.xm cannot be read or loaded, or OUT.wav\n"
        "cannot be written; 2 a wrong command line.\n");
}

// A wrong command line: one line naming the problem, a pointer to --help, exit code 2.
int CommandLineError(const std::string& problem) {
    fprintf(stderr, "xmrender: %s\nTry 'xmrender --help' for more information.\n", problem.c_str());
    return 2;
}

// Reads a number for an option; on failure says why in `problem`.
bool ParseNumber(const char* option, const char* text, double lo, double hi, bool whole, double& out,
                 std::string& problem) {
    char* end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno == ERANGE || end == text || *end || v != v || (whole && v != std::floor(v))) {
        problem = std::string(option) + ": " + (*text ? text : "\"\"") + " is not " +
                  (whole ? "a whole number" : "a number");
        return false;
    }
    if (!(v >= lo && v <= hi)) {
        char range[64];
        snprintf(range, sizeof range, "%g..%g", lo, hi);
        problem = std::string(option) + ": " + text + " is outside " + range;
        return false;
    }
    out = v;
    return true;
}

// The command line: the two files and the option values.
struct CommandLine {
    double volume = DEFAULT_VOLUME;
    double maxSeconds = DEFAULT_MAX_SECONDS;
    const char* files[2] = {nullptr, nullptr};  // the module, the output ("-": standard output)
    int fileCount = 0;
};

// The value of --volume or --max-seconds (argument `i`, "--name=V" or
// "--name V"). Returns -1 when it was read, else the exit code.
int ParseValueOption(int argc, char** argv, int& i, CommandLine& line) {
    std::string arg = argv[i];
    bool isVolume = arg.rfind("--volume", 0) == 0;
    std::string name = isVolume ? "--volume" : "--max-seconds";
    const char* value = nullptr;
    if (arg.size() > name.size() && arg[name.size()] == '=')
        value = argv[i] + name.size() + 1;
    else if (arg.size() > name.size())
        return CommandLineError("unknown option " + arg);
    else if (i + 1 < argc)
        value = argv[++i];
    else
        return CommandLineError(name + ": a value is missing");
    std::string problem;
    bool ok = isVolume ? ParseNumber("--volume", value, 0, 25, true, line.volume, problem)
                       : ParseNumber("--max-seconds", value, 0, LONGEST_WAV_SECONDS, false, line.maxSeconds,
                                     problem);
    return ok ? -1 : CommandLineError(problem);
}

// Reads the command line. Returns -1 when there is a module to render, else
// the exit code (--help and --version have done their work).
int ParseCommandLine(int argc, char** argv, CommandLine& line) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg[0] != '-') {
            if (line.fileCount == 2)
                return CommandLineError("unexpected argument " + arg + " (one module, one output)");
            line.files[line.fileCount++] = argv[i];
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            Help();
            return 0;
        } else if (arg == "--version") {
            printf("xmrender (Brovask) %s\n", BROVASK_VERSION);
            return 0;
        } else if (arg.rfind("--volume", 0) == 0 || arg.rfind("--max-seconds", 0) == 0) {
            int code = ParseValueOption(argc, argv, i, line);
            if (code >= 0) return code;
        } else {
            return CommandLineError("unknown option " + arg);
        }
    }
    if (line.fileCount != 2)
        return CommandLineError(line.fileCount == 0 ? "no module given"
                                                    : "no output file given (\"-\" for standard output)");
    return -1;
}

// Opens the module for one pass of rendering; false (with the message said)
// when it cannot be read or loaded.
bool OpenModule(const char* path) {
    MusicRenderOptions options;
    options.noLoop = true;
    options.onePass = true;
    MusicRenderResult opened = MusicRenderOpenFile(path, options);
    if (opened == MUSIC_RENDER_NO_FILE)
        fprintf(stderr, "xmrender: cannot open %s: %s\n", path, strerror(errno));
    else if (opened == MUSIC_RENDER_BAD_MODULE)
        fprintf(stderr, "xmrender: %s is not an XM module this player can load\n", path);
    else if (opened != MUSIC_RENDER_OK)
        fprintf(stderr, "xmrender: %s: %s\n", path, MusicRenderResultText(opened));
    return opened == MUSIC_RENDER_OK;
}

void Put32(uint8_t* b, uint32_t v) {
    for (int i = 0; i < 4; i++) b[i] = uint8_t(v >> (8 * i));
}

// A stream's length is not known when its header goes out, and a pipe cannot
// be rewound to fill it in afterwards: its RIFF and data sizes say
// 0xFFFFFFFF, which the format's readers (sox, ffmpeg, Python's wave, ...)
// take as "read to the end of the stream".
constexpr uint32_t STREAM_SIZE = 0xFFFFFFFF;

// The 44-byte header of a 48 kHz 16-bit stereo PCM file with dataBytes of
// samples (STREAM_SIZE: unknown).
void WavHeader(uint8_t* h, uint32_t dataBytes) {
    memcpy(h, "RIFF", 4);
    Put32(h + 4, dataBytes == STREAM_SIZE ? STREAM_SIZE : 36 + dataBytes);
    memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put32(h + 20, 1 | (2 << 16));  // PCM, two channels
    Put32(h + 24, MUSIC_RENDER_RATE);
    Put32(h + 28, MUSIC_RENDER_RATE * 4);
    Put32(h + 32, 4 | (16 << 16));  // block alignment 4, 16 bits
    memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
}

// Samples go out as they are rendered, little-endian.
bool WriteSamples(FILE* f, const int16_t* samples, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        return fwrite(samples, 2, count, f) == count;
    } else {
        std::vector<uint8_t> bytes(2 * count);
        for (size_t i = 0; i < count; i++) {
            bytes[2 * i] = uint8_t(uint16_t(samples[i]));
            bytes[2 * i + 1] = uint8_t(uint16_t(samples[i]) >> 8);
        }
        return fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
}

// The WAV being written: a file, whose header gets its sizes once the
// samples are all out, or standard output, streamed.
struct WavOutput {
    FILE* file = nullptr;
    bool stream = false;
    const char* name = nullptr;  // for messages
    bool written = true;         // every write so far succeeded
};

bool OpenOutput(WavOutput& out, const char* path) {
    out.stream = !strcmp(path, "-");
    out.name = out.stream ? "standard output" : path;
#ifdef _WIN32
    // Windows opens standard output in text mode, which would put a CR
    // before every byte 10 of the WAV.
    if (out.stream) _setmode(_fileno(stdout), _O_BINARY);
#endif
    out.file = out.stream ? stdout : fopen(path, "wb");
    if (!out.file) {
        fprintf(stderr, "xmrender: cannot write %s: %s\n", out.name, strerror(errno));
        return false;
    }
    static char buffer[1 << 20];
    setvbuf(out.file, buffer, _IOFBF, sizeof buffer);
    uint8_t header[44];
    WavHeader(header, out.stream ? STREAM_SIZE : 0);
    out.written = fwrite(header, 1, sizeof header, out.file) == sizeof header;
    return true;
}

// Renders up to maxFrames frames into the output, chunk by chunk, and stops
// at the first write that fails; returns the frames rendered.
uint64_t RenderInto(WavOutput& out, uint64_t maxFrames, int32_t volume) {
    static int16_t samples[2 * CHUNK_FRAMES];
    uint64_t frames = 0;
    while (frames < maxFrames) {
        uint32_t want = maxFrames - frames < CHUNK_FRAMES ? uint32_t(maxFrames - frames) : CHUNK_FRAMES;
        uint32_t got = MusicRender(samples, want, volume);
        out.written = WriteSamples(out.file, samples, 2 * size_t(got)) && out.written;
        frames += got;
        if (got < want || !out.written) break;  // the end of the song, or of the disk
    }
    return frames;
}

// Gives a file's header its sizes and closes the output; false (with the
// message said) when anything could not be written.
bool FinishOutput(WavOutput& out, uint64_t frames) {
    if (!out.stream) {
        uint8_t header[44];
        WavHeader(header, uint32_t(frames * 4));
        out.written = fseek(out.file, 0, SEEK_SET) == 0 &&
                      fwrite(header, 1, sizeof header, out.file) == sizeof header && out.written;
    }
    if (fclose(out.file) != 0 || !out.written) {
        fprintf(stderr, "xmrender: cannot write %s: %s\n", out.name, strerror(errno));
        return false;
    }
    return true;
}

// "IN.xm: m:ss.sss (N frames at 48000 Hz)", on standard error when the WAV
// takes standard output.
void PrintSummary(const char* module, uint64_t frames, bool ended, bool toStderr) {
    double seconds = double(frames) / MUSIC_RENDER_RATE;
    int minutes = int(seconds / 60);
    fprintf(toStderr ? stderr : stdout, "%s: %d:%06.3f (%llu frames at %u Hz)%s\n", module, minutes,
            seconds - 60 * minutes, (unsigned long long)frames, MUSIC_RENDER_RATE,
            ended ? "" : ", cut at the time limit");
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line;
    int code = ParseCommandLine(argc, argv, line);
    if (code >= 0) return code;
    if (!OpenModule(line.files[0])) return 1;
    WavOutput out;
    if (!OpenOutput(out, line.files[1])) {
        MusicRenderClose();
        return 1;
    }
    uint64_t frames = RenderInto(out, uint64_t(line.maxSeconds * MUSIC_RENDER_RATE), int32_t(line.volume));
    bool ended = MusicRenderWhere().ended;
    MusicRenderClose();
    if (!FinishOutput(out, frames)) return 1;
    PrintSummary(line.files[0], frames, ended, out.stream);
    return 0;
}
