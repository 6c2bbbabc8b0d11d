// font.cpp - the engine's bitmap font format and text drawing.
//
// Font file (engine.pak), all numbers little-endian:
//   offset 0  char[4]  magic "HXF1"
//          4  u16      line height in pixels (at scale 1)
//          6  u16      baseline: pixels from the top of a line to the baseline
//          8  u16      page count P (1..16)
//         10  u16      glyph count N
//         12  N glyph records of 16 bytes each:
//               u32 code point (at least 32..126 present)
//               u8  page index (0-based), u8 reserved 0
//               u16 x, u16 y      top-left of the glyph's box in its page
//               u8  w, u8 h       box size in pixels (0 x 0 for a space)
//               i8  dx, i8 dy     offset of the box from the pen: x from the pen
//                                 position, y from the top of the line
//               u8  advance       pen advance in pixels
//               u8  reserved 0
//   then P pages, each: u32 byte length, then a PNG (white glyphs, coverage
//   in the alpha channel).
//
// font_LoadFromMemory returns a font record whose Pages array holds the P page
// textures; the game may put a texture of its own with the same glyph layout
// in their place. text_DrawEx draws each glyph box scaled by scale, advances
// the pen by advance * scale plus spacing pixels between letters, tints the
// white glyphs with the colour and applies the alpha. Flag 2 centres the line
// horizontally on x; y is the top of the line. Text is UTF-8; a character the
// font lacks is drawn as '?' when the font has one, else skipped.
#include <cstring>
#include <memory>

#include "internal.h"

namespace hx {
namespace {

constexpr size_t kHeaderSize = 12;
constexpr size_t kGlyphSize = 16;
constexpr uint32_t kMaxPages = 16;

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Next code point of UTF-8 text; a byte that starts no valid sequence stands
// for itself (Latin-1), so any byte string draws something sensible.
uint32_t NextCodePoint(const unsigned char*& s) {
    unsigned c = *s++;
    if (c < 0x80) return c;
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0xF8) extra = 0;
    uint32_t cp = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((s[i] & 0xC0) != 0x80) return c;
    }
    for (int i = 0; i < extra; ++i) cp = (cp << 6) | (*s++ & 0x3F);
    return extra ? cp : c;
}

const FontMetrics* Metrics(HxFont font) {
    return font ? static_cast<const FontMetrics*>(font->Private) : nullptr;
}

const Glyph* FindGlyph(const FontMetrics& m, uint32_t cp) {
    auto it = m.Glyphs.find(cp);
    if (it == m.Glyphs.end()) it = m.Glyphs.find('?');
    return it == m.Glyphs.end() ? nullptr : &it->second;
}

}  // namespace

float TextWidth(HxFont font, float scale, float spacing, const char* text) {
    const FontMetrics* m = Metrics(font);
    if (!m || !text) return 0;
    float width = 0;
    int letters = 0;
    for (auto s = reinterpret_cast<const unsigned char*>(text); *s;) {
        const Glyph* g = FindGlyph(*m, NextCodePoint(s));
        if (!g) continue;
        width += g->Advance * scale;
        ++letters;
    }
    return letters > 1 ? width + spacing * float(letters - 1) : width;
}

float LineHeight(HxFont font, float scale) {
    const FontMetrics* m = Metrics(font);
    return m ? m->LineHeight * scale : 0;
}

}  // namespace hx

using namespace hx;

