// halvex.h - the game's binding to the Halvex engine library.
//
// One function variable per export, filled by name from data/halvex.dll at
// start-up (LoadEngine), plus the two number-to-text helpers of the HUD and
// the info panels. The exports the engine implements carry their exact types
// from halvex_api.h; the rest of the library's exports are bound too, under a
// generic function type, so that the whole interface is known in one place.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>

#include "halvex_api.h"

// Exports the engine does not implement keep a generic function type.
typedef void (*HxProc)(void);

// Every binding in lookup order: X(variable, export name).
// rtarget_Set is bound twice, into two variables; the second is rtarget_Set_2.
// A binding's type is its export's PFN_ type when the engine implements it
// (HALVEX_EXPORTS in halvex_api.h), else HxProc: see HalvexBindingType.
#define HALVEX_BINDINGS(X)                                 \
    X(engine_start, engine_start)                          \
    X(engine_stop, engine_stop)                            \
    X(engine_handle, engine_handle)                        \
    X(engine_enable, engine_enable)                        \
    X(engine_disable, engine_disable)                      \
    X(engine_device, engine_device)                        \
    X(engine_output, engine_output)                        \
    X(mem_Get, mem_Get)                                    \
    X(mem_Clear, mem_Clear)                                \
    X(mem_FreeStrList, mem_FreeStrList)                    \
    X(mem_LoadFromFile, mem_LoadFromFile)                  \
    X(mem_SaveToFile, mem_SaveToFile)                      \
    X(mem_Seek, mem_Seek)                                  \
    X(mem_Read, mem_Read)                                  \
    X(mem_Write, mem_Write)                                \
    X(mem_SetSize, mem_SetSize)                            \
    X(mem_Free, mem_Free)                                  \
    X(log_Add, log_Add)                                    \
    X(wnd_SetCaption, wnd_SetCaption)                      \
    X(wnd_SetSize, wnd_SetSize)                            \
    X(wnd_SetPos, wnd_SetPos)                              \
    X(wnd_ShowCursor, wnd_ShowCursor)                      \
    X(scr_Clear, scr_Clear)                                \
    X(scr_Flush, scr_Flush)                                \
    X(scr_SetVSync, scr_SetVSync)                          \
    X(scr_SetFSAA, scr_SetFSAA)                            \
    X(scr_SetOptions, scr_SetOptions)                      \
    X(scr_CorrectResolution, scr_CorrectResolution)        \
    X(scr_ReadPixels, scr_ReadPixels)                      \
    X(ini_LoadFromFile, ini_LoadFromFile)                  \
    X(ini_SaveToFile, ini_SaveToFile)                      \
    X(ini_Add, ini_Add)                                    \
    X(ini_Del, ini_Del)                                    \
    X(ini_Clear, ini_Clear)                                \
    X(ini_IsSection, ini_IsSection)                        \
    X(ini_IsKey, ini_IsKey)                                \
    X(ini_ReadKeyStr, ini_ReadKeyStr)                      \
    X(ini_ReadKeyInt, ini_ReadKeyInt)                      \
    X(ini_ReadKeyFloat, ini_ReadKeyFloat)                  \
    X(ini_ReadKeyBool, ini_ReadKeyBool)                    \
    X(ini_WriteKeyStr, ini_WriteKeyStr)                    \
    X(ini_WriteKeyInt, ini_WriteKeyInt)                    \
    X(ini_WriteKeyFloat, ini_WriteKeyFloat)                \
    X(ini_WriteKeyBool, ini_WriteKeyBool)                  \
    X(timer_Add, timer_Add)                                \
    X(timer_Del, timer_Del)                                \
    X(timer_GetTicks, timer_GetTicks)                      \
    X(timer_Reset, timer_Reset)                            \
    X(mouse_X, mouse_X)                                    \
    X(mouse_Y, mouse_Y)                                    \
    X(mouse_DX, mouse_DX)                                  \
    X(mouse_DY, mouse_DY)                                  \
    X(mouse_Down, mouse_Down)                              \
    X(mouse_Up, mouse_Up)                                  \
    X(mouse_Click, mouse_Click)                            \
    X(mouse_DblClick, mouse_DblClick)                      \
    X(mouse_Wheel, mouse_Wheel)                            \
    X(mouse_ClearState, mouse_ClearState)                  \
    X(mouse_Lock, mouse_Lock)                              \
    X(key_Down, key_Down)                                  \
    X(key_Up, key_Up)                                      \
    X(key_Press, key_Press)                                \
    X(key_Last, key_Last)                                  \
    X(key_BeginReadText, key_BeginReadText)                \
    X(key_GetText, key_GetText)                            \
    X(key_EndReadText, key_EndReadText)                    \
    X(key_ClearState, key_ClearState)                      \
    X(joy_Init, joy_Init)                                  \
    X(joy_GetInfo, joy_GetInfo)                            \
    X(joy_AxisPos, joy_AxisPos)                            \
    X(joy_Down, joy_Down)                                  \
    X(joy_Up, joy_Up)                                      \
    X(joy_Press, joy_Press)                                \
    X(joy_ClearState, joy_ClearState)                      \
    X(tex_Add, tex_Add)                                    \
    X(tex_Del, tex_Del)                                    \
    X(tex_Create, tex_Create)                              \
    X(tex_CreateZero, tex_CreateZero)                      \
    X(tex_LoadFromFile, tex_LoadFromFile)                  \
    X(tex_LoadFromMemory, tex_LoadFromMemory)              \
    X(tex_SetFrameSize, tex_SetFrameSize)                  \
    X(tex_SetMask, tex_SetMask)                            \
    X(tex_SetData, tex_SetData)                            \
    X(tex_GetData, tex_GetData)                            \
    X(tex_Filter, tex_Filter)                              \
    X(tex_SetAnisotropy, tex_SetAnisotropy)                \
    X(atlas_Add, atlas_Add)                                \
    X(atlas_Del, atlas_Del)                                \
    X(atlas_GetFrameCoord, atlas_GetFrameCoord)            \
    X(atlas_InsertFromTexture, atlas_InsertFromTexture)    \
    X(atlas_InsertFromFile, atlas_InsertFromFile)          \
    X(atlas_InsertFromMemory, atlas_InsertFromMemory)      \
    X(Set2DMode, Set2DMode)                                \
    X(Set3DMode, Set3DMode)                                \
    X(zbuffer_SetDepth, zbuffer_SetDepth)                  \
    X(zbuffer_Clear, zbuffer_Clear)                        \
    X(scissor_Begin, scissor_Begin)                        \
    X(scissor_End, scissor_End)                            \
    X(rtarget_Add, rtarget_Add)                            \
    X(rtarget_Del, rtarget_Del)                            \
    X(rtarget_Set, rtarget_Set)                            \
    X(rtarget_Set_2, rtarget_Set)                          \
    X(fx_SetBlendMode, fx_SetBlendMode)                    \
    X(fx_SetColorMode, fx_SetColorMode)                    \
    X(fx_SetColorMask, fx_SetColorMask)                    \
    X(fx2d_SetColor, fx2d_SetColor)                        \
    X(fx2d_SetVCA, fx2d_SetVCA)                            \
    X(fx2d_SetVertexes, fx2d_SetVertexes)                  \
    X(fx2d_SetScale, fx2d_SetScale)                        \
    X(cam2d_Set, cam2d_Set)                                \
    X(cam2d_Get, cam2d_Get)                                \
    X(batch2d_Begin, batch2d_Begin)                        \
    X(batch2d_End, batch2d_End)                            \
    X(batch2d_Flush, batch2d_Flush)                        \
    X(prim_Pixel, prim_Pixel)                              \
    X(prim_Line, prim_Line)                                \
    X(prim_Rect, prim_Rect)                                \
    X(prim_Circle, prim_Circle)                            \
    X(prim_Ellipse, prim_Ellipse)                          \
    X(prim_TriList, prim_TriList)                          \
    X(sengine2d_AddSprite, sengine2d_AddSprite)            \
    X(sengine2d_DelSprite, sengine2d_DelSprite)            \
    X(sengine2d_ClearAll, sengine2d_ClearAll)              \
    X(sengine2d_Set, sengine2d_Set)                        \
    X(sengine2d_Draw, sengine2d_Draw)                      \
    X(sengine2d_Proc, sengine2d_Proc)                      \
    X(spr_tDraw, spr_tDraw)                                \
    X(spr_sDraw, spr_sDraw)                                \
    X(spr_aDraw, spr_aDraw)                                \
    X(spr_cDraw, spr_cDraw)                                \
    X(tiles_Draw, tiles_Draw)                              \
    X(sgrid2d_Draw, sgrid2d_Draw)                          \
    X(agrid2d_Draw, agrid2d_Draw)                          \
    X(cgrid2d_Draw, cgrid2d_Draw)                          \
    X(pengine2d_Set, pengine2d_Set)                        \
    X(pengine2d_Get, pengine2d_Get)                        \
    X(pengine2d_Draw, pengine2d_Draw)                      \
    X(pengine2d_Proc, pengine2d_Proc)                      \
    X(pengine2d_AddEmitter, pengine2d_AddEmitter)          \
    X(pengine2d_DelEmitter, pengine2d_DelEmitter)          \
    X(pengine2d_ClearAll, pengine2d_ClearAll)              \
    X(emitter2d_Add, emitter2d_Add)                        \
    X(emitter2d_Del, emitter2d_Del)                        \
    X(emitter2d_LoadFromFile, emitter2d_LoadFromFile)      \
    X(emitter2d_LoadFromMemory, emitter2d_LoadFromMemory)  \
    X(emitter2d_Init, emitter2d_Init)                      \
    X(emitter2d_Free, emitter2d_Free)                      \
    X(emitter2d_Draw, emitter2d_Draw)                      \
    X(emitter2d_Proc, emitter2d_Proc)                      \
    X(font_Add, font_Add)                                  \
    X(font_Del, font_Del)                                  \
    X(font_LoadFromFile, font_LoadFromFile)                \
    X(font_LoadFromMemory, font_LoadFromMemory)            \
    X(text_Draw, text_Draw)                                \
    X(text_DrawEx, text_DrawEx)                            \
    X(text_DrawInRect, text_DrawInRect)                    \
    X(text_DrawInRectEx, text_DrawInRectEx)                \
    X(text_GetWidth, text_GetWidth)                        \
    X(text_GetHeight, text_GetHeight)                      \
    X(textFx_SetLength, textFx_SetLength)                  \
    X(snd_Init, snd_Init)                                  \
    X(snd_Free, snd_Free)                                  \
    X(snd_Add, snd_Add)                                    \
    X(snd_Del, snd_Del)                                    \
    X(snd_LoadFromFile, snd_LoadFromFile)                  \
    X(snd_LoadFromMemory, snd_LoadFromMemory)              \
    X(snd_Play, snd_Play)                                  \
    X(snd_Stop, snd_Stop)                                  \
    X(snd_SetPos, snd_SetPos)                              \
    X(snd_SetVolume, snd_SetVolume)                        \
    X(snd_SetSpeed, snd_SetSpeed)                          \
    X(snd_Get, snd_Get)                                    \
    X(snd_PlayFile, snd_PlayFile)                          \
    X(snd_PauseFile, snd_PauseFile)                        \
    X(snd_StopFile, snd_StopFile)                          \
    X(snd_ResumeFile, snd_ResumeFile)                      \
    X(m_Cos, m_Cos)                                        \
    X(m_Sin, m_Sin)                                        \
    X(m_Distance, m_Distance)                              \
    X(m_FDistance, m_FDistance)                            \
    X(m_Angle, m_Angle)                                    \
    X(m_Orientation, m_Orientation)                        \
    X(tess_Triangulate, tess_Triangulate)                  \
    X(tess_AddHole, tess_AddHole)                          \
    X(tess_GetData, tess_GetData)                          \
    X(col2d_PointInRect, col2d_PointInRect)                \
    X(col2d_PointInriangle, col2d_PointInriangle)          \
    X(col2d_PointInCircle, col2d_PointInCircle)            \
    X(col2d_Line, col2d_Line)                              \
    X(col2d_LineVsRect, col2d_LineVsRect)                  \
    X(col2d_LineVsCircle, col2d_LineVsCircle)              \
    X(col2d_LineVsCircleXY, col2d_LineVsCircleXY)          \
    X(col2d_Rect, col2d_Rect)                              \
    X(col2d_ClipRect, col2d_ClipRect)                      \
    X(col2d_RectInRect, col2d_RectInRect)                  \
    X(col2d_RectInCircle, col2d_RectInCircle)              \
    X(col2d_RectVsCircle, col2d_RectVsCircle)              \
    X(col2d_Circle, col2d_Circle)                          \
    X(col2d_CircleInCircle, col2d_CircleInCircle)          \
    X(col2d_CircleInRect, col2d_CircleInRect)              \
    X(file_Open, file_Open)                                \
    X(file_MakeDir, file_MakeDir)                          \
    X(file_Remove, file_Remove)                            \
    X(file_Exists, file_Exists)                            \
    X(file_Seek, file_Seek)                                \
    X(file_GetPos, file_GetPos)                            \
    X(file_Read, file_Read)                                \
    X(file_Write, file_Write)                              \
    X(file_GetSize, file_GetSize)                          \
    X(file_Flush, file_Flush)                              \
    X(file_Close, file_Close)                              \
    X(file_Find, file_Find)                                \
    X(file_GetName, file_GetName)                          \
    X(file_GetExtension, file_GetExtension)                \
    X(file_GetDirectory, file_GetDirectory)                \
    X(file_SetPath, file_SetPath)                          \
    X(list_Create, list_Create)                            \
    X(list_Set, list_Set)                                  \
    X(list_Add, list_Add)                                  \
    X(list_Swap, list_Swap)                                \
    X(list_Clear, list_Clear)                              \
    X(list_Paste, list_Paste)                              \
    X(list_Delete, list_Delete)                            \
    X(list_LoadFromFile, list_LoadFromFile)                \
    X(list_SaveToFile, list_SaveToFile)                    \
    X(list_Get, list_Get)                                  \
    X(list_GetCount, list_GetCount)                        \
    X(list_GetId, list_GetId)                              \
    X(gui_AddImage, gui_AddImage)                          \
    X(gui_AddButton, gui_AddButton)                        \
    X(gui_AddLabel, gui_AddLabel)                          \
    X(gui_AddCheckBox, gui_AddCheckBox)                    \
    X(gui_AddEdit, gui_AddEdit)                            \
    X(gui_AddTrackBar, gui_AddTrackBar)                    \
    X(gui_AddListBox, gui_AddListBox)                      \
    X(gui_SetTexture, gui_SetTexture)                      \
    X(gui_SetPosition, gui_SetPosition)                    \
    X(gui_SetAlpha, gui_SetAlpha)                          \
    X(gui_SetVisible, gui_SetVisible)                      \
    X(gui_SetEnable, gui_SetEnable)                        \
    X(gui_SetEvent, gui_SetEvent)                          \
    X(gui_GetText, gui_GetText)                            \
    X(gui_SetText, gui_SetText)                            \
    X(gui_Draw, gui_Draw)                                  \
    X(gui_Calc, gui_Calc)                                  \
    X(u_SortList, u_SortList)

