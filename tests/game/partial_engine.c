/* partial_engine.c - a library with only a few of the engine's exports, to
 * show that the binding takes what it finds and leaves the rest null. */
#include <stdint.h>

#include "halvex_api.h"

static HxTimerRecord Timer;

void engine_start(uint32_t fsaa, uint32_t stencil) {
    (void)fsaa;
    (void)stencil;
}
HxTimer timer_Add(HxCallback callback, uint32_t interval) {
    Timer.Active = 1;
    Timer.Interval = interval;
    Timer.OnTimer = callback;
    return &Timer;
}
void gui_Draw(void) {}
void rtarget_Set(void) {}
