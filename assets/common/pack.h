// pack.h - the game's two container formats.
//
// The asset pack (data.pak) is a plain run of entries, each a 4-byte
// little-endian length followed by that many bytes of PNG; entries are
// numbered from 1 in file order.
//
// The font file (engine.pak), all little-endian:
//   0  char[4] "HXF1"
//   4  u16 line height in pixels
//   6  u16 baseline, pixels from the top of the line
//   8  u16 page count P (1..16)
//  10  u16 glyph count N
//  12  N glyph records of 16 bytes:
//        u32 code point; u8 page; u8 0; u16 x; u16 y (top-left of the box in
//        its page); u8 w; u8 h (0 x 0 for a blank); i8 dx; i8 dy (box offset
//        from the pen: x from the pen position, y from the top of the line);
//        u8 advance; u8 0
//  then P pages, each a u32 byte length followed by a PNG.
// A line of text is laid out by starting the pen at x and moving it by each
// glyph's advance times the scale plus the letter spacing.
#ifndef BROVASK_ASSETS_PACK_H
#define BROVASK_ASSETS_PACK_H

#include <cstdint>
#include <string>
#include <vector>

namespace art {

using Bytes = std::vector<uint8_t>;

Bytes BuildPack(const std::vector<Bytes>& entries);
// Splits a pack into its entries. A length that runs past the end of the
// file is an error (named by entry number and offset), not a short read.
bool ParsePack(const Bytes& pack, std::vector<Bytes>& entries, std::string& error);

struct Glyph {
    uint32_t code = 0;
    uint8_t page = 0;
    uint16_t x = 0, y = 0;
    uint8_t w = 0, h = 0;
    int8_t dx = 0, dy = 0;
    uint8_t advance = 0;
};

struct FontFile {
    uint16_t line_height = 0;
    uint16_t baseline = 0;
    std::vector<Glyph> glyphs;
    std::vector<Bytes> pages;  // PNG bytes
    const Glyph* Find(uint32_t code) const;
};

Bytes BuildFont(const FontFile& font);
bool ParseFont(const Bytes& data, FontFile& font, std::string& error);

// Where a line of text ends when laid out like the engine does: the larger
// of the final pen position and the right edge of the last inked box.
// Characters the font lacks advance nothing.
float TextRight(const FontFile& font, const std::string& text, float x, float scale, float spacing);
float TextWidth(const FontFile& font, const std::string& text, float scale, float spacing);

}  // namespace art

#endif
