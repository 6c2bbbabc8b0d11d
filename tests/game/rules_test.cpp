// rules_test.cpp - selection, shop and money, gun fire, shells, tanks,
// cycles and rounds, driven through the game tick against the fake engine.
#include "game_fixture.h"

class RulesTest : public GameTest {
   protected:
    void SetUp() override {
        GameTest::SetUp();
        Start();
    }
    // Runs game ticks.
    void Ticks(int n) {
        for (int i = 0; i < n; i++) GameTick();
    }
    std::vector<bool> BuyButtonsEnabled() {
        std::vector<bool> out;
        for (HxWidget b : {GunButton1, GunButton2, GunButton3, BuildingButton1, BuildingButton2,
                           BuildingButton3, PatronsButton1, PatronsButton2, PatronsButton3})
            out.push_back(W(b).enabled);
        return out;
    }
    Tank& AddTank(int column, float y, float life = 15) {
        Tanks.push_back(Tank{life, 0, static_cast<uint8_t>(column), 16.0f + 48 * column, y, 1, 0});
        TankCount++;
        return Tanks.back();
    }
};

// --- selection ---------------------------------------------------------------

TEST_F(RulesTest, ClickSelectsEmptySiteAndSecondClickCloses) {
    ClickAndTick(Site(1, 5));
    EXPECT_EQ(Selection.Row, 1);
    EXPECT_EQ(Selection.Column, 5);
    EXPECT_EQ(Selection.Panel, PanelEmptySite);
    EXPECT_FALSE(W(SellButton).visible);
    ClickAndTick(Site(1, 5));
    EXPECT_EQ(Selection.Row, -1);
    EXPECT_EQ(Selection.Column, -1);
    EXPECT_EQ(Selection.Panel, PanelNone);
}

TEST_F(RulesTest, ClickingAnotherSiteMovesTheSelection) {
    ClickAndTick(Site(0, 0));
    ClickAndTick(Site(2, 11));
    EXPECT_EQ(Selection.Row, 2);
    EXPECT_EQ(Selection.Column, 11);
    EXPECT_EQ(Selection.Panel, PanelEmptySite);
    ClickAndTick(Site(2, 11));
    EXPECT_EQ(Selection.Panel, PanelNone);
}

TEST_F(RulesTest, OnlyClicksOnSitesSelect) {
    OnSiteEvent(Site(0, 3), 1);
    EXPECT_EQ(Selection.Panel, PanelNone);
    OnSiteEvent(GunButton1, HX_WIDGET_CLICK);  // a widget of no site
    EXPECT_EQ(Selection.Panel, PanelNone);
    EXPECT_EQ(Selection.Row, -1);
}

TEST_F(RulesTest, BuiltSitesSelectWithTheirPanelAndShowSell) {
    Build(0, 2, GunButton1);
    Build(0, 3, BuildingButton2);
    EXPECT_EQ(Selection.Panel, PanelNone);
    EXPECT_FALSE(W(SellButton).visible);
    ClickAndTick(Site(0, 2));
    EXPECT_EQ(Selection.Panel, PanelGun);
    EXPECT_TRUE(W(SellButton).visible);
    ClickAndTick(Site(0, 3));
    EXPECT_EQ(Selection.Panel, PanelMoneyBuilding);
    // An empty site next: the sell button stays, and pressing it pays nothing.
    ClickAndTick(Site(1, 0));
    EXPECT_EQ(Selection.Panel, PanelEmptySite);
    EXPECT_TRUE(W(SellButton).visible);
    int32_t money = Money;
    ClickAndTick(SellButton);
    EXPECT_EQ(Money, money);
    EXPECT_EQ(Selection.Panel, PanelNone);
    EXPECT_FALSE(W(SellButton).visible);
    EXPECT_EQ(BuildSites[1][0].Phase, -1);   // the empty site was reset
    EXPECT_EQ(BuildSites[0][3].Output, 10);  // the building is untouched
}

