#pragma once
// Drives a real window from a second thread: the test body is the UI thread (create and
// run), the driver sends real input, reads the screen and reaches the window via post.

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "installer/ui/main_window.h"

namespace uitest {

inline ui::ControlDescription control(const wchar_t* type, const wchar_t* name, int x, int y, int w, int h,
                                      const wchar_t* s0 = L"", const wchar_t* s1 = L"", const wchar_t* s2 = L"",
                                      const wchar_t* text = L"") {
    ui::ControlDescription d;
    d.type = type; d.name = name; d.text = text; d.x = x; d.y = y; d.width = w; d.height = h;
    d.style[0] = s0; d.style[1] = s1; d.style[2] = s2;
    return d;
}

// The page of the tests: a plain background and sprites of one colour each.
inline ui::PageDescription test_page() {
    ui::PageDescription p;
    p.title = L"UI test";
    p.width = 400;
    p.height = 300;
    p.background = L"bg";
    p.images[L"bg"] = {L"test_bg.png", 0, 0};
    p.images[L"red"] = {L"TEST_SET.PNG", 0, 0};
    p.images[L"green"] = {L"TEST_SET.PNG", 50, 0};
    p.images[L"blue"] = {L"TEST_SET.PNG", 0, 30};
    p.images[L"magenta"] = {L"TEST_SET.PNG", 50, 30};
    p.images[L"fill"] = {L"TEST_SET.PNG", 0, 60};
    p.fonts[L""] = {L"Tahoma", 14, 0, 0xFFFFFF};
    p.fonts[L"lost"] = {L"No Such Family At All", 14, 0, 0xFFFFFF};
    p.fonts[L"edit"] = {L"Tahoma", -12, 400, 0};
    p.controls = {
        control(L"button", L"btn", 10, 10, 40, 20, L"red", L"green", L"blue"),
        control(L"button", L"plain", 60, 10, 40, 20, L"red", L"green"),
        control(L"check", L"chk", 110, 10, 40, 20, L"red", L"magenta"),
        control(L"label", L"lbl", 10, 50, 150, 30, L"", L"", L"", L"WWWW"),
        control(L"label", L"lost_lbl", 200, 50, 150, 30, L"lost", L"", L"", L"WWWW"),
        control(L"progress", L"prog", 10, 100, 370, 10, L"", L"fill"),
        control(L"edit", L"edit", 10, 130, 200, 20, L"edit", L"", L"", L"                "),
        control(L"link", L"link", 10, 170, 100, 25, L"", L"lost", L"", L"link"),
    };
    return p;
}

struct Recorder : ui::Callback {
    std::function<void(const std::wstring&, int)> on_event_fn;
    bool allow_close = true;
    int close_asks = 0;
    std::wstring events;
    void on_event(const std::wstring& name, int code) override {
        events += name + L":" + std::to_wstring(code) + L";";
        if (on_event_fn) on_event_fn(name, code);
    }
    bool can_close() override { ++close_asks; return allow_close; }
};

// Runs fn on the UI thread and waits for it; false if it did not run within 5 s.
inline bool on_ui(ui::AbstractUI& w, std::function<void()> fn) {
    auto done = std::make_shared<std::promise<void>>();
    auto ran = done->get_future();
    w.post([fn, done] { fn(); done->set_value(); });
    return ran.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
}

inline void settle(ui::AbstractUI& w) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    on_ui(w, [] {});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

inline COLORREF screen_pixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

// The screen catches up with the window asynchronously (and leave tracking runs on a
// timer): polls for up to 2 s until the pixel has the expected colour; returns the last.
inline COLORREF pixel_becomes(int x, int y, COLORREF expected) {
    COLORREF c = screen_pixel(x, y);
    for (int i = 0; i < 40 && c != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c = screen_pixel(x, y);
    }
    return c;
}

template <class F>
auto value_becomes(F f, decltype(f()) expected) -> decltype(f()) {
    auto v = f();
    for (int i = 0; i < 40 && v != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        v = f();
    }
    return v;
}

inline POINT origin(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return {r.left, r.top};
}

inline void mouse(int x, int y, DWORD flags = 0) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = static_cast<LONG>((y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    SendInput(1, &in, sizeof in);
}

}  // namespace uitest
