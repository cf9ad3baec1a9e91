#include "installer/ui/win32/gdiplus.h"

namespace ui {

Graphics graphics_on(HDC dc) {
    const GdiplusApi& gp = gdiplus_api();
    Gdiplus::GpGraphics* g = nullptr;
    if (!gp.complete() || gp.create_from_hdc(dc, &g) != Gdiplus::Ok) return Graphics();
    return Graphics(g);
}

static FontFamily family_named(const wchar_t* face) {
    const GdiplusApi& gp = gdiplus_api();
    Gdiplus::GpFontFamily* f = nullptr;
    if (!gp.complete() || gp.create_font_family_from_name(face, nullptr, &f) != Gdiplus::Ok) return FontFamily();
    return FontFamily(f);
}

Font make_point_font(const std::wstring& face, int points) {
    const GdiplusApi& gp = gdiplus_api();
    if (!gp.complete()) return Font();
    FontFamily family = family_named(face.c_str());
    if (!family) {
        Gdiplus::GpFontFamily* f = nullptr;
        if (gp.generic_sans_serif(&f) == Gdiplus::Ok) family.reset(f);
    }
    if (!family) family = family_named(L"Tahoma");
    if (!family) return Font();
    Gdiplus::GpFont* font = nullptr;
    if (gp.create_font(family.get(), static_cast<Gdiplus::REAL>(points), Gdiplus::FontStyleRegular,
                       Gdiplus::UnitPoint, &font) != Gdiplus::Ok)
        return Font();
    return Font(font);  // the font keeps what it needs of its family
}

void draw_text(Gdiplus::GpGraphics* g, const std::wstring& text, Gdiplus::GpFont* font, int rgb) {
    if (!g || !font || text.empty()) return;  // g exists only where the table is complete
    const GdiplusApi& gp = gdiplus_api();
    Gdiplus::GpSolidFill* fill = nullptr;
    if (gp.create_solid_fill(0xFF000000u | static_cast<Gdiplus::ARGB>(rgb), &fill) != Gdiplus::Ok) return;
    Brush brush(fill);
    gp.set_text_rendering_hint(g, Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::RectF layout(0, 0, 0, 0);
    int length = static_cast<int>(text.size() > 255 ? 255 : text.size());
    gp.draw_string(g, text.c_str(), length, font, &layout, nullptr, brush.get());
}

}  // namespace ui
