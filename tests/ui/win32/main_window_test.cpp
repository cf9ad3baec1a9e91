#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "installer/ui/win32/main_window.h"
#include "tests/ui/win32/window_harness.h"

using namespace uitest;

namespace {

const COLORREF BG = RGB(10, 20, 30);

// Creates the test page, runs its loop on this thread and drive() on another; drive
// ends by closing the window.
void with_window(Recorder& cb, const std::function<void(ui::MainWindow&, HWND)>& drive,
                 ui::PageDescription page = test_page()) {
    auto shared = ui::create_main_window();
    auto& w = dynamic_cast<ui::MainWindow&>(*shared);
    w.create(page, &cb);
    w.show_all(L"page-init");
    std::thread driver([&] {
        settle(w);
        drive(w, w.window());
        w.post([&w] { w.close(); });
    });
    w.run();
    driver.join();
}

std::string failure_of(ui::PageDescription page) {
    auto w = ui::create_main_window();
    Recorder cb;
    try {
        w->create(page, &cb);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(MainWindow, PaintsBackgroundLabelsProgressAndEdit) {
    Recorder cb;
    with_window(cb, [](ui::MainWindow& w, HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        EXPECT_EQ(400, r.right - r.left);
        EXPECT_EQ(300, r.bottom - r.top);
        MONITORINFO mi = {};
        mi.cbSize = sizeof mi;
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi);
        EXPECT_EQ((mi.rcWork.left + mi.rcWork.right) / 2 - 200, r.left);
        EXPECT_EQ((mi.rcWork.top + mi.rcWork.bottom) / 2 - 150, r.top);
        POINT o = origin(hwnd);
        EXPECT_EQ(BG, pixel_becomes(o.x + 300, o.y + 250, BG));

        // Labels draw their text, and a style whose family is missing still shows text.
        auto text_pixels = [&](int x0, int y0) {
            int lit = 0;
            for (int y = y0; y < y0 + 30; ++y)
                for (int x = x0; x < x0 + 80; x += 2)
                    if (GetRValue(screen_pixel(o.x + x, o.y + y)) > 128) ++lit;
            return lit;
        };
        EXPECT_GT(text_pixels(10, 50), 20);
        EXPECT_GT(text_pixels(200, 50), 20);

        auto filled = [&] {
            int n = 0;
            for (int x = 10; x < 380; ++x)
                if (screen_pixel(o.x + x, o.y + 105) == RGB(200, 200, 200)) ++n;
            return n;
        };
        EXPECT_EQ(0, value_becomes(filled, 0));
        on_ui(w, [&] { w.set_progress(L"prog", 0.5); });
        EXPECT_EQ(185, value_becomes(filled, 185));
        on_ui(w, [&] { w.set_progress(L"prog", 1.0); });
        EXPECT_EQ(370, value_becomes(filled, 370));
        on_ui(w, [&] { w.set_progress(L"prog", -0.2); });
        EXPECT_EQ(0, value_becomes(filled, 0));
        on_ui(w, [&] { w.set_progress(L"prog", 1.7); w.set_progress(L"lbl", 0.5); });
        EXPECT_EQ(370, value_becomes(filled, 370));

        EXPECT_EQ(RGB(58, 54, 68), pixel_becomes(o.x + 190, o.y + 140, RGB(58, 54, 68)));
        on_ui(w, [&] { w.set_text(L"edit", L"\x2588\x2588\x2588\x2588"); });
        settle(w);
        bool grey = false;
        for (int x = 10; x < 60 && !grey; ++x)
            for (int y = 130; y < 150 && !grey; ++y) grey = screen_pixel(o.x + x, o.y + y) == RGB(171, 169, 173);
        EXPECT_TRUE(grey);
        std::wstring text;
        on_ui(w, [&] { text = w.get_text(L"edit") + L"|" + w.get_text(L"nobody"); });
        EXPECT_EQ(L"\x2588\x2588\x2588\x2588|", text);
    });
}

TEST(MainWindow, OpacityAlphas) {
    Recorder cb;
    with_window(cb, [](ui::MainWindow& w, HWND hwnd) {
        for (auto c : std::vector<std::pair<double, int>>{{1.0, 255}, {0.9999, 254}, {0.75, 216}, {0.5, 100}, {0.2, 100}, {0.0, 100}}) {
            BYTE alpha = 0;
            DWORD flags = 0;
            on_ui(w, [&] { w.set_opacity(c.first); GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags); });
            EXPECT_EQ(c.second, alpha) << c.first;
            EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags);
        }
        on_ui(w, [&] { w.set_opacity(1.0); });
    });
}

