// input.cpp - keyboard and mouse state from SDL events.
//
// Keys are reported by PC keyboard scan code (set 1: Escape 1, "1".."0" 2..11,
// Q 16, A 30, Z 44, Space 57, F1 59 ...); keys that the PC keyboard sends
// with an E0 prefix (arrows, Insert, Delete, Home, End, Page Up/Down, right
// Ctrl/Alt, keypad Enter and /) carry 0x80 on top of their code, so they fit
// in the 8-bit key code (Up = 0xC8, Left = 0xCB, Right = 0xCD, Down = 0xD0).
// Mouse buttons: 0 left, 1 middle, 2 right.
//
// A press stays latched until key_ClearState / mouse_ClearState, so a press
// that begins and ends between two game ticks is still seen by the next tick.
#include "internal.h"

#include <array>

namespace hx {
namespace {

std::array<bool, 256> KeyHeld{};
std::array<bool, 256> KeyPressed{};
std::array<bool, 3> ButtonHeld{};
std::array<bool, 3> ButtonPressed{};
int PointerX = -1, PointerY = -1;

uint8_t PcScanCode(SDL_Scancode s) {
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_0) return uint8_t(2 + (s - SDL_SCANCODE_1));
    if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F10) return uint8_t(59 + (s - SDL_SCANCODE_F1));
    switch (s) {
    case SDL_SCANCODE_ESCAPE: return 1;
    case SDL_SCANCODE_MINUS: return 12;
    case SDL_SCANCODE_EQUALS: return 13;
    case SDL_SCANCODE_BACKSPACE: return 14;
    case SDL_SCANCODE_TAB: return 15;
    case SDL_SCANCODE_Q: return 16;
    case SDL_SCANCODE_W: return 17;
    case SDL_SCANCODE_E: return 18;
    case SDL_SCANCODE_R: return 19;
    case SDL_SCANCODE_T: return 20;
    case SDL_SCANCODE_Y: return 21;
    case SDL_SCANCODE_U: return 22;
    case SDL_SCANCODE_I: return 23;
    case SDL_SCANCODE_O: return 24;
    case SDL_SCANCODE_P: return 25;
    case SDL_SCANCODE_LEFTBRACKET: return 26;
    case SDL_SCANCODE_RIGHTBRACKET: return 27;
    case SDL_SCANCODE_RETURN: return 28;
    case SDL_SCANCODE_LCTRL: return 29;
    case SDL_SCANCODE_A: return 30;
    case SDL_SCANCODE_S: return 31;
    case SDL_SCANCODE_D: return 32;
    case SDL_SCANCODE_F: return 33;
    case SDL_SCANCODE_G: return 34;
    case SDL_SCANCODE_H: return 35;
    case SDL_SCANCODE_J: return 36;
    case SDL_SCANCODE_K: return 37;
    case SDL_SCANCODE_L: return 38;
    case SDL_SCANCODE_SEMICOLON: return 39;
    case SDL_SCANCODE_APOSTROPHE: return 40;
    case SDL_SCANCODE_GRAVE: return 41;
    case SDL_SCANCODE_LSHIFT: return 42;
    case SDL_SCANCODE_BACKSLASH: return 43;
    case SDL_SCANCODE_Z: return 44;
    case SDL_SCANCODE_X: return 45;
    case SDL_SCANCODE_C: return 46;
    case SDL_SCANCODE_V: return 47;
    case SDL_SCANCODE_B: return 48;
    case SDL_SCANCODE_N: return 49;
    case SDL_SCANCODE_M: return 50;
    case SDL_SCANCODE_COMMA: return 51;
    case SDL_SCANCODE_PERIOD: return 52;
    case SDL_SCANCODE_SLASH: return 53;
    case SDL_SCANCODE_RSHIFT: return 54;
    case SDL_SCANCODE_KP_MULTIPLY: return 55;
    case SDL_SCANCODE_LALT: return 56;
    case SDL_SCANCODE_SPACE: return 57;
    case SDL_SCANCODE_CAPSLOCK: return 58;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 69;
    case SDL_SCANCODE_SCROLLLOCK: return 70;
    case SDL_SCANCODE_KP_7: return 71;
    case SDL_SCANCODE_KP_8: return 72;
    case SDL_SCANCODE_KP_9: return 73;
    case SDL_SCANCODE_KP_MINUS: return 74;
    case SDL_SCANCODE_KP_4: return 75;
    case SDL_SCANCODE_KP_5: return 76;
    case SDL_SCANCODE_KP_6: return 77;
    case SDL_SCANCODE_KP_PLUS: return 78;
    case SDL_SCANCODE_KP_1: return 79;
    case SDL_SCANCODE_KP_2: return 80;
    case SDL_SCANCODE_KP_3: return 81;
    case SDL_SCANCODE_KP_0: return 82;
    case SDL_SCANCODE_KP_PERIOD: return 83;
    case SDL_SCANCODE_F11: return 87;
    case SDL_SCANCODE_F12: return 88;
    case SDL_SCANCODE_KP_ENTER: return 0x80 | 28;
    case SDL_SCANCODE_RCTRL: return 0x80 | 29;
    case SDL_SCANCODE_KP_DIVIDE: return 0x80 | 53;
    case SDL_SCANCODE_RALT: return 0x80 | 56;
    case SDL_SCANCODE_HOME: return 0x80 | 71;
    case SDL_SCANCODE_UP: return 0x80 | 72;
    case SDL_SCANCODE_PAGEUP: return 0x80 | 73;
    case SDL_SCANCODE_LEFT: return 0x80 | 75;
    case SDL_SCANCODE_RIGHT: return 0x80 | 77;
    case SDL_SCANCODE_END: return 0x80 | 79;
    case SDL_SCANCODE_DOWN: return 0x80 | 80;
    case SDL_SCANCODE_PAGEDOWN: return 0x80 | 81;
    case SDL_SCANCODE_INSERT: return 0x80 | 82;
    case SDL_SCANCODE_DELETE: return 0x80 | 83;
    default: return 0;
    }
}

int ButtonIndex(uint8_t sdl_button) {
    switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_MIDDLE: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    default: return -1;
    }
}

} // namespace

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
        PointerX = e.motion.x;
        PointerY = e.motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        PointerX = e.button.x;
        PointerY = e.button.y;
        int b = ButtonIndex(e.button.button);
        if (b < 0) break;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (down) ButtonPressed[size_t(b)] = true;
        ButtonHeld[size_t(b)] = down;
        if (b == 0) {
            if (down)
                GuiMouseDown(e.button.x, e.button.y);
            else
                GuiMouseUp(e.button.x, e.button.y);
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
    default: break;
    }
}

void InputReset() {
    KeyHeld.fill(false);
    KeyPressed.fill(false);
    ButtonHeld.fill(false);
    ButtonPressed.fill(false);
    PointerX = PointerY = -1;
}

int MouseX() { return PointerX; }
int MouseY() { return PointerY; }
bool LeftButtonHeld() { return ButtonHeld[0]; }

} // namespace hx

using namespace hx;

extern "C" {

uint8_t key_Press(uint8_t code) { return KeyPressed[code] ? 1 : 0; }

void key_ClearState(void) { KeyPressed.fill(false); }

// Held now, or pressed since the last mouse_ClearState.
uint8_t mouse_Down(uint8_t button) {
    if (button > 2) return 0;
    return (ButtonHeld[button] || ButtonPressed[button]) ? 1 : 0;
}

void mouse_ClearState(void) { ButtonPressed.fill(false); }

} // extern "C"
