// The asset pack as the game reads it: 27 length-prefixed PNGs at the sizes
// the game draws them, and art that works where the game puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "test_util.h"

using namespace assets_test;

namespace {

struct Expected {
    int entry, width, height, frame_w, frame_h;
};

// Sizes and frame layouts, by entry number.
const Expected kSizes[27] = {
    {1, 256, 256, 0, 0},   {2, 192, 64, 48, 64},  {3, 192, 64, 48, 64},  {4, 192, 64, 48, 64},
    {5, 192, 64, 48, 64},  {6, 192, 64, 48, 64},  {7, 192, 64, 48, 64},  {8, 16, 16, 0, 0},
    {9, 48, 48, 0, 0},     {10, 64, 64, 0, 0},    {11, 48, 48, 48, 48},  {12, 48, 48, 48, 48},
    {13, 48, 48, 48, 48},  {14, 192, 64, 48, 64}, {15, 192, 64, 48, 64}, {16, 192, 64, 48, 64},
    {17, 192, 25, 48, 25}, {18, 48, 48, 0, 0},    {19, 48, 48, 48, 48},  {20, 16, 64, 0, 0},
    {21, 192, 48, 48, 48}, {22, 192, 24, 0, 0},   {23, 48, 48, 48, 48},  {24, 48, 48, 48, 48},
    {25, 48, 48, 48, 48},  {26, 24, 12, 12, 12},  {27, 128, 128, 0, 0},
};

const int kButtons[] = {2, 3, 4, 5, 6, 7, 14, 15, 16, 17};

class Pack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Bytes pack = Slurp(DataPath("data.pak"));
        ASSERT_FALSE(pack.empty()) << DataPath("data.pak") << " is missing or empty";
        bool ok = false;
        raw_ = new std::vector<Bytes>(SplitPack(pack, ok));
        ASSERT_TRUE(ok) << "a length runs past the end of data.pak";
        pictures_ = new std::vector<Picture>(raw_->size());
        for (size_t i = 0; i < raw_->size(); ++i) {
            std::string error;
            ASSERT_TRUE(ReadPicture((*raw_)[i], (*pictures_)[i], error)) << "entry " << i + 1 << ": " << error;
        }
    }
    static void TearDownTestSuite() {
        delete raw_;
        delete pictures_;
    }
    static const Picture& Entry(int n) { return (*pictures_)[size_t(n - 1)]; }
    static Picture FrameOf(int n, int frame) {
        const Expected& e = kSizes[n - 1];
        return Entry(n).Crop(e.frame_w * frame, 0, e.frame_w, e.frame_h);
    }
    static std::vector<Bytes>* raw_;
    static std::vector<Picture>* pictures_;
};

std::vector<Bytes>* Pack::raw_ = nullptr;
std::vector<Picture>* Pack::pictures_ = nullptr;

TEST_F(Pack, HoldsExactly27PngEntriesAtTheirDrawnSizes) {
    ASSERT_EQ(raw_->size(), 27u);
    for (const Expected& e : kSizes) {
        const Bytes& raw = (*raw_)[size_t(e.entry - 1)];
        ASSERT_GE(raw.size(), 8u);
        EXPECT_EQ(0, std::memcmp(raw.data(), "\x89PNG\r\n\x1a\n", 8)) << "entry " << e.entry;
        EXPECT_EQ(Entry(e.entry).width, e.width) << "entry " << e.entry;
        EXPECT_EQ(Entry(e.entry).height, e.height) << "entry " << e.entry;
        if (e.frame_w) {
            EXPECT_EQ(e.width % e.frame_w, 0) << "entry " << e.entry;
            EXPECT_EQ(e.height, e.frame_h) << "entry " << e.entry;
        }
    }
}

TEST_F(Pack, FirstEntryIsTheFontsGlyphPageByteForByte) {
    Bytes font = Slurp(DataPath("engine.pak"));
    ASSERT_GE(font.size(), 12u);
    uint32_t glyphs = font[10] | font[11] << 8;
    size_t at = 12 + 16 * size_t(glyphs);
    ASSERT_GE(font.size(), at + 4);
    uint32_t length = font[at] | font[at + 1] << 8 | font[at + 2] << 16 | uint32_t(font[at + 3]) << 24;
    ASSERT_EQ(font.size(), at + 4 + length) << "engine.pak holds one page and nothing after it";
    Bytes page(font.begin() + long(at + 4), font.end());
    EXPECT_EQ(page, (*raw_)[0]);
}