TEST(MainWindow, ButtonHoverPressAndReleaseOutside) {
    Recorder cb;
    with_window(cb, [&](ui::MainWindow& w, HWND hwnd) {
        // The callback's record belongs to the UI thread.
        auto events = [&] {
            std::wstring e;
            on_ui(w, [&] { e = cb.events; });
            return e;
        };
        POINT o = origin(hwnd);
        EXPECT_EQ(RGB(255, 0, 0), pixel_becomes(o.x + 20, o.y + 15, RGB(255, 0, 0)));
        mouse(o.x + 20, o.y + 15);
        settle(w);
        EXPECT_EQ(RGB(0, 255, 0), pixel_becomes(o.x + 20, o.y + 15, RGB(0, 255, 0))) << "hover";
        mouse(o.x + 20, o.y + 15, MOUSEEVENTF_LEFTDOWN);
        settle(w);
        EXPECT_EQ(RGB(255, 0, 0), pixel_becomes(o.x + 20, o.y + 15, RGB(255, 0, 0))) << "pressed";
        mouse(o.x + 300, o.y + 250);
        settle(w);
        mouse(o.x + 300, o.y + 250, MOUSEEVENTF_LEFTUP);
        settle(w);
        EXPECT_EQ(L"", events()) << "released outside";
        mouse(o.x + 20, o.y + 15, MOUSEEVENTF_LEFTDOWN);
        settle(w);
        mouse(o.x + 21, o.y + 16, MOUSEEVENTF_LEFTUP);
        settle(w);
        EXPECT_EQ(L"btn:0;", value_becomes(events, L"btn:0;"));
        mouse(o.x + 300, o.y + 250);
        settle(w);
        EXPECT_EQ(RGB(255, 0, 0), pixel_becomes(o.x + 20, o.y + 15, RGB(255, 0, 0))) << "left";

        on_ui(w, [&] { EnableWindow(w.control(L"btn"), FALSE); EnableWindow(w.control(L"plain"), FALSE); });
        settle(w);
        EXPECT_EQ(RGB(0, 0, 255), pixel_becomes(o.x + 20, o.y + 15, RGB(0, 0, 255))) << "disabled picture";
        EXPECT_EQ(RGB(255, 0, 0), pixel_becomes(o.x + 70, o.y + 15, RGB(255, 0, 0))) << "normal picture when none is given";
    });
}

TEST(MainWindow, CheckTogglesThenNotifies) {
    Recorder cb;
    std::vector<bool> seen;
    ui::MainWindow* window = nullptr;
    cb.on_event_fn = [&](const std::wstring&, int) { seen.push_back(window->is_checked(L"chk")); };
    with_window(cb, [&](ui::MainWindow& w, HWND hwnd) {
        window = &w;
        POINT o = origin(hwnd);
        for (int i = 0; i < 2; ++i) {
            mouse(o.x + 130, o.y + 20, MOUSEEVENTF_LEFTDOWN);
            settle(w);
            mouse(o.x + 130, o.y + 20, MOUSEEVENTF_LEFTUP);
            settle(w);
            EXPECT_EQ(i == 0 ? RGB(255, 0, 255) : RGB(255, 0, 0), pixel_becomes(o.x + 130, o.y + 20, i == 0 ? RGB(255, 0, 255) : RGB(255, 0, 0)));
        }
        on_ui(w, [&] { w.set_checked(L"chk", true); });
        EXPECT_EQ(RGB(255, 0, 255), pixel_becomes(o.x + 130, o.y + 20, RGB(255, 0, 255)));
    });
    EXPECT_EQ((std::vector<bool>{true, false}), seen);
    EXPECT_EQ(L"chk:0;chk:0;", cb.events);
}

