// text.h - FreeType text for the art: rasterised glyph by glyph into an Image.
#ifndef BROVASK_ASSETS_TEXT_H
#define BROVASK_ASSETS_TEXT_H

#include <memory>
#include <string>

#include "raster.h"

namespace art {

struct RenderedGlyph {
    int width = 0, height = 0;  // coverage box
    int left = 0, top = 0;      // box offset: x from the pen, top above the baseline
    int advance = 0;            // whole pixels
    std::vector<uint8_t> coverage;
};

class TextFace {
public:
    // Opens a TrueType file at a pixel size; Ok() tells whether it worked and
    // Error() names the file and the problem when it did not.
    TextFace(const std::string& path, int pixel_size);
    ~TextFace();
    TextFace(const TextFace&) = delete;
    TextFace& operator=(const TextFace&) = delete;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    int Ascender() const { return ascender_; }
    int Descender() const { return descender_; }  // positive, below the baseline
    int LineHeight() const { return line_height_; }

    bool Render(uint32_t code, RenderedGlyph& out);
    int Measure(const std::string& text);
    // Draws text with its baseline at y; returns the pen position after it.
    int Draw(Image& img, int x, int y, const std::string& text, Rgba colour);
    // Centred on cx; also draws a one-pixel shadow when shadow.a > 0.
    void DrawCentred(Image& img, int cx, int y, const std::string& text, Rgba colour, Rgba shadow = {});

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
    int ascender_ = 0, descender_ = 0, line_height_ = 0;
};

}  // namespace art

#endif
