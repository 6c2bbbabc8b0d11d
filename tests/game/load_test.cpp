// load_test.cpp - start-up, the load callback and the asset pack reader.
#include "game_fixture.h"

using LoadTest = GameTest;

TEST_F(LoadTest, StartUpRegistersTimersCallbacksAndWindowInOrder) {
    RunEngine();
    std::vector<std::string> expected = {"timer_Add",      "timer_Add",      "engine_device",
                                         "engine_device",  "engine_disable", "wnd_SetCaption",
                                         "wnd_ShowCursor", "scr_SetOptions", "engine_start"};
    EXPECT_EQ(Fake.Names(), expected);
    EXPECT_EQ(Fake.calls[0].args, std::vector<double>{20});
    EXPECT_EQ(Fake.timers[0].callback, &GameTick);
    EXPECT_EQ(Fake.calls[1].args, std::vector<double>{8900});  // first tank after 8.9 s
    EXPECT_EQ(Fake.timers[1].callback, &SpawnTick);
    EXPECT_EQ(SpawnTimer, &Fake.timers[1].record);
    EXPECT_EQ(Fake.calls[2].args, std::vector<double>{3});
    EXPECT_EQ(Fake.onLoad, &OnLoad);
    EXPECT_EQ(Fake.calls[3].args, std::vector<double>{4});
    EXPECT_EQ(Fake.onDraw, &OnDraw);
    EXPECT_EQ(Fake.calls[4].args, std::vector<double>{512});
    EXPECT_EQ(Fake.calls[5].text, "Brovask");
    EXPECT_EQ(Fake.calls[6].args, std::vector<double>{1});
    EXPECT_EQ(Fake.calls[7].args, (std::vector<double>{800, 600, 0, 0, 0}));
    EXPECT_EQ(Fake.calls[8].args, (std::vector<double>{0, 0}));
}

TEST_F(LoadTest, MissingGameExportIsNamed) {
    EXPECT_EQ(MissingGameExport(), nullptr);
    gui_SetEnable = nullptr;
    EXPECT_STREQ(MissingGameExport(), "gui_SetEnable");
}

TEST_F(LoadTest, LoadsEveryTextureFromItsEntryInOrder) {
    PutGameFiles();
    OnLoad();
    std::vector<int> entries;
    for (const FakeCall& call : Fake.Named("tex_LoadFromMemory")) {
        EXPECT_EQ(call.text, "png");
        EXPECT_EQ(call.args[0], 0xFF00FF);
        EXPECT_EQ(call.args[1], 1074);
    }
    for (HxTexture t = 1; t < Fake.nextTexture; t++)
        entries.push_back(std::stoi(Fake.textureSource[t].substr(6)));
    std::vector<int> expected = {1,  22, 26, 10, 20, 9, 27, 21, 18, 19, 23, 24, 25, 11,
                                 12, 13, 5,  6,  7,  2, 3,  4,  14, 15, 16, 17, 8};
    EXPECT_EQ(entries, expected);

    EXPECT_EQ(FontPageTexture, Fake.TextureOfEntry(1));
    EXPECT_EQ(Fake.fontPages[0], FontPageTexture);  // the glyphs come from pack entry 1
    EXPECT_EQ(GameFont, &Fake.font);
    EXPECT_EQ(HeaderTexture, Fake.TextureOfEntry(22));
    EXPECT_EQ(SoundBoxTexture, Fake.TextureOfEntry(26));
    EXPECT_EQ(PanelTexture, Fake.TextureOfEntry(10));
    EXPECT_EQ(BorderTexture, Fake.TextureOfEntry(20));
    EXPECT_EQ(FrontRowTexture, Fake.TextureOfEntry(9));
    EXPECT_EQ(GroundTexture, Fake.TextureOfEntry(27));
    EXPECT_EQ(TankTexture, Fake.TextureOfEntry(21));
    EXPECT_EQ(TrailTexture, Fake.TextureOfEntry(18));
    EXPECT_EQ(EmptySiteTexture, Fake.TextureOfEntry(19));
    EXPECT_EQ(GunTexture3, Fake.TextureOfEntry(25));
    EXPECT_EQ(BuildingTexture1, Fake.TextureOfEntry(11));
    EXPECT_EQ(ShellTexture, Fake.TextureOfEntry(8));

    // Frame sizes: 12 x 12 for the sound box, 48 x 48 for tank and sites,
    // 48 x 64 for buy buttons, 48 x 25 for the sell button, none elsewhere.
    EXPECT_EQ(Fake.frameSize[SoundBoxTexture], std::make_pair(12, 12));
    EXPECT_EQ(Fake.frameSize[TankTexture], std::make_pair(48, 48));
    for (int e : {19, 23, 24, 25, 11, 12, 13})
        EXPECT_EQ(Fake.frameSize[Fake.TextureOfEntry(e)], std::make_pair(48, 48));
    for (int e : {5, 6, 7, 2, 3, 4, 14, 15, 16})
        EXPECT_EQ(Fake.frameSize[Fake.TextureOfEntry(e)], std::make_pair(48, 64));
    EXPECT_EQ(Fake.frameSize[Fake.TextureOfEntry(17)], std::make_pair(48, 25));
    for (int e : {1, 22, 10, 20, 9, 27, 18, 8})
        EXPECT_EQ(Fake.frameSize.count(Fake.TextureOfEntry(e)), 0u) << e;
    EXPECT_EQ(Fake.Named("tex_SetFrameSize").size(), 19u);
}

