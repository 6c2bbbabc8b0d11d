// The player's control and output thread, driven through a device whose play
// position the test moves by hand: what the device "plays" must be exactly
// the song as rendered straight through FillBlock, with silence where the
// player was paused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "loader.h"
#include "music.h"
#include "manual_output.h"
#include "output.h"
#include "player.h"
#include "player_support.h"
#include "render.h"
#include "source.h"
#include "tiny_xm.h"

namespace {

constexpr uint32_t BLOCK_SAMPLES = BLOCK_BYTES / 2;
constexpr auto SETTLE = std::chrono::milliseconds(25);  // several 5 ms polls

class OutputThreadTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ManualOutput::Install();
        MusicSetVolume(25);
        module_ = MakeTinyXm();
    }
    void TearDown() override {
        MusicStop();
        ManualOutput::Uninstall();
    }

    // Starts the module; remembers the render count so that Rendered() counts
    // this song's blocks, the 16 of the pre-rendered ring included.
    uintptr_t Start(const std::vector<uint8_t>& module, uint32_t flags = MUSIC_SOURCE_MEMORY) {
        base_ = RenderedBlocks.load();
        position_ = 0;
        return MusicPlay(module.data(), module.size(), flags);
    }
    uint64_t Rendered() const { return RenderedBlocks.load() - base_; }

    // The device plays `bytes` more; then wait until the thread has rendered
    // every block left behind (16 ahead of the block being heard).
    // A device never runs more than the ring ahead of the thread, so longer
    // stretches are played a few blocks at a time.
    void PlayAndCatchUp(uint32_t bytes) {
        while (bytes > RING_BYTES) {
            PlayAndCatchUp(8 * BLOCK_BYTES);
            if (HasFatalFailure()) return;
            bytes -= 8 * BLOCK_BYTES;
        }
        ASSERT_TRUE(ManualOutput::Play(bytes));
        position_ += bytes;
        uint64_t expected = BLOCK_COUNT + position_ / BLOCK_BYTES;
        ASSERT_TRUE(WaitUntil([&] { return Rendered() >= expected; }))
            << "rendered " << Rendered() << " of " << expected << " blocks";
        ASSERT_EQ(Rendered(), expected);
    }

    std::vector<uint8_t> module_;
    uint64_t base_ = 0;
    uint64_t position_ = 0;
};

TEST_F(OutputThreadTest, RingIsRenderedWholeBeforeTheDeviceStartsAndNoFurther) {
    uintptr_t result = Start(module_);
    ASSERT_NE(result, 0u);
    EXPECT_EQ(Rendered(), BLOCK_COUNT);
    EXPECT_TRUE(ManualOutput::Playing());
    EXPECT_EQ(OutputThreadsAlive(), 1);
    EXPECT_TRUE(SongLoaded());
    // The device has not moved: the block being heard (0) is the next one to
    // write, so the thread only polls.
    std::this_thread::sleep_for(SETTLE);
    EXPECT_EQ(Rendered(), BLOCK_COUNT);
    std::string priority = OutputThreadPriority();
    EXPECT_TRUE(priority == "SCHED_FIFO" || priority == "nice" || priority == "none") << priority;
    RecordProperty("output_thread_priority", priority);
    std::printf("output thread priority: %s\n", priority.c_str());
}

TEST_F(OutputThreadTest, ThreadRendersExactlyTheBlocksLeftBehind) {
    ASSERT_NE(Start(module_), 0u);
    // Within the first block: nothing has been left behind.
    PlayAndCatchUp(4000);
    std::this_thread::sleep_for(SETTLE);
    EXPECT_EQ(Rendered(), BLOCK_COUNT);
    // Crossing one boundary frees one block; three boundaries three.
    PlayAndCatchUp(96);
    std::this_thread::sleep_for(SETTLE);
    EXPECT_EQ(Rendered(), BLOCK_COUNT + 1);
    PlayAndCatchUp(3 * BLOCK_BYTES);
    std::this_thread::sleep_for(SETTLE);
    EXPECT_EQ(Rendered(), BLOCK_COUNT + 4);
    // The device may run as far as the whole ring ahead; the thread then
    // renders the fifteen blocks behind the one being heard.
    PlayAndCatchUp(15 * BLOCK_BYTES);
    std::this_thread::sleep_for(SETTLE);
    EXPECT_EQ(Rendered(), BLOCK_COUNT + 19);
}

