// library_folder_windows.cpp - where the engine DLL itself lies (the module
// that holds this function), so that it can find the files the build puts
// beside it.
#include <windows.h>

#include "internal.h"

namespace hx {

std::string LibraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&LibraryFolder), &self))
        return {};
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    std::string full(path, length);
    size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

}  // namespace hx
