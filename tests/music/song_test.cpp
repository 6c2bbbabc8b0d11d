// Whole songs: one pass of each renders to the length an independent player
// measured (within 1%), and the fast mixer produces exactly the samples of
// the frame-by-frame reference mixer.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "corpus.h"
#include "render.h"
#include "xm_writer.h"

namespace {

constexpr uint64_t MAX_FRAMES = uint64_t(600) * MUSIC_RENDER_RATE;

// Renders one pass from memory with the fast or the reference mixer;
// returns its length in frames and, if asked, the audio.
uint64_t RenderOnePass(const std::string& path, std::vector<int16_t>* audio, bool reference = false) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    MusicRenderOptions options;
    options.noLoop = true;
    options.onePass = true;
    options.referenceMixer = reference;
    if (MusicRenderOpenMemory(bytes.data(), uint32_t(bytes.size()), options) != MUSIC_RENDER_OK) return 0;
    std::vector<int16_t> chunk(2 * 4096);
    uint64_t frames = 0;
    while (frames < MAX_FRAMES) {
        uint32_t got = MusicRender(chunk.data(), 4096, 25);
        if (audio) audio->insert(audio->end(), chunk.begin(), chunk.begin() + 2 * got);
        frames += got;
        if (got < 4096) break;
    }
    EXPECT_EQ(MusicRenderWhere().frames, frames);
    MusicRenderClose();
    return frames;
}

double TableSeconds(const std::string& file) {
    std::ifstream in(std::string(XM_DIR) + "/songs/durations.tsv");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string name, length;
        row >> name >> length;
        if (name != file) continue;
        int minutes = 0;
        double seconds = 0;
        if (sscanf(length.c_str(), "%d:%lf", &minutes, &seconds) == 2) return minutes * 60 + seconds;
    }
    return -1;
}

class Songs : public ::testing::TestWithParam<const char*> {};

TEST_P(Songs, OnePassMatchesTheMeasuredLength) {
    SKIP_WITHOUT_CORPUS();
    double expected = TableSeconds(GetParam());
    ASSERT_GT(expected, 0) << "no length for " << GetParam();
    uint64_t frames = RenderOnePass(std::string(XM_DIR) + "/songs/" + GetParam(), nullptr);
    double seconds = double(frames) / MUSIC_RENDER_RATE;
    EXPECT_NEAR(seconds, expected, expected * 0.01) << GetParam();
}

TEST_P(Songs, FastMixerEqualsTheReferenceSampleForSample) {
    SKIP_WITHOUT_CORPUS();
    std::vector<int16_t> fast, reference;
    RenderOnePass(std::string(XM_DIR) + "/songs/" + GetParam(), &fast);
    RenderOnePass(std::string(XM_DIR) + "/songs/" + GetParam(), &reference, true);
    ASSERT_GT(fast.size(), size_t(MUSIC_RENDER_RATE) * 60);
    ASSERT_EQ(fast.size(), reference.size());
    size_t differ = 0, first = 0;
    for (size_t i = 0; i < fast.size(); i++)
        if (fast[i] != reference[i] && differ++ == 0) first = i;
    EXPECT_EQ(differ, 0u) << "first difference at value " << first;
    int peak = 0;
    for (int16_t v : fast) peak = std::max(peak, std::abs(int(v)));
    EXPECT_GT(peak, 8000);  // real music, not silence
}

// The test cases too: ping-pong loops, offsets, porta extremes, retrigs.
TEST(Cases, FastMixerEqualsTheReferenceOnEveryCase) {
    SKIP_WITHOUT_CORPUS();
    namespace fs = std::filesystem;
    int compared = 0;
    for (const auto& e : fs::directory_iterator(fs::path(XM_DIR) / "cases")) {
        std::vector<uint8_t> bytes = ReadFileBytes(e.path().string());
        std::vector<int16_t> audio[2];
        for (int reference = 0; reference < 2; reference++) {
            MusicRenderOptions options;
            options.referenceMixer = reference == 1;
            if (MusicRenderOpenMemory(bytes.data(), uint32_t(bytes.size()), options) != MUSIC_RENDER_OK) break;
            audio[reference].resize(2 * 300 * 1024);
            audio[reference].resize(2 * size_t(MusicRender(audio[reference].data(), 300 * 1024, 25)));
            MusicRenderClose();
        }
        EXPECT_EQ(audio[0], audio[1]) << e.path();
        compared += !audio[0].empty();
    }
    EXPECT_GT(compared, 60);
}

INSTANTIATE_TEST_SUITE_P(Corpus, Songs, ::testing::Values("theday.xm", "milky.xm", "sv_ttt.xm"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string n = info.param;
                             return n.substr(0, n.find('.'));
                         });

}  // namespace