TEST_F(Pack, NoVisiblePixelUsesTheColourKey) {
    for (int n = 1; n <= 27; ++n) {
        const Picture& p = Entry(n);
        int keyed = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const uint8_t* c = p.At(x, y);
                keyed += c[3] > 0 && c[0] == 0xFF && c[1] == 0x00 && c[2] == 0xFF;
            }
        EXPECT_EQ(keyed, 0) << "entry " << n;
    }
}

TEST_F(Pack, TiledAndBackgroundTexturesAreFullyOpaque) {
    // Ground, panel, border and header bar are laid edge to edge: any hole
    // would show the black behind the scene.
    for (int n : {10, 20, 22, 27}) EXPECT_EQ(OpaqueCount(Entry(n), 255), Entry(n).width * Entry(n).height) << "entry " << n;
}

TEST_F(Pack, EveryFrameHasArtAndButtonStatesDiffer) {
    for (const Expected& e : kSizes) {
        if (!e.frame_w) continue;
        for (int f = 0; f < e.width / e.frame_w; ++f)
            EXPECT_GT(OpaqueCount(FrameOf(e.entry, f)), e.frame_w * e.frame_h / 10) << "entry " << e.entry << " frame " << f;
    }
    for (int n : kButtons) {
        Picture normal = FrameOf(n, 0), hover = FrameOf(n, 1), pressed = FrameOf(n, 2), disabled = FrameOf(n, 3);
        EXPECT_NE(normal.rgba, hover.rgba) << "entry " << n;
        EXPECT_NE(normal.rgba, pressed.rgba) << "entry " << n;
        // Under the mouse the button lights up; pressed it sinks darker.
        EXPECT_GT(MeanLuminance(hover), MeanLuminance(normal)) << "entry " << n;
        EXPECT_LT(MeanLuminance(pressed), MeanLuminance(normal)) << "entry " << n;
        // Disabled is drained of colour.
        EXPECT_LT(MeanSaturation(disabled), MeanSaturation(normal) * 0.5f) << "entry " << n;
    }
}

TEST_F(Pack, TankFramesAnimateTheTracksOnly) {
    Picture frames[4];
    for (int f = 0; f < 4; ++f) frames[f] = FrameOf(21, f);
    for (int f = 0; f < 4; ++f) {
        EXPECT_NE(frames[f].rgba, frames[(f + 1) % 4].rgba) << "frames " << f << " and " << (f + 1) % 4;
        // The turret in the middle of the hull stays put.
        EXPECT_EQ(frames[f].Crop(18, 18, 12, 12).rgba, frames[0].Crop(18, 18, 12, 12).rgba) << "frame " << f;
    }
}

TEST_F(Pack, TrailIsAHalfTransparentPlumeThickestNearTheTank) {
    const Picture& trail = Entry(18);
    float mean = MeanAlpha(trail);
    EXPECT_GT(mean, 0.08f);
    EXPECT_LT(mean, 0.7f);
    // Thicker at the bottom (right behind the tank) than at the top.
    EXPECT_GT(MeanAlpha(trail.Crop(0, 32, 48, 16)), 2 * MeanAlpha(trail.Crop(0, 0, 48, 16)));
}

TEST_F(Pack, ShellIsSmallAndBright) {
    const Picture& shell = Entry(8);
    EXPECT_GT(OpaqueCount(shell), 10);
    EXPECT_GT(MeanLuminance(shell), 0.5f);
}

// Seams. Pixel-level grain differs between any two neighbouring columns, so
// the tiles are compared in 4 x 4 blocks: the step in mean colour between the
// blocks either side of the tile's wrap edge must be no larger than the
// typical step between neighbouring blocks inside the tile.
Picture Transposed(const Picture& p) {
    Picture t;
    t.width = p.height;
    t.height = p.width;
    t.rgba.resize(p.rgba.size());
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) std::memcpy(&t.rgba[(size_t(x) * t.width + y) * 4], p.At(x, y), 4);
    return t;
}

