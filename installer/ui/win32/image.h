#pragma once
// Pictures: PNG files among the RCDATA resources, decoded once per window.

#include <map>
#include <string>

#include "installer/ui/page_description.h"
#include "installer/ui/win32/gdiplus.h"

namespace ui {

// A resolved picture: a shared decoded bitmap (empty when there is no image) and the
// picture's offset inside it.
struct ImageRef {
    Bitmap bitmap;
    int x = 0;
    int y = 0;
};

// Decodes the RCDATA resource name of module. "" gives an empty bitmap. Throws
// std::runtime_error "can't find image resource", "failed to create stream",
// "failed to fill stream" or "failed to load an image".
Bitmap load_picture(HMODULE module, const std::wstring& name);

// Decoded resources by name, one per window.
class PictureCache {
public:
    explicit PictureCache(HMODULE module) : module_(module) {}
    // Resolves a picture name of images; a missing name is added with no resource.
    ImageRef resolve(std::map<std::wstring, ImageDescription>& images, const std::wstring& picture);

private:
    HMODULE module_;
    std::map<std::wstring, Bitmap> bitmaps_;
};

// The one drawing primitive: copies width x height pixels of the picture's bitmap from
// source (bitmap pixels, unscaled) to dest. A picture with no bitmap draws nothing.
void draw(Gdiplus::GpGraphics* g, const ImageRef& picture, int dest_x, int dest_y, int source_x, int source_y,
          int width, int height);

}  // namespace ui