TEST_F(LoadTest, CreatesSitesAndShopWidgets) {
    PutGameFiles();
    OnLoad();
    auto images = Fake.Named("gui_AddImage");
    ASSERT_EQ(images.size(), 46u);
    for (int k = 0; k < 36; k++) {
        int row = k / 12, column = k % 12;
        EXPECT_EQ(images[k].args, (std::vector<double>{double(EmptySiteTexture), 16.0 + 48 * column,
                                                       440.0 + 48 * row, 48, 48, 120, 1, 1}));
        int32_t r, c;
        FindBuildSite(Fake.widgetOrder[k], &r, &c);
        EXPECT_EQ(r, row);
        EXPECT_EQ(c, column);
    }
    struct Button {
        HxWidget widget;
        int entry;
        double x, y, h, visible;
    } buttons[10] = {{GunButton1, 5, 623, 30, 64, 1},       {GunButton2, 6, 680, 30, 64, 1},
                     {GunButton3, 7, 737, 30, 64, 1},       {BuildingButton1, 2, 623, 130, 64, 1},
                     {BuildingButton2, 3, 680, 130, 64, 1}, {BuildingButton3, 4, 737, 130, 64, 1},
                     {PatronsButton1, 14, 623, 230, 64, 1}, {PatronsButton2, 15, 680, 230, 64, 1},
                     {PatronsButton3, 16, 737, 230, 64, 1}, {SellButton, 17, 632, 364, 25, 0}};
    for (int b = 0; b < 10; b++) {
        EXPECT_EQ(Fake.widgetOrder[36 + b], buttons[b].widget) << b;
        EXPECT_EQ(images[36 + b].args,
                  (std::vector<double>{double(Fake.TextureOfEntry(buttons[b].entry)), buttons[b].x,
                                       buttons[b].y, 48, buttons[b].h, 200, buttons[b].visible, 1}))
            << b;
    }
    EXPECT_EQ(Selection.Row, -1);
    EXPECT_EQ(Selection.Column, -1);
    EXPECT_EQ(Selection.Panel, PanelNone);
    // Before the shop exists there is no sell button to hide.
    EXPECT_TRUE(Fake.Named("gui_SetVisible").empty());
}

