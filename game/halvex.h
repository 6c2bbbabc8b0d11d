// halvex.h - the game's binding to the Halvex engine library.
//
// One function variable per export, filled by name from data/halvex.dll at
// start-up (LoadEngine), plus the two number-to-text helpers of the HUD and
// the info panels. The exports the game calls carry their exact types from
// halvex_api.h; the rest of the library's exports are bound too, under a
// generic function type, so that the whole interface is known in one place.
#pragma once

#include <cstdint>
#include <string>

#include "halvex_api.h"

// Exports the game never calls keep a generic function type.
typedef void (*HxProc)(void);

// Every binding in lookup order: X(variable, export name, type).
// rtarget_Set is bound twice, into two variables; the second is rtarget_Set_2.
#define HALVEX_BINDINGS(X)                                               \
    X(engine_start, engine_start, PFN_engine_start)                      \
    X(engine_stop, engine_stop, PFN_engine_stop)                         \
    X(engine_handle, engine_handle, HxProc)                              \
    X(engine_enable, engine_enable, HxProc)                              \
    X(engine_disable, engine_disable, PFN_engine_disable)                \
    X(engine_device, engine_device, PFN_engine_device)                   \
    X(engine_output, engine_output, HxProc)                              \
    X(mem_Get, mem_Get, PFN_mem_Get)                                     \
    X(mem_Clear, mem_Clear, HxProc)                                      \
    X(mem_FreeStrList, mem_FreeStrList, HxProc)                          \
    X(mem_LoadFromFile, mem_LoadFromFile, PFN_mem_LoadFromFile)          \
    X(mem_SaveToFile, mem_SaveToFile, HxProc)                            \
    X(mem_Seek, mem_Seek, PFN_mem_Seek)                                  \
    X(mem_Read, mem_Read, PFN_mem_Read)                                  \
    X(mem_Write, mem_Write, HxProc)                                      \
    X(mem_SetSize, mem_SetSize, HxProc)                                  \
    X(mem_Free, mem_Free, HxProc)                                        \
    X(log_Add, log_Add, HxProc)                                          \
    X(wnd_SetCaption, wnd_SetCaption, PFN_wnd_SetCaption)                \
    X(wnd_SetSize, wnd_SetSize, HxProc)                                  \
    X(wnd_SetPos, wnd_SetPos, HxProc)                                    \
    X(wnd_ShowCursor, wnd_ShowCursor, PFN_wnd_ShowCursor)                \
    X(scr_Clear, scr_Clear, HxProc)                                      \
    X(scr_Flush, scr_Flush, HxProc)                                      \
    X(scr_SetVSync, scr_SetVSync, HxProc)                                \
    X(scr_SetFSAA, scr_SetFSAA, HxProc)                                  \
    X(scr_SetOptions, scr_SetOptions, PFN_scr_SetOptions)                \
    X(scr_CorrectResolution, scr_CorrectResolution, HxProc)              \
    X(scr_ReadPixels, scr_ReadPixels, PFN_scr_ReadPixels)                \
    X(ini_LoadFromFile, ini_LoadFromFile, HxProc)                        \
    X(ini_SaveToFile, ini_SaveToFile, HxProc)                            \
    X(ini_Add, ini_Add, HxProc)                                          \
    X(ini_Del, ini_Del, HxProc)                                          \
    X(ini_Clear, ini_Clear, HxProc)                                      \
    X(ini_IsSection, ini_IsSection, HxProc)                              \
    X(ini_IsKey, ini_IsKey, HxProc)                                      \
    X(ini_ReadKeyStr, ini_ReadKeyStr, HxProc)                            \
    X(ini_ReadKeyInt, ini_ReadKeyInt, HxProc)                            \
    X(ini_ReadKeyFloat, ini_ReadKeyFloat, HxProc)                        \
    X(ini_ReadKeyBool, ini_ReadKeyBool, HxProc)                          \
    X(ini_WriteKeyStr, ini_WriteKeyStr, HxProc)                          \
    X(ini_WriteKeyInt, ini_WriteKeyInt, HxProc)                          \
    X(ini_WriteKeyFloat, ini_WriteKeyFloat, HxProc)                      \
    X(ini_WriteKeyBool, ini_WriteKeyBool, HxProc)                        \
    X(timer_Add, timer_Add, PFN_timer_Add)                               \
    X(timer_Del, timer_Del, HxProc)                                      \
    X(timer_GetTicks, timer_GetTicks, HxProc)                            \
    X(timer_Reset, timer_Reset, HxProc)                                  \
    X(mouse_X, mouse_X, HxProc)                                          \
    X(mouse_Y, mouse_Y, HxProc)                                          \
    X(mouse_DX, mouse_DX, HxProc)                                        \
    X(mouse_DY, mouse_DY, HxProc)                                        \
    X(mouse_Down, mouse_Down, PFN_mouse_Down)                            \
    X(mouse_Up, mouse_Up, HxProc)                                        \
    X(mouse_Click, mouse_Click, HxProc)                                  \
    X(mouse_DblClick, mouse_DblClick, HxProc)                            \
    X(mouse_Wheel, mouse_Wheel, HxProc)                                  \
    X(mouse_ClearState, mouse_ClearState, PFN_mouse_ClearState)          \
    X(mouse_Lock, mouse_Lock, HxProc)                                    \
    X(key_Down, key_Down, HxProc)                                        \
    X(key_Up, key_Up, HxProc)                                            \
    X(key_Press, key_Press, PFN_key_Press)                               \
    X(key_Last, key_Last, HxProc)                                        \
    X(key_BeginReadText, key_BeginReadText, HxProc)                      \
    X(key_GetText, key_GetText, HxProc)                                  \
    X(key_EndReadText, key_EndReadText, HxProc)                          \
    X(key_ClearState, key_ClearState, PFN_key_ClearState)                \
    X(joy_Init, joy_Init, HxProc)                                        \
    X(joy_GetInfo, joy_GetInfo, HxProc)                                  \
    X(joy_AxisPos, joy_AxisPos, HxProc)                                  \
    X(joy_Down, joy_Down, HxProc)                                        \
    X(joy_Up, joy_Up, HxProc)                                            \
    X(joy_Press, joy_Press, HxProc)                                      \
    X(joy_ClearState, joy_ClearState, HxProc)                            \
    X(tex_Add, tex_Add, HxProc)                                          \
    X(tex_Del, tex_Del, HxProc)                                          \
    X(tex_Create, tex_Create, HxProc)                                    \
    X(tex_CreateZero, tex_CreateZero, HxProc)                            \
    X(tex_LoadFromFile, tex_LoadFromFile, HxProc)                        \
    X(tex_LoadFromMemory, tex_LoadFromMemory, PFN_tex_LoadFromMemory)    \
    X(tex_SetFrameSize, tex_SetFrameSize, PFN_tex_SetFrameSize)          \
    X(tex_SetMask, tex_SetMask, HxProc)                                  \
    X(tex_SetData, tex_SetData, HxProc)                                  \
    X(tex_GetData, tex_GetData, HxProc)                                  \
    X(tex_Filter, tex_Filter, HxProc)                                    \
    X(tex_SetAnisotropy, tex_SetAnisotropy, HxProc)                      \
    X(atlas_Add, atlas_Add, HxProc)                                      \
    X(atlas_Del, atlas_Del, HxProc)                                      \
    X(atlas_GetFrameCoord, atlas_GetFrameCoord, HxProc)                  \
    X(atlas_InsertFromTexture, atlas_InsertFromTexture, HxProc)          \
    X(atlas_InsertFromFile, atlas_InsertFromFile, HxProc)                \
    X(atlas_InsertFromMemory, atlas_InsertFromMemory, HxProc)            \
    X(Set2DMode, Set2DMode, HxProc)                                      \
    X(Set3DMode, Set3DMode, HxProc)                                      \
    X(zbuffer_SetDepth, zbuffer_SetDepth, HxProc)                        \
    X(zbuffer_Clear, zbuffer_Clear, HxProc)                              \
    X(scissor_Begin, scissor_Begin, HxProc)                              \
    X(scissor_End, scissor_End, HxProc)                                  \
    X(rtarget_Add, rtarget_Add, HxProc)                                  \
    X(rtarget_Del, rtarget_Del, HxProc)                                  \
    X(rtarget_Set, rtarget_Set, HxProc)                                  \
    X(rtarget_Set_2, rtarget_Set, HxProc)                                \
    X(fx_SetBlendMode, fx_SetBlendMode, HxProc)                          \
    X(fx_SetColorMode, fx_SetColorMode, HxProc)                          \
    X(fx_SetColorMask, fx_SetColorMask, HxProc)                          \
    X(fx2d_SetColor, fx2d_SetColor, HxProc)                              \
    X(fx2d_SetVCA, fx2d_SetVCA, HxProc)                                  \
    X(fx2d_SetVertexes, fx2d_SetVertexes, HxProc)                        \
    X(fx2d_SetScale, fx2d_SetScale, HxProc)                              \
    X(cam2d_Set, cam2d_Set, HxProc)                                      \
    X(cam2d_Get, cam2d_Get, HxProc)                                      \
    X(batch2d_Begin, batch2d_Begin, PFN_batch2d_Begin)                   \
    X(batch2d_End, batch2d_End, PFN_batch2d_End)                         \
    X(batch2d_Flush, batch2d_Flush, HxProc)                              \
    X(prim_Pixel, prim_Pixel, HxProc)                                    \
    X(prim_Line, prim_Line, HxProc)                                      \
    X(prim_Rect, prim_Rect, PFN_prim_Rect)                               \
    X(prim_Circle, prim_Circle, HxProc)                                  \
    X(prim_Ellipse, prim_Ellipse, HxProc)                                \
    X(prim_TriList, prim_TriList, HxProc)                                \
    X(sengine2d_AddSprite, sengine2d_AddSprite, HxProc)                  \
    X(sengine2d_DelSprite, sengine2d_DelSprite, HxProc)                  \
    X(sengine2d_ClearAll, sengine2d_ClearAll, HxProc)                    \
    X(sengine2d_Set, sengine2d_Set, HxProc)                              \
    X(sengine2d_Draw, sengine2d_Draw, HxProc)                            \
    X(sengine2d_Proc, sengine2d_Proc, HxProc)                            \
    X(spr_tDraw, spr_tDraw, HxProc)                                      \
    X(spr_sDraw, spr_sDraw, PFN_spr_sDraw)                               \
    X(spr_aDraw, spr_aDraw, PFN_spr_aDraw)                               \
    X(spr_cDraw, spr_cDraw, HxProc)                                      \
    X(tiles_Draw, tiles_Draw, HxProc)                                    \
    X(sgrid2d_Draw, sgrid2d_Draw, HxProc)                                \
    X(agrid2d_Draw, agrid2d_Draw, HxProc)                                \
    X(cgrid2d_Draw, cgrid2d_Draw, HxProc)                                \
    X(pengine2d_Set, pengine2d_Set, HxProc)                              \
    X(pengine2d_Get, pengine2d_Get, HxProc)                              \
    X(pengine2d_Draw, pengine2d_Draw, HxProc)                            \
    X(pengine2d_Proc, pengine2d_Proc, HxProc)                            \
    X(pengine2d_AddEmitter, pengine2d_AddEmitter, HxProc)                \
    X(pengine2d_DelEmitter, pengine2d_DelEmitter, HxProc)                \
    X(pengine2d_ClearAll, pengine2d_ClearAll, HxProc)                    \
    X(emitter2d_Add, emitter2d_Add, HxProc)                              \
    X(emitter2d_Del, emitter2d_Del, HxProc)                              \
    X(emitter2d_LoadFromFile, emitter2d_LoadFromFile, HxProc)            \
    X(emitter2d_LoadFromMemory, emitter2d_LoadFromMemory, HxProc)        \
    X(emitter2d_Init, emitter2d_Init, HxProc)                            \
    X(emitter2d_Free, emitter2d_Free, HxProc)                            \
    X(emitter2d_Draw, emitter2d_Draw, HxProc)                            \
    X(emitter2d_Proc, emitter2d_Proc, HxProc)                            \
    X(font_Add, font_Add, HxProc)                                        \
    X(font_Del, font_Del, HxProc)                                        \
    X(font_LoadFromFile, font_LoadFromFile, HxProc)                      \
    X(font_LoadFromMemory, font_LoadFromMemory, PFN_font_LoadFromMemory) \
    X(text_Draw, text_Draw, HxProc)                                      \
    X(text_DrawEx, text_DrawEx, PFN_text_DrawEx)                         \
    X(text_DrawInRect, text_DrawInRect, HxProc)                          \
    X(text_DrawInRectEx, text_DrawInRectEx, HxProc)                      \
    X(text_GetWidth, text_GetWidth, HxProc)                              \
    X(text_GetHeight, text_GetHeight, HxProc)                            \
    X(textFx_SetLength, textFx_SetLength, HxProc)                        \
    X(snd_Init, snd_Init, HxProc)                                        \
    X(snd_Free, snd_Free, HxProc)                                        \
    X(snd_Add, snd_Add, HxProc)                                          \
    X(snd_Del, snd_Del, HxProc)                                          \
    X(snd_LoadFromFile, snd_LoadFromFile, HxProc)                        \
    X(snd_LoadFromMemory, snd_LoadFromMemory, HxProc)                    \
    X(snd_Play, snd_Play, HxProc)                                        \
    X(snd_Stop, snd_Stop, HxProc)                                        \
    X(snd_SetPos, snd_SetPos, HxProc)                                    \
    X(snd_SetVolume, snd_SetVolume, HxProc)                              \
    X(snd_SetSpeed, snd_SetSpeed, HxProc)                                \
    X(snd_Get, snd_Get, HxProc)                                          \
    X(snd_PlayFile, snd_PlayFile, HxProc)                                \
    X(snd_PauseFile, snd_PauseFile, HxProc)                              \
    X(snd_StopFile, snd_StopFile, HxProc)                                \
    X(snd_ResumeFile, snd_ResumeFile, HxProc)                            \
    X(m_Cos, m_Cos, HxProc)                                              \
    X(m_Sin, m_Sin, HxProc)                                              \
    X(m_Distance, m_Distance, HxProc)                                    \
    X(m_FDistance, m_FDistance, HxProc)                                  \
    X(m_Angle, m_Angle, HxProc)                                          \
    X(m_Orientation, m_Orientation, HxProc)                              \
    X(tess_Triangulate, tess_Triangulate, HxProc)                        \
    X(tess_AddHole, tess_AddHole, HxProc)                                \
    X(tess_GetData, tess_GetData, HxProc)                                \
    X(col2d_PointInRect, col2d_PointInRect, HxProc)                      \
    X(col2d_PointInriangle, col2d_PointInriangle, HxProc)                \
    X(col2d_PointInCircle, col2d_PointInCircle, HxProc)                  \
    X(col2d_Line, col2d_Line, HxProc)                                    \
    X(col2d_LineVsRect, col2d_LineVsRect, HxProc)                        \
    X(col2d_LineVsCircle, col2d_LineVsCircle, HxProc)                    \
    X(col2d_LineVsCircleXY, col2d_LineVsCircleXY, HxProc)                \
    X(col2d_Rect, col2d_Rect, HxProc)                                    \
    X(col2d_ClipRect, col2d_ClipRect, HxProc)                            \
    X(col2d_RectInRect, col2d_RectInRect, HxProc)                        \
    X(col2d_RectInCircle, col2d_RectInCircle, HxProc)                    \
    X(col2d_RectVsCircle, col2d_RectVsCircle, HxProc)                    \
    X(col2d_Circle, col2d_Circle, HxProc)                                \
    X(col2d_CircleInCircle, col2d_CircleInCircle, HxProc)                \
    X(col2d_CircleInRect, col2d_CircleInRect, HxProc)                    \
    X(file_Open, file_Open, HxProc)                                      \
    X(file_MakeDir, file_MakeDir, HxProc)                                \
    X(file_Remove, file_Remove, HxProc)                                  \
    X(file_Exists, file_Exists, HxProc)                                  \
    X(file_Seek, file_Seek, HxProc)                                      \
    X(file_GetPos, file_GetPos, HxProc)                                  \
    X(file_Read, file_Read, HxProc)                                      \
    X(file_Write, file_Write, HxProc)                                    \
    X(file_GetSize, file_GetSize, HxProc)                                \
    X(file_Flush, file_Flush, HxProc)                                    \
    X(file_Close, file_Close, HxProc)                                    \
    X(file_Find, file_Find, HxProc)                                      \
    X(file_GetName, file_GetName, HxProc)                                \
    X(file_GetExtension, file_GetExtension, HxProc)                      \
    X(file_GetDirectory, file_GetDirectory, HxProc)                      \
    X(file_SetPath, file_SetPath, HxProc)                                \
    X(list_Create, list_Create, HxProc)                                  \
    X(list_Set, list_Set, HxProc)                                        \
    X(list_Add, list_Add, HxProc)                                        \
    X(list_Swap, list_Swap, HxProc)                                      \
    X(list_Clear, list_Clear, HxProc)                                    \
    X(list_Paste, list_Paste, HxProc)                                    \
    X(list_Delete, list_Delete, HxProc)                                  \
    X(list_LoadFromFile, list_LoadFromFile, HxProc)                      \
    X(list_SaveToFile, list_SaveToFile, HxProc)                          \
    X(list_Get, list_Get, HxProc)                                        \
    X(list_GetCount, list_GetCount, HxProc)                              \
    X(list_GetId, list_GetId, HxProc)                                    \
    X(gui_AddImage, gui_AddImage, PFN_gui_AddImage)                      \
    X(gui_AddButton, gui_AddButton, HxProc)                              \
    X(gui_AddLabel, gui_AddLabel, HxProc)                                \
    X(gui_AddCheckBox, gui_AddCheckBox, PFN_gui_AddCheckBox)             \
    X(gui_AddEdit, gui_AddEdit, HxProc)                                  \
    X(gui_AddTrackBar, gui_AddTrackBar, HxProc)                          \
    X(gui_AddListBox, gui_AddListBox, HxProc)                            \
    X(gui_SetTexture, gui_SetTexture, PFN_gui_SetTexture)                \
    X(gui_SetPosition, gui_SetPosition, HxProc)                          \
    X(gui_SetAlpha, gui_SetAlpha, PFN_gui_SetAlpha)                      \
    X(gui_SetVisible, gui_SetVisible, PFN_gui_SetVisible)                \
    X(gui_SetEnable, gui_SetEnable, PFN_gui_SetEnable)                   \
    X(gui_SetEvent, gui_SetEvent, HxProc)                                \
    X(gui_GetText, gui_GetText, HxProc)                                  \
    X(gui_SetText, gui_SetText, HxProc)                                  \
    X(gui_Draw, gui_Draw, PFN_gui_Draw)                                  \
    X(gui_Calc, gui_Calc, PFN_gui_Calc)                                  \
    X(u_SortList, u_SortList, HxProc)

