#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <commctrl.h>

#include <cstdlib>
#include <mutex>

#include "installer/ui/main_window.h"
#include "installer/ui/win32/main_window.h"

namespace ui {
namespace {

ULONG_PTR gdiplus_token = 0;

void shut_down_gdiplus() { Gdiplus::GdiplusShutdown(gdiplus_token); }

void start_up() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus_token, &input, nullptr) == Gdiplus::Ok) std::atexit(&shut_down_gdiplus);
}

}  // namespace

std::shared_ptr<AbstractUI> create_main_window() {
    static std::once_flag once;
    std::call_once(once, start_up);
    return std::make_shared<MainWindow>();
}

}  // namespace ui
