// platform_windows.cpp - the game's platform calls on Windows: LoadLibraryA
// and GetProcAddress, MessageBoxA, GetModuleFileNameA and the performance
// counter (the millisecond tick count where there is none).
#include <windows.h>

#include <string>

#include "halvex.h"
#include "platform.h"

void* PlatformLoadLibrary(const char* path, std::string& error) {
    std::string windowsPath(path);
    for (char& c : windowsPath)
        if (c == '/') c = '\\';
    // No "cannot find the library" box of Windows' own: the game shows its one.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryA(windowsPath.c_str());
    SetErrorMode(previous);
    if (!library) {
        DWORD code = GetLastError();
        char reason[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, reason,
                       sizeof reason, nullptr);
        std::string text(reason);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        error = std::string(path) + ": cannot be loaded (" + (text.empty() ? "error " + std::to_string(code) : text) +
                ")";
    }
    return reinterpret_cast<void*>(library);
}

void* PlatformFindExport(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void PlatformErrorBox(const std::string& message) {
    MessageBoxA(nullptr, message.c_str(), "Error", MB_OK | MB_ICONERROR);
}

std::string FullPath(const char* path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : std::string(path);
}

std::string PlatformProgramPath() {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    return length > 0 && length < sizeof self ? std::string(self, length) : std::string();
}

uint64_t PlatformSeedClock() {
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter) && counter.QuadPart != 0) return uint64_t(counter.QuadPart);
    return GetTickCount();
}