#define HALVEX_DECLARE(var, name, type) extern type var;
HALVEX_BINDINGS(HALVEX_DECLARE)
#undef HALVEX_DECLARE

constexpr int HalvexBindingCount = 246;
// The export name of each binding, in lookup order.
extern const char* const HalvexExportNames[HalvexBindingCount];

// Opaque handle of the loaded library (from dlopen); null until LoadEngine succeeds.
extern void* EngineLibrary;

// Loads the library at `path` (a path relative to the working folder) and binds
// every export by name. An export the library lacks leaves its variable null;
// the result is still true. When the library cannot be loaded nothing is bound
// and the result is false; with `report` the error is written to stderr and,
// where a display exists, shown in a message box titled "Error" (not when the
// environment variable HALVEX_NO_MESSAGEBOX is set).
bool LoadEngine(const char* path, bool report);

// Sets every binding back to null and forgets the library handle (the library
// itself stays loaded). Used by tests that bind a fake engine.
void UnbindEngine();

// Every error that ends the game: the message on stderr and, where there is
// a display, in a message box titled "Error" (HALVEX_NO_MESSAGEBOX turns the
// box off). The caller exits afterwards.
void ReportFatalError(const std::string& message);

// Decimal digits, a leading "-" for negatives, no padding.
std::string u_IntToText(int32_t value);

// Fixed-point text with exactly `decimals` digits after a "." (none for 0),
// rounded half away from zero at the last kept digit.
std::string u_FloatToText(float value, int32_t decimals);
