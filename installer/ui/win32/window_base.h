#pragma once
// The least window framework the UI needs: a window object bound to its HWND through
// GWLP_USERDATA, and subclassing of system-class windows.

#include <windows.h>

namespace ui {

// A top-level window object. The object is reached from its window procedure through
// the pointer stored at WM_NCCREATE, so it must outlive its window.
class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase() = default;

    HWND hwnd() const { return hwnd_; }

protected:
    // Registers (once per process) the class used by every WindowBase and creates the
    // window. Null on failure.
    HWND create_window(DWORD ex_style, const wchar_t* title, DWORD style, int x, int y, int width, int height,
                       HICON icon);
    virtual LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) = 0;
    LRESULT default_handle(UINT message, WPARAM wparam, LPARAM lparam) {
        return DefWindowProcW(hwnd_, message, wparam, lparam);
    }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    HWND hwnd_ = nullptr;
};

// A system-class window ("BUTTON") whose procedure is replaced by the object's.
class Subclassed {
public:
    Subclassed() = default;
    Subclassed(const Subclassed&) = delete;
    Subclassed& operator=(const Subclassed&) = delete;
    virtual ~Subclassed();

    HWND hwnd() const { return hwnd_; }
    // Takes over hwnd's messages; false when the procedure cannot be replaced.
    bool attach(HWND hwnd);

protected:
    virtual LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) = 0;
    LRESULT pass_on(UINT message, WPARAM wparam, LPARAM lparam) {
        return CallWindowProcW(previous_, hwnd_, message, wparam, lparam);
    }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
};

}  // namespace ui
