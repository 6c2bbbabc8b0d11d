// main.h - the game's start-up, its two timers and the engine callbacks.
#pragma once

#include <cstdint>
#include <string>

#include "halvex.h"

constexpr uint32_t GameTickInterval = 20;  // ms
extern const char* const EngineLibraryPath;
extern const char* const MusicFileName;

extern HxTimer SpawnTimer;
extern HxTexture HeaderTexture;
extern HxTexture SoundBoxTexture;
extern HxWidget SoundBox;
extern MemoryStream MusicData;
extern bool MusicOn;

// Milliseconds between two tanks in round `round`: 100 ms shorter each
// round, never below 100 ms.
uint32_t SpawnInterval(int32_t round);

// The first export the game calls that the bound library lacks, or null.
const char* MissingGameExport();

// "" when the file can be opened and read as a regular file, otherwise why not.
std::string UnreadableFileProblem(const char* path);

// Where data/halvex.dll is not found from the current folder, makes the
// folder of the program at `programPath` the current one, so that data/ is
// found beside the executable (also when it is not there: that is where it
// is then reported missing). False if neither folder holds it.
bool UseProgramFolderForData(const char* programPath);

// Start-up after the engine is bound: timers, callbacks, window, main loop.
// Returns when the engine has stopped.
void RunEngine();

void GameTick();
void SpawnTick();
void OnLoad();
void OnDraw();
void OnSoundBox(HxWidget widget, uint32_t event);
void DrawHud();