TEST_F(RulesTest, RightMouseButtonClosesTheSelectionDuringPlayOnly) {
    ClickAndTick(Site(2, 2));
    Fake.rightMouseDown = true;
    GameTick();
    EXPECT_EQ(Selection.Panel, PanelNone);
    Fake.rightMouseDown = false;
    ClickAndTick(Site(2, 2));
    GameMode = ModeGameOver;
    Fake.rightMouseDown = true;
    GameTick();
    EXPECT_EQ(Selection.Panel, PanelEmptySite);
}

TEST_F(RulesTest, DestroyedSelectedSiteStaysSelected) {
    Build(2, 4, GunButton1);
    ClickAndTick(Site(2, 4));
    BuildSites[2][4].Life = 0;
    AddTank(4, 2 * 48 + 410 + 1);  // over row 2
    GameTick();
    EXPECT_EQ(BuildSites[2][4].Damage, 0);
    EXPECT_EQ(Selection.Panel, PanelGun);
    EXPECT_EQ(Selection.Row, 2);
    // The build buttons do nothing until an empty site is selected.
    int32_t money = Money;
    ClickAndTick(GunButton1);
    EXPECT_EQ(Money, money);
    EXPECT_EQ(BuildSites[2][4].Output, 0);
}

// --- shop and money ------------------------------------------------------------

