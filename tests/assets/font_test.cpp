// The game font in engine.pak: read here field by field, laid out the way the
// engine lays out text (the pen moves by advance x scale + letter spacing),
// and checked against the screen positions the game draws its texts at.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "test_util.h"

using namespace assets_test;

namespace {

struct GlyphRecord {
    uint32_t code;
    int page, x, y, w, h, dx, dy, advance;
};

struct Font {
    int line_height = 0, baseline = 0, pages = 0;
    std::vector<GlyphRecord> glyphs;
    std::map<uint32_t, GlyphRecord> by_code;
    Picture page;
};

uint32_t U16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

class GameFont : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Bytes b = Slurp(DataPath("engine.pak"));
        ASSERT_GE(b.size(), 12u) << DataPath("engine.pak") << " is missing or short";
        ASSERT_EQ(std::string(b.begin(), b.begin() + 4), "HXF1");
        font_ = new Font;
        font_->line_height = int(U16(b, 4));
        font_->baseline = int(U16(b, 6));
        font_->pages = int(U16(b, 8));
        uint32_t count = U16(b, 10);
        ASSERT_GE(b.size(), 12 + 16 * size_t(count));
        for (uint32_t i = 0; i < count; ++i) {
            size_t at = 12 + 16 * size_t(i);
            ASSERT_EQ(b[at + 5], 0) << "reserved byte of record " << i;
            ASSERT_EQ(b[at + 15], 0) << "reserved byte of record " << i;
            GlyphRecord g{U32(b, at), b[at + 4], int(U16(b, at + 6)), int(U16(b, at + 8)), b[at + 10], b[at + 11],
                          int8_t(b[at + 12]), int8_t(b[at + 13]), b[at + 14]};
            font_->glyphs.push_back(g);
            font_->by_code[g.code] = g;
        }
        size_t at = 12 + 16 * size_t(count);
        ASSERT_GE(b.size(), at + 4);
        Bytes png(b.begin() + long(at + 4), b.begin() + long(std::min(b.size(), at + 4 + U32(b, at))));
        std::string error;
        ASSERT_TRUE(ReadPicture(png, font_->page, error)) << error;
    }
    static void TearDownTestSuite() { delete font_; }

    // Right edge of a line laid out from x: the final pen position (without
    // the spacing after the last letter) or the last inked pixel, whichever
    // lies further right.
    static float Right(const std::string& text, float x, float spacing) {
        float pen = x, right = x;
        for (size_t i = 0; i < text.size(); ++i) {
            const GlyphRecord& g = font_->by_code.at(uint8_t(text[i]));
            if (g.w) right = std::max(right, pen + g.dx + g.w);
            pen += g.advance + (i + 1 < text.size() ? spacing : 0);
        }
        return std::max(pen, right);
    }
    static Font* font_;
};

Font* GameFont::font_ = nullptr;

TEST_F(GameFont, CoversPrintableAsciiOnceEachOnOnePage) {
    EXPECT_EQ(font_->pages, 1);
    EXPECT_EQ(font_->glyphs.size(), 95u);
    for (uint32_t c = 32; c <= 126; ++c) EXPECT_EQ(font_->by_code.count(c), 1u) << "character " << c;
    for (const GlyphRecord& g : font_->glyphs) {
        EXPECT_EQ(g.page, 0) << g.code;
        EXPECT_GT(g.advance, 0) << g.code;
    }
}

