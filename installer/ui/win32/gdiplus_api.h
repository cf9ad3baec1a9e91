#pragma once
// The GDI+ flat functions the window draws with, reached through one table filled from
// gdiplus.dll loaded out of the system folder (GDI+ is no KnownDLL; nothing links its
// import library).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace ui {

struct GdiplusApi {
    decltype(&Gdiplus::GdiplusStartup) startup = nullptr;
    decltype(&Gdiplus::GdiplusShutdown) shutdown = nullptr;
    decltype(&Gdiplus::DllExports::GdipCreateFromHDC) create_from_hdc = nullptr;
    decltype(&Gdiplus::DllExports::GdipDeleteGraphics) delete_graphics = nullptr;
    decltype(&Gdiplus::DllExports::GdipSetTextRenderingHint) set_text_rendering_hint = nullptr;
    decltype(&Gdiplus::DllExports::GdipCreateFontFamilyFromName) create_font_family_from_name = nullptr;
    decltype(&Gdiplus::DllExports::GdipGetGenericFontFamilySansSerif) generic_sans_serif = nullptr;
    decltype(&Gdiplus::DllExports::GdipDeleteFontFamily) delete_font_family = nullptr;
    decltype(&Gdiplus::DllExports::GdipCreateFont) create_font = nullptr;
    decltype(&Gdiplus::DllExports::GdipDeleteFont) delete_font = nullptr;
    decltype(&Gdiplus::DllExports::GdipCreateSolidFill) create_solid_fill = nullptr;
    decltype(&Gdiplus::DllExports::GdipDeleteBrush) delete_brush = nullptr;
    decltype(&Gdiplus::DllExports::GdipDrawString) draw_string = nullptr;
    decltype(&Gdiplus::DllExports::GdipCreateBitmapFromStream) create_bitmap_from_stream = nullptr;
    decltype(&Gdiplus::DllExports::GdipDisposeImage) dispose_image = nullptr;
    decltype(&Gdiplus::DllExports::GdipDrawImagePointRectI) draw_image_point_rect = nullptr;

    // Whether every entry is set. An incomplete table draws nothing: no graphics object
    // is ever made from it and no picture decodes.
    bool complete() const;
};

// The process's table, loaded on first use; thread-safe.
const GdiplusApi& gdiplus_api();

}  // namespace ui
