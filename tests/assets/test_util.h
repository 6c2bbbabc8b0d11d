// test_util.h - helpers for the asset tests: files, an independent PNG read
// through libpng's simplified API, and a few pixel measures.
#ifndef BROVASK_TESTS_ASSETS_UTIL_H
#define BROVASK_TESTS_ASSETS_UTIL_H

#include <cstdint>
#include <string>
#include <vector>

namespace assets_test {

using Bytes = std::vector<uint8_t>;

std::string DataPath(const std::string& name);
Bytes Slurp(const std::string& path);  // empty when missing

// The pack split by hand (4-byte little-endian length, then the bytes).
std::vector<Bytes> SplitPack(const Bytes& pack, bool& ok);

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    Picture Crop(int x, int y, int w, int h) const;
};
// Decodes with libpng's simplified reader into RGBA8; false when it refuses.
bool ReadPicture(const Bytes& png, Picture& out, std::string& error);

float Luminance(const uint8_t* p);  // 0..1, Rec. 601 weights
float Saturation(const uint8_t* p); // 0..1, max - min channel
float MeanAlpha(const Picture& pic);
float MeanLuminance(const Picture& pic);  // over pixels weighted by alpha
float MeanSaturation(const Picture& pic);
int OpaqueCount(const Picture& pic, int min_alpha = 128);
// Mean absolute RGB difference between two pixel columns or rows.
float ColumnDifference(const Picture& pic, int xa, int xb);
float RowDifference(const Picture& pic, int ya, int yb);

// Runs a shell command, returning its exit status and what it printed.
int RunCommand(const std::string& command, std::string& output);
std::string TempDir();

}  // namespace assets_test

#endif
