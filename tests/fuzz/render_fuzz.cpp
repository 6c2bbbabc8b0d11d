// render_fuzz - fuzz target over the offline render: any bytes are opened
// as a module from memory; what loads is rendered for about two seconds
// with the fast mixer and again with the reference mixer, and the two must
// agree sample for sample. A crash, a sanitizer report or a difference is a
// finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render.h"
#include "source.h"

namespace {

constexpr uint32_t RENDER_FRAMES = 2 * MUSIC_RENDER_RATE;
constexpr uint32_t CHUNK_FRAMES = 4096;
// A hostile header can name gigabytes of pattern cells; a fuzzing run keeps
// the song heap smaller than the player's own limit so that it stays fast.
constexpr size_t FUZZ_HEAP_LIMIT = size_t(64) << 20;

// Renders the module with one mixer; empty when it does not load.
std::vector<int16_t> Render(const uint8_t* data, size_t size, bool reference) {
    MusicRenderOptions options;
    options.referenceMixer = reference;
    // One pass of a song that ends early, so that the end is fuzzed too.
    options.noLoop = size > 0 && (data[size - 1] & 1);
    options.onePass = size > 0 && (data[size - 1] & 2);
    std::vector<int16_t> audio;
    if (MusicRenderOpenMemory(data, uint32_t(size), options) != MUSIC_RENDER_OK) return audio;
    audio.resize(2 * size_t(RENDER_FRAMES));
    uint32_t frames = 0;
    while (frames < RENDER_FRAMES) {
        uint32_t want = RENDER_FRAMES - frames < CHUNK_FRAMES ? RENDER_FRAMES - frames : CHUNK_FRAMES;
        uint32_t got = MusicRender(audio.data() + 2 * size_t(frames), want, 25);
        frames += got;
        if (got < want) break;
    }
    audio.resize(2 * size_t(frames));
    MusicRenderClose();
    return audio;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    SongHeapSetLimit(FUZZ_HEAP_LIMIT);
    std::vector<int16_t> fast = Render(data, size, false);
    std::vector<int16_t> reference = Render(data, size, true);
    if (fast != reference) {
        size_t i = 0;
        while (i < fast.size() && i < reference.size() && fast[i] == reference[i]) i++;
        fprintf(stderr, "render_fuzz: the fast and the reference mixer differ at sample %zu (%zu and %zu samples)\n",
                i, fast.size(), reference.size());
        abort();
    }
    return 0;
}
