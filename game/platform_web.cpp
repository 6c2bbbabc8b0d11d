// platform_web.cpp - the game's platform calls of the browser's own: the
// error box as text in the page, no program path (the data lie at the root
// of the page's files). The engine module is loaded as on Linux
// (platform_posix.cpp).
#include <emscripten.h>

#include "platform.h"

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

