// main.cpp - start-up, the game tick, the spawn tick, the load and draw
// callbacks with the head-up display, and the music check box.
#include "main.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "boom.h"
#include "game.h"
#include "map.h"
#include "music.h"
#include "platform.h"
#include "point.h"
#include "tank.h"
#include "vars.h"

const char* const EngineLibraryPath = "data/halvex.dll";
const char* const MusicFileName = "data/sound.pak";
static const char FontFileName[] = "engine.pak";

HxTimer SpawnTimer = nullptr;
HxTexture HeaderTexture = 0;
HxTexture SoundBoxTexture = 0;
HxWidget SoundBox = 0;
MemoryStream MusicData{};
bool MusicOn = true;

// Window and engine set-up.
static const char WindowCaption[] = "Brovask";
constexpr uint32_t ScreenWidth = 800, ScreenHeight = 600;
constexpr uint32_t EngineDisableOption = 512;

// The cycle: CycleTick runs 0..400, ten cycles make a round.
constexpr int32_t CyclesPerRound = 10;

// The spawn interval: 9000 ms less 100 ms a round, at least 100 ms (the
// round-89 value), so that late rounds never write 0 or less into the timer.
constexpr int32_t SpawnBaseInterval = 9000;
constexpr int32_t SpawnStepPerRound = 100;
constexpr int32_t SpawnShortestInterval = 100;

// Input.
constexpr uint8_t EscapeKey = 1;
constexpr uint8_t ClosePanelButton = 2;

// The music check box and the player's volume (0..25).
constexpr uint16_t SoundBoxFrameSize = 12;
constexpr float SoundBoxX = 616, SoundBoxY = 560, SoundBoxSize = 12;
static const char SoundBoxCaption[] = "sound";
constexpr uint32_t SoundBoxCaptionColour = 0x222222;
constexpr int32_t MusicVolume = 20;

// The head-up display.
constexpr float HudBarX = 16, HudBarY = 0, HudBarWidth = 576, HudBarHeight = 24;
constexpr uint32_t HudBarColour = 0x000000;
constexpr uint8_t HudBarAlpha = 200;
constexpr float HudTextY = 4;
constexpr uint32_t HudTextColour = 0xFFFF00;
constexpr float HudScoreX = 30, HudMoneyX = 150, HudRoundX = 285, HudLifesX = 375, HudPatronsX = 470;
static const char CreditText[] = "Halvex Engine [Quorlin] ";
constexpr float CreditX = 616, CreditY = 580;
constexpr uint32_t CreditColour = 0x000000;

// Header bars of the shop strip's four sections.
constexpr float HeaderX = 608, HeaderWidth = 192, HeaderHeight = 24;
constexpr float HeaderY[4] = {0, 100, 200, 300};

// Game over.
static const char GameOverText[] = "GAME OVER";
constexpr float GameOverX = 400, GameOverY = 300, GameOverScale = 2, GameOverSpacing = 2;
constexpr uint32_t GameOverColour = 0xFFFFFF;

uint32_t SpawnInterval(int32_t round) {
    int64_t interval = SpawnBaseInterval - static_cast<int64_t>(SpawnStepPerRound) * round;
    return static_cast<uint32_t>(std::max<int64_t>(interval, SpawnShortestInterval));
}

const char* MissingGameExport() {
    // The engine's exports the game calls (scr_ReadPixels is for tests and tools).
#define CHECK_BOUND(ret, name, params, called_by_game) \
    if (called_by_game && !name) return #name;
    HALVEX_EXPORTS(CHECK_BOUND)
#undef CHECK_BOUND
    return nullptr;
}

void RunEngine() {
    timer_Add(GameTick, GameTickInterval);
    SpawnTimer = timer_Add(SpawnTick, SpawnInterval(Round));
    engine_device(HX_EVENT_LOAD, OnLoad);
    engine_device(HX_EVENT_DRAW, OnDraw);
    engine_disable(EngineDisableOption);
    wnd_SetCaption(WindowCaption);
    wnd_ShowCursor(1);
    scr_SetOptions(ScreenWidth, ScreenHeight, 0, 0, 0);
    engine_start(0, 0);
}

void GameTick() {
    if (GameMode == ModePlaying) {
        if (CycleTick < LastCycleTick) {
            CycleTick++;
        } else {
            CycleTick = 0;
            CycleCount++;
        }
        if (CycleCount == CyclesPerRound) {
            CycleCount = 0;
            Round++;
            if (SpawnTimer) SpawnTimer->Interval = SpawnInterval(Round);
        }
        gui_Calc();
        UpdateShells();
        RunBuildSites();
        UpdateTanks();
        if (mouse_Down(ClosePanelButton)) CloseSitePanel();
    }
    if (key_Press(EscapeKey)) engine_stop();  // the tick still runs to its end
    key_ClearState();
    mouse_ClearState();
}

void SpawnTick() {
    SpawnTank();
}

