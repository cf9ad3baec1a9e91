// Window start-up: time from process start to the first complete paint of a page, and
// what an empty program's start costs on the same system. Run with no argument; it
// starts itself as the measured child. Prints a table of medians in milliseconds.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "installer/ui/main_window.h"
#include "tests/ui/win32/window_harness.h"

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

int page_child() {
    Quiet cb;
    auto w = ui::create_main_window();
    w->create(uitest::test_page(), &cb);
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
    if (argc > 1 && std::wstring(argv[1]) == L"--page") return page_child();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const int runs = 7;
    std::vector<double> empty, page;
    for (int i = 0; i < runs; ++i) {
        empty.push_back(measure(self, L"--empty"));
        page.push_back(measure(self, L"--page"));
    }
    double e = median(empty), p = median(page);
    std::printf("%-36s %10s\n", "start (median of 7 runs)", "ms");
    std::printf("%-36s %10.1f\n", "empty program", e);
    std::printf("%-36s %10.1f\n", "page, first complete paint", p);
    std::printf("%-36s %10.1f\n", "window start-up beyond empty", p - e);
    return 0;
}
