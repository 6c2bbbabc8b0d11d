// png_io.h - PNG in and out of memory through libpng, and small file helpers.
//
// Writing is deterministic: fixed compression settings and no time, gamma
// or text chunks, so the same pixels always give the same bytes.
#ifndef BROVASK_ASSETS_PNG_IO_H
#define BROVASK_ASSETS_PNG_IO_H

#include <cstdint>
#include <string>
#include <vector>

namespace art {

// RGBA8 rows top to bottom -> PNG bytes. Returns false and fills error on failure.
bool EncodePng(const std::vector<uint8_t>& rgba, int width, int height, std::vector<uint8_t>& png,
               std::string& error);

struct DecodedPng {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // always expanded to 8-bit RGBA
};
// PNG bytes -> RGBA8. Any PNG colour type is expanded. On a damaged or
// truncated image returns false and says why in error.
bool DecodePng(const uint8_t* data, size_t size, DecodedPng& out, std::string& error);

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace art

#endif
