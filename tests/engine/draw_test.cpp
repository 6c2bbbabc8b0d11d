// draw_test.cpp - what ends up on the screen: sprites, colour key, PNG colour
// types, frames, mirroring, alpha, rectangles and text, read back with
// scr_ReadPixels in a real window.
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include "support.h"

namespace {

constexpr uint32_t R = 0xFF0000FF, G = 0x00FF00FF, B = 0x0000FFFF, W = 0xFFFFFFFF,
                   K = 0xFF00FFFF;  // K: the colour key

// Draws with draw() on the first frame, then checks with check() in the same
// frame (what has been drawn so far).
void OneFrame(const std::function<void()>& load, const std::function<void()>& draw_and_check) {
    bool ran = false;
    ASSERT_TRUE(RunWindow(load, [&](int) {
        draw_and_check();
        ran = true;
        return false;
    }));
    ASSERT_TRUE(ran);
}

TEST(Sprite, StretchesToTheGivenBox) {
    HxTexture t = 0;
    OneFrame(
        [&] {
            t = LoadTexture(2, 2, {R, G, B, W});
        },
        [&] {
            Engine().spr_sDraw(t, 10, 20, 40, 20, 0, 255, HX_FX_BLEND);
            EXPECT_PRED2(Near, ReadPixel(10, 20), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(29, 29), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(30, 20), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(10, 30), 0x0000FFu);
            EXPECT_PRED2(Near, ReadPixel(49, 39), 0xFFFFFFu);
            EXPECT_PRED2(Near, ReadPixel(50, 39), 0x000000u) << "drawn past its box";
            EXPECT_PRED2(Near, ReadPixel(9, 20), 0x000000u) << "drawn before its box";
        });
}

TEST(Sprite, EveryPngColourTypeDecodes) {
    std::vector<HxTexture> t;
    OneFrame(
        [&] {
            t.push_back(LoadTexture(2, 1, {0x808080FF, W}, PngKind::Grey));
            t.push_back(LoadTexture(2, 1, {R, G}, PngKind::Palette));
            t.push_back(LoadTexture(2, 1, {G, B}, PngKind::Rgb));
            t.push_back(LoadTexture(2, 1, {B, R}, PngKind::Rgba));
        },
        [&] {
            for (size_t i = 0; i < t.size(); ++i)
                Engine().spr_sDraw(t[i], 0, float(10 * i), 20, 10, 0, 255, HX_FX_BLEND);
            EXPECT_PRED3(NearWithin, ReadPixel(5, 5), 0x808080u, 3) << "grey";
            EXPECT_PRED2(Near, ReadPixel(15, 5), 0xFFFFFFu) << "grey";
            EXPECT_PRED2(Near, ReadPixel(5, 15), 0xFF0000u) << "palette";
            EXPECT_PRED2(Near, ReadPixel(15, 15), 0x00FF00u) << "palette";
            EXPECT_PRED2(Near, ReadPixel(5, 25), 0x00FF00u) << "rgb";
            EXPECT_PRED2(Near, ReadPixel(15, 25), 0x0000FFu) << "rgb";
            EXPECT_PRED2(Near, ReadPixel(5, 35), 0x0000FFu) << "rgba";
            EXPECT_PRED2(Near, ReadPixel(15, 35), 0xFF0000u) << "rgba";
        });
}

// A 16-bit PNG without gamma information, 2 x 1 pixels; grey (one channel)
// or RGB (three), each sample the given 16-bit values.
std::vector<uint8_t> SixteenBitPng(bool rgb, const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, 2, 1, 16, rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row;
    for (uint16_t v : samples) {
        row.push_back(png_byte(v >> 8));  // big-endian samples
        row.push_back(png_byte(v));
    }
    png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Sixteen-bit samples are cut to their high byte: a value of 0x8080 shows
// as 0x80, as the image's author saw it, not lightened as if it were linear.
TEST(Sprite, SixteenBitPngKeepsItsLevels) {
    HxTexture grey = 0, rgb = 0;
    OneFrame(
        [&] {
            MemoryStream g = StreamOf(SixteenBitPng(false, {0x8080, 0x4040}));
            grey = Engine().tex_LoadFromMemory(&g, "png", 0xFF00FF, 0x432);
            MemoryStream c = StreamOf(SixteenBitPng(true, {0x8080, 0x4040, 0xC0C0, 0xFFFF, 0x0000, 0x2020}));
            rgb = Engine().tex_LoadFromMemory(&c, "png", 0xFF00FF, 0x432);
        },
        [&] {
            Engine().spr_sDraw(grey, 0, 0, 20, 10, 0, 255, HX_FX_BLEND);
            Engine().spr_sDraw(rgb, 0, 10, 20, 10, 0, 255, HX_FX_BLEND);
            EXPECT_PRED3(NearWithin, ReadPixel(5, 5), 0x808080u, 1) << Describe(ReadPixel(5, 5));
            EXPECT_PRED3(NearWithin, ReadPixel(15, 5), 0x404040u, 1) << Describe(ReadPixel(15, 5));
            EXPECT_PRED3(NearWithin, ReadPixel(5, 15), 0x8040C0u, 1) << Describe(ReadPixel(5, 15));
            EXPECT_PRED3(NearWithin, ReadPixel(15, 15), 0xFF0020u, 1) << Describe(ReadPixel(15, 15));
        });
}

TEST(Sprite, ColourKeyBecomesTransparent) {
    HxTexture keyed = 0, palette = 0;
    OneFrame(
        [&] {
            keyed = LoadTexture(2, 1, {K, G}, PngKind::Rgb);
            palette = LoadTexture(2, 1, {G, K}, PngKind::Palette);
        },
        [&] {
            const Halvex& hx = Engine();
            hx.prim_Rect(0, 0, 100, 100, 0x0000FF, 255, HX_PR2D_FILL);
            hx.spr_sDraw(keyed, 0, 0, 20, 10, 0, 255, HX_FX_BLEND);
            // Without the blend flag the key stays transparent as well.
            hx.spr_sDraw(palette, 0, 20, 20, 10, 0, 255, 0);
            EXPECT_PRED2(Near, ReadPixel(5, 5), 0x0000FFu) << Describe(ReadPixel(5, 5));
            EXPECT_PRED2(Near, ReadPixel(15, 5), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(5, 25), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(15, 25), 0x0000FFu) << Describe(ReadPixel(15, 25));
        });
}

TEST(Sprite, MirrorFlagFlipsHorizontally) {
    HxTexture t = 0;
    OneFrame(
        [&] {
            t = LoadTexture(2, 1, {R, B});
        },
        [&] {
            Engine().spr_sDraw(t, 0, 0, 20, 10, 0, 255, HX_FX_FLIPX);
            Engine().spr_sDraw(t, 0, 10, 20, 10, 0, 255, HX_FX_BLEND);
            EXPECT_PRED2(Near, ReadPixel(2, 5), 0x0000FFu);
            EXPECT_PRED2(Near, ReadPixel(17, 5), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(2, 15), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(17, 15), 0x0000FFu);
        });
}

TEST(Sprite, MirroredFramesAndNegativeSizes) {
    HxTexture t = 0;
    // 4 x 2 pixels, frames of 2 x 1: 1 = (R, G), 2 = (B, W), 3 = (G, B), 4 = (W, R).
    auto check = [&] {
        const Halvex& hx = Engine();
        hx.prim_Rect(0, 0, 200, 100, 0x000000, 255, HX_PR2D_FILL);
        hx.spr_aDraw(t, 0, 0, 20, 10, 0, 3, 255, HX_FX_FLIPX);
        hx.spr_aDraw(t, 30, 0, 20, 10, 0, 2, 255, HX_FX_FLIPX | HX_FX_BLEND);
        // Half strength over white: the mirrored copy keeps the alpha.
        hx.prim_Rect(60, 0, 20, 10, 0xFFFFFF, 255, HX_PR2D_FILL);
        hx.spr_aDraw(t, 60, 0, 20, 10, 0, 1, 128, HX_FX_FLIPX | HX_FX_BLEND);
        // Negative height: upside down, drawn above y.
        hx.spr_sDraw(t, 0, 40, 40, -20, 0, 255, HX_FX_BLEND);
        // Mirror flag and negative width cancel out.
        hx.spr_aDraw(t, 120, 0, -20, 10, 0, 4, 255, HX_FX_FLIPX);
        EXPECT_PRED2(Near, ReadPixel(5, 5), 0x0000FFu) << "frame 3 mirrored " << Describe(ReadPixel(5, 5));
        EXPECT_PRED2(Near, ReadPixel(15, 5), 0x00FF00u) << Describe(ReadPixel(15, 5));
        EXPECT_PRED2(Near, ReadPixel(35, 5), 0xFFFFFFu) << "frame 2 mirrored";
        EXPECT_PRED2(Near, ReadPixel(45, 5), 0x0000FFu);
        EXPECT_PRED3(NearWithin, ReadPixel(65, 5), 0x7FFF7Fu, 4) << "green at half strength over white";
        EXPECT_PRED3(NearWithin, ReadPixel(75, 5), 0xFF7F7Fu, 4) << Describe(ReadPixel(75, 5));
        EXPECT_PRED2(Near, ReadPixel(5, 25), 0x00FF00u) << "upside down: bottom row on top";
        EXPECT_PRED2(Near, ReadPixel(35, 25), 0xFF0000u);
        EXPECT_PRED2(Near, ReadPixel(5, 35), 0xFF0000u);
        EXPECT_PRED2(Near, ReadPixel(35, 35), 0xFFFFFFu);
        EXPECT_PRED2(Near, ReadPixel(105, 5), 0xFFFFFFu) << "frame 4 unmirrored";
        EXPECT_PRED2(Near, ReadPixel(115, 5), 0xFF0000u);
    };
    // Twice per run and in two runs: mirrored copies are kept and remade.
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(RunWindow(
            [&] {
                if (!t) t = LoadTexture(4, 2, {R, G, B, W, G, B, W, R});
                Engine().tex_SetFrameSize(&t, 2, 1);
            },
            [&](int frame) {
                check();
                return frame < 2;
            }));
    }
}

TEST(Sprite, AlphaBlendsOnlyWithTheBlendFlag) {
    HxTexture t = 0;
    OneFrame([&] { t = LoadTexture(1, 1, {0x000000FF}); },
             [&] {
                 const Halvex& hx = Engine();
                 hx.prim_Rect(0, 0, 100, 100, 0xFFFFFF, 255, HX_PR2D_FILL);
                 hx.spr_sDraw(t, 0, 0, 10, 10, 0, 128, HX_FX_BLEND);
                 hx.spr_sDraw(t, 20, 0, 10, 10, 0, 128, 0);
                 hx.spr_sDraw(t, 40, 0, 10, 10, 0, 0, HX_FX_BLEND);
                 EXPECT_PRED3(NearWithin, ReadPixel(5, 5), 0x7F7F7Fu, 4) << Describe(ReadPixel(5, 5));
                 EXPECT_PRED2(Near, ReadPixel(25, 5), 0x000000u);
                 EXPECT_PRED2(Near, ReadPixel(45, 5), 0xFFFFFFu);
             });
}

// Half-transparent black pixels at several sprite alphas over white: the
// pixel's own alpha and the sprite's multiply, whichever alphas come first.
TEST(Sprite, PixelAlphaTimesSpriteAlpha) {
    HxTexture t = 0;
    const int alphas[] = {255, 128, 64, 200, 32, 100, 0, 128, 255};
    OneFrame([&] { t = LoadTexture(1, 1, {0x00000080}); },
             [&] {
                 const Halvex& hx = Engine();
                 hx.prim_Rect(0, 0, 200, 100, 0xFFFFFF, 255, HX_PR2D_FILL);
                 for (size_t i = 0; i < std::size(alphas); ++i) {
                     hx.spr_sDraw(t, float(20 * i), 0, 10, 10, 0, uint8_t(alphas[i]), HX_FX_BLEND);
                     hx.spr_sDraw(t, float(20 * i), 20, 10, 10, 0, uint8_t(alphas[i]),
                                  HX_FX_BLEND | HX_FX_FLIPX);
                 }
                 for (size_t i = 0; i < std::size(alphas); ++i) {
                     int cover = 128 * alphas[i] / 255;
                     uint32_t level = uint32_t(255 - cover);
                     uint32_t grey = level << 16 | level << 8 | level;
                     for (int y : {5, 25})
                         EXPECT_PRED3(NearWithin, ReadPixel(int(20 * i) + 5, y), grey, 4)
                             << "alpha " << alphas[i] << (y > 10 ? " mirrored: " : ": ")
                             << Describe(ReadPixel(int(20 * i) + 5, y));
                 }
             });
}

TEST(Sprite, FramesLeftToRightThenTopToBottom) {
    HxTexture t = 0;
    // 4 x 2 pixels, frames of 2 x 1: 1 = red, 2 = green, 3 = blue, 4 = white.
    OneFrame(
        [&] {
            t = LoadTexture(4, 2, {R, R, G, G, B, B, W, W});
            Engine().tex_SetFrameSize(&t, 2, 1);
        },
        [&] {
            const Halvex& hx = Engine();
            const uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFF0000};
            for (int f = 1; f <= 5; ++f)
                hx.spr_aDraw(t, float(20 * f), 0, 10, 10, 0, uint16_t(f), 255, HX_FX_BLEND);
            for (int f = 1; f <= 5; ++f)
                EXPECT_PRED2(Near, ReadPixel(20 * f + 5, 5), expected[f - 1])
                    << "frame " << f << ": " << Describe(ReadPixel(20 * f + 5, 5));
            // The whole image still draws with spr_sDraw.
            hx.spr_sDraw(t, 0, 20, 40, 20, 0, 255, HX_FX_BLEND);
            EXPECT_PRED2(Near, ReadPixel(5, 25), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(25, 35), 0xFFFFFFu);
        });
}

