// Window start-up: time from process start to the first complete paint of the real
// install and uninstall pages with the real resources, and what an empty program's start
// costs on the same system. Run with no argument; it starts itself as the measured child.
// Prints a table of medians in milliseconds.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "installer/ui/main_window.h"
#include "installer/ui/pages.h"

namespace {

const wchar_t READY_EVENT[] = L"VelkarionUiStartupBenchReady";

struct Quiet : ui::Callback {
    void on_event(const std::wstring&, int) override {}
    bool can_close() override { return true; }
};

void signal_ready() {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, READY_EVENT);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
}

int page_child(bool install) {
    Quiet cb;
    auto w = ui::create_main_window();
    ui::PageDescription page;
    if (install) build_install_page(page, *w); else build_uninstall_page(page, *w);
    w->create(page, &cb);
    if (!install) w->set_text(L"path", L"C:\\Games\\Velkarion");
    w->show_all(L"");
    // The first idle turn comes once every pending paint has been handled.
    w->post([&] { signal_ready(); w->close(); });
    w->run();
    return 0;
}

// Milliseconds from CreateProcess to the child's signal.
double measure(const std::wstring& self, const wchar_t* mode) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, READY_EVENT);
    std::wstring command = L"\"" + self + L"\" " + mode;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    auto start = std::chrono::steady_clock::now();
    double ms = -1;
    if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(ready, 30000) == WAIT_OBJECT_0)
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(ready);
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--empty") {
        signal_ready();
        return 0;
    }
    if (argc > 1 && std::wstring(argv[1]) == L"--install") return page_child(true);
    if (argc > 1 && std::wstring(argv[1]) == L"--uninstall") return page_child(false);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const int runs = 7;
    std::vector<double> empty, install, uninstall;
    for (int i = 0; i < runs; ++i) {
        empty.push_back(measure(self, L"--empty"));
        install.push_back(measure(self, L"--install"));
        uninstall.push_back(measure(self, L"--uninstall"));
    }
    double e = median(empty), p = median(install), u = median(uninstall);
    std::printf("%-40s %10s\n", "start (median of 7 runs)", "ms");
    std::printf("%-40s %10.1f\n", "empty program", e);
    std::printf("%-40s %10.1f\n", "install page, first complete paint", p);
    std::printf("%-40s %10.1f\n", "uninstall page, first complete paint", u);
    std::printf("%-40s %10.1f\n", "install page start-up beyond empty", p - e);
    std::printf("%-40s %10.1f\n", "uninstall page start-up beyond empty", u - e);
    return 0;
}
