// vars.cpp - shared game state, the asset pack reader, the panel background.
#include "vars.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int32_t Score = 0;
int32_t Money = StartMoney;
int32_t Round = StartRound;
int32_t CycleTick = 0;
int32_t CycleCount = 0;
int32_t Lifes = StartLifes;
int32_t GameMode = ModePlaying;
int32_t Patrons = StartPatrons;
const char* DataDir = "data/";

HxFont GameFont = nullptr;
HxTexture FontPageTexture = 0;
HxTexture PanelTexture = 0;

const char* const PackFileName = "data/data.pak";

// Texture loading parameters of every pack image.
static const char PackImageFormat[] = "png";
constexpr uint32_t PackColourKey = 0xFF00FF;
constexpr uint32_t PackTextureFlags = 1074;

// The pack is read once and kept: every entry number still gives the same
// image, without 27 reads of the whole file at start-up.
static MemoryStream Pack;
static bool PackLoaded = false;

void ForgetPack() {
    Pack = MemoryStream{};
    PackLoaded = false;
}

[[noreturn]] void FatalDataError(const char* file, const char* problem) {
    ReportFatalError(std::string(file) + ": " + problem);
    std::exit(1);
}

static uint32_t PackBytesLeft() {
    return Pack.Position <= Pack.Size ? Pack.Size - Pack.Position : 0;
}

// Reads the 4-byte length of the entry at the pack's position; a pack that
// ends before the length or before the entry's data is an error, so that no
// read ever goes past the file's end.
static uint32_t ReadEntryLength(int32_t entry) {
    if (PackBytesLeft() < 4) {
        std::string problem = "entry " + std::to_string(entry) + " is missing (the pack ends first)";
        FatalDataError(PackFileName, problem.c_str());
    }
    uint8_t bytes[4] = {0, 0, 0, 0};
    mem_Read(&Pack, bytes, 4);
    uint32_t length = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24);
    if (length > PackBytesLeft()) {
        std::string problem = "entry " + std::to_string(entry) + " is truncated (" + std::to_string(length) +
                              " bytes announced, " + std::to_string(PackBytesLeft()) + " left)";
        FatalDataError(PackFileName, problem.c_str());
    }
    return length;
}

// Checks that an entry is a whole, readable PNG image before the engine
// sees it: the engine can only name "a N-byte stream" when an image is
// broken, while here the pack file and the entry number are known. Rows are
// decoded one at a time into a single row buffer, so an image whose header
// announces a huge size costs no more memory than one row.
namespace {

constexpr uint32_t PackImageMaxEdge = HX_MAX_IMAGE_EDGE;

struct PngReadState {
    const uint8_t* data;
    size_t size;
    size_t position;
    jmp_buf failed;
    char message[160];
    png_bytep row;  // set after the setjmp: lives in the caller's frame (see ReadPackImage)
};

void PngReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (count > state->size - state->position) png_error(png, "the image data ends early");
    std::memcpy(out, state->data + state->position, count);
    state->position += count;
}

void PngFail(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngReadState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    longjmp(state->failed, 1);
}

void PngIgnoreWarning(png_structp, png_const_charp) {}

// Reads the whole image; returns "" or what is wrong with it. libpng leaves
// this frame by longjmp: only plain data lives here, and the only values
// set after the setjmp belong to the caller's `state` (a local of this
// frame changed between setjmp and longjmp would be indeterminate after it).
__attribute__((noinline)) std::string ReadPackImage(PngReadState& state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, PngFail, PngIgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return "out of memory reading the image";
    }
    if (setjmp(state.failed)) {
        std::free(state.row);
        png_destroy_read_struct(&png, &info, nullptr);
        return state.message;
    }
    png_set_read_fn(png, &state, PngReadBytes);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > PackImageMaxEdge || height > PackImageMaxEdge)
        png_error(png, "the image size is out of range");
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    state.row = static_cast<png_bytep>(std::malloc(png_get_rowbytes(png, info)));
    if (!state.row) png_error(png, "out of memory reading the image");
    for (int pass = 0; pass < passes; pass++)
        for (png_uint_32 y = 0; y < height; y++) png_read_row(png, state.row, nullptr);
    png_read_end(png, nullptr);
    std::free(state.row);
    png_destroy_read_struct(&png, &info, nullptr);
    return "";
}

// Returns "" for a good image, otherwise what is wrong with it.
std::string PackImageProblem(const uint8_t* data, size_t size) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return "not a PNG image (bad signature)";
    PngReadState state{data, size, 0, {}, {0}, nullptr};
    return ReadPackImage(state);
}

}  // namespace

HxTexture LoadPackTexture(int32_t entry) {
    if (!PackLoaded) {
        Pack = MemoryStream{};
        mem_LoadFromFile(&Pack, PackFileName);
        if (!Pack.Data || Pack.Size == 0) FatalDataError(PackFileName, "missing or empty");
        PackLoaded = true;
    }
    Pack.Position = 0;
    for (int32_t skipped = 1; skipped < entry; skipped++) {
        uint32_t length = ReadEntryLength(skipped);
        mem_Seek(&Pack, static_cast<int32_t>(length), 2);
    }
    int32_t wanted = entry < 1 ? 1 : entry;
    uint32_t length = ReadEntryLength(wanted);

    MemoryStream image{};
    image.Size = length;
    image.Position = 0;
    mem_Get(&image, length);
    mem_Read(&Pack, image.Data, length);
    std::string problem = PackImageProblem(image.Data, length);
    if (!problem.empty()) {
        problem = "entry " + std::to_string(wanted) + " is not a usable PNG image: " + problem;
        FatalDataError(PackFileName, problem.c_str());
    }
    // The entry's block is the engine's; the game never frees engine blocks.
    return tex_LoadFromMemory(&image, PackImageFormat, PackColourKey, PackTextureFlags);
}

// Panel geometry: 64-pixel tiles from (608, 24), three across and nine down.
constexpr float PanelLeft = 608, PanelTop = 24, PanelTileSize = 64;
constexpr int PanelTilesAcross = 3, PanelTilesDown = 9;

void DrawPanelBackground() {
    for (int i = 0; i < PanelTilesAcross; i++)
        for (int j = 0; j < PanelTilesDown; j++)
            spr_sDraw(PanelTexture, PanelLeft + PanelTileSize * i, PanelTop + PanelTileSize * j,
                      PanelTileSize, PanelTileSize, 0, 255, HX_FX_BLEND);
}