TEST_F(OutputThreadTest, PlayedAudioIsTheSongUnbrokenWhateverTheDeviceStepsAre) {
    const uint32_t blocks = 70;  // past the song's loop at 60 blocks
    std::vector<int16_t> reference = ReferenceRender(module_, blocks);
    ASSERT_EQ(reference.size(), blocks * BLOCK_SAMPLES);
    ASSERT_FALSE(AllSilent(reference, 0, reference.size()));
    ASSERT_NE(Start(module_), 0u);
    // Frame-aligned steps of many sizes, some inside a block, some across
    // several, one of a whole ring minus a block.
    const uint32_t steps[] = {4,     1020, 4096, 8192,  12, 40000, 4096 * 15, 2048, 2044,
                              24576, 100,  4000, 61440, 36, 4096,  20480,     52,   4096 * 3};
    for (uint32_t step : steps) {
        PlayAndCatchUp(step);
        if (HasFatalFailure()) return;
    }
    ASSERT_LE(position_, blocks * BLOCK_BYTES);
    std::vector<int16_t> played = ManualOutput::TakePlayed();
    ASSERT_EQ(played.size(), position_ / 2);
    for (size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], reference[i]) << "sample " << i << " (block " << i / BLOCK_SAMPLES << ")";
}

TEST_F(OutputThreadTest, PauseGivesSilentBlocksAndTheSongStandsStill) {
    std::vector<int16_t> reference = ReferenceRender(module_, 40);
    ASSERT_NE(Start(module_), 0u);
    PlayAndCatchUp(BLOCK_BYTES);  // blocks 0..16 are the song's first 17
    MusicPause();
    PlayAndCatchUp(3 * BLOCK_BYTES);  // 17..19 rendered while paused
    // Quick pause and resume while the thread is idle changes nothing.
    MusicResume();
    MusicPause();
    MusicResume();
    PlayAndCatchUp(20 * BLOCK_BYTES);
    std::vector<int16_t> played = ManualOutput::TakePlayed();
    ASSERT_EQ(played.size(), 24u * BLOCK_SAMPLES);
    std::vector<int16_t> expected(reference.begin(), reference.begin() + 17 * BLOCK_SAMPLES);
    expected.resize(20 * BLOCK_SAMPLES, 0);
    expected.insert(expected.end(), reference.begin() + 17 * BLOCK_SAMPLES,
                    reference.begin() + 21 * BLOCK_SAMPLES);
    ASSERT_FALSE(AllSilent(expected, 0, 17 * BLOCK_SAMPLES));
    EXPECT_TRUE(AllSilent(played, 17 * BLOCK_SAMPLES, 3 * BLOCK_SAMPLES));
    EXPECT_EQ(played, expected);
}

TEST_F(OutputThreadTest, StartPausedIsSilentUntilResumeThenSongStartsFromItsBeginning) {
    std::vector<int16_t> reference = ReferenceRender(module_, 10);
    ASSERT_NE(Start(module_, MUSIC_SOURCE_MEMORY | MUSIC_START_PAUSED), 0u);
    EXPECT_EQ(PauseFlag.load(), MUSIC_START_PAUSED);
    PlayAndCatchUp(2 * BLOCK_BYTES);  // 18 silent blocks rendered so far
    MusicResume();
    PlayAndCatchUp(26 * BLOCK_BYTES);
    std::vector<int16_t> played = ManualOutput::TakePlayed();
    ASSERT_EQ(played.size(), 28u * BLOCK_SAMPLES);
    EXPECT_TRUE(AllSilent(played, 0, 18 * BLOCK_SAMPLES));
    std::vector<int16_t> after(played.begin() + 18 * BLOCK_SAMPLES, played.end());
    EXPECT_EQ(after, reference);
}

TEST_F(OutputThreadTest, PlayFlagsOverwriteThePauseFlag) {
    MusicPause();
    ASSERT_NE(Start(module_), 0u);
    EXPECT_EQ(PauseFlag.load(), 0);
    PlayAndCatchUp(BLOCK_BYTES);
    EXPECT_FALSE(AllSilent(ManualOutput::TakePlayed(), 0, BLOCK_SAMPLES));
}

