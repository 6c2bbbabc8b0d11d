#include "xm_writer.h"

#include <fstream>
#include <iterator>

#include "loader.h"
#include "mixer.h"
#include "player.h"
#include "replayer.h"
#include "source.h"

XmPattern EmptyPattern(uint16_t rows, uint16_t channels) {
    XmPattern p;
    p.rows = rows;
    p.cells.assign(size_t(rows) * channels, XmCell{});
    return p;
}

XmCell& Cell(XmModule& m, size_t pattern, size_t row, size_t channel) {
    return m.patterns[pattern].cells[row * m.channels + channel];
}

XmInstrument SimpleInstrument(const XmSample& s) {
    XmInstrument ins;
    ins.samples.push_back(s);
    return ins;
}

XmSample Ramp(uint32_t length, int16_t step) {
    XmSample s;
    for (uint32_t i = 0; i < length; i++) s.data.push_back(int16_t(int32_t(i * step) & 0xFF00));
    return s;
}

namespace {
std::vector<uint8_t> Keep;  // the memory source must outlive the load
}

bool LoadBytes(const std::vector<uint8_t>& bytes) {
    Keep = bytes;
    SongHeapDestroy();
    SelectSource(SOURCE_MEMORY, Keep.data(), Keep.size());
    bool ok = SongHeapCreate() && LoadModule();
    ReaderClose();
    WriteBlock = 0;
    FramesPlayed = 0;
    SongEndHandler = SongHeapDestroy;
    PauseFlag.store(0);
    if (MasterGain.load() == 0) MasterGain.store(32768);
    return ok;
}

uint32_t RenderBlocks(uint32_t blocks) {
    uint32_t n = 0;
    for (; n < blocks && SongLoaded(); n++) FillBlock();
    return n;
}

uint64_t FramesPlayed = 0;

uint32_t PlayBlocks(uint32_t blocks) {
    uint32_t frames = 0;
    for (uint32_t n = 0; n < blocks && SongLoaded(); n++) {
        bool ended = false;
        frames = MixBlock(
            [](int64_t* dest, uint32_t count) {
                FramesPlayed += count;
                MixVoices(dest, count);
            },
            ended);
        if (ended) SongHeapDestroy();
    }
    return frames;
}

void UnloadSong() {
    SongHeapDestroy();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
