#pragma once
// Owner-drawn push buttons over subclassed "BUTTON" windows: each paints the slice of
// the page background under it, then its picture or text.

#include <memory>
#include <string>

#include "installer/ui/page_description.h"
#include "installer/ui/win32/image.h"
#include "installer/ui/win32/window_base.h"

namespace ui {

// Press, hover, capture and check behaviour shared by the three kinds.
class PushButtonBase : public Subclassed {
public:
    enum : unsigned { HOVER = 0x01, CHECK = 0x40, AUTOCHECK = 0x80 };
    enum : unsigned { MOUSE_OVER = 1, FOCUS = 2, PRESSED = 4, CHECKED = 8 };

    ~PushButtonBase() override;
    bool is_checked() const { return (state_ & CHECKED) != 0; }
    void set_checked(bool checked);

protected:
    PushButtonBase(unsigned extended_style, const ImageRef& background, const ControlDescription& d)
        : extended_(extended_style), background_(background), x_(d.x), y_(d.y), width_(d.width), height_(d.height) {}
    // Creates the "BUTTON" window hidden at the control's rectangle and attaches to it.
    bool create_button(HWND parent, const ControlDescription& d, const wchar_t* text, DWORD style);
    bool hover() const { return (state_ & (MOUSE_OVER | PRESSED)) == MOUSE_OVER; }
    bool pressed() const { return (state_ & PRESSED) != 0; }
    void paint_background(Gdiplus::GpGraphics* g) const { draw(g, background_, 0, 0, x_, y_, width_, height_); }
    virtual void paint(Gdiplus::GpGraphics* g) = 0;

    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void set_state(unsigned bit, bool on);
    void repaint() { InvalidateRect(hwnd(), nullptr, TRUE); UpdateWindow(hwnd()); }
    void paint_dc(HDC dc);
    void press();
    void track_leave();

    unsigned extended_;
    unsigned state_ = 0;
    HWND tooltip_ = nullptr;
    ImageRef background_;
    int x_ = 0;
    int y_ = 0;

protected:
    int width_ = 0;
    int height_ = 0;
};

class BitmapButton : public PushButtonBase {
public:
    // Null when the normal or hover picture has no bitmap or no window could be made.
    static std::unique_ptr<BitmapButton> create(HWND parent, const ControlDescription& d, const ImageRef& background,
                                                const ImageRef& normal, const ImageRef& hover,
                                                const ImageRef& disabled);

private:
    using PushButtonBase::PushButtonBase;
    void paint(Gdiplus::GpGraphics* g) override;
    ImageRef normal_, hover_, disabled_;
};

class BitmapCheck : public PushButtonBase {
public:
    static std::unique_ptr<BitmapCheck> create(HWND parent, const ControlDescription& d, const ImageRef& background,
                                               const ImageRef& unchecked, const ImageRef& checked);

private:
    using PushButtonBase::PushButtonBase;
    void paint(Gdiplus::GpGraphics* g) override;
    ImageRef unchecked_, checked_;
};

class LinkButton : public PushButtonBase {
public:
    static std::unique_ptr<LinkButton> create(HWND parent, const ControlDescription& d, const ImageRef& background,
                                              const FontDescription& normal, const FontDescription& hover);

private:
    using PushButtonBase::PushButtonBase;
    void paint(Gdiplus::GpGraphics* g) override;
    Font normal_font_, hover_font_;
    int normal_color_ = 0, hover_color_ = 0;
};

}  // namespace ui