namespace halvex_detail {
#define HALVEX_EXPORT_NAME(ret, name, params, game) #name,
constexpr const char* EngineExportNames[] = {HALVEX_EXPORTS(HALVEX_EXPORT_NAME)};
#undef HALVEX_EXPORT_NAME
#define HALVEX_EXPORT_TYPE(ret, name, params, game) PFN_##name,
using EngineExportTypes = std::tuple<HALVEX_EXPORTS(HALVEX_EXPORT_TYPE) HxProc>;
#undef HALVEX_EXPORT_TYPE

constexpr bool SameName(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}
// The place of an export in HALVEX_EXPORTS, or -1 when the engine does not implement it.
constexpr int EngineExportIndex(const char* name) {
    for (int i = 0; i < static_cast<int>(std::size(EngineExportNames)); ++i)
        if (SameName(EngineExportNames[i], name)) return i;
    return -1;
}
template <int Index>
struct BindingType {
    using type = std::tuple_element_t<Index, EngineExportTypes>;
};
template <>
struct BindingType<-1> {
    using type = HxProc;
};
}  // namespace halvex_detail

// The type of the variable bound to export `name`.
#define HalvexBindingType(name) halvex_detail::BindingType<halvex_detail::EngineExportIndex(#name)>::type

#define HALVEX_DECLARE(var, name) extern HalvexBindingType(name) var;
HALVEX_BINDINGS(HALVEX_DECLARE)
#undef HALVEX_DECLARE

