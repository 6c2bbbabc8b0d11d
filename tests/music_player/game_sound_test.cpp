// The game's music for real: build/brovask runs in an X display with SDL's
// "disk" audio driver, which writes what the game plays to a file in real
// time. The music must sound from start-up, and a click on the "sound" check
// box must turn it silent within half a second of audio.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "player_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr double BYTES_PER_SECOND = 48000 * 4.0;
// The middle of the "sound" check box (x 616..628, y 560..572).
constexpr int SOUND_BOX_X = 622;
constexpr int SOUND_BOX_Y = 566;

uint64_t FileBytes(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

std::vector<int16_t> Samples(const std::string& path) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

size_t LastSound(const std::vector<int16_t>& samples, size_t before) {
    size_t last = 0;
    for (size_t i = 0; i < before && i < samples.size(); ++i)
        if (samples[i] != 0) last = i;
    return last;
}

class GameSoundTest : public ::testing::Test {
   protected:
    void SetUp() override {
        raw_ = ::testing::TempDir() + "brovask_sound_" + std::to_string(getpid()) + ".raw";
        std::remove(raw_.c_str());
        game_ = fork();
        ASSERT_GE(game_, 0);
        if (game_ == 0) {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", raw_.c_str(), 1);
            if (chdir(GAME_DIR) != 0) _exit(126);
            execl(GAME_PATH, GAME_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    void TearDown() override {
        if (game_ > 0 && !ended_) {
            kill(game_, SIGKILL);
            waitpid(game_, nullptr, 0);
        }
        std::remove(raw_.c_str());
    }
    void ClickSoundBox() {
        Shell("xdotool mousemove --window " + window_ + " " + std::to_string(SOUND_BOX_X) + " " +
              std::to_string(SOUND_BOX_Y) + " click 1");
    }
    std::string raw_;
    std::string window_;
    pid_t game_ = -1;
    bool ended_ = false;
};

TEST_F(GameSoundTest, MusicFromStartUpAndTheSoundBoxSilencesIt) {
    window_ = Shell("timeout 30 xdotool search --sync --onlyvisible --name '^Brovask$' | head -n 1");
    ASSERT_FALSE(window_.empty()) << "no Brovask window appeared";
    ASSERT_TRUE(WaitUntil([&] { return FileBytes(raw_) > 0; }, milliseconds(10000))) << "no audio written";

    // Speed of the stream over one second of wall-clock time.
    uint64_t first = FileBytes(raw_);
    Clock::time_point t0 = Clock::now();
    std::this_thread::sleep_for(milliseconds(1000));
    uint64_t second = FileBytes(raw_);
    double rate = (second - first) / std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("game audio: %.0f bytes/s (48 kHz 16-bit stereo is 192000)\n", rate);
    EXPECT_GT(rate, 0.6 * BYTES_PER_SECOND);
    EXPECT_LT(rate, 1.4 * BYTES_PER_SECOND);

    ClickSoundBox();
    uint64_t at_click = FileBytes(raw_);
    std::this_thread::sleep_for(milliseconds(1500));
    uint64_t before_resume = FileBytes(raw_);
    ClickSoundBox();
    std::this_thread::sleep_for(milliseconds(1000));

    std::vector<int16_t> audio = Samples(raw_);
    ASSERT_GT(audio.size(), before_resume / 2);
    EXPECT_FALSE(AllSilent(audio, 0, static_cast<size_t>(BYTES_PER_SECOND / 2)))
        << "the first second of audio is silent";
    size_t last = LastSound(audio, before_resume / 2);
    double late = (static_cast<double>(last) - at_click / 2.0) * 2 / BYTES_PER_SECOND;
    std::printf("sound box: silence %.3f s of audio after the click\n", late);
    RecordProperty("click_to_silence_ms", static_cast<int>(late * 1000));
    EXPECT_LT(late, 0.5);
    EXPECT_LT(last * 2 + static_cast<size_t>(0.5 * BYTES_PER_SECOND), before_resume)
        << "the music did not fall silent after the click";
    EXPECT_FALSE(AllSilent(audio, before_resume / 2, audio.size() - before_resume / 2))
        << "a second click did not bring the music back";

    // Escape ends the game while the music plays; the player must not stand
    // in the way of a normal exit.
    Shell("xdotool mousemove --window " + window_ + " 300 200 key Escape");
    int status = 0;
    ended_ = WaitUntil([&] { return waitpid(game_, &status, WNOHANG) == game_; }, milliseconds(10000));
    ASSERT_TRUE(ended_) << "the game did not end on Escape";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the game ended with status " << status;
}

}  // namespace