TEST(Sprite, TextureWithoutFrameSizeIsOneFrame) {
    HxTexture t = 0;
    OneFrame(
        [&] {
            t = LoadTexture(2, 1, {R, G});
        },
        [&] {
            Engine().spr_aDraw(t, 0, 0, 20, 10, 0, 3, 255, HX_FX_BLEND);
            EXPECT_PRED2(Near, ReadPixel(5, 5), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(15, 5), 0x00FF00u);
        });
}

TEST(Sprite, UnknownTextureDrawsNothing) {
    OneFrame(nullptr, [&] {
        Engine().spr_sDraw(0, 0, 0, 20, 20, 0, 255, HX_FX_BLEND);
        Engine().spr_aDraw(12345, 0, 0, 20, 20, 0, 1, 255, HX_FX_BLEND);
        EXPECT_PRED2(Near, ReadPixel(5, 5), 0x000000u);
    });
}

TEST(Rect, FilledAndOutline) {
    OneFrame(nullptr, [&] {
        const Halvex& hx = Engine();
        hx.prim_Rect(10, 10, 20, 10, 0xFF0000, 255, HX_PR2D_FILL);
        hx.prim_Rect(50, 10, 20, 10, 0x00FF00, 255, 0);
        EXPECT_PRED2(Near, ReadPixel(10, 10), 0xFF0000u);
        EXPECT_PRED2(Near, ReadPixel(20, 15), 0xFF0000u);
        EXPECT_PRED2(Near, ReadPixel(29, 19), 0xFF0000u);
        EXPECT_PRED2(Near, ReadPixel(30, 15), 0x000000u);
        EXPECT_PRED2(Near, ReadPixel(20, 20), 0x000000u);
        // Outline: the first and last rows and columns, nothing inside.
        for (auto [x, y] :
             {std::pair{50, 10}, {69, 10}, {50, 19}, {69, 19}, {60, 10}, {60, 19}, {50, 15}, {69, 15}})
            EXPECT_PRED2(Near, ReadPixel(x, y), 0x00FF00u) << x << "," << y;
        for (auto [x, y] : {std::pair{51, 11}, {60, 15}, {68, 18}, {70, 15}, {60, 20}, {49, 15}})
            EXPECT_PRED2(Near, ReadPixel(x, y), 0x000000u) << x << "," << y;
    });
}

