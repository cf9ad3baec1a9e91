#include "installer/ui/win32/bitmap_controls.h"

#include <commctrl.h>

namespace ui {

PushButtonBase::~PushButtonBase() {
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

bool PushButtonBase::create_button(HWND parent, const ControlDescription& d, const wchar_t* text, DWORD style) {
    HWND button = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | style, d.x, d.y, d.width, d.height, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!button) return false;
    if (!attach(button)) {
        DestroyWindow(button);
        return false;
    }
    // The system never draws these buttons itself: the type bits become owner-draw.
    LONG_PTR window_style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (window_style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, button, nullptr, GetModuleHandleW(nullptr), nullptr);
    return true;
}

void PushButtonBase::set_checked(bool checked) {
    if (checked) state_ |= CHECKED; else state_ &= ~CHECKED;
    repaint();
}

void PushButtonBase::set_state(unsigned bit, bool on) {
    unsigned before = state_;
    if (on) state_ |= bit; else state_ &= ~bit;
    if (state_ != before) repaint();
}

void PushButtonBase::paint_dc(HDC dc) {
    Graphics g = graphics_on(dc);
    if (!g) return;
    paint_background(g.get());
    paint(g.get());
}

void PushButtonBase::track_leave() {
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd(), 0};
    TrackMouseEvent(&track);
}

void PushButtonBase::press() {
    SetCapture(hwnd());
    if (GetCapture() == hwnd()) set_state(PRESSED, true);
}

LRESULT PushButtonBase::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    if (tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed = {hwnd(), message, wparam, lparam, 0, {0, 0}};
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paint_dc(dc);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paint_dc(reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_UPDATEUISTATE:
        return 0;  // no focus rectangles on skinned controls
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd()) {
            POINT p = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            ClientToScreen(hwnd(), &p);
            RECT r;
            GetWindowRect(hwnd(), &r);
            set_state(PRESSED, PtInRect(&r, p) != 0);
        } else if (extended_ & HOVER) {
            set_state(MOUSE_OVER, true);
            track_leave();
        }
        return 0;
    case WM_MOUSELEAVE:
        set_state(MOUSE_OVER, false);
        return 0;
    case WM_LBUTTONDOWN:
        if (extended_ & HOVER) {
            SetCapture(hwnd());
        } else {
            pass_on(message, wparam, lparam);  // captures the mouse and takes the focus
        }
        if (GetCapture() == hwnd()) set_state(PRESSED, true);
        return 0;
    case WM_LBUTTONDBLCLK:
        press();
        return 0;
    case WM_LBUTTONUP: {
        bool click = GetCapture() == hwnd() && pressed();
        if ((extended_ & AUTOCHECK) && pressed()) state_ ^= CHECKED;
        if (click) {
            HWND self = hwnd();
            SendMessageW(GetParent(self), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(self));
            if (!IsWindow(self)) return 0;  // the click may have closed the page
        }
        if (GetCapture() == hwnd()) ReleaseCapture();
        // Holding the capture may have ended the leave tracking; the cursor can leave
        // next without another move inside.
        if (state_ & MOUSE_OVER) track_leave();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed()) set_state(PRESSED, false);
        return pass_on(message, wparam, lparam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        set_state(FOCUS, message == WM_SETFOCUS);
        return pass_on(message, wparam, lparam);
    case WM_ENABLE: {
        LRESULT r = pass_on(message, wparam, lparam);
        repaint();
        return r;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wparam == VK_SPACE) {
            if (extended_ & HOVER) return 0;
            if (message == WM_KEYDOWN) {
                set_state(PRESSED, true);
            } else {
                state_ &= ~PRESSED;
                state_ ^= CHECKED;
                repaint();
            }
        }
        return pass_on(message, wparam, lparam);
    case WM_DESTROY:
        if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
        tooltip_ = nullptr;
        return pass_on(message, wparam, lparam);
    default:
        return pass_on(message, wparam, lparam);
    }
}

std::unique_ptr<BitmapButton> BitmapButton::create(HWND parent, const ControlDescription& d,
                                                   const ImageRef& background, const ImageRef& normal,
                                                   const ImageRef& hover, const ImageRef& disabled) {
    if (!normal.bitmap || !hover.bitmap) return nullptr;
    std::unique_ptr<BitmapButton> b(new BitmapButton(HOVER, background, d));
    b->normal_ = normal;
    b->hover_ = hover;
    b->disabled_ = disabled;
    if (!b->create_button(parent, d, L"", WS_TABSTOP)) return nullptr;
    return b;
}

void BitmapButton::paint(Gdiplus::GpGraphics* g) {
    const ImageRef* picture = &normal_;
    if (!IsWindowEnabled(hwnd())) {
        if (disabled_.bitmap) picture = &disabled_;
    } else if (hover()) {
        picture = &hover_;
    }
    draw(g, *picture, 0, 0, picture->x, picture->y, width_, height_);
}

std::unique_ptr<BitmapCheck> BitmapCheck::create(HWND parent, const ControlDescription& d, const ImageRef& background,
                                                 const ImageRef& unchecked, const ImageRef& checked) {
    if (!unchecked.bitmap || !checked.bitmap) return nullptr;
    std::unique_ptr<BitmapCheck> c(new BitmapCheck(CHECK | AUTOCHECK, background, d));
    c->unchecked_ = unchecked;
    c->checked_ = checked;
    if (!c->create_button(parent, d, L"", BS_AUTOCHECKBOX)) return nullptr;
    return c;
}

void BitmapCheck::paint(Gdiplus::GpGraphics* g) {
    const ImageRef& picture = is_checked() ? checked_ : unchecked_;
    draw(g, picture, 0, 0, picture.x, picture.y, width_, height_);
}

std::unique_ptr<LinkButton> LinkButton::create(HWND parent, const ControlDescription& d, const ImageRef& background,
                                               const FontDescription& normal, const FontDescription& hover) {
    std::unique_ptr<LinkButton> l(new LinkButton(HOVER, background, d));
    l->normal_font_ = make_point_font(normal.face, normal.size);
    l->hover_font_ = make_point_font(hover.face, hover.size);
    l->normal_color_ = normal.color;
    l->hover_color_ = hover.color;
    if (!l->create_button(parent, d, d.text.c_str(), WS_TABSTOP)) return nullptr;
    return l;
}

void LinkButton::paint(Gdiplus::GpGraphics* g) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd(), text, 256);
    bool h = hover();
    draw_text(g, text, h ? hover_font_.get() : normal_font_.get(), h ? hover_color_ : normal_color_);
}

}  // namespace ui
