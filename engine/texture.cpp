// texture.cpp - textures: PNG decoding through libpng, the colour key, and
// frames.
//
// A texture keeps its decoded RGBA pixels for the whole run and makes its
// SDL texture on first use by the current renderer, so textures loaded before
// the window opens, or kept across two runs of the loop, still draw.
//
// Frames: tex_SetFrameSize cuts the image into frame_width x frame_height
// cells, numbered from 1 left to right, then top to bottom. A texture without
// a frame size, or with one that does not fit the image, has a single frame,
// the whole image. Frame numbers past the last wrap round (frame count + 1 is
// frame 1 again) and frame 0 counts as frame 1, so a running animation
// counter never draws garbage.
#include <png.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "internal.h"

namespace hx {
namespace {

std::vector<std::unique_ptr<Texture>> Textures;

// Images beyond this edge length are refused rather than allocated.
constexpr uint32_t kMaxTextureEdge = HX_MAX_IMAGE_EDGE;

}  // namespace

Texture* GetTexture(HxTexture id) {
    if (id == 0 || id > Textures.size()) return nullptr;
    return Textures[id - 1].get();
}

HxTexture AddTexture(Texture&& t) {
    Textures.push_back(std::make_unique<Texture>(std::move(t)));
    return HxTexture(Textures.size());
}

void DropTexture(HxTexture id) {
    if (id == 0 || id > Textures.size() || !Textures[id - 1]) return;
    Texture& t = *Textures[id - 1];
    if (t.Gpu) SDL_DestroyTexture(t.Gpu);
    for (SDL_Texture* m : t.Mirrored)
        if (m) SDL_DestroyTexture(m);
    for (Texture::Faded& f : t.FadedCopies) SDL_DestroyTexture(f.Tex);
    Textures[id - 1].reset();
    while (!Textures.empty() && !Textures.back()) Textures.pop_back();
}

namespace {

SDL_Texture* MakeRendererTexture(int width, int height, const uint8_t* rgba) {
    SDL_Texture* tex =
        SDL_CreateTexture(Engine.Renderer, Engine.TextureFormat, SDL_TEXTUREACCESS_STATIC, width, height);
    if (!tex) return nullptr;
    if (Engine.TextureFormat == SDL_PIXELFORMAT_RGBA32) {
        SDL_UpdateTexture(tex, nullptr, rgba, width * 4);
    } else {
        std::vector<uint8_t> converted(size_t(width) * size_t(height) * 4);
        SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGBA32, rgba, width * 4, Engine.TextureFormat,
                          converted.data(), width * 4);
        SDL_UpdateTexture(tex, nullptr, converted.data(), width * 4);
    }
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    // Nearest sampling keeps pixel art exact when it is drawn at its size.
    SDL_SetTextureScaleMode(tex, SDL_ScaleModeNearest);
    return tex;
}

}  // namespace

SDL_Texture* GpuTexture(Texture& t) {
    if (!Engine.Renderer) return nullptr;
    if (!t.Gpu) t.Gpu = MakeRendererTexture(t.Width, t.Height, t.Pixels.data());
    return t.Gpu;
}

SDL_Texture* MirroredTexture(Texture& t, int flip) {
    if (!Engine.Renderer || flip < 1 || flip > 3) return nullptr;
    SDL_Texture*& slot = t.Mirrored[flip - 1];
    if (!slot) {
        bool fx = flip & SDL_FLIP_HORIZONTAL, fy = flip & SDL_FLIP_VERTICAL;
        const size_t w = size_t(t.Width), h = size_t(t.Height);
        std::vector<uint8_t> pixels(t.Pixels.size());
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                std::memcpy(&pixels[(y * w + x) * 4],
                            &t.Pixels[((fy ? h - 1 - y : y) * w + (fx ? w - 1 - x : x)) * 4], 4);
        slot = MakeRendererTexture(t.Width, t.Height, pixels.data());
    }
    return slot;
}

SDL_Texture* FadedTexture(Texture& t, uint8_t alpha) {
    constexpr size_t kMaxFadedCopies = 4;
    if (!Engine.Renderer) return nullptr;
    for (const Texture::Faded& f : t.FadedCopies)
        if (f.Alpha == alpha) return f.Tex;
    if (t.FadedCopies.size() >= kMaxFadedCopies) return nullptr;
    std::vector<uint8_t> pixels(t.Pixels);
    // The same integer rule as the blitter's alpha modulation.
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = uint8_t(unsigned(pixels[i]) * alpha / 255);
    SDL_Texture* tex = MakeRendererTexture(t.Width, t.Height, pixels.data());
    if (tex) t.FadedCopies.push_back({alpha, tex});
    return tex;
}

void ReleaseGpuTextures() {
    for (auto& t : Textures) {
        if (!t) continue;  // dropped
        if (t->Gpu) SDL_DestroyTexture(t->Gpu);
        t->Gpu = nullptr;
        for (SDL_Texture*& m : t->Mirrored) {
            if (m) SDL_DestroyTexture(m);
            m = nullptr;
        }
        for (Texture::Faded& f : t->FadedCopies) SDL_DestroyTexture(f.Tex);
        t->FadedCopies.clear();
    }
}

