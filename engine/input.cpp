// input.cpp - keyboard and mouse state from SDL events.
//
// Keys are reported by PC keyboard scan code (set 1: Escape 1, "1".."0" 2..11,
// Q 16, A 30, Z 44, Space 57, F1 59 ...); keys that the PC keyboard sends
// with an E0 prefix (arrows, Insert, Delete, Home, End, Page Up/Down, right
// Ctrl/Alt, keypad Enter and /) carry 0x80 on top of their code, so they fit
// in the 8-bit key code (Up = 0xC8, Left = 0xCB, Right = 0xCD, Down = 0xD0).
// Mouse buttons: 0 left, 1 middle, 2 right. Mouse positions are in the
// game's picture whatever the window's size; a press in a black bar beside
// the picture counts for nothing.
//
// A press stays latched until key_ClearState / mouse_ClearState, so a press
// that begins and ends between two game ticks is still seen by the next tick.
#include <array>

#include "fit.h"
#include "internal.h"

namespace hx {
namespace {

std::array<bool, 256> KeyHeld{};
std::array<bool, 256> KeyPressed{};
std::array<bool, 3> ButtonHeld{};
std::array<bool, 3> ButtonPressed{};
int PointerX = -1, PointerY = -1;

// Keys outside the runs 1..0 and F1..F10, with their PC scan codes.
struct KeyCode {
    SDL_Scancode Sdl;
    int Pc;
};
constexpr KeyCode kKeyCodes[] = {
    {SDL_SCANCODE_ESCAPE, 1},
    {SDL_SCANCODE_MINUS, 12},
    {SDL_SCANCODE_EQUALS, 13},
    {SDL_SCANCODE_BACKSPACE, 14},
    {SDL_SCANCODE_TAB, 15},
    {SDL_SCANCODE_Q, 16},
    {SDL_SCANCODE_W, 17},
    {SDL_SCANCODE_E, 18},
    {SDL_SCANCODE_R, 19},
    {SDL_SCANCODE_T, 20},
    {SDL_SCANCODE_Y, 21},
    {SDL_SCANCODE_U, 22},
    {SDL_SCANCODE_I, 23},
    {SDL_SCANCODE_O, 24},
    {SDL_SCANCODE_P, 25},
    {SDL_SCANCODE_LEFTBRACKET, 26},
    {SDL_SCANCODE_RIGHTBRACKET, 27},
    {SDL_SCANCODE_RETURN, 28},
    {SDL_SCANCODE_LCTRL, 29},
    {SDL_SCANCODE_A, 30},
    {SDL_SCANCODE_S, 31},
    {SDL_SCANCODE_D, 32},
    {SDL_SCANCODE_F, 33},
    {SDL_SCANCODE_G, 34},
    {SDL_SCANCODE_H, 35},
    {SDL_SCANCODE_J, 36},
    {SDL_SCANCODE_K, 37},
    {SDL_SCANCODE_L, 38},
    {SDL_SCANCODE_SEMICOLON, 39},
    {SDL_SCANCODE_APOSTROPHE, 40},
    {SDL_SCANCODE_GRAVE, 41},
    {SDL_SCANCODE_LSHIFT, 42},
    {SDL_SCANCODE_BACKSLASH, 43},
    {SDL_SCANCODE_Z, 44},
    {SDL_SCANCODE_X, 45},
    {SDL_SCANCODE_C, 46},
    {SDL_SCANCODE_V, 47},
    {SDL_SCANCODE_B, 48},
    {SDL_SCANCODE_N, 49},
    {SDL_SCANCODE_M, 50},
    {SDL_SCANCODE_COMMA, 51},
    {SDL_SCANCODE_PERIOD, 52},
    {SDL_SCANCODE_SLASH, 53},
    {SDL_SCANCODE_RSHIFT, 54},
    {SDL_SCANCODE_KP_MULTIPLY, 55},
    {SDL_SCANCODE_LALT, 56},
    {SDL_SCANCODE_SPACE, 57},
    {SDL_SCANCODE_CAPSLOCK, 58},
    {SDL_SCANCODE_NUMLOCKCLEAR, 69},
    {SDL_SCANCODE_SCROLLLOCK, 70},
    {SDL_SCANCODE_KP_7, 71},
    {SDL_SCANCODE_KP_8, 72},
    {SDL_SCANCODE_KP_9, 73},
    {SDL_SCANCODE_KP_MINUS, 74},
    {SDL_SCANCODE_KP_4, 75},
    {SDL_SCANCODE_KP_5, 76},
    {SDL_SCANCODE_KP_6, 77},
    {SDL_SCANCODE_KP_PLUS, 78},
    {SDL_SCANCODE_KP_1, 79},
    {SDL_SCANCODE_KP_2, 80},
    {SDL_SCANCODE_KP_3, 81},
    {SDL_SCANCODE_KP_0, 82},
    {SDL_SCANCODE_KP_PERIOD, 83},
    {SDL_SCANCODE_F11, 87},
    {SDL_SCANCODE_F12, 88},
    {SDL_SCANCODE_KP_ENTER, 0x80 | 28},
    {SDL_SCANCODE_RCTRL, 0x80 | 29},
    {SDL_SCANCODE_KP_DIVIDE, 0x80 | 53},
    {SDL_SCANCODE_RALT, 0x80 | 56},
    {SDL_SCANCODE_HOME, 0x80 | 71},
    {SDL_SCANCODE_UP, 0x80 | 72},
    {SDL_SCANCODE_PAGEUP, 0x80 | 73},
    {SDL_SCANCODE_LEFT, 0x80 | 75},
    {SDL_SCANCODE_RIGHT, 0x80 | 77},
    {SDL_SCANCODE_END, 0x80 | 79},
    {SDL_SCANCODE_DOWN, 0x80 | 80},
    {SDL_SCANCODE_PAGEDOWN, 0x80 | 81},
    {SDL_SCANCODE_INSERT, 0x80 | 82},
    {SDL_SCANCODE_DELETE, 0x80 | 83},
};

uint8_t PcScanCode(SDL_Scancode s) {
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_0) return uint8_t(2 + (s - SDL_SCANCODE_1));
    if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F10) return uint8_t(59 + (s - SDL_SCANCODE_F1));
    for (const KeyCode& k : kKeyCodes)
        if (k.Sdl == s) return uint8_t(k.Pc);
    return 0;
}

