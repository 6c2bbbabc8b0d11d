// The module sources (memory, file through the 8 KB cache, linked resources)
// and the song heap.
#include "source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "loader.h"
#include "xm_writer.h"

namespace {

// Physical reads of the file source since the last open.
struct FileReadLog {
    uint32_t count;
    uint64_t offset[32];
    uint32_t size[32];
};
FileReadLog FileReads;

bool Watching = false;

// Opens the source with the reads logged from zero.
void WatchedOpen() {
    FileReads.count = 0;
    Watching = true;
    ReaderOpen();
}

}  // namespace

// The test program links with pread wrapped (-Wl,--wrap=pread): every
// physical read of the file source passes here.
extern "C" ssize_t __real_pread(int fd, void* buf, size_t count, off_t offset);
extern "C" ssize_t __wrap_pread(int fd, void* buf, size_t count, off_t offset) {
    if (Watching) {
        if (FileReads.count < 32) {
            FileReads.offset[FileReads.count] = uint64_t(offset);
            FileReads.size[FileReads.count] = uint32_t(count);
        }
        FileReads.count++;
    }
    return __real_pread(fd, buf, count, offset);
}

namespace {

std::vector<uint8_t> Numbered(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; i++) v[i] = uint8_t(i * 7 + i / 251);
    return v;
}

std::string TempFile(const std::vector<uint8_t>& bytes) {
    char name[] = "/tmp/music_source_XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(fd);
    return name;
}

TEST(MemorySource, ShortReadAdvancesByTheFullCountThenStops) {
    std::vector<uint8_t> bytes = Numbered(1000);
    SelectSource(SOURCE_MEMORY, bytes.data(), bytes.size());
    ReaderOpen();
    ReaderSeek(900, false);
    std::vector<uint8_t> dest(336, 0xEE);
    EXPECT_EQ(ReaderRead(dest.data(), 336), 100u);
    EXPECT_EQ(ReaderPosition(), 1236u);
    EXPECT_EQ(0, memcmp(dest.data(), bytes.data() + 900, 100));
    EXPECT_EQ(dest[100], 0xEE);  // what no byte reached keeps its value
    EXPECT_EQ(ReaderRead(dest.data(), 10), 0u);
    EXPECT_EQ(ReaderPosition(), 1236u);
    ReaderClose();
}

TEST(MemorySource, SeeksOutsideTheSourceAreIgnored) {
    std::vector<uint8_t> bytes = Numbered(1000);
    SelectSource(SOURCE_MEMORY, bytes.data(), bytes.size());
    ReaderOpen();
    ReaderSeek(100, false);
    ReaderSeek(-4, true);
    EXPECT_EQ(ReaderPosition(), 96u);
    ReaderSeek(5000, false);
    EXPECT_EQ(ReaderPosition(), 96u);
    ReaderSeek(-97, true);
    EXPECT_EQ(ReaderPosition(), 96u);
    ReaderSeek(1000, false);  // the very end is allowed
    EXPECT_EQ(ReaderPosition(), 1000u);
}

TEST(FileSource, ReadsThroughTheCacheExactlyAsDescribed) {
    std::vector<uint8_t> bytes = Numbered(40000);
    std::string path = TempFile(bytes);
    SelectSource(SOURCE_FILE, path.c_str(), 0);
    WatchedOpen();
    std::vector<uint8_t> head(336);
    ReaderRead(head.data(), 336);
    ASSERT_EQ(FileReads.count, 1u);
    EXPECT_EQ(FileReads.offset[0], 0u);
    EXPECT_EQ(FileReads.size[0], 8192u);
    EXPECT_EQ(0, memcmp(head.data(), bytes.data(), 336));

    std::vector<uint8_t> big(20000);
    ReaderRead(big.data(), 20000);
    ASSERT_EQ(FileReads.count, 3u);
    EXPECT_EQ(FileReads.offset[1], 8192u);  // straight into the destination
    EXPECT_EQ(FileReads.size[1], 8192u);
    EXPECT_EQ(FileReads.offset[2], 16384u);  // the cache, for the last 3,952 bytes
    EXPECT_EQ(FileReads.size[2], 8192u);
    EXPECT_EQ(0, memcmp(big.data(), bytes.data() + 336, 20000));
    EXPECT_EQ(ReaderPosition(), 20336u);

    // Back into the cached block: no new physical read.
    ReaderSeek(17000, false);
    std::vector<uint8_t> again(100);
    ReaderRead(again.data(), 100);
    EXPECT_EQ(FileReads.count, 3u);
    EXPECT_EQ(0, memcmp(again.data(), bytes.data() + 17000, 100));
    ReaderClose();
    unlink(path.c_str());
}

