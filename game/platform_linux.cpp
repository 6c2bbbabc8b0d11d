// platform_linux.cpp - the game's platform calls of Linux's own: an SDL
// message box, full paths and /proc/self/exe (the rest: platform_posix.cpp).
#include <SDL.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "halvex.h"
#include "platform.h"

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