#define HALVEX_COUNT(var, name) +1
constexpr int HalvexBindingCount = 0 HALVEX_BINDINGS(HALVEX_COUNT);
#undef HALVEX_COUNT
// The export name of each binding, in lookup order.
extern const char* const HalvexExportNames[HalvexBindingCount];

// Opaque handle of the loaded library (dlopen, LoadLibraryA); null until LoadEngine succeeds.
extern void* EngineLibrary;

// Loads the library at `path` (a path relative to the working folder) and binds
// every export by name. An export the library lacks leaves its variable null;
// the result is still true. When the library cannot be loaded nothing is bound
// and the result is false; with `report` the error is written to stderr and,
// where a display exists, shown in a message box titled "Error" (not when the
// environment variable HALVEX_NO_MESSAGEBOX is set).
bool LoadEngine(const char* path, bool report);

// A data path as messages show it: a relative one joined to the current
// folder (the game's own, see main), so the message names the file tried.
std::string FullPath(const char* path);

// Every error that ends the game: the message on stderr and, where there is
// a display, in a message box titled "Error" (HALVEX_NO_MESSAGEBOX turns the
// box off). The caller exits afterwards.
void ReportFatalError(const std::string& message);

// Decimal digits, a leading "-" for negatives, no padding.
std::string u_IntToText(int32_t value);

// Fixed-point text with exactly `decimals` digits after a "." (none for 0),
// rounded half away from zero at the last kept digit.
std::string u_FloatToText(float value, int32_t decimals);
