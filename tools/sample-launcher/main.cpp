// Sample launcher: a fixture that stands in for the real launcher.
//
// Started, it writes "launcher-started.txt" beside its executable (UTF-8, four lines:
// "command line: <its command line>", "current directory: <its current directory>",
// "parent: <its parent's image name>", "elevation type: default|full|limited"; see
// start_record.h), then shows a small window saying that the launcher runs.
// It closes by itself after N milliseconds when started with "--exit-after-ms=N" or when
// the environment variable VELK_LAUNCHER_EXIT_AFTER_MS=N is set (the installer starts it
// without arguments, so tests use the variable; started through the desktop shell it has
// the shell's environment, which the shell took from the test that started it first);
// otherwise it runs until closed.
#include <windows.h>

#include <cwchar>

#include "tools/sample-launcher/start_record.h"

namespace {

const UINT_PTR EXIT_TIMER = 1;

// Milliseconds until the launcher closes itself; 0 for never.
UINT exit_after_ms(const wchar_t* command_line) {
    const wchar_t* option = std::wcsstr(command_line, L"--exit-after-ms=");
    if (option) return static_cast<UINT>(std::wcstoul(option + 16, nullptr, 10));
    wchar_t value[32] = {};
    if (GetEnvironmentVariableW(L"VELK_LAUNCHER_EXIT_AFTER_MS", value, 32) > 0)
        return static_cast<UINT>(std::wcstoul(value, nullptr, 10));
    return 0;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        DrawTextW(dc, L"The launcher runs.", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (wparam == EXIT_TIMER) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    start_record::write(L"launcher-started.txt");
    const UINT exit_ms = exit_after_ms(GetCommandLineW());
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"VelkarionSampleLauncher";
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(0, window_class.lpszClassName, L"Launcher", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 320, 120, nullptr, nullptr, instance, nullptr);
    if (!window) {
        // No display: keep the promised lifetime without a window.
        if (exit_ms) Sleep(exit_ms);
        return 0;
    }
    ShowWindow(window, show);
    if (exit_ms) SetTimer(window, EXIT_TIMER, exit_ms, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