int ButtonIndex(uint8_t sdl_button) {
    switch (sdl_button) {
        case SDL_BUTTON_LEFT:
            return 0;
        case SDL_BUTTON_MIDDLE:
            return 1;
        case SDL_BUTTON_RIGHT:
            return 2;
        default:
            return -1;
    }
}

}  // namespace

void InputHandleEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            uint8_t code = PcScanCode(e.key.keysym.scancode);
            if (!code) break;
            bool down = e.type == SDL_KEYDOWN;
            if (down && !e.key.repeat) KeyPressed[code] = true;
            KeyHeld[code] = down;
            break;
        }
        case SDL_MOUSEMOTION:
            MouseToGame(e.motion.x, e.motion.y, PointerX, PointerY);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool inside = MouseToGame(e.button.x, e.button.y, PointerX, PointerY);
            int b = ButtonIndex(e.button.button);
            if (b < 0) break;
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            if (down && !inside) break;
            if (down) ButtonPressed[size_t(b)] = true;
            ButtonHeld[size_t(b)] = down;
            if (b == 0) {
                if (down)
                    GuiMouseDown(PointerX, PointerY);
                else if (inside)
                    GuiMouseUp(PointerX, PointerY);
                else
                    GuiMouseCancel();
            }
            break;
        }
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_LEAVE) PointerX = PointerY = -1;
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                // Releases that happen elsewhere never reach us: forget what is held.
                KeyHeld.fill(false);
                ButtonHeld.fill(false);
            }
            break;
        default:
            break;
    }
}

void InputReset() {
    KeyHeld.fill(false);
    KeyPressed.fill(false);
    ButtonHeld.fill(false);
    ButtonPressed.fill(false);
    PointerX = PointerY = -1;
}

int MouseX() {
    return PointerX;
}
int MouseY() {
    return PointerY;
}
bool LeftButtonHeld() {
    return ButtonHeld[0];
}

}  // namespace hx

using namespace hx;

extern "C" {

uint8_t key_Press(uint8_t code) {
    return KeyPressed[code] ? 1 : 0;
}

void key_ClearState(void) {
    KeyPressed.fill(false);
}

// Held now, or pressed since the last mouse_ClearState.
uint8_t mouse_Down(uint8_t button) {
    if (button > 2) return 0;
    return (ButtonHeld[button] || ButtonPressed[button]) ? 1 : 0;
}

void mouse_ClearState(void) {
    ButtonPressed.fill(false);
}

}  // extern "C"