// Mean colour step across the vertical line at x (wrapping round the tile).
float BlockStep(const Picture& tile, int x) {
    const int b = 4;
    double sum = 0;
    int blocks = 0;
    for (int y0 = 0; y0 + b <= tile.height; y0 += b, ++blocks) {
        double left[3] = {0, 0, 0}, right[3] = {0, 0, 0};
        for (int y = y0; y < y0 + b; ++y)
            for (int i = 0; i < b; ++i)
                for (int c = 0; c < 3; ++c) {
                    left[c] += tile.At((x - 1 - i + tile.width) % tile.width, y)[c];
                    right[c] += tile.At((x + i) % tile.width, y)[c];
                }
        for (int c = 0; c < 3; ++c) sum += std::fabs(left[c] - right[c]) / (b * b * 255.0);
    }
    return float(sum / (3 * blocks));
}

// How much larger the step at the wrap edge is than the inner steps.
float SeamRatio(const Picture& tile) {
    double inner = 0;
    int lines = 0;
    for (int x = 4; x + 4 <= tile.width; x += 4, ++lines) inner += BlockStep(tile, x);
    return float(BlockStep(tile, 0) / (inner / lines + 1e-3));
}

TEST_F(Pack, GroundAndPanelTilesRepeatWithoutSeams) {
    for (int n : {27, 10}) {
        EXPECT_LT(SeamRatio(Entry(n)), 1.5f) << "entry " << n << " left/right edges";
        EXPECT_LT(SeamRatio(Transposed(Entry(n))), 1.5f) << "entry " << n << " top/bottom edges";
    }
    EXPECT_LT(SeamRatio(Entry(9)), 1.5f) << "front row left/right edges";
}

TEST_F(Pack, SeamMeasureCatchesARealSeam) {
    // The ground with its left half shifted down by 40 rows breaks where the
    // tile meets itself, and with noise that does not repeat it breaks too.
    const Picture& ground = Entry(27);
    Picture shifted = ground;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 64; ++x)
            std::memcpy(&shifted.rgba[(size_t(y) * 128 + x) * 4], ground.At(x, (y + 40) % 128), 4);
    EXPECT_GT(SeamRatio(shifted), 1.5f);
    Picture gradient = ground;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) gradient.rgba[(size_t(y) * 128 + x) * 4 + 1] = uint8_t(60 + x);
    EXPECT_GT(SeamRatio(gradient), 1.5f);
}

TEST_F(Pack, BlackTextReadsOnThePanelTile) {
    // Contrast of black text against the panel's darker pixels: at least the
    // 7:1 that small text needs.
    const Picture& panel = Entry(10);
    std::vector<float> lum;
    for (int y = 0; y < panel.height; ++y)
        for (int x = 0; x < panel.width; ++x) lum.push_back(Luminance(panel.At(x, y)));
    std::sort(lum.begin(), lum.end());
    float dark = lum[lum.size() / 20];
    float linear = std::pow(dark, 2.2f);
    EXPECT_GE((linear + 0.05f) / 0.05f, 7.0f) << "5th-percentile luminance " << dark;
}

TEST_F(Pack, EmptySiteStandsOutAtItsDrawnAlpha) {
    // Composite the pad over the ground at alpha 120 as the game shows it.
    const Picture& ground = Entry(27);
    const Picture& pad = Entry(19);
    double change = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const uint8_t* g = ground.At(x, y);
            const uint8_t* p = pad.At(x, y);
            float a = p[3] / 255.0f * 120 / 255.0f;
            uint8_t out[3];
            for (int c = 0; c < 3; ++c) out[c] = uint8_t(p[c] * a + g[c] * (1 - a));
            change += std::fabs(Luminance(out) - Luminance(g));
        }
    EXPECT_GT(change / (48 * 48), 0.08);
}