TEST(Rect, AlphaBlendsWithWhatIsBelow) {
    OneFrame(nullptr, [&] {
        const Halvex& hx = Engine();
        hx.prim_Rect(0, 0, 40, 40, 0xFFFFFF, 255, HX_PR2D_FILL);
        hx.prim_Rect(0, 0, 20, 20, 0x000000, 200, HX_PR2D_FILL);
        hx.prim_Rect(20, 0, 20, 20, 0xFF0000, 64, 0);
        EXPECT_PRED3(NearWithin, ReadPixel(5, 5), 0x373737u, 3) << Describe(ReadPixel(5, 5));
        EXPECT_PRED3(NearWithin, ReadPixel(20, 0), 0xFFBFBFu, 3) << Describe(ReadPixel(20, 0));
    });
}

// ---- text ----

TEST(Text, GlyphsArePlacedByTheirMetricsAndTinted) {
    HxFont font = nullptr;
    OneFrame(
        [&] {
            MemoryStream s = StreamOf(MakeTestFont());
            font = Engine().font_LoadFromMemory(&s);
        },
        [&] {
            // "AB" at (100, 50): A covers x 100..103, y 51..56; B starts at the
            // pen 105 plus dx 1 = 106..109.
            Engine().text_DrawEx(font, 100, 50, 1, 0, "AB", 255, 0x00FF00, 0);
            EXPECT_PRED2(Near, ReadPixel(100, 51), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(103, 56), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(100, 50), 0x000000u) << "dy not applied";
            EXPECT_PRED2(Near, ReadPixel(104, 53), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(105, 53), 0x000000u) << "dx of B not applied";
            EXPECT_PRED2(Near, ReadPixel(106, 53), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(109, 53), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(110, 53), 0x000000u);
        });
}

