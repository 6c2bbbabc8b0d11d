// exports.cpp - the list of C entry points the library exports, checked at
// compile time against the function-pointer types of halvex_api.h, so the
// game's dlsym bindings and our definitions can never disagree on a
// signature. The functions themselves live in the file of their concern.
#include <type_traits>

#include "internal.h"

#define HX_CHECK_EXPORT(name) \
    static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name " does not match its PFN_ type")

HX_CHECK_EXPORT(engine_device);
HX_CHECK_EXPORT(engine_disable);
HX_CHECK_EXPORT(engine_start);
HX_CHECK_EXPORT(engine_stop);
HX_CHECK_EXPORT(wnd_SetCaption);
HX_CHECK_EXPORT(wnd_ShowCursor);
HX_CHECK_EXPORT(scr_SetOptions);
HX_CHECK_EXPORT(scr_ReadPixels);
HX_CHECK_EXPORT(timer_Add);
HX_CHECK_EXPORT(key_Press);
HX_CHECK_EXPORT(key_ClearState);
HX_CHECK_EXPORT(mouse_Down);
HX_CHECK_EXPORT(mouse_ClearState);
HX_CHECK_EXPORT(mem_LoadFromFile);
HX_CHECK_EXPORT(mem_Read);
HX_CHECK_EXPORT(mem_Seek);
HX_CHECK_EXPORT(mem_Get);
HX_CHECK_EXPORT(tex_LoadFromMemory);
HX_CHECK_EXPORT(tex_SetFrameSize);
HX_CHECK_EXPORT(font_LoadFromMemory);
HX_CHECK_EXPORT(batch2d_Begin);
HX_CHECK_EXPORT(batch2d_End);
HX_CHECK_EXPORT(spr_sDraw);
HX_CHECK_EXPORT(spr_aDraw);
HX_CHECK_EXPORT(prim_Rect);
HX_CHECK_EXPORT(text_DrawEx);
HX_CHECK_EXPORT(gui_AddImage);
HX_CHECK_EXPORT(gui_AddCheckBox);
HX_CHECK_EXPORT(gui_SetTexture);
HX_CHECK_EXPORT(gui_SetAlpha);
HX_CHECK_EXPORT(gui_SetVisible);
HX_CHECK_EXPORT(gui_SetEnable);
HX_CHECK_EXPORT(gui_Calc);
HX_CHECK_EXPORT(gui_Draw);
