#include "installer/ui/win32/image.h"

#include <stdexcept>

namespace ui {

Bitmap load_picture(HMODULE module, const std::wstring& name) {
    if (name.empty()) return Bitmap();
    HRSRC info = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) throw std::runtime_error("can't find image resource");
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(module, info);
    if (!bytes) size = 0;

    base::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.receive())) || !stream)
        throw std::runtime_error("failed to create stream");
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        ULONG written = 0;
        if (FAILED(stream->Write(at, size, &written)) || written == 0) throw std::runtime_error("failed to fill stream");
        at += written;
        size -= written;
    }
    const GdiplusApi& gp = gdiplus_api();
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (!gp.complete() || gp.create_bitmap_from_stream(stream.get(), &bitmap) != Gdiplus::Ok || !bitmap)
        throw std::runtime_error("failed to load an image");
    return Bitmap(bitmap, &BitmapTraits::close);
}

ImageRef PictureCache::resolve(std::map<std::wstring, ImageDescription>& images, const std::wstring& picture) {
    const ImageDescription& description = images[picture];
    Bitmap& cached = bitmaps_[description.resource];
    if (!cached) cached = load_picture(module_, description.resource);
    return ImageRef{cached, description.x, description.y};
}

void draw(Gdiplus::GpGraphics* g, const ImageRef& picture, int dest_x, int dest_y, int source_x, int source_y,
          int width, int height) {
    if (!g || !picture.bitmap) return;
    gdiplus_api().draw_image_point_rect(g, picture.bitmap.get(), dest_x, dest_y, source_x, source_y, width, height,
                                Gdiplus::UnitPixel);
}

}  // namespace ui
