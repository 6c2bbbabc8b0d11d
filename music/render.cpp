// render.cpp - the offline render: the song clock and mixer of FillBlock
// driven block by block (MixBlock), and each block's mix values converted
// into the caller's buffer as far as it reaches; the rest of a block waits
// for the next call, still as mix values, so every frame is converted at the
// volume of the call that delivers it.
//
// Needs: player.h (MixBlock, ConvertMixed, SongOwner), source.h, loader.h,
// onepass.h, mixer.h.
#include "render.h"

#include <cerrno>
#include <cstdio>

#include "loader.h"
#include "mixer.h"
#include "onepass.h"
#include "player.h"
#include "replayer.h"
#include "source.h"

namespace {

struct RenderState {
    bool open;
    bool ended;
    bool onePass;
    void (*mix)(int64_t*, uint32_t);
    uint32_t first, end;  // frames of the last mixed block not yet delivered
    uint32_t nextMark;    // the block's first row mark not yet delivered
    int32_t order, row;   // where the last frame delivered was played
    uint64_t frames;
};
RenderState Render{};

MusicRenderResult Open(SourceKind kind, const void* source, uintptr_t size, const MusicRenderOptions& options) {
    uint8_t free = SONG_FREE;
    if (!SongOwner.compare_exchange_strong(free, SONG_RENDERING)) return MUSIC_RENDER_BUSY;
    SelectSource(kind, source, size);
    bool loaded = SongHeapCreate() && LoadModule();
    ReaderClose();
    if (!loaded) {
        SongHeapDestroy();
        SongOwner.store(SONG_FREE);
        return MUSIC_RENDER_BAD_MODULE;
    }
    Render = {};
    Render.open = true;
    Render.onePass = options.onePass;
    Render.mix = options.referenceMixer ? MixVoicesReference : MixVoices;
    NoLoop = options.noLoop ? 1 : 0;
    if (options.onePass) OnePassBegin();
    return MUSIC_RENDER_OK;
}

}  // namespace

MusicRenderResult MusicRenderOpenMemory(const void* data, uint32_t size, const MusicRenderOptions& options) {
    if (data == nullptr) size = 0;
    return Open(SOURCE_MEMORY, data, size, options);
}

MusicRenderResult MusicRenderOpenFile(const char* path, const MusicRenderOptions& options) {
    if (SongOwner.load() != SONG_FREE) return MUSIC_RENDER_BUSY;
    FILE* probe = fopen(path, "rb");
    if (!probe) return MUSIC_RENDER_NO_FILE;
    fclose(probe);
    return Open(SOURCE_FILE, path, 0, options);
}

uint32_t MusicRender(int16_t* out, uint32_t frames, int32_t volume) {
    if (!Render.open) return 0;
    uint32_t gain = VolumeGain(uint32_t(volume));
    uint32_t produced = 0;
    while (produced < frames) {
        if (Render.first == Render.end) {
            if (Render.ended) break;
            Render.first = 0;
            Render.nextMark = 0;
            Render.end = MixBlock(Render.mix, Render.ended);
            if (Render.end == 0) break;
        }
        uint32_t n = Render.end - Render.first;
        if (n > frames - produced) n = frames - produced;
        ConvertMixed(Render.first, n, gain, out + 2 * size_t(produced));
        Render.first += n;
        produced += n;
        for (; Render.nextMark < BlockRowCount && BlockRows[Render.nextMark].frame < Render.first;
             Render.nextMark++) {
            Render.order = BlockRows[Render.nextMark].order;
            Render.row = BlockRows[Render.nextMark].row;
        }
    }
    Render.frames += produced;
    return produced;
}

MusicRenderPosition MusicRenderWhere() {
    if (!Render.open) return {0, 0, 0, false};
    return {Render.order, Render.row, Render.frames, Render.ended && Render.first == Render.end};
}

void MusicRenderClose() {
    if (!Render.open) return;
    if (Render.onePass) OnePassEnd();
    NoLoop = 0;
    SongHeapDestroy();
    Render = {};
    SongOwner.store(SONG_FREE);
}

const char* MusicRenderResultText(MusicRenderResult result) {
    switch (result) {
        case MUSIC_RENDER_OK:
            return "ok";
        case MUSIC_RENDER_BUSY:
            return "the player already holds a song (MusicPlay, or another open render)";
        case MUSIC_RENDER_NO_FILE:
            return "cannot open the file";
        case MUSIC_RENDER_BAD_MODULE:
            return "not an XM module this player can load";
    }
    return "unknown result";
}
