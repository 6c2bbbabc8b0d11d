// Renders data/sound.pak through the game's own music player (xmrender) and
// checks what a listener would notice: how long a pass lasts, that it never
// clips, that it is neither faint nor crushed, and that it never drops out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "xm_read.h"

namespace {

namespace fs = std::filesystem;
constexpr int RATE = 48000;

struct Render {
    std::vector<int16_t> pcm;  // interleaved stereo
    double seconds() const { return double(pcm.size()) / 2 / RATE; }
};

Render RenderSong(int volume) {
    const std::string out = (fs::temp_directory_path() / ("song_render_" + std::to_string(getpid()) + "_" +
                                                          std::to_string(volume) + ".wav"))
                                .string();
    const std::string cmd = std::string("\"") + XMRENDER + "\" --volume " + std::to_string(volume) + " \"" +
                            SOUND_PAK + "\" \"" + out + "\" > /dev/null";
    Render r;
    if (std::system(cmd.c_str()) != 0) return r;
    const auto bytes = xmread::ReadFile(out);
    fs::remove(out);
    // Find the "data" chunk of the WAV file.
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size =
            bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | uint32_t(bytes[at + 7]) << 24;
        if (std::string(bytes.begin() + long(at), bytes.begin() + long(at) + 4) == "data") {
            const size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 2;
            r.pcm.resize(n);
            for (size_t i = 0; i < n; ++i)
                r.pcm[i] = int16_t(bytes[at + 8 + 2 * i] | bytes[at + 9 + 2 * i] << 8);
            break;
        }
        at += 8 + size + (size & 1);
    }
    return r;
}

const Render& FullVolume() {
    static const Render r = RenderSong(25);
    return r;
}

double Rms(const std::vector<int16_t>& pcm, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i) sum += double(pcm[i]) * pcm[i];
    return std::sqrt(sum / double(count)) / 32768.0;
}

TEST(SongRender, OnePassSoundsAsLongAsTheScoreSays) {
    const Render& r = FullVolume();
    ASSERT_FALSE(r.pcm.empty()) << "xmrender failed on " << SOUND_PAK;
    const xmread::Timing score = xmread::TimePass(xmread::Parse(xmread::ReadFile(SOUND_PAK), SOUND_PAK));
    // Without looping the player stops when the last row starts, so the
    // render lacks that row.
    EXPECT_NEAR(r.seconds(), score.seconds - score.lastRowSeconds, 0.05);
    EXPECT_GE(r.seconds(), 60.0);
    EXPECT_LE(r.seconds(), 180.0);
}

TEST(SongRender, FullVolumeNeverClipsAndIsHealthilyLoud) {
    const Render& r = FullVolume();
    ASSERT_FALSE(r.pcm.empty());
    int peak = 0;
    for (int16_t v : r.pcm) peak = std::max(peak, std::abs(int(v)));
    EXPECT_LT(peak, 32767) << "the mix reaches full scale";
    EXPECT_GT(peak, 32768 / 4) << "the mix is faint";
    const double rms = Rms(r.pcm, 0, r.pcm.size());
    EXPECT_GT(20 * std::log10(rms), -22.0);
    EXPECT_LT(20 * std::log10(rms), -10.0) << "crushed";
}

TEST(SongRender, NoHalfSecondOfTheSongIsSilent) {
    const Render& r = FullVolume();
    ASSERT_FALSE(r.pcm.empty());
    const size_t window = RATE;  // half a second of stereo samples
    for (size_t at = 0; at + window <= r.pcm.size(); at += window)
        EXPECT_GT(Rms(r.pcm, at, window), 0.01) << "near silence at " << double(at) / 2 / RATE << " s";
}

TEST(SongRender, TheGamesVolumeLowersTheLevelWithoutChangingTheMusic) {
    const Render& full = FullVolume();
    const Render game = RenderSong(20);
    ASSERT_EQ(game.pcm.size(), full.pcm.size());
    const double ratio = Rms(game.pcm, 0, game.pcm.size()) / Rms(full.pcm, 0, full.pcm.size());
    EXPECT_NEAR(20 * std::log10(ratio), -10.0, 1.0);  // index 20 is about 10 dB below the top
}

}  // namespace
