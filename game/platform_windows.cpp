// platform_windows.cpp - the game's platform calls on Windows: LoadLibraryW
// and GetProcAddress, MessageBoxW, GetModuleFileNameW, GetFullPathNameW, the
// working folder, and the performance counter (the millisecond tick count
// where there is none). Paths and messages are UTF-8 inside the game and
// UTF-16 in Windows' calls, so a game unzipped into "Jeux vidéo ゲーム\"
// finds its files and names them rightly.
#include <windows.h>

#include <string>

#include "halvex.h"
#include "platform.h"
#include "utf8_windows.h"

void* PlatformLoadLibrary(const char* path, std::string& error) {
    std::string windowsPath(path);
    for (char& c : windowsPath)
        if (c == '/') c = '\\';
    // No "cannot find the library" box of Windows' own: the game shows its one.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryW(Utf8ToWide(windowsPath).c_str());
    SetErrorMode(previous);
    if (!library) {
        DWORD code = GetLastError();
        wchar_t reason[256] = L"";
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, reason,
                       sizeof reason / sizeof reason[0], nullptr);
        std::string text = WideToUtf8(reason);
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
    MessageBoxW(nullptr, Utf8ToWide(message).c_str(), L"Error", MB_OK | MB_ICONERROR);
}

std::string FullPath(const char* path) {
    return FullPathWindows(path);
}

std::string PlatformProgramPath() {
    return WideToUtf8(ModuleFileNameWide(nullptr));
}

bool PlatformFileExists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool PlatformSetWorkingFolder(const std::string& folder) {
    return SetCurrentDirectoryW(Utf8ToWide(folder).c_str()) != 0;
}

uint64_t PlatformSeedClock() {
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter) && counter.QuadPart != 0) return uint64_t(counter.QuadPart);
    return GetTickCount();
}
