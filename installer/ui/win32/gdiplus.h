#pragma once
// GDI+ flat interface with move-only owners for its objects.

#include <memory>
#include <string>

#include "installer/ui/win32/gdiplus_api.h"

namespace ui {

// Objects exist only where the table was complete, so their deleters are always bound.
struct GraphicsDeleter { void operator()(Gdiplus::GpGraphics* g) const { gdiplus_api().delete_graphics(g); } };
struct FontDeleter { void operator()(Gdiplus::GpFont* f) const { gdiplus_api().delete_font(f); } };
struct FamilyDeleter { void operator()(Gdiplus::GpFontFamily* f) const { gdiplus_api().delete_font_family(f); } };
struct BrushDeleter { void operator()(Gdiplus::GpBrush* b) const { gdiplus_api().delete_brush(b); } };

using Graphics = std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter>;
using Font = std::unique_ptr<Gdiplus::GpFont, FontDeleter>;
using FontFamily = std::unique_ptr<Gdiplus::GpFontFamily, FamilyDeleter>;
using Brush = std::unique_ptr<Gdiplus::GpBrush, BrushDeleter>;
// Decoded pictures are shared between the cache and every control drawing them.
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
