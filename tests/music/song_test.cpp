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
#include "mixer.h"
#include "music.h"
#include "onepass.h"
#include "player.h"
#include "replayer.h"
#include "xm_writer.h"

namespace {

// Renders one pass; returns its length in frames and, if asked, the audio.
uint64_t RenderOnePass(const std::string& path, std::vector<int16_t>* audio) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    if (!LoadBytes(bytes)) return 0;
    NoLoop = 1;
    OnePassBegin();
    uint64_t frames = 0;
    while (SongLoaded() && frames < uint64_t(600) * OUTPUT_RATE) {
        uint32_t block = WriteBlock;
        FillBlock();
        if (audio)
            audio->insert(audio->end(), OutputRing + block * 2048,
                          OutputRing + block * 2048 + 2 * LastBlockFrames);
        frames += LastBlockFrames;
    }
    OnePassEnd();
    NoLoop = 0;
    UnloadSong();
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
    MusicSetVolume(25);
    uint64_t frames = RenderOnePass(std::string(XM_DIR) + "/songs/" + GetParam(), nullptr);
    double seconds = double(frames) / OUTPUT_RATE;
    EXPECT_NEAR(seconds, expected, expected * 0.01) << GetParam();
}

TEST_P(Songs, FastMixerEqualsTheReferenceSampleForSample) {
    SKIP_WITHOUT_CORPUS();
    MusicSetVolume(25);
    std::vector<int16_t> fast, reference;
    UseReferenceMixer = false;
    RenderOnePass(std::string(XM_DIR) + "/songs/" + GetParam(), &fast);
    UseReferenceMixer = true;
    RenderOnePass(std::string(XM_DIR) + "/songs/" + GetParam(), &reference);
    UseReferenceMixer = false;
    ASSERT_GT(fast.size(), size_t(OUTPUT_RATE) * 60);
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
            UseReferenceMixer = reference == 1;
            if (!LoadBytes(bytes)) break;
            for (int b = 0; b < 300 && SongLoaded(); b++) {
                uint32_t block = WriteBlock;
                FillBlock();
                audio[reference].insert(audio[reference].end(), OutputRing + block * 2048,
                                        OutputRing + block * 2048 + 2048);
            }
            UnloadSong();
        }
        UseReferenceMixer = false;
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
