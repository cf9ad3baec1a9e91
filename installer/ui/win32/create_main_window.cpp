#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "installer/ui/main_window.h"
#include "installer/ui/win32/common_controls.h"
#include "installer/ui/win32/gdiplus_api.h"
#include "installer/ui/win32/main_window.h"

namespace ui {
namespace {

ULONG_PTR gdiplus_token = 0;

void shut_down_gdiplus() { gdiplus_api().shutdown(gdiplus_token); }

void start_up() {
    init_common_controls();
    const GdiplusApi& gp = gdiplus_api();
    if (!gp.complete()) return;  // the window then draws nothing but still works
    Gdiplus::GdiplusStartupInput input;
    if (gp.startup(&gdiplus_token, &input, nullptr) == Gdiplus::Ok) std::atexit(&shut_down_gdiplus);
}

}  // namespace

std::shared_ptr<AbstractUI> create_main_window() {
    static std::once_flag once;
    std::call_once(once, start_up);
    return std::make_shared<MainWindow>();
}

}  // namespace ui
