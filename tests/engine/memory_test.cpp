// memory_test.cpp - memory streams and the clear failures on bad input, all
// without a window. The failures run in a child process (death tests): the
// engine must print one message naming the file or texture and the reason,
// and exit with code 1.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "support.h"

namespace {

std::string TempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = ::testing::TempDir() + "/halvex_" + std::to_string(getpid()) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

TEST(Library, ExportsEveryOperationTheGameCalls) {
    const Halvex& hx = Engine();
    int missing = 0;
#define HX_FN(ret, name, params, game)          \
    if (!hx.name) {                                \
        ADD_FAILURE() << #name " is not exported"; \
        ++missing;                                 \
    }
    HALVEX_EXPORTS(HX_FN)
#undef HX_FN
    EXPECT_EQ(missing, 0);
}

TEST(MemoryStream, LoadsAWholeFile) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(uint8_t(i * 7));
    std::string path = TempFile("whole.bin", bytes);
    MemoryStream s{};
    s.Position = 99;
    Engine().mem_LoadFromFile(&s, path.c_str());
    ASSERT_NE(s.Data, nullptr);
    EXPECT_EQ(s.Size, bytes.size());
    EXPECT_EQ(s.Position, 0u);
    EXPECT_EQ(std::vector<uint8_t>(s.Data, s.Data + s.Size), bytes);
}

TEST(MemoryStream, LoadsAnEmptyFile) {
    std::string path = TempFile("empty.bin", {});
    MemoryStream s{};
    Engine().mem_LoadFromFile(&s, path.c_str());
    EXPECT_EQ(s.Size, 0u);
    uint8_t b = 0;
    EXPECT_EQ(Engine().mem_Read(&s, &b, 1), 0u);
}

TEST(MemoryStream, ReadAdvancesAndStopsAtTheEnd) {
    std::string path = TempFile("ten.bin", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    MemoryStream s{};
    Engine().mem_LoadFromFile(&s, path.c_str());
    uint8_t buf[16];
    std::fill(std::begin(buf), std::end(buf), 0xEE);
    EXPECT_EQ(Engine().mem_Read(&s, buf, 4), 4u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[3], 3);
    EXPECT_EQ(s.Position, 4u);
    // Past the end: only the six bytes that exist are copied.
    EXPECT_EQ(Engine().mem_Read(&s, buf, 16), 6u);
    EXPECT_EQ(buf[0], 4);
    EXPECT_EQ(buf[5], 9);
    EXPECT_EQ(buf[6], 0xEE) << "the read wrote past the bytes that exist";
    EXPECT_EQ(s.Position, 10u);
    EXPECT_EQ(Engine().mem_Read(&s, buf, 1), 0u);
}

TEST(MemoryStream, SeekModesAndClamping) {
    std::string path = TempFile("seek.bin", std::vector<uint8_t>(100, 1));
    MemoryStream s{};
    Engine().mem_LoadFromFile(&s, path.c_str());
    const Halvex& hx = Engine();
    EXPECT_EQ(hx.mem_Seek(&s, 10, 0), 10u);
    EXPECT_EQ(hx.mem_Seek(&s, 15, 2), 25u);
    EXPECT_EQ(hx.mem_Seek(&s, -5, 2), 20u);
    EXPECT_EQ(hx.mem_Seek(&s, -30, 1), 70u);
    EXPECT_EQ(hx.mem_Seek(&s, 1000, 2), 100u) << "seek past the end stays at the end";
    EXPECT_EQ(hx.mem_Seek(&s, -1000, 2), 0u) << "seek before the start stays at the start";
    EXPECT_EQ(s.Position, 0u);
}

// The asset-pack walk: read a length, skip by it, read the next entry into a
// fresh block from mem_Get.
TEST(MemoryStream, PackWalkWithGet) {
    std::vector<uint8_t> pack = {3, 0, 0, 0, 'a', 'b', 'c', 2, 0, 0, 0, 'x', 'y'};
    std::string path = TempFile("pack.bin", pack);
    const Halvex& hx = Engine();
    MemoryStream s{};
    hx.mem_LoadFromFile(&s, path.c_str());
    uint32_t len = 0;
    ASSERT_EQ(hx.mem_Read(&s, &len, 4), 4u);
    hx.mem_Seek(&s, int32_t(len), 2);
    ASSERT_EQ(hx.mem_Read(&s, &len, 4), 4u);
    EXPECT_EQ(len, 2u);
    MemoryStream entry{};
    entry.Size = len;
    hx.mem_Get(&entry, len);
    ASSERT_NE(entry.Data, nullptr);
    EXPECT_EQ(entry.Size, 2u);
    EXPECT_EQ(entry.Position, 0u);
    EXPECT_EQ(hx.mem_Read(&s, entry.Data, len), 2u);
    EXPECT_EQ(entry.Data[0], 'x');
    EXPECT_EQ(entry.Data[1], 'y');
}

TEST(MemoryStream, GetGivesAZeroedBlockAndReadsStayInsideIt) {
    const Halvex& hx = Engine();
    MemoryStream s{};
    hx.mem_Get(&s, 8);
    for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(s.Data[i], 0);
    // A caller that claims more than the block holds still reads only the block.
    s.Size = 1u << 30;
    std::vector<uint8_t> buf(64, 0xEE);
    EXPECT_EQ(hx.mem_Read(&s, buf.data(), 64), 8u);
    EXPECT_EQ(buf[8], 0xEE);
}

TEST(MemoryStream, NullArgumentsAreHarmless) {
    const Halvex& hx = Engine();
    uint8_t b;
    EXPECT_EQ(hx.mem_Read(nullptr, &b, 1), 0u);
    MemoryStream empty{};
    EXPECT_EQ(hx.mem_Read(&empty, &b, 1), 0u);
    EXPECT_EQ(hx.mem_Seek(nullptr, 1, 0), 0u);
    hx.mem_Get(nullptr, 4);
}

// ---- bad input: one clear message, exit code 1 ----

class BadInput : public ::testing::Test {
   protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        setenv("HALVEX_NO_MESSAGEBOX", "1", 1);
    }
};

