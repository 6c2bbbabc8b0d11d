// library_folder_linux.cpp - where the engine library itself lies (dladdr),
// so that it can find the files the build puts beside it.
#include <dlfcn.h>

#include "internal.h"

namespace hx {

std::string LibraryFolder() {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<void*>(&LibraryFolder), &self) || !self.dli_fname) return {};
    std::string path = self.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace hx
