// cpu_probe.cpp - measures what the engine's main loop costs: it opens a
// window, runs the loop for a number of seconds with an empty frame or with a
// game-like scene (a full-window backdrop, 40 sprites, 36 widgets, a filled
// bar and text), and prints the frame rate and the processor time the whole
// process used, as a percentage of one core.
//
//   halvex_cpu_probe [seconds] [idle|scene] [width] [height]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support.h"

namespace {

bool Scene = false;
int Frames = 0;
int Ticks = 0;
int TickLimit = 500;
HxTexture Backdrop = 0, Sprite = 0, Button = 0;
HxFont Font = nullptr;

void OnLoad() {
    if (!Scene) return;
    std::vector<uint32_t> big(64 * 64);
    for (size_t i = 0; i < big.size(); ++i) big[i] = 0x204020FF + uint32_t((i * 7) % 64 << 24);
    Backdrop = LoadTexture(64, 64, big);
    Sprite = LoadTexture(4, 4, std::vector<uint32_t>(16, 0xC0C0C0FF));
    Button = LoadTexture(4, 1, {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFFFFFF});
    Engine().tex_SetFrameSize(&Button, 1, 1);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 12; ++c)
            Engine().gui_AddImage(Button, float(16 + 48 * c), float(440 + 48 * r), 48, 48, 255, 1, 1,
                                  nullptr);
    MemoryStream s = StreamOf(MakeTestFont());
    Font = Engine().font_LoadFromMemory(&s);
}

void OnDraw() {
    ++Frames;
    if (!Scene) return;
    const Halvex& hx = Engine();
    hx.batch2d_Begin();
    hx.spr_sDraw(Backdrop, 0, 0, 800, 600, 0, 255, HX_FX_BLEND);
    hx.batch2d_End();
    hx.gui_Draw();
    hx.batch2d_Begin();
    for (int i = 0; i < 40; ++i)
        hx.spr_aDraw(Sprite, float(16 + (i * 37) % 560), float((i * 53 + Frames) % 440), 48, 48, 0, 1, 255,
                     HX_FX_BLEND);
    hx.batch2d_End();
    hx.prim_Rect(16, 0, 576, 24, 0, 200, HX_PR2D_FILL);
    hx.batch2d_Begin();
    for (int i = 0; i < 6; ++i)
        hx.text_DrawEx(Font, float(30 + 100 * i), 4, 1, 0, "AB AB BA", 255, 0xFFFF00, 0);
    hx.batch2d_End();
}

void OnTick() {
    Engine().gui_Calc();
    if (++Ticks >= TickLimit) Engine().engine_stop();
    Engine().key_ClearState();
    Engine().mouse_ClearState();
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    Scene = argc > 2 && std::string(argv[2]) == "scene";
    int width = argc > 3 ? std::atoi(argv[3]) : 800;
    int height = argc > 4 ? std::atoi(argv[4]) : 600;
    TickLimit = int(seconds * 50);
    const Halvex& hx = Engine();
    hx.timer_Add(OnTick, 20);
    hx.engine_device(HX_EVENT_LOAD, OnLoad);
    hx.engine_device(HX_EVENT_DRAW, OnDraw);
    hx.wnd_SetCaption("Halvex CPU probe");
    hx.scr_SetOptions(uint32_t(width), uint32_t(height), 0, 0, 0);
    double cpu0 = CpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    hx.engine_start(0, 0);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double cpu = CpuSeconds() - cpu0;
    std::printf("%s %dx%d: %.1f s, %d frames (%.1f fps), cpu %.2f s = %.1f%% of a core\n",
                Scene ? "scene" : "idle", width, height, wall, Frames, Frames / wall, cpu,
                100.0 * cpu / wall);
    return 0;
}