TEST(FileSource, BytesBeyondTheEndReadAsZero) {
    std::vector<uint8_t> bytes = Numbered(500);
    std::string path = TempFile(bytes);
    SelectSource(SOURCE_FILE, path.c_str(), 0);
    WatchedOpen();
    ReaderSeek(400, false);
    std::vector<uint8_t> dest(300, 0xEE);
    EXPECT_EQ(ReaderRead(dest.data(), 300), 100u);
    EXPECT_EQ(0, memcmp(dest.data(), bytes.data() + 400, 100));
    for (size_t i = 100; i < 300; i++) ASSERT_EQ(dest[i], 0) << i;
    EXPECT_TRUE(ReaderExhausted());
    ReaderClose();
    unlink(path.c_str());
}

TEST(FileSource, MissingFileDeliversNothingAndTheLoadFails) {
    SelectSource(SOURCE_FILE, "/nonexistent/song.xm", 0);
    ASSERT_TRUE(SongHeapCreate());
    EXPECT_FALSE(LoadModule());
    ReaderClose();
    SongHeapDestroy();
}

TEST(ResourceSource, FindsLinkedBlocksByNameAndId) {
    XmModule m;
    m.patterns.push_back(EmptyPattern(4, 2));
    std::vector<uint8_t> module = BuildXm(m);
    LinkedResource entries[] = {{"other", 1, "x", 1}, {"song", 7, module.data(), uint32_t(module.size())}};
    ResourceTable table{entries, 2};

    SelectSource(SOURCE_RESOURCE, "song", reinterpret_cast<uintptr_t>(&table));
    ASSERT_TRUE(SongHeapCreate());
    EXPECT_TRUE(LoadModule());
    EXPECT_EQ(Song.channelCount, 2u);
    ReaderClose();

    SetDefaultResources(&table);
    SelectSource(SOURCE_RESOURCE, reinterpret_cast<const void*>(uintptr_t(7)), 0);
    ASSERT_TRUE(SongHeapCreate());
    EXPECT_TRUE(LoadModule());
    ReaderClose();

    SelectSource(SOURCE_RESOURCE, "missing", 0);
    ASSERT_TRUE(SongHeapCreate());
    EXPECT_FALSE(LoadModule());  // size 0: nothing to read
    ReaderClose();
    SetDefaultResources(nullptr);
    SongHeapDestroy();
}

TEST(SongHeap, BlocksAreZeroFilledAndFreedWhole) {
    SongHeapDestroy();  // no-op without a heap
    EXPECT_EQ(SongHeapAlloc(16), nullptr);
    ASSERT_TRUE(SongHeapCreate());
    auto* a = static_cast<uint8_t*>(SongHeapAlloc(100));
    auto* big = static_cast<uint8_t*>(SongHeapAlloc(3 << 20));
    auto* b = static_cast<uint8_t*>(SongHeapAlloc(100));
    ASSERT_TRUE(a && big && b);
    for (int i = 0; i < 100; i++) ASSERT_EQ(a[i] | b[i], 0);
    for (int i = 0; i < (3 << 20); i += 4093) ASSERT_EQ(big[i], 0);
    memset(a, 1, 100);
    EXPECT_EQ(b[0], 0);
    SongHeapDestroy();
    EXPECT_FALSE(SongHeapExists());
    SongHeapDestroy();
}

TEST(SongHeap, AnAllocationBeyondTheLimitFailsTheLoad) {
    XmModule m;
    m.patterns.push_back(EmptyPattern(64, 2));
    XmSample s = Ramp(20000);
    m.instruments.push_back(SimpleInstrument(s));
    std::vector<uint8_t> bytes = BuildXm(m);
    SongHeapSetLimit(20000);  // the sample needs 40,000 bytes
    EXPECT_FALSE(LoadBytes(bytes));
    SongHeapSetLimit(SONG_HEAP_DEFAULT_LIMIT);
    EXPECT_TRUE(LoadBytes(bytes));
    UnloadSong();
}

}  // namespace
