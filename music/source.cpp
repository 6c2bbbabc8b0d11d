// source.cpp - the module readers (memory, file with its 8 KB cache, linked
// resources) and the song heap.
#include "source.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
// Windows has no pread: pread_windows.cpp provides it.
extern "C" ssize_t pread(int handle, void* dest, size_t count, off_t offset);
#endif

// Windows reads a file opened without O_BINARY as text and has no
// O_CLOEXEC; Linux has no O_BINARY.
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

constexpr uint32_t NO_LIMIT = 0xFFFFFFFF;

SourceKind Kind = SOURCE_MEMORY;
const void* SourceArg = nullptr;  // pointer, file name or resource name
uintptr_t SourceSize = 0;         // size, or the resource table until open
uint32_t Size = 0;
uint32_t Position = 0;
const uint8_t* Base = nullptr;  // memory and resource
uint32_t CachedOffset = 1;      // file: offset of the block in the cache
bool CacheFilled = false;       // a seek before the first read must not find offset 1 "cached"
int FileHandle = -1;
uint64_t FileEnd = UINT64_MAX;  // file: known end, once a physical read came up short
uint8_t Cache[FILE_CACHE_BYTES];
const ResourceTable* DefaultResources = nullptr;

// One physical read: the whole amount at an absolute offset. Bytes the file
// does not have read as zero. Returns the bytes that came from the file.
uint32_t PhysicalRead(uint64_t offset, uint8_t* dest, uint32_t count) {
    uint32_t got = 0;
    if (FileHandle >= 0) {
        while (got < count) {
            ssize_t n = pread(FileHandle, dest + got, count - got, off_t(offset + got));
            if (n <= 0) break;
            got += uint32_t(n);
        }
    }
    if (got < count) {
        memset(dest + got, 0, count - got);
        if (offset + got < FileEnd) FileEnd = offset + got;
    }
    return got;
}

uint32_t FileRead(uint8_t* dest, uint32_t count) {
    uint32_t remaining = count;
    uint32_t delivered = 0;
    for (;;) {
        int64_t into = int64_t(Position) - int64_t(CachedOffset);
        if (CacheFilled && into >= 0 && into < int64_t(FILE_CACHE_BYTES)) {
            uint32_t n = FILE_CACHE_BYTES - uint32_t(into);
            if (n > remaining) n = remaining;
            memcpy(dest, Cache + into, n);
            uint64_t end = uint64_t(Position) + n;
            if (FileEnd > Position) delivered += uint32_t((end < FileEnd ? end : FileEnd) - Position);
            Position += n;
            dest += n;
            remaining -= n;
            if (remaining == 0) return delivered;
        }
        uint64_t whole = (uint64_t(Position) + remaining) / FILE_CACHE_BYTES * FILE_CACHE_BYTES;
        if (whole > Position) {
            uint32_t d = uint32_t(whole - Position);
            delivered += PhysicalRead(Position, dest, d);
            Position += d;
            dest += d;
            remaining -= d;
            if (remaining == 0) return delivered;  // cannot happen: whole lies below the end
        }
        uint32_t block = Position / FILE_CACHE_BYTES * FILE_CACHE_BYTES;
        PhysicalRead(block, Cache, FILE_CACHE_BYTES);
        CachedOffset = block;
        CacheFilled = true;
    }
}

uint32_t BlockRead(uint8_t* dest, uint32_t count) {
    // Copy what the source still holds; the position moves by the full
    // count when anything was copied, and stays when nothing was.
    if (uint64_t(Position) + count < Size) {
        memcpy(dest, Base + Position, count);
        Position += count;
        return count;
    }
    int64_t n = int64_t(Size) - int64_t(Position);
    if (n <= 0) return 0;
    memcpy(dest, Base + Position, size_t(n));
    Position += count;
    return uint32_t(n);
}

}  // namespace

void SetDefaultResources(const ResourceTable* table) {
    DefaultResources = table;
}

void SelectSource(SourceKind kind, const void* source, uintptr_t size_or_module) {
    Kind = kind;
    SourceArg = source;
    SourceSize = size_or_module;
    Position = 0;
    Base = nullptr;
    Size = 0;
    if (kind == SOURCE_MEMORY) {
        Base = static_cast<const uint8_t*>(source);
        // Sizes beyond 32 bits cannot be addressed by the 32-bit position.
        Size = size_or_module > 0xFFFFFFFEu ? 0xFFFFFFFEu : uint32_t(size_or_module);
    }
}