// What the player looked like when the second device was asked for.
int ThreadsAtOpen = -1;
int DevicesAtOpen = -1;
int SongAtOpen = -1;
void RecordStateAtOpen() {
    ThreadsAtOpen = OutputThreadsAlive();
    DevicesAtOpen = ManualOutput::OpenNow();
    SongAtOpen = SongLoaded() ? 1 : 0;
}

TEST_F(OutputThreadTest, PlayWhilePlayingEndsTheOldSongBeforeOpeningTheNew) {
    TinySong other;
    other.rows = 32;
    other.bpm = 150;
    std::vector<uint8_t> second = MakeTinyXm(other);
    std::vector<int16_t> reference = ReferenceRender(second, 20);
    ASSERT_NE(Start(module_), 0u);
    PlayAndCatchUp(5 * BLOCK_BYTES + 400);
    ManualOutput::TakePlayed();
    ManualOutput::OnOpen = &RecordStateAtOpen;
    ASSERT_NE(Start(second), 0u);
    EXPECT_EQ(ThreadsAtOpen, 0);
    EXPECT_EQ(DevicesAtOpen, 0);
    EXPECT_EQ(SongAtOpen, 0);
    EXPECT_EQ(ManualOutput::Opened(), 2);
    EXPECT_EQ(ManualOutput::Closed(), 1);
    EXPECT_EQ(ManualOutput::MostOpenAtOnce(), 1);
    EXPECT_EQ(OutputThreadsAlive(), 1);
    // The new song starts at its beginning on a fresh ring.
    EXPECT_EQ(Rendered(), BLOCK_COUNT);
    PlayAndCatchUp(20 * BLOCK_BYTES);
    EXPECT_EQ(ManualOutput::TakePlayed(), reference);
}

TEST_F(OutputThreadTest, StopReleasesEverythingAndIsHarmlessTwice) {
    ASSERT_NE(Start(module_), 0u);
    PlayAndCatchUp(2 * BLOCK_BYTES);
    MusicStop();
    EXPECT_EQ(OutputThreadsAlive(), 0);
    EXPECT_EQ(ManualOutput::OpenNow(), 0);
    EXPECT_FALSE(SongLoaded());
    EXPECT_FALSE(ManualOutput::Play(BLOCK_BYTES));
    uint64_t rendered = RenderedBlocks.load();
    MusicStop();
    MusicStop();
    EXPECT_EQ(ManualOutput::Closed(), 1);
    EXPECT_EQ(RenderedBlocks.load(), rendered);
}

TEST_F(OutputThreadTest, GainIsFullUntilAVolumeIsSetAndSurvivesStopAndPlay) {
    MasterGain.store(0);  // as in a fresh process: no volume set yet
    ASSERT_NE(Start(module_), 0u);
    EXPECT_EQ(MasterGain.load(), 32768u);
    MusicSetVolume(20);
    MusicPause();
    MusicStop();
    EXPECT_EQ(MasterGain.load(), 10362u);
    EXPECT_NE(PauseFlag.load(), 0);
    ASSERT_NE(Start(module_), 0u);  // the flags set the pause flag again
    EXPECT_EQ(MasterGain.load(), 10362u);
    EXPECT_EQ(PauseFlag.load(), 0);
}

