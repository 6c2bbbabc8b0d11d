// draw_test.cpp - what a frame draws, in which order and with which values.
#include "game_fixture.h"

namespace {

// Walks the recorded calls of one frame front to back.
struct FrameReader {
    const std::vector<FakeCall>& calls;
    size_t next = 0;
    const FakeCall& Take(const std::string& name) {
        EXPECT_LT(next, calls.size());
        static FakeCall none;
        if (next >= calls.size()) return none;
        const FakeCall& call = calls[next++];
        EXPECT_EQ(call.name, name) << "call " << next - 1;
        return call;
    }
    void Expect(const std::string& name, std::vector<double> args) {
        EXPECT_EQ(Take(name).args, args) << name;
    }
    void ExpectText(std::string text, std::vector<double> args) {
        const FakeCall& call = Take("text_DrawEx");
        EXPECT_EQ(call.text, text);
        EXPECT_EQ(call.args, args) << text;
    }
};

}  // namespace

class DrawTest : public GameTest {
   protected:
    void SetUp() override {
        GameTest::SetUp();
        Load();
    }
};

TEST_F(DrawTest, FreshGameFrameLayersInOrder) {
    OnDraw();
    FrameReader frame{Fake.calls};
    frame.Take("batch2d_Begin");
    const double blend = HX_FX_BLEND;
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 5; j++)
            frame.Expect("spr_sDraw",
                         {double(GroundTexture), 16.0 + 128 * i, 128.0 * j, 128, 128, 0, 255, blend});
    for (int k = 0; k < 10; k++)
        frame.Expect("spr_sDraw", {double(BorderTexture), 0, 64.0 * k, 16, 64, 0, 255, blend});
    for (int k = 0; k < 10; k++)
        frame.Expect("spr_sDraw", {double(BorderTexture), 592, 64.0 * k, 16, 64, 0, 255, 1});
    for (int c = 0; c < 12; c++)
        frame.Expect("spr_sDraw", {double(FrontRowTexture), 16.0 + 48 * c, 440, 48, 48, 0, 255, blend});
    // No selection: no frame. Then the 27 panel tiles, column by column.
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 9; j++)
            frame.Expect("spr_sDraw",
                         {double(PanelTexture), 608.0 + 64 * i, 24.0 + 64 * j, 64, 64, 0, 255, blend});
    frame.Take("batch2d_End");
    frame.Take("gui_Draw");
    frame.Take("batch2d_Begin");
    frame.Take("batch2d_End");  // no tanks, no built sites, no shells
    frame.Expect("prim_Rect", {16, 0, 576, 24, 0, 200, 0x10000});
    frame.Take("batch2d_Begin");
    frame.ExpectText("Score: 0", {1, 30, 4, 1, 0, 255, 0xFFFF00, 0});
    frame.ExpectText("Money: 1500", {1, 150, 4, 1, 0, 255, 0xFFFF00, 0});
    frame.ExpectText("Round: 1", {1, 285, 4, 1, 0, 255, 0xFFFF00, 0});
    frame.ExpectText("Lifes: 10", {1, 375, 4, 1, 0, 255, 0xFFFF00, 0});
    frame.ExpectText("Patrons: 600", {1, 470, 4, 1, 0, 255, 0xFFFF00, 0});
    frame.ExpectText("Halvex Engine [Quorlin] ", {1, 616, 580, 1, 0, 255, 0, 0});
    for (double y : {0, 100, 200, 300})
        frame.Expect("spr_sDraw", {double(HeaderTexture), 608, y, 192, 24, 0, 255, blend});
    frame.Take("batch2d_End");
    EXPECT_EQ(frame.next, Fake.calls.size());
}

