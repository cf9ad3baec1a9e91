#include "installer/ui/win32/gdiplus.h"

namespace ui {

Graphics graphics_on(HDC dc) {
    Gdiplus::GpGraphics* g = nullptr;
    if (gp::GdipCreateFromHDC(dc, &g) != Gdiplus::Ok) return Graphics();
    return Graphics(g);
}

static FontFamily family_named(const wchar_t* face) {
    Gdiplus::GpFontFamily* f = nullptr;
    if (gp::GdipCreateFontFamilyFromName(face, nullptr, &f) != Gdiplus::Ok) return FontFamily();
    return FontFamily(f);
}

Font make_point_font(const std::wstring& face, int points) {
    FontFamily family = family_named(face.c_str());
    if (!family) {
        Gdiplus::GpFontFamily* f = nullptr;
        if (gp::GdipGetGenericFontFamilySansSerif(&f) == Gdiplus::Ok) family.reset(f);
    }
    if (!family) family = family_named(L"Tahoma");
    if (!family) return Font();
    Gdiplus::GpFont* font = nullptr;
    if (gp::GdipCreateFont(family.get(), static_cast<Gdiplus::REAL>(points), Gdiplus::FontStyleRegular,
                           Gdiplus::UnitPoint, &font) != Gdiplus::Ok)
        return Font();
    return Font(font);  // the font keeps what it needs of its family
}

void draw_text(Gdiplus::GpGraphics* g, const std::wstring& text, Gdiplus::GpFont* font, int rgb) {
    if (!g || !font || text.empty()) return;
    Gdiplus::GpSolidFill* fill = nullptr;
    if (gp::GdipCreateSolidFill(0xFF000000u | static_cast<Gdiplus::ARGB>(rgb), &fill) != Gdiplus::Ok) return;
    Brush brush(fill);
    gp::GdipSetTextRenderingHint(g, Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::RectF layout(0, 0, 0, 0);
    int length = static_cast<int>(text.size() > 255 ? 255 : text.size());
    gp::GdipDrawString(g, text.c_str(), length, font, &layout, nullptr, brush.get());
}

}  // namespace ui
