// platform_linux.cpp - the game's platform calls on Linux: dlopen/dlsym, an
// SDL message box, /proc/self/exe, the working folder and the monotonic clock.
#include <SDL.h>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "halvex.h"
#include "platform.h"

void* PlatformLoadLibrary(const char* path, std::string& error) {
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

static bool DisplayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

void PlatformErrorBox(const std::string& message) {
    if (DisplayAvailable()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message.c_str(), nullptr);
}

std::string FullPath(const char* path) {
    char folder[PATH_MAX];
    if (path[0] == '/' || !getcwd(folder, sizeof folder)) return path;
    std::string full = folder;
    if (full.back() != '/') full += '/';
    return full + path;
}

std::string PlatformProgramPath() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    return length > 0 ? std::string(self, size_t(length)) : std::string();
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