TEST_F(LoadTest, FontAndMusicStepsInOrder) {
    PutGameFiles();
    OnLoad();
    EXPECT_EQ(Fake.calls[0].name, "mem_LoadFromFile");
    EXPECT_EQ(Fake.calls[0].text, "data/engine.pak");
    EXPECT_EQ(Fake.calls[1].name, "font_LoadFromMemory");
    EXPECT_EQ(Fake.calls[1].args, std::vector<double>{4});  // the whole font file
    // The music: read whole, volume 20, the check box, then play from memory.
    auto loads = Fake.Named("mem_LoadFromFile");
    EXPECT_EQ(loads.back().text, "data/sound.pak");
    EXPECT_EQ(MusicData.Size, 9u);
    ASSERT_EQ(MusicCalls.size(), 2u);
    EXPECT_EQ(MusicCalls[0].name, "MusicSetVolume");
    EXPECT_EQ(MusicCalls[0].args, std::vector<double>{20});
    EXPECT_EQ(MusicCalls[1].name, "MusicPlay");
    EXPECT_EQ(MusicCalls[1].args, (std::vector<double>{1, 9, 1}));
    EXPECT_EQ(Fake.calls.back().name, "gui_AddCheckBox");
    EXPECT_EQ(Fake.calls.back().text, "sound");
    EXPECT_EQ(Fake.calls.back().args, (std::vector<double>{double(SoundBoxTexture), 616, 560, 12, 12, 255, 1,
                                                           1, 1, 1, 0x222222, 255}));
    EXPECT_EQ(SoundBox, Fake.widgetOrder.back());
    EXPECT_TRUE(MusicOn);
    // Read the module, set the volume, add the box, then play.
    EXPECT_LT(loads.back().order, MusicCalls[0].order);
    EXPECT_LT(MusicCalls[0].order, Fake.calls.back().order);
    EXPECT_LT(Fake.calls.back().order, MusicCalls[1].order);
    EXPECT_LT(Fake.Named("tex_LoadFromMemory").back().order, loads.back().order);
}

TEST_F(LoadTest, SoundBoxTogglesPauseAndResume) {
    Load();
    ClickAndTick(SoundBox);
    EXPECT_FALSE(MusicOn);
    ClickAndTick(SoundBox);
    EXPECT_TRUE(MusicOn);
    ClickAndTick(SoundBox);
    OnSoundBox(SoundBox, 1);  // not a click: nothing happens
    ASSERT_EQ(MusicCalls.size(), 3u);
    EXPECT_EQ(MusicCalls[0].name, "MusicPause");
    EXPECT_EQ(MusicCalls[1].name, "MusicResume");
    EXPECT_EQ(MusicCalls[2].name, "MusicPause");
    // After game over the box is dead: gui_Calc no longer runs.
    GameMode = ModeGameOver;
    ClickAndTick(SoundBox);
    EXPECT_EQ(MusicCalls.size(), 3u);
}

TEST_F(LoadTest, MissingOrUnreadableMusicStillStartsTheGame) {
    // No file: one line on stderr, the engine is never asked for it (it would
    // end the program), and the box and the player's call come as usual.
    for (bool folderInstead : {false, true}) {
        ResetGame();
        PutGameFiles();
        Fake.files.erase("data/sound.pak");
        std::remove("data/sound.pak");
        if (folderInstead) std::filesystem::create_directory("data/sound.pak");
        testing::internal::CaptureStderr();
        OnLoad();
        std::string said = testing::internal::GetCapturedStderr();
        if (folderInstead) std::filesystem::remove("data/sound.pak");
        // The message names the full path of the file it looked for.
        const std::string tried = std::filesystem::current_path().string() + "/data/sound.pak: ";
        EXPECT_EQ(said, tried + (folderInstead ? "not a regular file; playing without music\n"
                                               : "No such file or directory; playing without music\n"));
        for (const FakeCall& load : Fake.Named("mem_LoadFromFile")) EXPECT_NE(load.text, "data/sound.pak");
        EXPECT_NE(SoundBox, 0u);
        ASSERT_EQ(MusicCalls.size(), 2u);
        EXPECT_EQ(MusicCalls[1].args, (std::vector<double>{0, 0, 1}));
    }
}

