// platform_web.cpp - the game's platform calls in a browser: the engine
// module through the browser build's dlopen/dlsym, the error box as text in
// the page, no program path (the data lie at the root of the page's files).
#include <dlfcn.h>
#include <emscripten.h>
#include <unistd.h>

#include <chrono>

#include "platform.h"

void* PlatformLoadLibrary(const char* path, std::string& error) {
    // A missing file is reported in the words of the desktop's loader.
    if (access(path, F_OK) != 0) {
        error = std::string(path) + ": cannot open shared object file: No such file or directory";
        return nullptr;
    }
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        error = reason ? reason : std::string(path) + ": cannot be loaded";
    }
    return library;
}

void* PlatformFindExport(void* library, const char* name) {
    return dlsym(library, name);
}

// The page shows the text in place of the game (index.html's brovaskError).
void PlatformErrorBox(const std::string& message) {
    EM_ASM({ if (Module.brovaskError) Module.brovaskError(UTF8ToString($0)); }, message.c_str());
}

std::string FullPath(const char* path) {
    return path[0] == '/' ? std::string(path) : std::string("/") + path;
}

std::string PlatformProgramPath() {
    return {};
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