TEST_F(Pack, GradesGrowInSizeAndDifferInColour) {
    for (int first : {23, 11}) {  // guns 23..25, money buildings 11..13
        int size[3];
        float colour[3][3];
        for (int g = 0; g < 3; ++g) {
            const Picture& p = Entry(first + g);
            size[g] = OpaqueCount(p);
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) {
                    const uint8_t* c = p.At(x, y);
                    for (int k = 0; k < 3; ++k) sum[k] += c[k] * c[3];
                    weight += c[3];
                }
            for (int k = 0; k < 3; ++k) colour[g][k] = float(sum[k] / weight);
        }
        EXPECT_LT(size[0], size[1]) << "entry " << first;
        EXPECT_LT(size[1], size[2]) << "entry " << first;
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b) {
                float d = std::fabs(colour[a][0] - colour[b][0]) + std::fabs(colour[a][1] - colour[b][1]) +
                          std::fabs(colour[a][2] - colour[b][2]);
                EXPECT_GT(d, 30.0f) << "entries " << first + a << " and " << first + b << " look alike";
            }
    }
}

TEST_F(Pack, ShopButtonsShowTheirBuildingsIcon) {
    // The icon area of each build button resembles its site picture (scaled
    // to 40 x 40 at x 4, y 6) more than the other grades' pictures.
    auto distance = [](const Picture& button, const Picture& site) {
        double d = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint8_t* s = site.At(x * 48 / 40, y * 48 / 40);
                if (s[3] < 200) continue;
                const uint8_t* b = button.At(4 + x, 6 + y);
                d += std::abs(b[0] - s[0]) + std::abs(b[1] - s[1]) + std::abs(b[2] - s[2]);
            }
        return d;
    };
    const int buttons[6] = {5, 6, 7, 2, 3, 4}, sites[6] = {23, 24, 25, 11, 12, 13};
    for (int i = 0; i < 6; ++i) {
        Picture normal = FrameOf(buttons[i], 0);
        double own = distance(normal, Entry(sites[i]));
        int group = i / 3 * 3;
        for (int j = group; j < group + 3; ++j)
            if (j != i) {
                // Normalise by the compared area, which differs between sites.
                double other = distance(normal, Entry(sites[j]));
                EXPECT_LT(own / OpaqueCount(Entry(sites[i]), 200), other / OpaqueCount(Entry(sites[j]), 200))
                    << "button " << buttons[i] << " looks like site " << sites[j];
            }
    }
}

}  // namespace

namespace {

// Pixels of a text colour within a band of rows of one frame.
int InkCount(const Picture& frame, int y0, int y1, bool (*is_ink)(const uint8_t*)) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < frame.width; ++x) n += is_ink(frame.At(x, y));
    return n;
}

bool Yellow(const uint8_t* p) { return p[0] > 200 && p[1] > 170 && p[2] < 160 && p[3] > 200; }
bool White(const uint8_t* p) { return p[0] > 220 && p[1] > 220 && p[2] > 220 && p[3] > 200; }

TEST_F(Pack, ButtonsCarryTheirCaptions) {
    // Build buttons: a yellow price under the icon; different prices differ.
    std::vector<uint8_t> seen[6];
    const int build[6] = {2, 3, 4, 5, 6, 7};
    for (int i = 0; i < 6; ++i) {
        Picture normal = FrameOf(build[i], 0);
        EXPECT_GT(InkCount(normal, 48, 63, Yellow), 25) << "entry " << build[i] << " shows no price";
        seen[i] = normal.Crop(0, 48, 48, 15).rgba;
        for (int j = 0; j < i; ++j) EXPECT_NE(seen[i], seen[j]) << "entries " << build[i] << " and " << build[j];
    }
    // Ammunition buttons: the white amount over the yellow price.
    for (int n : {14, 15, 16}) {
        Picture normal = FrameOf(n, 0);
        EXPECT_GT(InkCount(normal, 36, 49, White), 25) << "entry " << n << " shows no amount";
        EXPECT_GT(InkCount(normal, 50, 63, Yellow), 25) << "entry " << n << " shows no price";
    }
    // The sell button's white caption in each of its live states.
    for (int f = 0; f < 3; ++f) EXPECT_GT(InkCount(FrameOf(17, f), 5, 20, White), 25) << "sell frame " << f;
}

}  // namespace
