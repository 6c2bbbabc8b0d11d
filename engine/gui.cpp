// gui.cpp - widgets: image buttons and check boxes.
//
// A click is the left button pressed and released over the same widget, the
// topmost visible widget under the pointer (the one created last). Clicks are
// latched as they happen and delivered by gui_Calc as event 3, in the order
// they happened; a widget that is disabled when pressed or released, or hidden
// or disabled when gui_Calc runs, sends nothing, and a disabled widget on top
// swallows the click. A check box flips
// its tick before its callback runs. A check box reacts to its box and its
// caption.
//
// Image button frames: 1 normal, 2 under the pointer, 3 pressed, 4 disabled;
// a texture with fewer frames uses frame 1 for the missing ones, and one
// without frame 4 is drawn dimmed (half brightness) while disabled. Check
// box frames: 1 unticked, 2 ticked; the caption is drawn right of the box,
// centred on it vertically.
#include "internal.h"

namespace hx {
namespace {

enum class Kind { Image, CheckBox };

struct Widget {
    Kind Type;
    HxTexture Texture;
    float X, Y, W, H;
    uint8_t Alpha;
    bool Visible, Enabled, Checked;
    HxFont Font;
    std::string Caption;
    uint32_t CaptionColour;
    uint8_t CaptionAlpha;
    HxWidgetCallback Callback;
};

std::vector<Widget> Widgets;
HxWidget PressedWidget = 0;  // widget under the pointer when the left button went down
std::vector<HxWidget> PendingClicks;

constexpr float kCaptionGap = 4;
constexpr size_t kMaxPendingClicks = 64;
constexpr uint32_t kDimColour = 0x808080;

Widget* Find(HxWidget id) {
    return id && id <= Widgets.size() ? &Widgets[id - 1] : nullptr;
}

bool Contains(const Widget& w, int px, int py) {
    float x = float(px) + 0.5f, y = float(py) + 0.5f;  // pixel centre
    float right = w.X + w.W;
    if (w.Type == Kind::CheckBox && w.Font && !w.Caption.empty())
        right = std::max(right, w.X + w.W + kCaptionGap + TextWidth(w.Font, 1, 0, w.Caption.c_str()));
    return x >= w.X && x < right && y >= w.Y && y < w.Y + w.H;
}

HxWidget TopmostAt(int px, int py) {
    for (size_t i = Widgets.size(); i-- > 0;)
        if (Widgets[i].Visible && Contains(Widgets[i], px, py)) return HxWidget(i + 1);
    return 0;
}

HxWidget Add(Widget w) {
    Widgets.push_back(std::move(w));
    return HxWidget(Widgets.size());
}

bool IsEnabled(HxWidget id) {
    const Widget* w = Find(id);
    return w && w->Enabled;
}

}  // namespace

// A press or release over a disabled widget counts for nothing: a button
// that was greyed out when the player clicked it must not act later, even
// if a callback that runs before it in the same gui_Calc enables it.
void GuiMouseDown(int x, int y) {
    HxWidget top = TopmostAt(x, y);
    PressedWidget = IsEnabled(top) ? top : 0;
}

void GuiMouseUp(int x, int y) {
    // Without gui_Calc (the game stops calling it after game over) clicks
    // would pile up: keep the first few.
    if (PressedWidget && TopmostAt(x, y) == PressedWidget && IsEnabled(PressedWidget) &&
        PendingClicks.size() < kMaxPendingClicks)
        PendingClicks.push_back(PressedWidget);
    PressedWidget = 0;
}

void GuiMouseCancel() {
    PressedWidget = 0;
}

void GuiReset() {
    PressedWidget = 0;
    PendingClicks.clear();
}

}  // namespace hx

using namespace hx;