TEST_F(DrawTest, TanksLifeBarsShellsAndGunPanel) {
    // A gun of grade 2 at row 2, column 3, selected; worn a little.
    BuildSites[2][3] = BuildSite{BuildSites[2][3].Widget, 9.5f, 0.6f, 17, 6};
    Selection = SiteSelection{2, 3, PanelGun};
    // Tanks at positions that show the trail's rounding and sign.
    Tanks.push_back(Tank{15, 0.11f, 5, 256, 101.5f, 2, 3});  // rounds to 102: jitter 2
    Tanks.push_back(Tank{0, 0.11f, 1, 64, -45.0f, 4, 0});    // life 0: no bar; -45: jitter -1
    Tanks.push_back(Tank{4, 0.11f, 2, 112, 100.5f, 1, 0});   // rounds to 100 (half to even): jitter 0
    TankCount = 3;
    Shells.push_back(Shell{6, 0.6f, 174, 300});
    ShellCount = 1;
    Fake.calls.clear();
    OnDraw();

    FrameReader frame{Fake.calls};
    frame.Take("batch2d_Begin");
    for (int k = 0; k < 57; k++) frame.Take("spr_sDraw");
    frame.Expect("prim_Rect", {16 + 48 * 3, 440 + 48 * 2, 48, 48, 0x00FF00, 100, 0});  // green outline
    for (int k = 0; k < 27; k++) frame.Take("spr_sDraw");
    frame.Take("batch2d_End");
    frame.Take("gui_Draw");
    frame.Take("batch2d_Begin");
    const double blend = HX_FX_BLEND;
    frame.Expect("spr_aDraw", {double(TrailTexture), 256, 101.5 - 40 + 2, 48, 48, 0, 1, 128, blend});
    frame.Expect("spr_aDraw", {double(TankTexture), 256, 101.5, 48, 48, 0, 2, 255, blend});
    frame.Expect("prim_Rect", {256 + 23 - 18.75, 106.5, 37.5 + 2, 3, 0, 200, 0});
    frame.Expect("prim_Rect", {256 + 24 - 18.75, 106.5, 37.5, 3, 0x00FF00, 200, 0x10000});
    frame.Expect("spr_aDraw", {double(TrailTexture), 64, -45.0 - 40 - 1, 48, 48, 0, 1, 128, blend});
    frame.Expect("spr_aDraw", {double(TankTexture), 64, -45, 48, 48, 0, 4, 255, blend});
    frame.Expect("spr_aDraw", {double(TrailTexture), 112, 100.5 - 40, 48, 48, 0, 1, 128, blend});
    frame.Expect("spr_aDraw", {double(TankTexture), 112, 100.5, 48, 48, 0, 1, 255, blend});
    frame.Expect("prim_Rect", {112 + 23 - 5, 105.5, 12, 3, 0, 200, 0});
    frame.Expect("prim_Rect", {112 + 24 - 5, 105.5, 10, 3, 0x00FF00, 200, 0x10000});
    // The site's life bar: 3 pixels a point, centred on the site.
    frame.Expect("prim_Rect", {40 + 48 * 3 - 14.25, 480 + 96, 28.5, 3, 0x00FF00, 200, 0x10000});
    frame.Expect("prim_Rect", {40 + 48 * 3 - 14.25, 480 + 96, 30.5, 3, 0, 200, 0});
    frame.Expect("spr_aDraw", {double(ShellTexture), 174, 300, 16, 16, 0, 1, 255, blend});
    frame.Take("batch2d_End");
    frame.Take("prim_Rect");
    frame.Take("batch2d_Begin");
    for (int k = 0; k < 6; k++) frame.Take("text_DrawEx");
    frame.ExpectText("$250", {1, 656, 340, 1, 1, 255, 0, 2});
    frame.ExpectText("Level: 2", {1, 700, 330, 1, 1, 255, 0, 0});
    frame.ExpectText("Life: 10", {1, 700, 346, 1, 1, 255, 0, 0});  // 9.5 rounds half away from zero
    frame.ExpectText("Damage: 60", {1, 700, 362, 1, 1, 255, 0, 0});
    frame.ExpectText("Speed: 6", {1, 700, 378, 1, 1, 255, 0, 0});
    for (int k = 0; k < 4; k++) frame.Take("spr_sDraw");
    frame.Take("batch2d_End");
    EXPECT_EQ(frame.next, Fake.calls.size());
}

TEST_F(DrawTest, PanelValuesForEveryNewBuilding) {
    struct Case {
        HxWidget* button;
        std::vector<std::string> lines;
    } cases[] = {
        {&GunButton1, {"$100", "Level: 1", "Life: 10", "Damage: 30", "Speed: 5"}},
        {&GunButton2, {"$250", "Level: 2", "Life: 10", "Damage: 60", "Speed: 6"}},
        {&GunButton3, {"$450", "Level: 3", "Life: 10", "Damage: 130", "Speed: 7"}},
        {&BuildingButton1, {"$50", "Level: 1", "Life: 10", "Money: 5", "Speed: 5"}},
        {&BuildingButton2, {"$150", "Level: 2", "Life: 10", "Money: 10", "Speed: 5"}},
        {&BuildingButton3, {"$300", "Level: 3", "Life: 10", "Money: 15", "Speed: 5"}},
    };
    ChangeMoney(10000);  // enough for every building
    int column = 0;
    for (const Case& c : cases) {
        Build(0, column, *c.button);
        ClickAndTick(Site(0, column));
        Fake.calls.clear();
        OnDraw();
        auto texts = Fake.Named("text_DrawEx");
        ASSERT_EQ(texts.size(), 11u);
        for (int k = 0; k < 5; k++) EXPECT_EQ(texts[6 + k].text, c.lines[k]);
        column++;
    }
}

