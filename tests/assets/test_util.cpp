#include "test_util.h"

#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace assets_test {

std::string DataPath(const std::string& name) { return std::string(BROVASK_TEST_DATA_DIR) + "/" + name; }

Bytes Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Bytes> SplitPack(const Bytes& pack, bool& ok) {
    std::vector<Bytes> entries;
    size_t at = 0;
    ok = true;
    while (at < pack.size()) {
        if (pack.size() - at < 4) {
            ok = false;
            break;
        }
        uint32_t n = pack[at] | pack[at + 1] << 8 | pack[at + 2] << 16 | uint32_t(pack[at + 3]) << 24;
        at += 4;
        if (n > pack.size() - at) {
            ok = false;
            break;
        }
        entries.emplace_back(pack.begin() + long(at), pack.begin() + long(at + n));
        at += n;
    }
    return entries;
}

Picture Picture::Crop(int x, int y, int w, int h) const {
    Picture out;
    out.width = w;
    out.height = h;
    out.rgba.resize(size_t(w) * h * 4);
    for (int j = 0; j < h; ++j) std::memcpy(&out.rgba[size_t(j) * w * 4], At(x, y + j), size_t(w) * 4);
    return out;
}

bool ReadPicture(const Bytes& png, Picture& out, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        error = image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    out.width = int(image.width);
    out.height = int(image.height);
    out.rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

float Luminance(const uint8_t* p) { return (0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]) / 255.0f; }

float Saturation(const uint8_t* p) {
    return (std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]})) / 255.0f;
}

float MeanAlpha(const Picture& pic) {
    double sum = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) sum += pic.At(x, y)[3];
    return float(sum / (255.0 * pic.width * pic.height));
}

static float Weighted(const Picture& pic, float (*measure)(const uint8_t*)) {
    double sum = 0, weight = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const uint8_t* p = pic.At(x, y);
            sum += measure(p) * p[3];
            weight += p[3];
        }
    return weight > 0 ? float(sum / weight) : 0.0f;
}

float MeanLuminance(const Picture& pic) { return Weighted(pic, Luminance); }
float MeanSaturation(const Picture& pic) { return Weighted(pic, Saturation); }

int OpaqueCount(const Picture& pic, int min_alpha) {
    int n = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) n += pic.At(x, y)[3] >= min_alpha;
    return n;
}

static float PixelDifference(const uint8_t* a, const uint8_t* b) {
    return (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2])) / (3 * 255.0f);
}

float ColumnDifference(const Picture& pic, int xa, int xb) {
    double sum = 0;
    for (int y = 0; y < pic.height; ++y) sum += PixelDifference(pic.At(xa, y), pic.At(xb, y));
    return float(sum / pic.height);
}

float RowDifference(const Picture& pic, int ya, int yb) {
    double sum = 0;
    for (int x = 0; x < pic.width; ++x) sum += PixelDifference(pic.At(x, ya), pic.At(x, yb));
    return float(sum / pic.width);
}

int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string TempDir() {
    char pattern[] = "/tmp/brovask-assets-XXXXXX";
    char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

}  // namespace assets_test
