// music_bench - how many times faster than real time the player renders a
// song: one pass through the offline render (render.h) with the fast mixer,
// and the same pass with the frame-by-frame reference mixer, in the same process. Both renders
// must give the same samples; the benchmark says so if they do not.
//
//   music_bench SONG.xm [REPEATS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "render.h"

namespace {

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

std::vector<int16_t> Audio;  // the render, kept for the comparison outside the timing

struct Result {
    double seconds = 1e30;  // best wall time of a render
    double cpu = 1e30;      // best processor time of a render
    uint64_t frames = 0;
    uint64_t checksum = 0;
};

constexpr uint64_t MAX_FRAMES = uint64_t(600) * MUSIC_RENDER_RATE;
constexpr uint32_t CHUNK_FRAMES = 16384;

bool RenderOnce(const char* path, bool reference, Result& result) {
    MusicRenderOptions options;
    options.noLoop = true;
    options.onePass = true;
    options.referenceMixer = reference;
    if (MusicRenderOpenFile(path, options) != MUSIC_RENDER_OK) return false;
    uint64_t frames = 0, checksum = 0;
    Audio.resize(size_t(MAX_FRAMES + CHUNK_FRAMES) * 2);
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds();
    while (frames < MAX_FRAMES) {
        uint32_t got = MusicRender(&Audio[2 * frames], CHUNK_FRAMES, 25);
        frames += got;
        if (got < CHUNK_FRAMES) break;
    }
    double cpu = CpuSeconds() - cpuStart;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    MusicRenderClose();
    for (uint64_t i = 0; i < 2 * frames; i++) checksum = checksum * 31 + uint16_t(Audio[i]);
    if (cpu < result.cpu) result.cpu = cpu;
    if (seconds < result.seconds) result.seconds = seconds;
    result.frames = frames;
    result.checksum = checksum;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: music_bench SONG.xm [REPEATS]\n");
        return 1;
    }
    int repeats = argc > 2 ? atoi(argv[2]) : 5;
    if (repeats < 1) repeats = 1;
    Result fast, reference;
    for (int i = 0; i < repeats; i++) {
        if (!RenderOnce(argv[1], false, fast) || !RenderOnce(argv[1], true, reference)) {
            fprintf(stderr, "music_bench: %s does not load\n", argv[1]);
            return 1;
        }
    }
    double audio = double(fast.frames) / MUSIC_RENDER_RATE;
    printf("song: %s, %.3f s of audio, best of %d renders\n", argv[1], audio, repeats);
    printf("                 wall time            processor time\n");
    printf("fast mixer:      %7.4f s %6.0fx    %7.4f s %6.0fx real time\n", fast.seconds,
           audio / fast.seconds, fast.cpu, audio / fast.cpu);
    printf("reference mixer: %7.4f s %6.0fx    %7.4f s %6.0fx real time\n", reference.seconds,
           audio / reference.seconds, reference.cpu, audio / reference.cpu);
    printf("fast / reference: %.2fx (processor time)\n", reference.cpu / fast.cpu);
    bool same = fast.checksum == reference.checksum && fast.frames == reference.frames;
    printf("identical output: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
