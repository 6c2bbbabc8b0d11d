// fake_engine.cpp - the recording fake engine and music player.
#include "fake_engine.h"

#include <png.h>

#include <algorithm>
#include <cstring>

#include "music.h"

FakeEngine Fake;
std::vector<FakeCall> MusicCalls;
static uint64_t CallOrder = 0;

std::vector<FakeCall> FakeEngine::Named(const std::string& name) const {
    std::vector<FakeCall> out;
    for (const FakeCall& call : calls)
        if (call.name == name) out.push_back(call);
    return out;
}

std::vector<std::string> FakeEngine::Names() const {
    std::vector<std::string> out;
    for (const FakeCall& call : calls) out.push_back(call.name);
    return out;
}

HxTexture FakeEngine::TextureOfEntry(int entry) const {
    std::string wanted = "entry-" + std::to_string(entry);
    for (const auto& [texture, source] : textureSource)
        if (source == wanted) return texture;
    return 0;
}

// A whole 1 x 1 PNG: the game checks every entry's image before the engine
// gets it, and a PNG reader stops at the image's end chunk.
static const std::string& TinyPng() {
    static const std::string png = [] {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = image.height = 1;
        image.format = PNG_FORMAT_RGBA;
        const uint8_t pixel[4] = {10, 20, 30, 255};
        png_alloc_size_t size = 0;
        png_image_write_to_memory(&image, nullptr, &size, 0, pixel, 0, nullptr);
        std::string bytes(size, '\0');
        png_image_write_to_memory(&image, bytes.data(), &size, 0, pixel, 0, nullptr);
        return bytes;
    }();
    return png;
}

std::string PackImage(const std::string& marker) {
    return TinyPng() + marker;
}

std::string MakePack(int count) {
    std::string pack;
    for (int k = 1; k <= count; k++) {
        std::string data = PackImage("entry-" + std::to_string(k));
        uint32_t length = static_cast<uint32_t>(data.size());
        for (int b = 0; b < 4; b++) pack.push_back(static_cast<char>((length >> (8 * b)) & 0xFF));
        pack += data;
    }
    return pack;
}

static void Record(const char* name, std::vector<double> args, std::string text = "") {
    Fake.calls.push_back(FakeCall{name, std::move(args), std::move(text), ++CallOrder});
}

static void RecordDraw(const char* name, std::vector<double> args, std::string text = "") {
    if (Fake.recordDrawing) Record(name, std::move(args), std::move(text));
}