TEST(Text, ScaleAndSpacing) {
    HxFont font = nullptr;
    OneFrame(
        [&] {
            MemoryStream s = StreamOf(MakeTestFont());
            font = Engine().font_LoadFromMemory(&s);
        },
        [&] {
            // Scale 2, spacing 3: A covers 100..107 x 52..63; the second A starts
            // at 100 + 5*2 + 3 = 113.
            Engine().text_DrawEx(font, 100, 50, 2, 3, "AA", 255, 0xFFFFFF, 0);
            EXPECT_PRED2(Near, ReadPixel(107, 63), 0xFFFFFFu);
            EXPECT_PRED2(Near, ReadPixel(108, 55), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(112, 55), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(113, 55), 0xFFFFFFu);
            EXPECT_PRED2(Near, ReadPixel(120, 55), 0xFFFFFFu);
            EXPECT_PRED2(Near, ReadPixel(121, 55), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(113, 51), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(113, 52), 0xFFFFFFu);
        });
}

TEST(Text, CentredOnX) {
    HxFont font = nullptr;
    OneFrame(
        [&] {
            MemoryStream s = StreamOf(MakeTestFont());
            font = Engine().font_LoadFromMemory(&s);
        },
        [&] {
            // "AA" with spacing 2: advances 5 + 5 plus 2 = 12 wide; centred on
            // 200 it starts at 194, so the first A covers pixels 194..197 and
            // the second, 7 further on, 201..204.
            Engine().text_DrawEx(font, 200, 10, 1, 2, "AA", 255, 0xFF0000, HX_TEXT_ALIGN_CENTER);
            EXPECT_PRED2(Near, ReadPixel(193, 13), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(194, 13), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(197, 13), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(198, 13), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(200, 13), 0x000000u);
            EXPECT_PRED2(Near, ReadPixel(201, 13), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(204, 13), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(205, 13), 0x000000u);
        });
}