extern "C" {

HxWidget gui_AddImage(HxTexture texture, float x, float y, float w, float h, uint8_t alpha, uint8_t visible,
                      uint8_t enabled, HxWidgetCallback callback) {
    return Add(Widget{Kind::Image, texture, x, y, w, h, alpha, visible != 0, enabled != 0, false, nullptr, "",
                      0, 0, callback});
}

HxWidget gui_AddCheckBox(HxTexture texture, float x, float y, float w, float h, uint8_t alpha,
                         uint8_t visible, uint8_t enabled, uint8_t checked, HxFont font, const char* caption,
                         uint32_t caption_colour, uint8_t caption_alpha, HxWidgetCallback callback) {
    return Add(Widget{Kind::CheckBox, texture, x, y, w, h, alpha, visible != 0, enabled != 0, checked != 0,
                      font, caption ? caption : "", caption_colour, caption_alpha, callback});
}

void gui_SetTexture(uint32_t, HxWidget widget, HxTexture texture) {
    if (Widget* w = Find(widget)) w->Texture = texture;
}

void gui_SetAlpha(uint32_t, HxWidget widget, uint8_t alpha) {
    if (Widget* w = Find(widget)) w->Alpha = alpha;
}

void gui_SetVisible(uint32_t, HxWidget widget, uint8_t visible) {
    if (Widget* w = Find(widget)) w->Visible = visible != 0;
}

void gui_SetEnable(uint32_t, HxWidget widget, uint8_t enabled) {
    if (Widget* w = Find(widget)) w->Enabled = enabled != 0;
}

void gui_Calc(void) {
    // Callbacks may add widgets or cause new clicks to be latched: take the
    // clicks latched so far and look each widget up again by its handle.
    std::vector<HxWidget> clicks;
    clicks.swap(PendingClicks);
    for (HxWidget id : clicks) {
        Widget* w = Find(id);
        if (!w || !w->Visible || !w->Enabled) continue;
        if (w->Type == Kind::CheckBox) w->Checked = !w->Checked;
        if (HxWidgetCallback cb = w->Callback) cb(id, HX_WIDGET_CLICK);
    }
}

void gui_Draw(void) {
    int mx = MouseX(), my = MouseY();
    for (size_t i = 0; i < Widgets.size(); ++i) {
        const Widget w = Widgets[i];  // a copy: nothing below may add widgets, but stay safe
        if (!w.Visible) continue;
        HxWidget id = HxWidget(i + 1);
        Texture* t = GetTexture(w.Texture);
        if (w.Type == Kind::Image) {
            if (!t) continue;
            int frames = FrameCount(*t);
            bool over = mx >= 0 && Contains(w, mx, my) && TopmostAt(mx, my) == id;
            int frame = 1;
            if (!w.Enabled)
                frame = 4;
            else if (over && LeftButtonHeld() && PressedWidget == id)
                frame = 3;
            else if (over)
                frame = 2;
            if (frame > frames) frame = 1;
            // Without a frame of its own for the disabled state the button is dimmed.
            uint32_t colour = (!w.Enabled && frames < 4) ? kDimColour : 0xFFFFFF;
            DrawTexturePart(*t, FrameRect(*t, frame), w.X, w.Y, w.W, w.H, 0, w.Alpha, true, false, colour);
        } else {
            uint32_t colour = w.Enabled ? 0xFFFFFF : kDimColour;
            if (t) {
                int frame = (w.Checked && FrameCount(*t) >= 2) ? 2 : 1;
                DrawTexturePart(*t, FrameRect(*t, frame), w.X, w.Y, w.W, w.H, 0, w.Alpha, true, false,
                                colour);
            }
            if (w.Font && !w.Caption.empty()) {
                float ty = w.Y + (w.H - LineHeight(w.Font, 1)) / 2;
                text_DrawEx(w.Font, w.X + w.W + kCaptionGap, ty, 1, 0, w.Caption.c_str(), w.CaptionAlpha,
                            w.CaptionColour, 0);
            }
        }
    }
}

}  // extern "C"
