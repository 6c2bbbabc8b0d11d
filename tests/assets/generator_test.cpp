// The generators themselves: the same bytes on every run, and clear failures
// on bad input. Also the toolkit's readers of the pack and font formats,
// which must refuse damaged files with a reason instead of reading past them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "pack.h"
#include "png_io.h"
#include "raster.h"
#include "test_util.h"

using namespace assets_test;

namespace {

const std::string kMakeFont = BROVASK_TEST_MAKE_FONT;
const std::string kMakeArt = BROVASK_TEST_MAKE_ART;
const std::string kFontDir = BROVASK_TEST_FONT_DIR;
const std::string kPixels = std::to_string(BROVASK_TEST_FONT_PIXELS);

TEST(Generators, TwoRunsWriteIdenticalBytesMatchingTheBuild) {
    std::string dir = TempDir(), out;
    for (int run = 1; run <= 2; ++run) {
        std::string r = std::to_string(run);
        ASSERT_EQ(RunCommand(kMakeFont + " " + kFontDir + "/DejaVuSans.ttf " + kPixels + " " + dir + "/page" + r + ".png " + dir +
                          "/engine" + r + ".pak",
                      out),
                  0)
            << out;
        ASSERT_EQ(RunCommand(kMakeArt + " " + kFontDir + " " + dir + "/page" + r + ".png " + dir + "/data" + r + ".pak", out), 0)
            << out;
    }
    Bytes font1 = Slurp(dir + "/engine1.pak"), font2 = Slurp(dir + "/engine2.pak");
    Bytes data1 = Slurp(dir + "/data1.pak"), data2 = Slurp(dir + "/data2.pak");
    ASSERT_FALSE(font1.empty());
    ASSERT_FALSE(data1.empty());
    EXPECT_EQ(font1, font2);
    EXPECT_EQ(data1, data2);
    EXPECT_EQ(font1, Slurp(DataPath("engine.pak")));
    EXPECT_EQ(data1, Slurp(DataPath("data.pak")));
    RunCommand("rm -rf " + dir, out);
}

TEST(Generators, MissingOrBadInputsFailWithTheFileNamed) {
    std::string dir = TempDir(), out;
    EXPECT_EQ(RunCommand(kMakeFont + " /nonexistent/NoSuch.ttf 12 " + dir + "/p.png " + dir + "/e.pak", out), 1);
    EXPECT_NE(out.find("/nonexistent/NoSuch.ttf"), std::string::npos) << out;

    EXPECT_EQ(RunCommand(kMakeFont + " " + kFontDir + "/DejaVuSans.ttf twelve " + dir + "/p.png " + dir + "/e.pak", out), 1);
    EXPECT_NE(out.find("twelve"), std::string::npos) << out;

    EXPECT_EQ(RunCommand(kMakeArt + " " + kFontDir + " " + dir + "/absent.png " + dir + "/d.pak", out), 1);
    EXPECT_NE(out.find(dir + "/absent.png"), std::string::npos) << out;

    // A glyph page that is not a PNG at all.
    RunCommand("echo not-a-png > " + dir + "/junk.png", out);
    EXPECT_EQ(RunCommand(kMakeArt + " " + kFontDir + " " + dir + "/junk.png " + dir + "/d.pak", out), 1);
    EXPECT_NE(out.find("junk.png"), std::string::npos) << out;

    // A font folder without the caption font.
    bool ok = false;
    std::vector<Bytes> entries = SplitPack(Slurp(DataPath("data.pak")), ok);
    ASSERT_TRUE(ok && !entries.empty());
    std::string error;
    ASSERT_TRUE(art::WriteFile(dir + "/page.png", entries[0], error)) << error;
    EXPECT_EQ(RunCommand(kMakeArt + " " + dir + " " + dir + "/page.png " + dir + "/d.pak", out), 1);
    EXPECT_NE(out.find(dir + "/DejaVuSans-Bold.ttf"), std::string::npos) << out;
    EXPECT_EQ(Slurp(dir + "/d.pak").size(), 0u);

    // An output folder that does not exist: failure, and no half-written file.
    EXPECT_EQ(RunCommand(kMakeFont + " " + kFontDir + "/DejaVuSans.ttf 12 " + dir + "/p.png " + dir + "/no/such/e.pak", out), 1);
    EXPECT_NE(out.find("e.pak"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(kMakeFont, out), 1);
    EXPECT_NE(out.find("usage"), std::string::npos) << out;
    RunCommand("rm -rf " + dir, out);
}

TEST(PackFormat, RoundTripsAndRefusesTruncation) {
    std::vector<art::Bytes> entries = {{1, 2, 3}, {}, {9}}, back;
    art::Bytes pack = art::BuildPack(entries);
    ASSERT_EQ(pack.size(), 4u * 3 + 4);
    std::string error;
    ASSERT_TRUE(art::ParsePack(pack, back, error)) << error;
    EXPECT_EQ(back, entries);

    art::Bytes cut(pack.begin(), pack.end() - 1);
    EXPECT_FALSE(art::ParsePack(cut, back, error));
    EXPECT_NE(error.find("entry 3"), std::string::npos) << error;

    art::Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 1};
    EXPECT_FALSE(art::ParsePack(huge, back, error));
    EXPECT_NE(error.find("entry 1"), std::string::npos) << error;

    art::Bytes stub = {1, 0};
    EXPECT_FALSE(art::ParsePack(stub, back, error));
}

TEST(FontFormat, RoundTripsAndRefusesDamagedFiles) {
    art::FontFile font;
    font.line_height = 14;
    font.baseline = 11;
    art::Glyph g;
    g.code = 'A';
    g.x = 3, g.y = 4, g.w = 7, g.h = 9, g.dx = -1, g.dy = 2, g.advance = 8;
    font.glyphs.push_back(g);
    font.pages.push_back({0x89, 'P', 'N', 'G'});
    art::Bytes bytes = art::BuildFont(font);
    ASSERT_EQ(bytes.size(), 12u + 16 + 4 + 4);

    art::FontFile back;
    std::string error;
    ASSERT_TRUE(art::ParseFont(bytes, back, error)) << error;
    ASSERT_EQ(back.glyphs.size(), 1u);
    EXPECT_EQ(back.glyphs[0].dx, -1);
    EXPECT_EQ(back.glyphs[0].dy, 2);
    EXPECT_EQ(back.glyphs[0].advance, 8);
    EXPECT_EQ(back.line_height, 14);
    EXPECT_EQ(back.pages, font.pages);

    art::Bytes cut(bytes.begin(), bytes.end() - 2);
    EXPECT_FALSE(art::ParseFont(cut, back, error));
    EXPECT_NE(error.find("page 0"), std::string::npos) << error;

    art::Bytes wrong = bytes;
    wrong[3] = '2';
    EXPECT_FALSE(art::ParseFont(wrong, back, error));

    art::Bytes no_pages = bytes;
    no_pages[8] = 0;
    EXPECT_FALSE(art::ParseFont(no_pages, back, error));

    art::Bytes bad_page = bytes;
    bad_page[12 + 4] = 3;  // glyph on page 3 of 1
    EXPECT_FALSE(art::ParseFont(bad_page, back, error));

    art::Bytes short_table(bytes.begin(), bytes.begin() + 20);
    EXPECT_FALSE(art::ParseFont(short_table, back, error));
}

TEST(PngCodec, WritesWhatItReadsAndRefusesDamage) {
    std::vector<uint8_t> rgba(5 * 3 * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 7);
    art::Bytes png, again;
    std::string error;
    ASSERT_TRUE(art::EncodePng(rgba, 5, 3, png, error)) << error;
    ASSERT_TRUE(art::EncodePng(rgba, 5, 3, again, error)) << error;
    EXPECT_EQ(png, again);
    art::DecodedPng decoded;
    ASSERT_TRUE(art::DecodePng(png.data(), png.size(), decoded, error)) << error;
    EXPECT_EQ(decoded.width, 5);
    EXPECT_EQ(decoded.height, 3);
    EXPECT_EQ(decoded.rgba, rgba);

    EXPECT_FALSE(art::DecodePng(png.data(), png.size() / 2, decoded, error));
    EXPECT_FALSE(error.empty());
    art::Bytes garbage(64, 0x55);
    EXPECT_FALSE(art::DecodePng(garbage.data(), garbage.size(), decoded, error));
    EXPECT_FALSE(art::EncodePng(rgba, 6, 3, png, error));
}

TEST(Raster, OpaquePixelsNeverComeOutAsTheColourKey) {
    art::Image img(2, 1);
    img.At(0, 0) = art::Hex(0xFF00FF);
    img.At(1, 0) = art::Hex(0xFF00FF, 0.0f);
    std::vector<uint8_t> out = img.ToRgba8();
    EXPECT_FALSE(out[0] == 0xFF && out[1] == 0 && out[2] == 0xFF);
    EXPECT_EQ(out[3], 255);
    EXPECT_EQ(out[7], 0);
}

TEST(Raster, TileNoiseRepeatsOverItsPeriod) {
    for (float y : {0.5f, 17.25f, 100.0f})
        for (float x : {0.5f, 31.0f, 77.7f}) {
            EXPECT_NEAR(art::TileNoise(x, y, 16, 8, 3), art::TileNoise(x + 128, y, 16, 8, 3), 1e-4);
            EXPECT_NEAR(art::TileFbm(x, y, 32, 4, 4, 3), art::TileFbm(x, y + 128, 32, 4, 4, 3), 1e-4);
        }
    // and does vary inside it.
    float first = art::TileNoise(0.5f, 0.5f, 16, 8, 3);
    bool varies = false;
    for (float x = 1; x < 128; x += 5) varies = varies || std::fabs(art::TileNoise(x, 0.5f, 16, 8, 3) - first) > 0.05f;
    EXPECT_TRUE(varies);
}

}  // namespace
