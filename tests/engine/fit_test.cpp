// fit_test.cpp - where the game's 800 x 600 picture lands in windows of odd
// sizes, and where mouse positions land in the picture: the bars, the edges
// of the picture, whole and fractional scales, high-DPI windows.
#include "fit.h"

#include <gtest/gtest.h>

using hx::FitPicture;
using hx::FitRect;
using hx::WindowToGame;

namespace {

// A window whose units are its pixels.
bool At(int x, int y, int win_w, int win_h, int& gx, int& gy) {
    return WindowToGame(x, y, win_w, win_h, win_w, win_h, 800, 600, gx, gy);
}

void ExpectRect(const FitRect& r, int x, int y, int w, int h, bool sharp) {
    EXPECT_EQ(r.X, x);
    EXPECT_EQ(r.Y, y);
    EXPECT_EQ(r.W, w);
    EXPECT_EQ(r.H, h);
    EXPECT_EQ(r.Sharp, sharp);
}

}  // namespace

TEST(Fit, PictureIsCentredWithBarsOnTheSidesLeftOver) {
    ExpectRect(FitPicture(800, 600, 800, 600), 0, 0, 800, 600, true);
    ExpectRect(FitPicture(800, 600, 1600, 1200), 0, 0, 1600, 1200, true);
    ExpectRect(FitPicture(800, 600, 2400, 1800), 0, 0, 2400, 1800, true);
    // Wider: bars left and right, still whole scale 1.
    ExpectRect(FitPicture(800, 600, 1280, 600), 240, 0, 800, 600, true);
    // 1920 x 1080: height limits, 1440 x 1080 at 1.8, smooth.
    ExpectRect(FitPicture(800, 600, 1920, 1080), 240, 0, 1440, 1080, false);
    // Taller: bars above and below; 1000 x 750 at 1.25.
    ExpectRect(FitPicture(800, 600, 1000, 1001), 0, 125, 1000, 750, false);
    // An odd width: 803 / 4 * 3 = 602.25 rounds to 602; the odd pixel left
    // over goes to the bar below.
    ExpectRect(FitPicture(800, 600, 803, 700), 0, 49, 803, 602, false);
    // Smaller than the picture, and degenerate sizes.
    ExpectRect(FitPicture(800, 600, 400, 300), 0, 0, 400, 300, false);
    ExpectRect(FitPicture(800, 600, 1, 1), 0, 0, 1, 1, false);
    ExpectRect(FitPicture(800, 600, 0, -5), 0, 0, 1, 1, false);
}

TEST(Fit, MouseMapsToTheGamePixelUnderIt) {
    int gx, gy;
    // At 800 x 600 every window pixel is its game pixel, corners included.
    for (int x : {0, 1, 399, 798, 799})
        for (int y : {0, 300, 599}) {
            ASSERT_TRUE(At(x, y, 800, 600, gx, gy));
            EXPECT_EQ(gx, x);
            EXPECT_EQ(gy, y);
        }
    EXPECT_FALSE(At(800, 0, 800, 600, gx, gy));
    EXPECT_FALSE(At(-1, 0, 800, 600, gx, gy));
    EXPECT_FALSE(At(0, 600, 800, 600, gx, gy));
    // Twice the size: two window pixels per game pixel.
    ASSERT_TRUE(At(0, 0, 1600, 1200, gx, gy));
    EXPECT_EQ(gx, 0);
    EXPECT_EQ(gy, 0);
    ASSERT_TRUE(At(1, 1, 1600, 1200, gx, gy));
    EXPECT_EQ(gx, 0);
    ASSERT_TRUE(At(2, 3, 1600, 1200, gx, gy));
    EXPECT_EQ(gx, 1);
    EXPECT_EQ(gy, 1);
    ASSERT_TRUE(At(1599, 1199, 1600, 1200, gx, gy));
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 599);
    ASSERT_TRUE(At(1000, 600, 1600, 1200, gx, gy));
    EXPECT_EQ(gx, 500);
    EXPECT_EQ(gy, 300);
}

