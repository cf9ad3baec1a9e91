#pragma once
// GDI+ flat interface with move-only owners for its objects.

#include <memory>
#include <string>

#include "installer/base/win32/scoped.h"
#include "installer/ui/win32/gdiplus_api.h"

namespace ui {

// Objects exist only where the table was complete, so their release calls are bound.
struct GraphicsTraits : base::NullIsNone<Gdiplus::GpGraphics*> {
    static void close(Gdiplus::GpGraphics* g) noexcept { gdiplus_api().delete_graphics(g); }
};
struct FontTraits : base::NullIsNone<Gdiplus::GpFont*> {
    static void close(Gdiplus::GpFont* f) noexcept { gdiplus_api().delete_font(f); }
};
struct FamilyTraits : base::NullIsNone<Gdiplus::GpFontFamily*> {
    static void close(Gdiplus::GpFontFamily* f) noexcept { gdiplus_api().delete_font_family(f); }
};
struct BrushTraits : base::NullIsNone<Gdiplus::GpBrush*> {
    static void close(Gdiplus::GpBrush* b) noexcept { gdiplus_api().delete_brush(b); }
};
struct BitmapTraits : base::NullIsNone<Gdiplus::GpBitmap*> {
    static void close(Gdiplus::GpBitmap* b) noexcept { gdiplus_api().dispose_image(b); }
};

using Graphics = base::Scoped<GraphicsTraits>;
using Font = base::Scoped<FontTraits>;
using FontFamily = base::Scoped<FamilyTraits>;
using Brush = base::Scoped<BrushTraits>;
// Decoded pictures are shared between the cache and every control drawing them; the
// last holder releases them with BitmapTraits::close.
using Bitmap = std::shared_ptr<Gdiplus::GpBitmap>;

// A graphics object on dc; null when GDI+ is missing or refuses the DC.
Graphics graphics_on(HDC dc);

// A regular font of em size points; when face cannot be found, the generic sans-serif
// family (and then Tahoma) stands in, so text never silently disappears.
Font make_point_font(const std::wstring& face, int points);

// Draws text from (0, 0) unwrapped and unclipped in opaque colour 0x00RRGGBB,
// anti-aliased. At most 255 characters are drawn.
void draw_text(Gdiplus::GpGraphics* g, const std::wstring& text, Gdiplus::GpFont* font, int rgb);

}  // namespace ui