TEST_F(GameFont, BoxesLieInsideThePageAndHoldTheGlyphs) {
    const Picture& page = font_->page;
    std::vector<bool> claimed(size_t(page.width) * page.height, false);
    for (const GlyphRecord& g : font_->glyphs) {
        if (g.code == ' ') {
            EXPECT_EQ(g.w, 0);
            EXPECT_EQ(g.h, 0);
            continue;
        }
        ASSERT_GT(g.w, 0) << "character " << g.code << " has no box";
        ASSERT_LE(g.x + g.w, page.width) << g.code;
        ASSERT_LE(g.y + g.h, page.height) << g.code;
        int peak = 0;
        for (int y = g.y; y < g.y + g.h; ++y)
            for (int x = g.x; x < g.x + g.w; ++x) {
                peak = std::max(peak, int(page.At(x, y)[3]));
                EXPECT_FALSE(claimed[size_t(y) * page.width + x]) << "boxes overlap at " << x << "," << y;
                claimed[size_t(y) * page.width + x] = true;
            }
        EXPECT_GT(peak, 128) << "box of character " << g.code << " is empty";
    }
    // Nothing is drawn outside the boxes, and the glyphs are white so the
    // engine can tint them.
    int stray = 0, tinted = 0;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            const uint8_t* p = page.At(x, y);
            if (!claimed[size_t(y) * page.width + x] && p[3] > 0) ++stray;
            if (p[3] > 0 && (p[0] != 255 || p[1] != 255 || p[2] != 255)) ++tinted;
        }
    EXPECT_EQ(stray, 0);
    EXPECT_EQ(tinted, 0);
}

TEST_F(GameFont, LinesFitSixteenPixelStepsAndTheHudBar) {
    int top = 99, bottom = 0;
    for (const GlyphRecord& g : font_->glyphs)
        if (g.w) {
            top = std::min(top, g.dy);
            bottom = std::max(bottom, g.dy + g.h);
        }
    EXPECT_GE(top, 0) << "ink above the line top";
    EXPECT_LE(bottom, 16) << "ink below a 16-pixel line step";
    EXPECT_GE(font_->line_height, 12);
    EXPECT_LE(font_->line_height, 16);
    EXPECT_LT(font_->baseline, font_->line_height);
    // The HUD text at y 4 stays inside the 24-pixel black bar.
    EXPECT_LE(4 + bottom, 24);
}

TEST_F(GameFont, DigitsShareOneAdvanceSoNumbersDoNotJitter) {
    for (char c = '1'; c <= '9'; ++c) EXPECT_EQ(font_->by_code.at(c).advance, font_->by_code.at('0').advance) << c;
}

TEST_F(GameFont, HudLinesKeepApartAndEndBeforeTheRightBorder) {
    struct Line {
        const char* text;
        float x;
    };
    // The widest values a game shows in practice.
    const Line hud[] = {{"Score: 99999", 30}, {"Money: 99999", 150}, {"Round: 99", 285}, {"Lifes: 10", 375},
                        {"Patrons: 9999", 470}};
    for (size_t i = 0; i + 1 < std::size(hud); ++i)
        EXPECT_LT(Right(hud[i].text, hud[i].x, 0), hud[i + 1].x) << hud[i].text << " runs into " << hud[i + 1].text;
    float patrons_end = Right("Patrons: 9999", 470, 0);
    EXPECT_LT(patrons_end, 592) << "Patrons line ends at " << patrons_end;
    RecordProperty("patrons_line_end", int(patrons_end));
}

TEST_F(GameFont, InfoPanelTextsFitTheShopStrip) {
    // Scale 1, letter spacing 1, from x 700; the price centred on x 656.
    for (const char* text : {"Level: 3", "Life: 10", "Damage: 130", "Speed: 7", "Money: 15", "Speed: 5"})
        EXPECT_LT(Right(text, 700, 1), 800) << text;
    for (const char* price : {"$450", "$300", "$0"}) {
        float width = Right(price, 0, 1);
        EXPECT_GT(656 - width / 2, 608) << price;
        EXPECT_LT(656 + width / 2, 800) << price;
    }
    EXPECT_LT(Right("Halvex Engine [Quorlin] ", 616, 0), 800);
    EXPECT_LT(Right("GAME OVER", 0, 2) * 2, 800);
}

TEST_F(GameFont, LayoutRuleCountsAdvancesAndSpacing) {
    // "11" at spacing 3 ends exactly two advances and one spacing on.
    const GlyphRecord& one = font_->by_code.at('1');
    EXPECT_FLOAT_EQ(Right("11", 10, 3), std::max<float>(10 + 2 * one.advance + 3, 10 + one.advance + 3 + one.dx + one.w));
    EXPECT_FLOAT_EQ(Right("", 10, 3), 10);
}

}  // namespace
