// xmrender - renders an XM module to a 48 kHz 16-bit stereo WAV file through
// the music player's offline render (render.h): the player's own file source,
// loader, replayer and mixer, with no audio device and no thread, as fast as
// it can.
//
//   xmrender [--volume N] [--max-seconds S] IN.xm OUT.wav
//
// It renders one pass of the song: it stops at the song's end, when playback
// comes back to an order and row it has already played (other than through
// a pattern loop), or after S seconds (default 600), whichever comes first.
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render.h"

namespace {

constexpr double DEFAULT_MAX_SECONDS = 600;
constexpr int DEFAULT_VOLUME = 25;
constexpr uint32_t CHUNK_FRAMES = 16384;

int Usage() {
    fprintf(stderr,
            "usage: xmrender [--volume N] [--max-seconds S] IN.xm OUT.wav\n"
            "  --volume N       master volume index 0..25 (default 25)\n"
            "  --max-seconds S  stop after S seconds of audio (default 600)\n");
    return 1;
}

bool ParseNumber(const char* text, double lo, double hi, double& out) {
    char* end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno || end == text || *end || !(v >= lo && v <= hi)) return false;
    out = v;
    return true;
}

void Put32(uint8_t* b, uint32_t v) {
    for (int i = 0; i < 4; i++) b[i] = uint8_t(v >> (8 * i));
}

// The 44-byte header of a 48 kHz 16-bit stereo PCM file with dataBytes of samples.
void WavHeader(uint8_t* h, uint32_t dataBytes) {
    memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + dataBytes);
    memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put32(h + 20, 1 | (2 << 16));  // PCM, two channels
    Put32(h + 24, MUSIC_RENDER_RATE);
    Put32(h + 28, MUSIC_RENDER_RATE * 4);
    Put32(h + 32, 4 | (16 << 16));  // block alignment 4, 16 bits
    memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
}

// Samples go to the file as they are rendered, little-endian.
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

}  // namespace

int main(int argc, char** argv) {
    double volume = DEFAULT_VOLUME, maxSeconds = DEFAULT_MAX_SECONDS;
    const char* files[2] = {nullptr, nullptr};
    int fileCount = 0;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--volume")) {
            if (i + 1 >= argc || !ParseNumber(argv[++i], 0, 25, volume) || volume != int(volume))
                return Usage();
        } else if (!strcmp(argv[i], "--max-seconds")) {
            if (i + 1 >= argc || !ParseNumber(argv[++i], 0, 86400, maxSeconds)) return Usage();
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return Usage();
        } else {
            if (fileCount == 2) return Usage();
            files[fileCount++] = argv[i];
        }
    }
    if (fileCount != 2) return Usage();

    MusicRenderOptions options;
    options.noLoop = true;
    options.onePass = true;
    MusicRenderResult opened = MusicRenderOpenFile(files[0], options);
    if (opened == MUSIC_RENDER_NO_FILE) {
        fprintf(stderr, "xmrender: cannot open %s: %s\n", files[0], strerror(errno));
        return 1;
    }
    if (opened == MUSIC_RENDER_BAD_MODULE) {
        fprintf(stderr, "xmrender: %s is not an XM module this player can load\n", files[0]);
        return 1;
    }
    if (opened != MUSIC_RENDER_OK) {
        fprintf(stderr, "xmrender: %s: %s\n", files[0], MusicRenderResultText(opened));
        return 1;
    }

    FILE* out = fopen(files[1], "wb");
    if (!out) {
        fprintf(stderr, "xmrender: cannot write %s: %s\n", files[1], strerror(errno));
        MusicRenderClose();
        return 1;
    }
    static char buffer[1 << 20];
    setvbuf(out, buffer, _IOFBF, sizeof buffer);
    uint8_t header[44];
    WavHeader(header, 0);
    bool written = fwrite(header, 1, sizeof header, out) == sizeof header;

    static int16_t samples[2 * CHUNK_FRAMES];
    uint64_t maxFrames = uint64_t(maxSeconds * MUSIC_RENDER_RATE);
    uint64_t frames = 0;
    while (frames < maxFrames) {
        uint32_t want = maxFrames - frames < CHUNK_FRAMES ? uint32_t(maxFrames - frames) : CHUNK_FRAMES;
        uint32_t got = MusicRender(samples, want, int32_t(volume));
        written = WriteSamples(out, samples, 2 * size_t(got)) && written;
        frames += got;
        if (got < want) break;
    }
    bool ended = MusicRenderWhere().ended;
    MusicRenderClose();

    WavHeader(header, uint32_t(frames * 4));
    written =
        fseek(out, 0, SEEK_SET) == 0 && fwrite(header, 1, sizeof header, out) == sizeof header && written;
    if (fclose(out) != 0 || !written) {
        fprintf(stderr, "xmrender: cannot write %s: %s\n", files[1], strerror(errno));
        return 1;
    }
    double seconds = double(frames) / MUSIC_RENDER_RATE;
    int minutes = int(seconds / 60);
    printf("%s: %d:%06.3f (%llu frames at %u Hz)%s\n", files[0], minutes, seconds - 60 * minutes,
           (unsigned long long)frames, MUSIC_RENDER_RATE, ended ? "" : ", cut at the time limit");
    return 0;
}
