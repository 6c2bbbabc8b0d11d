// window.cpp - the window, the main loop, frame pacing and timers.
//
// engine_start opens an SDL window with a renderer: the GPU's where there is
// one, SDL's software renderer otherwise and also where GL itself only
// rasterises on the processor (cheaper there). The choice is made before the
// window is shown, so exactly one window appears. The software renderer draws
// into the window's pixel buffer; a GPU renderer draws each frame into an
// offscreen canvas texture that is then copied to the window. Either way
// scr_ReadPixels can read what has been drawn so far, or the last presented
// frame.
//
// One pass of the loop: wait until the next frame or the next due timer,
// handle pending events, run the due timers (each at most once per pass),
// then, when a frame is due, clear the canvas, call the draw callback and
// present. What drives the passes is the platform's (loop_native.cpp: sleep
// until the next one; loop_web.cpp: the browser's animation frames).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "fit.h"
#include "internal.h"

namespace hx {

EngineState Engine;

namespace {

// Frames are capped at 60 per second by our own clock. The vsync option is
// not used: a present that blocks on the display would delay the timers.
constexpr uint64_t kFramePeriodNs = 1000000000ull / 60;
// After a stall a timer fires at most this many overdue ticks, then skips
// the rest and goes on from the present moment.
constexpr uint64_t kMaxCatchUpTicks = 3;
constexpr uint64_t kNsPerMs = 1000000ull;
constexpr int kOpenAttempts = 10;
constexpr uint32_t kOpenRetryMs = 20;

std::vector<std::unique_ptr<HxTimerRecord>> Timers;

uint64_t IntervalNs(const HxTimerRecord& t) {
    return uint64_t(t.Interval < 1 ? 1 : t.Interval) * kNsPerMs;
}

}  // namespace

// Runs every timer that is due, once. Returns the earliest next due time.
uint64_t RunDueTimers(uint64_t now) {
    uint64_t earliest = UINT64_MAX;
    // Index loop: a callback may add timers, which can move the vector.
    for (size_t i = 0; i < Timers.size() && !Engine.StopRequested; ++i) {
        HxTimerRecord* t = Timers[i].get();
        if (!t->Active || !t->OnTimer) {
            t->NextDueNs = 0;  // re-activation starts a fresh interval
            continue;
        }
        if (t->NextDueNs == 0) t->NextDueNs = now + IntervalNs(*t);
        if (now >= t->NextDueNs) {
            t->OnTimer();
            now = NowNs();
            // The next wait starts where this tick was due, not where the call
            // happened, so the cadence does not drift; the interval is read
            // again here so a changed value counts from the next wait on.
            uint64_t interval = IntervalNs(*t);
            t->NextDueNs += interval;
            if (now > t->NextDueNs && now - t->NextDueNs > kMaxCatchUpTicks * interval)
                t->NextDueNs = now - kMaxCatchUpTicks * interval;
        }
        if (t->Active) earliest = std::min(earliest, t->NextDueNs);
    }
    return earliest;
}

namespace {

void ShowErrorBox(const std::string& message) {
    if (!HxErrorBoxesWanted()) return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message.c_str(), Engine.Window);
}

// The window's size in window units (what mouse positions count in) and in
// pixels (what is drawn), read when it opens and whenever it changes.
int WindowW = 0, WindowH = 0, OutputW = 0, OutputH = 0;

void ReadWindowSize() {
    SDL_GetWindowSize(Engine.Window, &WindowW, &WindowH);
    // The renderer reports the size of its target while one is set.
    SDL_Texture* target = SDL_GetRenderTarget(Engine.Renderer);
    if (target) SDL_SetRenderTarget(Engine.Renderer, nullptr);
    if (SDL_GetRendererOutputSize(Engine.Renderer, &OutputW, &OutputH) != 0) {
        OutputW = WindowW;
        OutputH = WindowH;
    }
    if (target) SDL_SetRenderTarget(Engine.Renderer, target);
}

bool Unscaled() {
    return OutputW == int(Engine.Width) && OutputH == int(Engine.Height);
}

// The software renderer draws straight into the window while the window is
// exactly the game's size; at any other size it draws into a canvas of the
// game's size that is then scaled into the window. Called between frames.
void ChooseSoftwareTarget() {
    if (!Engine.SoftwareRenderer) return;
    if (Unscaled() && Engine.Canvas) {
        SDL_SetRenderTarget(Engine.Renderer, nullptr);
        SDL_DestroyTexture(Engine.Canvas);
        Engine.Canvas = nullptr;
    } else if (!Unscaled() && !Engine.Canvas) {
        // The window's own layout, so that drawing and scaling take SDL's
        // fast same-format paths.
        uint32_t format = SDL_GetWindowPixelFormat(Engine.Window);
        if (format == SDL_PIXELFORMAT_UNKNOWN || SDL_BYTESPERPIXEL(format) != 4)
            format = Engine.TextureFormat;
        Engine.Canvas = SDL_CreateTexture(Engine.Renderer, format, SDL_TEXTUREACCESS_TARGET,
                                          int(Engine.Width), int(Engine.Height));
        if (!Engine.Canvas) Fatal(std::string("cannot create the frame canvas: ") + SDL_GetError());
        SDL_SetTextureBlendMode(Engine.Canvas, SDL_BLENDMODE_NONE);
        SDL_SetRenderTarget(Engine.Renderer, Engine.Canvas);
    }
}

// Copies the canvas into the window, scaled to fit, with black bars around.
void PresentCanvas() {
    SDL_SetRenderTarget(Engine.Renderer, nullptr);
    FitRect r = FitPicture(int(Engine.Width), int(Engine.Height), OutputW, OutputH);
    SDL_Rect bars[4];
    int count = 0;
    if (r.Y > 0) {
        bars[count++] = {0, 0, OutputW, r.Y};
        bars[count++] = {0, r.Y + r.H, OutputW, OutputH - r.Y - r.H};
    }
    if (r.X > 0) {
        bars[count++] = {0, r.Y, r.X, r.H};
        bars[count++] = {r.X + r.W, r.Y, OutputW - r.X - r.W, r.H};
    }
    if (count) {
        SDL_SetRenderDrawBlendMode(Engine.Renderer, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(Engine.Renderer, 0, 0, 0, 255);
        SDL_RenderFillRects(Engine.Renderer, bars, count);
    }
    SDL_SetTextureScaleMode(Engine.Canvas, r.Sharp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_Rect dst{r.X, r.Y, r.W, r.H};
    SDL_RenderCopy(Engine.Renderer, Engine.Canvas, nullptr, &dst);
    SDL_RenderPresent(Engine.Renderer);
    SDL_SetRenderTarget(Engine.Renderer, Engine.Canvas);
}

// F11 and Alt+Enter switch between the window and full screen at the
// desktop's resolution; the window comes back at its previous size. Full
// screen is the window manager's to grant. Without one (a bare X server)
// nobody grants it: the window would keep its size while SDL believes it
// covers the screen, and the picture would come out cropped. There the
// engine makes the window borderless and covers the display itself. On X, a
// window manager shows itself by the frame it has put round the window.
bool CoveringDisplay = false;  // full screen made by the engine, not the window manager
SDL_Rect WindowedPlace{};      // where the window was before that
bool IsFullscreenToggle(const SDL_Event& e) {
    if (e.type != SDL_KEYDOWN || e.key.repeat) return false;
    SDL_Scancode s = e.key.keysym.scancode;
    return s == SDL_SCANCODE_F11 ||
           ((s == SDL_SCANCODE_RETURN || s == SDL_SCANCODE_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT));
}

bool BareXServer() {
    const char* driver = SDL_GetCurrentVideoDriver();
    int top = 0, left = 0, bottom = 0, right = 0;
    return driver && std::strcmp(driver, "x11") == 0 &&
           SDL_GetWindowBordersSize(Engine.Window, &top, &left, &bottom, &right) == 0 &&
           top + left + bottom + right == 0;
}

void ToggleFullscreen() {
    SDL_Rect screen;
    if (CoveringDisplay) {
        SDL_SetWindowBordered(Engine.Window, SDL_TRUE);
        SDL_SetWindowSize(Engine.Window, WindowedPlace.w, WindowedPlace.h);
        SDL_SetWindowPosition(Engine.Window, WindowedPlace.x, WindowedPlace.y);
        CoveringDisplay = false;
    } else if (SDL_GetWindowFlags(Engine.Window) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(Engine.Window, 0);
    } else if (!BareXServer() || SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(Engine.Window), &screen) != 0) {
        SDL_SetWindowFullscreen(Engine.Window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_GetWindowPosition(Engine.Window, &WindowedPlace.x, &WindowedPlace.y);
        SDL_GetWindowSize(Engine.Window, &WindowedPlace.w, &WindowedPlace.h);
        SDL_SetWindowBordered(Engine.Window, SDL_FALSE);
        SDL_SetWindowPosition(Engine.Window, screen.x, screen.y);
        SDL_SetWindowSize(Engine.Window, screen.w, screen.h);
        CoveringDisplay = true;
    }
    ReadWindowSize();
}

// The window's icon: icon.png in the engine library's own folder, where the
// build puts it beside the engine. A window without one is no error.
void SetWindowIcon() {
    std::string path = LibraryFolder() + "icon.png";
    std::FILE* file = OpenFile(path.c_str(), "rb");
    if (!file) return;
    std::vector<uint8_t> bytes;
    uint8_t chunk[16384];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    Texture icon;
    std::string reason;
    if (bytes.empty() || !DecodePng(bytes.data(), bytes.size(), 0, false, icon, reason)) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(icon.Pixels.data(), icon.Width, icon.Height, 32,
                                                              icon.Width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return;
    SDL_SetWindowIcon(Engine.Window, surface);
    SDL_FreeSurface(surface);
}

void CloseWindow() {
    ReleaseGpuTextures();
    if (Engine.Canvas) SDL_DestroyTexture(Engine.Canvas);
    if (Engine.Renderer) SDL_DestroyRenderer(Engine.Renderer);
    if (Engine.Window) SDL_DestroyWindow(Engine.Window);
    Engine.Canvas = nullptr;
    Engine.Renderer = nullptr;
    Engine.Window = nullptr;
    WindowW = WindowH = OutputW = OutputH = 0;
    CoveringDisplay = false;
    // The video subsystem (the display connection) stays open for the next
    // engine_start; reopening it at once fails now and then.
}

// Windows are created hidden and shown only once their renderer is in place:
// SDL replaces a window whose kind does not suit the renderer (GL or not),
// and a shown window would flash and lose its id. Null when SDL cannot make one.
// The window opens at the largest whole multiple of the picture that fits
// comfortably in the desktop's usable area (fit.h).
SDL_Window* CreateHiddenWindow(uint32_t kind) {
    uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | kind;
    if (Engine.Fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Rect usable{};
    int scale = SDL_GetDisplayUsableBounds(0, &usable) == 0
                    ? InitialScale(int(Engine.Width), int(Engine.Height), usable.w, usable.h)
                    : 1;
    SDL_Window* w = SDL_CreateWindow(Engine.Caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     int(Engine.Width) * scale, int(Engine.Height) * scale, flags);
    return w;
}

// True when the current renderer is GL and its GL draws on the processor.
bool GlIsSoftware() {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(Engine.Renderer, &info) != 0 || !info.name ||
        std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    const unsigned kGlRenderer = 0x1F01;
    const char* name = reinterpret_cast<const char*>(getString(kGlRenderer));
    if (!name) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SWR"})
        if (std::strstr(name, soft)) return true;
    return false;
}

// Opens the video subsystem on a display a player can see. Opening the X
// display can fail for a moment (seen right after the process closed its
// previous connection); a few short retries ride that out. Without a display
// SDL falls back to its invisible offscreen driver: a game nobody can see.
// Only an explicit SDL_VIDEODRIVER may choose it.
void OpenDisplay() {
    const char* noDisplay = " (a display is needed: run from a desktop session, or under xvfb-run)";
    const char* wanted = std::getenv("SDL_VIDEODRIVER");
    std::string error = "no display found";
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (attempt) SDL_Delay(kOpenRetryMs);
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            error.clear();
            break;
        }
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error = SDL_GetError();
            continue;
        }
        const char* driver = SDL_GetCurrentVideoDriver();
        bool invisible =
            driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
        if (!invisible || (wanted && std::strstr(wanted, driver))) {
            error.clear();
            break;
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        error = "no display found";
    }
    if (!error.empty()) Fatal("cannot open a window: " + error + noDisplay);
}

// Whether GL turned out to be a processor-bound one; the display stays open
// between runs of the loop, so later runs skip the trial.
bool SoftwareGl = false;

// The trial runs on a hidden GL window; the window that stays is shown only
// after the choice. Leaves Engine.Window and Engine.Renderer both set, or
// both null (no GL, or a GL that rasterises on the processor).
void TryGlRenderer(const char* driverHint) {
    Engine.Window = CreateHiddenWindow(SDL_WINDOW_OPENGL);
    if (Engine.Window)
        Engine.Renderer =
            SDL_CreateRenderer(Engine.Window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (Engine.Renderer && !driverHint && GlIsSoftware()) {
        SoftwareGl = true;
        // A GL that rasterises on the processor (Mesa's llvmpipe under
        // Xvfb, a machine without a GPU driver) costs far more per frame
        // than SDL's own software renderer; use that one instead, on a
        // window without a GL context. The trial window was never shown.
        SDL_DestroyRenderer(Engine.Renderer);
        Engine.Renderer = nullptr;
    }
    if (!Engine.Renderer && Engine.Window) {
        SDL_DestroyWindow(Engine.Window);
        Engine.Window = nullptr;
    }
}

// A GPU renderer where a real one is there (SDL_RENDER_DRIVER may name one),
// else SDL's software renderer on a window without GL.
void CreateWindowAndRenderer() {
    const char* driverHint = std::getenv("SDL_RENDER_DRIVER");
    if (driverHint && !*driverHint) driverHint = nullptr;
    bool softwareWanted = driverHint && SDL_strcasecmp(driverHint, "software") == 0;
    if (!SoftwareGl && !softwareWanted) TryGlRenderer(driverHint);
    if (!Engine.Renderer) {
        // SDL would otherwise show the software renderer's pixels through a
        // GL texture on X11, bringing the processor-bound GL back.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        Engine.Window = CreateHiddenWindow(0);
        if (!Engine.Window) Fatal(std::string("cannot open a window: ") + SDL_GetError());
        Engine.Renderer = SDL_CreateRenderer(Engine.Window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!Engine.Renderer) Fatal(std::string("cannot create a renderer: ") + SDL_GetError());
}

// Where frames are drawn. The software renderer draws into the window's own
// pixel buffer, which keeps the last frame after it is shown, so
// scr_ReadPixels can read it there; its textures take the window's layout.
// A GPU renderer's back buffer is undefined after the present: there every
// frame goes to an offscreen canvas that is then copied to the window.
void PrepareFrameTarget() {
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(Engine.Renderer, &info);
    Engine.SoftwareRenderer = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    Engine.TextureFormat = SDL_PIXELFORMAT_RGBA32;
    if (Engine.SoftwareRenderer) {
        uint32_t window = SDL_GetWindowPixelFormat(Engine.Window);
        if (window == SDL_PIXELFORMAT_RGB888 || window == SDL_PIXELFORMAT_ARGB8888)
            Engine.TextureFormat = SDL_PIXELFORMAT_ARGB8888;
        else if (window == SDL_PIXELFORMAT_BGR888 || window == SDL_PIXELFORMAT_ABGR8888)
            Engine.TextureFormat = SDL_PIXELFORMAT_ABGR8888;
    }
    if (!Engine.SoftwareRenderer) {
        Engine.Canvas = SDL_CreateTexture(Engine.Renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_TARGET,
                                          int(Engine.Width), int(Engine.Height));
        if (!Engine.Canvas) Fatal(std::string("cannot create the frame canvas: ") + SDL_GetError());
        SDL_SetTextureBlendMode(Engine.Canvas, SDL_BLENDMODE_NONE);
    }
    SDL_SetRenderTarget(Engine.Renderer, Engine.Canvas);
}

// The window appears black, with its icon and the game's cursor setting.
void ShowClearedWindow() {
    SDL_SetRenderDrawColor(Engine.Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Engine.Renderer);
    SetWindowIcon();
    SDL_ShowWindow(Engine.Window);
    ReadWindowSize();
    ChooseSoftwareTarget();
    SDL_ShowCursor(Engine.CursorVisible ? SDL_ENABLE : SDL_DISABLE);
}

void OpenWindow() {
    OpenDisplay();
    CreateWindowAndRenderer();
    PrepareFrameTarget();
    ShowClearedWindow();
}

void DrawFrame() {
    ChooseSoftwareTarget();
    SDL_SetRenderDrawColor(Engine.Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Engine.Renderer);
    if (Engine.OnDraw) Engine.OnDraw();
    if (Engine.Canvas) {
        PresentCanvas();
    } else {
        SDL_RenderPresent(Engine.Renderer);
    }
}

uint64_t NextFrameNs = 0;

}  // namespace

// One pass of the loop: events, due timers, and the frame when it is due (or
// due within `early_ns`). False once the loop is to end; `wake` is when the
// next pass has work.
bool LoopPass(uint64_t early_ns, uint64_t& wake) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE))
            Engine.StopRequested = true;
        // A move to another display may change the pixels per window unit.
        if (e.type == SDL_WINDOWEVENT && (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                                          e.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED))
            ReadWindowSize();
        if (IsFullscreenToggle(e)) {
            ToggleFullscreen();
            continue;  // the engine's key: the game does not see it
        }
        InputHandleEvent(e);
    }
    if (Engine.StopRequested) return false;
    uint64_t now = NowNs();
    uint64_t nextTimer = RunDueTimers(now);
    if (Engine.StopRequested) return false;
    now = NowNs();
    if (now + early_ns >= NextFrameNs) {
        DrawFrame();
        NextFrameNs += kFramePeriodNs;
        now = NowNs();
        // A slow frame does not buy a burst of fast ones afterwards.
        if (now > NextFrameNs + kFramePeriodNs) NextFrameNs = now;
    }
    wake = std::min(NextFrameNs, nextTimer);
    return true;
}