TEST_F(DrawTest, SelectionFramesByPanelKind) {
    Selection = SiteSelection{1, 4, PanelEmptySite};
    OnDraw();
    auto rects = Fake.Named("prim_Rect");
    EXPECT_EQ(rects[0].args, (std::vector<double>{16 + 48 * 4, 440 + 48, 48, 48, 0, 100, 0x10000}));
    for (uint8_t kind : {uint8_t(0), uint8_t(4)}) {
        Selection.Panel = kind;
        Fake.calls.clear();
        OnDraw();
        EXPECT_EQ(Fake.Named("prim_Rect").size(), 1u) << int(kind);  // only the HUD bar
        EXPECT_EQ(Fake.Named("text_DrawEx").size(), 6u);
    }
    Selection.Panel = PanelMoneyBuilding;
    Fake.calls.clear();
    OnDraw();
    auto texts = Fake.Named("text_DrawEx");
    ASSERT_EQ(texts.size(), 11u);
    EXPECT_EQ(texts[6].text, "$0");  // an empty site's values
    EXPECT_EQ(texts[10].text, "Speed: 5");
}

TEST_F(DrawTest, SiteLifeBarsOnlyAboveZero) {
    BuildSites[0][0].Life = 10;
    BuildSites[0][1].Life = 0;
    BuildSites[1][11].Life = -0.01f;
    BuildSites[2][2].Life = 0.02f;
    DrawSiteLifeBars();
    auto rects = Fake.Named("prim_Rect");
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[0].args, (std::vector<double>{25, 480, 30, 3, 0x00FF00, 200, 0x10000}));
    EXPECT_EQ(rects[1].args, (std::vector<double>{25, 480, 32, 3, 0, 200, 0}));
    EXPECT_FLOAT_EQ(rects[2].args[1], 480 + 96);
}

TEST_F(DrawTest, GameOverDrawsOnlyTheNotice) {
    GameMode = ModeGameOver;
    Lifes = -1;
    Tanks.push_back(Tank{15, 0.11f, 1, 64, 10, 1, 0});
    OnDraw();
    ASSERT_EQ(Fake.calls.size(), 1u);
    EXPECT_EQ(Fake.calls[0].text, "GAME OVER");
    EXPECT_EQ(Fake.calls[0].args, (std::vector<double>{1, 400, 300, 2, 2, 255, 0xFFFFFF, 2}));
}

TEST_F(DrawTest, HudFollowsTheGameFromFrameToFrame) {
    auto hud = [] {
        Fake.calls.clear();
        OnDraw();
        std::vector<std::string> lines;
        for (const FakeCall& call : Fake.Named("text_DrawEx")) lines.push_back(call.text);
        lines.resize(5);
        return lines;
    };
    // A gun bought for 200 on tick 1 of the cycle fires at once: one shell,
    // one point, one patron.
    Build(0, 6, GunButton1);
    EXPECT_EQ(hud(), (std::vector<std::string>{"Score: 1", "Money: 1300", "Round: 1", "Lifes: 10",
                                               "Patrons: 599"}));
    // A destroyed tank pays 50 and 12 points; one through costs a life and
    // scores 10; the round turns after ten cycles.
    Tanks.push_back(Tank{0.5f, 0, 3, 16 + 48 * 3, 100, 1, 0});
    Tanks.push_back(Tank{15, 0, 4, 16 + 48 * 4, 649, 1, 0});
    TankCount = 2;
    CycleCount = 9;
    CycleTick = 400;
    GameTick();
    EXPECT_EQ(hud(), (std::vector<std::string>{"Score: 23", "Money: 1350", "Round: 2", "Lifes: 9",
                                               "Patrons: 599"}));
    // Ten through in all leave the game running at 0 lives; the eleventh ends
    // it, and -1 is never drawn.
    Lifes = 1;
    Tanks.push_back(Tank{15, 0, 5, 16 + 48 * 5, 649, 1, 0});
    TankCount = 1;
    GameTick();
    EXPECT_EQ(hud()[3], "Lifes: 0");
    Tanks.push_back(Tank{15, 0, 6, 16 + 48 * 6, 649, 1, 0});
    TankCount = 1;
    GameTick();
    EXPECT_EQ(Lifes, -1);
    Fake.calls.clear();
    OnDraw();
    ASSERT_EQ(Fake.calls.size(), 1u);
    EXPECT_EQ(Fake.calls[0].text, "GAME OVER");
}
