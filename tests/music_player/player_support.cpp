#include "player_support.h"

#include <fstream>
#include <iterator>
#include <thread>

#include "loader.h"
#include "music.h"
#include "player.h"
#include "source.h"

std::vector<int16_t> ReferenceRender(const std::vector<uint8_t>& module, uint32_t blocks) {
    MusicStop();
    std::vector<int16_t> out;
    SelectSource(SOURCE_MEMORY, module.data(), module.size());
    NoLoop = 0;
    uint8_t paused = PauseFlag.exchange(0);
    if (MasterGain.load() == 0) MasterGain.store(32768);
    if (SongHeapCreate()) {
        bool loaded = LoadModule();
        ReaderClose();
        WriteBlock = 0;
        if (loaded) {
            for (uint32_t b = 0; b < blocks; ++b) {
                const int16_t* block = OutputRing + WriteBlock * (BLOCK_BYTES / 2);
                FillBlock();
                out.insert(out.end(), block, block + BLOCK_BYTES / 2);
            }
        }
        SongHeapDestroy();
    }
    WriteBlock = 0;
    PauseFlag.store(paused);
    return out;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool AllSilent(const std::vector<int16_t>& samples, size_t from, size_t count) {
    for (size_t i = from; i < from + count && i < samples.size(); ++i)
        if (samples[i] != 0) return false;
    return true;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