TEST_F(BadInput, MissingFileNamesThePathAndTheReason) {
    MemoryStream s{};
    EXPECT_EXIT(Engine().mem_LoadFromFile(&s, "/nonexistent/dir/data.pak"), ::testing::ExitedWithCode(1),
                "cannot open \"/nonexistent/dir/data.pak\": No such file or directory");
}

TEST_F(BadInput, ADirectoryIsNoFile) {
    MemoryStream s{};
    EXPECT_EXIT(Engine().mem_LoadFromFile(&s, "/tmp"), ::testing::ExitedWithCode(1),
                "\"/tmp\": Is a directory");
}

TEST_F(BadInput, BytesThatAreNoPng) {
    MemoryStream s = StreamOf({'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '!'});
    EXPECT_EXIT(Engine().tex_LoadFromMemory(&s, "png", 0xFF00FF, 0x432), ::testing::ExitedWithCode(1),
                "cannot load texture from a 10-byte stream: not a PNG image");
}

TEST_F(BadInput, TruncatedPngNamesItsFile) {
    std::vector<uint8_t> png = MakePng(16, 16, std::vector<uint32_t>(256, 0x336699FF));
    png.resize(png.size() / 2);
    std::string path = TempFile("half.png", png);
    EXPECT_EXIT(
        {
            MemoryStream s{};
            Engine().mem_LoadFromFile(&s, path.c_str());
            Engine().tex_LoadFromMemory(&s, "png", 0xFF00FF, 0x432);
        },
        ::testing::ExitedWithCode(1), "cannot load texture \".*half.png\": .+");
}

TEST_F(BadInput, CorruptPngData) {
    std::vector<uint8_t> png = MakePng(16, 16, std::vector<uint32_t>(256, 0x336699FF));
    for (size_t i = 40; i < png.size() - 12; ++i) png[i] ^= 0x5A;  // damage the image data
    MemoryStream s = StreamOf(png);
    EXPECT_EXIT(Engine().tex_LoadFromMemory(&s, "png", 0xFF00FF, 0x432), ::testing::ExitedWithCode(1),
                "cannot load texture from a [0-9]+-byte stream: .+");
}

// Loads a texture with the address space capped at what the process uses
// now plus 256 MB.
static void LoadWithinMemoryBudget(MemoryStream* s) {
    unsigned long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    rlim_t limit = rlim_t(pages) * sysconf(_SC_PAGESIZE) + (rlim_t(256) << 20);
    rlimit budget{limit, limit};
    setrlimit(RLIMIT_AS, &budget);
    Engine().tex_LoadFromMemory(s, "png", 0xFF00FF, 0x432);
}

TEST_F(BadInput, HugeImageAnnouncedByAFewBytesIsRefusedBeforeAllocating) {
    // A 1 x 1 PNG whose header (with a correct checksum) claims 16384 x 16384:
    // the engine must refuse it from the header, within a memory budget far
    // below the 1 GiB such an image would take.
    std::vector<uint8_t> png = MakePng(1, 1, {0xFFFFFFFF});
    for (int field : {16, 20}) png[field] = 0, png[field + 1] = 0, png[field + 2] = 0x40, png[field + 3] = 0;
    uint32_t crc = uint32_t(crc32(0, png.data() + 12, 17));
    for (int b = 0; b < 4; ++b) png[29 + b] = uint8_t(crc >> (24 - 8 * b));
    MemoryStream s = StreamOf(png);
    EXPECT_EXIT(LoadWithinMemoryBudget(&s), ::testing::ExitedWithCode(1),
                "a 16384x16384 image cannot fit in [0-9]+ bytes");
}

TEST_F(BadInput, UnsupportedFormat) {
    MemoryStream s = StreamOf(MakePng(1, 1, {0xFFFFFFFF}));
    EXPECT_EXIT(Engine().tex_LoadFromMemory(&s, "bmp", 0xFF00FF, 0), ::testing::ExitedWithCode(1),
                "format \"bmp\" is not supported");
}

TEST_F(BadInput, FontWithoutMagic) {
    std::vector<uint8_t> font = MakeTestFont();
    font[0] = 'X';
    MemoryStream s = StreamOf(font);
    EXPECT_EXIT(Engine().font_LoadFromMemory(&s), ::testing::ExitedWithCode(1),
                "cannot load font: not a Halvex font");
}

TEST_F(BadInput, FontCutShort) {
    std::vector<uint8_t> font = MakeTestFont();
    font.resize(font.size() - 20);
    MemoryStream s = StreamOf(font);
    EXPECT_EXIT(Engine().font_LoadFromMemory(&s), ::testing::ExitedWithCode(1),
                "page 1 claims [0-9]+ bytes but only [0-9]+ remain");
    font.resize(30);
    MemoryStream t = StreamOf(font);
    EXPECT_EXIT(Engine().font_LoadFromMemory(&t), ::testing::ExitedWithCode(1),
                "file ends inside the glyph table");
}

TEST_F(BadInput, FontGlyphOutsideItsPage) {
    std::vector<uint8_t> font = MakeTestFont();
    font[12 + 6] = 30;  // glyph 'A' x = 30: 30 + 4 > 32
    MemoryStream s = StreamOf(font);
    EXPECT_EXIT(Engine().font_LoadFromMemory(&s), ::testing::ExitedWithCode(1),
                "glyph 65 lies outside page 1");
}

TEST_F(BadInput, FontWithTooManyPages) {
    std::vector<uint8_t> font = MakeTestFont();
    font[8] = 17;
    MemoryStream s = StreamOf(font);
    EXPECT_EXIT(Engine().font_LoadFromMemory(&s), ::testing::ExitedWithCode(1),
                "page count 17 is outside 1..16");
}

void EndInvisibleRun() { _exit(7); }

TEST_F(BadInput, NoDisplay) {
    // SDL's own choice of driver: it must not fall back to an invisible
    // window (which would end here with code 7 instead).
    EXPECT_EXIT(
        {
            Engine().timer_Add(EndInvisibleRun, 500);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            unsetenv("SDL_VIDEODRIVER");
            Engine().engine_start(0, 0);
        },
        ::testing::ExitedWithCode(1), "halvex: cannot open a window: .*display is needed");
    // The X11 driver asked for by name.
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            setenv("SDL_VIDEODRIVER", "x11", 1);
            Engine().engine_start(0, 0);
        },
        ::testing::ExitedWithCode(1), "halvex: cannot open a window: .*display is needed");
}

