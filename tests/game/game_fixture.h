// game_fixture.h - a fresh game against the fake engine for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "boom.h"
#include "fake_engine.h"
#include "game.h"
#include "main.h"
#include "map.h"
#include "point.h"
#include "tank.h"
#include "vars.h"

// The game checks on disk that the music file can be read before the engine
// loads it, so the tests run in a folder of their own where a real
// data/sound.pak stands beside the fake engine's files.
inline void UseTestFolder() {
    static bool ready = false;
    if (ready) return;
    char pattern[] = "/tmp/brovask-game-test-XXXXXX";
    const char* folder = mkdtemp(pattern);
    ASSERT_NE(folder, nullptr);
    std::filesystem::create_directory(std::filesystem::path(folder) / "data");
    std::filesystem::current_path(folder);
    ready = true;
    static const pid_t owner = getpid();
    static const std::string made = folder;
    // Death tests fork: only the process that made the folder removes it.
    std::atexit([] {
        if (getpid() == owner) std::filesystem::remove_all(made);
    });
}

// Puts every game variable back to the start of a game and installs the fake.
inline void ResetGame() {
    Score = 0;
    Money = StartMoney;
    Round = StartRound;
    CycleTick = 0;
    CycleCount = 0;
    Lifes = StartLifes;
    GameMode = ModePlaying;
    Patrons = StartPatrons;
    GameFont = nullptr;
    FontPageTexture = PanelTexture = 0;
    Tanks.clear();
    TankCount = 0;
    LastColumn = 0;
    Shells.clear();
    ShellCount = 0;
    std::memset(BuildSites, 0, sizeof BuildSites);
    Selection = SiteSelection{0, 0, 0};
    EmptySiteTexture = GunTexture1 = GunTexture2 = GunTexture3 = 0;
    BuildingTexture1 = BuildingTexture2 = BuildingTexture3 = 0;
    GunButton1 = GunButton2 = GunButton3 = 0;
    BuildingButton1 = BuildingButton2 = BuildingButton3 = 0;
    PatronsButton1 = PatronsButton2 = PatronsButton3 = SellButton = 0;
    TankTexture = TrailTexture = ShellTexture = 0;
    GroundTexture = BorderTexture = FrontRowTexture = 0;
    SpawnTimer = nullptr;
    HeaderTexture = SoundBoxTexture = 0;
    SoundBox = 0;
    MusicData = MemoryStream{};
    MusicOn = true;
    ForgetPack();
    InstallFakeEngine();
    UseTestFolder();
    std::remove("data/sound.pak");
}

inline void PutGameFiles() {
    Fake.files["data/data.pak"] = MakePack(27);
    Fake.files["data/engine.pak"] = "FONT";
    Fake.files["data/sound.pak"] = "XM-MODULE";
    std::ofstream("data/sound.pak") << Fake.files["data/sound.pak"];
}

class GameTest : public ::testing::Test {
   protected:
    void SetUp() override { ResetGame(); }

    // Runs the load callback on complete data files and forgets its calls.
    void Load() {
        PutGameFiles();
        OnLoad();
        Fake.calls.clear();
        MusicCalls.clear();
    }
    // A started game: loaded, with the spawn timer registered.
    void Start() {
        Load();
        SpawnTimer = timer_Add(SpawnTick, SpawnInterval(Round));
        Fake.calls.clear();
    }
    // Clicks a widget; the click arrives in the next game tick's gui_Calc.
    void ClickAndTick(HxWidget widget) {
        Fake.Click(widget);
        GameTick();
    }
    HxWidget Site(int row, int column) const { return BuildSites[row][column].Widget; }
    // Selects the empty site and buys with `button`, all in one tick.
    void Build(int row, int column, HxWidget button) {
        Fake.Click(Site(row, column));
        Fake.Click(button);
        GameTick();
    }
    const FakeWidget& W(HxWidget id) { return Fake.widgets[id]; }
};