extern "C" {

HxFont font_LoadFromMemory(MemoryStream* stream) {
    if (!stream || !stream->Data) Fatal("font_LoadFromMemory: no font data given");
    std::string name = StreamName(stream);
    std::string what = name.empty() ? "font" : "font \"" + name + "\"";
    const uint8_t* data = stream->Data;
    size_t size = StreamLimit(stream);
    auto bad = [&](const std::string& problem) { Fatal("cannot load " + what + ": " + problem); };

    if (size < kHeaderSize || std::memcmp(data, "HXF1", 4) != 0)
        bad("not a Halvex font (magic \"HXF1\" missing)");
    // Everything is held here until the whole font has been read: a refusal
    // leaves nothing behind when Fatal does not end the process (the fuzz
    // target's does not).
    auto metrics = std::make_unique<FontMetrics>();
    metrics->LineHeight = U16(data + 4);
    metrics->Baseline = U16(data + 6);
    uint32_t pages = U16(data + 8);
    uint32_t glyphs = U16(data + 10);
    if (pages < 1 || pages > kMaxPages) bad("page count " + std::to_string(pages) + " is outside 1..16");
    if (glyphs == 0) bad("the font has no glyphs");
    if (size < kHeaderSize + size_t(glyphs) * kGlyphSize)
        bad("file ends inside the glyph table (" + std::to_string(glyphs) + " glyphs declared)");

    std::vector<Glyph> table(glyphs);
    std::vector<uint32_t> codes(glyphs);
    for (uint32_t i = 0; i < glyphs; ++i) {
        const uint8_t* r = data + kHeaderSize + size_t(i) * kGlyphSize;
        codes[i] = U32(r);
        Glyph& g = table[i];
        g.Page = r[4];
        g.X = U16(r + 6);
        g.Y = U16(r + 8);
        g.W = r[10];
        g.H = r[11];
        g.Dx = int8_t(r[12]);
        g.Dy = int8_t(r[13]);
        g.Advance = r[14];
        if (g.Page >= pages)
            bad("glyph " + std::to_string(codes[i]) + " refers to page " + std::to_string(g.Page) + " of " +
                std::to_string(pages));
        metrics->Glyphs[codes[i]] = g;
    }

    std::vector<Texture> pageTextures(pages);
    size_t offset = kHeaderSize + size_t(glyphs) * kGlyphSize;
    for (uint32_t p = 0; p < pages; ++p) {
        if (size - offset < 4) bad("file ends before page " + std::to_string(p + 1));
        uint32_t length = U32(data + offset);
        offset += 4;
        if (size - offset < length)
            bad("page " + std::to_string(p + 1) + " claims " + std::to_string(length) + " bytes but only " +
                std::to_string(size - offset) + " remain");
        Texture& t = pageTextures[p];
        std::string reason;
        if (!DecodePng(data + offset, length, 0, false, t, reason))
            bad("page " + std::to_string(p + 1) + ": " + reason);
        // Every glyph box must lie inside its page.
        for (uint32_t i = 0; i < glyphs; ++i) {
            const Glyph& g = table[i];
            if (g.Page == p && (g.X + g.W > t.Width || g.Y + g.H > t.Height))
                bad("glyph " + std::to_string(codes[i]) + " lies outside page " + std::to_string(p + 1));
        }
        offset += length;
    }
    auto record = new HxFontRecord;
    record->PageCount = pages;
    record->Pages = new HxTexture[pages];
    record->Private = metrics.release();
    for (uint32_t p = 0; p < pages; ++p) record->Pages[p] = AddTexture(std::move(pageTextures[p]));
    return record;
}

void text_DrawEx(HxFont font, float x, float y, float scale, float spacing, const char* text, uint8_t alpha,
                 uint32_t colour, uint32_t flags) {
    const FontMetrics* m = Metrics(font);
    if (!m || !text || !font->Pages) return;
    if (flags & HX_TEXT_ALIGN_CENTER) x -= TextWidth(font, scale, spacing, text) / 2;
    float pen = x;
    for (auto s = reinterpret_cast<const unsigned char*>(text); *s;) {
        const Glyph* g = FindGlyph(*m, NextCodePoint(s));
        if (!g) continue;
        if (g->W && g->H && g->Page < font->PageCount) {
            Texture* page = GetTexture(font->Pages[g->Page]);
            // A replacement page smaller than the glyph layout draws only
            // what it holds.
            if (page && g->X + g->W <= page->Width && g->Y + g->H <= page->Height) {
                SDL_Rect src{g->X, g->Y, g->W, g->H};
                DrawTexturePart(*page, src, pen + g->Dx * scale, y + g->Dy * scale, g->W * scale,
                                g->H * scale, 0, alpha, true, false, colour);
            }
        }
        pen += g->Advance * scale + spacing;
    }
}

}  // extern "C"
