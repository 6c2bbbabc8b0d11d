// gui_test.cpp - image buttons and check boxes: click delivery through
// gui_Calc, hidden and disabled widgets, check box ticks, and what gui_Draw
// shows for each state. Mouse input is posted into the engine's event queue
// as the window system would deliver it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "support.h"

namespace {

struct Click {
    HxWidget widget;
    uint32_t event;
    Rgba boxColour;  // the check box as drawn from inside the callback
};
std::vector<Click> Clicks;
int BoxX = -1, BoxY = -1;

void OnWidget(HxWidget w, uint32_t event) {
    Rgba seen{};
    if (BoxX >= 0) {
        Engine().gui_Draw();
        seen = ReadPixel(BoxX, BoxY);
    }
    Clicks.push_back({w, event, seen});
}

class Widgets : public ::testing::Test {
   protected:
    void SetUp() override {
        Clicks.clear();
        BoxX = BoxY = -1;
    }
    // Widgets live for the whole process: hide the ones a test made.
    void TearDown() override {
        for (HxWidget w : made) Engine().gui_SetVisible(0, w, 0);
    }
    HxWidget Image(HxTexture t, float x, float y, float w, float h, bool visible = true,
                   bool enabled = true) {
        HxWidget id = Engine().gui_AddImage(t, x, y, w, h, 255, visible, enabled, OnWidget);
        made.push_back(id);
        return id;
    }
    // Four frames of 1 x 1: red, green, blue, white.
    HxTexture FourFrames() {
        HxTexture t = LoadTexture(4, 1, {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFFFFFF});
        Engine().tex_SetFrameSize(&t, 1, 1);
        return t;
    }
    // Posts a full click at (x, y) and, on the next frame, runs gui_Calc.
    void ClickAndCalc(std::vector<std::pair<int, int>> down_up, const std::function<void()>& setup,
                      const std::function<void()>& between = nullptr) {
        ASSERT_TRUE(RunWindow(setup, [&](int frame) {
            if (frame == 1) {
                for (size_t i = 0; i + 1 < down_up.size(); i += 2) {
                    PushMouseButton(SDL_BUTTON_LEFT, true, down_up[i].first, down_up[i].second);
                    PushMouseButton(SDL_BUTTON_LEFT, false, down_up[i + 1].first, down_up[i + 1].second);
                }
                return true;
            }
            if (between) between();
            Engine().gui_Calc();
            return false;
        }));
    }
    std::vector<HxWidget> made;
};

TEST_F(Widgets, AClickIsDeliveredOnceAsEvent3) {
    HxWidget button = 0;
    ClickAndCalc(
        {{60, 60}, {65, 62}}, [&] { button = Image(FourFrames(), 50, 50, 40, 40); },
        [&] { EXPECT_TRUE(Clicks.empty()) << "delivered before gui_Calc"; });
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0].widget, button);
    EXPECT_EQ(Clicks[0].event, uint32_t(HX_WIDGET_CLICK));
    Engine().gui_Calc();
    EXPECT_EQ(Clicks.size(), 1u) << "a click is delivered only once";
}