TEST_F(OutputThreadTest, FailuresReturnZeroWithEverythingReleased) {
    auto expect_released = [](const char* what) {
        EXPECT_EQ(OutputThreadsAlive(), 0) << what;
        EXPECT_EQ(ManualOutput::OpenNow(), 0) << what;
        EXPECT_FALSE(SongLoaded()) << what;
        EXPECT_FALSE(ManualOutput::Playing()) << what;
    };
    // A null source stops the song that was playing.
    ASSERT_NE(Start(module_), 0u);
    EXPECT_EQ(MusicPlay(nullptr, 0, MUSIC_SOURCE_MEMORY), 0u);
    expect_released("null source");

    TinySong no_orders;
    no_orders.songLength = 0;
    std::vector<uint8_t> bad = MakeTinyXm(no_orders);
    EXPECT_EQ(Start(bad), 0u);
    expect_released("song length 0");

    TinySong no_channels;
    no_channels.channels = 0;
    bad = MakeTinyXm(no_channels);
    EXPECT_EQ(Start(bad), 0u);
    expect_released("no channels");

    std::vector<uint8_t> stub(module_.begin(), module_.begin() + 40);
    EXPECT_EQ(Start(stub), 0u);
    expect_released("shorter than the header");

    EXPECT_EQ(MusicPlay("/nonexistent/song.xm", 0, MUSIC_SOURCE_FILE), 0u);
    expect_released("missing file");

    ManualOutput::Install(/*opens=*/false);
    EXPECT_EQ(Start(module_), 0u);
    expect_released("no device");
    EXPECT_EQ(ManualOutput::Opened(), 0);

    ManualOutput::Install(/*opens=*/true, /*starts=*/false);
    EXPECT_EQ(Start(module_), 0u);
    expect_released("device that cannot play");
    EXPECT_EQ(ManualOutput::Opened(), 1);
    EXPECT_EQ(ManualOutput::Closed(), 1);

    // After all that, a good module still plays.
    ManualOutput::Install();
    ASSERT_NE(Start(module_), 0u);
    PlayAndCatchUp(BLOCK_BYTES);
    EXPECT_FALSE(AllSilent(ManualOutput::TakePlayed(), 0, BLOCK_SAMPLES));
}

TEST_F(OutputThreadTest, FileSourcePlaysTheSameAsMemory) {
    std::vector<int16_t> reference = ReferenceRender(module_, 20);
    std::string path = ::testing::TempDir() + "music_player_" + std::to_string(getpid()) + ".xm";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(module_.data()),
                  static_cast<std::streamsize>(module_.size()));
    }
    base_ = RenderedBlocks.load();
    position_ = 0;
    ASSERT_NE(MusicPlay(path.c_str(), 0, MUSIC_SOURCE_FILE), 0u);
    std::remove(path.c_str());
    PlayAndCatchUp(20 * BLOCK_BYTES);
    EXPECT_EQ(ManualOutput::TakePlayed(), reference);
}

TEST_F(OutputThreadTest, NoLoopSongStopsByItselfAtItsEnd) {
    // 64 rows of 960 frames: the last row starts at frame 60,480, inside block
    // 59, which the thread renders once the device has played 44 blocks.
    std::vector<int16_t> reference = ReferenceRender(module_, 59);
    ASSERT_NE(Start(module_, MUSIC_SOURCE_MEMORY | MUSIC_NO_LOOP), 0u);
    for (int b = 0; b < 43; ++b) {
        PlayAndCatchUp(BLOCK_BYTES);
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(ManualOutput::Playing());
    EXPECT_TRUE(SongLoaded());
    ASSERT_TRUE(ManualOutput::Play(BLOCK_BYTES));
    // The thread has ended and the device is silent; the device and the
    // song stay until the next stop.
    ASSERT_TRUE(WaitUntil([] { return OutputThreadsAlive() == 0; }));
    EXPECT_FALSE(ManualOutput::Playing());
    EXPECT_FALSE(ManualOutput::Play(BLOCK_BYTES));
    std::vector<int16_t> played = ManualOutput::TakePlayed();
    ASSERT_EQ(played.size(), 44u * BLOCK_SAMPLES);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), reference.begin()));
    MusicStop();
    EXPECT_FALSE(SongLoaded());
    EXPECT_EQ(ManualOutput::OpenNow(), 0);
    EXPECT_EQ(ManualOutput::Opened(), 1);
    EXPECT_EQ(ManualOutput::Closed(), 1);
    MusicStop();  // a second stop finds nothing to do
    EXPECT_EQ(ManualOutput::Closed(), 1);
    // And the next song plays normally, with one thread.
    ASSERT_NE(Start(module_), 0u);
    EXPECT_EQ(OutputThreadsAlive(), 1);
    PlayAndCatchUp(3 * BLOCK_BYTES);
    std::this_thread::sleep_for(SETTLE);
    EXPECT_EQ(Rendered(), BLOCK_COUNT + 3);
    EXPECT_EQ(OutputThreadsAlive(), 1);
}

