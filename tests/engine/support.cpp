// support.cpp - loading the engine by name, PNG and font files in memory, and
// the window harness for the engine tests.
#include "support.h"

#include <SDL.h>
#include <dlfcn.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

const Halvex& Engine() {
    static Halvex hx = [] {
        Halvex h;
        void* lib = dlopen(HALVEX_DLL, RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            std::fprintf(stderr, "cannot load %s: %s\n", HALVEX_DLL, dlerror());
            std::abort();
        }
#define HX_FN(ret, name, params, game) h.name = reinterpret_cast<PFN_##name>(dlsym(lib, #name));
        HALVEX_EXPORTS(HX_FN)
#undef HX_FN
        return h;
    }();
    return hx;
}

namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

}  // namespace

std::vector<uint8_t> MakePng(int width, int height, const std::vector<uint32_t>& rgba, PngKind kind) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, WriteToVector, nullptr);
    int colour_type = kind == PngKind::Grey      ? PNG_COLOR_TYPE_GRAY
                      : kind == PngKind::Palette ? PNG_COLOR_TYPE_PALETTE
                      : kind == PngKind::Rgb     ? PNG_COLOR_TYPE_RGB
                                                 : PNG_COLOR_TYPE_RGBA;
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::map<uint32_t, int> index;
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    if (kind == PngKind::Palette) {
        for (uint32_t c : rgba) {
            if (index.count(c)) continue;
            index[c] = int(palette.size());
            palette.push_back(png_color{png_byte(c >> 24), png_byte(c >> 16), png_byte(c >> 8)});
            alphas.push_back(png_byte(c));
        }
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    }
    png_write_info(png, info);
    int channels = kind == PngKind::Rgba ? 4 : kind == PngKind::Rgb ? 3 : 1;
    std::vector<png_byte> row(size_t(width) * size_t(channels));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = rgba[size_t(y) * size_t(width) + size_t(x)];
            png_byte* p = &row[size_t(x) * size_t(channels)];
            if (kind == PngKind::Palette)
                p[0] = png_byte(index[c]);
            else if (kind == PngKind::Grey)
                p[0] = png_byte(c >> 24);
            else
                for (int k = 0; k < channels; ++k) p[k] = png_byte(c >> (24 - 8 * k));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

MemoryStream StreamOf(const std::vector<uint8_t>& bytes) {
    auto* block = new uint8_t[bytes.size() + 1];
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    return MemoryStream{block, uint32_t(bytes.size()), 0};
}

HxTexture LoadTexture(int width, int height, const std::vector<uint32_t>& rgba, PngKind kind,
                      uint32_t colour_key) {
    MemoryStream s = StreamOf(MakePng(width, height, rgba, kind));
    return Engine().tex_LoadFromMemory(&s, "png", colour_key, 0x432);
}

namespace {

std::vector<uint32_t> FontPagePixels(uint32_t glyph_colour) {
    std::vector<uint32_t> page(32 * 8, 0xFFFFFF00);  // white, no coverage
    auto block = [&](int x0, int y0, int w, int h) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) page[size_t(y) * 32 + size_t(x)] = glyph_colour;
    };
    block(0, 0, 4, 6);  // A
    block(4, 0, 4, 6);  // B
    block(8, 0, 2, 2);  // ?
    return page;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

}  // namespace

std::vector<uint8_t> MakeTestFont(uint32_t glyph_colour) {
    struct G {
        uint32_t code;
        int x, y, w, h, dx, dy, adv;
    };
    const G glyphs[] = {{'A', 0, 0, 4, 6, 0, 1, 5},
                        {'B', 4, 0, 4, 6, 1, 1, 6},
                        {' ', 0, 0, 0, 0, 0, 0, 3},
                        {'?', 8, 0, 2, 2, 0, 0, 3}};
    std::vector<uint8_t> f = {'H', 'X', 'F', '1'};
    Put16(f, 8);
    Put16(f, 7);
    Put16(f, 1);
    Put16(f, 4);
    for (const G& g : glyphs) {
        Put32(f, g.code);
        f.push_back(0);
        f.push_back(0);
        Put16(f, uint32_t(g.x));
        Put16(f, uint32_t(g.y));
        f.push_back(uint8_t(g.w));
        f.push_back(uint8_t(g.h));
        f.push_back(uint8_t(int8_t(g.dx)));
        f.push_back(uint8_t(int8_t(g.dy)));
        f.push_back(uint8_t(g.adv));
        f.push_back(0);
    }
    std::vector<uint8_t> page = MakePng(32, 8, FontPagePixels(glyph_colour));
    Put32(f, uint32_t(page.size()));
    f.insert(f.end(), page.begin(), page.end());
    return f;
}

HxTexture MakeTestFontPage(uint32_t glyph_colour) {
    return LoadTexture(32, 8, FontPagePixels(glyph_colour), PngKind::Rgba, 0xFF000000u);
}

Rgba ReadPixel(int x, int y) {
    uint8_t p[4] = {};
    Engine().scr_ReadPixels(p, x, y, 1, 1);
    return Rgba{p[0], p[1], p[2], p[3]};
}

bool NearWithin(Rgba p, uint32_t rgb, int tolerance) {
    return std::abs(p.r - int((rgb >> 16) & 255)) <= tolerance &&
           std::abs(p.g - int((rgb >> 8) & 255)) <= tolerance && std::abs(p.b - int(rgb & 255)) <= tolerance;
}

std::string Describe(Rgba p) {
    char s[32];
    std::snprintf(s, sizeof s, "rgb(%d,%d,%d)", p.r, p.g, p.b);
    return s;
}

namespace {

std::function<void()> CurrentLoad;
std::function<bool(int)> CurrentDraw;
int FrameNumber = 0;
int WatchdogTicks = 0;
int WatchdogLimit = 0;
bool TimedOut = false;

void OnLoad() {
    if (CurrentLoad) CurrentLoad();
}
void OnDraw() {
    ++FrameNumber;
    if (CurrentDraw && !CurrentDraw(FrameNumber)) Engine().engine_stop();
}
void OnWatchdog() {
    if (++WatchdogTicks > WatchdogLimit) {
        TimedOut = true;
        Engine().engine_stop();
    }
}

}  // namespace

bool RunWindow(const std::function<void()>& load, const std::function<bool(int)>& draw, int width, int height,
               int timeout_ms) {
    static HxTimer watchdog = Engine().timer_Add(OnWatchdog, 100);
    (void)watchdog;
    const Halvex& hx = Engine();
    CurrentLoad = load;
    CurrentDraw = draw;
    FrameNumber = 0;
    WatchdogTicks = 0;
    WatchdogLimit = timeout_ms / 100;
    TimedOut = false;
    hx.engine_device(HX_EVENT_LOAD, OnLoad);
    hx.engine_device(HX_EVENT_DRAW, OnDraw);
    hx.scr_SetOptions(uint32_t(width), uint32_t(height), 0, 0, 0);
    hx.engine_start(0, 0);
    CurrentLoad = nullptr;
    CurrentDraw = nullptr;
    return !TimedOut;
}

void PushMouseMove(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
}

void PushMouseButton(int button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = uint8_t(button);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
}

void PushKey(int sdl_scancode, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = SDL_Scancode(sdl_scancode);
    SDL_PushEvent(&e);
}
