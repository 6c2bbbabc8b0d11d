// simulation_test.cpp - a long game played by a seeded script against the
// fake engine, with the game's invariants checked after every tick.
#include <random>
#include <set>

#include "game_fixture.h"

namespace {

struct Ledger {
    int64_t changes = 0;  // every change of Money the rules allow, summed
    int64_t ticks = 0, purchases = 0, sales = 0, payouts = 0, destroyed = 0, through = 0, shots = 0;
    int games = 0;
};

// What a click on `widget` must do to Money, from the state before the tick.
int32_t ExpectedClickDelta(HxWidget widget) {
    if (!widget) return 0;
    const FakeWidget& w = Fake.widgets[widget];
    if (!w.visible || !w.enabled) return 0;
    HxWidget guns[3] = {GunButton1, GunButton2, GunButton3};
    HxWidget buildings[3] = {BuildingButton1, BuildingButton2, BuildingButton3};
    HxWidget patrons[3] = {PatronsButton1, PatronsButton2, PatronsButton3};
    for (int g = 0; g < 3; g++) {
        if (widget == guns[g]) return Selection.Panel == PanelEmptySite ? -GunPrice[g] : 0;
        if (widget == buildings[g]) return Selection.Panel == PanelEmptySite ? -BuildingPrice[g] : 0;
        if (widget == patrons[g]) return -PatronsPrice[g];
    }
    if (widget == SellButton && SiteInGrid(Selection.Row, Selection.Column)) {
        const BuildSite& site = BuildSites[Selection.Row][Selection.Column];
        for (int g = 0; g < 3; g++) {
            if (Selection.Panel == PanelGun && site.Damage == GunDamage[g]) return GunRefund[g];
            if (Selection.Panel == PanelMoneyBuilding && site.Output == BuildingPayout[g])
                return BuildingRefund[g];
        }
    }
    return 0;
}

}  // namespace

class SimulationTest : public GameTest {};