TEST_F(Widgets, PressAndReleaseMustBeOverTheSameWidget) {
    ClickAndCalc({{60, 60}, {150, 60}, {150, 60}, {60, 60}, {10, 10}, {60, 60}}, [&] {
        Image(FourFrames(), 50, 50, 40, 40);
        Image(FourFrames(), 140, 50, 40, 40);
    });
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(Widgets, HiddenAndDisabledWidgetsSendNothing) {
    HxWidget late = 0;
    ClickAndCalc(
        {{10, 10}, {10, 10}, {60, 10}, {60, 10}, {110, 10}, {110, 10}},
        [&] {
            Image(FourFrames(), 0, 0, 40, 40, false, true);
            Image(FourFrames(), 50, 0, 40, 40, true, false);
            late = Image(FourFrames(), 100, 0, 40, 40);
        },
        // Disabled after the click but before gui_Calc: still nothing.
        [&] { Engine().gui_SetEnable(0, late, 0); });
    EXPECT_TRUE(Clicks.empty());
}

// The shop's case: a buy button greyed out when the player clicked it, and
// a click before it (a sale) whose callback enables it within the same
// gui_Calc. The greyed-out click must not buy.
HxWidget EnableOnClick = 0;
void EnablingCallback(HxWidget w, uint32_t event) {
    OnWidget(w, event);
    Engine().gui_SetEnable(0, EnableOnClick, 1);
}

TEST_F(Widgets, AClickOnADisabledWidgetStaysDeadWhenItIsEnabledLater) {
    HxWidget sell = 0, buy = 0, later = 0;
    ClickAndCalc(
        {{10, 10}, {10, 10}, {60, 10}, {60, 10}, {110, 10}, {110, 10}},
        [&] {
            sell = Engine().gui_AddImage(FourFrames(), 0, 0, 40, 40, 255, 1, 1, EnablingCallback);
            made.push_back(sell);
            buy = Image(FourFrames(), 50, 0, 40, 40, true, false);
            later = Image(FourFrames(), 100, 0, 40, 40, true, false);
            EnableOnClick = buy;
        },
        // Enabled after the click, before gui_Calc.
        [&] { Engine().gui_SetEnable(0, later, 1); });
    ASSERT_EQ(Clicks.size(), 1u) << "only the enabled widget's click counts";
    EXPECT_EQ(Clicks[0].widget, sell);
    // Both are enabled now and click normally.
    Clicks.clear();
    ClickAndCalc({{60, 10}, {60, 10}, {110, 10}, {110, 10}}, nullptr);
    ASSERT_EQ(Clicks.size(), 2u);
    EXPECT_EQ(Clicks[0].widget, buy);
    EXPECT_EQ(Clicks[1].widget, later);
}

TEST_F(Widgets, TopmostWidgetTakesTheClick) {
    HxWidget below = 0, above = 0;
    ClickAndCalc({{70, 70}, {70, 70}, {55, 55}, {55, 55}}, [&] {
        below = Image(FourFrames(), 50, 50, 40, 40);
        above = Image(FourFrames(), 60, 60, 40, 40);
    });
    ASSERT_EQ(Clicks.size(), 2u);
    EXPECT_EQ(Clicks[0].widget, above);
    EXPECT_EQ(Clicks[1].widget, below);
}

TEST_F(Widgets, ShownAgainItClicksAgain) {
    HxWidget w = 0;
    ClickAndCalc({{10, 10}, {10, 10}}, [&] {
        w = Image(FourFrames(), 0, 0, 40, 40, false, false);
        Engine().gui_SetVisible(0, w, 1);
        Engine().gui_SetEnable(0, w, 1);
        // Handle 0 is ignored.
        Engine().gui_SetVisible(0, 0, 1);
        Engine().gui_SetEnable(0, 0, 1);
        Engine().gui_SetAlpha(0, 0, 1);
        Engine().gui_SetTexture(0, 0, 1);
    });
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0].widget, w);
}

TEST_F(Widgets, CheckBoxTogglesBeforeItsCallback) {
    HxWidget box = 0;
    // Frames 12 x 12 drawn 12 x 12: frame 1 (unticked) red, frame 2 green.
    std::vector<uint32_t> px(24 * 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 24; ++x) px[size_t(y * 24 + x)] = x < 12 ? 0xFF0000FF : 0x00FF00FF;
    BoxX = 25;
    BoxY = 25;
    ASSERT_TRUE(RunWindow(
        [&] {
            HxTexture t = LoadTexture(24, 12, px);
            Engine().tex_SetFrameSize(&t, 12, 12);
            box = Engine().gui_AddCheckBox(t, 20, 20, 12, 12, 255, 1, 1, 0, nullptr, "", 0, 255, OnWidget);
            made.push_back(box);
        },
        [&](int frame) {
            if (frame == 1 || frame == 3) {
                PushMouseButton(SDL_BUTTON_LEFT, true, 25, 25);
                PushMouseButton(SDL_BUTTON_LEFT, false, 25, 25);
            } else {
                Engine().gui_Calc();
            }
            return frame < 4;
        }));
    ASSERT_EQ(Clicks.size(), 2u);
    EXPECT_EQ(Clicks[0].event, uint32_t(HX_WIDGET_CLICK));
    EXPECT_PRED2(Near, Clicks[0].boxColour, 0x00FF00u) << "ticked inside the first callback";
    EXPECT_PRED2(Near, Clicks[1].boxColour, 0xFF0000u) << "unticked inside the second callback";
}

TEST_F(Widgets, ImageButtonFramesFollowItsState) {
    HxWidget a = 0, b = 0, c = 0, d = 0, dim = 0;
    std::vector<Rgba> seen;
    ASSERT_TRUE(RunWindow(
        [&] {
            HxTexture t = FourFrames();
            a = Image(t, 0, 0, 20, 20);
            b = Image(t, 30, 0, 20, 20);
            c = Image(t, 60, 0, 20, 20);
            d = Image(t, 90, 0, 20, 20, true, false);
            dim = Image(LoadTexture(1, 1, {0xFFFFFFFF}), 120, 0, 20, 20, true, false);
        },
        [&](int frame) {
            if (frame == 1) {
                PushMouseMove(35, 5);
                return true;
            }
            if (frame == 2) {
                Engine().gui_Draw();
                for (int x : {5, 35, 65, 95, 125}) seen.push_back(ReadPixel(x, 5));
                PushMouseButton(SDL_BUTTON_LEFT, true, 65, 5);
                return true;
            }
            Engine().gui_Draw();
            seen.push_back(ReadPixel(65, 5));
            return false;
        }));
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_PRED2(Near, seen[0], 0xFF0000u) << "normal: frame 1";
    EXPECT_PRED2(Near, seen[1], 0x00FF00u) << "under the mouse: frame 2";
    EXPECT_PRED2(Near, seen[2], 0xFF0000u);
    EXPECT_PRED2(Near, seen[3], 0xFFFFFFu) << "disabled: frame 4";
    EXPECT_PRED3(NearWithin, seen[4], 0x808080u, 4) << "one frame, disabled: dimmed " << Describe(seen[4]);
    EXPECT_PRED2(Near, seen[5], 0x0000FFu) << "pressed: frame 3";
    (void)a, (void)b, (void)c, (void)d, (void)dim;
}