extern "C" {
static void FakeEngineDevice(uint32_t event, HxCallback callback) {
    Record("engine_device", {double(event)});
    if (event == HX_EVENT_LOAD) Fake.onLoad = callback;
    if (event == HX_EVENT_DRAW) Fake.onDraw = callback;
}
static void FakeEngineDisable(uint32_t what) {
    Record("engine_disable", {double(what)});
}
static void FakeEngineStart(uint32_t a, uint32_t b) {
    Record("engine_start", {double(a), double(b)});
}
static void FakeEngineStop() {
    Record("engine_stop", {});
}
static void FakeSetCaption(const char* caption) {
    Record("wnd_SetCaption", {}, caption);
}
static void FakeShowCursor(uint8_t show) {
    Record("wnd_ShowCursor", {double(show)});
}
static void FakeSetOptions(uint32_t w, uint32_t h, uint32_t r, uint8_t f, uint8_t v) {
    Record("scr_SetOptions", {double(w), double(h), double(r), double(f), double(v)});
}
static HxTimer FakeTimerAdd(HxCallback callback, uint32_t interval) {
    Record("timer_Add", {double(interval)});
    Fake.timers.push_back(FakeTimer{});
    FakeTimer& timer = Fake.timers.back();
    timer.record.Active = 1;
    timer.record.Interval = interval;
    timer.callback = callback;
    return &timer.record;
}
static uint8_t FakeKeyPress(uint8_t code) {
    Record("key_Press", {double(code)});
    return code == 1 && Fake.escapePressed;
}
static void FakeKeyClear() {
    Record("key_ClearState", {});
    Fake.escapePressed = false;
}
static uint8_t FakeMouseDown(uint8_t button) {
    Record("mouse_Down", {double(button)});
    return button == 2 && Fake.rightMouseDown;
}
static void FakeMouseClear() {
    Record("mouse_ClearState", {});
}
static void FakeMemLoad(MemoryStream* stream, const char* name) {
    Record("mem_LoadFromFile", {}, name);
    *stream = MemoryStream{};
    auto file = Fake.files.find(name);
    if (file == Fake.files.end()) return;
    Fake.blocks.emplace_back(file->second.begin(), file->second.end());
    stream->Data = Fake.blocks.back().data();
    stream->Size = static_cast<uint32_t>(file->second.size());
}
static uint32_t FakeMemRead(MemoryStream* stream, void* buffer, uint32_t count) {
    Record("mem_Read", {double(count)});
    uint32_t left = stream->Position < stream->Size ? stream->Size - stream->Position : 0;
    uint32_t n = std::min(count, left);
    if (n) std::memcpy(buffer, stream->Data + stream->Position, n);
    stream->Position += n;
    return n;
}
static uint32_t FakeMemSeek(MemoryStream* stream, int32_t offset, int32_t mode) {
    Record("mem_Seek", {double(offset), double(mode)});
    int64_t base = mode == 0 ? 0 : mode == 1 ? stream->Size : stream->Position;
    int64_t position = std::clamp<int64_t>(base + offset, 0, stream->Size);
    stream->Position = static_cast<uint32_t>(position);
    return stream->Position;
}
static void FakeMemGet(MemoryStream* stream, uint32_t size) {
    Record("mem_Get", {double(size)});
    Fake.blocks.emplace_back(size + 1, 0);
    stream->Data = Fake.blocks.back().data();
}
static HxTexture FakeTexLoad(MemoryStream* stream, const char* ext, uint32_t key, uint32_t flags) {
    Record("tex_LoadFromMemory", {double(key), double(flags), double(stream->Size)}, ext);
    HxTexture texture = Fake.nextTexture++;
    std::string source(reinterpret_cast<char*>(stream->Data), stream->Size);
    if (source.compare(0, TinyPng().size(), TinyPng()) == 0) source.erase(0, TinyPng().size());
    Fake.textureSource[texture] = source;
    return texture;
}
static void FakeTexFrame(HxTexture* texture, uint16_t w, uint16_t h) {
    Record("tex_SetFrameSize", {double(*texture), double(w), double(h)});
    Fake.frameSize[*texture] = {w, h};
}
static HxFont FakeFontLoad(MemoryStream* stream) {
    Record("font_LoadFromMemory", {double(stream->Size)});
    if (Fake.fontLoadFails) return nullptr;
    Fake.fontPages[0] = 999;
    Fake.font.PageCount = 1;
    Fake.font.Pages = Fake.fontPages;
    return &Fake.font;
}
static void FakeBatchBegin() {
    RecordDraw("batch2d_Begin", {});
}
static void FakeBatchEnd() {
    RecordDraw("batch2d_End", {});
}
static void FakeSprS(HxTexture t, float x, float y, float w, float h, float angle, uint8_t alpha,
                     uint32_t flags) {
    RecordDraw("spr_sDraw", {double(t), x, y, w, h, angle, double(alpha), double(flags)});
}
static void FakeSprA(HxTexture t, float x, float y, float w, float h, float angle, uint16_t frame,
                     uint8_t alpha, uint32_t flags) {
    RecordDraw("spr_aDraw", {double(t), x, y, w, h, angle, double(frame), double(alpha), double(flags)});
}
static void FakeRect(float x, float y, float w, float h, uint32_t colour, uint8_t alpha, uint32_t flags) {
    RecordDraw("prim_Rect", {x, y, w, h, double(colour), double(alpha), double(flags)});
}
static void FakeText(HxFont font, float x, float y, float scale, float spacing, const char* text,
                     uint8_t alpha, uint32_t colour, uint32_t flags) {
    RecordDraw(
        "text_DrawEx",
        {double(font == &Fake.font), x, y, scale, spacing, double(alpha), double(colour), double(flags)},
        text);
}
static HxWidget FakeAddImage(HxTexture t, float x, float y, float w, float h, uint8_t alpha, uint8_t visible,
                             uint8_t enabled, HxWidgetCallback callback) {
    Record("gui_AddImage", {double(t), x, y, w, h, double(alpha), double(visible), double(enabled)});
    HxWidget id = Fake.nextWidget++;
    FakeWidget& widget = Fake.widgets[id];
    widget = FakeWidget{t, x, y, w, h, alpha, visible, enabled, 0, "", callback};
    Fake.widgetOrder.push_back(id);
    return id;
}
static HxWidget FakeAddCheckBox(HxTexture t, float x, float y, float w, float h, uint8_t alpha,
                                uint8_t visible, uint8_t enabled, uint8_t checked, HxFont font,
                                const char* caption, uint32_t colour, uint8_t captionAlpha,
                                HxWidgetCallback callback) {
    Record("gui_AddCheckBox",
           {double(t), x, y, w, h, double(alpha), double(visible), double(enabled), double(checked),
            double(font == &Fake.font), double(colour), double(captionAlpha)},
           caption);
    HxWidget id = Fake.nextWidget++;
    Fake.widgets[id] = FakeWidget{t, x, y, w, h, alpha, visible, enabled, checked, caption, callback};
    Fake.widgetOrder.push_back(id);
    return id;
}
static void FakeSetTexture(uint32_t zero, HxWidget widget, HxTexture t) {
    Record("gui_SetTexture", {double(zero), double(widget), double(t)});
    if (Fake.widgets.count(widget)) Fake.widgets[widget].texture = t;
}
static void FakeSetAlpha(uint32_t zero, HxWidget widget, uint8_t alpha) {
    Record("gui_SetAlpha", {double(zero), double(widget), double(alpha)});
    if (Fake.widgets.count(widget)) Fake.widgets[widget].alpha = alpha;
}
static void FakeSetVisible(uint32_t zero, HxWidget widget, uint8_t visible) {
    Record("gui_SetVisible", {double(zero), double(widget), double(visible)});
    if (Fake.widgets.count(widget)) Fake.widgets[widget].visible = visible;
}
static void FakeSetEnable(uint32_t zero, HxWidget widget, uint8_t enabled) {
    if (Fake.recordDrawing) Record("gui_SetEnable", {double(zero), double(widget), double(enabled)});
    if (Fake.widgets.count(widget)) Fake.widgets[widget].enabled = enabled;
}
static void FakeGuiCalc() {
    Record("gui_Calc", {});
    std::vector<HxWidget> clicks;
    clicks.swap(Fake.pendingClicks);
    // Like the engine: hidden or disabled widgets send nothing.
    for (HxWidget id : clicks) {
        auto it = Fake.widgets.find(id);
        if (it == Fake.widgets.end() || !it->second.visible || !it->second.enabled || !it->second.callback)
            continue;
        it->second.checked = !it->second.checked;
        it->second.callback(id, HX_WIDGET_CLICK);
    }
    if (Fake.afterCalc) Fake.afterCalc();
}
static void FakeGuiDraw() {
    RecordDraw("gui_Draw", {});
}
}

