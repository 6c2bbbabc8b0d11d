// fuzz_seeds - writes starting inputs the corpus lacks: small modules whose
// samples are 4-bit delta packed (odd and even lengths, looped and not, with
// notes and effects), and for the engine a small PNG and a one-page font.
//   fuzz_seeds RENDER_DIR IMAGE_FONT_DIR
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "xm_writer.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

XmModule PackedSong(uint32_t length, uint8_t loopType, uint8_t effect, uint8_t parameter) {
    XmModule m;
    m.patterns.push_back(EmptyPattern(8, m.channels));
    XmSample s;
    s.lengthOverride = length;
    s.loopType = loopType;
    s.loopStart = loopType ? length / 4 : 0;
    s.loopLength = loopType ? length / 2 : 0;
    s.packed4.resize(16 + (length + 1) / 2);
    for (int i = 0; i < 16; i++) s.packed4[i] = uint8_t(i < 8 ? i * 9 : 256 - (i - 7) * 9);
    for (size_t i = 16; i < s.packed4.size(); i++) s.packed4[i] = uint8_t(i * 37);
    m.instruments.push_back(SimpleInstrument(s));
    Cell(m, 0, 0, 0) = {49, 1, 0, effect, parameter};
    Cell(m, 0, 2, 1) = {61, 1, 40, 0, 0};
    Cell(m, 0, 4, 0) = {97, 0, 0, 0, 0};  // key-off
    return m;
}

std::vector<uint8_t> Png(uint32_t width, uint32_t height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = uint8_t(i * 13);
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) b.push_back(uint8_t(v >> (8 * i)));
}

// A font of one page with the glyphs 32..126 in 6 x 8 boxes.
std::vector<uint8_t> Font() {
    std::vector<uint8_t> b = {'H', 'X', 'F', '1'};
    Put(b, 10, 2);
    Put(b, 8, 2);
    Put(b, 1, 2);
    Put(b, 95, 2);
    for (uint32_t c = 32; c < 127; c++) {
        uint32_t i = c - 32;
        Put(b, c, 4);
        b.push_back(0);
        b.push_back(0);
        Put(b, (i % 16) * 6, 2);
        Put(b, (i / 16) * 8, 2);
        b.push_back(c == 32 ? 0 : 6);
        b.push_back(c == 32 ? 0 : 8);
        b.push_back(0);
        b.push_back(1);
        b.push_back(7);
        b.push_back(0);
    }
    std::vector<uint8_t> page = Png(96, 48);
    Put(b, uint32_t(page.size()), 4);
    b.insert(b.end(), page.begin(), page.end());
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: fuzz_seeds RENDER_DIR IMAGE_FONT_DIR\n");
        return 1;
    }
    std::string render = argv[1], image = argv[2];
    struct {
        uint32_t length;
        uint8_t loop, effect, parameter;
    } songs[] = {{5, 0, 0, 0}, {64, 1, 0x0, 0x37}, {301, 2, 0x9, 0x01}, {1000, 1, 0xE, 0x93}, {77, 2, 0x3, 0x20}};
    bool ok = true;
    int n = 0;
    for (const auto& s : songs)
        ok = Write(render + "/packed4_" + std::to_string(n++) + ".xm",
                   BuildXm(PackedSong(s.length, s.loop, s.effect, s.parameter))) && ok;
    ok = Write(image + "/small.png", Png(7, 5)) && ok;
    ok = Write(image + "/font.hxf", Font()) && ok;
    if (!ok) {
        fprintf(stderr, "fuzz_seeds: cannot write the seeds\n");
        return 1;
    }
    return 0;
}