TEST_F(Widgets, DisabledButtonWithoutAFourthFrameIsDimmed) {
    Rgba two{}, three{}, twoEnabled{};
    HxWidget w2 = 0;
    ASSERT_TRUE(RunWindow(
        [&] {
            // Two and three frames: white first.
            HxTexture t2 = LoadTexture(2, 1, {0xFFFFFFFF, 0x00FF00FF});
            HxTexture t3 = LoadTexture(3, 1, {0xFFFFFFFF, 0x00FF00FF, 0x0000FFFF});
            Engine().tex_SetFrameSize(&t2, 1, 1);
            Engine().tex_SetFrameSize(&t3, 1, 1);
            w2 = Image(t2, 0, 0, 20, 20, true, false);
            Image(t3, 30, 0, 20, 20, true, false);
        },
        [&](int frame) {
            Engine().gui_Draw();
            if (frame == 1) {
                two = ReadPixel(5, 5);
                three = ReadPixel(35, 5);
                Engine().gui_SetEnable(0, w2, 1);
                return true;
            }
            twoEnabled = ReadPixel(5, 5);
            return false;
        }));
    EXPECT_PRED3(NearWithin, two, 0x808080u, 4) << "two frames, disabled: " << Describe(two);
    EXPECT_PRED3(NearWithin, three, 0x808080u, 4) << "three frames, disabled: " << Describe(three);
    EXPECT_PRED2(Near, twoEnabled, 0xFFFFFFu) << "enabled again: frame 1 at full brightness";
}

TEST_F(Widgets, DrawOrderVisibilityAlphaAndTexture) {
    std::vector<Rgba> seen;
    ASSERT_TRUE(RunWindow(
        [&] {
            HxTexture red = LoadTexture(1, 1, {0xFF0000FF});
            HxTexture blue = LoadTexture(1, 1, {0x0000FFFF});
            Image(red, 0, 0, 30, 30);
            Image(blue, 10, 10, 30, 30);  // created later: drawn on top
            HxWidget hidden = Image(blue, 50, 0, 20, 20);
            Engine().gui_SetVisible(0, hidden, 0);
            HxWidget faint = Image(red, 80, 0, 20, 20);
            Engine().gui_SetAlpha(0, faint, 128);
            HxWidget swapped = Image(red, 110, 0, 20, 20);
            Engine().gui_SetTexture(0, swapped, blue);
        },
        [&](int) {
            Engine().prim_Rect(0, 0, 200, 100, 0xFFFFFF, 255, HX_PR2D_FILL);
            Engine().gui_Draw();
            for (auto [x, y] : {std::pair{5, 5}, {20, 20}, {60, 10}, {90, 10}, {120, 10}})
                seen.push_back(ReadPixel(x, y));
            return false;
        }));
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_PRED2(Near, seen[0], 0xFF0000u);
    EXPECT_PRED2(Near, seen[1], 0x0000FFu) << "later widget on top";
    EXPECT_PRED2(Near, seen[2], 0xFFFFFFu) << "hidden widget drawn";
    EXPECT_PRED3(NearWithin, seen[3], 0xFF7F7Fu, 4) << Describe(seen[3]);
    EXPECT_PRED2(Near, seen[4], 0x0000FFu) << "texture not replaced";
}

TEST_F(Widgets, CheckBoxCaptionRightOfTheBoxInItsColour) {
    Rgba caption{}, left{}, box{};
    ASSERT_TRUE(RunWindow(
        [&] {
            MemoryStream s = StreamOf(MakeTestFont());
            HxFont font = Engine().font_LoadFromMemory(&s);
            HxTexture t = LoadTexture(2, 1, {0xFF0000FF, 0x00FF00FF});
            Engine().tex_SetFrameSize(&t, 1, 1);
            made.push_back(Engine().gui_AddCheckBox(t, 20, 20, 12, 12, 255, 1, 1, 1, font, "A", 0x00FFFF, 255,
                                                    OnWidget));
        },
        [&](int) {
            Engine().gui_Draw();
            box = ReadPixel(25, 25);
            // Line height 8 centred on the 12-pixel box: the line's top is at
            // y 22; A covers x 36..39 (12 + gap 4), y 23..28.
            caption = ReadPixel(37, 25);
            left = ReadPixel(10, 25);
            return false;
        }));
    EXPECT_PRED2(Near, box, 0x00FF00u) << "ticked: frame 2";
    EXPECT_PRED2(Near, caption, 0x00FFFFu) << Describe(caption);
    EXPECT_PRED2(Near, left, 0x000000u);
}

}  // namespace
