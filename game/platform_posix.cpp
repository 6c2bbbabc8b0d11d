// platform_posix.cpp - the game's platform calls that Linux and the browser
// share: the engine library through dlopen/dlsym, file checks, the working
// folder and the monotonic clock.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>

#include "platform.h"

void* PlatformLoadLibrary(const char* path, std::string& error) {
    // A missing file is named in the loader's own words (the browser's
    // loader has none for it).
    if (access(path, F_OK) != 0) {
        error = std::string(path) + ": cannot open shared object file: No such file or directory";
        return nullptr;
    }
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        // dlerror's reason names the file; without one, name it here.
        const char* reason = dlerror();
        error = reason ? reason : std::string(path) + ": cannot be loaded";
    }
    return library;
}

void* PlatformFindExport(void* library, const char* name) {
    return dlsym(library, name);
}

bool PlatformFileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

bool PlatformSetWorkingFolder(const std::string& folder) {
    return chdir(folder.c_str()) == 0;
}

uint64_t PlatformSeedClock() {
    return uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
}
