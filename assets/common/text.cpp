// text.cpp - FreeType face wrapper. Glyphs are hinted at whole pixels, so
// small captions stay crisp and every advance is an integer.
#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace art {

struct TextFace::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

TextFace::TextFace(const std::string& path, int pixel_size) : impl_(new Impl) {
    if (FT_Init_FreeType(&impl_->library) != 0) {
        error_ = "FreeType could not start";
        return;
    }
    if (FT_New_Face(impl_->library, path.c_str(), 0, &impl_->face) != 0) {
        error_ = path + ": cannot open as a font (missing or not TrueType)";
        return;
    }
    if (pixel_size < 4 || pixel_size > 200 || FT_Set_Pixel_Sizes(impl_->face, 0, FT_UInt(pixel_size)) != 0) {
        error_ = path + ": cannot set pixel size " + std::to_string(pixel_size);
        return;
    }
    const FT_Size_Metrics& m = impl_->face->size->metrics;
    ascender_ = int(m.ascender >> 6);
    descender_ = int(-m.descender >> 6);
    line_height_ = int(m.height >> 6);
}

TextFace::~TextFace() {
    if (impl_->face) FT_Done_Face(impl_->face);
    if (impl_->library) FT_Done_FreeType(impl_->library);
}

bool TextFace::Render(uint32_t code, RenderedGlyph& out) {
    out = RenderedGlyph{};
    if (!Ok()) return false;
    if (FT_Load_Char(impl_->face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return false;
    FT_GlyphSlot slot = impl_->face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.width > 0) return false;
    out.width = int(bm.width);
    out.height = int(bm.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.advance = int((slot->advance.x + 32) >> 6);
    out.coverage.resize(size_t(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.coverage[size_t(y) * out.width + x] = bm.buffer[y * bm.pitch + x];
    return true;
}

int TextFace::Measure(const std::string& text) {
    int pen = 0;
    RenderedGlyph g;
    for (unsigned char c : text)
        if (Render(c, g)) pen += g.advance;
    return pen;
}

int TextFace::Draw(Image& img, int x, int y, const std::string& text, Rgba colour) {
    int pen = x;
    RenderedGlyph g;
    for (unsigned char c : text) {
        if (!Render(c, g)) continue;
        for (int j = 0; j < g.height; ++j)
            for (int i = 0; i < g.width; ++i) {
                float cover = g.coverage[size_t(j) * g.width + i] / 255.0f;
                if (cover > 0) img.Blend(pen + g.left + i, y - g.top + j, colour, cover);
            }
        pen += g.advance;
    }
    return pen;
}

void TextFace::DrawCentred(Image& img, int cx, int y, const std::string& text, Rgba colour, Rgba shadow) {
    int x = cx - Measure(text) / 2;
    if (shadow.a > 0) Draw(img, x + 1, y + 1, text, shadow);
    Draw(img, x, y, text, colour);
}

}  // namespace art