void ReaderOpen() {
    Position = 0;
    if (Kind == SOURCE_MEMORY) return;
    if (Kind == SOURCE_RESOURCE) {
        const ResourceTable* table =
            SourceSize ? reinterpret_cast<const ResourceTable*>(SourceSize) : DefaultResources;
        Base = nullptr;
        Size = 0;
        uintptr_t key = reinterpret_cast<uintptr_t>(SourceArg);
        for (uint32_t i = 0; table && i < table->count; i++) {
            const LinkedResource& r = table->entries[i];
            bool match = key < 65536 ? (key != 0 && r.id == key)
                                     : (r.name && strcmp(r.name, static_cast<const char*>(SourceArg)) == 0);
            if (match) {
                Base = static_cast<const uint8_t*>(r.data);
                Size = r.data ? r.size : 0;
                break;
            }
        }
        return;
    }
    // File.
    if (FileHandle >= 0) close(FileHandle);
    FileHandle = SourceArg ? open(static_cast<const char*>(SourceArg), O_RDONLY | O_BINARY | O_CLOEXEC) : -1;
    Size = NO_LIMIT;
    CachedOffset = 1;
    CacheFilled = false;
    FileEnd = UINT64_MAX;
}

uint32_t ReaderRead(void* dest, uint32_t count) {
    if (count == 0) return 0;
    if (Kind == SOURCE_FILE) return FileRead(static_cast<uint8_t*>(dest), count);
    return BlockRead(static_cast<uint8_t*>(dest), count);
}

void ReaderSeek(int64_t offset, bool relative) {
    int64_t target = relative ? int64_t(Position) + offset : offset;
    if (target < 0 || uint64_t(target) > Size) return;
    Position = uint32_t(target);
}

void ReaderClose() {
    if (Kind == SOURCE_FILE && FileHandle >= 0) {
        close(FileHandle);
        FileHandle = -1;
    }
}

void ReaderSkipUnread(uint64_t count) {
    // A memory or resource source stops moving once nothing is left to copy;
    // a file's position goes on with every read, in 32 bits.
    if (Kind == SOURCE_FILE) Position = uint32_t(Position + count);
}

uint32_t ReaderPosition() {
    return Position;
}

bool ReaderExhausted() {
    if (Kind == SOURCE_FILE) return Position >= FileEnd;
    return Position >= Size;
}

// ---------------------------------------------------------------------------
// The song heap: chunks taken from the system with calloc, carved front to
// back, and freed all together.

namespace {

struct Chunk {
    Chunk* next;
    size_t size;
    size_t used;
};
constexpr size_t CHUNK_BYTES = size_t(1) << 20;
constexpr size_t ALIGN = 16;
constexpr size_t HEADER = (sizeof(Chunk) + ALIGN - 1) / ALIGN * ALIGN;

bool HeapExists = false;
Chunk* Chunks = nullptr;
size_t HeapLimit = SONG_HEAP_DEFAULT_LIMIT;
size_t HeapUsed = 0;

}  // namespace

bool SongHeapCreate() {
    SongHeapDestroy();
    HeapExists = true;
    HeapUsed = 0;
    return true;
}

void SongHeapDestroy() {
    Chunk* c = Chunks;
    while (c) {
        Chunk* next = c->next;
        free(c);
        c = next;
    }
    Chunks = nullptr;
    HeapExists = false;
    HeapUsed = 0;
}

bool SongHeapExists() {
    return HeapExists;
}

void* SongHeapAlloc(size_t size) {
    if (!HeapExists) return nullptr;
    size_t rounded = (size + ALIGN - 1) / ALIGN * ALIGN;
    if (rounded < size || rounded == 0) rounded = size == 0 ? ALIGN : rounded;
    if (rounded < size || rounded > HeapLimit || HeapUsed > HeapLimit - rounded) return nullptr;
    if (!Chunks || Chunks->size - Chunks->used < rounded) {
        size_t body = rounded > CHUNK_BYTES ? rounded : CHUNK_BYTES;
        Chunk* c = static_cast<Chunk*>(calloc(1, HEADER + body));
        if (!c) return nullptr;
        c->size = body;
        c->used = 0;
        if (Chunks && rounded > CHUNK_BYTES) {
            // A large block gets its own chunk behind the current one, so the
            // rest of the current chunk stays in use.
            c->next = Chunks->next;
            Chunks->next = c;
            c->used = rounded;
            HeapUsed += rounded;
            return reinterpret_cast<uint8_t*>(c) + HEADER;
        }
        c->next = Chunks;
        Chunks = c;
    }
    void* p = reinterpret_cast<uint8_t*>(Chunks) + HEADER + Chunks->used;
    Chunks->used += rounded;
    HeapUsed += rounded;
    return p;
}

void SongHeapSetLimit(size_t bytes) {
    HeapLimit = bytes;
}
size_t SongHeapUsed() {
    return HeapUsed;
}