TEST_F(LoadTest, PackEntriesAreFoundByLength) {
    Fake.files["data/data.pak"] = MakePack(27);
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(1)], "entry-1");
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(27)], "entry-27");
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(0)], "entry-1");
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(-5)], "entry-1");
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(10)], "entry-10");
    // Entry 27 is reached by 26 skips of read-length-then-seek.
    Fake.calls.clear();
    LoadPackTexture(27);
    EXPECT_EQ(Fake.Named("mem_Seek").size(), 26u);
    for (const FakeCall& seek : Fake.Named("mem_Seek")) EXPECT_EQ(seek.args[1], 2);
    auto get = Fake.Named("mem_Get");
    ASSERT_EQ(get.size(), 1u);
    EXPECT_EQ(get[0].args[0], PackImage("entry-27").size());
}

TEST_F(LoadTest, PackWithEntriesOfOddSizes) {
    std::string pack;
    for (int k = 1; k <= 3; k++) {
        std::string data = PackImage(std::string(k == 2 ? 70000 : k * 3, static_cast<char>('a' + k)));
        uint32_t length = static_cast<uint32_t>(data.size());
        for (int b = 0; b < 4; b++) pack.push_back(static_cast<char>((length >> (8 * b)) & 0xFF));
        pack += data;
    }
    Fake.files["data/data.pak"] = pack;
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(2)], std::string(70000, 'c'));
    EXPECT_EQ(Fake.textureSource[LoadPackTexture(3)], std::string(9, 'd'));
}

using LoadDeathTest = GameTest;

TEST_F(LoadDeathTest, MissingPackNamesTheFile) {
    EXPECT_EXIT(LoadPackTexture(1), testing::ExitedWithCode(1), "data/data.pak: missing or empty");
}

TEST_F(LoadDeathTest, ShortPackNamesTheEntry) {
    Fake.files["data/data.pak"] = MakePack(5);
    EXPECT_EXIT(LoadPackTexture(9), testing::ExitedWithCode(1), "data/data.pak: entry 6 is missing");
}

TEST_F(LoadDeathTest, TruncatedEntryIsRefused) {
    std::string pack = MakePack(3);
    pack.resize(pack.size() - 2);
    Fake.files["data/data.pak"] = pack;
    EXPECT_EXIT(LoadPackTexture(3), testing::ExitedWithCode(1), "data/data.pak: entry 3 is truncated");
    // A huge announced length is refused before any block is asked for.
    Fake.files["data/data.pak"] = std::string("\xff\xff\xff\xff", 4) + "abc";
    ForgetPack();
    EXPECT_EXIT(LoadPackTexture(1), testing::ExitedWithCode(1), "entry 1 is truncated");
}

TEST_F(LoadDeathTest, BrokenImageNamesThePackAndTheEntry) {
    std::string pack = MakePack(4);
    // Entry 3 starts after two entries of 4-byte length and image; damage its
    // image data (past the signature) so that only a PNG reader can tell.
    size_t entry3 = 2 * (4 + PackImage("entry-1").size()) + 4;
    pack[entry3 + PackImage("").find("IDAT") + 6] ^= 0x5A;
    Fake.files["data/data.pak"] = pack;
    EXPECT_EXIT(LoadPackTexture(3), testing::ExitedWithCode(1),
                "data/data.pak: entry 3 is not a usable PNG image: ");
}

TEST_F(LoadDeathTest, MissingOrBadFontNamesTheFile) {
    PutGameFiles();
    Fake.files.erase("data/engine.pak");
    EXPECT_EXIT(OnLoad(), testing::ExitedWithCode(1), "data/engine.pak: missing or empty");
    PutGameFiles();
    Fake.fontLoadFails = true;
    EXPECT_EXIT(OnLoad(), testing::ExitedWithCode(1), "data/engine.pak: not a font");
}
