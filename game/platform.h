// platform.h - the few calls the game makes that differ between Linux and
// Windows. Each platform has one file (platform_linux.cpp,
// platform_windows.cpp); the build picks the one for its target.
#pragma once

#include <cstdint>
#include <string>

// Loads the library at `path` (a data path with '/' separators, relative to
// the working folder). Null on failure, with `error` saying why.
void* PlatformLoadLibrary(const char* path, std::string& error);
// The address of the export `name`, null when the library lacks it.
void* PlatformFindExport(void* library, const char* name);
// Shows a blocking error box titled "Error" with `message`, where the
// platform can show one (on Linux only when there is a display).
void PlatformErrorBox(const std::string& message);
// The full path of the running program (UTF-8), empty when it cannot be found.
std::string PlatformProgramPath();
// Whether a file or folder exists at `path` (UTF-8, as every path in the game).
bool PlatformFileExists(const std::string& path);
// Makes `folder` the working folder; false when it cannot.
bool PlatformSetWorkingFolder(const std::string& folder);
// A clock reading that differs from run to run, to seed the random generator.
uint64_t PlatformSeedClock();