int FrameCount(const Texture& t) {
    if (t.FrameWidth <= 0 || t.FrameHeight <= 0 || t.FrameWidth > t.Width || t.FrameHeight > t.Height)
        return 1;
    return (t.Width / t.FrameWidth) * (t.Height / t.FrameHeight);
}

SDL_Rect FrameRect(const Texture& t, int frame) {
    int count = FrameCount(t);
    if (count == 1) return SDL_Rect{0, 0, t.Width, t.Height};
    int index = frame < 1 ? 0 : (frame - 1) % count;
    int columns = t.Width / t.FrameWidth;
    return SDL_Rect{(index % columns) * t.FrameWidth, (index / columns) * t.FrameHeight, t.FrameWidth,
                    t.FrameHeight};
}

bool DecodePng(const uint8_t* data, size_t size, uint32_t colour_key, bool use_key, Texture& out,
               std::string& reason) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        reason = "not a PNG image (bad signature)";
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        reason = image.message[0] ? image.message : "unreadable PNG header";
        png_image_free(&image);
        return false;
    }
    // The size is checked from the header, before any pixel buffer exists:
    // against the largest texture the renderer can hold, and against what
    // the file can possibly contain (deflate packs at most 1032 bytes into
    // one), so a few bytes announcing a huge image never cost its memory.
    uint32_t max_width = kMaxTextureEdge, max_height = kMaxTextureEdge;
    SDL_RendererInfo info;
    if (Engine.Renderer && SDL_GetRendererInfo(Engine.Renderer, &info) == 0) {
        if (info.max_texture_width > 0) max_width = std::min(max_width, uint32_t(info.max_texture_width));
        if (info.max_texture_height > 0) max_height = std::min(max_height, uint32_t(info.max_texture_height));
    }
    const std::string size_text = std::to_string(image.width) + "x" + std::to_string(image.height);
    if (image.width == 0 || image.height == 0) {
        reason = "image size " + size_text + " is out of range";
    } else if (image.width > max_width || image.height > max_height) {
        reason = "image size " + size_text + " is larger than the largest texture (" + std::to_string(max_width) +
                 "x" + std::to_string(max_height) + ")";
    } else {
        constexpr uint64_t kDeflateMaxRatio = 1032;
        // Rows of one bit a pixel plus their filter byte: the least any image
        // of this size unpacks to.
        uint64_t least_row = (uint64_t(image.width) + 7) / 8 + 1;
        uint64_t least_packed = uint64_t(image.height) * least_row / kDeflateMaxRatio;
        if (least_packed > size)
            reason = "a " + size_text + " image cannot fit in " + std::to_string(size) +
                     " bytes (the image data is missing or cut short)";
    }
    if (!reason.empty()) {
        png_image_free(&image);
        return false;
    }
    // Sixteen-bit samples without gamma information are sRGB like every
    // other image here; libpng would otherwise take them as linear and
    // lighten them on the way to 8 bits.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        reason = image.message[0] ? image.message : "corrupt PNG data";
        png_image_free(&image);
        return false;
    }
    if (use_key) {
        uint8_t kr = uint8_t(colour_key >> 16), kg = uint8_t(colour_key >> 8), kb = uint8_t(colour_key);
        for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
            if (pixels[i] == kr && pixels[i + 1] == kg && pixels[i + 2] == kb) {
                pixels[i] = pixels[i + 1] = pixels[i + 2] = pixels[i + 3] = 0;
            }
        }
    }
    out.Opaque = true;
    for (size_t i = 3; i < pixels.size(); i += 4)
        if (pixels[i] != 255) {
            out.Opaque = false;
            break;
        }
    out.Width = int(image.width);
    out.Height = int(image.height);
    out.Pixels = std::move(pixels);
    out.FrameWidth = out.FrameHeight = 0;
    out.Gpu = nullptr;
    return true;
}

}  // namespace hx

using namespace hx;

extern "C" {

// The flags (the game passes 0x432) are accepted and not used: every texture
// is clamped, sampled nearest and keeps its own alpha. A colour key with any
// bit above 0xFFFFFF set means "no colour key".
HxTexture tex_LoadFromMemory(MemoryStream* stream, const char* extension, uint32_t colour_key, uint32_t) {
    if (!stream || !stream->Data) Fatal("tex_LoadFromMemory: no image data given");
    uint32_t limit = StreamLimit(stream);
    std::string name = StreamName(stream);
    std::string what = name.empty() ? "texture from a " + std::to_string(limit) + "-byte stream"
                                    : "texture \"" + name + "\"";
    if (extension && strcasecmp(extension, "png") != 0)
        Fatal("cannot load " + what + ": format \"" + extension + "\" is not supported (only png)");
    Texture t;
    std::string reason;
    if (!DecodePng(stream->Data, limit, colour_key, colour_key <= 0xFFFFFF, t, reason))
        Fatal("cannot load " + what + ": " + reason);
    return AddTexture(std::move(t));
}

// Keeps the same handle; the caller's variable is left as it is.
void tex_SetFrameSize(HxTexture* texture, uint16_t frame_width, uint16_t frame_height) {
    if (!texture) return;
    Texture* t = GetTexture(*texture);
    if (!t) return;
    t->FrameWidth = frame_width;
    t->FrameHeight = frame_height;
}

}  // extern "C"
