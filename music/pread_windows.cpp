// pread_windows.cpp - pread for Windows, which has none: a read at an
// absolute offset. The reader owns its file handle alone, so moving the
// handle's offset first is as good as a positioned read.
#include <io.h>
#include <stdio.h>
#include <sys/types.h>

extern "C" ssize_t pread(int handle, void* dest, size_t count, off_t offset) {
    if (_lseeki64(handle, offset, SEEK_SET) < 0) return -1;
    return _read(handle, dest, static_cast<unsigned>(count));
}
