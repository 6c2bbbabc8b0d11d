// memory.cpp - memory streams: whole files read into engine-owned blocks,
// bounded reads and seeks, and fresh blocks for the caller to fill.
//
// The engine remembers the size of every block it hands out, so a stream
// whose Size field claims more than its block holds is still read only
// within the block. Blocks live for the whole run (the game never frees them).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "internal.h"

namespace hx {
namespace {

struct Block {
    uint32_t Capacity;
    std::string Name;  // file it was read from, empty for mem_Get blocks
};
std::map<const uint8_t*, Block> Blocks;
std::mutex BlocksLock;

uint8_t* NewBlock(uint32_t size, const std::string& name) {
    // One spare byte so an empty block still has a unique, non-null address.
    auto* data = static_cast<uint8_t*>(std::calloc(size_t(size) + 1, 1));
    if (!data) Fatal("out of memory allocating a block of " + std::to_string(size) + " bytes");
    std::lock_guard<std::mutex> lock(BlocksLock);
    Blocks[data] = Block{size, name};
    return data;
}

}  // namespace

uint32_t StreamLimit(const MemoryStream* stream) {
    if (!stream || !stream->Data) return 0;
    std::lock_guard<std::mutex> lock(BlocksLock);
    auto it = Blocks.find(stream->Data);
    if (it != Blocks.end() && it->second.Capacity < stream->Size) return it->second.Capacity;
    return stream->Size;
}

std::string StreamName(const MemoryStream* stream) {
    if (!stream || !stream->Data) return "";
    std::lock_guard<std::mutex> lock(BlocksLock);
    auto it = Blocks.find(stream->Data);
    return it == Blocks.end() ? "" : it->second.Name;
}

}  // namespace hx

using namespace hx;

extern "C" {

void mem_LoadFromFile(MemoryStream* stream, const char* file_name) {
    if (!file_name) Fatal("mem_LoadFromFile: no file name given");
    if (!stream) Fatal(std::string("mem_LoadFromFile: no stream given for \"") + file_name + "\"");
    std::FILE* f = OpenFile(file_name, "rb");
    const int openError = errno;
    const std::string shown = FullPath(file_name);
    if (!f) Fatal("cannot open \"" + shown + "\": " + std::strerror(openError));
    std::string content;
    char buffer[65536];
    for (;;) {
        size_t n = std::fread(buffer, 1, sizeof buffer, f);
        content.append(buffer, n);
        if (content.size() > 0xFFFFFFF0u) {
            std::fclose(f);
            Fatal("cannot read \"" + shown + "\": file larger than 4 GB");
        }
        if (n < sizeof buffer) break;
    }
    if (std::ferror(f)) {
        int err = errno;
        std::fclose(f);
        Fatal("cannot read \"" + shown + "\": " + std::strerror(err ? err : EIO));
    }
    std::fclose(f);
    uint32_t size = uint32_t(content.size());
    stream->Data = NewBlock(size, shown);
    if (size) std::memcpy(stream->Data, content.data(), size);
    stream->Size = size;
    stream->Position = 0;
}

uint32_t mem_Read(MemoryStream* stream, void* buffer, uint32_t count) {
    if (!stream || !buffer || !stream->Data) return 0;
    uint32_t limit = StreamLimit(stream);
    if (stream->Position >= limit) return 0;
    uint32_t n = limit - stream->Position;
    if (count < n) n = count;
    std::memcpy(buffer, stream->Data + stream->Position, n);
    stream->Position += n;
    return n;
}

// Modes: 0 from the start, 1 from the end (offset added to Size, as fseek
// does), 2 from the current position. The result is clamped to 0..Size, so a
// seek can never leave the stream pointing outside its data.
uint32_t mem_Seek(MemoryStream* stream, int32_t offset, int32_t mode) {
    if (!stream) return 0;
    int64_t base = 0;
    if (mode == 1)
        base = stream->Size;
    else if (mode == 2)
        base = stream->Position;
    int64_t pos = base + offset;
    if (pos < 0) pos = 0;
    if (pos > int64_t(stream->Size)) pos = stream->Size;
    stream->Position = uint32_t(pos);
    return stream->Position;
}

// A fresh zero-filled block of size bytes. The caller is meant to set Size
// and Position itself; we set them to size and 0 as well, so a caller that
// forgets can never read past the new block.
void mem_Get(MemoryStream* stream, uint32_t size) {
    if (!stream) return;
    stream->Data = NewBlock(size, "");
    stream->Size = size;
    stream->Position = 0;
}

}  // extern "C"