// After the last pass: the window closes and the engine can start again.
void LoopEnd() {
    CloseWindow();
    InputReset();
    GuiReset();
    Engine.Running = false;
    Engine.StopRequested = false;
}

bool MouseToGame(int x, int y, int& game_x, int& game_y) {
    return WindowToGame(x, y, WindowW, WindowH, OutputW, OutputH, int(Engine.Width), int(Engine.Height),
                        game_x, game_y);
}

void Fatal(const std::string& message) {
    std::fprintf(stderr, "halvex: %s\n", message.c_str());
    std::fflush(stderr);
    ShowErrorBox(message);
    std::exit(1);
}

HxTimer AddTimer(HxCallback callback, uint32_t interval_ms) {
    auto t = std::make_unique<HxTimerRecord>();
    t->Active = 1;
    t->Interval = interval_ms;
    t->OnTimer = callback;
    t->NextDueNs = 0;  // starts counting when the loop first sees it
    Timers.push_back(std::move(t));
    return Timers.back().get();
}

}  // namespace hx

using namespace hx;

extern "C" {

void engine_device(uint32_t event, HxCallback callback) {
    if (event == HX_EVENT_LOAD)
        Engine.OnLoad = callback;
    else if (event == HX_EVENT_DRAW)
        Engine.OnDraw = callback;
}

// Options are bits the engine keeps; none of them changes what it does.
void engine_disable(uint32_t what) {
    Engine.DisabledOptions |= what;
}

// fsaa and stencil are accepted and ignored: a 2D renderer needs neither.
void engine_start(uint32_t, uint32_t) {
    if (Engine.Running) return;  // already inside the loop
    Engine.Running = true;
    Engine.StopRequested = false;
    OpenWindow();
    InputReset();
    GuiReset();
    // Every timer counts its first interval from the start of the loop.
    for (auto& t : Timers) t->NextDueNs = 0;
    if (Engine.OnLoad) Engine.OnLoad();

    NextFrameNs = NowNs();
    RunLoop();
}

void engine_stop(void) {
    Engine.StopRequested = true;
}

void wnd_SetCaption(const char* caption) {
    Engine.Caption = caption ? caption : "";
    if (Engine.Window) SDL_SetWindowTitle(Engine.Window, Engine.Caption.c_str());
}

void wnd_ShowCursor(uint8_t show) {
    Engine.CursorVisible = show != 0;
    if (Engine.Window) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

// Size and fullscreen take effect when the window opens (the next
// engine_start). The size is the game's picture; the player may resize the
// window, and the picture is scaled to fit it. The refresh rate and vsync are
// not used: the loop paces itself at 60 frames a second.
void scr_SetOptions(uint32_t width, uint32_t height, uint32_t, uint8_t fullscreen, uint8_t) {
    Engine.Width = std::clamp<uint32_t>(width, 1, HX_MAX_IMAGE_EDGE);
    Engine.Height = std::clamp<uint32_t>(height, 1, HX_MAX_IMAGE_EDGE);
    Engine.Fullscreen = fullscreen;
}

void scr_ReadPixels(uint8_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!dst || w <= 0 || h <= 0) return;
    std::fill(dst, dst + size_t(w) * size_t(h) * 4, uint8_t(0));
    if (!Engine.Renderer) return;
    // Only the part inside the canvas is read; the rest stays zero.
    int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + w, Engine.Width);
    int64_t y1 = std::min<int64_t>(int64_t(y) + h, Engine.Height);
    if (x0 >= x1 || y0 >= y1) return;
    SDL_Rect r{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
    std::vector<uint8_t> part(size_t(r.w) * size_t(r.h) * 4);
    SDL_Texture* previous = SDL_GetRenderTarget(Engine.Renderer);
    SDL_SetRenderTarget(Engine.Renderer, Engine.Canvas);
    SDL_RenderReadPixels(Engine.Renderer, &r, SDL_PIXELFORMAT_RGBA32, part.data(), r.w * 4);
    SDL_SetRenderTarget(Engine.Renderer, previous);
    for (int row = 0; row < r.h; ++row) {
        size_t out = (size_t(r.y - y + row) * size_t(w) + size_t(r.x - x)) * 4;
        std::copy_n(part.data() + size_t(row) * r.w * 4, size_t(r.w) * 4, dst + out);
    }
}

HxTimer timer_Add(HxCallback callback, uint32_t interval_ms) {
    return AddTimer(callback, interval_ms);
}

}  // extern "C"
