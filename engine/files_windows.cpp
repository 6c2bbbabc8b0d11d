// files_windows.cpp - the engine's paths on Windows: where the engine DLL
// itself lies (the module that holds this function), so that it can find the
// files the build puts beside it; a file name as messages show it
// (GetFullPathNameW: "C:\..." is already full, and a relative name joins the
// current folder with Windows' separators); and opening a file (_wfopen).
// Names are UTF-8 inside the engine and UTF-16 in Windows' calls.
#include <windows.h>

#include "internal.h"
#include "utf8_windows.h"

namespace hx {

std::string LibraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&LibraryFolder), &self))
        return {};
    std::string full = WideToUtf8(ModuleFileNameWide(self));
    size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

std::string FullPath(const char* file_name) {
    return FullPathWindows(file_name);
}

std::FILE* OpenFile(const char* file_name, const char* mode) {
    return _wfopen(Utf8ToWide(file_name).c_str(), Utf8ToWide(mode).c_str());
}

}  // namespace hx
