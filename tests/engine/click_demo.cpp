// click_demo.cpp - a small program for the real-window test: a 320 x 240
// window "Halvex click demo" with a green image button at (100, 80), 120 x 80,
// on a dark blue background. It prints "ready" after its first frame,
// "clicked <widget>" for each click the engine delivers, and "escape" when
// Escape is pressed, which ends it. Exit code 0 when it saw a click and then
// Escape, 1 when Escape came without a click, 2 when nothing ended it within
// 20 seconds. With the argument --missing-file it instead loads a file that
// does not exist from its load callback, which must end it with the engine's
// error message box and exit code 1.
#include <cstdio>
#include <string>

#include "support.h"

namespace {

int ClickCount = 0;
int Frames = 0;
int Ticks = 0;
bool SawEscape = false;
HxTexture ButtonTexture = 0;

void OnButton(HxWidget widget, uint32_t event) {
    if (event != HX_WIDGET_CLICK) return;
    ++ClickCount;
    std::printf("clicked %u\n", widget);
    std::fflush(stdout);
}

bool LoadMissingFile = false;

void OnLoad() {
    if (LoadMissingFile) {
        MemoryStream s{};
        Engine().mem_LoadFromFile(&s, "no/such/dir/engine.pak");
    }
    // Frame 1 green (normal), 2 yellow (under the mouse), 3 red (pressed).
    ButtonTexture = LoadTexture(3, 1, {0x00FF00FF, 0xFFFF00FF, 0xFF0000FF});
    Engine().tex_SetFrameSize(&ButtonTexture, 1, 1);
    Engine().gui_AddImage(ButtonTexture, 100, 80, 120, 80, 255, 1, 1, OnButton);
}

void OnDraw() {
    Engine().prim_Rect(0, 0, 320, 240, 0x000040, 255, HX_PR2D_FILL);
    Engine().gui_Draw();
    if (++Frames == 2) {
        std::printf("ready\n");
        std::fflush(stdout);
    }
}

// The game's way: widgets and keys are handled in a 20 ms tick.
void OnTick() {
    const Halvex& hx = Engine();
    hx.gui_Calc();
    if (hx.key_Press(1)) {
        SawEscape = true;
        std::printf("escape\n");
        std::fflush(stdout);
        hx.engine_stop();
    }
    if (++Ticks > 1000) hx.engine_stop();
    hx.key_ClearState();
    hx.mouse_ClearState();
}

}  // namespace

int main(int argc, char** argv) {
    LoadMissingFile = argc > 1 && std::string(argv[1]) == "--missing-file";
    const Halvex& hx = Engine();
    hx.timer_Add(OnTick, 20);
    hx.engine_device(HX_EVENT_LOAD, OnLoad);
    hx.engine_device(HX_EVENT_DRAW, OnDraw);
    hx.wnd_SetCaption("Halvex click demo");
    hx.wnd_ShowCursor(1);
    hx.scr_SetOptions(320, 240, 0, 0, 0);
    hx.engine_start(0, 0);
    if (!SawEscape) return 2;
    return ClickCount > 0 ? 0 : 1;
}