TEST_F(OutputThreadTest, NoLoopSongThatEndsWhileTheRingIsPreparedFailsCleanly) {
    TinySong short_song;
    short_song.rows = 4;  // ends after about 3 blocks
    std::vector<uint8_t> module = MakeTinyXm(short_song);
    EXPECT_EQ(Start(module, MUSIC_SOURCE_MEMORY | MUSIC_NO_LOOP), 0u);
    EXPECT_EQ(OutputThreadsAlive(), 0);
    EXPECT_EQ(ManualOutput::OpenNow(), 0);
    EXPECT_FALSE(SongLoaded());
    EXPECT_LT(Rendered(), BLOCK_COUNT);
    // The same song looping plays.
    EXPECT_NE(Start(module), 0u);
}

// The offline render and MusicPlay share the one song: each is refused
// while the other holds it. The render gives the frames of the song (in
// pieces of any size, each at its call's volume) and says where it is; a
// no-loop song ends where the last row starts, on the caller's thread.
TEST_F(OutputThreadTest, OfflineRenderAndMusicPlayTakeTheSongInTurn) {
    std::vector<int16_t> reference = ReferenceRender(module_, 60);
    std::vector<int16_t> quiet = ReferenceRender(module_, 60, 13);
    ASSERT_NE(Start(module_), 0u);
    MusicRenderOptions noLoop;
    noLoop.noLoop = true;
    EXPECT_EQ(MusicRenderOpenMemory(module_.data(), uint32_t(module_.size()), noLoop), MUSIC_RENDER_BUSY);
    EXPECT_EQ(MusicRender(nullptr, 100, 25), 0u);
    MusicStop();
    ASSERT_EQ(MusicRenderOpenMemory(module_.data(), uint32_t(module_.size()), noLoop), MUSIC_RENDER_OK);
    EXPECT_EQ(MusicRenderOpenMemory(module_.data(), uint32_t(module_.size()), noLoop), MUSIC_RENDER_BUSY);
    EXPECT_EQ(Start(module_), 0u);
    EXPECT_EQ(ManualOutput::Opened(), 1);
    std::vector<int16_t> audio(2 * 70000);
    uint32_t got = MusicRender(audio.data(), 777, 25);
    got += MusicRender(audio.data() + 2 * got, 1500, 13);
    EXPECT_EQ(MusicRenderWhere().frames, 2277u);
    EXPECT_EQ(MusicRenderWhere().row, 2);  // frame 2,276 (the mixer is a block ahead, in row 3)
    EXPECT_FALSE(MusicRenderWhere().ended);
    got += MusicRender(audio.data() + 2 * got, 70000 - got, 25);
    EXPECT_EQ(got, 60480u);  // 63 rows of 960 frames
    MusicRenderPosition where = MusicRenderWhere();
    EXPECT_EQ(where.order, 0);
    EXPECT_EQ(where.row, 62);  // the last row played; starting row 63 ended the song
    EXPECT_EQ(where.frames, 60480u);
    EXPECT_TRUE(where.ended);
    EXPECT_EQ(MusicRender(audio.data(), 100, 25), 0u);
    EXPECT_EQ(OutputThreadsAlive(), 0);  // all of it on the caller's thread
    MusicRenderClose();
    for (uint32_t i = 0; i < 2 * got; i++) {
        int16_t expected = i >= 2 * 777 && i < 2 * 2277 ? quiet[i] : reference[i];
        ASSERT_EQ(audio[i], expected) << i;
    }
    EXPECT_EQ(MusicRenderOpenFile("/nonexistent/song.xm", noLoop), MUSIC_RENDER_NO_FILE);
    EXPECT_EQ(MusicRenderOpenMemory(module_.data(), 100, noLoop), MUSIC_RENDER_BAD_MODULE);
    EXPECT_NE(Start(module_), 0u);
}

}  // namespace

namespace {

// The game never stops the music: it returns from main while the output
// thread runs, and the process must still end normally.
TEST(PlayerAtExit, ProcessEndsNormallyWhileTheMusicPlays) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ManualOutput::Install();
            std::vector<uint8_t> module = MakeTinyXm();
            if (MusicPlay(module.data(), module.size(), MUSIC_SOURCE_MEMORY) == 0) std::_Exit(3);
            ManualOutput::Play(3 * BLOCK_BYTES);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
