// fake_engine.h - a recording stand-in for the Halvex engine and the music
// player. It points the game's binding variables at functions that record
// every call with its arguments, own the handles and records they return,
// and behave just enough like the engine (memory streams, widgets with
// enabled/visible state and click delivery in gui_Calc, timers) for the
// game's rules to run.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "halvex.h"

struct FakeCall {
    std::string name;
    std::vector<double> args;  // numeric arguments in order (handles as numbers)
    std::string text;          // the text argument, if any
    uint64_t order = 0;        // position among all engine and player calls
};

struct FakeWidget {
    HxTexture texture = 0;
    float x = 0, y = 0, w = 0, h = 0;
    uint8_t alpha = 0, visible = 0, enabled = 0, checked = 0;
    std::string caption;
    HxWidgetCallback callback = nullptr;
};

struct FakeTimer {
    HxTimerRecord record{};
    HxCallback callback = nullptr;
};

struct FakeEngine {
    std::vector<FakeCall> calls;
    std::map<std::string, std::string> files;        // mem_LoadFromFile's view of the disk
    std::map<HxTexture, std::string> textureSource;  // the bytes each texture was made from
    std::map<HxTexture, std::pair<int, int>> frameSize;
    std::map<HxWidget, FakeWidget> widgets;
    std::vector<HxWidget> widgetOrder;
    std::deque<FakeTimer> timers;
    std::deque<std::vector<uint8_t>> blocks;  // memory handed out by the fake
    HxFontRecord font{};
    HxTexture fontPages[1] = {0};
    bool fontLoadFails = false;
    std::vector<HxWidget> pendingClicks;  // delivered by the next gui_Calc
    bool escapePressed = false;
    bool rightMouseDown = false;
    HxCallback onLoad = nullptr, onDraw = nullptr;
    HxTexture nextTexture = 1;
    HxWidget nextWidget = 1000;
    bool recordDrawing = true;        // the long simulation switches recording off
    std::function<void()> afterCalc;  // runs at the end of every gui_Calc

    // Calls by name, in order.
    std::vector<FakeCall> Named(const std::string& name) const;
    // Names of all calls, in order.
    std::vector<std::string> Names() const;
    // The texture made from pack entry `entry` of a pack built by MakePack.
    HxTexture TextureOfEntry(int entry) const;
    void Click(HxWidget widget) { pendingClicks.push_back(widget); }
};

extern FakeEngine Fake;

// Resets the fake and points every binding the game calls at it.
void InstallFakeEngine();
// Sets every binding back to null and forgets the library handle (the library
// itself stays loaded).
void UnbindEngine();

// A pack entry: a small real PNG followed by `marker`. The fake's textures
// remember only the marker as their source.
std::string PackImage(const std::string& marker);
// An asset pack of `count` entries; entry k is PackImage("entry-k").
std::string MakePack(int count);

// Music player calls recorded by the fake player (MusicPlay, MusicPause, ...).
extern std::vector<FakeCall> MusicCalls;