TEST(MainWindow, DraggingByBackgroundOrLabelMovesButtonDoesNot) {
    Recorder cb;
    with_window(cb, [&](ui::MainWindow& w, HWND hwnd) {
        auto drag = [&](int x, int y) {
            POINT before = origin(hwnd);
            // While the system moves the window its own loop runs, not ours: no tasks.
            mouse(before.x + x, before.y + y, MOUSEEVENTF_LEFTDOWN);
            Sleep(200);
            mouse(before.x + x + 30, before.y + y + 20);
            Sleep(200);
            mouse(before.x + x + 30, before.y + y + 20, MOUSEEVENTF_LEFTUP);
            settle(w);
            POINT after = origin(hwnd);
            return POINT{after.x - before.x, after.y - before.y};
        };
        POINT moved = drag(300, 250);
        EXPECT_EQ(30, moved.x);
        EXPECT_EQ(20, moved.y);
        moved = drag(100, 60);
        EXPECT_EQ(30, moved.x) << "label";
        moved = drag(20, 15);
        EXPECT_EQ(0, moved.x) << "button";
        EXPECT_EQ(0, moved.y);
    });
}

TEST(MainWindow, UserCloseAsksAndProgramCloseDoesNot) {
    Recorder cb;
    cb.allow_close = false;
    auto w = ui::create_main_window();
    w->create(test_page(), &cb);
    HWND hwnd = dynamic_cast<ui::MainWindow&>(*w).window();
    std::thread driver([&] {
        settle(*w);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        settle(*w);
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(1, cb.close_asks);
        w->post([&] { w->close(); });
    });
    w->run();
    driver.join();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(1, cb.close_asks);
}

TEST(MainWindow, TasksFromTwoThreadsRunOnceInOrderOnTheUiThread) {
    Recorder cb;
    auto w = ui::create_main_window();
    w->create(test_page(), &cb);
    DWORD ui_thread = GetCurrentThreadId();
    std::vector<int> order;
    std::atomic<int> off_thread{0};
    std::atomic<bool> late_ran{false};
    auto poster = [&](int base) {
        for (int i = 0; i < 500; ++i)
            w->post([&, base, i] {
                if (GetCurrentThreadId() != ui_thread) ++off_thread;
                order.push_back(base + i);
            });
    };
    std::thread a(poster, 0), b(poster, 1000);
    a.join();
    b.join();
    w->post([&] { w->close(); });
    w->run();
    // After the window is gone a task never runs.
    w->post([&] { late_ran = true; });
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_FALSE(late_ran);
    EXPECT_EQ(0, off_thread.load());
    ASSERT_EQ(1000u, order.size());
    int next_a = 0, next_b = 1000;
    for (int v : order) {
        if (v < 1000) EXPECT_EQ(next_a++, v);
        else EXPECT_EQ(next_b++, v);
    }
}

TEST(MainWindow, CreationErrors) {
    auto page = test_page();
    page.controls.push_back(control(L"slider", L"s", 0, 0, 10, 10));
    EXPECT_EQ("unknown control type", failure_of(page));

    page = test_page();
    page.images[L"bg"].resource = L"NO_SUCH.PNG";
    EXPECT_EQ("can't find image resource", failure_of(page));

    page = test_page();
    page.images[L"bg"].resource = L"broken.png";
    EXPECT_EQ("failed to load an image", failure_of(page));

    page = test_page();
    page.controls.push_back(control(L"button", L"b", 0, 0, 10, 10, L"red", L"no_such_picture"));
    EXPECT_EQ("UI: failed to create a window", failure_of(page));

    // A picture with no resource is no error: it just draws nothing.
    page = test_page();
    page.controls.push_back(control(L"progress", L"p2", 0, 0, 10, 10, L"", L""));
    EXPECT_EQ("", failure_of(page));
}
