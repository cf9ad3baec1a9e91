#include "installer/ui/win32/gdiplus_api.h"

#include "installer/base/win32/system_library.h"

namespace ui {
namespace {

GdiplusApi bind_gdiplus(const base::SystemLibrary& library) {
    GdiplusApi api;
    library.bind(api.startup, "GdiplusStartup");
    library.bind(api.shutdown, "GdiplusShutdown");
    library.bind(api.create_from_hdc, "GdipCreateFromHDC");
    library.bind(api.delete_graphics, "GdipDeleteGraphics");
    library.bind(api.set_text_rendering_hint, "GdipSetTextRenderingHint");
    library.bind(api.create_font_family_from_name, "GdipCreateFontFamilyFromName");
    library.bind(api.generic_sans_serif, "GdipGetGenericFontFamilySansSerif");
    library.bind(api.delete_font_family, "GdipDeleteFontFamily");
    library.bind(api.create_font, "GdipCreateFont");
    library.bind(api.delete_font, "GdipDeleteFont");
    library.bind(api.create_solid_fill, "GdipCreateSolidFill");
    library.bind(api.delete_brush, "GdipDeleteBrush");
    library.bind(api.draw_string, "GdipDrawString");
    library.bind(api.create_bitmap_from_stream, "GdipCreateBitmapFromStream");
    library.bind(api.dispose_image, "GdipDisposeImage");
    library.bind(api.draw_image_point_rect, "GdipDrawImagePointRectI");
    return api;
}

}  // namespace

bool GdiplusApi::complete() const {
    return startup && shutdown && create_from_hdc && delete_graphics && set_text_rendering_hint &&
           create_font_family_from_name && generic_sans_serif && delete_font_family && create_font && delete_font &&
           create_solid_fill && delete_brush && draw_string && create_bitmap_from_stream && dispose_image &&
           draw_image_point_rect;
}

const GdiplusApi& gdiplus_api() {
    static const GdiplusApi api = [] {
        // GDI+ loads the imaging codecs, and they the property system, when a picture is
        // first decoded.
        base::preload_system_libraries({L"propsys.dll", L"windowscodecs.dll"});
        static const base::SystemLibrary library(L"gdiplus.dll");
        return bind_gdiplus(library);
    }();
    return api;
}

}  // namespace ui
