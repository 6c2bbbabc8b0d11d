// The SDL2 device for real: SDL's "disk" audio driver writes whatever the
// device plays to a file, in real time, so the file shows what a listener
// would hear and when.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "music.h"
#include "output.h"
#include "player.h"
#include "player_support.h"

namespace {

constexpr double BYTES_PER_SECOND = OUTPUT_RATE * 4.0;

using Clock = std::chrono::steady_clock;

uint64_t FileBytes(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

class SdlDiskTest : public ::testing::Test {
   protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "music_player_disk_" + std::to_string(getpid()) + ".raw";
        std::remove(path_.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
        song_ = ReadWholeFile(SOUND_PAK);
        ASSERT_GT(song_.size(), 336u) << SOUND_PAK;
        OutputSetFactory(nullptr);
        MusicSetVolume(25);
    }
    void TearDown() override {
        MusicStop();
        std::remove(path_.c_str());
    }
    std::vector<int16_t> Written() {
        std::vector<uint8_t> bytes = ReadWholeFile(path_);
        std::vector<int16_t> samples(bytes.size() / 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return samples;
    }
    std::string path_;
    std::vector<uint8_t> song_;
};

size_t LastSound(const std::vector<int16_t>& samples, size_t before) {
    size_t last = 0;
    for (size_t i = 0; i < before && i < samples.size(); ++i)
        if (samples[i] != 0) last = i;
    return last;
}

TEST_F(SdlDiskTest, PlaysTheSongAt48kHzAndPauseSilencesItWithinHalfASecond) {
    Clock::time_point started = Clock::now();
    ASSERT_NE(MusicPlay(song_.data(), song_.size(), MUSIC_SOURCE_MEMORY), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    uint64_t at_pause = FileBytes(path_);
    MusicPause();
    double rate = at_pause / seconds;
    std::printf("disk device: %.0f bytes/s of audio (48 kHz stereo 16-bit is 192000)\n", rate);
    // Real-time pacing of the disk driver: loose bounds, the machine is shared.
    EXPECT_GT(rate, 0.6 * BYTES_PER_SECOND);
    EXPECT_LT(rate, 1.4 * BYTES_PER_SECOND);

    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    uint64_t at_resume = FileBytes(path_);
    MusicResume();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    MusicStop();

    std::vector<int16_t> audio = Written();
    size_t pause_sample = at_pause / 2;
    size_t resume_sample = at_resume / 2;
    ASSERT_GT(audio.size(), resume_sample);
    ASSERT_FALSE(AllSilent(audio, 0, pause_sample)) << "nothing audible before the pause";
    // The last sound before resuming marks where the pause was heard.
    size_t last = LastSound(audio, resume_sample);
    double late = (static_cast<double>(last) - pause_sample) * 2 / BYTES_PER_SECOND;
    std::printf("pause heard %.3f s of audio after MusicPause\n", late);
    RecordProperty("pause_to_silence_ms", static_cast<int>(late * 1000));
    EXPECT_LT(late, 0.5);
    EXPECT_LT(last, resume_sample - static_cast<size_t>(0.3 * BYTES_PER_SECOND / 2))
        << "the pause was not heard as silence";
    EXPECT_FALSE(AllSilent(audio, resume_sample, audio.size() - resume_sample)) << "resume stayed silent";
}

TEST_F(SdlDiskTest, StopEndsTheStreamAndReleasesTheAudioSubsystem) {
    ASSERT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    ASSERT_NE(MusicPlay(song_.data(), song_.size(), MUSIC_SOURCE_MEMORY), 0u);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    MusicStop();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    uint64_t stopped = FileBytes(path_);
    EXPECT_GT(stopped, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(FileBytes(path_), stopped);
}

TEST_F(SdlDiskTest, AudioSubsystemIsSharedWithOtherSdlUsers) {
    // Another part of the program (the engine) holds SDL's audio too.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0);
    ASSERT_NE(MusicPlay(song_.data(), song_.size(), MUSIC_SOURCE_MEMORY), 0u);
    MusicStop();
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST_F(SdlDiskTest, NoAudioDeviceMeansNoMusicAndNothingHeld) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(MusicPlay(song_.data(), song_.size(), MUSIC_SOURCE_MEMORY), 0u);
    EXPECT_FALSE(SongLoaded());
    EXPECT_EQ(OutputThreadsAlive(), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

}  // namespace