TEST(Font, LoadsTheRecordWithItsPages) {
    MemoryStream s = StreamOf(MakeTestFont());
    HxFont font = Engine().font_LoadFromMemory(&s);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->PageCount, 1u);
    ASSERT_NE(font->Pages, nullptr);
    EXPECT_NE(font->Pages[0], 0u);
    EXPECT_NE(font->Private, nullptr);
}

TEST(Texture, DecodesEveryColourTypeWithoutAWindow) {
    std::vector<uint32_t> px = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFF00FFFF};
    HxTexture last = 0;
    for (PngKind k : {PngKind::Grey, PngKind::Palette, PngKind::Rgb, PngKind::Rgba}) {
        HxTexture t = LoadTexture(2, 2, px, k);
        EXPECT_NE(t, 0u);
        EXPECT_NE(t, last) << "every texture gets its own handle";
        last = t;
    }
}

}  // namespace

namespace {

// Runs fn in a child process; returns its exit code, or 128 + signal when it
// died of a signal (a crash).
int InChild(const std::function<void()>& fn) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        // Silence the expected error messages of the children.
        if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(3);
        fn();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Damaged fonts and PNGs either load or end with the clean exit code 1;
// never a crash.
TEST_F(BadInput, DamagedFilesNeverCrash) {
    std::vector<uint8_t> font = MakeTestFont();
    std::vector<uint8_t> png = MakePng(8, 8, std::vector<uint32_t>(64, 0x11223344), PngKind::Palette);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    int loaded = 0, refused = 0;
    for (int round = 0; round < 100; ++round) {
        bool isFont = round % 2 == 0;
        std::vector<uint8_t> bytes = isFont ? font : png;
        int flips = 1 + int(next() % 4);
        for (int i = 0; i < flips; ++i) bytes[next() % bytes.size()] = uint8_t(next() >> 24);
        if (next() % 4 == 0) bytes.resize(next() % bytes.size());
        int code = InChild([&] {
            MemoryStream s = StreamOf(bytes);
            if (isFont)
                Engine().font_LoadFromMemory(&s);
            else
                Engine().tex_LoadFromMemory(&s, "png", 0xFF00FF, 0x432);
        });
        ASSERT_TRUE(code == 0 || code == 1) << "round " << round << ": exit " << code;
        (code == 0 ? loaded : refused)++;
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
