// render_fuzz - fuzz target over the offline render: any bytes are opened
// as a module from memory; what loads is rendered for a short span that the
// input's last two bytes choose (up to 4,096 frames, handed out in calls of
// a chosen size, one pass or no loop or neither), with the fast mixer and
// again with the reference mixer, and the two must agree sample for sample
// and in where they say the song is. A crash, a sanitizer report or a
// difference is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render.h"
#include "source.h"

namespace {

// A hostile header can name gigabytes of pattern cells; a fuzzing run keeps
// the song heap smaller than the player's own limit so that it stays fast
// (the loader target tries the full limit).
constexpr size_t FUZZ_HEAP_LIMIT = size_t(64) << 20;

struct Rendered {
    std::vector<int16_t> audio;
    std::vector<MusicRenderPosition> where;  // after each call
};

Rendered Render(const uint8_t* data, size_t size, bool reference) {
    uint8_t flags = size > 0 ? data[size - 1] : 0;
    uint8_t span = size > 1 ? data[size - 2] : 0;
    MusicRenderOptions options;
    options.referenceMixer = reference;
    options.noLoop = flags & 1;
    options.onePass = flags & 2;
    uint32_t frames = 16 * (uint32_t(span) + 1);         // 16 .. 4,096
    uint32_t chunk = 1 + ((uint32_t(flags) >> 2) * 97);  // 1 .. 6,112
    Rendered r;
    if (MusicRenderOpenMemory(data, uint32_t(size), options) != MUSIC_RENDER_OK) return r;
    r.audio.resize(2 * size_t(frames));
    uint32_t done = 0;
    while (done < frames) {
        uint32_t want = frames - done < chunk ? frames - done : chunk;
        uint32_t got = MusicRender(r.audio.data() + 2 * size_t(done), want, 25);
        done += got;
        r.where.push_back(MusicRenderWhere());
        if (got < want) break;
    }
    r.audio.resize(2 * size_t(done));
    MusicRenderClose();
    return r;
}

}  // namespace

bool operator==(const MusicRenderPosition& a, const MusicRenderPosition& b) {
    return a.order == b.order && a.row == b.row && a.frames == b.frames && a.ended == b.ended;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    SongHeapSetLimit(FUZZ_HEAP_LIMIT);
    Rendered fast = Render(data, size, false);
    Rendered reference = Render(data, size, true);
    if (fast.audio != reference.audio || fast.where != reference.where) {
        size_t i = 0;
        while (i < fast.audio.size() && i < reference.audio.size() && fast.audio[i] == reference.audio[i])
            i++;
        fprintf(stderr,
                "render_fuzz: the fast and the reference mixer differ at sample %zu (%zu and %zu samples)\n",
                i, fast.audio.size(), reference.audio.size());
        abort();
    }
    return 0;
}
