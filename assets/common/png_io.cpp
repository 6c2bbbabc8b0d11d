// png_io.cpp - libpng wrappers working on memory buffers.
#include "png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "halvex_api.h"

namespace art {

namespace {

struct WriteState {
    std::vector<uint8_t>* out;
};

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
    state->out->insert(state->out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

struct ReadState {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep dest, png_size_t length) {
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (length > state->size - state->pos) png_error(png, "image data ends early");
    std::memcpy(dest, state->data + state->pos, length);
    state->pos += length;
}

// libpng reports through longjmp; keep the message for the caller.
void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool EncodePng(const std::vector<uint8_t>& rgba, int width, int height, std::vector<uint8_t>& png_bytes,
               std::string& error) {
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * height * 4) {
        error = "pixel buffer does not match the image size";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (!png) {
        error = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    png_bytepp rows = nullptr;
    std::vector<png_bytep> row_pointers(static_cast<size_t>(height));
    png_bytes.clear();
    WriteState state{&png_bytes};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &state, WriteToVector, FlushNothing);
    png_set_compression_level(png, 9);
    png_set_compression_strategy(png, 0);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    for (int y = 0; y < height; ++y) row_pointers[size_t(y)] = const_cast<png_bytep>(&rgba[size_t(y) * width * 4]);
    rows = row_pointers.data();
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, DecodedPng& out, std::string& error) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        error = "not a PNG image (bad signature)";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (!png) {
        error = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    ReadState state{data, size, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &state, ReadFromMemory);
    // Refuse absurd sizes before allocating for them: the engine takes no
    // bigger image either.
    png_set_user_limits(png, HX_MAX_IMAGE_EDGE, HX_MAX_IMAGE_EDGE);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    int colour = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colour & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unsupported PNG layout");
    out.width = int(w);
    out.height = int(h);
    out.rgba.assign(size_t(w) * h * 4, 0);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = &out.rgba[size_t(y) * w * 4];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) {
        error = path + ": cannot open for reading";
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    if (std::ferror(f.get())) {
        error = path + ": read error";
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    // Write beside the target and rename, so an interrupted build never leaves
    // half a file that looks finished.
    std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = path + ": cannot open for writing";
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        error = path + ": write failed";
        return false;
    }
    return true;
}

}  // namespace art