TEST(Text, AlphaAndAReplacedPage) {
    HxFont font = nullptr;
    OneFrame(
        [&] {
            MemoryStream s = StreamOf(MakeTestFont());
            font = Engine().font_LoadFromMemory(&s);
        },
        [&] {
            const Halvex& hx = Engine();
            hx.prim_Rect(0, 0, 100, 100, 0xFFFFFF, 255, HX_PR2D_FILL);
            hx.text_DrawEx(font, 10, 10, 1, 0, "A", 128, 0x000000, 0);
            EXPECT_PRED3(NearWithin, ReadPixel(11, 13), 0x7F7F7Fu, 4) << Describe(ReadPixel(11, 13));
            // The game puts its own page in place of page 0; glyphs then come
            // from it, tinted by the colour.
            font->Pages[0] = MakeTestFontPage(0x0000FFFF);
            hx.text_DrawEx(font, 30, 10, 1, 0, "A", 255, 0xFFFFFF, 0);
            EXPECT_PRED2(Near, ReadPixel(31, 13), 0x0000FFu) << Describe(ReadPixel(31, 13));
            hx.text_DrawEx(font, 50, 10, 1, 0, "A", 255, 0x00FF00, 0);
            EXPECT_PRED2(Near, ReadPixel(51, 13), 0x000000u) << "blue glyph times green tint";
        });
}