TEST(Fit, ClicksInTheBarsHitNothing) {
    int gx = 0, gy = 0;
    // 1280 x 600: the picture spans x 240..1039.
    EXPECT_FALSE(At(0, 300, 1280, 600, gx, gy));
    EXPECT_EQ(gx, -1);
    EXPECT_EQ(gy, -1);
    EXPECT_FALSE(At(239, 300, 1280, 600, gx, gy));
    ASSERT_TRUE(At(240, 300, 1280, 600, gx, gy));
    EXPECT_EQ(gx, 0);
    ASSERT_TRUE(At(1039, 0, 1280, 600, gx, gy));
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 0);
    EXPECT_FALSE(At(1040, 300, 1280, 600, gx, gy));
    EXPECT_FALSE(At(1279, 599, 1280, 600, gx, gy));
    // 1000 x 1001: the picture spans y 125..874.
    EXPECT_FALSE(At(500, 124, 1000, 1001, gx, gy));
    ASSERT_TRUE(At(500, 125, 1000, 1001, gx, gy));
    EXPECT_EQ(gy, 0);
    ASSERT_TRUE(At(500, 874, 1000, 1001, gx, gy));
    EXPECT_EQ(gy, 599);
    EXPECT_FALSE(At(500, 875, 1000, 1001, gx, gy));
}

TEST(Fit, FractionalScalesRoundDownAtThePixelCentre) {
    int gx, gy;
    // 1000 x 750 (1.25): window pixel 4 has its centre at 4.5, game 3.6 -> 3;
    // window pixel 5 at 5.5 -> 4.4 -> 4; the last window pixel is the last
    // game pixel.
    ASSERT_TRUE(At(4, 0, 1000, 750, gx, gy));
    EXPECT_EQ(gx, 3);
    ASSERT_TRUE(At(5, 0, 1000, 750, gx, gy));
    EXPECT_EQ(gx, 4);
    ASSERT_TRUE(At(999, 749, 1000, 750, gx, gy));
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 599);
    // Smaller than the picture (0.5): every window pixel covers two.
    ASSERT_TRUE(At(0, 0, 400, 300, gx, gy));
    EXPECT_EQ(gx, 1);
    ASSERT_TRUE(At(399, 299, 400, 300, gx, gy));
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 599);
    // Every game column is reachable at 1.8 (1920 x 1080), in order.
    int last = -1;
    for (int x = 240; x < 1680; ++x) {
        ASSERT_TRUE(At(x, 540, 1920, 1080, gx, gy));
        ASSERT_TRUE(gx == last || gx == last + 1) << "window x " << x;
        last = gx;
    }
    EXPECT_EQ(last, 799);
}

TEST(Fit, HighDpiWindowsCountInWindowUnits) {
    int gx, gy;
    // 800 x 600 units drawn on 1600 x 1200 pixels: units map straight to the game.
    ASSERT_TRUE(WindowToGame(0, 0, 800, 600, 1600, 1200, 800, 600, gx, gy));
    EXPECT_EQ(gx, 0);
    ASSERT_TRUE(WindowToGame(799, 599, 800, 600, 1600, 1200, 800, 600, gx, gy));
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 599);
    // 640 x 300 units at 2 pixels each: picture 800 x 600 pixels at x 240;
    // the centre of unit 150 is pixel edge 301, the start of game pixel 301.
    EXPECT_FALSE(WindowToGame(119, 150, 640, 300, 1280, 600, 800, 600, gx, gy));
    ASSERT_TRUE(WindowToGame(120, 150, 640, 300, 1280, 600, 800, 600, gx, gy));
    EXPECT_EQ(gx, 1);
    EXPECT_EQ(gy, 301);
    ASSERT_TRUE(WindowToGame(519, 299, 640, 300, 1280, 600, 800, 600, gx, gy));
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 599);
    EXPECT_FALSE(WindowToGame(520, 150, 640, 300, 1280, 600, 800, 600, gx, gy));
}

// The window opens at the largest whole scale within four fifths of the
// usable desktop: 1x on 1080p (less a panel), 2x on 4K, never below 1x.
TEST(Fit, InitialScaleIsTheLargestWholeMultipleThatFitsComfortably) {
    const struct {
        int usableW, usableH, scale;
    } cases[] = {{1920, 1040, 1}, {2560, 1400, 1}, {3840, 2112, 2}, {3840, 2160, 2},
                 {5120, 2880, 3}, {1024, 768, 1},  {640, 480, 1},   {0, 0, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(hx::InitialScale(800, 600, c.usableW, c.usableH), c.scale) << c.usableW << "x" << c.usableH;
}
