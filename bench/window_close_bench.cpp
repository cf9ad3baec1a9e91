// How long closing a window takes on this system, outside the installer: a layered popup
// of the installer's size is shown and closed as the installer closes its own (WM_CLOSE,
// DestroyWindow, the loop's end), several times. Under Wine on an X server without a
// window manager, Wine waits for one on every window it thinks managed; the prefix's
// "HKCU\Software\Wine\X11 Driver" value Managed=N says none is. Prints a table of
// milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double now_ms() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * double(counter.QuadPart) / double(frequency.QuadPart);
}

double destroy_ms = 0;

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE: {
        const double start = now_ms();
        DestroyWindow(window);
        destroy_ms = now_ms() - start;
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

// Milliseconds from posting WM_CLOSE to the end of the message loop.
double close_once(HINSTANCE instance) {
    HWND window = CreateWindowExW(WS_EX_LAYERED, L"window_close_bench", L"window_close_bench", WS_POPUP, 100, 100,
                                  721, 450, nullptr, nullptr, instance, nullptr);
    if (!window) return -1;
    SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    // Shown and settled before the close.
    const double shown = now_ms();
    while (now_ms() - shown < 300) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
    const double start = now_ms();
    PostMessageW(window, WM_CLOSE, 0, 0);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return now_ms() - start;
}

}  // namespace

int main() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.lpszClassName = L"window_close_bench";
    RegisterClassW(&window_class);
    std::vector<double> loops, destroys;
    for (int round = 0; round < 5; ++round) {
        loops.push_back(close_once(instance));
        destroys.push_back(destroy_ms);
    }
    std::sort(loops.begin(), loops.end());
    std::sort(destroys.begin(), destroys.end());
    std::printf("%-34s %8s %8s %8s\n", "ms, 5 windows", "min", "median", "max");
    std::printf("%-34s %8.1f %8.1f %8.1f\n", "DestroyWindow", destroys[0], destroys[2], destroys[4]);
    std::printf("%-34s %8.1f %8.1f %8.1f\n", "WM_CLOSE posted to the loop's end", loops[0], loops[2], loops[4]);
    return 0;
}
