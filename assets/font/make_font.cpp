// make_font - rasterises the game's font at build time.
//
//   make_font <font.ttf> <pixel size> <glyph page.png> <engine.pak>
//
// Every printable ASCII character (32..126) is hinted and rendered by
// FreeType, packed row by row into one 256 x 256 page of white pixels whose
// alpha is the glyph coverage (so the engine can tint text any colour), and
// described in engine.pak. The page is written twice: inside engine.pak as
// page 0 and on its own, for the art generator to put into the asset pack as
// entry 1. Exit code 1 with a message naming the file on any failure.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pack.h"
#include "png_io.h"
#include "raster.h"
#include "text.h"

namespace {

constexpr int kPageSize = 256;
constexpr uint32_t kFirstCode = 32, kLastCode = 126;
// Empty pixels between boxes, so filtering never picks up a neighbour.
constexpr int kGap = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "make_font: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return Fail("usage: make_font <font.ttf> <pixel size> <glyph page.png> <engine.pak>");
    const std::string ttf = argv[1], page_path = argv[3], font_path = argv[4];
    char* end = nullptr;
    long size = std::strtol(argv[2], &end, 10);
    if (!end || *end || size < 6 || size > 48) return Fail(std::string("pixel size '") + argv[2] + "' not in 6..48");

    art::TextFace face(ttf, int(size));
    if (!face.Ok()) return Fail(face.Error());

    art::FontFile font;
    font.line_height = uint16_t(face.LineHeight());
    font.baseline = uint16_t(face.Ascender());
    art::Image page(kPageSize, kPageSize);

    int pen_x = kGap, pen_y = kGap, shelf = 0;
    for (uint32_t code = kFirstCode; code <= kLastCode; ++code) {
        art::RenderedGlyph rg;
        if (!face.Render(code, rg)) return Fail(ttf + ": no glyph for character " + std::to_string(code));
        art::Glyph g;
        g.code = code;
        g.advance = uint8_t(rg.advance);
        if (rg.width > 0 && rg.height > 0) {
            if (pen_x + rg.width + kGap > kPageSize) {
                pen_x = kGap;
                pen_y += shelf + kGap;
                shelf = 0;
            }
            if (pen_y + rg.height + kGap > kPageSize) return Fail(ttf + ": glyphs do not fit one page at this size");
            g.x = uint16_t(pen_x);
            g.y = uint16_t(pen_y);
            g.w = uint8_t(rg.width);
            g.h = uint8_t(rg.height);
            g.dx = int8_t(rg.left);
            g.dy = int8_t(font.baseline - rg.top);
            for (int j = 0; j < rg.height; ++j)
                for (int i = 0; i < rg.width; ++i)
                    page.At(pen_x + i, pen_y + j) =
                        art::Hex(0xFFFFFF, rg.coverage[size_t(j) * rg.width + i] / 255.0f);
            pen_x += rg.width + kGap;
            shelf = std::max(shelf, rg.height);
        }
        font.glyphs.push_back(g);
    }

    std::vector<uint8_t> png;
    std::string error;
    // Empty pixels stay white too: only alpha carries the glyphs.
    if (!art::EncodePng(page.ToRgba8(0xFFFFFF), kPageSize, kPageSize, png, error)) return Fail(page_path + ": " + error);
    font.pages.push_back(png);
    if (!art::WriteFile(page_path, png, error)) return Fail(error);
    if (!art::WriteFile(font_path, art::BuildFont(font), error)) return Fail(error);
    return 0;
}
