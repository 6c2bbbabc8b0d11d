// files_linux.cpp - the engine's paths on Linux: where the engine library
// itself lies (dladdr), so that it can find the files the build puts beside
// it; a file name as messages show it; and opening a file.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include "internal.h"

namespace hx {

std::string LibraryFolder() {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<void*>(&LibraryFolder), &self) || !self.dli_fname) return {};
    std::string path = self.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FullPath(const char* file_name) {
    char folder[PATH_MAX];
    if (file_name[0] == '/' || !getcwd(folder, sizeof folder)) return file_name;
    std::string full = folder;
    if (full.back() != '/') full += '/';
    return full + file_name;
}

std::FILE* OpenFile(const char* file_name, const char* mode) {
    return std::fopen(file_name, mode);
}

}  // namespace hx