TEST(Text, UnknownCharactersFallBackToQuestionMark) {
    HxFont font = nullptr;
    OneFrame(
        [&] {
            MemoryStream s = StreamOf(MakeTestFont());
            font = Engine().font_LoadFromMemory(&s);
        },
        [&] {
            Engine().text_DrawEx(font, 10, 10, 1, 0, "Z\xC3\xA9", 255, 0xFFFFFF, 0);
            EXPECT_PRED2(Near, ReadPixel(10, 10), 0xFFFFFFu) << "'?' for Z";
            EXPECT_PRED2(Near, ReadPixel(13, 10), 0xFFFFFFu) << "'?' for the accented e";
            EXPECT_PRED2(Near, ReadPixel(16, 10), 0x000000u) << "one '?' per code point";
            Engine().text_DrawEx(nullptr, 10, 30, 1, 0, "A", 255, 0xFFFFFF, 0);
            Engine().text_DrawEx(font, 10, 30, 1, 0, nullptr, 255, 0xFFFFFF, 0);
        });
}

TEST(ReadPixels, OutsideTheWindowReadsZero) {
    OneFrame(nullptr, [&] {
        Engine().prim_Rect(0, 0, 320, 240, 0xFFFFFF, 255, HX_PR2D_FILL);
        uint8_t px[4 * 4 * 4];
        std::fill(std::begin(px), std::end(px), uint8_t(0x55));
        Engine().scr_ReadPixels(px, 318, 238, 4, 4);
        EXPECT_EQ(px[0], 255);        // (318, 238) inside
        EXPECT_EQ(px[3], 255);        // its alpha
        EXPECT_EQ(px[8], 0);          // (320, 238) outside
        EXPECT_EQ(px[4 * 4 * 2], 0);  // (318, 240) outside
    });
}

// The player enlarges the window to 960 x 480: the 320 x 240 picture is
// drawn twice as large between bars 160 pixels wide. The engine still reads
// the picture itself, and mouse positions count in it: a click in a bar hits
// nothing, a click on the scaled button hits it.
TEST(ReadPixels, ScaledWindowKeepsThePictureAndItsMouse) {
    HxTexture quarters = 0, button = 0;
    int clicks = 0;
    static int* clickCount = nullptr;
    clickCount = &clicks;
    bool sawBarPress = false;
    ASSERT_TRUE(RunWindow(
        [&] {
            quarters = LoadTexture(2, 2, {R, G, B, W});
            button = LoadTexture(1, 1, {G});
            Engine().gui_AddImage(button, 100, 80, 120, 80, 255, 1, 1, [](HxWidget, uint32_t event) {
                if (event == HX_WIDGET_CLICK) ++*clickCount;
            });
        },
        [&](int frame) {
            const Halvex& hx = Engine();
            hx.spr_sDraw(quarters, 0, 0, 320, 240, 0, 255, 0);
            if (frame == 1) {
                SDL_Window* window = nullptr;
                for (uint32_t id = 1; id < 64 && !window; ++id) window = SDL_GetWindowFromID(id);
                if (!window) return false;
                SDL_SetWindowSize(window, 960, 480);
            }
            if (frame == 12) {
                PushMouseButton(SDL_BUTTON_LEFT, true, 80, 240);
                PushMouseButton(SDL_BUTTON_LEFT, false, 80, 240);
            }
            if (frame == 14) {
                hx.gui_Calc();
                sawBarPress = hx.mouse_Down(0) != 0;
                PushMouseButton(SDL_BUTTON_LEFT, true, 160 + 320, 240);
                PushMouseButton(SDL_BUTTON_LEFT, false, 160 + 320, 240);
            }
            if (frame < 16) return true;
            hx.gui_Calc();
            EXPECT_PRED2(Near, ReadPixel(0, 0), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(159, 119), 0xFF0000u);
            EXPECT_PRED2(Near, ReadPixel(160, 119), 0x00FF00u);
            EXPECT_PRED2(Near, ReadPixel(0, 239), 0x0000FFu);
            EXPECT_PRED2(Near, ReadPixel(319, 239), 0xFFFFFFu);
            return false;
        }));
    EXPECT_FALSE(sawBarPress) << "a press in the bar reached the game";
    EXPECT_EQ(clicks, 1) << "the bar must hit nothing and the scaled button must be hit once";
}

}  // namespace
