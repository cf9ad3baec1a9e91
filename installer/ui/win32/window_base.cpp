#include "installer/ui/win32/window_base.h"

#include <mutex>

namespace ui {
namespace {

const wchar_t CLASS_NAME[] = L"VelkarionSkinnedWindow";
const wchar_t SUBCLASS_PROP[] = L"VelkarionSubclass";

}  // namespace

HWND WindowBase::create_window(DWORD ex_style, const wchar_t* title, DWORD style, int x, int y, int width,
                               int height, HICON icon) {
    static std::once_flag registered;
    std::call_once(registered, [icon] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &WindowBase::procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = icon;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
        wc.lpszClassName = CLASS_NAME;
        RegisterClassExW(&wc);
    });
    return CreateWindowExW(ex_style, CLASS_NAME, title, style, x, y, width, height, nullptr, nullptr,
                           GetModuleHandleW(nullptr), this);
}

LRESULT CALLBACK WindowBase::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lparam);
        auto* self = static_cast<WindowBase*>(created->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    LRESULT result = self->handle(message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        // The object may go away once its window has; nothing may reach it afterwards.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

Subclassed::~Subclassed() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(hwnd_, SUBCLASS_PROP);
    }
}

bool Subclassed::attach(HWND hwnd) {
    // The object is kept in a window property: the button's own GWLP_USERDATA is free
    // for whoever else wants it.
    if (!SetPropW(hwnd, SUBCLASS_PROP, this)) return false;
    hwnd_ = hwnd;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclassed::procedure)));
    if (!previous_) {
        RemovePropW(hwnd, SUBCLASS_PROP);
        hwnd_ = nullptr;
        return false;
    }
    return true;
}

LRESULT CALLBACK Subclassed::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = static_cast<Subclassed*>(GetPropW(hwnd, SUBCLASS_PROP));
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        WNDPROC previous = self->previous_;
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(hwnd, SUBCLASS_PROP);
        self->hwnd_ = nullptr;
        return CallWindowProcW(previous, hwnd, message, wparam, lparam);
    }
    return self->handle(message, wparam, lparam);
}

}  // namespace ui
