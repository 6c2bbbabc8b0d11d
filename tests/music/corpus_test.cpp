// Every module of the test corpus loads or is refused, and renders for a
// while, with no crash and no read out of bounds (this executable runs under
// address and undefined-behaviour sanitizers). Truncated copies of the songs
// load with their missing parts zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "corpus.h"
#include "render.h"
#include "source.h"
#include "xm_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t CORPUS_FRAMES = 600 * 1024;  // about 13 seconds of audio each
constexpr uint32_t COMPARED_FRAMES = 40 * 1024;

// Renders up to `frames` frames of the open song; keeps the first `keep`.
std::vector<int16_t> RenderOpenSong(uint32_t frames, uint32_t keep) {
    std::vector<int16_t> audio(2 * size_t(frames));
    uint32_t got = MusicRender(audio.data(), frames, 25);
    audio.resize(2 * size_t(std::min(got, keep)));
    return audio;
}

// Opens the bytes from memory and renders up to `frames` frames: true when
// the module loaded.
bool LoadAndRender(const std::vector<uint8_t>& bytes, uint32_t frames) {
    if (MusicRenderOpenMemory(bytes.data(), uint32_t(bytes.size()), {}) != MUSIC_RENDER_OK) return false;
    RenderOpenSong(frames, 0);
    MusicRenderClose();
    return true;
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    for (const char* sub : {"cases", "songs"}) {
        fs::path dir = fs::path(XM_DIR) / sub;
        if (!fs::exists(dir)) continue;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().extension() == ".xm") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    // Without the corpus, one case that says so and skips.
    if (files.empty()) files.push_back("");
    return files;
}

class Corpus : public ::testing::TestWithParam<std::string> {
   protected:
    void TearDown() override { MusicRenderClose(); }
};

TEST_P(Corpus, LoadsOrIsRefusedAndRenders) {
    SKIP_WITHOUT_CORPUS();
    std::vector<uint8_t> bytes = ReadFileBytes(GetParam());
    ASSERT_FALSE(bytes.empty());
    MusicRenderOptions loops;
    MusicRenderResult fromMemory = MusicRenderOpenMemory(bytes.data(), uint32_t(bytes.size()), loops);
    std::vector<int16_t> memoryAudio;
    if (fromMemory == MUSIC_RENDER_OK) memoryAudio = RenderOpenSong(CORPUS_FRAMES, COMPARED_FRAMES);
    MusicRenderClose();
    // The file source reads the same module.
    MusicRenderResult fromFile = MusicRenderOpenFile(GetParam().c_str(), loops);
    EXPECT_EQ(fromFile, fromMemory);
    if (fromFile == MUSIC_RENDER_OK) {
        EXPECT_EQ(RenderOpenSong(COMPARED_FRAMES, COMPARED_FRAMES), memoryAudio);
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = fs::path(info.param).stem().string();
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return name.empty() ? "corpus_missing" : name;
}

INSTANTIATE_TEST_SUITE_P(Modules, Corpus, ::testing::ValuesIn(CorpusFiles()), TestName);

TEST(CorpusPresent, HoldsTheThreeSongsAndTheCases) {
    SKIP_WITHOUT_CORPUS();
    std::vector<std::string> files = CorpusFiles();
    EXPECT_GE(files.size(), 70u);
}

TEST(Truncated, SongsCutAnywhereLoadSafely) {
    SKIP_WITHOUT_CORPUS();
    for (const char* song : {"songs/theday.xm", "songs/milky.xm", "songs/sv_ttt.xm"}) {
        std::vector<uint8_t> bytes = ReadFileBytes(std::string(XM_DIR) + "/" + song);
        ASSERT_FALSE(bytes.empty()) << song;
        for (size_t part = 1; part < 12; part++) {
            size_t keep = bytes.size() * part / 12 + part * 37;
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + std::min(keep, bytes.size()));
            LoadAndRender(cut, 60 * 1024);
        }
    }
}

// Modules with random bytes changed anywhere: whatever they say, loading and
// playing them must stay inside the song's memory.
TEST(Mutated, RandomlyDamagedModulesLoadOrAreRefusedSafely) {
    SKIP_WITHOUT_CORPUS();
    std::mt19937 rng(20261207);
    std::vector<std::string> files = CorpusFiles();
    ASSERT_FALSE(files.empty());
    int loaded = 0;
    for (int round = 0; round < 300; round++) {
        std::vector<uint8_t> bytes = ReadFileBytes(files[rng() % files.size()]);
        if (bytes.empty()) continue;
        int changes = 1 + int(rng() % 8);
        for (int i = 0; i < changes; i++) {
            // Mostly the headers, where a wrong number does the most harm.
            size_t at = rng() % 3 ? rng() % std::min<size_t>(bytes.size(), 700) : rng() % bytes.size();
            bytes[at] = uint8_t(rng());
        }
        SongHeapSetLimit(size_t(64) << 20);
        if (LoadAndRender(bytes, 12 * 1024)) loaded++;
    }
    SongHeapSetLimit(SONG_HEAP_DEFAULT_LIMIT);
    EXPECT_GT(loaded, 30);
}

}  // namespace
