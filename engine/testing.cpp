// testing.cpp - what only the engine's tests and fuzz targets call (testing.h);
// not a source of halvex.dll.
#include "testing.h"

#include "internal.h"

namespace hx {

void FreeFont(HxFont font) {
    if (!font) return;
    for (uint32_t p = 0; p < font->PageCount; ++p) DropTexture(font->Pages[p]);
    delete static_cast<const FontMetrics*>(font->Private);
    delete[] font->Pages;
    delete font;
}

}  // namespace hx