void OnLoad() {
    std::string fontPath = std::string(DataDir) + FontFileName;
    MemoryStream fontStream{};
    mem_LoadFromFile(&fontStream, fontPath.c_str());
    if (!fontStream.Data || fontStream.Size == 0) FatalDataError(fontPath.c_str(), "missing or empty");
    GameFont = font_LoadFromMemory(&fontStream);
    if (!GameFont || !GameFont->Pages || GameFont->PageCount == 0)
        FatalDataError(fontPath.c_str(), "not a font the engine can load");
    FontPageTexture = LoadPackTexture(FontPageEntry);
    GameFont->Pages[0] = FontPageTexture;

    HeaderTexture = LoadPackTexture(HeaderEntry);
    SoundBoxTexture = LoadPackTexture(SoundBoxEntry);
    tex_SetFrameSize(&SoundBoxTexture, SoundBoxFrameSize, SoundBoxFrameSize);
    PanelTexture = LoadPackTexture(PanelEntry);

    LoadBackdropTextures();
    LoadTankTextures();
    CreateBuildSites();
    CreateShopWidgets();
    LoadShellTexture();

    // Music is not needed to play: a missing or unreadable music file is
    // reported once and the game goes on silent, as it does when the player
    // cannot load the module. (The engine would end the program on a file it
    // cannot open, so the file is checked here first.)
    std::string musicProblem = UnreadableFileProblem(MusicFileName);
    if (musicProblem.empty())
        mem_LoadFromFile(&MusicData, MusicFileName);
    else
        std::fprintf(stderr, "%s: %s; playing without music\n", FullPath(MusicFileName).c_str(),
                     musicProblem.c_str());
    MusicSetVolume(MusicVolume);
    SoundBox = gui_AddCheckBox(SoundBoxTexture, SoundBoxX, SoundBoxY, SoundBoxSize, SoundBoxSize, 255, 1, 1,
                               1, GameFont, SoundBoxCaption, SoundBoxCaptionColour, 255, OnSoundBox);
    MusicPlay(MusicData.Data, MusicData.Size, MUSIC_SOURCE_MEMORY);
}

std::string UnreadableFileProblem(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return std::strerror(errno);
    struct stat info {};
    bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    std::fclose(file);
    return regular ? "" : "not a regular file";
}

void OnSoundBox(HxWidget, uint32_t event) {
    if (event != HX_WIDGET_CLICK) return;
    // Each click toggles; the state follows MusicOn, not the box.
    if (MusicOn) {
        MusicOn = false;
        MusicPause();
    } else {
        MusicOn = true;
        MusicResume();
    }
}

static void HudText(float x, const std::string& text) {
    text_DrawEx(GameFont, x, HudTextY, 1, 0, text.c_str(), 255, HudTextColour, 0);
}

void DrawHud() {
    HudText(HudScoreX, Labelled("Score: ", u_IntToText(Score)));
    HudText(HudMoneyX, Labelled("Money: ", u_IntToText(Money)));
    HudText(HudRoundX, Labelled("Round: ", u_IntToText(Round)));
    HudText(HudLifesX, Labelled("Lifes: ", u_IntToText(Lifes)));
    HudText(HudPatronsX, Labelled("Patrons: ", u_IntToText(Patrons)));
    text_DrawEx(GameFont, CreditX, CreditY, 1, 0, CreditText, 255, CreditColour, 0);
}

void OnDraw() {
    if (GameMode != ModePlaying) {
        text_DrawEx(GameFont, GameOverX, GameOverY, GameOverScale, GameOverSpacing, GameOverText, 255,
                    GameOverColour, HX_TEXT_ALIGN_CENTER);
        return;
    }
    batch2d_Begin();
    DrawBackdrop();
    DrawSelectionFrame();
    DrawPanelBackground();
    batch2d_End();
    gui_Draw();
    batch2d_Begin();
    DrawTanks();
    DrawSiteLifeBars();
    DrawShells();
    batch2d_End();
    prim_Rect(HudBarX, HudBarY, HudBarWidth, HudBarHeight, HudBarColour, HudBarAlpha, HX_PR2D_FILL);
    batch2d_Begin();
    DrawHud();
    if (Selection.Panel == PanelGun) DrawGunPanel();
    if (Selection.Panel == PanelMoneyBuilding) DrawBuildingPanel();
    for (float y : HeaderY)
        spr_sDraw(HeaderTexture, HeaderX, y, HeaderWidth, HeaderHeight, 0, 255, HX_FX_BLEND);
    batch2d_End();
}

bool UseProgramFolderForData(const char* programPath) {
    if (PlatformFileExists(EngineLibraryPath)) return true;
    std::string folder(programPath);
    size_t slash = folder.find_last_of("/\\");
    if (slash == std::string::npos) return false;
    folder.resize(slash == 0 ? 1 : slash);
    // Without the library there either, the program's folder is still where
    // it belongs, and where the error message then says it was looked for.
    bool beside = PlatformFileExists(folder + "/" + EngineLibraryPath);
    return PlatformSetWorkingFolder(folder) && beside;
}

#ifndef BROVASK_NO_ENTRY
int main() {
    SeedRandomFromClock();
    // Started from another folder (a launcher, a file manager), the game
    // finds data/ beside its own executable; every data path stays relative.
    std::string self = PlatformProgramPath();
    if (!self.empty()) UseProgramFolderForData(self.c_str());
    if (!LoadEngine(EngineLibraryPath, true)) return 1;
    if (const char* missing = MissingGameExport()) {
        ReportFatalError(FullPath(EngineLibraryPath) + ": the engine library lacks the export " + missing);
        return 1;
    }
    RunEngine();
    return 0;
}
#endif
