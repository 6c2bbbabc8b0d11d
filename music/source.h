// source.h - where a module's bytes come from, and where a song's memory lives.
//
// The ModuleReader walks a module front to back through four operations
// (open, read, seek, close) over one of three sources:
//   - memory: a block of bytes and its size;
//   - file: a file name, read through an 8 KB cache aligned to 8 KB offsets;
//   - resource: a named byte block linked into the program. This platform has
//     no executable resources, so a program registers its blocks in a
//     ResourceTable (a name or a small numeric id per block). The second
//     argument of SelectSource is then the address of the table to search,
//     or 0 for the table set by SetDefaultResources. A name that is not found
//     gives a source of size 0, so every read delivers nothing.
//
// The song heap is one arena: blocks are handed out zero-filled and are
// never freed one by one; SongHeapDestroy frees the whole song at once.
#pragma once
#include <cstddef>
#include <cstdint>

enum SourceKind : uint8_t { SOURCE_RESOURCE = 0, SOURCE_MEMORY = 1, SOURCE_FILE = 2 };

// Chooses the reader and stores the source; the read position becomes 0.
void SelectSource(SourceKind kind, const void* source, uintptr_t size_or_module);
void ReaderOpen();
// Copies the next count bytes to dest and advances the position (see
// source.cpp for the exact rules). Returns how many bytes really came from
// the source; bytes beyond the end of a file read as zero.
uint32_t ReaderRead(void* dest, uint32_t count);
// Absolute or relative seek; ignored when the new position would be
// negative or beyond the size.
void ReaderSeek(int64_t offset, bool relative);
void ReaderClose();
uint32_t ReaderPosition();
// True once the position lies at or after the known end of the source.
bool ReaderExhausted();
// Once exhausted: moves the position as reading count more bytes would
// (they would all read as zero).
void ReaderSkipUnread(uint64_t count);

struct LinkedResource {
    const char* name;  // matched exactly
    uint16_t id;       // matched when the source pointer's value is below 65,536
    const void* data;
    uint32_t size;
};
struct ResourceTable {
    const LinkedResource* entries;
    uint32_t count;
};
void SetDefaultResources(const ResourceTable* table);

constexpr uint32_t FILE_CACHE_BYTES = 8192;

bool SongHeapCreate();   // false on failure
void SongHeapDestroy();  // frees the whole song at once; no-op when none
bool SongHeapExists();
// A zero-filled block of size bytes, or null when the heap is missing or
// its limit would be passed.
void* SongHeapAlloc(size_t size);
// Upper bound on the bytes one song may take (a hostile header can name
// gigabytes of pattern cells). Tests lower it to make allocations fail.
constexpr size_t SONG_HEAP_DEFAULT_LIMIT = size_t(256) << 20;
void SongHeapSetLimit(size_t bytes);
size_t SongHeapUsed();