TEST_F(RulesTest, ChangeMoneyEnablesExactlyWhatCanBePaid) {
    ChangeMoney(200 - Money);
    EXPECT_EQ(BuyButtonsEnabled(), (std::vector<bool>{1, 0, 0, 1, 0, 0, 1, 1, 0}));
    ChangeMoney(-1);
    EXPECT_EQ(BuyButtonsEnabled(), (std::vector<bool>{0, 0, 0, 1, 0, 0, 1, 0, 0}));
    ChangeMoney(-100);
    EXPECT_EQ(BuyButtonsEnabled(), (std::vector<bool>{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ChangeMoney(801);
    EXPECT_EQ(Money, 900);
    EXPECT_EQ(BuyButtonsEnabled(), (std::vector<bool>(9, true)));
    // Each change sets all nine buttons, in shop order, and never the sell button.
    auto enables = Fake.Named("gui_SetEnable");
    ASSERT_EQ(enables.size(), 36u);
    EXPECT_EQ(enables[0].args[1], GunButton1);
    EXPECT_EQ(enables[8].args[1], PatronsButton3);
    for (const FakeCall& call : enables) EXPECT_NE(call.args[1], SellButton);
}

TEST_F(RulesTest, BuyingAGunBuildsAndCharges) {
    ClickAndTick(Site(1, 7));
    ClickAndTick(GunButton3);
    EXPECT_EQ(Money, 600);
    EXPECT_EQ(BuyButtonsEnabled(), (std::vector<bool>{1, 1, 0, 1, 1, 1, 1, 1, 1}));
    const BuildSite& site = BuildSites[1][7];
    EXPECT_EQ(site.Damage, 13);
    EXPECT_EQ(site.Output, 0.7f);
    EXPECT_EQ(site.Life, 10);
    EXPECT_EQ(W(site.Widget).texture, GunTexture3);
    EXPECT_EQ(W(site.Widget).alpha, 255);
    EXPECT_EQ(Selection.Panel, PanelNone);
    // The disabled button sends nothing.
    ClickAndTick(Site(1, 8));
    ClickAndTick(GunButton3);
    EXPECT_EQ(Money, 600);
    EXPECT_EQ(BuildSites[1][8].Output, 0);
    EXPECT_EQ(Selection.Panel, PanelEmptySite);
}

TEST_F(RulesTest, BuildingButtonsBuildMoneyBuildings) {
    HxWidget buttons[3] = {BuildingButton1, BuildingButton2, BuildingButton3};
    HxTexture textures[3] = {BuildingTexture1, BuildingTexture2, BuildingTexture3};
    CycleTick = 100;  // no building due while they are bought
    for (int g = 0; g < 3; g++) Build(0, g, buttons[g]);
    EXPECT_EQ(Money, 1500 - 100 - 300 - 600);
    for (int g = 0; g < 3; g++) {
        EXPECT_EQ(BuildSites[0][g].Output, 5.0f * (g + 1));
        EXPECT_EQ(BuildSites[0][g].Damage, 0);
        EXPECT_EQ(W(Site(0, g)).texture, textures[g]);
    }
}

TEST_F(RulesTest, BuildButtonsNeedASelectedEmptySite) {
    ClickAndTick(GunButton1);
    EXPECT_EQ(Money, 1500);
    Build(0, 0, GunButton1);
    ClickAndTick(Site(0, 0));
    ClickAndTick(GunButton2);  // a gun is selected: nothing happens
    EXPECT_EQ(Money, 1300);
    EXPECT_EQ(Selection.Panel, PanelGun);
    EXPECT_EQ(BuildSites[0][0].Damage, 3);
    OnGunButton(GunButton1, 2);  // not a click
    OnBuildingButton(BuildingButton1, 2);
    EXPECT_EQ(Money, 1300);
}

TEST_F(RulesTest, PatronsPacksCarryABonus) {
    ClickAndTick(PatronsButton1);
    EXPECT_EQ(Patrons, 700);
    EXPECT_EQ(Money, 1400);
    ClickAndTick(PatronsButton2);
    EXPECT_EQ(Patrons, 910);
    EXPECT_EQ(Money, 1200);
    ClickAndTick(Site(0, 0));
    ClickAndTick(PatronsButton3);
    EXPECT_EQ(Patrons, 1230);
    EXPECT_EQ(Money, 900);
    EXPECT_EQ(Selection.Panel, PanelEmptySite);  // the selection is not touched
}

// Every price, refund, payout, damage and shell speed of the shop, as the
// player reads them in the tables of the game's help.
TEST_F(RulesTest, TheShopsNumbers) {
    struct Item {
        HxWidget button;
        int32_t price, refund;
        float damage, output;  // output: a gun's shell speed, a money building's payout
    };
    const Item items[] = {{GunButton1, 200, 100, 3, 0.5f},    {GunButton2, 500, 250, 6, 0.6f},
                          {GunButton3, 900, 450, 13, 0.7f},   {BuildingButton1, 100, 50, 0, 5},
                          {BuildingButton2, 300, 150, 0, 10}, {BuildingButton3, 600, 300, 0, 15}};
    ChangeMoney(5000);
    CycleTick = 100;  // nothing due while buying
    for (const Item& item : items) {
        int32_t before = Money;
        Build(2, 0, item.button);
        EXPECT_EQ(before - Money, item.price);
        EXPECT_EQ(BuildSites[2][0].Damage, item.damage);
        EXPECT_EQ(BuildSites[2][0].Output, item.output);
        ClickAndTick(Site(2, 0));
        before = Money;
        ClickAndTick(SellButton);
        EXPECT_EQ(Money - before, item.refund);
    }
    const int32_t packs[3][2] = {{100, 100}, {200, 210}, {300, 320}};  // price, patrons
    HxWidget packButtons[3] = {PatronsButton1, PatronsButton2, PatronsButton3};
    for (int g = 0; g < 3; g++) {
        int32_t money = Money, patrons = Patrons;
        ClickAndTick(packButtons[g]);
        EXPECT_EQ(money - Money, packs[g][0]);
        EXPECT_EQ(Patrons - patrons, packs[g][1]);
    }
}

TEST_F(RulesTest, SellingRefundsHalfWhateverTheLife) {
    ChangeMoney(5000);
    HxWidget buttons[6] = {GunButton1,      GunButton2,      GunButton3,
                           BuildingButton1, BuildingButton2, BuildingButton3};
    int refunds[6] = {100, 250, 450, 50, 150, 300};
    for (int k = 0; k < 6; k++) {
        Build(1, k, buttons[k]);
        BuildSites[1][k].Life = 0.5f;
        ClickAndTick(Site(1, k));
        int32_t before = Money;
        ClickAndTick(SellButton);
        EXPECT_EQ(Money - before, refunds[k]) << k;
        EXPECT_EQ(BuildSites[1][k].Output, 0);
        EXPECT_EQ(BuildSites[1][k].Life, 0);
        EXPECT_EQ(BuildSites[1][k].Phase, -1);
        EXPECT_EQ(W(Site(1, k)).texture, EmptySiteTexture);
        EXPECT_EQ(W(Site(1, k)).alpha, 120);
        EXPECT_EQ(Selection.Panel, PanelNone);
        EXPECT_FALSE(W(SellButton).visible);
    }
}

TEST_F(RulesTest, SellWithNothingSelectedTouchesNoSite) {
    Fake.calls.clear();
    OnSellButton(SellButton, HX_WIDGET_CLICK);
    EXPECT_TRUE(Fake.Named("gui_SetTexture").empty());
    EXPECT_EQ(Money, 1500);
}

TEST_F(RulesTest, PhaseFollowsTheCycleTick) {
    CycleTick = 56;
    Build(0, 0, GunButton1);  // the tick advances the counter to 57 first
    EXPECT_EQ(BuildSites[0][0].Phase, 56);
    CycleTick = 0;
    Build(0, 1, GunButton1);
    EXPECT_EQ(BuildSites[0][1].Phase, 1);
    CycleTick = LastCycleTick;
    Build(0, 2, BuildingButton1);  // bought on the tick the counter wraps to 0
    EXPECT_EQ(CycleTick, 0);
    EXPECT_EQ(BuildSites[0][2].Phase, 400);
    // It pays 400 ticks after the purchase, and every 401 ticks from then on.
    int32_t money = Money;
    Ticks(399);
    EXPECT_EQ(Money, money);
    GameTick();
    EXPECT_EQ(Money, money + 5);
    Ticks(401);
    EXPECT_EQ(Money, money + 10);
}

TEST_F(RulesTest, PurchaseAtTickOneActsAtOnce) {
    CycleTick = 0;
    Build(2, 6, GunButton1);
    EXPECT_EQ(BuildSites[2][6].Phase, 1);
    ASSERT_EQ(Shells.size(), 1u);  // fired in the very tick of the purchase
    EXPECT_EQ(Patrons, 599);
}

// --- gun fire and payouts ---------------------------------------------------------

TEST_F(RulesTest, GunsDueTogetherFireInRowMajorOrder) {
    CycleTick = 99;
    Build(1, 9, GunButton1);
    CycleTick = 99;
    Build(0, 4, GunButton2);
    ASSERT_EQ(BuildSites[1][9].Phase, 99);
    ASSERT_EQ(BuildSites[0][4].Phase, 99);
    int32_t score = Score;
    Ticks(400);
    ASSERT_EQ(Shells.size(), 2u);
    EXPECT_EQ(Shells[0].X, 30 + 48 * 4);
    EXPECT_EQ(Shells[0].Y, 430);
    EXPECT_EQ(Shells[0].Damage, 6);
    EXPECT_EQ(Shells[0].Speed, 0.6f);
    EXPECT_EQ(Shells[1].X, 30 + 48 * 9);
    EXPECT_EQ(Shells[1].Y, 430 + 48);
    EXPECT_EQ(Patrons, 598);
    EXPECT_EQ(Score, score + 2);
    EXPECT_EQ(ShellCount, 2);
}

TEST_F(RulesTest, LastPatronGoesToTheFirstGun) {
    CycleTick = 10;
    Build(0, 0, GunButton1);
    CycleTick = 10;
    Build(0, 1, GunButton1);
    Patrons = 1;
    Ticks(400);
    ASSERT_EQ(Shells.size(), 1u);
    EXPECT_EQ(Shells[0].X, 30);
    EXPECT_EQ(Patrons, 0);
    // Without ammunition nothing fires and nothing is queued.
    int32_t score = Score;
    Ticks(401);
    EXPECT_EQ(Score, score);
    EXPECT_EQ(Patrons, 0);
    // Ammunition bought later: the guns fire at their own tick of the next cycle.
    ClickAndTick(PatronsButton1);
    EXPECT_EQ(Score, score);
    Ticks(400);
    EXPECT_EQ(Score, score + 2);
    EXPECT_EQ(Patrons, 98);
}

TEST_F(RulesTest, MoneyBuildingPaysOnceACycleAndReenablesButtons) {
    CycleTick = 200;
    Build(1, 1, BuildingButton2);  // 1200 left
    ChangeMoney(895 - Money);
    EXPECT_FALSE(W(GunButton3).enabled);
    Ticks(400);
    EXPECT_EQ(Money, 905);
    EXPECT_TRUE(W(GunButton3).enabled);
    Ticks(400);
    EXPECT_EQ(Money, 905);
    GameTick();
    EXPECT_EQ(Money, 915);
}

TEST_F(RulesTest, WornOutBuildingsKeepWorking) {
    CycleTick = 20;
    Build(0, 5, GunButton1);
    BuildSites[0][5].Life = -0.5f;
    Fake.calls.clear();
    Ticks(400);
    EXPECT_EQ(Shells.size(), 1u);
}

TEST_F(RulesTest, EmptyAndResetSitesDoNothing) {
    // Never-built sites have Phase 0 and act at tick 0 doing nothing.
    CycleTick = LastCycleTick;
    int32_t money = Money, score = Score;
    GameTick();
    EXPECT_EQ(CycleTick, 0);
    EXPECT_EQ(Money, money);
    EXPECT_EQ(Score, score);
    ResetBuildSite(0, 0);
    EXPECT_EQ(BuildSites[0][0].Phase, -1);
    Ticks(802);
    EXPECT_EQ(Money, money);
    EXPECT_TRUE(Shells.empty());
}

// --- shells -----------------------------------------------------------------

TEST_F(RulesTest, ShellsFlyUpAndLeaveAboveTheWindow) {
    AddShell(30, -15, 3, 0.5f);
    AddShell(78, -15, 3, 1.5f);
    EXPECT_EQ(Score, 2);
    UpdateShells();
    ASSERT_EQ(Shells.size(), 1u);  // -16.5 is gone, -15.5 stays
    EXPECT_EQ(Shells[0].Y, -15.5f);
    UpdateShells();
    ASSERT_EQ(Shells.size(), 1u);  // exactly -16 stays
    UpdateShells();
    EXPECT_TRUE(Shells.empty());
    EXPECT_EQ(ShellCount, 0);
    EXPECT_EQ(Score, 2);
}

TEST_F(RulesTest, ShellsHitOnlyStrictlyInsideATank) {
    Tank& tank = AddTank(0, 100);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{16, 120}, {64, 120}, {40, 100}, {40, 148}}) {
        Shells.clear();
        ShellCount = 0;
        AddShell(x, y, 3, 0);
        UpdateShells();
        EXPECT_EQ(Shells.size(), 1u) << x << "," << y;
    }
    EXPECT_EQ(tank.Life, 15);
    Shells.clear();
    ShellCount = 0;
    AddShell(17, 147, 3, 0);
    UpdateShells();
    EXPECT_TRUE(Shells.empty());
    EXPECT_EQ(Tanks[0].Life, 12);
}

TEST_F(RulesTest, EveryShellThatArrivesIsUsedUp) {
    AddTank(0, 100, 2);
    AddTank(0, 110, 15);  // overlapping: the older tank takes the hits
    AddShell(30, 130, 3, 0);
    AddShell(30, 140, 13, 0);
    AddShell(78, 140, 6, 0);  // another column
    UpdateShells();
    ASSERT_EQ(Shells.size(), 1u);
    EXPECT_EQ(Shells[0].X, 78);
    EXPECT_EQ(Tanks[0].Life, 2 - 3 - 13);
    EXPECT_EQ(Tanks[1].Life, 15);
    EXPECT_EQ(ShellCount, 1);
}

TEST_F(RulesTest, DestroyedTankPaysAndScores) {
    AddTank(3, 100, 1);
    AddTank(4, 100, 0.5f);
    int32_t score = Score;
    UpdateTanks();
    ASSERT_EQ(Tanks.size(), 1u);
    EXPECT_EQ(Tanks[0].Life, 1);  // exactly 1 is alive
    EXPECT_EQ(Money, 1550);
    EXPECT_EQ(Score, score + 12);
    EXPECT_EQ(TankCount, 1);
    // Through a gun's fire, end to end.
    Tanks[0].Life = -1;
    UpdateTanks();
    EXPECT_EQ(Money, 1600);
    EXPECT_EQ(Score, score + 24);
}

// --- tanks ------------------------------------------------------------------

TEST_F(RulesTest, SpawnedTanksFollowTheRound) {
    SpawnTick();
    ASSERT_EQ(Tanks.size(), 1u);
    EXPECT_NE(Tanks[0].Column, 0);  // LastColumn starts at 0
    EXPECT_EQ(Tanks[0].Life, 15);
    EXPECT_EQ(Tanks[0].Speed, 0.11f);
    EXPECT_EQ(Tanks[0].X, 16.0f + 48 * Tanks[0].Column);
    EXPECT_EQ(Tanks[0].Y, -48);
    EXPECT_EQ(Tanks[0].Frame, 1);
    EXPECT_EQ(Tanks[0].FrameTicks, 0);
    Round = 3;
    SpawnTick();
    EXPECT_EQ(Tanks[1].Life, 19);
    EXPECT_EQ(Tanks[1].Speed, static_cast<float>(3 / 100.0 + 0.1));
    EXPECT_EQ(TankCount, 2);
    for (int i = 0; i < 300; i++) SpawnTick();
    std::vector<int> seen(12, 0);
    for (size_t i = 0; i < Tanks.size(); i++) {
        ASSERT_LT(Tanks[i].Column, 12);
        seen[Tanks[i].Column]++;
        if (i > 0) {
            EXPECT_NE(Tanks[i].Column, Tanks[i - 1].Column);
        }
    }
    for (int c = 0; c < 12; c++) EXPECT_GT(seen[c], 0) << c;
    EXPECT_EQ(LastColumn, Tanks.back().Column);
}

TEST_F(RulesTest, TanksGetThroughPastTheBottom) {
    AddTank(2, 648, 15);
    Tanks[0].Speed = 0;
    UpdateTanks();
    EXPECT_EQ(Tanks.size(), 1u);  // exactly 648 stays
    Tanks[0].Speed = 0.25f;
    Tanks[0].Life = -3;  // destroyed, but through: no money
    UpdateTanks();
    EXPECT_TRUE(Tanks.empty());
    EXPECT_EQ(Lifes, 9);
    EXPECT_EQ(Score, 10);
    EXPECT_EQ(Money, 1500);
}

TEST_F(RulesTest, EleventhTankThroughEndsTheGame) {
    for (int i = 0; i < 10; i++) AddTank(i, 649);
    GameTick();
    EXPECT_EQ(Lifes, 0);
    EXPECT_EQ(GameMode, ModePlaying);
    EXPECT_EQ(Score, 100);
    AddTank(1, 649);
    AddTank(2, 649);
    GameTick();
    EXPECT_EQ(Lifes, -2);  // both removed in the same tick
    EXPECT_EQ(GameMode, ModeGameOver);
    // Game over: nothing moves, tanks keep coming, ticks no longer count.
    int32_t tick = CycleTick;
    SpawnTick();
    SpawnTick();
    EXPECT_EQ(Tanks.size(), 2u);
    EXPECT_EQ(TankCount, 2);
    float y = Tanks[0].Y;
    Ticks(5000);
    EXPECT_EQ(Tanks[0].Y, y);
    EXPECT_EQ(CycleTick, tick);
    EXPECT_EQ(Round, 1);
}

TEST_F(RulesTest, TankAnimationRunsEverySixteenTicks) {
    AddTank(0, 0).Speed = 0.11f;
    for (int t = 1; t <= 15; t++) UpdateTanks();
    EXPECT_EQ(Tanks[0].Frame, 1);
    EXPECT_EQ(Tanks[0].FrameTicks, 15);
    UpdateTanks();
    EXPECT_EQ(Tanks[0].Frame, 2);
    EXPECT_EQ(Tanks[0].FrameTicks, 0);
    for (int t = 0; t < 48; t++) UpdateTanks();
    EXPECT_EQ(Tanks[0].Frame, 1);  // 2, 3, 4, then back to 1
    EXPECT_NEAR(Tanks[0].Y, 64 * 0.11, 1e-4);
}

TEST_F(RulesTest, TanksWearTheSiteUnderTheirPoint) {
    Build(0, 3, GunButton1);
    // Reference point y = Y + 30: strictly inside row 0 for 410 < Y < 458.
    AddTank(3, 410);
    UpdateTanks();
    EXPECT_EQ(BuildSites[0][3].Life, 10);  // on the edge
    Tanks[0].Y = 411;
    UpdateTanks();
    EXPECT_EQ(BuildSites[0][3].Life, 10 - 0.01f);
    // Neighbouring columns are never touched.
    AddTank(4, 420);
    Build(0, 4, GunButton1);
    Build(0, 5, GunButton1);
    UpdateTanks();
    EXPECT_EQ(BuildSites[0][5].Life, 10);
}

TEST_F(RulesTest, WornOutSiteIsResetOnTheNextPass) {
    Build(1, 6, BuildingButton1);
    BuildSites[1][6].Life = 0.005f;
    AddTank(6, 470);
    UpdateTanks();
    EXPECT_LE(BuildSites[1][6].Life, 0);
    EXPECT_EQ(BuildSites[1][6].Output, 5);  // lowered, not yet reset
    UpdateTanks();
    EXPECT_EQ(BuildSites[1][6].Output, 0);
    EXPECT_EQ(BuildSites[1][6].Phase, -1);
    EXPECT_EQ(W(Site(1, 6)).texture, EmptySiteTexture);
    EXPECT_EQ(W(Site(1, 6)).alpha, 120);
    // An empty site under a tank is reset every pass.
    Fake.calls.clear();
    UpdateTanks();
    EXPECT_EQ(Fake.Named("gui_SetTexture").size(), 1u);
}

TEST_F(RulesTest, WearIsTheDecimalHundredthStoredAsFloat) {
    // One tank standing still on a gun: 0.01 is taken off in double precision
    // each tick and the result stored as a float, so the site lasts exactly
    // 1000 ticks and is emptied in the 1001st.
    Build(0, 7, GunButton1);
    AddTank(7, 420);
    float expected = 10, singlePrecision = 10;
    for (int tick = 1; tick <= 999; tick++) {
        UpdateTanks();
        expected = static_cast<float>(static_cast<double>(expected) - 0.01);
        singlePrecision = singlePrecision - 0.01f;
        ASSERT_EQ(BuildSites[0][7].Life, expected) << "tick " << tick;
    }
    // The two ways part in the last few ticks: the test tells them apart.
    EXPECT_NE(expected, singlePrecision);
    EXPECT_GT(BuildSites[0][7].Life, 0);
    UpdateTanks();
    EXPECT_LE(BuildSites[0][7].Life, 0);
    EXPECT_EQ(BuildSites[0][7].Damage, 3);
    UpdateTanks();
    EXPECT_EQ(BuildSites[0][7].Damage, 0);
    EXPECT_EQ(BuildSites[0][7].Phase, -1);
}

TEST_F(RulesTest, RemovalsMakeEarlierTanksWearAgain) {
    Build(2, 0, GunButton1);
    AddTank(0, 510);       // over row 2
    AddTank(5, 100, 0.5);  // destroyed this tick
    UpdateTanks();
    EXPECT_FLOAT_EQ(BuildSites[2][0].Life, 10 - 0.01f - 0.01f);
}

// --- cycles, rounds, escape ---------------------------------------------------

TEST_F(RulesTest, CycleHas401TicksAndRoundTenCycles) {
    Ticks(400);
    EXPECT_EQ(CycleTick, 400);
    GameTick();
    EXPECT_EQ(CycleTick, 0);
    EXPECT_EQ(CycleCount, 1);
    Ticks(4010 - 401 - 1);
    EXPECT_EQ(Round, 1);
    EXPECT_EQ(CycleCount, 9);
    GameTick();
    EXPECT_EQ(Round, 2);
    EXPECT_EQ(CycleCount, 0);
    EXPECT_EQ(SpawnTimer->Interval, 8800u);
    Ticks(4010);
    EXPECT_EQ(Round, 3);
    EXPECT_EQ(SpawnTimer->Interval, 8700u);
}

TEST_F(RulesTest, SpawnIntervalNeverBelow100ms) {
    EXPECT_EQ(SpawnInterval(1), 8900u);
    EXPECT_EQ(SpawnInterval(89), 100u);
    EXPECT_EQ(SpawnInterval(90), 100u);
    EXPECT_EQ(SpawnInterval(1000), 100u);
    Round = 95;
    CycleCount = 9;
    CycleTick = 400;
    GameTick();
    EXPECT_EQ(Round, 96);
    EXPECT_EQ(SpawnTimer->Interval, 100u);
}

TEST_F(RulesTest, EscapeStopsTheEngineAndTheTickRunsOn) {
    Fake.escapePressed = true;
    GameTick();
    auto names = Fake.Names();
    ASSERT_GE(names.size(), 3u);
    std::vector<std::string> tail(names.end() - 3, names.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"engine_stop", "key_ClearState", "mouse_ClearState"}));
    EXPECT_EQ(CycleTick, 1);
    GameMode = ModeGameOver;
    Fake.calls.clear();
    Fake.escapePressed = true;
    GameTick();
    EXPECT_EQ(Fake.Names(),
              (std::vector<std::string>{"key_Press", "engine_stop", "key_ClearState", "mouse_ClearState"}));
}

TEST_F(RulesTest, TickOrderShellsThenSitesThenTanks) {
    // A shell that would hit a tank only after the tank moves: the shells go
    // first, so it misses this tick; the tank destroyed by it goes next tick.
    GameTick();
    auto names = Fake.Names();
    std::vector<std::string> expected = {"gui_Calc", "mouse_Down", "key_Press", "key_ClearState",
                                         "mouse_ClearState"};
    EXPECT_EQ(names, expected);
    AddTank(0, 100, 2).Speed = 0;
    AddShell(30, 160, 3, 12);  // reaches y 148 (the edge) this tick: no hit
    GameTick();
    ASSERT_EQ(Shells.size(), 1u);
    GameTick();
    EXPECT_TRUE(Shells.empty());
    EXPECT_TRUE(Tanks.empty());  // hit and destroyed in the same tick
    EXPECT_EQ(Money, 1550);
}
