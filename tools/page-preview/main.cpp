// Shows the install or uninstall page in the real window, in a chosen state.
//
//   page_preview [--page install|uninstall] [--progress F] [--hover CONTROL]
//                [--rect-file PATH] [--seconds N]
//
// --progress F on the install page shows the page as an install runs (input controls
// hidden, "Downloading launcher"); on the uninstall page it fills the bar. --hover moves
// the mouse over a control. --rect-file writes "left top width height" of the window
// once it is painted. --seconds closes the window after N seconds (0: stays open until
// its exit button is clicked).

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

#include "installer/base/config/string_ids.h"
#include "installer/ui/control_names.h"
#include "installer/ui/main_window.h"
#include "installer/ui/pages.h"
#include "installer/ui/win32/main_window.h"

namespace {

struct Options {
    std::wstring page = L"install";
    double progress = -1;
    std::wstring hover;
    std::wstring rect_file;
    int seconds = 0;
};

Options parse(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::wstring key = argv[i], value = argv[i + 1];
        if (key == L"--page") o.page = value;
        else if (key == L"--progress") o.progress = std::wcstod(value.c_str(), nullptr);
        else if (key == L"--hover") o.hover = value;
        else if (key == L"--rect-file") o.rect_file = value;
        else if (key == L"--seconds") o.seconds = std::wcstol(value.c_str(), nullptr, 10);
    }
    return o;
}

struct Preview : ui::Callback {
    ui::AbstractUI* window = nullptr;
    void on_event(const std::wstring& name, int) override {
        if (name == control_name::EXIT) window->close();
        if (name == control_name::MINIMIZE) window->minimize();
    }
    bool can_close() override { return true; }
};

void install_state(ui::AbstractUI& w, const Options& o) {
    wchar_t disk[128] = {};
    std::swprintf(disk, 128, w.load_string(IDS_DISK_SPACE_FORMAT).c_str(), 5, 118);
    w.set_text(control_name::PATH, L"C:\\Games\\Velkarion");
    w.set_text(control_name::DISK_SIZE, disk);
    w.set_checked(control_name::SHORTCUT, true);
    w.show_all(L"page-init");
    if (o.progress >= 0) {
        for (const wchar_t* name :
             {control_name::PATH, control_name::BROWSE, control_name::SHORTCUT, control_name::SHORTCUT_CAPTION,
              control_name::EULA, control_name::EULA_TEXT, control_name::EULA_LINK, control_name::DISK_SIZE})
            w.set_visible(name, false);
        w.set_text(control_name::PATH_CAPTION, w.load_string(IDS_DOWNLOADING));
        w.set_progress(control_name::PROGRESS, o.progress);
    }
}

void write_rect(const ui::MainWindow& w, const std::wstring& file) {
    RECT r;
    GetWindowRect(w.window(), &r);
    if (FILE* f = _wfopen(file.c_str(), L"w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(f);
    }
}

void move_mouse_over(const ui::MainWindow& w, const std::wstring& name) {
    HWND control = w.control(name);
    if (!control) return;
    RECT r;
    GetWindowRect(control, &r);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = ((r.left + r.right) / 2 * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
    in.mi.dy = ((r.top + r.bottom) / 2 * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Options o = parse(__argc, __wargv);
    auto shared = ui::create_main_window();
    auto& w = static_cast<ui::MainWindow&>(*shared);
    Preview cb;
    cb.window = &w;
    ui::PageDescription page;
    if (o.page == L"uninstall") build_uninstall_page(page, w); else build_install_page(page, w);
    w.create(page, &cb);
    if (o.page == L"uninstall") {
        w.set_text(control_name::PATH, L"C:\\Games\\Velkarion");
        w.show_all(L"");
        if (o.progress >= 0) w.set_progress(control_name::PROGRESS, o.progress);
    } else {
        install_state(w, o);
    }
    // The first idle turn comes once the window has been painted.
    w.post([&] {
        if (!o.hover.empty()) move_mouse_over(w, o.hover);
        if (!o.rect_file.empty()) write_rect(w, o.rect_file);
    });
    std::atomic<bool> done{false};
    std::thread closer;
    if (o.seconds > 0)
        closer = std::thread([&] {
            auto end = std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds);
            while (!done && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!done) w.post([&] { w.close(); });
        });
    w.run();
    done = true;
    if (closer.joinable()) closer.join();
    return 0;
}
