#include "player_support.h"

#include <fstream>
#include <iterator>
#include <thread>

#include "music.h"
#include "render.h"

std::vector<int16_t> ReferenceRender(const std::vector<uint8_t>& module, uint32_t blocks, int32_t volume) {
    MusicStop();
    std::vector<int16_t> out(size_t(blocks) * BLOCK_FRAMES_RENDERED * 2);
    if (MusicRenderOpenMemory(module.data(), uint32_t(module.size()), {}) != MUSIC_RENDER_OK) return {};
    out.resize(2 * size_t(MusicRender(out.data(), blocks * BLOCK_FRAMES_RENDERED, volume)));
    MusicRenderClose();
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