TEST_F(SimulationTest, TwoHundredThousandTicksKeepTheInvariants) {
    constexpr int64_t TotalTicks = 200000;
    std::mt19937 script(20261207);
    Ledger ledger;
    auto newGame = [&]() {
        ResetGame();
        Fake.recordDrawing = false;
        Start();
        ledger.changes = 0;
        ledger.games++;
    };
    newGame();

    std::set<HxWidget> siteWidgets;
    auto collectSites = [&]() {
        siteWidgets.clear();
        for (auto& row : BuildSites)
            for (auto& site : row) siteWidgets.insert(site.Widget);
    };
    collectSites();

    uint32_t spawnClock = 0;
    bool buyNext = false;
    int gameOverTicks = 0;
    for (int64_t t = 0; t < TotalTicks; t++) {
        // The script: now and then a click on a site or a shop widget, or
        // the right mouse button.
        HxWidget click = 0;
        Fake.rightMouseDown = false;
        uint32_t roll = script() % 1000;
        if (buyNext) {
            // Right after a site click the script mostly buys something for it.
            buyNext = false;
            HxWidget buy[6] = {GunButton1,      GunButton2,      GunButton3,
                               BuildingButton1, BuildingButton2, BuildingButton3};
            if (roll < 800) click = buy[(script() % 10) < 7 ? script() % 3 : 3 + script() % 3];
        } else if (roll < 15) {
            buyNext = true;
            click = BuildSites[script() % 3][script() % 12].Widget;
        } else if (roll < 35) {
            HxWidget shop[10] = {GunButton1,      GunButton2,      GunButton3,     BuildingButton1,
                                 BuildingButton2, BuildingButton3, PatronsButton1, PatronsButton2,
                                 PatronsButton3,  SellButton};
            click = shop[script() % 10];
        } else if (roll < 47) {
            Fake.rightMouseDown = true;
        } else if (roll < 48) {
            click = SoundBox;
        }
        if (click) Fake.Click(click);

        const int32_t moneyBefore = Money, scoreBefore = Score, lifesBefore = Lifes;
        const int32_t patronsBefore = Patrons, tanksBefore = TankCount;
        const bool playing = GameMode == ModePlaying;
        const int32_t clickDelta = playing ? ExpectedClickDelta(click) : 0;
        int32_t payouts = 0;
        Fake.afterCalc = [&]() {
            ASSERT_EQ(Money, moneyBefore + clickDelta) << "tick " << t;
            // The sites RunBuildSites will visit next, as they stand now.
            for (auto& row : BuildSites)
                for (auto& site : row)
                    if (site.Phase == CycleTick && site.Damage == 0)
                        for (int g = 0; g < 3; g++)
                            if (site.Output == BuildingPayout[g])
                                payouts += static_cast<int32_t>(BuildingPayout[g]);
        };

        GameTick();
        spawnClock += GameTickInterval;
        bool spawned = false;
        if (SpawnTimer && spawnClock >= SpawnTimer->Interval) {
            spawnClock = 0;
            SpawnTick();
            spawned = true;
        }

        // Money moves only by purchases, sales, payouts and destroyed tanks.
        int32_t lost = lifesBefore - Lifes;
        int32_t removed = tanksBefore + (spawned ? 1 : 0) - TankCount;
        int32_t destroyed = playing ? removed - lost : 0;
        ASSERT_GE(destroyed, 0) << "tick " << t;
        int32_t expected = moneyBefore + clickDelta + payouts + destroyed * 50;
        ASSERT_EQ(Money, expected) << "tick " << t;
        ledger.changes += Money - moneyBefore;
        ASSERT_EQ(Money, StartMoney + ledger.changes);
        ledger.purchases += clickDelta < 0;
        ledger.sales += clickDelta > 0;
        ledger.payouts += payouts > 0;
        ledger.destroyed += destroyed;
        ledger.through += lost;
        if (Patrons < patronsBefore) ledger.shots += patronsBefore - Patrons;

        // Lists and their counts, score, ammunition, buttons, the grid.
        ASSERT_EQ(TankCount, static_cast<int32_t>(Tanks.size()));
        ASSERT_EQ(ShellCount, static_cast<int32_t>(Shells.size()));
        ASSERT_GE(Score, scoreBefore);
        ASSERT_GE(Patrons, 0);
        ASSERT_GE(Money, 0);
        int32_t prices[9] = {GunPrice[0],      GunPrice[1],      GunPrice[2],
                             BuildingPrice[0], BuildingPrice[1], BuildingPrice[2],
                             PatronsPrice[0],  PatronsPrice[1],  PatronsPrice[2]};
        HxWidget buttons[9] = {GunButton1,      GunButton2,      GunButton3,
                               BuildingButton1, BuildingButton2, BuildingButton3,
                               PatronsButton1,  PatronsButton2,  PatronsButton3};
        for (int b = 0; b < 9; b++) ASSERT_EQ(Fake.widgets[buttons[b]].enabled != 0, Money >= prices[b]) << b;
        for (const FakeCall& call : Fake.calls)
            if (call.name == "gui_SetTexture" || call.name == "gui_SetAlpha") {
                ASSERT_TRUE(siteWidgets.count(static_cast<HxWidget>(call.args[1]))) << "tick " << t;
            }
        ASSERT_TRUE((Selection.Row == -1 && Selection.Column == -1) ||
                    SiteInGrid(Selection.Row, Selection.Column));
        ASSERT_TRUE(CycleTick >= 0 && CycleTick <= LastCycleTick);
        ASSERT_TRUE(CycleCount >= 0 && CycleCount < 10);
        for (const Tank& tank : Tanks) ASSERT_LT(tank.Column, 12);
        Fake.calls.clear();
        ledger.ticks++;

        // A finished game is followed by a new one after a while.
        if (GameMode == ModeGameOver && ++gameOverTicks > 500) {
            gameOverTicks = 0;
            newGame();
            collectSites();
            spawnClock = 0;
        }
    }
    Fake.afterCalc = nullptr;
    EXPECT_EQ(ledger.ticks, TotalTicks);
    // The script must really have played: bought, sold, shot and lost tanks.
    EXPECT_GT(ledger.purchases, 100);
    EXPECT_GT(ledger.sales, 5);
    EXPECT_GT(ledger.payouts, 10);
    EXPECT_GT(ledger.destroyed, 10);
    EXPECT_GT(ledger.through, 10);
    EXPECT_GT(ledger.shots, 100);
    RecordProperty("games", ledger.games);
    std::printf(
        "simulated %lld ticks in %d games: %lld purchases, %lld sales, %lld payouts, %lld tanks destroyed, "
        "%lld through, %lld shots\n",
        static_cast<long long>(ledger.ticks), ledger.games, static_cast<long long>(ledger.purchases),
        static_cast<long long>(ledger.sales), static_cast<long long>(ledger.payouts),
        static_cast<long long>(ledger.destroyed), static_cast<long long>(ledger.through),
        static_cast<long long>(ledger.shots));
}