void UnbindEngine() {
#define HALVEX_CLEAR(var, name) var = nullptr;
    HALVEX_BINDINGS(HALVEX_CLEAR)
#undef HALVEX_CLEAR
    EngineLibrary = nullptr;
}

void InstallFakeEngine() {
    UnbindEngine();
    Fake = FakeEngine{};
    MusicCalls.clear();
    engine_device = FakeEngineDevice;
    engine_disable = FakeEngineDisable;
    engine_start = FakeEngineStart;
    engine_stop = FakeEngineStop;
    wnd_SetCaption = FakeSetCaption;
    wnd_ShowCursor = FakeShowCursor;
    scr_SetOptions = FakeSetOptions;
    timer_Add = FakeTimerAdd;
    key_Press = FakeKeyPress;
    key_ClearState = FakeKeyClear;
    mouse_Down = FakeMouseDown;
    mouse_ClearState = FakeMouseClear;
    mem_LoadFromFile = FakeMemLoad;
    mem_Read = FakeMemRead;
    mem_Seek = FakeMemSeek;
    mem_Get = FakeMemGet;
    tex_LoadFromMemory = FakeTexLoad;
    tex_SetFrameSize = FakeTexFrame;
    font_LoadFromMemory = FakeFontLoad;
    batch2d_Begin = FakeBatchBegin;
    batch2d_End = FakeBatchEnd;
    spr_sDraw = FakeSprS;
    spr_aDraw = FakeSprA;
    prim_Rect = FakeRect;
    text_DrawEx = FakeText;
    gui_AddImage = FakeAddImage;
    gui_AddCheckBox = FakeAddCheckBox;
    gui_SetTexture = FakeSetTexture;
    gui_SetAlpha = FakeSetAlpha;
    gui_SetVisible = FakeSetVisible;
    gui_SetEnable = FakeSetEnable;
    gui_Calc = FakeGuiCalc;
    gui_Draw = FakeGuiDraw;
}

// The fake music player.
uintptr_t MusicPlay(const void* source, uintptr_t size, uint32_t flags) {
    MusicCalls.push_back(
        FakeCall{"MusicPlay", {double(source != nullptr), double(size), double(flags)}, "", ++CallOrder});
    return 1;
}
void MusicStop() {
    MusicCalls.push_back(FakeCall{"MusicStop", {}, "", ++CallOrder});
}
void MusicPause() {
    MusicCalls.push_back(FakeCall{"MusicPause", {}, "", ++CallOrder});
}
void MusicResume() {
    MusicCalls.push_back(FakeCall{"MusicResume", {}, "", ++CallOrder});
}
void MusicSetVolume(int32_t index) {
    MusicCalls.push_back(FakeCall{"MusicSetVolume", {double(index)}, "", ++CallOrder});
}
