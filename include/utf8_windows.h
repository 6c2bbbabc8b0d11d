// utf8_windows.h - text inside the programs is UTF-8; Windows' own calls
// take and give UTF-16. These two convert at the border, for the Windows
// files of the game and the engine (a folder named "Jeux vidéo ゲーム" or
// "C:\Users\Søren" must survive the round trip, which no ANSI call does).
#pragma once

#include <windows.h>

#include <string>

inline std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

inline std::string WideToUtf8(const wchar_t* text, size_t size) {
    if (size == 0) return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text, int(size), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text, int(size), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

inline std::string WideToUtf8(const std::wstring& text) {
    return WideToUtf8(text.data(), text.size());
}

// GetModuleFileNameW of `module` (null: the program), however long the
// path; empty when it cannot be read.
inline std::wstring ModuleFileNameWide(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

// GetFullPathNameW: the absolute form of a path in Windows' separators;
// `path` itself when Windows cannot make one.
inline std::string FullPathWindows(const char* path) {
    std::wstring wide = Utf8ToWide(path);
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return path;
    return WideToUtf8(full.data(), length);
}
