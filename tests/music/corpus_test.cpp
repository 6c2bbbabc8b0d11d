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
#include "loader.h"
#include "player.h"
#include "source.h"
#include "xm_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t CORPUS_BLOCKS = 600;  // about 13 seconds of audio each

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
    void TearDown() override { UnloadSong(); }
};

TEST_P(Corpus, LoadsOrIsRefusedAndRenders) {
    SKIP_WITHOUT_CORPUS();
    std::vector<uint8_t> bytes = ReadFileBytes(GetParam());
    ASSERT_FALSE(bytes.empty());
    bool fromMemory = LoadBytes(bytes);
    std::vector<int16_t> memoryAudio;
    if (fromMemory) {
        for (uint32_t b = 0; b < CORPUS_BLOCKS && SongLoaded(); b++) {
            uint32_t block = WriteBlock;
            FillBlock();
            if (b < 40)
                memoryAudio.insert(memoryAudio.end(), OutputRing + block * 2048,
                                   OutputRing + block * 2048 + 2048);
        }
    }
    UnloadSong();
    // The file source reads the same module.
    SelectSource(SOURCE_FILE, GetParam().c_str(), 0);
    bool fromFile = SongHeapCreate() && LoadModule();
    ReaderClose();
    EXPECT_EQ(fromFile, fromMemory);
    if (fromFile) {
        WriteBlock = 0;
        std::vector<int16_t> fileAudio;
        for (uint32_t b = 0; b < 40 && SongLoaded(); b++) {
            uint32_t block = WriteBlock;
            FillBlock();
            fileAudio.insert(fileAudio.end(), OutputRing + block * 2048, OutputRing + block * 2048 + 2048);
        }
        EXPECT_EQ(fileAudio, memoryAudio);
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
            if (LoadBytes(cut)) RenderBlocks(60);
            UnloadSong();
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
        if (LoadBytes(bytes)) {
            loaded++;
            RenderBlocks(12);
        }
        UnloadSong();
    }
    SongHeapSetLimit(SONG_HEAP_DEFAULT_LIMIT);
    EXPECT_GT(loaded, 30);
}

}  // namespace
